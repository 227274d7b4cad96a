#pragma once
// The 16 x 16 pictures of the button bar and the menu.
#include <QIcon>

class QStyle;

namespace setup {

QIcon AddRowGlyph();
QIcon ClearRowGlyph();
QIcon SaveGlyph(const QStyle* style);
QIcon CancelGlyph(const QStyle* style);
QIcon ReloadGlyph(const QStyle* style);
QIcon FolderGlyph(const QStyle* style);
QIcon DiskGlyph(const QStyle* style);

}  // namespace setup
