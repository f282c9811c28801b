#pragma once

// Portable Network Graphics images. Until its own loader exists, a file is checked chunk by chunk (lengths, CRCs, the
// end chunk) and decoded by the window system's decoder.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPNGGraphic : public TRasterGraphic {
  VREL_CLASS_INFO
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
