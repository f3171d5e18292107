// SPDX-License-Identifier: MIT
// The application-wide hourglass. Like the program's long operations expect,
// setting it back gives the normal arrow, not whatever was shown before.
#pragma once

namespace cursor {
void setHourglass();
void setNormal();
}  // namespace cursor

// Puts the hourglass up for its lifetime; the arrow comes back also when the
// scope is left by an exception.
class TBusyCursor {
 public:
  TBusyCursor() { cursor::setHourglass(); }
  ~TBusyCursor() { cursor::setNormal(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};
