#include "setup/cell_editor.h"

#include <QFocusEvent>

namespace setup {

void CellEditor::showPopup() {
  bool open = true;
  emit DropDown(open);
  if (open) QComboBox::showPopup();
}

void CellEditor::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) emit Exited();
}

}  // namespace setup
