// SPDX-License-Identifier: MIT
#include "textplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

#include "textpane.h"

namespace {

constexpr int NearTopContext = 2;  // rows shown above the place

// The row's band in global coordinates.
QRect rowBand(const TTextPane& pane, std::int32_t offset) {
  const int height = pane.rowHeight();
  const QPoint middle = pane.pointOf(offset);
  const QPoint topLeft = pane.viewport()->mapToGlobal(QPoint(0, middle.y() - height / 2));
  return {topLeft, QSize(pane.viewport()->width(), height)};
}

void scrollRowTo(TTextPane& pane, int row, int viewportRow) {
  pane.verticalScrollBar()->setValue(row - viewportRow);
}

// Moves the window below the band, or above it where the screen has no room.
void moveAside(QWidget& window, const QRect& band) {
  const QRect frame = window.frameGeometry();
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  const QRect room = screen ? screen->availableGeometry() : QRect();
  int top = band.bottom() + 1 + band.height();
  if (!room.isNull() && top + frame.height() > room.bottom())
    top = band.top() - band.height() - frame.height();
  window.move(window.pos() + QPoint(0, top - frame.top()));
}

}  // namespace

void placeOffset(TTextPane& pane, std::int32_t offset, TTextPlacement placement,
                 QWidget* covering) {
  if (placement == TTextPlacement::tpVisible) return;
  const int row = pane.rowOf(offset);
  const int visible = pane.visibleRowCount();
  if (placement == TTextPlacement::tpNearTop) {
    scrollRowTo(pane, row, std::min(NearTopContext, visible / 4));
    return;
  }
  scrollRowTo(pane, row, visible / 2);
  if (!covering || !covering->isVisible()) return;
  const QRect cover = covering->frameGeometry();
  if (!rowBand(pane, offset).intersects(cover)) return;
  // The rows of the pane above and below the window.
  const int height = pane.rowHeight();
  const QRect view(pane.viewport()->mapToGlobal(QPoint(0, 0)), pane.viewport()->size());
  const int above = std::clamp((cover.top() - view.top()) / height, 0, visible);
  const int below = std::clamp((view.bottom() - cover.bottom()) / height, 0, visible);
  if (above >= below && above > 0)
    scrollRowTo(pane, row, above / 2);
  else if (below > 0)
    scrollRowTo(pane, row, visible - below + below / 2);
  const QRect band = rowBand(pane, offset);
  if (band.intersects(covering->frameGeometry())) moveAside(*covering, band);
}
