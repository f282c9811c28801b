// Deflate and JPEG inside TIFF against libtiff: tiffcp's deflate strips inflate to its uncompressed
// strips when fed in pieces; a JPEG strip is checked against the image it belongs to, and the strip
// after one cut short still decodes to the pixels tiff2rgba reads. A strip's damage, or too little
// output, raises; output that fills before the stream's end is accepted. Whole files of both load
// as libtiff decodes them in the TIFF loader's tests.

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/RasterDecoders.h"
#include "imaging/TIFFGraphic.h"
#include "imaging/TIFFJPEGDecoder.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/DecoderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

// Plasma for detail, a flat band for long matches; 35 rows make the last strip of 16 shorter.
constexpr const char* kPicture =
    "convert -size 40x35 -seed 12 plasma:fractal -fill '#405060' -draw 'rectangle 0,10 39,17' -alpha off -depth 8 ";

struct TiffPair {
  oracle::TiffImage Packed;
  oracle::TiffImage Plain;
};

TiffPair MakeTiffPair(const std::string& colour, const std::string& compression) {
  const oracle::TempFolder folder;
  EXPECT_TRUE(oracle::RunTool(folder, std::string(kPicture) + colour + " -compress None in.tif && tiffcp -r 16 -c " +
                                          compression + " in.tif packed.tif && tiffcp -r 16 -c none in.tif plain.tif"));
  return {oracle::ReadTiff(folder, "packed.tif"), oracle::ReadTiff(folder, "plain.tif")};
}

std::unique_ptr<TDecoder> StripInflater() {
  return std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, true);
}

// ---- Deflate -------------------------------------------------------------------------------------

// Without auto-reset one stream spans the pieces it is fed in, as PNG's chunks are.
TEST(LZ77Decoder, AStreamFedInSmallPiecesGivesTheSameBytes) {
  const TiffPair tiff = MakeTiffPair("", "zip");
  const Bytes& stream = tiff.Packed.Strips[0];
  const Bytes& expected = tiff.Plain.Strips[0];
  TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
  decoder.DecodeInit();
  Bytes out(expected.size());
  std::size_t produced = 0;
  for (std::size_t at = 0; at < stream.size(); at += 7) {
    const auto piece = std::span(stream).subspan(at, std::min<std::size_t>(7, stream.size() - at));
    const TDecodeResult result = decoder.Decode(piece, std::span(out).subspan(produced));
    EXPECT_EQ(result.Consumed, piece.size());
    produced += result.Produced;
  }
  EXPECT_EQ(decoder.ZlibResult(), Z_STREAM_END);
  EXPECT_EQ(out, expected);
  decoder.DecodeEnd();
}

TEST(LZ77Decoder, PiecesLeaveTheJudgementOfDamageToTheirReader) {
  TLZ77Decoder decoder(Z_PARTIAL_FLUSH, false);
  decoder.DecodeInit();
  Bytes out(10);
  decoder.Decode(Bytes{0x78, 0x9C, 0xFF, 0xFF}, out);
  EXPECT_EQ(decoder.ZlibResult(), Z_DATA_ERROR);
}

TEST(LZ77Decoder, AStripWithADataErrorRaises) {
  const TiffPair tiff = MakeTiffPair("", "zip");
  Bytes damaged = tiff.Packed.Strips[0];
  damaged[1] ^= 0x01;  // the header's check bits
  const auto decoder = StripInflater();
  decoder->DecodeInit();
  Bytes out(tiff.Plain.Strips[0].size());
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder->Decode(damaged, out); }), "LZ77 decompression error.");
}

TEST(LZ77Decoder, AStripGivingLessThanItsRowsRaisesAndOneFullBeforeItsEndIsAccepted) {
  const TiffPair tiff = MakeTiffPair("", "zip");
  const Bytes& strip = tiff.Packed.Strips[0];
  const Bytes& plain = tiff.Plain.Strips[0];
  const auto decoder = StripInflater();
  decoder->DecodeInit();
  Bytes more(plain.size() + 1);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder->Decode(strip, more); }),
            "LZ77 decompression error. Unexpected end of input.");
  const Bytes fewer = oracle::DecodeAll(*decoder, strip, plain.size() - 40);
  EXPECT_EQ(fewer, Bytes(plain.begin(), plain.end() - 40));
}

TEST(LZ77Decoder, CutOffAndDamagedStripsRaiseOrInflateUnchanged) {
  const TiffPair tiff = MakeTiffPair("-colorspace Gray", "zip");
  oracle::SweepDamagedInputs(StripInflater, tiff.Packed.Strips[0], tiff.Plain.Strips[0].size(), tiff.Plain.Strips[0]);
}

// ---- JPEG inside TIFF ----------------------------------------------------------------------------

// A JPEG TIFF in strips of 16 rows with what its decoder is given and libtiff's decode (the same libjpeg
// conversion, so exact), as blue, green, red (or grey) rows.
struct JpegTiff {
  oracle::TiffImage Tiff;
  TImageProperties Properties;
  std::size_t Components = 0;
  Bytes Expected;  // the whole image
};

JpegTiff MakeJpegTiff(const std::string& colour) {
  const oracle::TempFolder folder;
  oracle::RunOrFail(
      folder, std::string(kPicture) + colour +
                  " -compress None in.tif && tiffcp -r 16 -c jpeg in.tif j.tif && tiff2rgba -c none j.tif rgba.tif");
  JpegTiff jpeg;
  jpeg.Tiff = oracle::ReadTiff(folder, "j.tif");
  // The head as the TIFF loader reads it, with the tables it hands the decoder.
  TTIFFGraphic head;
  TMemoryInputStream stream(oracle::ReadBytes(folder.path / "j.tif"));
  EXPECT_TRUE(head.ReadImageProperties(stream, 0));
  jpeg.Properties = head.ImageProperties();
  jpeg.Properties.JPEGTables = jpeg.Tiff.JPEGTables;
  jpeg.Components = jpeg.Tiff.SamplesPerPixel;
  const Bytes rgba = oracle::ReadTiff(folder, "rgba.tif").Joined();
  for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
    if (jpeg.Components == 1)
      jpeg.Expected.push_back(rgba[i]);
    else
      jpeg.Expected.insert(jpeg.Expected.end(), {rgba[i + 2], rgba[i + 1], rgba[i]});
  }
  return jpeg;
}

// Each check of a strip's header against the image, by the message it raises.
TEST(TIFFJPEGDecoder, StripsThatDoNotFitTheImageAreRefusedByTheirMessage) {
  const JpegTiff jpeg = MakeJpegTiff("");
  const Bytes& strip = jpeg.Tiff.Strips[0];
  struct Case {
    std::function<void(TImageProperties&)> Change;
    std::size_t Target;
    const char* Message;
  };
  const std::size_t rows = std::size_t{16} * 40 * 3;
  const std::vector<Case> cases = {
      {[](TImageProperties& p) { p.Height = 12; }, rows, "Improper JPEG strip/tile size."},
      {[](TImageProperties& p) { p.Width = 41; }, rows, "Improper JPEG strip/tile size."},
      {[](TImageProperties& p) { p.SamplesPerPixel = 1; }, rows, "Improper JPEG component count."},
      {[](TImageProperties& p) { p.PlanarConfig = 2; }, rows, "Improper JPEG component count."},
      {[](TImageProperties& p) { p.BitsPerSample = 12; }, rows, "Improper JPEG data precision."},
      {[](TImageProperties& p) {
         p.YCbCrSubSampling = {1, 1};
       },
       rows, "Improper JPEG sampling factors."},
      {[](TImageProperties&) {}, rows - 1, "Fractional JPEG scanline unsupported."},
      {[](TImageProperties&) {}, rows - 120, "Improper JPEG strip/tile size."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Message);
    TImageProperties properties = jpeg.Properties;
    c.Change(properties);
    TTIFFJPEGDecoder decoder(properties);
    decoder.DecodeInit();
    Bytes target(c.Target);
    EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder.Decode(strip, target); }), c.Message);
  }
}

TEST(TIFFJPEGDecoder, TablesHoldingAnImageAreBogus) {
  const JpegTiff jpeg = MakeJpegTiff("");
  const oracle::TempFolder folder;
  ASSERT_TRUE(oracle::RunTool(folder, "convert -size 8x8 xc:gray whole.jpg"));
  TImageProperties properties = jpeg.Properties;
  properties.JPEGTables = oracle::ReadBytes(folder.path / "whole.jpg");
  TTIFFJPEGDecoder decoder(properties);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder.DecodeInit(); }), "Bogus JPEG tables field.");
}

TEST(TIFFJPEGDecoder, AStripCutShortRaisesUnexpectedEndAndTheNextStripStillDecodes) {
  JpegTiff jpeg = MakeJpegTiff("");
  const Bytes& strip = jpeg.Tiff.Strips[0];
  TTIFFJPEGDecoder decoder(jpeg.Properties);
  decoder.DecodeInit();
  Bytes target(std::size_t{16} * 40 * 3);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder.Decode(std::span(strip).first(strip.size() * 2 / 3), target); }),
            "JPEG decompression error. Unexpected end of input.");
  decoder.Decode(strip, target);
  EXPECT_EQ(target, Bytes(jpeg.Expected.begin(), jpeg.Expected.begin() + static_cast<std::ptrdiff_t>(target.size())));
}

TEST(TIFFJPEGDecoder, CutOffAndDamagedStripsRaiseOrDecodeUnchanged) {
  for (const char* colour : {"", "-colorspace Gray"}) {
    JpegTiff jpeg = MakeJpegTiff(colour);
    const std::size_t size = std::size_t{16} * 40 * jpeg.Components;
    TTIFFJPEGDecoder whole(jpeg.Properties);
    whole.DecodeInit();
    const Bytes expected = oracle::DecodeAll(whole, jpeg.Tiff.Strips[0], size);
    const TImageProperties& properties = jpeg.Properties;
    oracle::SweepDamagedInputs([&] { return std::make_unique<TTIFFJPEGDecoder>(properties); }, jpeg.Tiff.Strips[0],
                               size, expected);
  }
}

// A large strip is unpacked a band at a time: its parts, each where the last stopped, give the bytes
// libtiff unpacks from it (whole rows for JPEG).
TEST(Decoders, AStripDecodedInPartsGivesTheBytesOfItsWholeDecode) {
  const TiffPair deflate = MakeTiffPair("", "zip");
  const TiffPair packbits = MakeTiffPair("", "packbits");
  const JpegTiff jpeg = MakeJpegTiff("");
  struct Case {
    std::unique_ptr<TDecoder> Decoder;
    const Bytes& Strip;
    Bytes Expected;
    std::size_t Part;
  };
  Case cases[] = {
      {StripInflater(), deflate.Packed.Strips[0], deflate.Plain.Strips[0], 7},
      {std::make_unique<TPackbitsRLEDecoder>(), packbits.Packed.Strips[0], packbits.Plain.Strips[0], 7},
      {std::make_unique<TTIFFJPEGDecoder>(jpeg.Properties), jpeg.Tiff.Strips[0],
       Bytes(jpeg.Expected.begin(), jpeg.Expected.begin() + 16 * 40 * 3), 3 * 40 * 3},
  };
  for (Case& c : cases) {
    c.Decoder->DecodeInit();
    c.Decoder->BeginPiece(c.Strip);
    Bytes out(c.Expected.size());
    for (std::size_t at = 0; at < out.size(); at += c.Part)
      c.Decoder->DecodeNext(std::span(out).subspan(at, std::min(c.Part, out.size() - at)));
    EXPECT_EQ(out, c.Expected) << "case " << &c - cases;
  }
}

}  // namespace
}  // namespace vrel
