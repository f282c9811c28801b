#pragma once

// Truevision Targa images: colour-mapped, true-colour (15/16, 24 and 32 bits) and grey pictures,
// stored as they are or run-length encoded, rows from the bottom or from the top. The graphic also
// writes itself as a run-length encoded Targa file.

#include "imaging/RasterFormats.h"
#include "imaging/Streams.h"

namespace vrel {

class TTargaGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TTargaGraphic, TRasterGraphic)
 public:
  // Accepts a known image type and pixel depth; the colour-map entry size counts only when the file
  // has a colour map (tools write 0 there for true-colour and grey files).
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
  // Run-length encoded, rows from the top: 8-bit pictures (1- and 4-bit ones widened) with their
  // palette as type 9, the others as type 10 of 16, 24 or 32 bits (with 8 alpha bits when the
  // picture's alpha is defined).
  void SaveToStream(TOutputStream& stream) const;
};

}  // namespace vrel
