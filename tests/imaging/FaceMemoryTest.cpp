// What a face costs: its file and its pixels at four bytes each, and a tenth more at most. Each face
// is read in a child process whose address space may grow by just that (and 16 MiB of slack): a grey
// picture widened to 32 bits where it stands and a colour one whose rows the texture takes fit, where
// the decoded bitmap and a copy of it at once would not; so does a TIFF in one strip, unpacked a band
// at a time into the bitmap's rows, where the whole strip beside them would not.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "imaging/FaceImages.h"
#include "imaging/RasterFormatsRegistration.h"
#include "tests/imaging/ImageOracle.h"
#include "tests/platform/AddressSpaceLimit.h"

namespace vrel {
namespace {

TEST(FaceMemory, AFaceTakesNoMoreThanItsFileAndATenthMoreThanItsPixels) {
  constexpr int kSide = 6144;
  oracle::TempFolder folder;
  ASSERT_TRUE(
      oracle::RunTool(folder,
                      "pgmramp -tb 6144 6144 | pnmtopng > grey.png && "
                      "pgmramp -diagonal 6144 6144 | pgmtoppm red-blue > colour.ppm && "
                      "pnmtopng -force colour.ppm > colour.png && pnmtotiff -truecolor colour.ppm > plain.tif && "
                      "tiffcp -c zip:2 -r 6144 plain.tif one-strip.tif"));
  // The colour picture as netpbm made it, in the face's order: blue, green, red.
  std::vector<std::uint8_t> bgr = oracle::ReadBytes(folder.path / "colour.ppm");
  bgr.erase(bgr.begin(), bgr.end() - std::ptrdiff_t{kSide} * kSide * 3);
  for (std::size_t i = 0; i < bgr.size(); i += 3)
    std::swap(bgr[i], bgr[i + 2]);
  const auto formats = RegisterRasterFormats();
  for (const char* name : {"grey.png", "colour.png", "one-strip.tif"}) {
    const std::string path = (folder.path / name).string();
    const bool colour = name[0] != 'g';
    const std::uint64_t budget =
        std::filesystem::file_size(path) + std::uint64_t{kSide} * kSide * 4 * 11 / 10 + (std::uint64_t{16} << 20);
    EXPECT_EXIT(
        {
          if (!LimitAddressSpaceGrowth(budget))
            std::_Exit(2);
          const TextureImage face = ReadFaceImage(path, oracle::kLargestTexture);
          std::_Exit(face.width == kSide && (!colour || std::ranges::equal(face.pixels, bgr)) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << name;
  }
}

}  // namespace
}  // namespace vrel
