// SPDX-License-Identifier: MIT
// Byte searches over object text: in memory, and through the held file in
// large chunks so that a search over many objects needs few reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "osfile.h"

// ASCII-only upper case: a..z become A..Z, every other byte stays itself.
void AsciiUpperInPlace(char* data, std::size_t size);

// 0-based offset of the first occurrence of needle in hay at or after from,
// or npos. Byte-exact.
std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from);

// As FindBytes, but the ASCII letters match in either case and every other
// byte only itself: the result of AsciiUpperInPlace on both sides, without
// converting hay.
std::size_t FindBytesIgnoringCase(std::string_view hay, std::string_view needle, std::size_t from);

namespace vexa {

// Reads an open file forward into one reused buffer. Reads start small and
// double up to the chunk size, so a scan that stops early reads little and a
// long one needs few reads.
class TChunkReader {
 public:
  static constexpr std::size_t FirstReadSize = 4 << 10;

  TChunkReader(const ExclusiveFile& stream, std::size_t chunkSize);

  // The bytes from offset from on, up to to or the end of what the buffer
  // holds, at least min(least, to - from) of them. A read that must fetch
  // them reads from from on at least 2 * least bytes, past to and into what
  // follows where the file has it. Valid until the next call. A range beyond
  // the end of the file raises "Stream read error", as ReadAt does.
  std::string_view At(std::int64_t from, std::int64_t to, std::size_t least = 1);

  // File offset of the first occurrence of needle that lies wholly within
  // [from, to), or -1.
  std::int64_t Find(std::int64_t from, std::int64_t to, std::string_view needle, bool matchCase);

 private:
  const ExclusiveFile& FStream;
  std::size_t FChunkSize;
  std::size_t FNextRead;
  std::unique_ptr<char[]> FBuffer;
  std::size_t FCapacity = 0;
  std::int64_t FStart = 0;
  std::int64_t FEnd = 0;
};

}  // namespace vexa
