#include "ui/icon.h"

#include <QLinearGradient>
#include <QPainter>

namespace kestrove::ui {

QPixmap ProgramPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, size);
  gradient.setColorAt(0, QColor(90, 150, 255));
  gradient.setColorAt(1, QColor(0, 30, 110));
  painter.setPen(QPen(QColor(0, 20, 70), 1));
  painter.setBrush(gradient);
  painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 6.0, size / 6.0);
  QFont font("DejaVu Sans");
  font.setBold(true);
  font.setPixelSize(size * 3 / 4);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, "K");
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(ProgramPixmap(size));
  return icon;
}

}  // namespace kestrove::ui
