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
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "vexafile.h"

namespace {

// Below this many bytes a part costs more in starting a thread than it saves.
constexpr std::size_t MinPartBytes = std::size_t(2) << 20;
constexpr unsigned MaxLoadThreads = 8;

// Ends a part early because another part failed; not an error of its own.
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
  // A header as the part found it, with its property values when it read them.
  struct TFound {
    std::int32_t Start = 0;
    std::string Header;
    std::string Date;
    std::string Time;
    std::string VersionList;
    bool Modified = false;
    bool Left = false;  // the property block runs past the part: read after the load
  };
  std::size_t Begin = 0;
  std::size_t End = 0;
  std::vector<TFound> Found;
  std::atomic<std::uint8_t> Percent{0};
  std::exception_ptr Error;
  bool Caller = false;  // scanned on the caller's thread, which tells the progress
  TPartLoad* Load = nullptr;
};

struct TObjectTextFile::TPartLoad {
  std::size_t Size = 0;
  std::vector<TPart> Parts;
  std::atomic<bool> Stop{false};
  std::mutex Mutex;
  std::condition_variable Finished;
  std::size_t WorkersDone = 0;  // under Mutex
  std::uint8_t Reported = 0;    // the caller's thread only
};

std::size_t TObjectTextFile::LoadPartCount(const vexa::ExclusiveFile& stream) const {
  // What a scan tells must come in file order, and a released file reopens per read.
  if (FOnScanned || stream.Released()) return 1;
  if (FLoadParts) return FLoadParts;
  const unsigned threads =
      std::min(MaxLoadThreads, std::max(1u, std::thread::hardware_concurrency()));
  return std::clamp<std::size_t>(std::size_t(stream.Size()) / MinPartBytes, 1, threads);
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
        Load.Stop = true;
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

  TScanState state;
  for (TPart& part : load.Parts) {
    for (const TPart::TFound& found : part.Found) {
      if (state.Last) state.Last->SetEndOffset(found.Start);
      state.Last = &FObjects.emplace_back(*this, found.Start, found.Header);
      if (!FReadProperties) continue;
      if (found.Left)
        state.PropertiesLeft.push_back(GetCount() - 1);
      else
        state.Last->SetProperties(
            {FProperties.Dates.Add(found.Date), FProperties.Times.Add(found.Time),
             FProperties.VersionLists.Add(found.VersionList), found.Modified});
    }
    // After the entries before it, so that the first fault in the file is the one told.
    if (part.Error) std::rethrow_exception(part.Error);
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
    part.Percent = 100;
  } catch (const TPartStopped&) {
  } catch (...) {
    part.Error = std::current_exception();
    part.Load->Stop = true;
  }
}

void TObjectTextFile::FoundInPart(TPart& part, std::size_t start, std::string_view header,
                                  std::string_view text, bool final) {
  TPart::TFound& found = part.Found.emplace_back();
  found.Start = static_cast<std::int32_t>(start);
  found.Header = header;
  if (!FReadProperties) return;
  TPropertyValues values;
  if (ParseObjectProperties(text, final, values) == TBlockScan::bsTruncated) {
    found.Left = true;
    return;
  }
  found.Date = values.Date;
  found.Time = values.Time;
  found.VersionList = values.VersionList;
  found.Modified = values.Modified;
}

void TObjectTextFile::ReachedInPart(TPart& part, std::uint8_t percent) {
  part.Percent.store(percent, std::memory_order_relaxed);
  if (part.Load->Stop) throw TPartStopped();
  if (part.Caller) ReportParts(*part.Load);
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
