// SPDX-License-Identifier: MIT
// The application title: the main window's caption and the caption of the
// error display. It is kept apart from Qt's application display name, which
// the platform would append to the title of every other window and dialog.
#pragma once

#include <QString>

QString applicationTitle();
void setApplicationTitle(const QString& title);
