// SPDX-License-Identifier: MIT
#include "menukeys.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenuBar>

TMenuKeys::TMenuKeys(QWidget* window, QMenuBar* menuBar)
    : QObject(window), FWindow(window), FMenuBar(menuBar) {
  window->installEventFilter(this);
}

bool TMenuKeys::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FWindow || event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F10 || key->isAutoRepeat()) return false;
  const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::NoModifier)
    enterMenuBar();
  else if (modifiers == Qt::ShiftModifier)
    openPopupMenu();
  else
    return false;
  return true;
}

// The menu bar switches its keyboard mode on a lone press and release of Alt
// at the focused control; F10 hands it exactly that.
void TMenuKeys::enterMenuBar() {
  if (!FMenuBar || !FMenuBar->isVisible()) return;
  QWidget* focus = FWindow->focusWidget();
  if (!focus) focus = FWindow;
  QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
  QCoreApplication::sendEvent(focus, &override);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
  QCoreApplication::sendEvent(focus, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
  QCoreApplication::sendEvent(focus, &release);
}

// The same event the Menu key sends: at the focused control's current item.
void TMenuKeys::openPopupMenu() {
  QWidget* focus = FWindow->focusWidget();
  if (!focus || !focus->isEnabled()) return;
  const QPoint pos = focus->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QContextMenuEvent menu(QContextMenuEvent::Keyboard, pos, focus->mapToGlobal(pos), Qt::NoModifier);
  QCoreApplication::sendEvent(focus, &menu);
}
