#pragma once

// Paint Shop Pro images (psp): the first layer that holds a bitmap, 1, 4 or 8 bits indexed or grey,
// or 24-bit colour with an optional transparency mask, its channels raw, run-length or deflate
// coded. Little-endian blocks, each behind a "~BK" marker.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPSPGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPSPGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  // The signature, the version and the general image attributes block.
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
