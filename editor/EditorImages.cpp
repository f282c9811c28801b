#include "editor/EditorImages.h"

#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace vrel {

namespace {

constexpr int32_t kRed = 0x0000FF;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kBlack = 0x000000;

// 3 x 5 digit shapes, one string per row, '#' set.
constexpr std::array<std::array<const char*, 5>, 10> kDigitShapes = {{
    {"###", "#.#", "#.#", "#.#", "###"},
    {".#.", "##.", ".#.", ".#.", "###"},
    {"###", "..#", "###", "#..", "###"},
    {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"},
    {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"},
    {"###", "..#", "..#", ".#.", ".#."},
    {"###", "#.#", "###", "#.#", "###"},
    {"###", "#.#", "###", "..#", "###"},
}};

class Pixels {
 public:
  Pixels(int width, int height, int32_t background)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), background) {}

  void Set(int x, int y, int32_t color) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_)
      pixels_[static_cast<std::size_t>(y * width_ + x)] = color;
  }
  void Fill(int x0, int y0, int x1, int y1, int32_t color) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        Set(x, y, color);
  }
  std::vector<int32_t> Take() { return std::move(pixels_); }

 private:
  int width_;
  int height_;
  std::vector<int32_t> pixels_;
};

// A dark blue tag with the digit in white, doubled in height (3 x 5 drawn as 3 x 9 with the middle
// row once), its corners cut.
std::vector<int32_t> DrawDigit(int digit) {
  Pixels p(8, 11, kRed);
  constexpr int32_t kTag = 0x800000;
  p.Fill(0, 0, 7, 10, kTag);
  for (auto [x, y] : {std::pair{0, 0}, {7, 0}, {0, 10}, {7, 10}})
    p.Set(x, y, kRed);
  const auto& shape = kDigitShapes[static_cast<std::size_t>(digit)];
  // Shape rows 0, 1, 2, 3, 4 go to image rows 1-2, 3-4, 5, 6-7, 8-9.
  constexpr std::array<std::pair<int, int>, 5> kRows = {{{1, 2}, {3, 4}, {5, 5}, {6, 7}, {8, 9}}};
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 3; ++c) {
      if (shape[static_cast<std::size_t>(r)][c] != '#')
        continue;
      for (int y = kRows[static_cast<std::size_t>(r)].first; y <= kRows[static_cast<std::size_t>(r)].second; ++y)
        p.Fill(2 + c, y, 2 + c, y, kWhite);
    }
  }
  return p.Take();
}

// Six marks, each a filled shape with a black outline: circle, square, triangle, diamond, star and
// flag.
std::vector<int32_t> DrawMark(int index) {
  Pixels p(11, 11, kWhite);
  constexpr std::array<int32_t, 6> kFill = {0x0000E0, 0x00A000, 0xE00000, 0xC000C0, 0x00A0FF, 0x008080};
  const int32_t fill = kFill[static_cast<std::size_t>(index)];
  const auto inside = [index](double x, double y) {
    const double dx = x - 5.0, dy = y - 5.0;
    switch (index) {
      case 0:
        return dx * dx + dy * dy <= 25.0;
      case 1:
        return std::abs(dx) <= 4.0 && std::abs(dy) <= 4.0;
      case 2:
        return y >= 1.0 && y <= 9.0 && std::abs(dx) <= (y - 1.0) * 5.0 / 8.0;
      case 3:
        return std::abs(dx) + std::abs(dy) <= 5.0;
      case 4: {
        const double r = std::sqrt(dx * dx + dy * dy);
        const double a = std::atan2(dy, dx);
        return r <= 2.2 + 2.8 * std::pow(std::abs(std::cos(2.5 * (a + 1.5707963))), 3.0);
      }
      default:
        return (x >= 1.0 && x <= 2.0 && y >= 0.0 && y <= 10.0) || (x >= 3.0 && x <= 9.0 && y >= 1.0 && y <= 5.0);
    }
  };
  bool set[11][11] = {};
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x)
      set[y][x] = inside(x, y);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 11; ++x) {
      if (!set[y][x])
        continue;
      const bool edge = x == 0 || y == 0 || x == 10 || y == 10 || !set[y - 1][x] || !set[y + 1][x] || !set[y][x - 1] ||
                        !set[y][x + 1];
      p.Set(x, y, edge ? kBlack : fill);
    }
  }
  return p.Take();
}

}  // namespace

const TClassInfo& TEditorImageList::StaticClass() {
  static const TClassInfo info("TEditorImageList", &Inherited::StaticClass());
  return info;
}

TEditorImageList::TEditorImageList(int width, int height, int32_t transparentColor, TComponent* owner)
    : TComponent(owner), width_(width), height_(height), transparent_(transparentColor) {}

void TEditorImageList::Add(std::vector<int32_t> pixels) {
  if (pixels.size() != static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_))
    throw std::invalid_argument("an image of " + std::to_string(pixels.size()) + " pixels for a list of " +
                                std::to_string(width_) + " x " + std::to_string(height_));
  images_.push_back(std::move(pixels));
  ++serial_;
}

namespace {

std::unique_ptr<TEditorImageList> DrawList(int width, int height, int32_t transparent, int count,
                                           std::vector<int32_t> (*draw)(int)) {
  auto images = std::make_unique<TEditorImageList>(width, height, transparent);
  for (int i = 0; i < count; ++i)
    images->Add(draw(i));
  return images;
}

}  // namespace

const TEditorImageList& DefaultDigitImages() {
  static const auto list = DrawList(8, 11, kRed, 10, DrawDigit);
  return *list;
}

const TEditorImageList& DefaultMarkImages() {
  static const auto list = DrawList(11, 11, kWhite, 6, DrawMark);
  return *list;
}

}  // namespace vrel
