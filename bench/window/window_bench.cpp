// Times the window on a large file: from OpenFile to the list showing every
// object, against marlox-cli list on the same file in the same run; and the
// selection of a 1 MB object until its text is shown, against GetText alone.
// Run on the offscreen platform:
//   marlox-bench-window [--cli PATH] [--runs N] FILE
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "mainform.h"
#include "objectgen.h"
#include "prompts.h"

namespace {

// Any question during the benchmark is a failure of the benchmark.
class TFailingPrompts : public TPrompts {
 public:
  std::optional<QString> OpenFileName(QWidget*, const QString&) override { return fail(); }
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
  void Beep() override {}

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

// Seconds from OpenFile until the list is visible with its rows and painted;
// withoutDelay leaves out the tree's fixed 50 ms change delay.
double timeOpen(TfrmMain& frm, const QString& file, double& withoutDelay) {
  QElapsedTimer timer;
  timer.start();
  frm.OpenFile(file);
  const qint64 opened = timer.nsecsElapsed();
  QElapsedTimer delay;
  delay.start();
  waitForTreeChange(frm);
  const qint64 waited = delay.nsecsElapsed();
  frm.lvwMain->viewport()->repaint();
  const qint64 total = timer.nsecsElapsed();
  if (!frm.lvwMain->isVisible() ||
      frm.lvwMain->model()->rowCount() != frm.objectTextFile().GetCount()) {
    std::fprintf(stderr, "marlox-bench-window: the list does not show the file\n");
    std::exit(1);
  }
  withoutDelay = double(opened + (total - opened - waited)) / 1e9;
  return double(total) / 1e9;
}

double timeCli(const QString& cli, const QString& file) {
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  QElapsedTimer timer;
  timer.start();
  process.start(cli, {QStringLiteral("list"), file});
  process.waitForFinished(-1);
  if (process.exitCode() != 0) {
    std::fprintf(stderr, "marlox-bench-window: %s list failed\n", qPrintable(cli));
    std::exit(1);
  }
  return double(timer.nsecsElapsed()) / 1e9;
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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments().mid(1);
  QString cli;
  int runs = 5;
  while (args.size() > 1 && args.first().startsWith(QStringLiteral("--"))) {
    const QString option = args.takeFirst();
    if (option == QLatin1String("--cli"))
      cli = args.takeFirst();
    else if (option == QLatin1String("--runs"))
      runs = std::max(1, args.takeFirst().toInt());
  }
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: marlox-bench-window [--cli PATH] [--runs N] FILE\n");
    return 2;
  }
  const QString file = args.first();
  TFailingPrompts prompts;

  // A window holds its file against every other opener, so each run has a
  // window of its own, gone before the CLI runs.
  std::vector<double> open, openNoDelay, list;
  int objects = 0;
  for (int i = 0; i <= runs; ++i) {
    double noDelay = 0;
    double total = 0;
    {
      TfrmMain frm(prompts, {});
      frm.show();
      QCoreApplication::processEvents();
      total = timeOpen(frm, file, noDelay);
      objects = frm.objectTextFile().GetCount();
    }
    const double cliSeconds = cli.isEmpty() ? 0 : timeCli(cli, file);
    if (i == 0) continue;  // the first run warms the page cache
    open.push_back(total);
    openNoDelay.push_back(noDelay);
    list.push_back(cliSeconds);
  }
  std::printf("window: %d objects\n", objects);
  if (!cli.isEmpty()) {
    printRatio("window open -> list (incl. 50 ms)", median(open), median(list), 1.3);
    printRatio("window open -> list (excl. delay)", median(openNoDelay), median(list), 1.3);
  } else {
    std::printf("%-36s %9.3f s\n", "window open -> list (incl. 50 ms)", median(open));
    std::printf("%-36s %9.3f s\n", "window open -> list (excl. delay)", median(openNoDelay));
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
