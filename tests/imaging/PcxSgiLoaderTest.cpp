// The PCX and SGI loaders against netpbm: every layout ppmtopcx -quiet writes (1-bit, packed 2- and 4-bit,
// 2 to 4 bit planes, 8-bit with the palette at the end, 24-bit planes), SGI files pnmtosgi writes
// stored and run-length encoded at 8 and 16 bits, and ImageMagick's SGI with alpha.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "imaging/PCXGraphic.h"
#include "imaging/SGIGraphic.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

const oracle::DecodedFiles& PcxFiles() {
  static const oracle::DecodedFiles corpus(
      "convert -size 23x7 -seed 11 plasma:fractal -depth 8 p.ppm && convert p.ppm -monochrome -depth 8 bw.ppm && "
      "convert -size 23x7 xc:red -fill blue -draw 'rectangle 3,2 15,4' -depth 8 two.ppm && "
      "convert p.ppm -colors 4 -depth 8 c4.ppm && convert p.ppm -colors 8 -depth 8 c8.ppm && "
      "convert p.ppm -colors 16 -depth 8 c16.ppm && convert p.ppm -colors 200 -depth 8 c200.ppm && "
      "ppmtopcx -quiet bw.ppm > bw.pcx && ppmtopcx -quiet two.ppm > two.pcx && "
      "ppmtopcx -quiet -packed c4.ppm > packed2.pcx && ppmtopcx -quiet -packed c16.ppm > packed4.pcx && "
      "ppmtopcx -quiet c4.ppm > planes2.pcx && ppmtopcx -quiet c8.ppm > planes3.pcx && "
      "ppmtopcx -quiet c16.ppm > planes4.pcx && ppmtopcx -quiet c200.ppm > eight.pcx && "
      "ppmtopcx -quiet -24bit p.ppm > rgb.pcx && "
      // Runs longer than a packet.
      "convert -size 300x6 -seed 6 plasma:fractal -fill '#203040' -draw 'rectangle 2,1 290,4' -depth 8 w.ppm && "
      "convert w.ppm -colors 100 -depth 8 w100.ppm && ppmtopcx -quiet w100.ppm > wide8.pcx && "
      "ppmtopcx -quiet -24bit w.ppm > wide.pcx",
      {"bw.pcx", "two.pcx", "packed2.pcx", "packed4.pcx", "planes2.pcx", "planes3.pcx", "planes4.pcx", "eight.pcx",
       "rgb.pcx", "wide8.pcx", "wide.pcx"},
      [](const std::string& name) { return "pcxtoppm " + name; });
  return corpus;
}

TEST(PcxLoader, EveryLayoutPpmtopcxWritesGivesThePixelsPcxtoppmReads) {
  const std::map<std::string, TPixelFormat> formats{
      {"bw.pcx", TPixelFormat::pf1bit},      {"two.pcx", TPixelFormat::pf1bit},
      {"packed2.pcx", TPixelFormat::pf4bit}, {"packed4.pcx", TPixelFormat::pf4bit},
      {"planes2.pcx", TPixelFormat::pf4bit}, {"planes3.pcx", TPixelFormat::pf4bit},
      {"planes4.pcx", TPixelFormat::pf4bit}, {"eight.pcx", TPixelFormat::pf8bit},
      {"rgb.pcx", TPixelFormat::pf24bit},    {"wide8.pcx", TPixelFormat::pf8bit},
      {"wide.pcx", TPixelFormat::pf24bit}};
  for (const auto& [name, file] : PcxFiles().Files) {
    const auto pcx = oracle::LoadGraphic<TPCXGraphic>(file);
    EXPECT_EQ(pcx->PixelFormat(), formats.at(name)) << name;
    EXPECT_EQ(oracle::RgbOf(*pcx), PcxFiles().Decoded.at(name).Rgb()) << name;
  }
}

TEST(PcxLoader, TheFormatTestAcceptsEveryFileTheLoaderReads) {
  for (const auto& [name, file] : PcxFiles().Files) {
    TMemoryInputStream stream(file);
    EXPECT_TRUE(TPCXGraphic().CanLoadFromStream(stream)) << name;
  }
}

// Each change makes the header one the loader refuses, and the format test with it.
TEST(PcxLoader, TheFormatTestRefusesWhatTheLoaderRefuses) {
  struct Change {
    std::size_t At;
    std::uint8_t Value;
    const char* Message;
  };
  const char* format = "Cannot load image. Invalid or unexpected PCX or SCR image format.";
  const char* colour = "Invalid color format in PCX file.";
  const Bytes& eight = PcxFiles().Files.at("eight.pcx");
  for (const Change change : {Change{0, 12, format}, Change{1, 1, format}, Change{2, 2, format}, Change{3, 3, colour},
                              Change{65, 2, colour}, Change{66, 10, format}, Change{4, 100, format}}) {
    Bytes file = eight;
    file[change.At] = change.Value;
    TMemoryInputStream stream(file);
    EXPECT_FALSE(TPCXGraphic().CanLoadFromStream(stream)) << change.At;
    EXPECT_EQ(oracle::LoadError<TPCXGraphic>(file), change.Message) << change.At;
  }
}

// Without the marker a colour picture has lost its palette; one that says it is grey needs none.
TEST(PcxLoader, AnEightBitFileWithoutItsPaletteIsRefusedUnlessItIsGrey) {
  Bytes file = PcxFiles().Files.at("eight.pcx");
  file[file.size() - 769] = 0;
  EXPECT_EQ(oracle::LoadError<TPCXGraphic>(file), "Cannot load image. Palette in PCX file is invalid.");
  file[68] = 2;
  const auto grey = oracle::LoadGraphic<TPCXGraphic>(file);
  EXPECT_EQ(grey->Palette().size(), 256u);
  EXPECT_EQ(grey->Palette()[77], (TPaletteColor{77, 77, 77}));
}

TEST(PcxLoader, CutOffAndDamagedFilesRaiseTheirErrorNeverACrash) {
  for (const char* name : {"two.pcx", "packed2.pcx", "planes3.pcx", "eight.pcx", "rgb.pcx"})
    oracle::SweepDamagedFiles<TPCXGraphic>(PcxFiles().Files.at(name), name);
}

// ---- SGI -----------------------------------------------------------------------------------------

const oracle::DecodedFiles& SgiFiles() {
  static const oracle::DecodedFiles corpus(
      "convert -size 19x6 -seed 12 plasma:fractal -depth 8 p.ppm && convert p.ppm -depth 16 -evaluate "
      "multiply 0.9 p16.ppm && ppmtopgm p.ppm > p.pgm && ppmtopgm p16.ppm > p16.pgm && "
      "pnmtosgi -rle p.ppm > rle.sgi && pnmtosgi -verbatim p.ppm > verbatim.sgi && pnmtosgi -rle p.pgm > grey.sgi && "
      "pnmtosgi -verbatim p.pgm > grey-verbatim.sgi && pnmtosgi -rle p16.ppm > rle16.sgi && "
      "pnmtosgi -verbatim p16.ppm > verbatim16.sgi && pnmtosgi -rle p16.pgm > grey16.sgi && "
      "convert p.ppm -alpha set -channel A -fx 'j/h' +channel alpha.sgi",
      {"rle.sgi", "verbatim.sgi", "grey.sgi", "grey-verbatim.sgi", "rle16.sgi", "verbatim16.sgi", "grey16.sgi",
       "alpha.sgi"},
      [](const std::string& name) {
        return name == "alpha.sgi" ? "convert alpha.sgi -alpha extract pgm:-" : "sgitopnm " + name;
      });
  return corpus;
}

// Sixteen-bit samples are big-endian words: read the other way round they would be far off.
TEST(SgiLoader, StoredAndRunLengthFilesOfEightAndSixteenBitsGiveThePixelsSgitopnmReads) {
  for (const auto& [name, file] : SgiFiles().Files) {
    const auto sgi = oracle::LoadGraphic<TSGIGraphic>(file);
    const oracle::Pnm& expected = SgiFiles().Decoded.at(name == "alpha.sgi" ? "rle.sgi" : name);
    EXPECT_EQ(expected.MaxValue, name.find("16") != std::string::npos ? 65535u : 255u) << name;
    // Sixteen-bit samples are reduced by truncation, netpbm's scaling rounds.
    EXPECT_LE(oracle::MaxDifference(oracle::RgbOf(*sgi), expected.Rgb()), expected.MaxValue > 255 ? 1 : 0) << name;
  }
}

TEST(SgiLoader, FourChannelsKeepTheirAlpha) {
  const auto sgi = oracle::LoadGraphic<TSGIGraphic>(SgiFiles().Files.at("alpha.sgi"));
  EXPECT_EQ(sgi->PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(oracle::AlphaOf(*sgi), SgiFiles().Decoded.at("alpha.sgi").Alpha());
}

TEST(SgiLoader, CutOffAndDamagedFilesRaiseTheirErrorNeverACrash) {
  for (const char* name : {"rle.sgi", "grey-verbatim.sgi", "rle16.sgi", "alpha.sgi"})
    oracle::SweepDamagedFiles<TSGIGraphic>(SgiFiles().Files.at(name), name);
}

TEST(SgiLoader, RowOffsetsOutsideTheFileAreRefused) {
  Bytes file = SgiFiles().Files.at("rle.sgi");
  file[512] = 0x7F;  // the first row's offset
  EXPECT_EQ(oracle::LoadError<TSGIGraphic>(file),
            "Cannot load image. Invalid or unexpected sgi, bw or rgb(a) image format.");
}

}  // namespace
}  // namespace vrel
