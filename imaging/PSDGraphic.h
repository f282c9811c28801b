#pragma once

// Photoshop images (psd, pdd): the merged image that a Photoshop file keeps after its layers, in
// bitmap, grey, duotone, indexed, RGB, multichannel, CMYK or Lab mode, 1, 8 or 16 bits per channel,
// raw or PackBits. Channels are planes, rows of (width x depth + 7) / 8 bytes, big-endian.

#include "imaging/RasterFormats.h"

namespace vrel {

class TPSDGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPSDGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  // Reads the header, steps over the three sections and reads the compression; the stream is left
  // at the image data. False when the head is no Photoshop image this loader can read.
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

}  // namespace vrel
