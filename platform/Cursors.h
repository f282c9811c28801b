#pragma once

// The screen's cursor table: cursor ids mapped to cursor images (a small black-and-white bitmap with
// a hotspot), kept as plain data so that the model and its tests need no window system. The
// application turns an entry into a window-system cursor when a view asks for its id.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vrel {

// The cursor ids of the edit modes' tool cursors.
enum TToolCursor : int {
  crKnife = 1960,
  crScissors = 1961,
  crDirection = 1962,
  crRotation = 1963,
  crScale = 1964,
};

enum class CursorPixel : std::uint8_t { Transparent, Black, White };

struct CursorImage {
  static constexpr int kMaxSide = 256;

  std::string name;      // "crKnife"
  std::string resource;  // the resource name the cursor was known by, "CURSOR_KNIFE"
  int width = 0;
  int height = 0;
  int hotX = 0;  // the pixel that points, from the top-left corner
  int hotY = 0;
  std::vector<CursorPixel> pixels;  // rows from the top, `width` pixels each

  // Throws std::out_of_range outside the image.
  CursorPixel At(int x, int y) const;
  // One 0xAARRGGBB per pixel, rows from the top: black and white opaque, the rest fully transparent.
  std::vector<std::uint32_t> ToArgb() const;
  // Throws std::invalid_argument unless the sides are 1..kMaxSide, the pixels fill them exactly and
  // the hotspot lies inside.
  void Validate() const;
};

class CursorRegistry {
 public:
  // Stores a copy under `id`, replacing what the id held; the image is validated first, and a bad
  // one changes nothing.
  void Register(int id, const CursorImage& image);
  // nullptr when the id holds nothing.
  const CursorImage* Find(int id) const;
  bool Contains(int id) const { return cursors_.count(id) != 0; }
  // In increasing order.
  std::vector<int> Ids() const;
  int Count() const { return static_cast<int>(cursors_.size()); }

 private:
  std::map<int, CursorImage> cursors_;
};

// The table the whole program shares (the screen's cursors).
CursorRegistry& ScreenCursors();

// The image of one of the five tool cursors, drawn in code; throws std::invalid_argument for any
// other id.
CursorImage MakeToolCursor(int id);
// Puts the five tool cursors into the table under their ids. Run at start-up; running it again
// stores equal images.
void RegisterToolCursors(CursorRegistry& registry = ScreenCursors());

}  // namespace vrel
