// SPDX-License-Identifier: MIT
// A merge held for resolving: one conflict replaced by the side chosen, the
// statuses and counts that follow, and the result written with the choices.
#include "mergeresult.h"

#include <gtest/gtest.h>

#include <sstream>

#include "linemerge.h"
#include "mergetestobjects.h"
#include "testfiles.h"

using merge::TConflictChoice;
using merge::TMergeStatus;
using merge_test::Edit;
using merge_test::Hive;

namespace {

std::string Block(const std::string& t, const std::string& o, const std::string& m) {
  std::string text;
  merge::AppendConflict(text, o, m, t, "\r\n");
  return text;
}

TEST(MergeResult, ResolvingReplacesOnlyTheChosenBlockByItsSide) {
  const std::string text = "head\r\n" + Block("t1\r\n", "o1\r\n", "m1\r\n") + "mid\r\n" +
                           Block("t2\r\n", "o2\r\n", "m2\r\n") + "tail";
  const std::string first = "head\r\n" + Block("t1\r\n", "o1\r\n", "m1\r\n") + "mid\r\n";
  EXPECT_EQ(merge::ResolveConflict(text, 1, TConflictChoice::ccOriginal), first + "o2\r\ntail");
  EXPECT_EQ(merge::ResolveConflict(text, 1, TConflictChoice::ccModified), first + "m2\r\ntail");
  EXPECT_EQ(merge::ResolveConflict(text, 1, TConflictChoice::ccTarget), first + "t2\r\ntail");
  EXPECT_EQ(merge::ResolveConflict(text, 1, TConflictChoice::ccBoth), first + "m2\r\nt2\r\ntail");
  EXPECT_EQ(merge::ResolveConflict(text, 0, TConflictChoice::ccTarget),
            "head\r\nt1\r\nmid\r\n" + Block("t2\r\n", "o2\r\n", "m2\r\n") + "tail");
  EXPECT_EQ(merge::ResolveConflict(text, 2, TConflictChoice::ccTarget), text);
}

std::string Object(const std::string& header, const std::string& code) {
  return "OBJECT " + header +
         "\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n    BEGIN\r\n    {\r\n      " +
         code + "\r\n    }\r\n    END.\r\n  }\r\n}\r\n\r\n";
}

struct TFiles {
  testing_support::TempDir Dir;
  TObjectTextFile O, A, B;
  // Hive: a conflict in a procedure; Codeunit 7: deleted by MODIFIED and
  // changed by TARGET; Codeunit 8: changed by MODIFIED only.
  TFiles() {
    const std::string o = Hive(), seven = Object("Codeunit 7 Other", "x"),
                      eight = Object("Codeunit 8 Eight", "qq");
    O.LoadFromFile(Dir.write("o.txt", "top\r\n" + o + seven + eight));
    A.LoadFromFile(Dir.write("a.txt", "top\r\n" + Edit(o, "MESSAGE('b');", "MESSAGE('x');") +
                                          Edit(eight, "qq", "update")));
    B.LoadFromFile(Dir.write("b.txt", "top\r\n" + Edit(o, "MESSAGE('b');", "MESSAGE('y');") +
                                          Edit(seven, "x", "changed") + eight));
  }
  std::string Written(const merge::TMergeResult& result) const {
    std::ostringstream out;
    result.Write(out);
    return out.str();
  }
};

TEST(MergeResult, UnresolvedItWritesWhatTheFileMergeWrites) {
  TFiles f;
  std::string expected;
  merge::MergeFiles(f.O, f.A, f.B, {},
                    [&](const merge::TMergeItem*, std::string_view text) { expected += text; });
  const merge::TMergeResult result(f.O, f.A, f.B, {});
  EXPECT_EQ(f.Written(result), expected);
  ASSERT_EQ(result.Items().size(), 3u);
  EXPECT_EQ(result.Items()[2].Status, TMergeStatus::msTakenFromModified);
  EXPECT_EQ(result.Text(2), f.A.GetObject(1).GetText());
  EXPECT_EQ(result.Conflicts(0).size(), 1u);
  EXPECT_TRUE(result.Conflicts(2).empty());
}

TEST(MergeResult, AResolvedConflictCountsAsMergedAndIsWrittenSo) {
  TFiles f;
  merge::TMergeResult result(f.O, f.A, f.B, {});
  ASSERT_EQ(result.Counts()[TMergeStatus::msConflict], 2);
  result.Resolve(0, 0, TConflictChoice::ccBoth);
  EXPECT_EQ(result.Items()[0].Status, TMergeStatus::msMerged);
  EXPECT_EQ(result.Items()[0].Conflicts, 0);
  EXPECT_EQ(result.Counts()[TMergeStatus::msConflict], 1);
  EXPECT_EQ(result.Counts()[TMergeStatus::msMerged], 1);
  const std::string both = Edit(Hive(), "MESSAGE('b');", "MESSAGE('x');\r\n      MESSAGE('y');");
  EXPECT_EQ(result.Text(0), both);
  // A block that is no longer there changes nothing.
  result.Resolve(0, 0, TConflictChoice::ccTarget);
  EXPECT_EQ(result.Text(0), both);

  // Choosing the side that deleted Codeunit 7 drops it from the result.
  merge::TMergeResult deleting(f.O, f.A, f.B, {});
  deleting.Resolve(1, 0, TConflictChoice::ccModified);
  EXPECT_EQ(deleting.Items()[1].Status, TMergeStatus::msDeleted);
  EXPECT_EQ(f.Written(deleting).find("Codeunit 7"), std::string::npos);
  result.Resolve(1, 0, TConflictChoice::ccTarget);
  EXPECT_EQ(result.Text(1), Object("Codeunit 7 Other", "changed"));
  EXPECT_EQ(f.Written(result),
            "top\r\n" + both + Object("Codeunit 7 Other", "changed") + f.A.GetObject(1).GetText());
}

}  // namespace
