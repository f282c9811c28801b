// The Targa loader and writer against netpbm's tgatoppm and ImageMagick: every image type at every
// depth ImageMagick writes, rows from the bottom and from the top, run-length packets that run on
// into the next row, and the files our writer makes read back by both tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/RasterDecoders.h"
#include "imaging/TargaGraphic.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

// A kind of file, made from the picture p or w.
struct Kind {
  const char* Name;
  const char* Options;
  const char* Picture = "p";
};

constexpr Kind kKinds[] = {{"t1", "-type Palette -set comment 'Vrel face' -compress None"},
                           {"t9", "-type Palette -compress RLE"},
                           {"t3", "-type Grayscale -compress None"},
                           {"t11", "-type Grayscale -compress RLE"},
                           {"t2-16", "-depth 5 -compress None"},
                           {"t10-16", "-depth 5 -compress RLE"},
                           {"t2-24", "-compress None"},
                           {"t10-24", "-set comment 'Vrel face' -compress RLE"},
                           {"t2-32", "-alpha set -channel A -fx 'i/w' +channel -compress None"},
                           {"t10-32", "-alpha set -channel A -fx 'i/w' +channel -compress RLE"},
                           {"t9-wide", "-type Palette -compress RLE", "w"},
                           {"t10-32-wide", "-alpha set -channel A -fx 'i/w' +channel -compress RLE", "w"}};

// Every kind of Targa file ImageMagick writes from one picture (21 x 9, with a flat band across row
// ends), rows from the bottom and (NAME-top.tga) from the top, with netpbm's decode of each and its
// alpha. Two carry an image ID (ImageMagick writes the comment there), which comes before the colour
// map and the pixels; two are 300 pixels wide, with runs longer than a packet.
const oracle::DecodedFiles& TargaFiles() {
  static const oracle::DecodedFiles corpus = [] {
    std::string make =
        "convert -size 21x9 -seed 3 plasma:fractal -fill '#305070' -draw 'rectangle 15,2 20,5' -draw 'rectangle 0,3 "
        "6,5' -depth 8 p.ppm && convert -size 300x6 -seed 6 plasma:fractal -fill '#203040' -draw 'rectangle 2,1 "
        "290,4' -depth 8 w.ppm";
    std::vector<std::string> names;
    for (const Kind& kind : kKinds) {
      for (const char* orient : {"", "-orient TopLeft "}) {
        names.push_back(std::string(kind.Name) + (*orient ? "-top" : "") + ".tga");
        make += " && convert " + std::string(kind.Picture) + ".ppm " + orient + kind.Options + " " + names.back();
      }
    }
    return oracle::DecodedFiles(
        make, names, [](const std::string& name) { return "tgatoppm -alphaout=" + name + ".a " + name; },
        [](const std::string& name) { return "cat " + name + ".a"; });
  }();
  return corpus;
}

// The 5-bit levels of a 15-bit picture's pixels, red, green, blue.
std::vector<std::uint32_t> FiveBitLevels(const TBitmap& bitmap) {
  std::vector<std::uint32_t> levels;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::span<const std::uint8_t> row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const unsigned v = row[x * 2] | row[x * 2 + 1] << 8;
      levels.insert(levels.end(), {(v >> 10) & 31u, (v >> 5) & 31u, v & 31u});
    }
  }
  return levels;
}

void ExpectPixelsOf(const TBitmap& bitmap, const oracle::Pnm& expected, const std::string& name) {
  ASSERT_EQ(std::pair(bitmap.Width(), bitmap.Height()), std::pair(int(expected.Width), int(expected.Height))) << name;
  if (bitmap.PixelFormat() == TPixelFormat::pf15bit) {
    EXPECT_EQ(expected.MaxValue, 31u) << name;
    EXPECT_EQ(FiveBitLevels(bitmap), expected.Samples) << name;
    // Shown with each 5-bit level v as (v << 3) | (v >> 2); netpbm rounds v x 255 / 31.
    EXPECT_LE(oracle::MaxDifference(oracle::RgbOf(bitmap), expected.Rgb()), 1) << name;
    return;
  }
  EXPECT_EQ(oracle::RgbOf(bitmap), expected.Rgb()) << name;
}

TEST(TargaLoader, EveryTypeAndDepthInBothOrientationsGivesThePixelsTgatoppmReads) {
  const oracle::DecodedFiles& corpus = TargaFiles();
  const std::map<std::string, TPixelFormat> formats{
      {"t1", TPixelFormat::pf8bit},      {"t9", TPixelFormat::pf8bit},      {"t3", TPixelFormat::pf8bit},
      {"t11", TPixelFormat::pf8bit},     {"t2-16", TPixelFormat::pf15bit},  {"t10-16", TPixelFormat::pf15bit},
      {"t2-24", TPixelFormat::pf24bit},  {"t10-24", TPixelFormat::pf24bit}, {"t2-32", TPixelFormat::pf32bit},
      {"t10-32", TPixelFormat::pf32bit}, {"t9-wide", TPixelFormat::pf8bit}, {"t10-32-wide", TPixelFormat::pf32bit}};
  EXPECT_EQ(corpus.Files.at("t1.tga")[0], 9);  // the ID's length
  EXPECT_EQ(corpus.Files.at("t10-24-top.tga")[0], 9);
  for (const auto& [name, file] : corpus.Files) {
    const auto targa = oracle::LoadGraphic<TTargaGraphic>(file);
    const std::string kind = name.substr(0, name.size() - (name.ends_with("-top.tga") ? 8 : 4));
    EXPECT_EQ(targa->PixelFormat(), formats.at(kind)) << name;
    ExpectPixelsOf(*targa, corpus.Decoded.at(name), name);
  }
}

// One row up to white (ImageMagick and netpbm disagree on the row order of 16-bit files): within a
// level of ImageMagick's reading, and white exactly white.
TEST(TargaLoader, FifteenBitLevelsWidenToTheWholeRange) {
  const oracle::TempFolder folder;
  oracle::RunOrFail(folder, "convert -size 32x1 xc: -fx 'i/(w-1)' -type TrueColor -depth 5 row.tga");
  const Bytes bgra = oracle::LoadGraphic<TTargaGraphic>(oracle::ReadBytes(folder.path / "row.tga"))->ToBgra();
  EXPECT_LE(oracle::MaxDifference(bgra, oracle::MagickBgra(folder, "row.tga")), 1);
  EXPECT_EQ(Bytes(bgra.end() - 4, bgra.end()), (Bytes{255, 255, 255, 255}));
}

TEST(TargaLoader, ThirtyTwoBitPicturesKeepTheirAlpha) {
  const oracle::DecodedFiles& corpus = TargaFiles();
  for (const char* name : {"t2-32.tga", "t10-32.tga", "t10-32-top.tga", "t10-32-wide.tga"}) {
    const auto targa = oracle::LoadGraphic<TTargaGraphic>(corpus.Files.at(name));
    EXPECT_EQ(targa->AlphaFormat(), TAlphaFormat::afDefined) << name;
    EXPECT_EQ(oracle::AlphaOf(*targa), corpus.Alpha.at(name).Alpha()) << name;
  }
}

// One stream of packets for the whole picture, so runs and copies cross row ends; both tools read
// such files, and so must the loader, keeping every pixel.
TEST(TargaLoader, PacketsThatRunOnIntoTheNextRowKeepTheirPixels) {
  const oracle::TempFolder folder;
  oracle::RunOrFail(folder,
                    "convert -size 37x6 -seed 4 plasma:fractal -fill '#102030' -draw 'rectangle 20,1 36,4' "
                    "-draw 'rectangle 0,2 10,5' -depth 8 bgr:p.bgr");
  const Bytes pixels = oracle::ReadBytes(folder.path / "p.bgr");
  const TTargaRLEDecoder encoder(24);
  Bytes packed(encoder.MaxEncodedSize(pixels.size() / 3));
  packed.resize(encoder.Encode(pixels, packed));
  Bytes file{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 37, 0, 6, 0, 24, 32};
  file.insert(file.end(), packed.begin(), packed.end());
  // A run of 28 pixels from the end of row 1 on to row 2.
  const Bytes run{0x9B, 0x30, 0x20, 0x10};
  EXPECT_NE(std::search(packed.begin(), packed.end(), run.begin(), run.end()), packed.end());
  oracle::WriteBytes(folder.path / "across.tga", file);
  const auto targa = oracle::LoadGraphic<TTargaGraphic>(file);
  const oracle::Pnm expected = oracle::DecodeWith(folder, "tgatoppm across.tga");
  ExpectPixelsOf(*targa, expected, "across");
  const oracle::Pnm imageMagick = oracle::DecodeWith(folder, "convert across.tga ppm:-");
  EXPECT_EQ(oracle::RgbOf(*targa), imageMagick.Rgb());
  oracle::SweepDamagedFiles<TTargaGraphic>(file, "across");
}

// The pixels start right after a map of 256 two-byte entries; each entry is 5-5-5 bits.
TEST(TargaLoader, ASixteenBitColourMapOf256EntriesGives256Colours) {
  const oracle::TempFolder folder;
  Bytes file{0, 1, 1, 0, 0, 0, 1, 16, 0, 0, 0, 0, 16, 0, 4, 0, 8, 32};
  for (unsigned i = 0; i < 256; ++i)
    oracle::PutLE16(file, (i % 32) << 10 | ((i * 7) % 32) << 5 | (31 - i % 32));
  for (unsigned i = 0; i < 64; ++i)
    file.push_back(static_cast<std::uint8_t>(i * 4 + 1));
  oracle::WriteBytes(folder.path / "map16.tga", file);
  const auto targa = oracle::LoadGraphic<TTargaGraphic>(file);
  EXPECT_EQ(targa->Palette().size(), 256u);
  EXPECT_EQ(targa->Palette()[5], (TPaletteColor{5 << 3, 3 << 3, 26 << 3}));
  const oracle::Pnm expected = oracle::DecodeWith(folder, "tgatoppm map16.tga | pamdepth 31");
  Bytes levels;
  for (const std::uint32_t v : expected.Samples)
    levels.push_back(static_cast<std::uint8_t>(v << 3));
  EXPECT_EQ(oracle::RgbOf(*targa), levels);
}

TEST(TargaLoader, CutOffAndDamagedFilesRaiseTheirErrorNeverACrash) {
  const oracle::DecodedFiles& corpus = TargaFiles();
  for (const char* name : {"t9.tga", "t3.tga", "t10-16.tga", "t10-24-top.tga", "t2-32.tga"})
    oracle::SweepDamagedFiles<TTargaGraphic>(corpus.Files.at(name), name);
}

TEST(TargaLoader, AHeaderPromisingMorePixelsThanTheFileHoldsIsRefusedBeforeAllocating) {
  Bytes file{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x4E, 0x20, 0x4E, 24, 0};
  file.resize(100, 0xFF);
  EXPECT_EQ(oracle::LoadError<TTargaGraphic>(file),
            "Cannot load image. The Targa file is too short for an image of 20000 x 20000 pixels.");
}

TEST(TargaLoader, FilesWithoutReadablePixelsAreRefusedAsInvalid) {
  const Bytes noImage{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0, 1, 2, 3, 4};
  const Bytes mappedWithoutMap{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0, 1, 2, 3, 4};
  const Bytes header{0, 0, 2, 0, 0, 0, 0};
  for (const Bytes& file : {noImage, mappedWithoutMap, header}) {
    EXPECT_EQ(oracle::LoadError<TTargaGraphic>(file), "Cannot load image. Invalid or unexpected Targa image format.");
  }
}

// Tools write 0 as the entry size when there is no colour map.
TEST(TargaLoader, TheFormatTestChecksTheEntrySizeOnlyWithAColourMap) {
  const oracle::DecodedFiles& corpus = TargaFiles();
  for (const auto& [name, file] : corpus.Files) {
    TMemoryInputStream stream(file);
    EXPECT_TRUE(TTargaGraphic().CanLoadFromStream(stream)) << name;
  }
  Bytes mapped = corpus.Files.at("t1.tga");
  mapped[7] = 0;
  TMemoryInputStream stream(mapped);
  EXPECT_FALSE(TTargaGraphic().CanLoadFromStream(stream));
}

// ---- the writer ----------------------------------------------------------------------------------

Bytes Save(const TTargaGraphic& targa) {
  TMemoryOutputStream out;
  targa.SaveToStream(out);
  return out.Bytes();
}

TEST(TargaWriter, PicturesOfEveryDepthWriteFilesBothToolsReadAsTheSamePixels) {
  const oracle::DecodedFiles& corpus = TargaFiles();
  const oracle::TempFolder folder;
  for (const char* name : {"t1.tga", "t3.tga", "t2-16.tga", "t10-24.tga", "t2-32-top.tga"}) {
    const auto loaded = oracle::LoadGraphic<TTargaGraphic>(corpus.Files.at(name));
    const Bytes written = Save(*loaded);
    EXPECT_EQ(written[2], loaded->PixelFormat() == TPixelFormat::pf8bit ? 9 : 10) << name;
    // The top row comes first; 32-bit pixels carry 8 bits of alpha.
    EXPECT_EQ(written[17], loaded->PixelFormat() == TPixelFormat::pf32bit ? 40 : 32) << name;
    oracle::WriteBytes(folder.path / "w.tga", written);
    ExpectPixelsOf(*loaded, oracle::DecodeWith(folder, "tgatoppm w.tga"), name);
    if (loaded->PixelFormat() != TPixelFormat::pf15bit) {
      EXPECT_EQ(oracle::RgbOf(*loaded), oracle::DecodeWith(folder, "convert w.tga -alpha off ppm:-").Rgb()) << name;
    }
    EXPECT_EQ(oracle::LoadGraphic<TTargaGraphic>(written)->ToBgra(), loaded->ToBgra()) << name;
  }
}

TEST(TargaWriter, OneAndFourBitPicturesAreWrittenAsEightBitIndexes) {
  const oracle::TempFolder folder;
  for (const TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit}) {
    TTargaGraphic picture;
    picture.SetPixelFormat(format);
    picture.SetSize(11, 3);
    const unsigned bits = format == TPixelFormat::pf1bit ? 1 : 4;
    TPalette palette;
    for (unsigned i = 0; i < (1u << bits); ++i)
      palette.push_back({static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 9), 77});
    picture.SetPalette(palette);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 11; ++x) {
        const unsigned index = (x * 3 + y) % (1u << bits);
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        picture.ScanLine(y)[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
      }
    }
    const Bytes written = Save(picture);
    EXPECT_EQ(written[16], 8);
    oracle::WriteBytes(folder.path / "w.tga", written);
    EXPECT_EQ(oracle::DecodeWith(folder, "tgatoppm w.tga").Rgb(), oracle::RgbOf(picture));
  }
}

TEST(TargaWriter, SixteenBitPicturesLoseOnlyTheLowestGreenBit) {
  const oracle::TempFolder folder;
  TTargaGraphic picture;
  picture.SetPixelFormat(TPixelFormat::pf16bit);
  picture.SetSize(64, 1);
  for (int x = 0; x < 64; ++x) {
    const unsigned v = (x / 2) << 11 | x << 5 | (31 - x / 2);
    picture.ScanLine(0)[x * 2] = static_cast<std::uint8_t>(v);
    picture.ScanLine(0)[x * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  oracle::WriteBytes(folder.path / "w.tga", Save(picture));
  const oracle::Pnm read = oracle::DecodeWith(folder, "tgatoppm w.tga");
  for (std::uint32_t x = 0; x < 64; ++x) {
    EXPECT_EQ(read.At(x, 0, 0), x / 2);
    EXPECT_EQ(read.At(x, 0, 1), x / 2);
    EXPECT_EQ(read.At(x, 0, 2), 31 - x / 2);
  }
}

}  // namespace
}  // namespace vrel
