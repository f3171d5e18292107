// SPDX-License-Identifier: MIT
// The diff of one object in the text pane's place: the hunks of a unified
// diff with both sides' line numbers in a gutter, removed and added lines
// tinted. The text is the objects' own bytes, so it shows and copies as the
// text pane does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "linediff.h"
#include "textpane.h"

class TDiffPane : public TTextPane {
  Q_OBJECT
 public:
  enum class TRowKind : std::uint8_t { rkHunk, rkContext, rkRemoved, rkAdded };
  // What one line of the pane stands for.
  struct TLineInfo {
    TRowKind Kind;
    std::int32_t OldNumber;  // 0: none
    std::int32_t NewNumber;
  };

  explicit TDiffPane(QWidget* parent = nullptr);

  void setDiff(std::string_view oldText, std::string_view newText);
  void clearDiff();
  const std::vector<TLineInfo>& lineInfo() const { return FInfo; }
  // Pane lines where a run of removed or added lines begins.
  const std::vector<int>& changes() const { return FChanges; }

  // Puts the caret at the start of the next or previous change and scrolls
  // to it; false when there is none in that direction.
  bool nextChange();
  bool previousChange();

  static QColor tint(TRowKind kind);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  class TGutter;
  void paintGutter(QPaintEvent* event);
  void updateGutter();
  bool moveToChange(int line);

  std::vector<TLineInfo> FInfo;
  std::vector<int> FChanges;
  TGutter* FGutter;
  int FDigits = 1;
};
