// The CUT and Autodesk loaders on files written here from the format descriptions: CUT images with
// and without their palette file (ImageMagick reads both and is the oracle), the palette found
// whatever the case of its name and only when it is a regular file, and Autodesk pictures whose
// colours are their 6-bit palette levels times four.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/AutodeskGraphic.h"
#include "imaging/CUTGraphic.h"
#include "imaging/FaceImages.h"
#include "imaging/RasterFormatsRegistration.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

constexpr std::uint16_t kWidth = 150;
constexpr std::uint16_t kHeight = 4;

// Runs longer than a packet and every index from 0 to 255.
Bytes Indexes() {
  Bytes indexes;
  for (unsigned y = 0; y < kHeight; ++y) {
    for (unsigned x = 0; x < kWidth; ++x)
      indexes.push_back(static_cast<std::uint8_t>(x < 20 + y * 30 ? y * 60 + 3 : (x * 7 + y * 150) % 256));
  }
  return indexes;
}

std::vector<TPaletteColor> Colours(std::size_t count) {
  std::vector<TPaletteColor> colours;
  for (std::size_t i = 0; i < count; ++i)
    colours.push_back(
        {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i)});
  return colours;
}

class CutLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    oracle::WriteBytes(Path("pic.cut"), oracle::WriteCut(kWidth, Indexes()));
    // 256 entries: past the first block's 77, they go on in the next blocks.
    oracle::WriteBytes(Path("pic.pal"), oracle::WriteCutPalette(Colours(256)));
  }
  std::string Path(const std::string& name) const { return (folder_.path / name).string(); }
  oracle::Pnm ImageMagick(const std::string& name) const {
    return oracle::DecodeWith(folder_, "convert " + name + " -depth 8 ppm:-");
  }

  oracle::TempFolder folder_;
};

TEST_F(CutLoader, WithItsPaletteFileTheImageShowsTheColoursImageMagickReads) {
  TCUTGraphic cut;
  cut.LoadFromFile(Path("pic.cut"));
  EXPECT_EQ(cut.PaletteFileName(), Path("pic.pal"));
  EXPECT_EQ(cut.Palette().size(), 256u);
  EXPECT_EQ(oracle::RgbOf(cut), ImageMagick("pic.cut").Rgb());
}

TEST_F(CutLoader, WithoutAPaletteFileTheIndexesShowAsGrey) {
  std::filesystem::remove(Path("pic.pal"));
  TCUTGraphic cut;
  cut.LoadFromFile(Path("pic.cut"));
  EXPECT_EQ(cut.PaletteFileName(), "");
  EXPECT_EQ(oracle::RgbOf(cut), ImageMagick("pic.cut").Rgb());
  EXPECT_EQ(cut.Palette()[200], (TPaletteColor{200, 200, 200}));
}

TEST_F(CutLoader, ThePaletteFileIsFoundWhateverTheCaseOfItsName) {
  TCUTGraphic original;
  original.LoadFromFile(Path("pic.cut"));
  const Bytes expected = oracle::RgbOf(original);
  std::filesystem::rename(Path("pic.cut"), Path("Shot.Cut"));
  std::filesystem::rename(Path("pic.pal"), Path("SHOT.PAL"));
  EXPECT_EQ(FindCUTPaletteFile(Path("Shot.Cut")), Path("SHOT.PAL"));
  TCUTGraphic cut;
  cut.LoadFromFile(Path("Shot.Cut"));
  EXPECT_EQ(oracle::RgbOf(cut), expected);
}

// A folder or a named pipe with the palette's name is no palette: nothing blocks, the image is grey.
TEST_F(CutLoader, OnlyARegularFileServesAsThePalette) {
  std::filesystem::remove(Path("pic.pal"));
  std::filesystem::create_directory(Path("pic.pal"));
  EXPECT_EQ(FindCUTPaletteFile(Path("pic.cut")), "");
  std::filesystem::remove(Path("pic.pal"));
  ASSERT_EQ(mkfifo(Path("PIC.pal").c_str(), 0600), 0);
  EXPECT_EQ(FindCUTPaletteFile(Path("pic.cut")), "");
  TCUTGraphic cut;
  cut.LoadFromFile(Path("pic.cut"));
  EXPECT_EQ(cut.Palette()[9], (TPaletteColor{9, 9, 9}));
}

TEST_F(CutLoader, AFaceImageTakesItsColoursFromThePaletteFile) {
  const auto formats = RegisterRasterFormats();
  const Bytes face = oracle::BgraOf(ReadFaceImage(Path("pic.cut"), oracle::kLargestTexture));
  Bytes rgb;
  for (std::size_t i = 0; i < face.size(); i += 4)
    rgb.insert(rgb.end(), {face[i + 2], face[i + 1], face[i]});
  EXPECT_EQ(rgb, ImageMagick("pic.cut").Rgb());
}

TEST_F(CutLoader, APaletteFileShorterThanItsEntriesRaisesTheReadError) {
  Bytes palette = oracle::WriteCutPalette(Colours(256));
  palette.resize(600);
  oracle::WriteBytes(Path("pic.pal"), palette);
  TCUTGraphic cut;
  EXPECT_THROW(cut.LoadFromFile(Path("pic.cut")), EReadError);
}

TEST(CutLoaderStreams, CutOffAndDamagedImagesRaiseTheirErrorNeverACrash) {
  oracle::SweepDamagedFiles<TCUTGraphic>(oracle::WriteCut(kWidth, Indexes()), "cut");
}

// ---- Autodesk ------------------------------------------------------------------------------------

Bytes Levels() {
  Bytes levels;
  for (unsigned i = 0; i < 256; ++i)
    levels.insert(levels.end(), {static_cast<std::uint8_t>(i % 64), static_cast<std::uint8_t>(63 - i % 64),
                                 static_cast<std::uint8_t>(i / 4)});
  return levels;
}

TEST(AutodeskLoader, IndexesShowTheirPaletteLevelsTimesFour) {
  const Bytes indexes = Indexes();
  const Bytes levels = Levels();
  const auto cel = oracle::LoadGraphic<TAutodeskGraphic>(oracle::WriteAutodesk(kWidth, levels, indexes));
  ASSERT_EQ(std::pair(cel->Width(), cel->Height()), std::pair(int(kWidth), int(kHeight)));
  EXPECT_EQ(cel->PixelFormat(), TPixelFormat::pf8bit);
  Bytes expected;
  for (const std::uint8_t index : indexes) {
    for (int k = 0; k < 3; ++k)
      expected.push_back(static_cast<std::uint8_t>(levels[index * 3 + k] * 4));
  }
  EXPECT_EQ(oracle::RgbOf(*cel), expected);
}

TEST(AutodeskLoader, AWrongHeaderIsRefused) {
  Bytes file = oracle::WriteAutodesk(kWidth, Levels(), Indexes());
  file[10] = 4;  // depth
  EXPECT_EQ(oracle::LoadError<TAutodeskGraphic>(file),
            "Cannot load image. Invalid or unexpected Autodesk image format.");
}

TEST(AutodeskLoader, CutOffAndDamagedFilesRaiseTheirErrorNeverACrash) {
  oracle::SweepDamagedFiles<TAutodeskGraphic>(oracle::WriteAutodesk(kWidth, Levels(), Indexes()), "cel");
}

}  // namespace
}  // namespace vrel
