// SPDX-License-Identifier: MIT
// A load of one large file shared out between threads. Each thread scans a
// stretch of whole lines and notes the headers it finds; the caller's thread
// then makes the entries in file order, so that the result is the one a
// single scan gives. Reading the file is most of a load, and two threads
// copy it out of the page cache in about half the time one does.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "vexafile.h"
#include "workerthreads.h"

namespace {

// Below this many bytes a part costs more in starting a thread than it saves.
constexpr std::size_t MinPartBytes = std::size_t(2) << 20;

// Ends a part early because a part before it failed; not an error of its own.
struct TPartStopped {};

// The first line start at or after at (0 < at), or size when no line starts
// there. A CR LF pair ends one line, so the LF after a CR starts none.
std::size_t NextLineStart(const vexa::ExclusiveFile& stream, std::size_t at, std::size_t size) {
  constexpr std::size_t Block = 64 << 10;
  std::vector<char> bytes;
  for (std::size_t from = at - 1; from < size;) {
    // One byte more than is looked at, so that a CR can see whether an LF follows it.
    const std::size_t n = std::min(Block + 1, size - from);
    bytes.resize(n);
    stream.ReadAt(static_cast<std::int64_t>(from), bytes.data(), n);
    const std::size_t look = from + n == size ? n : n - 1;
    for (std::size_t i = 0; i < look; ++i) {
      const char c = bytes[i];
      if (c == '\n' || c == '\0' || (c == '\r' && (i + 1 == n || bytes[i + 1] != '\n')))
        return from + i + 1;
    }
    from += look;
  }
  return size;
}

}  // namespace

struct TObjectTextFile::TPart {
  std::size_t Index = 0;
  std::size_t Begin = 0;
  std::size_t End = 0;
  // Entries made as the part found them, with property numbers of the part's own store.
  // A deque, as the file's own list is: growing moves none of them, and the
  // first part's list becomes the file's whole.
  std::deque<TObjectTextObject> Found;
  TPropertyStore Properties;
  // Values as the scan read them, numbered in Properties only once the scan
  // is done: while the file streams through the cache, every lookup in a pool
  // missed it.
  struct TValues {
    std::size_t Entry = 0;                                       // in Found
    std::uint32_t DateEnd = 0, TimeEnd = 0, VersionListEnd = 0;  // in ValueBytes
    bool Modified = false;
  };
  std::string ValueBytes;
  std::vector<TValues> Values;
  std::vector<std::size_t> PropertiesLeft;  // of Found: blocks that run past the part
  std::atomic<std::uint8_t> Percent{0};
  std::exception_ptr Error;
  std::int64_t BadHeaderAt = -1;  // where a header failed to parse, when one did
  bool Caller = false;            // scanned on the caller's thread, which tells the progress
  TPartLoad* Load = nullptr;
};

struct TObjectTextFile::TPartLoad {
  std::size_t Size = 0;
  std::vector<TPart> Parts;
  // The first part that failed: the parts after it stop, those before it
  // go on, since an earlier fault in the file is the one to tell.
  std::atomic<std::size_t> Failed{SIZE_MAX};
  std::mutex Mutex;
  std::condition_variable Finished;
  std::size_t WorkersDone = 0;  // under Mutex
  std::uint8_t Reported = 0;    // the caller's thread only
};

std::size_t TObjectTextFile::LoadPartCount(const vexa::ExclusiveFile& stream) const {
  // What a scan tells must come in file order, and a released file reopens per read.
  if (FOnScanned || stream.Released()) return 1;
  if (FLoadParts) return FLoadParts;
  const auto parts = std::size_t(stream.Size()) / MinPartBytes;
  if (parts < 2) return 1;
  return std::min<std::size_t>(parts, vexa::WorkerThreads());
}

void TObjectTextFile::LoadInParts(const vexa::ExclusiveFile& stream, std::size_t parts) {
  TPartLoad load;
  load.Size = static_cast<std::size_t>(stream.Size());
  // Every part starts where a line does, so that each line is one part's whole.
  std::vector<std::size_t> bounds{0};
  for (std::size_t k = 1; k < parts; ++k) {
    const std::size_t at = std::max(bounds.back() + 1, load.Size / parts * k);
    if (at >= load.Size) break;
    const std::size_t start = NextLineStart(stream, at, load.Size);
    if (start >= load.Size) break;
    bounds.push_back(start);
  }
  bounds.push_back(load.Size);
  load.Parts = std::vector<TPart>(bounds.size() - 1);
  for (std::size_t k = 0; k < load.Parts.size(); ++k) {
    load.Parts[k].Index = k;
    load.Parts[k].Begin = bounds[k];
    load.Parts[k].End = bounds[k + 1];
    load.Parts[k].Load = &load;
  }
  load.Parts[0].Caller = true;

  DoProgress(TProgressKind::pkStart, 0);
  {
    std::vector<std::thread> threads;
    // However the caller's thread leaves, no part outlives the load.
    struct TJoin {
      TPartLoad& Load;
      std::vector<std::thread>& Threads;
      ~TJoin() {
        Load.Failed = 0;
        for (std::thread& thread : Threads) thread.join();
      }
    } join{load, threads};
    for (std::size_t k = 1; k < load.Parts.size(); ++k) {
      TPart& part = load.Parts[k];
      try {
        threads.emplace_back([this, &part, &stream] {
          ScanPart(part, stream);
          std::lock_guard lock(part.Load->Mutex);
          ++part.Load->WorkersDone;
          part.Load->Finished.notify_one();
        });
      } catch (const std::system_error&) {
        part.Caller = true;  // no thread to spare: the caller's thread scans it too
      }
    }
    for (TPart& part : load.Parts)
      if (part.Caller) ScanPart(part, stream);
    std::unique_lock lock(load.Mutex);
    while (load.WorkersDone < threads.size()) {
      load.Finished.wait_for(lock, std::chrono::milliseconds(20));
      lock.unlock();
      ReportParts(load);
      lock.lock();
    }
  }

  // The first part's store becomes the file's; the dates and version lists
  // of the others are numbered anew in it, each distinct value once.
  FProperties = std::move(load.Parts[0].Properties);
  TScanState state;
  for (TPart& part : load.Parts) {
    // The first part's numbers are the file's already; its store is moved away.
    const bool own = &part == &load.Parts[0];
    const auto renumber = [&](TStringPool& into, const TStringPool& from) {
      std::vector<std::uint32_t> ids;
      if (own) return ids;
      ids.assign(from.Count(), 0);
      into.Reserve(std::size_t(into.Count()) + from.Count());
      for (std::uint32_t id = 1; id < from.Count(); ++id) ids[id] = into.Add(from.Get(id));
      return ids;
    };
    const auto dates = renumber(FProperties.Dates, part.Properties.Dates);
    const auto versions = renumber(FProperties.VersionLists, part.Properties.VersionLists);
    // Times are kept as they come, so a part's follow the file's.
    const std::uint32_t timeShift = own ? 0 : FProperties.Times.AppendAll(part.Properties.Times);
    // The file's list is empty until the first part's becomes it.
    if (own) FObjects.swap(part.Found);
    const std::size_t count = own ? FObjects.size() : part.Found.size();
    auto left = part.PropertiesLeft.begin();
    for (std::size_t i = 0; i < count; ++i) {
      TObjectTextObject& entry =
          own ? FObjects[i] : FObjects.emplace_back(std::move(part.Found[i]));
      if (state.Last) state.Last->SetEndOffset(entry.StartOffset());
      state.Last = &entry;
      if (left != part.PropertiesLeft.end() && *left == i) {
        state.PropertiesLeft.push_back(own ? std::int32_t(i) : GetCount() - 1);
        ++left;
      } else if (FReadProperties && !own) {
        const TPropertyIds ids = state.Last->PropertyIds();
        state.Last->SetProperties({dates[ids.Date], ids.Time ? ids.Time + timeShift : 0,
                                   versions[ids.VersionList], ids.Modified});
      }
    }
    // After the entries before it, so that the first fault in the file is the one told.
    if (part.Error) {
      if (state.Last && part.BadHeaderAt >= 0)
        state.Last->SetEndOffset(static_cast<std::int32_t>(part.BadHeaderAt));
      std::rethrow_exception(part.Error);
    }
  }
  if (state.Last) state.Last->SetEndOffset(static_cast<std::int32_t>(load.Size));
  ReadPropertiesLeft(state, stream);
  EndScan(state, load.Size);
}

void TObjectTextFile::ScanPart(TPart& part, const vexa::ExclusiveFile& stream) {
  try {
    TScanState state;
    ResetScan(state, part.Begin, part.End - part.Begin);
    state.TextEnds = part.End == part.Load->Size;
    state.Part = &part;
    ScanStream(state, stream, part.Begin, part.End);
    NumberPartValues(part);
    part.Percent = 100;
  } catch (const TPartStopped&) {
  } catch (...) {
    part.Error = std::current_exception();
    for (std::size_t failed = part.Load->Failed; part.Index < failed;)
      part.Load->Failed.compare_exchange_weak(failed, part.Index);
    // The entries before a fault stay, with their values, as one scan leaves them.
    try {
      NumberPartValues(part);
    } catch (...) {
    }
  }
}

void TObjectTextFile::FoundInPart(TPart& part, std::size_t start, std::string_view header,
                                  std::string_view text, bool final) {
  try {
    part.Found.emplace_back(*this, static_cast<std::int32_t>(start), std::string(header));
  } catch (...) {
    part.BadHeaderAt = static_cast<std::int64_t>(start);
    throw;
  }
  if (!FReadProperties) return;
  TPropertyValues values;
  if (ParseObjectProperties(text, final, values) == TBlockScan::bsTruncated) {
    part.PropertiesLeft.push_back(part.Found.size() - 1);
    return;
  }
  TPart::TValues& noted = part.Values.emplace_back();
  noted.Entry = part.Found.size() - 1;
  std::string& bytes = part.ValueBytes;
  bytes.append(values.Date);
  noted.DateEnd = std::uint32_t(bytes.size());
  bytes.append(values.Time);
  noted.TimeEnd = std::uint32_t(bytes.size());
  bytes.append(values.VersionList);
  noted.VersionListEnd = std::uint32_t(bytes.size());
  noted.Modified = values.Modified;
}

void TObjectTextFile::NumberPartValues(TPart& part) {
  TPropertyStore& store = part.Properties;
  const std::string_view bytes = part.ValueBytes;
  std::uint32_t begin = 0;
  for (const TPart::TValues& noted : part.Values) {
    const auto value = [&](std::uint32_t from, std::uint32_t end) {
      return bytes.substr(from, end - from);
    };
    part.Found[noted.Entry].SetProperties(
        {store.Dates.Add(value(begin, noted.DateEnd)),
         store.Times.Append(value(noted.DateEnd, noted.TimeEnd)),
         store.VersionLists.Add(value(noted.TimeEnd, noted.VersionListEnd)), noted.Modified});
    begin = noted.VersionListEnd;
  }
  std::string().swap(part.ValueBytes);
  std::vector<TPart::TValues>().swap(part.Values);
}

void TObjectTextFile::ReachedInPart(TPart& part, std::uint8_t percent) {
  part.Percent.store(percent, std::memory_order_relaxed);
  if (part.Load->Failed < part.Index) throw TPartStopped();
  if (part.Caller) ReportParts(*part.Load);
}

void TObjectTextFile::TellPartScanned(const TScanState& state, std::string_view bytes,
                                      std::size_t offset, bool partEnds) {
  TPartScannedText text;
  text.Bytes = bytes;
  text.Offset = static_cast<std::int64_t>(offset);
  text.Part = state.Part ? state.Part->Index : 0;
  text.Found = state.Part ? &state.Part->Found : &FObjects;
  text.PartEnds = partEnds;
  text.TextEnds = state.TextEnds;
  FOnPartScanned(text);
}

void TObjectTextFile::ReportParts(TPartLoad& load) {
  double done = 0;
  for (const TPart& part : load.Parts)
    done +=
        part.Percent.load(std::memory_order_relaxed) * static_cast<double>(part.End - part.Begin);
  const auto percent =
      static_cast<std::uint8_t>(std::nearbyint(done / static_cast<double>(load.Size)));
  if (percent <= load.Reported) return;
  load.Reported = percent;
  DoProgress(TProgressKind::pkProgress, percent);
}
