// SPDX-License-Identifier: MIT
// marlox-cli compare and diff: what differs between two object text files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"

namespace marlox::cli {

bool IsCompareCommand(const std::string& command);

// Parses "compare OLD NEW [options]" and "diff OLD NEW TYPE ID"; args[0] is the command.
TCommandLine ParseCompareCommandLine(const std::vector<std::string>& args);

// 0 when nothing differs, 1 when something does; errors are thrown.
int RunCompareCommand(const TCommandLine& line, std::FILE* out, std::FILE* err, bool errIsTerminal);

}  // namespace marlox::cli
