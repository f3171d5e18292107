// SPDX-License-Identifier: MIT
#include "objectreferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testfiles.h"

using testing_support::TempDir;

namespace {

std::string Shown(std::string_view text, const cal::TObjectReference& ref) {
  const std::string type(ObjectTypeNames[std::size_t(ref.Type)]);
  return type + (ref.ByName ? " '" + ref.Name + "'" : " " + std::to_string(ref.ID)) + " @" +
         std::to_string(ref.Line) + " [" +
         std::string(text.substr(std::size_t(ref.Start), std::size_t(ref.Length))) + "]";
}

std::vector<std::string> All(const std::string& text) {
  std::vector<std::string> shown;
  for (const auto& ref : cal::FindReferences(text)) shown.push_back(Shown(text, ref));
  return shown;
}

using Lines = std::vector<std::string>;

const std::string Page =
    "OBJECT Page 21 Customer Card\n"
    "{\n"
    "  PROPERTIES\n"
    "  {\n"
    "    SourceTable=Table18;\n"
    "    ActionList=ACTIONS\n"
    "    {\n"
    "      { 7 ;1 ;Action ; RunObject=Page 22 }\n"
    "    }\n"
    "  }\n"
    "  CONTROLS\n"
    "  {\n"
    "    { 2 ;2 ;Field ; TableRelation=IF (Type=CONST(Customer)) Customer.\"No.\"\n"
    "                    ELSE \"Cust. Ledger Entry\" WHERE (Open=CONST(Yes));\n"
    "                    CalcFormula=-Sum(\"Detailed Ledger\".Amount WHERE (Customer=FIELD(No.))) "
    "}\n"
    "  }\n"
    "  CODE\n"
    "  {\n"
    "    VAR\n"
    "      Cust@1000 : Record 18;\n"
    "      Big@1001 : Record 180;\n"
    "      Post@1002 : Codeunit 80;\n"
    "      R@1003 : Report 206;\n"
    "      X@1004 : XMLport 1;\n"
    "      Q@1005 : Query 5;\n"
    "\n"
    "    PROCEDURE Go@1();\n"
    "    BEGIN\n"
    "      CODEUNIT.RUN(CODEUNIT::\"Sales-Post\",Cust);\n"
    "      PAGE.RUN(PAGE::\"Customer Card\"); x := DATABASE::Customer;\n"
    "      // Record 18 in a comment, DATABASE::Customer too\n"
    "      MESSAGE('Record 18'); { Codeunit 80 }\n"
    "      y := DATABASE::CustomerX + DATABASE::\"Cust's Bin\";\n"
    "    END;\n"
    "\n"
    "    BEGIN\n"
    "    END.\n"
    "  }\n"
    "}\n";

}  // namespace

TEST(ObjectReferences, EveryFormByNumberAndByName) {
  EXPECT_EQ(
      All(Page),
      (Lines{"Table 18 @5 [Table18]", "Page 22 @8 [Page 22]", "Table 'Customer' @13 [Customer]",
             "Table 'Cust. Ledger Entry' @14 "
             "[\"Cust. Ledger Entry\"]",
             "Table 'Detailed Ledger' @15 [\"Detailed Ledger\"]", "Table 18 @20 [Record 18]",
             "Table 180 @21 [Record 180]", "Codeunit 80 @22 [Codeunit 80]",
             "Report 206 @23 [Report 206]", "XMLport 1 @24 [XMLport 1]", "Query 5 @25 [Query 5]",
             "Codeunit 'Sales-Post' @29 [CODEUNIT::\"Sales-Post\"]",
             "Page 'Customer Card' @30 [PAGE::\"Customer Card\"]",
             "Table 'Customer' @30 [DATABASE::Customer]",
             "Table 'CustomerX' @33 [DATABASE::CustomerX]",
             "Table 'Cust's Bin' @33 [DATABASE::\"Cust's Bin\"]"}));
}

TEST(ObjectReferences, AtCaretAndFalseFriends) {
  const auto at = [](std::string_view needle, std::int32_t shift = 0) {
    return cal::ReferenceAt(Page, std::int32_t(Page.find(needle)) + shift);
  };
  ASSERT_TRUE(at("Record 18;"));
  EXPECT_EQ(at("Record 18;", 9)->ID, 18);  // the caret just after the number
  EXPECT_FALSE(at("Record 18;", 10));
  EXPECT_FALSE(at("Cust@1000"));
  EXPECT_FALSE(at("Record 18 in a comment", 3));
  EXPECT_EQ(at("\"Sales-Post\"", 3)->Name, "Sales-Post");

  const auto refs = cal::FindReferences(Page);
  const auto count = [&](TObjectType type, std::int32_t id, std::string_view name) {
    return std::count_if(refs.begin(), refs.end(),
                         [&](const auto& r) { return cal::RefersTo(r, type, id, name); });
  };
  // Record 180 is not 18; CustomerX is not Customer; names ignore case.
  EXPECT_EQ(count(TObjectType::otTable, 18, "customer"), 4);
  EXPECT_EQ(count(TObjectType::otTable, 180, "Cust"), 1);
  EXPECT_EQ(count(TObjectType::otPage, 18, "Customer"), 0);
  EXPECT_EQ(count(TObjectType::otTable, 99, "Cust's Bin"), 1);

  // Quotes around nothing, or one cut off by the line's end, name no object.
  EXPECT_TRUE(cal::FindReferences("CalcFormula=Sum(\"\nx := DATABASE::\"\";").empty());
}

TEST(ObjectReferences, ResolveAndFindUsesAcrossFile) {
  TempDir dir;
  const std::string other =
      "OBJECT Table 180 Customer Ext\n{\n  FIELDS\n  {\n"
      "    { 1 ;   ;No. ;Code20 ;TableRelation=Customer }\n  }\n}\n"
      "OBJECT Codeunit 80 Sales-Post\n{\n  CODE\n  {\n    VAR\n      C@1 : Record 180;\n"
      "      D@2 : Record 18;\n      Customer@3 : Integer;\n    BEGIN\n    END.\n  }\n}\n";
  const std::string table = "OBJECT Table 18 Customer\n{\n}\n";
  const std::string path = dir.write("f.txt", table + Page + other);
  TObjectTextFile file;
  file.LoadFromFile(path);
  ASSERT_EQ(file.GetCount(), 4);

  EXPECT_EQ(
      cal::ResolveReference(file, *cal::ReferenceAt(Page, std::int32_t(Page.find("Page 22")))), -1);
  EXPECT_EQ(cal::ResolveReference(file, *cal::ReferenceAt(Page, std::int32_t(Page.find("Sales-")))),
            3);
  EXPECT_EQ(
      cal::ResolveReference(file, *cal::ReferenceAt(Page, std::int32_t(Page.find("Table18")))), 0);

  // Small chunks: the result never depends on how the file is read.
  for (std::size_t chunk : {std::size_t(7), std::size_t(1) << 20}) {
    std::vector<cal::TObjectUse> uses;
    std::vector<std::int32_t> seen;
    ASSERT_TRUE(cal::FindUses(
        file, 0, uses,
        [&](std::int32_t done, std::int32_t) {
          seen.push_back(done);
          return true;
        },
        chunk));
    Lines shown;
    for (const auto& use : uses)
      shown.push_back(std::to_string(use.ObjIndex) + " " + std::to_string(use.Reference.Line) +
                      " " + use.LineText);
    EXPECT_EQ(shown, (Lines{"1 5 SourceTable=Table18;",
                            "1 13 { 2 ;2 ;Field ; TableRelation=IF (Type=CONST(Customer)) "
                            "Customer.\"No.\"",
                            "1 20 Cust@1000 : Record 18;",
                            "1 30 PAGE.RUN(PAGE::\"Customer Card\"); x := DATABASE::Customer;",
                            "2 5 { 1 ;   ;No. ;Code20 ;TableRelation=Customer }",
                            "3 7 D@2 : Record 18;"}));
    EXPECT_EQ(seen.back(), 4);
  }
  // Cancelling stops at once and says so.
  std::vector<cal::TObjectUse> uses;
  EXPECT_FALSE(cal::FindUses(file, 0, uses, [](std::int32_t, std::int32_t) { return false; }));
  EXPECT_TRUE(uses.empty());
}

TEST(ObjectReferences, HugeLinesAndBinaryBytesStayLinear) {
  TempDir dir;
  // 100,000 references on one line of 1 MB, behind binary bytes and an
  // unclosed comment in another object.
  std::string binary = "OBJECT Codeunit 1 Noise\n  CODE\n  {\n    BEGIN { never closed";
  for (int i = 0; i < 256; ++i) binary += char(i);
  std::string line = "      ";
  for (int i = 0; i < 100000; ++i) line += "Record 18;";
  const std::string path =
      dir.write("huge.txt", "OBJECT Table 18 T\n{\n}\n" + binary +
                                "\nOBJECT Codeunit 2 Huge\n  CODE\n  {\n" + line + "\n  }\n");
  TObjectTextFile file;
  file.LoadFromFile(path);
  std::vector<cal::TObjectUse> uses;
  ASSERT_TRUE(cal::FindUses(file, 0, uses));
  ASSERT_EQ(uses.size(), 100000u);
  EXPECT_EQ(uses.front().LineText.substr(0, 20), "Record 18;Record 18;");
  EXPECT_LE(uses[50000].LineText.size(), 200u);
  EXPECT_EQ(uses.back().Reference.Line, 4);
}

namespace {

// The forms of newer exports and the ones older code readers missed.
const std::string Forms =
    "OBJECT Codeunit 50000 Hooks\n"
    "{\n"
    "  OBJECT-PROPERTIES\n"
    "  {\n"
    "    Modified=true;\n"
    "  }\n"
    "  PROPERTIES\n"
    "  {\n"
    "    Permissions=TableData 17=rimd,\n"
    "                TableData 21=rimd,\n"
    "                TableData Customer=r,\n"
    "                TableData \"Sales Header\"=rm;\n"
    "    SourceTable=Customer;\n"
    "    CardPageID=Customer Card;\n"
    "    LookupPageID=\"Customer Lookup\";\n"
    "    DrillDownPageID=Page25;\n"
    "    RunObject=Page \"Customer Card\";\n"
    "  }\n"
    "  CONTROLS\n"
    "  {\n"
    "    { 5 ;   ;No. ;Code20 ;TableRelation=IF (Type=CONST(G/L Account),\n"
    "                             System-Created Entry=CONST(No)) \"G/L Account\" WHERE (Direct "
    "Posting=CONST(Yes),\n"
    "                             Account Type=CONST(Posting))\n"
    "                             ELSE IF (Type=CONST(Item)) Item\n"
    "                             ELSE IF (Type=CONST(Resource)) Resource }\n"
    "    { MenuItem ;Name=Customers;\n"
    "                RunObjectType=Page;\n"
    "                RunObjectID=22 }\n"
    "  }\n"
    "  CODE\n"
    "  {\n"
    "    VAR\n"
    "      Cust@1000 : Record Customer;\n"
    "      Head@1001 : TEMPORARY Record \"Sales Header\";\n"
    "      Post@1002 : Codeunit \"Sales-Post\";\n"
    "      Card@1003 : Page \"Customer Card\";\n"
    "\n"
    "    [EventSubscriber(Table,18,OnAfterInsertEvent,\"\",Skip,Skip)]\n"
    "    LOCAL PROCEDURE Hook@1(VAR Rec@1000 : Record 18);\n"
    "    BEGIN\n"
    "      PAGE.RUN(21,Rec); PAGE.RUNMODAL(22); REPORT.RUN(206);\n"
    "      CODEUNIT.RUN(80); XMLPORT.RUN(1000,TRUE);\n"
    "      MESSAGE('Record Customer PAGE.RUN(21)'); // Record Customer\n"
    "      x := Page Customer;\n"
    "    END;\n"
    "\n"
    "    BEGIN\n"
    "    END.\n"
    "  }\n"
    "}\n";

}  // namespace

TEST(ObjectReferences, NameFormsPermissionsRelationsSubscribersAndRuns) {
  EXPECT_EQ(All(Forms), (Lines{"Table 17 @9 [TableData 17]",
                               "Table 21 @10 [TableData 21]",
                               "Table 'Customer' @11 [TableData Customer]",
                               "Table 'Sales Header' @12 [TableData \"Sales Header\"]",
                               "Table 'Customer' @13 [Customer]",
                               "Page 'Customer Card' @14 [Customer Card]",
                               "Page 'Customer Lookup' @15 [\"Customer Lookup\"]",
                               "Page 25 @16 [Page25]",
                               "Page 'Customer Card' @17 [Page \"Customer Card\"]",
                               "Table 'G/L Account' @22 [\"G/L Account\"]",
                               "Table 'Item' @24 [Item]",
                               "Table 'Resource' @25 [Resource]",
                               "Page 22 @28 [RunObjectID=22]",
                               "Table 'Customer' @33 [Record Customer]",
                               "Table 'Sales Header' @34 [Record \"Sales Header\"]",
                               "Codeunit 'Sales-Post' @35 [Codeunit \"Sales-Post\"]",
                               "Page 'Customer Card' @36 [Page \"Customer Card\"]",
                               "Table 18 @38 [Table,18]",
                               "Table 18 @39 [Record 18]",
                               "Page 21 @41 [PAGE.RUN(21]",
                               "Page 22 @41 [PAGE.RUNMODAL(22]",
                               "Report 206 @41 [REPORT.RUN(206]",
                               "Codeunit 80 @42 [CODEUNIT.RUN(80]",
                               "XMLport 1000 @42 [XMLPORT.RUN(1000]"}));
}

TEST(ObjectReferences, FindUsesResolvesNamesThroughTheFile) {
  TempDir dir;
  const std::string objects =
      "OBJECT Table 18 Customer\n{\n}\nOBJECT Page 21 Customer Card\n{\n}\n"
      "OBJECT Page 22 Customer List\n{\n}\n"
      "OBJECT Table 36 Sales Header\n{\n}\n";
  // Far from its TableRelation=, a branch of a long relation still counts.
  std::string relation =
      "OBJECT Table 37 Sales Line\n{\n  FIELDS\n  {\n"
      "    { 6 ;   ;No. ;Code20 ;TableRelation=IF (Type=CONST(\" \")) Text\n";
  for (int i = 0; i < 20; ++i)
    relation += "                  ELSE IF (Type=CONST(A" + std::to_string(i) + ")) A\n";
  relation += "                  ELSE IF (Type=CONST(C)) Customer }\n  }\n}\n";
  const std::string path = dir.write("f.txt", objects + Forms + relation);
  TObjectTextFile file;
  file.LoadFromFile(path);
  ASSERT_EQ(file.GetCount(), 6);
  const auto uses = [&](std::int32_t target) {
    std::vector<cal::TObjectUse> found;
    EXPECT_TRUE(cal::FindUses(file, target, found, {}, 64));
    Lines shown;
    for (const auto& use : found)
      shown.push_back(std::to_string(use.ObjIndex) + " " + std::to_string(use.Reference.Line));
    return shown;
  };
  EXPECT_EQ(uses(0), (Lines{"4 11", "4 13", "4 33", "4 38", "4 39", "5 26"}));
  EXPECT_EQ(uses(1), (Lines{"4 14", "4 17", "4 36", "4 41"}));
  EXPECT_EQ(uses(2), (Lines{"4 28", "4 41"}));
  EXPECT_EQ(uses(3), (Lines{"4 12", "4 34"}));
  EXPECT_EQ(cal::ResolveReference(
                file, *cal::ReferenceAt(Forms, std::int32_t(Forms.find("\"Sales Header\";")) + 2)),
            3);
}

TEST(ObjectReferences, UsesWhileLoadingAreThoseOfFindUsesAndOfAFullReading) {
  TempDir dir;
  // Users before and after their targets; names after :: and commas that
  // only a relation still open makes references, and ones it does not.
  const std::string users =
      "OBJECT Table 37 Sales Line\n{\n  FIELDS\n  {\n"
      "    { 1 ;   ;No. ;Code20 ;TableRelation=Customer }\n"
      "    { 2 ;   ;Bill ;Code20 ;TableRelation=IF (Type=CONST(A)) Text\n"
      "                  ELSE IF (Type=CONST(B)) Opt::Customer\n"
      "                  ELSE IF (Type=CONST(C)) Customer }\n"
      "  }\n  CODE\n  {\n    VAR\n      C@1 : Record 18;\n    BEGIN\n"
      "      CASE Type OF Opt::Customer: ERROR(Text1,\"Customer\"); END;\n"
      "      X := DATABASE::Customer;\n    END.\n  }\n}\n"
      // Numbers that hold a target's number but are none, and leading zeros,
      // on a line of their own that no other candidate's line comes near.
      "OBJECT Codeunit 5 Numbers\n{\n  CODE\n  {\n    VAR\n"
      "      D@2 : Record 118;E@3 : Record 18X;F@4 : Record 018;G@5 : Page 0021;\n"
      "    BEGIN\n    END.\n  }\n}\n";
  const std::string targets =
      "OBJECT Table 18 Customer\n{\n  CODE\n  {\n    VAR\n      Self@1 : Record 18;\n  }\n}\n"
      "OBJECT Page 21 Customer Card\n{\n}\n";
  // A second Table 18 of another name, which a later part may read before
  // the first part reaches the first one; it is no target of its own.
  const std::string second =
      "OBJECT Table 18 Debtor\n{\n  CODE\n  {\n    VAR\n      D@1 : Record 18;\n"
      "    BEGIN\n      X := DATABASE::Debtor;\n      Y := DATABASE::Customer;\n    END.\n  }\n}\n";
  for (const std::string& text : {users + targets + Forms, targets + Forms + users,
                                  users + targets + users + second + Forms}) {
    const std::string path = dir.write("f.txt", text);
    // Both hold the file shared, as the commands do.
    TObjectTextFile loaded;
    loaded.SetShareReading(true);
    loaded.LoadFromFile(path);
    for (std::int32_t target = 0; target < loaded.GetCount(); ++target) {
      const TObjectTextObject& wanted = loaded.GetObject(target);
      const auto where = [](std::int32_t index, const cal::TObjectReference& ref) {
        return std::to_string(index) + " " + std::to_string(ref.Line) + " " +
               std::to_string(ref.Start);
      };
      std::vector<cal::TObjectUse> found;
      ASSERT_TRUE(cal::FindUses(loaded, target, found));
      Lines expected, foundAt, full;
      for (const auto& use : found) {
        foundAt.push_back(where(use.ObjIndex, use.Reference));
        expected.push_back(foundAt.back() + " " + use.LineText);
      }
      for (std::int32_t i = 0; i < loaded.GetCount(); ++i)
        for (const auto& ref : cal::FindReferences(loaded.GetObject(i).GetText()))
          if (cal::RefersTo(ref, wanted.ObjectType(), wanted.ID(), wanted.Name()))
            full.push_back(where(i, ref));
      EXPECT_EQ(foundAt, full) << target;
      bool first = true;
      for (std::int32_t i = 0; i < target; ++i)
        first = first && (loaded.GetObject(i).ObjectType() != wanted.ObjectType() ||
                          loaded.GetObject(i).ID() != wanted.ID());
      if (!first) continue;
      // Pieces of a few bytes cut objects, names and headers anywhere; parts
      // cut the file between objects and within them, before and after the
      // target's header.
      for (auto [piece, parts] :
           {std::pair<std::size_t, std::size_t>{1, 1}, {7, 3}, {1, 5}, {std::size_t(1) << 20, 2}}) {
        TObjectTextFile file;
        file.SetShareReading(true);
        file.SetReadPieceSize(piece);
        file.SetLoadParts(parts);
        cal::TOnePassUses search(file, wanted.ObjectType(), wanted.ID());
        file.SetOnPartScanned([&](const TPartScannedText& scanned) { search.Scanned(scanned); });
        file.LoadFromFile(path);
        file.SetOnPartScanned(nullptr);
        std::vector<cal::TObjectUse> uses;
        search.Finish(uses);
        Lines shown;
        for (const auto& use : uses)
          shown.push_back(where(use.ObjIndex, use.Reference) + " " + use.LineText);
        EXPECT_EQ(search.Target(), target);
        EXPECT_EQ(shown, expected) << target << " " << piece << " " << parts;
      }
    }
  }
}

TEST(ObjectReferences, UsesOfALargeFileAreTheSameWhateverThreadReadsThem) {
  TempDir dir;
  // Some 3 MB, enough to be shared out between threads: users in runs and
  // far apart, between objects that only name the target in comments.
  std::string text = "OBJECT Table 18 Customer\n{\n}\n";
  const std::string noise(300, 'x');
  Lines expected;
  for (int i = 1; i <= 8000; ++i) {
    const bool user = i % 7 == 0 || (i > 4000 && i < 4100);
    text += "OBJECT Codeunit " + std::to_string(i) + " C" + std::to_string(i) +
            "\n{\n  CODE\n  {\n    VAR\n      C@1 : Record " + (user ? "18" : "180") +
            ";\n    BEGIN\n      // Record 18 " + noise +
            "\n      X := DATABASE::" + (user ? "Customer" : "Vendor") + ";\n    END.\n  }\n}\n";
    if (user) expected.insert(expected.end(), {std::to_string(i) + " 6", std::to_string(i) + " 9"});
  }
  const std::string path = dir.write("large.txt", text);
  TObjectTextFile file;
  file.LoadFromFile(path);
  const auto shown = [](const std::vector<cal::TObjectUse>& uses) {
    Lines lines;
    for (const auto& use : uses)
      lines.push_back(std::to_string(use.ObjIndex) + " " + std::to_string(use.Reference.Line));
    return lines;
  };
  std::vector<cal::TObjectUse> uses;
  std::vector<std::int32_t> seen;
  ASSERT_TRUE(cal::FindUses(file, 0, uses, [&](std::int32_t done, std::int32_t total) {
    EXPECT_EQ(total, file.GetCount());
    seen.push_back(done);
    return true;
  }));
  EXPECT_EQ(shown(uses), expected);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), file.GetCount());
  EXPECT_LE(seen.size(), 1002u);

  // Cancelled part way, it says so and keeps some of the uses, in order.
  std::vector<cal::TObjectUse> some;
  int calls = 0;
  EXPECT_FALSE(
      cal::FindUses(file, 0, some, [&](std::int32_t, std::int32_t) { return ++calls < 5; }));
  const Lines part = shown(some);
  EXPECT_LT(part.size(), expected.size());
  EXPECT_TRUE(std::includes(expected.begin(), expected.end(), part.begin(), part.end(),
                            [](const std::string& a, const std::string& b) {
                              return std::stoi(a) < std::stoi(b) ||
                                     (std::stoi(a) == std::stoi(b) && a < b);
                            }));

#ifndef _WIN32
  // A file cut short under the search (Windows refuses the writer while the
  // file is held): whichever thread meets it, the caller gets the error.
  std::filesystem::resize_file(path, text.size() / 2);
  std::vector<cal::TObjectUse> none;
  EXPECT_THROW(cal::FindUses(file, 0, none), FileChangedError);
#endif
}
