#pragma once
// The floating editor over the grid: a combo box that announces when its
// list is about to open (and may be told to keep it closed) and when it
// loses the focus to something other than its own list.
#include <QComboBox>

namespace setup {

class CellEditor : public QComboBox {
  Q_OBJECT

 public:
  explicit CellEditor(QWidget* parent = nullptr);

  void showPopup() override;

  // True while the drop-down list is open.
  bool ListOpen() const;
  // Enter in the open list: the highlighted item becomes the choice (as a
  // click on it would) and the list closes.
  void CommitHighlighted();

 signals:
  // Before the list opens; a handler that shows something else instead sets
  // `open` to false.
  void DropDown(bool& open);
  void Exited();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  // Keeps Enter and Esc inside the open list: they act on the list only and
  // never reach the window's shortcuts (save, close).
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace setup
