// SPDX-License-Identifier: MIT
#include "apptitle.h"

#include "stringtable.h"

namespace {

QString& title() {
  static QString value = str::text(str::AppTitle);
  return value;
}

}  // namespace

QString applicationTitle() {
  return title();
}

void setApplicationTitle(const QString& value) {
  title() = value;
}
