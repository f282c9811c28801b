// Paint Shop Pro files from a writer here that follows the format's description (no tool on this
// system writes or reads them): the pixels are the writer's own channel bytes and palette, for
// versions 3 and 5, raw, run-length and deflate channels, colour with and without a transparency
// mask, indexed 1, 4 and 8 bits and grey. JPEG-compressed files and other depths are refused clearly.

#include <gtest/gtest.h>

#include <zlib.h>

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

  // A block: marker, id, (version 3: the initial-header length), total length, then its data.
  Bytes Block(std::uint16_t id, const Bytes& data) const {
    Bytes out = {'~', 'B', 'K', 0};
    PutLE16(out, id);
    if (major == 3)
      PutLE32(out, static_cast<std::uint32_t>(data.size()));
    PutLE32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }
  // Versions after 3 open each block's data with the length of its first chunk.
  void Chunk(Bytes& data, std::uint32_t length) const {
    if (major > 3)
      PutLE32(data, length);
  }
  Bytes Pack(const Bytes& rows) const {
    if (compression == 1) {
      // Runs of equal bytes as repeats, the rest as copies of at most 127.
      Bytes out;
      for (std::size_t at = 0; at < rows.size();) {
        std::size_t run = 1;
        while (at + run < rows.size() && rows[at + run] == rows[at] && run < 127)
          ++run;
        if (run >= 3) {
          out.push_back(static_cast<std::uint8_t>(128 + run));
          out.push_back(rows[at]);
          at += run;
          continue;
        }
        const std::size_t n = std::min<std::size_t>(127, rows.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), rows.begin() + static_cast<std::ptrdiff_t>(at),
                   rows.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
      }
      return out;
    }
    if (compression == 2) {
      uLongf size = compressBound(static_cast<uLong>(rows.size()));
      Bytes out(size);
      compress(out.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
      out.resize(size);
      return out;
    }
    return rows;
  }
  Bytes Layer(const std::vector<PspChannel>& layerChannels, std::int32_t right) const {
    Bytes data;
    if (major == 3) {
      data.resize(256, 0);
    } else {
      PutLE32(data, 4 + 2 + 5 + 115);
      PutLE16(data, 5);
      data.insert(data.end(), {'B', 'a', 'c', 'k', 'g'});
    }
    // The layer's information: type, image rectangle, then the rest left 0.
    Bytes info(115, 0);
    const std::int32_t rect[4] = {0, 0, right, height};
    std::memcpy(info.data() + 1, rect, 16);
    data.insert(data.end(), info.begin(), info.end());
    PutLE16(data, layerChannels.empty() ? 0 : 1);
    PutLE16(data, static_cast<unsigned>(layerChannels.size()));
    for (const PspChannel& c : layerChannels) {
      const Bytes packed = Pack(c.rows);
      Bytes block;
      Chunk(block, 16);
      PutLE32(block, static_cast<std::uint32_t>(packed.size()));
      PutLE32(block, static_cast<std::uint32_t>(c.rows.size()));
      PutLE16(block, c.bitmapType);
      PutLE16(block, c.channelType);
      block.insert(block.end(), packed.begin(), packed.end());
      const Bytes channel = Block(5, block);
      data.insert(data.end(), channel.begin(), channel.end());
    }
    return Block(4, data);
  }
  Bytes Write() const {
    Bytes out(32, 0);
    const char* signature = "Paint Shop Pro Image File\n\x1a";
    std::memcpy(out.data(), signature, std::strlen(signature));
    PutLE16(out, major);
    PutLE16(out, 0);
    Bytes attributes;
    Chunk(attributes, 46);
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
    PutLE32(attributes, 0);
    const Bytes general = Block(0, attributes);
    out.insert(out.end(), general.begin(), general.end());
    // A block this reader does not know: the creator's.
    const Bytes creator = Block(1, Bytes(20, 'c'));
    out.insert(out.end(), creator.begin(), creator.end());
    if (!palette.empty()) {
      Bytes data;
      Chunk(data, 8);
      PutLE32(data, static_cast<std::uint32_t>(palette.size() / 4));
      data.insert(data.end(), palette.begin(), palette.end());
      const Bytes block = Block(2, data);
      out.insert(out.end(), block.begin(), block.end());
    }
    Bytes bank;
    if (emptyLayerFirst) {
      const Bytes empty = Layer({}, 0);
      bank.insert(bank.end(), empty.begin(), empty.end());
    }
    const Bytes layer = Layer(channels, width);
    bank.insert(bank.end(), layer.begin(), layer.end());
    const Bytes block = Block(3, bank);
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

TEST(PaintShopProFiles, ColourChannelsLoadRawRunLengthAndDeflatedInBothHeaderVersions) {
  for (std::uint16_t major : {3, 5}) {
    for (std::uint16_t compression : {0, 1, 2}) {
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
    for (std::uint16_t compression : {0, 1, 2}) {
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
