#pragma once

// Kodak Photo-CD image packs. The loader comes with its own change; until then a file of this kind is recognised and
// refused with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPCDGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPCDGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
