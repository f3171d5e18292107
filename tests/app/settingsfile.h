// SPDX-License-Identifier: MIT
// The window's settings file, written and read back by the tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include "mainform.h"

inline QString settingsPath() {
  return QString::fromStdString(TfrmMain::settingsFileName());
}

inline void writeSettings(const QByteArray& content) {
  QFile file(settingsPath());
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(content);
}

inline QByteArray readSettings() {
  QFile file(settingsPath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
