// SPDX-License-Identifier: MIT
// Object text files written by the tests themselves.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

struct TTestObject {
  std::string Header;  // after the marker, e.g. "Table 18 Customer"
  std::string Body;    // the lines after the header, line breaks included
};

// The header lines with CR LF and each body as given.
inline std::string objectText(const std::vector<TTestObject>& objects) {
  std::string text;
  for (const TTestObject& object : objects)
    text += "OBJECT " + object.Header + "\r\n" + object.Body;
  return text;
}

// count objects cycling through the types, with a few body lines each.
inline std::vector<TTestObject> manyObjects(int count) {
  static const char* const types[] = {"Table",   "Form",      "Report", "Dataport", "Codeunit",
                                      "XMLport", "MenuSuite", "Page",   "Query"};
  std::vector<TTestObject> objects;
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(1000 + i);
    objects.push_back(
        {std::string(types[i % 9]) + " " + number + " Object " + number,
         "{\r\n  PROPERTIES\r\n  {\r\n    Number=" + number + ";\r\n  }\r\n}\r\n\r\n"});
  }
  return objects;
}

// Windows lets nobody change a file that the window holds: a case that
// changes one under the window ends there on Windows.
#ifdef Q_OS_WIN
#define END_WHERE_WINDOWS_LOCKS_HELD_FILES() \
  QSKIP("Windows lets nobody change a file that the window holds")
#else
#define END_WHERE_WINDOWS_LOCKS_HELD_FILES() \
  do {                                       \
  } while (false)
#endif

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const std::string& bytes) {
  const QString path = QDir(dir.path()).filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  file.write(bytes.data(), qint64(bytes.size()));
  return path;
}
