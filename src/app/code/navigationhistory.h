// SPDX-License-Identifier: MIT
// Where the reader was before each jump to another object, for going back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct TNavigationPlace {
  int ObjIndex;
  std::int32_t SelStart;
  std::int32_t SelLength;
  bool operator==(const TNavigationPlace&) const = default;
};

class TNavigationHistory {
 public:
  // Old places are dropped beyond this many.
  static constexpr std::size_t MaxPlaces = 100;

  void push(const TNavigationPlace& place);
  std::optional<TNavigationPlace> back();
  bool canGoBack() const { return !FPlaces.empty(); }
  // A new file invalidates every place.
  void clear() { FPlaces.clear(); }

 private:
  std::vector<TNavigationPlace> FPlaces;
};
