#pragma once

// The colour manager: turns rows of decoded samples in any of the source layouts the image loaders
// meet (indexed, grey, RGB and BGR with or without alpha, CMYK, CIE L*a*b*, YCbCr, Photo YCC; 1 to 16
// bits; interleaved or one plane per sample; big-endian 16-bit samples; gamma) into rows that a bitmap
// holds, normally 8-bit BGR. A loader describes both sides, then converts row by row; the manager
// picks one row converter per change of its settings. A pair of sides it cannot convert raises
// EColorConversionError at the first row: it never leaves a blank image behind a success.
//
// Rows come as spans: each is checked once per row against what the conversion reads and writes,
// so a row too short raises instead of being read or written past its end.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/Graphics.h"
#include "platform/Exceptions.h"

namespace vrel {

class EColorConversionError : public Exception {
 public:
  using Exception::Exception;
};

enum class TColorScheme : std::uint8_t {
  Unknown,
  Indexed,
  Gray,
  GrayAlpha,
  RGB,
  RGBA,
  BGR,
  BGRA,
  CMY,
  CMYK,
  CIELab,
  YCbCr,
  PhotoYCC,
};

// Conversion options, a set for the source and one for the target.
enum TConvertOption : std::uint8_t {
  coAlpha = 1,            // the pixels carry an alpha sample (set by PrepareConversion from the schemes)
  coApplyGamma = 2,       // target: samples and palettes pass through the gamma table
  coNeedByteSwap = 4,     // source: 16-bit samples are big-endian
  coLabByteRange = 8,     // source: L* is stored 0..255 for 0..100
  coLabChromaOffset = 16  // source: a* and b* are stored plus 128
};
using TConvertOptions = std::uint8_t;

// A source row: one span of interleaved samples, or one span per sample (planar).
using TSourceRows = std::span<const std::span<const std::uint8_t>>;

class TColorManager {
 public:
  TColorManager();

  // 1 to 16; anything else raises and changes nothing.
  std::uint8_t SourceBitsPerSample() const { return sourceBits_; }
  void SetSourceBitsPerSample(std::uint8_t bits);
  std::uint8_t TargetBitsPerSample() const { return targetBits_; }
  void SetTargetBitsPerSample(std::uint8_t bits);
  // 1 to 4; anything else raises and changes nothing.
  std::uint8_t SourceSamplesPerPixel() const { return sourceSamples_; }
  void SetSourceSamplesPerPixel(std::uint8_t samples);
  std::uint8_t TargetSamplesPerPixel() const { return targetSamples_; }
  void SetTargetSamplesPerPixel(std::uint8_t samples);
  TColorScheme SourceColorScheme() const { return sourceScheme_; }
  void SetSourceColorScheme(TColorScheme scheme);
  TColorScheme TargetColorScheme() const { return targetScheme_; }
  void SetTargetColorScheme(TColorScheme scheme);
  TConvertOptions SourceOptions() const { return sourceOptions_; }
  void SetSourceOptions(TConvertOptions options) { sourceOptions_ = options; }
  TConvertOptions TargetOptions() const { return targetOptions_; }
  void SetTargetOptions(TConvertOptions options) { targetOptions_ = options; }

  // Builds the gamma table for the current bit depths: entry i of 0..MaxIn is
  // round((i / MaxIn)^(1 / (main x display)) x MaxOut). Values not above 0 (or NaN) mean 1.0 and 2.2.
  void SetGamma(float mainGamma, float displayGamma = 2.2f);
  float MainGamma() const { return mainGamma_; }
  float DisplayGamma() const { return displayGamma_; }
  const std::array<std::uint8_t, 256>& GammaTable() const { return gammaTable_; }

  // One to three luma weights (red, green, blue; the weights are kept even when the subsampling
  // raises), then the subsampling factors: 1, 2 or 4, the vertical not above the horizontal.
  void SetYCbCrParameters(std::span<const float> values, std::uint8_t hSubSampling, std::uint8_t vSubSampling);
  const std::array<float, 3>& YCbCrCoefficients() const { return yCbCrCoefficients_; }
  std::uint8_t HSubSampling() const { return hSubSampling_; }
  std::uint8_t VSubSampling() const { return vSubSampling_; }
  // The chroma tables PrepareConversion builds for YCbCr and Photo YCC sources.
  const std::array<std::int32_t, 256>& CrToRedTable() const { return crToRed_; }
  const std::array<std::int32_t, 256>& CbToBlueTable() const { return cbToBlue_; }
  const std::array<std::int32_t, 256>& CrToGreenTable() const { return crToGreen_; }
  const std::array<std::int32_t, 256>& CbToGreenTable() const { return cbToGreen_; }

  // Picks the row converter for the two sides; raises for indexed or grey on one side only. A pair
  // it cannot convert leaves no converter, so the next row raises.
  void PrepareConversion();
  bool Changed() const { return changed_; }

  // Converts the pixels of one row: `count` target pixels are stepped over, and target pixel i is
  // written (from the next source pixel) only when bit 7 - i mod 8 of `mask` is set. So the source
  // holds only the selected pixels, and mask 255 converts count pixels one to one.
  void ConvertRow(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count, std::uint8_t mask);
  void ConvertRow(std::span<const std::uint8_t> source, std::span<std::uint8_t> target, std::uint32_t count,
                  std::uint8_t mask);

  // The bitmap format for the source (index 0) or the target (any other index).
  TPixelFormat GetPixelFormat(int index) const;

  // A palette from colour data: formats 0 and 1 8-bit triples (1 with a fourth byte skipped; blue
  // first with componentOrder, else red first), 2 and 3 three 8-bit planes red, green, blue, 4 and 5
  // 16-bit triples (5 with a fourth word; red first with componentOrder, else blue first), 6 and 7
  // three 16-bit planes. Resampled to the target depth when the index ranges differ.
  TPalette CreateColorPalette(std::span<const std::span<const std::uint8_t>> data, std::uint8_t dataFormat,
                              std::uint32_t colorCount, bool componentOrder) const;
  // 2^min(target bits x target samples, 8) evenly spaced greys, white first with minimumIsWhite.
  TPalette CreateGrayscalePalette(bool minimumIsWhite) const;

  enum class Converter : std::uint8_t {
    None,
    IndexedByDepth,
    Indexed16To16,
    Indexed16ToN,
    IndexedNTo16,
    GrayFamily,
    RGBFamily,
    CMYK,
    Lab,
    YCbCr,
  };
  Converter SelectedConverter() const { return converter_; }

 private:
  void BuildYCbCrTables();
  void ConvertIndexed(std::span<const std::uint8_t> source, std::span<std::uint8_t> target, std::uint32_t count,
                      std::uint8_t mask) const;
  void ConvertGray(std::span<const std::uint8_t> source, std::span<std::uint8_t> target, std::uint32_t count,
                   std::uint8_t mask) const;
  void ConvertRGB(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count, std::uint8_t mask) const;
  void ConvertCMYK(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count, std::uint8_t mask) const;
  void ConvertLab(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count, std::uint8_t mask) const;
  void ConvertYCbCr(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count, std::uint8_t mask) const;
  // Raises unless the rows hold what the converter reads and writes.
  void CheckRows(TSourceRows source, std::span<std::uint8_t> target, std::uint32_t count, std::uint8_t mask) const;

  bool changed_ = true;
  std::uint8_t sourceBits_ = 8;
  std::uint8_t targetBits_ = 8;
  std::uint8_t sourceSamples_ = 3;
  std::uint8_t targetSamples_ = 3;
  float mainGamma_ = 1.0f;
  float displayGamma_ = 2.2f;
  std::array<std::uint8_t, 256> gammaTable_{};
  std::array<float, 3> yCbCrCoefficients_{0.299f, 0.587f, 0.114f};
  std::uint8_t hSubSampling_ = 1;
  std::uint8_t vSubSampling_ = 1;
  std::array<std::int32_t, 256> crToRed_{};
  std::array<std::int32_t, 256> cbToBlue_{};
  std::array<std::int32_t, 256> crToGreen_{};
  std::array<std::int32_t, 256> cbToGreen_{};
  TColorScheme sourceScheme_ = TColorScheme::RGB;
  TColorScheme targetScheme_ = TColorScheme::BGR;
  Converter converter_ = Converter::None;
  bool reverseOrder_ = false;  // the target's component order is the opposite of the source's (or of RGB)
  TConvertOptions sourceOptions_ = 0;
  TConvertOptions targetOptions_ = 0;
};

}  // namespace vrel
