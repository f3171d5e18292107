// SPDX-License-Identifier: MIT
// The OBJECT-PROPERTIES block and its values: the block lies within the
// object's text at line starts, the values are bytes of the block, a scan of
// a cut-off text either asks for more or already agrees with the whole text,
// and a load in small read pieces stores what ParseText stores. Dates are
// held to a plain reading of their three numbers.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzzsupport.h"
#include "objectproperties.h"
#include "propertyblock.h"
#include "vexafile.h"

namespace {

using TStored = std::tuple<std::string, std::string, std::string, bool>;

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n' || c == '\0';
}

bool Within(std::string_view part, std::string_view whole, std::size_t begin, std::size_t end) {
  if (part.empty()) return true;
  return part.data() >= whole.data() + begin && part.data() + part.size() <= whole.data() + end;
}

// Three runs of one to four digits parted by single non-digits.
std::optional<std::vector<std::string>> DigitRuns(std::string_view text) {
  std::vector<std::string> runs(1);
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      runs.back() += c;
    } else {
      if (runs.back().empty()) return std::nullopt;
      runs.emplace_back();
    }
  }
  if (runs.size() != 3) return std::nullopt;
  for (const std::string& run : runs)
    if (run.empty() || run.size() > 4) return std::nullopt;
  return runs;
}

std::optional<std::int32_t> NaiveDateNumber(std::string_view text, TDateOrder order) {
  const auto split = DigitRuns(text);
  if (!split) return std::nullopt;
  const std::vector<std::string>& runs = *split;
  int year, month, day;
  if (runs[0].size() == 4) {
    year = std::stoi(runs[0]);
    month = std::stoi(runs[1]);
    day = std::stoi(runs[2]);
  } else {
    if (runs[2].size() != 2 && runs[2].size() != 4) return std::nullopt;
    year = std::stoi(runs[2]);
    if (runs[2].size() == 2) year += year < 50 ? 2000 : 1900;
    const int first = std::stoi(runs[0]), second = std::stoi(runs[1]);
    day = order == TDateOrder::doDayMonth ? first : second;
    month = order == TDateOrder::doDayMonth ? second : first;
  }
  if (month < 1 || month > 12 || day < 1) return std::nullopt;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day > lengths[month - 1]) return std::nullopt;
  return year * 10000 + month * 100 + day;
}

void CheckDate(std::string_view text) {
  for (TDateOrder order : {TDateOrder::doDayMonth, TDateOrder::doMonthDay})
    FUZZ_CHECK(DateNumber(text, order) == NaiveDateNumber(text, order));
}

// The block of text seen as one object's text.
void CheckBlock(std::string_view text) {
  const TPropertyBlock block = FindPropertiesBlock(text);
  TPropertyValues values;
  const TBlockScan whole = ParseObjectProperties(text, true, values);
  FUZZ_CHECK(whole != TBlockScan::bsTruncated);
  FUZZ_CHECK(block.Found == (whole == TBlockScan::bsFound));
  if (block.Found) {
    FUZZ_CHECK(block.Begin < block.End && block.End <= text.size());
    FUZZ_CHECK(block.Begin > 0 && IsLineBreak(text[block.Begin - 1]));
    FUZZ_CHECK(block.End == text.size() || IsLineBreak(text[block.End - 1]));
    FUZZ_CHECK(Within(values.Date, text, block.Begin, block.End));
    FUZZ_CHECK(Within(values.Time, text, block.Begin, block.End));
    FUZZ_CHECK(Within(values.VersionList, text, block.Begin, block.End));
  } else {
    FUZZ_CHECK(values.Date.empty() && values.Time.empty() && values.VersionList.empty() &&
               !values.Modified);
  }
  // A cut-off text asks for more, or has already seen what the whole text gives.
  const std::size_t step = text.size() <= 1024 ? 1 : text.size() / 256;
  for (std::size_t cut = 0; cut <= text.size(); cut += step) {
    TPropertyBlock part;
    const TBlockScan scan = ScanPropertiesBlock(text.substr(0, cut), false, part);
    if (scan == TBlockScan::bsTruncated) continue;
    FUZZ_CHECK(scan == whole);
    if (scan == TBlockScan::bsFound) FUZZ_CHECK(part.Begin == block.Begin && part.End == block.End);
  }
}

std::vector<TStored> Stored(const TObjectTextFile& file) {
  std::vector<TStored> stored;
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& entry = file.GetObject(i);
    stored.emplace_back(entry.Date(), entry.Time(), entry.VersionList(), entry.Modified());
  }
  return stored;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckBlock(text);
  if (size <= 32) CheckDate(text);

  TObjectTextFile parsed;
  try {
    parsed.ParseText(text);
  } catch (const ConversionError&) {
    return 0;  // the scanner's own target holds it to its error
  }
  // Each entry stores what its own text's block gives, nothing from beyond it.
  TStringPool pool;
  std::vector<std::pair<std::string, std::uint32_t>> added;
  for (std::int32_t i = 0; i < parsed.GetCount(); ++i) {
    const TObjectTextObject& entry = parsed.GetObject(i);
    const std::string_view own = std::string_view(text).substr(std::size_t(entry.StartOffset()),
                                                               std::size_t(entry.Length()));
    TPropertyValues values;
    ParseObjectProperties(own, true, values);
    FUZZ_CHECK(entry.Date() == values.Date);
    FUZZ_CHECK(entry.Time() == values.Time);
    FUZZ_CHECK(entry.VersionList() == values.VersionList);
    FUZZ_CHECK(entry.Modified() == values.Modified);
    CheckDate(values.Date);
    for (std::string_view value : {values.Date, values.Time, values.VersionList})
      added.emplace_back(std::string(value), pool.Add(value));
  }
  // The pool numbers each distinct text once and gives it back.
  for (const auto& [value, id] : added) {
    FUZZ_CHECK(pool.Get(id) == value);
    FUZZ_CHECK((id == 0) == value.empty());
    for (const auto& [other, otherId] : added) FUZZ_CHECK((value == other) == (id == otherId));
  }
  // A first field above 31 is a year, and so is a third one; with no such
  // field, a third field taking many more values than the first is a day.
  // Otherwise a first number above 12 is a day, a second one above 12 too;
  // the more frequent evidence over the distinct dates wins, day first on a tie.
  std::size_t dayFirst = 0, monthFirst = 0, yearFirst = 0, yearLast = 0;
  std::set<int> firstValues, thirdValues;
  for (std::uint32_t id = 1; id < parsed.Properties().Dates.Count(); ++id) {
    const auto runs = DigitRuns(parsed.Properties().Dates.Get(id));
    if (!runs || (*runs)[0].size() > 2 || (*runs)[2].size() > 2) continue;
    const int first = std::stoi((*runs)[0]), second = std::stoi((*runs)[1]),
              third = std::stoi((*runs)[2]);
    if (first > 31) ++yearFirst;
    if (third > 31) ++yearLast;
    if (first <= 31) firstValues.insert(first);
    if (third <= 31) thirdValues.insert(third);
    if (first > 12 && first <= 31 && second <= 12) ++dayFirst;
    if (second > 12 && first <= 12) ++monthFirst;
  }
  const bool yearFirstOrder =
      yearFirst > yearLast || (yearFirst == 0 && yearLast == 0 && thirdValues.size() >= 12 &&
                               thirdValues.size() >= 3 * firstValues.size());
  FUZZ_CHECK(parsed.DateOrder() == (yearFirstOrder          ? TDateOrder::doYearMonthDay
                                    : monthFirst > dayFirst ? TDateOrder::doMonthDay
                                                            : TDateOrder::doDayMonth));

  // A load in small pieces cuts blocks apart and reads them again.
  const std::vector<TStored> expected = Stored(parsed);
  const std::string path = fuzz::WriteScratchFile("properties.txt", text);
  TObjectTextFile file;
  for (std::size_t piece : {1, 9, 13, 64, 4096}) {
    file.SetReadPieceSize(piece);
    file.LoadFromFile(path);
    FUZZ_CHECK(Stored(file) == expected);
    FUZZ_CHECK(file.DateOrder() == parsed.DateOrder());
  }
  return 0;
}
