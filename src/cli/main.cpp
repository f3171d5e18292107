// SPDX-License-Identifier: MIT
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli.h"
#include "commandline.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  using namespace marlox::cli;
#ifdef _WIN32
  // Object text goes out byte for byte: no CR is ever added before an LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  static char outBuffer[1 << 16];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
  try {
    const TCommandLine line = ParseCommandLine(vexa::CommandLineArguments(argc, argv));
    return Run(line, stdout, stderr, isatty(fileno(stderr)) != 0);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "marlox-cli: %s\nTry 'marlox-cli --help' for more information.\n",
                 e.what());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "marlox-cli: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "marlox-cli: %s\n", e.what());
  }
  return ecFailure;
}
