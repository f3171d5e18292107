// SPDX-License-Identifier: MIT
// The settings file beside the executable and the About message.
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "finddialog.h"
#include "mainform.h"
#include "scriptedprompts.h"
#include "settingsfile.h"

namespace {

class TMessagePrompts : public TScriptedPrompts {
 public:
  QStringList Titles;
  QStringList Texts;
  void ShowMessage(QWidget* parent, const QString& title, const QString& text) override {
    TScriptedPrompts::ShowMessage(parent, title, text);
    Titles << title;
    Texts << text;
  }
};

QRect primaryScreen() {
  return QGuiApplication::primaryScreen()->geometry();
}

}  // namespace

class TestSettings : public QObject {
  Q_OBJECT

  std::unique_ptr<TMessagePrompts> FPrompts;

  std::unique_ptr<TfrmMain> makeWindow() {
    return std::make_unique<TfrmMain>(*FPrompts, QStringList());
  }

 private slots:
  void init() {
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(settingsPath());
    FPrompts = std::make_unique<TMessagePrompts>();
  }
  void cleanup() {
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(settingsPath());
  }

  void settingsFileLiesBesideTheExecutable() {
    QCOMPARE(settingsPath(),
             QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/marlox.zup"));
  }

  void firstStartUsesTheDefaults() {
    auto frm = makeWindow();
    const QRect screen = primaryScreen();
    QCOMPARE(frm->width(), screen.width() / 2);
    QCOMPARE(frm->height(), screen.height() / 2);
    QCOMPARE(frm->x(), (screen.width() - frm->width()) / 2);
    QCOMPARE(frm->y(), (screen.height() - frm->height()) / 2);
    QCOMPARE(frm->splMain->sizes().value(0), frm->width() / 4);
    frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(frm.get()));
    QCOMPARE(frm->tvwMain->width(), frm->width() / 4);
    QCOMPARE(frm->memMain->font().family(), QString("Courier New"));
    QCOMPARE(frm->memMain->font().pointSize(), 9);
    QCOMPARE(frm->lvwMain->font().family(), QString("Tahoma"));
    QCOMPARE(frm->lvwMain->font().pointSize(), 8);
    QCOMPARE(frm->tvwMain->font(), frm->lvwMain->font());
    QCOMPARE(frm->dlgFind->FindText(), QString());
    QCOMPARE(frm->dlgFind->MatchCase(), false);
    QVERIFY(FPrompts->Errors.isEmpty());
  }

  void firstRunWithoutSearchesWritesEmptyFindText() {
    makeWindow().reset();
    const QByteArray content = readSettings();
    QVERIFY2(content.contains("\r\nFindText=\r\n"), content.constData());
    QVERIFY2(content.contains("\r\nMatchCase=0"), content.constData());
    QVERIFY(content.startsWith("[Window]\r\nWidth="));
    // A later run without searches writes back what it read.
    writeSettings("[Find]\r\nFindText=  \"Sales Line\"  \r\nMatchCase=1\r\n");
    makeWindow().reset();
    QVERIFY(readSettings().contains("[Find]\r\nFindText=Sales Line\r\nMatchCase=1\r\n"));
  }

  void everyKeyIsReadAndWrittenBack() {
    writeSettings(
        "; kept as it is\r\n[Window]\r\nWidth=0x280\r\nHeight=wide\r\nLeft=33\r\nTop=44\r\n"
        "[View]\r\nCodeFontName=DejaVu Sans Mono\r\nCodeFontSize=11\r\nCodeFontBold=2\r\n"
        "CodeFontItalic=256\r\nListFontName=DejaVu Sans\r\nListFontSize=10\r\n"
        "ListFontBold=0\r\nListFontItalic=1\r\nObjectListWidth=150\r\n"
        "[Find]\r\nFindText=needle\r\nMatchCase=2\r\n[Other]\r\nKey=value\r\n");
    auto frm = makeWindow();
    QCOMPARE(frm->width(), 640);
    QCOMPARE(frm->height(), primaryScreen().height() / 2);
    QCOMPARE(frm->pos(), QPoint(33, 44));
    QCOMPARE(frm->splMain->sizes().value(0), 150);
    QCOMPARE(frm->memMain->font().family(), QString("DejaVu Sans Mono"));
    QCOMPARE(frm->memMain->font().pointSize(), 11);
    QVERIFY(frm->memMain->font().bold());
    QVERIFY(!frm->memMain->font().italic());
    QCOMPARE(frm->lvwMain->font().family(), QString("DejaVu Sans"));
    QVERIFY(!frm->lvwMain->font().bold());
    QVERIFY(frm->lvwMain->font().italic());
    QCOMPARE(frm->tvwMain->font(), frm->lvwMain->font());
    QCOMPARE(frm->dlgFind->FindText(), QString("needle"));
    QVERIFY(frm->dlgFind->MatchCase());

    frm->resize(700, 500);
    frm->move(12, 34);
    frm->dlgFind->SetFindText("Cust\u00FC");  // ü is byte 0x81 in the code page
    frm->dlgFind->SetMatchCase(false);
    emit frm->dlgFind->Find();
    QFont code = frm->memMain->font();
    code.setBold(false);
    code.setItalic(true);
    frm->memMain->setFont(code);
    frm.reset();

    QCOMPARE(readSettings(),
             QByteArray("; kept as it is\r\n[Window]\r\nWidth=700\r\nHeight=500\r\nLeft=12\r\n"
                        "Top=34\r\n[View]\r\nCodeFontName=DejaVu Sans Mono\r\nCodeFontSize=11\r\n"
                        "CodeFontBold=0\r\nCodeFontItalic=1\r\nListFontName=DejaVu Sans\r\n"
                        "ListFontSize=10\r\nListFontBold=0\r\nListFontItalic=1\r\n"
                        "ObjectListWidth=150\r\n[Find]\r\nFindText=Cust\x81\r\nMatchCase=0\r\n"
                        "[Other]\r\nKey=value\r\n"));
    auto again = makeWindow();
    QCOMPARE(again->dlgFind->FindText(), QString("Cust\u00FC"));
    QCOMPARE(again->geometry().size(), QSize(700, 500));
  }

  void closeWhileMaximisedKeepsTheLastNormalPlacement() {
    auto frm = makeWindow();
    frm->setGeometry(20, 30, 640, 480);
    frm->move(20, 30);
    frm.reset();
    auto maximised = makeWindow();
    maximised->showMaximized();
    QVERIFY(maximised->isMaximized());
    maximised.reset();
    QVERIFY(readSettings().contains("Width=640\r\nHeight=480\r\nLeft=20\r\nTop=30\r\n"));
    auto next = makeWindow();
    QVERIFY(!next->isMaximized());
    QCOMPARE(next->pos(), QPoint(20, 30));
    QCOMPARE(next->size(), QSize(640, 480));
  }

  void windowPlacedOffScreenStaysThere() {
    writeSettings("[Window]\r\nWidth=300\r\nHeight=200\r\nLeft=5000\r\nTop=-3000\r\n");
    auto frm = makeWindow();
    QCOMPARE(frm->pos(), QPoint(5000, -3000));
#ifndef Q_OS_WIN  // there the style's splitter handle takes its own width
    QCOMPARE(frm->splMain->sizes().value(0), 75);
#endif
  }

  void unwritableSettingsFileIsReportedAndTheWindowStillCloses() {
    writeSettings("[Window]\r\nWidth=500\r\n");
    QVERIFY(QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::ReadGroup));
    QPointer<QWidget> memo;
    {
      auto frm = makeWindow();
      memo = frm->memMain;
    }
    QVERIFY(memo.isNull());
    const QString expected =
        QString("Unable to write to %1.")
            .arg(QDir::toNativeSeparators(QFileInfo(settingsPath()).absoluteFilePath()));
    QCOMPARE(FPrompts->Errors, QStringList{expected});
    QCOMPARE(readSettings(), QByteArray("[Window]\r\nWidth=500\r\n"));
  }

  void aboutShowsSixLines() {
    auto frm = makeWindow();
    frm->actHelpAbout->trigger();
    QCOMPARE(FPrompts->Titles, QStringList{"About marlox.exe"});
    const QStringList lines = FPrompts->Texts.value(0).split('\r');
    QCOMPARE(lines.size(), 6);
    QVERIFY(!FPrompts->Texts.value(0).contains('\n'));
    QVERIFY(lines[2].isEmpty());
    QVERIFY(lines[3].contains("marlox.exe") || lines[4].contains("marlox.exe"));
    QCOMPARE(lines[5], QString("Version 1.0.0.31"));
  }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
