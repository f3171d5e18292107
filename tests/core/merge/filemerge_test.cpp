// SPDX-License-Identifier: MIT
// Merging whole files: which status each object gets, what the result holds
// and in which order.
#include "filemerge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "linemerge.h"
#include "mergetestobjects.h"
#include "testfiles.h"

using merge::TMergeStatus;
using merge_test::Edit;
using merge_test::Hive;

namespace {

struct TCase {
  const char* What;
  bool InO, InA, InB;
  std::string O, A, B;
  TMergeStatus Status;
  std::string Result;
};

TEST(FileMerge, EachObjectGetsTheStatusItsThreeVersionsGive) {
  const std::string o = Hive();
  const std::string a = Edit(o, "MESSAGE('a');", "MESSAGE('x');");
  const std::string b = Edit(o, "MESSAGE('c');", "MESSAGE('y');");
  const std::string ab = Edit(a, "MESSAGE('c');", "MESSAGE('y');");
  const TCase cases[] = {
      {"unchanged", true, true, true, o, o, o, TMergeStatus::msUnchanged, o},
      {"modified only", true, true, true, o, a, o, TMergeStatus::msTakenFromModified, a},
      {"target only", true, true, true, o, o, b, TMergeStatus::msTakenFromTarget, b},
      {"same change", true, true, true, o, a, a, TMergeStatus::msTakenFromModified, a},
      {"both", true, true, true, o, a, b, TMergeStatus::msMerged, ab},
      {"added by modified", false, true, false, "", a, "", TMergeStatus::msAdded, a},
      {"added by target", false, false, true, "", "", b, TMergeStatus::msAdded, b},
      {"added the same", false, true, true, "", a, a, TMergeStatus::msAdded, a},
      {"deleted by modified", true, false, true, o, "", o, TMergeStatus::msDeleted, ""},
      {"deleted by target", true, true, false, o, o, "", TMergeStatus::msDeleted, ""},
      {"deleted by both", true, false, false, o, "", "", TMergeStatus::msDeleted, ""},
  };
  for (const TCase& c : cases) {
    TMergeStatus status = TMergeStatus::msUnchanged;
    const merge::TObjectResult r =
        merge::MergeObjectTexts(c.O, c.A, c.B, c.InO, c.InA, c.InB, {}, status);
    EXPECT_EQ(status, c.Status) << c.What;
    EXPECT_EQ(r.Text(), c.Result) << c.What;
    EXPECT_EQ(r.Conflicts, 0) << c.What;
  }
}

TEST(FileMerge, DeletedOnOneSideAndChangedOnTheOtherIsAConflictUnderItsHeader) {
  const std::string o = Hive();
  const std::string b = Edit(o, "MESSAGE('c');", "MESSAGE('y');");
  TMergeStatus status = TMergeStatus::msUnchanged;
  const merge::TObjectResult r = merge::MergeObjectTexts(o, "", b, true, false, true, {}, status);
  EXPECT_EQ(status, TMergeStatus::msConflict);
  EXPECT_EQ(r.Conflicts, 1);
  EXPECT_EQ(r.Text().rfind("OBJECT Table 50000 Hive\r\n<<<<<<< TARGET\r\n{\r\n", 0), 0u);
  const auto blocks = merge::FindConflicts(r.Text());
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_TRUE(blocks[0].Modified.empty());
  EXPECT_EQ("OBJECT Table 50000 Hive\r\n" + std::string(blocks[0].Target), b);
}

std::string Object(const std::string& header, const std::string& code) {
  return "OBJECT " + header +
         "\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n    BEGIN\r\n    {\r\n      " +
         code + "\r\n    }\r\n    END.\r\n  }\r\n}\r\n\r\n";
}

TEST(FileMerge, TheResultKeepsTheTargetsOrderWithTheUpdatesNewObjectsInTheirPlaces) {
  testing_support::TempDir dir;
  const std::string c1 = Object("Codeunit 1 One", "one"), t2 = Object("Table 2 Two", "two"),
                    p3 = Object("Page 3 Three", "three");
  const std::string newFromUpdate = Object("Codeunit 9 New", "new"),
                    own = Object("Codeunit 50000 Own", "own");
  TObjectTextFile o, a, b;
  o.LoadFromFile(dir.write("o.txt", "preamble\r\n" + c1 + t2 + p3));
  a.LoadFromFile(dir.write("a.txt", "preamble\r\n" + c1 + newFromUpdate + t2));
  b.LoadFromFile(dir.write("b.txt", "preamble\r\n" + c1 + t2 + own + p3));
  std::string result;
  const merge::TFileMerge m = merge::MergeFiles(
      o, a, b, {}, [&](const merge::TMergeItem*, std::string_view text) { result += text; });
  EXPECT_EQ(result, "preamble\r\n" + c1 + newFromUpdate + t2 + own);
  ASSERT_EQ(m.Items.size(), 5u);
  EXPECT_EQ(m.Items[1].Status, TMergeStatus::msAdded);
  EXPECT_EQ(m.Items[3].Status, TMergeStatus::msAdded);
  EXPECT_EQ(m.Items[4].Status, TMergeStatus::msDeleted);
  EXPECT_EQ(m.Counts[TMergeStatus::msUnchanged], 2);
  EXPECT_EQ(merge::MergeSummaryText(m.Counts),
            "0 merged, 0 conflict, 0 taken from modified, 0 taken from target, 2 added, 1 deleted, "
            "2 unchanged");
}

TEST(FileMerge, AnUnchangedSideGivesTheOtherFileByteForByte) {
  testing_support::TempDir dir;
  const std::string o = Object("Codeunit 7 Other", "x");
  // The first object of the changed side ends at a NUL, which ends a line,
  // and a byte order mark stands before a header: nothing may be put
  // between either and the header that follows.
  const std::string changed[] = {std::string("OBJECT Codeunit 7 Other\r\n{") + '\0' + o,
                                 "\xEF\xBB\xBF" + Object("Table 1 T", "y")};
  TObjectTextFile original;
  original.LoadFromFile(dir.write("o.txt", "preamble\r\n" + o));
  for (const std::string& y : changed) {
    TObjectTextFile other;
    other.LoadFromFile(dir.write("y.txt", y));
    for (const bool modifiedChanged : {true, false}) {
      std::string result;
      merge::MergeFiles(original, modifiedChanged ? other : original,
                        modifiedChanged ? original : other, {},
                        [&](const merge::TMergeItem*, std::string_view text) { result += text; });
      EXPECT_EQ(result, y);
    }
  }
}

TEST(FileMerge, ConflictMarksSurviveAWriteAndAReload) {
  testing_support::TempDir dir;
  const std::string o = Hive(), other = Object("Codeunit 7 Other", "x");
  TObjectTextFile files[3];
  files[0].LoadFromFile(dir.write("o.txt", o + other));
  files[1].LoadFromFile(dir.write("a.txt", Edit(o, "MESSAGE('b');", "MESSAGE('x');")));
  files[2].LoadFromFile(
      dir.write("b.txt", Edit(o, "MESSAGE('b');", "MESSAGE('y');") + Edit(other, "x", "changed")));
  std::string result;
  const merge::TFileMerge m =
      merge::MergeFiles(files[0], files[1], files[2], {},
                        [&](const merge::TMergeItem*, std::string_view text) { result += text; });
  ASSERT_EQ(m.Counts[TMergeStatus::msConflict], 2);
  TObjectTextFile reloaded;
  reloaded.LoadFromFile(dir.write("result.txt", result));
  ASSERT_EQ(reloaded.GetCount(), 2);
  for (std::int32_t i = 0; i < 2; ++i) {
    const std::string text = reloaded.GetObject(i).GetText();
    const auto blocks = merge::FindConflicts(text);
    ASSERT_EQ(blocks.size(), 1u) << text;
    EXPECT_EQ(std::string(blocks[0].Modified), i == 0 ? "      MESSAGE('x');\r\n" : "");
  }
  EXPECT_EQ(reloaded.GetObject(1).GetDisplayName(), "Codeunit 7 Other");
}

TEST(FileMerge, LargeFilesMergedOnThreadsGiveWhatOneThreadGives) {
  // Some 3,000 objects a side: merged, taken, deleted, added and in conflict,
  // spread over many batches.
  testing_support::TempDir dir;
  std::string texts[3];
  for (int i = 1; i <= 3000; ++i) {
    const std::string o = Edit(Hive(), "Table 50000", "Table " + std::to_string(i));
    std::string a = i % 5 == 0 ? Edit(o, "MESSAGE('a');", "MESSAGE('x');") : o;
    std::string b = i % 3 == 0 ? Edit(o, "MESSAGE('c');", "MESSAGE('y');") : o;
    if (i % 35 == 0) b = Edit(o, "MESSAGE('a');", "MESSAGE('z');");
    if (i % 11 == 0) b.clear();
    if (i % 13 == 0) a += Edit(Hive(), "Table 50000", "Codeunit " + std::to_string(i));
    texts[0] += o;
    texts[1] += a;
    texts[2] += b;
  }
  const char* const names[3] = {"o.txt", "a.txt", "b.txt"};
  const auto mergeOnce = [&](bool release, std::string& result) {
    TObjectTextFile files[3];
    for (int s = 0; s < 3; ++s) {
      files[s].LoadFromFile(dir.file(names[s]));
      // A released file is read on one thread only.
      if (release) files[s].Stream()->Release();
    }
    return merge::MergeFiles(
        files[0], files[1], files[2], {},
        [&](const merge::TMergeItem*, std::string_view text) { result.append(text); });
  };
  for (int s = 0; s < 3; ++s) dir.write(names[s], texts[s]);
  ASSERT_GT(texts[0].size(), std::size_t(3) << 20);
  std::string threaded, alone;
  const merge::TFileMerge many = mergeOnce(false, threaded);
  const merge::TFileMerge one = mergeOnce(true, alone);
  EXPECT_EQ(threaded, alone);
  EXPECT_EQ(many.Counts.Of, one.Counts.Of);
  EXPECT_GT(many.Counts[TMergeStatus::msConflict], 0);
  EXPECT_GT(many.Counts[TMergeStatus::msMerged], 0);
  ASSERT_EQ(many.Items.size(), one.Items.size());
  for (std::size_t i = 0; i < many.Items.size(); ++i) {
    EXPECT_EQ(many.Items[i].Status, one.Items[i].Status) << i;
    EXPECT_EQ(many.Items[i].Conflicts, one.Items[i].Conflicts) << i;
  }
#ifndef _WIN32  // which refuses writers to a held file
  // A side cut short behind the merge's back once writing has begun: what
  // was written before the fault is the start of the whole result, and the
  // fault is raised.
  TObjectTextFile files[3];
  for (int s = 0; s < 3; ++s) files[s].LoadFromFile(dir.file(names[s]));
  std::string cut;
  EXPECT_THROW(merge::MergeFiles(files[0], files[1], files[2], {},
                                 [&](const merge::TMergeItem* item, std::string_view text) {
                                   if (item && cut.empty())
                                     std::filesystem::resize_file(dir.file(names[1]), 100);
                                   cut.append(text);
                                 }),
               FileChangedError);
  EXPECT_GT(cut.size(), 0u);
  EXPECT_LT(cut.size(), threaded.size() / 2);
  EXPECT_EQ(threaded.compare(0, cut.size(), cut), 0);
#endif
}

}  // namespace
