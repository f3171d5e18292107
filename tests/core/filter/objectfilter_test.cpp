// SPDX-License-Identifier: MIT
#include "objectfilter.h"

#include <gtest/gtest.h>

namespace {

std::string Object(const std::string& header, const std::string& date, const std::string& version,
                   bool modified) {
  return "OBJECT " + header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + date +
         ";\r\n    Time=12:00:00;\r\n" + (modified ? "    Modified=Yes;\r\n" : "") +
         "    Version List=" + version + ";\r\n  }\r\n}\r\n";
}

class ObjectFilter : public testing::Test {
 protected:
  void SetUp() override {
    file.ParseText(Object("Table 18 Customer", "30-08-18", "NAVW111.00,ABC1.02", true) +
                   Object("Table 50000 Apiary", "01-02-19", "ABC1.00", false) +
                   Object("Page 21 Customer Card", "15-06-17", "NAVW111.00", false) +
                   Object("Codeunit 80 Sales-Post", "31-12-18", "NAVW111.00", true) +
                   Object("Report 59999 Sales Totals", "", "", false));
  }
  // The numbers of the matching objects.
  std::vector<int> Ids(const std::string& expression, TFilterOptions options = {}) {
    std::vector<int> ids;
    const TObjectFilter filter(expression, std::move(options));
    for (std::int32_t i : filter.MatchingIndexes(file)) ids.push_back(file.GetObject(i).ID());
    return ids;
  }
  TObjectTextFile file;
};

using V = std::vector<int>;

TEST_F(ObjectFilter, EachTermKind) {
  EXPECT_EQ(Ids(""), V({18, 50000, 21, 80, 59999}));
  EXPECT_EQ(Ids("type:table"), V({18, 50000}));
  EXPECT_EQ(Ids("type:TAB|pag"), V({18, 50000, 21}));
  EXPECT_EQ(Ids("type:c"), V({80}));
  EXPECT_EQ(Ids("id:50000..59999"), V({50000, 59999}));
  EXPECT_EQ(Ids("id:18|80"), V({18, 80}));
  EXPECT_EQ(Ids("id:..21"), V({18, 21}));
  EXPECT_EQ(Ids("id:50000.."), V({50000, 59999}));
  EXPECT_EQ(Ids("name:customer"), V({18}));  // whole name without wildcards
  EXPECT_EQ(Ids("name:*SALES*"), V({80, 59999}));
  EXPECT_EQ(Ids("name:Customer?Card"), V({21}));
  EXPECT_EQ(Ids("customer"), V({18, 21}));  // a bare word is *word*
  EXPECT_EQ(Ids("card|post"), V({21, 80}));
  EXPECT_EQ(Ids("\"Customer Card\""), V({21}));
  EXPECT_EQ(Ids("version:*ABC1*"), V({18, 50000}));
  EXPECT_EQ(Ids("version:NAVW111.00"), V({21, 80}));
  EXPECT_EQ(Ids("modified:yes"), V({18, 80}));
  EXPECT_EQ(Ids("modified:No"), V({50000, 21, 59999}));
  EXPECT_EQ(Ids("date:2018-01-01..2018-12-31"), V({18, 80}));
  EXPECT_EQ(Ids("date:..2017-12-31|2019-02-01"), V({50000, 21}));
  EXPECT_EQ(Ids("type:table modified:yes"), V({18}));  // all terms must hold
}

TEST_F(ObjectFilter, DateOrderOverrideReadsDatesTheOtherWay) {
  EXPECT_EQ(file.DateOrder(), TDateOrder::doDayMonth);
  TFilterOptions options;
  options.DateOrder = TDateOrder::doMonthDay;
  // 01-02-19 is now January 2nd; 30-08-18 and the others are no dates at all.
  EXPECT_EQ(Ids("date:2019-01-02", options), V({50000}));
}

TEST(ObjectFilterErrors, NameTheTermAndWhatWasExpected) {
  const std::pair<const char*, const char*> cases[] = {
      {"type:z", "object types"},
      {"id:5..x", "numbers"},
      {"id:..", "numbers"},
      {"id:9..1", "start is not after"},
      {"id:1||2", "numbers"},
      {"a||b", "a word"},
      {"id:99999999999", "numbers"},
      {"name:", "a name"},
      {"modified:maybe", "yes or no"},
      {"date:2018-02-30", "dates"},
      {"date:30-08-18", "dates"},
      {"colour:red", "type:, id:"},
      {"\"open", "closing"},
      // A colon outside quotes always makes a key, and only known keys pass.
      {"typ:table", "type:, id:"},
      {"type2:table", "type:, id:"},
      {":table", "type:, id:"},
      {"na-me:x", "type:, id:"},
  };
  for (const auto& [expression, expected] : cases) {
    try {
      TObjectFilter filter(expression);
      ADD_FAILURE() << expression << " was accepted";
    } catch (const EFilterError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(std::string("'") + expression + "'"), std::string::npos) << message;
      EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
  }
}

// Newer exports: Modified=true, Date=yyyymmddD, 0D for no date; and an
// export whose dates are yy-mm-dd.
TEST(ObjectFilterNewSyntax, ModifiedTrueCompactDatesAndYearFirst) {
  const auto object = [](const std::string& header, const std::string& properties) {
    return "OBJECT " + header + "\n{\n  OBJECT-PROPERTIES\n  {\n" + properties + "  }\n}\n";
  };
  TObjectTextFile file;
  file.ParseText(object("Table 18 Customer",
                        "    Date=20180425D;\n    Time=160533.420T;\n"
                        "    Modified=true;\n") +
                 object("Table 27 Item", "    Date=0D;\n    Time=0T;\n    Modified=FALSE;\n") +
                 object("Page 21 Card", "    Date=20191231D;\n    Modified=True;\n"));
  const auto ids = [&](const std::string& expression, TFilterOptions options = {}) {
    std::vector<int> found;
    for (std::int32_t i : TObjectFilter(expression, std::move(options)).MatchingIndexes(file))
      found.push_back(file.GetObject(i).ID());
    return found;
  };
  EXPECT_EQ(ids("modified:yes"), V({18, 21}));
  EXPECT_EQ(ids("modified:no"), V({27}));
  EXPECT_EQ(file.GetObject(0).Date(), "20180425D");  // shown as stored
  EXPECT_EQ(ids("date:2018-04-25"), V({18}));
  EXPECT_EQ(ids("date:..2019-12-31"), V({18, 21}));  // 0D is no date
  TFilterOptions monthFirst;
  monthFirst.DateOrder = TDateOrder::doMonthDay;  // no order changes yyyymmddD
  EXPECT_EQ(ids("date:2019-12-31", monthFirst), V({21}));

  // yy-mm-dd: 14-09-23 is 2014-09-23, decided from the file or given.
  std::string years;
  for (int day = 1; day <= 28; ++day)
    years += object("Codeunit " + std::to_string(day) + " C",
                    "    Date=" + std::string(day % 2 ? "14" : "15") + "-09-" +
                        (day < 10 ? "0" : "") + std::to_string(day) + ";\n");
  TObjectTextFile ymd;
  ymd.ParseText(years);
  EXPECT_EQ(ymd.DateOrder(), TDateOrder::doYearMonthDay);
  EXPECT_EQ(DateNumber("14-09-23", TDateOrder::doYearMonthDay), 20140923);
  EXPECT_EQ(DateNumber("98.02.29", TDateOrder::doYearMonthDay), std::nullopt);
  EXPECT_EQ(DateNumber("30-08-2018", TDateOrder::doYearMonthDay), 20180830);
  EXPECT_EQ(DateOrderFromName("YMD"), TDateOrder::doYearMonthDay);
}

TEST_F(ObjectFilter, AddedTermKindsAndWildcards) {
  TFilterOptions options;
  options.ExtraKinds["even"] = [](std::string_view value) -> TObjectPredicate {
    if (value != "yes") throw EFilterError("even: expected yes");
    return [](const TObjectTextObject& o) { return o.ID() % 2 == 0; };
  };
  EXPECT_EQ(Ids("EVEN:yes type:table", options), V({18, 50000}));
  EXPECT_THROW(TObjectFilter("even:no", options), EFilterError);

  EXPECT_TRUE(TObjectFilter::WildcardMatch("*A*B", "xxAyyAzzB"));
  EXPECT_TRUE(TObjectFilter::WildcardMatch("**", ""));
  EXPECT_FALSE(TObjectFilter::WildcardMatch("A?", "A"));
  EXPECT_FALSE(TObjectFilter::WildcardMatch("*AB", "ABA"));
  // A '*' of the pattern stays a wildcard where the text holds a '*' too.
  EXPECT_TRUE(TObjectFilter::WildcardMatch("*B", "*AB"));
  EXPECT_TRUE(TObjectFilter::WildcardMatch("A*C", "A*BC"));
}

}  // namespace
