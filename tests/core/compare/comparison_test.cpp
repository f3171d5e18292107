// SPDX-License-Identifier: MIT
#include "comparison.h"

#include <gtest/gtest.h>

#include "sidebyside.h"
#include "testfiles.h"

namespace {

using testing_support::TempDir;

std::string Object(const std::string& header, const std::string& date, const std::string& code,
                   const std::string& nl = "\r\n") {
  return "OBJECT " + header + nl + "{" + nl + "  OBJECT-PROPERTIES" + nl + "  {" + nl +
         "    Date=" + date + ";" + nl + "    Modified=Yes;" + nl + "  }" + nl + "  PROPERTIES" +
         nl + "  {" + nl + "    " + code + nl + "  }" + nl + "}" + nl + nl;
}

TComparisonStatus Status(const std::string& a, const std::string& b,
                         TComparisonOptions options = {}) {
  return CompareTexts(a, b, options);
}

TEST(CompareTexts, EachStatusOfAPair) {
  const std::string base = Object("Table 18 Customer", "01.01.20", "Permissions=1;");
  EXPECT_EQ(Status(base, base), TComparisonStatus::csIdentical);
  // The same length, the block differs: only the properties.
  EXPECT_EQ(Status(base, Object("Table 18 Customer", "02.01.20", "Permissions=1;")),
            TComparisonStatus::csPropertiesOnly);
  // A longer Version List changes the size but still only the properties.
  EXPECT_EQ(Status(base, Object("Table 18 Customer", "02.01.2020", "Permissions=1;")),
            TComparisonStatus::csPropertiesOnly);
  // One line below the block counts as a change, alone or with the block.
  EXPECT_EQ(Status(base, Object("Table 18 Customer", "01.01.20", "Permissions=2;")),
            TComparisonStatus::csChanged);
  EXPECT_EQ(Status(base, Object("Table 18 Customer", "02.01.20", "Permissions=2;")),
            TComparisonStatus::csChanged);
  // The header above the block too.
  EXPECT_EQ(Status(base, Object("Table 18 Client", "02.01.20", "Permissions=1;")),
            TComparisonStatus::csChanged);
  // Without a block, any difference is a change.
  EXPECT_EQ(Status("OBJECT Table 1 A\r\nx\r\n", "OBJECT Table 1 A\r\ny\r\n"),
            TComparisonStatus::csChanged);
  EXPECT_EQ(Status("", ""), TComparisonStatus::csIdentical);
}

TEST(CompareTexts, LineBreaksAndIgnoreOptions) {
  const std::string crlf = Object("Codeunit 1 A", "01.01.20", "x;");
  const std::string lf = Object("Codeunit 1 A", "01.01.20", "x;", "\n");
  const std::string cr = Object("Codeunit 1 A", "01.01.20", "x;", "\r");
  TComparisonOptions ignoreBreaks;
  ignoreBreaks.IgnoreLineBreaks = true;
  EXPECT_EQ(Status(crlf, lf), TComparisonStatus::csChanged);
  EXPECT_EQ(Status(crlf, lf, ignoreBreaks), TComparisonStatus::csIdentical);
  EXPECT_EQ(Status(cr, lf, ignoreBreaks), TComparisonStatus::csIdentical);
  // A break is still not the same as no break, nor as two.
  EXPECT_EQ(Status("a\r\nb", "a\nb\n", ignoreBreaks), TComparisonStatus::csChanged);
  EXPECT_EQ(Status("a\r\nb", "a\n\nb", ignoreBreaks), TComparisonStatus::csChanged);
  // Both at once: a block change under other line breaks.
  EXPECT_EQ(Status(crlf, Object("Codeunit 1 A", "09.09.20", "x;", "\n"), ignoreBreaks),
            TComparisonStatus::csPropertiesOnly);

  TComparisonOptions ignoreProperties;
  ignoreProperties.IgnoreProperties = true;
  EXPECT_EQ(Status(crlf, Object("Codeunit 1 A", "09.09.20", "x;"), ignoreProperties),
            TComparisonStatus::csIdentical);
  EXPECT_EQ(Status(crlf, Object("Codeunit 1 A", "09.09.20", "y;"), ignoreProperties),
            TComparisonStatus::csChanged);
}

class CompareFilesTest : public ::testing::Test {
 protected:
  TComparison Compare(const std::string& oldText, const std::string& newText,
                      TComparisonOptions options = {}) {
    // Names of their own per call: the previous files are still held, which
    // Windows does not let anybody write over.
    const std::string n = std::to_string(++calls);
    oldFile.LoadFromFile(dir.write("old" + n + ".txt", oldText));
    newFile.LoadFromFile(dir.write("new" + n + ".txt", newText));
    return CompareFiles(oldFile, newFile, options);
  }

  int calls = 0;
  TempDir dir;
  TObjectTextFile oldFile;
  TObjectTextFile newFile;
};

TEST_F(CompareFilesTest, PairsByTypeAndNumberInNewOrderThenRemoved) {
  const std::string t18 = Object("Table 18 Customer", "01.01.20", "a;");
  const std::string f21 = Object("Form 21 Customer Card", "01.01.20", "b;");
  const std::string c80 = Object("Codeunit 80 Sales-Post", "01.01.20", "c;");
  const std::string r6 = Object("Report 6 Trial Balance", "01.01.20", "d;");
  // Table 18 and Form 18 are different objects: the type is part of the key.
  const std::string f18 = Object("Form 18 Other", "01.01.20", "e;");
  const TComparison result = Compare("preamble\r\n" + t18 + f21 + c80 + r6,
                                     c80 + Object("Table 18 Customer", "05.05.20", "a;") + f18 +
                                         Object("Report 6 Trial Balance", "01.01.20", "dd;"));
  ASSERT_EQ(result.Items.size(), 5u);
  const std::vector<std::tuple<int, int, TComparisonStatus>> expected = {
      {2, 0, TComparisonStatus::csIdentical}, {0, 1, TComparisonStatus::csPropertiesOnly},
      {-1, 2, TComparisonStatus::csAdded},    {3, 3, TComparisonStatus::csChanged},
      {1, -1, TComparisonStatus::csRemoved},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(result.Items[i].OldIndex, std::get<0>(expected[i]));
    EXPECT_EQ(result.Items[i].NewIndex, std::get<1>(expected[i]));
    EXPECT_EQ(result.Items[i].Status, std::get<2>(expected[i]));
    EXPECT_FALSE(result.Items[i].Duplicate);
  }
  EXPECT_TRUE(result.Duplicates.empty());
  EXPECT_EQ(SummaryText(result.Counts),
            "1 added, 1 removed, 1 changed, 1 properties only, 1 identical");
  EXPECT_TRUE(result.Counts.AnyDifference());
}

TEST_F(CompareFilesTest, DuplicatesArePairedInOrderAndReported) {
  const std::string a = Object("Table 5 X", "01.01.20", "first;");
  const std::string b = Object("Table 5 X", "01.01.20", "second;");
  const std::string c = Object("Table 5 X", "01.01.20", "third;");
  TComparison result = Compare(a + b, a + c + b);
  ASSERT_EQ(result.Items.size(), 3u);
  EXPECT_EQ(result.Items[0].Status, TComparisonStatus::csIdentical);
  EXPECT_EQ(result.Items[1].OldIndex, 1);
  EXPECT_EQ(result.Items[1].Status, TComparisonStatus::csChanged);
  EXPECT_EQ(result.Items[2].Status, TComparisonStatus::csAdded);
  for (const TComparisonItem& item : result.Items) EXPECT_TRUE(item.Duplicate);
  ASSERT_EQ(result.Duplicates.size(), 1u);
  EXPECT_EQ(result.Duplicates[0].ID, 5);
  EXPECT_EQ(result.Duplicates[0].OldCount, 2);
  EXPECT_EQ(result.Duplicates[0].NewCount, 3);

  // A duplicate only in the old file leaves a removed row behind.
  result = Compare(a + b, a);
  ASSERT_EQ(result.Items.size(), 2u);
  EXPECT_EQ(result.Items[1].Status, TComparisonStatus::csRemoved);
  EXPECT_EQ(result.Items[1].OldIndex, 1);
  EXPECT_TRUE(result.Items[1].Duplicate);
}

TEST_F(CompareFilesTest, EmptyFilesAndPreambles) {
  TComparison result = Compare("", "");
  EXPECT_TRUE(result.Items.empty());
  EXPECT_FALSE(result.Counts.AnyDifference());
  // Text before the first object belongs to none, so it is no difference.
  result = Compare("one preamble\r\n", "another\r\n");
  EXPECT_TRUE(result.Items.empty());
  const std::string t = Object("Table 1 A", "01.01.20", "x;");
  result = Compare("", t);
  ASSERT_EQ(result.Items.size(), 1u);
  EXPECT_EQ(result.Items[0].Status, TComparisonStatus::csAdded);
  result = Compare(t, "just text\r\n");
  ASSERT_EQ(result.Items.size(), 1u);
  EXPECT_EQ(result.Items[0].Status, TComparisonStatus::csRemoved);
}

TEST_F(CompareFilesTest, LongObjectsOfDifferentSizes) {
  // Longer than the part read first, so the rest is read separately.
  std::string body;
  for (int i = 0; i < 20000; ++i) body += "    Line " + std::to_string(i) + ";\r\n";
  const std::string a = Object("Report 7 R", "01.01.20", "x;") + body;
  const std::string b = Object("Report 7 R", "01.01.2020", "x;") + body;
  EXPECT_EQ(Compare(a, b).Items[0].Status, TComparisonStatus::csPropertiesOnly);
  EXPECT_EQ(Compare(a, b + "y").Items[0].Status, TComparisonStatus::csChanged);
  std::string late = b;
  late[late.size() - 5] = 'Z';
  EXPECT_EQ(Compare(a, late).Items[0].Status, TComparisonStatus::csChanged);
  TComparisonOptions options;
  options.IgnoreLineBreaks = true;
  std::string lf = b;
  for (std::size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.erase(p, 1);
  EXPECT_EQ(Compare(a, lf, options).Items[0].Status, TComparisonStatus::csPropertiesOnly);
}

TEST(ComparisonText, GroupedNumbersAndNames) {
  EXPECT_EQ(GroupedNumber(0), "0");
  EXPECT_EQ(GroupedNumber(999), "999");
  EXPECT_EQ(GroupedNumber(6337), "6,337");
  EXPECT_EQ(GroupedNumber(1234567), "1,234,567");
  EXPECT_EQ(StatusName(TComparisonStatus::csPropertiesOnly), "properties only");
}

}  // namespace

TEST_F(CompareFilesTest, BytesFoundEqualWhileLoadingAgreeWithReadingThePairs) {
  // Objects of some length, one of them changed by a byte the blocks of
  // equal bytes must not hide, whatever pieces the load reads in.
  std::vector<std::string> objects;
  for (int i = 1; i <= 12; ++i) {
    std::string body;
    for (int line = 0; line < 10 * i; ++line) body += "    Line " + std::to_string(line) + ";\r\n";
    objects.push_back(Object("Codeunit " + std::to_string(i) + " C", "01.01.20", "x;") + body);
  }
  std::string oldText;
  for (const std::string& o : objects) oldText += o;
  std::string newText = oldText;
  const std::size_t changed = oldText.find("Codeunit 7 C") + 300;
  newText[changed] = 'Z';
  // A tail that moved: the objects after it lie at other offsets.
  newText += Object("Table 99 T", "01.01.20", "y;");
  for (const std::size_t piece : {std::size_t(7), std::size_t(1000), std::size_t(1) << 20}) {
    SCOPED_TRACE(piece);
    const std::string n = std::to_string(++calls);
    oldFile.LoadFromFile(dir.write("old" + n + ".txt", oldText));
    TSameBytes same(oldFile, newFile);
    newFile.SetReadPieceSize(piece);
    newFile.SetOnScanned([&same](const TScannedText& text) { same.Scanned(text); });
    newFile.LoadFromFile(dir.write("new" + n + ".txt", newText));
    newFile.SetOnScanned(nullptr);
    EXPECT_TRUE(same.Same(oldFile.GetObject(0), newFile.GetObject(0)));
    EXPECT_TRUE(same.Same(newFile.GetObject(1), oldFile.GetObject(1)));
    EXPECT_FALSE(same.Same(oldFile.GetObject(6), newFile.GetObject(6)));
    EXPECT_FALSE(same.Same(oldFile.GetObject(0), newFile.GetObject(1)));
    const TComparison known = CompareFiles(oldFile, newFile, {}, &same);
    const TComparison read = CompareFiles(oldFile, newFile);
    ASSERT_EQ(known.Items.size(), read.Items.size());
    for (std::size_t i = 0; i < read.Items.size(); ++i) {
      EXPECT_EQ(known.Items[i].Status, read.Items[i].Status) << i;
      EXPECT_EQ(read.Items[i].Status, i == 6    ? TComparisonStatus::csChanged
                                      : i == 12 ? TComparisonStatus::csAdded
                                                : TComparisonStatus::csIdentical);
    }
  }
  // Pairs asked for against the file order are read each on its own.
  std::string reversed;
  for (auto o = objects.rbegin(); o != objects.rend(); ++o) reversed += *o;
  const TComparison result = Compare(oldText, reversed);
  EXPECT_EQ(result.Counts.Identical, 12);
}

TEST_F(CompareFilesTest, FilesLoadedSideBySideFindTheSameBytesAsOneAfterTheOther) {
  std::string shorter;
  for (int i = 1; i <= 12; ++i) {
    std::string body;
    for (int line = 0; line < 10 * i; ++line) body += "    Line " + std::to_string(line) + ";\r\n";
    shorter += Object("Codeunit " + std::to_string(i) + " C", "01.01.20", "x;") + body;
  }
  std::string changed = shorter;
  changed[shorter.find("Codeunit 7 C") + 300] = 'Z';
  const std::string longer = changed + Object("Table 99 T", "01.01.20", "y;");
  // Pieces of other sizes on either side: the old file's stretches end
  // where the new one's do not. Either file may be the longer one.
  for (const auto& [oldText, newText] : {std::pair(shorter, longer), std::pair(longer, shorter)})
    for (const auto& [oldPiece, newPiece] :
         {std::pair<std::size_t, std::size_t>(7, 1000), {1000, 13}, {1 << 20, 1 << 20}}) {
      SCOPED_TRACE(std::to_string(oldPiece) + " " + std::to_string(newPiece));
      const std::string n = std::to_string(++calls);
      const std::string oldPath = dir.write("old" + n + ".txt", oldText);
      const std::string newPath = dir.write("new" + n + ".txt", newText);
      oldFile.SetReadPieceSize(oldPiece);
      newFile.SetReadPieceSize(newPiece);
      TSameBytes same(oldFile, newFile);
      LoadSideBySide(
          oldFile, newFile, same, [&] { oldFile.LoadFromFile(oldPath); },
          [&] { newFile.LoadFromFile(newPath); });
      ASSERT_EQ(oldFile.GetCount() + newFile.GetCount(), 25);
      for (std::int32_t i = 0; i < 12; ++i)
        EXPECT_EQ(same.Same(oldFile.GetObject(i), newFile.GetObject(i)), i != 6) << i;
      const TComparison known = CompareFiles(oldFile, newFile, {}, &same);
      const TComparison read = CompareFiles(oldFile, newFile);
      ASSERT_EQ(known.Items.size(), read.Items.size());
      for (std::size_t i = 0; i < read.Items.size(); ++i)
        EXPECT_EQ(known.Items[i].Status, read.Items[i].Status) << i;
    }

  // Beside a file loaded already, which each part of the load reads again
  // at its own offsets: in one part or in several, of pieces of any size.
  for (const auto& [loadedText, loadingText] :
       {std::pair(shorter, longer), std::pair(longer, shorter)})
    for (const std::size_t parts : {1u, 3u, 7u}) {
      const std::string n = std::to_string(++calls);
      oldFile.SetReadPieceSize(1 << 20);
      oldFile.LoadFromFile(dir.write("old" + n + ".txt", loadedText));
      const std::string loadingPath = dir.write("new" + n + ".txt", loadingText);
      newFile.SetReadPieceSize(13);
      newFile.SetLoadParts(parts);
      TSameBytes same(oldFile, newFile);
      LoadBesideLoaded(newFile, same, [&] { newFile.LoadFromFile(loadingPath); });
      for (std::int32_t i = 0; i < 12; ++i)
        EXPECT_EQ(same.Same(newFile.GetObject(i), oldFile.GetObject(i)), i != 6) << parts << i;
    }

  // Both loads end; the old file's error comes first, as when it loads first.
  const std::string good = dir.write("good.txt", shorter);
  const auto failure = [&](const std::string& oldPath, const std::string& newPath) {
    TObjectTextFile oldOne;
    TObjectTextFile newOne;
    TSameBytes same(oldOne, newOne);
    try {
      LoadSideBySide(
          oldOne, newOne, same, [&] { oldOne.LoadFromFile(oldPath); },
          [&] { newOne.LoadFromFile(newPath); });
    } catch (const FileError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  const std::string missingOld = dir.file("missing-old.txt");
  const std::string missingNew = dir.file("missing-new.txt");
  EXPECT_NE(failure(missingOld, good).find("missing-old.txt"), std::string::npos);
  EXPECT_NE(failure(good, missingNew).find("missing-new.txt"), std::string::npos);
  EXPECT_NE(failure(missingOld, missingNew).find("missing-old.txt"), std::string::npos);
}
