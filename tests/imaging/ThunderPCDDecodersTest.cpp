// ThunderScan and the Photo-CD Huffman scheme. No tool here writes either, so the tests encode them
// from the format descriptions: ThunderScan rows (whose files load as libtiff decodes them in the TIFF
// loader's tests) cut off and damaged, and the edge of a row; the Photo-CD stream follows the layout
// its decoder's header describes, and its expectation is the arithmetic of the residuals.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "imaging/PCDDecoder.h"
#include "imaging/RasterDecoders.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/DecoderOracle.h"
#include "tests/imaging/TestEncoders.h"

namespace vrel {
namespace {

using oracle::BitWriter;
using oracle::Bytes;

// ---- ThunderScan ---------------------------------------------------------------------------------

using oracle::EncodeThunderRow;
using oracle::ThunderPicture;

TEST(ThunderDecoder, ARunOfOddLengthLeavesTheLowHalfOfTheLastByteClear) {
  TThunderDecoder decoder(3);
  Bytes target{0xFF, 0xFF};
  decoder.Decode(Bytes{0xC5, 0x02}, target);
  EXPECT_EQ(target, (Bytes{0x55, 0x50}));
}

TEST(ThunderDecoder, CutOffAndDamagedRowsRaiseOrDecodeUnchanged) {
  Bytes packed;
  for (const auto& row : ThunderPicture()) {
    const Bytes codes = EncodeThunderRow(row);
    packed.insert(packed.end(), codes.begin(), codes.end());
  }
  TThunderDecoder whole(37);
  const Bytes expected = oracle::DecodeAll(whole, packed, 9 * 19);
  oracle::SweepDamagedInputs([] { return std::make_unique<TThunderDecoder>(37); }, packed, expected.size(), expected);
}

// ---- Photo-CD ------------------------------------------------------------------------------------

struct PcdCode {
  const char* Bits;
  int Value;
};

// Prefix codes of the residuals.
const std::vector<PcdCode> kLumaCodes = {{"00", 0},    {"01", 1},     {"100", -1},    {"101", 5},
                                         {"1100", -7}, {"1101", 100}, {"1110", -100}, {"1111", 2}};
const std::vector<PcdCode> kChromaCodes = {{"0", 0}, {"10", 3}, {"11", -3}};

struct PcdWriter {
  BitWriter Bits;

  void Table(const std::vector<PcdCode>& codes) {
    Bits.Put(static_cast<std::uint32_t>(codes.size() - 1), 8);
    for (const PcdCode& code : codes) {
      const std::string bits = code.Bits;
      Bits.Put(static_cast<std::uint32_t>(bits.size() - 1), 8);
      Bits.Put(static_cast<std::uint32_t>(std::stoul(bits, nullptr, 2) << (16 - bits.size())), 16);
      Bits.Put(static_cast<std::uint32_t>(code.Value & 0xFF), 8);
    }
  }
  // The sync the decoder looks for from where it stopped: a byte, FF F0 00, then 23 ones and a zero;
  // then the row header.
  void Row(std::uint32_t plane, std::uint32_t row) {
    Bits.Put(0, 8);
    Bits.Put(0xFFF000u, 24);
    Bits.Put(0xFFFFFEu, 24);
    Bits.Put(plane << 22 | row << 1, 24);
  }
  void Residuals(const std::vector<PcdCode>& codes, const std::vector<int>& indices) {
    for (const int index : indices)
      Bits.Put(codes[static_cast<std::size_t>(index)].Bits);
  }
  // Room after the end for the window the decoder looks through.
  Bytes Finish(std::uint32_t height) {
    Row(0, height);
    Bits.Put(0, 32);
    return Bits.Out;
  }
};

struct PcdImage {
  std::uint32_t Width;
  std::uint32_t Height;
  Bytes Stream;
  Bytes Luma, Chroma1, Chroma2;  // the planes before
  Bytes ExpectedLuma, ExpectedChroma1, ExpectedChroma2;
};

std::uint8_t Clamped(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Every row of every plane corrected by random residuals; planes start near both ends of the range so
// that the clamping shows. With three tables the chroma planes use the second and third.
PcdImage MakePcdImage(std::uint32_t width, std::uint32_t height, unsigned seed) {
  std::mt19937 random(seed);
  PcdImage image{width, height, {}, {}, {}, {}, {}, {}, {}};
  const std::size_t chroma = std::size_t{width} * ((height + 1) / 2);
  image.Luma.resize(std::size_t{width} * height);
  for (std::uint8_t& sample : image.Luma)
    sample = static_cast<std::uint8_t>(random() % 2 ? 3 : 250);
  image.Chroma1.assign(chroma, 128);
  image.Chroma2.assign(chroma, 5);
  image.ExpectedLuma = image.Luma;
  image.ExpectedChroma1 = image.Chroma1;
  image.ExpectedChroma2 = image.Chroma2;
  const bool three = width > 1536;
  PcdWriter writer;
  writer.Table(kLumaCodes);
  if (three) {
    writer.Table(kChromaCodes);
    writer.Table(kChromaCodes);
  }
  const auto correct = [&](std::uint32_t plane, std::uint32_t row, Bytes& expected, std::size_t at, std::size_t count) {
    const auto& codes = plane == 0 || !three ? kLumaCodes : kChromaCodes;
    std::vector<int> indices;
    for (std::size_t i = 0; i < count; ++i) {
      indices.push_back(static_cast<int>(random() % codes.size()));
      expected[at + i] = Clamped(expected[at + i] + codes[static_cast<std::size_t>(indices.back())].Value);
    }
    writer.Row(plane, row);
    writer.Residuals(codes, indices);
  };
  for (std::uint32_t row = 0; row < height; ++row) {
    correct(0, row, image.ExpectedLuma, std::size_t{row} * width, width);
    if (row % 2 == 0) {
      correct(2, row, image.ExpectedChroma1, std::size_t{row / 2} * width, width / 2);
      correct(3, row, image.ExpectedChroma2, std::size_t{row / 2} * width, width / 2);
    }
  }
  image.Stream = writer.Finish(height);
  return image;
}

void DecodePcd(const Bytes& stream, PcdImage& image) {
  TMemoryInputStream input(stream);
  TPCDDecoder decoder(input);
  decoder.Decode({image.Luma, image.Chroma1, image.Chroma2}, image.Width, image.Height);
}

TEST(PCDDecoder, ResidualsCorrectEveryPlaneThroughTheClamp) {
  for (const std::uint32_t width : {16u, 1600u}) {
    SCOPED_TRACE(width);
    PcdImage image = MakePcdImage(width, 6, width);
    DecodePcd(image.Stream, image);
    EXPECT_EQ(image.Luma, image.ExpectedLuma);
    EXPECT_EQ(image.Chroma1, image.ExpectedChroma1);
    EXPECT_EQ(image.Chroma2, image.ExpectedChroma2);
  }
}

TEST(PCDDecoder, APlaneTheFormatLacksOrARowBeyondTheImageRaisesTheDecodersError) {
  PcdWriter plane;
  plane.Table(kLumaCodes);
  plane.Row(1, 0);
  plane.Residuals(kLumaCodes, {1, 2, 3});
  PcdImage image = MakePcdImage(16, 2, 1);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { DecodePcd(plane.Finish(2), image); }),
            "Photo-CD decompression error. The data names plane 1, which the format does not have.");
  PcdWriter row;
  row.Table(kLumaCodes);
  row.Row(0, 3);
  EXPECT_THROW(DecodePcd(row.Finish(2), image), EDecodeError);
}

TEST(PCDDecoder, ACodeLongerThanSixteenBitsEndsDecodingWithNothingChanged) {
  PcdWriter writer;
  writer.Bits.Put(0, 8);
  writer.Bits.Put(16, 8);
  writer.Bits.Put(0, 32);
  PcdImage image = MakePcdImage(16, 2, 1);
  const Bytes before = image.Luma;
  DecodePcd(writer.Finish(2), image);
  EXPECT_EQ(image.Luma, before);
}

TEST(PCDDecoder, AStreamEndingBeforeTheLastRowRaisesAndDamageNeverOverruns) {
  const PcdImage made = MakePcdImage(16, 4, 3);
  const Bytes& stream = made.Stream;
  for (std::size_t size = 0; size < stream.size() - 12; ++size) {
    PcdImage image = made;
    EXPECT_EQ(bytes::ErrorOf<EDecodeError>(
                  [&] { DecodePcd(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size)), image); }),
              "Photo-CD Huffman decompression error. Unexpected end of input.")
        << size << " bytes";
  }
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    Bytes damaged = stream;
    damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
    PcdImage image = made;
    bytes::ErrorOf<EDecodeError>([&] { DecodePcd(damaged, image); });
  }
}

}  // namespace
}  // namespace vrel
