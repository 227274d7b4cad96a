#include "setup/cell_editor.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>

namespace setup {

namespace {

bool IsListKey(const QKeyEvent& key) {
  return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Escape;
}

}  // namespace

CellEditor::CellEditor(QWidget* parent) : QComboBox(parent) { view()->installEventFilter(this); }

bool CellEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view() && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (IsListKey(*key)) {
      // The list's own handling answers the shortcut check without taking
      // the key, so the window's Enter or Esc would run as well; act here.
      if (event->type() == QEvent::ShortcutOverride && ListOpen()) {
        if (key->key() == Qt::Key_Escape) {
          hidePopup();
        } else {
          CommitHighlighted();
        }
      }
      event->accept();
      return true;
    }
  }
  return QComboBox::eventFilter(watched, event);
}

void CellEditor::showPopup() {
  bool open = true;
  emit DropDown(open);
  if (open) QComboBox::showPopup();
}

bool CellEditor::ListOpen() const { return view() != nullptr && view()->isVisible(); }

void CellEditor::CommitHighlighted() {
  const QModelIndex highlighted = view()->currentIndex();
  hidePopup();
  if (!highlighted.isValid()) return;
  setCurrentIndex(highlighted.row());
  emit activated(highlighted.row());
}

void CellEditor::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  // Focus that moves into the editor's own open list has not left the editor
  // (some platforms report that move as a change of active window).
  if (event->reason() != Qt::PopupFocusReason && !ListOpen()) emit Exited();
}

}  // namespace setup
