// SPDX-License-Identifier: MIT
#include "findkeys.h"

#include <QAction>
#include <QWidget>

#include "errorguard.h"
#include "stringtable.h"

TFindKeys::TFindKeys(IFindKeysHost& host) : QObject(&host.hostWindow()), FHost(host) {
  auto add = [&](const char* name, const char* caption, QKeySequence key,
                 void (TFindKeys::*execute)()) {
    auto* action = new QAction(str::text(caption), &host.hostWindow());
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, execute] {
      runGuarded(FHost.prompts(), &FHost.hostWindow(), [&] { (this->*execute)(); });
    });
    host.hostWindow().addAction(action);
    return action;
  };
  actEditFindNext = add("actEditFindNext", str::ActEditFindNext, QKeySequence(Qt::Key_F3),
                        &TFindKeys::actEditFindNextExecute);
  actEditFindPrevious =
      add("actEditFindPrevious", str::ActEditFindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3),
          &TFindKeys::actEditFindPreviousExecute);
}

void TFindKeys::actEditFindNextExecute() {
  if (!FHost.findTextGiven())
    FHost.openFindDialog();
  else
    FHost.findAgain(false);
}

void TFindKeys::actEditFindPreviousExecute() {
  if (!FHost.findTextGiven())
    FHost.openFindDialog();
  else
    FHost.findAgain(true);
}

void TFindKeys::updateActions() {
  actEditFindNext->setEnabled(FHost.fileLoaded());
  actEditFindPrevious->setEnabled(FHost.fileLoaded());
}
