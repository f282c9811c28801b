#pragma once

// Encapsulated PostScript files: the TIFF preview stored inside a binary EPS file. The loader comes with its own
// change; until then a file of this kind is recognised and refused with a clear message.

#include "imaging/TIFFGraphic.h"

namespace vrel {

class TEPSGraphic : public TTIFFGraphic {
  VREL_CLASS_INFO
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
