// SPDX-License-Identifier: MIT
// The one place where failures are caught: at the boundary of every event
// handler. An exception never crosses Qt's event loop; it becomes the default
// error display and the loop goes on.
#pragma once

#include <QString>
#include <functional>

class QWidget;
class TPrompts;

// The message as the error display shows it: a full stop is added when the
// last character sorts after the full stop.
QString errorDisplayText(const QString& message);

// Runs body; an exception leaving it is shown through prompts.ShowError.
// Returns false when body failed.
bool runGuarded(TPrompts& prompts, QWidget* parent, const std::function<void()>& body);
