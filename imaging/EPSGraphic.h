#pragma once

// Encapsulated PostScript files: the TIFF preview stored inside a binary EPS file (a 30-byte header
// names where the preview lies). The PostScript itself is not drawn.

#include "imaging/TIFFGraphic.h"

namespace vrel {

class TEPSGraphic : public TTIFFGraphic {
  VREL_CLASS_INFO(TEPSGraphic, TTIFFGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
