// SPDX-License-Identifier: MIT
#include "objectorder.h"

#include <algorithm>

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
