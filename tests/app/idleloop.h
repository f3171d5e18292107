// SPDX-License-Identifier: MIT
// Waiting for the application to go idle, as it does between user inputs.
#pragma once

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>

// Runs the event loop for ms, then on until it is about to block, so that
// whatever runs when the application goes idle (the window's action states)
// has seen everything done before. A short timer alone may fire while a busy
// platform still has events queued, and the loop never blocks within it.
inline void idle(int ms = 10) {
  QEventLoop loop;
  bool waited = false;
  QTimer::singleShot(ms, &loop, [&waited] { waited = true; });
  const QMetaObject::Connection blocking = QObject::connect(
      QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop, [&] {
        if (waited) loop.quit();
      });
  loop.exec();
  QObject::disconnect(blocking);
}
