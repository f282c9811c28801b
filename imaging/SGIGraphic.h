#pragma once

// Silicon Graphics images (sgi, rgb, rgba, bw): one grey channel (a second, alpha, is passed over),
// red, green and blue, or those with alpha; 8 or 16 bits a sample, big-endian; one channel plane after
// the other as they are, or each channel row run-length encoded and found through offset tables.
// Rows are stored from the bottom.

#include "imaging/RasterFormats.h"

namespace vrel {

class TSGIGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TSGIGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
