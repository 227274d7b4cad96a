#include "setup/logo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace setup {

QPixmap MakerLogo() {
  QPixmap pixmap(146, 129);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient background(0, 0, 0, 129);
  background.setColorAt(0, QColor(0x1f, 0x4e, 0x8c));
  background.setColorAt(1, QColor(0x0b, 0x25, 0x4a));
  painter.setPen(Qt::NoPen);
  painter.setBrush(background);
  painter.drawRoundedRect(QRectF(3, 3, 140, 123), 14, 14);

  // A sheet of paper leaving a printer, in the maker's colours.
  painter.setBrush(QColor(0xf2, 0xf5, 0xfa));
  painter.drawRect(QRectF(46, 18, 54, 40));
  painter.setBrush(QColor(0x9f, 0xb8, 0xd9));
  for (int line = 0; line < 3; ++line) painter.drawRect(QRectF(54, 27 + line * 9, 38, 3));
  painter.setBrush(QColor(0xe8, 0xa3, 0x3d));
  painter.drawRoundedRect(QRectF(28, 52, 90, 30), 6, 6);
  painter.setBrush(QColor(0x0b, 0x25, 0x4a));
  painter.drawRect(QRectF(42, 62, 62, 4));

  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                    QStringLiteral("DejaVu Sans")});
  font.setPixelSize(19);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(0, 88, 146, 28), Qt::AlignCenter, QStringLiteral("CORVANTA"));
  painter.end();
  return pixmap;
}

}  // namespace setup
