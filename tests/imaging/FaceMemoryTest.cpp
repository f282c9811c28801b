// What a face costs: its file and its pixels at four bytes each, and a tenth more at most. Each face
// is read in a child process whose address space may grow by just that (and 16 MiB of slack): a grey
// picture widened to 32 bits where it stands and a colour one whose rows the texture takes fit, where
// the decoded bitmap and a copy of it at once would not.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imaging/FaceImages.h"
#include "imaging/RasterFormatsRegistration.h"
#include "tests/imaging/ImageOracle.h"
#include "tests/platform/AddressSpaceLimit.h"

namespace vrel {
namespace {

TEST(FaceMemory, AFaceTakesNoMoreThanItsFileAndATenthMoreThanItsPixels) {
  constexpr int kSide = 6144;
  oracle::TempFolder folder;
  ASSERT_TRUE(oracle::RunTool(folder,
                              "pgmramp -tb 6144 6144 | pnmtopng > grey.png && "
                              "pgmramp -lr 6144 6144 | pgmtoppm red-blue | pnmtopng -force > colour.png"));
  const auto formats = RegisterRasterFormats();
  for (const char* name : {"grey.png", "colour.png"}) {
    const std::string path = (folder.path / name).string();
    const std::uint64_t budget =
        std::filesystem::file_size(path) + std::uint64_t{kSide} * kSide * 4 * 11 / 10 + (std::uint64_t{16} << 20);
    EXPECT_EXIT(
        {
          if (!LimitAddressSpaceGrowth(budget))
            std::_Exit(2);
          std::_Exit(ReadFaceImage(path, oracle::kLargestTexture).width == kSide ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << name;
  }
}

}  // namespace
}  // namespace vrel
