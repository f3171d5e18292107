// SPDX-License-Identifier: MIT
#include "objectreferences.h"

#include <gtest/gtest.h>

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
