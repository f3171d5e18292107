// SPDX-License-Identifier: MIT
// Header numbers, header lines, the line scanner and searching.
#include "vexafile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>
#include <streambuf>
#include <tuple>
#include <vector>

#include "objecttests.h"
#include "osfile.h"
#include "testfiles.h"

using testing_support::MessageOf;
using testing_support::ReadAll;
using testing_support::TempDir;

// ---- header numbers and header parsing

class NumberText : public ::testing::TestWithParam<std::tuple<const char*, std::int32_t>> {};

TEST_P(NumberText, Converts) {
  EXPECT_EQ(StrToInt32(std::get<0>(GetParam())), std::get<1>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, NumberText,
    ::testing::Values(std::make_tuple("18", 18), std::make_tuple("+18", 18),
                      std::make_tuple("-5", -5), std::make_tuple("2147483647", 2147483647),
                      std::make_tuple("-2147483648", INT32_MIN), std::make_tuple("$10", 16),
                      std::make_tuple("-$10", -16), std::make_tuple("x1F", 31),
                      std::make_tuple("X1f", 31), std::make_tuple("0x400", 1024),
                      std::make_tuple("0XfF", 255), std::make_tuple("$FFFFFFFF", -1),
                      std::make_tuple("$80000000", INT32_MIN), std::make_tuple("$000000001", 1),
                      std::make_tuple("007", 7)));

class BadNumberText : public ::testing::TestWithParam<const char*> {};

TEST_P(BadNumberText, RaisesConversionErrorNamingTheText) {
  const std::string text = GetParam();
  try {
    StrToInt32(text);
    FAIL() << "no error for '" << text << "'";
  } catch (const ConversionError& e) {
    EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, BadNumberText,
                         ::testing::Values("", "18x", "2147483648", "-2147483649", "$100000000",
                                           "$", "0x", "+", "-", "1 2", "$G", "0x-1", "--1", " 1",
                                           "1.5"));

TEST(ParseHeader, FillsTypeNumberAndName) {
  Header h("Table 18 Customer");
  EXPECT_EQ(h.entry.ObjectType(), TObjectType::otTable);
  EXPECT_EQ(h.entry.ID(), 18);
  EXPECT_EQ(h.entry.Name(), "Customer");
  EXPECT_EQ(h.entry.GetDisplayName(), "Table 18 Customer");
  EXPECT_EQ(h.entry.GetExportFileName(), "tab18.txt");
  EXPECT_EQ(h.entry.Length(), 0);
}

TEST(ParseHeader, SpacesAfterTheNumberBelongToTheName) {
  EXPECT_EQ(Header("Table 36 Sales Header").entry.Name(), "Sales Header");
  EXPECT_EQ(Header("Table 36 Sales  Header  ").entry.Name(), "Sales  Header  ");
  EXPECT_EQ(Header("Table 36  Lead").entry.Name(), " Lead");
}

TEST(ParseHeader, LongNamesAreCutToThirtyCharacters) {
  Header h("Codeunit 5 1234567890123456789012345678901234");
  EXPECT_EQ(h.entry.Name(), "123456789012345678901234567890");
}

TEST(ParseHeader, TypeComesFromTheFirstCharacterAlone) {
  const std::vector<std::tuple<std::string, TObjectType, std::string>> cases = {
      {"Table 1 A", TObjectType::otTable, "tab1.txt"},
      {"Tablex 5 A", TObjectType::otTable, "tab5.txt"},
      {"Form 2 A", TObjectType::otForm, "for2.txt"},
      {"Report 3 A", TObjectType::otReport, "rep3.txt"},
      {"Dataport 4 A", TObjectType::otDataport, "dat4.txt"},
      {"Codeunit 80 Sales-Post", TObjectType::otCodeunit, "cod80.txt"},
      {"XMLport 5000 X", TObjectType::otXMLport, "xml5000.txt"},
      {"MenuSuite 1 M", TObjectType::otMenuSuite, "men1.txt"},
      {"Page 21 A", TObjectType::otPage, "pag21.txt"},
      {"Query 7 Q", TObjectType::otQuery, "que7.txt"},
      {"table 5 A", TObjectType::otUnknown, "unk5.txt"},
      {"Enum 9 A", TObjectType::otUnknown, "unk9.txt"},
  };
  for (const auto& [header, type, exportName] : cases) {
    Header h(header);
    EXPECT_EQ(h.entry.ObjectType(), type) << header;
    EXPECT_EQ(h.entry.GetExportFileName(), exportName) << header;
  }
  EXPECT_EQ(Header("table 5 A").entry.GetDisplayName(), "Unknown 5 A");
}

TEST(ParseHeader, NumberFormsReachTheExportName) {
  EXPECT_EQ(Header("Table -5 X").entry.GetExportFileName(), "tab-5.txt");
  EXPECT_EQ(Header("Table $FFFFFFFF X").entry.GetExportFileName(), "tab-1.txt");
  EXPECT_EQ(Header("Table -$10 X").entry.ID(), -16);
  EXPECT_EQ(Header("Table +18 X").entry.ID(), 18);
}

TEST(ParseHeader, MissingSpacesNeverReadPastTheHeader) {
  Header noName("Table 18");
  EXPECT_EQ(noName.entry.ID(), 18);
  EXPECT_EQ(noName.entry.Name(), "");
  Header emptyName("Table 18 ");
  EXPECT_EQ(emptyName.entry.Name(), "");
  EXPECT_EQ(emptyName.entry.GetDisplayName(), "Table 18 ");

  TObjectTextFile file;
  for (const char* header : {"Table", "", "Table "}) {
    EXPECT_EQ(MessageOf([&] { TObjectTextObject entry(file, 0, header); }),
              "'' is not a valid integer value")
        << header;
  }
  EXPECT_EQ(MessageOf([&] { TObjectTextObject entry(file, 0, "Table  18 Customer"); }),
            "'' is not a valid integer value");
  EXPECT_EQ(MessageOf([&] { TObjectTextObject entry(file, 0, "Table 18x Customer"); }),
            "'18x' is not a valid integer value");
}

// ---- the line scanner

TEST(ParseText, SplitsObjectsByteExactWithProgress) {
  const std::string text = "OBJECT Table 3 A\r\nx\r\nOBJECT Form 4 B\r\n";
  ASSERT_EQ(text.size(), 38u);
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  file.ParseText(text);
  ASSERT_EQ(file.GetCount(), 2);
  EXPECT_EQ(file.GetObject(0).ObjectType(), TObjectType::otTable);
  EXPECT_EQ(file.GetObject(0).StartOffset(), 0);
  EXPECT_EQ(file.GetObject(0).Length(), 21);
  EXPECT_EQ(file.GetObject(1).ObjectType(), TObjectType::otForm);
  EXPECT_EQ(file.GetObject(1).Name(), "B");
  EXPECT_EQ(file.GetObject(1).StartOffset(), 21);
  EXPECT_EQ(file.GetObject(1).Length(), 17);
  EXPECT_EQ(log.events, (Events{{kStart, 0}, {kProgress, 50}, {kDone, 100}}));
}

TEST(ParseText, ProgressRoundsHalvesToEven) {
  struct Case {
    std::string text;
    Events events;
  };
  const std::vector<Case> cases = {
      {"", {{kStart, 0}, {kDone, 100}}},
      {"x\nyyyyyy", {{kStart, 0}, {kProgress, 12}, {kProgress, 100}, {kDone, 100}}},
      {"xyz\nabcd", {{kStart, 0}, {kProgress, 38}, {kProgress, 100}, {kDone, 100}}},
  };
  for (const auto& c : cases) {
    TObjectTextFile file;
    ProgressLog log;
    log.attach(file);
    file.ParseText(c.text);
    EXPECT_EQ(file.GetCount(), 0);
    EXPECT_EQ(log.events, c.events) << c.text;
  }
}

TEST(ParseText, ProgressRisesAtMostAHundredTimesOnLargeText) {
  std::string text;
  for (int i = 0; i < 20000; ++i) {
    if (i % 100 == 0) text += "OBJECT Codeunit " + std::to_string(i) + " C\r\n";
    text += "  Line " + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
  }
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  file.ParseText(text);
  EXPECT_EQ(file.GetCount(), 200);
  ASSERT_GE(log.events.size(), 3u);
  EXPECT_EQ(log.events.front(), std::make_pair(kStart, 0));
  EXPECT_EQ(log.events.back(), std::make_pair(kDone, 100));
  int last = 0;
  for (std::size_t i = 1; i + 1 < log.events.size(); ++i) {
    EXPECT_EQ(log.events[i].first, kProgress);
    EXPECT_GT(log.events[i].second, last);
    last = log.events[i].second;
  }
  EXPECT_EQ(last, 100);
  EXPECT_LE(log.events.size(), 102u);
}

TEST(ParseText, OnlyTheExactMarkerInTheFirstColumnStartsAnObject) {
  const std::string text =
      "OBJECT-PROPERTIES\r\nobject Table 1 A\r\n OBJECT Table 2 B\r\nOBJECT\r\nOBJECT Table 3 C";
  TObjectTextFile file;
  file.ParseText(text);
  ASSERT_EQ(file.GetCount(), 1);
  EXPECT_EQ(file.GetObject(0).ID(), 3);
  EXPECT_EQ(file.GetObject(0).StartOffset(), static_cast<std::int32_t>(text.rfind("OBJECT")));
  EXPECT_EQ(file.GetObject(0).StartOffset() + file.GetObject(0).Length(),
            static_cast<std::int32_t>(text.size()));
}

TEST(ParseText, LineBreakKinds) {
  // LF CR is two breaks; CR CR LF too; a NUL ends a line and the scan goes on.
  const std::string text = std::string("a\n\rOBJECT Table 1 A\r\r\nOBJECT Page 2 B") + '\0' +
                           "OBJECT Query 3 C\rOBJECT Form 4 D\nz";
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  file.ParseText(text);
  ASSERT_EQ(file.GetCount(), 4);
  EXPECT_EQ(file.GetObject(0).StartOffset(), 3);
  EXPECT_EQ(file.GetObject(1).StartOffset(), 22);
  EXPECT_EQ(file.GetObject(1).Name(), "B");
  EXPECT_EQ(file.GetObject(2).StartOffset(), 38);
  EXPECT_EQ(file.GetObject(3).ObjectType(), TObjectType::otForm);
  EXPECT_EQ(file.GetObject(3).StartOffset() + file.GetObject(3).Length(),
            static_cast<std::int32_t>(text.size()));
  EXPECT_EQ(log.events.back(), std::make_pair(kDone, 100));
}

TEST(ParseText, TextOfNulBytesOnlyEnds) {
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  file.ParseText(std::string(1000, '\0'));
  EXPECT_EQ(file.GetCount(), 0);
  EXPECT_EQ(log.events.back(), std::make_pair(kDone, 100));
}

TEST(ParseText, ByteOrderMarkDoesNotHideTheFirstObject) {
  TObjectTextFile file;
  file.ParseText("\xEF\xBB\xBFOBJECT Table 18 Customer\r\nx\r\nOBJECT Page 21 Card\r\n");
  ASSERT_EQ(file.GetCount(), 2);
  EXPECT_EQ(file.GetObject(0).StartOffset(), 3);
  EXPECT_EQ(file.GetObject(0).Name(), "Customer");
  EXPECT_EQ(file.GetObject(0).Length(), 29);
}

TEST(ParseText, BadHeaderStopsTheScanKeepingEarlierEntries) {
  const std::string text = "OBJECT Table 1 A\r\nOBJECT Table 2 B\r\nOBJECT Table 2x C\r\nrest\r\n";
  TObjectTextFile file;
  ProgressLog log;
  log.attach(file);
  EXPECT_THROW(file.ParseText(text), ConversionError);
  ASSERT_EQ(file.GetCount(), 2);
  EXPECT_EQ(file.GetObject(1).StartOffset() + file.GetObject(1).Length(),
            static_cast<std::int32_t>(text.find("OBJECT Table 2x")));
  for (const auto& event : log.events) EXPECT_NE(event.first, kDone);
}

TEST(ObjectList, IndexOutOfBoundsNamesTheIndex) {
  TObjectTextFile file;
  file.ParseText("OBJECT Table 1 A\r\n");
  EXPECT_EQ(MessageOf([&] { file.GetObject(1); }), "List index out of bounds (1)");
  EXPECT_EQ(MessageOf([&] { file.GetObject(-1); }), "List index out of bounds (-1)");
  EXPECT_THROW(file.GetObject(7), ListIndexError);
}

TEST(LineAtPosition, CountsEveryKindOfBreakOnce) {
  const std::string text = "a\r\nb\nc\rd";
  EXPECT_EQ(LineAtPosition(text, 1), 1);
  EXPECT_EQ(LineAtPosition(text, 4), 2);
  EXPECT_EQ(LineAtPosition(text, 6), 3);
  EXPECT_EQ(LineAtPosition(text, 8), 4);
  // A CR LF split between two counts is still one break.
  EXPECT_EQ(CountLineBreaks("a\r") + CountLineBreaks("\nb", true), 1);
  EXPECT_EQ(CountLineBreaks("\nb"), 1);
}

namespace {

// What the search must give: both sides upper-cased (a to z only), then an
// exact search.
std::size_t ReferenceFind(std::string hay, std::string needle, std::size_t from, bool matchCase) {
  if (!matchCase) {
    AsciiUpperInPlace(hay.data(), hay.size());
    AsciiUpperInPlace(needle.data(), needle.size());
  }
  return hay.find(needle, from);
}

// Bytes that fold, bytes next to the letters that must not, and bytes of the
// upper half, so that random text has many near misses.
std::string RandomText(std::mt19937& random, std::size_t size) {
  static const std::string alphabet =
      std::string("aAbBzZ@[`{\r\n ") + '\0' + "\x81\x9A\xE1\xC1\xFF";
  std::string text(size, ' ');
  for (char& c : text) c = alphabet[random() % alphabet.size()];
  return text;
}

// A needle that often occurs: a piece of hay with some letters' case flipped.
std::string NeedleFrom(std::mt19937& random, const std::string& hay, std::size_t maxLength) {
  if (hay.empty() || random() % 4 == 0) return RandomText(random, 1 + random() % maxLength);
  const std::size_t at = random() % hay.size();
  std::string needle = hay.substr(at, 1 + random() % maxLength);
  for (char& c : needle)
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z' && random() % 2) c ^= 0x20;
  return needle;
}

using Matches = std::vector<std::pair<std::int32_t, std::int32_t>>;

// Find-next from the start to the end, the way the command line's find goes.
Matches EveryMatch(TObjectTextFile& file, const std::string& needle, bool matchCase) {
  Matches found;
  std::int32_t index = 0, pos = 0;
  while (file.FindText(index, pos, needle, matchCase)) {
    found.emplace_back(index, pos);
    pos += static_cast<std::int32_t>(needle.size());
  }
  EXPECT_EQ(index, file.GetCount());
  EXPECT_EQ(pos, 0);
  return found;
}

// The same through each entry's own search, one object text at a time.
Matches EveryMatchByEntry(const TObjectTextFile& file, const std::string& needle, bool matchCase) {
  Matches found;
  for (std::int32_t index = 0; index < file.GetCount(); ++index) {
    std::int32_t pos = 0;
    while (file.GetObject(index).FindText(pos, needle, matchCase)) {
      found.emplace_back(index, pos);
      pos += static_cast<std::int32_t>(needle.size());
    }
  }
  return found;
}

}  // namespace

TEST(FindBytes, AgreesWithSearchingUpperCasedCopies) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 20000; ++round) {
    // Mostly short texts, some long enough for many 16-byte blocks.
    const std::size_t size = round % 10 == 0 ? random() % 3000 : random() % 80;
    const std::string hay = RandomText(random, size);
    const std::string needle = NeedleFrom(random, hay, round % 3 == 0 ? 40 : 5);
    const std::size_t from = random() % (size + 3);
    ASSERT_EQ(FindBytesIgnoringCase(hay, needle, from), ReferenceFind(hay, needle, from, false))
        << "round " << round;
    ASSERT_EQ(FindBytes(hay, needle, from), ReferenceFind(hay, needle, from, true))
        << "round " << round;
  }
}

TEST(FindBytes, TextWhereEveryPlaceAlmostMatches) {
  const std::string hay = std::string(200000, 'a') + "ba";
  const std::string needle = std::string(3000, 'A') + "BA";
  EXPECT_EQ(FindBytesIgnoringCase(hay, needle, 0), 200000u - 3000u);
  EXPECT_EQ(FindBytes(hay, std::string(3000, 'a') + "ba", 5), 200000u - 3000u);
  EXPECT_EQ(FindBytes(hay, needle, 0), std::string_view::npos);
  EXPECT_EQ(FindBytesIgnoringCase(hay, std::string(3000, 'A') + "BB", 0), std::string_view::npos);
}

TEST(FindBytes, EmptyNeedleAndStartsPastTheEndFindNothing) {
  for (auto find : {&FindBytes, &FindBytesIgnoringCase}) {
    EXPECT_EQ(find("abc", "", 0), std::string_view::npos);
    EXPECT_EQ(find("abc", "c", 3), std::string_view::npos);
    EXPECT_EQ(find("abc", "c", 2), 2u);
    EXPECT_EQ(find("abc", "abcd", 0), std::string_view::npos);
    EXPECT_EQ(find("", "a", 0), std::string_view::npos);
  }
}

class SearchFile : public ::testing::Test {
 protected:
  // Objects of random text from none beyond the header line to several
  // thousand bytes, a preamble and a last object without a final break.
  void SetUp() override {
    std::mt19937 random(42);
    text_ = "preamble aAbB\r\n";
    for (int i = 0; i < 60; ++i) {
      const std::size_t size = i % 7 == 0 ? 500 + random() % 1500 : random() % 300;
      text_ += "OBJECT Codeunit " + std::to_string(i) + " C\r\n" + RandomText(random, size);
      text_ += i % 5 == 0 ? "x\r\n" : "\r\n";
    }
    text_ += "OBJECT Page 60 Last\r\nno final line break";
    path_ = dir_.write("search.txt", text_);
    file_.LoadFromFile(path_);
    ASSERT_EQ(file_.GetCount(), 61);
  }

  // Needles that occur often, rarely, across object ends (never found
  // there) and longer than many objects.
  std::vector<std::string> Needles() const {
    std::mt19937 random(7);
    std::vector<std::string> needles = {"a",      "ab",    "Ba",
                                        "\x81z",  "break", "\r\nOBJECT",
                                        "x\r\nO", "aAbB",  std::string(1, '\0') + "a"};
    for (int i = 0; i < 12; ++i) needles.push_back(NeedleFrom(random, text_, i < 6 ? 6 : 400));
    return needles;
  }

  TempDir dir_;
  std::string text_;
  std::string path_;
  TObjectTextFile file_;
};

TEST_F(SearchFile, EveryChunkSizeFindsWhatEachEntryFinds) {
  for (const std::string& needle : Needles()) {
    for (const bool matchCase : {true, false}) {
      const Matches expected = EveryMatchByEntry(file_, needle, matchCase);
      for (std::size_t chunk : {1u, 2u, 5u, 64u, 99u, 4096u, 1u << 20}) {
        file_.SetSearchChunkSize(chunk);
        ASSERT_EQ(EveryMatch(file_, needle, matchCase), expected)
            << "needle of " << needle.size() << " bytes, chunk " << chunk << ", match case "
            << matchCase;
      }
    }
  }
}

TEST_F(SearchFile, OneSearchFromAnyPlaceFindsWhatTheEntryLoopFinds) {
  std::mt19937 random(3);
  const std::vector<std::string> needles = Needles();
  for (int round = 0; round < 3000; ++round) {
    const std::string& needle = needles[random() % needles.size()];
    const bool matchCase = random() % 2;
    std::int32_t index = std::int32_t(random() % 61);
    std::int32_t pos = std::int32_t(random() % (file_.GetObject(index).Length() + 50));
    // The search of the file as the entries' searches one after another.
    std::int32_t expectedIndex = index, expectedPos = pos;
    bool expected = false;
    for (; expectedIndex < file_.GetCount(); ++expectedIndex, expectedPos = 0) {
      expected = file_.GetObject(expectedIndex).FindText(expectedPos, needle, matchCase);
      if (expected) break;
    }
    file_.SetSearchChunkSize(1 + random() % 5000);
    ASSERT_EQ(file_.FindText(index, pos, needle, matchCase), expected) << "round " << round;
    ASSERT_EQ(std::make_pair(index, pos), std::make_pair(expectedIndex, expectedPos))
        << "round " << round;
  }
}

// Reads begin where the search begins, so moving the start across a whole
// chunk moves every read's end across the match.
class FindTextAcrossChunks : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FindTextAcrossChunks, FindsAMatchWhereverAReadEndCutsIt) {
  const std::size_t chunk = GetParam();
  const std::string needle = "{Needle" + std::string(40, '.') + "}";
  std::string object = "OBJECT Table 7 Cut\r\n";
  while (object.size() < chunk + 3 * needle.size()) object += "  x := x + 1;\r\n";
  const auto at = static_cast<std::int32_t>(object.size() + 1);
  object += needle + "\r\n";
  TempDir dir;
  TObjectTextFile file;
  file.LoadFromFile(dir.write("cut.txt", "OBJECT Table 1 Before\r\n" + object));
  file.SetSearchChunkSize(chunk);
  for (std::int32_t start = 1; start <= at; ++start) {
    for (const bool matchCase : {true, false}) {
      std::int32_t index = 1, pos = start;
      ASSERT_TRUE(
          file.FindText(index, pos, matchCase ? needle : "{NEEDLE" + needle.substr(7), matchCase))
          << "from " << start;
      ASSERT_EQ(pos, at) << "from " << start;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, FindTextAcrossChunks,
                         ::testing::Values(1, 47, 48, 49, 64, 97, 1000, 4096, 5000));

TEST(FindTextInLargeObjects, ObjectsManyChunksLongAreSearchedToTheirLastByte) {
  std::string big = "OBJECT Report 1 Big\r\n";
  while (big.size() < 100000) big += "  Amount := Amount + 1;\r\n";
  const std::string last = "OBJECT Page 2 Small\r\nend";
  TempDir dir;
  TObjectTextFile file;
  file.LoadFromFile(dir.write("big.txt", big + "Tail\r\n" + last));
  for (std::size_t chunk : {1u, 4096u, 1u << 20}) {
    file.SetSearchChunkSize(chunk);
    std::int32_t index = 0, pos = 0;
    EXPECT_TRUE(file.FindText(index, pos, "tail", false)) << chunk;
    EXPECT_EQ(std::make_pair(index, pos), std::make_pair(0, std::int32_t(big.size() + 1)));
    index = 0, pos = 0;
    EXPECT_TRUE(file.FindText(index, pos, "END", false)) << chunk;
    EXPECT_EQ(std::make_pair(index, pos), std::make_pair(1, std::int32_t(last.size() - 2)));
    index = 0, pos = 0;
    EXPECT_FALSE(file.FindText(index, pos, "Amount := Amount + 2", true)) << chunk;
  }
}

TEST(FindTextAfterAFailedLoad, SearchesTheEntriesOfTheNewFile) {
  TempDir dir;
  TObjectTextFile file;
  file.LoadFromFile(dir.write("good.txt", "OBJECT Table 1 A\r\nold text\r\n"));
  const std::string bad = "OBJECT Table 5 B\r\nnew text\r\nOBJECT Table x C\r\nmore text\r\n";
  EXPECT_THROW(file.LoadFromFile(dir.write("bad.txt", bad)), ConversionError);
  std::int32_t index = 0, pos = 0;
  EXPECT_TRUE(file.FindText(index, pos, "TEXT", false));
  EXPECT_EQ(std::make_pair(index, pos), std::make_pair(0, 23));
  pos = 24;
  EXPECT_FALSE(file.FindText(index, pos, "TEXT", false)) << "the entry ends at the bad header";
  EXPECT_EQ(std::make_pair(index, pos), std::make_pair(1, 0));
}
