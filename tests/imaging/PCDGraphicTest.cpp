// Photo-CD packs that ImageMagick writes load to the colours of ImageMagick's own planes: its reader
// keeps Photo YCC samples (read with the colour space relabelled, so they come out untouched), which
// upsample as ours must; the conversion to BGR is the colour manager's. Rotation codes turn the
// picture the way ImageMagick turns it. An overview pack's first thumbnail is made here from the
// Base/16 image of a pack.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "imaging/PCDGraphic.h"
#include "imaging/PixelColor.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

class PhotoCdFiles : public ::testing::Test {
 protected:
  // One pack for the suite: ImageMagick takes a while to write one.
  static void SetUpTestSuite() {
    folder_ = new oracle::TempFolder;
    ASSERT_TRUE(
        oracle::RunTool(*folder_, "convert -size 768x512 -seed 7 plasma:fractal -depth 8 p.png && convert p.png p.pcd"))
        << oracle::ReadFile(folder_->path / "oracle-error.txt");
    pack_ = oracle::ReadBytes(folder_->path / "p.pcd");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  // ImageMagick's Y, C1, C2 samples of `file` (`size` picks a resolution), through the colour
  // manager's Photo YCC conversion.
  Bytes Expected(const std::string& file, const std::string& size = "") const {
    const std::string command =
        "convert " + size + " '" + file + "' -set colorspace sRGB -depth 8 rgb:'" + file + ".ycc'";
    EXPECT_TRUE(oracle::RunTool(*folder_, command)) << oracle::ReadFile(folder_->path / "oracle-error.txt");
    const Bytes ycc = oracle::ReadBytes(folder_->path / (file + ".ycc"));
    TColorManager manager;
    manager.SetSourceColorScheme(TColorScheme::PhotoYCC);
    manager.SetTargetColorScheme(TColorScheme::BGRA);
    manager.SetTargetSamplesPerPixel(4);
    const float weights[3] = {0.2125f, 0.7154f, 0.0721f};
    manager.SetYCbCrParameters(weights, 2, 2);
    Bytes bgra(ycc.size() / 3 * 4);
    manager.ConvertRow(ycc, bgra, static_cast<std::uint32_t>(ycc.size() / 3), 0xFF);
    for (std::size_t i = 3; i < bgra.size(); i += 4)
      bgra[i] = 255;
    return bgra;
  }

  // ImageMagick widens the first chroma row in place, writing sample 2 before it reads it for the
  // mean at 3: its chroma at column 3 of the first stored row is sample 1 again, where the mean of
  // samples 1 and 2 belongs. So that one pixel (at x, y after a turn) may differ; every other must not.
  static void ExpectSamePixels(const TBitmap& bitmap, Bytes expected, int x, int y) {
    Bytes pixels = bitmap.ToBgra();
    ASSERT_EQ(pixels.size(), expected.size());
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.Width()) + x) * 4;
    EXPECT_LE(oracle::MaxDifference(std::span(pixels).subspan(at, 4), std::span(expected).subspan(at, 4)), 32);
    std::copy_n(expected.begin() + static_cast<std::ptrdiff_t>(at), 4,
                pixels.begin() + static_cast<std::ptrdiff_t>(at));
    EXPECT_EQ(pixels, expected);
  }

  static inline oracle::TempFolder* folder_ = nullptr;
  static inline Bytes pack_;
};

TEST_F(PhotoCdFiles, TheBaseImageLoadsImageMagicksPlanesUpsampledAsItDoes) {
  const auto graphic = oracle::LoadGraphic<TPCDGraphic>(pack_);
  EXPECT_EQ(std::pair(graphic->Width(), graphic->Height()), std::pair(768, 512));
  ExpectSamePixels(*graphic, Expected("p.pcd"), 3, 0);
}

TEST_F(PhotoCdFiles, RotationCodesOneAndThreeTurnAQuarterAsImageMagickTurns) {
  for (const std::uint8_t code : std::to_array<std::uint8_t>({1, 3})) {
    Bytes turned = pack_;
    turned[3586] = code;
    const std::string name = "r" + std::to_string(code) + ".pcd";
    oracle::WriteBytes(folder_->path / name, turned);
    const auto graphic = oracle::LoadGraphic<TPCDGraphic>(turned);
    EXPECT_EQ(std::pair(graphic->Width(), graphic->Height()), std::pair(512, 768));
    SCOPED_TRACE("rotation code " + std::to_string(code));
    // Code 1 turns to the left, so the first stored row becomes the left column, upwards.
    ExpectSamePixels(*graphic, Expected(name), code == 1 ? 0 : 511, code == 1 ? 764 : 3);
  }
}

TEST_F(PhotoCdFiles, AnOverviewPackLoadsItsFirstThumbnailFromSectorFive) {
  Bytes overview(5 * 2048, 0);
  const std::string signature = "PCD_OPA";
  std::copy(signature.begin(), signature.end(), overview.begin());
  overview[11] = 1;
  // The pack's Base/16 image (192 x 128) starts at sector 4.
  const auto thumbnail = pack_.begin() + 4 * 2048;
  overview.insert(overview.end(), thumbnail, thumbnail + 192 * 128 * 3 / 2);
  const auto graphic = oracle::LoadGraphic<TPCDGraphic>(overview);
  EXPECT_TRUE(graphic->ImageProperties().Overview);
  EXPECT_EQ(graphic->ImageProperties().ImageCount, 1);
  ExpectSamePixels(*graphic, Expected("p.pcd", "-size 192x128"), 3, 0);
}

TEST_F(PhotoCdFiles, TheResolutionIndexSizesTheProperties) {
  TPCDGraphic graphic;
  for (std::uint32_t index : {0u, 2u, 5u, 9u}) {
    TMemoryInputStream stream(pack_);
    ASSERT_TRUE(graphic.ReadImageProperties(stream, index));
    const std::uint32_t scale = 1u << std::min(index, 5u);
    EXPECT_EQ(std::pair(graphic.ImageProperties().Width, graphic.ImageProperties().Height),
              std::pair(192 * scale, 128 * scale));
    EXPECT_EQ(graphic.ImageProperties().Compression,
              index < 3 ? TCompressionType::ctNone : TCompressionType::ctPCDHuffman);
  }
}

TEST_F(PhotoCdFiles, ShortAndDamagedPacksAreRefusedOrLoadWhole) {
  const std::string invalid = "Cannot load image. Invalid or unexpected PCD image format.";
  const Bytes whole = oracle::LoadGraphic<TPCDGraphic>(pack_)->ToBgra();
  for (std::size_t size : {std::size_t{0}, std::size_t{2051}, std::size_t{6144}, std::size_t{6145},
                           std::size_t{96 * 2048}, std::size_t{96 * 2048 + 589823}}) {
    EXPECT_EQ(oracle::LoadError<TPCDGraphic>(Bytes(pack_.begin(), pack_.begin() + static_cast<std::ptrdiff_t>(size))),
              invalid)
        << size;
  }
  EXPECT_EQ(oracle::LoadedPixels<TPCDGraphic>(Bytes(pack_.begin(), pack_.begin() + 96 * 2048 + 589824)), whole);
  // Damage in the head: only the signature and the rotation are read from it.
  std::mt19937 random(9);
  for (int round = 0; round < 6; ++round) {
    Bytes damaged = pack_;
    damaged[random() % 3587] = static_cast<std::uint8_t>(random());
    oracle::LoadedPixels<TPCDGraphic>(damaged);
  }
  Bytes noSignature = pack_;
  noSignature[2048] = 'X';
  EXPECT_EQ(oracle::LoadError<TPCDGraphic>(noSignature), invalid);
}

}  // namespace
}  // namespace vrel
