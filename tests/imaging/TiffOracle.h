// libtiff's own reading as the oracle of the TIFF loader: files made by ImageMagick and tiffcp (or by
// the tests' writer, for what no tool writes), each with the pixels tiff2rgba decodes from it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/Streams.h"
#include "imaging/TIFFGraphic.h"
#include "platform/Exceptions.h"
#include "tests/imaging/DecoderOracle.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel::oracle {

// A TIFF file and libtiff's decode of it: red, green, blue and alpha per pixel, top row first.
struct TiffCase {
  std::string Name;
  Bytes File;
  Bytes Rgba;
};

// Every byte with its bits in the opposite order (FillOrder 2).
inline void ReverseBitOrder(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
      r = static_cast<std::uint8_t>(r | ((b >> i) & 1) << (7 - i));
    b = r;
  }
}

// tiff2rgba's pixels of the file `name` in `folder`.
inline Bytes LibtiffRgba(const TempFolder& folder, const std::string& name) {
  RunOrFail(folder, "tiff2rgba -c none '" + name + "' rgba.tif");
  const TiffImage rgba = ReadTiff(folder, "rgba.tif");
  Bytes pixels = rgba.Joined();
  // tiff2rgba keeps the fill order of its input, also for its uncompressed output.
  if (rgba.FillOrder == 2)
    ReverseBitOrder(pixels);
  return pixels;
}

// Pictures made by ImageMagick in a folder of their own, and variants of them written by tiffcp.
class TiffCorpus {
 public:
  const TempFolder& Folder() const { return folder_; }

  // `name`.tif from ImageMagick's `convert` with these arguments (uncompressed).
  void Source(const std::string& name, const std::string& convertArguments) {
    RunOrFail(folder_, "convert " + convertArguments + " -compress None " + name + ".tif");
  }
  // The source as it is.
  TiffCase Plain(const std::string& source) { return Read(source, source + ".tif"); }
  // The source copied by tiffcp with these options.
  TiffCase Variant(const std::string& source, const std::string& options) {
    RunOrFail(folder_, "tiffcp " + options + " " + source + ".tif variant.tif");
    return Read(source + " " + options, "variant.tif");
  }
  // A file written by the tests.
  TiffCase Written(const std::string& name, const Bytes& file) {
    WriteBytes(folder_.path / "written.tif", file);
    return Read(name, "written.tif");
  }

 private:
  TiffCase Read(const std::string& name, const std::string& file) {
    return {name, ReadBytes(folder_.path / file), LibtiffRgba(folder_, file)};
  }

  TempFolder folder_;
};

// Our loader on the bytes of a file.
inline void LoadTiff(TTIFFGraphic& graphic, const Bytes& file) {
  TMemoryInputStream stream(file);
  graphic.LoadFromStream(stream);
}

// How libtiff's alpha compares with ours.
enum class AlphaRule {
  Exact,          // both the same (255 where the image has none)
  Premultiplied,  // libtiff multiplies unassociated alpha into the colour; ours keeps it apart
  Dropped,        // ours shows the colour without its alpha (grey or palette with alpha)
};

// Loads the case and compares every pixel with libtiff's, each sample within `tolerance`.
inline void ExpectLibtiffPixels(const TiffCase& tiff, int tolerance = 0, AlphaRule alpha = AlphaRule::Exact) {
  SCOPED_TRACE(tiff.Name);
  TTIFFGraphic graphic;
  try {
    LoadTiff(graphic, tiff.File);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "the load raised: " << e.what();
    return;
  }
  const Bytes bgra = graphic.ToBgra();
  ASSERT_EQ(bgra.size(), tiff.Rgba.size());
  int worst = 0;
  std::size_t worstAt = 0;
  for (std::size_t i = 0; i < bgra.size(); i += 4) {
    int ours[4] = {bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]};
    if (alpha == AlphaRule::Premultiplied) {
      for (int c = 0; c < 3; ++c)
        ours[c] = (ours[c] * ours[3] + 127) / 255;
    }
    for (int c = 0; c < 4; ++c) {
      if (c == 3 && alpha == AlphaRule::Dropped)
        continue;
      const int difference = std::abs(ours[c] - tiff.Rgba[i + static_cast<std::size_t>(c)]);
      if (difference > worst) {
        worst = difference;
        worstAt = i / 4;
      }
    }
  }
  EXPECT_LE(worst, tolerance) << "at pixel " << worstAt << " (" << graphic.Width() << " wide)";
}

}  // namespace vrel::oracle
