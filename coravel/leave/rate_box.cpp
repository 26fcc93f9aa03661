#include "coravel/leave/rate_box.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace coravel {

namespace {

// A key that types a character, as opposed to editing keys and shortcuts
// (Backspace, Delete, arrows, Home, End, Tab, Ctrl+C...). Enter and Escape
// type one too (carriage return, escape), so the filter discards them rather
// than letting them reach the window.
bool typesCharacter(const QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) return true;
  const QString text = event->text();
  return !text.isEmpty() && text.front().isPrint() && !(event->modifiers() & Qt::ControlModifier);
}

// The standard menu's Paste, known by its text (the shortcut follows a tab).
QAction* pasteActionOf(QMenu* menu) {
  const QString paste = QLineEdit::tr("&Paste");
  for (QAction* action : menu->actions())
    if (action->text().section(u'\t', 0, 0) == paste) return action;
  return nullptr;
}

}  // namespace

RateBox::RateBox(QWidget* parent) : QLineEdit(parent) {}

bool RateBox::isRateText(QStringView text) {
  for (QChar c : text)
    if (c != u'.' && (c < u'0' || c > u'9')) return false;
  return true;
}

void RateBox::pasteFrom(QClipboard::Mode mode) {
  if (isReadOnly()) return;
  const QString text = QGuiApplication::clipboard()->text(mode).trimmed();
  if (!isRateText(text)) {
    emit inputRefused();
    return;
  }
  insert(text);
}

void RateBox::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    pasteClipboard();
    event->accept();
    return;
  }
  if (typesCharacter(event) && !isRateText(event->text())) {
    emit inputRefused();
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void RateBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) emit focusLeft();
}

void RateBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu();
  // The menu's own Paste would bypass the filter.
  if (QAction* paste = pasteActionOf(menu)) {
    disconnect(paste, &QAction::triggered, nullptr, nullptr);
    connect(paste, &QAction::triggered, this, &RateBox::pasteClipboard);
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

void RateBox::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasText() && !isRateText(data->text())) {
    emit inputRefused();
    event->ignore();
    return;
  }
  QLineEdit::dropEvent(event);
}

void RateBox::mouseReleaseEvent(QMouseEvent* event) {
  // The middle button pastes the selection where the system has one.
  if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
    deselect();
    pasteFrom(QClipboard::Selection);
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void RateBox::inputMethodEvent(QInputMethodEvent* event) {
  if (isRateText(event->commitString())) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  emit inputRefused();
  // Keep the composing state of the input method, drop what it committed.
  QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
  QLineEdit::inputMethodEvent(&withoutCommit);
}

}  // namespace coravel
