// The PNG loader against netpbm's pngtopam: every colour type at every bit depth, each row filter
// forced in turn, Adam7 interlacing down to images smaller than a pass, palette and colour
// transparency, gamma (pngtopam -gamma) and the background; files rebuilt here chunk by chunk for
// the checks of names, CRCs, palettes, depths and the amount of image data.

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/PNGGraphic.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

struct PngFile {
  const char* Name;
  const char* Make;  // from p.ppm (23 x 7), p16.ppm, p.pgm, p16.pgm and the quantised c*.ppm
  int Tolerance;
};

constexpr PngFile kPngFiles[] = {
    {"g1", "convert p.pgm -depth 1 -define png:bit-depth=1 -define png:color-type=0", 0},
    {"g2", "convert p.pgm -depth 2 -define png:bit-depth=2 -define png:color-type=0", 0},
    {"g4", "convert p.pgm -depth 4 -define png:bit-depth=4 -define png:color-type=0", 0},
    {"g8", "convert p.pgm -define png:color-type=0", 0},
    {"g16", "convert p16.pgm -define png:color-type=0", 1},
    {"g2-adam7", "convert p.pgm -depth 2 -define png:bit-depth=2 -define png:color-type=0 -interlace PNG", 0},
    {"g16-adam7", "convert p16.pgm -define png:color-type=0 -interlace PNG", 1},
    {"rgb-none", "pnmtopng -force -nofilter p.ppm >", 0},
    {"rgb-sub", "pnmtopng -force -sub p.ppm >", 0},
    {"rgb-up", "pnmtopng -force -up p.ppm >", 0},
    {"rgb-avg", "pnmtopng -force -avg p.ppm >", 0},
    {"rgb-paeth", "pnmtopng -force -paeth p.ppm >", 0},
    {"rgb16-avg", "pnmtopng -force -avg p16.ppm >", 1},
    {"rgb16-paeth", "pnmtopng -force -paeth p16.ppm >", 1},
    {"rgb-adam7", "pnmtopng -force -interlace p.ppm >", 0},
    {"pal1", "pnmtopng c2.ppm >", 0},
    {"pal2", "pnmtopng c4.ppm >", 0},
    {"pal4", "pnmtopng c16.ppm >", 0},
    {"pal8", "pnmtopng c200.ppm >", 0},
    {"pal2-adam7", "pnmtopng -interlace c4.ppm >", 0},
    {"pal-alpha", "pnmtopng -alpha=a.pgm c16.ppm >", 0},
    {"ga8", "convert p.pgm -alpha set -channel A -fx 'i/w' +channel -define png:color-type=4", 0},
    {"ga16", "convert p16.pgm -alpha set -channel A -fx 'j/h' +channel -define png:color-type=4", 1},
    {"rgba8", "convert p.ppm -alpha set -channel A -fx 'i/w' +channel -define png:color-type=6", 0},
    {"rgba16", "convert p16.ppm -alpha set -channel A -fx 'j/h' +channel -define png:color-type=6", 1},
    {"rgba8-adam7", "convert p.ppm -alpha set -channel A -fx 'i/w' +channel -define png:color-type=6 -interlace PNG",
     0},
    {"trns-rgb", "pnmtopng -force -transparent=rgb:12/34/56 p.ppm >", 0},
    {"trns-grey", "pnmtopng -force -transparent=rgb:80/80/80 p.pgm >", 0},
    {"bkgd-rgb", "pnmtopng -force -background=rgb:12/34/56 p.ppm >", 0},
    {"gamma-rgb", "pnmtopng -force -gamma=1.0 p.ppm >", 1},
    {"gamma-grey", "pnmtopng -force -gamma=0.7 p.pgm >", 1},
    {"gamma-rgb16", "pnmtopng -force -gamma=0.6 p16.ppm >", 2},
};

// Interlaced pictures with passes that hold no pixels at all.
constexpr const char* kTinySizes[] = {"1x1", "1x5", "2x2", "3x4", "4x1", "5x5", "7x3", "9x9"};

// Each file (NAME.png) with pngtopam's picture (gamma-corrected where the file states a gamma) and alpha.
const oracle::DecodedFiles& PngFiles() {
  static const oracle::DecodedFiles corpus = [] {
    std::string make =
        "convert -size 23x7 -seed 15 plasma:fractal -depth 8 p.ppm && ppmtopgm p.ppm > p.pgm && "
        "convert -size 23x7 -seed 16 plasma:fractal -depth 16 -evaluate multiply 0.9 p16.ppm && "
        "ppmtopgm p16.ppm > p16.pgm && convert -size 23x7 gradient: -depth 8 -posterize 4 a.pgm";
    for (const int colours : {2, 4, 16, 200})
      make += " && convert p.ppm -colors " + std::to_string(colours) + " -depth 8 c" + std::to_string(colours) + ".ppm";
    std::vector<std::string> names;
    for (const PngFile& f : kPngFiles) {
      const std::string command = f.Make;
      names.push_back(std::string(f.Name) + ".png");
      make += " && " + command + (command.ends_with(">") ? " " : " png:") + names.back();
    }
    for (const char* size : kTinySizes) {
      names.push_back(std::string("tiny") + size + ".png");
      make += std::string(" && convert p.ppm -crop ") + size + "+3+1 +repage -define png:color-type=2 -interlace PNG " +
              names.back();
    }
    return oracle::DecodedFiles(
        make, names,
        [](const std::string& name) {
          return (name.starts_with("gamma") ? "pngtopam -gamma=2.2 " : "pngtopam ") + name;
        },
        [](const std::string& name) { return "pngtopam -alphapam " + name; });
  }();
  return corpus;
}

const Bytes& File(const std::string& name) {
  return PngFiles().Files.at(name + ".png");
}

std::unique_ptr<TPNGGraphic> Load(const std::string& name) {
  return oracle::LoadGraphic<TPNGGraphic>(File(name));
}

TEST(PngLoader, EveryColourTypeDepthAndFilterGivesThePixelsPngtopamReads) {
  for (const PngFile& f : kPngFiles) {
    const auto png = Load(f.Name);
    const oracle::Pnm& expected = PngFiles().Decoded.at(f.Name + std::string(".png"));
    ASSERT_EQ(std::pair(png->Width(), png->Height()), std::pair(23, 7)) << f.Name;
    EXPECT_LE(oracle::MaxDifference(oracle::RgbOf(*png), expected.Rgb()), f.Tolerance) << f.Name;
  }
}

TEST(PngLoader, InterlacedPicturesDownToOnePixelGiveThePixelsPngtopamReads) {
  for (const char* size : kTinySizes) {
    const std::string name = std::string("tiny") + size;
    ASSERT_EQ(File(name)[28], 1) << name;  // interlaced
    EXPECT_EQ(oracle::RgbOf(*Load(name)), PngFiles().Decoded.at(name + ".png").Rgb()) << name;
  }
}

TEST(PngLoader, AlphaIsKeptInThirtyTwoBitPictures) {
  for (const char* name : {"rgba8", "rgba16", "rgba8-adam7"}) {
    const auto png = Load(name);
    EXPECT_EQ(png->AlphaFormat(), TAlphaFormat::afDefined) << name;
    EXPECT_LE(oracle::MaxDifference(oracle::AlphaOf(*png), PngFiles().Alpha.at(name + std::string(".png")).Alpha()), 1)
        << name;
  }
}

// Entries the chunk leaves out stay opaque.
TEST(PngLoader, APaletteTransparencyChunkGivesEachIndexItsAlpha) {
  const auto png = Load("pal-alpha");
  ASSERT_TRUE(png->HasPaletteAlpha());
  const oracle::Pnm& alpha = PngFiles().Alpha.at("pal-alpha.png");
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 23; ++x)
      EXPECT_EQ(png->PaletteAlpha()[oracle::IndexAt(*png, x, y)], alpha.At(x, y, 3)) << x << "," << y;
  }
  const Bytes& file = File("pal-alpha");
  const std::size_t entries = std::search(file.begin(), file.end(), "tRNS", "tRNS" + 4) - file.begin();
  const std::size_t count = file[entries - 1];
  EXPECT_EQ(png->PaletteAlpha()[count], 255);
  EXPECT_FALSE(Load("pal4")->HasPaletteAlpha());
}

TEST(PngLoader, AColourTransparencyChunkMakesTheBitmapTransparentInThatColour) {
  const auto rgb = Load("trns-rgb");
  EXPECT_TRUE(rgb->Transparent());
  EXPECT_EQ(rgb->TransparentColor(), 0x563412u);
  const auto grey = Load("trns-grey");
  EXPECT_TRUE(grey->Transparent());
  EXPECT_EQ(grey->TransparentColor(), 0x808080u);
  EXPECT_FALSE(Load("rgb-paeth")->Transparent());
}

TEST(PngLoader, TheFilesGammaIsReported) {
  EXPECT_FLOAT_EQ(Load("gamma-grey")->ImageProperties().FileGamma, 0.7f);
  EXPECT_FLOAT_EQ(Load("rgb-paeth")->ImageProperties().FileGamma, 1.0f);
  EXPECT_TRUE(Load("gamma-rgb")->ImageProperties().Options & ioUseGamma);
}

TEST(PngLoader, CutOffAndDamagedFilesRaiseTheirErrorNeverACrash) {
  for (const char* name : {"g4", "rgb16-paeth", "pal2-adam7", "rgba8", "tiny5x5"})
    oracle::SweepDamagedFiles<TPNGGraphic>(File(name), name);
}

// ---- files rebuilt chunk by chunk ----------------------------------------------------------------

struct Chunk {
  std::string Type;
  Bytes Data;
};

std::vector<Chunk> Chunks(const Bytes& png) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = std::size_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                      Bytes(png.begin() + at + 8, png.begin() + at + 8 + length)});
    at += 12 + length;
  }
  return chunks;
}

Bytes Png(const std::vector<Chunk>& chunks) {
  Bytes png{137, 80, 78, 71, 13, 10, 26, 10};
  for (const Chunk& chunk : chunks) {
    oracle::PutBE32(png, static_cast<std::uint32_t>(chunk.Data.size()));
    Bytes typed(chunk.Type.begin(), chunk.Type.end());
    typed.insert(typed.end(), chunk.Data.begin(), chunk.Data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    oracle::PutBE32(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
  }
  return png;
}

// The chunks of a non-interlaced 8-bit RGB file whose image data is `rows` (filter bytes included),
// compressed anew and split into IDAT chunks of `piece` bytes.
std::vector<Chunk> WithImageData(const Bytes& rows, std::size_t piece = 1 << 20) {
  std::vector<Chunk> chunks = Chunks(File("rgb-none"));
  std::erase_if(chunks, [](const Chunk& c) { return c.Type == "IDAT" || c.Type == "IEND"; });
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  Bytes packed(size);
  compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()));
  packed.resize(size);
  for (std::size_t at = 0; at < packed.size(); at += piece)
    chunks.push_back({"IDAT", Bytes(packed.begin() + at, packed.begin() + std::min(packed.size(), at + piece))});
  chunks.push_back({"IEND", {}});
  return chunks;
}

// The unfiltered rows of rgb-none: 7 rows of a filter byte 0 and 23 x 3 bytes.
Bytes RawRows() {
  const std::vector<Chunk> chunks = Chunks(File("rgb-none"));
  Bytes packed;
  for (const Chunk& c : chunks) {
    if (c.Type == "IDAT")
      packed.insert(packed.end(), c.Data.begin(), c.Data.end());
  }
  Bytes rows(7 * (1 + 23 * 3));
  uLongf size = static_cast<uLongf>(rows.size());
  uncompress(rows.data(), &size, packed.data(), static_cast<uLong>(packed.size()));
  return rows;
}

std::string Error(const std::vector<Chunk>& chunks) {
  return oracle::LoadError<TPNGGraphic>(Png(chunks));
}

TEST(PngChunks, ChunkNamesAreComparedWithoutRegardToCase) {
  std::vector<Chunk> chunks = WithImageData(RawRows(), 100);
  for (Chunk& c : chunks) {
    if (c.Type == "IDAT")
      c.Type = "iDAT";
  }
  EXPECT_EQ(oracle::RgbOf(*oracle::LoadGraphic<TPNGGraphic>(Png(chunks))), oracle::RgbOf(*Load("rgb-none")));
}

// The reader stops the image at such a chunk; the rows it has not yet read are missing.
const std::string kExtraData = "Cannot load image. Extra compressed data found in PNG file.";
const std::string kInvalid = "Cannot load image. Invalid or unexpected PNG image format.";

// The reader stops the image at an ancillary chunk between image chunks: the rows it has not yet read
// are missing. After the image such a chunk is skipped; an unknown critical chunk is refused.
TEST(PngChunks, ChunksAroundTheImageDataAreSkippedOrRefusedByTheirKind) {
  std::vector<Chunk> between = WithImageData(RawRows(), 100);
  between.insert(std::find_if(between.begin(), between.end(), [](const Chunk& c) { return c.Type == "IDAT"; }) + 1,
                 Chunk{"teXt", {'a', 0, 'b'}});
  EXPECT_EQ(Error(between), kExtraData);
  for (const auto& [type, message] : {std::pair<std::string, std::string>{"zzZz", ""},
                                      {"ZZZZ", "Cannot load PNG image. Unexpected but critical chunk detected."}}) {
    std::vector<Chunk> after = WithImageData(RawRows());
    after.insert(after.end() - 1, Chunk{type, {1, 2, 3}});
    EXPECT_EQ(Error(after), message) << type;
  }
}

TEST(PngChunks, AWrongCrcAPaletteOfBrokenEntriesAndHeadsOutsideTheFormatAreRefused) {
  Bytes crc = File("pal4");
  crc[40] ^= 1;
  EXPECT_EQ(oracle::LoadError<TPNGGraphic>(crc), "Cannot load image. CRC error found in PNG file.");
  std::vector<Chunk> palette = Chunks(File("pal4"));
  std::find_if(palette.begin(), palette.end(), [](const Chunk& c) { return c.Type == "PLTE"; })->Data.pop_back();
  EXPECT_EQ(Error(palette), "Cannot load image. Palette in PNG file is invalid.");
  for (const std::uint8_t depth : {std::uint8_t{3}, std::uint8_t{4}}) {
    std::vector<Chunk> chunks = WithImageData(RawRows());
    chunks[0].Data[8] = depth;  // RGB takes 8 or 16 bits
    EXPECT_EQ(Error(chunks), "Invalid color format in PNG file.") << int(depth);
  }
  std::vector<Chunk> method = WithImageData(RawRows());
  method[0].Data[10] = 1;
  EXPECT_EQ(Error(method), "Cannot load image. The compression scheme is not supported for PNG files.");
}

TEST(PngChunks, TooLittleTooMuchDamagedOrNoImageDataIsRefused) {
  const Bytes rows = RawRows();
  EXPECT_EQ(Error(WithImageData(Bytes(rows.begin(), rows.end() - 1))), kExtraData);
  Bytes longer = rows;
  longer.insert(longer.end(), {0, 1, 2});
  EXPECT_EQ(Error(WithImageData(longer)), kExtraData);
  std::vector<Chunk> trailing = WithImageData(rows);
  trailing[trailing.size() - 2].Data.push_back(0);  // a byte after the stream's end
  EXPECT_EQ(Error(trailing), kExtraData);
  std::vector<Chunk> damaged = WithImageData(rows);
  Chunk& data = damaged[damaged.size() - 2];
  for (std::size_t i = 2; i < data.Data.size(); i += 3)
    data.Data[i] = static_cast<std::uint8_t>(0xFF - data.Data[i]);
  EXPECT_EQ(Error(damaged), "Cannot load image. Compression error found in PNG file.");
  Bytes filter = rows;
  filter[70] = 5;  // the second row's filter
  EXPECT_EQ(Error(WithImageData(filter)), kInvalid);
  std::vector<Chunk> none = WithImageData(rows);
  std::erase_if(none, [](const Chunk& c) { return c.Type == "IDAT"; });
  EXPECT_EQ(Error(none), kInvalid);
}

}  // namespace
}  // namespace vrel
