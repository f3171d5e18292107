// SPDX-License-Identifier: MIT
#include "fontfaces.h"

#include <QFontInfo>
#include <QStringList>

#include "prompts.h"

QFont withSubstituteFace(QFont font, QFontDatabase::SystemFont kind) {
  const QString face = font.family();
  if (face.isEmpty() || QFontDatabase::hasFamily(face)) return font;
  // Without a second face Qt asks the system for a substitute of the name,
  // which is any face at all; the system font of the kind is a real face.
  const QString substitute = QFontInfo(QFontDatabase::systemFont(kind)).family();
  font.setFamilies(QStringList{face, substitute});
  return font;
}

QFont fontForDialog(const QFont& current) {
  QFont shown = current;
  const QFontInfo real(current);
  shown.setFamily(real.family());
  // The face's own name for its style ("Book", "Regular"): without it the
  // dialog matches none of the face's styles and starts on the first of the
  // list, which may be "Oblique".
  shown.setStyleName(real.styleName());
  return shown;
}

std::optional<QFont> chooseFont(TPrompts& prompts, QWidget* parent, const QFont& current) {
  const QFont shown = fontForDialog(current);
  std::optional<QFont> chosen = prompts.ChooseFont(parent, shown);
  if (!chosen) return std::nullopt;
  const bool unchanged = chosen->family() == shown.family() &&
                         chosen->pointSize() == shown.pointSize() &&
                         chosen->bold() == shown.bold() && chosen->italic() == shown.italic();
  if (unchanged) return current;
  return chosen;
}
