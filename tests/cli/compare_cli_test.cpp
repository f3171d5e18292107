// SPDX-License-Identifier: MIT
// marlox-cli compare and diff end to end: the real binary on files written here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "clirun.h"
#include "testfiles.h"

using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

using TRun = testing_support::TCliRun;

class CompareCli : public ::testing::Test {
 protected:
  TRun Run(const std::vector<std::string>& args) { return testing_support::RunCliIn(dir, args); }

  static std::string Object(const std::string& header, const std::string& date,
                            const std::string& code) {
    return "OBJECT " + header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + date +
           ";\r\n  }\r\n  CODE\r\n  {\r\n    " + code + "\r\n  }\r\n}\r\n\r\n";
  }

  void SetUp() override {
    oldPath = dir.write("base.txt", Object("Table 18 Customer", "01.01.20", "a;") +
                                        Object("Codeunit 80 Post", "01.01.20", "b;") +
                                        Object("Form 21 Card", "01.01.20", "c;") +
                                        Object("Report 6 List", "01.01.20", "d;"));
    newPath = dir.write("custom.txt", Object("Table 18 Customer", "01.01.20", "A;") +
                                          Object("Page 5 New", "01.01.20", "p;") +
                                          Object("Form 21 Card", "02.02.20", "c;") +
                                          Object("Report 6 List", "01.01.20", "d;"));
  }

  TempDir dir;
  std::string oldPath;
  std::string newPath;
};

TEST_F(CompareCli, ListsWhatDiffersWithItsStatusAndCounts) {
  TRun run = Run({"compare", oldPath, newPath});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out,
            "changed\tTable\t18\tCustomer\n"
            "added\tPage\t5\tNew\n"
            "properties only\tForm\t21\tCard\n"
            "removed\tCodeunit\t80\tPost\n");
  EXPECT_EQ(run.err, "1 added, 1 removed, 1 changed, 1 properties only, 1 identical\n");

  run = Run({"compare", oldPath, newPath, "--ignore-properties"});
  EXPECT_EQ(run.out.find("Form"), std::string::npos);
  EXPECT_EQ(run.err, "1 added, 1 removed, 1 changed, 0 properties only, 2 identical\n");

  // A file compared with itself, even under another name, is identical.
  run = Run({"compare", oldPath, (dir.path() / "." / "base.txt").string()});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
}

TEST_F(CompareCli, LineBreakStyleCountsUnlessIgnored) {
  std::string lf = ReadAll(oldPath);
  for (std::size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.erase(p, 1);
  const std::string lfPath = dir.write("lf.txt", lf);
  EXPECT_EQ(Run({"compare", oldPath, lfPath}).exitCode, 1);
  EXPECT_EQ(Run({"compare", oldPath, lfPath, "--ignore-line-breaks"}).exitCode, 0);
}

TEST_F(CompareCli, DuplicatesAreReportedOnStderr) {
  const std::string twice = dir.write(
      "twice.txt", Object("Table 5 X", "01.01.20", "a;") + Object("Table 5 X", "01.01.20", "b;"));
  const TRun run = Run({"compare", twice, twice});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("Table 5 occurs 2 time(s)"), std::string::npos) << run.err;
}

TEST_F(CompareCli, DiffIsUnifiedAndPassesBytesThrough) {
  TRun run = Run({"diff", oldPath, newPath, "table", "18"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "--- " + oldPath + "\tTable 18 Customer\n+++ " + newPath +
                         "\tTable 18 Customer\n@@ -6,7 +6,7 @@\n   }\r\n   CODE\r\n   {\r\n"
                         "-    a;\r\n+    A;\r\n   }\r\n }\r\n \r\n");
  run = Run({"diff", oldPath, newPath, "Report", "6"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
  // Only in the new file: every line added.
  run = Run({"diff", oldPath, newPath, "Page", "5"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("@@ -0,0 +1,12 @@\n+OBJECT Page 5 New\r\n"), std::string::npos);
  run = Run({"diff", oldPath, newPath, "Query", "5"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("no Query 5"), std::string::npos);
}

TEST_F(CompareCli, ExportWritesWhatDiffersAndTheRemovedList) {
  const std::string out = dir.file("delta");
  TRun run = Run({"compare", oldPath, newPath, "--export", out});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(ReadAll(out + "/tab18.txt"), Object("Table 18 Customer", "01.01.20", "A;"));
  EXPECT_EQ(ReadAll(out + "/pag5.txt"), Object("Page 5 New", "01.01.20", "p;"));
  EXPECT_EQ(ReadAll(out + "/for21.txt"), Object("Form 21 Card", "02.02.20", "c;"));
  EXPECT_FALSE(std::filesystem::exists(out + "/rep6.txt"));
  EXPECT_EQ(ReadAll(out + "/removed.txt"), "Codeunit\t80\tPost\n");

  // Existing targets: refused as a whole, skipped, or replaced.
  dir.write("delta/tab18.txt", "mine");
  run = Run({"compare", oldPath, newPath, "--export", out});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadAll(out + "/tab18.txt"), "mine");
  run = Run({"compare", oldPath, newPath, "--export", out, "--skip-existing"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(ReadAll(out + "/tab18.txt"), "mine");
  run = Run({"compare", oldPath, newPath, "--export=" + out, "--overwrite"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(ReadAll(out + "/tab18.txt"), Object("Table 18 Customer", "01.01.20", "A;"));
}

TEST_F(CompareCli, FilterChoosesWhatIsListedCountedAndExported) {
  TRun run = Run({"compare", oldPath, newPath, "--filter", "status:ch|add"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "changed\tTable\t18\tCustomer\nadded\tPage\t5\tNew\n");
  EXPECT_EQ(run.err, "1 added, 0 removed, 1 changed, 0 properties only, 0 identical\n");

  // A removed object is tested in the old file; a pair in either of its files.
  EXPECT_EQ(Run({"compare", oldPath, newPath, "--filter=type:codeunit"}).out,
            "removed\tCodeunit\t80\tPost\n");
  const std::string renamed =
      dir.write("renamed.txt", Object("Codeunit 80 Posting", "01.01.20", "b;"));
  EXPECT_EQ(Run({"compare", oldPath, renamed, "--filter", "name:Post"}).out,
            "changed\tCodeunit\t80\tPosting\n");
  // Terms combine: only the re-dated form is dated February 2020.
  run = Run({"compare", oldPath, newPath, "--filter", "date:2020-02-01.. status:prop",
             "--date-order", "mdy"});
  EXPECT_EQ(run.out, "properties only\tForm\t21\tCard\n");

  // Nothing that matches differs: exit 0, and an export writes only removed.txt.
  const std::string out = dir.file("delta");
  run = Run({"compare", oldPath, newPath, "--filter", "type:report", "--export", out});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err,
            "1 file(s) written, 0 skipped\n0 added, 0 removed, 0 changed, "
            "0 properties only, 1 identical\n");
  EXPECT_EQ(ReadAll(out + "/removed.txt"), "");
  EXPECT_FALSE(std::filesystem::exists(out + "/tab18.txt"));
}

TEST_F(CompareCli, BadFilterFailsBeforeAnyFileIsRead) {
  // The files do not exist: only the expression can be what is reported.
  for (const char* expression : {"status:new", "status:", "status:changed|", "type:"}) {
    const TRun run = Run({"compare", dir.file("a.txt"), dir.file("b.txt"), "--filter", expression});
    EXPECT_EQ(run.exitCode, 2) << expression;
    EXPECT_NE(run.err.find("Invalid filter term '"), std::string::npos) << run.err;
  }
  // Outside compare there is no status to filter on.
  const TRun run = Run({"list", newPath, "--filter", "status:changed"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("'status:changed'"), std::string::npos) << run.err;
  EXPECT_EQ(Run({"diff", oldPath, newPath, "Table", "18", "--filter", "x"}).exitCode, 2);
  EXPECT_EQ(Run({"compare", oldPath, newPath, "--filter", "x", "--filter", "y"}).exitCode, 2);
  EXPECT_EQ(Run({"compare", oldPath, newPath, "--date-order", "ydm"}).exitCode, 2);
}

TEST_F(CompareCli, ErrorsAndBadArgumentsExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"compare", oldPath},
      {"compare", oldPath, newPath, "--overwrite"},
      {"compare", oldPath, newPath, "--export"},
      {"diff", oldPath, newPath, "Table"},
      {"diff", oldPath, newPath, "Thing", "1"},
      {"diff", oldPath, newPath, "Table", "1", "--ignore-properties"},
      {"compare", oldPath, dir.file("missing.txt")},
  };
  for (const auto& args : cases) {
    const TRun run = Run(args);
    EXPECT_EQ(run.exitCode, 2) << args.back();
    EXPECT_EQ(run.out, "");
  }
  EXPECT_NE(Run({"compare", oldPath, dir.file("missing.txt")}).err.find("Cannot open file "),
            std::string::npos);
}

}  // namespace
