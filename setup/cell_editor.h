#pragma once
// The floating editor over the grid: a combo box that announces when its
// list is about to open (and may be told to keep it closed) and when it
// loses the focus to something other than its own list.
#include <QComboBox>

namespace setup {

class CellEditor : public QComboBox {
  Q_OBJECT

 public:
  explicit CellEditor(QWidget* parent = nullptr) : QComboBox(parent) {}

  void showPopup() override;

 signals:
  // Before the list opens; a handler that shows something else instead sets
  // `open` to false.
  void DropDown(bool& open);
  void Exited();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace setup
