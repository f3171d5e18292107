// SPDX-License-Identifier: MIT
// Text search in both case modes against a plain byte-by-byte search: in
// memory, in one entry, and across entries through the file in chunks.
//
// Input: one byte of flags, the needle up to the first 0x01 byte, the rest
// is the text.
#include <cstdint>
#include <string>

#include "fuzzsupport.h"
#include "naiveobjects.h"
#include "vexafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::uint8_t flags = input.Byte();
  const bool matchCase = flags & 1;
  const std::string needle(input.Until('\x01'));
  const std::string text(input.Rest());

  if (!needle.empty()) {
    for (std::size_t from : {std::size_t(0), std::size_t(1), text.size() / 2, text.size()}) {
      if (from > text.size()) continue;
      FUZZ_CHECK(FindBytes(text, needle, from) == naive::Find(text, needle, from, true));
      FUZZ_CHECK(FindBytesIgnoringCase(text, needle, from) ==
                 naive::Find(text, needle, from, false));
    }
  }
  std::string upper = text;
  AsciiUpperInPlace(upper.data(), upper.size());
  for (std::size_t i = 0; i < text.size(); ++i) FUZZ_CHECK(upper[i] == naive::Upper(text[i]));

  TObjectTextFile file;
  file.SetSearchChunkSize(std::size_t(flags >> 1) + 1);
  try {
    file.LoadFromFile(fuzz::WriteScratchFile("search.txt", text));
  } catch (const ConversionError&) {
    return 0;  // the scanner's target covers bad headers
  }
  // Find next again and again, each time from the byte after the last match, so
  // that overlapping matches are found too.
  std::int32_t index = 0;
  std::int32_t pos = 1;
  std::int32_t wantIndex = 0;
  std::size_t wantFrom = 0;
  for (;;) {
    std::size_t want = std::string_view::npos;
    for (; wantIndex < file.GetCount(); ++wantIndex, wantFrom = 0) {
      const TObjectTextObject& entry = file.GetObject(wantIndex);
      const std::string_view bytes = std::string_view(text).substr(std::size_t(entry.StartOffset()),
                                                                   std::size_t(entry.Length()));
      want = naive::Find(bytes, needle, wantFrom, matchCase);
      if (want != std::string_view::npos) break;
    }
    if (index < file.GetCount()) {
      std::int32_t entryPos = pos;
      const bool inEntry = file.GetObject(index).FindText(entryPos, needle, matchCase);
      FUZZ_CHECK(inEntry == (index == wantIndex && want != std::string_view::npos));
      FUZZ_CHECK(entryPos == (inEntry ? std::int32_t(want) + 1 : 0));
    }
    const bool found = file.FindText(index, pos, needle, matchCase);
    FUZZ_CHECK(found == (want != std::string_view::npos));
    if (!found) {
      // A file without entries has nothing to search and changes neither.
      FUZZ_CHECK(file.GetCount() == 0 ? index == 0 && pos == 1
                                      : index == file.GetCount() && pos == 0);
      break;
    }
    FUZZ_CHECK(index == wantIndex && pos == std::int32_t(want) + 1);
    ++pos;
    wantFrom = want + 1;
  }
  return 0;
}
