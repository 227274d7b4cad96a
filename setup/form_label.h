#pragma once
// A fixed label as the windows lay them out: named for the tests, placed at
// a point and as large as its text.
#include <QLabel>
#include <QString>
#include <QWidget>

namespace setup {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y);

}  // namespace setup
