// SPDX-License-Identifier: MIT
#include "comparisonfilter.h"

#include <array>
#include <cstdint>
#include <string>

namespace {

struct TStatusWord {
  std::string_view Word;
  TComparisonStatus Status;
};

// Written as typed in a filter; "properties only" is one word there.
constexpr std::array<TStatusWord, 5> StatusWords = {{
    {"added", TComparisonStatus::csAdded},
    {"removed", TComparisonStatus::csRemoved},
    {"changed", TComparisonStatus::csChanged},
    {"propertiesonly", TComparisonStatus::csPropertiesOnly},
    {"identical", TComparisonStatus::csIdentical},
}};

[[noreturn]] void Fail(std::string_view value, std::string_view expected) {
  throw EFilterError("Invalid filter term 'status:" + std::string(value) + "': expected " +
                     std::string(expected));
}

// A bit per status named by value: words or unambiguous prefixes parted by '|'.
std::uint8_t StatusBits(std::string_view value) {
  std::uint8_t bits = 0;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = value.find('|', from);
    std::string word(value.substr(from, bar == std::string_view::npos ? bar : bar - from));
    for (char& c : word)
      if (c >= 'A' && c <= 'Z') c = char(c + 32);
    int found = -1;
    int prefixes = 0;
    for (std::size_t i = 0; i < StatusWords.size() && !word.empty(); ++i) {
      if (StatusWords[i].Word.substr(0, word.size()) == word) {
        found = int(i);
        ++prefixes;
      }
    }
    if (prefixes != 1)
      Fail(value,
           "statuses such as added, removed, changed, propertiesonly or identical, "
           "parted by |");
    bits = std::uint8_t(bits | (1u << unsigned(StatusWords[std::size_t(found)].Status)));
    if (bar == std::string_view::npos) return bits;
    from = bar + 1;
  }
}

}  // namespace

TComparisonFilter::TComparisonFilter()
    : FCurrent(std::make_shared<std::optional<TComparisonStatus>>()) {}

TFilterOptions TComparisonFilter::WithStatusTerm(TFilterOptions options) const {
  options.ExtraKinds["status"] = [current = FCurrent](std::string_view value) -> TObjectPredicate {
    const std::uint8_t bits = StatusBits(value);
    return [current, bits](const TObjectTextObject&) {
      return current->has_value() && ((bits >> unsigned(**current)) & 1u) != 0;
    };
  };
  return options;
}

TObjectFilter TComparisonFilter::Compile(std::string_view expression,
                                         TFilterOptions options) const {
  return TObjectFilter(expression, WithStatusTerm(std::move(options)));
}

bool TComparisonFilter::Matches(const TObjectFilter& filter, const TComparisonItem& item,
                                const TObjectSet& oldFile, const TObjectSet& newFile) const {
  if (filter.Empty()) return true;
  *FCurrent = item.Status;
  const bool matches = (item.NewIndex >= 0 && filter.Matches(newFile.GetObject(item.NewIndex))) ||
                       (item.OldIndex >= 0 && filter.Matches(oldFile.GetObject(item.OldIndex)));
  FCurrent->reset();
  return matches;
}

TComparison TComparisonFilter::Select(const TObjectFilter& filter, const TComparison& comparison,
                                      const TObjectSet& oldFile, const TObjectSet& newFile) const {
  if (filter.Empty()) return comparison;
  TComparison selected;
  selected.Duplicates = comparison.Duplicates;
  TComparisonCounts& counts = selected.Counts;
  for (const TComparisonItem& item : comparison.Items) {
    if (!Matches(filter, item, oldFile, newFile)) continue;
    selected.Items.push_back(item);
    switch (item.Status) {
      case TComparisonStatus::csAdded: ++counts.Added; break;
      case TComparisonStatus::csRemoved: ++counts.Removed; break;
      case TComparisonStatus::csChanged: ++counts.Changed; break;
      case TComparisonStatus::csPropertiesOnly: ++counts.PropertiesOnly; break;
      case TComparisonStatus::csIdentical: ++counts.Identical; break;
    }
  }
  return selected;
}
