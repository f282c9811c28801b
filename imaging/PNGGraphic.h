#pragma once

// Portable Network Graphics images: grey, colour, palette, grey with alpha and colour with alpha at
// every bit depth the format allows, plain or Adam7-interlaced. Every chunk's CRC is checked, the
// image data are inflated and unfiltered row by row, gamma (gAMA) is applied, and the background
// (bKGD) and transparency (tRNS) chunks are kept with the picture.

#include <array>
#include <cstdint>

#include "imaging/RasterFormats.h"

namespace vrel {

class TPNGGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPNGGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;

  // The alpha of each palette index that a palette image's tRNS chunk gives (255 for the indexes it
  // leaves out); all 255 when there was none.
  const std::array<std::uint8_t, 256>& PaletteAlpha() const { return paletteAlpha_; }
  bool HasPaletteAlpha() const { return hasPaletteAlpha_; }
  // From bKGD: red + green x 256 + blue x 65536 (grey repeated), or a palette index; white without.
  std::uint32_t BackgroundColor() const { return backgroundColor_; }

 private:
  std::array<std::uint8_t, 256> paletteAlpha_{};
  bool hasPaletteAlpha_ = false;
  std::uint32_t backgroundColor_ = 0xFFFFFF;
};

}  // namespace vrel
