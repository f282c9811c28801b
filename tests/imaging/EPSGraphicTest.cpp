// EPS files with a TIFF preview: the preview is read from where the 30-byte header puts it, whatever
// lies between, and only within its length; ImageMagick's binary EPS (ept2) shows the preview
// tiff2rgba decodes. TIFF and EPS files open through the picture registry by their extensions.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "imaging/EPSGraphic.h"
#include "imaging/FaceImages.h"
#include "imaging/Graphics.h"
#include "imaging/RasterFormatsRegistration.h"
#include "imaging/Streams.h"
#include "platform/StreamIO.h"
#include "tests/imaging/TiffOracle.h"

namespace vrel {
namespace {

namespace fs = std::filesystem;
using oracle::Bytes;
using oracle::TiffCase;
using oracle::TiffCorpus;

constexpr const char* kInvalidEps = "Cannot load image. Invalid or unexpected EPS image format.";

// A binary EPS: the header, a little PostScript, filler up to `previewAt`, then the preview (whose
// length the header may state otherwise).
Bytes Eps(const Bytes& tiff, std::uint32_t previewAt, std::uint32_t length) {
  const std::string postScript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 16 12\nshowpage\n";
  Bytes file(30);
  const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put(0, 0xC6D3D0C5u, 4);
  put(4, 30, 4);
  put(8, static_cast<std::uint32_t>(postScript.size()), 4);
  put(20, previewAt, 4);
  put(24, length, 4);
  put(28, 0xFFFF, 2);
  file.insert(file.end(), postScript.begin(), postScript.end());
  file.resize(previewAt, '%');
  file.insert(file.end(), tiff.begin(), tiff.end());
  return file;
}

constexpr auto LoadMessage = &oracle::LoadError<TEPSGraphic>;

// A preview from the tools, and the same with its directory in front of the pixels (so that a cut
// loses pixels).
struct Preview {
  TiffCorpus corpus;
  TiffCase tiff;
  Bytes front;
  Preview() {
    corpus.Source("rgb8", "-size 16x12 -seed 3 plasma:fractal -depth 8");
    tiff = corpus.Variant("rgb8", "-c packbits -r 5");
    oracle::TiffWriter writer = oracle::ParseTiff(tiff.File);
    writer.DirectoryFirst = true;
    front = writer.Write();
  }
};

// The header's offsets count from the header, wherever it lies in the stream.
TEST(EPSGraphic, AnEPSInsideAnotherStreamIsReadFromItsPosition) {
  Preview preview;
  Bytes outer(100, 0xAA);
  const Bytes eps = Eps(preview.tiff.File, 200, static_cast<std::uint32_t>(preview.tiff.File.size()));
  outer.insert(outer.end(), eps.begin(), eps.end());
  TEPSGraphic graphic;
  TMemoryInputStream stream(outer);
  stream.SetPosition(100);
  graphic.LoadFromStream(stream);
  EXPECT_EQ(graphic.ToBgra(), *oracle::LoadedPixels<TTIFFGraphic>(preview.tiff.File));
}

TEST(EPSGraphic, ImageMagicksBinaryEPSShowsItsTIFFPreview) {
  Preview preview;
  oracle::RunOrFail(preview.corpus.Folder(), "convert rgb8.tif ept2:picture.eps");
  const Bytes eps = oracle::ReadBytes(preview.corpus.Folder().path / "picture.eps");
  ASSERT_GT(eps.size(), 30u);
  const auto u32 = [&](std::size_t at) {
    return std::uint32_t{eps[at]} | std::uint32_t{eps[at + 1]} << 8 | std::uint32_t{eps[at + 2]} << 16 |
           std::uint32_t{eps[at + 3]} << 24;
  };
  const Bytes tiff(eps.begin() + u32(20), eps.begin() + u32(20) + u32(24));
  EXPECT_EQ(oracle::LoadGraphic<TEPSGraphic>(eps)->ToBgra(), *oracle::LoadedPixels<TTIFFGraphic>(tiff));
  oracle::ExpectLibtiffPixels(preview.corpus.Written("ImageMagick's preview", tiff));
}

TEST(EPSGraphic, FilesWithoutTheMagicOrATIFFPreviewAreRefusedAsInvalidEPS) {
  Preview preview;
  const auto size = static_cast<std::uint32_t>(preview.tiff.File.size());
  Bytes magic = Eps(preview.tiff.File, 100, size);
  magic[0] = 0;
  EXPECT_EQ(LoadMessage(magic), kInvalidEps);
  EXPECT_EQ(LoadMessage(Eps(preview.tiff.File, 100, 0)), kInvalidEps);
  EXPECT_EQ(LoadMessage(Eps({}, 100, size)), kInvalidEps);
  EXPECT_EQ(LoadMessage(Bytes(magic.begin(), magic.begin() + 29)), kInvalidEps);
}

// The preview ends where its length says, though the file goes on: its last pixels are out of reach.
TEST(EPSGraphic, ThePreviewEndsWhereItsLengthSays) {
  Preview preview;
  const auto size = static_cast<std::uint32_t>(preview.front.size());
  EXPECT_EQ(LoadMessage(Eps(preview.front, 100, size - 1)), std::string(kReadErrorMessage));
  EXPECT_EQ(LoadMessage(Eps(preview.front, 100, size)), "");
  EXPECT_EQ(LoadMessage(Eps(preview.front, 100, size + 20)), "");
}

TEST(EPSGraphic, CutAndDamagedFilesLoadWholeOrAreRefused) {
  Preview preview;
  oracle::SweepDamagedFiles<TEPSGraphic>(Eps(preview.front, 120, static_cast<std::uint32_t>(preview.front.size())));
}

TEST(TIFFAndEPSPictures, OpenThroughThePictureRegistryByTheirExtensions) {
  Preview preview;
  TPictureFormats formats;
  const auto registration = RegisterRasterFormats(formats);
  const oracle::TempFolder& folder = preview.corpus.Folder();
  const Bytes expected = *oracle::LoadedPixels<TTIFFGraphic>(preview.tiff.File);
  const Bytes eps = Eps(preview.tiff.File, 64, static_cast<std::uint32_t>(preview.tiff.File.size()));
  for (const std::string name : {"a.tif", "b.TIFF", "c.fax", "d.eps"}) {
    oracle::WriteBytes(folder.path / name, name.ends_with("eps") ? eps : preview.tiff.File);
    TPicture picture(formats);
    picture.LoadFromFile((folder.path / name).string());
    ASSERT_NE(picture.Bitmap(), nullptr) << name;
    EXPECT_EQ(picture.Bitmap()->ToBgra(), expected) << name;
  }
}

// Face images are chosen by content: a TIFF face, whatever its name, goes through the TIFF loader.
TEST(TIFFAndEPSPictures, ATIFFFaceImageGivesThePixelsLibtiffDecodes) {
  Preview preview;
  const auto registration = RegisterRasterFormats();
  const fs::path face = preview.corpus.Folder().path / "front.img";
  oracle::WriteBytes(face, preview.tiff.File);
  const TextureImage image = ReadFaceImage(face.string(), oracle::kLargestTexture);
  ASSERT_EQ(image.width, 16);
  ASSERT_EQ(image.height, 12);
  Bytes rgba = oracle::BgraOf(image);
  for (std::size_t i = 0; i < rgba.size(); i += 4)
    std::swap(rgba[i], rgba[i + 2]);
  EXPECT_EQ(rgba, preview.tiff.Rgba);
}

}  // namespace
}  // namespace vrel
