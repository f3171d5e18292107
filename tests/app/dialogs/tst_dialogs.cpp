// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>

#include "dirchooser.h"
#include "finddialog.h"
#include "fontfaces.h"
#include "mergedialog.h"
#include "overwritebox.h"

namespace {

// The dialogs under test run their own modal loops; this acts on the next one
// of type T from inside it.
template <typename T>
void WhenModal(std::function<void(T*)> action) {
  auto* timer = new QTimer(qApp);
  QElapsedTimer clock;
  clock.start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, action] {
    T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    if (modal && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    } else if (clock.hasExpired(5000)) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
}

QStringList ButtonsLeftToRight(const QWidget* parent) {
  QList<QPushButton*> buttons = parent->findChildren<QPushButton*>();
  std::sort(buttons.begin(), buttons.end(), [parent](QPushButton* a, QPushButton* b) {
    return a->mapTo(parent, QPoint()).x() < b->mapTo(parent, QPoint()).x();
  });
  QStringList texts;
  for (QPushButton* button : buttons)
    if (button->isVisible()) texts << button->text();
  return texts;
}

QPushButton* ButtonWithText(const QWidget* parent, const QString& text) {
  for (QPushButton* button : parent->findChildren<QPushButton*>())
    if (button->text() == text) return button;
  return nullptr;
}

// A key, a close, or the caption of the button to press.
void Answer(QMessageBox* box, const QString& press) {
  if (press == "<Escape>")
    QTest::keyClick(box, Qt::Key_Escape);
  else if (press == "<Enter>")
    QTest::keyClick(box, Qt::Key_Return);
  else if (press == "<Close>")
    box->close();
  else if (QPushButton* button = ButtonWithText(box, press))
    button->click();
  else
    box->close();
}

struct TBoxView {
  QString Title;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QString Text;
  Qt::TextFormat Format = Qt::AutoText;
  QStringList Buttons;
  QString Default;
  QPoint Centre;
};

TBoxView Inspect(QMessageBox* box) {
  return {box->windowTitle(),
          box->icon(),
          box->text(),
          box->textFormat(),
          ButtonsLeftToRight(box),
          box->defaultButton() ? box->defaultButton()->text() : QString(),
          box->geometry().center()};
}

QPushButton* OkButton(TDirectoryChooser* chooser) {
  return chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

QLineEdit* DirectoryEdit(TDirectoryChooser* chooser) {
  return chooser->findChild<QLineEdit*>();
}

QString Native(const QString& path) {
  return QDir::toNativeSeparators(QDir::cleanPath(path));
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

 private slots:
  void findDialogOffersOnlyTextMatchCaseFindNextAndCancel();
  void findNextIsOfferedOnlyWithText();
  void findTextKeepsAtMost255Characters_data();
  void findTextKeepsAtMost255Characters();
  void findIsSignalledByButtonAndEnter_data();
  void findIsSignalledByButtonAndEnter();
  void findDialogKeepsTheFocusAfterASearch();
  void findDialogCloses_data();
  void findDialogCloses();
  void findDialogReopensWhereItWasClosed();
  void showOrRaiseLeavesAnOpenDialogAsItIs();

  void overwriteBoxShowsTheQuestion();
  void overwriteBoxAnswers_data();
  void overwriteBoxAnswers();
  void createDirectoryBoxShowsTheQuestion();
  void createDirectoryBoxAnswers_data();
  void createDirectoryBoxAnswers();

  void chooserStartsAtTheGivenDirectory();
  void chooserTakesTypedDirectories_data();
  void chooserTakesTypedDirectories();
  void chooserNoKeepsItOpenAndCancelReturnsNothing();
  void chooserAsksWithTheRealConfirmBox();

  void fontDialogStartsOnTheStyleTheFontShows();

  void mergeDialogGivesItsThreePathsOnlyWhenAllAreGiven();
};

void TestDialogs::findDialogOffersOnlyTextMatchCaseFindNextAndCancel() {
  TFindDialog dialog;
  dialog.ShowOrRaise();
  QCOMPARE(dialog.windowTitle(), "Find");
  QVERIFY(!dialog.isModal());
  QCOMPARE(dialog.findChild<QLabel*>()->text(), "Fi&nd what:");
  QCOMPARE(dialog.findChildren<QLineEdit*>().size(), 1);
  QCOMPARE(dialog.findChild<QLineEdit*>()->maxLength(), 255);
  QCOMPARE(dialog.findChildren<QCheckBox*>().size(), 1);
  QCOMPARE(dialog.findChild<QCheckBox*>()->text(), "Match &case");
  QVERIFY(dialog.findChildren<QRadioButton*>().isEmpty());
  QCOMPARE(ButtonsLeftToRight(&dialog).size(), 2);
  QPushButton* findNext = ButtonWithText(&dialog, "&Find Next");
  QVERIFY(findNext);
  QVERIFY(findNext->isDefault());
  QVERIFY(!findNext->isEnabled());
  QVERIFY(ButtonWithText(&dialog, "Cancel"));
  QTRY_VERIFY(dialog.findChild<QLineEdit*>()->hasFocus());
}

void TestDialogs::findNextIsOfferedOnlyWithText() {
  TFindDialog dialog;
  dialog.ShowOrRaise();
  QPushButton* findNext = ButtonWithText(&dialog, "&Find Next");
  QLineEdit* edit = dialog.findChild<QLineEdit*>();
  QTest::keyClick(edit, Qt::Key_A);
  QVERIFY(findNext->isEnabled());
  QTest::keyClick(edit, Qt::Key_Backspace);
  QVERIFY(!findNext->isEnabled());
  dialog.SetFindText("object");
  QVERIFY(findNext->isEnabled());
  QCOMPARE(dialog.FindText(), "object");
  dialog.SetFindText(QString());
  QVERIFY(!findNext->isEnabled());
  dialog.SetMatchCase(true);
  QVERIFY(dialog.MatchCase());
  QVERIFY(dialog.findChild<QCheckBox*>()->isChecked());
}

void TestDialogs::findTextKeepsAtMost255Characters_data() {
  QTest::addColumn<bool>("typed");
  QTest::newRow("typed") << true;
  QTest::newRow("set") << false;
}

void TestDialogs::findTextKeepsAtMost255Characters() {
  QFETCH(bool, typed);
  TFindDialog dialog;
  dialog.ShowOrRaise();
  QString text;
  for (int i = 0; i < 300; ++i) text += QChar('a' + i % 26);
  if (typed)
    QTest::keyClicks(dialog.findChild<QLineEdit*>(), text);
  else
    dialog.SetFindText(text);
  QCOMPARE(dialog.FindText(), text.left(255));
}

void TestDialogs::findIsSignalledByButtonAndEnter_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("enter");
  QTest::addColumn<int>("finds");
  QTest::newRow("button") << "aa" << false << 1;
  QTest::newRow("enter") << "aa" << true << 1;
  QTest::newRow("button without text") << "" << false << 0;
  QTest::newRow("enter without text") << "" << true << 0;
}

void TestDialogs::findIsSignalledByButtonAndEnter() {
  QFETCH(QString, text);
  QFETCH(bool, enter);
  QFETCH(int, finds);
  TFindDialog dialog;
  dialog.ShowOrRaise();
  dialog.SetFindText(text);
  dialog.SetMatchCase(true);
  QSignalSpy spy(&dialog, &TFindDialog::Find);
  if (enter)
    QTest::keyClick(dialog.findChild<QLineEdit*>(), Qt::Key_Return);
  else
    QTest::mouseClick(ButtonWithText(&dialog, "&Find Next"), Qt::LeftButton);
  QCOMPARE(spy.count(), finds);
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.FindText(), text);
  QVERIFY(dialog.MatchCase());
}

void TestDialogs::findDialogKeepsTheFocusAfterASearch() {
  QWidget window;
  window.resize(500, 400);
  window.show();
  TFindDialog dialog(&window);
  // The search selects in the window behind, which may try to take the focus.
  connect(&dialog, &TFindDialog::Find, &window, [&window] { window.activateWindow(); });
  dialog.ShowOrRaise();
  QTRY_VERIFY(dialog.isActiveWindow());
  dialog.SetFindText("x");
  QTest::keyClick(dialog.findChild<QLineEdit*>(), Qt::Key_Return);
  QTest::qWait(50);
  QVERIFY(dialog.isVisible());
  QTRY_VERIFY(dialog.isActiveWindow());
}

void TestDialogs::findDialogCloses_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("cancel") << "cancel";
  QTest::newRow("escape") << "escape";
  QTest::newRow("close") << "close";
}

void TestDialogs::findDialogCloses() {
  QFETCH(QString, how);
  TFindDialog dialog;
  dialog.ShowOrRaise();
  dialog.SetFindText("kept");
  QSignalSpy spy(&dialog, &TFindDialog::Find);
  if (how == "cancel")
    ButtonWithText(&dialog, "Cancel")->click();
  else if (how == "escape")
    QTest::keyClick(dialog.findChild<QLineEdit*>(), Qt::Key_Escape);
  else
    dialog.close();
  QVERIFY(!dialog.isVisible());
  QCOMPARE(spy.count(), 0);
  dialog.ShowOrRaise();
  QCOMPARE(dialog.FindText(), "kept");
}

void TestDialogs::findDialogReopensWhereItWasClosed() {
  QWidget window;
  window.setGeometry(20, 20, 500, 400);
  window.show();
  TFindDialog dialog(&window);
  dialog.ShowOrRaise();
  // Moved the way the user drags it, not by the program.
  dialog.windowHandle()->setFramePosition(QPoint(137, 91));
  QTRY_COMPARE(dialog.pos(), QPoint(137, 91));
  ButtonWithText(&dialog, "Cancel")->click();
  // Placing it afresh over the moved window would put it elsewhere.
  window.move(260, 180);
  dialog.ShowOrRaise();
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.pos(), QPoint(137, 91));
}

void TestDialogs::showOrRaiseLeavesAnOpenDialogAsItIs() {
  TFindDialog dialog;
  dialog.ShowOrRaise();
  dialog.SetFindText("abc");
  dialog.move(60, 70);
  QTRY_COMPARE(dialog.pos(), QPoint(60, 70));
  QLineEdit* edit = dialog.findChild<QLineEdit*>();
  edit->setCursorPosition(1);
  dialog.ShowOrRaise();
  QVERIFY(dialog.isVisible());
  QCOMPARE(dialog.pos(), QPoint(60, 70));
  QCOMPARE(dialog.FindText(), "abc");
  QCOMPARE(edit->cursorPosition(), 1);
  QVERIFY(!edit->hasSelectedText());
}

void TestDialogs::overwriteBoxShowsTheQuestion() {
  QWidget window;
  window.setGeometry(0, 0, 200, 120);
  window.show();
  TBoxView seen;
  WhenModal<QMessageBox>([&seen](QMessageBox* box) {
    seen = Inspect(box);
    box->close();
  });
  AskOverwriteBox(&window, "/out/<b>tab18.txt");
  QCOMPARE(seen.Title, "Warning");
  QCOMPARE(seen.Icon, QMessageBox::Warning);
  QCOMPARE(seen.Text, "/out/<b>tab18.txt already exists.\nDo you want to replace it?");
  QCOMPARE(seen.Format, Qt::PlainText);
  QCOMPARE(seen.Buttons, QStringList({"&Yes", "&No", "Cancel", "Yes to &All"}));
  QCOMPARE(seen.Default, "&Yes");
  const QPoint screenCentre = window.screen()->availableGeometry().center();
  QVERIFY2((seen.Centre - screenCentre).manhattanLength() <= 2,
           qPrintable(QString("box centred at %1,%2").arg(seen.Centre.x()).arg(seen.Centre.y())));
}

void TestDialogs::overwriteBoxAnswers_data() {
  QTest::addColumn<QString>("press");
  QTest::addColumn<TOverwriteAnswer>("answer");
  QTest::newRow("yes") << "&Yes" << TOverwriteAnswer::oaYes;
  QTest::newRow("no") << "&No" << TOverwriteAnswer::oaNo;
  QTest::newRow("cancel") << "Cancel" << TOverwriteAnswer::oaCancel;
  QTest::newRow("yes to all") << "Yes to &All" << TOverwriteAnswer::oaYesToAll;
  QTest::newRow("enter") << "<Enter>" << TOverwriteAnswer::oaYes;
  QTest::newRow("escape") << "<Escape>" << TOverwriteAnswer::oaCancel;
  QTest::newRow("close") << "<Close>" << TOverwriteAnswer::oaCancel;
}

void TestDialogs::overwriteBoxAnswers() {
  QFETCH(QString, press);
  QFETCH(TOverwriteAnswer, answer);
  WhenModal<QMessageBox>([press](QMessageBox* box) { Answer(box, press); });
  QCOMPARE(AskOverwriteBox(nullptr, "tab18.txt"), answer);
}

void TestDialogs::createDirectoryBoxShowsTheQuestion() {
  TBoxView seen;
  WhenModal<QMessageBox>([&seen](QMessageBox* box) {
    seen = Inspect(box);
    box->close();
  });
  AskCreateDirectoryBox(nullptr);
  QCOMPARE(seen.Title, "Confirm");
  QCOMPARE(seen.Icon, QMessageBox::Question);
  QCOMPARE(seen.Text, "The specified directory does not exist. Create it?");
  QCOMPARE(seen.Buttons, QStringList({"&Yes", "&No"}));
  QCOMPARE(seen.Default, "&Yes");
}

void TestDialogs::createDirectoryBoxAnswers_data() {
  QTest::addColumn<QString>("press");
  QTest::addColumn<bool>("create");
  QTest::newRow("yes") << "&Yes" << true;
  QTest::newRow("no") << "&No" << false;
  QTest::newRow("enter") << "<Enter>" << true;
  QTest::newRow("escape") << "<Escape>" << false;
  QTest::newRow("close") << "<Close>" << false;
}

void TestDialogs::createDirectoryBoxAnswers() {
  QFETCH(QString, press);
  QFETCH(bool, create);
  WhenModal<QMessageBox>([press](QMessageBox* box) { Answer(box, press); });
  QCOMPARE(AskCreateDirectoryBox(nullptr), create);
}

void TestDialogs::chooserStartsAtTheGivenDirectory() {
  QTemporaryDir root;
  QString shown;
  WhenModal<TDirectoryChooser>([&shown](TDirectoryChooser* chooser) {
    shown = DirectoryEdit(chooser)->text();
    chooser->reject();
  });
  QCOMPARE(ChooseDirectoryDialog(nullptr, root.path(), [](QWidget*) { return true; }),
           std::nullopt);
  QCOMPARE(shown, Native(root.path()));
}

void TestDialogs::chooserTakesTypedDirectories_data() {
  // Typed paths starting with "@" are taken below the start directory.
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<int>("questions");
  QTest::addColumn<bool>("created");
  // clang-format off
  QTest::newRow("existing")              << "@/there"     << "@/there"     << 0 << true;
  QTest::newRow("new nested")            << "@/a/b/c"     << "@/a/b/c"     << 1 << true;
  QTest::newRow("relative to the start") << "rel/x"       << "@/rel/x"     << 1 << true;
  QTest::newRow("trailing separator")    << "@/new/"      << "@/new"       << 1 << true;
  QTest::newRow("empty")                 << ""            << ""            << 0 << false;
  // Creation fails without a message of its own; the first write will tell.
  QTest::newRow("below a regular file")  << "@/plain/sub" << "@/plain/sub" << 1 << false;
  // clang-format on
}

void TestDialogs::chooserTakesTypedDirectories() {
  QFETCH(QString, typed);
  QFETCH(QString, chosen);
  QFETCH(int, questions);
  QFETCH(bool, created);
  QTemporaryDir root;
  QVERIFY(QDir(root.path()).mkdir("there"));
  QFile plain(root.filePath("plain"));
  QVERIFY(plain.open(QIODevice::WriteOnly));
  plain.close();
  typed.replace("@", root.path());
  chosen.replace("@", root.path());

  WhenModal<TDirectoryChooser>([typed](TDirectoryChooser* chooser) {
    DirectoryEdit(chooser)->setText(QDir::toNativeSeparators(typed));
    QTest::mouseClick(OkButton(chooser), Qt::LeftButton);
  });
  int asked = 0;
  const std::optional<QString> result =
      ChooseDirectoryDialog(nullptr, root.path(), [&asked](QWidget*) {
        ++asked;
        return true;
      });
  QVERIFY(result);
  QCOMPARE(*result, chosen.isEmpty() ? QString() : Native(chosen));
  QCOMPARE(asked, questions);
  if (!chosen.isEmpty()) QCOMPARE(QFileInfo(chosen).isDir(), created);
}

void TestDialogs::chooserNoKeepsItOpenAndCancelReturnsNothing() {
  QTemporaryDir root;
  const QString typed = root.filePath("a/b");
  bool openAfterNo = false;
  WhenModal<TDirectoryChooser>([&](TDirectoryChooser* chooser) {
    DirectoryEdit(chooser)->setText(typed);
    OkButton(chooser)->click();
    openAfterNo = chooser->isVisible() && DirectoryEdit(chooser)->text() == typed &&
                  !QFileInfo::exists(typed);
    chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  int asked = 0;
  QCOMPARE(ChooseDirectoryDialog(nullptr, root.path(),
                                 [&asked](QWidget*) {
                                   ++asked;
                                   return false;
                                 }),
           std::nullopt);
  QVERIFY(openAfterNo);
  QCOMPARE(asked, 1);
  QVERIFY(!QFileInfo::exists(root.filePath("a")));
}

void TestDialogs::chooserAsksWithTheRealConfirmBox() {
  QTemporaryDir root;
  const QString typed = root.filePath("x/y/z");
  TBoxView seen;
  bool openAfterNo = false;
  WhenModal<TDirectoryChooser>([&](TDirectoryChooser* chooser) {
    DirectoryEdit(chooser)->setText(typed);
    WhenModal<QMessageBox>([&seen](QMessageBox* box) {
      seen = Inspect(box);
      Answer(box, "&No");
    });
    OkButton(chooser)->click();
    openAfterNo = chooser->isVisible() && !QFileInfo::exists(root.filePath("x"));
    WhenModal<QMessageBox>([](QMessageBox* box) { Answer(box, "&Yes"); });
    OkButton(chooser)->click();
  });
  const std::optional<QString> result = ChooseDirectoryDialog(nullptr, root.path());
  QCOMPARE(seen.Title, "Confirm");
  QCOMPARE(seen.Text, "The specified directory does not exist. Create it?");
  QVERIFY(openAfterNo);
  QCOMPARE(result, std::optional<QString>(Native(typed)));
  QVERIFY(QFileInfo(typed).isDir());
}

void TestDialogs::fontDialogStartsOnTheStyleTheFontShows() {
  // A regular face with Oblique among its styles, whose regular style is not
  // called "Normal" ("Book").
  const QFont current(QStringLiteral("DejaVu Sans"), 10);
  if (QFontInfo(current).family() != QStringLiteral("DejaVu Sans")) QSKIP("no DejaVu Sans");
  QFontDialog dialog(fontForDialog(current));
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  QVERIFY(!dialog.currentFont().italic());
  QVERIFY(!dialog.currentFont().bold());
  QCOMPARE(dialog.currentFont().pointSize(), 10);
}

void TestDialogs::mergeDialogGivesItsThreePathsOnlyWhenAllAreGiven() {
  bool okWithTwo = true;
  WhenModal<TMergeDialog>([&](TMergeDialog* dialog) {
    QCOMPARE(dialog->findChildren<QLineEdit*>().size(), 3);
    QCOMPARE(ButtonsLeftToRight(dialog).count(QStringLiteral("Browse...")), 3);
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    dialog->path(0)->setText(QStringLiteral("o.txt"));
    dialog->path(2)->setText(QStringLiteral("t.txt"));
    okWithTwo = ok->isEnabled();
    dialog->path(1)->setText(QStringLiteral("m.txt"));
    ok->click();
  });
  QCOMPARE(AskMergeInputsDialog(nullptr).value_or(QStringList()),
           QStringList({"o.txt", "m.txt", "t.txt"}));
  QVERIFY(!okWithTwo);
  WhenModal<TMergeDialog>([](TMergeDialog* dialog) { dialog->reject(); });
  QCOMPARE(AskMergeInputsDialog(nullptr), std::nullopt);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
