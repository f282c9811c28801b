#include "editor/EditorCursors.h"

#include <stdexcept>
#include <string>
#include <string_view>

#include "editor/EditorProperties.h"

namespace vrel {

namespace {

// The arrow, tip at the top left: 'X' black, '.' white, ' ' transparent.
constexpr std::string_view kArrow[] = {
    "X",          "XX",          "X.X",     "X..X",     "X...X",    "X....X",    "X.....X",   "X......X",   "X.......X",
    "X........X", "X.....XXXXX", "X..X..X", "X.X X..X", "XX  X..X", "X    X..X", "     X..X", "      X..X", "      XX",
};

// A box with a plus sign, put below and right of the arrow's tail.
constexpr std::string_view kCopyBox[] = {
    "XXXXXXXXXXX", "X.........X", "X....X....X", "X....X....X", "X..XXXXX..X",
    "X....X....X", "X....X....X", "X.........X", "XXXXXXXXXXX",
};

CursorImage Blank(const char* name, const char* resource, int side) {
  CursorImage image;
  image.name = name;
  image.resource = resource;
  image.width = side;
  image.height = side;
  image.pixels.assign(static_cast<std::size_t>(side * side), CursorPixel::Transparent);
  return image;
}

void Paint(CursorImage& image, int left, int top, const std::string_view* rows, std::size_t count, bool mirror) {
  for (std::size_t r = 0; r < count; ++r) {
    const std::string_view row = rows[r];
    for (std::size_t c = 0; c < row.size(); ++c) {
      const int x = mirror ? left - static_cast<int>(c) : left + static_cast<int>(c);
      const int y = top + static_cast<int>(r);
      if (x < 0 || y < 0 || x >= image.width || y >= image.height || row[c] == ' ')
        continue;
      image.pixels[static_cast<std::size_t>(y * image.width + x)] =
          row[c] == 'X' ? CursorPixel::Black : CursorPixel::White;
    }
  }
}

}  // namespace

CursorImage MakeEditorCursor(int id) {
  constexpr int kSide = 32;
  if (id == crEditorRightArrow) {
    CursorImage image = Blank("crEditorRightArrow", "RightArrow", kSide);
    Paint(image, 20, 0, kArrow, std::size(kArrow), true);
    image.hotX = 20;
    image.hotY = 0;
    return image;
  }
  if (id == crEditorDragSelCopy) {
    CursorImage image = Blank("crEditorDragSelCopy", "DragSelCopy", kSide);
    Paint(image, 0, 0, kArrow, std::size(kArrow), false);
    Paint(image, 8, 19, kCopyBox, std::size(kCopyBox), false);
    image.hotX = 0;
    image.hotY = 0;
    return image;
  }
  throw std::invalid_argument("no editor cursor has the id " + std::to_string(id));
}

void RegisterEditorCursors(CursorRegistry& registry) {
  for (int id : {static_cast<int>(crEditorRightArrow), static_cast<int>(crEditorDragSelCopy)})
    registry.Register(id, MakeEditorCursor(id));
}

}  // namespace vrel
