// SPDX-License-Identifier: MIT
// What every fuzz target shares: a check that stops the run with a message,
// reading the input by pieces, and a scratch directory for files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// Unlike assert, stays on in optimised builds; the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace fuzz {

// Takes the input apart front to back; a short input gives zeros and empties.
class TInput {
 public:
  TInput(const std::uint8_t* data, std::size_t size)
      : FRest(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t Byte() {
    if (FRest.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(FRest.front());
    FRest.remove_prefix(1);
    return byte;
  }
  std::int32_t Int32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
    return static_cast<std::int32_t>(value);
  }
  // The bytes up to the next separator (which is dropped), or all the rest.
  std::string_view Until(char separator) {
    const std::size_t at = FRest.find(separator);
    const std::string_view part = FRest.substr(0, at);
    FRest.remove_prefix(at == std::string_view::npos ? FRest.size() : at + 1);
    return part;
  }
  std::string_view Rest() {
    const std::string_view rest = FRest;
    FRest = {};
    return rest;
  }

 private:
  std::string_view FRest;
};

// A directory of this process's own under TMPDIR, removed at a normal exit.
inline const std::filesystem::path& ScratchDir() {
  struct TDir {
    std::filesystem::path Path;
    TDir() {
      Path = std::filesystem::temp_directory_path() / ("marlox-fuzz-" + std::to_string(::getpid()));
      std::filesystem::create_directories(Path);
    }
    ~TDir() {
      std::error_code ignored;
      std::filesystem::remove_all(Path, ignored);
    }
  };
  static const TDir dir;
  return dir.Path;
}

inline std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
  const std::string path = (ScratchDir() / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  FUZZ_CHECK(out.good());
  return path;
}

inline std::string ReadScratchFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace fuzz
