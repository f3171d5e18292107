// SPDX-License-Identifier: MIT
#include "errorguard.h"

#include <exception>

#include "prompts.h"
#include "stringtable.h"

QString errorDisplayText(const QString& message) {
  if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
  return message;
}

bool runGuarded(TPrompts& prompts, QWidget* parent, const std::function<void()>& body) {
  QString message;
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    // The core's messages are UTF-8, paths included.
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = str::text(str::UnknownError);
  }
  // Shown outside the catch block: the box runs an event loop, and a handler
  // failing inside it must not meet an exception still in flight.
  prompts.ShowError(parent, errorDisplayText(message));
  return false;
}
