#include "setup/string_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace setup {

StringGrid::StringGrid(QWidget* parent) : QTableWidget(parent) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setShowGrid(true);
  setWordWrap(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setDefaultSectionSize(120);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setFixedHeight(20);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(20);
  verticalHeader()->setDefaultSectionSize(20);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
    if (row >= 0 && column >= 0) emit CellChosen(column + 1, row + 1);
  });
  // A click on the cell that is already current still asks for its editor.
  connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (row == currentRow() && column == currentColumn()) emit CellChosen(column + 1, row + 1);
  });
}

void StringGrid::SetRowCount(int rows) { setRowCount(rows > 1 ? rows - 1 : 0); }

void StringGrid::SetColCount(int columns) { setColumnCount(columns > 1 ? columns - 1 : 0); }

void StringGrid::SetColWidth(int column, int width) {
  if (column == 0) {
    verticalHeader()->setFixedWidth(width);
  } else {
    setColumnWidth(column - 1, width);
  }
}

int StringGrid::ColWidth(int column) const {
  return column == 0 ? verticalHeader()->width() : columnWidth(column - 1);
}

QString StringGrid::Cell(int column, int row) const {
  const QTableWidgetItem* cell = nullptr;
  if (row == 0 && column > 0) {
    cell = horizontalHeaderItem(column - 1);
  } else if (column == 0 && row > 0) {
    cell = verticalHeaderItem(row - 1);
  } else if (row > 0 && column > 0) {
    cell = item(row - 1, column - 1);
  }
  return cell != nullptr ? cell->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString& text) {
  if (row == 0 && column > 0) {
    if (column > columnCount()) return;
    setHorizontalHeaderItem(column - 1, new QTableWidgetItem(text));
  } else if (column == 0 && row > 0) {
    if (row > rowCount()) return;
    setVerticalHeaderItem(row - 1, new QTableWidgetItem(text));
  } else if (row > 0 && column > 0) {
    if (row > rowCount() || column > columnCount()) return;
    if (QTableWidgetItem* cell = item(row - 1, column - 1)) {
      cell->setText(text);
    } else {
      setItem(row - 1, column - 1, new QTableWidgetItem(text));
    }
  }
}

QRect StringGrid::CellRect(int column, int row) const {
  if (row < 1 || column < 1 || row > rowCount() || column > columnCount()) return QRect();
  const QRect inViewport = visualRect(model()->index(row - 1, column - 1));
  const QRect visible = inViewport.intersected(viewport()->rect());
  if (!inViewport.isValid() || visible.isEmpty()) return QRect();
  return visible.translated(viewport()->geometry().topLeft());
}

int StringGrid::SelectionTop() const {
  const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
  if (!ranges.isEmpty()) return ranges.first().topRow() + 1;
  return currentRow() >= 0 ? currentRow() + 1 : 1;
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
  const bool f4 = event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier;
  const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
  if (f4 || altDown) {
    event->accept();
    emit ListRequested();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

void StringGrid::SetCurrentCellQuietly(int column, int row) {
  const QSignalBlocker blocker(this);
  setCurrentCell(row - 1, column - 1);
}

}  // namespace setup
