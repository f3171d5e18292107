// SPDX-License-Identifier: MIT
// The one-line filter above the object list: it compiles what is typed once
// typing pauses, marks an expression it cannot read and keeps the last valid
// filter in force meanwhile.
#pragma once

#include <QLineEdit>
#include <QTimer>
#include <memory>

#include "objectfilter.h"

class TFilterBox : public QLineEdit {
  Q_OBJECT

 public:
  // How long typing must pause before the filter follows, in milliseconds.
  static constexpr int PauseDelay = 300;

  explicit TFilterBox(QWidget* parent = nullptr);

  // Takes effect with the next text; more term kinds can be added here.
  void setFilterOptions(TFilterOptions options) { FOptions = std::move(options); }
  const TFilterOptions& filterOptions() const { return FOptions; }
  // Sets the text and applies it at once.
  void setFilterText(const QString& text);
  // Compiles the text now; emits filterChanged or filterError.
  void applyFilter();
  bool isInvalid() const { return FInvalid; }
  // The last valid filter, never null.
  std::shared_ptr<const TObjectFilter> filter() const { return FFilter; }

  // Puts the box above list in list's grid layout and shows it only while
  // the list is shown.
  void placeAbove(QWidget* list);

 signals:
  void filterChanged(std::shared_ptr<const TObjectFilter> filter);
  void filterError(const QString& message);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setInvalid(bool invalid);

  QTimer FPause;
  TFilterOptions FOptions;
  std::shared_ptr<const TObjectFilter> FFilter = std::make_shared<TObjectFilter>();
  bool FInvalid = false;
  QColor FNormalBase;
  QWidget* FList = nullptr;
};
