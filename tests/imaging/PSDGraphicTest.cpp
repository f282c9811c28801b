// Photoshop files that ImageMagick writes (RGB, RGBA, grey 8 and 16 bits, indexed, bitmap and CMYK,
// raw and PackBits) load with the pixels ImageMagick decodes from them; Lab files come from a writer
// here. Damaged and cut-off files are refused with a message.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/PSDGraphic.h"
#include "imaging/PixelColor.h"
#include "imaging/RasterDecoders.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

// A Photoshop file of `planes` (each height rows of rowBytes), raw or with every row PackBits-coded
// as one literal run, from the format's description.
struct PsdWriter {
  std::uint16_t channels = 3;
  std::uint32_t width = 0, height = 0;
  std::uint16_t depth = 8, mode = 3;
  Bytes modeData;
  bool packBits = false;

  Bytes Write(const std::vector<Bytes>& planes) const {
    Bytes out = {'8', 'B', 'P', 'S'};
    oracle::PutBE16(out, 1);
    out.insert(out.end(), 6, 0);
    oracle::PutBE16(out, channels);
    oracle::PutBE32(out, height);
    oracle::PutBE32(out, width);
    oracle::PutBE16(out, depth);
    oracle::PutBE16(out, mode);
    oracle::PutBE32(out, static_cast<std::uint32_t>(modeData.size()));
    out.insert(out.end(), modeData.begin(), modeData.end());
    oracle::PutBE32(out, 0);
    oracle::PutBE32(out, 0);
    oracle::PutBE16(out, packBits ? 1 : 0);
    const std::size_t rowBytes = (std::size_t{width} * depth + 7) / 8;
    if (!packBits) {
      for (const Bytes& plane : planes)
        out.insert(out.end(), plane.begin(), plane.end());
      return out;
    }
    // Literal runs of at most 128 bytes.
    const std::size_t runs = (rowBytes + 127) / 128;
    for (std::size_t i = 0; i < planes.size() * height; ++i)
      oracle::PutBE16(out, static_cast<unsigned>(rowBytes + runs));
    for (const Bytes& plane : planes) {
      for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t at = 0; at < rowBytes; at += 128) {
          const std::size_t n = std::min<std::size_t>(128, rowBytes - at);
          out.push_back(static_cast<std::uint8_t>(n - 1));
          const auto row = plane.begin() + static_cast<std::ptrdiff_t>(y * rowBytes + at);
          out.insert(out.end(), row, row + static_cast<std::ptrdiff_t>(n));
        }
      }
    }
    return out;
  }
};

class PhotoshopFiles : public ::testing::Test {
 protected:
  void Make(const std::string& commands) {
    ASSERT_TRUE(oracle::RunTool(folder_, commands)) << oracle::ReadFile(folder_.path / "oracle-error.txt");
  }
  Bytes Read(const std::string& name) const { return oracle::ReadBytes(folder_.path / name); }
  Bytes Loaded(const std::string& name) const { return oracle::LoadGraphic<TPSDGraphic>(Read(name))->ToBgra(); }

  oracle::TempFolder folder_;
};

// 37 pixels: a 1-bit row of 5 bytes ends inside its last byte.
constexpr const char* kPicture = "convert -size 37x23 -seed 4 plasma:fractal -depth 16 src.png && ";

TEST_F(PhotoshopFiles, EveryKindImageMagickWritesLoadsItsPixelsExactly) {
  // Kind, how its picture is made (exact 8-bit samples, so no writer rounds them), the Photoshop
  // options, and whether ImageMagick's decode of the Photoshop file is the expectation. It is not
  // where ImageMagick fails on what it wrote: it cannot read its indexed files back, and it takes the
  // colours of an image with alpha as composited over white and un-blends them, which its writer
  // never did. Those two are held against its decode of the picture they were written from.
  const char* kinds[][4] = {
      {"rgb", "-depth 8", "", "psd"},
      {"rgba", "-depth 8 -alpha set -channel A -fx 'i/w' +channel -depth 8", "", "picture"},
      {"gray8", "-colorspace Gray -depth 8", "", "psd"},
      {"gray16", "-colorspace Gray -depth 8", "-depth 16", "psd"},
      {"rgb16", "-depth 8", "-depth 16", "psd"},
      {"indexed", "-depth 8 -colors 20 -depth 8", "-type Palette", "picture"},
      {"bitmap", "-depth 8", "-depth 1 -type Bilevel", "psd"},
  };
  std::string make = kPicture;
  for (const auto& kind : kinds) {
    make += std::string("convert src.png ") + kind[1] + " " + kind[0] + ".png && ";
    for (const char* compression : {"None", "RLE"})
      make += std::string("convert ") + kind[0] + ".png " + kind[2] + " -compress " + compression + " " + kind[0] +
              "-" + compression + ".psd && ";
  }
  Make(make + "true");
  for (const auto& kind : kinds) {
    for (const char* compression : {"None", "RLE"}) {
      const std::string name = std::string(kind[0]) + "-" + compression + ".psd";
      const std::string expected = std::string(kind[3]) == "psd" ? name + "[0]" : std::string(kind[0]) + ".png";
      EXPECT_EQ(Loaded(name), oracle::MagickBgra(folder_, expected)) << name;
    }
  }
}

TEST_F(PhotoshopFiles, CmykIsInvertedBackAndConvertedAsImageMagicksSamples) {
  Make(std::string(kPicture) +
       "convert src.png -depth 8 -colorspace CMYK -compress RLE c8.psd && "
       "convert src.png -depth 8 -colorspace CMYK -depth 16 c16.psd && "
       "convert 'c8.psd[0]' -depth 8 cmyk:c8.cmyk && convert 'c16.psd[0]' -depth 8 cmyk:c16.cmyk");
  for (const char* name : {"c8", "c16"}) {
    // ImageMagick's own C, M, Y, K samples (ink, not inverted) through the manager's CMYK conversion.
    const Bytes cmyk = Read(std::string(name) + ".cmyk");
    TColorManager manager;
    manager.SetSourceColorScheme(TColorScheme::CMYK);
    manager.SetSourceSamplesPerPixel(4);
    manager.SetTargetColorScheme(TColorScheme::BGRA);
    manager.SetTargetSamplesPerPixel(4);
    Bytes expected(cmyk.size());
    manager.ConvertRow(cmyk, expected, static_cast<std::uint32_t>(cmyk.size() / 4), 0xFF);
    for (std::size_t i = 3; i < expected.size(); i += 4)
      expected[i] = 255;
    EXPECT_EQ(Loaded(std::string(name) + ".psd"), expected) << name;
    // And within a step of ImageMagick's own rendering, which rounds where the manager truncates.
    EXPECT_LE(oracle::MaxDifference(Loaded(std::string(name) + ".psd"),
                                    oracle::MagickBgra(folder_, std::string(name) + ".psd[0]")),
              1)
        << name;
  }
}

TEST_F(PhotoshopFiles, FiveChannelsLoadTheirFirstFour) {
  Make(std::string(kPicture) +
       "convert src.png -depth 8 -colorspace CMYK -alpha set -channel A -fx 'j/h' +channel "
       "-compress RLE c5.psd && convert src.png -depth 8 -colorspace CMYK c4.psd");
  const Bytes five = Read("c5.psd");
  ASSERT_EQ(five[13], 5);
  EXPECT_EQ(Loaded("c5.psd"), Loaded("c4.psd"));
}

// Lab samples as Photoshop stores them: L* 0..255 for 0..100, a* and b* plus 128; with 16 bits L* x 257
// and a*, b* x 256.
Bytes LabFile(std::uint16_t depth, bool packBits, const std::vector<std::array<std::uint8_t, 3>>& pixels) {
  PsdWriter writer;
  writer.mode = 9;
  writer.depth = depth;
  writer.width = static_cast<std::uint32_t>(pixels.size());
  writer.height = 1;
  writer.packBits = packBits;
  std::vector<Bytes> planes(3);
  for (const auto& lab : pixels) {
    for (int k = 0; k < 3; ++k) {
      planes[static_cast<std::size_t>(k)].push_back(lab[static_cast<std::size_t>(k)]);
      if (depth == 16)
        planes[static_cast<std::size_t>(k)].push_back(k == 0 ? lab[0] : 0);
    }
  }
  return writer.Write(planes);
}

TEST_F(PhotoshopFiles, LabTakesItsByteRangeAndChromaOffset) {
  // White, black, neutral grey, then a* and b* far from 0 each way.
  const std::vector<std::array<std::uint8_t, 3>> lab = {{255, 128, 128}, {0, 128, 128},  {128, 128, 128},
                                                        {136, 208, 128}, {136, 48, 128}, {136, 128, 208},
                                                        {136, 128, 48}};
  const Bytes pixels = oracle::LoadGraphic<TPSDGraphic>(LabFile(8, false, lab))->ToBgra();
  const auto pixel = [&](std::size_t i) {
    return std::array<int, 3>{pixels[i * 4 + 2], pixels[i * 4 + 1], pixels[i * 4]};
  };
  EXPECT_EQ(pixel(0), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(pixel(1), (std::array<int, 3>{0, 0, 0}));
  // L* 50.2: the sRGB grey 119, as ImageMagick has it.
  for (int v : pixel(2))
    EXPECT_NEAR(v, 119, 1);
  EXPECT_GT(pixel(3)[0], pixel(3)[1]);  // a* +80: red
  EXPECT_LT(pixel(4)[0], pixel(4)[1]);  // a* -80: green
  EXPECT_LT(pixel(5)[2], pixel(5)[0]);  // b* +80: yellow
  EXPECT_GT(pixel(6)[2], pixel(6)[0]);  // b* -80: blue
}

TEST_F(PhotoshopFiles, SixteenBitLabIsByteSwappedToTheSameColours) {
  const std::vector<std::array<std::uint8_t, 3>> lab = {{255, 128, 128}, {0, 128, 128},  {136, 208, 128},
                                                        {136, 48, 128},  {90, 128, 208}, {200, 128, 48}};
  const Bytes eight = oracle::LoadGraphic<TPSDGraphic>(LabFile(8, false, lab))->ToBgra();
  EXPECT_EQ(oracle::LoadGraphic<TPSDGraphic>(LabFile(16, true, lab))->ToBgra(), eight);
}

TEST_F(PhotoshopFiles, HeadersAndSectionsItCannotReadAreRefusedWithTheFormatsMessage) {
  const std::string invalid = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
  PsdWriter rgb;
  rgb.width = 2;
  rgb.height = 1;
  const std::vector<Bytes> planes(3, Bytes{1, 2});
  EXPECT_EQ(oracle::LoadError<TPSDGraphic>(rgb.Write(planes)), "");
  const auto refused = [&](auto change) {
    PsdWriter writer = rgb;
    change(writer);
    return oracle::LoadError<TPSDGraphic>(writer.Write(planes));
  };
  EXPECT_EQ(refused([](PsdWriter& w) { w.depth = 32; }), invalid);
  EXPECT_EQ(refused([](PsdWriter& w) { w.channels = 2; }), invalid);
  EXPECT_EQ(refused([](PsdWriter& w) { w.mode = 4; }), invalid);  // CMYK of three channels
  EXPECT_EQ(refused([](PsdWriter& w) { w.mode = 2; }), invalid);  // indexed without its palette
  EXPECT_EQ(refused([](PsdWriter& w) { w.mode = 0; }), invalid);  // bitmap of 8 bits
  EXPECT_EQ(refused([](PsdWriter& w) { w.mode = 5; }), invalid);
  EXPECT_EQ(refused([](PsdWriter& w) { w.width = 0; }), invalid);
  Bytes zip = rgb.Write(planes);
  zip[26 + 12 + 1] = 2;  // the compression after the three empty sections
  EXPECT_EQ(oracle::LoadError<TPSDGraphic>(zip),
            "Cannot load image. ZIP compression is not supported for PSD or PDD files.");
  Bytes longer = rgb.Write(planes);
  longer[26 + 4 + 3] = 200;  // the image resources' length, beyond the file
  EXPECT_EQ(oracle::LoadError<TPSDGraphic>(longer), invalid);
}

TEST_F(PhotoshopFiles, APackedRowShorterThanItsPixelsRaisesTheDecodersError) {
  PsdWriter writer;
  writer.width = 4;
  writer.height = 1;
  writer.packBits = true;
  Bytes file = writer.Write(std::vector<Bytes>(3, Bytes{1, 2, 3, 4}));
  // The first row's count 5 becomes 4: a run of 4 literal bytes with only 3 of them.
  file[26 + 12 + 2 + 1] = 4;
  EXPECT_EQ(oracle::LoadError<TPSDGraphic>(file), "PackBits decompression error. Unexpected end of input.");
}

TEST_F(PhotoshopFiles, CutOffAndDamagedFilesAreRefusedOrLoadWhole) {
  Make(
      "convert -size 9x4 -seed 5 plasma:fractal -depth 8 s.png && convert s.png -compress RLE s.psd && "
      "convert s.png -colorspace Gray -depth 16 g.psd && convert s.png -colors 5 -type Palette i.psd");
  for (const char* name : {"s.psd", "g.psd", "i.psd"}) {
    SCOPED_TRACE(name);
    oracle::SweepDamagedFiles<TPSDGraphic>(Read(name), name, 3);
  }
}

}  // namespace
}  // namespace vrel
