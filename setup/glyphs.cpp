#include "setup/glyphs.h"

#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace setup {

namespace {

// A plus or minus sign, for desktops without an icon theme.
QIcon PaintedSign(bool plus, const QColor& colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawRoundedRect(QRectF(2, 6.5, 12, 3), 1, 1);
  if (plus) painter.drawRoundedRect(QRectF(6.5, 2, 3, 12), 1, 1);
  painter.end();
  return QIcon(pixmap);
}

QIcon Themed(const char* name, const QIcon& fallback) { return QIcon::fromTheme(QString::fromLatin1(name), fallback); }

}  // namespace

QIcon AddRowGlyph() { return Themed("list-add", PaintedSign(true, QColor(0x2e, 0x8b, 0x57))); }
QIcon ClearRowGlyph() { return Themed("list-remove", PaintedSign(false, QColor(0xc0, 0x39, 0x2b))); }
QIcon SaveGlyph(const QStyle* style) { return style->standardIcon(QStyle::SP_DialogOkButton); }
QIcon CancelGlyph(const QStyle* style) { return style->standardIcon(QStyle::SP_DialogCancelButton); }
QIcon ReloadGlyph(const QStyle* style) { return style->standardIcon(QStyle::SP_BrowserReload); }
QIcon FolderGlyph(const QStyle* style) { return style->standardIcon(QStyle::SP_DirOpenIcon); }
QIcon DiskGlyph(const QStyle* style) { return style->standardIcon(QStyle::SP_DialogSaveButton); }

}  // namespace setup
