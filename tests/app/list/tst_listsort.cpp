// SPDX-License-Identifier: MIT
// Sorting the object list and the comparison list by a column header, and
// the widths of the list's columns.
#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <memory>

#include "comparemode.h"
#include "filterbox.h"
#include "listcolumns.h"
#include "listsorting.h"
#include "mainform.h"
#include "profile.h"
#include "scriptedprompts.h"
#include "settings.h"
#include "settingsfile.h"
#include "testfiles.h"

namespace {

std::string object(const std::string& header, const std::string& date, const std::string& time) {
  std::string block;
  if (!date.empty()) block += "    Date=" + date + ";\r\n";
  if (!time.empty()) block += "    Time=" + time + ";\r\n";
  return "OBJECT " + header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n" + block + "  }\r\n}\r\n";
}

// In file order: IDs 100, 9, 20, 5000; names beta, Alpha, gamma, Delta.
const std::string Sample = object("Table 100 beta", "30-08-18", "9:00:00 PM") +
                           object("Codeunit 9 Alpha", "01-09-18", "12:00:00 PM") +
                           object("Page 20 gamma", "", "") +
                           object("Table 5000 Delta", "20180830D", "[ 7:00:00 AM]");

}  // namespace

class TestListSort : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openWindow(const std::string& bytes = Sample,
                                       const QString& name = QStringLiteral("objects.txt")) {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->show();
    frm->OpenFile(writeFile(*FDir, name, bytes));
    if (!QTest::qWaitFor([&] { return !frm->treeChangePending(); }, 2000)) qWarning("tree busy");
    return frm;
  }

  // The objects of the list's rows, top to bottom.
  static QList<int> shown(const TfrmMain& frm) {
    QList<int> objects;
    for (int row = 0; row < frm.lvwMain->model()->rowCount(); ++row)
      objects << frm.listObjectIndex(row);
    return objects;
  }

  static void clickHeader(TfrmMain& frm, int column) {
    QHeaderView* header = frm.lvwMain->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }

  static int mark(const TfrmMain& frm) {
    const QHeaderView* header = frm.lvwMain->header();
    return header->sortIndicatorSection() < 0
               ? 0
               : (header->sortIndicatorOrder() == Qt::AscendingOrder ? 1 : -1) *
                     (header->sortIndicatorSection() + 1);
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(settingsPath());
  }
  void cleanup() { QFile::remove(settingsPath()); }

  void headerClicksCycleThroughBothDirectionsAndFileOrder() {
    auto frm = openWindow();
    QAbstractItemModelTester tester(frm->lvwMain->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(shown(*frm), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(mark(*frm), 0);
    clickHeader(*frm, TObjectListModel::colID);
    QCOMPARE(shown(*frm), (QList<int>{1, 2, 0, 3}));  // as numbers, not as text
    QCOMPARE(mark(*frm), TObjectListModel::colID + 1);
    clickHeader(*frm, TObjectListModel::colID);
    QCOMPARE(shown(*frm), (QList<int>{3, 0, 2, 1}));
    QCOMPARE(mark(*frm), -(TObjectListModel::colID + 1));
    clickHeader(*frm, TObjectListModel::colID);
    QCOMPARE(shown(*frm), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(mark(*frm), 0);

    clickHeader(*frm, TObjectListModel::colName);
    QCOMPARE(shown(*frm), (QList<int>{1, 0, 3, 2}));
    frm->updateActions();
    QVERIFY(frm->listSorting()->actViewFileOrder->isEnabled());
    frm->listSorting()->actViewFileOrder->trigger();
    QCOMPARE(shown(*frm), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(mark(*frm), 0);
    frm->updateActions();
    QVERIFY(!frm->listSorting()->actViewFileOrder->isEnabled());
  }

  void datesAndTimesByValueWithoutADateLast() {
    auto frm = openWindow();
    clickHeader(*frm, TObjectListModel::colDate);
    QCOMPARE(shown(*frm), (QList<int>{0, 3, 1, 2}));  // equal dates keep file order
    clickHeader(*frm, TObjectListModel::colDate);
    QCOMPARE(shown(*frm), (QList<int>{1, 0, 3, 2}));  // still last
    clickHeader(*frm, TObjectListModel::colTime);
    QCOMPARE(shown(*frm), (QList<int>{3, 1, 0, 2}));
  }

  void typeAheadSelectAllExportAndFilterActOnTheRowsAsShown() {
    auto frm = openWindow();
    clickHeader(*frm, TObjectListModel::colID);
    frm->lvwMain->setFocus();
    frm->lvwMain->keyboardSearch(QStringLiteral("t"));
    // The first Table from the top as shown is Table 100, the third row.
    QCOMPARE(frm->lvwMain->currentIndex().row(), 2);
    QCOMPARE(frm->selectedRows(), QList<int>{0});
    // A double-click opens the object of the row shown.
    frm->lvwMainDblClick();
    QTRY_COMPARE(frm->shownNode(), 1);
    frm->selectNode(0);
    QTRY_VERIFY(frm->lvwMain->isVisible());

    frm->filterBox()->setFilterText(QStringLiteral("type:table|page"));
    QCOMPARE(shown(*frm), (QList<int>{2, 0, 3}));
    frm->lvwMain->setFocus();
    frm->updateActions();
    frm->actEditSelectAllTreeView->trigger();
    QCOMPARE(frm->selectedRows(), (QList<int>{0, 2, 3}));
    const QString dir = QDir(FDir->path()).filePath(QStringLiteral("out"));
    QDir().mkpath(dir);
    FPrompts->DirectoryAnswers = {dir};
    frm->updateActions();
    frm->actFileExportListView->trigger();
    QCOMPARE(QDir(dir).entryList(QDir::Files, QDir::Name),
             (QStringList{"pag20.txt", "tab100.txt", "tab5000.txt"}));
  }

  void aNewFileStartsInFileOrder() {
    auto frm = openWindow();
    clickHeader(*frm, TObjectListModel::colName);
    QCOMPARE(shown(*frm), (QList<int>{1, 0, 3, 2}));
    frm->OpenFile(writeFile(*FDir, QStringLiteral("other.txt"), Sample));
    QCOMPARE(shown(*frm), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(mark(*frm), 0);
  }

  void theComparisonListSortsByStatusToo() {
    const QString oldFile = writeFile(
        *FDir, QStringLiteral("old.txt"),
        object("Table 100 beta", "01-01-18", "") + object("Codeunit 9 Alpha", "30-08-18", "") +
            object("Table 5000 Delta", "20180830D", "[ 7:00:00 AM]") + "OBJECT Report 7 Gone\r\n");
    auto frm = openWindow();
    FPrompts->OpenAnswers.push_back(oldFile);
    frm->actFileCompareWith->trigger();
    QVERIFY(frm->compareMode().active());
    // New file's order, then the removed one: changed, changed, added, same, removed.
    QCOMPARE(frm->lvwMain->model()->rowCount(), 5);
    auto statuses = [&] {
      QStringList texts;
      QAbstractItemModel* model = frm->lvwMain->model();
      for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 3).data().toString();
      return texts;
    };
    clickHeader(*frm, 3);
    QCOMPARE(statuses(),
             (QStringList{"", "Added", "Properties only", "Properties only", "Removed"}));
    clickHeader(*frm, TObjectListModel::colID);
    QCOMPARE(frm->lvwMain->model()->index(0, TObjectListModel::colID).data().toString(),
             QStringLiteral("7"));
    // Back to the object list: its own order, file order here.
    frm->actFileEndComparison->trigger();
    QCOMPARE(shown(*frm), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(mark(*frm), 0);
  }

  void propertyColumnsFitWhatTheyHold() {
    auto frm = openWindow();
    const QHeaderView* header = frm->lvwMain->header();
    const int widths[] = {108, 108, 215};
    for (int i = 0; i < 3; ++i) QCOMPARE(header->sectionSize(i), widths[i]);
    const QFontMetrics metrics(frm->lvwMain->font());
    QVERIFY(header->sectionSize(TObjectListModel::colTime) >
            metrics.horizontalAdvance(QStringLiteral("[ 7:00:00 PM]")));
    QVERIFY(header->sectionSize(TObjectListModel::colTime) >
            metrics.horizontalAdvance(QStringLiteral("12:00:00 PM")));
    QVERIFY(header->sectionSize(TObjectListModel::colDate) >
            metrics.horizontalAdvance(QStringLiteral("20180425D")));
  }

  void widthsTheUserSetAreKept() {
    const std::string path = TfrmMain::settingsFileName();
    { auto frm = openWindow(); }
    // Never sized: no key.
    QCOMPARE(TIniProfile(path).ReadString(SectionView, KeyListColumnWidths, "none"),
             std::string("none"));
    int nameWidth = 0;
    {
      auto frm = openWindow();
      QHeaderView* header = frm->lvwMain->header();
      // Drag the divider right of Name 40 pixels to the right.
      const int edge = header->sectionViewportPosition(TObjectListModel::colName) +
                       header->sectionSize(TObjectListModel::colName) - 1;
      const int y = header->height() / 2;
      QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
      QTest::mouseMove(header->viewport(), QPoint(edge + 20, y));
      QTest::mouseMove(header->viewport(), QPoint(edge + 40, y));
      QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
      nameWidth = header->sectionSize(TObjectListModel::colName);
      QCOMPARE(nameWidth, 255);
      // A new file keeps the width.
      frm->OpenFile(writeFile(*FDir, QStringLiteral("again.txt"), Sample));
      QCOMPARE(header->sectionSize(TObjectListModel::colName), nameWidth);
    }
    const std::vector<int> stored = ReadListColumnWidths(TIniProfile(path), 7);
    QCOMPARE(stored[2], nameWidth);
    QCOMPARE(stored[0], 108);
    auto frm = openWindow();
    QCOMPARE(frm->lvwMain->header()->sectionSize(TObjectListModel::colName), nameWidth);
  }
};

QTEST_MAIN(TestListSort)
#include "tst_listsort.moc"
