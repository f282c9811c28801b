#pragma once

// Kodak Photo-CD image packs (pcd): the Base image of 768 x 512 pixels (an overview pack's first
// thumbnail of 192 x 128), Photo YCC with chroma at half resolution in both directions, turned by a
// quarter turn when the pack says so.

#include <cstdint>
#include <span>

#include "imaging/RasterFormats.h"

namespace vrel {

class TPCDGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TPCDGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  // `imageIndex` is the resolution: 0 Base/16 (192 x 128) to 5 64Base, larger values 5; an overview
  // pack always 0.
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TInputStream& stream) override;
};

// Doubles a chroma plane of width x height samples, stored at a row stride of 2 x width, in place to
// 2 x width by 2 x height: a new sample between two neighbours is their mean rounded up, one among
// four the mean of the four; the last column and the last row repeat the ones before them.
void Upsample(std::uint32_t width, std::uint32_t height, std::span<std::uint8_t> plane);

}  // namespace vrel
