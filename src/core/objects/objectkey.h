// SPDX-License-Identifier: MIT
// An object told by its type and number, so that a place in one load of a
// file can be found again in the next: the selection that a reload keeps.
#pragma once

#include <cstdint>

#include "vexafile.h"

struct TObjectKey {
  TObjectType Type = TObjectType::otUnknown;
  std::int32_t ID = 0;
  // Which of the objects of that type and number, counted from 0 in file
  // order: a file may hold one twice.
  std::int32_t Occurrence = 0;
  bool operator==(const TObjectKey&) const = default;
};

TObjectKey KeyOf(const TObjectTextFile& file, std::int32_t index);
// The object with that key, else the last one of that type and number, else -1.
std::int32_t IndexOf(const TObjectTextFile& file, const TObjectKey& key);
