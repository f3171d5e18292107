// SPDX-License-Identifier: MIT
#include "filterbox.h"

#include <QEvent>
#include <QGridLayout>

#include "oemcodepage.h"
#include "stringtable.h"

TFilterBox::TFilterBox(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("edtFilter"));
  setPlaceholderText(str::text(str::FilterPlaceholder));
  setToolTip(str::text(str::FilterToolTip));
  setClearButtonEnabled(true);
  FNormalBase = palette().color(QPalette::Base);
  FPause.setSingleShot(true);
  FPause.setInterval(PauseDelay);
  connect(&FPause, &QTimer::timeout, this, &TFilterBox::applyFilter);
  connect(this, &QLineEdit::textChanged, this, [this] { FPause.start(); });
  connect(this, &QLineEdit::returnPressed, this, &TFilterBox::applyFilter);
}

void TFilterBox::setFilterText(const QString& text) {
  setText(text);
  applyFilter();
}

void TFilterBox::applyFilter() {
  FPause.stop();
  const std::optional<std::string> bytes = oem::fromQString(text());
  try {
    if (!bytes) throw EFilterError(str::FilterCharacterError);
    auto filter = std::make_shared<const TObjectFilter>(*bytes, FOptions);
    setInvalid(false);
    FFilter = std::move(filter);
    emit filterChanged(FFilter);
  } catch (const EFilterError& e) {
    setInvalid(true);
    emit filterError(oem::toQString(std::string(e.what())));
  }
}

void TFilterBox::setInvalid(bool invalid) {
  FInvalid = invalid;
  QPalette colours = palette();
  colours.setColor(QPalette::Base, invalid ? QColor(255, 221, 221) : FNormalBase);
  setPalette(colours);
}

void TFilterBox::placeAbove(QWidget* list) {
  auto* grid = qobject_cast<QGridLayout*>(list->parentWidget()->layout());
  if (!grid) return;
  // Everything in the grid moves down one row to make room.
  struct TPlace {
    QLayoutItem* Item;
    int Row, Column, RowSpan, ColumnSpan;
  };
  QList<TPlace> places;
  while (grid->count() > 0) {
    TPlace place{nullptr, 0, 0, 0, 0};
    grid->getItemPosition(0, &place.Row, &place.Column, &place.RowSpan, &place.ColumnSpan);
    place.Item = grid->takeAt(0);
    places << place;
  }
  for (const TPlace& p : places)
    grid->addItem(p.Item, p.Row + 1, p.Column, p.RowSpan, p.ColumnSpan);
  grid->addWidget(this, 0, 0, 1, std::max(grid->columnCount(), 1));
  FList = list;
  list->installEventFilter(this);
  setVisible(list->isVisibleTo(list->parentWidget()));
}

bool TFilterBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FList) {
    if (event->type() == QEvent::ShowToParent) setVisible(true);
    if (event->type() == QEvent::HideToParent) setVisible(false);
  }
  return QLineEdit::eventFilter(watched, event);
}
