#pragma once

// Autodesk Animator cel and picture images. The loader comes with its own change; until then a file of this kind is
// recognised and refused with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TAutodeskGraphic : public TRasterGraphic {
  VREL_CLASS_INFO
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
