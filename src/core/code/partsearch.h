// SPDX-License-Identifier: MIT
// A search of every object of a set shared out between threads, in parts of
// about equal bytes, the parts' results joined in file order; internal to
// this library.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "objectreferences.h"

namespace cal::detail {

// Threads for a search of file: one unless its objects lie in one open file,
// which any number of readers can read by offset at once, of a size that
// repays starting them.
unsigned SearchThreads(const TObjectSet& file);

// Searches objects [first, last) into uses, calling progress as FindUses
// does; worker, below the thread count, tells which thread calls, so that
// what a search reuses needs no lock.
using TPartSearch =
    std::function<bool(unsigned worker, std::int32_t first, std::int32_t last,
                       std::vector<TObjectUse>& uses, const TUsesProgress& progress)>;

// Runs search over parts of file on threads threads, the caller's one of
// them and the only one that calls progress; as FindUses, returns false
// when progress cancelled, and throws the first part's error.
bool SearchInParts(const TObjectSet& file, unsigned threads, const TPartSearch& search,
                   std::vector<TObjectUse>& uses, const TUsesProgress& progress);

}  // namespace cal::detail
