// A bitmap's pixel storage: small and large blocks (the large ones on huge pages where the system
// offers them) start zero, hold what is written and copy whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "imaging/Graphics.h"

namespace vrel {
namespace {

TEST(BitmapStorage, SmallAndLargeBitmapsStartZeroAndCopyWhole) {
  for (const auto& [width, height] : {std::pair(7, 5), std::pair(2048, 1100)}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
      const auto row = bitmap.ScanLine(y);
      ASSERT_TRUE(std::all_of(row.begin(), row.end(), [](std::uint8_t b) { return b == 0; })) << y;
      std::fill(row.begin(), row.end(), static_cast<std::uint8_t>(y * 7 + 1));
    }
    TBitmap copy;
    copy.Assign(&bitmap);
    EXPECT_EQ(copy.ToBgra(), bitmap.ToBgra()) << width;
    EXPECT_EQ(copy.ScanLine(height - 1)[0], static_cast<std::uint8_t>((height - 1) * 7 + 1));
  }
}

TEST(BitmapStorage, ABlockOfTwoMebibytesOrMoreIsAlignedForHugePages) {
  void* block = AllocatePixelBlock(std::size_t{3} << 20);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (std::size_t{2} << 20), 0u);
  FreePixelBlock(block, std::size_t{3} << 20);
}

}  // namespace
}  // namespace vrel
