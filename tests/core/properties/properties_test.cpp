// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "propertyblock.h"
#include "testfiles.h"
#include "vexafile.h"

namespace {

std::string Object(const std::string& header, const std::string& body, const char* br = "\r\n") {
  std::string text = "OBJECT " + header + br + "{" + br + body + "}" + br;
  return text;
}

const std::string FullBlock =
    "  OBJECT-PROPERTIES\r\n  {\r\n    Date=30-08-18;\r\n    Time=12:00:00;\r\n"
    "    Modified=Yes;\r\n    Version List=NAVW111.00,ABC1.02;\r\n  }\r\n";

TEST(PropertyBlock, FindsTheBlockAfterTheHeaderAndNothingFurther) {
  const std::string text = Object("Table 1 A", FullBlock + "  PROPERTIES\r\n  {\r\n  }\r\n");
  const TPropertyBlock block = FindPropertiesBlock(text);
  ASSERT_TRUE(block.Found);
  EXPECT_EQ(text.substr(block.Begin, 19), "  OBJECT-PROPERTIES");
  EXPECT_EQ(text.substr(block.End, 14), "  PROPERTIES\r\n");

  // Blank lines between header, brace and block are allowed; a line ending
  // at the text's end still closes the block.
  const std::string loose = "OBJECT Page 2 B\n\n{\n\nOBJECT-PROPERTIES\n{\nDate=01-01-20;\n}";
  const TPropertyBlock b2 = FindPropertiesBlock(loose);
  ASSERT_TRUE(b2.Found);
  EXPECT_EQ(b2.End, loose.size());

  // No block first: a Date= line further down is code, not a property.
  const std::string code = Object("Codeunit 3 C",
                                  "  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n"
                                  "  OBJECT-PROPERTIES\r\n  {\r\n    Date=01-01-20;\r\n  }\r\n");
  EXPECT_FALSE(FindPropertiesBlock(code).Found);
  TPropertyValues values;
  EXPECT_EQ(ParseObjectProperties(code, true, values), TBlockScan::bsAbsent);
  EXPECT_TRUE(values.Date.empty());

  // A block without its closing brace is no block.
  EXPECT_FALSE(FindPropertiesBlock("OBJECT Table 1 A\n{\nOBJECT-PROPERTIES\n{\nDate=1;\n").Found);
  EXPECT_FALSE(FindPropertiesBlock("").Found);
}

TEST(PropertyBlock, ReadsValuesAsStoredInAnyOrderWithEitherLineBreak) {
  for (const char* br : {"\r\n", "\n"}) {
    std::string body = std::string("  OBJECT-PROPERTIES") + br + "  {" + br + "    Version List=;" +
                       br + "    Time=23:59:59;" + br + "    Date=12/31/99;" + br + "  }" + br;
    TPropertyValues v;  // views into text
    const std::string text = Object("Form 5 X", body, br);
    ASSERT_EQ(ParseObjectProperties(text, true, v), TBlockScan::bsFound);
    EXPECT_EQ(v.Date, "12/31/99");
    EXPECT_EQ(v.Time, "23:59:59");
    EXPECT_EQ(v.VersionList, "");
    EXPECT_FALSE(v.Modified);  // absent means No
  }
  TPropertyValues v;
  const std::string whole = Object("Table 1 A", FullBlock);
  ParseObjectProperties(whole, true, v);
  EXPECT_EQ(v.VersionList, "NAVW111.00,ABC1.02");
  EXPECT_TRUE(v.Modified);

  // Only the start of an object: the caller must learn that more is needed.
  for (std::size_t cut : {10, 20, 40, 60, 110})
    EXPECT_EQ(ParseObjectProperties(whole.substr(0, cut), false, v), TBlockScan::bsTruncated)
        << cut;
}

TEST(ObjectDates, DecideOrderAndReadDates) {
  auto order = [](std::initializer_list<const char*> dates) {
    TStringPool pool;
    for (const char* d : dates) pool.Add(d);
    return DecideDateOrder(pool);
  };
  EXPECT_EQ(order({"01-02-18", "30-08-18"}), TDateOrder::doDayMonth);
  EXPECT_EQ(order({"01/02/18", "08/30/18"}), TDateOrder::doMonthDay);
  EXPECT_EQ(order({"01.02.18", "03.04.18"}), TDateOrder::doDayMonth);  // left open
  EXPECT_EQ(order({}), TDateOrder::doDayMonth);
  // A first field above 31 can only be a year; one third field above 31
  // outweighs it.
  EXPECT_EQ(order({"98-05-12", "01-02-03"}), TDateOrder::doYearMonthDay);
  EXPECT_EQ(order({"98-05-12", "12-05-98", "13-05-99"}), TDateOrder::doDayMonth);

  EXPECT_EQ(DateNumber("30-08-18", TDateOrder::doDayMonth), 20180830);
  EXPECT_EQ(DateNumber("08/30/49", TDateOrder::doMonthDay), 20490830);
  EXPECT_EQ(DateNumber("01.01.50", TDateOrder::doDayMonth), 19500101);
  EXPECT_EQ(DateNumber("29-02-2000", TDateOrder::doDayMonth), 20000229);
  EXPECT_EQ(DateNumber("2018-08-30", TDateOrder::doMonthDay), 20180830);
  for (const char* bad : {"", "30-08", "29-02-19", "32-01-18", "1-13-18", "30--08-18", "30-08-18x"})
    EXPECT_FALSE(DateNumber(bad, TDateOrder::doDayMonth)) << bad;
}

// The loader reads properties while it scans, also where a read piece cuts a
// block in two, and keeps each distinct value once.
TEST(LoadedProperties, SameForEveryPieceSize) {
  std::string text = "preamble\r\n";
  for (int i = 0; i < 12; ++i) {
    std::string block = "  OBJECT-PROPERTIES\r\n  {\r\n    Date=0" + std::to_string(i % 9 + 1) +
                        "-02-18;\r\n    Time=10:00:0" + std::to_string(i % 10) + ";\r\n" +
                        (i % 3 == 0 ? "    Modified=Yes;\r\n" : "") +
                        "    Version List=NAVW17.00;\r\n  }\r\n";
    text += Object("Table " + std::to_string(i) + " T", i % 4 == 3 ? "" : block);
  }
  text += "OBJECT Page 99 Last\n{\nOBJECT-PROPERTIES\n{\nDate=31-12-49;\n}";
  testing_support::TempDir dir;
  const std::string path = dir.write("p.txt", text);
  for (std::size_t piece :
       {std::size_t(1), std::size_t(7), std::size_t(64), std::size_t(1) << 20}) {
    TObjectTextFile file;
    file.SetReadPieceSize(piece);
    file.LoadFromFile(path);
    ASSERT_EQ(file.GetCount(), 13);
    for (int i = 0; i < 12; ++i) {
      const TObjectTextObject& o = file.GetObject(i);
      if (i % 4 == 3) {
        EXPECT_EQ(o.Date(), "");
        EXPECT_FALSE(o.Modified());
        continue;
      }
      EXPECT_EQ(o.Date(), "0" + std::to_string(i % 9 + 1) + "-02-18") << piece << " " << i;
      EXPECT_EQ(o.Time(), "10:00:0" + std::to_string(i % 10));
      EXPECT_EQ(o.VersionList(), "NAVW17.00");
      EXPECT_EQ(o.Modified(), i % 3 == 0);
    }
    EXPECT_EQ(file.GetObject(12).Date(), "31-12-49") << piece;
    EXPECT_EQ(file.Properties().VersionLists.Count(), 2u);  // the empty one and one more
    EXPECT_EQ(file.DateOrder(), TDateOrder::doDayMonth);
  }
  // A load told not to read them gives the same entries without properties.
  TObjectTextFile plain;
  plain.SetReadPieceSize(7);
  plain.SetReadProperties(false);
  plain.LoadFromFile(path);
  ASSERT_EQ(plain.GetCount(), 13);
  EXPECT_EQ(plain.GetObject(12).StartOffset() + plain.GetObject(12).Length(),
            std::int32_t(text.size()));
  EXPECT_EQ(plain.GetObject(0).Date(), "");
  EXPECT_EQ(plain.Properties().Dates.Count(), 1u);  // the empty one only
  TObjectTextFile parsed;
  parsed.ParseText(text);
  EXPECT_EQ(parsed.GetObject(0).Time(), "10:00:00");
  parsed.Clear();
  EXPECT_EQ(parsed.Properties().Times.Count(), 1u);
}

// An object that ends inside its unclosed block: the next header line also
// has the form of a property line, yet neither it nor what follows it belongs
// to the first object, however the file is read.
TEST(LoadedProperties, BlockEndsAtTheNextHeader) {
  const std::string text =
      "OBJECT Codeunit 80 A\n{\n  OBJECT-PROPERTIES\n  {\n    Date=30-06-18;\n"
      "OBJECT Codeunit 81 Next=x;\n  }\n}\n";
  TPropertyValues values;
  EXPECT_EQ(ParseObjectProperties(text, true, values), TBlockScan::bsAbsent);
  testing_support::TempDir dir;
  const std::string path = dir.write("cut.txt", text);
  TObjectTextFile parsed;
  parsed.ParseText(text);
  for (std::size_t piece : {std::size_t(1), std::size_t(16), std::size_t(1) << 20}) {
    TObjectTextFile file;
    file.SetReadPieceSize(piece);
    file.LoadFromFile(path);
    ASSERT_EQ(file.GetCount(), 2);
    EXPECT_EQ(file.GetObject(0).Date(), "") << piece;
    EXPECT_EQ(parsed.GetObject(0).Date(), "");
  }
}

}  // namespace

namespace {

TEST(StringPool, KeepsEachDistinctValueOnceThroughGrowth) {
  TStringPool pool;
  EXPECT_EQ(pool.Add(""), 0u);
  std::vector<std::uint32_t> ids;
  for (int i = 0; i < 5000; ++i) ids.push_back(pool.Add("v" + std::to_string(i)));
  for (int i = 4999; i >= 0; --i) {
    ASSERT_EQ(pool.Add("v" + std::to_string(i)), ids[std::size_t(i)]);
    ASSERT_EQ(pool.Get(ids[std::size_t(i)]), "v" + std::to_string(i));
  }
  EXPECT_EQ(pool.Count(), 5001u);
  pool.Seal();
  EXPECT_EQ(pool.Get(ids[42]), "v42");
  EXPECT_EQ(pool.Get(0), "");
}

}  // namespace
