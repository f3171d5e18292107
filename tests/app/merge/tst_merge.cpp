// SPDX-License-Identifier: MIT
// The window merging three files: the status list with its conflicts first,
// a conflict resolved by a choice, the result saved and read again, an
// input refused as the target of a save, and the window as it was after.
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "linemerge.h"
#include "mainform.h"
#include "mergelistmodel.h"
#include "mergemode.h"
#include "mergeview.h"
#include "scriptedprompts.h"
#include "testfiles.h"
#include "textpane.h"

namespace {

std::string body(const std::string& line) {
  return "{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.01.20;\r\n    Time=12:00:00;\r\n  }\r\n"
         "  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n    PROCEDURE Check@1();\r\n    BEGIN\r\n"
         "      " +
         line + "\r\n    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n\r\n";
}

// Table 2 changed by MODIFIED only, Codeunit 1 changed differently on both
// sides, Page 3 changed by neither.
std::string file(const std::string& table, const std::string& codeunit) {
  return objectText({{"Table 2 Two", body(table)},
                     {"Codeunit 1 One", body(codeunit)},
                     {"Page 3 Three", body("x;")}});
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestMerge : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;
  QStringList FInputs;

  QStringList column(TfrmMain& frm, int column) {
    QStringList values;
    const TMergeListModel& model = frm.mergeMode().model();
    for (int row = 0; row < model.rowCount(); ++row)
      values << model.index(row, column).data().toString();
    return values;
  }

  void merge(TfrmMain& frm) {
    FPrompts->MergeAnswers.push_back(FInputs);
    frm.actFileMerge->trigger();
    QVERIFY(FPrompts->Errors.isEmpty());
    QVERIFY(frm.mergeMode().active());
  }

 private slots:
  void initTestCase() {
    FInputs << writeFile(FDir, QStringLiteral("original.txt"),
                         file("MESSAGE('a');", "MESSAGE('a');"))
            << writeFile(FDir, QStringLiteral("modified.txt"),
                         file("MESSAGE('update');", "MESSAGE('update');"))
            << writeFile(FDir, QStringLiteral("target.txt"),
                         file("MESSAGE('a');", "MESSAGE('custom');"));
  }
  void init() {
    QFile::remove(QString::fromStdString(TfrmMain::settingsFileName()));
    FPrompts = std::make_unique<TScriptedPrompts>();
  }

  void mergeListsConflictsFirstResolvesAndEndsAsBefore() {
    // TARGET is the window's file: the merge reads it through the window's hold.
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList{FInputs[2]});
    frm->show();
    QTRY_VERIFY(!frm->treeChangePending());
    QAbstractItemModel* listModel = frm->lvwMain->model();
    QVERIFY(frm->mnuFile->actions().contains(frm->actFileMerge));
    frm->updateActions();
    QVERIFY(!frm->actFileSaveMergeResult->isEnabled());
    merge(*frm);
    QVERIFY(!frm->splMain->isVisible());
    TMergeView& view = frm->mergeMode().view();
    QVERIFY(view.isVisible());
    QCOMPARE(column(*frm, TMergeListModel::colName), QStringList({"One", "Two", "Three"}));
    QCOMPARE(column(*frm, TMergeListModel::colStatus),
             QStringList({"conflict", "taken from modified", "unchanged"}));
    QCOMPARE(frm->statusText(), QStringLiteral("Merging: 0 merged, 1 conflict, 1 taken from "
                                               "modified, 0 taken from target, 0 added, 0 "
                                               "deleted, 1 unchanged"));

    // The first row is on view with its conflict's three versions.
    QCOMPARE(frm->mergeMode().shownItem(), 1);
    QVERIFY(view.pnlConflict->isVisible());
    QCOMPARE(view.lblConflict->text(), QStringLiteral("Conflict 1 of 1"));
    QCOMPARE(view.memSide[0]->bytes(), std::string("      MESSAGE('a');\r\n"));
    QCOMPARE(view.memSide[1]->bytes(), std::string("      MESSAGE('update');\r\n"));
    QCOMPARE(view.memSide[2]->bytes(), std::string("      MESSAGE('custom');\r\n"));
    QCOMPARE(merge::FindConflicts(view.memMerge->bytes()).size(), std::size_t(1));
    // Copy takes the merge's text, the conflict selected in it, not the hidden pane's.
    frm->updateActions();
    frm->actEditCopyTreeView->trigger();
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("<<<<<<< TARGET")));

    QTest::mouseClick(view.btnTake[int(merge::TConflictChoice::ccBoth)], Qt::LeftButton);
    QCOMPARE(view.memMerge->bytes(),
             "OBJECT Codeunit 1 One\r\n" + body("MESSAGE('update');\r\n      MESSAGE('custom');"));
    QVERIFY(!view.pnlConflict->isVisible());
    QCOMPARE(column(*frm, TMergeListModel::colStatus).first(), QStringLiteral("merged"));
    QVERIFY(frm->statusText().startsWith(QStringLiteral("Merging: 1 merged, 0 conflict")));
    // Another row shows its own result, without a conflict.
    view.lvwMerge->setCurrentIndex(frm->mergeMode().model().index(1, 0));
    QCOMPARE(view.memMerge->bytes(), "OBJECT Table 2 Two\r\n" + body("MESSAGE('update');"));

    frm->updateActions();
    QVERIFY(frm->actFileSaveMergeResult->isEnabled());
    frm->actFileEndMerge->trigger();
    QVERIFY(!frm->mergeMode().active());
    QVERIFY(!view.isVisible());
    QVERIFY(frm->splMain->isVisible());
    QCOMPARE(frm->lvwMain->model(), listModel);
    QCOMPARE(frm->lvwMain->model()->columnCount(), TObjectListModel::ColumnCount);
    QCOMPARE(frm->statusText(), QStringLiteral("3 NAV object(s)"));
    frm.reset();  // Windows lets nobody read the file the window holds
    QCOMPARE(readAll(FInputs[2]),
             QByteArray::fromStdString(file("MESSAGE('a');", "MESSAGE('custom');")));
  }

  void targetMayBeAFolderAndItsFilesAreNotWrittenOver();

  void saveWritesTheResultAndRefusesAnInput() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList{});
    merge(*frm);
    const QByteArray target = readAll(FInputs[2]);
    FPrompts->SaveAnswers.push_back(FInputs[2]);
    frm->actFileSaveMergeResult->trigger();
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY(FPrompts->Errors[0].contains(QStringLiteral("is a file being merged")));
    QVERIFY(FPrompts->Asked.contains(QStringLiteral("save Save Merge Result ") +
                                     QDir(FDir.path()).filePath(QStringLiteral("merged.txt"))));
    QCOMPARE(readAll(FInputs[2]), target);

    // Unresolved, the marks are in the file and survive its reload.
    const QString result = QDir(FDir.path()).filePath(QStringLiteral("result.txt"));
    FPrompts->SaveAnswers.push_back(result);
    frm->actFileSaveMergeResult->trigger();
    QCOMPARE(FPrompts->Errors.size(), 1);
    {
      TObjectTextFile saved;
      saved.LoadFromFile(QFile::encodeName(result).toStdString());
      QCOMPARE(saved.GetCount(), 3);
      QCOMPARE(merge::FindConflicts(saved.GetObject(1).GetText()).size(), std::size_t(1));
    }
    // Taking TARGET gives TARGET's object; the rest as merged.
    frm->mergeMode().resolve(merge::TConflictChoice::ccTarget);
    FPrompts->SaveAnswers.push_back(result);
    frm->actFileSaveMergeResult->trigger();
    QCOMPARE(readAll(result),
             QByteArray::fromStdString(file("MESSAGE('update');", "MESSAGE('custom');")));
  }
};

void TestMerge::targetMayBeAFolderAndItsFilesAreNotWrittenOver() {
  // TARGET as a team keeps it: one file per object.
  QDir dir(FDir.path());
  dir.mkdir(QStringLiteral("target"));
  const std::string parts[3][2] = {{"Table 2 Two", "MESSAGE('a');"},
                                   {"Codeunit 1 One", "MESSAGE('custom');"},
                                   {"Page 3 Three", "x;"}};
  QStringList names;
  for (const auto& part : parts)
    names << writeFile(FDir, QStringLiteral("target/%1.txt").arg(names.size()),
                       objectText({{part[0], body(part[1])}}));
  auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList{});
  FPrompts->MergeAnswers.push_back(QStringList{FInputs[0], FInputs[1], dir.filePath("target")});
  frm->actFileMerge->trigger();
  QVERIFY(FPrompts->Errors.isEmpty());
  QCOMPARE(column(*frm, TMergeListModel::colStatus),
           QStringList({"conflict", "taken from modified", "unchanged"}));
  FPrompts->SaveAnswers.push_back(names[1]);
  frm->actFileSaveMergeResult->trigger();
  QCOMPARE(FPrompts->Errors.size(), 1);
  QCOMPARE(readAll(names[1]),
           QByteArray::fromStdString(objectText({{parts[1][0], body(parts[1][1])}})));
}

QTEST_MAIN(TestMerge)
#include "tst_merge.moc"
