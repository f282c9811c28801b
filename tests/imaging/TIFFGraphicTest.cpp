// The TIFF loader against libtiff: pictures made by ImageMagick, copied by tiffcp into every
// compression, layout, byte order and fill order it writes, load to the pixels tiff2rgba decodes from
// the same files. What no tool writes (modified Huffman, its word-aligned variant, ThunderScan,
// subsampled YCbCr without JPEG) comes from the tests' own writer, with tiff2rgba still the oracle.
// Tolerances: 16-bit samples 1 (we scale by 255 / 65535, libtiff takes the high byte), 2 with
// unassociated alpha (which libtiff multiplies into the colour after that), YCbCr 1 (integer chroma
// tables against libtiff's); everything else exact.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/TIFFGraphic.h"
#include "tests/imaging/TestEncoders.h"
#include "tests/imaging/TiffOracle.h"

namespace vrel {
namespace {

using oracle::AlphaRule;
using oracle::Bytes;
using oracle::ExpectLibtiffPixels;
using oracle::TiffCase;
using oracle::TiffCorpus;
using oracle::TiffWriter;

// Plasma for detail (genuinely 16-bit where the depth is 16); the alpha a ramp from half to full.
constexpr const char* kPicture = "-size 16x12 -seed 3 plasma:fractal";
constexpr const char* kTilePicture = "-size 40x35 -seed 5 plasma:fractal";
// Flat runs longer than a packet.
constexpr const char* kWidePicture = "-size 300x6 -seed 6 plasma:fractal -fill '#203040' -draw 'rectangle 2,1 290,4'";
constexpr const char* kAlpha = "\\( -size 16x12 gradient:gray50-white \\) -alpha off -compose CopyOpacity -composite";

struct SourceRow {
  const char* Name;
  const char* Picture;
  std::string Arguments;
};

const SourceRow kSources[] = {
    {"g1", kPicture, "-colorspace Gray -threshold 50% -type Bilevel -depth 1"},
    {"w1", kPicture, "-colorspace Gray -threshold 50% -type Bilevel -depth 1 -define quantum:polarity=min-is-white"},
    {"g2", kPicture, "-colorspace Gray -depth 2"},
    {"g4", kPicture, "-colorspace Gray -depth 4"},
    {"g8", kPicture, "-colorspace Gray -depth 8"},
    {"w8", kPicture, "-colorspace Gray -depth 8 -define quantum:polarity=min-is-white"},
    {"g16", kPicture, "-colorspace Gray -depth 16"},
    {"p1", kPicture, "-colors 2 -type Palette -depth 1"},
    {"p2", kPicture, "-colors 4 -type Palette -depth 2"},
    {"p4", kPicture, "-colors 16 -type Palette -depth 4"},
    {"p8", kPicture, "-colors 200 -type Palette -depth 8"},
    {"rgb8", kPicture, "-depth 8"},
    {"rgb16", kPicture, "-depth 16"},
    {"rgba8", kPicture, std::string(kAlpha) + " -depth 8"},
    {"rgba16", kPicture, std::string(kAlpha) + " -depth 16"},
    {"ga8", kPicture, std::string(kAlpha) + " -colorspace Gray -depth 8"},
    {"ga16", kPicture, std::string(kAlpha) + " -colorspace Gray -depth 16"},
    {"cmyk8", kPicture, "-colorspace CMYK -depth 8"},
    {"ycc8", kPicture, "-colorspace YCbCr -depth 8"},
    {"planes-rgb16", kPicture, "-depth 16 -interlace Plane"},
    {"planes-rgba16", kPicture, std::string(kAlpha) + " -depth 16 -interlace Plane"},
    {"planes-ga16", kPicture, std::string(kAlpha) + " -colorspace Gray -depth 16 -interlace Plane"},
    {"tile-rgb8", kTilePicture, "-depth 8"},
    {"tile-rgb16", kTilePicture, "-depth 16"},
    {"tile-g1", kTilePicture, "-colorspace Gray -threshold 50% -type Bilevel -depth 1"},
    {"tile-p4", kTilePicture, "-colors 16 -type Palette -depth 4"},
    {"tile-planes-rgb16", kTilePicture, "-depth 16 -interlace Plane"},
    {"wide", kWidePicture, "-colorspace Gray -alpha off -depth 8"},
};

// Makes the named sources in the corpus.
void MakeSources(TiffCorpus& corpus, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const auto row = std::find_if(std::begin(kSources), std::end(kSources),
                                  [&](const SourceRow& r) { return std::string(r.Name) == name; });
    EXPECT_NE(row, std::end(kSources)) << name;
    corpus.Source(name, std::string(row->Picture) + " " + row->Arguments);
  }
}

// Compares the case with libtiff's decode by what its source holds: 16-bit samples within 1 (and 2
// where libtiff multiplies alpha into them), YCbCr within 1.
void ExpectAsLibtiff(const TiffCase& tiff, const std::string& source) {
  const AlphaRule alpha = source.find("rgba") != std::string::npos ? AlphaRule::Premultiplied
                          : source.find("ga") != std::string::npos ? AlphaRule::Dropped
                                                                   : AlphaRule::Exact;
  const bool sixteen = source.find("16") != std::string::npos;
  const int tolerance = sixteen ? 1 + (alpha == AlphaRule::Premultiplied) : source.starts_with("ycc") ? 1 : 0;
  ExpectLibtiffPixels(tiff, tolerance, alpha);
}

// ---- Colour models, compressions, tiles, byte and fill orders ---------------------------------------

// Files of each source, from ImageMagick as they are or copied by tiffcp with each of the options.
struct ModelCase {
  const char* name;
  std::vector<const char*> sources;
  std::vector<const char*> options = {};
};

std::ostream& operator<<(std::ostream& out, const ModelCase& c) {
  return out << c.name;
}

const ModelCase kModels[] = {
    // Colour models and depths. Grey with alpha has two samples a pixel: the grey is shown, its alpha
    // stepped over (not read as the next pixel).
    {"GreyImagesOfOneToSixteenBitsLoadAsLibtiffDecodesThem", {"g1", "w1", "g2", "g4", "g8", "w8", "g16"}},
    {"PaletteImagesShowTheirColourMaps", {"p1", "p2", "p4", "p8"}},
    {"RGBImagesOfEightAndSixteenBitsLoadAsBlueGreenRed", {"rgb8", "rgb16"}},
    {"RGBWithAlphaKeepsItsAlpha", {"rgba8", "rgba16"}},
    {"GreyWithAlphaShowsItsGrey", {"ga8", "ga16"}},
    {"CMYKImagesLoadAsTheirRGB", {"cmyk8"}},
    {"YCbCrImagesLoadAsTheirRGB", {"ycc8"}},
    // Strips of 5 rows leave a last one of 2 (read by its own rows, not a full strip's); a strip of 16
    // rows holds more than the 12 the image has.
    {"UncompressedStripsOfAnyLengthLoad",
     {"g1", "p4", "rgb8", "rgb16", "ga8", "cmyk8"},
     {"-c none -r 5", "-c none -r 1", "-c none -r 16"}},
    {"PackBitsStripsLoad", {"g1", "p4", "g8", "rgb8", "rgb16", "ga8", "wide"}, {"-c packbits -r 5"}},
    // The predictor works on each sample of 8- and 16-bit pixels of any sample count.
    {"DeflateStripsLoadWithAndWithoutThePredictor",
     {"g8", "g16", "ga8", "p8", "rgb8", "rgb16", "rgba8", "cmyk8"},
     {"-c zip -r 5", "-c zip:2 -r 5"}},
    // Grey, RGB (jpeg:r) and YCbCr data; libtiff decodes through the same libjpeg, so exactly.
    {"JpegStripsLoad", {"rgb8"}, {"-c jpeg -r 16", "-c jpeg:r -r 8"}},
    {"GreyJpegStripsLoad", {"g8", "w8"}, {"-c jpeg -r 8", "-c jpeg -r 16"}},
    // 40 x 35 pixels in tiles of 16 x 16: the last column and row of tiles hang over the image's edges.
    {"TiledImagesLoadWithEveryTileInPlace",
     {"tile-rgb8", "tile-rgb16", "tile-g1", "tile-p4"},
     {"-t -w 16 -l 16 -c none", "-t -w 16 -l 16 -c packbits", "-t -w 32 -l 16 -c zip"}},
    {"TilesWithThePredictorJpegOrInPlanesLoad",
     {"tile-rgb8"},
     {"-t -w 16 -l 16 -c zip:2", "-t -w 16 -l 16 -c jpeg", "-t -w 16 -l 16 -p separate -c packbits"}},
    {"TiledPlanesOfSixteenBitsLoad", {"tile-planes-rgb16"}, {"-t -w 16 -l 16 -c zip:2"}},
    {"TiledFaxLoads", {"tile-g1"}, {"-t -w 16 -l 16 -c g4"}},
    // Big-endian files: 16-bit samples, predictor words and the colour map in the other byte order.
    {"BigEndianFilesLoadAsLibtiffDecodesThem",
     {"g16", "ga16", "p8", "rgb8", "rgb16", "rgba16", "cmyk8"},
     {"-B -c none -r 5", "-B -c zip:2 -r 5"}},
    {"BigEndianPalettesLoad", {"p4"}, {"-B -c packbits -r 5"}},
    {"BigEndianPlanesLoad", {"rgb8"}, {"-B -p separate -c none -r 5"}},
    // FillOrder 2 reverses the bits of every byte of the strip, whatever its compression (but JPEG,
    // whose data libtiff never reverses), and of uncompressed data of any depth.
    {"FillOrderTwoReversesTheStripsOfEveryCompression",
     {"g1", "g8", "rgb8"},
     {"-f lsb2msb -c none -r 5", "-f lsb2msb -c packbits -r 5", "-f lsb2msb -c zip -r 5"}},
    {"FillOrderTwoReversesPredictedAndJpegStrips", {"rgb8"}, {"-f lsb2msb -c zip:2 -r 5", "-f lsb2msb -c jpeg -r 16"}},
    {"FillOrderTwoReversesFaxStrips", {"g1"}, {"-f lsb2msb -c g3:2d -r 5", "-f lsb2msb -c g4 -r 5"}},
};

class TIFFFile : public ::testing::TestWithParam<ModelCase> {};

TEST_P(TIFFFile, LoadsAsLibtiffDecodesIt) {
  TiffCorpus corpus;
  for (const char* source : GetParam().sources) {
    MakeSources(corpus, {source});
    if (GetParam().options.empty())
      ExpectAsLibtiff(corpus.Plain(source), source);
    for (const char* options : GetParam().options)
      ExpectAsLibtiff(corpus.Variant(source, options), source);
  }
}

INSTANTIATE_TEST_SUITE_P(TIFFGraphic, TIFFFile, ::testing::ValuesIn(kModels),
                         [](const ::testing::TestParamInfo<ModelCase>& test) { return std::string(test.param.name); });

TEST(TIFFGraphic, RGBWithAlphaLoadsAsA32BitPictureWithItsAlphaDefined) {
  TiffCorpus corpus;
  MakeSources(corpus, {"rgba8"});
  TTIFFGraphic graphic;
  oracle::LoadTiff(graphic, corpus.Plain("rgba8").File);
  EXPECT_EQ(graphic.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(graphic.AlphaFormat(), TAlphaFormat::afDefined);
}

// Associated alpha, which ImageMagick multiplies into the colour it stores (the alpha a ramp from 0):
// the colour is divided by it again as ImageMagick reads it back, within a level, at 8 and 16 bits,
// interleaved and in planes.
TEST(TIFFGraphic, AssociatedAlphaIsDividedOutOfTheColour) {
  TiffCorpus corpus;
  for (const char* options : {"-depth 8", "-depth 16", "-depth 8 -interlace Plane", "-depth 16 -interlace Plane"}) {
    corpus.Source("associated", std::string(kPicture) +
                                    " \\( -size 16x12 gradient:black-white \\) -alpha off -compose CopyOpacity "
                                    "-composite -define tiff:alpha=associated " +
                                    options);
    TTIFFGraphic graphic;
    oracle::LoadTiff(graphic, oracle::ReadBytes(corpus.Folder().path / "associated.tif"));
    EXPECT_LE(oracle::MaxDifference(graphic.ToBgra(), oracle::MagickBgra(corpus.Folder(), "associated.tif")), 1)
        << options;
  }
}

// Data units of h x v luma samples and one chroma pair, in strips of whole units; the 15 x 11 crop
// leaves units hanging over the right and bottom edges.
TEST(TIFFGraphic, SubsampledYCbCrLoadsAsLibtiffSpreadsIt) {
  TiffCorpus corpus;
  MakeSources(corpus, {"ycc8"});
  const oracle::TiffImage full = oracle::ReadTiff(corpus.Plain("ycc8").File);
  const Bytes samples = full.Joined();
  struct Size {
    std::uint32_t Width, Height;
  };
  for (const Size size : {Size{16, 12}, Size{15, 11}}) {
    for (const auto& [h, v] : {std::pair{2u, 2u}, std::pair{2u, 1u}, std::pair{4u, 2u}, std::pair{4u, 4u}}) {
      const std::uint32_t rowsPerStrip = 4;
      TiffWriter writer = TiffWriter::Image(size.Width, size.Height, {8, 8, 8}, 1, 6, rowsPerStrip);
      writer.Set(530, oracle::kShort, {h, v});
      for (std::uint32_t top = 0; top < size.Height; top += rowsPerStrip) {
        Bytes strip;
        const std::uint32_t rows = std::min(rowsPerStrip, size.Height - top);
        for (std::uint32_t y0 = top; y0 < top + rows; y0 += v) {
          for (std::uint32_t x0 = 0; x0 < size.Width; x0 += h) {
            const auto at = [&](std::uint32_t x, std::uint32_t y) {
              return (std::min(y, size.Height - 1) * full.Width + std::min(x, size.Width - 1)) * 3;
            };
            for (std::uint32_t j = 0; j < v; ++j) {
              for (std::uint32_t i = 0; i < h; ++i)
                strip.push_back(samples[at(x0 + i, y0 + j)]);
            }
            strip.push_back(samples[at(x0, y0) + 1]);
            strip.push_back(samples[at(x0, y0) + 2]);
          }
        }
        writer.Pieces.push_back(strip);
      }
      const std::string name = std::to_string(size.Width) + " x " + std::to_string(size.Height) + " by " +
                               std::to_string(h) + " x " + std::to_string(v);
      ExpectAsLibtiff(corpus.Written(name, writer.Write()), "ycc8");
    }
  }
}

// ImageMagick's CIE L*a*b* files of a known picture, 8 and 16 bits: ours are at least as close to the
// picture as libtiff's reading of the same files, at the worst sample and on average.
TEST(TIFFGraphic, CIELabLoadsAtLeastAsCloseToItsPictureAsLibtiffReadsIt) {
  TiffCorpus corpus;
  MakeSources(corpus, {"rgb8"});
  const Bytes picture = corpus.Plain("rgb8").Rgba;
  const auto distance = [&](const Bytes& rgba) {
    int worst = 0, sum = 0;
    for (std::size_t i = 0; i < picture.size(); ++i) {
      const int difference = i % 4 == 3 ? 0 : std::abs(rgba.at(i) - picture[i]);
      worst = std::max(worst, difference);
      sum += difference;
    }
    return std::pair{worst, sum};
  };
  for (const std::string depth : {"8", "16"}) {
    corpus.Source("lab", std::string(kPicture) + " -colorspace Lab -depth " + depth);
    const TiffCase lab = corpus.Plain("lab");
    TTIFFGraphic graphic;
    oracle::LoadTiff(graphic, lab.File);
    Bytes ours = graphic.ToBgra();
    for (std::size_t i = 0; i < ours.size(); i += 4)
      std::swap(ours[i], ours[i + 2]);
    const auto [worst, sum] = distance(ours);
    const auto [libtiffWorst, libtiffSum] = distance(lab.Rgba);
    EXPECT_LE(worst, libtiffWorst) << depth << " bits";
    EXPECT_LE(sum, libtiffSum) << depth << " bits";
  }
}

// ---- Strips ---------------------------------------------------------------------------------------

TEST(TIFFGraphic, ARowsPerStripOfAllOnesIsOneStripOfTheWholeImage) {
  TiffCorpus corpus;
  MakeSources(corpus, {"g8"});
  oracle::TiffImage plain = oracle::ReadTiff(corpus.Plain("g8").File);
  TiffWriter writer = TiffWriter::Image(16, 12, {8}, 1, 1, 0xFFFFFFFFu);
  writer.Pieces = {plain.Joined()};
  ExpectLibtiffPixels(corpus.Written("rows per strip 2^32 - 1", writer.Write()));
}

// The wide picture has runs beyond 2560 pixels.
TEST(TIFFGraphic, GroupThreeAndFourFaxStripsLoad) {
  TiffCorpus corpus;
  MakeSources(corpus, {"g1", "w1"});
  corpus.Source("drawing",
                "-size 300x40 xc:white -fill black -draw 'circle 50,20 60,35' -draw 'rectangle 100,5 290,12' "
                "-draw 'line 0,39 299,20' -draw 'polygon 120,38 200,20 260,39' -type Bilevel -depth 1");
  corpus.Source("wide",
                "-size 2700x9 xc:white -fill black -draw 'rectangle 10,1 2000,2' -draw 'rectangle 2650,0 2699,8' "
                "-draw 'line 0,8 2699,5' -draw 'circle 300,4 303,7' -type Bilevel -depth 1");
  for (const char* source : {"g1", "w1", "drawing", "wide"}) {
    for (const char* options :
         {"-c g3 -r 5", "-c g3:2d -r 5", "-c g3:2d:fill -r 5", "-c g3:1d:fill -r 5", "-c g4 -r 5", "-c g4"})
      ExpectLibtiffPixels(corpus.Variant(source, options));
  }
  // fax2tiff's Class F files: two-dimensional Group 3 and Group 4 from raw one-dimensional data.
  const oracle::TempFolder& folder = corpus.Folder();
  for (const std::string source : {"drawing", "wide"}) {
    oracle::RunOrFail(folder, "tiffcp -r 1000 -c g3 " + source + ".tif one.tif");
    const oracle::TiffImage one = oracle::ReadTiff(folder, "one.tif");
    oracle::WriteBytes(folder.path / "raw.g3", one.Strips.at(0));
    for (const std::string options : {"-6", "-8", "-5 -p"}) {
      oracle::RunOrFail(folder,
                        "fax2tiff -M -X " + std::to_string(one.Width) + " " + options + " -r 7 -o fax.tif raw.g3");
      ExpectLibtiffPixels({source + " fax2tiff " + options, oracle::ReadBytes(folder.path / "fax.tif"),
                           oracle::LibtiffRgba(folder, "fax.tif")});
    }
  }
}

// Modified Huffman with rows on bytes (2) and on 16-bit words of the strip (32771). libtiff starts a
// word-aligned row on an odd byte at times, so both are compared with its decode of the first.
TEST(TIFFGraphic, ModifiedHuffmanStripsLoad) {
  TiffCorpus corpus;
  const auto rows = oracle::RandomRows(203, 30, 5);
  const auto file = [&](std::uint32_t compression, bool reversed) {
    return oracle::ModifiedHuffmanTiff(203, rows, compression, 16, reversed);
  };
  const TiffCase expected = corpus.Written("modified Huffman", file(2, false));
  ExpectLibtiffPixels(expected);
  for (const auto& [compression, reversed] : {std::pair{2u, true}, std::pair{32771u, false}, std::pair{32771u, true}}) {
    const std::string name = std::to_string(compression) + (reversed ? " lsb first" : "");
    ExpectLibtiffPixels({name, file(compression, reversed), expected.Rgba});
  }
}

TEST(TIFFGraphic, ThunderScanStripsLoad) {
  TiffCorpus corpus;
  for (const bool reversed : {false, true}) {
    ExpectLibtiffPixels(corpus.Written(reversed ? "ThunderScan lsb first" : "ThunderScan",
                                       oracle::ThunderTiff(oracle::ThunderPicture(), 5, reversed)));
  }
}

// ---- Layouts and orders ----------------------------------------------------------------------------

// Each loads as libtiff decodes the interleaved picture. (In separate planes libtiff multiplies a
// grey's alpha into it, in interleaved pixels it does not.) tiffcp separates only 8-bit samples;
// ImageMagick writes the 16-bit planes.
TEST(TIFFGraphic, SeparatePlanesLoadAsTheirInterleavedCopies) {
  TiffCorpus corpus;
  MakeSources(corpus, {"rgb8", "rgba8", "cmyk8", "ga8", "ycc8", "rgb16", "rgba16", "ga16", "planes-rgb16",
                       "planes-rgba16", "planes-ga16"});
  const auto expectInterleaved = [&](const TiffCase& separate, const std::string& interleaved) {
    ExpectAsLibtiff({separate.Name, separate.File, corpus.Plain(interleaved).Rgba}, interleaved);
  };
  for (const char* source : {"rgb8", "rgba8", "cmyk8", "ga8", "ycc8"}) {
    for (const char* options : {"-p separate -c none -r 5", "-p separate -c zip:2 -r 5"})
      expectInterleaved(corpus.Variant(source, options), source);
  }
  for (const std::string source : {"rgb16", "rgba16", "ga16"}) {
    for (const char* options : {"-c none -r 5", "-c zip:2 -r 5", "-B -c packbits -r 5"})
      expectInterleaved(corpus.Variant("planes-" + source, options), source);
  }
}

TEST(TIFFGraphic, ABigEndianSixteenBitGreyImageLoadsWithEightBitsPerSample) {
  TiffCorpus corpus;
  MakeSources(corpus, {"g16"});
  const TiffCase tiff = corpus.Variant("g16", "-B -c none");
  TTIFFGraphic graphic;
  oracle::LoadTiff(graphic, tiff.File);
  EXPECT_EQ(graphic.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(graphic.ImageProperties().BitsPerSample, 16);
  EXPECT_TRUE(graphic.ImageProperties().Options & ioBigEndian);
}

// ---- Properties ---------------------------------------------------------------------------------

TEST(TIFFGraphic, ResolutionInCentimetresIsReportedInDotsPerInch) {
  TiffCorpus corpus;
  MakeSources(corpus, {"g8"});
  oracle::RunOrFail(corpus.Folder(),
                    "tiffset -s 296 3 g8.tif && tiffset -s 282 100 g8.tif && tiffset -s 283 40 g8.tif");
  TTIFFGraphic graphic;
  oracle::LoadTiff(graphic, corpus.Plain("g8").File);
  EXPECT_FLOAT_EQ(graphic.ImageProperties().XResolution, 254.0f);
  EXPECT_FLOAT_EQ(graphic.ImageProperties().YResolution, 101.6f);
}

TEST(TIFFGraphic, TheHeadOfALaterImageIsReadByItsIndex) {
  TiffCorpus corpus;
  MakeSources(corpus, {"g8", "rgb16"});
  oracle::RunOrFail(corpus.Folder(), "tiffcp -c none g8.tif rgb16.tif two.tif");
  TMemoryInputStream stream(oracle::ReadBytes(corpus.Folder().path / "two.tif"));
  TTIFFGraphic graphic;
  ASSERT_TRUE(graphic.ReadImageProperties(stream, 1));
  EXPECT_EQ(graphic.ImageProperties().BitsPerSample, 16);
  EXPECT_EQ(graphic.ImageProperties().ColorScheme, TColorScheme::RGB);
  stream.SetPosition(0);
  EXPECT_FALSE(graphic.ReadImageProperties(stream, 2));
}

}  // namespace
}  // namespace vrel
