// SPDX-License-Identifier: MIT
// The File menu's recent files, where the open dialog and the directory
// chooser start, File > Reload, and the settings a window that uses none of
// it writes.
#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

#include "filterbox.h"
#include "mainform.h"
#include "profile.h"
#include "recentfiles.h"
#include "recentfilesmenu.h"
#include "reload.h"
#include "scriptedprompts.h"
#include "settingsfile.h"
#include "testfiles.h"

class TestRecentFiles : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> makeWindow() {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->show();
    return frm;
  }

  QString file(const QString& name, const std::string& bytes = "OBJECT Table 1 A\r\n") {
    return writeFile(*FDir, name, bytes);
  }

  static QStringList entryTexts(const TfrmMain& frm) {
    QStringList texts;
    for (const QAction* entry : frm.recentFiles()->entries())
      if (entry->isVisible()) texts << entry->text();
    return texts;
  }

  static void waitForTree(TfrmMain& frm) {
    QTRY_VERIFY_WITH_TIMEOUT(!frm.treeChangePending(), 2000);
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    QFile::remove(settingsPath());
  }
  void cleanup() { QFile::remove(settingsPath()); }

  void theLastEightFilesAreListedNewestFirstAndKept() {
    QStringList paths;
    {
      auto frm = makeWindow();
      QVERIFY(entryTexts(*frm).isEmpty());
      for (int i = 1; i <= 9; ++i) {
        paths << file(QStringLiteral("f%1 & co.txt").arg(i));
        frm->OpenFile(paths.last());
      }
      frm->OpenFile(paths[4]);
      const QStringList texts = entryTexts(*frm);
      QCOMPARE(texts.size(), 8);
      QCOMPARE(texts[0], "&1 " + QDir::toNativeSeparators(paths[4]).replace("&", "&&"));
      QCOMPARE(texts[1], "&2 " + QDir::toNativeSeparators(paths[8]).replace("&", "&&"));
      QCOMPARE(texts[7], "&8 " + QDir::toNativeSeparators(paths[1]).replace("&", "&&"));
    }
    TRecentFiles stored;
    stored.Read(TIniProfile(TfrmMain::settingsFileName()));
    QCOMPARE(stored.Files().size(), std::size_t(8));
    QCOMPARE(QString::fromStdString(stored.Files()[0]), QDir::toNativeSeparators(paths[4]));

    // The next run lists them, opens one when chosen, and the open dialog
    // starts at the newest.
    auto frm = makeWindow();
    QCOMPARE(entryTexts(*frm).size(), 8);
    frm->recentFiles()->entries()[1]->trigger();
    QCOMPARE(QString::fromStdString(frm->objectTextFile().FileName()),
             QDir::toNativeSeparators(paths[8]));
    QCOMPARE(entryTexts(*frm)[0], "&1 " + QDir::toNativeSeparators(paths[8]).replace("&", "&&"));
    frm->actFileOpen->trigger();
    QCOMPARE(FPrompts->OpenStarts, QStringList{QDir::toNativeSeparators(paths[8])});
  }

  void aMissingFileIsOfferedForRemoval() {
    const QString gone = file(QStringLiteral("gone.txt"));
    const QString kept = file(QStringLiteral("kept.txt"));
    auto frm = makeWindow();
    frm->OpenFile(gone);
    frm->OpenFile(kept);
    QFile::remove(gone);
    FPrompts->ConfirmAnswers = {false, true};
    frm->recentFiles()->entries()[1]->trigger();
    QCOMPARE(FPrompts->Asked.size(), 1);
    QVERIFY(FPrompts->Asked[0].startsWith("confirm "));
    QVERIFY(FPrompts->Asked[0].contains(QDir::toNativeSeparators(gone)));
    QVERIFY(FPrompts->Errors.isEmpty());
    QCOMPARE(entryTexts(*frm).size(), 2);
    frm->recentFiles()->entries()[1]->trigger();
    QCOMPARE(entryTexts(*frm), QStringList{"&1 " + QDir::toNativeSeparators(kept)});
    QCOMPARE(QString::fromStdString(frm->objectTextFile().FileName()),
             QDir::toNativeSeparators(kept));
    TRecentFiles stored;
    stored.Read(TIniProfile(TfrmMain::settingsFileName()));
    QCOMPARE(stored.Files().size(), std::size_t(1));
  }

  void theDirectoryChooserStartsAtTheLastExportFolder() {
    const QString objects =
        file(QStringLiteral("objects.txt"), "OBJECT Table 1 A\r\nOBJECT Table 2 B\r\n");
    const QString out = QDir(FDir->path()).filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    {
      auto frm = makeWindow();
      frm->OpenFile(objects);
      waitForTree(*frm);
      frm->lvwMain->setFocus();
      frm->lvwMain->selectAll();
      FPrompts->DirectoryAnswers = {out};
      frm->updateActions();
      frm->actFileExportListView->trigger();
      QCOMPARE(FPrompts->Asked.last(), "directory " + QDir::toNativeSeparators(QDir::rootPath()));
    }
    auto frm = makeWindow();
    frm->OpenFile(objects);
    waitForTree(*frm);
    frm->lvwMain->setFocus();
    frm->lvwMain->selectAll();
    frm->updateActions();
    frm->actFileExportListView->trigger();
    QCOMPARE(FPrompts->Asked.last(), "directory " + QDir::toNativeSeparators(out));
  }

  void reloadKeepsTheObjectTheListAndTheFilter() {
    const QString path =
        file(QStringLiteral("objects.txt"),
             "OBJECT Table 18 Customer\r\nline\r\nOBJECT Page 21 Card\r\nsecond line\r\n"
             "OBJECT Table 27 Item\r\n");
    auto frm = makeWindow();
    frm->OpenFile(path);
    waitForTree(*frm);
    frm->filterBox()->setFilterText(QStringLiteral("type:table"));
    frm->lvwMain->selectionModel()->select(frm->lvwMain->model()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(frm->selectedRows(), QList<int>{2});
    // The file grows an object in front: the same objects stand elsewhere now.
    END_WHERE_WINDOWS_LOCKS_HELD_FILES();
    file(QStringLiteral("objects.txt"),
         "OBJECT Table 5 New\r\nOBJECT Table 18 Customer\r\nline\r\nOBJECT Page 21 Card\r\n"
         "second line\r\nOBJECT Table 27 Item\r\n");
    frm->updateActions();
    QVERIFY(frm->reload()->actFileReload->isEnabled());
    frm->reload()->actFileReload->trigger();
    waitForTree(*frm);
    QCOMPARE(frm->filterBox()->text(), QStringLiteral("type:table"));
    QCOMPARE(frm->lvwMain->model()->rowCount(), 3);
    QCOMPARE(frm->selectedRows(), QList<int>{3});

    // With an object shown: the same object and its selection.
    frm->selectNode(3);
    QTRY_COMPARE(frm->shownNode(), 3);
    frm->memMain->selectBytes(2, 5);
    file(QStringLiteral("objects.txt"), "OBJECT Page 21 Card\r\nsecond line\r\n");
    frm->reload()->actFileReload->trigger();
    QTRY_COMPARE(frm->shownNode(), 1);
    waitForTree(*frm);
    QCOMPARE(frm->memMain->selStart(), 2);
    QCOMPARE(frm->memMain->selLength(), 5);
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void aWindowThatUsesNoneOfItWritesWhatItWroteBefore() {
    { auto frm = makeWindow(); }
    QByteArray content = readSettings();
    QVERIFY2(content.endsWith("[Find]\r\nFindText=\r\nMatchCase=0\r\n"), content.constData());
    QCOMPARE(content.count('='), 15);
    QVERIFY(!content.contains("Recent"));
    QFile::remove(settingsPath());
    const QString objects = file(QStringLiteral("objects.txt"));
    {
      auto frm = makeWindow();
      frm->OpenFile(objects);
      waitForTree(*frm);
      frm->selectNode(1);
      waitForTree(*frm);
    }
    content = readSettings();
    QCOMPARE(content.count('='), 16);
    QVERIFY2(content.startsWith(
                 "[Recent Files]\r\nFile1=" + QDir::toNativeSeparators(objects).toUtf8() + "\r\n"),
             content.constData());
  }
};

QTEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
