// SPDX-License-Identifier: MIT
// The window comparing its file with a second one: the commands, the status
// list, the diff pane and its navigation, and the failures of the second file.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QTimer>
#include <memory>

#include "comparemode.h"
#include "comparisonmodel.h"
#include "diffpane.h"
#include "filterbox.h"
#include "idleloop.h"
#include "mainform.h"
#include "objectfilterproxy.h"
#include "oemcodepage.h"
#include "scriptedprompts.h"
#include "testfiles.h"

namespace {

std::string body(const std::string& date, const std::string& code) {
  return "{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + date +
         ";\r\n  }\r\n  CODE\r\n  {\r\n    line 1;\r\n    line 2;\r\n    line 3;\r\n    " + code +
         "\r\n    line 5;\r\n    line 6;\r\n    line 7;\r\n    line 8;\r\n    line 9;\r\n  "
         "}\r\n}\r\n";
}

// Old: five objects. New: Table 18 changed in two places, Codeunit 80 gone,
// Form 21 only re-dated, Page 5 new, Report 6 the same.
const std::vector<TTestObject> OldObjects = {
    {"Table 18 Customer", body("01.01.20", "old \x84 code;")},
    {"Codeunit 80 Sales-Post", body("01.01.20", "post;")},
    {"Form 21 Card", body("01.01.20", "card;")},
    {"Report 6 Trial", body("01.01.20", "report;")},
};
const std::vector<TTestObject> NewObjects = {
    {"Table 18 Customer", body("01.01.20", "new \x84 code;") + "  added at the end\r\n"},
    {"Page 5 New", body("01.01.20", "page;")},
    {"Form 21 Card", body("02.02.20", "card;")},
    {"Report 6 Trial", body("01.01.20", "report;")},
};

}  // namespace

class TestCompare : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;
  QString FOldPath;
  QString FNewPath;

  std::unique_ptr<TfrmMain> comparingWindow() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList{FNewPath});
    frm->show();
    // Commands that follow the focus need the window active first.
    frm->activateWindow();
    if (!QTest::qWaitForWindowActive(frm.get())) qWarning("window not active");
    if (!QTest::qWaitFor([&] { return !frm->treeChangePending(); })) qWarning("tree change waits");
    FPrompts->OpenAnswers.push_back(FOldPath);
    idle();
    frm->actFileCompareWith->trigger();
    return frm;
  }

  void showNode(TfrmMain& frm, int node) {
    frm.selectNode(node);
    QTRY_VERIFY(!frm.treeChangePending());
  }

 private slots:
  void initTestCase() {
    FOldPath = writeFile(FDir, QStringLiteral("base.txt"), objectText(OldObjects));
    FNewPath = writeFile(FDir, QStringLiteral("custom.txt"), objectText(NewObjects));
  }
  void init() {
    // A filter kept by an earlier window would hide rows.
    QFile::remove(QString::fromStdString(TfrmMain::settingsFileName()));
    FPrompts = std::make_unique<TScriptedPrompts>();
  }

  void compareWithAndEndComparison() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList{});
    idle();
    QVERIFY(!frm->actFileCompareWith->isEnabled());
    QVERIFY(!frm->actFileEndComparison->isEnabled());
    QVERIFY(frm->mnuFile->actions().contains(frm->actFileCompareWith));
    QCOMPARE(frm->actFileCompareWith->text().remove(QLatin1Char('&')),
             QStringLiteral("Compare With..."));
    frm.reset();

    frm = comparingWindow();
    QVERIFY(FPrompts->Errors.isEmpty());
    QVERIFY(frm->compareMode().active());
    QCOMPARE(frm->statusText(),
             QStringLiteral("Comparing with base.txt: 1 added, 1 removed, 1 changed, "
                            "1 properties only"));
    idle();
    QVERIFY(frm->actFileEndComparison->isEnabled());
    QVERIFY(frm->actViewNextChange->isVisible());

    frm->actFileEndComparison->trigger();
    QVERIFY(!frm->compareMode().active());
    // The object list again, in the order of its own sort proxy.
    auto* sorted = qobject_cast<QSortFilterProxyModel*>(frm->lvwMain->model());
    QVERIFY(sorted);
    QCOMPARE(sorted->sourceModel(), static_cast<QAbstractItemModel*>(&frm->listProxy()));
    QCOMPARE(frm->lvwMain->model()->columnCount(), TObjectListModel::ColumnCount);
    QCOMPARE(frm->statusText(), QStringLiteral("4 NAV object(s)"));
    idle();
    QVERIFY(!frm->actFileEndComparison->isEnabled());
    QVERIFY(!frm->actViewNextChange->isVisible());
  }

  void statusColumnListsNewObjectsThenRemoved() {
    auto frm = comparingWindow();
    QAbstractItemModel* model = frm->lvwMain->model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model->columnCount(), 4);
    QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Status"));
    const QStringList expected[] = {{"Table", "18", "Customer", "Changed"},
                                    {"Page", "5", "New", "Added"},
                                    {"Form", "21", "Card", "Properties only"},
                                    {"Report", "6", "Trial", ""},
                                    {"Codeunit", "80", "Sales-Post", "Removed"}};
    QCOMPARE(model->rowCount(), 5);
    for (int row = 0; row < 5; ++row) {
      for (int column = 0; column < 4; ++column)
        QCOMPARE(model->index(row, column).data().toString(), expected[row][column]);
      // Identical rows are not tinted; every other one is.
      QCOMPARE(model->index(row, 0).data(Qt::BackgroundRole).isValid(), row != 3);
    }
    QVERIFY(model->index(0, 0).data(Qt::BackgroundRole) !=
            model->index(1, 0).data(Qt::BackgroundRole));
  }

  void changedObjectShowsItsDiff() {
    auto frm = comparingWindow();
    showNode(*frm, 1);
    TDiffPane& pane = frm->compareMode().diffPane();
    QVERIFY(pane.isVisible());
    QVERIFY(frm->memMain->isHidden() && frm->lvwMain->isHidden());
    // One hunk: the changed line with 3 lines of context, then the added
    // last line with the lines before it.
    const auto& info = pane.lineInfo();
    QCOMPARE(int(info.size()), pane.lineCount() - 1);  // the text ends in a line break
    QCOMPARE(pane.changes().size(), size_t(2));
    const TDiffPane::TLineInfo removed = info[std::size_t(pane.changes()[0])];
    QCOMPARE(removed.Kind, TDiffPane::TRowKind::rkRemoved);
    QCOMPARE(removed.OldNumber, 12);
    QCOMPARE(removed.NewNumber, 0);
    const TDiffPane::TLineInfo added = info[std::size_t(pane.changes()[0]) + 1];
    QCOMPARE(added.Kind, TDiffPane::TRowKind::rkAdded);
    QCOMPARE(added.NewNumber, 12);
    QCOMPARE(pane.lineText(pane.changes()[0]), QStringLiteral("    old \u00e4 code;"));

    // Identical and added objects show their text as usual.
    showNode(*frm, 4);
    QVERIFY(pane.isHidden() && frm->memMain->isVisible());
    showNode(*frm, 2);
    QVERIFY(pane.isHidden());
    QCOMPARE(frm->memMain->bytes(), objectText({NewObjects[1]}));
    // A re-dated object is a diff too.
    showNode(*frm, 3);
    QVERIFY(pane.isVisible());
    showNode(*frm, 0);
    QVERIFY(pane.isHidden() && frm->lvwMain->isVisible());
  }

  void f8MovesBetweenChanges() {
    auto frm = comparingWindow();
    showNode(*frm, 1);
    TDiffPane& pane = frm->compareMode().diffPane();
    pane.setFocus();
    idle();
    const std::vector<int> changes = pane.changes();
    QTest::keyClick(&pane, Qt::Key_F8);
    QCOMPARE(pane.lineOf(pane.caretPosition()), changes[0]);
    QTest::keyClick(&pane, Qt::Key_F8);
    QCOMPARE(pane.lineOf(pane.caretPosition()), changes[1]);
    QTest::keyClick(&pane, Qt::Key_F8);  // none further: a beep, the caret stays
    QCOMPARE(FPrompts->Beeps, 1);
    QCOMPARE(pane.lineOf(pane.caretPosition()), changes[1]);
    QTest::keyClick(&pane, Qt::Key_F8, Qt::ShiftModifier);
    QCOMPARE(pane.lineOf(pane.caretPosition()), changes[0]);
  }

  void copyGivesTheShownBytes() {
    auto frm = comparingWindow();
    showNode(*frm, 1);
    TDiffPane& pane = frm->compareMode().diffPane();
    pane.setFocus();
    const int line = pane.changes()[0];
    pane.selectBytes(pane.lineStart(line), pane.lineEnd(line) - pane.lineStart(line));
    idle();
    frm->actEditCopyTreeView->trigger();
    QCOMPARE(oem::fromQString(QGuiApplication::clipboard()->text()),
             std::optional<std::string>("    old \x84 code;"));
    // Select All takes the whole diff, line breaks as they stand.
    frm->actEditSelectAllTreeView->trigger();
    QCOMPARE(pane.selLength(), std::int32_t(pane.bytes().size()));
    frm->actEditCopyTreeView->trigger();
    QCOMPARE(oem::fromQString(QGuiApplication::clipboard()->text()),
             std::optional<std::string>(pane.bytes()));
    QVERIFY(pane.bytes().find("\r\n") != std::string::npos);
  }

  void exportLeavesRemovedRowsOut() {
    auto frm = comparingWindow();
    const QString target = QDir(FDir.path()).filePath(QStringLiteral("out18.txt"));
    FPrompts->SaveAnswers.push_back(target);
    QItemSelectionModel* selection = frm->lvwMain->selectionModel();
    const auto rows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    selection->select(frm->lvwMain->model()->index(0, 0), rows);
    selection->select(frm->lvwMain->model()->index(4, 0), rows);
    frm->lvwMain->setFocus();
    idle();
    frm->actFileExportListView->trigger();
    QVERIFY(FPrompts->Errors.isEmpty());
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll().toStdString(), objectText({NewObjects[0]}));
  }

  void removedRowShowsTheOldText() {
    auto frm = comparingWindow();
    frm->lvwMain->selectionModel()->select(
        frm->lvwMain->model()->index(4, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    frm->lvwMainDblClick();
    QVERIFY(frm->memMain->isVisible());
    QCOMPARE(frm->memMain->bytes(), objectText({OldObjects[1]}));
    // Ending the comparison releases the old file and its text with it.
    idle();
    frm->actFileEndComparison->trigger();
    QVERIFY(frm->memMain->bytes().empty());
    QTRY_VERIFY(frm->lvwMain->isVisible());
  }

  void closingOrOpeningEndsTheComparison() {
    auto frm = comparingWindow();
    showNode(*frm, 1);
    frm->OpenFile(FNewPath);
    QVERIFY(!frm->compareMode().active());
    QVERIFY(frm->compareMode().diffPane().isHidden());
    QCOMPARE(frm->lvwMain->model()->columnCount(), TObjectListModel::ColumnCount);
    // The old file is released: the window can compare with it again.
    FPrompts->OpenAnswers.push_back(FOldPath);
    frm->actFileCompareWith->trigger();
    QVERIFY(frm->compareMode().active());
    frm->actFileClose->trigger();
    QVERIFY(!frm->compareMode().active());
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void filterBoxFiltersTheComparisonList() {
    auto frm = comparingWindow();
    const QString comparing = frm->statusText();
    TFilterBox* box = frm->filterBox();
    QAbstractItemModel* model = frm->lvwMain->model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto shown = [&] {
      QStringList names;
      for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, TComparisonModel::colName).data().toString();
      return names;
    };
    box->setFilterText(QStringLiteral("status:ch|rem"));
    QCOMPARE(shown(), (QStringList{"Customer", "Sales-Post"}));
    QCOMPARE(frm->statusText(), comparing);
    // Rows map to the comparison's items: export leaves the removed one out,
    // opening it shows its old text.
    frm->lvwMain->selectAll();
    QCOMPARE(frm->selectedRows(), (QList<int>{0, 4}));
    QCOMPARE(frm->compareMode().exportableRows(frm->selectedRows()), QList<int>{0});
    frm->lvwMain->selectionModel()->select(
        model->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    frm->lvwMainDblClick();
    QCOMPARE(frm->memMain->bytes(), objectText({OldObjects[1]}));
    showNode(*frm, 0);

    // Type-ahead passes over a removed object, which the window's file lacks.
    box->setFilterText(QStringLiteral("status:removed|identical"));
    QCOMPARE(shown(), (QStringList{"Trial", "Sales-Post"}));
    QCOMPARE(frm->lvwMainDataFind(QStringLiteral("Codeunit"), 0, true), -1);
    QCOMPARE(frm->lvwMainDataFind(QStringLiteral("Report"), 1, true), 0);

    box->setFilterText(QStringLiteral("status:new"));
    QVERIFY(box->isInvalid());
    QVERIFY2(frm->statusText().contains(QLatin1String("'status:new'")),
             qPrintable(frm->statusText()));
    QCOMPARE(shown(), (QStringList{"Trial", "Sales-Post"}));

    // The normal list comes back with the box's filter; status: means nothing there.
    box->setFilterText(QStringLiteral("type:form|codeunit status:prop"));
    QCOMPARE(shown(), QStringList{"Card"});
    idle();
    frm->actFileEndComparison->trigger();
    QVERIFY(box->isInvalid());
    QVERIFY(frm->statusText().contains(QLatin1String("'status:prop'")));
    box->setFilterText(QStringLiteral("type:form|codeunit"));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 1);
    QCOMPARE(frm->statusText(), QStringLiteral("1 of 4 NAV object(s)"));
  }

  void filterBoxSitsAboveTheListNotOverIt() {
    auto frm = comparingWindow();
    const QWidget* box = frm->filterBox();
    QTRY_VERIFY(box->isVisible());
    QVERIFY(box->geometry().bottom() < frm->lvwMain->geometry().top());
    // The diff pane takes the list's place below the box's row.
    showNode(*frm, 1);
    QVERIFY(!box->isVisible());
    QVERIFY(frm->compareMode().diffPane().geometry().top() >= box->geometry().top());
    QCOMPARE(frm->compareMode().diffPane().geometry().bottom(), frm->lvwMain->geometry().bottom());
  }

  void theHeldFileComparesWithItselfThroughTheHold() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList{FNewPath});
    frm->show();
    QTRY_VERIFY(!frm->treeChangePending());
    FPrompts->OpenAnswers.push_back(FNewPath);
    idle();
    frm->actFileCompareWith->trigger();
    QVERIFY2(FPrompts->Errors.isEmpty(), qPrintable(FPrompts->Errors.join(QLatin1Char('\n'))));
    QVERIFY(frm->compareMode().active());
    QCOMPARE(frm->statusText(),
             QStringLiteral("Comparing with custom.txt: 0 added, 0 removed, 0 changed"));
    frm->actFileEndComparison->trigger();
    showNode(*frm, 1);
    QCOMPARE(frm->memMain->bytes(), objectText({NewObjects[0]}));
  }

  void secondFileErrorsLeaveTheFirstLoaded_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QDir(FDir.path()).filePath(QStringLiteral("missing.txt"))
                             << QStringLiteral("Cannot open file \"");
    QTest::newRow("bad header") << writeFile(FDir, QStringLiteral("bad.txt"),
                                             "OBJECT Table x Bad\r\n")
                                << QStringLiteral("'x' is not a valid integer value");
  }

  void secondFileErrorsLeaveTheFirstLoaded() {
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    auto frm = comparingWindow();
    FPrompts->OpenAnswers.push_back(fileName);
    frm->actFileCompareWith->trigger();
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY2(FPrompts->Errors[0].startsWith(message), qPrintable(FPrompts->Errors[0]));
    QVERIFY(!frm->compareMode().active());
    QVERIFY(frm->fileLoaded());
    QCOMPARE(frm->objectTextFile().GetCount(), 4);
    QCOMPARE(frm->statusText(), QStringLiteral("4 NAV object(s)"));
    QCOMPARE(frm->lvwMain->model()->columnCount(), TObjectListModel::ColumnCount);
    showNode(*frm, 1);
    QCOMPARE(frm->memMain->bytes(), objectText({NewObjects[0]}));
  }
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
