// SPDX-License-Identifier: MIT
#include "busycursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace cursor {

void setHourglass() {
  if (QGuiApplication::overrideCursor())
    QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
  else
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void setNormal() {
  while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

}  // namespace cursor
