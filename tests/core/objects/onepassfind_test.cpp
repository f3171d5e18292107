// SPDX-License-Identifier: MIT
// The search done while loading against find-next over the loaded model,
// with the load cut into pieces of every size.
#include "onepassfind.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "objectfilter.h"
#include "testfiles.h"

using testing_support::TempDir;

namespace {

using Found = std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t>>;

using FileAccept = bool (*)(const TObjectTextFile&, std::int32_t);

// Find-next from the first object on, each search after the previous match,
// one object's text at a time, as the command line's find did before.
Found TwoPass(const std::string& path, const std::string& needle, bool matchCase,
              FileAccept accept = nullptr) {
  TObjectTextFile file;
  file.LoadFromFile(path);
  EXPECT_EQ(file.GetCount(), 40);
  Found found;
  for (std::int32_t index = 0; index < file.GetCount(); ++index) {
    if (accept && !accept(file, index)) continue;
    const TObjectTextObject& object = file.GetObject(index);
    const std::string text = object.GetText();
    std::int32_t pos = 0;
    while (object.FindText(pos, needle, matchCase)) {
      found.emplace_back(index, pos, LineAtPosition(text, pos));
      pos += std::int32_t(needle.size());
    }
  }
  return found;
}

Found OnePass(const std::string& path, std::size_t piece, const std::string& needle, bool matchCase,
              FileAccept accept = nullptr, bool acceptAtEnd = false) {
  TObjectTextFile file;
  file.SetReadPieceSize(piece);
  Found found;
  const std::size_t count = FindWhileLoading(
      file, path, needle, matchCase,
      [&](const TFoundMatch& m) { found.emplace_back(m.Index, m.Pos, m.Line); },
      accept ? [&](std::int32_t i) { return accept(file, i); } : TObjectAccept(), acceptAtEnd);
  EXPECT_EQ(count, found.size());
  return found;
}

// Objects with property blocks, line breaks of every kind, NULs and near
// misses of the needles, and bytes before the first header.
std::string Objects(unsigned seed) {
  const std::string pieces[] = {"aa",          "a",    "Aa",
                                "\r\n",        "\n",   "\r",
                                "ab",          "x\r",  "OBJECT",
                                "Date=1;\r\n", "bA ",  std::string(1, '\0'),
                                "aB",          "\n\r", "OBJECT-PROPERTIES\r\n"};
  std::mt19937 random(seed);
  std::string text = seed % 2 ? "\xEF\xBB\xBF" : "aa before\r\n";
  for (int i = 0; i < 40; ++i) {
    text += "OBJECT Table " + std::to_string(i) + " T" + std::to_string(i) +
            "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=0" + std::to_string(1 + i % 9) +
            "-02-18;\r\n" + (random() % 2 ? "    Modified=Yes;\r\n" : "") + "  }\r\n";
    const int length = int(random() % 30);
    for (int k = 0; k < length; ++k) text += pieces[random() % std::size(pieces)];
    text += random() % 2 ? "\r\n" : "\n";
  }
  return text;
}

const std::string Needles[] = {"a", "aa", "ab", "x\r\nOBJECT", "\nOBJECT", "Date=0", "\r\n\r"};

bool Modified(const TObjectTextFile& file, std::int32_t index) {
  return file.GetObject(index).Modified();
}

}  // namespace

TEST(OnePassFind, EveryPieceSizeFindsWhatFindNextFinds) {
  TempDir dir;
  for (unsigned seed : {1u, 2u}) {
    const std::string path = dir.write("objects.txt", Objects(seed));
    for (const std::string& needle : Needles) {
      for (bool matchCase : {false, true}) {
        const Found expected = TwoPass(path, needle, matchCase);
        if (needle.size() < 3) {
          ASSERT_GT(expected.size(), 10u) << needle;
        }
        std::vector<std::size_t> pieces;
        for (std::size_t piece = 1; piece <= 40; ++piece) pieces.push_back(piece);
        pieces.insert(pieces.end(), {63, 64, 100, 257, 1000, 4096, 1 << 20});
        for (std::size_t piece : pieces)
          ASSERT_EQ(OnePass(path, piece, needle, matchCase), expected)
              << "needle '" << needle << "' piece " << piece << " case " << matchCase;
      }
    }
  }
}

TEST(OnePassFind, FilteredObjectsWaitForTheirPropertiesAndKeepFileOrder) {
  TempDir dir;
  const std::string path = dir.write("objects.txt", Objects(3));
  for (const std::string& needle : {std::string("a"), std::string("Date=0")}) {
    const Found expected = TwoPass(path, needle, false, Modified);
    ASSERT_FALSE(expected.empty());
    ASSERT_LT(expected.size(), TwoPass(path, needle, false).size());
    // Small pieces cut most property blocks, so most objects are decided late.
    for (std::size_t piece : {1u, 5u, 17u, 64u, 300u, 1u << 20}) {
      for (bool atEnd : {false, true})
        EXPECT_EQ(OnePass(path, piece, needle, false, Modified, atEnd), expected)
            << needle << " piece " << piece << " at end " << atEnd;
    }
  }
}

TEST(OnePassFind, NothingToFind) {
  TempDir dir;
  const std::string objects = dir.write("objects.txt", Objects(4));
  const std::string none = dir.write("none.txt", "aa aa\r\nno header here\r\n");
  const std::string empty = dir.write("empty.txt", "");
  EXPECT_TRUE(OnePass(objects, 7, "", false).empty());
  EXPECT_TRUE(OnePass(objects, 7, "absent", true).empty());
  EXPECT_TRUE(OnePass(none, 3, "aa", false).empty());
  EXPECT_TRUE(OnePass(empty, 3, "aa", false).empty());
}

TEST(OnePassFind, ABadHeaderStillFailsTheLoad) {
  TempDir dir;
  const std::string path =
      dir.write("bad.txt", "OBJECT Table 1 A\r\naa\r\nOBJECT Table x B\r\naa\r\n");
  TObjectTextFile file;
  EXPECT_THROW(FindWhileLoading(file, path, "aa", false, [](const TFoundMatch&) {}),
               ConversionError);
  // The file object listens to nothing afterwards.
  file.LoadFromFile(dir.write("good.txt", "OBJECT Table 1 A\r\n"));
  EXPECT_EQ(file.GetCount(), 1);
}

TEST(OnePassFind, DateTermsWaitForTheDateOrderOfTheWholeFile) {
  // Only the last object shows that the file writes the month first.
  auto object = [](int id, const std::string& date) {
    return "OBJECT Table " + std::to_string(id) + " T\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n" +
           "    Date=" + date + ";\r\n  }\r\n  Needle\r\n}\r\n";
  };
  TempDir dir;
  const std::string path =
      dir.write("dates.txt", object(1, "01/02/18") + object(2, "02/01/18") + object(3, "08/30/18"));
  TObjectTextFile file;
  const TObjectFilter filter("date:2018-01-02");
  Found found;
  FindWhileLoading(
      file, path, "needle", false,
      [&](const TFoundMatch& m) { found.emplace_back(m.Index, m.Pos, m.Line); },
      [&](std::int32_t i) { return filter.Matches(file.GetObject(i)); }, true);
  EXPECT_EQ(found, (Found{{0, 75, 7}}));
}
