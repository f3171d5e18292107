// SPDX-License-Identifier: MIT
#include "navigationhistory.h"

void TNavigationHistory::push(const TNavigationPlace& place) {
  if (FPlaces.size() == MaxPlaces) FPlaces.erase(FPlaces.begin());
  FPlaces.push_back(place);
}

std::optional<TNavigationPlace> TNavigationHistory::back() {
  if (FPlaces.empty()) return std::nullopt;
  const TNavigationPlace place = FPlaces.back();
  FPlaces.pop_back();
  return place;
}
