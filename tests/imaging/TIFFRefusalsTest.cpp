// What the TIFF loader refuses, and how: compressions and sample formats it has no decoder for, by
// the message that says so; damaged files by the format's error (or the stream's, where the file
// ends early), never a crash, a hang, a read past the data, or an empty picture passed off as loaded.
// Every prefix of small files from the tools (their directory moved in front, so that a cut loses
// pixels) is refused or loads whole; 200 seeded mutations of each load or are refused.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/Streams.h"
#include "imaging/TIFFGraphic.h"
#include "tests/imaging/TestEncoders.h"
#include "tests/imaging/TiffOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;
using oracle::TiffCorpus;
using oracle::TiffWriter;

constexpr const char* kPicture = "-size 16x12 -seed 3 plasma:fractal";
constexpr const char* kInvalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";

constexpr auto LoadMessage = &oracle::LoadError<TTIFFGraphic>;

std::string NotSupported(const std::string& what) {
  return "Cannot load image. " + what + " not supported for TIF/TIFF files.";
}

// A grey 8-bit picture of the tools, and what it looks like to the writer.
struct Grey {
  TiffCorpus corpus;
  Grey() { corpus.Source("g8", std::string(kPicture) + " -colorspace Gray -depth 8"); }
  TiffWriter Writer(const std::string& options) { return oracle::ParseTiff(corpus.Variant("g8", options).File); }
};

// ---- What no decoder here reads --------------------------------------------------------------------

// LZW as tiffcp writes it, and fields of an uncompressed file naming what no decoder or colour
// conversion here reads.
TEST(TIFFRefusals, CompressionsSamplesAndColourModelsWithoutADecoderAreRefusedAsNotSupported) {
  Grey grey;
  EXPECT_EQ(LoadMessage(grey.corpus.Variant("g8", "-c lzw").File), NotSupported("The compression scheme is"));
  struct Field {
    std::uint16_t Tag;
    std::uint32_t Value;
    std::string Message;
  };
  std::vector<Field> fields = {{339, 3, NotSupported("Floating point samples are")},
                               {339, 2, NotSupported("Signed samples are")},
                               {258, 32, NotSupported("32-bit samples are")}};
  for (const std::uint32_t compression : {6u, 32766u, 32908u, 32909u, 34661u, 9u, 0u})
    fields.push_back({259, compression, NotSupported("The compression scheme is")});
  for (const std::uint32_t photometric : {4u, 7u, 9u, 32844u})
    fields.push_back(
        {262, photometric, NotSupported("The photometric interpretation " + std::to_string(photometric) + " is")});
  for (const Field& field : fields) {
    TiffWriter writer = grey.Writer("-c none");
    writer.Set(field.Tag, oracle::kShort, {field.Value});
    EXPECT_EQ(LoadMessage(writer.Write()), field.Message) << field.Tag << " = " << field.Value;
  }
  TiffWriter predictor = grey.Writer("-c zip:2");
  predictor.Set(317, oracle::kShort, {3});
  EXPECT_EQ(LoadMessage(predictor.Write()), NotSupported("The floating point predictor is"));
}

// ---- Damage ------------------------------------------------------------------------------------

TEST(TIFFRefusals, UnusableHeadsAndDirectoriesAreRefusedAsInvalid) {
  Grey grey;
  const Bytes good = grey.corpus.Variant("g8", "-c none").File;
  Bytes version = good;
  version[2] = 44;
  Bytes order = good;
  order[0] = 'X';
  Bytes directory = good;
  directory[7] = 0x7F;  // far past the end
  TiffWriter noWidth = grey.Writer("-c none");
  noWidth.Remove(256);
  for (const Bytes& file : {version, order, directory, noWidth.Write(), Bytes(good.begin(), good.begin() + 7)})
    EXPECT_EQ(LoadMessage(file), kInvalid);
}

// BigTIFF (version 43, with 64-bit offsets) is a format of its own, not a damaged file.
TEST(TIFFRefusals, BigTiffFilesAreRefusedAsNotSupported) {
  Grey grey;
  EXPECT_EQ(LoadMessage(grey.corpus.Variant("g8", "-8 -c none").File), NotSupported("The BigTIFF format is"));
}

// Uncompressed strips are read by the rows they hold: a strip with fewer bytes than those is damaged,
// even when the one before it has a byte to spare; so is a file with a strip or tile too few.
TEST(TIFFRefusals, StripsTooShortOrTooFewForTheImageAreRefused) {
  Grey grey;
  TiffWriter shorter = grey.Writer("-c none -r 5");
  shorter.Pieces[0].push_back(0);
  shorter.Pieces[1].pop_back();
  EXPECT_EQ(LoadMessage(shorter.Write()), kInvalid);
  for (const char* options : {"-c none -r 5", "-c packbits -r 5", "-t -w 16 -l 16 -c none"}) {
    TiffWriter writer = grey.Writer(options);
    writer.Pieces.pop_back();
    EXPECT_EQ(LoadMessage(writer.Write()), kInvalid) << options;
  }
}

// Neither a tile nor a strip loads as an empty picture: the load fails, naming why.
TEST(TIFFRefusals, ATiledFileWhoseTilesAreDamagedIsRefusedNotLoadedEmpty) {
  Grey grey;
  TiffWriter writer = grey.Writer("-t -w 16 -l 16 -c zip");
  writer.Pieces[0].resize(writer.Pieces[0].size() / 2);
  EXPECT_EQ(LoadMessage(writer.Write()), "LZ77 decompression error. Unexpected end of input.");
}

// The image's size against its data: a head promising far more pixels than the strips can hold
// fails before anything is allocated.
TEST(TIFFRefusals, AHugeImageInFewBytesFailsBeforeItsPixelsAreMade) {
  Grey grey;
  TiffWriter writer = grey.Writer("-c packbits");
  writer.Set(256, oracle::kLong, {16000}).Set(257, oracle::kLong, {16000}).Set(278, oracle::kLong, {16000});
  EXPECT_EQ(LoadMessage(writer.Write()),
            "Cannot load image. The TIF/TIFF file is too short for an image of 16000 x 16000 pixels.");
  TiffWriter tiles = grey.Writer("-t -w 16 -l 16 -c packbits");
  tiles.Set(322, oracle::kLong, {1u << 20}).Set(323, oracle::kLong, {1u << 20});
  EXPECT_EQ(LoadMessage(tiles.Write()),
            "Cannot load image. The TIF/TIFF image of 1048576 x 1048576 pixels is too large.");
}

// ---- Prefixes and mutations ------------------------------------------------------------------------

// The file with its directory moved in front of the pixels, so that cutting it cuts pixels: it loads
// as the tool's file does, and every prefix and mutation of it is swept.
void SweepPrefixesAndMutations(const std::string& name, const Bytes& tool) {
  SCOPED_TRACE(name);
  TiffWriter writer = oracle::ParseTiff(tool);
  writer.DirectoryFirst = true;
  const Bytes file = writer.Write();
  ASSERT_EQ(oracle::LoadedPixels<TTIFFGraphic>(file), oracle::LoadedPixels<TTIFFGraphic>(tool));
  oracle::SweepDamagedFiles<TTIFFGraphic>(file);
}

struct SweepCase {
  const char* Source;
  std::string Picture;
  std::vector<std::string> Options;
};

void Sweep(const std::vector<SweepCase>& cases) {
  TiffCorpus corpus;
  for (const SweepCase& c : cases) {
    corpus.Source(c.Source, std::string(kPicture) + " " + c.Picture);
    for (const std::string& options : c.Options)
      SweepPrefixesAndMutations(std::string(c.Source) + " " + options, corpus.Variant(c.Source, options).File);
  }
}

TEST(TIFFRefusals, CutAndDamagedUncompressedAndPackBitsFilesLoadWholeOrAreRefused) {
  Sweep({{"g1", "-colorspace Gray -threshold 50% -type Bilevel -depth 1", {"-c none -r 5", "-c packbits -r 5"}},
         {"p4", "-colors 16 -type Palette -depth 4", {"-c none -r 5", "-c packbits -r 5"}},
         {"rgb16", "-depth 16", {"-c none -r 5", "-B -c packbits -r 5"}},
         {"ga8", "-alpha set -colorspace Gray -depth 8", {"-c packbits -r 5"}},
         {"cmyk8", "-colorspace CMYK -depth 8", {"-c none -r 5"}},
         {"ycc8", "-colorspace YCbCr -depth 8", {"-c none -r 5"}}});
}

TEST(TIFFRefusals, CutAndDamagedDeflateFilesLoadWholeOrAreRefused) {
  Sweep({{"g8", "-colorspace Gray -depth 8", {"-c zip -r 5"}},
         {"rgb8", "-depth 8", {"-c zip:2 -r 5", "-p separate -c zip:2 -r 5", "-t -w 16 -l 16 -c zip:2"}},
         {"rgb16", "-depth 16", {"-B -c zip:2 -r 5"}}});
}

TEST(TIFFRefusals, CutAndDamagedJpegFilesLoadWholeOrAreRefused) {
  Sweep({{"rgb8", "-depth 8", {"-c jpeg -r 16", "-c jpeg:r -r 8"}},
         {"g8", "-colorspace Gray -depth 8", {"-c jpeg -r 8"}}});
}

TEST(TIFFRefusals, CutAndDamagedFaxFilesLoadWholeOrAreRefused) {
  Sweep({{"g1",
          "-colorspace Gray -threshold 50% -type Bilevel -depth 1",
          {"-c g3 -r 5", "-c g3:2d -r 5", "-c g4 -r 5", "-f lsb2msb -c g4 -r 5", "-f lsb2msb -c none -r 5"}}});
}

// What the tests write themselves: modified Huffman (word-aligned too), ThunderScan, subsampled YCbCr.
TEST(TIFFRefusals, CutAndDamagedFilesOfTheTestsWriterLoadWholeOrAreRefused) {
  for (const std::uint32_t compression : {2u, 32771u}) {
    SweepPrefixesAndMutations("modified Huffman " + std::to_string(compression),
                              oracle::ModifiedHuffmanTiff(16, oracle::RandomRows(16, 12, 3), compression, 5));
  }
  SweepPrefixesAndMutations("ThunderScan", oracle::ThunderTiff(oracle::ThunderPicture(), 9));
  TiffWriter ycc = TiffWriter::Image(16, 12, {8, 8, 8}, 1, 6, 4);
  ycc.Set(530, oracle::kShort, {2, 2});
  std::mt19937 random(4);
  for (int strip = 0; strip < 3; ++strip) {
    Bytes units(8 * 2 * 6);
    for (std::uint8_t& b : units)
      b = static_cast<std::uint8_t>(random());
    ycc.Pieces.push_back(units);
  }
  SweepPrefixesAndMutations("YCbCr 2 x 2", ycc.Write());
}

}  // namespace
}  // namespace vrel
