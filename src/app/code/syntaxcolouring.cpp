// SPDX-License-Identifier: MIT
#include "syntaxcolouring.h"

#include <algorithm>

TSyntaxColouring::TSyntaxColouring(TTextPane& pane) : QObject(&pane), FPane(pane) {
  connect(&pane, &TTextPane::textChanged, this, &TSyntaxColouring::textChanged);
}

void TSyntaxColouring::setEnabled(bool enabled) {
  FEnabled = enabled;
  FPane.setRowFormatter(enabled ? this : nullptr);
}

void TSyntaxColouring::textChanged() {
  // Lexed when first painted, so a text shown with colouring off costs nothing.
  FLexedCurrent = false;
  FCachedLine = -1;
}

QColor TSyntaxColouring::colourOf(cal::TTokenKind kind, const QColor& background) {
  using K = cal::TTokenKind;
  const bool dark = background.lightness() < 128;
  switch (kind) {
    case K::tkHeader:
    case K::tkSection: return dark ? QColor(120, 170, 255) : QColor(0, 0, 160);
    case K::tkProperty: return dark ? QColor(220, 160, 110) : QColor(128, 64, 0);
    case K::tkKeyword: return dark ? QColor(100, 160, 240) : QColor(0, 64, 192);
    case K::tkString: return dark ? QColor(230, 130, 130) : QColor(163, 21, 21);
    case K::tkQuotedIdent: return dark ? QColor(90, 200, 200) : QColor(0, 110, 110);
    case K::tkNumber: return dark ? QColor(180, 220, 140) : QColor(9, 120, 70);
    case K::tkComment: return dark ? QColor(110, 190, 110) : QColor(0, 128, 0);
    case K::tkPlain: break;
  }
  return {};
}

void TSyntaxColouring::formatRow(std::int32_t start, std::int32_t end,
                                 std::vector<TFormatRun>& runs) {
  runs.clear();
  if (!FLexedCurrent) {
    FLexed.Reset(FPane.bytes());
    FLexedCurrent = true;
  }
  const int line = FLexed.LineOf(start);
  if (line != FCachedLine) {
    FLexed.Tokens(line, FTokens);
    FCachedLine = line;
  }
  const QColor background = FPane.palette().color(QPalette::Base);
  // Tokens are in order: find the first that reaches into the row.
  auto it = std::lower_bound(
      FTokens.begin(), FTokens.end(), start,
      [](const cal::TToken& token, std::int32_t at) { return token.Start + token.Length <= at; });
  for (; it != FTokens.end() && it->Start < end; ++it) {
    if (it->Kind == cal::TTokenKind::tkPlain) continue;
    const bool bold =
        it->Kind == cal::TTokenKind::tkSection || it->Kind == cal::TTokenKind::tkHeader;
    runs.push_back({it->Start, it->Length, colourOf(it->Kind, background), bold});
  }
}
