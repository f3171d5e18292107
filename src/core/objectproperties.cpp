// SPDX-License-Identifier: MIT
#include "objectproperties.h"

#include <array>

TStringPool::TStringPool() {
  FEnds.push_back(0);
}

std::uint32_t TStringPool::Add(std::string_view text) {
  if (text.empty()) return 0;
  auto [it, added] = FLookup.try_emplace(std::string(text), Count());
  if (added) {
    FBytes.append(text);
    FEnds.push_back(std::uint32_t(FBytes.size()));
  }
  return it->second;
}

std::string_view TStringPool::Get(std::uint32_t id) const {
  if (id == 0 || id >= FEnds.size()) return {};
  return std::string_view(FBytes).substr(FEnds[id - 1], FEnds[id] - FEnds[id - 1]);
}

void TStringPool::Seal() {
  std::unordered_map<std::string, std::uint32_t>().swap(FLookup);
  FBytes.shrink_to_fit();
  FEnds.shrink_to_fit();
}

void TStringPool::Clear() {
  std::string().swap(FBytes);
  std::vector<std::uint32_t>(1, 0).swap(FEnds);
  std::unordered_map<std::string, std::uint32_t>().swap(FLookup);
}

void TPropertyStore::Seal() {
  Dates.Seal();
  Times.Seal();
  VersionLists.Seal();
}

void TPropertyStore::Clear() {
  Dates.Clear();
  Times.Clear();
  VersionLists.Clear();
}

namespace {

struct TDateFields {
  std::array<int, 3> Value{};
  std::array<int, 3> Digits{};
};

// Three runs of at most four digits, each pair parted by exactly one non-digit.
std::optional<TDateFields> SplitDate(std::string_view text) {
  TDateFields fields;
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || (text[pos] >= '0' && text[pos] <= '9')) return std::nullopt;
      ++pos;
    }
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (++fields.Digits[i] > 4) return std::nullopt;
      fields.Value[i] = fields.Value[i] * 10 + (text[pos++] - '0');
    }
    if (fields.Digits[i] == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return fields;
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

}  // namespace

TDateOrder DecideDateOrder(const TStringPool& dates) {
  std::size_t dayFirst = 0;
  std::size_t monthFirst = 0;
  for (std::uint32_t id = 1; id < dates.Count(); ++id) {
    const auto fields = SplitDate(dates.Get(id));
    if (!fields || fields->Digits[0] > 2) continue;
    if (fields->Value[0] > 12 && fields->Value[1] <= 12) ++dayFirst;
    if (fields->Value[1] > 12 && fields->Value[0] <= 12) ++monthFirst;
  }
  return monthFirst > dayFirst ? TDateOrder::doMonthDay : TDateOrder::doDayMonth;
}

std::optional<std::int32_t> DateNumber(std::string_view text, TDateOrder order) {
  const auto fields = SplitDate(text);
  if (!fields) return std::nullopt;
  int year, month, day, yearDigits;
  if (fields->Digits[0] == 4) {
    year = fields->Value[0];
    month = fields->Value[1];
    day = fields->Value[2];
    yearDigits = 4;
  } else {
    year = fields->Value[2];
    yearDigits = fields->Digits[2];
    month = order == TDateOrder::doDayMonth ? fields->Value[1] : fields->Value[0];
    day = order == TDateOrder::doDayMonth ? fields->Value[0] : fields->Value[1];
  }
  if (yearDigits == 2)
    year += year < 50 ? 2000 : 1900;
  else if (yearDigits != 4)
    return std::nullopt;
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return std::nullopt;
  if (day > days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0)) return std::nullopt;
  return year * 10000 + month * 100 + day;
}

std::optional<TDateOrder> DateOrderFromName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  if (lower == "dmy") return TDateOrder::doDayMonth;
  if (lower == "mdy") return TDateOrder::doMonthDay;
  return std::nullopt;
}
