#pragma once

// One-pixel dotted lines, drawn once per pair of colours as a bitmap as wide as the screen and then
// copied wherever a line is wanted.

#include <QColor>
#include <QPixmap>

#include <deque>

class QPainter;

namespace vrel {

class TDotLineCollection {
 public:
  explicit TDotLineCollection(int width) : width_(width) {}

  // The line for the pair, made the first time it is asked for: every other pixel, from the
  // first, in the dot colour on the background.
  const QPixmap& GetBitmap(const QColor& dot, const QColor& background);
  int Count() const { return static_cast<int>(items_.size()); }
  int Width() const { return width_; }

 private:
  struct Item {
    QColor dot;
    QColor background;
    QPixmap bitmap;
  };
  int width_;
  // A deque: the bitmaps handed out stay where they are as pairs are added.
  std::deque<Item> items_;
};

// The program's one collection, as wide as the primary screen.
TDotLineCollection& DotLines();

// Copies pixels 0 .. x2 - x1 of the line onto row y from x1 to x2 inclusive.
void DrawDotLine(QPainter& painter, int x1, int y, const QColor& background, const QColor& dot, int x2);

}  // namespace vrel
