// SPDX-License-Identifier: MIT
// Two files loaded at once, one on a thread of its own, finding where their
// bytes are the same as they load: each file is read once, and a comparison
// then reads only the pairs that differ.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "comparison.h"

// The old file's stretches, copied on its loading thread for the other to
// take in file order. The copies waiting are kept to a few megabytes unless
// the taker waits for more (a stretch of one huge line).
class TStretchFeed {
 public:
  // On the old file's loading thread: every stretch of its load, in order.
  void Put(const TScannedText& text);
  // The old file's load has ended, well or not: nothing more will come.
  void Finish();

  // On the other thread: the old bytes [offset, offset + size), as far as
  // the old file has them, where they lie or else copied into scratch;
  // valid until the next call. Offsets only grow from call to call, and the
  // bytes before offset are let go.
  std::string_view Read(std::int64_t offset, std::size_t size, std::string& scratch);
  // No more reads: what comes is let go at once.
  void Close();

 private:
  struct TStretch {
    std::int64_t Offset;
    std::string_view Bytes;  // of Copy
    std::string Copy;
  };
  static constexpr std::size_t Limit = std::size_t(16) << 20;
  static constexpr std::size_t MaxSpare = 32;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TStretch> FStretches;
  std::vector<std::string> FSpare;  // buffers of stretches read, to fill again
  std::size_t FWaiting = 0;         // bytes of FStretches
  bool FReading = false;            // a Read waits for more
  bool FFinished = false;
  bool FClosed = false;
};

// Loads oldFile through loadOld on a thread of its own while newFile loads
// through loadNew on the caller's, same learning where the two hold the same
// bytes. Both loads run to their end; an error of the old one is thrown
// first, as it would be if it loaded first. Where no thread can be had, the
// old file loads first and same reads it again as the new one loads.
void LoadSideBySide(TObjectTextFile& oldFile, TObjectTextFile& newFile, TSameBytes& same,
                    const std::function<void()>& loadOld, const std::function<void()>& loadNew);

// Loads loading through load, same learning where it holds the bytes of the
// file same compares it with, which is loaded already: each part of the load, on its own thread,
// reads loaded's bytes at the offsets it scans. An error reading loaded ends
// the load.
void LoadBesideLoaded(TObjectTextFile& loading, TSameBytes& same,
                      const std::function<void()>& load);
