// SPDX-License-Identifier: MIT
#include "objectorder.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

#include "propertyvalues.h"

namespace {

char Folded(char c) {
  return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

template <typename T>
int Compare(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(Folded(a[i]));
    const auto y = static_cast<unsigned char>(Folded(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return Compare(a, b);
}

bool HasColumnValue(const TObjectTextObject& object, TObjectColumn column, TDateOrder order) {
  switch (column) {
    case TObjectColumn::ocDate: return DateValue(object.Date(), order).has_value();
    case TObjectColumn::ocTime: return TimeValue(object.Time()).has_value();
    default: return true;
  }
}

int CompareObjects(const TObjectTextObject& a, const TObjectTextObject& b, TObjectColumn column,
                   TDateOrder order) {
  switch (column) {
    case TObjectColumn::ocType:
      return CompareText(ObjectTypeNames[std::size_t(a.ObjectType())],
                         ObjectTypeNames[std::size_t(b.ObjectType())]);
    case TObjectColumn::ocID: return Compare(a.ID(), b.ID());
    case TObjectColumn::ocName: return CompareText(a.Name(), b.Name());
    case TObjectColumn::ocModified: return Compare(a.Modified(), b.Modified());
    case TObjectColumn::ocVersionList: return CompareText(a.VersionList(), b.VersionList());
    case TObjectColumn::ocDate:
      return Compare(DateValue(a.Date(), order).value_or(0),
                     DateValue(b.Date(), order).value_or(0));
    case TObjectColumn::ocTime:
      return Compare(TimeValue(a.Time()).value_or(0), TimeValue(b.Time()).value_or(0));
  }
  return 0;
}

std::vector<std::int32_t> LongestDisplayNames(const TObjectSet& objects, std::size_t limit) {
  // The length GetDisplayName gives, without building the name.
  const auto length = [&](std::int32_t index) {
    const TObjectTextObject& object = objects.GetObject(index);
    char digits[16];
    const auto number = std::to_chars(std::begin(digits), std::end(digits), object.ID());
    return ObjectTypeNames[std::size_t(object.ObjectType())].size() + 2 +
           std::size_t(number.ptr - digits) + object.Name().size();
  };
  std::vector<std::pair<std::size_t, std::int32_t>> longest;
  longest.reserve(std::size_t(objects.GetCount()));
  for (std::int32_t i = 0; i < objects.GetCount(); ++i) longest.emplace_back(length(i), i);
  const auto first = [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  };
  const std::size_t kept = std::min(limit, longest.size());
  std::partial_sort(longest.begin(), longest.begin() + std::ptrdiff_t(kept), longest.end(), first);
  std::vector<std::int32_t> result;
  for (std::size_t i = 0; i < kept; ++i) result.push_back(longest[i].second);
  return result;
}
