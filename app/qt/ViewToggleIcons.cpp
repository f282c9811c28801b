#include "app/qt/ViewToggleIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace vrel {

namespace {

constexpr int kSide = 16;

const QColor kCubeColour(0, 150, 170);
const QColor kBladeColour(200, 60, 160);

void Points(QPainter& p, const QColor& colour) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  for (const QPointF at : {QPointF(3, 3), QPointF(13, 3), QPointF(13, 13), QPointF(3, 13)})
    p.drawEllipse(at, 2, 2);
}

void Square(QPainter& p, const QColor& colour, bool filled) {
  p.setPen(QPen(colour, 1.5));
  p.setBrush(filled ? QBrush(colour.lighter(130)) : QBrush());
  p.drawRect(QRectF(3, 3, 10, 10));
}

void Cube(QPainter& p, const QColor& colour) {
  p.setPen(QPen(colour.darker(130), 1));
  p.setBrush(colour.lighter(140));
  p.drawPolygon(QPolygonF({{2, 5}, {10, 5}, {10, 14}, {2, 14}}));
  p.setBrush(colour);
  p.drawPolygon(QPolygonF({{2, 5}, {6, 1}, {14, 1}, {10, 5}}));
  p.setBrush(colour.darker(120));
  p.drawPolygon(QPolygonF({{10, 5}, {14, 1}, {14, 10}, {10, 14}}));
}

void Axes(QPainter& p) {
  p.setPen(QPen(QColor(220, 0, 0), 1.5));
  p.drawLine(QPointF(5, 11), QPointF(15, 11));
  p.setPen(QPen(QColor(0, 160, 0), 1.5));
  p.drawLine(QPointF(5, 11), QPointF(5, 1));
  p.setPen(QPen(QColor(0, 0, 230), 1.5));
  p.drawLine(QPointF(5, 11), QPointF(1, 15));
}

void Arrow(QPainter& p) {
  p.setPen(QPen(QColor(0, 0, 230), 1.5));
  p.drawLine(QPointF(8, 15), QPointF(8, 2));
  p.drawLine(QPointF(8, 2), QPointF(4, 6));
  p.drawLine(QPointF(8, 2), QPointF(12, 6));
}

// The start point and the plane mark: the flat cross with its arrow tip.
void Marker(QPainter& p, const QColor& border, const QColor& surface) {
  const QPolygonF cross({{8, 1},
                         {12, 5},
                         {10, 5},
                         {10, 8},
                         {15, 8},
                         {15, 10},
                         {10, 10},
                         {10, 15},
                         {6, 15},
                         {6, 10},
                         {1, 10},
                         {1, 8},
                         {6, 8},
                         {6, 5},
                         {4, 5}});
  p.setPen(QPen(border, 1));
  p.setBrush(surface);
  p.drawPolygon(cross);
}

}  // namespace

QIcon ViewToggleIcon(int tag) {
  if (tag < 0 || tag > 9)
    return {};
  QPixmap pixmap(kSide, kSide);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (tag) {
    case 0:
      Points(p, kCubeColour);
      break;
    case 1:
      Square(p, kCubeColour, false);
      break;
    case 2:
      Cube(p, kCubeColour);
      break;
    case 3:
      Axes(p);
      break;
    case 4:
      Arrow(p);
      break;
    case 5:
      Marker(p, QColor(220, 0, 0), QColor(240, 240, 240));
      break;
    case 6:
      Marker(p, QColor(220, 0, 0), QColor(240, 120, 120));
      break;
    case 7:
      Points(p, kBladeColour);
      break;
    case 8:
      Square(p, kBladeColour, false);
      break;
    case 9:
      Square(p, kBladeColour, true);
      break;
  }
  p.end();
  return QIcon(pixmap);
}

}  // namespace vrel
