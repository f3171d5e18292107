// SPDX-License-Identifier: MIT
// How many threads work shared out between the processors runs on.
#pragma once

#include <algorithm>
#include <thread>

namespace vexa {

// One for each processor, at least one and at most eight. Asked of the
// system once: asking reads a file each time, and a folder's thousands of
// loads ask again and again.
inline unsigned WorkerThreads() {
  static const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  return threads;
}

}  // namespace vexa
