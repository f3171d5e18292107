// SPDX-License-Identifier: MIT
#include "objectorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "objectkey.h"
#include "propertyvalues.h"
#include "testfiles.h"

namespace {

TEST(PropertyValues, DatesInEveryStoredForm) {
  EXPECT_EQ(DateValue("30-08-18", TDateOrder::doDayMonth), 20180830);
  EXPECT_EQ(DateValue("08/30/18", TDateOrder::doMonthDay), 20180830);
  EXPECT_EQ(DateValue("20180425D", TDateOrder::doMonthDay), 20180425);
  EXPECT_EQ(DateValue(" [30.08.2018] ", TDateOrder::doDayMonth), 20180830);
  for (const char* bad : {"", "0D", "20181325D", "2018042D", "x0180425D", "31-02-18", "[]"})
    EXPECT_FALSE(DateValue(bad, TDateOrder::doDayMonth)) << bad;
}

TEST(PropertyValues, TimesWithAndWithoutTheHalfOfTheDay) {
  constexpr int H = 3600000, M = 60000, S = 1000;
  EXPECT_EQ(TimeValue("12:00:00"), 12 * H);
  EXPECT_EQ(TimeValue("12:00:00 PM"), 12 * H);
  EXPECT_EQ(TimeValue("12:00:00 AM"), 0);
  EXPECT_EQ(TimeValue("[ 7:00:00 PM]"), 19 * H);
  EXPECT_EQ(TimeValue("7:05 am"), 7 * H + 5 * M);
  EXPECT_EQ(TimeValue("23:59:59.5"), 23 * H + 59 * M + 59 * S + 500);
  EXPECT_EQ(TimeValue("120000T"), 12 * H);
  EXPECT_EQ(TimeValue("070000.25T"), 7 * H + 250);
  for (const char* bad : {"", "24:00:00", "12:60", "13:00 PM", "0:00 AM", "12:00:00 XM", "1200T",
                          "12:0", "12:00:00.", "noon"})
    EXPECT_FALSE(TimeValue(bad)) << bad;
}

TEST(CompareText, LettersInEitherCaseSitTogether) {
  EXPECT_LT(CompareText("alpha", "Zeta"), 0);
  EXPECT_LT(CompareText("Codeunit", "codeunit"), 0);  // ties go by the bytes
  EXPECT_EQ(CompareText("Sales", "Sales"), 0);
  EXPECT_LT(CompareText("Sale", "sales"), 0);
  EXPECT_GT(CompareText("\x81", "z"), 0);
}

class ObjectOrder : public ::testing::Test {
 protected:
  testing_support::TempDir dir;
  TObjectTextFile file;

  static std::string Object(const std::string& header, const std::string& date,
                            const std::string& time) {
    std::string block;
    if (!date.empty()) block += "    Date=" + date + ";\r\n";
    if (!time.empty()) block += "    Time=" + time + ";\r\n";
    return "OBJECT " + header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n" + block + "  }\r\n}\r\n";
  }

  // The file order of the objects sorted stably by column, ascending.
  std::vector<int> Sorted(TObjectColumn column) {
    std::vector<int> rows(std::size_t(file.GetCount()));
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
      const TObjectTextObject& x = file.GetObject(a);
      const TObjectTextObject& y = file.GetObject(b);
      const bool hasX = HasColumnValue(x, column, file.DateOrder());
      const bool hasY = HasColumnValue(y, column, file.DateOrder());
      if (hasX != hasY) return hasX;
      return hasX && CompareObjects(x, y, column, file.DateOrder()) < 0;
    });
    return rows;
  }
};

TEST_F(ObjectOrder, EachColumnByItsValue) {
  file.LoadFromFile(
      dir.write("objects.txt", Object("Table 100 beta", "30-08-18", "9:00:00 PM") +
                                   Object("Codeunit 9 Alpha", "01-09-18", "12:00:00 PM") +
                                   Object("table 20 gamma", "", "") +
                                   Object("Page -5 Beta", "20180830D", "[ 7:00:00 AM]")));
  EXPECT_EQ(Sorted(TObjectColumn::ocID), (std::vector<int>{3, 1, 2, 0}));  // as numbers
  EXPECT_EQ(Sorted(TObjectColumn::ocName), (std::vector<int>{1, 3, 0, 2}));
  // "table" has no type of its own: it is the unknown kind, sorted by that name.
  EXPECT_EQ(Sorted(TObjectColumn::ocType), (std::vector<int>{1, 3, 0, 2}));
  // Equal dates keep file order; an object without one comes last.
  EXPECT_EQ(Sorted(TObjectColumn::ocDate), (std::vector<int>{0, 3, 1, 2}));
  EXPECT_EQ(Sorted(TObjectColumn::ocTime), (std::vector<int>{3, 1, 0, 2}));
}

}  // namespace

namespace {

TEST(ObjectKey, FindsTheSameObjectsInAnotherLoadOfTheFile) {
  testing_support::TempDir dir;
  TObjectTextFile file;
  file.LoadFromFile(dir.write("a.txt",
                              "OBJECT Table 18 Customer\r\nOBJECT Page 18 Card\r\n"
                              "OBJECT Table 18 Customer\r\nOBJECT Codeunit 80 Post\r\n"));
  const std::vector<TObjectKey> keys = KeysOf(file, {2, 1, 3});
  EXPECT_EQ(keys[0], (TObjectKey{TObjectType::otTable, 18, 1}));
  EXPECT_EQ(IndexesOf(file, keys), (std::vector<std::int32_t>{2, 1, 3}));
  // Another load, of a changed file (under another name: Windows lets nobody
  // write a file that is held): the second table 18 is gone, the first stands
  // for it; an object no longer in the file is not found.
  file.LoadFromFile(dir.write("b.txt", "OBJECT Page 18 Card\r\nOBJECT Table 18 Customer\r\n"));
  EXPECT_EQ(IndexesOf(file, keys), (std::vector<std::int32_t>{1, 0, -1}));
}

}  // namespace
