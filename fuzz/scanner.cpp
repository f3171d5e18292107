// SPDX-License-Identifier: MIT
// The line scanner against the obvious reading of the rules: entries tile
// the text from the first header to the end, each starts at a line start
// with the marker, headers parse as written, progress rises as documented.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "naiveobjects.h"
#include "vexafile.h"

namespace {

struct TProgressLog {
  std::vector<std::pair<TProgressKind, std::uint8_t>> Calls;
  std::vector<std::uint8_t> Progress() const {
    std::vector<std::uint8_t> percents;
    for (const auto& [kind, percent] : Calls)
      if (kind == TProgressKind::pkProgress) percents.push_back(percent);
    return percents;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const naive::TScan expected = naive::Scan(text);

  TObjectTextFile file;
  TProgressLog log;
  file.SetOnProgress([&log](TObjectTextFile&, TProgressKind kind, std::uint8_t percent) {
    log.Calls.emplace_back(kind, percent);
  });
  bool failed = false;
  try {
    file.ParseText(text);
  } catch (const ConversionError& error) {
    failed = true;
    FUZZ_CHECK(error.what() == "'" + expected.BadNumber + "' is not a valid integer value");
  }
  FUZZ_CHECK(failed == expected.Failed);

  FUZZ_CHECK(std::size_t(file.GetCount()) == expected.Entries.size());
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& entry = file.GetObject(i);
    const naive::TEntry& want = expected.Entries[std::size_t(i)];
    FUZZ_CHECK(entry.StartOffset() == want.Start);
    FUZZ_CHECK(entry.Length() == want.Length);
    FUZZ_CHECK(entry.ObjectType() == want.Header.Type);
    FUZZ_CHECK(entry.ID() == *want.Header.ID);
    FUZZ_CHECK(entry.Name() == want.Header.Name);
    // The invariants themselves, independent of the model.
    const auto start = std::size_t(entry.StartOffset());
    FUZZ_CHECK(text.compare(start, ObjectMarker.size(), ObjectMarker) == 0);
    FUZZ_CHECK(start == 0 || (start == 3 && text.starts_with("\xEF\xBB\xBF")) ||
               text[start - 1] == '\r' || text[start - 1] == '\n' || text[start - 1] == '\0');
    const std::int64_t end = std::int64_t(entry.StartOffset()) + entry.Length();
    if (i + 1 < file.GetCount())
      FUZZ_CHECK(end == file.GetObject(i + 1).StartOffset());
    else if (!failed)
      FUZZ_CHECK(end == std::int64_t(text.size()));
  }

  FUZZ_CHECK(!log.Calls.empty());
  FUZZ_CHECK(log.Calls.front() == std::make_pair(TProgressKind::pkStart, std::uint8_t(0)));
  FUZZ_CHECK(log.Progress() == expected.Progress);
  FUZZ_CHECK(failed ||
             log.Calls.back() == std::make_pair(TProgressKind::pkDone, std::uint8_t(100)));
  return 0;
}
