// SPDX-License-Identifier: MIT
// Answers the window's questions from queues and records what was asked, so
// tests drive the window without any real dialog.
#pragma once

#include <QFont>
#include <QGuiApplication>
#include <QStringList>
#include <deque>

#include "apptitle.h"
#include "prompts.h"

class TScriptedPrompts : public TPrompts {
 public:
  // An empty queue answers as the user who cancels.
  std::deque<std::optional<QString>> OpenAnswers;
  std::deque<std::optional<QString>> SaveAnswers;
  std::deque<std::optional<QString>> DirectoryAnswers;
  std::deque<std::optional<QString>> FolderAnswers;
  std::deque<std::optional<QFont>> FontAnswers;
  std::deque<TOverwriteAnswer> OverwriteAnswers;
  std::deque<bool> ConfirmAnswers;  // empty: No
  std::deque<std::optional<int>> NumberAnswers;
  std::deque<std::optional<QStringList>> MergeAnswers;
  QStringList OpenStarts;  // where each open dialog was to start

  QStringList Asked;          // one entry per question, in order
  QStringList Errors;         // messages of the error display
  QStringList ErrorCaptions;  // the application title when each was shown
  QList<bool> ErrorWithHourglass;
  QList<QFont> FontsOffered;
  QStringList SaveFilters;
  int Beeps = 0;

  std::optional<QString> OpenFileName(QWidget*, const QString& filter) override {
    Asked << QStringLiteral("open ") + filter;
    return take(OpenAnswers);
  }
  std::optional<QString> OpenFileNameAt(QWidget* parent, const QString& filter,
                                        const QString& start) override {
    OpenStarts << start;
    return OpenFileName(parent, filter);
  }
  bool Confirm(QWidget*, const QString&, const QString& text) override {
    Asked << QStringLiteral("confirm ") + text;
    if (ConfirmAnswers.empty()) return false;
    const bool answer = ConfirmAnswers.front();
    ConfirmAnswers.pop_front();
    return answer;
  }
  std::optional<int> AskNumber(QWidget*, const QString& title, const QString&, int, int minimum,
                               int maximum) override {
    Asked << QStringLiteral("number %1 %2..%3").arg(title).arg(minimum).arg(maximum);
    return take(NumberAnswers);
  }
  std::optional<QStringList> AskMergeInputs(QWidget*) override {
    Asked << QStringLiteral("merge");
    return take(MergeAnswers);
  }
  std::optional<QString> SaveFileName(QWidget*, const QString& title, const QString& filter,
                                      const QString& proposed) override {
    Asked << QStringLiteral("save %1 %2").arg(title, proposed);
    SaveFilters << filter;
    return take(SaveAnswers);
  }
  std::optional<QString> ChooseDirectory(QWidget*, const QString& start) override {
    Asked << QStringLiteral("directory ") + start;
    return take(DirectoryAnswers);
  }
  std::optional<QString> OpenFolderName(QWidget*, const QString& start) override {
    Asked << QStringLiteral("folder ") + start;
    return take(FolderAnswers);
  }
  std::optional<QFont> ChooseFont(QWidget*, const QFont& initial) override {
    Asked << QStringLiteral("font");
    FontsOffered << initial;
    return take(FontAnswers);
  }
  TOverwriteAnswer AskOverwrite(QWidget*, const QString& fileName) override {
    Asked << QStringLiteral("overwrite ") + fileName;
    if (OverwriteAnswers.empty()) return TOverwriteAnswer::oaCancel;
    TOverwriteAnswer answer = OverwriteAnswers.front();
    OverwriteAnswers.pop_front();
    return answer;
  }
  void ShowError(QWidget*, const QString& message) override {
    Asked << QStringLiteral("error");
    Errors << message;
    ErrorCaptions << applicationTitle();
    ErrorWithHourglass << (QGuiApplication::overrideCursor() != nullptr);
  }
  void ShowMessage(QWidget*, const QString& title, const QString&) override {
    Asked << QStringLiteral("message ") + title;
  }
  void Beep() override {
    Asked << QStringLiteral("beep");
    ++Beeps;
  }

 private:
  template <typename T>
  static std::optional<T> take(std::deque<std::optional<T>>& queue) {
    if (queue.empty() || !queue.front()) {
      if (!queue.empty()) queue.pop_front();
      return std::nullopt;
    }
    T answer = *queue.front();
    queue.pop_front();
    return std::optional<T>(std::in_place, std::move(answer));
  }
};
