// SPDX-License-Identifier: MIT
// marlox-gen SIZE_MB OUT [SEED] [--variant | --merge] [--new-syntax]: writes
// a generated object text file, or with --variant the file that differs from
// it in 1% changed, 0.5% removed and 0.5% added objects, or with --merge the
// three files of a merge and its right result into the directory OUT;
// --new-syntax writes the objects as newer development environments export them;
// --diff-pair writes into the directory OUT one object of SIZE_MB as old.txt
// and versions of it with 1%, 10% and 30% of its lines edited as
// new-10.txt, new-100.txt and new-300.txt (per mille of the lines replaced,
// dropped and inserted each).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "mergegen.h"
#include "objectgen.h"

int main(int argc, char** argv) {
  bool variant = false;
  bool mergeSet = false;
  bool newSyntax = false;
  bool diffPair = false;
  for (; argc > 1; --argc) {
    if (std::strcmp(argv[argc - 1], "--variant") == 0)
      variant = true;
    else if (std::strcmp(argv[argc - 1], "--merge") == 0)
      mergeSet = true;
    else if (std::strcmp(argv[argc - 1], "--new-syntax") == 0)
      newSyntax = true;
    else if (std::strcmp(argv[argc - 1], "--diff-pair") == 0)
      diffPair = true;
    else
      break;
  }
  if (argc < 3 || argc > 4 || int(variant) + int(mergeSet) + int(diffPair) > 1) {
    std::fprintf(stderr,
                 "Usage: marlox-gen SIZE_MB OUT [SEED] [--variant | --merge | --diff-pair] "
                 "[--new-syntax]\n");
    return 2;
  }
  char* end = nullptr;
  const double megabytes = std::strtod(argv[1], &end);
  const unsigned long long seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;
  if (*end != '\0' || megabytes <= 0) {
    std::fprintf(stderr, "marlox-gen: bad size '%s'\n", argv[1]);
    return 2;
  }
  if (mergeSet) {
    try {
      const marlox::bench::TMergeSetCounts counts = marlox::bench::GenerateMergeSet(
          static_cast<std::size_t>(megabytes * 1024 * 1024), seed, argv[2]);
      std::fprintf(stderr, "%zu objects, %zu changed on both sides, %zu of them in conflict\n",
                   counts.Objects, counts.ChangedBoth, counts.Conflicts);
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "marlox-gen: %s\n", e.what());
      return 2;
    }
  }
  if (diffPair) {
    marlox::bench::TObjectGenerator generator(seed, newSyntax);
    std::string text;
    generator.AppendObject(text, static_cast<std::size_t>(megabytes * 1024 * 1024));
    std::filesystem::create_directories(argv[2]);
    auto write = [&](const std::string& name, const std::string& bytes) {
      std::ofstream file(std::filesystem::path(argv[2]) / name, std::ios::binary);
      file.write(bytes.data(), std::streamsize(bytes.size()));
      return bool(file.flush());
    };
    bool written = write("old.txt", text);
    for (const std::uint32_t perMille : {10u, 100u, 300u})
      written = write("new-" + std::to_string(perMille) + ".txt",
                      marlox::bench::EditedLines(text, perMille)) &&
                written;
    if (!written) {
      std::fprintf(stderr, "marlox-gen: cannot write into %s\n", argv[2]);
      return 2;
    }
    return 0;
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
  marlox::bench::TVariant changes;
  changes.NewSyntax = newSyntax;
  const std::size_t count =
      variant ? marlox::bench::GenerateVariant(total, seed, 4u << 20, changes, drain)
              : marlox::bench::GenerateObjects(total, seed, 4u << 20, drain, newSyntax);
  failed = std::fclose(out) != 0 || failed;
  if (failed) {
    std::fprintf(stderr, "marlox-gen: cannot write %s\n", argv[2]);
    return 2;
  }
  std::fprintf(stderr, "%zu objects\n", count);
  return 0;
}
