// SPDX-License-Identifier: MIT
// The code-reading commands of marlox-cli: the outline of one object and
// every use of one object across the file.
#pragma once

#include <cstdio>

#include "cli.h"

namespace marlox::cli {

bool IsCodeCommand(const std::string& command);

// Takes TYPE and ID from the operands; throws UsageError when they are wrong.
void ParseCodeOperands(TCommandLine& line);

int RunCodeCommand(const TCommandLine& line, const TObjectSet& file, std::FILE* out,
                   std::FILE* err);

// uses on a file: loads it into file and searches it, while it loads on
// a single processor, after the load on more, where the search is shared out.
int RunUsesOfFile(const TCommandLine& line, TObjectTextFile& file, std::FILE* out, std::FILE* err,
                  bool errIsTerminal);

}  // namespace marlox::cli
