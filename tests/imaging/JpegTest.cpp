// The JPEG glue: files decode to the pixels ImageMagick decodes, libjpeg's errors and the chosen
// warnings end a decode with "JPEG error #n", and a header cannot make it allocate beyond its data.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/JPG.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/ImageOracle.h"

namespace vrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct JpegFiles {
  oracle::TempFolder folder;
  Bytes colour, grey;
  JpegFiles() {
    EXPECT_TRUE(oracle::RunTool(folder,
                                "convert -size 19x13 -seed 4 plasma:fractal -quality 90 c.jpg && "
                                "convert c.jpg -depth 8 bgr:c.bgr && convert c.jpg -colorspace Gray g.jpg && "
                                "convert g.jpg -depth 8 gray:g.gray"));
    colour = oracle::ReadBytes(folder.path / "c.jpg");
    grey = oracle::ReadBytes(folder.path / "g.jpg");
  }
  Bytes Pixels(const char* name) { return oracle::ReadBytes(folder.path / name); }
};

Bytes Rows(const TBitmap& bitmap, std::size_t rowBytes) {
  Bytes out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const auto row = bitmap.ScanLine(y).first(rowBytes);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

TEST(JpegGlue, ColourAndGreyFilesDecodeToThePixelsImageMagickReads) {
  JpegFiles files;
  TBitmap colour, grey;
  DecodeJpegFile(files.colour, colour, FailOnPrematureEnd());
  DecodeJpegFile(files.grey, grey, FailOnPrematureEnd());
  EXPECT_EQ(std::tuple(colour.Width(), colour.Height(), colour.PixelFormat()),
            std::tuple(19, 13, TPixelFormat::pf24bit));
  EXPECT_LE(oracle::MaxDifference(Rows(colour, 19 * 3), files.Pixels("c.bgr")), 1);
  EXPECT_EQ(std::tuple(grey.PixelFormat(), grey.Palette().size(), grey.Palette()[200]),
            std::tuple(TPixelFormat::pf8bit, 256u, TPaletteColor{200, 200, 200}));
  EXPECT_LE(oracle::MaxDifference(Rows(grey, 19), files.Pixels("g.gray")), 1);
}

TEST(JpegGlue, EveryPrefixFailsWithAJpegErrorAndLeavesTheBitmap) {
  JpegFiles files;
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  for (std::size_t size = 0; size < files.colour.size(); ++size) {
    const std::string error = bytes::ErrorOf<EInvalidGraphic>(
        [&] { DecodeJpegFile(std::span(files.colour).first(size), bitmap, FailOnPrematureEnd()); });
    EXPECT_EQ(error.rfind("JPEG error #", 0), 0u) << size << " bytes: " << error;
  }
  EXPECT_EQ(bitmap.Width(), 2);
}

TEST(JpegGlue, WarningsReachTheSinkWhichDecidesWhetherTheDecodeGoesOn) {
  JpegFiles files;
  std::vector<int> codes;
  const TJpegWarningSink note = [&](int code, const std::string& text) {
    codes.push_back(code);
    EXPECT_FALSE(text.empty());
    return TJpegWarningAction::Ignore;
  };
  TBitmap bitmap;
  DecodeJpegFile(std::span(files.colour).first(files.colour.size() - 2), bitmap, note);
  EXPECT_EQ(codes, std::vector<int>{JpegPrematureEndCode()});
  EXPECT_EQ(bitmap.Width(), 19);
  const TJpegWarningSink throwing = [](int, const std::string&) -> TJpegWarningAction { throw 1; };
  EXPECT_THROW(DecodeJpegFile(std::span(files.colour).first(files.colour.size() - 2), bitmap, throwing),
               EInvalidGraphic);
}

// The frame header's size made 20000 x 20000, which a bitmap could hold: refused before the
// pixels are allocated.
TEST(JpegGlue, AHugeFrameWithoutItsDataFailsBeforeAllocating) {
  JpegFiles files;
  Bytes huge = files.colour;
  for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && (huge[i + 1] == 0xC0 || huge[i + 1] == 0xC2)) {
      huge[i + 5] = huge[i + 7] = 0x4E;
      huge[i + 6] = huge[i + 8] = 0x20;
      break;
    }
  }
  TBitmap bitmap;
  const std::string error =
      bytes::ErrorOf<EInvalidGraphic>([&] { DecodeJpegFile(huge, bitmap, FailOnPrematureEnd()); });
  EXPECT_NE(error.find("too short"), std::string::npos) << error;
}

}  // namespace
}  // namespace vrel
