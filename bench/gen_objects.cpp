// SPDX-License-Identifier: MIT
// marlox-gen SIZE_MB OUT [SEED] [--variant]: writes a generated object text
// file, or with --variant the file that differs from it in 1% changed, 0.5%
// removed and 0.5% added objects.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "objectgen.h"

int main(int argc, char** argv) {
  const bool variant = argc > 1 && std::strcmp(argv[argc - 1], "--variant") == 0;
  if (variant) --argc;
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "Usage: marlox-gen SIZE_MB OUT [SEED] [--variant]\n");
    return 2;
  }
  char* end = nullptr;
  const double megabytes = std::strtod(argv[1], &end);
  const unsigned long long seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;
  if (*end != '\0' || megabytes <= 0) {
    std::fprintf(stderr, "marlox-gen: bad size '%s'\n", argv[1]);
    return 2;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::fprintf(stderr, "marlox-gen: %s: %s\n", argv[2], std::strerror(errno));
    return 2;
  }
  bool failed = false;
  const auto total = static_cast<std::size_t>(megabytes * 1024 * 1024);
  const auto drain = [&](std::string& buffer) {
    failed = failed || std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size();
    buffer.clear();
  };
  const std::size_t count = variant
                                ? marlox::bench::GenerateVariant(total, seed, 4u << 20, {}, drain)
                                : marlox::bench::GenerateObjects(total, seed, 4u << 20, drain);
  failed = std::fclose(out) != 0 || failed;
  if (failed) {
    std::fprintf(stderr, "marlox-gen: cannot write %s\n", argv[2]);
    return 2;
  }
  std::fprintf(stderr, "%zu objects\n", count);
  return 0;
}
