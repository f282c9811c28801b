// The portable bitmap, grey map and pixel map loader against netpbm: plain and raw files of every
// kind, maximum values below 255 and above (two-byte samples), headers on one line and bitmaps whose
// digits stand without white space, each compared with what pamdepth or pamtopnm make of it.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "imaging/PPMGraphic.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

// netpbm's reading of a file, at 8 bits (bitmaps as they are).
std::string NetpbmCommand(const std::string& name) {
  return (name.ends_with(".pbm") ? "pamtopnm " : "pamdepth 255 ") + name;
}

// Each file with netpbm's reading of it.
const oracle::DecodedFiles& PnmFiles() {
  static const oracle::DecodedFiles corpus(
      "convert -size 17x5 -seed 13 plasma:fractal -depth 8 raw.ppm && ppmtopgm raw.ppm > raw.pgm && "
      "pamditherbw raw.pgm | pamtopnm > raw.pbm && pnmtoplainpnm raw.ppm > plain.ppm && "
      "pnmtoplainpnm raw.pgm > plain.pgm && pnmtoplainpnm raw.pbm > plain.pbm && "
      "convert -size 17x5 -seed 14 plasma:fractal -depth 16 raw16.ppm && ppmtopgm raw16.ppm > raw16.pgm && "
      "pnmtoplainpnm raw16.ppm > plain16.ppm && pamdepth 15 raw.ppm > max15.ppm && "
      "pnmtoplainpnm max15.ppm > plain15.ppm && pamdepth 1000 raw16.pgm > max1000.pgm && pamdepth 7 raw.pgm > max7.pgm",
      {"raw.ppm", "raw.pgm", "raw.pbm", "plain.ppm", "plain.pgm", "plain.pbm", "raw16.ppm", "raw16.pgm", "plain16.ppm",
       "max15.ppm", "plain15.ppm", "max1000.pgm", "max7.pgm"},
      NetpbmCommand);
  return corpus;
}

// netpbm's reading of a file of ours, at 8 bits (bitmaps as they are).
oracle::Pnm Netpbm(const oracle::TempFolder& folder, const std::string& name) {
  return oracle::DecodeWith(folder, NetpbmCommand(name));
}

// Samples scaled from their maximum value to 255, rounded.
TEST(PpmLoader, PlainAndRawFilesOfEveryKindAndDepthGiveThePixelsNetpbmReads) {
  const oracle::DecodedFiles& corpus = PnmFiles();
  for (const auto& [name, file] : corpus.Files) {
    const auto ppm = oracle::LoadGraphic<TPPMGraphic>(file);
    const TPixelFormat format = name.ends_with(".pbm")   ? TPixelFormat::pf1bit
                                : name.ends_with(".pgm") ? TPixelFormat::pf8bit
                                                         : TPixelFormat::pf24bit;
    EXPECT_EQ(ppm->PixelFormat(), format) << name;
    EXPECT_EQ(oracle::RgbOf(*ppm), corpus.Decoded.at(name).Rgb()) << name;
  }
}

TEST(PpmLoader, AHeaderOnOneLineWithCommentsAnywhereReads) {
  const oracle::TempFolder folder;
  const std::string text = "P6 2 #two\n 1 # one row\n255\nabcdef";
  const std::string greymap = "P2 # plain\n#\n3 1 15\n0 7\n15\n";
  for (const auto& [name, content] : {std::pair{"one.ppm", text}, std::pair{"comments.pgm", greymap}}) {
    oracle::WriteFile(folder.path / name, content);
    const auto ppm = oracle::LoadGraphic<TPPMGraphic>(Bytes(content.begin(), content.end()));
    EXPECT_EQ(oracle::RgbOf(*ppm), Netpbm(folder, name).Rgb()) << name;
  }
}

TEST(PpmLoader, PlainBitmapDigitsNeedNoWhiteSpaceBetweenThem) {
  const oracle::TempFolder folder;
  const std::string text = "P1\n11 2\n01011100101\n1 0 1 0 1 0 1 0 1 0 1";
  oracle::WriteFile(folder.path / "tight.pbm", text);
  const auto pbm = oracle::LoadGraphic<TPPMGraphic>(Bytes(text.begin(), text.end()));
  EXPECT_EQ(oracle::RgbOf(*pbm), Netpbm(folder, "tight.pbm").Rgb());
  EXPECT_EQ(pbm->Palette(), (TPalette{{255, 255, 255}, {0, 0, 0}}));
}

TEST(PpmLoader, DataEndingEarlyRaisesTheStreamReadError) {
  const oracle::DecodedFiles& corpus = PnmFiles();
  for (const char* name : {"raw.ppm", "plain.pgm", "raw16.pgm", "plain.pbm"}) {
    const Bytes& whole = corpus.Files.at(name);
    EXPECT_EQ(oracle::LoadError<TPPMGraphic>(Bytes(whole.begin(), whole.end() - 3)), "Stream read error in PPM file.")
        << name;
  }
}

TEST(PpmLoader, FilesThatAreNotPortableMapsAreRefused) {
  for (const std::string text :
       {"P7 1 1 255\nabc", "Q6 1 1 255\nabc", "P6 1 x 255\nabc", "P6 0 1 255\n", "P5 1 1 70000\nab", "P5 1 1 0\na"}) {
    EXPECT_EQ(oracle::LoadError<TPPMGraphic>(Bytes(text.begin(), text.end())),
              "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format.")
        << text;
  }
}

TEST(PpmLoader, CutOffAndDamagedFilesRaiseTheirErrorNeverACrash) {
  const oracle::DecodedFiles& corpus = PnmFiles();
  for (const char* name : {"raw.ppm", "plain.pgm", "raw.pbm", "plain.pbm", "raw16.ppm"})
    oracle::SweepDamagedFiles<TPPMGraphic>(corpus.Files.at(name), name);
}

}  // namespace
}  // namespace vrel
