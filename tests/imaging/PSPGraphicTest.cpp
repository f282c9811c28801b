// Paint Shop Pro files from a writer here that follows the format's layout by version (no tool the
// tests run writes or reads them; GIMP's import of a few, kept in data/psp, checks the layout): the
// pixels are the writer's own channel bytes and palette, for versions 3 to 5, raw, run-length and
// deflate channels, colour with and without a transparency mask, indexed 1, 4 and 8 bits and grey.
// JPEG-compressed files and other depths are refused clearly.

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/PSPGraphic.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

using oracle::PutLE16;
using oracle::PutLE32;

struct PspChannel {
  std::uint16_t bitmapType = 0;   // 0 image, 1 transparency mask
  std::uint16_t channelType = 0;  // 0 composite or index, 1 red, 2 green, 3 blue
  Bytes rows;                     // height rows of the row length
};

struct PspWriter {
  std::uint16_t major = 5;
  std::int32_t width = 0, height = 0;
  std::uint16_t compression = 0, depth = 24;
  bool greyscale = false;
  Bytes palette;  // blue, green, red, 0 per entry
  std::vector<PspChannel> channels;
  bool emptyLayerFirst = false;
  std::size_t laterFields = 0;  // bytes a later version adds at the end of each chunk

  // A block: marker, id, (version 3: the length of its leading fields), total length, then its data.
  Bytes Block(std::uint16_t id, const Bytes& data, std::size_t leading) const {
    Bytes out = {'~', 'B', 'K', 0};
    PutLE16(out, id);
    if (major == 3)
      PutLE32(out, static_cast<std::uint32_t>(leading));
    PutLE32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }
  // From version 4 on, fields come in chunks that open with their length, counted in.
  Bytes Chunk(Bytes fields) const {
    if (major == 3)
      return fields;
    fields.resize(fields.size() + laterFields, 0);
    Bytes out;
    PutLE32(out, static_cast<std::uint32_t>(4 + fields.size()));
    out.insert(out.end(), fields.begin(), fields.end());
    return out;
  }
  Bytes Pack(const Bytes& rows) const {
    if (compression == 1)
      return oracle::EncodePsp(rows);
    if (compression == 2) {
      uLongf size = compressBound(static_cast<uLong>(rows.size()));
      Bytes out(size);
      compress(out.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
      out.resize(size);
      return out;
    }
    return rows;
  }
  // The layer's name, its information, then the counts of its bitmaps and channels, and its channels.
  Bytes Layer(const std::vector<PspChannel>& layerChannels, std::int32_t right) const {
    Bytes info;
    if (major == 3) {
      info.resize(256, 0);
    } else {
      PutLE16(info, 5);
      info.insert(info.end(), {'B', 'a', 'c', 'k', 'g'});
    }
    // Raster type, the image rectangle and the rectangle stored (the same), full opacity, visible;
    // the masks and blend ranges left 0.
    Bytes fields(115, 0);
    fields[0] = 1;
    const std::int32_t rect[8] = {0, 0, right, height, 0, 0, right, height};
    std::memcpy(fields.data() + 1, rect, 32);
    fields[33] = 255;
    fields[35] = 1;
    info.insert(info.end(), fields.begin(), fields.end());
    Bytes counts;
    // The image bitmap, and the transparency mask when there is one.
    const bool mask =
        std::any_of(layerChannels.begin(), layerChannels.end(), [](const PspChannel& c) { return c.bitmapType == 1; });
    PutLE16(counts, layerChannels.empty() ? 0 : mask ? 2 : 1);
    PutLE16(counts, static_cast<unsigned>(layerChannels.size()));
    Bytes data = Chunk(info);
    const Bytes countChunk = Chunk(counts);
    data.insert(data.end(), countChunk.begin(), countChunk.end());
    const std::size_t leading = data.size();
    for (const PspChannel& c : layerChannels) {
      const Bytes packed = Pack(c.rows);
      Bytes head;
      PutLE32(head, static_cast<std::uint32_t>(packed.size()));
      PutLE32(head, static_cast<std::uint32_t>(c.rows.size()));
      PutLE16(head, c.bitmapType);
      PutLE16(head, c.channelType);
      Bytes block = Chunk(head);
      block.insert(block.end(), packed.begin(), packed.end());
      const Bytes channel = Block(5, block, 12);
      data.insert(data.end(), channel.begin(), channel.end());
    }
    return Block(4, data, leading);
  }
  Bytes Write() const {
    Bytes out(32, 0);
    const char* signature = "Paint Shop Pro Image File\n\x1a";
    std::memcpy(out.data(), signature, std::strlen(signature));
    PutLE16(out, major);
    PutLE16(out, 0);
    Bytes attributes;
    PutLE32(attributes, static_cast<std::uint32_t>(width));
    PutLE32(attributes, static_cast<std::uint32_t>(height));
    const double resolution = 28.35;
    attributes.resize(attributes.size() + 8);
    std::memcpy(attributes.data() + attributes.size() - 8, &resolution, 8);
    attributes.push_back(2);  // per centimetre
    PutLE16(attributes, compression);
    PutLE16(attributes, depth);
    PutLE16(attributes, 1);
    PutLE32(attributes, depth == 24 ? 0 : 1u << depth);
    attributes.push_back(greyscale ? 1 : 0);
    PutLE32(attributes, 0);
    PutLE32(attributes, 0);
    PutLE16(attributes, 1);
    if (major > 3)
      PutLE32(attributes, 0);  // the graphic contents
    const Bytes general = Block(0, Chunk(attributes), attributes.size());
    out.insert(out.end(), general.begin(), general.end());
    // A block this reader does not know: the creator's, with one field, the title.
    Bytes title = {'~', 'F', 'L', 0};
    PutLE16(title, 0);
    PutLE32(title, 4);
    title.insert(title.end(), {'V', 'r', 'e', 'l'});
    const Bytes creator = Block(1, title, title.size());
    out.insert(out.end(), creator.begin(), creator.end());
    if (!palette.empty()) {
      Bytes count;
      PutLE32(count, static_cast<std::uint32_t>(palette.size() / 4));
      Bytes data = Chunk(count);
      data.insert(data.end(), palette.begin(), palette.end());
      const Bytes block = Block(2, data, 4);
      out.insert(out.end(), block.begin(), block.end());
    }
    Bytes bank;
    if (emptyLayerFirst) {
      const Bytes empty = Layer({}, 0);
      bank.insert(bank.end(), empty.begin(), empty.end());
    }
    const Bytes layer = Layer(channels, width);
    bank.insert(bank.end(), layer.begin(), layer.end());
    const Bytes block = Block(3, bank, 0);
    out.insert(out.end(), block.begin(), block.end());
    return out;
  }
};

// A colour picture of 13 x 5: each channel a pattern of its own, with runs for the run-length coder.
PspWriter ColourFile(std::uint16_t major, std::uint16_t compression, bool mask) {
  PspWriter w;
  w.major = major;
  w.compression = compression;
  w.width = 13;
  w.height = 5;
  for (std::uint16_t c = 1; c <= (mask ? 4 : 3); ++c) {
    PspChannel channel;
    channel.channelType = c == 4 ? 0 : c;
    channel.bitmapType = c == 4 ? 1 : 0;
    for (int y = 0; y < w.height; ++y)
      for (int x = 0; x < w.width; ++x)
        channel.rows.push_back(static_cast<std::uint8_t>(x < 6 ? 40 * c : (x * 31 + y * 17) * c));
    w.channels.push_back(channel);
  }
  return w;
}

// The BGRA pixels of the writer's colour channels (alpha 255 without a mask).
Bytes ColourPixels(const PspWriter& w) {
  Bytes out;
  for (std::size_t i = 0; i < w.channels[0].rows.size(); ++i) {
    out.push_back(w.channels[2].rows[i]);
    out.push_back(w.channels[1].rows[i]);
    out.push_back(w.channels[0].rows[i]);
    out.push_back(w.channels.size() > 3 ? w.channels[3].rows[i] : 255);
  }
  return out;
}

Bytes Load(const PspWriter& w) {
  return oracle::LoadGraphic<TPSPGraphic>(w.Write())->ToBgra();
}

TEST(PaintShopProFiles, ColourChannelsLoadRawRunLengthAndDeflatedInEveryHeaderVersion) {
  for (std::uint16_t major = 3; major <= 5; ++major) {
    for (std::uint16_t compression = 0; compression <= 2; ++compression) {
      const PspWriter w = ColourFile(major, compression, false);
      EXPECT_EQ(Load(w), ColourPixels(w)) << "version " << major << ", compression " << compression;
    }
  }
}

TEST(PaintShopProFiles, ATransparencyMaskBecomesTheAlphaOfA32BitBitmap) {
  const PspWriter w = ColourFile(5, 1, true);
  const auto graphic = oracle::LoadGraphic<TPSPGraphic>(w.Write());
  EXPECT_EQ(graphic->PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(graphic->ToBgra(), ColourPixels(w));
}

// Files of the writer above in versions 3, 4 and 5 and GIMP's import of each, kept in data/psp.
TEST(PaintShopProFiles, FilesOfVersionsThreeToFiveLoadAsGimpDecodesThem) {
  for (const std::string name : {"v3-rle-colour", "v4-deflate-mask", "v5-raw-colour", "v5-rle-indexed8"}) {
    const std::string base = std::string(VREL_IMAGING_TEST_DATA) + "/psp/" + name;
    const auto psp = oracle::LoadGraphic<TPSPGraphic>(oracle::ReadBytes(base + ".psp"));
    const oracle::Pnm gimp = oracle::ReadPnm(oracle::ReadBytes(base + ".gimp.pam"));
    EXPECT_EQ(oracle::RgbOf(*psp), gimp.Rgb()) << name;
    EXPECT_EQ(oracle::AlphaOf(*psp), gimp.Alpha()) << name;
  }
}

// An indexed picture of `depth` bits, rows of `rowBytes`, its palette entries i -> (i, 2i, 255 - i).
PspWriter IndexedFile(std::uint16_t depth, std::int32_t width, std::size_t rowBytes, std::uint16_t compression) {
  PspWriter w;
  w.depth = depth;
  w.width = width;
  w.height = 3;
  w.compression = compression;
  for (unsigned i = 0; i < (1u << depth); ++i)
    w.palette.insert(w.palette.end(), {static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(2 * i),
                                       static_cast<std::uint8_t>(i), 0});
  PspChannel channel;
  for (int y = 0; y < w.height; ++y)
    for (std::size_t x = 0; x < rowBytes; ++x)
      channel.rows.push_back(static_cast<std::uint8_t>(x * 37 + y * 101));
  w.channels.push_back(channel);
  return w;
}

// The BGRA pixels of an indexed file, read from its rows by hand.
Bytes IndexedPixels(const PspWriter& w, std::size_t rowBytes) {
  Bytes out;
  const unsigned depth = w.depth;
  for (int y = 0; y < w.height; ++y) {
    for (int x = 0; x < w.width; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x) * depth;
      const std::uint8_t byte = w.channels[0].rows[static_cast<std::size_t>(y) * rowBytes + bit / 8];
      const unsigned index = (byte >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
      out.insert(out.end(), {static_cast<std::uint8_t>(255 - index), static_cast<std::uint8_t>(2 * index),
                             static_cast<std::uint8_t>(index), 255});
    }
  }
  return out;
}

TEST(PaintShopProFiles, IndexedOneFourAndEightBitRowsLoadThroughTheirPalette) {
  // Width 11: 2 bytes a 1-bit row, 6 a 4-bit row (width / 2 + 1), 11 an 8-bit row; and a 4-bit
  // picture of even width, whose rows are width / 2 + 1 bytes with a spare byte.
  struct Case {
    std::uint16_t depth;
    std::int32_t width;
    std::size_t rowBytes;
  };
  for (const Case& c : {Case{1, 11, 2}, Case{4, 11, 6}, Case{4, 10, 6}, Case{8, 11, 11}}) {
    for (std::uint16_t compression = 0; compression <= 2; ++compression) {
      const PspWriter w = IndexedFile(c.depth, c.width, c.rowBytes, compression);
      EXPECT_EQ(Load(w), IndexedPixels(w, c.rowBytes)) << c.depth << " bits, width " << c.width;
    }
  }
}

TEST(PaintShopProFiles, AGreyPictureWithoutPaletteLoadsItsLevels) {
  PspWriter w = IndexedFile(8, 7, 7, 1);
  w.greyscale = true;
  w.palette.clear();
  Bytes expected;
  for (std::uint8_t level : w.channels[0].rows)
    expected.insert(expected.end(), {level, level, level, 255});
  EXPECT_EQ(Load(w), expected);
}

TEST(PaintShopProFiles, TheFirstLayerHoldingABitmapIsTheOneLoaded) {
  PspWriter w = ColourFile(5, 2, false);
  w.emptyLayerFirst = true;
  EXPECT_EQ(Load(w), ColourPixels(w));
}

// Later versions add fields at the end of chunks: each is read to its stored length.
TEST(PaintShopProFiles, ChunksLongerThanTheFieldsReadAreSteppedOverByTheirLength) {
  for (PspWriter w : {ColourFile(6, 1, true), IndexedFile(8, 11, 11, 2)}) {
    w.laterFields = 9;
    EXPECT_EQ(Load(w), w.palette.empty() ? ColourPixels(w) : IndexedPixels(w, 11));
  }
}

TEST(PaintShopProFiles, JpegCompressionAndOtherDepthsAreRefusedClearly) {
  PspWriter jpeg = ColourFile(5, 0, false);
  jpeg.compression = 3;
  EXPECT_EQ(oracle::LoadError<TPSPGraphic>(jpeg.Write()),
            "Cannot load image. JPEG compression is not supported for PSP files.");
  PspWriter deep = IndexedFile(8, 4, 4, 0);
  deep.depth = 16;
  EXPECT_EQ(oracle::LoadError<TPSPGraphic>(deep.Write()), "Invalid color format in PSP file.");
  PspWriter v2 = ColourFile(5, 0, false);
  v2.major = 2;
  EXPECT_EQ(oracle::LoadError<TPSPGraphic>(v2.Write()), "Cannot load image. Invalid or unexpected PSP image format.");
}

TEST(PaintShopProFiles, ChannelsThatDoNotFillThePictureAreRefused) {
  PspWriter shortRows = ColourFile(5, 0, false);
  shortRows.channels[1].rows.resize(shortRows.channels[1].rows.size() - 5);
  EXPECT_EQ(oracle::LoadError<TPSPGraphic>(shortRows.Write()),
            "Cannot load image. Invalid or unexpected PSP image format.");
  PspWriter missing = ColourFile(5, 0, false);
  missing.channels.pop_back();
  EXPECT_EQ(oracle::LoadError<TPSPGraphic>(missing.Write()),
            "Cannot load image. Invalid or unexpected PSP image format.");
  Bytes damaged = ColourFile(5, 2, false).Write();
  damaged[damaged.size() - 30] ^= 0x55;
  EXPECT_EQ(oracle::LoadError<TPSPGraphic>(damaged), "LZ77 decompression error.");
}

TEST(PaintShopProFiles, CutOffAndDamagedFilesAreRefusedOrLoadWhole) {
  for (const PspWriter& w : {ColourFile(3, 1, true), ColourFile(5, 2, false), IndexedFile(4, 11, 6, 1)}) {
    oracle::SweepDamagedFiles<TPSPGraphic>(w.Write());
  }
}

}  // namespace
}  // namespace vrel
