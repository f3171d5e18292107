// SPDX-License-Identifier: MIT
#include "objectfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "objectfilter.h"
#include "testfiles.h"

namespace fs = std::filesystem;
using testing_support::MessageOf;
using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

std::string Object(const std::string& header, const std::string& body = "{\r\n}\r\n") {
  return "OBJECT " + header + "\r\n" + body;
}

void Write(const TempDir& dir, const std::string& relative, const std::string& bytes) {
  fs::create_directories((dir.path() / relative).parent_path());
  dir.write(relative, bytes);
}

std::vector<std::string> Listing(const TObjectFolder& folder) {
  std::vector<std::string> rows;
  for (std::int32_t i = 0; i < folder.GetCount(); ++i)
    rows.push_back(folder.GetObject(i).GetDisplayName() + " @" + folder.RelativePath(i));
  return rows;
}

}  // namespace

TEST(ObjectFolder, ReadsEveryObjectFileBelowInExportOrderAndSkipsTheRest) {
  TempDir dir;
  Write(dir, "Code Units/COD80.TXT", Object("Codeunit 80 Sales-Post"));
  Write(dir, "tab18.txt", Object("Table 18 Customer"));
  Write(dir, "Tables/Tab3.Txt", Object("Table 3 Payment Terms") + Object("Form 21 Customer Card"));
  Write(dir, "odd.txt", Object("Zorg 5 Unknown word"));
  Write(dir, "tab-5.txt", Object("Table -5 Negative"));
  Write(dir, ".git/objects/tab1.txt", Object("Table 1 Hidden"));
  Write(dir, "README.txt", "Notes about these objects\r\n");
  Write(dir, "page21.xml", Object("Page 21 Not a text file"));

  TObjectFolder folder;
  folder.LoadFromFolder(dir.path().string());
  EXPECT_EQ(
      Listing(folder),
      (std::vector<std::string>{
          "Table -5 Negative @tab-5.txt", "Table 3 Payment Terms @Tables/Tab3.Txt",
          "Table 18 Customer @tab18.txt", "Form 21 Customer Card @Tables/Tab3.Txt",
          "Codeunit 80 Sales-Post @Code Units/COD80.TXT", "Unknown 5 Unknown word @odd.txt"}));
  EXPECT_EQ(folder.Skipped(), std::vector<std::string>{"README.txt"});
  EXPECT_TRUE(folder.Duplicates().empty());
  EXPECT_EQ(folder.FileCount(), 5u);
  EXPECT_EQ(folder.GetObject(3).GetText(), Object("Form 21 Customer Card"));
  EXPECT_EQ(folder.FolderName(), dir.path().string());
  EXPECT_EQ(MessageOf([&] { folder.GetObject(6); }), "List index out of bounds (6)");
}

TEST(ObjectFolder, DuplicatesKeepPathOrderAndNameTheirFiles) {
  TempDir dir;
  Write(dir, "b/tab18.txt", Object("Table 18 Second"));
  Write(dir, "a/tab18.txt", Object("Table 18 First") + Object("Table 18 Again"));
  TObjectFolder folder;
  folder.LoadFromFolder(dir.path().string());
  EXPECT_EQ(Listing(folder),
            (std::vector<std::string>{"Table 18 First @a/tab18.txt", "Table 18 Again @a/tab18.txt",
                                      "Table 18 Second @b/tab18.txt"}));
  ASSERT_EQ(folder.Duplicates().size(), 1u);
  EXPECT_EQ(folder.Duplicates()[0].Files,
            (std::vector<std::string>{"a/tab18.txt", "a/tab18.txt", "b/tab18.txt"}));
}

TEST(ObjectFolder, RefusesWhatIsNoFolderAndNamesTheFileOfABadHeader) {
  TempDir dir;
  const std::string file = dir.write("x.txt", Object("Table 1 A"));
  TObjectFolder folder;
  EXPECT_NE(MessageOf([&] { folder.LoadFromFolder(file); }).find("Cannot open folder"),
            std::string::npos);
  Write(dir, "sub/bad.txt", Object("Table 12a Bad"));
  const std::string message = MessageOf([&] { folder.LoadFromFolder(dir.path().string()); });
  EXPECT_NE(message.find("bad.txt"), std::string::npos) << message;
  EXPECT_NE(message.find("'12a' is not a valid integer value"), std::string::npos) << message;
  EXPECT_EQ(folder.GetCount(), 0);
}

TEST(ObjectFolder, AFileChangedOrGoneSinceTheLoadIsNamedAndNeverRead) {
  TempDir dir;
  Write(dir, "tab1.txt", Object("Table 1 A"));
  Write(dir, "tab2.txt", Object("Table 2 B"));
  Write(dir, "tab3.txt", Object("Table 3 C"));
  TObjectFolder folder;
  folder.LoadFromFolder(dir.path().string());

  dir.write("tab1.txt", Object("Table 1 A", "{ changed }\r\n"));
  fs::remove(dir.path() / "tab2.txt");
  // Same size and name, but another file put in its place.
  dir.write("new.tmp", Object("Table 3 X"));
  fs::rename(dir.path() / "new.tmp", dir.path() / "tab3.txt");

  for (const auto& [index, name, what] :
       {std::tuple{0, "tab1.txt", "has changed since it was loaded"},
        std::tuple{1, "tab2.txt", "no longer exists"},
        std::tuple{2, "tab3.txt", "has changed since it was loaded"}}) {
    const std::string message = MessageOf([&] { folder.GetObject(index).GetText(); });
    EXPECT_NE(message.find(name), std::string::npos) << message;
    EXPECT_NE(message.find(what), std::string::npos) << message;
  }
}

TEST(ObjectFolder, ReadsTellTheFilesOfTheSetAndNoOthers) {
  TempDir dir;
  Write(dir, "sub/tab1.txt", Object("Table 1 A"));
  const std::string outside = dir.write("elsewhere.dat", "x");
  TObjectFolder folder;
  folder.LoadFromFolder(dir.path().string());
  EXPECT_TRUE(folder.Reads((dir.path() / "sub/../sub/tab1.txt").string()));
  EXPECT_FALSE(folder.Reads(outside));
  EXPECT_FALSE(folder.Reads((dir.path() / "missing.txt").string()));
}

#ifndef _WIN32
// Far more files than descriptors: none stays open after the load.
TEST(ObjectFolder, HoldsNoDescriptorPerFile) {
  TempDir dir;
  constexpr int Files = 300;
  for (int i = 0; i < Files; ++i)
    Write(dir, "t/tab" + std::to_string(i) + ".txt", Object("Table " + std::to_string(i) + " T"));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::string failure;
  std::size_t bytes = 0;
  try {
    TObjectFolder first;
    TObjectFolder second;
    first.LoadFromFolder(dir.path().string());
    second.LoadFromFolder(dir.path().string());
    for (std::int32_t i = 0; i < first.GetCount(); ++i)
      bytes += first.GetObject(i).GetText().size() + second.GetObject(i).GetText().size();
  } catch (const std::exception& e) {
    failure = e.what();
  }
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(failure, "");
  EXPECT_GT(bytes, std::size_t(Files) * 2 * 20);
}
#endif

TEST(ObjectFolder, FindTextGoesOnThroughTheFollowingObjectsInSetOrder) {
  TempDir dir;
  Write(dir, "cod5.txt", Object("Codeunit 5 C", "needle\r\n"));
  Write(dir, "tab9.txt", Object("Table 9 T", "x needle\r\n"));
  TObjectFolder folder;
  folder.LoadFromFolder(dir.path().string());
  std::int32_t index = 0;
  std::int32_t pos = 0;
  ASSERT_TRUE(folder.FindText(index, pos, "NEEDLE", false));
  EXPECT_EQ(index, 0);  // the table comes first
  EXPECT_EQ(pos, 21);
  ++pos;
  ASSERT_TRUE(folder.FindText(index, pos, "needle", true));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(pos, 22);
  ++pos;
  EXPECT_FALSE(folder.FindText(index, pos, "needle", true));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(pos, 0);
}

TEST(Join, WritesExportOrderByteForByteAndEndsAnOpenLastLineOnlyBeforeAnotherObject) {
  TempDir dir;
  Write(dir, "in/cod1.txt", Object("Codeunit 1 C", "{\n}"));  // no final line break
  Write(dir, "in/tab1.txt", Object("Table 1 T", "{\r\n}\r\n"));
  Write(dir, "in/tab2.txt", "OBJECT Table 2 Last\r}");
  Write(dir, "in/tab3.txt", std::string("OBJECT Table 3 Nul\r\n}") + '\0');  // a NUL ends a line
  TObjectFolder folder;
  folder.LoadFromFolder((dir.path() / "in").string());
  TObjectTextFile extra;
  const std::string extraName = dir.write("extra.dat", Object("Form 7 F"));
  extra.LoadFromFile(extraName);
  const std::vector<const TObjectSet*> sets{&folder, &extra};
  const std::string out = dir.file("all.txt");
  WriteJoined(ExportOrder(sets), out, sets);
  EXPECT_EQ(ReadAll(out), "OBJECT Table 1 T\r\n{\r\n}\r\nOBJECT Table 2 Last\r}\r" +
                              std::string("OBJECT Table 3 Nul\r\n}") + '\0' + Object("Form 7 F") +
                              "OBJECT Codeunit 1 C\r\n{\n}");

  const std::string before = ReadAll(extraName);
  EXPECT_NE(
      MessageOf([&] { WriteJoined(ExportOrder(sets), extraName, sets); }).find("never overwritten"),
      std::string::npos);
  EXPECT_NE(MessageOf([&] {
              WriteJoined(ExportOrder(sets), (dir.path() / "in/tab1.txt").string(), sets);
            }).find("never overwritten"),
            std::string::npos);
  EXPECT_EQ(ReadAll(extraName), before);
}

TEST(ObjectFolder, DatesAreReadInTheOrderThatAllFilesShowTogether) {
  TempDir dir;
  auto dated = [](const std::string& header, const std::string& date) {
    return Object(header,
                  "{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + date + ";\r\n  }\r\n}\r\n");
  };
  Write(dir, "tab1.txt", dated("Table 1 A", "12/25/18"));
  Write(dir, "tab2.txt", dated("Table 2 B", "03/04/18"));  // alone, it would read day first
  TObjectFolder folder;
  folder.LoadFromFolder(dir.path().string());
  EXPECT_EQ(folder.DateOrder(), TDateOrder::doMonthDay);
  EXPECT_TRUE(TObjectFilter("date:2018-03-04").Matches(folder.GetObject(1)));
}
