// SPDX-License-Identifier: MIT
// A load from a file, read in pieces of many sizes, gives what scanning the
// whole text at once gives: entries, their properties, progress, the error,
// and each entry's text read back from the file. Shared out in parts between
// threads it gives the same entries, properties and error, with progress that
// only rises.
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "fuzzsupport.h"
#include "vexafile.h"

namespace {

struct TResult {
  std::vector<std::tuple<std::int32_t, std::int32_t, TObjectType, std::int32_t, std::string>>
      Entries;
  // Date, time, version list and modified; compared only after a load that
  // completed, since a failed one is never shown.
  std::vector<std::tuple<std::string, std::string, std::string, bool>> Properties;
  std::vector<std::pair<TProgressKind, std::uint8_t>> Calls;
  std::string Error;  // empty when the scan completed
  bool operator==(const TResult&) const = default;
};

template <typename Scan>
TResult Run(TObjectTextFile& file, Scan scan) {
  TResult result;
  file.SetOnProgress([&result](TObjectTextFile&, TProgressKind kind, std::uint8_t percent) {
    result.Calls.emplace_back(kind, percent);
  });
  try {
    scan();
  } catch (const ConversionError& error) {
    result.Error = error.what();
  }
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& entry = file.GetObject(i);
    result.Entries.emplace_back(entry.StartOffset(), entry.Length(), entry.ObjectType(), entry.ID(),
                                entry.Name());
    if (result.Error.empty())
      result.Properties.emplace_back(entry.Date(), entry.Time(), entry.VersionList(),
                                     entry.Modified());
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TObjectTextFile parsed;
  const TResult expected = Run(parsed, [&] { parsed.ParseText(text); });

  const std::string path = fuzz::WriteScratchFile("load.txt", text);
  TObjectTextFile file;
  std::string fileName;  // what FileName() must show
  // A load's buffer holds at least 8 bytes, so 1 stands for every smaller size.
  for (std::size_t piece : {1, 9, 13, 16, 64, 4096, 1 << 20}) {
    file.SetReadPieceSize(piece);
    const TResult loaded = Run(file, [&] { file.LoadFromFile(path); });
    FUZZ_CHECK(loaded == expected);
    if (loaded.Error.empty()) fileName = path;
    FUZZ_CHECK(file.FileName() == fileName);
    for (std::int32_t i = 0; i < file.GetCount(); ++i) {
      const TObjectTextObject& entry = file.GetObject(i);
      FUZZ_CHECK(entry.GetText() ==
                 text.substr(std::size_t(entry.StartOffset()), std::size_t(entry.Length())));
    }
  }
  for (std::size_t parts : {2, 3, 7}) {
    for (std::size_t piece : {9, 4096}) {
      // The same object: a new one could not open the file it holds.
      file.SetLoadParts(parts);
      file.SetReadPieceSize(piece);
      const TResult loaded = Run(file, [&] { file.LoadFromFile(path); });
      FUZZ_CHECK(loaded.Entries == expected.Entries && loaded.Error == expected.Error &&
                 loaded.Properties == expected.Properties);
      FUZZ_CHECK(!loaded.Calls.empty() && loaded.Calls.front().first == TProgressKind::pkStart);
      for (std::size_t i = 1; i < loaded.Calls.size(); ++i)
        FUZZ_CHECK(loaded.Calls[i].second > loaded.Calls[i - 1].second ||
                   loaded.Calls[i].first == TProgressKind::pkDone);
      FUZZ_CHECK(loaded.Error.empty() == (loaded.Calls.back().first == TProgressKind::pkDone));
    }
  }
  return 0;
}
