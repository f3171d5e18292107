// SPDX-License-Identifier: MIT
#include "filemerge.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "comparison.h"
#include "linemerge.h"
#include "objectreader.h"
#include "orderedunion.h"
#include "workerthreads.h"

namespace merge {

namespace {

// Type, number and which occurrence of them, so that repeated objects pair
// in order of occurrence.
using TKey = std::uint64_t;

std::vector<TKey> Keys(const TObjectSet& file) {
  std::vector<TKey> keys;
  std::unordered_map<std::uint64_t, std::uint32_t> seen;
  keys.reserve(std::size_t(file.GetCount()));
  for (std::int32_t i = 0; i < file.GetCount(); ++i) {
    const TObjectTextObject& object = file.GetObject(i);
    const std::uint64_t id =
        (std::uint64_t(object.ObjectType()) << 32) | std::uint32_t(object.ID());
    const std::uint32_t n = seen[id]++;
    keys.push_back(id | (std::uint64_t(std::min<std::uint32_t>(n, 0xFFFFFF)) << 40));
  }
  return keys;
}

std::unordered_map<TKey, std::int32_t> IndexOf(const std::vector<TKey>& keys) {
  std::unordered_map<TKey, std::int32_t> index;
  index.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) index.emplace(keys[i], std::int32_t(i));
  return index;
}

// An object's text, or nothing for an object the set does not have.
std::string_view Read(const TObjectSet& file, std::int32_t index, TObjectReader& reader) {
  return index < 0 ? std::string_view{} : reader.Text(file.GetObject(index));
}

std::string Preamble(const TObjectSet& set) {
  const auto* file = dynamic_cast<const TObjectTextFile*>(&set);
  if (!file) return {};
  const vexa::ExclusiveFile* stream = file->Stream();
  std::int64_t end = file->GetCount() > 0 ? file->GetObject(0).StartOffset() : 0;
  if (!stream) return {};
  if (file->GetCount() == 0) end = stream->Size();
  std::string text(std::size_t(end), '\0');
  stream->ReadAt(0, text.data(), text.size());
  return text;
}

std::string_view Body(std::string_view object) {
  const std::size_t eol = object.find_first_of("\r\n");
  if (eol == std::string_view::npos) return {};
  std::size_t at = eol + 1;
  if (object[eol] == '\r' && at < object.size() && object[at] == '\n') ++at;
  return object.substr(at);
}

std::string_view Header(std::string_view object) {
  return object.substr(0, object.size() - Body(object).size());
}

}  // namespace

std::string_view MergeStatusName(TMergeStatus status) {
  static constexpr std::string_view Names[MergeStatusCount] = {
      "merged",  "conflict", "taken from modified", "taken from target", "added",
      "deleted", "unchanged"};
  return Names[std::size_t(status)];
}

const TObjectTextObject& ItemObject(const TMergeItem& item, const TObjectSet& original,
                                    const TObjectSet& modified, const TObjectSet& target) {
  if (item.TargetIndex >= 0) return target.GetObject(item.TargetIndex);
  if (item.ModifiedIndex >= 0) return modified.GetObject(item.ModifiedIndex);
  return original.GetObject(item.OriginalIndex);
}

TObjectResult MergeObjectTexts(std::string_view original, std::string_view modified,
                               std::string_view target, bool inOriginal, bool inModified,
                               bool inTarget, const TMergeOptions& options, TMergeStatus& status) {
  auto take = [&](TMergeStatus s, std::string_view text) {
    status = s;
    TObjectResult result;
    result.Taken = text;
    return result;
  };
  if (!inOriginal) {
    if (!inModified || !inTarget || modified == target)
      return take(TMergeStatus::msAdded, inTarget ? target : modified);
  } else if (!inModified || !inTarget) {
    const std::string_view kept = inModified ? modified : target;
    if ((!inModified && !inTarget) || kept == original) return take(TMergeStatus::msDeleted, {});
    // Deleted on one side, changed on the other: the changed object, its
    // body in a conflict, so that it stays one object under its header.
    TObjectResult result;
    result.IsMerged = true;
    result.Conflicts = 1;
    result.Merged = Header(kept);
    AppendConflict(result.Merged, Body(original), inModified ? Body(modified) : std::string_view{},
                   inTarget ? Body(target) : std::string_view{}, LineBreakOf(kept));
    status = TMergeStatus::msConflict;
    return result;
  } else if (modified == original) {
    return take(target == original ? TMergeStatus::msUnchanged : TMergeStatus::msTakenFromTarget,
                target);
  } else if (target == original || modified == target) {
    return take(TMergeStatus::msTakenFromModified, modified);
  }
  TObjectMerge merged =
      MergeObject(inOriginal ? original : std::string_view{}, modified, target, options);
  status = merged.Conflicts > 0 ? TMergeStatus::msConflict : TMergeStatus::msMerged;
  TObjectResult result;
  result.IsMerged = true;
  result.Conflicts = merged.Conflicts;
  result.Merged = std::move(merged.Text);
  return result;
}

namespace {

struct TSides {
  const TObjectSet& Original;
  const TObjectSet& Modified;
  const TObjectSet& Target;
  const TMergeOptions& Options;
};

// Each side read in its own order, which is mostly its file's.
struct TReaders {
  TObjectReader Original, Modified, Target;
};

// Reads the item's three texts and merges them; the result may view the readers' bytes.
TObjectResult MergeItem(const TSides& sides, TMergeItem& item, TReaders& readers) {
  const std::string_view o = Read(sides.Original, item.OriginalIndex, readers.Original);
  const std::string_view a = Read(sides.Modified, item.ModifiedIndex, readers.Modified);
  const std::string_view b = Read(sides.Target, item.TargetIndex, readers.Target);
  TObjectResult result = MergeObjectTexts(o, a, b, item.OriginalIndex >= 0, item.ModifiedIndex >= 0,
                                          item.TargetIndex >= 0, sides.Options, item.Status);
  item.Conflicts = result.Conflicts;
  return result;
}

// Below this many bytes on the largest side a thread costs more than it saves.
constexpr std::int64_t MinThreadedBytes = std::int64_t(2) << 20;

std::int64_t HeldFileBytes(const TObjectSet& set) {
  const auto* file = dynamic_cast<const TObjectTextFile*>(&set);
  if (!file || !file->Stream() || file->Stream()->Released()) return -1;
  return file->Stream()->Size();
}

// Threads for merging files: only sides that are files held open, whose
// reads may run side by side; a folder's files reopen for every read.
unsigned MergeThreads(const TSides& sides) {
  std::int64_t largest = 0;
  for (const TObjectSet* set : {&sides.Original, &sides.Modified, &sides.Target}) {
    const std::int64_t bytes = HeldFileBytes(*set);
    if (bytes < 0) return 1;
    largest = std::max(largest, bytes);
  }
  if (largest < MinThreadedBytes) return 1;
  return vexa::WorkerThreads();
}

// A run of items merged on a thread, kept until the caller's thread writes it.
struct TMergeBatch {
  std::size_t First = 0;
  std::size_t Last = 0;
  std::size_t Bytes = 0;          // of the largest side, which the results seldom pass
  std::string Text;               // the results, one after another
  std::vector<std::size_t> Ends;  // where each item's result ends in Text
  std::exception_ptr Error;
  bool Done = false;  // under the mutex
};

// Items are merged in batches, a few batches ahead of the writing at most,
// so that the results held stay small: enough batches for the threads to
// share them out evenly, of 64 KB to 4 MB on the largest side.
std::vector<TMergeBatch> Batches(const TSides& sides, const std::vector<TMergeItem>& items,
                                 unsigned threads) {
  std::int64_t largest = 0;
  for (const TObjectSet* set : {&sides.Original, &sides.Modified, &sides.Target})
    largest = std::max(largest, HeldFileBytes(*set));
  const std::int64_t batchBytes = std::clamp(largest / (std::int64_t(threads) * 16),
                                             std::int64_t(64) << 10, std::int64_t(4) << 20);
  const auto length = [](const TObjectSet& set, std::int32_t index) {
    return index < 0 ? 0 : std::int64_t(std::max(set.GetObject(index).Length(), 0));
  };
  std::vector<TMergeBatch> batches;
  std::int64_t bytes = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (batches.empty() || bytes >= batchBytes) {
      if (!batches.empty()) batches.back().Last = i;
      batches.emplace_back().First = i;
      bytes = 0;
    }
    bytes += std::max({length(sides.Original, items[i].OriginalIndex),
                       length(sides.Modified, items[i].ModifiedIndex),
                       length(sides.Target, items[i].TargetIndex)});
    batches.back().Bytes = std::size_t(bytes);
  }
  if (!batches.empty()) batches.back().Last = items.size();
  return batches;
}

// Threads read and merge batches in turn; the caller's thread writes them
// in order as they are done, so that reading, merging and writing overlap.
// A batch's fault is raised when its turn to be written comes, as a merge
// on one thread would raise it.
void MergeInBatches(const TSides& sides, TFileMerge& merge, unsigned threads,
                    const std::function<void(const TMergeItem*, std::string_view)>& put) {
  std::vector<TMergeBatch> batches = Batches(sides, merge.Items, threads);
  const std::size_t ahead = std::size_t(threads) * 2;
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;     // the next batch to take
  std::size_t written = 0;  // batches written
  bool stop = false;
  const auto work = [&] {
    TReaders readers;
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock,
                     [&] { return stop || next == batches.size() || next < written + ahead; });
        if (stop || next == batches.size()) return;
        index = next++;
      }
      TMergeBatch& batch = batches[index];
      try {
        batch.Text.reserve(batch.Bytes);
        batch.Ends.reserve(batch.Last - batch.First);
        for (std::size_t i = batch.First; i < batch.Last; ++i) {
          const TObjectResult result = MergeItem(sides, merge.Items[i], readers);
          batch.Text.append(result.Text());
          batch.Ends.push_back(batch.Text.size());
        }
      } catch (...) {
        batch.Error = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        batch.Done = true;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  struct TJoin {
    std::mutex& Mutex;
    std::condition_variable& Changed;
    bool& Stop;
    std::vector<std::thread>& Workers;
    ~TJoin() {
      {
        std::lock_guard lock(Mutex);
        Stop = true;
      }
      Changed.notify_all();
      for (std::thread& worker : Workers) worker.join();
    }
  } join{mutex, changed, stop, workers};
  for (unsigned t = 0; t < threads; ++t) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      if (workers.empty()) throw;  // not one thread to spare
      break;
    }
  }
  for (std::size_t index = 0; index < batches.size(); ++index) {
    TMergeBatch& batch = batches[index];
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return batch.Done; });
    }
    if (batch.Error) std::rethrow_exception(batch.Error);
    std::size_t from = 0;
    for (std::size_t i = batch.First; i < batch.Last; ++i) {
      const TMergeItem& item = merge.Items[i];
      ++merge.Counts.Of[std::size_t(item.Status)];
      const std::size_t end = batch.Ends[i - batch.First];
      put(&item, std::string_view(batch.Text).substr(from, end - from));
      from = end;
    }
    std::string().swap(batch.Text);
    {
      std::lock_guard lock(mutex);
      written = index + 1;
    }
    changed.notify_all();
  }
}

}  // namespace

TFileMerge MergeFiles(const TObjectSet& original, const TObjectSet& modified,
                      const TObjectSet& target, const TMergeOptions& options,
                      const TMergeWriter& write) {
  const std::vector<TKey> oKeys = Keys(original), aKeys = Keys(modified), bKeys = Keys(target);
  const auto oIndex = IndexOf(oKeys), aIndex = IndexOf(aKeys), bIndex = IndexOf(bKeys);
  auto find = [](const std::unordered_map<TKey, std::int32_t>& index, TKey key) {
    const auto it = index.find(key);
    return it == index.end() ? -1 : it->second;
  };
  TFileMerge merge;
  for (TKey key : MergedOrder(&oKeys, aKeys, bKeys))
    merge.Items.push_back({find(oIndex, key), find(aIndex, key), find(bIndex, key)});
  for (std::size_t i = 0; i < oKeys.size(); ++i)
    if (find(aIndex, oKeys[i]) < 0 && find(bIndex, oKeys[i]) < 0)
      merge.Items.push_back({std::int32_t(i), -1, -1});

  TObjectReader bReader;
  // An object that ends without a line break (the last of its file) gets
  // one before the next, so that the next header starts its own line.
  bool atLineStart = true;
  {
    const std::string o = Preamble(original), a = Preamble(modified), b = Preamble(target);
    const bool fromTarget = a == o;
    const std::string& preamble = fromTarget ? b : a;
    write(nullptr, preamble);
    // What stands before a file's first object (a byte order mark, say)
    // ends where a header may start.
    atLineStart = (fromTarget ? target : modified).GetCount() > 0 || EndsAtLineStart(preamble);
  }
  const std::string_view lineBreak =
      target.GetCount() > 0 ? LineBreakOf(Read(target, 0, bReader)) : std::string_view("\r\n");
  auto put = [&](const TMergeItem* item, std::string_view text) {
    if (text.empty()) return write(item, text);
    if (!atLineStart) write(nullptr, lineBreak);
    write(item, text);
    atLineStart = EndsAtLineStart(text);
  };
  const TSides sides{original, modified, target, options};
  if (const unsigned threads = MergeThreads(sides); threads > 1) {
    MergeInBatches(sides, merge, threads, put);
    return merge;
  }
  TReaders readers;
  for (TMergeItem& item : merge.Items) {
    const TObjectResult result = MergeItem(sides, item, readers);
    ++merge.Counts.Of[std::size_t(item.Status)];
    put(&item, result.Text());
  }
  return merge;
}

std::string MergeSummaryText(const TMergeCounts& counts) {
  std::string text;
  for (std::size_t s = 0; s < MergeStatusCount; ++s) {
    if (!text.empty()) text += ", ";
    text += GroupedNumber(counts.Of[s]) + " " + std::string(MergeStatusName(TMergeStatus(s)));
  }
  return text;
}

}  // namespace merge
