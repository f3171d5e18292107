// SPDX-License-Identifier: MIT
// The real values behind the Date and Time texts of an OBJECT-PROPERTIES
// block, as the machines that export objects write them, so that objects
// can be put in order of when they changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "objectproperties.h"

// yyyymmdd of a stored date: every form DateNumber reads, and the literal
// form 20180425D; blanks and one pair of brackets around it are ignored.
// Nothing for text that is no date (0D, the undefined date, included).
std::optional<std::int32_t> DateValue(std::string_view text, TDateOrder order);

// Milliseconds since midnight of a stored time: h:mm, h:mm:ss or h:mm:ss.fff,
// with AM or PM (12 AM is midnight, 12 PM noon), or the literal form 120000T
// or 070000.5T; blanks and one pair of brackets around it are ignored.
// Nothing for text that is no time.
std::optional<std::int32_t> TimeValue(std::string_view text);
