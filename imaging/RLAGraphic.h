#pragma once

// Alias/Wavefront run-length images (rla, rpf). The loader comes with its own change; until then a file of this kind is
// recognised and refused with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TRLAGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TRLAGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
