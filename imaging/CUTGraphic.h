#pragma once

// Dr. Halo CUT images: 8-bit indexes in run-length encoded rows. The colours live in a palette file
// beside the image, with the image's name and the extension ".pal"; without one the picture is
// grey. The files carry no signature, so they are known by their extension only.

#include <string>

#include "imaging/RasterFormats.h"

namespace vrel {

class TCUTGraphic : public TRasterGraphic {
  VREL_CLASS_INFO(TCUTGraphic, TRasterGraphic)
 public:
  bool CanLoadFromStream(TInputStream& stream) const override;
  bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) override;
  // Colours from the palette file when one is named, else a grey ramp.
  void LoadFromStream(TInputStream& stream) override;
  // Names the palette file beside the image (FindCUTPaletteFile), then loads the image.
  void LoadFromFile(const std::string& fileName) override;

  const std::string& PaletteFileName() const { return paletteFileName_; }
  void SetPaletteFileName(std::string fileName) { paletteFileName_ = std::move(fileName); }

 private:
  std::string paletteFileName_;
};

// The palette file of a CUT image: the image's name with ".pal" for its extension, matched without
// regard to the case of the letters; only a regular file counts. Empty when there is none.
std::string FindCUTPaletteFile(const std::string& imageFileName);

// A Dr. Halo palette file: 512-byte blocks, the highest index at offset 12, then from offset 40 three
// 16-bit levels (red, green, blue; the low byte counts) an entry; an entry that would start past
// byte 506 of a block starts the next block. Raises the stream's read error when the entries the file
// promises are not there.
TPalette ReadCUTPalette(TInputStream& stream);

}  // namespace vrel
