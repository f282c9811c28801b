#pragma once

// Autodesk Animator cel and picture images: 8-bit indexes with a palette of 6-bit colour levels,
// rows from the top, not compressed.

#include "imaging/RasterFormats.h"

namespace vrel {

class TAutodeskGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TAutodeskGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
