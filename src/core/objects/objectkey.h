// SPDX-License-Identifier: MIT
// Objects told by their type and number, so that a place in one load of a
// file can be found again in the next: the selection that a reload keeps.
#pragma once

#include <cstdint>
#include <vector>

#include "vexafile.h"

struct TObjectKey {
  TObjectType Type = TObjectType::otUnknown;
  std::int32_t ID = 0;
  // Which of the objects of that type and number, counted from 0 in file
  // order: a file may hold one twice.
  std::int32_t Occurrence = 0;
  bool operator==(const TObjectKey&) const = default;
};

// The keys of the objects at indexes, in their order; one pass over the file.
std::vector<TObjectKey> KeysOf(const TObjectSet& file, const std::vector<std::int32_t>& indexes);
// For each key the object that has it, else the last one of that type and
// number, else -1; one pass over the file.
std::vector<std::int32_t> IndexesOf(const TObjectSet& file, const std::vector<TObjectKey>& keys);
