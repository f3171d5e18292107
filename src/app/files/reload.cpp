// SPDX-License-Identifier: MIT
#include "reload.h"

#include <QAction>
#include <QWidget>

#include "corepath.h"
#include "errorguard.h"
#include "objectkey.h"
#include "prompts.h"
#include "stringtable.h"
#include "textpane.h"

TReload::TReload(IReloadHost& host) : QObject(&host.hostWindow()), FHost(host) {
  actFileReload = new QAction(str::text(str::ActFileReload), &host.hostWindow());
  actFileReload->setObjectName(QStringLiteral("actFileReload"));
  actFileReload->setShortcut(QKeySequence(Qt::Key_F5));
  actFileReload->setShortcutContext(Qt::WindowShortcut);
  connect(actFileReload, &QAction::triggered, this, [this] {
    runGuarded(FHost.prompts(), &FHost.hostWindow(), [this] { actFileReloadExecute(); });
  });
  host.hostWindow().addAction(actFileReload);
}

void TReload::actFileReloadUpdate() {
  actFileReload->setEnabled(FHost.fileLoaded());
}

void TReload::offerReload(const QString& message) {
  if (!FHost.fileLoaded()) return;
  if (FHost.prompts().Confirm(&FHost.hostWindow(), str::text(str::AppTitle),
                              str::format(str::ReloadQuestionFormat, message)))
    actFileReloadExecute();
}

void TReload::actFileReloadExecute() {
  if (!FHost.fileLoaded()) return;
  const TObjectSet& file = FHost.objectSet();
  const QString fileName = FHost.loadedPath();
  const int shown = FHost.shownNode() - 1;
  const TTextPane& pane = *FHost.textPane();
  const std::int32_t selStart = pane.selStart();
  const std::int32_t selLength = pane.selLength();
  // The shown object first, then the list's selection.
  const bool objectShown = shown >= 0 && shown < file.GetCount();
  std::vector<std::int32_t> places;
  if (objectShown) places.push_back(shown);
  const QList<int> rows = FHost.selectedRows();
  for (const int row : rows)
    if (row < file.GetCount()) places.push_back(row);
  const std::vector<TObjectKey> keys = KeysOf(file, places);

  FHost.reopenFile(fileName);

  const std::vector<std::int32_t> found = IndexesOf(FHost.objectSet(), keys);
  QList<int> objects;
  for (std::size_t i = objectShown ? 1 : 0; i < found.size(); ++i)
    if (found[i] >= 0) objects << found[i];
  FHost.selectListObjects(objects);
  if (objectShown && found.front() >= 0) FHost.selectObjectText(found.front(), selStart, selLength);
}
