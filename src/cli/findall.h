// SPDX-License-Identifier: MIT
// The search of the find command: every match that repeated find-next over
// the model gives, with its line number, found while the file loads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "onepassfind.h"
#include "vexafile.h"

namespace marlox::cli {

using TMatch = TFoundMatch;

// Loads fileName into file and reports every match of needle in file order,
// each search going on where the previous match ended, and never across the
// end of an object. Returns the number of matches. acceptAtEnd: accept
// can answer only once the whole file is loaded.
std::size_t FindAll(TObjectTextFile& file, const std::string& fileName, const std::string& needle,
                    bool matchCase, const std::function<void(const TMatch&)>& report,
                    const TObjectAccept& accept = {}, bool acceptAtEnd = false);

// Whether a filter expression may hold a date term, whose dates are read in
// the order that the whole file shows unless the order is given.
bool MayReadDates(std::string_view filterExpression);

}  // namespace marlox::cli
