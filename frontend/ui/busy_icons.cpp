#include "frontend/ui/busy_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace vorsel {

QPixmap BusyIcon(bool sandRunDown) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);

  const QColor frame(0x55, 0x3a, 0x1e);
  const QColor sand(0xe8, 0xb0, 0x30);
  painter.fillRect(QRectF(6, 2, 20, 3), frame);
  painter.fillRect(QRectF(6, 27, 20, 3), frame);

  QPainterPath glass;
  glass.moveTo(9, 5);
  glass.lineTo(23, 5);
  glass.lineTo(17, 16);
  glass.lineTo(23, 27);
  glass.lineTo(9, 27);
  glass.lineTo(15, 16);
  glass.closeSubpath();
  painter.fillPath(glass, QColor(0xe8, 0xf4, 0xff));

  QPainterPath heap;
  if (sandRunDown) {
    heap.moveTo(10, 27);
    heap.lineTo(16, 19);
    heap.lineTo(22, 27);
  } else {
    heap.moveTo(10, 6);
    heap.lineTo(22, 6);
    heap.lineTo(16, 15);
  }
  heap.closeSubpath();
  painter.fillPath(heap, sand);
  painter.setPen(QPen(frame, 1.5));
  painter.drawPath(glass);
  return pixmap;
}

}  // namespace vorsel
