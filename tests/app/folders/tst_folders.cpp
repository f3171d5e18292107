// SPDX-License-Identifier: MIT
// Folders of object files in the window: opened as one set, found through,
// compared with a file or a folder, saved as one file, and their files
// named when they vanish after the load.
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <memory>

#include "comparemode.h"
#include "finddialog.h"
#include "mainform.h"
#include "objectfolders.h"
#include "recentfilesmenu.h"
#include "reload.h"
#include "scriptedprompts.h"
#include "settingsfile.h"
#include "testfiles.h"

namespace {

const std::string Customer = "OBJECT Table 18 Customer\r\n{\r\n  CODE\r\n  {\r\n  }\r\n}\r\n";
const std::string Item = "OBJECT Table 27 Item\r\n{\r\n  Needle;\r\n}\r\n";
const std::string SalesPost = "OBJECT Codeunit 80 Sales-Post\r\n{\r\n  needle;\r\n}\r\n";

}  // namespace

class TestFolders : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  QString path(const QString& relative) const { return QDir(FDir->path()).filePath(relative); }

  void write(const QString& relative, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path(relative)).path());
    QVERIFY(!writeFile(*FDir, relative, bytes).isEmpty());
  }

  // A checkout: objects one per file in subfolders, listed out of export
  // order, a notes file without a header and a hidden folder.
  QString checkout() {
    write(QStringLiteral("work/Code Units/COD80.txt"), SalesPost);
    write(QStringLiteral("work/Tables/TAB27.TXT"), Item);
    write(QStringLiteral("work/Tables/tab18.txt"), Customer);
    write(QStringLiteral("work/README.txt"), "Notes, no objects here.\r\n");
    write(QStringLiteral("work/.git/TAB99.TXT"), "OBJECT Table 99 Hidden\r\n");
    return path(QStringLiteral("work"));
  }

  std::unique_ptr<TfrmMain> folderWindow(const QString& folder) {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->show();
    FPrompts->FolderAnswers.push_back(folder);
    frm->folders()->actFileOpenFolder->trigger();
    return frm;
  }

  static QString cell(const TfrmMain& frm, int row, int column) {
    return frm.lvwMain->model()->index(row, column).data().toString();
  }

  static QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(settingsPath());
  }
  void cleanup() { QFile::remove(settingsPath()); }

  void aFolderIsOneSetInExportOrderWithItsFiles() {
    auto frm = folderWindow(checkout());
    QVERIFY2(FPrompts->Errors.isEmpty(), qPrintable(FPrompts->Errors.join('\n')));
    QVERIFY(frm->fileLoaded());
    QCOMPARE(frm->treeModel().nodeIndex(0).data().toString(), QStringLiteral("work"));
    QVERIFY(frm->windowTitle().startsWith(QStringLiteral("work - ")));
    QCOMPARE(frm->statusText(),
             QStringLiteral("3 NAV object(s); files without objects skipped: README.txt"));
    QAbstractItemModel* list = frm->lvwMain->model();
    QCOMPARE(list->columnCount(), TObjectListModel::ColumnCount + 1);
    QCOMPARE(list->headerData(TObjectListModel::colFile, Qt::Horizontal).toString(),
             QStringLiteral("File"));
    const QStringList files = {QStringLiteral("Tables/tab18.txt"),
                               QStringLiteral("Tables/TAB27.TXT"),
                               QStringLiteral("Code Units/COD80.txt")};
    for (int row = 0; row < 3; ++row)
      QCOMPARE(cell(*frm, row, TObjectListModel::colFile), QDir::toNativeSeparators(files[row]));
    QCOMPARE(cell(*frm, 2, TObjectListModel::colName), QStringLiteral("Sales-Post"));
    frm->lvwMain->sortByColumn(TObjectListModel::colFile, Qt::AscendingOrder);
    QCOMPARE(cell(*frm, 0, TObjectListModel::colName), QStringLiteral("Sales-Post"));
    QCOMPARE(frm->listObjectIndex(0), 2);

    // Find, on and back, reads each object from its own file.
    frm->selectNode(0);
    frm->dlgFind->SetFindText(QStringLiteral("NEEDLE"));
    emit frm->dlgFind->Find();
    QCOMPARE(frm->selectedObject(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(frm->shownNode(), 2, 2000);
    frm->findAgain(false);
    QTRY_COMPARE_WITH_TIMEOUT(frm->shownNode(), 3, 2000);
    QCOMPARE(frm->memMain->bytes(), SalesPost);
    QCOMPARE(frm->memMain->selectedBytes(), std::string("needle"));
    frm->findAgain(true);
    QTRY_COMPARE_WITH_TIMEOUT(frm->shownNode(), 2, 2000);
    QCOMPARE(frm->memMain->bytes(), Item);
    QCOMPARE(frm->memMain->selectedBytes(), std::string("Needle"));

    // A file loaded afterwards has the file's columns only; the folder that
    // holds it opens again, and Reload reads the folder again.
    frm->OpenFile(path(QStringLiteral("work/Tables/TAB27.TXT")));
    QCOMPARE(frm->lvwMain->model()->columnCount(), int(TObjectListModel::ColumnCount));
    QCOMPARE(frm->treeModel().nodeIndex(0).data().toString(), QStringLiteral("TAB27.TXT"));
    frm->OpenFile(path(QStringLiteral("work")));
    QVERIFY2(FPrompts->Errors.isEmpty(), qPrintable(FPrompts->Errors.join('\n')));
    QCOMPARE(frm->lvwMain->header()->sectionSize(TObjectListModel::colFile), 200);
    write(QStringLiteral("work/Pages/PAG21.TXT"), "OBJECT Page 21 Customer Card\r\n");
    frm->reload()->actFileReload->trigger();
    QCOMPARE(frm->objectSet().GetCount(), 4);
    QVERIFY(frm->statusText().startsWith(QStringLiteral("4 NAV object(s); files without")));
    // The recent files list the folder, and it opens from there.
    frm->OpenFile(path(QStringLiteral("work/Tables/TAB27.TXT")));
    frm->recentFiles()->entries()[1]->trigger();
    QCOMPARE(frm->objectSet().GetCount(), 4);
    QCOMPARE(frm->treeModel().nodeIndex(0).data().toString(), QStringLiteral("work"));
  }

  void aFolderComparesWithTheFileItWasExportedFrom() {
    const QString folder = checkout();
    const QString exported =
        writeFile(*FDir, QStringLiteral("export.txt"), Customer + Item + SalesPost);
    auto frm = folderWindow(folder);
    frm->compareWith(exported);
    QCOMPARE(frm->statusText(),
             QStringLiteral("Comparing with export.txt: 0 added, 0 removed, 0 changed"));
    const QString changed =
        writeFile(*FDir, QStringLiteral("changed.txt"), Customer + Item + "OBJECT Table 36 X\r\n");
    frm->compareWith(changed);
    QCOMPARE(frm->statusText(),
             QStringLiteral("Comparing with changed.txt: 1 added, 1 removed, 0 changed"));

    // A file loaded in the window compares with a folder, too.
    frm->OpenFile(exported);
    FPrompts->FolderAnswers.push_back(folder);
    frm->folders()->actFileCompareWithFolder->trigger();
    QVERIFY2(FPrompts->Errors.isEmpty(), qPrintable(FPrompts->Errors.join('\n')));
    QCOMPARE(frm->statusText(),
             QStringLiteral("Comparing with work: 0 added, 0 removed, 0 changed"));
  }

  void saveAsOneFileJoinsAndNeverWritesOverAnInput() {
    const QString folder = checkout();
    auto frm = folderWindow(folder);
    const QString joined = path(QStringLiteral("joined.txt"));
    FPrompts->SaveAnswers.push_back(joined);
    frm->folders()->actFileSaveAsOneFile->trigger();
    QVERIFY2(FPrompts->Errors.isEmpty(), qPrintable(FPrompts->Errors.join('\n')));
    QVERIFY(FPrompts->Asked.contains(QStringLiteral("save Save As One File work.txt")));
    QCOMPARE(bytesOf(joined), QByteArray::fromStdString(Customer + Item + SalesPost));

    const QString input = path(QStringLiteral("work/Tables/TAB27.TXT"));
    FPrompts->SaveAnswers.push_back(input);
    frm->folders()->actFileSaveAsOneFile->trigger();
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY2(FPrompts->Errors[0].contains(QLatin1String("is never overwritten")),
             qPrintable(FPrompts->Errors[0]));
    QCOMPARE(bytesOf(input), QByteArray::fromStdString(Item));
  }

  void aFileThatVanishedIsNamed() {
    auto frm = folderWindow(checkout());
    QVERIFY(QFile::remove(path(QStringLiteral("work/Code Units/COD80.txt"))));
    frm->selectNode(3);
    QTRY_COMPARE_WITH_TIMEOUT(FPrompts->Errors.size(), 1, 2000);
    QVERIFY2(FPrompts->Errors[0].contains(QLatin1String("COD80.txt\" no longer exists")),
             qPrintable(FPrompts->Errors[0]));
    // The other objects still show: each is read from its own file.
    frm->selectNode(1);
    QTRY_COMPARE_WITH_TIMEOUT(frm->shownNode(), 1, 2000);
    QCOMPARE(frm->memMain->bytes(), Customer);
  }
};

QTEST_MAIN(TestFolders)
#include "tst_folders.moc"
