// SPDX-License-Identifier: MIT
// Three files for a merge whose right result is known by construction: the
// ORIGINAL; MODIFIED, an update of it (code lines, fields, procedures, a
// property, new release tags and dates, new and removed objects); TARGET,
// customisations of it (new fields at the end of tables, new procedures,
// edited code lines, an add-on's version tag, Modified=Yes, new and deleted
// objects). Both sides change different elements of the same objects, and
// now and then the same code line, where the right result is a conflict.
#pragma once

#include <cstdint>
#include <string>

namespace marlox::bench {

struct TMergeSetCounts {
  std::size_t Objects = 0;      // in ORIGINAL
  std::size_t ChangedBoth = 0;  // changed on both sides, the conflicts included
  std::size_t Conflicts = 0;    // both sides edit the same line
};

// Writes original.txt, modified.txt, target.txt and expected.txt into dir,
// and both.txt: the objects changed on both sides ("Type<TAB>ID<TAB>c" with
// c 1 where a conflict is right, else 0), one a line.
TMergeSetCounts GenerateMergeSet(std::size_t totalBytes, std::uint64_t seed,
                                 const std::string& dir);

}  // namespace marlox::bench
