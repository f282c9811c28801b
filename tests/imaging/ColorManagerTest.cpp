// The colour manager's conversions against the pixels ImageMagick and netpbm decode from the same
// images, and its rules for settings, masks, palettes and the conversions it cannot do.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/PixelColor.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/ImageOracle.h"

namespace vrel {
namespace {

using oracle::MaxDifference;
using oracle::ReadBytes;
using oracle::RunTool;
using Bytes = std::vector<std::uint8_t>;

constexpr int kW = 23, kH = 5;  // odd sizes, so that no row is a round number of anything

struct Oracle {
  oracle::TempFolder folder;
  // An image with every channel busy, written by ImageMagick at 16 bits per sample.
  Oracle() { EXPECT_TRUE(RunTool(folder, "convert -size 23x5 -seed 7 plasma:fractal -depth 16 source.miff")); }
  // The image as raw samples of the given kind (rgb, bgr, cmyk, ycbcr ...) at `depth`, big-endian.
  Bytes Raw(const std::string& command, const std::string& name) {
    EXPECT_TRUE(RunTool(folder, "convert source.miff " + command + " " + name)) << command;
    return ReadBytes(folder.path / name.substr(name.find(':') + 1));
  }
};

TColorManager Manager(TColorScheme from, TColorScheme to, std::uint8_t sourceBits, std::uint8_t targetBits,
                      TConvertOptions sourceOptions = 0) {
  TColorManager manager;
  manager.SetSourceColorScheme(from);
  manager.SetTargetColorScheme(to);
  manager.SetSourceBitsPerSample(sourceBits);
  manager.SetTargetBitsPerSample(targetBits);
  manager.SetSourceOptions(sourceOptions);
  return manager;
}

// Converts the rows of an interleaved image, `sourceRow` bytes and `targetRow` bytes per row.
Bytes ConvertRows(TColorManager& manager, const Bytes& source, std::size_t sourceRow, std::size_t targetRow) {
  Bytes target(targetRow * kH);
  for (std::size_t y = 0; y < kH; ++y)
    manager.ConvertRow(std::span(source).subspan(y * sourceRow, sourceRow), std::span(target).subspan(y * targetRow),
                       kW, 0xFF);
  return target;
}

TEST(ColorManagerOracle, EightBitRGBBecomesTheBGRImageMagickWrites) {
  Oracle o;
  const Bytes rgb = o.Raw("-depth 8", "rgb:a.rgb");
  TColorManager m = Manager(TColorScheme::RGB, TColorScheme::BGR, 8, 8);
  EXPECT_EQ(ConvertRows(m, rgb, kW * 3, kW * 3), o.Raw("-depth 8", "bgr:a.bgr"));
}

TEST(ColorManagerOracle, PlanarRGBAIsInterleavedIntoBGRAWithItsAlpha) {
  Oracle o;
  const Bytes planes = o.Raw("-alpha set -channel A -fx 'i/w' -depth 8 -interlace plane", "rgba:p.rgba");
  const std::size_t plane = std::size_t{kW} * kH;
  TColorManager m = Manager(TColorScheme::RGBA, TColorScheme::BGRA, 8, 8);
  Bytes target(plane * 4);
  for (std::size_t y = 0; y < kH; ++y) {
    std::array<std::span<const std::uint8_t>, 4> rows;
    for (std::size_t k = 0; k < 4; ++k)
      rows[k] = std::span(planes).subspan(k * plane + y * kW, kW);
    m.ConvertRow(rows, std::span(target).subspan(y * kW * 4), kW, 0xFF);
  }
  EXPECT_EQ(target, o.Raw("-alpha set -channel A -fx 'i/w' -depth 8", "bgra:a.bgra"));
}

// The colour manager truncates (v x 255 div 65535) where ImageMagick rounds: one step at most.
TEST(ColorManagerOracle, SixteenBitPlanarBigEndianRGBReducesToBGRWithinOneStep) {
  Oracle o;
  const Bytes planes = o.Raw("-depth 16 -endian MSB -interlace plane", "rgb:p.rgb");
  const std::size_t plane = std::size_t{kW} * kH * 2;
  TColorManager m = Manager(TColorScheme::RGB, TColorScheme::BGR, 16, 8, coNeedByteSwap);
  Bytes target(std::size_t{kW} * kH * 3);
  for (std::size_t y = 0; y < kH; ++y) {
    std::array<std::span<const std::uint8_t>, 3> rows;
    for (std::size_t k = 0; k < 3; ++k)
      rows[k] = std::span(planes).subspan(k * plane + y * kW * 2, kW * 2);
    m.ConvertRow(rows, std::span(target).subspan(y * kW * 3), kW, 0xFF);
  }
  EXPECT_LE(MaxDifference(target, o.Raw("-depth 8", "bgr:a.bgr")), 1);
}

TEST(ColorManagerOracle, SixteenBitSamplesKeepTheirValueIntoASixteenBitTarget) {
  Oracle o;
  const Bytes big = o.Raw("-depth 16 -endian MSB", "rgb:a.rgb");
  TColorManager m = Manager(TColorScheme::RGB, TColorScheme::BGR, 16, 16, coNeedByteSwap);
  EXPECT_EQ(ConvertRows(m, big, kW * 6, kW * 6), o.Raw("-depth 16 -endian LSB", "bgr:b.bgr"));
}

TEST(ColorManagerOracle, SixteenBitGreyFromNetpbmReducesWithinOneStep) {
  oracle::TempFolder folder;
  ASSERT_TRUE(RunTool(folder, "pgmramp -lr -maxval 65535 300 3 > ramp.pgm && pamdepth 255 ramp.pgm > ramp8.pgm"));
  const Bytes pgm = ReadBytes(folder.path / "ramp.pgm"), pgm8 = ReadBytes(folder.path / "ramp8.pgm");
  const Bytes samples(pgm.end() - 300 * 3 * 2, pgm.end()), expected(pgm8.end() - 300 * 3, pgm8.end());
  TColorManager m = Manager(TColorScheme::Gray, TColorScheme::Gray, 16, 8, coNeedByteSwap);
  Bytes target(300 * 3);
  for (std::size_t y = 0; y < 3; ++y)
    m.ConvertRow(std::span(samples).subspan(y * 600, 600), std::span(target).subspan(y * 300), 300, 0xFF);
  EXPECT_LE(MaxDifference(target, expected), 1);
}

TEST(ColorManagerOracle, FourBitGreyWidensToTheEightBitsNetpbmScalesTo) {
  oracle::TempFolder folder;
  ASSERT_TRUE(RunTool(folder, "pgmramp -lr -maxval 15 31 2 > ramp.pgm && pamdepth 255 ramp.pgm > ramp8.pgm"));
  const Bytes pgm = ReadBytes(folder.path / "ramp.pgm"), pgm8 = ReadBytes(folder.path / "ramp8.pgm");
  const Bytes expected(pgm8.end() - 31 * 2, pgm8.end());
  TColorManager m = Manager(TColorScheme::Gray, TColorScheme::Gray, 4, 8);
  Bytes target(31 * 2);
  for (std::size_t y = 0; y < 2; ++y) {
    Bytes packed(16);  // two pixels a byte, the first in the high half
    for (std::size_t x = 0; x < 31; ++x)
      packed[x / 2] |= std::uint8_t(pgm[pgm.size() - 62 + y * 31 + x] << (x % 2 == 0 ? 4 : 0));
    m.ConvertRow(packed, std::span(target).subspan(y * 31), 31, 0xFF);
  }
  EXPECT_EQ(target, expected);
}

TEST(ColorManagerOracle, CMYKInksBecomeTheRGBImageMagickComputesWithinOneStep) {
  Oracle o;
  const Bytes cmyk = o.Raw("-colorspace CMYK -depth 8", "cmyk:a.cmyk");
  ASSERT_TRUE(RunTool(o.folder, "convert -size 23x5 -depth 8 cmyk:a.cmyk -colorspace sRGB -depth 8 bgr:back.bgr"));
  TColorManager m = Manager(TColorScheme::CMYK, TColorScheme::BGR, 8, 8);
  EXPECT_LE(MaxDifference(ConvertRows(m, cmyk, kW * 4, kW * 3), ReadBytes(o.folder.path / "back.bgr")), 1);
}

TEST(ColorManagerOracle, YCbCrBecomesTheRGBImageMagickComputesWithinTwoSteps) {
  Oracle o;
  const Bytes ycc = o.Raw("-colorspace YCbCr -depth 8", "rgb:a.ycc");
  ASSERT_TRUE(RunTool(o.folder,
                      "convert -size 23x5 -depth 8 -set colorspace YCbCr rgb:a.ycc -colorspace sRGB -depth 8 "
                      "rgb:back.rgb"));
  TColorManager m = Manager(TColorScheme::YCbCr, TColorScheme::RGB, 8, 8);
  EXPECT_LE(MaxDifference(ConvertRows(m, ycc, kW * 3, kW * 3), ReadBytes(o.folder.path / "back.rgb")), 2);
}

// Each L*a*b* colour, stored as the options say, against ImageMagick's sRGB of it (both with the D65
// white); L* 5 takes the linear branch of the CIE inverse.
TEST(ColorManagerOracle, LabBecomesTheSRGBImageMagickComputesWithinOneStep) {
  struct Case {
    TConvertOptions options;
    std::array<std::uint8_t, 3> lab;
    const char* colour;
  };
  const Case cases[] = {
      {0, {50, 0, 0}, "50,0,0"},
      {0, {5, 20, std::uint8_t(-10)}, "5,20,-10"},
      {0, {80, 40, std::uint8_t(-30)}, "80,40,-30"},
      {0, {60, std::uint8_t(-50), 50}, "60,-50,50"},
      {coLabByteRange | coLabChromaOffset, {255, 128, 128}, "100,0,0"},
      {coLabByteRange | coLabChromaOffset, {153, 168, 98}, "60,40,-30"},
  };
  const oracle::TempFolder folder;
  for (const Case& c : cases) {
    TColorManager m = Manager(TColorScheme::CIELab, TColorScheme::RGB, 8, 8, c.options);
    std::array<std::uint8_t, 3> out{};
    m.ConvertRow(c.lab, out, 1, 0xFF);
    ASSERT_TRUE(RunTool(
        folder, "convert -size 1x1 'xc:cielab(" + std::string(c.colour) + ")' -colorspace sRGB -depth 8 rgb:srgb.rgb"));
    EXPECT_LE(MaxDifference(out, ReadBytes(folder.path / "srgb.rgb")), 1) << c.colour;
  }
}

TEST(ColorManager, IndexedOnOneSideOnlyIsRefusedWhenPrepared) {
  TColorManager m = Manager(TColorScheme::Gray, TColorScheme::BGR, 8, 8);
  EXPECT_EQ(bytes::ErrorOf<EColorConversionError>([&] { m.PrepareConversion(); }),
            "Conversion between indexed and non-indexed pixel formats is not supported.");
}

// A conversion without code raises at every row: it never leaves a blank image behind a success.
TEST(ColorManager, ConversionsItCannotDoRaiseAtEveryRow) {
  struct Case {
    TColorScheme from, to;
    std::uint8_t sourceBits, targetBits;
  };
  for (const Case& c :
       {Case{TColorScheme::CMY, TColorScheme::BGR, 8, 8}, Case{TColorScheme::RGB, TColorScheme::BGR, 12, 8},
        Case{TColorScheme::YCbCr, TColorScheme::BGR, 8, 4}, Case{TColorScheme::RGB, TColorScheme::GrayAlpha, 8, 8},
        Case{TColorScheme::Gray, TColorScheme::Gray, 12, 16}, Case{TColorScheme::Unknown, TColorScheme::BGR, 8, 8}}) {
    TColorManager m = Manager(c.from, c.to, c.sourceBits, c.targetBits);
    std::array<std::uint8_t, 64> target{};
    for (int row = 0; row < 2; ++row) {
      EXPECT_EQ(
          bytes::ErrorOf<EColorConversionError>([&] { m.ConvertRow(std::array<std::uint8_t, 64>{}, target, 4, 0xFF); }),
          "Color conversion failed. Could not find a proper method.")
          << int(c.from) << " to " << int(c.to);
    }
  }
}

TEST(ColorManager, RowsShorterThanTheirPixelsRaiseInsteadOfBeingOverrun) {
  TColorManager m = Manager(TColorScheme::RGB, TColorScheme::BGR, 8, 8);
  std::array<std::uint8_t, 12> target{};
  EXPECT_THROW(m.ConvertRow(std::array<std::uint8_t, 11>{}, target, 4, 0xFF), EColorConversionError);
  EXPECT_THROW(m.ConvertRow(std::array<std::uint8_t, 12>{}, std::span(target).first(11), 4, 0xFF),
               EColorConversionError);
  // Two planes for a three-sample source.
  const std::array<std::span<const std::uint8_t>, 2> planes{std::span(target), std::span(target)};
  EXPECT_THROW(m.ConvertRow(planes, target, 4, 0xFF), EColorConversionError);
  m.ConvertRow(std::array<std::uint8_t, 6>{}, target, 4, 0xA0);  // a mask of two pixels needs only two
}

TEST(ColorManager, TheMaskWritesEverySecondPixelFromConsecutiveSources) {
  TColorManager m = Manager(TColorScheme::RGB, TColorScheme::RGB, 8, 8);
  const std::array<std::uint8_t, 12> source{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  std::array<std::uint8_t, 24> target;
  target.fill(9);
  m.ConvertRow(source, target, 8, 170);
  EXPECT_EQ(target,
            (std::array<std::uint8_t, 24>{1, 1, 1, 9, 9, 9, 2, 2, 2, 9, 9, 9, 3, 3, 3, 9, 9, 9, 4, 4, 4, 9, 9, 9}));
}

TEST(ColorManager, PackedIndicesKeepTheOtherPixelsOfATargetByte) {
  TColorManager m = Manager(TColorScheme::Indexed, TColorScheme::Indexed, 1, 4);
  std::array<std::uint8_t, 2> target{0x77, 0x77};
  m.ConvertRow(std::array<std::uint8_t, 1>{0b1000'0000}, target, 4, 0b0101'0000);
  EXPECT_EQ(target, (std::array<std::uint8_t, 2>{0x7F, 0x70}));
}

// v x 255 in 16 bits would wrap; the largest sample must reduce to 255.
TEST(ColorManager, SixteenBitProductsDoNotWrap) {
  TColorManager m = Manager(TColorScheme::RGB, TColorScheme::BGR, 16, 8);
  std::array<std::uint8_t, 3> out{};
  m.ConvertRow(std::array<std::uint8_t, 6>{0xFF, 0xFF, 0x00, 0x80, 0x01, 0x01}, out, 1, 0xFF);
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{1, 127, 255}));
}

TEST(ColorManager, SettersRefuseBadValuesAndChangeNothing) {
  TColorManager m;
  EXPECT_THROW(m.SetSourceBitsPerSample(17), EColorConversionError);
  EXPECT_THROW(m.SetTargetBitsPerSample(0), EColorConversionError);
  EXPECT_THROW(m.SetSourceSamplesPerPixel(5), EColorConversionError);
  EXPECT_EQ(std::tuple(m.SourceBitsPerSample(), m.TargetBitsPerSample(), m.SourceSamplesPerPixel()),
            std::tuple(8, 8, 3));
}

TEST(ColorManager, SubsamplingMustBeOneTwoOrFourAndNoHigherVertically) {
  TColorManager m;
  const float weights[] = {0.2125f, 0.7154f};
  EXPECT_EQ(bytes::ErrorOf<EColorConversionError>([&] { m.SetYCbCrParameters(weights, 2, 4); }),
            "Vertical subsampling value must be <= horizontal subsampling value.");
  EXPECT_EQ(m.YCbCrCoefficients(), (std::array<float, 3>{0.2125f, 0.7154f, 0.114f}));  // kept before the check
  EXPECT_THROW(m.SetYCbCrParameters({}, 3, 1), EColorConversionError);
  m.SetYCbCrParameters({}, 4, 1);
  EXPECT_EQ(m.HSubSampling(), 4);
  EXPECT_EQ(m.VSubSampling(), 1);
}

TEST(ColorManager, ColourPalettesReadTheirOrderAndStretchToTheTargetDepth) {
  TColorManager m = Manager(TColorScheme::Indexed, TColorScheme::Indexed, 2, 4);
  const std::array<std::uint8_t, 12> bgr{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const std::array<std::span<const std::uint8_t>, 1> data{bgr};
  const TPalette palette = m.CreateColorPalette(data, 0, 4, true);
  ASSERT_EQ(palette.size(), 16u);  // 2-bit indices widened to 4 bits: index 3 becomes 15
  EXPECT_EQ(palette[0], (TPaletteColor{3, 2, 1}));
  EXPECT_EQ(palette[15], (TPaletteColor{12, 11, 10}));
  EXPECT_EQ(palette[5], (TPaletteColor{6, 5, 4}));
  EXPECT_THROW(m.CreateColorPalette(data, 0, 5, true), EColorConversionError);  // 5 colours in 12 bytes
}

}  // namespace
}  // namespace vrel
