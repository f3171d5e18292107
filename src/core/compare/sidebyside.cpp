// SPDX-License-Identifier: MIT
#include "sidebyside.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

void TStretchFeed::Put(const TScannedText& text) {
  const std::size_t size = text.Bytes.size();
  if (size == 0) return;
  std::unique_lock<std::mutex> lock(FLock);
  FChanged.wait(lock, [&] { return FClosed || FReading || FWaiting < Limit; });
  if (FClosed) return;
  // Fresh buffers of a megabyte each cost a page fault every few kilobytes;
  // the ones read are filled again. Copying beats handing the load's own
  // bytes over and waiting: the two loads then keep each other waiting.
  TStretch stretch{text.Offset, {}, {}};
  if (!FSpare.empty()) {
    stretch.Copy = std::move(FSpare.back());
    FSpare.pop_back();
  }
  lock.unlock();
  stretch.Copy.assign(text.Bytes);
  stretch.Bytes = stretch.Copy;
  lock.lock();
  if (FClosed) return;
  FWaiting += size;
  FStretches.push_back(std::move(stretch));
  FChanged.notify_all();
}

void TStretchFeed::Finish() {
  const std::lock_guard<std::mutex> lock(FLock);
  FFinished = true;
  FChanged.notify_all();
}

std::string_view TStretchFeed::Read(std::int64_t offset, std::size_t size, std::string& scratch) {
  std::unique_lock<std::mutex> lock(FLock);
  const auto endOf = [](const TStretch& stretch) {
    return stretch.Offset + std::int64_t(stretch.Bytes.size());
  };
  const auto letGoBefore = [&](std::int64_t at) {
    while (!FStretches.empty() && endOf(FStretches.front()) <= at) {
      FWaiting -= FStretches.front().Bytes.size();
      if (FSpare.size() < MaxSpare) FSpare.push_back(std::move(FStretches.front().Copy));
      FStretches.pop_front();
      FChanged.notify_all();
    }
  };
  const auto waitForMore = [&] {
    FReading = true;
    FChanged.notify_all();
    FChanged.wait(lock, [&] { return FFinished || FClosed || !FStretches.empty(); });
    FReading = false;
  };
  // Mostly the stretches of both files have the same bounds, and the bytes
  // are compared where they lie, without a copy.
  for (;;) {
    letGoBefore(offset);
    if (!FStretches.empty()) break;
    if (FFinished || FClosed) return {};
    waitForMore();
  }
  // Stretches tile the file, so the first one left holds offset; a gap
  // would be a load that went wrong, and ends what can be read.
  const TStretch& first = FStretches.front();
  if (first.Offset > offset) return {};
  if (endOf(first) >= offset + std::int64_t(size))
    return first.Bytes.substr(std::size_t(offset - first.Offset), size);
  scratch.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const std::int64_t at = offset + std::int64_t(done);
    letGoBefore(at);
    if (FStretches.empty()) {
      if (FFinished || FClosed) break;
      waitForMore();
      continue;
    }
    const TStretch& stretch = FStretches.front();
    if (stretch.Offset > at) break;
    const auto from = std::size_t(at - stretch.Offset);
    const std::size_t count = std::min(size - done, stretch.Bytes.size() - from);
    std::memcpy(scratch.data() + done, stretch.Bytes.data() + from, count);
    done += count;
  }
  scratch.resize(done);
  return scratch;
}

void TStretchFeed::Close() {
  const std::lock_guard<std::mutex> lock(FLock);
  FClosed = true;
  FStretches.clear();
  FWaiting = 0;
  FChanged.notify_all();
}

namespace {

// Runs produce, which fills feed, on a thread of its own while loadNew loads
// newFile here, same taking the bytes it compares from feed. Where no thread
// can be had, alone does all in order instead. The producer's error is
// thrown first.
void FeedBeside(TStretchFeed& feed, TObjectTextFile& newFile, TSameBytes& same,
                const std::function<void()>& produce, const std::function<void()>& loadNew,
                const std::function<void()>& alone) {
  struct TUnhook {
    TObjectTextFile& New;
    TSameBytes& Same;
    ~TUnhook() {
      New.SetOnScanned(nullptr);
      Same.SetFeed(nullptr);
    }
  } unhook{newFile, same};
  std::exception_ptr producerError;
  std::exception_ptr newError;
  {
    std::jthread helper;
    try {
      helper = std::jthread([&] {
        try {
          produce();
        } catch (...) {
          producerError = std::current_exception();
        }
        feed.Finish();
      });
    } catch (const std::system_error&) {
      alone();
      return;
    }
    same.SetFeed(&feed);
    newFile.SetOnScanned([&same](const TScannedText& text) { same.Scanned(text); });
    try {
      loadNew();
    } catch (...) {
      newError = std::current_exception();
    }
    feed.Close();
  }
  if (producerError) std::rethrow_exception(producerError);
  if (newError) std::rethrow_exception(newError);
}

}  // namespace

void LoadSideBySide(TObjectTextFile& oldFile, TObjectTextFile& newFile, TSameBytes& same,
                    const std::function<void()>& loadOld, const std::function<void()>& loadNew) {
  struct TUnhook {
    TObjectTextFile& Old;
    ~TUnhook() { Old.SetOnScanned(nullptr); }
  } unhook{oldFile};
  TStretchFeed feed;
  oldFile.SetOnScanned([&feed](const TScannedText& text) { feed.Put(text); });
  FeedBeside(feed, newFile, same, loadOld, loadNew, [&] {
    oldFile.SetOnScanned(nullptr);
    loadOld();
    newFile.SetOnScanned([&same](const TScannedText& text) { same.Scanned(text); });
    loadNew();
  });
}

void LoadBesideLoaded(TObjectTextFile& loading, TSameBytes& same,
                      const std::function<void()>& load) {
  struct TUnhook {
    TObjectTextFile& Loading;
    ~TUnhook() { Loading.SetOnBytes(nullptr); }
  } unhook{loading};
  // Each part of the load compares its bytes with the loaded file's at the
  // same offsets, on its own thread.
  loading.SetOnBytes(
      [&same](std::string_view bytes, std::int64_t offset) { same.Seen(bytes, offset); });
  load();
  same.Settle();
}
