// SPDX-License-Identifier: MIT
// Times the window on a large file: from OpenFile to the list showing every
// object, against marlox-cli list on the same file in the same run; the first
// Where Used of Table 3 after the open, against marlox-cli uses; Compare With
// a copy of the file until the comparison list is shown, against marlox-cli
// compare; with --find, one press of Find Next for a text the file does not
// hold, from the first object to the end, against marlox-cli find for the same
// text; and the selection of a 1 MB object until its text is shown, against
// GetText alone.
// Run on the offscreen platform:
//   marlox-bench-window [--cli PATH] [--runs N] [--find TEXT] FILE
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "codereading.h"
#include "comparemode.h"
#include "finddialog.h"
#include "mainform.h"
#include "objectgen.h"
#include "oemcodepage.h"
#include "prompts.h"
#include "whereusedview.h"

namespace {

// Any question during the benchmark is a failure of the benchmark, but for
// the one file name it is told to give.
class TFailingPrompts : public TPrompts {
 public:
  std::optional<QString> OpenFileName(QWidget*, const QString&) override {
    if (OpenAnswer.isEmpty()) return fail();
    return std::exchange(OpenAnswer, QString());
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                      const QString&) override {
    return fail();
  }
  std::optional<QString> ChooseDirectory(QWidget*, const QString&) override { return fail(); }
  std::optional<QFont> ChooseFont(QWidget*, const QFont&) override {
    fail();
    return std::nullopt;
  }
  TOverwriteAnswer AskOverwrite(QWidget*, const QString&) override {
    fail();
    return TOverwriteAnswer::oaCancel;
  }
  void ShowError(QWidget*, const QString& message) override {
    std::fprintf(stderr, "marlox-bench-window: %s\n", qPrintable(message));
    std::exit(1);
  }
  void ShowMessage(QWidget*, const QString&, const QString&) override { fail(); }
  void Beep() override { ++Beeps; }

  int Beeps = 0;
  QString OpenAnswer;

 private:
  static std::optional<QString> fail() {
    std::fprintf(stderr, "marlox-bench-window: unexpected question\n");
    std::exit(1);
  }
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void waitForTreeChange(TfrmMain& frm) {
  while (frm.treeChangePending()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void checkListShown(TfrmMain& frm) {
  if (!frm.lvwMain->isVisible() ||
      frm.lvwMain->model()->rowCount() != frm.objectTextFile().GetCount()) {
    std::fprintf(stderr, "marlox-bench-window: the list does not show the file\n");
    std::exit(1);
  }
}

// Seconds from OpenFile until the list is visible with its rows and painted,
// the tree's fixed 50 ms change delay included.
double timeOpen(TfrmMain& frm, const QString& file) {
  QElapsedTimer timer;
  timer.start();
  frm.OpenFile(file);
  waitForTreeChange(frm);
  frm.lvwMain->viewport()->repaint();
  const double seconds = double(timer.nsecsElapsed()) / 1e9;
  checkListShown(frm);
  return seconds;
}

// The same in a window of its own without the delay: the tree's change runs
// as soon as OpenFile returns, so its work is counted and the wait is not.
double timeOpenWithoutDelay(TFailingPrompts& prompts, const QString& file) {
  TfrmMain frm(prompts, {});
  frm.show();
  QCoreApplication::processEvents();
  QElapsedTimer timer;
  timer.start();
  frm.OpenFile(file);
  frm.flushTreeChange();
  frm.lvwMain->viewport()->repaint();
  const double seconds = double(timer.nsecsElapsed()) / 1e9;
  checkListShown(frm);
  return seconds;
}

// Seconds of one marlox-cli run that must end with exit code expected.
double timeCli(const QString& cli, const QStringList& arguments, int expected = 0) {
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  QElapsedTimer timer;
  timer.start();
  process.start(cli, arguments);
  process.waitForFinished(-1);
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != expected) {
    std::fprintf(stderr, "marlox-bench-window: %s %s failed\n", qPrintable(cli),
                 qPrintable(arguments.join(QLatin1Char(' '))));
    std::exit(1);
  }
  return double(timer.nsecsElapsed()) / 1e9;
}

// Seconds of one Find Next with the root selected and nothing selected in the
// text pane, so the search runs from the first object to the end; it must
// end in the beep of a search without a match.
double timeWindowFind(TfrmMain& frm, TFailingPrompts& prompts, const QString& text,
                      bool matchCase) {
  frm.dlgFind->SetFindText(text);
  frm.dlgFind->SetMatchCase(matchCase);
  const int beeps = prompts.Beeps;
  QElapsedTimer timer;
  timer.start();
  emit frm.dlgFind->Find();
  const double seconds = double(timer.nsecsElapsed()) / 1e9;
  if (prompts.Beeps != beeps + 1 || frm.selectedNode() != 0) {
    std::fprintf(stderr, "marlox-bench-window: the window found '%s'\n", qPrintable(text));
    std::exit(1);
  }
  return seconds;
}

// Seconds of the first Where Used of object target after the open, with its
// node selected and shown, until the view of its uses is painted.
double timeWhereUsed(TfrmMain& frm, int target, int& uses) {
  frm.selectNode(target + 1);
  frm.flushTreeChange();
  QCoreApplication::processEvents();
  TCodeReading& reading = *frm.codeReading();
  frm.updateActions();
  QElapsedTimer timer;
  timer.start();
  reading.actEditWhereUsed->trigger();
  TWhereUsedView* view = reading.whereUsedView();
  if (!view || !view->isVisible()) {
    std::fprintf(stderr, "marlox-bench-window: Where Used shows nothing\n");
    std::exit(1);
  }
  view->lvwWhereUsed->viewport()->repaint();
  const double seconds = double(timer.nsecsElapsed()) / 1e9;
  uses = int(view->uses().size());
  view->close();
  // Find Next starts from the root.
  frm.selectNode(0);
  frm.flushTreeChange();
  QCoreApplication::processEvents();
  return seconds;
}

// Seconds of Compare With the copy, from the command until the comparison
// list is painted with a row for every object.
double timeCompareWith(TfrmMain& frm, TFailingPrompts& prompts, const QString& copy) {
  prompts.OpenAnswer = copy;
  QElapsedTimer timer;
  timer.start();
  frm.actFileCompareWith->trigger();
  frm.lvwMain->viewport()->repaint();
  const double seconds = double(timer.nsecsElapsed()) / 1e9;
  if (!frm.compareMode().active() || !frm.lvwMain->isVisible() ||
      frm.lvwMain->model()->rowCount() != frm.objectTextFile().GetCount()) {
    std::fprintf(stderr, "marlox-bench-window: the comparison list does not show the file\n");
    std::exit(1);
  }
  frm.actFileEndComparison->trigger();
  return seconds;
}

// The first Table 3 of file, or -1.
int table3(const TObjectSet& file) {
  for (int i = 0; i < file.GetCount(); ++i)
    if (file.GetObject(i).ObjectType() == TObjectType::otTable && file.GetObject(i).ID() == 3)
      return i;
  return -1;
}

// The model's own search over the same objects, for the window's share of the time.
double timeModelFind(TObjectTextFile& file, const QString& text, bool matchCase) {
  std::int32_t objIndex = 0;
  std::int32_t pos = 1;
  QElapsedTimer timer;
  timer.start();
  const bool found = file.FindText(objIndex, pos, oem::fromQString(text).value_or(""), matchCase);
  const double seconds = double(timer.nsecsElapsed()) / 1e9;
  if (found) {
    std::fprintf(stderr, "marlox-bench-window: the model found '%s'\n", qPrintable(text));
    std::exit(1);
  }
  return seconds;
}

QString writeBigObjectFile(const QTemporaryDir& dir) {
  marlox::bench::TObjectGenerator generator(7);
  std::string text;
  generator.AppendPreamble(text);
  generator.AppendObject(text, 2000);
  generator.AppendObject(text, std::size_t(1) << 20);
  generator.AppendObject(text, 2000);
  const QString path = QDir(dir.path()).filePath(QStringLiteral("big-object.txt"));
  std::ofstream(path.toStdString(), std::ios::binary)
      .write(text.data(), std::streamsize(text.size()));
  return path;
}

void printRatio(const char* label, double ours, double base, double target) {
  const double ratio = ours / base;
  std::printf("%-36s %9.3f s %9.3f s %8.2f   <= %-5.1f %s\n", label, ours, base, ratio, target,
              ratio <= target ? "met" : "NOT met");
}

void printInfo(const char* label, double ours, double base) {
  std::printf("%-36s %9.3f s %9.3f s %8.2f   (for information)\n", label, ours, base, ours / base);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments().mid(1);
  QString cli;
  QString findText;
  int runs = 5;
  while (args.size() > 1 && args.first().startsWith(QStringLiteral("--"))) {
    const QString option = args.takeFirst();
    if (option == QLatin1String("--cli"))
      cli = args.takeFirst();
    else if (option == QLatin1String("--runs"))
      runs = std::max(1, args.takeFirst().toInt());
    else if (option == QLatin1String("--find"))
      findText = args.takeFirst();
  }
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: marlox-bench-window [--cli PATH] [--runs N] [--find TEXT] FILE\n");
    return 2;
  }
  const QString file = args.first();
  TFailingPrompts prompts;
  // Compare With compares the file with a copy of itself.
  QTemporaryDir copyDir;
  const QString copy = QDir(copyDir.path()).filePath(QStringLiteral("copy.txt"));
  if (!QFile::copy(file, copy)) {
    std::fprintf(stderr, "marlox-bench-window: cannot copy %s\n", qPrintable(file));
    return 1;
  }

  // A window holds its file against every other opener, so each run has a
  // window of its own, gone before the CLI runs.
  const bool timeFind = !findText.isEmpty();
  std::vector<double> open, openNoDelay, list, whereUsed, uses, compareWith, compare;
  // Per case mode (0 off, 1 on): the window, the model alone, the CLI.
  std::vector<double> windowFind[2], modelFind[2], cliFind[2];
  int objects = 0;
  int useCount = -1;
  for (int i = 0; i <= runs; ++i) {
    double total = 0;
    double window[2] = {}, model[2] = {}, cliRun[2] = {};
    double whereUsedSeconds = 0, compareWithSeconds = 0;
    // Which of the two windows opens first alternates.
    double noDelay = i % 2 ? timeOpenWithoutDelay(prompts, file) : 0;
    {
      TfrmMain frm(prompts, {});
      frm.show();
      QCoreApplication::processEvents();
      total = timeOpen(frm, file);
      objects = frm.objectTextFile().GetCount();
      const int target = table3(frm.objectTextFile());
      if (target < 0) {
        std::fprintf(stderr, "marlox-bench-window: the file holds no Table 3\n");
        return 1;
      }
      whereUsedSeconds = timeWhereUsed(frm, target, useCount);
      // Which of the two goes first alternates, so neither always meets a
      // freshly loaded file.
      for (int matchCase = 0; timeFind && matchCase < 2; ++matchCase) {
        if (i % 2) model[matchCase] = timeModelFind(frm.objectTextFile(), findText, matchCase);
        window[matchCase] = timeWindowFind(frm, prompts, findText, matchCase);
        if (i % 2 == 0) model[matchCase] = timeModelFind(frm.objectTextFile(), findText, matchCase);
      }
      compareWithSeconds = timeCompareWith(frm, prompts, copy);
    }
    if (i % 2 == 0) noDelay = timeOpenWithoutDelay(prompts, file);
    const double cliSeconds = cli.isEmpty() ? 0 : timeCli(cli, {QStringLiteral("list"), file});
    for (int matchCase = 0; timeFind && !cli.isEmpty() && matchCase < 2; ++matchCase) {
      QStringList arguments{QStringLiteral("find"), file, findText};
      if (matchCase) arguments << QStringLiteral("--match-case");
      cliRun[matchCase] = timeCli(cli, arguments, 1);
    }
    const double usesSeconds =
        cli.isEmpty()
            ? 0
            : timeCli(cli,
                      {QStringLiteral("uses"), file, QStringLiteral("Table"), QStringLiteral("3")},
                      useCount > 0 ? 0 : 1);
    const double compareSeconds =
        cli.isEmpty() ? 0 : timeCli(cli, {QStringLiteral("compare"), file, copy});
    if (i == 0) continue;  // the first run warms the page cache
    open.push_back(total);
    openNoDelay.push_back(noDelay);
    list.push_back(cliSeconds);
    whereUsed.push_back(whereUsedSeconds);
    uses.push_back(usesSeconds);
    compareWith.push_back(compareWithSeconds);
    compare.push_back(compareSeconds);
    for (int matchCase = 0; matchCase < 2; ++matchCase) {
      windowFind[matchCase].push_back(window[matchCase]);
      modelFind[matchCase].push_back(model[matchCase]);
      cliFind[matchCase].push_back(cliRun[matchCase]);
    }
  }
  std::printf("window: %d objects, %d use(s) of Table 3\n", objects, useCount);
  if (!cli.isEmpty()) {
    // The tree's fixed 50 ms change delay alone is longer than a list of
    // the whole file, so this row only shows what a user waits for; the
    // window's own cost is the row without the delay.
    printInfo("window open -> list (incl. 50 ms)", median(open), median(list));
    printRatio("window open -> list (excl. delay)", median(openNoDelay), median(list), 1.1);
    printRatio("window Where Used vs cli uses", median(whereUsed), median(uses), 1.2);
    printRatio("window Compare With vs cli compare", median(compareWith), median(compare), 1.2);
  } else {
    std::printf("%-36s %9.3f s\n", "window open -> list (incl. 50 ms)", median(open));
    std::printf("%-36s %9.3f s\n", "window open -> list (excl. delay)", median(openNoDelay));
    std::printf("%-36s %9.3f s\n", "window Where Used", median(whereUsed));
    std::printf("%-36s %9.3f s\n", "window Compare With", median(compareWith));
  }
  if (timeFind) {
    const char* const labels[2][2] = {
        {"window find vs cli find", "window find vs model FindText"},
        {"window find (match case) vs cli", "window find (match case) vs model"}};
    for (int matchCase = 0; matchCase < 2; ++matchCase) {
      if (!cli.isEmpty())
        printRatio(labels[matchCase][0], median(windowFind[matchCase]), median(cliFind[matchCase]),
                   1.5);
      printInfo(labels[matchCase][1], median(windowFind[matchCase]), median(modelFind[matchCase]));
    }
  }

  QTemporaryDir dir;
  TfrmMain frm(prompts, {});
  frm.show();
  frm.OpenFile(writeBigObjectFile(dir));
  waitForTreeChange(frm);
  const int big = 2;
  const TObjectTextObject& object = frm.objectTextFile().GetObject(big - 1);
  std::vector<double> shown, read;
  for (int i = 0; i < std::max(runs, 9); ++i) {
    frm.selectNode(1);
    frm.flushTreeChange();
    QElapsedTimer timer;
    timer.start();
    frm.selectNode(big);
    frm.flushTreeChange();
    frm.memMain->viewport()->repaint();
    shown.push_back(double(timer.nsecsElapsed()) / 1e9);
    timer.start();
    const std::string text = object.GetText();
    read.push_back(double(timer.nsecsElapsed()) / 1e9);
    if (text.size() != frm.memMain->bytes().size()) return 1;
  }
  std::printf("window: object of %d bytes\n", object.Length());
  printRatio("select 1 MB object -> text shown", median(shown), median(read), 2.0);
  return 0;
}
