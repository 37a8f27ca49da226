// SPDX-License-Identifier: MIT
#include "app/cursors.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace glyphon::app {

QCursor MagnifierCursor(Magnifier kind) {
  // 32 by 32: a lens of radius 9 centred at (12, 12), the hot spot, with a handle to the
  // lower right. Black outlines on white so it shows on any picture.
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(19, 19), QPointF(28, 28));
  painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(19, 19), QPointF(28, 28));
  painter.setPen(QPen(Qt::black, 1.5));
  painter.setBrush(QColor(255, 255, 255, 200));
  painter.drawEllipse(QPointF(12, 12), 9, 9);
  painter.setPen(QPen(Qt::black, 2));
  painter.drawLine(QPointF(8, 12), QPointF(16, 12));
  if (kind == Magnifier::ZoomIn) painter.drawLine(QPointF(12, 8), QPointF(12, 16));
  painter.end();
  return QCursor(pixmap, 12, 12);
}

void ShowMagnifier(QWidget& widget, bool shown, Magnifier kind) {
  const Qt::CursorShape shape = shown ? Qt::BitmapCursor : Qt::ArrowCursor;
  if (widget.cursor().shape() == shape) return;
  if (shown) {
    widget.setCursor(MagnifierCursor(kind));
  } else {
    widget.setCursor(shape);
  }
}

}  // namespace glyphon::app
