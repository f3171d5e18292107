// SPDX-License-Identifier: MIT
#include "overwritebox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <initializer_list>
#include <vector>

#include "stringtable.h"

namespace {

// The overwrite question is centred on the screen, not on the window.
class TScreenCentredBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    // The box gets its final size here, so it can be centred only after it.
    QMessageBox::showEvent(event);
    if (QScreen* where = screen())
      move(where->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
};

// The same role for every button keeps them in the order given on every
// platform's button layout; what each one means comes from clickedButton().
std::vector<QPushButton*> AddButtons(QMessageBox& box,
                                     std::initializer_list<const char*> captions) {
  std::vector<QPushButton*> buttons;
  for (const char* caption : captions)
    buttons.push_back(box.addButton(str::text(caption), QMessageBox::ActionRole));
  return buttons;
}

// The message's CR LF is the line break the box shows; the file name goes in
// after that and is shown as it is, never taken for markup.
void SetText(QMessageBox& box, const char* message, const QString& fileName = QString()) {
  box.setTextFormat(Qt::PlainText);
  box.setText(str::text(message)
                  .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                  .replace(QLatin1String("%s"), fileName));
}

}  // namespace

TOverwriteAnswer AskOverwriteBox(QWidget* parent, const QString& fileName) {
  TScreenCentredBox box(QMessageBox::Warning, str::text(str::WarningTitle), QString(),
                        QMessageBox::NoButton, parent);
  SetText(box, str::OverwriteFormat, fileName);
  const std::vector<QPushButton*> buttons =
      AddButtons(box, {str::ButtonYes, str::ButtonNo, str::ButtonCancel, str::ButtonYesToAll});
  const TOverwriteAnswer answers[] = {TOverwriteAnswer::oaYes, TOverwriteAnswer::oaNo,
                                      TOverwriteAnswer::oaCancel, TOverwriteAnswer::oaYesToAll};
  box.setDefaultButton(buttons[0]);
  box.setEscapeButton(buttons[2]);
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (box.clickedButton() == buttons[i]) return answers[i];
  return TOverwriteAnswer::oaCancel;
}

bool AskCreateDirectoryBox(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, str::text(str::ConfirmTitle), QString(),
                  QMessageBox::NoButton, parent);
  SetText(box, str::DirNotExists);
  const std::vector<QPushButton*> buttons = AddButtons(box, {str::ButtonYes, str::ButtonNo});
  box.setDefaultButton(buttons[0]);
  box.setEscapeButton(buttons[1]);
  box.exec();
  return box.clickedButton() == buttons[0];
}
