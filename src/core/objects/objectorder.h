// SPDX-License-Identifier: MIT
// The orders a list of objects can be sorted in, one per column: the number
// as a number, date and time by their real value, everything else as text.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "vexafile.h"

enum class TObjectColumn { ocType, ocID, ocName, ocModified, ocVersionList, ocDate, ocTime };

// Text in order of its ASCII letters without regard to case, and where that
// ties, of its bytes: "codeunit" and "Codeunit" sit together, "Zeta" after
// "alpha". Negative, zero or positive as a before, like or after b.
int CompareText(std::string_view a, std::string_view b);

// Whether the object has a value in column: a readable date or time; every
// object has the other columns.
bool HasColumnValue(const TObjectTextObject& object, TObjectColumn column, TDateOrder order);

// Compares two objects by one column, both with a value there. Negative,
// zero or positive; objects alike in the column compare as zero, so that a
// stable sort keeps them in file order.
int CompareObjects(const TObjectTextObject& a, const TObjectTextObject& b, TObjectColumn column,
                   TDateOrder order);

// The objects whose display names are longest, at most limit of them, the
// longest first and ties in file order: where a view finds its widest
// caption without measuring every one.
std::vector<std::int32_t> LongestDisplayNames(const TObjectSet& objects, std::size_t limit);
