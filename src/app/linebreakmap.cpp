#include "linebreakmap.h"

#include <algorithm>
#include <cstring>

void TLineBreakMap::build(std::string_view bytes) {
  FPairs.clear();
  FByteCount = static_cast<std::int32_t>(bytes.size());
  const char* data = bytes.data();
  const char* end = data + bytes.size();
  for (const char* p = data; p < end;) {
    const void* cr = std::memchr(p, '\r', std::size_t(end - p));
    if (!cr) break;
    p = static_cast<const char*>(cr) + 1;
    if (p < end && *p == '\n') FPairs.push_back(static_cast<std::int32_t>(p - 1 - data));
  }
}

void TLineBreakMap::clear() {
  FPairs.clear();
  FByteCount = 0;
}

std::int32_t TLineBreakMap::toByte(std::int32_t position) const {
  if (position <= 0) return 0;
  // Pair k stands at position FPairs[k] - k; count the pairs before position.
  std::size_t lo = 0, hi = FPairs.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (FPairs[mid] - std::int32_t(mid) < position)
      lo = mid + 1;
    else
      hi = mid;
  }
  return std::min(position + std::int32_t(lo), FByteCount);
}

std::int32_t TLineBreakMap::toPosition(std::int32_t byte, bool roundUp) const {
  byte = std::clamp(byte, 0, FByteCount);
  auto whole = std::lower_bound(FPairs.begin(), FPairs.end(), byte - 1);
  auto before = std::int32_t(whole - FPairs.begin());
  bool split = whole != FPairs.end() && *whole == byte - 1;
  return byte - before - (split && !roundUp ? 1 : 0);
}
