// SPDX-License-Identifier: MIT
#include "partsearch.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace cal::detail {

namespace {

std::int64_t Bytes(const TObjectTextObject& object) {
  return std::max(object.Length(), 0);
}

// The first object of each of about parts runs of objects of equal bytes,
// and the count at the end.
std::vector<std::int32_t> PartStarts(const TObjectSet& file, std::size_t parts) {
  const std::int32_t count = file.GetCount();
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < count; ++i) total += Bytes(file.GetObject(i));
  const std::int64_t each = std::max<std::int64_t>(1, total / std::int64_t(parts));
  std::vector<std::int32_t> starts{0};
  std::int64_t bytes = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    if (bytes >= each) starts.push_back(i), bytes = 0;
    bytes += Bytes(file.GetObject(i));
  }
  starts.push_back(count);
  return starts;
}

}  // namespace

unsigned SearchThreads(const TObjectSet& file) {
  constexpr std::int64_t LeastBytes = std::int64_t(2) << 20;
  const unsigned threads = UsesSearchThreads();
  const std::int32_t count = file.GetCount();
  if (threads <= 1 || count < 2) return 1;
  const TObjectTextFile& owner = file.GetObject(0).Owner();
  // A released file opens for each read, and its handle is no one's to share.
  if (!owner.Stream() || owner.Stream()->Released()) return 1;
  std::int64_t bytes = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    if (&object.Owner() != &owner) return 1;
    bytes += Bytes(object);
  }
  return bytes < LeastBytes ? 1 : threads;
}

bool SearchInParts(const TObjectSet& file, unsigned threads, const TPartSearch& search,
                   std::vector<TObjectUse>& uses, const TUsesProgress& progress) {
  // Several parts a thread, taken in turn, so that a part dense with
  // candidates holds no thread up for long; each part keeps its own uses,
  // joined in file order, so the result is the one a single thread finds.
  const std::vector<std::int32_t> starts = PartStarts(file, std::size_t(threads) * 8);
  struct TPart {
    std::vector<TObjectUse> Uses;
    std::exception_ptr Error;
  };
  std::vector<TPart> parts(starts.size() - 1);
  std::atomic<std::size_t> nextPart{0};
  std::atomic<std::int32_t> searched{0};
  std::atomic<bool> stop{false};
  const std::int32_t count = file.GetCount();
  // Progress about a thousand times in all, from the caller's thread only.
  const std::int32_t step = std::max(1, count / 1000);
  std::int32_t nextReport = 0;
  const auto work = [&](unsigned worker, bool reports) {
    for (std::size_t p; !stop && (p = nextPart++) < parts.size();) {
      std::int32_t counted = 0;
      const auto partProgress = [&](std::int32_t done, std::int32_t) {
        searched += done - counted;
        counted = done;
        if (reports && progress && searched >= nextReport) {
          nextReport = searched + step;
          if (!progress(searched, count)) stop = true;
        }
        return !stop;
      };
      try {
        search(worker, starts[p], starts[p + 1], parts[p].Uses, partProgress);
      } catch (...) {
        parts[p].Error = std::current_exception();
        stop = true;
      }
    }
  };
  {
    std::vector<std::jthread> helpers;
    // Threads the system refuses leave their parts to the others.
    try {
      for (unsigned i = 1; i < threads; ++i) helpers.emplace_back(work, i, false);
    } catch (const std::system_error&) {
    }
    work(0, true);
  }
  for (TPart& part : parts)
    if (part.Error) std::rethrow_exception(part.Error);
  for (TPart& part : parts)
    uses.insert(uses.end(), std::make_move_iterator(part.Uses.begin()),
                std::make_move_iterator(part.Uses.end()));
  if (stop) return false;
  if (progress) progress(count, count);
  return true;
}

}  // namespace cal::detail
