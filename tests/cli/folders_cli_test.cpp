// SPDX-License-Identifier: MIT
// marlox-cli over folders of object files, run as the real binary.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "clirun.h"
#include "objectfolder.h"
#ifdef MARLOX_HAVE_OBJECTGEN
#include "objectgen.h"
#endif

namespace fs = std::filesystem;
using testing_support::ReadAll;
using testing_support::TCliRun;
using testing_support::TempDir;

namespace {

class FolderCli : public ::testing::Test {
 protected:
  TCliRun Run(const std::vector<std::string>& args) { return RunCliIn(FOutput, args); }
  std::string Put(const std::string& relative, const std::string& bytes) {
    fs::create_directories((FData.path() / relative).parent_path());
    return FData.write(relative, bytes);
  }
  std::string Path(const std::string& relative) const { return FData.file(relative); }

  TempDir FData;
  TempDir FOutput;
};

const std::string Customer =
    "OBJECT Table 18 Customer\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.02.18;\r\n"
    "    Time=12:00:00;\r\n  }\r\n  CODE\r\n  {\r\n    VAR\r\n      Post@1 : Codeunit 80;\r\n"
    "  }\r\n}\r\n";
const std::string SalesPost =
    "OBJECT Codeunit 80 Sales-Post\r\n{\r\n  CODE\r\n  {\r\n    PROCEDURE Run@1();\r\n"
    "    VAR\r\n      Cust@1 : Record 18;\r\n    BEGIN\r\n      Cust.FIND;\r\n    END;\r\n"
    "\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
const std::string Card = "OBJECT Page 21 Customer Card\r\n{\r\n  SourceTable=Table18;\r\n}\r\n";

}  // namespace

TEST_F(FolderCli, ListShowFindUsesAndOutlineReadAFolderAsOneSet) {
  Put("repo/Code Units/COD80.TXT", SalesPost);
  Put("repo/tab18.txt", Customer);
  Put("repo/Pages/pag21.txt", Card);
  Put("repo/.git/tab99.txt", "OBJECT Table 99 Hidden\r\n");
  Put("repo/notes.txt", "to do\r\n");
  const std::string repo = Path("repo");

  TCliRun list = Run({"list", repo});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out, "Table\t18\tCustomer\t0\t" + std::to_string(Customer.size()) +
                          "\ttab18.txt\n"
                          "Codeunit\t80\tSales-Post\t0\t" +
                          std::to_string(SalesPost.size()) +
                          "\tCode Units/COD80.TXT\n"
                          "Page\t21\tCustomer Card\t0\t" +
                          std::to_string(Card.size()) + "\tPages/pag21.txt\n");
  EXPECT_EQ(list.err, "marlox-cli: skipped " + (fs::path(repo) / "notes.txt").string() +
                          ": no object header\n3 object(s)\n");

  TCliRun show = Run({"show", repo, "codeunit", "80"});
  EXPECT_EQ(show.out, SalesPost);
  EXPECT_EQ(Run({"show", repo, "--index", "2"}).out, Card);

  // The same objects in one file in the same order give the same rows.
  const std::string all = Put("all.txt", Customer + SalesPost + Card);
  TCliRun find = Run({"find", repo, "cust"});
  EXPECT_EQ(find.exitCode, 0);
  EXPECT_EQ(find.out, Run({"find", all, "cust"}).out);
  EXPECT_EQ(std::count(find.out.begin(), find.out.end(), '\n'), 4) << find.out;
  EXPECT_EQ(Run({"find", repo, "Cust", "--match-case"}).out,
            Run({"find", all, "Cust", "--match-case"}).out);
  TCliRun page = Run({"find", repo, "cust", "--filter", "type:page"});
  EXPECT_EQ(page.out.substr(0, 2), "2\t");
  EXPECT_EQ(Run({"find", repo, "absent"}).exitCode, 1);

  TCliRun uses = Run({"uses", repo, "table", "18"});
  EXPECT_EQ(uses.exitCode, 0);
  EXPECT_EQ(uses.out, Run({"uses", all, "table", "18"}).out);
  EXPECT_NE(uses.out.find("2\tPage 21 Customer Card\t3\tSourceTable=Table18;\n"), std::string::npos)
      << uses.out;
  TCliRun outline = Run({"outline", repo, "codeunit", "80"});
  EXPECT_EQ(outline.exitCode, 0) << outline.err;
  EXPECT_NE(outline.out.find("procedure\tRun\t5"), std::string::npos) << outline.out;

  TCliRun filtered = Run({"list", repo, "--properties", "--filter", "date:2018-02-01"});
  EXPECT_EQ(filtered.out.substr(0, 9), "Table\t18\t");
  EXPECT_NE(filtered.err.find("1 of 3 object(s)"), std::string::npos);
}

TEST_F(FolderCli, DuplicatesAreNamedWithTheirFiles) {
  Put("repo/a/tab18.txt", Customer);
  Put("repo/b/TAB18.txt", Customer);
  TCliRun list = Run({"list", Path("repo")});
  EXPECT_NE(
      list.err.find("Table 18 occurs 2 time(s) in " + Path("repo") + ": a/tab18.txt, b/TAB18.txt"),
      std::string::npos)
      << list.err;
}

TEST_F(FolderCli, CompareAndDiffTakeAFolderOnEitherSideOrBoth) {
  const std::string file = Put("all.txt", Customer + SalesPost);
  Put("work/tab18.txt", Customer);
  Put("work/cod80.txt", SalesPost);
  const std::string changed = SalesPost.substr(0, SalesPost.size() - 3) + " // x\r\n}\r\n";
  Put("other/cod80.txt", changed);
  Put("other/pag21.txt", Card);

  EXPECT_EQ(Run({"compare", file, Path("work")}).exitCode, 0);
  TCliRun same = Run({"compare", Path("work"), file});
  EXPECT_EQ(same.exitCode, 0) << same.err;
  EXPECT_EQ(same.err, "0 added, 0 removed, 0 changed, 0 properties only, 2 identical\n");

  TCliRun both = Run({"compare", Path("work"), Path("other")});
  EXPECT_EQ(both.exitCode, 1) << both.err;
  EXPECT_EQ(both.out,
            "changed\tCodeunit\t80\tSales-Post\nadded\tPage\t21\tCustomer Card\n"
            "removed\tTable\t18\tCustomer\n");

  TCliRun diff = Run({"diff", Path("work"), Path("other"), "codeunit", "80"});
  EXPECT_EQ(diff.exitCode, 1) << diff.err;
  EXPECT_NE(diff.out.find("\n+ // x\r\n"), std::string::npos) << diff.out;

  TCliRun exported = Run({"compare", file, Path("other"), "--export", Path("delta")});
  EXPECT_EQ(exported.exitCode, 1) << exported.err;
  EXPECT_EQ(ReadAll(Path("delta/cod80.txt")), changed);
  EXPECT_EQ(ReadAll(Path("delta/removed.txt")), "Table\t18\tCustomer\n");
  // Exporting into a compared folder would write over a file being read.
  TCliRun into = Run({"compare", file, Path("other"), "--export", Path("other"), "--overwrite"});
  EXPECT_EQ(into.exitCode, 2);
  EXPECT_EQ(ReadAll(Path("other/cod80.txt")), changed);
}

TEST_F(FolderCli, JoinWritesOnceAndNeverOverAnInput) {
  Put("repo/cod80.txt", SalesPost);
  Put("repo/tab18.txt", Customer);
  const std::string card = Put("card.txt", Card);
  const std::string out = Path("joined.txt");
  TCliRun join = Run({"join", Path("repo"), card, out});
  EXPECT_EQ(join.exitCode, 0) << join.err;
  EXPECT_EQ(ReadAll(out), Customer + SalesPost + Card);
  EXPECT_EQ(join.err, "3 object(s) written to " + out + "\n");

  EXPECT_EQ(Run({"join", Path("repo"), out}).exitCode, 2) << "exists already";
  EXPECT_EQ(ReadAll(out), Customer + SalesPost + Card);
  EXPECT_EQ(Run({"join", Path("repo"), out, "--overwrite"}).exitCode, 0);
  EXPECT_EQ(ReadAll(out), Customer + SalesPost);

  for (const std::string& input : {card, Path("repo/tab18.txt")}) {
    TCliRun refused = Run({"join", Path("repo"), card, input, "--overwrite"});
    EXPECT_EQ(refused.exitCode, 2) << input;
    EXPECT_NE(refused.err.find("never overwritten"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(ReadAll(card), Card);
  EXPECT_EQ(ReadAll(Path("repo/tab18.txt")), Customer);
  EXPECT_EQ(Run({"join", out}).exitCode, 2) << "needs a source";
}

TEST_F(FolderCli, ExportIntoTheFolderBeingReadWritesNothing) {
  Put("repo/tab18.txt", Customer);
  TCliRun refused = Run({"export", Path("repo"), Path("repo"), "--overwrite"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("is the file being read"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadAll(Path("repo/tab18.txt")), Customer);
}

#ifdef MARLOX_HAVE_OBJECTGEN
// A generated file in export order, split by export and joined again.
TEST_F(FolderCli, ExportThenJoinGivesTheFileBackByteForByte) {
  std::string generated;
  marlox::bench::GenerateObjects(3u << 20, 7, 1u << 20, [&](std::string& piece) {
    generated += piece;
    piece.clear();
  });
  const std::string raw = Put("raw.txt", generated);
  std::string ordered;
  std::size_t objects = 0;
  {
    TObjectTextFile file;
    file.LoadFromFile(raw);
    std::set<std::string> names;
    for (const TObjectTextObject* object : ExportOrder({&file}))
      if (names.insert(object->GetExportFileName()).second) {
        ordered += object->GetText();
        ++objects;
      }
  }
  ASSERT_GT(objects, 20u);
  const std::string file = Put("ordered.txt", ordered);
  TCliRun exported = Run({"export", file, Path("split")});
  ASSERT_EQ(exported.exitCode, 0) << exported.err;
  TCliRun joined = Run({"join", Path("split"), Path("joined.txt")});
  ASSERT_EQ(joined.exitCode, 0) << joined.err;
  EXPECT_TRUE(ReadAll(Path("joined.txt")) == ordered) << "the joined file differs";
  TCliRun compared = Run({"compare", Path("split"), file});
  EXPECT_EQ(compared.exitCode, 0) << compared.err;
}
#endif
