// The fax decoders: modified Huffman (written here, with libtiff's decode of whole files of it in the
// TIFF loader's tests) in its byte- and word-aligned forms, Group 3 codes by hand, and strips that
// tiffcp and fax2tiff write, cut off and damaged. What libtiff decodes from such files, in every Group 3
// and Group 4 variant and both fill orders, is the TIFF loader's tests' matter.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "imaging/CCITTDecoders.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/DecoderOracle.h"
#include "tests/imaging/TestEncoders.h"

namespace vrel {
namespace {

using oracle::Bytes;

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

// Files of a drawing and of a wide picture with runs beyond 2560 pixels: tiffcp's Group 3 (with fill
// bits too), Group 4 (in the other fill order too) and fax2tiff's two-dimensional Group 3 from raw data.
const std::vector<std::pair<std::string, oracle::TiffImage>>& FaxFiles() {
  static const auto files = [] {
    const oracle::TempFolder folder;
    oracle::RunOrFail(
        folder,
        "convert -size 300x40 xc:white -fill black -draw 'circle 50,20 60,35' -draw 'rectangle 100,5 290,12' "
        "-draw 'line 0,39 299,20' -draw 'polygon 120,38 200,20 260,39' -monochrome small.pbm && "
        "convert -size 2700x9 xc:white -fill black -draw 'rectangle 10,1 2000,2' -draw 'rectangle 2650,0 2699,8' "
        "-draw 'line 0,8 2699,5' -draw 'circle 300,4 303,7' -monochrome wide.pbm && convert small.pbm -compress none "
        "small.tif && convert wide.pbm -compress none wide.tif && "
        "tiffcp -r 16 -c g3 small.tif g3.tif && tiffcp -r 16 -c g3:2d:fill small.tif g3-2d-fill.tif && "
        "tiffcp -r 16 -c g4 small.tif g4.tif && tiffcp -r 16 -f lsb2msb -c g4 wide.tif g4-lsb.tif && "
        "tiffcp -r 1000 -c g3 wide.tif one.tif");
    // fax2tiff takes raw Group 3 data: the single strip of a one-dimensional file.
    oracle::WriteBytes(folder.path / "raw.g3", oracle::ReadTiff(folder, "one.tif").Strips.at(0));
    oracle::RunOrFail(folder, "fax2tiff -M -X 2700 -6 -r 7 -o fax2tiff.tif raw.g3");
    std::vector<std::pair<std::string, oracle::TiffImage>> read;
    for (const std::string name : {"g3", "g3-2d-fill", "g4", "g4-lsb", "fax2tiff"})
      read.emplace_back(name, oracle::ReadTiff(folder, name + ".tif"));
    return read;
  }();
  return files;
}

// ---- Modified Huffman, written here ----------------------------------------------------------------

const std::string kEndOfLine = "000000000001";

using oracle::BitWriter;
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
  const oracle::TiffImage& tiff = FaxFiles()[1].second;
  const Bytes& strip = tiff.Strips[0];
  Bytes target(16 * 38);
  EXPECT_EQ(bytes::ErrorOf<EDecodeError>(
                [&] { FaxDecoderFor(tiff)->Decode(std::span(strip).first(strip.size() / 2), target); }),
            "CCITT decompression error. Unexpected end of input.");
}

// A prefix decodes to what the whole strip does.
TEST(CCITTDecoders, CutOffAndDamagedStripsRaiseOrDecodeUnchanged) {
  std::vector<std::pair<std::string, oracle::TiffImage>> files = FaxFiles();
  files.emplace_back("modified Huffman, word-aligned",
                     oracle::ReadTiff(oracle::ModifiedHuffmanTiff(203, RandomRows(203, 6, 9), 32771, 6)));
  for (const auto& [name, tiff] : files) {
    SCOPED_TRACE(name);
    const std::size_t size = std::min(tiff.RowsPerStrip, tiff.Height) * ((tiff.Width + 7) / 8);
    const Bytes whole = oracle::DecodeAll(*FaxDecoderFor(tiff), tiff.Strips[0], size);
    ASSERT_EQ(whole.size(), size);
    oracle::SweepDamagedInputs([&] { return FaxDecoderFor(tiff); }, tiff.Strips[0], size, whole);
  }
}

}  // namespace
}  // namespace vrel
