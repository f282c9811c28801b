#pragma once

// ZSoft Paintbrush images (and Word 5 screen captures): one plane of 1, 2, 4 or 8 bits, up to four
// planes of 1 bit (combined into 4-bit pixels), or three or four 8-bit planes of colour; stored as
// they are or run-length encoded, with the palette in the header or after the pixels.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPCXGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPCXGraphic, TRasterGraphic)
 public:
  // Accepts exactly the headers the loader reads.
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
