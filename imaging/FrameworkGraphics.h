#pragma once

// The framework's own picture types beside the bitmap: icons (through the window system's decoder,
// after a check that every image the directory names lies inside the file), JPEG images (decoded by
// libjpeg through the JPEG glue; a file that ends early is refused, not padded) and metafiles, which
// keep their place in the registry but cannot be shown on this platform.

#include "imaging/Graphics.h"

namespace vrel {

class TIcon : public TBitmap {
  VREL_CLASS_INFO(TIcon, TBitmap)
 public:
  void LoadFromStream(TInputStream& stream) override;
  bool CanLoadFromStream(TInputStream& stream) const override;
};

class TJPEGImage : public TBitmap {
  VREL_CLASS_INFO(TJPEGImage, TBitmap)
 public:
  void LoadFromStream(TInputStream& stream) override;
  bool CanLoadFromStream(TInputStream& stream) const override;
};

class TMetafile : public TGraphic {
  VREL_CLASS_INFO(TMetafile, TGraphic)
 public:
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  // Always raises EInvalidGraphic: Windows metafiles are drawn by the Windows graphics system only.
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
