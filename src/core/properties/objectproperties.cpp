// SPDX-License-Identifier: MIT
#include "objectproperties.h"

#include <algorithm>
#include <array>
#include <functional>

TStringPool::TStringPool() {
  FEnds.push_back(0);
}

std::uint32_t TStringPool::Add(std::string_view text) {
  if (text.empty()) return 0;
  if (FLast != 0 && Get(FLast) == text) return FLast;
  if (FSlots.size() < 2 * std::size_t(Count())) Grow(std::max<std::size_t>(64, FSlots.size() * 2));
  const auto hash = std::uint32_t(std::hash<std::string_view>()(text));
  const std::size_t mask = FSlots.size() - 1;
  std::size_t i = hash & mask;
  for (; FSlots[i] != 0; i = (i + 1) & mask) {
    const auto id = std::uint32_t(FSlots[i]);
    if (std::uint32_t(FSlots[i] >> 32) == hash && Get(id) == text) return FLast = id;
  }
  const std::uint32_t id = Count();
  FBytes.append(text);
  FEnds.push_back(std::uint32_t(FBytes.size()));
  FSlots[i] = (std::uint64_t(hash) << 32) | id;
  return FLast = id;
}

std::uint32_t TStringPool::Append(std::string_view text) {
  if (text.empty()) return 0;
  FBytes.append(text);
  FEnds.push_back(std::uint32_t(FBytes.size()));
  return Count() - 1;
}

std::uint32_t TStringPool::AppendAll(const TStringPool& from) {
  const std::uint32_t shift = Count() - 1;
  const auto base = std::uint32_t(FBytes.size());
  FBytes.append(from.FBytes);
  FEnds.reserve(FEnds.size() + from.FEnds.size() - 1);
  for (std::size_t id = 1; id < from.FEnds.size(); ++id) FEnds.push_back(base + from.FEnds[id]);
  return shift;
}

void TStringPool::Reserve(std::size_t count) {
  std::size_t slots = std::max<std::size_t>(64, FSlots.size());
  while (slots < 2 * count) slots *= 2;
  if (slots > FSlots.size()) Grow(slots);
}

// size: a power of two, at least twice the strings.
void TStringPool::Grow(std::size_t size) {
  std::vector<std::uint64_t> slots(size, 0);
  const std::size_t mask = slots.size() - 1;
  for (const std::uint64_t slot : FSlots) {
    if (slot == 0) continue;
    std::size_t i = std::uint32_t(slot >> 32) & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = slot;
  }
  FSlots.swap(slots);
}

std::string_view TStringPool::Get(std::uint32_t id) const {
  if (id == 0 || id >= FEnds.size()) return {};
  return std::string_view(FBytes).substr(FEnds[id - 1], FEnds[id] - FEnds[id - 1]);
}

void TStringPool::Seal() {
  std::vector<std::uint64_t>().swap(FSlots);
  FLast = 0;
  FBytes.shrink_to_fit();
  FEnds.shrink_to_fit();
}

void TStringPool::Clear() {
  std::string().swap(FBytes);
  std::vector<std::uint32_t>(1, 0).swap(FEnds);
  std::vector<std::uint64_t>().swap(FSlots);
  FLast = 0;
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
  std::size_t yearFirst = 0;
  std::size_t yearLast = 0;
  // Which values the first and the third fields take: a handful for years,
  // up to 31 for days.
  std::uint32_t firstValues = 0, thirdValues = 0;
  const auto count = [](std::uint32_t bits) {
    int n = 0;
    for (; bits; bits &= bits - 1) ++n;
    return n;
  };
  for (std::uint32_t id = 1; id < dates.Count(); ++id) {
    const auto fields = SplitDate(dates.Get(id));
    if (!fields || fields->Digits[0] > 2 || fields->Digits[2] > 2) continue;
    const auto& v = fields->Value;
    if (v[0] > 31) ++yearFirst;
    if (v[2] > 31) ++yearLast;
    if (v[0] <= 31) firstValues |= 1u << v[0];
    if (v[2] <= 31) thirdValues |= 1u << v[2];
    if (v[0] > 12 && v[0] <= 31 && v[1] <= 12) ++dayFirst;
    if (v[1] > 12 && v[0] <= 12) ++monthFirst;
  }
  if (yearFirst > yearLast) return TDateOrder::doYearMonthDay;
  if (yearFirst == 0 && yearLast == 0 && count(thirdValues) >= 12 &&
      count(thirdValues) >= 3 * count(firstValues))
    return TDateOrder::doYearMonthDay;
  return monthFirst > dayFirst ? TDateOrder::doMonthDay : TDateOrder::doDayMonth;
}

namespace {

// yyyymmddD, as newer exports write a date.
std::optional<std::int32_t> CompactDate(std::string_view text) {
  if (text.size() != 9 || (text[8] != 'D' && text[8] != 'd')) return std::nullopt;
  std::int32_t value = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<std::int32_t> DateNumber(std::string_view text, TDateOrder order) {
  int year, month, day, yearDigits;
  const auto fields = SplitDate(text);
  if (const auto compact = CompactDate(text)) {
    year = *compact / 10000;
    month = *compact / 100 % 100;
    day = *compact % 100;
    yearDigits = 4;
  } else if (!fields) {
    return std::nullopt;
  } else if (fields->Digits[0] == 4 ||
             (order == TDateOrder::doYearMonthDay && fields->Digits[2] != 4)) {
    year = fields->Value[0];
    month = fields->Value[1];
    day = fields->Value[2];
    yearDigits = fields->Digits[0];
  } else {
    year = fields->Value[2];
    yearDigits = fields->Digits[2];
    const bool dayFirst = order != TDateOrder::doMonthDay;
    month = dayFirst ? fields->Value[1] : fields->Value[0];
    day = dayFirst ? fields->Value[0] : fields->Value[1];
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
  if (lower == "ymd") return TDateOrder::doYearMonthDay;
  return std::nullopt;
}
