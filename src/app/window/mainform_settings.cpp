// SPDX-License-Identifier: MIT
// The window's side of the settings file and the About message.
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include "corepath.h"
#include "filterbox.h"
#include "finddialog.h"
#include "fontfaces.h"
#include "listcolumns.h"
#include "mainform.h"
#include "oemcodepage.h"
#include "prompts.h"
#include "settings.h"
#include "settingslocation.h"
#include "stringtable.h"

namespace {

// Only face, size, bold and italic are stored; the rest stays the window's.
// A face that is not installed is drawn with a substitute of its kind.
QFont applied(QFont font, const TFontSetting& setting, QFontDatabase::SystemFont kind) {
  font.setFamily(QString::fromStdString(setting.Name));
  // Qt has no font of size zero or less; such a value leaves the size alone.
  if (setting.Size > 0) font.setPointSize(setting.Size);
  if (setting.Bold) font.setBold(true);
  if (setting.Italic) font.setItalic(true);
  return withSubstituteFace(font, kind);
}

TFontSetting stored(const QFont& font) {
  return {font.family().toStdString(), font.pointSize(), font.bold(), font.italic()};
}

}  // namespace

std::string TfrmMain::settingsFileName() {
  return ChooseSettingsFile(
      corePath(QCoreApplication::applicationFilePath()),
      corePath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
}

void TfrmMain::LoadSettings() {
  const TIniProfile profile(settingsFileName());
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  // Each default that depends on the window's size uses the size the window
  // actually took.
  resize(ReadWindowWidth(profile, screen.width()), height());
  resize(width(), ReadWindowHeight(profile, screen.height()));
  move(ReadWindowLeft(profile, screen.width(), width()), y());
  move(x(), ReadWindowTop(profile, screen.height(), height()));
  const int treeWidth = ReadObjectListWidth(profile, width());
  // The splitter divides the width it has, which before the window is first
  // laid out is not yet the window's; the tree keeps its width when the
  // splitter grows or shrinks later.
  splMain->resize(std::max(width(), treeWidth + splMain->handleWidth()), splMain->height());
  splMain->setSizes({treeWidth, std::max(width() - treeWidth, 0)});

  memMain->setFont(applied(memMain->font(), ReadCodeFont(profile), QFontDatabase::FixedFont));
  lvwMain->setFont(applied(lvwMain->font(), ReadListFont(profile), QFontDatabase::GeneralFont));
  tvwMain->setFont(lvwMain->font());
  FListColumns->load(profile);

  dlgFind->SetFindText(oem::toQString(ReadFindText(profile)));
  if (ReadMatchCase(profile)) dlgFind->SetMatchCase(true);
  rememberFindRequest();

  TFilterOptions filterOptions;
  filterOptions.DateOrder = DateOrderFromName(ReadDateOrder(profile));
  filterBox()->setFilterOptions(filterOptions);
  filterBox()->setFilterText(oem::toQString(ReadFilter(profile)));
}

void TfrmMain::rememberFindRequest() {
  if (std::optional<std::string> bytes = oem::fromQString(dlgFind->FindText())) FFindText = *bytes;
  FMatchCase = dlgFind->MatchCase();
}

void TfrmMain::SaveSettings() {
  TIniProfile profile(settingsFileName());
  TMarloxSettings settings;
  settings.Width = width();
  settings.Height = height();
  settings.Left = x();
  settings.Top = y();
  settings.CodeFont = stored(memMain->font());
  settings.ListFont = stored(lvwMain->font());
  settings.ObjectListWidth = splMain->sizes().value(0, tvwMain->width());
  // What the last Find Next handed over, as the bytes it searched for.
  settings.FindText = FFindText;
  settings.MatchCase = FMatchCase;
  const bool normal =
      !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
  WriteSettings(profile, settings, normal);
  const QString filter = filterBox()->text();
  WriteFilter(profile, oem::fromQString(filter).value_or(filter.toStdString()));
  FListColumns->save(profile);
}

void TfrmMain::actHelpAboutExecute() {
  FPrompts.ShowMessage(this, str::text(str::AboutTitle), str::text(str::AboutText));
}
