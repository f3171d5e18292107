// SPDX-License-Identifier: MIT
#include "codereading.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QGridLayout>
#include <QMenu>
#include <QMouseEvent>

#include "errorguard.h"
#include "objectmodels.h"
#include "objectreferences.h"
#include "oemcodepage.h"
#include "outlinebox.h"
#include "prompts.h"
#include "settings.h"
#include "stringtable.h"
#include "syntaxcolouring.h"
#include "textpane.h"
#include "whereusedview.h"

TCodeReading::TCodeReading(ICodeReadingHost& form) : QObject(&form.hostWindow()), FForm(form) {
  FColouring = new TSyntaxColouring(*form.textPane());
  FOutlineBox = new TOutlineBox(*form.textPane(), form.rightPane());
  placeOutlineBox();

  actViewSyntaxColouring = addAction("actViewSyntaxColouring", str::ActViewSyntaxColouring,
                                     &TCodeReading::actViewSyntaxColouringExecute);
  actViewSyntaxColouring->setCheckable(true);
  actEditGoToObject = addAction("actEditGoToObject", str::ActEditGoToObject,
                                &TCodeReading::actEditGoToObjectExecute);
  actEditGoToObject->setShortcut(QKeySequence(Qt::Key_F12));
  actEditGoBack =
      addAction("actEditGoBack", str::ActEditGoBack, &TCodeReading::actEditGoBackExecute);
  actEditGoBack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  actEditWhereUsed =
      addAction("actEditWhereUsed", str::ActEditWhereUsed, &TCodeReading::actEditWhereUsedExecute);
  actEditWhereUsed->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F12));
  form.editMenu()->addSeparator();
  form.editMenu()->addActions({actEditGoToObject, actEditGoBack, actEditWhereUsed});
  form.viewMenu()->addSeparator();
  form.viewMenu()->addAction(actViewSyntaxColouring);

  runGuarded(form.prompts(), &form.hostWindow(), [this] {
    const TIniProfile profile(FForm.settingsFile());
    const bool on = ReadSyntaxColouring(profile);
    FColouring->setEnabled(on);
    actViewSyntaxColouring->setChecked(on);
  });

  form.textPane()->viewport()->installEventFilter(this);
  form.textPane()->installEventFilter(this);
  // Places in the objects of another file mean nothing.
  connect(&form.treeModel(), &QAbstractItemModel::modelAboutToBeReset, this,
          [this] { FHistory.clear(); });
  connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
          &TCodeReading::updateActions);
}

TWhereUsedView* TCodeReading::whereUsedView() const {
  return FWhereUsedView;
}

QAction* TCodeReading::addAction(const char* name, const char* caption,
                                 void (TCodeReading::*execute)()) {
  auto* action = new QAction(str::text(caption), &FForm.hostWindow());
  action->setObjectName(QLatin1String(name));
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this, [this, execute] {
    runGuarded(FForm.prompts(), &FForm.hostWindow(), [&] { (this->*execute)(); });
  });
  FForm.hostWindow().addAction(action);
  return action;
}

// The box goes above the text pane and is seen only with it: whatever
// shares the pane's cell, and anything below it, moves down one row; rows
// above it (the filter box) stay where they are.
void TCodeReading::placeOutlineBox() {
  QGridLayout* grid = FForm.rightPaneLayout();
  int paneRow = 0, column = 0, rows = 0, columns = 0;
  grid->getItemPosition(grid->indexOf(FForm.textPane()), &paneRow, &column, &rows, &columns);
  struct TPlace {
    QWidget* Widget;
    int Row, Column, RowSpan, ColumnSpan;
  };
  QList<TPlace> moved;
  for (int i = 0; i < grid->count(); ++i) {
    TPlace place{grid->itemAt(i)->widget(), 0, 0, 0, 0};
    grid->getItemPosition(i, &place.Row, &place.Column, &place.RowSpan, &place.ColumnSpan);
    if (place.Widget && place.Row >= paneRow) moved.push_back(place);
  }
  for (const TPlace& p : moved) {
    grid->removeWidget(p.Widget);
    grid->addWidget(p.Widget, p.Row + 1, p.Column, p.RowSpan, p.ColumnSpan);
  }
  grid->addWidget(FOutlineBox, paneRow, 0);
  grid->setRowStretch(paneRow, 0);
  grid->setRowStretch(paneRow + 1, 1);
  FOutlineBox->setVisible(!FForm.textPane()->isHidden());
}

bool TCodeReading::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FForm.textPane() &&
      (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    FOutlineBox->setVisible(event->type() == QEvent::Show);
  } else if (watched == FForm.textPane()->viewport() &&
             event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ControlModifier))
      runGuarded(FForm.prompts(), &FForm.hostWindow(), [this] { actEditGoToObjectExecute(); });
  }
  return QObject::eventFilter(watched, event);
}

void TCodeReading::updateActions() {
  actEditGoToObjectUpdate();
  actEditGoBackUpdate();
  actEditWhereUsedUpdate();
}

void TCodeReading::actEditGoToObjectUpdate() {
  actEditGoToObject->setEnabled(FForm.fileLoaded() && FForm.shownNode() > 0);
}

void TCodeReading::actEditGoBackUpdate() {
  actEditGoBack->setEnabled(FHistory.canGoBack());
}

void TCodeReading::actEditWhereUsedUpdate() {
  actEditWhereUsed->setEnabled(whereUsedTarget() >= 0);
}

void TCodeReading::actViewSyntaxColouringExecute() {
  const bool on = actViewSyntaxColouring->isChecked();
  FColouring->setEnabled(on);
  TIniProfile profile(FForm.settingsFile());
  WriteSyntaxColouring(profile, on);
}

void TCodeReading::actEditGoToObjectExecute() {
  const int shown = FForm.shownNode() - 1;
  if (!FForm.fileLoaded() || shown < 0) return;
  TTextPane& pane = *FForm.textPane();
  const auto ref = cal::ReferenceAt(pane.bytes(), pane.caretPosition());
  if (!ref) {
    FForm.showStatusMessage(str::text(str::NoReferenceHere));
    FForm.prompts().Beep();
    return;
  }
  const TObjectSet& file = FForm.objectSet();
  const std::int32_t target = cal::ResolveReference(file, *ref);
  if (target < 0) {
    const QString what = str::typeName(ref->Type) + QLatin1Char(' ') +
                         (ref->ByName ? oem::toQString(ref->Name) : QString::number(ref->ID));
    FForm.showStatusMessage(str::format(str::ObjectNotInFileFormat, what));
    FForm.prompts().Beep();
    return;
  }
  FHistory.push({shown, pane.selStart(), pane.selLength()});
  FForm.selectObjectText(target, 0, 0, TTextPlacement::tpNearTop);
}

void TCodeReading::actEditGoBackExecute() {
  if (const auto place = FHistory.back())
    FForm.selectObjectText(place->ObjIndex, place->SelStart, place->SelLength,
                           TTextPlacement::tpMiddle);
}

int TCodeReading::whereUsedTarget() const {
  if (!FForm.fileLoaded()) return -1;
  const int selected = FForm.selectedObject();
  if (selected >= 0) return selected;
  const QList<int> rows = FForm.selectedRows();
  return FForm.shownNode() == 0 && !rows.isEmpty() ? rows.front() : -1;
}

void TCodeReading::actEditWhereUsedExecute() {
  const int target = whereUsedTarget();
  if (target < 0) return;
  const TObjectSet& file = FForm.objectSet();
  std::vector<cal::TObjectUse> uses;
  if (!TWhereUsedView::search(&FForm.hostWindow(), file, target, uses)) {
    FForm.showStatusMessage(str::text(str::WhereUsedCancelled));
    return;
  }
  FForm.showStatusMessage(str::format(str::WhereUsedCountFormat, int(uses.size())));
  if (!FWhereUsedView) {
    FWhereUsedView = new TWhereUsedView(&FForm.hostWindow());
    connect(FWhereUsedView, &TWhereUsedView::showUse, this, &TCodeReading::showUse);
  }
  const QString name = oem::toQString(file.GetObject(target).GetDisplayName());
  FWhereUsedView->setUses(str::format(str::WhereUsedTitleFormat, name), file, std::move(uses));
  FWhereUsedView->show();
  FWhereUsedView->raise();
  FWhereUsedView->activateWindow();
}

void TCodeReading::showUse(int objIndex, std::int32_t start, std::int32_t length) {
  runGuarded(FForm.prompts(), &FForm.hostWindow(), [&] {
    const int shown = FForm.shownNode() - 1;
    if (shown >= 0 && shown != objIndex)
      FHistory.push({shown, FForm.textPane()->selStart(), FForm.textPane()->selLength()});
    FForm.selectObjectText(objIndex, start, length, TTextPlacement::tpNearTop);
  });
}
