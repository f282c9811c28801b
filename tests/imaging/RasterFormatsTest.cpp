// The registry of file extensions and the format tests of every class, on files that ImageMagick and
// netpbm write during the test and on small headers built here where no tool writes the format.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/AutodeskGraphic.h"
#include "imaging/CUTGraphic.h"
#include "imaging/EPSGraphic.h"
#include "imaging/FrameworkGraphics.h"
#include "imaging/PCDGraphic.h"
#include "imaging/PCXGraphic.h"
#include "imaging/PNGGraphic.h"
#include "imaging/PPMGraphic.h"
#include "imaging/PSDGraphic.h"
#include "imaging/PSPGraphic.h"
#include "imaging/RLAGraphic.h"
#include "imaging/RasterFormatsRegistration.h"
#include "imaging/SGIGraphic.h"
#include "imaging/Streams.h"
#include "imaging/TIFFGraphic.h"
#include "imaging/TargaGraphic.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/ImageOracle.h"

namespace vrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- the registry --------------------------------------------------------------------------------

struct Registry {
  TPictureFormats picture;
  std::unique_ptr<TRasterFormatsRegistration> formats = RegisterRasterFormats(picture);
  TFileFormatList& list = formats->List();

  std::vector<std::string> PictureExtensions() const {
    std::vector<std::string> out;
    for (const auto& entry : picture.Entries())
      out.push_back(entry.Extension);
    return out;
  }
};

TEST(FileFormatList, TheDialogFilterListsAllExtensionsFirstThenOneLinePerRegistration) {
  Registry r;
  const std::vector<TFileFilter> filter = r.picture.Filter();
  ASSERT_EQ(filter.size(), 40u);
  EXPECT_EQ(filter[0].Label.substr(0, 26), "All (*.bmp *.ico *.wmf *.e");
  EXPECT_EQ(filter[0].Patterns.size(), 39u);
  EXPECT_EQ(filter[0].Patterns.back(), "*.png");
  EXPECT_EQ(filter[1], (TFileFilter{"Windows bitmaps (*.bmp)", {"*.bmp"}}));
  EXPECT_EQ(filter[12].Label, "Truevision images (*.vst)");
  EXPECT_EQ(filter[39].Label, "Portable network graphic images (*.png)");
  const std::string text = FilterText(filter);
  EXPECT_NE(text.find(";;Windows bitmaps (*.bmp);;Windows icons (*.ico);;"), std::string::npos);
}

TEST(FileFormatList, ASecondRegistrationOfAnExtensionInAnyCaseRaisesAndChangesNothing) {
  Registry r;
  const auto before = r.PictureExtensions();
  for (const char* extension : {"TGA", "tga"}) {
    EXPECT_EQ(bytes::ErrorOf<EInvalidGraphic>([&] {
                r.list.RegisterFileFormat(extension, "x", "y", ftRaster, false, GraphicClassOf<TPCXGraphic>());
              }),
              std::string("Attempt to register ") + extension + " twice.");
  }
  EXPECT_EQ(r.PictureExtensions(), before);
  EXPECT_EQ(r.picture.Find("tga")->Class, &GraphicClassOf<TTargaGraphic>());
  r.list.RegisterFileFormat("", "x", "y", ftRaster, false, GraphicClassOf<TPCXGraphic>());
  EXPECT_EQ(r.PictureExtensions(), before);
  EXPECT_EQ(r.list.FindExtension(""), -1);
}

TEST(FileFormatList, ReplaceMovesAnExtensionToAnotherClass) {
  Registry r;
  const int targa = r.list.FindGraphicClass(GraphicClassOf<TTargaGraphic>());
  r.list.RegisterFileFormat("tga", "", "", ftRaster, true, GraphicClassOf<TPCXGraphic>());
  EXPECT_EQ(r.picture.Find("tga")->Class, &GraphicClassOf<TPCXGraphic>());
  EXPECT_EQ(r.list.ClassEntries()[std::size_t(targa)]->Count, 4);
  EXPECT_EQ(r.picture.Find("win")->Class, &GraphicClassOf<TTargaGraphic>());
}

TEST(FileFormatList, TheBitmapClassLeavesWithItsLastExtension) {
  Registry r;
  r.list.UnregisterFileFormat("rle", GraphicClassOf<TBitmap>());
  EXPECT_EQ(r.picture.Find("rle"), nullptr);
  EXPECT_NE(r.picture.Find("bmp"), nullptr);
  EXPECT_GE(r.list.FindGraphicClass(GraphicClassOf<TBitmap>()), 0);
  r.list.UnregisterFileFormat("dib", GraphicClassOf<TBitmap>());
  r.list.UnregisterFileFormat("bmp", GraphicClassOf<TBitmap>());
  EXPECT_EQ(r.list.FindGraphicClass(GraphicClassOf<TBitmap>()), -1);
  EXPECT_EQ(r.picture.Find("bmp"), nullptr);
  r.list.UnregisterFileFormat("nope", GraphicClassOf<TBitmap>());  // nothing to remove
  r.list.UnregisterFileFormat("", GraphicClassOf<TSGIGraphic>());
  EXPECT_EQ(std::tuple(r.picture.Find("sgi"), r.picture.Find("bw"), r.list.FindExtension("rgba")),
            std::tuple(nullptr, nullptr, -1));
  EXPECT_EQ(r.picture.Entries().size(), 32u);
}

TEST(FileFormatList, TheRegistrationsEndWithTheirHolder) {
  TPictureFormats picture;
  {
    const auto formats = RegisterRasterFormats(picture);
    EXPECT_EQ(FileFormatList(), &formats->List());
    EXPECT_EQ(picture.Entries().size(), 39u);
  }
  EXPECT_TRUE(picture.Entries().empty());
  EXPECT_EQ(FileFormatList(), nullptr);
}

// ---- format tests --------------------------------------------------------------------------------

struct Format {
  std::string name;
  const TGraphicClass& graphicClass;
  Bytes file;
};

void Put16BE(Bytes& b, std::size_t at, unsigned v) {
  b[at] = std::uint8_t(v >> 8), b[at + 1] = std::uint8_t(v);
}

// One file of every format with a format test; the tools write what they can.
std::vector<Format> Corpus(const oracle::TempFolder& folder) {
  const std::string make =
      "convert -size 9x7 -seed 5 plasma:fractal -depth 8 p.ppm && convert p.ppm -compress none ii.tif && "
      "convert p.ppm -endian MSB mm.tif && convert p.ppm -type palette t.tga && convert p.ppm x.pcx && "
      "convert p.ppm x.sgi && convert p.ppm x.png && convert p.ppm x.psd && ppmtopgm p.ppm > p.pgm && "
      "pamditherbw p.pgm | pamtopnm > p.pbm && pnmtoplainpnm p.ppm > plain.ppm";
  EXPECT_TRUE(oracle::RunTool(folder, make)) << oracle::ReadFile(folder.path / "oracle-error.txt");
  const auto read = [&](const char* name) { return oracle::ReadBytes(folder.path / name); };
  std::vector<Format> corpus{{"II TIFF", GraphicClassOf<TTIFFGraphic>(), read("ii.tif")},
                             {"MM TIFF", GraphicClassOf<TTIFFGraphic>(), read("mm.tif")},
                             {"Targa", GraphicClassOf<TTargaGraphic>(), read("t.tga")},
                             {"PCX", GraphicClassOf<TPCXGraphic>(), read("x.pcx")},
                             {"SGI", GraphicClassOf<TSGIGraphic>(), read("x.sgi")},
                             {"PNG", GraphicClassOf<TPNGGraphic>(), read("x.png")},
                             {"PSD", GraphicClassOf<TPSDGraphic>(), read("x.psd")},
                             {"PPM", GraphicClassOf<TPPMGraphic>(), read("p.ppm")},
                             {"PGM", GraphicClassOf<TPPMGraphic>(), read("p.pgm")},
                             {"PBM", GraphicClassOf<TPPMGraphic>(), read("p.pbm")},
                             {"plain PPM", GraphicClassOf<TPPMGraphic>(), read("plain.ppm")}};
  // A binary EPS header whose TIFF preview starts 40 bytes in.
  Bytes eps(40, 0);
  const Bytes tiff = corpus[0].file;
  const std::uint32_t fields[] = {0xC6D3D0C5u, 0, 0, 0, 0, 40, std::uint32_t(tiff.size())};
  std::memcpy(eps.data(), fields, sizeof fields);
  eps.insert(eps.end(), tiff.begin(), tiff.end());
  corpus.push_back({"EPS", GraphicClassOf<TEPSGraphic>(), eps});
  // Autodesk: magic, 9 x 7, depth 8, no compression, the palette and the pixels.
  Bytes cel(32 + 768 + 63, 0);
  cel[0] = 0x19, cel[1] = 0x91, cel[2] = 9, cel[4] = 7, cel[10] = 8;
  corpus.push_back({"Autodesk", GraphicClassOf<TAutodeskGraphic>(), cel});
  Bytes psp(64, 0);
  std::memcpy(psp.data(), "Paint Shop Pro Image File\n\x1a", 27);
  psp[32] = 5;
  corpus.push_back({"PSP", GraphicClassOf<TPSPGraphic>(), psp});
  Bytes pcd(6200, 0);
  std::memcpy(pcd.data() + 2048, "PCD_IPI", 7);
  corpus.push_back({"Photo-CD", GraphicClassOf<TPCDGraphic>(), pcd});
  Bytes rla(800, 0);
  Put16BE(rla, 26, 0xFFFE);
  std::memcpy(rla.data() + 580, "RGB", 3);
  corpus.push_back({"RLA", GraphicClassOf<TRLAGraphic>(), rla});
  return corpus;
}

const std::vector<const TGraphicClass*>& TestedClasses() {
  static const std::vector<const TGraphicClass*> classes{
      &GraphicClassOf<TTIFFGraphic>(), &GraphicClassOf<TEPSGraphic>(), &GraphicClassOf<TTargaGraphic>(),
      &GraphicClassOf<TPCXGraphic>(),  &GraphicClassOf<TSGIGraphic>(), &GraphicClassOf<TAutodeskGraphic>(),
      &GraphicClassOf<TCUTGraphic>(),  &GraphicClassOf<TPPMGraphic>(), &GraphicClassOf<TPSDGraphic>(),
      &GraphicClassOf<TPSPGraphic>(),  &GraphicClassOf<TPCDGraphic>(), &GraphicClassOf<TRLAGraphic>(),
      &GraphicClassOf<TPNGGraphic>(),  &GraphicClassOf<TBitmap>(),     &GraphicClassOf<TJPEGImage>(),
      &GraphicClassOf<TIcon>()};
  return classes;
}

// Also inside another stream: the test starts from the stream's position.
TEST(FormatTests, EveryFileIsTakenByItsOwnClassAloneAndThePositionStays) {
  oracle::TempFolder folder;
  for (const Format& format : Corpus(folder)) {
    TMemoryInputStream stream(format.file);
    for (const TGraphicClass* graphicClass : TestedClasses()) {
      const bool own = graphicClass == &format.graphicClass;
      EXPECT_EQ(graphicClass->Create()->CanLoadFromStream(stream), own) << format.name << " by " << graphicClass->Name;
      EXPECT_EQ(stream.Position(), 0u);
    }
    Bytes wrapped(100, 0x5A);
    wrapped.insert(wrapped.end(), format.file.begin(), format.file.end());
    TMemoryInputStream inside(wrapped);
    inside.SetPosition(100);
    EXPECT_TRUE(format.graphicClass.Create()->CanLoadFromStream(inside)) << format.name;
    EXPECT_EQ(inside.Position(), 100u);
  }
}

// A stream holds only the prefix, and raises on any read past it: no test may read there.
TEST(FormatTests, PrefixesNeverReadPastTheirBytesAndShortOnesAreRefused) {
  oracle::TempFolder folder;
  for (const Format& format : Corpus(folder)) {
    for (std::size_t size = 0; size < format.file.size(); ++size) {
      TMemoryInputStream stream(std::span(format.file).first(size));
      for (const TGraphicClass* graphicClass : TestedClasses()) {
        bool accepted = false;
        ASSERT_NO_THROW(accepted = graphicClass->Create()->CanLoadFromStream(stream))
            << format.name << " " << size << " by " << graphicClass->Name;
        EXPECT_TRUE(!accepted || graphicClass == &format.graphicClass) << format.name << " " << size;
        EXPECT_EQ(stream.Position(), 0u);
      }
    }
  }
}

TEST(FormatTests, TheByteCountMustExceedTheHead) {
  const Bytes signature{137, 80, 78, 71, 13, 10, 26, 10};
  TMemoryInputStream eight(signature);
  EXPECT_FALSE(TPNGGraphic().CanLoadFromStream(eight));
  Bytes nine = signature;
  nine.push_back(0);
  TMemoryInputStream more(nine);
  EXPECT_TRUE(TPNGGraphic().CanLoadFromStream(more));
}

TEST(FormatTests, PhotoCDOverviewFilesAreKnownByTheirFirstBytes) {
  Bytes overview(6145, 0);
  std::memcpy(overview.data(), "PCD_OPA", 7);
  std::memcpy(overview.data() + 2048, "XYZ", 3);
  TMemoryInputStream stream(overview);
  EXPECT_TRUE(TPCDGraphic().CanLoadFromStream(stream));
}

TEST(FormatTests, TIFFDirectoriesBeyondTheDataAreRefused) {
  Bytes tiff{'I', 'I', 42, 0, 9, 0, 0, 0, 0};
  TMemoryInputStream inside(tiff);
  EXPECT_FALSE(TTIFFGraphic().CanLoadFromStream(inside));  // 9 is not below the 9 bytes there
  tiff[4] = 8;
  TMemoryInputStream at(tiff);
  EXPECT_TRUE(TTIFFGraphic().CanLoadFromStream(at));
}

TEST(RasterGraphic, AssignCopiesThePropertiesWithThePixels) {
  struct Probe : TRasterGraphic {
    using TRasterGraphic::Properties;
    void LoadFromStream(TInputStream&) override {}
  };
  Probe a, b;
  a.Properties().Width = 3;
  a.Properties().RowsPerStrip = {1, 2};
  a.SetSize(3, 2);
  b.Assign(&a);
  EXPECT_EQ(std::tuple(b.ImageProperties().Width, b.ImageProperties().RowsPerStrip, b.Width()),
            std::tuple(3u, TCardinalArray{1, 2}, 3));
  TMemoryInputStream stream(Bytes(4));
  EXPECT_FALSE(b.ReadImageProperties(stream, 0));
  EXPECT_EQ(std::tuple(b.ImageProperties().Width, b.ImageProperties().FileGamma), std::tuple(0u, 1.0f));
}

}  // namespace
}  // namespace vrel
