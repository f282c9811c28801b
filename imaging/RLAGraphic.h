#pragma once

// Alias/Wavefront run-length images (rla, rpf): three colour channels and an optional matte of 8 or
// 16 bits, each scan line a run-length coded record per channel, found through a table of offsets.
// Scan lines are stored from the bottom of the picture up.

#include "imaging/RasterFormats.h"

namespace vrel {

class TRLAGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TRLAGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
