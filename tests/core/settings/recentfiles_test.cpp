// SPDX-License-Identifier: MIT
#include "recentfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings.h"
#include "testfiles.h"

namespace {

using Files = std::vector<std::string>;

TEST(RecentFiles, NewestFirstWithoutRepeatsAndAtMostEight) {
  TRecentFiles recent;
  for (int i = 1; i <= 10; ++i) recent.Add("/objects/" + std::to_string(i) + ".txt");
  ASSERT_EQ(recent.Files().size(), TRecentFiles::MaxCount);
  EXPECT_EQ(recent.Last(), "/objects/10.txt");
  EXPECT_EQ(recent.Files().back(), "/objects/3.txt");
  recent.Add("/objects/5.txt");
  EXPECT_EQ(recent.Files()[0], "/objects/5.txt");
  EXPECT_EQ(recent.Files().size(), TRecentFiles::MaxCount);
  recent.Remove("/objects/5.txt");
  EXPECT_EQ(recent.Last(), "/objects/10.txt");
  EXPECT_EQ(recent.Files().size(), 7u);
  recent.Add("");
  EXPECT_EQ(recent.Files().size(), 7u);
}

TEST(RecentFiles, KeptInASectionOfTheirOwnAndShortenedWithoutLeftovers) {
  testing_support::TempDir dir;
  TIniProfile profile(dir.file("marlox.zup"));
  profile.WriteString(SectionFind, KeyFindText, "x");
  TRecentFiles recent;
  recent.Add("/b.txt");
  recent.Add("/a b.txt");
  recent.Write(profile);
  EXPECT_EQ(testing_support::ReadAll(profile.FileName()),
            "[Find]\r\nFindText=x\r\n[Recent Files]\r\nFile1=/a b.txt\r\nFile2=/b.txt\r\n");

  recent.Remove("/a b.txt");
  recent.Write(profile);
  TRecentFiles again;
  again.Read(profile);
  EXPECT_EQ(again.Files(), Files{"/b.txt"});
  EXPECT_EQ(testing_support::ReadAll(profile.FileName()),
            "[Find]\r\nFindText=x\r\n[Recent Files]\r\nFile1=/b.txt\r\nFile2=\r\n");

  // The same list again writes nothing: a file that may not be written
  // stays as it was, and a changed list still says that it cannot be kept.
  std::filesystem::permissions(profile.FileName(), std::filesystem::perms::owner_read);
  recent.Write(profile);
  recent.Add("/d.txt");
  EXPECT_THROW(recent.Write(profile), FileError);
  std::filesystem::permissions(profile.FileName(), std::filesystem::perms::owner_all);

  // A hand-edited section: gaps and repeats are skipped.
  profile.WriteString(SectionRecentFiles, "File5", "/c.txt");
  profile.WriteString(SectionRecentFiles, "File6", "/b.txt");
  again.Read(profile);
  EXPECT_EQ(again.Files(), (Files{"/b.txt", "/c.txt"}));
}

TEST(RecentFiles, ExportFolderListWidthsAndLineNumbersReadBack) {
  testing_support::TempDir dir;
  TIniProfile profile(dir.file("marlox.zup"));
  EXPECT_EQ(ReadExportFolder(profile), "");
  EXPECT_FALSE(ReadLineNumbers(profile));
  EXPECT_EQ(ReadListColumnWidths(profile, 3), (std::vector<int>{0, 0, 0}));
  WriteExportFolder(profile, "/out/objects");
  WriteLineNumbers(profile, true);
  WriteListColumnWidths(profile, {108, 90, 250});
  EXPECT_EQ(ReadExportFolder(profile), "/out/objects");
  EXPECT_TRUE(ReadLineNumbers(profile));
  EXPECT_EQ(ReadListColumnWidths(profile, 4), (std::vector<int>{108, 90, 250, 0}));
  profile.WriteString(SectionView, KeyListColumnWidths, " 50 ,wide,,-3,99999999,7");
  EXPECT_EQ(ReadListColumnWidths(profile, 6), (std::vector<int>{50, 0, 0, 0, 0, 7}));
}

}  // namespace
