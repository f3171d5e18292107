// SPDX-License-Identifier: MIT
// Reading code in the window: colouring on and off, the outline box, go to
// object and back, where used.
#include <QAction>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "codereading.h"
#include "mainform.h"
#include "outlinebox.h"
#include "scriptedprompts.h"
#include "syntaxcolouring.h"
#include "testfiles.h"
#include "whereusedview.h"

namespace {

const std::vector<TTestObject> Objects = {
    {"Table 18 Customer",
     "{\r\n  FIELDS\r\n  {\r\n    { 1 ;   ;No. ;Code20 ;OnValidate=BEGIN\r\n"
     "                END;\r\n }\r\n  }\r\n}\r\n"},
    {"Codeunit 80 Sales-Post",
     "{\r\n  CODE\r\n  {\r\n    VAR\r\n      Cust@1000 : Record 18;\r\n      Gone@1001 : Page "
     "99;\r\n"
     "\r\n    PROCEDURE Post@1();\r\n    BEGIN\r\n      x := DATABASE::Customer;\r\n    END;\r\n"
     "\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n"},
};

int countColour(const QImage& image, const QColor& colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) ++count;
  return count;
}

}  // namespace

class TestCodeReading : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openWindow() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->resize(900, 600);
    frm->show();
    frm->activateWindow();
    if (!QTest::qWaitForWindowActive(frm.get())) qWarning("window not active");
    frm->OpenFile(writeFile(*FDir, QStringLiteral("objects.txt"), objectText(Objects)));
    return frm;
  }

  static std::int32_t offsetIn(TfrmMain& frm, const std::string& needle) {
    return std::int32_t(frm.memMain->bytes().find(needle));
  }

  // Shows the object with the caret on the first byte of needle plus shift.
  static void show(TfrmMain& frm, int objIndex, const std::string& needle = {},
                   std::int32_t shift = 0, std::int32_t length = 0) {
    frm.selectObjectText(objIndex, 0, 0);
    QTRY_COMPARE(frm.shownNode(), objIndex + 1);
    QTRY_VERIFY(!frm.treeChangePending());
    if (!needle.empty()) frm.memMain->selectBytes(offsetIn(frm, needle) + shift, length);
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(QString::fromStdString(TfrmMain::settingsFileName()));
  }

  void colouringIsStoredAndNeverMovesABytes() {
    auto frm = openWindow();
    TCodeReading& reading = *frm->codeReading();
    QVERIFY(reading.actViewSyntaxColouring->isChecked());
    show(*frm, 1, "Record 18", 0, 6);
    const QColor keyword = TSyntaxColouring::colourOf(
        cal::TTokenKind::tkKeyword, frm->memMain->palette().color(QPalette::Base));
    QVERIFY(countColour(frm->memMain->viewport()->grab().toImage(), keyword) > 0);

    // Runs stay inside the row asked for.
    std::vector<TRowFormatter::TFormatRun> runs;
    const int row = frm->memMain->rowOf(offsetIn(*frm, "VAR"));
    reading.colouring()->formatRow(frm->memMain->rowStart(row), frm->memMain->rowEnd(row), runs);
    QCOMPARE(runs.size(), std::size_t(1));
    QCOMPARE(runs[0].Start, offsetIn(*frm, "VAR"));

    reading.actViewSyntaxColouring->trigger();
    QVERIFY(frm->memMain->rowFormatter() == nullptr);
    QCOMPARE(countColour(frm->memMain->viewport()->grab().toImage(), keyword), 0);
    QCOMPARE(frm->memMain->selectedBytes(), std::string("Record"));
    QFile settings(QString::fromStdString(TfrmMain::settingsFileName()));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("SyntaxColouring=0"));
    settings.close();

    // A new window starts the way the last one was left.
    frm.reset();
    auto again = openWindow();
    QVERIFY(!again->codeReading()->actViewSyntaxColouring->isChecked());
    QVERIFY(again->memMain->rowFormatter() == nullptr);
  }

  void outlineJumpsAndFollowsTheCaret() {
    auto frm = openWindow();
    show(*frm, 1);
    TOutlineBox& box = *frm->codeReading()->cbxOutline();
    QVERIFY(box.isVisible());
    // The outline follows the text once the event loop turns.
    QTRY_COMPARE(box.count(), 3);  // CODE, Post, documentation
    QCOMPARE(box.currentIndex(), -1);
    box.jumpTo(1);
    QCOMPARE(frm->memMain->caretPosition(), offsetIn(*frm, "Post@1"));
    QCOMPARE(box.currentIndex(), 1);
    frm->memMain->selectBytes(offsetIn(*frm, "END."), 0);
    QCOMPARE(box.currentIndex(), 2);
    // The list of objects has no outline.
    frm->selectNode(0);
    QTRY_COMPARE(frm->shownNode(), 0);
    QVERIFY(!box.isVisible());
  }

  void goToObjectAndBack() {
    auto frm = openWindow();
    TCodeReading& reading = *frm->codeReading();
    show(*frm, 1, "Record 18", 3);
    frm->memMain->setFocus();
    QTest::keyClick(frm->memMain, Qt::Key_F12);
    QTRY_COMPARE(frm->shownNode(), 1);
    QCOMPARE(frm->selectedObject(), 0);

    QTest::keyClick(frm->memMain, Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE(frm->shownNode(), 2);
    QTRY_VERIFY(!frm->treeChangePending());
    QCOMPARE(frm->memMain->caretPosition(), offsetIn(*frm, "Record 18") + 3);
    QVERIFY(!reading.history().canGoBack());

    // By name, with Ctrl+click on the reference.
    const QPoint at = frm->memMain->pointOf(offsetIn(*frm, "Customer;") + 2);
    QTest::mouseClick(frm->memMain->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    QTRY_COMPARE(frm->shownNode(), 1);

    // A reference to an object the file lacks beeps and says so.
    show(*frm, 1, "Page 99", 1);
    const int beeps = FPrompts->Beeps;
    reading.actEditGoToObject->trigger();
    QCOMPARE(FPrompts->Beeps, beeps + 1);
    QCOMPARE(frm->statusText(), QStringLiteral("Page 99 is not in this file"));
    QCOMPARE(frm->shownNode(), 2);
  }

  void whereUsedListsAndShowsReferences() {
    auto frm = openWindow();
    TCodeReading& reading = *frm->codeReading();
    show(*frm, 0);
    frm->updateActions();
    QVERIFY(reading.actEditWhereUsed->isEnabled());
    reading.actEditWhereUsed->trigger();
    TWhereUsedView* view = reading.whereUsedView();
    QVERIFY(view && view->isVisible());
    QTreeWidget& list = *view->lvwWhereUsed;
    QCOMPARE(list.topLevelItemCount(), 2);
    QCOMPARE(list.topLevelItem(0)->text(0), QStringLiteral("Codeunit 80 Sales-Post"));
    QCOMPARE(list.topLevelItem(0)->text(1), QStringLiteral("6"));
    QCOMPARE(list.topLevelItem(1)->text(2), QStringLiteral("x := DATABASE::Customer;"));
    QCOMPARE(frm->statusText(), QStringLiteral("2 use(s)"));

    list.setCurrentItem(list.topLevelItem(1));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Return);
    QTRY_COMPARE(frm->shownNode(), 2);
    QTRY_VERIFY(!frm->treeChangePending());
    QCOMPARE(frm->memMain->selectedBytes(), std::string("DATABASE::Customer"));
  }
};

QTEST_MAIN(TestCodeReading)
#include "tst_codereading.moc"
