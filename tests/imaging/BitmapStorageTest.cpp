// A bitmap's pixel storage: small and large blocks (the large ones on huge pages where the system
// offers them) start zero, hold what is written, copy whole and grow in place.

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

// Growing in place: small blocks, a small one that becomes large, and a large one remapped.
TEST(BitmapStorage, ExpandingToBgraInPlaceGivesThePixelsToBgraGives) {
  for (const auto& [width, height] : {std::pair(7, 5), std::pair(1024, 1024), std::pair(2048, 1100)}) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf8bit);
    bitmap.SetSize(width, height);
    TPalette palette(256);
    for (unsigned i = 0; i < 256; ++i)
      palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i)};
    bitmap.SetPalette(palette);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        bitmap.ScanLine(y)[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(x * 7 + y * 13);
    const std::vector<std::uint8_t> expected = bitmap.ToBgra();
    bitmap.ExpandToBgra();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf32bit);
    EXPECT_EQ(bitmap.ToBgra(), expected) << width;
  }
}

TEST(BitmapStorage, ABlockOfTwoMebibytesOrMoreIsAlignedForHugePages) {
  void* block = AllocatePixelBlock(std::size_t{3} << 20);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (std::size_t{2} << 20), 0u);
  FreePixelBlock(block, std::size_t{3} << 20);
}

}  // namespace
}  // namespace vrel
