// SPDX-License-Identifier: MIT
// The window as a keyboard and desktop user meets it: keys the views leave to
// the actions, the menu keys, the list's first move, long tree captions, the
// caption after a failed open, drops, the save dialog's folder check, font
// substitutes and the search kept in the settings file.
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "finddialog.h"
#include "mainform.h"
#include "oemcodepage.h"
#include "savedialog.h"
#include "scriptedprompts.h"
#include "settingsfile.h"
#include "testfiles.h"

namespace {

const std::vector<TTestObject> ThreeObjects = {
    {"Table 18 Customer", "{\r\n  Customer body\r\n}\r\n"},
    {"Codeunit 80 Sales-Post", "{\r\n  Posting\r\n}\r\n"},
    {"Page 22 Customer List", "{\r\n  Last one\r\n}\r\n"},
};

// Closes the next message box from inside its own loop, keeping its text.
void closeNextMessageBox(QString* text) {
  QTimer::singleShot(0, qApp, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return closeNextMessageBox(text);
    *text = box->text();
    box->close();
  });
}

}  // namespace

class TestFidelity : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  std::unique_ptr<TScriptedPrompts> FPrompts;

  std::unique_ptr<TfrmMain> openedWindow(const std::vector<TTestObject>& objects = ThreeObjects) {
    auto frm = std::make_unique<TfrmMain>(*FPrompts, QStringList());
    frm->show();
    frm->activateWindow();
    if (!QTest::qWaitForWindowActive(frm.get())) qWarning("window not active");
    frm->OpenFile(writeFile(FDir, QStringLiteral("objects.txt"), objectText(objects)));
    if (!QTest::qWaitFor([&] { return !frm->treeChangePending(); })) qWarning("tree change waits");
    frm->tvwMain->setFocus();
    return frm;
  }

 private slots:
  void init() {
    QFile::remove(settingsPath());
    FPrompts = std::make_unique<TScriptedPrompts>();
  }
  void cleanup() { QFile::remove(settingsPath()); }

  void disabledCopyLeavesTheClipboardAlone() {
    auto frm = openedWindow();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(frm->tvwMain, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(frm->tvwMain, Qt::Key_Tab);
    QVERIFY(frm->lvwMain->hasFocus());
    QTest::keyClick(frm->lvwMain, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    // Copy enabled: the action copies the object's text, not the caption.
    frm->tvwMain->setFocus();
    frm->selectNode(2);
    QTRY_VERIFY(!frm->treeChangePending());
    QTest::keyClick(frm->tvwMain, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), oem::toQString(objectText({ThreeObjects[1]})));
  }

  void f10EntersTheMenuBarAndShiftF10OpensThePopup() {
    auto frm = openedWindow();
    QTest::keyClick(frm->tvwMain, Qt::Key_F10);
    QTRY_VERIFY(frm->ActionMainMenuBar1->hasFocus());
    QCOMPARE(frm->ActionMainMenuBar1->activeAction(), frm->mnuFile->menuAction());
    QVERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(frm->ActionMainMenuBar1, Qt::Key_Escape);

    frm->lvwMain->setFocus();
    const QModelIndex row = frm->lvwMain->model()->index(2, 0);
    frm->lvwMain->setCurrentIndex(row);
    QTest::keyClick(frm->lvwMain, Qt::Key_F10, Qt::ShiftModifier);
    QTRY_VERIFY(frm->pumListView()->isVisible());
    const QPoint at = frm->lvwMain->viewport()->mapToGlobal(frm->lvwMain->visualRect(row).center());
    QVERIFY((frm->pumListView()->pos() - at).manhattanLength() < 4);
    frm->pumListView()->close();
  }

  void firstMoveInTheListSelectsTheFirstRow_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("down") << int(Qt::Key_Down);
    QTest::newRow("space") << int(Qt::Key_Space);
  }
  void firstMoveInTheListSelectsTheFirstRow() {
    QFETCH(int, key);
    auto frm = openedWindow();
    QTest::keyClick(frm->tvwMain, Qt::Key_Tab);
    QVERIFY(frm->lvwMain->hasFocus());
    QTest::keyClick(frm->lvwMain, Qt::Key(key));
    QCOMPARE(frm->selectedRows(), QList<int>{0});
    QTest::keyClick(frm->lvwMain, Qt::Key_Down);
    QCOMPARE(frm->selectedRows(), QList<int>{1});
  }

  void longCaptionsScrollInsteadOfBeingCut() {
    const std::string name(150, 'W');
    auto frm = openedWindow({{"Table 1 " + name, "{\r\n}\r\n"}});
    frm->splMain->setSizes({120, 600});
    const QString caption = frm->treeModel().nodeIndex(1).data().toString();
    QTRY_VERIFY(frm->tvwMain->horizontalScrollBar()->maximum() > 0);
    QVERIFY(frm->tvwMain->columnWidth(0) >= frm->tvwMain->fontMetrics().horizontalAdvance(caption));
  }

  void theWidestCaptionFarDownTheTreeSetsItsWidth() {
    std::vector<TTestObject> objects;
    for (int i = 1; i <= 3000; ++i) objects.push_back({"Table " + std::to_string(i) + " T", ""});
    objects[2500] = {"Codeunit 2501 " + std::string(30, 'W'), ""};
    auto frm = openedWindow(objects);
    const QString caption = frm->treeModel().nodeIndex(2501).data().toString();
    QTRY_VERIFY(frm->tvwMain->columnWidth(0) >=
                frm->tvwMain->fontMetrics().horizontalAdvance(caption));
    // Collapsed, the tree needs only the root's room.
    frm->tvwMain->collapse(frm->treeModel().nodeIndex(0));
    QTRY_VERIFY(frm->tvwMain->columnWidth(0) <
                frm->tvwMain->fontMetrics().horizontalAdvance(caption));
    // Expanded again in a larger font, the caption still fits.
    frm->tvwMain->expand(frm->treeModel().nodeIndex(0));
    QFont larger = frm->tvwMain->font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    frm->tvwMain->setFont(larger);
    QTRY_VERIFY(frm->tvwMain->columnWidth(0) >= QFontMetrics(larger).horizontalAdvance(caption));
  }

  void failedOpenLeavesTheCaptionOfAWindowWithoutFile() {
    auto frm = openedWindow();
    QCOMPARE(frm->windowTitle(), QStringLiteral("objects.txt - Marlox"));
    QVERIFY_THROWS_EXCEPTION(std::exception, frm->OpenFile(FDir.filePath("missing.txt")));
    QCOMPARE(frm->windowTitle(), QStringLiteral("Marlox"));
    QCOMPARE(frm->statusText(), QStringLiteral("Reading File..."));
  }

  void dropsAreAlwaysCopies() {
    auto frm = openedWindow();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(
        writeFile(FDir, QStringLiteral("dropped.txt"), objectText(ThreeObjects)))});
    const QPointF centre = QRectF(frm->rect()).center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(centre.toPoint(), offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
    enter.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(frm.get(), &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(centre.toPoint(), offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
    move.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(frm.get(), &move);
    QCOMPARE(move.dropAction(), Qt::CopyAction);
    QDropEvent drop(centre, offered, &mime, Qt::LeftButton, Qt::ShiftModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(frm.get(), &drop);
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(frm->windowTitle(), QStringLiteral("dropped.txt - Marlox"));
  }

  void saveDialogRefusesAFolderThatDoesNotExist() {
    TSaveDialog dialog(nullptr, QStringLiteral("Export"), QStringLiteral("TAB18.TXT"),
                       QStringLiteral("NAV Object Text Files (*.txt);;All Files (*.*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(FDir.path());
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    const QString missing = FDir.filePath(QStringLiteral("no/such/TAB18.TXT"));
    name->setText(missing);
    QString message;
    closeNextMessageBox(&message);
    dialog.accept();
    QVERIFY2(message.contains(QStringLiteral("does not exist")), qPrintable(message));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    name->setText(FDir.filePath(QStringLiteral("TAB18.TXT")));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedFiles(), QStringList{FDir.filePath(QStringLiteral("TAB18.TXT"))});
  }

  // A face that is not installed: the views draw with a face of the right
  // kind, the dialogs open on it, and OK without a change keeps the name.
  void missingFacesFallBackToAFaceOfTheirKind() {
    writeSettings("[View]\r\nCodeFontName=Nowhere Mono\r\nListFontName=Nowhere Sans\r\n");
    {
      auto frm = openedWindow();
      const QString fixedFace =
          QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
      const QString sansFace =
          QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
      QCOMPARE(QFontInfo(frm->memMain->font()).family(), fixedFace);
      QCOMPARE(QFontInfo(frm->lvwMain->font()).family(), sansFace);
      QCOMPARE(QFontInfo(frm->tvwMain->font()).family(), sansFace);

      FPrompts->FontAnswers = {std::nullopt};
      frm->actViewFontMemo->trigger();
      const QFont offered = FPrompts->FontsOffered.last();
      QCOMPARE(offered.family(), fixedFace);
      FPrompts->FontAnswers = {offered};
      frm->actViewFontMemo->trigger();
      QCOMPARE(frm->memMain->font().family(), QStringLiteral("Nowhere Mono"));

      FPrompts->FontAnswers = {std::nullopt};
      frm->actViewFontTreeView->trigger();
      QCOMPARE(FPrompts->FontsOffered.last().family(), sansFace);
    }
    const QByteArray stored = readSettings();
    QVERIFY2(stored.contains("CodeFontName=Nowhere Mono\r\n"), stored.constData());
    QVERIFY2(stored.contains("ListFontName=Nowhere Sans\r\n"), stored.constData());
  }

  void settingsKeepWhatFindNextHandedOver() {
    writeSettings("[Find]\r\nFindText=first\r\nMatchCase=0\r\n");
    QString allHighBytes;
    for (int byte = 0x80; byte <= 0xFF; ++byte) allHighBytes += oem::toChar(uchar(byte));
    allHighBytes = QStringLiteral("<") + allHighBytes + QStringLiteral(">");
    {
      auto frm = openedWindow();
      // Typed but never searched: not stored.
      frm->dlgFind->SetFindText(QStringLiteral("typed only"));
      frm->dlgFind->SetMatchCase(true);
    }
    QVERIFY2(readSettings().contains("FindText=first\r\nMatchCase=0"), readSettings().constData());
    {
      auto frm = openedWindow();
      frm->dlgFind->SetFindText(allHighBytes);
      emit frm->dlgFind->Find();
      // No code-page form: the last storable text stays.
      frm->dlgFind->SetFindText(QStringLiteral("\u20acuro"));
      frm->dlgFind->SetMatchCase(true);
      emit frm->dlgFind->Find();
    }
    auto frm = openedWindow();
    QCOMPARE(frm->dlgFind->FindText(), allHighBytes);
    QVERIFY(frm->dlgFind->MatchCase());
  }
};

QTEST_MAIN(TestFidelity)
#include "tst_fidelity.moc"
