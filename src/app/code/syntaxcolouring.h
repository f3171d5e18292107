// SPDX-License-Identifier: MIT
// Colours the text pane's rows from the lexer's tokens. The text is lexed
// from its start as far as the rows painted so far, once; a row then costs
// the lexing of its one line.
#pragma once

#include <QObject>
#include <vector>

#include "callexer.h"
#include "textpane.h"

class TSyntaxColouring : public QObject, public TRowFormatter {
  Q_OBJECT
 public:
  // A child of the pane, so it never outlives the pane it formats for.
  explicit TSyntaxColouring(TTextPane& pane);

  bool enabled() const { return FEnabled; }
  void setEnabled(bool enabled);

  void formatRow(std::int32_t start, std::int32_t end, std::vector<TFormatRun>& runs) override;

  // The colour of a kind on a background: darker on light ones, lighter on dark ones.
  static QColor colourOf(cal::TTokenKind kind, const QColor& background);

 private:
  void textChanged();

  TTextPane& FPane;
  bool FEnabled = false;
  cal::TLexedText FLexed;
  bool FLexedCurrent = false;
  // The tokens of the line painted last: the rows of one long line share them.
  int FCachedLine = -1;
  std::vector<cal::TToken> FTokens;
};
