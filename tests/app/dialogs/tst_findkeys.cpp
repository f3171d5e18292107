// SPDX-License-Identifier: MIT
// Find Next and Find Previous without the dialog, and where a match, an
// outline entry and a use come to stand in the text pane.
#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "codereading.h"
#include "finddialog.h"
#include "findkeys.h"
#include "mainform.h"
#include "outlinebox.h"
#include "scriptedprompts.h"
#include "settingsfile.h"
#include "testfiles.h"

namespace {

// Three objects of 200 lines; "needle" on line 150 of the first and line 30
// and 120 of the third.
std::string objectWithNeedles(const std::string& header, const std::vector<int>& lines) {
  std::string text = "OBJECT " + header + "\r\n";
  for (int line = 2; line <= 200; ++line) {
    const bool needle = std::find(lines.begin(), lines.end(), line) != lines.end();
    text += "  line " + std::to_string(line) + (needle ? " needle" : "") + "\r\n";
  }
  return text;
}

const std::string Sample = objectWithNeedles("Codeunit 1 First", {150}) +
                           objectWithNeedles("Codeunit 2 Second", {}) +
                           objectWithNeedles("Codeunit 3 Third", {30, 120});

}  // namespace

class TestFindKeys : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openWindow() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->setGeometry(100, 100, 800, 600);
    frm->show();
    frm->OpenFile(writeFile(*FDir, QStringLiteral("objects.txt"), Sample));
    if (!QTest::qWaitFor([&] { return !frm->treeChangePending(); }, 2000)) qWarning("tree busy");
    return frm;
  }

  // The object shown and the line of the selection, once the tree has settled.
  static std::pair<int, int> place(TfrmMain& frm) {
    if (!QTest::qWaitFor([&] { return !frm.treeChangePending(); }, 2000)) return {-1, -1};
    return {frm.shownNode() - 1, frm.memMain->lineOf(frm.memMain->selStart()) + 1};
  }

  // The selection's row counted from the pane's top.
  static int viewRow(const TfrmMain& frm) {
    return frm.memMain->rowOf(frm.memMain->selStart()) - frm.memMain->firstVisibleRow();
  }

  static void press(TfrmMain& frm, QKeyCombination key) {
    frm.memMain->isVisible() ? frm.memMain->setFocus() : frm.tvwMain->setFocus();
    QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(settingsPath());
  }
  void cleanup() { QFile::remove(settingsPath()); }

  void f3WithNothingSearchedOpensTheDialog() {
    auto frm = openWindow();
    QVERIFY(!frm->dlgFind->isVisible());
    press(*frm, Qt::Key_F3);
    QVERIFY(frm->dlgFind->isVisible());
    QCOMPARE(FPrompts->Beeps, 0);
  }

  void findNextAndPreviousWalkBothWaysWithTheLastSearch() {
    auto frm = openWindow();
    frm->dlgFind->SetFindText(QStringLiteral("NEEDLE"));
    press(*frm, Qt::Key_F3);
    QVERIFY(!frm->dlgFind->isVisible());
    QCOMPARE(place(*frm), std::make_pair(0, 150));
    press(*frm, Qt::Key_F3);
    QCOMPARE(place(*frm), std::make_pair(2, 30));
    press(*frm, Qt::Key_F3);
    QCOMPARE(place(*frm), std::make_pair(2, 120));
    press(*frm, Qt::Key_F3);
    QCOMPARE(FPrompts->Beeps, 1);
    QCOMPARE(place(*frm), std::make_pair(2, 120));
    press(*frm, Qt::SHIFT | Qt::Key_F3);
    QCOMPARE(place(*frm), std::make_pair(2, 30));
    press(*frm, Qt::SHIFT | Qt::Key_F3);
    QCOMPARE(place(*frm), std::make_pair(0, 150));
    press(*frm, Qt::SHIFT | Qt::Key_F3);
    QCOMPARE(FPrompts->Beeps, 2);
    // Match case holds for both.
    frm->dlgFind->SetMatchCase(true);
    press(*frm, Qt::Key_F3);
    QCOMPARE(FPrompts->Beeps, 3);
    QCOMPARE(place(*frm), std::make_pair(0, 150));
  }

  void aMatchStandsInTheMiddleClearOfTheDialog() {
    auto frm = openWindow();
    frm->dlgFind->SetFindText(QStringLiteral("needle"));
    press(*frm, Qt::Key_F3);
    QCOMPARE(place(*frm), std::make_pair(0, 150));
    const int visible = frm->memMain->visibleRowCount();
    QCOMPARE(viewRow(*frm), visible / 2);

    // The dialog over the middle of the pane: the match goes where it is not.
    frm->actEditFind->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(frm->dlgFind));
    const QPoint middle = frm->memMain->viewport()->mapToGlobal(
        QPoint(20, frm->memMain->viewport()->height() / 2 - 20));
    frm->dlgFind->move(middle);
    emit frm->dlgFind->Find();
    QCOMPARE(place(*frm), std::make_pair(2, 30));
    const QPoint at =
        frm->memMain->viewport()->mapToGlobal(frm->memMain->pointOf(frm->memMain->selStart()));
    QVERIFY(!frm->dlgFind->frameGeometry().contains(at));
    QVERIFY(viewRow(*frm) < visible - 1);
  }

  void outlineAndUsesPutTheirLineNearTheTop() {
    std::string code = "OBJECT Codeunit 50000 Post\r\n{\r\n  CODE\r\n  {\r\n";
    for (int i = 0; i < 120; ++i) code += "    // filler " + std::to_string(i) + "\r\n";
    code += "    PROCEDURE Middle@1();\r\n    BEGIN\r\n    END;\r\n\r\n";
    for (int i = 0; i < 120; ++i) code += "    // more " + std::to_string(i) + "\r\n";
    code += "    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->setGeometry(100, 100, 800, 600);
    frm->show();
    frm->OpenFile(writeFile(*FDir, QStringLiteral("code.txt"), code));
    frm->selectNode(1);
    QTRY_COMPARE(frm->shownNode(), 1);
    TOutlineBox* outline = frm->codeReading()->cbxOutline();
    QTRY_VERIFY(outline->findText(QStringLiteral("Middle"), Qt::MatchContains) >= 0);
    const int middle = outline->findText(QStringLiteral("Middle"), Qt::MatchContains);
    outline->jumpTo(middle);
    const int row = frm->memMain->rowOf(frm->memMain->caretPosition());
    const int fromTop = row - frm->memMain->firstVisibleRow();
    QVERIFY2(fromTop >= 0 && fromTop <= 2, qPrintable(QString::number(fromTop)));
  }
};

QTEST_MAIN(TestFindKeys)
#include "tst_findkeys.moc"
