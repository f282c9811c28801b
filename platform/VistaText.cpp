#include "platform/VistaText.h"

#include <cstddef>

namespace vrel {

namespace {
IVistaTextRenderer* g_renderer = nullptr;
}  // namespace

TRgbImage::TRgbImage(int width, int height, TRgbColor fill)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0) {
  pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3);
  for (std::size_t i = 0; i < pixels_.size(); i += 3) {
    pixels_[i] = fill.Red;
    pixels_[i + 1] = fill.Green;
    pixels_[i + 2] = fill.Blue;
  }
}

TRgbColor TRgbImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return {};
  const std::size_t at =
      (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
  return {pixels_[at], pixels_[at + 1], pixels_[at + 2]};
}

void TRgbImage::SetPixel(int x, int y, TRgbColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    return;
  const std::size_t at =
      (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
  pixels_[at] = color.Red;
  pixels_[at + 1] = color.Green;
  pixels_[at + 2] = color.Blue;
}

IVistaTextRenderer* SetVistaTextRenderer(IVistaTextRenderer* renderer) {
  IVistaTextRenderer* previous = g_renderer;
  g_renderer = renderer;
  return previous;
}

IVistaTextRenderer* CurrentVistaTextRenderer() {
  return g_renderer;
}

}  // namespace vrel
