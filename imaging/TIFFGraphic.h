#pragma once

// Tagged Image File Format images: the first image of a TIFF file, in either byte order, in strips or
// tiles, one plane or one per sample, uncompressed or packed by PackBits, deflate (with the
// horizontal predictor), JPEG, CCITT fax (modified Huffman, Group 3, Group 4) or ThunderScan. Grey,
// palette, RGB with or without alpha, CMYK, CIE L*a*b* and YCbCr (subsampled too) pixels of 1 to 16
// bits go through the colour manager into the bitmap: palette and grey images keep their indices,
// 16-bit samples become 8-bit ones, colour becomes blue, green, red (and alpha, divided out of colour
// stored multiplied by it).
//
// Every offset and count of the file is checked against the stream before it is used, and the image
// against its data before anything is allocated; a file this loader cannot show (LZW, a floating
// point predictor, an unknown colour model) is refused with a message that says why.

#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/RasterFormats.h"
#include "imaging/TIFFDirectory.h"

namespace vrel {

class TTIFFGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TTIFFGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  // The head of image `imageIndex` of the TIFF data at the stream's position.
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  // The first image of the TIFF data at the stream's position; every offset counts from there.
  void LoadFromStream(TInputStream& stream) override;

 private:
  // The properties from the fields of the directory just read; false when the image is unusable.
  bool ReadFields(TInputStream& stream);

  std::uint64_t basePosition_ = 0;
  TTIFFDirectory directory_;
  std::uint32_t yCbCrPositioning_ = 1;
  TFloatArray yCbCrCoefficients_;
};

}  // namespace vrel
