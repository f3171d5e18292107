// SPDX-License-Identifier: MIT
// Wires the code-reading features into the main window: syntax colouring,
// the outline box above the text pane, go to object and back, where used.
#pragma once

#include <QObject>
#include <QPointer>

#include "codereadinghost.h"
#include "navigationhistory.h"

class QAction;
class TOutlineBox;
class TSyntaxColouring;
class TWhereUsedView;

class TCodeReading : public QObject {
  Q_OBJECT
 public:
  explicit TCodeReading(ICodeReadingHost& form);

  QAction* actViewSyntaxColouring = nullptr;
  QAction* actEditGoToObject = nullptr;
  QAction* actEditGoBack = nullptr;
  QAction* actEditWhereUsed = nullptr;
  TSyntaxColouring* colouring() const { return FColouring; }
  TOutlineBox* cbxOutline() const { return FOutlineBox; }
  TWhereUsedView* whereUsedView() const;
  const TNavigationHistory& history() const { return FHistory; }

  void actViewSyntaxColouringExecute();
  void actEditGoToObjectExecute();
  void actEditGoBackExecute();
  void actEditWhereUsedExecute();
  void actEditGoToObjectUpdate();
  void actEditGoBackUpdate();
  void actEditWhereUsedUpdate();
  // Runs the update handlers; the window calls it with its own.
  void updateActions();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* addAction(const char* name, const char* caption, void (TCodeReading::*execute)());
  void placeOutlineBox();
  int whereUsedTarget() const;
  void showUse(int objIndex, std::int32_t start, std::int32_t length);

  ICodeReadingHost& FForm;
  TSyntaxColouring* FColouring = nullptr;
  TOutlineBox* FOutlineBox = nullptr;
  QPointer<TWhereUsedView> FWhereUsedView;
  TNavigationHistory FHistory;
};
