// SPDX-License-Identifier: MIT
// The two questions of a multiple export, as real message boxes.
#pragma once

#include <QString>

#include "prompts.h"

class QWidget;

// "<fileName> already exists." and "Do you want to replace it?" on two lines,
// titled "Warning", with "&Yes" (the default), "&No", "Cancel" and
// "Yes to &All" from left to right. Escape and closing the box answer Cancel.
TOverwriteAnswer AskOverwriteBox(QWidget* parent, const QString& fileName);

// "The specified directory does not exist. Create it?" titled "Confirm", with
// "&Yes" (the default) and "&No"; Escape and closing answer No. True for Yes.
bool AskCreateDirectoryBox(QWidget* parent);
