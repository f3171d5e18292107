// SPDX-License-Identifier: MIT
// The modeless find dialog: a search text, a match-case option and Find Next.
// It stays open between searches; the window does the searching on Find().
#pragma once

#include <QDialog>
#include <QPoint>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TFindDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int MaxFindTextLength = 255;

  explicit TFindDialog(QWidget* parent = nullptr);

  QString FindText() const;
  // Keeps at most MaxFindTextLength characters, as typing does.
  void SetFindText(const QString& text);
  bool MatchCase() const;
  void SetMatchCase(bool on);

  // Shows the dialog where it was last closed, or brings it forward when it
  // is open already; text and options stay as they are.
  void ShowOrRaise();

 signals:
  // Find Next was pressed (or Enter typed) with a search text.
  void Find();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void FindNext();

  QLineEdit* edtFindWhat;
  QCheckBox* chkMatchCase;
  QPushButton* btnFindNext;
  QPushButton* btnCancel;
  std::optional<QPoint> FLastPos;
};
