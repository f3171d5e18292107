// SPDX-License-Identifier: MIT
// Find across objects, export, copy and select all in the main window, driven
// through its actions and its find dialog, with every question answered by script.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "finddialog.h"
#include "mainform.h"
#include "oemcodepage.h"
#include "scriptedprompts.h"
#include "settingsfile.h"
#include "testfiles.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

void waitForTreeChange(TfrmMain& frm) {
  QTRY_VERIFY_WITH_TIMEOUT(!frm.treeChangePending(), 2000);
}

std::string readBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

// As the window names it: in the system's own separators.
QString exportTarget(const QString& dir, const QString& name) {
  return QDir::toNativeSeparators(QDir(dir).filePath(name));
}

// 'aa' occurs as 'aaaa' in the first object, as 'Aa' and then 'aa' in the
// second and never in the third; 'object' in lower case only in the third.
std::vector<std::string> findObjects(const std::string& br) {
  return {
      "OBJECT Table 1 First" + br + "{" + br + "  PROPERTIES" + br + "  x aaaa y" + br + "}" + br,
      "OBJECT Codeunit 2 Second" + br + "{" + br + "  Aa then aa" + br +
          "  a line long enough to hold a selection further on" + br + "}" + br,
      "OBJECT Page 3 Third" + br + "{" + br + "  plain object text" + br + "}",
  };
}

std::string joined(const std::vector<std::string>& texts) {
  std::string all;
  for (const std::string& text : texts) all += text;
  return all;
}

// Offset of the occurrence'th (0-based) needle in text.
std::int32_t offsetOf(const std::string& text, const std::string& needle, int occurrence = 0) {
  std::size_t at = text.find(needle);
  while (occurrence-- > 0 && at != std::string::npos) at = text.find(needle, at + 1);
  return at == std::string::npos ? -1 : std::int32_t(at);
}

const std::vector<TTestObject> ExportSample = {
    {"Table 18 Customer", "{\r\n  High bytes \x81\x9a\xe1 stay\r\n}\r\n"},
    {"Codeunit 80 Sales-Post", "{\n  LF only\n}\n"},
    {"Form 21 Customer Card", "{\r  CR only\r}\r"},
    {"Report 111 Top", "{\r\n  Report body\r\n}\r\n\r\n"},
    {"Page 22 Customer List", "{\r\n  Last one, no line break at the end\r\n}"},
};
const QStringList ExportNames = {QStringLiteral("tab18.txt"), QStringLiteral("cod80.txt"),
                                 QStringLiteral("for21.txt"), QStringLiteral("rep111.txt"),
                                 QStringLiteral("pag22.txt")};

std::string exportText(int row) {
  return objectText({ExportSample[std::size_t(row)]});
}

// What the window shows and has selected; a search without a match changes none of it.
struct TViewState {
  int SelectedNode;
  int ShownNode;
  bool Pending;
  std::string Bytes;
  std::int32_t SelStart;
  std::int32_t SelLength;
  bool operator==(const TViewState&) const = default;
};

TViewState viewState(const TfrmMain& frm) {
  return {frm.selectedNode(),   frm.shownNode(),         frm.treeChangePending(),
          frm.memMain->bytes(), frm.memMain->selStart(), frm.memMain->selLength()};
}

}  // namespace

class TestFindExport : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openWindow(const std::string& bytes,
                                       const QString& name = QStringLiteral("objects.txt")) {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->show();
    frm->activateWindow();
    if (!QTest::qWaitForWindowActive(frm.get())) qWarning("window not active");
    frm->OpenFile(writeFile(*FDir, name, bytes));
    waitForTreeChange(*frm);
    return frm;
  }

  std::unique_ptr<TfrmMain> exportWindow() { return openWindow(objectText(ExportSample)); }

  QString newDir(const QString& name) {
    const QString path = QDir(FDir->path()).filePath(name);
    QDir().mkpath(path);
    return path;
  }

  static void find(TfrmMain& frm, const QString& text, bool matchCase = false) {
    frm.dlgFind->SetFindText(text);
    frm.dlgFind->SetMatchCase(matchCase);
    emit frm.dlgFind->Find();
  }

  // The match is selected in the found object's text once the tree's delay is over.
  void checkHit(TfrmMain& frm, int objIndex, std::int32_t start, const std::string& bytes) {
    QCOMPARE(frm.selectedObject(), objIndex);
    QTRY_COMPARE_WITH_TIMEOUT(frm.shownNode(), objIndex + 1, 2000);
    waitForTreeChange(frm);
    QVERIFY(frm.memMain->isVisible());
    QCOMPARE(frm.memMain->bytes(), frm.objectTextFile().GetObject(objIndex).GetText());
    QCOMPARE(frm.memMain->selStart(), start);
    QCOMPARE(frm.memMain->selectedBytes(), bytes);
  }

  void showObject(TfrmMain& frm, int objIndex) {
    frm.selectNode(objIndex + 1);
    waitForTreeChange(frm);
    QCOMPARE(frm.shownNode(), objIndex + 1);
  }

  static void selectRows(TfrmMain& frm, const QList<int>& rows) {
    frm.lvwMain->clearSelection();
    for (int row : rows)
      frm.lvwMain->selectionModel()->select(
          frm.lvwMain->model()->index(row, 0),
          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  // Runs an action the way a shortcut or menu does: from the focused control,
  // with its state updated first.
  static void runAction(TfrmMain& frm, QWidget* focus, QAction* action) {
    if (focus) focus->setFocus();
    frm.updateActions();
    QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
    action->trigger();
  }

  void listExport(TfrmMain& frm, const QList<int>& rows) {
    frm.selectNode(0);
    waitForTreeChange(frm);
    selectRows(frm, rows);
    runAction(frm, frm.lvwMain, frm.actFileExportListView);
  }

 private slots:
  void init() {
    FDir = std::make_unique<QTemporaryDir>();
    FPrompts = std::make_unique<TScriptedPrompts>();
    // The directory chooser starts where the last export went.
    QFile::remove(settingsPath());
  }
  void cleanup() { QFile::remove(settingsPath()); }

  // ---- Find

  void findWalksThroughObjectsWithoutOverlap_data() {
    QTest::addColumn<QString>("lineBreak");
    QTest::newRow("CR LF") << CRLF;
    QTest::newRow("LF") << QStringLiteral("\n");
    QTest::newRow("CR") << QStringLiteral("\r");
  }

  void findWalksThroughObjectsWithoutOverlap() {
    QFETCH(QString, lineBreak);
    const std::vector<std::string> texts = findObjects(lineBreak.toStdString());
    auto frm = openWindow(joined(texts));
    QCOMPARE(frm->objectTextFile().GetCount(), 3);
    QCOMPARE(frm->selectedNode(), 0);

    // The first search after opening starts at the first byte of the first object.
    const std::int32_t aaaa = offsetOf(texts[0], "aaaa");
    find(*frm, QStringLiteral("aa"));
    checkHit(*frm, 0, aaaa, "aa");
    find(*frm, QStringLiteral("aa"));
    checkHit(*frm, 0, aaaa + 2, "aa");
    find(*frm, QStringLiteral("aa"));
    checkHit(*frm, 1, offsetOf(texts[1], "Aa"), "Aa");
    find(*frm, QStringLiteral("aa"));
    checkHit(*frm, 1, offsetOf(texts[1], "aa"), "aa");

    // Nothing after the last match: a beep, and the earlier matches are not found again.
    const TViewState before = viewState(*frm);
    find(*frm, QStringLiteral("aa"));
    QCOMPARE(FPrompts->Beeps, 1);
    QVERIFY(viewState(*frm) == before);
    QVERIFY(FPrompts->Errors.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
  }

  void findMatchesAtCaret_data() {
    QTest::addColumn<QString>("lineBreak");
    QTest::addColumn<int>("occurrence");
    QTest::newRow("CR LF, first") << CRLF << 0;
    QTest::newRow("CR LF, second") << CRLF << 1;
    QTest::newRow("LF, second") << QStringLiteral("\n") << 1;
    QTest::newRow("CR, second") << QStringLiteral("\r") << 1;
  }

  void findMatchesAtCaret() {
    QFETCH(QString, lineBreak);
    QFETCH(int, occurrence);
    const std::vector<std::string> texts = findObjects(lineBreak.toStdString());
    auto frm = openWindow(joined(texts));
    showObject(*frm, 1);
    const std::int32_t caret = offsetOf(texts[1], "then aa") + 5 * occurrence;
    frm->memMain->selectBytes(caret, 0);
    find(*frm, occurrence ? QStringLiteral("aa") : QStringLiteral("then"), true);
    checkHit(*frm, 1, caret, occurrence ? "aa" : "then");
  }

  void findCaseModes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("objIndex");  // -1: not found
    QTest::addColumn<QByteArray>("selected");
    QTest::newRow("object, case off") << "object" << false << 0 << QByteArray("OBJECT");
    QTest::newRow("object, case on") << "object" << true << 2 << QByteArray("object");
    QTest::newRow("OBJECT C, case on") << "OBJECT C" << true << 1 << QByteArray("OBJECT C");
    QTest::newRow("aA, case off") << "aA" << false << 0 << QByteArray("aa");
    QTest::newRow("aA, case on") << "aA" << true << -1 << QByteArray();
    // A character the code page has no byte for occurs in no file.
    QTest::newRow("euro sign") << QString(QChar(0x20AC)) << false << -1 << QByteArray();
  }

  void findCaseModes() {
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(int, objIndex);
    QFETCH(QByteArray, selected);
    const std::vector<std::string> texts = findObjects("\r\n");
    auto frm = openWindow(joined(texts));
    const TViewState before = viewState(*frm);
    find(*frm, text, matchCase);
    if (objIndex < 0) {
      QCOMPARE(FPrompts->Beeps, 1);
      QVERIFY(viewState(*frm) == before);
    } else {
      checkHit(*frm, objIndex, offsetOf(texts[std::size_t(objIndex)], selected.toStdString()),
               selected.toStdString());
      QCOMPARE(FPrompts->Beeps, 0);
    }
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void findNothingAfterStartChangesNothing() {
    const std::vector<std::string> texts = findObjects("\r\n");
    auto frm = openWindow(joined(texts));
    showObject(*frm, 2);
    frm->memMain->selectBytes(3, 4);
    const TViewState before = viewState(*frm);
    find(*frm, QStringLiteral("aa"));
    QCOMPARE(FPrompts->Beeps, 1);
    QVERIFY(viewState(*frm) == before);
    QVERIFY(FPrompts->Errors.isEmpty());

    // A file without any object: the root is selected, and there is nothing to find.
    auto empty = openWindow("no header line here\r\n", QStringLiteral("empty.txt"));
    QCOMPARE(empty->objectTextFile().GetCount(), 0);
    find(*empty, QStringLiteral("here"));
    QCOMPARE(FPrompts->Beeps, 2);
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void findHitInAnotherObjectScrollsAndSelects() {
    auto frm = openWindow(objectText(manyObjects(300)));
    showObject(*frm, 1);
    find(*frm, QStringLiteral("Number=1250;"), true);
    // The node is selected and scrolled to at once, the text follows after the delay.
    QCOMPARE(frm->selectedObject(), 250);
    const QModelIndex node = frm->treeModel().nodeIndex(251);
    QVERIFY(frm->tvwMain->viewport()->rect().intersects(frm->tvwMain->visualRect(node)));
    QCOMPARE(frm->shownNode(), 2);
    const std::string text = frm->objectTextFile().GetObject(250).GetText();
    checkHit(*frm, 250, offsetOf(text, "Number=1250;"), "Number=1250;");

    // The next search goes on after that match.
    find(*frm, QStringLiteral("Number="), true);
    checkHit(*frm, 251, offsetOf(frm->objectTextFile().GetObject(251).GetText(), "Number="),
             "Number=");
  }

  void findAgainBeforeTextIsShownContinuesAfterMatch() {
    const std::vector<std::string> texts = findObjects("\r\n");
    auto frm = openWindow(joined(texts));
    find(*frm, QStringLiteral("aa"));
    QVERIFY(frm->treeChangePending());
    find(*frm, QStringLiteral("aa"));
    checkHit(*frm, 0, offsetOf(texts[0], "aaaa") + 2, "aa");
  }

  void findFromRootStartsAfterKeptSelection() {
    const std::vector<std::string> texts = findObjects("\r\n");
    auto frm = openWindow(joined(texts));
    // A selection in the second object that ends one byte into the first
    // object's 'aaaa' when taken as a position there.
    const std::int32_t aaaa = offsetOf(texts[0], "aaaa");
    showObject(*frm, 1);
    frm->memMain->selectBytes(aaaa - 3, 4);
    QCOMPARE(frm->memMain->selLength(), 4);
    frm->selectNode(0);
    waitForTreeChange(*frm);
    QVERIFY(frm->lvwMain->isVisible());
    QVERIFY(!frm->memMain->isVisible());
    QCOMPARE(frm->memMain->selLength(), 4);
    find(*frm, QStringLiteral("aa"));
    checkHit(*frm, 0, aaaa + 1, "aa");
  }

  void findAfterCloseBeeps() {
    auto frm = openWindow(joined(findObjects("\r\n")));
    runAction(*frm, frm->tvwMain, frm->actEditFind);
    QVERIFY(frm->dlgFind->isVisible());
    frm->actFileClose->trigger();
    QCOMPARE(frm->tvwMain->model()->rowCount(), 0);
    find(*frm, QStringLiteral("aa"));
    QCOMPARE(FPrompts->Beeps, 1);
    QVERIFY(FPrompts->Errors.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(frm->dlgFind->isVisible());
  }

  void findThroughDialogKeepsItOpenAndFocused() {
    const std::vector<std::string> texts = findObjects("\r\n");
    auto frm = openWindow(joined(texts));
    runAction(*frm, frm->tvwMain, frm->actEditFind);
    TFindDialog* dialog = frm->dlgFind;
    QVERIFY(dialog->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    auto* edit = dialog->findChild<QLineEdit*>();
    QPushButton* findNext = nullptr;
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
      if (button->text() == QStringLiteral("&Find Next")) findNext = button;
    QVERIFY(edit && findNext);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("plain"));
    QTest::mouseClick(findNext, Qt::LeftButton);
    checkHit(*frm, 2, offsetOf(texts[2], "plain"), "plain");
    QVERIFY(dialog->isVisible());
    QCOMPARE(QApplication::activeWindow(), static_cast<QWidget*>(dialog));
    QCOMPARE(dialog->FindText(), QStringLiteral("plain"));

    // Showing it again only brings it forward.
    runAction(*frm, frm->tvwMain, frm->actEditFind);
    QCOMPARE(frm->findChildren<TFindDialog*>().size(), 1);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->FindText(), QStringLiteral("plain"));
  }

  void findReadErrorRestoresCursor() {
    const std::vector<std::string> texts = findObjects("\r\n");
    auto frm = openWindow(joined(texts), QStringLiteral("shrinks.txt"));
    END_WHERE_WINDOWS_LOCKS_HELD_FILES();
    writeFile(*FDir, QStringLiteral("shrinks.txt"), "short");
    const TViewState before = viewState(*frm);
    find(*frm, QStringLiteral("plain"));
    QCOMPARE(
        FPrompts->Errors,
        QStringList{
            QStringLiteral("The file \"%1\" has changed since it was loaded.")
                .arg(QDir::toNativeSeparators(
                    QFileInfo(FDir->filePath(QStringLiteral("shrinks.txt"))).absoluteFilePath()))});
    QCOMPARE(FPrompts->ErrorWithHourglass, QList<bool>{false});
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(FPrompts->Beeps, 0);
    QVERIFY(viewState(*frm) == before);
  }

  // ---- Export

  void exportSingle_data() {
    QTest::addColumn<bool>("fromTree");
    QTest::addColumn<int>("objIndex");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("tree") << true << 1 << false;
    QTest::newRow("tree, high bytes") << true << 0 << false;
    QTest::newRow("tree, cancelled") << true << 2 << true;
    QTest::newRow("one row") << false << 4 << false;
    QTest::newRow("one row, cancelled") << false << 3 << true;
  }

  void exportSingle() {
    QFETCH(bool, fromTree);
    QFETCH(int, objIndex);
    QFETCH(bool, cancel);
    auto frm = exportWindow();
    const QString target = QDir(newDir(QStringLiteral("out"))).filePath(QStringLiteral("chosen"));
    FPrompts->SaveAnswers = {cancel ? std::nullopt : std::optional<QString>(target)};
    if (fromTree) {
      showObject(*frm, objIndex);
      runAction(*frm, frm->tvwMain, frm->actFileExportTreeView);
      QCOMPARE(frm->selectedObject(), objIndex);
    } else {
      listExport(*frm, {objIndex});
      QCOMPARE(frm->selectedRows(), QList<int>{objIndex});
    }
    QCOMPARE(FPrompts->Asked, QStringList{QStringLiteral("save Export ") + ExportNames[objIndex]});
    QCOMPARE(FPrompts->SaveFilters,
             QStringList{QStringLiteral("NAV Object Text Files|*.txt|All Files|*.*")});
    QVERIFY(FPrompts->Errors.isEmpty());
    if (cancel)
      QVERIFY(!QFileInfo::exists(target));
    else
      QCOMPARE(readBytes(target), exportText(objIndex));
  }

  void exportMultipleIntoEmptyDirectory() {
    auto frm = exportWindow();
    const QString dir = newDir(QStringLiteral("empty"));
    FPrompts->DirectoryAnswers = {dir};
    listExport(*frm, {4, 0, 2});
    QCOMPARE(FPrompts->Asked, QStringList{QStringLiteral("directory ") +
                                          QDir::toNativeSeparators(QDir::rootPath())});
    QVERIFY(FPrompts->Errors.isEmpty());
    QCOMPARE(QDir(dir).entryList(QDir::Files, QDir::Name),
             (QStringList{ExportNames[2], ExportNames[4], ExportNames[0]}));
    for (int row : {0, 2, 4})
      QCOMPARE(readBytes(exportTarget(dir, ExportNames[row])), exportText(row));
    QCOMPARE(frm->selectedRows(), (QList<int>{0, 2, 4}));

    // Select All in the list, then export: every object of the file.
    const QString all = newDir(QStringLiteral("all"));
    FPrompts->DirectoryAnswers = {all};
    runAction(*frm, frm->lvwMain, frm->actEditSelectAllTreeView);
    runAction(*frm, frm->lvwMain, frm->actFileExportListView);
    QCOMPARE(QDir(all).entryList(QDir::Files).size(), 5);
    for (int row = 0; row < 5; ++row)
      QCOMPARE(readBytes(exportTarget(all, ExportNames[row])), exportText(row));

    // Cancelled chooser, which starts at the last export's folder: nothing
    // written, nothing asked after it.
    FPrompts->Asked.clear();
    FPrompts->DirectoryAnswers = {std::nullopt};
    listExport(*frm, {0, 1});
    QCOMPARE(FPrompts->Asked,
             QStringList{QStringLiteral("directory ") + QDir::toNativeSeparators(all)});
  }

  void exportOverwriteAnswers_data() {
    QTest::addColumn<QList<TOverwriteAnswer>>("answers");
    QTest::addColumn<QStringList>("asked");     // export names, in order
    QTest::addColumn<QStringList>("contents");  // per row: new, old or missing
    using A = TOverwriteAnswer;
    const QString t = ExportNames[0], f = ExportNames[2], p = ExportNames[4];
    QTest::newRow("yes, no, yes") << QList<A>{A::oaYes, A::oaNo, A::oaYes} << QStringList{t, f, p}
                                  << QStringList{"new", "new", "old", "new", "new"};
    QTest::newRow("yes to all first") << QList<A>{A::oaYesToAll} << QStringList{t}
                                      << QStringList{"new", "new", "new", "new", "new"};
    QTest::newRow("no, then yes to all") << QList<A>{A::oaNo, A::oaYesToAll} << QStringList{t, f}
                                         << QStringList{"old", "new", "new", "new", "new"};
    QTest::newRow("cancel on the second") << QList<A>{A::oaYes, A::oaCancel} << QStringList{t, f}
                                          << QStringList{"new", "new", "old", "missing", "old"};
    QTest::newRow("cancel on the first") << QList<A>{A::oaCancel} << QStringList{t}
                                         << QStringList{"old", "missing", "old", "missing", "old"};
  }

  void exportOverwriteAnswers() {
    QFETCH(QList<TOverwriteAnswer>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, contents);
    auto frm = exportWindow();
    const QString dir = newDir(QStringLiteral("existing"));
    for (int row : {0, 2, 4})
      writeFile(*FDir, QStringLiteral("existing/") + ExportNames[row], "old");
    FPrompts->DirectoryAnswers = {dir};
    FPrompts->OverwriteAnswers.assign(answers.begin(), answers.end());
    listExport(*frm, {0, 1, 2, 3, 4});

    QStringList expected{QStringLiteral("directory ") + QDir::toNativeSeparators(QDir::rootPath())};
    for (const QString& name : asked)
      expected << QStringLiteral("overwrite ") + exportTarget(dir, name);
    QCOMPARE(FPrompts->Asked, expected);
    for (int row = 0; row < 5; ++row) {
      const std::string bytes = readBytes(exportTarget(dir, ExportNames[row]));
      const QString& want = contents[row];
      QCOMPARE(bytes, want == "new" ? exportText(row) : want == "old" ? "old" : "<missing>");
    }
  }

  void exportDuplicateNamesAsks_data() {
    QTest::addColumn<TOverwriteAnswer>("answer");
    QTest::addColumn<int>("kept");
    QTest::newRow("yes") << TOverwriteAnswer::oaYes << 1;
    QTest::newRow("no") << TOverwriteAnswer::oaNo << 0;
  }

  void exportDuplicateNamesAsks() {
    QFETCH(TOverwriteAnswer, answer);
    QFETCH(int, kept);
    const std::vector<TTestObject> objects = {{"Table 18 One", "{ first }\r\n"},
                                              {"Table 18 Two", "{ second }\r\n"},
                                              {"Table 19 Three", "{ third }\r\n"}};
    auto frm = openWindow(objectText(objects));
    const QString dir = newDir(QStringLiteral("dups"));
    FPrompts->DirectoryAnswers = {dir};
    FPrompts->OverwriteAnswers = {answer};
    listExport(*frm, {0, 1, 2});
    QCOMPARE(FPrompts->Asked,
             (QStringList{QStringLiteral("directory ") + QDir::toNativeSeparators(QDir::rootPath()),
                          QStringLiteral("overwrite ") + exportTarget(dir, "tab18.txt")}));
    QCOMPARE(readBytes(exportTarget(dir, "tab18.txt")), objectText({objects[std::size_t(kept)]}));
    QCOMPARE(readBytes(exportTarget(dir, "tab19.txt")), objectText({objects[2]}));
  }

  void exportCreatesNestedDirectory() {
    auto frm = exportWindow();
    const QString dir = QDir(FDir->path()).filePath(QStringLiteral("new/nested/deeper"));
    FPrompts->DirectoryAnswers = {dir};
    listExport(*frm, {1, 3});
    QVERIFY(FPrompts->Errors.isEmpty());
    QCOMPARE(readBytes(exportTarget(dir, ExportNames[1])), exportText(1));
    QCOMPARE(readBytes(exportTarget(dir, ExportNames[3])), exportText(3));
  }

  void exportFailures_data() {
    QTest::addColumn<QString>("case_");
    QTest::addColumn<QString>("error");        // start of the message
    QTest::addColumn<QStringList>("written");  // export names that exist afterwards
    QTest::newRow("empty directory name") << "empty"
                                          << "Unable to create directory." << QStringList();
    QTest::newRow("parent is a file") << "file"
                                      << "Cannot create file \"" << QStringList();
    QTest::newRow("directory in the way")
        << "dir"
        << "Cannot create file \"" << QStringList{ExportNames[0], ExportNames[1]};
  }

  void exportFailures() {
    QFETCH(QString, case_);
    QFETCH(QString, error);
    QFETCH(QStringList, written);
    auto frm = exportWindow();
    QString dir = newDir(QStringLiteral("target"));
    if (case_ == "empty") dir.clear();
    if (case_ == "file")
      dir = QDir(writeFile(*FDir, QStringLiteral("plain-file"), "x")).filePath("sub");
    if (case_ == "dir") QDir(dir).mkdir(ExportNames[2]);
    FPrompts->DirectoryAnswers = {dir};
    listExport(*frm, {0, 1, 2, 3});
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY2(FPrompts->Errors[0].startsWith(error), qPrintable(FPrompts->Errors[0]));
    QVERIFY(!QGuiApplication::overrideCursor());
    if (!dir.isEmpty()) {
      QCOMPARE(QDir(dir).entryList(QDir::Files, QDir::Name), [&] {
        QStringList sorted = written;
        sorted.sort();
        return sorted;
      }());
      for (int row = 0; row < written.size(); ++row)
        QCOMPARE(readBytes(exportTarget(dir, ExportNames[row])), exportText(row));
    }

    // A single export below a regular file fails the same way.
    FPrompts->Errors.clear();
    FPrompts->SaveAnswers = {
        QDir(writeFile(*FDir, QStringLiteral("another-file"), "x")).filePath("tab18.txt")};
    showObject(*frm, 0);
    runAction(*frm, frm->tvwMain, frm->actFileExportTreeView);
    QCOMPARE(FPrompts->Errors.size(), 1);
    QVERIFY(FPrompts->Errors[0].startsWith(QStringLiteral("Cannot create file \"")));
  }

  void exportNeverReplacesLoadedFile() {
    // The loaded file bears the export name of its own first object.
    const std::string original = objectText(ExportSample);
    auto frm = openWindow(original, QStringLiteral("tab18.txt"));
    const QString loaded = QDir(FDir->path()).filePath(QStringLiteral("tab18.txt"));

    FPrompts->SaveAnswers = {loaded};
    showObject(*frm, 0);
    runAction(*frm, frm->tvwMain, frm->actFileExportTreeView);
    FPrompts->DirectoryAnswers = {FDir->path()};
    FPrompts->OverwriteAnswers = {TOverwriteAnswer::oaYesToAll};
    listExport(*frm, {0, 1});

    QCOMPARE(FPrompts->Errors.size(), 2);
    for (const QString& message : FPrompts->Errors)
      QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"")), qPrintable(message));
    // The failure ends the export before the next object.
    QVERIFY(!QFileInfo::exists(exportTarget(FDir->path(), ExportNames[1])));
    showObject(*frm, 4);
    QCOMPARE(frm->memMain->bytes(), exportText(4));
    frm.reset();  // Windows lets nobody read the file the window holds
    QCOMPARE(readBytes(loaded), original);
  }

  // ---- Copy and Select All

  void copy_data() {
    QTest::addColumn<int>("objIndex");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");  // 0: no selection
    QTest::newRow("whole text, high bytes, CR LF") << 0 << 0 << 0;
    QTest::newRow("selection across CR LF and high bytes") << 0 << 20 << 25;
    QTest::newRow("whole text, LF") << 1 << 5 << 0;
    QTest::newRow("selection across CR") << 2 << 30 << 6;
  }

  void copy() {
    QFETCH(int, objIndex);
    QFETCH(int, start);
    QFETCH(int, length);
    auto frm = exportWindow();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    showObject(*frm, objIndex);
    frm->memMain->selectBytes(start, length);
    const std::string text = exportText(objIndex);
    const std::string expected =
        length ? text.substr(std::size_t(start), std::size_t(length)) : text;
    runAction(*frm, frm->tvwMain, frm->actEditCopyTreeView);
    QVERIFY(FPrompts->Errors.isEmpty());
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, oem::toQString(expected));
    if (objIndex == 0 && length == 0) {
      QVERIFY(copied.contains(QStringLiteral("\r\n")));
      QVERIFY(copied.contains(QStringLiteral("\u00fc\u00dc\u00df")));
    }
    QCOMPARE(frm->memMain->selStart(), start);
    QCOMPARE(frm->memMain->selLength(), length);
  }

  void selectAllByActiveControl_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("node");
    QTest::addColumn<bool>("rowsSelected");
    QTest::addColumn<bool>("textSelected");
    QTest::newRow("list") << "list" << 0 << true << false;
    QTest::newRow("text pane") << "text" << 3 << false << true;
    QTest::newRow("tree, root") << "tree" << 0 << true << false;
    QTest::newRow("tree, object") << "tree" << 3 << false << true;
    QTest::newRow("nothing focused") << "none" << 3 << false << false;
  }

  void selectAllByActiveControl() {
    QFETCH(QString, focus);
    QFETCH(int, node);
    QFETCH(bool, rowsSelected);
    QFETCH(bool, textSelected);
    auto frm = exportWindow();
    // The text pane keeps an object's text also while the list is shown.
    showObject(*frm, 2);
    frm->selectNode(node);
    waitForTreeChange(*frm);
    QWidget* control = focus == "list"   ? static_cast<QWidget*>(frm->lvwMain)
                       : focus == "text" ? static_cast<QWidget*>(frm->memMain)
                       : focus == "tree" ? static_cast<QWidget*>(frm->tvwMain)
                                         : nullptr;
    if (control) {
      control->setFocus();
    } else if (QWidget* focused = frm->focusWidget()) {
      focused->clearFocus();
    }
    runAction(*frm, nullptr, frm->actEditSelectAllTreeView);
    QCOMPARE(frm->activeControl(), control);
    QCOMPARE(frm->selectedRows().size(), rowsSelected ? 5 : 0);
    const auto size = std::int32_t(frm->memMain->bytes().size());
    QVERIFY(size > 0);
    QCOMPARE(frm->memMain->selLength(), textSelected ? size : 0);
    QCOMPARE(frm->selectedNode(), node);
  }
};

QTEST_MAIN(TestFindExport)
#include "tst_findexport.moc"
