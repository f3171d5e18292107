// SPDX-License-Identifier: MIT
// The core takes and gives paths as UTF-8 on every system (wide only where
// it calls Windows), so a path crosses as UTF-8, never in the ANSI code page
// that QFile::encodeName uses on Windows.
#pragma once

#include <QDir>
#include <QString>
#include <string>

// In the system's own separators, so that a path the core builds on (an
// export's target, a message) reads as one path.
inline std::string corePath(const QString& fileName) {
  return QDir::toNativeSeparators(fileName).toStdString();
}

inline QString fromCorePath(const std::string& path) {
  return QString::fromStdString(path);
}
