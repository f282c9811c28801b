// The cursor table and the five tool cursors drawn into it.

#include <gtest/gtest.h>

#include "platform/Cursors.h"

namespace vrel {
namespace {
CursorRegistry ToolCursorRegistry() {
  CursorRegistry registry;
  RegisterToolCursors(registry);
  RegisterToolCursors(registry);  // again: the same five
  return registry;
}

TEST(ToolCursors, EachIsAValidThirtyTwoSquareDrawingOfItsOwn) {
  const CursorRegistry registry = ToolCursorRegistry();
  std::set<std::vector<CursorPixel>> seen;
  for (int id = crKnife; id <= crScale; ++id) {
    const CursorImage* image = registry.Find(id);
    SCOPED_TRACE(image->name);
    EXPECT_NO_THROW(image->Validate());
    EXPECT_EQ(std::tuple(image->width, image->height), std::tuple(32, 32));
    EXPECT_GT(std::count(image->pixels.begin(), image->pixels.end(), CursorPixel::Black), 40);
    EXPECT_TRUE(seen.insert(image->pixels).second) << "two cursors look the same";
  }
}

// Black strokes in a white rim: black never meets the background or the edge; the hotspot is on the drawing.
TEST(ToolCursors, BlackStrokesInAWhiteRimShowOnAnyBackgroundWithTheHotspotOnThem) {
  const CursorRegistry registry = ToolCursorRegistry();
  for (int id = crKnife; id <= crScale; ++id) {
    const CursorImage* image = registry.Find(id);
    SCOPED_TRACE(image->name);
    bool nearStroke = false;
    for (int y = 0; y < image->height; ++y) {
      for (int x = 0; x < image->width; ++x) {
        if (image->At(x, y) != CursorPixel::Black)
          continue;
        ASSERT_TRUE(x > 0 && y > 0 && x < image->width - 1 && y < image->height - 1) << x << "," << y;
        nearStroke = nearStroke || (std::abs(x - image->hotX) <= 1 && std::abs(y - image->hotY) <= 1);
        for (int d = 0; d < 9; ++d)
          EXPECT_NE(image->At(x + d % 3 - 1, y + d / 3 - 1), CursorPixel::Transparent);
      }
    }
    EXPECT_TRUE(nearStroke) << "hotspot " << image->hotX << "," << image->hotY;
  }
}

CursorImage TwoPixels() {
  CursorImage image;
  image.name = "crTest";
  image.width = 2;
  image.height = 1;
  image.hotX = 1;
  image.pixels = {CursorPixel::Black, CursorPixel::White};
  return image;
}

TEST(CursorRegistry, StoresAValidImageAsArgbPixels) {
  CursorRegistry registry;
  EXPECT_EQ(registry.Find(1958), nullptr);
  registry.Register(1958, TwoPixels());
  ASSERT_TRUE(registry.Contains(1958));
  EXPECT_EQ(registry.Find(1958)->ToArgb(), (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
  EXPECT_THROW(registry.Find(1958)->At(2, 0), std::out_of_range);
  CursorImage clear = TwoPixels();
  clear.pixels = {CursorPixel::Transparent, CursorPixel::Transparent};
  registry.Register(1958, clear);
  EXPECT_EQ(registry.Find(1958)->ToArgb(), (std::vector<uint32_t>{0u, 0u}));
}

TEST(CursorRegistry, RefusesABrokenImageAndKeepsTheEntryAsItWas) {
  CursorRegistry registry;
  const CursorImage image = TwoPixels();
  registry.Register(1958, image);
  const std::function<void(CursorImage&)> breaks[] = {
      [](CursorImage& i) { i.pixels.pop_back(); }, [](CursorImage& i) { i.hotY = 1; },
      [](CursorImage& i) {
        i.width = 0;
        i.pixels.clear();
      },
      [](CursorImage& i) {
        i.width = 257;
        i.pixels.assign(257, CursorPixel::Transparent);
      },
      [](CursorImage& i) { i.pixels[0] = static_cast<CursorPixel>(7); }};
  for (const auto& spoil : breaks) {
    CursorImage broken = image;
    spoil(broken);
    EXPECT_THROW(registry.Register(1958, broken), std::invalid_argument);
  }
  EXPECT_EQ(registry.Find(1958)->pixels, image.pixels);
}
}  // namespace
}  // namespace vrel
