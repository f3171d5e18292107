// SPDX-License-Identifier: MIT
// Searching the loaded file or set backwards, object by object, as Find Previous
// does: the counterpart of TObjectTextFile::FindText.
#pragma once

#include <cstdint>
#include <string>

class TObjectSet;

// Searches object ObjIndex for the last match that ends before the 1-based
// position Pos (Pos - 1 is the 0-based start of the selection to search back
// from; a Pos past the text's end, or 0, searches the whole object), then
// each earlier object from its end. Matches lie within one object and never
// overlap what the search starts from. On a hit ObjIndex and Pos give the
// object and the 1-based position of the match; on a miss ObjIndex is -1 and
// Pos 0. An ObjIndex at or past the count starts at the end of the last
// object. Case is ignored as FindText ignores it: only for a to z.
bool FindPreviousText(const TObjectSet& file, std::int32_t& ObjIndex, std::int32_t& Pos,
                      const std::string& text, bool MatchCase);
