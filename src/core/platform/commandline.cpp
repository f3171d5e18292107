// SPDX-License-Identifier: MIT
#include "commandline.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "pathtext.h"
#endif

namespace vexa {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8Of(wide[i]));
    ::LocalFree(wide);
    return args;
  }
#endif
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace vexa
