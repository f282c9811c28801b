// The fax decoders against libtiff: Group 3 (one- and two-dimensional, with and without fill bits)
// and Group 4 strips written by tiffcp and fax2tiff, in both fill orders, decode to the bits libtiff
// decodes from the same files. libtiff writes no modified Huffman data; the tests' own encoder makes
// it, and whole files of it load as libtiff decodes them in the TIFF loader's tests.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "imaging/CCITTDecoders.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/DecoderOracle.h"
#include "tests/imaging/TestEncoders.h"

namespace vrel {
namespace {

using oracle::Bytes;

// A TIFF's strips decoded one by one, each into the rows it holds.
Bytes DecodeStrips(TDecoder& decoder, const oracle::TiffImage& tiff) {
  const std::size_t rowBytes = (tiff.Width + 7) / 8;
  Bytes image;
  std::size_t row = 0;
  for (const Bytes& strip : tiff.Strips) {
    const std::size_t rows = std::min<std::size_t>(tiff.RowsPerStrip, tiff.Height - row);
    const Bytes decoded = oracle::DecodeAll(decoder, strip, rows * rowBytes);
    EXPECT_EQ(decoded.size(), rows * rowBytes);
    image.insert(image.end(), decoded.begin(), decoded.end());
    row += rows;
  }
  return image;
}

std::unique_ptr<TDecoder> FaxDecoderFor(const oracle::TiffImage& tiff) {
  const bool swapped = tiff.FillOrder == 2;
  switch (tiff.Compression) {
    case 2:
      return std::make_unique<TCCITTMHDecoder>(0, swapped, tiff.Width, false);
    case 3:
      return std::make_unique<TCCITTFax3Decoder>(tiff.T4Options, swapped, tiff.Width, false);
    case 4:
      return std::make_unique<TCCITTFax4Decoder>(0, swapped, tiff.Width, false);
    case 32771:
      return std::make_unique<TCCITTMHDecoder>(0, swapped, tiff.Width, true);
    default:
      ADD_FAILURE() << "compression " << tiff.Compression;
      return std::make_unique<TCCITTMHDecoder>(0, swapped, tiff.Width, false);
  }
}

// One fax file with libtiff's decode of it.
struct FaxFile {
  std::string Name;
  oracle::TiffImage Tiff;
  Bytes Expected;
};

// Pictures with short and long runs (beyond 2560 pixels in the wide one), coded by tiffcp in every
// Group 3 and Group 4 variant, and by fax2tiff from raw Group 3 data, in strips of a few rows.
struct FaxCorpus {
  std::vector<FaxFile> Files;

  FaxCorpus() {
    const oracle::TempFolder folder;
    const auto run = [&](const std::string& command) { oracle::RunOrFail(folder, command); };
    run("convert -size 300x40 xc:white -fill black -draw 'circle 50,20 60,35' -draw 'rectangle 100,5 290,12' "
        "-draw 'line 0,39 299,20' -draw 'polygon 120,38 200,20 260,39' -monochrome small.pbm && "
        "convert -size 2700x9 xc:white -fill black -draw 'rectangle 10,1 2000,2' -draw 'rectangle 2650,0 2699,8' "
        "-draw 'line 0,8 2699,5' -draw 'circle 300,4 303,7' -monochrome wide.pbm");
    for (const std::string image : {"small", "wide"}) {
      run("convert " + image + ".pbm -compress none " + image + ".tif");
      for (const std::string options :
           {"-c g3", "-c g3:2d", "-c g3:2d:fill", "-c g3:1d:fill", "-c g4", "-f lsb2msb -c g3:2d", "-f lsb2msb -c g4"})
        Add(folder, run, image + " tiffcp " + options, "tiffcp -r 16 " + options + " " + image + ".tif f.tif");
      // fax2tiff takes raw Group 3 data: the single strip of a one-dimensional file.
      run("tiffcp -r 1000 -c g3 " + image + ".tif one.tif");
      oracle::WriteBytes(folder.path / "raw.g3", oracle::ReadTiff(folder, "one.tif").Strips[0]);
      const std::string width = std::to_string(oracle::ReadTiff(folder, "one.tif").Width);
      for (const std::string options : {"-6", "-5 -p", "-8"})
        Add(folder, run, image + " fax2tiff " + options,
            "fax2tiff -M -X " + width + " " + options + " -r 7 -o f.tif raw.g3");
    }
  }

  template <class Run>
  void Add(const oracle::TempFolder& folder, Run run, const std::string& name, const std::string& command) {
    run(command + " && tiffcp -f msb2lsb -c none -r 100000 f.tif plain.tif");
    const oracle::TiffImage plain = oracle::ReadTiff(folder, "plain.tif");
    EXPECT_EQ(plain.Strips.size(), 1u) << name;
    Files.push_back({name, oracle::ReadTiff(folder, "f.tif"), plain.Strips.at(0)});
  }
};

const FaxCorpus& Corpus() {
  static const FaxCorpus corpus;
  return corpus;
}

const FaxFile& Find(const std::string& name) {
  for (const FaxFile& file : Corpus().Files) {
    if (file.Name == name)
      return file;
  }
  throw std::runtime_error("no fax file " + name);
}

TEST(CCITTDecoders, GroupThreeAndFourStripsDecodeToTheBitsLibtiffDecodes) {
  std::map<std::uint32_t, int> compressions;
  for (const FaxFile& file : Corpus().Files) {
    SCOPED_TRACE(file.Name);
    ++compressions[file.Tiff.Compression];
    const auto decoder = FaxDecoderFor(file.Tiff);
    EXPECT_EQ(DecodeStrips(*decoder, file.Tiff), file.Expected);
  }
  EXPECT_EQ(compressions[3], 14);
  EXPECT_EQ(compressions[4], 6);
}

// ---- Modified Huffman, written here ----------------------------------------------------------------

const std::string kEndOfLine = "000000000001";

using oracle::BitWriter;
using oracle::EncodeModifiedHuffman;
using oracle::PutRun;
using oracle::RandomRows;

// Word alignment counts from the strip's start: every row's code begins on an even byte, and the
// target's rows follow one another without gaps.
TEST(CCITTDecoders, WordAlignedRowsStartOnEvenBytesOfTheStrip) {
  BitWriter writer;
  PutRun(writer, 5, true);
  PutRun(writer, 3, false);
  writer.Align(16);
  PutRun(writer, 8, true);
  writer.Align(16);
  PutRun(writer, 0, true);
  PutRun(writer, 8, false);
  writer.Align(16);
  ASSERT_EQ(writer.Out.size(), 6u);
  TCCITTMHDecoder decoder(0, false, 8, true);
  EXPECT_EQ(oracle::DecodeAll(decoder, writer.Out, 3), (Bytes{0x07, 0x00, 0xFF}));
}

// ---- Group 3 by hand -----------------------------------------------------------------------------

TEST(CCITTDecoders, AnEndOfLineInsideARowLeavesTheRestOfItWhite) {
  BitWriter writer;
  writer.Put(kEndOfLine);
  PutRun(writer, 3, true);
  PutRun(writer, 2, false);
  writer.Put(kEndOfLine);
  PutRun(writer, 1, true);
  PutRun(writer, 9, false);
  TCCITTFax3Decoder decoder(0, false, 10, false);
  EXPECT_EQ(oracle::DecodeAll(decoder, writer.Out, 4), (Bytes{0x18, 0x00, 0x7F, 0xC0}));
}

// A code Group 3 does not know ends its row there; the next end-of-line code starts the next row.
TEST(CCITTDecoders, GroupThreeResynchronisesAfterAnUnknownCode) {
  BitWriter writer;
  writer.Put(kEndOfLine);
  PutRun(writer, 2, true);
  PutRun(writer, 3, false);
  writer.Put("000000001");
  PutRun(writer, 4, false);
  writer.Put(kEndOfLine);
  PutRun(writer, 8, true);
  TCCITTFax3Decoder decoder(0, false, 8, false);
  EXPECT_EQ(oracle::DecodeAll(decoder, writer.Out, 2), (Bytes{0x38, 0x00}));
}

TEST(CCITTDecoders, UnknownCodesInModifiedHuffmanAndGroupFourDataRaise) {
  BitWriter mh;
  PutRun(mh, 2, true);
  mh.Put("0000000011111111");
  BitWriter g4;
  g4.Put("0000000111111111");
  Bytes target(1);
  TCCITTMHDecoder huffman(0, false, 8, false);
  TCCITTFax4Decoder group4(0, false, 8, false);
  const char* invalid = "CCITT decompression error. Invalid code.";
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { huffman.Decode(mh.Out, target); }), invalid);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { group4.Decode(g4.Out, target); }), invalid);
}

TEST(CCITTDecoders, UncompressedModeIsRefusedClearly) {
  BitWriter writer;
  writer.Put(kEndOfLine);
  writer.Put("0");
  writer.Put("0000001111");
  TCCITTFax3Decoder decoder(kT4TwoDimensional | kT4Uncompressed, false, 8, false);
  Bytes target(1);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder.Decode(writer.Out, target); }),
            "CCITT decompression error. Uncompressed mode is not supported.");
}

TEST(CCITTDecoders, AStripCutInsideARowRaisesUnexpectedEnd) {
  const FaxFile& file = Find("small tiffcp -c g3:2d");
  const Bytes& strip = file.Tiff.Strips[0];
  TCCITTFax3Decoder decoder(file.Tiff.T4Options, false, file.Tiff.Width, false);
  Bytes target(16 * 38);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>([&] { decoder.Decode(std::span(strip).first(strip.size() / 2), target); }),
            "CCITT decompression error. Unexpected end of input.");
}

TEST(CCITTDecoders, CutOffAndDamagedStripsRaiseOrDecodeUnchanged) {
  for (const std::string name : {"small tiffcp -c g3", "small tiffcp -c g3:2d:fill", "small tiffcp -c g4",
                                 "wide fax2tiff -6", "wide tiffcp -f lsb2msb -c g4"}) {
    SCOPED_TRACE(name);
    const FaxFile& file = Find(name);
    const std::size_t rows = std::min(file.Tiff.RowsPerStrip, file.Tiff.Height);
    const std::size_t size = rows * ((file.Tiff.Width + 7) / 8);
    const Bytes expected(file.Expected.begin(), file.Expected.begin() + static_cast<std::ptrdiff_t>(size));
    oracle::SweepDamagedInputs([&] { return FaxDecoderFor(file.Tiff); }, file.Tiff.Strips[0], size, expected);
  }
  const auto rows = RandomRows(203, 6, 9);
  const Bytes words = EncodeModifiedHuffman(rows, 16);
  const oracle::TiffImage image = oracle::ReadTiff(oracle::ModifiedHuffmanTiff(203, rows, 32771, 6));
  const auto decoder = FaxDecoderFor(image);
  const Bytes expected = DecodeStrips(*decoder, image);
  oracle::SweepDamagedInputs([&] { return FaxDecoderFor(image); }, words, expected.size(), expected);
}

}  // namespace
}  // namespace vrel
