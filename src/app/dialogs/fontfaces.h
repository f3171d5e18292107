// SPDX-License-Identifier: MIT
// Faces named in the settings may be missing on the machine. The views then
// draw with a face of the right kind (fixed pitch for object text, the
// system's sans face for the tree and list) while keeping the name they were
// given, so that the settings file keeps it too.
#pragma once

#include <QFont>
#include <QFontDatabase>
#include <optional>

class QWidget;
class TPrompts;

// font with a substitute face behind its own when that face is not installed.
QFont withSubstituteFace(QFont font, QFontDatabase::SystemFont kind);

// current as the font dialog is to start on it: the face and style that
// current actually shows.
QFont fontForDialog(const QFont& current);

// The font dialog, started on the face that current actually shows. Nothing
// when cancelled; current itself when the user confirmed it unchanged.
std::optional<QFont> chooseFont(TPrompts& prompts, QWidget* parent, const QFont& current);
