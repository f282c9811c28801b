#include "files/VistaBitmap.h"

#include <cstddef>

namespace vrel {

namespace {

void PutU16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

}  // namespace

TRgbImage PaintVistaPicture(IVistaTextRenderer& renderer) {
  TRgbImage image(kVistaBitmapSize, kVistaBitmapSize, kVistaNavy);
  const std::string size = std::to_string(kVistaBitmapSize);
  const struct {
    std::string text;
    TRgbColor color;
  } lines[] = {
      {size + " * " + size + " pixel", kVistaYellow},
      {"Needed to run FMS", kVistaYellow},
      {"on", kVistaWhite},
      {"Windows VISTA", kVistaWhite},
  };
  int y = 30;
  for (const auto& line : lines) {
    y += 35;
    const int x = (kVistaBitmapSize - renderer.TextWidth(line.text)) / 2;
    renderer.DrawText(image, x, y, line.text, line.color, kVistaNavy);
  }
  return image;
}

std::string EncodeBmp24(const TRgbImage& image) {
  const auto width = static_cast<uint32_t>(image.Width());
  const auto height = static_cast<uint32_t>(image.Height());
  const uint32_t rowBytes = (width * 3 + 3) & ~3u;
  const uint32_t pixelBytes = rowBytes * height;
  constexpr uint32_t kHeaderBytes = 14 + 40;

  std::string out;
  out.reserve(kHeaderBytes + pixelBytes);
  // File header.
  out += "BM";
  PutU32(out, kHeaderBytes + pixelBytes);
  PutU32(out, 0);
  PutU32(out, kHeaderBytes);
  // Information header: positive height, so rows run bottom-up.
  PutU32(out, 40);
  PutU32(out, width);
  PutU32(out, height);
  PutU16(out, 1);   // planes
  PutU16(out, 24);  // bits per pixel
  PutU32(out, 0);   // no compression
  PutU32(out, pixelBytes);
  PutU32(out, 0);  // no stated resolution
  PutU32(out, 0);
  PutU32(out, 0);  // no palette
  PutU32(out, 0);

  for (int y = image.Height() - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < image.Width(); ++x) {
      const TRgbColor c = image.Pixel(x, y);
      out += static_cast<char>(c.Blue);
      out += static_cast<char>(c.Green);
      out += static_cast<char>(c.Red);
    }
    out.append(rowBytes - (out.size() - start), '\0');
  }
  return out;
}

}  // namespace vrel
