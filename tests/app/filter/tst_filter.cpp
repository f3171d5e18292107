// SPDX-License-Identifier: MIT
// The property columns and the filter box of the object list.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <memory>

#include "filterbox.h"
#include "mainform.h"
#include "objectfilterproxy.h"
#include "profile.h"
#include "scriptedprompts.h"
#include "settings.h"
#include "testfiles.h"

namespace {

std::string withProperties(const std::string& header, const std::string& date,
                           const std::string& version, bool modified) {
  return "OBJECT " + header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + date +
         ";\r\n    Time=09:30:00;\r\n" + (modified ? "    Modified=Yes;\r\n" : "") +
         "    Version List=" + version + ";\r\n  }\r\n}\r\n";
}

const std::string Sample = withProperties("Table 18 Customer", "30-08-18", "NAVW111.00", true) +
                           withProperties("Table 50000 Apiary", "01-02-19", "ABC1.00", false) +
                           withProperties("Page 21 Customer Card", "15-06-17", "ABC1.02", true) +
                           "OBJECT Codeunit 80 Sales-Post\r\n{\r\n}\r\n";

}  // namespace

class TestFilter : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openWindow() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->show();
    frm->OpenFile(writeFile(*FDir, QStringLiteral("objects.txt"), Sample));
    if (!QTest::qWaitFor([&] { return !frm->treeChangePending(); }, 2000)) qWarning("tree busy");
    return frm;
  }

  static QStringList names(TfrmMain& frm) {
    QStringList result;
    QAbstractItemModel* model = frm.lvwMain->model();
    for (int row = 0; row < model->rowCount(); ++row)
      result << model->index(row, TObjectListModel::colName).data().toString();
    return result;
  }

  static void type(TfrmMain& frm, const QString& text) {
    frm.filterBox()->clear();
    QTest::keyClicks(frm.filterBox(), text);
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(QString::fromStdString(TfrmMain::settingsFileName()));
  }
  void cleanup() { QFile::remove(QString::fromStdString(TfrmMain::settingsFileName())); }

  void columnsShowThePropertiesAfterTheOriginalThree() {
    auto frm = openWindow();
    QAbstractItemModelTester tester(frm->lvwMain->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModel* model = frm->lvwMain->model();
    const QStringList titles = {"Type", "ID", "Name", "Modified", "Version List", "Date", "Time"};
    for (int i = 0; i < titles.size(); ++i)
      QCOMPARE(model->headerData(i, Qt::Horizontal).toString(), titles[i]);
    const int widths[] = {108, 108, 215};
    for (int i = 0; i < 3; ++i) QCOMPARE(frm->lvwMain->header()->sectionSize(i), widths[i]);
    auto cell = [&](int row, int column) { return model->index(row, column).data().toString(); };
    QCOMPARE(cell(0, TObjectListModel::colModified), QStringLiteral("Yes"));
    QCOMPARE(cell(1, TObjectListModel::colModified), QString());
    QCOMPARE(cell(0, TObjectListModel::colVersionList), QStringLiteral("NAVW111.00"));
    QCOMPARE(cell(2, TObjectListModel::colDate), QStringLiteral("15-06-17"));
    QCOMPARE(cell(2, TObjectListModel::colTime), QStringLiteral("09:30:00"));
    QCOMPARE(cell(3, TObjectListModel::colDate), QString());
    QCOMPARE(frm->statusText(), QStringLiteral("4 NAV object(s)"));
    // The filter box follows the list: hidden while an object's text is shown.
    QVERIFY(frm->filterBox()->isVisible());
    frm->selectNode(1);
    QTRY_VERIFY(!frm->filterBox()->isVisible());
  }

  void filterAppliesAfterAPauseAndKeepsTheLastValidResult() {
    auto frm = openWindow();
    type(*frm, QStringLiteral("type:table"));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 4);  // not before the pause
    QTRY_COMPARE(names(*frm), (QStringList{"Customer", "Apiary"}));
    QCOMPARE(frm->statusText(), QStringLiteral("2 of 4 NAV object(s)"));
    QVERIFY(!frm->filterBox()->isInvalid());

    type(*frm, QStringLiteral("id:5..x"));
    QTRY_VERIFY(frm->filterBox()->isInvalid());
    QVERIFY(frm->statusText().contains(QStringLiteral("'id:5..x'")));
    QCOMPARE(names(*frm), (QStringList{"Customer", "Apiary"}));

    type(*frm, QStringLiteral("modified:yes date:2017-01-01..2018-12-31"));
    QTRY_COMPARE(names(*frm), (QStringList{"Customer", "Customer Card"}));
    QVERIFY(!frm->filterBox()->isInvalid());
    // The tree keeps every object.
    QCOMPARE(frm->treeModel().objectCount(), 4);

    type(*frm, QString());
    QTRY_COMPARE(frm->lvwMain->model()->rowCount(), 4);
    QCOMPARE(frm->statusText(), QStringLiteral("4 NAV object(s)"));
  }

  void selectAllExportAndTypeAheadActOnTheFilteredRows() {
    auto frm = openWindow();
    frm->filterBox()->setFilterText(QStringLiteral("customer"));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 2);

    frm->lvwMain->setFocus();
    frm->updateActions();
    frm->actEditSelectAllTreeView->trigger();
    QCOMPARE(frm->selectedRows(), (QList<int>{0, 2}));
    const QString dir = QDir(FDir->path()).filePath(QStringLiteral("out"));
    QDir().mkpath(dir);
    FPrompts->DirectoryAnswers = {dir};
    frm->updateActions();
    frm->actFileExportListView->trigger();
    QCOMPARE(QDir(dir).entryList(QDir::Files, QDir::Name), (QStringList{"pag21.txt", "tab18.txt"}));

    // Type-ahead finds among the shown rows only: Page 21 is the second row.
    frm->lvwMain->keyboardSearch(QStringLiteral("page"));
    QCOMPARE(frm->lvwMain->currentIndex().row(), 1);
    QCOMPARE(frm->selectedRows(), QList<int>{2});
  }

  void filterIsKeptInTheSettingsFile() {
    const std::string path = TfrmMain::settingsFileName();
    { auto frm = openWindow(); }
    // Never used: the key is not written.
    QCOMPARE(TIniProfile(path).ReadString(SectionView, KeyFilter, "none"), std::string("none"));
    {
      auto frm = openWindow();
      frm->filterBox()->setFilterText(QStringLiteral("\"Customer Card\""));
    }
    QCOMPARE(ReadFilter(TIniProfile(path)), std::string("\"Customer Card\""));
    auto frm = openWindow();
    QCOMPARE(frm->filterBox()->text(), QStringLiteral("\"Customer Card\""));
    QCOMPARE(names(*frm), QStringList{"Customer Card"});
    QCOMPARE(frm->statusText(), QStringLiteral("1 of 4 NAV object(s)"));
    frm->actFileCloseExecute();
    QCOMPARE(frm->statusText(), QStringLiteral("0 NAV object(s)"));
  }

  void editKeysGoToTheFilterBoxWhileItHasTheFocus() {
    auto frm = openWindow();
    frm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frm.get()));
    frm->filterBox()->setFocus();
    type(*frm, QStringLiteral("type:table"));
    frm->filterBox()->deselect();
    QTest::keyClick(frm->filterBox(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(frm->filterBox()->selectedText(), QStringLiteral("type:table"));
    QVERIFY(!frm->lvwMain->selectionModel()->hasSelection());
  }

  void dateOrderFromTheViewMenuIsKept() {
    const std::string path = TfrmMain::settingsFileName();
    {
      auto frm = openWindow();
      auto* monthFirst = frm->findChild<QAction*>(QStringLiteral("actViewDateOrderMonthFirst"));
      QVERIFY(monthFirst);
      // 01-02-19 is the first of February day first, the second of January month first.
      frm->filterBox()->setFilterText(QStringLiteral("date:2019-01-02"));
      QCOMPARE(names(*frm), QStringList());
      monthFirst->trigger();
      QCOMPARE(names(*frm), QStringList{"Apiary"});
    }
    QCOMPARE(ReadDateOrder(TIniProfile(path)), std::string("mdy"));
    auto frm = openWindow();
    QVERIFY(frm->findChild<QAction*>(QStringLiteral("actViewDateOrderMonthFirst"))->isChecked());
    QCOMPARE(names(*frm), QStringList{"Apiary"});
    frm->findChild<QAction*>(QStringLiteral("actViewDateOrderAutomatic"))->trigger();
    QCOMPARE(names(*frm), QStringList());
    QCOMPARE(ReadDateOrder(TIniProfile(path)), std::string());
    // Year first: 01-02-19 is the 19th of February 2001.
    auto* yearFirst = frm->findChild<QAction*>(QStringLiteral("actViewDateOrderYearFirst"));
    QVERIFY(yearFirst);
    frm->filterBox()->setFilterText(QStringLiteral("date:2001-02-19"));
    QCOMPARE(names(*frm), QStringList());
    yearFirst->trigger();
    QCOMPARE(names(*frm), QStringList{"Apiary"});
    QCOMPARE(ReadDateOrder(TIniProfile(path)), std::string("ymd"));
  }
};

QTEST_MAIN(TestFilter)
#include "tst_filter.moc"
