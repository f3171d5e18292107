// SPDX-License-Identifier: MIT
// Header numbers, header lines and the line scanner.
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
