#pragma once

// Dr. Halo CUT images. Their files carry no signature, so they are known by their extension only. The loader comes with
// its own change; until then a file of this kind is recognised and refused with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TCUTGraphic : public TRasterGraphic {
  VREL_CLASS_INFO
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
