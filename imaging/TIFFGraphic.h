#pragma once

// Tagged Image File Format images: the first image of a TIFF file. The loader comes with its own change; until then a
// file of this kind is recognised and refused with a clear message.

#include "imaging/RasterFormats.h"

namespace vrel {

class TTIFFGraphic : public TRasterGraphic {
  VREL_CLASS_INFO
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
