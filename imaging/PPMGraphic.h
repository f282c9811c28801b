#pragma once

// Portable bitmap, grey map and pixel map images, plain (P1 to P3, numbers as text) and raw (P4 to
// P6): black and white, grey or colour samples up to a maximum value of 65535, scaled to 8 bits.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPPMGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPPMGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  // Reads the whole header (magic, width, height and, but for bitmaps, the maximum value).
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
