#pragma once

// Paint Shop Pro images. The loader comes with its own change; until then a file of this kind is recognised and refused
// with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPSPGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPSPGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
