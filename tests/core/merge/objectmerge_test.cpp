// SPDX-License-Identifier: MIT
// Merging one object changed on both sides: the elements its structure
// names, the lines inside one element, and the OBJECT-PROPERTIES rules.
#include "objectmerge.h"

#include <gtest/gtest.h>

#include "linemerge.h"
#include "mergetestobjects.h"

using merge::MergeObject;
using merge_test::Edit;
using merge_test::Hive;

namespace {

merge::TObjectMerge Merge(const std::string& o, const std::string& a, const std::string& b,
                          merge::TMergeOptions options = {}) {
  return MergeObject(o, a, b, options);
}

const std::string FieldsEnd =
    "                                                               }\r\n  }\r\n  KEYS";

std::string AddField(const std::string& text, const std::string& row) {
  return Edit(text, FieldsEnd,
              "                                                               }\r\n    " + row +
                  "\r\n  }\r\n  KEYS");
}

std::string AddProcedure(const std::string& text, const std::string& name) {
  return Edit(
      text, "    BEGIN\r\n    {\r\n",
      "    PROCEDURE " + name + "@50000();\r\n    BEGIN\r\n    END;\r\n\r\n    BEGIN\r\n    {\r\n");
}

TEST(ObjectMerge, AdditionsAndChangesOfDifferentElementsNeverConflict) {
  const std::string o = Hive();
  std::string a = AddField(o, "{ 3   ;   ;City                ;Text30         }");
  a = AddProcedure(a, "UpdateProc");
  a = Edit(a, "DataPerCompany=Yes;", "DataPerCompany=No;");
  a = Edit(a, "      Text000@1000 : TextConst 'ENU=Hello';\r\n",
           "      Text000@1000 : TextConst 'ENU=Hello';\r\n      Text001@1001 : TextConst "
           "'ENU=Bye';\r\n");
  std::string b = AddField(o, "{ 50000;  ;Colour              ;Text30         }");
  b = AddProcedure(b, "Custom");
  b = Edit(b, "               DEU=Bienenst\x94\x63k];", "               DEU=Bienenkorb];");
  b = Edit(b, "      Text000@1000 : TextConst 'ENU=Hello';\r\n",
           "      Text000@1000 : TextConst 'ENU=Hello';\r\n      Text50000@50000 : Integer;\r\n");
  const merge::TObjectMerge r = Merge(o, a, b);
  EXPECT_EQ(r.Conflicts, 0) << r.Text;
  std::string expected = AddField(o, "{ 3   ;   ;City                ;Text30         }");
  expected = Edit(expected, "\r\n  }\r\n  KEYS",
                  "\r\n    { 50000;  ;Colour              ;Text30         }\r\n  }\r\n  KEYS");
  expected = AddProcedure(AddProcedure(expected, "UpdateProc"), "Custom");
  expected = Edit(expected, "DataPerCompany=Yes;", "DataPerCompany=No;");
  expected = Edit(expected, "DEU=Bienenst\x94\x63k];", "DEU=Bienenkorb];");
  expected = Edit(expected, "      Text000@1000 : TextConst 'ENU=Hello';\r\n",
                  "      Text000@1000 : TextConst 'ENU=Hello';\r\n      Text001@1001 : TextConst "
                  "'ENU=Bye';\r\n      Text50000@50000 : Integer;\r\n");
  // The update's procedure comes where the update put it, before the target's own.
  EXPECT_EQ(r.Text, expected);
}

TEST(ObjectMerge, CodeInsideOneProcedureMergesByLines) {
  const std::string o = Hive();
  const std::string a = Edit(o, "MESSAGE('a');", "MESSAGE('update');");
  const std::string b = Edit(o, "MESSAGE('c');", "MESSAGE('custom');");
  const merge::TObjectMerge r = Merge(o, a, b);
  EXPECT_EQ(r.Conflicts, 0);
  EXPECT_EQ(r.Text, Edit(a, "MESSAGE('c');", "MESSAGE('custom');"));
}

TEST(ObjectMerge, TheSameLineChangedDifferentlyIsOneConflictInsideItsProcedure) {
  const std::string o = Edit(Hive(), "DataPerCompany=Yes;", "DataPerCompany=Yes;");
  const std::string a = Edit(Edit(o, "MESSAGE('b');", "MESSAGE('update');"), "DataPerCompany=Yes;",
                             "DataPerCompany=No;");
  const std::string b = Edit(o, "MESSAGE('b');", "MESSAGE('custom');");
  const merge::TObjectMerge r = Merge(o, a, b);
  EXPECT_EQ(r.Conflicts, 1);
  EXPECT_EQ(r.Text,
            Edit(Edit(o, "DataPerCompany=Yes;", "DataPerCompany=No;"), "      MESSAGE('b');\r\n",
                 "<<<<<<< TARGET\r\n      MESSAGE('custom');\r\n||||||| ORIGINAL\r\n"
                 "      MESSAGE('b');\r\n=======\r\n      MESSAGE('update');\r\n"
                 ">>>>>>> MODIFIED\r\n"));
  const auto blocks = merge::FindConflicts(r.Text);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].Modified, "      MESSAGE('update');\r\n");
  EXPECT_EQ(blocks[0].Target, "      MESSAGE('custom');\r\n");
  EXPECT_EQ(blocks[0].Original, "      MESSAGE('b');\r\n");
}

TEST(ObjectMerge, NoMarkStandsInsideACommentOrAMultiLineValue) {
  const std::string o = Hive();
  // Inside the documentation comment: the whole documentation trigger conflicts.
  const merge::TObjectMerge doc = Merge(o, Edit(o, "first version", "first version, update"),
                                        Edit(o, "first version", "first version, ACME"));
  EXPECT_EQ(doc.Conflicts, 1);
  EXPECT_NE(doc.Text.find("<<<<<<< TARGET\r\n    BEGIN\r\n    {\r\n      first version, ACME"),
            std::string::npos)
      << doc.Text;
  // Inside CaptionML=[...]: the whole property.
  const merge::TObjectMerge caption = Merge(o, Edit(o, "DEU=Bienenst\x94\x63k]", "DEU=Stock]"),
                                            Edit(o, "DEU=Bienenst\x94\x63k]", "DEU=Korb]"));
  EXPECT_EQ(caption.Conflicts, 1);
  EXPECT_NE(caption.Text.find("<<<<<<< TARGET\r\n    CaptionML=[ENU=Hive;\r\n"), std::string::npos)
      << caption.Text;
}

TEST(ObjectMerge, AnElementDeletedOnOneSideGoesUnlessTheOtherChangedIt) {
  const std::string o = Hive();
  const std::string noKeys =
      Edit(o, "    {    ;No.                                     ;Clustered=Yes }\r\n", "");
  const std::string changed = Edit(o, "MESSAGE('a');", "MESSAGE('x');");
  const merge::TObjectMerge gone = Merge(o, noKeys, changed);
  EXPECT_EQ(gone.Conflicts, 0);
  EXPECT_EQ(gone.Text, Edit(noKeys, "MESSAGE('a');", "MESSAGE('x');"));
  const std::string keyChanged = Edit(changed, ";Clustered=Yes }", ";Clustered=No }");
  const merge::TObjectMerge kept = Merge(o, noKeys, keyChanged);
  EXPECT_EQ(kept.Conflicts, 1);
  EXPECT_NE(kept.Text.find("<<<<<<< TARGET\r\n    {    ;No."), std::string::npos) << kept.Text;
}

TEST(ObjectMerge, UntouchedBytesStayAsTheyWere) {
  // LF line breaks, tabs and code page 850 bytes in code.
  const std::string o = Edit(Hive("\n"), "      MESSAGE('a');", "\tMESSAGE('\x84\x94\x81');");
  const std::string a = Edit(o, "MESSAGE('c');", "MESSAGE('\x8E');");
  const std::string b = Edit(o, "    Date=01.02.18;\n", "    Date=01.02.18;\n");
  const std::string b2 = Edit(b, "DataPerCompany=Yes;", "DataPerCompany=No;");
  const merge::TObjectMerge r = Merge(o, a, b2);
  EXPECT_EQ(r.Conflicts, 0);
  EXPECT_EQ(r.Text, Edit(a, "DataPerCompany=Yes;", "DataPerCompany=No;"));
}

TEST(ObjectMerge, ObjectPropertiesTakeTheLaterStampModifiedAndEveryVersionTag) {
  const std::string o = Hive();
  const std::string a = Edit(Edit(Edit(o, "Date=01.02.18;", "Date=03.04.19;"), "NAVW111.00;",
                                  "NAVW111.00.00.27667,NAVDK11.00;"),
                             "MESSAGE('a');", "MESSAGE('x');");
  const std::string b = Edit(Edit(Edit(o, "Time=12:00:00;", "Time=13:00:00;\r\n    Modified=Yes;"),
                                  "NAVW111.00;", "NAVW111.00,ACME1.02;"),
                             "MESSAGE('c');", "MESSAGE('y');");
  const merge::TObjectMerge r = Merge(o, a, b);
  EXPECT_EQ(r.Conflicts, 0);
  EXPECT_NE(r.Text.find("    Date=03.04.19;\r\n    Time=12:00:00;\r\n    Modified=Yes;\r\n    "
                        "Version List=NAVW111.00.00.27667,NAVDK11.00,ACME1.02;\r\n"),
            std::string::npos)
      << r.Text;

  merge::TMergeOptions options;
  options.VersionList = merge::TVersionListMode::vlTarget;
  EXPECT_NE(Merge(o, a, b, options).Text.find("Version List=NAVW111.00,ACME1.02;"),
            std::string::npos);
  options.VersionList = merge::TVersionListMode::vlModified;
  EXPECT_NE(Merge(o, a, b, options).Text.find("Version List=NAVW111.00.00.27667,NAVDK11.00;"),
            std::string::npos);

  // Month first, the target's 05/02/19 (2 May) is later than 04/03/19 (3 April).
  options.VersionList = merge::TVersionListMode::vlMerge;
  options.ModifiedDates = options.TargetDates = TDateOrder::doMonthDay;
  const std::string am = Edit(a, "Date=03.04.19;", "Date=04/03/19;");
  const std::string bm = Edit(b, "Date=01.02.18;", "Date=05/02/19;");
  EXPECT_NE(Merge(o, am, bm, options).Text.find("    Date=05/02/19;\r\n    Time=13:00:00;\r\n"),
            std::string::npos);
}

TEST(ObjectMerge, VersionListsMergeTagByTag) {
  EXPECT_EQ(merge::MergeVersionLists("NAVW17.10,NAVDK7.10", "NAVW17.00,NAVDK7.00,ACME1.02"),
            "NAVW17.10,NAVDK7.10,ACME1.02");
  EXPECT_EQ(merge::MergeVersionLists("NAVW110.00", "NAVW19.00,ABC1.03"), "NAVW110.00,ABC1.03");
  // The modified side's own tags follow the tag they follow there.
  EXPECT_EQ(merge::MergeVersionLists("NAVW18.00,NAVNL8.00", "NAVW17.00,PRJ2.01"),
            "NAVW18.00,NAVNL8.00,PRJ2.01");
  EXPECT_EQ(merge::MergeVersionLists("", "HH12"), "HH12");
  EXPECT_TRUE(merge::VersionBelow("NAVW19.00", "NAVW110.00"));
  EXPECT_TRUE(merge::VersionBelow("NAVW111.00", "NAVW111.00.00.27667"));
  EXPECT_FALSE(merge::VersionBelow("ABC1.10", "ABC1.9"));
}

TEST(ObjectMerge, ControlsAndActionsPairByTheirID) {
  const std::string o = merge_test::Join({"OBJECT Page 50010 Hive Card",
                                          "{",
                                          "  PROPERTIES",
                                          "  {",
                                          "    SourceTable=Table50000;",
                                          "    ActionList=ACTIONS",
                                          "    {",
                                          "      { 5       ;0   ;ActionContainer;",
                                          "                      ActionContainerType=ActionItems }",
                                          "      { 6       ;1   ;Action    ;",
                                          "                      CaptionML=ENU=Inspect }",
                                          "    }",
                                          "  }",
                                          "  CONTROLS",
                                          "  {",
                                          "    { 1   ;0   ;Container ;",
                                          "                ContainerType=ContentArea }",
                                          "    { 2   ;1   ;Field     ;",
                                          "                SourceExpr=\"No.\" }",
                                          "  }",
                                          "  CODE",
                                          "  {",
                                          "    BEGIN",
                                          "    END.",
                                          "  }",
                                          "}"});
  const std::string actionEnd = "ENU=Inspect }\r\n";
  const std::string a =
      Edit(Edit(o, actionEnd,
                actionEnd + "      { 7       ;1   ;Action    ;\r\n                      "
                            "CaptionML=ENU=Harvest }\r\n"),
           "SourceExpr=\"No.\" }", "SourceExpr=\"No.\";\r\n                Importance=Promoted }");
  const std::string b =
      Edit(Edit(o, actionEnd,
                actionEnd + "      { 50000   ;1   ;Action    ;\r\n                      "
                            "CaptionML=ENU=Feed }\r\n"),
           "    { 1   ;0   ;Container ;\r\n                ContainerType=ContentArea }\r\n",
           "    { 1   ;0   ;Container ;\r\n                ContainerType=ContentArea }\r\n    { "
           "50001;1   ;Field     ;\r\n                SourceExpr=Colour }\r\n");
  const merge::TObjectMerge r = Merge(o, a, b);
  EXPECT_EQ(r.Conflicts, 0) << r.Text;
  EXPECT_EQ(r.Text, Edit(Edit(a, "ENU=Harvest }\r\n",
                              "ENU=Harvest }\r\n      { 50000   ;1   ;Action    ;\r\n              "
                              "        CaptionML=ENU=Feed }\r\n"),
                         "ContainerType=ContentArea }\r\n",
                         "ContainerType=ContentArea }\r\n    { 50001;1   ;Field     ;\r\n          "
                         "      SourceExpr=Colour }\r\n"));
}

TEST(ObjectMerge, ARenameOnBothSidesKeepsOneHeaderLine) {
  const std::string o = Hive();
  const merge::TObjectMerge r = Merge(o, Edit(o, "50000 Hive\r\n", "50000 Hive New\r\n"),
                                      Edit(o, "50000 Hive\r\n", "50000 Hive Own\r\n"));
  EXPECT_EQ(r.Conflicts, 1);
  EXPECT_EQ(r.Text.rfind("OBJECT Table 50000 Hive Own\r\n", 0), 0u);
  EXPECT_EQ(r.Text.find("\nOBJECT "), std::string::npos);
}

}  // namespace
