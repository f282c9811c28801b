#pragma once

// The small bitmap that the simulator needs beside a scene on one operating system: 255 x 255
// pixels, navy, with four centred lines of text. Text needs a font rasteriser, which lives with the
// window system; the picture's layout and its file format do not, so the rasteriser comes in through
// a small port.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

struct TRgbColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  constexpr bool operator==(const TRgbColor&) const = default;
};

inline constexpr TRgbColor kVistaNavy{0, 0, 128};
inline constexpr TRgbColor kVistaYellow{255, 255, 0};
inline constexpr TRgbColor kVistaWhite{255, 255, 255};

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

inline constexpr int kVistaBitmapSize = 255;
// The file name the scene's vista quad names, in the scene's folder.
inline constexpr const char* kVistaBitmapFileName = "fms_vista.bmp";

// The picture: navy; "255 * 255 pixel" and "Needed to run FMS" in yellow, "on" and "Windows VISTA" in
// white, each at x = (255 - its width) / 2 (truncated toward zero) with the tops of the cells at
// y = 65, 100, 135 and 170.
TRgbImage PaintVistaPicture(IVistaTextRenderer& renderer);

// A Windows BMP file of the image: 24 bits per pixel, uncompressed, rows bottom-up and padded to
// four bytes.
std::string EncodeBmp24(const TRgbImage& image);

}  // namespace vrel
