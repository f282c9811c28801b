#include "editor/qt/DotLines.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace vrel {

const QPixmap& TDotLineCollection::GetBitmap(const QColor& dot, const QColor& background) {
  for (const Item& item : items_) {
    if (item.dot == dot && item.background == background)
      return item.bitmap;
  }
  QImage line(std::max(1, width_), 1, QImage::Format_RGB32);
  line.fill(background);
  for (int x = 0; x < line.width(); x += 2)
    line.setPixelColor(x, 0, dot);
  items_.push_back({dot, background, QPixmap::fromImage(line)});
  return items_.back().bitmap;
}

TDotLineCollection& DotLines() {
  static TDotLineCollection lines(
      QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width() : 1920);
  return lines;
}

void DrawDotLine(QPainter& painter, int x1, int y, const QColor& background, const QColor& dot, int x2) {
  if (x2 < x1)
    return;
  const QPixmap& line = DotLines().GetBitmap(dot, background);
  const int width = std::min(x2 - x1 + 1, line.width());
  painter.drawPixmap(x1, y, line, 0, 0, width, 1);
}

}  // namespace vrel
