// SPDX-License-Identifier: MIT
// The main window with real widgets: start states, the three ways of opening,
// the status sequence, close, failed opens, the navigator and the actions.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "errorguard.h"
#include "idleloop.h"
#include "mainform.h"
#include "osfile.h"
#include "scriptedprompts.h"
#include "testfiles.h"

namespace {

void waitForTreeChange(TfrmMain& frm) {
  QTRY_VERIFY_WITH_TIMEOUT(!frm.treeChangePending(), 2000);
}

std::string textOf(const std::vector<TTestObject>& objects, std::size_t i) {
  return objectText({objects[i]});
}

const std::vector<TTestObject> FiveObjects = {
    {"Table 18 Customer", "{\r\n  Customer body\r\n}\r\n"},
    {"Codeunit 80 Sales-Post", "{\r\n  Posting\r\n}\r\n\r\n"},
    {"Form 21 Customer Card", "{\n  LF only\n}\n"},
    {"Report 111 Top", "{\r  CR only\r}\r"},
    {"Page 22 Customer List", "{\r\n  Last one\r\n}"},
};

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> makeWindow(const QStringList& arguments = {}) {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, arguments);
    frm->show();
    frm->activateWindow();
    if (!QTest::qWaitForWindowActive(frm.get())) qWarning("window not active");
    return frm;
  }

  QString fiveObjectsFile(const QString& name = QStringLiteral("five.txt")) {
    return writeFile(FDir, name, objectText(FiveObjects));
  }

  // The window with the five objects open and the list shown.
  std::unique_ptr<TfrmMain> openedWindow() {
    auto frm = makeWindow();
    frm->OpenFile(fiveObjectsFile());
    waitForTreeChange(*frm);
    return frm;
  }

  void checkEmptyViews(TfrmMain& frm) {
    QVERIFY(!frm.fileLoaded());
    QCOMPARE(frm.tvwMain->model()->rowCount(), 0);
    QCOMPARE(frm.lvwMain->model()->rowCount(), 0);
    QVERIFY(frm.memMain->bytes().empty());
    QVERIFY(frm.memMain->toPlainText().isEmpty());
  }

 private slots:
  void init() { FPrompts = std::make_unique<TScriptedPrompts>(); }

  void startWithoutFile() {
    auto frm = makeWindow();
    QCOMPARE(frm->windowTitle(), QStringLiteral("Marlox"));
    QCOMPARE(applicationTitle(), QStringLiteral("Marlox"));
    QCOMPARE(frm->statusText(), QStringLiteral("0 NAV object(s)"));
    QCOMPARE(frm->tvwMain->model()->rowCount(), 0);
    QVERIFY(frm->memMain->isVisible());
    QVERIFY(frm->lvwMain->isHidden());
    QVERIFY(frm->acceptDrops());
    idle();
    QVERIFY(!frm->actFileClose->isEnabled());
    QVERIFY(!frm->actEditFind->isEnabled());
    QVERIFY(!frm->actEditSelectAllTreeView->isEnabled());
    QVERIFY(!frm->actEditCopyTreeView->isEnabled());
    QVERIFY(frm->actFileOpen->isEnabled());
    QVERIFY(frm->actFileExit->isEnabled());
    QVERIFY(frm->actHelpAbout->isEnabled() && frm->mniHelpAbout->isEnabled());
    QVERIFY(FPrompts->Asked.isEmpty());
  }

  void commandLineOpensFirstArgumentOnly() {
    const QString first = fiveObjectsFile(QStringLiteral("first.txt"));
    const QString second =
        writeFile(FDir, QStringLiteral("second.txt"), objectText(manyObjects(2)));
    auto frm = makeWindow({first, second});
    QCOMPARE(frm->windowTitle(), QStringLiteral("first.txt - Marlox"));
    QCOMPARE(frm->objectTextFile().GetCount(), 5);
    QCOMPARE(frm->statusText(), QStringLiteral("5 NAV object(s)"));
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void commandLineWithMissingFileShowsErrorOverUsableWindow() {
    const QString missing = QDir(FDir.path()).filePath(QStringLiteral("missing.txt"));
    auto frm = makeWindow({missing});
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY2(FPrompts->Errors[0].startsWith(QStringLiteral("Cannot open file \"")),
             qPrintable(FPrompts->Errors[0]));
    QVERIFY(FPrompts->Errors[0].endsWith(QLatin1Char('.')));
    QCOMPARE(FPrompts->ErrorCaptions[0], QStringLiteral("Marlox"));
    QCOMPARE(FPrompts->ErrorWithHourglass[0], false);
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(frm->acceptDrops());
    checkEmptyViews(*frm);
    frm->OpenFile(fiveObjectsFile());
    QCOMPARE(frm->objectTextFile().GetCount(), 5);
  }

  void openFromDialog() {
    auto frm = makeWindow();
    FPrompts->OpenAnswers = {std::nullopt};
    frm->actFileOpen->trigger();
    QCOMPARE(FPrompts->Asked,
             QStringList{QStringLiteral("open NAV Object Text Files|*.txt|All Files|*.*")});
    QCOMPARE(frm->windowTitle(), QStringLiteral("Marlox"));

    FPrompts->OpenAnswers = {fiveObjectsFile()};
    frm->actFileOpen->trigger();
    QCOMPARE(frm->windowTitle(), QStringLiteral("five.txt - Marlox"));
    QCOMPARE(applicationTitle(), frm->windowTitle());
    QCOMPARE(frm->statusText(), QStringLiteral("5 NAV object(s)"));
    QCOMPARE(frm->tvwMain->model()->rowCount(), 1);
    QCOMPARE(frm->selectedNode(), 0);
    QVERIFY(frm->tvwMain->isExpanded(frm->treeModel().nodeIndex(0)));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 5);
    waitForTreeChange(*frm);
    QVERIFY(frm->lvwMain->isVisible());
    QVERIFY(frm->memMain->isHidden());
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void dropOpensFirstLocalFile() {
    auto frm = makeWindow();
    const QString first = fiveObjectsFile(QStringLiteral("dropped.txt"));
    const QString second = writeFile(FDir, QStringLiteral("b.txt"), objectText(manyObjects(2)));
    const QString third = writeFile(FDir, QStringLiteral("c.txt"), objectText(manyObjects(3)));

    QMimeData noFiles;
    noFiles.setUrls({QUrl(QStringLiteral("https://example.invalid/x.txt"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &noFiles, Qt::LeftButton, {});
    QApplication::sendEvent(frm.get(), &refused);
    QVERIFY(!refused.isAccepted());
    QDropEvent emptyDrop(QPointF(10, 10), Qt::CopyAction, &noFiles, Qt::LeftButton, {});
    QApplication::sendEvent(frm.get(), &emptyDrop);
    QVERIFY(!frm->fileLoaded());

    QMimeData files;
    files.setUrls(
        {QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl::fromLocalFile(third)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(frm.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, {});
    QApplication::sendEvent(frm.get(), &drop);
    QCOMPARE(frm->windowTitle(), QStringLiteral("dropped.txt - Marlox"));
    QCOMPARE(frm->objectTextFile().GetCount(), 5);
    QVERIFY(!frm->memMain->acceptDrops() && !frm->memMain->viewport()->acceptDrops());
  }

  void statusShowsReadingProgressAndCount() {
    auto frm = makeWindow();
    const QString path = writeFile(FDir, QStringLiteral("many.txt"), objectText(manyObjects(300)));
    QStringList messages;
    QList<bool> hourglass;
    connect(frm->stbMain, &QStatusBar::messageChanged, frm.get(), [&](const QString& text) {
      messages << text;
      hourglass << (QGuiApplication::overrideCursor() &&
                    QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
    });
    frm->OpenFile(path);
    QVERIFY(messages.size() > 3);
    QCOMPARE(messages.first(), QStringLiteral("Reading File..."));
    QCOMPARE(messages.last(), QStringLiteral("300 NAV object(s)"));
    int last = 0;
    for (qsizetype i = 1; i + 1 < messages.size(); ++i) {
      int percent = 0;
      QVERIFY2(sscanf(messages[i].toLatin1().constData(), "Processing NAV Text File... %d%% done",
                      &percent) == 1,
               qPrintable(messages[i]));
      QVERIFY(messages[i].endsWith(QStringLiteral("% done")));
      QVERIFY(percent > last);
      last = percent;
      QVERIFY(hourglass[i]);
    }
    QVERIFY(!QGuiApplication::overrideCursor());
  }

  void openReplacesAndReloads() {
    auto frm = makeWindow();
    frm->OpenFile(fiveObjectsFile(QStringLiteral("a.txt")));
    const QString b = writeFile(FDir, QStringLiteral("b.txt"), objectText(manyObjects(3)));
    frm->OpenFile(b);
    QCOMPARE(frm->windowTitle(), QStringLiteral("b.txt - Marlox"));
    QCOMPARE(frm->statusText(), QStringLiteral("3 NAV object(s)"));
    QCOMPARE(frm->treeModel().nodeIndex(0).data().toString(), QStringLiteral("b.txt"));
    QCOMPARE(frm->treeModel().objectCount(), 3);
    QCOMPARE(frm->lvwMain->model()->rowCount(), 3);
    QCOMPARE(frm->treeModel().nodeIndex(1).data().toString(),
             QStringLiteral("Table 1000 Object 1000"));

    END_WHERE_WINDOWS_LOCKS_HELD_FILES();
    writeFile(FDir, QStringLiteral("b.txt"), objectText(manyObjects(7)));
    frm->OpenFile(b);
    QCOMPARE(frm->windowTitle(), QStringLiteral("b.txt - Marlox"));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 7);
    QCOMPARE(frm->treeModel().objectCount(), 7);
  }

  void closeReturnsToEmptyState() {
    auto frm = openedWindow();
    frm->selectNode(2);
    waitForTreeChange(*frm);
    QVERIFY(!frm->memMain->bytes().empty());
    frm->actFileClose->trigger();
    QCOMPARE(frm->windowTitle(), QStringLiteral("Marlox"));
    QCOMPARE(frm->statusText(), QStringLiteral("0 NAV object(s)"));
    checkEmptyViews(*frm);
    idle();
    QVERIFY(!frm->actFileClose->isEnabled());
    QVERIFY(!frm->actEditFind->isEnabled());
    // Another file: the closed one stays held until the next load.
    frm->OpenFile(fiveObjectsFile(QStringLiteral("again.txt")));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 5);
  }

  void failedOpenLeavesUsableEmptyWindow_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "missing"
                                  << "Cannot open file \"";
    QTest::newRow("bad header number") << "badheader"
                                       << "'18x' is not a valid integer value.";
    QTest::newRow("held by another") << "held"
                                     << "Cannot open file \"";
  }
  void failedOpenLeavesUsableEmptyWindow() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    auto frm = openedWindow();
    frm->selectNode(1);
    waitForTreeChange(*frm);
    QString path = QDir(FDir.path()).filePath(QStringLiteral("missing.txt"));
    std::unique_ptr<vexa::ExclusiveFile> holder;
    if (kind == QLatin1String("badheader")) {
      path = writeFile(FDir, QStringLiteral("bad.txt"),
                       objectText({{"Table 1 Good", "x\r\n"}, {"Table 18x Customer", "y\r\n"}}));
    } else if (kind == QLatin1String("held")) {
      path = writeFile(FDir, QStringLiteral("held.txt"), objectText(manyObjects(2)));
      holder = std::make_unique<vexa::ExclusiveFile>(path.toStdString());
    }
    FPrompts->OpenAnswers = {path};
    frm->actFileOpen->trigger();
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY2(FPrompts->Errors[0].startsWith(message), qPrintable(FPrompts->Errors[0]));
    QVERIFY(FPrompts->Errors[0].endsWith(QLatin1Char('.')));
    QCOMPARE(FPrompts->ErrorWithHourglass[0], false);
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(frm->windowTitle(), QStringLiteral("Marlox"));
    checkEmptyViews(*frm);
    // Nothing waits to read from the failed load.
    idle(TfrmMain::TreeChangeDelay * 3);
    QCOMPARE(FPrompts->Errors.size(), 1);

    holder.reset();
    frm->OpenFile(fiveObjectsFile(QStringLiteral("again.txt")));
    QCOMPARE(frm->windowTitle(), QStringLiteral("again.txt - Marlox"));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 5);
  }

  void viewsShareOneIndex() {
    auto frm = openedWindow();
    QAbstractItemModelTester treeTester(frm->tvwMain->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester listTester(frm->lvwMain->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
    const TObjectTextFile& file = frm->objectTextFile();
    for (int i = 0; i < file.GetCount(); ++i) {
      const TObjectTextObject& object = file.GetObject(i);
      QCOMPARE(frm->treeModel().nodeIndex(i + 1).data().toString(),
               QString::fromStdString(object.GetDisplayName()));
      const QAbstractItemModel* list = frm->lvwMain->model();
      QCOMPARE(
          list->index(i, 0).data().toString(),
          QString::fromStdString(std::string(ObjectTypeNames[std::size_t(object.ObjectType())])));
      QCOMPARE(list->index(i, 1).data().toInt(), object.ID());
      QCOMPARE(list->index(i, 2).data().toString(), QString::fromStdString(object.Name()));
    }
    QCOMPARE(frm->lvwMain->header()->sectionSize(0), 108);
    QCOMPARE(frm->lvwMain->header()->sectionSize(2), 215);

    frm->lvwMain->selectionModel()->select(frm->lvwMain->model()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    for (int node = 1; node <= 5; ++node) {
      frm->selectNode(node);
      waitForTreeChange(*frm);
      QCOMPARE(frm->memMain->bytes(), textOf(FiveObjects, std::size_t(node - 1)));
      QVERIFY(frm->memMain->isVisible());
      QVERIFY(frm->lvwMain->isHidden());
      QCOMPARE(frm->memMain->selStart(), 0);
    }
    frm->selectNode(0);
    waitForTreeChange(*frm);
    QVERIFY(frm->lvwMain->isVisible());
    QVERIFY(frm->memMain->isHidden());
    QCOMPARE(frm->selectedRows(), QList<int>{1});
  }

  void treeChangeWaitsForSelectionToSettle() {
    const QString path = writeFile(FDir, QStringLiteral("many.txt"), objectText(manyObjects(40)));
    auto frm = makeWindow();
    frm->OpenFile(path);
    waitForTreeChange(*frm);
    frm->tvwMain->setFocus();
    QSignalSpy reads(frm->memMain, &TTextPane::textChanged);
    // No event is handled between the keys, however slow the machine.
    for (int i = 0; i < 20; ++i) QTest::keyClick(frm->tvwMain, Qt::Key_Down);
    QCOMPARE(frm->selectedNode(), 20);
    QCOMPARE(reads.count(), 0);
    QCOMPARE(frm->shownNode(), 0);
    QTRY_COMPARE(frm->shownNode(), 20);
    idle(TfrmMain::TreeChangeDelay * 2);
    QCOMPARE(reads.count(), 1);

    // A program's selection shows only after the delay, not in its own handler.
    frm->selectNode(3);
    QCOMPARE(frm->shownNode(), 20);
    QVERIFY(frm->treeChangePending());
    waitForTreeChange(*frm);
    QCOMPARE(frm->shownNode(), 3);

    // A rebuild cancels a change still waiting.
    frm->selectNode(7);
    frm->actFileClose->trigger();
    QVERIFY(!frm->treeChangePending());
    idle(TfrmMain::TreeChangeDelay * 3);
    QCOMPARE(frm->shownNode(), -1);
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void typeAheadFindsCaptions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("row");
    QTest::newRow("c from the start") << "c" << 0 << true << 1;
    QTest::newRow("c from the row after") << "c" << 2 << true << 3;
    QTest::newRow("c wraps") << "c" << 4 << true << 1;
    QTest::newRow("c without wrap") << "c" << 4 << false << -1;
    QTest::newRow("upper case typed") << "TABLE" << 1 << true << 2;
    QTest::newRow("number narrows") << "table 18" << 1 << true << 0;
    QTest::newRow("start past the end wraps") << "form" << 7 << true << 4;
    QTest::newRow("A umlaut exact") << QStringLiteral("Table 5 \u00C4") << 0 << true << 5;
    QTest::newRow("a umlaut is not A umlaut")
        << QStringLiteral("table 5 \u00E4") << 0 << true << -1;
    QTest::newRow("a umlaut exact") << QStringLiteral("table 6 \u00E4") << 0 << true << 6;
    QTest::newRow("longer than every caption") << "Table 18 Customer and more" << 0 << true << -1;
    QTest::newRow("no byte for it") << QStringLiteral("\u20AC") << 0 << true << -1;
  }
  void typeAheadFindsCaptions() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(bool, wrap);
    QFETCH(int, row);
    const QString path = writeFile(FDir, QStringLiteral("types.txt"),
                                   objectText({{"Table 18 Customer", ""},
                                               {"Codeunit 80 Sales-Post", ""},
                                               {"Table 27 Item", ""},
                                               {"Codeunit 12 Gen", ""},
                                               {"Form 21 Customer Card", ""},
                                               {"Table 5 \x8Epfel", ""},
                                               {"Table 6 \x84pfel", ""}}));
    auto frm = makeWindow();
    frm->OpenFile(path);
    QCOMPARE(frm->lvwMainDataFind(text, start, wrap), row);
  }

  void typingInTheListMovesToMatchingRow() {
    const QString path = writeFile(FDir, QStringLiteral("types.txt"),
                                   objectText({{"Table 18 Customer", ""},
                                               {"Codeunit 80 Sales-Post", ""},
                                               {"Table 27 Item", ""},
                                               {"Codeunit 12 Gen", ""},
                                               {"Form 21 Customer Card", ""}}));
    auto frm = makeWindow();
    frm->OpenFile(path);
    waitForTreeChange(*frm);
    frm->lvwMain->setFocus();
    frm->lvwMain->setCurrentIndex(frm->lvwMain->model()->index(0, 0));
    const int pause = QApplication::keyboardInputInterval() + 50;
    QTest::keyClicks(frm->lvwMain, QStringLiteral("c"));
    QCOMPARE(frm->lvwMain->currentIndex().row(), 1);
    QTest::qWait(pause);
    QTest::keyClicks(frm->lvwMain, QStringLiteral("c"));
    QCOMPARE(frm->lvwMain->currentIndex().row(), 3);
    QTest::qWait(pause);
    QTest::keyClicks(frm->lvwMain, QStringLiteral("table 2"));
    QCOMPARE(frm->lvwMain->currentIndex().row(), 2);
    QCOMPARE(frm->selectedRows(), QList<int>{2});

    const QString empty = writeFile(FDir, QStringLiteral("none.txt"), "no objects here\r\n");
    frm->OpenFile(empty);
    QCOMPARE(frm->treeModel().objectCount(), 0);
    QVERIFY(!frm->tvwMain->isExpanded(frm->treeModel().nodeIndex(0)));
    QCOMPARE(frm->lvwMainDataFind(QStringLiteral("c"), 0, true), -1);
  }

  void doubleClickOpensLowestSelectedRow() {
    auto frm = openedWindow();
    QAbstractItemView* list = frm->lvwMain;
    frm->lvwMainDblClick();
    QVERIFY(!frm->treeChangePending());
    for (int row : {4, 2})
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                       list->visualRect(list->model()->index(4, 0)).center());
    QCOMPARE(frm->selectedRows().first(), 2);
    QCOMPARE(frm->selectedNode(), 3);
    waitForTreeChange(*frm);
    QCOMPARE(frm->memMain->bytes(), textOf(FiveObjects, 2));
    QVERIFY(list->isHidden());
  }

  void rightClickSelectsNodeBeforePopup() {
    auto frm = openedWindow();
    frm->tvwMain->setFocus();
    idle();
    QVERIFY(!frm->actEditCopyTreeView->isEnabled());
    const QPoint node3 = frm->tvwMain->visualRect(frm->treeModel().nodeIndex(3)).center();
    QTest::mousePress(frm->tvwMain->viewport(), Qt::RightButton, {}, node3);
    QCOMPARE(frm->selectedNode(), 3);
    frm->pumTreeView()->popup(frm->tvwMain->viewport()->mapToGlobal(node3));
    QVERIFY(frm->actEditCopyTreeView->isEnabled());
    QVERIFY(frm->actFileExportTreeView->isEnabled());
    QVERIFY(frm->actFileExportTreeView->isVisible());
    frm->pumTreeView()->hide();
    QTest::mouseRelease(frm->tvwMain->viewport(), Qt::RightButton, {}, node3);

    const QPoint below(10, frm->tvwMain->viewport()->height() - 3);
    QVERIFY(!frm->tvwMain->indexAt(below).isValid());
    QTest::mousePress(frm->tvwMain->viewport(), Qt::RightButton, {}, below);
    QCOMPARE(frm->selectedNode(), 3);
    QTest::mouseRelease(frm->tvwMain->viewport(), Qt::RightButton, {}, below);
  }

  void actionsFollowFocusAndSelection_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("node");
    QTest::addColumn<bool>("rowSelected");
    QTest::addColumn<bool>("exportTreeVisible");
    QTest::addColumn<bool>("exportTreeEnabled");
    QTest::addColumn<bool>("exportListVisible");
    QTest::addColumn<bool>("exportListEnabled");
    QTest::addColumn<bool>("fontTreeVisible");
    QTest::addColumn<bool>("fontMemoVisible");
    QTest::addColumn<bool>("copyEnabled");
    QTest::newRow("tree, root") << "tree" << 0 << false << true << false << false << false << true
                                << false << false;
    QTest::newRow("tree, object") << "tree" << 2 << false << true << true << false << false << true
                                  << false << true;
    QTest::newRow("list, no row") << "list" << 0 << false << false << false << true << false << true
                                  << false << false;
    QTest::newRow("list, a row") << "list" << 0 << true << false << false << true << true << true
                                 << false << false;
    QTest::newRow("text pane") << "memo" << 2 << true << false << false << false << true << false
                               << true << true;
  }
  void actionsFollowFocusAndSelection() {
    QFETCH(QString, focus);
    QFETCH(int, node);
    QFETCH(bool, rowSelected);
    auto frm = openedWindow();
    if (rowSelected)
      frm->lvwMain->selectionModel()->select(
          frm->lvwMain->model()->index(1, 0),
          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    frm->selectNode(node);
    waitForTreeChange(*frm);
    QWidget* target = focus == QLatin1String("tree")   ? static_cast<QWidget*>(frm->tvwMain)
                      : focus == QLatin1String("list") ? static_cast<QWidget*>(frm->lvwMain)
                                                       : static_cast<QWidget*>(frm->memMain);
    target->setFocus();
    idle();
    QCOMPARE(frm->activeControl(), target);
    QTEST(frm->actFileExportTreeView->isVisible(), "exportTreeVisible");
    QTEST(frm->actFileExportListView->isVisible(), "exportListVisible");
    QTEST(frm->mniFileExportListView->isVisible(), "exportListVisible");
    // Qt reports a hidden action as disabled; its own rule shows while visible.
    if (frm->actFileExportTreeView->isVisible())
      QTEST(frm->actFileExportTreeView->isEnabled(), "exportTreeEnabled");
    if (frm->actFileExportListView->isVisible()) {
      QTEST(frm->actFileExportListView->isEnabled(), "exportListEnabled");
      QTEST(frm->mniFileExportListView->isEnabled(), "exportListEnabled");
    }
    QTEST(frm->actViewFontTreeView->isVisible(), "fontTreeVisible");
    QTEST(frm->actViewFontMemo->isVisible(), "fontMemoVisible");
    QTEST(frm->actEditCopyTreeView->isEnabled(), "copyEnabled");
    QVERIFY(frm->actFileClose->isEnabled());
    QVERIFY(frm->actEditFind->isEnabled());
    QVERIFY(frm->actEditSelectAllTreeView->isEnabled());
  }

  void shortcutsRunEnabledActionsOnly() {
    auto frm = makeWindow();
    QSignalSpy find(frm->actEditFind, &QAction::triggered);
    QSignalSpy selectAll(frm->actEditSelectAllTreeView, &QAction::triggered);
    frm->memMain->setBytes("abc\r\ndef");
    frm->memMain->setFocus();

    // The menu shows no shortcut for Open, yet Ctrl+O opens the dialog.
    QVERIFY(frm->actFileOpen->shortcut().isEmpty());
    QTest::keyClick(frm->memMain, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(FPrompts->Asked.size(), 1);
    QVERIFY(FPrompts->Asked[0].startsWith(QStringLiteral("open ")));

    // Without a file, Ctrl+F does nothing and Ctrl+A goes to the text pane.
    QTest::keyClick(frm->memMain, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(find.count(), 0);
    QTest::keyClick(frm->memMain, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectAll.count(), 0);
    QCOMPARE(frm->memMain->selLength(), 8);

    // With a file the enabled action takes the key, even from the text pane.
    frm->OpenFile(fiveObjectsFile());
    frm->selectNode(1);
    waitForTreeChange(*frm);
    frm->memMain->setFocus();
    QTest::keyClick(frm->memMain, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectAll.count(), 1);
    QTest::keyClick(frm->memMain, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(find.count(), 1);
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void fontCommands() {
    auto frm = makeWindow();
    QFont listFont(QStringLiteral("DejaVu Sans"), 11);
    frm->lvwMain->setFont(listFont);
    const QFont treeFont = frm->tvwMain->font();
    const QFont memoFont = frm->memMain->font();

    FPrompts->FontAnswers = {std::nullopt};
    frm->actViewFontTreeView->trigger();
    QCOMPARE(FPrompts->FontsOffered.last().family(), QFontInfo(treeFont).family());
    QCOMPARE(frm->tvwMain->font(), treeFont);
    QCOMPARE(frm->lvwMain->font(), listFont);

    QFont chosen(QStringLiteral("DejaVu Sans Mono"), 13);
    chosen.setBold(true);
    FPrompts->FontAnswers = {chosen};
    frm->actViewFontTreeView->trigger();
    QCOMPARE(frm->tvwMain->font(), chosen);
    QCOMPARE(frm->lvwMain->font(), chosen);
    QCOMPARE(frm->memMain->font(), memoFont);

    FPrompts->FontAnswers = {std::nullopt};
    frm->actViewFontMemo->trigger();
    QCOMPARE(FPrompts->FontsOffered.last().family(), QFontInfo(memoFont).family());
    QCOMPARE(frm->memMain->font(), memoFont);
    QFont code(QStringLiteral("DejaVu Sans Mono"), 9);
    code.setItalic(true);
    FPrompts->FontAnswers = {code};
    frm->actViewFontMemo->trigger();
    QCOMPARE(frm->memMain->font(), code);
    QCOMPARE(frm->tvwMain->font(), chosen);
  }

  void selectionWaitsForDelayedText() {
    auto frm = openedWindow();
    frm->selectObjectText(3, 2, 5);
    QCOMPARE(frm->shownNode(), 0);
    waitForTreeChange(*frm);
    QCOMPARE(frm->shownNode(), 4);
    QCOMPARE(frm->memMain->selStart(), 2);
    QCOMPARE(frm->memMain->selLength(), 5);

    // The object shown already: selected at once.
    frm->selectObjectText(3, 10, 2);
    QVERIFY(!frm->treeChangePending());
    QCOMPARE(frm->memMain->selStart(), 10);
    QCOMPARE(frm->memMain->selLength(), 2);

    // Another node chosen before the delay ran out: its text is not selected.
    frm->selectObjectText(0, 3, 3);
    frm->selectNode(5);
    waitForTreeChange(*frm);
    QCOMPARE(frm->shownNode(), 5);
    QCOMPARE(frm->memMain->selLength(), 0);

    QVERIFY(!frm->flushTreeChange());
    frm->selectObjectText(1, 20, 4);
    QVERIFY(frm->flushTreeChange());
    QCOMPARE(frm->shownNode(), 2);
    QCOMPARE(frm->memMain->selectedBytes(), textOf(FiveObjects, 1).substr(20, 4));
  }

  void unreadableTextKeepsPreviousText() {
    const QString path = fiveObjectsFile(QStringLiteral("shrinks.txt"));
    auto frm = makeWindow();
    frm->OpenFile(path);
    frm->selectNode(1);
    waitForTreeChange(*frm);
    const std::string shown = frm->memMain->bytes();
    END_WHERE_WINDOWS_LOCKS_HELD_FILES();
    writeFile(FDir, QStringLiteral("shrinks.txt"), "short");
    frm->selectNode(3);
    waitForTreeChange(*frm);
    // The message names the file that changed, not a bare read error.
    QCOMPARE(FPrompts->Errors,
             QStringList{QStringLiteral("The file \"%1\" has changed since it was loaded.")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))});
    QCOMPARE(frm->memMain->bytes(), shown);
    QVERIFY(frm->memMain->isVisible());
  }

  void errorDisplayEndsWithFullStop_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Stream read error"
                            << "Stream read error.";
    QTest::newRow("digit") << "List index out of bounds (5"
                           << "List index out of bounds (5.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("closing parenthesis") << "Failed (x)"
                                         << "Failed (x)";
    QTest::newRow("exclamation mark") << "Failed!"
                                      << "Failed!";
    QTest::newRow("slash") << "in /tmp/"
                           << "in /tmp/.";
    QTest::newRow("quote") << "file \"a\""
                           << "file \"a\"";
    QTest::newRow("empty") << ""
                           << "";
  }
  void errorDisplayEndsWithFullStop() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(errorDisplayText(message), shown);
    TScriptedPrompts prompts;
    QVERIFY(!runGuarded(prompts, nullptr, [&] { throw VexaError(message.toStdString()); }));
    QCOMPARE(prompts.Errors, QStringList{shown});
    QVERIFY(runGuarded(prompts, nullptr, [] {}));
    QCOMPARE(prompts.Errors.size(), 1);
  }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
