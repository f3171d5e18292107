// SPDX-License-Identifier: MIT
// The text pane's line numbers, the caret's place in the status bar and
// Go to Line.
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <memory>

#include "caretposition.h"
#include "linecommands.h"
#include "linenumbers.h"
#include "mainform.h"
#include "profile.h"
#include "scriptedprompts.h"
#include "settings.h"
#include "settingsfile.h"
#include "testfiles.h"

namespace {

// Object 0 has a line long enough to wrap in a narrow pane.
const std::string Sample = "OBJECT Codeunit 1 First\r\n{\r\n  CODE\r\n  {\r\n    " +
                           std::string(300, 'x') + "\r\n    short;\r\n  }\r\n}\r\n" +
                           "OBJECT Table 2 Second\r\n{\r\n}\r\n";

}  // namespace

class TestLines : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openWindow() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->resize(600, 400);
    frm->show();
    frm->OpenFile(writeFile(*FDir, QStringLiteral("objects.txt"), Sample));
    if (!QTest::qWaitFor([&] { return !frm->treeChangePending(); }, 2000)) qWarning("tree busy");
    return frm;
  }

  static void showObject(TfrmMain& frm, int objIndex) {
    frm.selectNode(objIndex + 1);
    QTRY_COMPARE(frm.shownNode(), objIndex + 1);
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(settingsPath());
  }
  void cleanup() { QFile::remove(settingsPath()); }

  void lineNumbersNumberEachLineOnceAndAreKept() {
    const std::string path = TfrmMain::settingsFileName();
    {
      auto frm = openWindow();
      showObject(*frm, 0);
      TLineCommands& lines = *frm->lineCommands();
      TLineNumberGutter& gutter = *lines.gutter();
      QVERIFY(!gutter.isVisible());
      const int textLeft = frm->memMain->viewport()->x();
      lines.actViewLineNumbers->trigger();
      QVERIFY(gutter.isVisible());
      QVERIFY(gutter.width() > 0);
      // The text moves right of the gutter, which sits beside the viewport.
      QCOMPARE(frm->memMain->viewport()->x(), textLeft + gutter.width());
      QCOMPARE(gutter.geometry().right() + 1, frm->memMain->viewport()->x());
      // The long fifth line wraps: its later rows carry no number.
      QCOMPARE(gutter.numberAtViewportRow(0), 1);
      QCOMPARE(gutter.numberAtViewportRow(4), 5);
      QCOMPARE(gutter.numberAtViewportRow(5), 0);
      const int sixth = frm->memMain->rowOf(frm->memMain->lineStart(5));
      QCOMPARE(gutter.numberAtViewportRow(sixth), 6);
    }
    QVERIFY(ReadLineNumbers(TIniProfile(path)));
    auto frm = openWindow();
    QVERIFY(frm->lineCommands()->actViewLineNumbers->isChecked());
    showObject(*frm, 0);
    QVERIFY(frm->lineCommands()->gutter()->isVisible());
    frm->lineCommands()->actViewLineNumbers->trigger();
    QVERIFY(!frm->lineCommands()->gutter()->isVisible());
    QCOMPARE(frm->lineCommands()->gutter()->width(), 0);
    QVERIFY(!ReadLineNumbers(TIniProfile(path)));
  }

  void caretPositionStandsInAFieldOfItsOwnWhileAnObjectIsShown() {
    auto frm = openWindow();
    TCaretPosition& field = *frm->lineCommands()->caretPosition();
    // The list shows: no field, and the status line is the window's.
    QVERIFY(!field.isVisible());
    QCOMPARE(frm->statusText(), QStringLiteral("2 NAV object(s)"));
    showObject(*frm, 0);
    QVERIFY(field.isVisible());
    QCOMPARE(field.text(), QStringLiteral("Ln 1, Col 1"));
    frm->memMain->selectBytes(frm->memMain->lineStart(2) + 3, 0);
    QCOMPARE(field.text(), QStringLiteral("Ln 3, Col 4"));
    QCOMPARE(frm->statusText(), QStringLiteral("2 NAV object(s)"));
    frm->selectNode(0);
    QTRY_VERIFY(frm->lvwMain->isVisible());
    QVERIFY(!field.isVisible());
    frm->actFileCloseExecute();
    QVERIFY(!field.isVisible());
  }

  void goToLineMovesTheCaretToTheLinesStart() {
    auto frm = openWindow();
    QAction* goToLine = frm->lineCommands()->actEditGoToLine;
    frm->updateActions();
    QVERIFY(!goToLine->isEnabled());  // the list is shown
    showObject(*frm, 0);
    frm->memMain->setFocus();
    frm->updateActions();
    QVERIFY(goToLine->isEnabled());
    FPrompts->NumberAnswers = {6, std::nullopt};
    QTest::keyClick(frm->memMain, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(FPrompts->Asked, QStringList{"number Go to Line 1..9"});
    QCOMPARE(frm->memMain->caretPosition(), frm->memMain->lineStart(5));
    QCOMPARE(frm->memMain->selLength(), 0);
    // Cancelled: the caret stays.
    goToLine->trigger();
    QCOMPARE(frm->memMain->caretPosition(), frm->memMain->lineStart(5));
  }
};

QTEST_MAIN(TestLines)
#include "tst_lines.moc"
