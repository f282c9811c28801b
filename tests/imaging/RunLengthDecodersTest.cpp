// The run-length decoders and the Targa encoder: data written by ImageMagick, netpbm and libtiff
// decodes to what those tools decode; the schemes no tool writes here (Paint Shop Pro, RLA) come from
// small encoders written from the format descriptions, CUT's from one that ImageMagick checks. Cut-off
// and damaged data raise "... Unexpected end of input." or decode unchanged.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/RasterDecoders.h"
#include "tests/imaging/DecoderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

std::uint32_t BigEndian32(const Bytes& bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

// Pixel rows of a binary PNM file (P5 or P6), without its header.
Bytes PnmPixels(const Bytes& file, std::size_t pixelBytes) {
  return Slice(file, file.size() - pixelBytes, file.size());
}

// One input of a sweep: how to make its decoder, the packed bytes, the room and what they decode to.
struct Corpus {
  std::string Name;
  oracle::DecoderFactory Make;
  Bytes Packed;
  Bytes Unpacked;
};

template <class D, class... A>
oracle::DecoderFactory Factory(A... args) {
  return [=] { return std::make_unique<D>(args...); };
}

// ---- Encoders written from the format descriptions, for the schemes no tool here writes ----------

using oracle::EncodeCutRow;
using oracle::EncodePsp;
using oracle::EncodeRla;
using oracle::EncodeRuns;

// ---- The corpus ------------------------------------------------------------------------------------

// Files made once by the tools, with their strips or pixel data lifted out.
struct ToolCorpus {
  std::vector<Corpus> Targa, PackBits, Pcx, Sgi;

  ToolCorpus() {
    const oracle::TempFolder folder;
    const auto run = [&](const std::string& command) { oracle::RunOrFail(folder, command); };
    // Plasma for literal packets, flat rectangles for runs (longer than 128 in the 300 pixels wide
    // ones).
    run("convert -size 40x12 -seed 5 plasma:fractal -fill red -draw 'rectangle 0,0 25,4' -depth 8 small.ppm && "
        "convert -size 300x6 -seed 6 plasma:fractal -fill '#203040' -draw 'rectangle 2,1 290,4' -depth 8 wide.ppm");
    MakeTarga(folder, run);
    MakePackBits(folder, run);
    MakePcx(folder, run);
    MakeSgi(folder, run);
  }

  template <class Run>
  void MakeTarga(const oracle::TempFolder& folder, Run run) {
    struct Kind {
      const char* Options;
      int Depth;
    };
    for (const Kind kind : {Kind{"-type Palette", 8}, Kind{"-depth 5", 16}, Kind{"", 24},
                            Kind{"-alpha on -channel A -fx 0.5 +channel", 32}}) {
      for (const char* image : {"small", "wide"}) {
        const std::string options = kind.Options;
        run("convert " + std::string(image) + ".ppm " + options + " -compress RLE rle.tga && convert " + image +
            ".ppm " + options + " -compress None raw.tga");
        const Bytes rle = oracle::ReadBytes(folder.path / "rle.tga");
        const Bytes raw = oracle::ReadBytes(folder.path / "raw.tga");
        ASSERT_EQ(rle[16], kind.Depth);
        const std::size_t map = std::size_t{rle[5]} + std::size_t{rle[6]} * 256;
        const std::size_t start = 18 + rle[0] + map * ((rle[7] + 7u) / 8);
        const std::size_t pixels = std::size_t{rle[12] + rle[13] * 256u} * (rle[14] + rle[15] * 256u);
        const std::size_t bytes = pixels * ((kind.Depth + 1u) / 8);
        Targa.push_back({"Targa " + std::to_string(kind.Depth) + " " + image, Factory<TTargaRLEDecoder>(kind.Depth),
                         Slice(rle, start, rle.size()), Slice(raw, start, start + bytes)});
      }
    }
  }

  template <class Run>
  void MakePackBits(const oracle::TempFolder& folder, Run run) {
    for (const char* image : {"small", "wide"}) {
      for (const char* colour : {"-colorspace Gray", ""}) {
        run("convert " + std::string(image) + ".ppm " + colour +
            " -depth 8 -compress None in.tif && "
            "tiffcp -c packbits -r 5 in.tif packed.tif && tiffcp -c none -r 5 in.tif raw.tif");
        const oracle::TiffImage packed = oracle::ReadTiff(folder, "packed.tif");
        const oracle::TiffImage raw = oracle::ReadTiff(folder, "raw.tif");
        ASSERT_EQ(packed.Compression, 32773u);
        ASSERT_EQ(packed.Strips.size(), raw.Strips.size());
        for (std::size_t s = 0; s < packed.Strips.size(); ++s)
          PackBits.push_back({std::string("PackBits ") + image + colour + " strip " + std::to_string(s),
                              Factory<TPackbitsRLEDecoder>(), packed.Strips[s], raw.Strips[s]});
      }
    }
  }

  // The decoded planes, row by row (each plane's row padded to the header's bytes per line), against
  // netpbm's decode of the same file; eight-bit files through their palette.
  template <class Run>
  void MakePcx(const oracle::TempFolder& folder, Run run) {
    for (const char* options : {"", "-24bit"}) {
      for (const char* image : {"small", "wide"}) {
        run("convert " + std::string(image) + ".ppm -colors 100 few.ppm && ppmtopcx " + options +
            (std::string(options).empty() ? " few.ppm" : " " + std::string(image) + ".ppm") +
            " > p.pcx 2> /dev/null && pcxtoppm p.pcx > decoded.ppm");
        const Bytes pcx = oracle::ReadBytes(folder.path / "p.pcx");
        const std::size_t width = pcx[8] + pcx[9] * 256u - pcx[4] - pcx[5] * 256u + 1;
        const std::size_t height = pcx[10] + pcx[11] * 256u - pcx[6] - pcx[7] * 256u + 1;
        const std::size_t planes = pcx[65];
        const std::size_t perLine = pcx[66] + pcx[67] * 256u;
        ASSERT_EQ(pcx[3], 8);
        const Bytes rgb = PnmPixels(oracle::ReadBytes(folder.path / "decoded.ppm"), width * height * 3);
        const bool paletted = planes == 1;
        const std::size_t end = paletted ? pcx.size() - 769 : pcx.size();
        // The expected planes come from netpbm's pixels; for a paletted file the index of each pixel's
        // colour in the file's palette.
        Bytes expected(height * planes * perLine);
        for (std::size_t y = 0; y < height; ++y) {
          for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* pixel = &rgb[(y * width + x) * 3];
            for (std::size_t p = 0; p < planes; ++p) {
              std::uint8_t value = pixel[p];
              if (paletted) {
                for (std::size_t i = 0; i < 256; ++i) {
                  if (std::equal(pixel, pixel + 3, pcx.begin() + static_cast<std::ptrdiff_t>(end + 1 + i * 3))) {
                    value = static_cast<std::uint8_t>(i);
                    break;
                  }
                }
              }
              expected[(y * planes + p) * perLine + x] = value;
            }
          }
        }
        Pcx.push_back(
            {std::string("PCX ") + image + options, Factory<TPCXRLEDecoder>(), Slice(pcx, 128, end), expected});
      }
    }
  }

  // Each channel row of a run-length SGI file against the same samples of netpbm's decode (rows bottom
  // up in the file; sixteen-bit samples big-endian in both).
  template <class Run>
  void MakeSgi(const oracle::TempFolder& folder, Run run) {
    for (const int depth : {8, 16}) {
      run(std::string("pamdepth ") + (depth == 16 ? "65535" : "255") +
          " small.ppm > in.ppm && pnmtosgi -rle in.ppm > s.sgi && sgitopnm s.sgi > decoded.ppm");
      const Bytes sgi = oracle::ReadBytes(folder.path / "s.sgi");
      const std::size_t bytes = depth / 8u;
      ASSERT_EQ(sgi[3], bytes);
      const std::size_t width = sgi[6] * 256u + sgi[7];
      const std::size_t height = sgi[8] * 256u + sgi[9];
      const std::size_t channels = sgi[10] * 256u + sgi[11];
      const Bytes pixels = PnmPixels(oracle::ReadBytes(folder.path / "decoded.ppm"), width * height * channels * bytes);
      for (std::size_t c = 0; c < channels; ++c) {
        for (std::size_t r = 0; r < height; ++r) {
          const std::size_t index = c * height + r;
          const std::size_t start = BigEndian32(sgi, 512 + index * 4);
          const std::size_t length = BigEndian32(sgi, 512 + (channels * height + index) * 4);
          Bytes expected;
          for (std::size_t x = 0; x < width; ++x) {
            const std::size_t at = (((height - 1 - r) * width + x) * channels + c) * bytes;
            expected.insert(expected.end(), pixels.begin() + static_cast<std::ptrdiff_t>(at),
                            pixels.begin() + static_cast<std::ptrdiff_t>(at + bytes));
          }
          Sgi.push_back({"SGI " + std::to_string(depth) + " channel " + std::to_string(c) + " row " + std::to_string(r),
                         Factory<TSGIRLEDecoder>(depth), Slice(sgi, start, start + length), expected});
        }
      }
    }
  }
};

const ToolCorpus& Tools() {
  static const ToolCorpus corpus;
  return corpus;
}

void ExpectEachDecodesToItsOracle(const std::vector<Corpus>& corpus) {
  ASSERT_FALSE(corpus.empty());
  for (const Corpus& item : corpus) {
    const auto decoder = item.Make();
    EXPECT_EQ(oracle::DecodeAll(*decoder, item.Packed, item.Unpacked.size()), item.Unpacked) << item.Name;
  }
}

TEST(RunLengthDecoders, TargaFromImageMagickDecodesToItsUncompressedPixels) {
  ExpectEachDecodesToItsOracle(Tools().Targa);
}

TEST(RunLengthDecoders, PackBitsStripsFromTiffcpDecodeToItsUncompressedStrips) {
  ExpectEachDecodesToItsOracle(Tools().PackBits);
}

TEST(RunLengthDecoders, PcxFromNetpbmDecodesToThePlanesNetpbmReads) {
  ExpectEachDecodesToItsOracle(Tools().Pcx);
}

TEST(RunLengthDecoders, SgiRowsFromNetpbmDecodeToTheSamplesNetpbmReads) {
  ExpectEachDecodesToItsOracle(Tools().Sgi);
}

// Rows of CUT packets from our encoder; ImageMagick reading the file (indices as grey without a
// palette) shows that the encoder writes the format. The rows decode one after another from where
// the last one ended.
TEST(RunLengthDecoders, CutRowsDecodeInTurnToWhatImageMagickReads) {
  const oracle::TempFolder folder;
  const std::uint16_t width = 140;
  const std::uint16_t height = 5;
  Bytes file{static_cast<std::uint8_t>(width),
             static_cast<std::uint8_t>(width >> 8),
             static_cast<std::uint8_t>(height),
             0,
             0,
             0};
  Bytes pixels;
  for (std::size_t y = 0; y < height; ++y) {
    Bytes row(width);
    for (std::size_t x = 0; x < width; ++x)
      row[x] = static_cast<std::uint8_t>(x < 70 + y * 10 ? y * 40 : (x * 7 + y) % 251);
    const Bytes line = EncodeCutRow(row);
    file.insert(file.end(), line.begin(), line.end());
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  oracle::WriteBytes(folder.path / "c.cut", file);
  ASSERT_TRUE(oracle::RunTool(folder, "convert c.cut -depth 8 gray:c.gray"));
  ASSERT_EQ(oracle::ReadBytes(folder.path / "c.gray"), pixels);
  TCUTRLEDecoder decoder;
  std::span<const std::uint8_t> rest = std::span(file).subspan(6);
  Bytes decoded(pixels.size());
  for (std::size_t y = 0; y < height; ++y) {
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

TEST(RunLengthDecoders, CutOffAndDamagedDataRaisesOrDecodesUnchanged) {
  std::vector<Corpus> all;
  for (const auto* group : {&Tools().Targa, &Tools().PackBits, &Tools().Pcx}) {
    // The wide images' first pieces: runs, copies and packets cut at the target's end.
    all.push_back(group->front());
    all.push_back(group->back());
  }
  all.push_back(Tools().Sgi.front());
  all.push_back(Tools().Sgi.back());
  Bytes data(300);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i < 140 ? 3 : i * 11);
  all.push_back({"PSP", Factory<TPSPRLEDecoder>(), EncodePsp(data), data});
  all.push_back({"RLA", Factory<TRLADecoder>(), EncodeRla(data), data});
  all.push_back({"CUT", Factory<TCUTRLEDecoder>(), EncodeCutRow(data), data});
  for (const Corpus& item : all) {
    SCOPED_TRACE(item.Name);
    oracle::SweepDamagedInputs(item.Make, item.Packed, item.Unpacked.size(), item.Unpacked);
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
