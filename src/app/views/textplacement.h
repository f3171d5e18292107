// SPDX-License-Identifier: MIT
// Where a place in the text pane comes to stand when the window jumps to it:
// a match in the middle of the pane, clear of the find dialog; an outline
// entry or a reference near the top, with a little of what precedes it.
#pragma once

#include <cstdint>

class QWidget;
class TTextPane;

enum class TTextPlacement { tpVisible, tpMiddle, tpNearTop };

// Scrolls pane so that the row of offset stands as placement says. For the
// middle, a visible covering window (the find dialog) never hides the row:
// the row goes to the middle of the larger part of the pane that it leaves
// free, and where the text cannot scroll that far the window moves aside.
void placeOffset(TTextPane& pane, std::int32_t offset, TTextPlacement placement,
                 QWidget* covering = nullptr);
