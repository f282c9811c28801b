// Face images and pictures read through the picture formats with Qt's decoder behind the port: files
// made by ImageMagick load with the pixels ImageMagick decodes, every cut-off copy is refused with its
// file name, and the picture class picks its graphic by extension.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/FaceImages.h"
#include "imaging/FrameworkGraphics.h"
#include "imaging/Graphics.h"
#include "imaging/qt/QtImageFormats.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/ImageOracle.h"

namespace vrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FaceImages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 3;
    static char name[] = "imaging_qt_tests", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    if (!QCoreApplication::instance())
      new QGuiApplication(argc, argv);  // one for the process: Qt's image plugins come with it
  }
  void SetUp() override {
    const std::string make =
        "convert -size 7x5 -seed 9 plasma:fractal -depth 8 p.ppm && convert p.ppm bmp3:f.bmp && "
        "convert p.ppm -quality 92 f.jpg && convert p.ppm f.png && convert p.ppm -type palette -compress RLE "
        "bmp3:rle.bmp && convert p.ppm -type palette bmp3:pal.bmp && cp f.png misnamed.bmp && "
        "convert p.ppm -depth 8 bgra:p.bgra && convert f.jpg -depth 8 bgra:jpg.bgra && "
        "convert rle.bmp -depth 8 bgra:rle.bgra && convert p.ppm -define icon:auto-resize=16 f.ico";
    ASSERT_TRUE(oracle::RunTool(folder_, make)) << oracle::ReadFile(folder_.path / "oracle-error.txt");
  }
  std::string Path(const std::string& name) const { return (folder_.path / name).string(); }
  Bytes Read(const std::string& name) const { return oracle::ReadBytes(folder_.path / name); }

  oracle::TempFolder folder_;
  std::unique_ptr<TImageFormatsRegistration> formats_ = RegisterImageFormats();
};

TEST_F(FaceImages, BitmapJpegAndPngFacesGiveThePixelsImageMagickDecodes) {
  struct Case {
    const char* file;
    const char* pixels;
    int tolerance;
  };
  for (const Case& c : {Case{"f.bmp", "p.bgra", 0}, Case{"f.png", "p.bgra", 0}, Case{"pal.bmp", "p.bgra", 0},
                        Case{"rle.bmp", "rle.bgra", 0}, Case{"f.jpg", "jpg.bgra", 1}}) {
    const TextureImage face = ReadFaceImage(Path(c.file), oracle::kLargestTexture);
    EXPECT_EQ(std::pair(face.width, face.height), std::pair(7, 5)) << c.file;
    EXPECT_LE(oracle::MaxDifference(oracle::BgraOf(face), Read(c.pixels)), c.tolerance) << c.file;
  }
}

TEST_F(FaceImages, EveryCutOffCopyIsRefusedNamingItsFile) {
  for (const char* name : {"f.bmp", "f.jpg", "f.png", "rle.bmp"}) {
    const Bytes whole = Read(name);
    const std::string cut = Path(std::string("cut_") + name);
    for (std::size_t size = 0; size < whole.size(); ++size) {
      oracle::WriteBytes(cut, std::span(whole).first(size));
      const std::string error = bytes::ErrorOf<Exception>([&] { ReadFaceImage(cut, oracle::kLargestTexture); });
      EXPECT_NE(error.find("\"" + cut + "\""), std::string::npos) << name << " cut to " << size << ": " << error;
    }
    oracle::WriteBytes(cut, whole);
    EXPECT_EQ(ReadFaceImage(cut, oracle::kLargestTexture).width, 7) << name;
  }
}

TEST_F(FaceImages, TheContentDecidesTheFormatAsTheTextureLoaderDid) {
  EXPECT_EQ(oracle::BgraOf(ReadFaceImage(Path("misnamed.bmp"), oracle::kLargestTexture)), Read("p.bgra"));
  oracle::WriteFile(folder_.path / "text.bmp", "this is no picture at all, only some text");
  EXPECT_THROW(ReadFaceImage(Path("text.bmp"), oracle::kLargestTexture), Exception);
  EXPECT_THROW(ReadFaceImage(folder_.path.string(), oracle::kLargestTexture), Exception);  // a folder is not a file
}

// 65535 x 65535 is beyond any bitmap; 20000 x 20000 would fit one but not the file.
TEST_F(FaceImages, ABitmapHeaderPromisingMorePixelsThanItsFileHoldsIsRefusedAtOnce) {
  for (const auto& [side, why] : {std::pair<std::int32_t, const char*>{65535, "too large"}, {20000, "too short"}}) {
    Bytes huge = Read("f.bmp");
    std::memcpy(huge.data() + 18, &side, 4);
    std::memcpy(huge.data() + 22, &side, 4);
    oracle::WriteBytes(folder_.path / "huge.bmp", huge);
    const std::string error = bytes::ErrorOf<Exception>([&] { ReadFaceImage(Path("huge.bmp"), 65535); });
    EXPECT_NE(error.find(why), std::string::npos) << side << ": " << error;
  }
}

// Files cut short in their pixels: the header's size alone refuses them, in the display's words.
TEST_F(FaceImages, AFaceLargerThanTheLargestTextureIsRefusedFromItsHeader) {
  for (const char* name : {"f.bmp", "f.jpg", "f.png"}) {
    const Bytes whole = Read(name);
    const std::string cut = Path(std::string("cut_") + name);
    oracle::WriteBytes(cut, std::span(whole).first(whole.size() - 10));
    EXPECT_EQ(bytes::ErrorOf<Exception>([&] { ReadFaceImage(cut, 6); }), TextureTooLargeMessage(cut, 7, 5, 6));
  }
}

// Tiles may reach past the picture's edges: the limit holds the picture, not its tiles.
TEST_F(FaceImages, ATiledFaceIsHeldToItsOwnSizeNotToItsTiles) {
  ASSERT_TRUE(oracle::RunTool(folder_, "convert p.ppm -define tiff:tile-geometry=16x16 -compress zip t.tif"));
  EXPECT_EQ(oracle::BgraOf(ReadFaceImage(Path("t.tif"), 7)), Read("p.bgra"));
}

TEST_F(FaceImages, APictureOpensByItsExtensionAndAFailedLoadKeepsTheOldGraphic) {
  TPicture picture;
  picture.LoadFromFile(Path("f.bmp"));
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TBitmap");
  picture.LoadFromFile(Path("f.jpg"));
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(std::pair(picture.Width(), picture.Height()), std::pair(7, 5));
  picture.LoadFromFile(Path("f.ico"));
  EXPECT_EQ(picture.Width(), 16);
  EXPECT_THROW(picture.LoadFromFile(Path("misnamed.bmp")), EInvalidGraphic);  // a picture goes by the extension
  EXPECT_STREQ(picture.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(bytes::ErrorOf<EInvalidGraphic>([&] { picture.LoadFromFile(Path("p.xyz")); }),
            "Unknown picture file extension (.xyz)");
  oracle::WriteFile(folder_.path / "m.wmf", "metafile");
  EXPECT_NE(bytes::ErrorOf<EInvalidGraphic>([&] { picture.LoadFromFile(Path("m.wmf")); }).find("cannot be shown"),
            std::string::npos);
}

TEST_F(FaceImages, APictureShowsInQtAsItsPixels) {
  TPicture picture;
  picture.LoadFromFile(Path("pal.bmp"));
  ASSERT_EQ(picture.Bitmap()->PixelFormat(), TPixelFormat::pf8bit);
  const QImage shown = ToQImage(*picture.Bitmap());
  const QImage oracle(QString::fromStdString(Path("f.png")));
  ASSERT_EQ(shown.size(), oracle.size());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(shown.pixel(x, y), oracle.pixel(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace vrel
