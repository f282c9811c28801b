#pragma once

// Text drawn into an RGB picture: the picture, and the port through which a font rasteriser (which
// lives with the window system, platform/qt) draws into it. The model paints the vista bitmap through
// it without knowing the window system.

#include <cstdint>
#include <string_view>
#include <vector>

namespace vrel {

struct TRgbColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  constexpr bool operator==(const TRgbColor&) const = default;
};

// Pixels in rows, top row first, three bytes each (red, green, blue), no padding.
class TRgbImage {
 public:
  TRgbImage(int width, int height, TRgbColor fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Pixels outside the image read as black and are not written.
  TRgbColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TRgbColor color);
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }

 private:
  int width_;
  int height_;
  std::vector<uint8_t> pixels_;
};

class IVistaTextRenderer {
 public:
  virtual ~IVistaTextRenderer() = default;
  // The advance of the text in pixels.
  virtual int TextWidth(std::string_view text) = 0;
  // Draws the text opaque over `background`, the top of its cell at y.
  virtual void DrawText(TRgbImage& image, int x, int y, std::string_view text, TRgbColor color,
                        TRgbColor background) = 0;
};

// Puts `renderer` behind the port (not owned) and answers the one that was there; nullptr leaves the
// port empty, and the bitmap cannot be made.
IVistaTextRenderer* SetVistaTextRenderer(IVistaTextRenderer* renderer);
IVistaTextRenderer* CurrentVistaTextRenderer();

}  // namespace vrel
