#pragma once

// Photoshop images: the merged image of a PSD file. The loader comes with its own change; until then a file of this
// kind is recognised and refused with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPSDGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPSDGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
