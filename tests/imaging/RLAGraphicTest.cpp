// RLA files from a writer here that follows the format's description, over pictures ImageMagick makes:
// they load to the picture's pixels. ImageMagick 6.9.11 cannot serve as the reader here: it refuses
// every file of more than one scan line (its column count runs on from one scan line into the next
// and trips its own check), which this suite's writer and every real file have. Its code does settle
// the order, though: the first offset of the table is the bottom row. 16-bit channels hold the 8-bit
// picture's samples times 257, so they must load to the same pixels.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/RLAGraphic.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

void Put16(Bytes& out, std::size_t at, unsigned v) {
  out[at] = static_cast<std::uint8_t>(v >> 8);
  out[at + 1] = static_cast<std::uint8_t>(v);
}

// Runs of 3 or more equal bytes as repeats (count - 1), the rest as copies (minus their count), at
// most 128 either way.
Bytes RunLength(const Bytes& data) {
  Bytes out;
  for (std::size_t at = 0; at < data.size();) {
    std::size_t run = 1;
    while (at + run < data.size() && data[at + run] == data[at] && run < 128)
      ++run;
    if (run >= 3) {
      out.push_back(static_cast<std::uint8_t>(run - 1));
      out.push_back(data[at]);
      at += run;
      continue;
    }
    std::size_t n = 0;
    while (at + n < data.size() && n < 128 &&
           !(at + n + 2 < data.size() && data[at + n] == data[at + n + 1] && data[at + n] == data[at + n + 2]))
      ++n;
    out.push_back(static_cast<std::uint8_t>(-static_cast<int>(n)));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
  return out;
}

struct RlaWriter {
  int width = 0, height = 0;
  int left = 0, bottom = 0;
  int bits = 8;
  bool matte = false;
  std::string kind = "rgb";
  std::string gamma = "2.2";
  // Interleaved R, G, B (and A) per pixel, rows from the top, 8-bit.
  Bytes pixels;

  Bytes Write() const {
    Bytes out(740, 0);
    const int right = left + width - 1, top = bottom + height - 1;
    for (int i = 0; i < 2; ++i) {
      Put16(out, i * 8 + 0, static_cast<unsigned>(left));
      Put16(out, i * 8 + 2, static_cast<unsigned>(right));
      Put16(out, i * 8 + 4, static_cast<unsigned>(bottom));
      Put16(out, i * 8 + 6, static_cast<unsigned>(top));
    }
    Put16(out, 20, 3);
    Put16(out, 22, matte ? 1 : 0);
    Put16(out, 26, 0xFFFE);
    std::memcpy(out.data() + 28, gamma.data(), gamma.size());
    std::memcpy(out.data() + 580, kind.data(), kind.size());
    Put16(out, 658, static_cast<unsigned>(bits));
    Put16(out, 662, matte ? static_cast<unsigned>(bits) : 0);
    const std::size_t tableAt = out.size();
    out.resize(out.size() + static_cast<std::size_t>(height) * 4);
    const int channels = matte ? 4 : 3;
    // Scan line 0 is the bottom row.
    for (int line = 0; line < height; ++line) {
      const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
      for (int k = 0; k < 4; ++k)
        out[tableAt + static_cast<std::size_t>(line) * 4 + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(offset >> (24 - 8 * k));
      const int row = height - 1 - line;
      for (int c = 0; c < channels; ++c) {
        Bytes samples;
        for (int x = 0; x < width; ++x) {
          const std::uint8_t v = pixels[static_cast<std::size_t>((row * width + x) * channels + c)];
          samples.push_back(v);
          if (bits == 16)
            samples.push_back(v);  // v x 257, big-endian
        }
        const Bytes packed = RunLength(samples);
        out.push_back(static_cast<std::uint8_t>(packed.size() >> 8));
        out.push_back(static_cast<std::uint8_t>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
      }
    }
    return out;
  }
};

// ImageMagick's picture of `width` x `height` (R, G, B and A when `alpha`), written out raw.
Bytes Picture(const oracle::TempFolder& folder, int width, int height, bool alpha) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string make = "convert -size " + size + " -seed 6 plasma:fractal -depth 8 " +
                           (alpha ? "-alpha set -channel A -fx 'j/h' +channel -depth 8 rgba:p.raw" : "rgb:p.raw");
  EXPECT_TRUE(oracle::RunTool(folder, make)) << oracle::ReadFile(folder.path / "oracle-error.txt");
  return oracle::ReadBytes(folder.path / "p.raw");
}

RlaWriter File(const oracle::TempFolder& folder, int width, int height, bool matte) {
  RlaWriter w;
  w.width = width;
  w.height = height;
  w.left = 3;
  w.bottom = 2;
  w.matte = matte;
  w.pixels = Picture(folder, width, height, matte);
  return w;
}

// The writer's picture as BGRA rows from the top.
Bytes PicturePixels(const RlaWriter& w) {
  Bytes out;
  const std::size_t channels = w.matte ? 4 : 3;
  for (std::size_t i = 0; i < w.pixels.size(); i += channels)
    out.insert(out.end(),
               {w.pixels[i + 2], w.pixels[i + 1], w.pixels[i], w.matte ? w.pixels[i + 3] : std::uint8_t{255}});
  return out;
}

TEST(RlaFiles, ScanLinesGoFromTheBottomUp) {
  oracle::TempFolder folder;
  for (bool matte : {false, true}) {
    const RlaWriter w = File(folder, 23, 9, matte);
    const auto graphic = oracle::LoadGraphic<TRLAGraphic>(w.Write());
    EXPECT_EQ(graphic->PixelFormat(), matte ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    EXPECT_EQ(graphic->ToBgra(), PicturePixels(w)) << (matte ? "with matte" : "no matte");
  }
}

TEST(RlaFiles, SixteenBitChannelsAreBigEndian) {
  oracle::TempFolder folder;
  for (bool matte : {false, true}) {
    RlaWriter w = File(folder, 17, 6, matte);
    const Bytes eight = oracle::LoadGraphic<TRLAGraphic>(w.Write())->ToBgra();
    w.bits = 16;
    EXPECT_EQ(oracle::LoadGraphic<TRLAGraphic>(w.Write())->ToBgra(), eight);
  }
}

TEST(RlaFiles, TheHeadTellsSizeDepthMatteAndGamma) {
  oracle::TempFolder folder;
  RlaWriter w = File(folder, 5, 4, true);
  w.gamma = " 1.8";
  TRLAGraphic graphic;
  TMemoryInputStream stream(w.Write());
  ASSERT_TRUE(graphic.ReadImageProperties(stream, 0));
  const TImageProperties& p = graphic.ImageProperties();
  EXPECT_EQ(std::pair(p.Width, p.Height), std::pair(5u, 4u));
  EXPECT_EQ(p.ColorScheme, TColorScheme::RGBA);
  EXPECT_EQ(p.SamplesPerPixel, 4);
  EXPECT_FLOAT_EQ(p.FileGamma, 1.8f);
  w.gamma = "none";
  TMemoryInputStream unparsable(w.Write());
  ASSERT_TRUE(graphic.ReadImageProperties(unparsable, 0));
  EXPECT_FLOAT_EQ(graphic.ImageProperties().FileGamma, 1.0f);
}

TEST(RlaFiles, XyzAndHeadsItCannotReadAreRefused) {
  oracle::TempFolder folder;
  const std::string invalid = "Cannot load image. Invalid or unexpected RLA image format.";
  RlaWriter xyz = File(folder, 5, 4, false);
  xyz.kind = "XYZ";
  TRLAGraphic graphic;
  TMemoryInputStream stream(xyz.Write());
  EXPECT_TRUE(graphic.CanLoadFromStream(stream));
  EXPECT_FALSE(graphic.ReadImageProperties(stream, 0));
  EXPECT_EQ(oracle::LoadError<TRLAGraphic>(xyz.Write()), invalid);
  RlaWriter twelve = File(folder, 5, 4, false);
  twelve.bits = 12;
  EXPECT_EQ(oracle::LoadError<TRLAGraphic>(twelve.Write()), invalid);
  Bytes farOffset = File(folder, 5, 4, false).Write();
  farOffset[740] = 0x7F;  // the first scan line's offset past the end
  EXPECT_EQ(oracle::LoadError<TRLAGraphic>(farOffset), invalid);
}

TEST(RlaFiles, CutOffAndDamagedFilesAreRefusedOrLoadWhole) {
  oracle::TempFolder folder;
  for (bool matte : {false, true})
    oracle::SweepDamagedFiles<TRLAGraphic>(File(folder, 9, 4, matte).Write());
}

}  // namespace
}  // namespace vrel
