#include "platform/Cursors.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace vrel {

namespace {

constexpr int kSide = 32;

struct Point {
  int x, y;
};

// A 32 x 32 drawing surface: shapes are drawn in black, then every transparent pixel that touches
// black becomes white, so the cursor shows on dark and light backgrounds alike.
class Canvas {
 public:
  Canvas() : pixels_(static_cast<std::size_t>(kSide * kSide), CursorPixel::Transparent) {}

  void Plot(int x, int y) {
    if (x < 0 || y < 0 || x >= kSide || y >= kSide)
      return;
    pixels_[static_cast<std::size_t>(y * kSide + x)] = CursorPixel::Black;
  }

  void Line(Point a, Point b) {
    const int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
    const int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Plot(a.x, a.y);
      if (a.x == b.x && a.y == b.y)
        break;
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        a.x += sx;
      }
      if (e2 <= dx) {
        err += dx;
        a.y += sy;
      }
    }
  }

  // A line two pixels wide.
  void ThickLine(Point a, Point b) {
    Line(a, b);
    if (std::abs(b.x - a.x) >= std::abs(b.y - a.y))
      Line({a.x, a.y + 1}, {b.x, b.y + 1});
    else
      Line({a.x + 1, a.y}, {b.x + 1, b.y});
  }

  // A convex polygon, edges and inside: each row is filled between its outermost edge pixels.
  void FillConvex(std::initializer_list<Point> corners) {
    Canvas edges;
    const std::vector<Point> p(corners);
    for (std::size_t i = 0; i < p.size(); ++i)
      edges.Line(p[i], p[(i + 1) % p.size()]);
    for (int y = 0; y < kSide; ++y) {
      int first = -1, last = -1;
      for (int x = 0; x < kSide; ++x) {
        if (!edges.IsBlack(x, y))
          continue;
        if (first < 0)
          first = x;
        last = x;
      }
      for (int x = first; first >= 0 && x <= last; ++x)
        Plot(x, y);
    }
  }

  // The pixels whose centres lie between radii r0 and r1 around (cx, cy), at angles (degrees,
  // clockwise on screen from +x) from a0 to a1.
  void Arc(double cx, double cy, double r0, double r1, double a0, double a1) {
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const double dx = x - cx, dy = y - cy;
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r < r0 || r > r1)
          continue;
        double a = std::atan2(dy, dx) * 180.0 / 3.14159265358979323846;
        if (a < 0)
          a += 360.0;
        if (a >= a0 && a <= a1)
          Plot(x, y);
      }
    }
  }

  void Ring(double cx, double cy, double r0, double r1) { Arc(cx, cy, r0, r1, 0.0, 360.0); }

  bool IsBlack(int x, int y) const {
    return x >= 0 && y >= 0 && x < kSide && y < kSide &&
           pixels_[static_cast<std::size_t>(y * kSide + x)] == CursorPixel::Black;
  }

  CursorImage Finish(const char* name, const char* resource, Point hot) const {
    CursorImage image;
    image.name = name;
    image.resource = resource;
    image.width = kSide;
    image.height = kSide;
    image.hotX = hot.x;
    image.hotY = hot.y;
    image.pixels = pixels_;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        if (IsBlack(x, y))
          continue;
        bool touches = false;
        for (int ny = y - 1; ny <= y + 1 && !touches; ++ny)
          for (int nx = x - 1; nx <= x + 1 && !touches; ++nx)
            touches = IsBlack(nx, ny);
        if (touches)
          image.pixels[static_cast<std::size_t>(y * kSide + x)] = CursorPixel::White;
      }
    }
    return image;
  }

 private:
  std::vector<CursorPixel> pixels_;
};

// A knife with its tip, the hotspot, at the top left and the handle towards the bottom right.
CursorImage DrawKnife() {
  Canvas c;
  c.FillConvex({{1, 1}, {17, 17}, {21, 12}});              // blade, cutting edge on the lower side
  c.ThickLine({15, 19}, {22, 12});                         // guard
  c.FillConvex({{18, 19}, {22, 15}, {29, 23}, {26, 27}});  // handle
  return c.Finish("crKnife", "CURSOR_KNIFE", {1, 1});
}

// Open scissors, blades up, crossing at the hotspot; the finger rings below.
CursorImage DrawScissors() {
  Canvas c;
  c.ThickLine({9, 1}, {18, 19});
  c.ThickLine({21, 1}, {12, 19});
  c.Ring(10.0, 24.5, 3.0, 5.0);
  c.Ring(21.0, 24.5, 3.0, 5.0);
  return c.Finish("crScissors", "CURSOR_SCISSORS", {15, 12});
}

// Arrows to the four sides from the hotspot in the middle.
CursorImage DrawDirection() {
  Canvas c;
  c.ThickLine({3, 15}, {28, 15});
  c.ThickLine({15, 3}, {15, 28});
  // The shafts are two pixels wide (rows and columns 15 and 16); so are the arrow tips.
  c.FillConvex({{1, 15}, {1, 16}, {6, 21}, {6, 10}});      // left
  c.FillConvex({{30, 15}, {30, 16}, {25, 21}, {25, 10}});  // right
  c.FillConvex({{15, 1}, {16, 1}, {21, 6}, {10, 6}});      // up
  c.FillConvex({{15, 30}, {16, 30}, {21, 25}, {10, 25}});  // down
  return c.Finish("crDirection", "CURSOR_DIRECTION", {15, 15});
}

// A circular arrow round the hotspot in the middle.
CursorImage DrawRotation() {
  Canvas c;
  c.Arc(15.5, 15.5, 8.5, 11.0, 0.0, 290.0);
  c.FillConvex({{17, 10}, {20, 2}, {24, 8}});              // the head at the open end, pointing on round the circle
  c.FillConvex({{14, 14}, {17, 14}, {17, 17}, {14, 17}});  // the centre
  return c.Finish("crRotation", "CURSOR_ROTATION", {15, 15});
}

// A diagonal double arrow through the hotspot in the middle.
CursorImage DrawScale() {
  Canvas c;
  c.ThickLine({5, 5}, {26, 26});
  c.FillConvex({{1, 1}, {11, 2}, {2, 11}});
  c.FillConvex({{30, 30}, {20, 29}, {29, 20}});
  c.FillConvex({{14, 14}, {17, 14}, {17, 17}, {14, 17}});
  return c.Finish("crScale", "CURSOR_SCALE", {15, 15});
}

}  // namespace

CursorPixel CursorImage::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height)
    throw std::out_of_range("cursor pixel outside the image");
  return pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
}

std::vector<std::uint32_t> CursorImage::ToArgb() const {
  std::vector<std::uint32_t> out;
  out.reserve(pixels.size());
  for (CursorPixel p : pixels) {
    switch (p) {
      case CursorPixel::Black:
        out.push_back(0xFF000000u);
        break;
      case CursorPixel::White:
        out.push_back(0xFFFFFFFFu);
        break;
      default:
        out.push_back(0u);
        break;
    }
  }
  return out;
}

void CursorImage::Validate() const {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
    throw std::invalid_argument("cursor \"" + name + "\": sides must lie in 1.." + std::to_string(kMaxSide));
  if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw std::invalid_argument("cursor \"" + name + "\": " + std::to_string(pixels.size()) + " pixels for " +
                                std::to_string(width) + " x " + std::to_string(height));
  if (hotX < 0 || hotY < 0 || hotX >= width || hotY >= height)
    throw std::invalid_argument("cursor \"" + name + "\": hotspot outside the image");
  for (CursorPixel p : pixels)
    if (p != CursorPixel::Transparent && p != CursorPixel::Black && p != CursorPixel::White)
      throw std::invalid_argument("cursor \"" + name + "\": unknown pixel value");
}

void CursorRegistry::Register(int id, const CursorImage& image) {
  image.Validate();
  cursors_[id] = image;
}

const CursorImage* CursorRegistry::Find(int id) const {
  const auto it = cursors_.find(id);
  return it == cursors_.end() ? nullptr : &it->second;
}

std::vector<int> CursorRegistry::Ids() const {
  std::vector<int> ids;
  ids.reserve(cursors_.size());
  for (const auto& entry : cursors_)
    ids.push_back(entry.first);
  return ids;
}

CursorRegistry& ScreenCursors() {
  static CursorRegistry registry;
  return registry;
}

CursorImage MakeToolCursor(int id) {
  switch (id) {
    case crKnife:
      return DrawKnife();
    case crScissors:
      return DrawScissors();
    case crDirection:
      return DrawDirection();
    case crRotation:
      return DrawRotation();
    case crScale:
      return DrawScale();
    default:
      throw std::invalid_argument("no tool cursor has the id " + std::to_string(id));
  }
}

void RegisterToolCursors(CursorRegistry& registry) {
  for (int id : {crKnife, crScissors, crDirection, crRotation, crScale})
    registry.Register(id, MakeToolCursor(id));
}

}  // namespace vrel
