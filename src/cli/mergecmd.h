// SPDX-License-Identifier: MIT
// marlox-cli merge: an update brought into a customised copy of the objects.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"

namespace marlox::cli {

// Parses "merge ORIGINAL MODIFIED TARGET --out RESULT [options]"; args[0] is the command.
TCommandLine ParseMergeCommandLine(const std::vector<std::string>& args);

// 0 when nothing conflicts, 1 when something does; errors are thrown.
int RunMergeCommand(const TCommandLine& line, std::FILE* out, std::FILE* err, bool errIsTerminal);

}  // namespace marlox::cli
