// SPDX-License-Identifier: MIT
#include "linecommands.h"

#include <QAction>
#include <algorithm>

#include "caretposition.h"
#include "errorguard.h"
#include "linenumbers.h"
#include "prompts.h"
#include "settings.h"
#include "stringtable.h"
#include "textpane.h"
#include "textplacement.h"

TLineCommands::TLineCommands(TTextPane& pane, QStatusBar& bar, TPrompts& prompts, QWidget& window,
                             std::string settingsFile)
    : QObject(&window),
      FPane(pane),
      FPrompts(prompts),
      FWindow(window),
      FSettingsFile(std::move(settingsFile)),
      FGutter(new TLineNumberGutter(pane)),
      FCaretPosition(new TCaretPosition(pane, bar)) {
  auto add = [&](const char* name, const char* caption, void (TLineCommands::*execute)()) {
    auto* action = new QAction(str::text(caption), &window);
    action->setObjectName(QLatin1String(name));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this,
            [this, execute] { runGuarded(FPrompts, &FWindow, [&] { (this->*execute)(); }); });
    window.addAction(action);
    return action;
  };
  actViewLineNumbers =
      add("actViewLineNumbers", str::ActViewLineNumbers, &TLineCommands::actViewLineNumbersExecute);
  actViewLineNumbers->setCheckable(true);
  actEditGoToLine =
      add("actEditGoToLine", str::ActEditGoToLine, &TLineCommands::actEditGoToLineExecute);
  actEditGoToLine->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));

  runGuarded(prompts, &window, [this] {
    const bool on = ReadLineNumbers(TIniProfile(FSettingsFile));
    actViewLineNumbers->setChecked(on);
    FGutter->setShown(on);
  });
}

void TLineCommands::actViewLineNumbersExecute() {
  const bool on = actViewLineNumbers->isChecked();
  FGutter->setShown(on);
  TIniProfile profile(FSettingsFile);
  WriteLineNumbers(profile, on);
}

void TLineCommands::actEditGoToLineUpdate() {
  actEditGoToLine->setEnabled(!FPane.isHidden() && !FPane.bytes().empty());
}

void TLineCommands::actEditGoToLineExecute() {
  if (FPane.isHidden() || FPane.bytes().empty()) return;
  const int lines = FPane.lineCount();
  const std::optional<int> line = FPrompts.AskNumber(
      &FWindow, str::text(str::GoToLineTitle), str::format(str::GoToLineFormat, lines),
      FPane.lineOf(FPane.caretPosition()) + 1, 1, lines);
  if (!line) return;
  const std::int32_t start = FPane.lineStart(std::clamp(*line, 1, lines) - 1);
  FPane.selectBytes(start, 0);
  placeOffset(FPane, start, TTextPlacement::tpMiddle);
  FPane.setFocus();
}
