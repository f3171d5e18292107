// SPDX-License-Identifier: MIT
// The program's arguments as UTF-8 on every system.
#pragma once

#include <string>
#include <vector>

namespace vexa {

// The arguments after the program's name. On Windows they are read again
// from the system as Unicode: argv holds them in the ANSI code page, where
// every character it lacks has become '?'.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace vexa
