// SPDX-License-Identifier: MIT
#include <QApplication>

#include "dialogprompts.h"
#include "mainform.h"
#include "objecticons.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("marlox"));
  QApplication::setWindowIcon(applicationIcon());
  TDialogPrompts prompts;
  TfrmMain frmMain(prompts, QApplication::arguments().mid(1));
  frmMain.show();
  return QApplication::exec();
}
