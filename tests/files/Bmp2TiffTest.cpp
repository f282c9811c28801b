// The TIFF writer, checked by libtiff's own tools: tiffinfo must read every file without a word of
// complaint, and tiff2rgba must give back the bitmap's pixels.
#include <gtest/gtest.h>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#include "files/Bmp2Tiff.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel {
namespace {
class TiffFiles : public scenetest::TempFolder {
 protected:
  // tiffinfo's report of the file; any error or warning is a fault of the file.
  std::string Tiffinfo(const std::string& options, const std::string& tiff) const {
    std::string out, err;
    EXPECT_EQ(Run("tiffinfo " + options + " '" + tiff + "'", &out, &err), 0)
        << "tiffinfo (libtiff-tools, installed by ./dev) failed: " << err;
    EXPECT_EQ(err, "") << out;
    return out;
  }
  // The pixels as libtiff sees them: tiff2rgba converts the file to plain uncompressed RGB, whose
  // strips tiffinfo -d prints as hexadecimal bytes (red, green, blue per pixel, top row first).
  std::string PixelsByLibtiff(const std::string& tiff) const {
    std::string out, err;
    EXPECT_EQ(Run("tiff2rgba -n -c none '" + tiff + "' '" + PathOf("rgb.tif") + "'", &out, &err), 0) << err;
    EXPECT_EQ(err, "");
    std::string hex, line, token;
    std::istringstream lines(Tiffinfo("-d", PathOf("rgb.tif")));
    for (bool inStrip = false; std::getline(lines, line);) {
      if (line.starts_with("Strip "))
        inStrip = true;
      else if (inStrip)
        for (std::istringstream tokens(line); tokens >> token;)
          hex += token;
    }
    return hex;
  }
};

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string hex;
  char pair[3];
  for (const uint8_t b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    hex += pair;
  }
  return hex;
}

// A bitmap of random pixels, and the colours each pixel means, read straight from the bitmap's
// definition: an index into the palette, or blue, green, red bytes.
struct Sample {
  TBitmapData bitmap;
  std::vector<uint8_t> expected;  // red, green, blue per pixel
};

Sample MakeSample(int width, int height, int bits, std::vector<TPaletteEntry> palette, unsigned seed) {
  std::mt19937 random(seed);
  Sample s{{width, height, bits, palette, {}}, {}};
  for (int y = 0; y < height; ++y) {
    std::vector<uint8_t> row(BitmapRowBytes(width, bits) + 3);  // rows may be longer than they need to be
    for (uint8_t& b : row)
      b = static_cast<uint8_t>(random());
    s.bitmap.Rows.push_back(row);
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      const std::size_t at = x * static_cast<std::size_t>(bits) / 8, bit = x * static_cast<std::size_t>(bits) % 8;
      auto index = [&] { return std::size_t((row[at] >> (8 - bits - int(bit))) & ((1 << bits) - 1)); };
      const TPaletteEntry e = bits >= 24                 ? TPaletteEntry{row[at + 2], row[at + 1], row[at]}
                              : index() < palette.size() ? palette[index()]
                                                         : TPaletteEntry{};
      s.expected.insert(s.expected.end(), {e.Red, e.Green, e.Blue});
    }
  }
  return s;
}

std::vector<TPaletteEntry> RandomPalette(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<TPaletteEntry> palette(count);
  for (TPaletteEntry& e : palette)
    e = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
  return palette;
}

TEST_F(TiffFiles, EveryDepthReadsBackThePixels) {
  struct Case {
    int width, height, bits;
    std::vector<TPaletteEntry> palette;
    const char* photometric;  // as tiffinfo names it
  };
  const char *palette = "palette color (RGB from colormap)", *rgb = "RGB color";
  const Case cases[] = {
      {37, 9, 1, {{0, 0, 0}, {255, 255, 255}}, "min-is-black"},
      {16, 5, 1, {{255, 255, 255}, {}}, "min-is-white"},
      {13, 4, 1, {{200, 10, 10}, {0, 0, 255}}, palette},
      {7, 6, 4, RandomPalette(16, 1), palette},
      {10, 3, 4, RandomPalette(5, 2), palette},  // a short palette
      {33, 17, 8, RandomPalette(256, 3), palette},
      {5, 7, 24, {}, rgb},
      {9, 4, 32, {}, rgb},
      {1, 1, 24, {}, rgb},
      {70001, 2, 8, RandomPalette(256, 4), palette}};  // beyond what a SHORT holds the width is a LONG
  unsigned seed = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " at " + std::to_string(c.bits));
    const Sample sample = MakeSample(c.width, c.height, c.bits, c.palette, seed++);
    ASSERT_TRUE(WriteTiffToFile(PathOf("image.tif"), sample.bitmap));
    const std::string report = Tiffinfo("-D", PathOf("image.tif"));
    for (const std::string& line :
         {"Image Width: " + std::to_string(c.width) + " Image Length: " + std::to_string(c.height),
          std::string("Software: Tovesklabs\n"), std::string("Photometric Interpretation: ") + c.photometric + "\n"})
      EXPECT_NE(report.find(line), std::string::npos) << line << report;
    EXPECT_EQ(PixelsByLibtiff(PathOf("image.tif")), Hex(sample.expected));
  }
}

TEST(TiffLayout, AnRgbPixelIsWrittenByteForByte) {
  TBitmapData bitmap{1, 1, 24, {}, {{0x30, 0x20, 0x10}}};  // blue, green, red
  std::string stream = "before";
  ASSERT_TRUE(WriteTiffToStream(stream, bitmap));
  auto le16 = [](uint32_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  auto le32 = [&](uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); };
  // At 8 and 16 the resolutions, 24 BitsPerSample, 30 Software and a pad, 42 the pixel as red, green, blue, 46 the
  // directory.
  std::string expected = "beforeII" + le16(42) + le32(46) + le32(877) + le32(10) + le32(877) + le32(10) + le16(8) +
                         le16(8) + le16(8) + std::string("Tovesklabs\0\0", 12) + std::string("\x10\x20\x30\0", 4) +
                         le16(15);
  const uint32_t entries[15][4] = {{254, 4, 1, 0}, {256, 3, 1, 1},  {257, 3, 1, 1}, {258, 3, 3, 24}, {259, 3, 1, 1},
                                   {262, 3, 1, 2}, {273, 4, 1, 42}, {277, 3, 1, 3}, {278, 4, 1, 1},  {279, 4, 1, 3},
                                   {282, 5, 1, 8}, {283, 5, 1, 16}, {284, 3, 1, 1}, {296, 3, 1, 2},  {305, 2, 11, 30}};
  for (const auto& e : entries)
    expected += le16(e[0]) + le16(e[1]) + le32(e[2]) + le32(e[3]);
  EXPECT_EQ(stream, expected + le32(0));
}

uint32_t Le16(const std::string& b, std::size_t at) {
  return uint8_t(b[at]) | uint32_t(uint8_t(b[at + 1])) << 8;
}
uint32_t Le32(const std::string& b, std::size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}

// A file for each depth and a few widths, each with the offset and entry count of its directory.
struct Layout {
  std::string what, tiff;
  uint32_t directory, count;
};

std::vector<Layout> Layouts() {
  std::vector<Layout> layouts;
  for (const int bits : {1, 4, 8, 24, 32}) {
    for (const int width : {1, 2, 3, 5, 9}) {
      std::string tiff;
      EXPECT_TRUE(WriteTiffToStream(tiff, MakeSample(width, 3, bits, RandomPalette(bits == 1 ? 2 : 16, 9), 11).bitmap));
      const uint32_t directory = Le32(tiff, 4);
      layouts.push_back(
          {std::to_string(width) + " pixels at " + std::to_string(bits), tiff, directory, Le16(tiff, directory)});
    }
  }
  return layouts;
}

TEST(TiffLayout, TheDirectoryAndEveryValueOutsideItStartOnAWordBoundary) {
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.what);
    EXPECT_EQ(l.directory % 2, 0u);
    for (uint32_t i = 0; i < l.count; ++i) {
      const std::size_t at = l.directory + 2 + 12 * i;
      const uint32_t type = Le16(l.tiff, at + 2);
      const uint32_t size = Le32(l.tiff, at + 4) * (type == 3 ? 2 : type == 4 ? 4 : type == 5 ? 8 : 1);
      if (size <= 4)
        continue;  // the value is in the entry
      EXPECT_EQ(Le32(l.tiff, at + 8) % 2, 0u) << "tag " << Le16(l.tiff, at);
      EXPECT_LE(Le32(l.tiff, at + 8) + size, l.directory) << "tag " << Le16(l.tiff, at);
    }
  }
}

TEST_F(TiffFiles, OtherDepthsAreRefusedWithoutTouchingTheFile) {
  for (const int bits : {0, 2, 15, 16, 48}) {
    const TBitmapData bitmap{2, 1, bits, {}, {std::vector<uint8_t>(12, 1)}};
    std::string stream = "x";
    WriteBytes(PathOf("old.tif"), "previous");
    EXPECT_FALSE(WriteTiffToStream(stream, bitmap)) << bits;
    EXPECT_FALSE(WriteTiffToFile(PathOf("old.tif"), bitmap)) << bits;
    EXPECT_EQ(std::tuple(stream, ReadBytes(PathOf("old.tif"))), std::tuple("x", "previous")) << bits;
  }
  EXPECT_EQ(Listing(), std::vector<std::string>{"old.tif"});
}
}  // namespace
}  // namespace vrel
