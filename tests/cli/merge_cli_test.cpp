// SPDX-License-Identifier: MIT
// marlox-cli merge end to end: the real binary on files written here.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "clirun.h"
#include "mergetestobjects.h"
#include "testfiles.h"

using merge_test::Edit;
using merge_test::Hive;
using testing_support::ReadAll;

namespace {

class MergeCli : public ::testing::Test {
 protected:
  testing_support::TCliRun Run(const std::vector<std::string>& args) {
    return testing_support::RunCliIn(dir, args);
  }
  void Write(const std::string& a, const std::string& b) {
    o = dir.write("original.txt", Hive() + Other);
    m = dir.write("modified.txt", a);
    t = dir.write("target.txt", b);
  }
  const std::string Other = "OBJECT Codeunit 7 Other\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n}\r\n";
  testing_support::TempDir dir;
  std::string o, m, t;
};

TEST_F(MergeCli, ListsEveryObjectCountsAndWritesTheResult) {
  const std::string a = Edit(Hive(), "MESSAGE('a');", "MESSAGE('x');") + Other;
  const std::string own = "OBJECT Table 50001 Own\r\n{\r\n}\r\n";
  Write(a, Edit(Hive(), "MESSAGE('c');", "MESSAGE('y');") + own);
  const auto run = Run({"merge", o, m, t, "--out", dir.file("result.txt")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "merged\tTable\t50000\tHive\ndeleted\tCodeunit\t7\tOther\nadded\tTable\t50001\tOwn\n");
  EXPECT_EQ(
      run.err,
      "1 merged, 0 conflict, 0 taken from modified, 0 taken from target, 1 added, 1 deleted, 0 "
      "unchanged\n");
  EXPECT_EQ(
      ReadAll(dir.file("result.txt")),
      Edit(Edit(Hive(), "MESSAGE('a');", "MESSAGE('x');"), "MESSAGE('c');", "MESSAGE('y');") + own);
}

TEST_F(MergeCli, ConflictsExitWithOneAndTheirVersionsGoToTheFolder) {
  Write(Edit(Hive(), "MESSAGE('b');", "MESSAGE('x');") + Other,
        Edit(Hive(), "MESSAGE('b');", "MESSAGE('y');") + Other);
  const auto run = Run({"merge", o, m, t, "--out=" + dir.file("r.txt"), "--conflicts",
                        dir.file("c"), "--version-list", "target"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.out, "conflict\tTable\t50000\tHive\nunchanged\tCodeunit\t7\tOther\n");
  EXPECT_NE(ReadAll(dir.file("r.txt")).find("<<<<<<< TARGET\r\n      MESSAGE('y');"),
            std::string::npos);
  EXPECT_EQ(ReadAll(dir.file("c/tab50000.original.txt")), Hive());
  EXPECT_EQ(ReadAll(dir.file("c/tab50000.modified.txt")),
            Edit(Hive(), "MESSAGE('b');", "MESSAGE('x');"));
  EXPECT_EQ(ReadAll(dir.file("c/tab50000.target.txt")),
            Edit(Hive(), "MESSAGE('b');", "MESSAGE('y');"));
}

TEST_F(MergeCli, SplitWritesOneFilePerObject) {
  Write(Hive() + Other, Edit(Hive(), "MESSAGE('b');", "MESSAGE('y');") + Other);
  const auto run = Run({"merge", o, m, t, "--out", dir.file("out"), "--split"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadAll(dir.file("out/tab50000.txt")), Edit(Hive(), "MESSAGE('b');", "MESSAGE('y');"));
  EXPECT_EQ(ReadAll(dir.file("out/cod7.txt")), Other);
}

TEST_F(MergeCli, AnInputIsNeverWrittenOverAndBadArgumentsFail) {
  Write(Hive() + Other, Hive() + Other);
  const auto over = Run({"merge", o, m, t, "--out", t});
  EXPECT_EQ(over.exitCode, 2);
  EXPECT_NE(over.err.find("is a file being merged"), std::string::npos) << over.err;
  EXPECT_EQ(ReadAll(t), Hive() + Other);
  // The same file on two sides is read once.
  const auto same = Run({"merge", o, o, t, "--out", dir.file("r.txt")});
  EXPECT_EQ(same.exitCode, 0) << same.err;
  EXPECT_EQ(ReadAll(dir.file("r.txt")), Hive() + Other);
  EXPECT_EQ(Run({"merge", o, m, t}).exitCode, 2);
  EXPECT_EQ(Run({"merge", o, m, "--out", "x"}).exitCode, 2);
  EXPECT_EQ(Run({"merge", o, m, t, "--out", "x", "--version-list", "newest"}).exitCode, 2);
  EXPECT_EQ(Run({"merge", o, m, dir.file("missing.txt"), "--out", dir.file("y")}).exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.file("y")));
}

}  // namespace
