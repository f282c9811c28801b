// The run-length decoders and the Targa encoder. What ImageMagick, netpbm and libtiff write in
// Targa, PCX, SGI and PackBits decodes as those tools decode it in the loaders' tests; here the
// schemes no tool writes (Paint Shop Pro, RLA) come from small encoders written from the format
// descriptions, CUT's from one that ImageMagick checks, and the edges of the packet headers are set by
// hand. Cut-off and damaged data raise "... Unexpected end of input." or decode unchanged.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/RasterDecoders.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;
using oracle::EncodeCutRow;
using oracle::EncodePsp;
using oracle::EncodeRla;

template <class D, class... A>
oracle::DecoderFactory Factory(A... args) {
  return [=] { return std::make_unique<D>(args...); };
}

// Rows of CUT packets from our encoder; ImageMagick reading the file (indices as grey without a
// palette) shows that the encoder writes the format. The rows decode one after another from where
// the last one ended.
TEST(RunLengthDecoders, CutRowsDecodeInTurnToWhatImageMagickReads) {
  const oracle::TempFolder folder;
  const std::uint16_t width = 140;
  Bytes pixels;
  for (std::size_t y = 0; y < 5; ++y) {
    for (std::size_t x = 0; x < width; ++x)
      pixels.push_back(static_cast<std::uint8_t>(x < 70 + y * 10 ? y * 40 : (x * 7 + y) % 251));
  }
  const Bytes file = oracle::WriteCut(width, pixels);
  oracle::WriteBytes(folder.path / "c.cut", file);
  ASSERT_TRUE(oracle::RunTool(folder, "convert c.cut -depth 8 gray:c.gray"));
  ASSERT_EQ(oracle::ReadBytes(folder.path / "c.gray"), pixels);
  TCUTRLEDecoder decoder;
  std::span<const std::uint8_t> rest = std::span(file).subspan(6);
  Bytes decoded(pixels.size());
  for (std::size_t y = 0; y < 5; ++y) {
    const TDecodeResult result = decoder.Decode(rest, std::span(decoded).subspan(y * width, width));
    EXPECT_EQ(result.Produced, width);
    rest = rest.subspan(result.Consumed);
  }
  EXPECT_TRUE(rest.empty());
  EXPECT_EQ(decoded, pixels);
}

TEST(RunLengthDecoders, PspAndRlaPacketsDecodeToTheBytesTheyWereMadeFrom) {
  Bytes data(700);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i < 300 ? 9 : i < 330 ? i * 37 : i / 40);
  TPSPRLEDecoder psp;
  TRLADecoder rla;
  EXPECT_EQ(oracle::DecodeAll(psp, EncodePsp(data), data.size()), data);
  EXPECT_EQ(oracle::DecodeAll(rla, EncodeRla(data), data.size()), data);
}

// Edge cases of the packet headers, by hand.
TEST(RunLengthDecoders, PackBitsSkipsMinus128AndCutsRunsAndCopiesAtTheTargetsEnd) {
  TPackbitsRLEDecoder decoder;
  EXPECT_EQ(oracle::DecodeAll(decoder, {0x80, 0x01, 'a', 'b', 0xFE, 'c'}, 5), (Bytes{'a', 'b', 'c', 'c', 'c'}));
  const Bytes packed{0x03, 'a', 'b', 'c', 'd', 0xFE, 'e'};
  Bytes target(3);
  const TDecodeResult result = decoder.Decode(packed, target);
  EXPECT_EQ(target, (Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(result.Produced, 3u);
}

TEST(RunLengthDecoders, PcxCountZeroWritesNothingAndTakesTwoBytes) {
  TPCXRLEDecoder decoder;
  EXPECT_EQ(oracle::DecodeAll(decoder, {0xC0, 0x55, 0xC2, 0x07, 0x09}, 3), (Bytes{0x07, 0x07, 0x09}));
}

// A row that ends (count 0, CUT's byte 0) before its target is full is as damaged as a cut-off one.
TEST(RunLengthDecoders, RowsEndingBeforeTheTargetIsFullRaise) {
  TSGIRLEDecoder sgi(8);
  TCUTRLEDecoder cut;
  Bytes target(4);
  EXPECT_THROW(sgi.Decode(Bytes{0x02, 0x07, 0x00}, target), EDecodeError);
  EXPECT_THROW(cut.Decode(Bytes{0x03, 0x00, 0x82, 0x07, 0x00}, target), EDecodeError);
}

// Packed data as the tools write it, from a picture with flat runs longer than any packet: Targa of 8
// and 32 bits, a grey PackBits strip, PCX planes and SGI rows of 8 and 16 bits; and from the encoders
// here.
// A prefix must decode to what the whole does (the tools' decodes are the loaders' tests' matter).
TEST(RunLengthDecoders, CutOffAndDamagedDataRaisesOrDecodesUnchanged) {
  const oracle::ToolCorpus tools(
      "convert -size 300x6 -seed 6 plasma:fractal -fill '#203040' -draw 'rectangle 2,1 290,4' -depth 8 w.ppm && "
      "convert w.ppm -type Palette -compress RLE w8.tga && "
      "convert w.ppm -alpha on -channel A -fx 0.5 +channel -compress RLE w32.tga && convert w.ppm -colorspace Gray "
      "-compress None w.tif && tiffcp -c packbits -r 2 w.tif p.tif && ppmtopcx -24bit w.ppm > w.pcx 2> /dev/null && "
      "pnmtosgi -rle w.ppm > w8.sgi && pamdepth 65535 w.ppm | pnmtosgi -rle > w16.sgi");
  struct Packed {
    std::string Name;
    oracle::DecoderFactory Make;
    Bytes Data;
    std::size_t Size;
  };
  std::vector<Packed> all;
  for (const int depth : {8, 32}) {
    const Bytes tga = tools.Read("w" + std::to_string(depth) + ".tga");
    const std::size_t pixels = 18u + tga[0] + (tga[5] + tga[6] * 256u) * ((tga[7] + 7u) / 8);
    all.push_back({"Targa " + std::to_string(depth), Factory<TTargaRLEDecoder>(depth),
                   Bytes(tga.begin() + static_cast<std::ptrdiff_t>(pixels), tga.end()), 300 * 6 * (depth / 8u)});
  }
  all.push_back({"PackBits", Factory<TPackbitsRLEDecoder>(), oracle::ReadTiff(tools.Read("p.tif")).Strips[0], 2 * 300});
  const Bytes pcx = tools.Read("w.pcx");
  all.push_back(
      {"PCX", Factory<TPCXRLEDecoder>(), Bytes(pcx.begin() + 128, pcx.end()), 6 * 3 * (pcx[66] + pcx[67] * 256u)});
  for (const int depth : {8, 16}) {
    // The first row's offset and length, from the tables after the 512-byte head.
    const Bytes sgi = tools.Read("w" + std::to_string(depth) + ".sgi");
    const auto word = [&](std::size_t at) {
      return std::size_t{sgi[at]} << 24 | sgi[at + 1] << 16 | sgi[at + 2] << 8 | sgi[at + 3];
    };
    const std::size_t start = word(512), length = word(512 + 3 * 6 * 4);
    all.push_back({"SGI " + std::to_string(depth), Factory<TSGIRLEDecoder>(depth),
                   Bytes(sgi.begin() + static_cast<std::ptrdiff_t>(start),
                         sgi.begin() + static_cast<std::ptrdiff_t>(start + length)),
                   300 * (depth / 8u)});
  }
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i < 140 ? 3 : i * 11);
  all.push_back({"PSP", Factory<TPSPRLEDecoder>(), EncodePsp(data), data.size()});
  all.push_back({"RLA", Factory<TRLADecoder>(), EncodeRla(data), data.size()});
  all.push_back({"CUT", Factory<TCUTRLEDecoder>(), EncodeCutRow(data), data.size()});
  for (const Packed& item : all) {
    SCOPED_TRACE(item.Name);
    const Bytes whole = oracle::DecodeAll(*item.Make(), item.Data, item.Size);
    ASSERT_EQ(whole.size(), item.Size);
    oracle::SweepDamagedInputs(item.Make, item.Data, item.Size, whole);
  }
}

// ---- The Targa encoder ---------------------------------------------------------------------------

// Rows encoded into a run-length Targa file read back by ImageMagick as the pixels they came from.
TEST(TargaEncoder, EncodedRowsAreReadByImageMagickAsThePixelsTheyCameFrom) {
  const oracle::TempFolder folder;
  ASSERT_TRUE(oracle::RunTool(folder,
                              "convert -size 150x7 -seed 8 plasma:fractal -fill blue -draw "
                              "'rectangle 0,2 149,3' -depth 8 bgr:in.bgr"));
  const Bytes pixels = oracle::ReadBytes(folder.path / "in.bgr");
  const TTargaRLEDecoder encoder(24);
  // Type 10 (run-length true colour), 150 x 7, 24 bits, rows top down.
  Bytes file{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 150, 0, 7, 0, 24, 32};
  for (std::size_t y = 0; y < 7; ++y) {
    Bytes packed(encoder.MaxEncodedSize(150));
    packed.resize(encoder.Encode(std::span(pixels).subspan(y * 450, 450), packed));
    file.insert(file.end(), packed.begin(), packed.end());
  }
  EXPECT_LT(file.size(), 18 + pixels.size());
  oracle::WriteBytes(folder.path / "out.tga", file);
  ASSERT_TRUE(oracle::RunTool(folder, "convert out.tga -depth 8 bgr:back.bgr"));
  EXPECT_EQ(oracle::ReadBytes(folder.path / "back.bgr"), pixels);
}

}  // namespace
}  // namespace vrel
