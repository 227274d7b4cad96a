#pragma once
// A string grid addressed the way the routing-table editor thinks of it:
// cells by (column, row), row 0 the heading row and column 0 the row-number
// column, both fixed (they stay in view while the grid scrolls). They are the
// table widget's own headers; rows and columns from 1 on are its cells.
#include <QRect>
#include <QString>
#include <QTableWidget>

namespace setup {

class StringGrid : public QTableWidget {
  Q_OBJECT

 public:
  explicit StringGrid(QWidget* parent = nullptr);

  // Counts include the fixed row and column.
  int RowCount() const { return rowCount() + 1; }
  void SetRowCount(int rows);
  int ColCount() const { return columnCount() + 1; }
  void SetColCount(int columns);
  void SetColWidth(int column, int width);
  int ColWidth(int column) const;

  QString Cell(int column, int row) const;
  void SetCell(int column, int row, const QString& text);

  // The visible part of the cell's rectangle in the grid's own coordinates
  // (a cell scrolled partly under the heading row gives only the part below
  // it); all zeros when the cell is out of view.
  QRect CellRect(int column, int row) const;

  // The top row of the selection (1 when nothing is selected, as a grid
  // starts with its first cell current).
  int SelectionTop() const;
  // Makes (column, row) the current cell without announcing it.
  void SetCurrentCellQuietly(int column, int row);

 signals:
  // A cell was chosen by the user, by mouse or keyboard.
  void CellChosen(int column, int row);
  // F4 or Alt+Down: the user asks for the list of the current cell.
  void ListRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace setup
