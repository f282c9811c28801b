// The scene writer: the whole file of a document without blades line for line, the number texts, the
// exported blades, the riders' texture polygons, the vista bitmap's layout, and saving through a temporary file.
#include <gtest/gtest.h>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <functional>
#include <set>
#include "files/FMSSceneReader.h"
#include "files/FMSSceneWriter.h"
#include "files/VistaBitmap.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Cube.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/files/TestBytes.h"
#include "tests/platform/FileSizeLimit.h"

namespace vrel {
namespace {
namespace fs = std::filesystem;
using scenetest::AddBlade;
using Strings = std::vector<std::string>;
Currency C(int64_t count) {
  return Currency::FromCount(count);
}

class SceneWriter : public scenetest::TempFolder {
 protected:
  // The vista bitmap is there already (its own test draws it with the real font), so no text renderer is needed.
  void SetUp() override {
    TempFolder::SetUp();
    WriteBytes(PathOf("fms_vista.bmp"), "BM");
    filer_ = scenetest::MakeFiler(folder_);
    layer_ = layers_.AddLayer();
  }
  Strings Save() {
    filer_->SaveScene(layers_, cube_);
    return lines_ = SplitTextLines(ReadBytes(filer_->SceneFilename()));
  }
  std::size_t Count(const std::string& line) const {
    return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
  }
  // The lines after `marker` up to the next empty line.
  Strings Block(const std::string& marker) const {
    auto it = std::find(lines_.begin(), lines_.end(), marker);
    return it == lines_.end() ? Strings{} : Strings(it + 1, std::find(it, lines_.end(), ""));
  }
  // The cube shows faces `width` pixels wide.
  void LoadFaces(int width) {
    const TFaceImageDecoder decode = [width](const std::string&, int) {
      return BgraTextureImage(width, 1, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * 4));
    };
    ASSERT_TRUE(cube_.LoadTextures(device_, {"l", "f", "r", "b", "t", "d"}, decode).Loaded);
  }
  static std::vector<double> Numbers(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> out;
    for (double v = 0; in >> v;)
      out.push_back(v);
    return out;
  }

  std::unique_ptr<TVrelPanoFiler> filer_;
  TSquareBladeCollections layers_;
  TSquareBladeCollection* layer_ = nullptr;
  RecordingDevice device_;  // before the cube, whose textures it made
  TCubeSquareBladeCollection cube_;
  Strings lines_;
};

const std::string kDashes = "// ----------------------------------------------------------------";

TEST_F(SceneWriter, DocumentWithoutBladesLineForLine) {
  Strings expected = {"",
                      kDashes,
                      "// FMS version 2.8 scene file created by vrel.exe",
                      "//",
                      "// Line sf_SceneType .. sf_TextureBasename, vrel.exe read it, please do not change.",
                      "// sf_SceneType         : 0  [stCube]",
                      "// sf_CubeSuffix        : 0  [csLeft]",
                      "// sf_AreaRadius        : 1000",
                      "// sf_SceneRotate       : 0.00",
                      "// sf_SlopeX            : 0.00",
                      "// sf_SlopeY            : 0.00",
                      "// sf_AirCraftX         : -5.00",
                      "// sf_AirCraftY         : 0.00",
                      "// sf_AirCraftZ         : -1.70",
                      "// sf_PilotZ            : 0.00",
                      "// sf_TextureBasename   : 'park'",
                      kDashes,
                      "",
                      "AIRCRAFT_POSITION  -5.00  0.00  -1.70  -0.70",
                      "PILOT_POSITION      0  0  0  FIXED",
                      "",
                      "QUADS",
                      "",
                      "LIGHTNING OFF",
                      "",
                      "// u v x y z"};
  // The six faces of the default cube (half edge 1000, no rotation) at face image size 2048, worked out
  // by hand from the cube's corner table: the signs of x, z, y at corners 0, 3, 2, 1 of each face.
  const char* faces[] = {"left +-+ +-- --- --+", "front --+ --- -+- -++", "right -++ -+- ++- +++",
                         "back +++ ++- +-- +-+", "top +-+ --+ -++ +++",   "bottom --- +-- ++- -+-"};
  const char* texels[] = {"0.1250 0.1250", "0.1250 254.8750", "254.8750 254.8750", "254.8750 0.1250"};
  for (const std::string face : faces) {
    const std::size_t signs = face.find(' ') + 1;
    expected.insert(expected.end(), {"", "TEXTURE park_" + face.substr(0, signs - 1)});
    for (std::size_t k = 0; k < 4; ++k) {
      expected.push_back(texels[k]);
      for (std::size_t axis = 0; axis < 3; ++axis)
        expected.back() += face[signs + 4 * k + axis] == '+' ? " 1000.0000" : " -1000.0000";
    }
  }
  for (const char* line : {"", "// for windows vista", "TEXTURE fms_vista", "0 254 -1 -1  -2.70", "0 254 -1  1  -2.70",
                           "0 254  1  1  -2.70", "0 254  1 -1  -2.70", "", "END"})
    expected.emplace_back(line);
  std::string expectedBytes;
  for (const std::string& line : expected)
    expectedBytes += line + "\r\n";
  filer_->SaveScene(layers_, cube_);
  EXPECT_EQ(ReadBytes(filer_->SceneFilename()), expectedBytes);
  EXPECT_EQ(Listing(), (Strings{"fms_vista.bmp", "park.scn"}));
}

class SceneWriterOfAwkwardValues : public SceneWriter {
 protected:
  void SetUp() override {
    SceneWriter::SetUp();
    TFMSDataHolder& d = *filer_->FMSData();
    d.SetAirCraftX(C(12345));    // 1.2345 -> 1.23
    d.SetAirCraftY(C(-50));      // -0.005 -> -0.01
    d.SetAirCraftZ(C(-10049));   // -1.0049 -> -1.00, +1 -> -0.0049 -> 0.00, -1 -> -2.0049 -> -2.00
    d.SetSceneRotate(C(-49));    // -0.0049 -> 0.00, no sign
    d.SetPilotZ(C(1234567899));  // 123456.7899 -> 123456.79
    d.SetAreaRadius(50);
    filer_->SetSceneType(stSphere);
    filer_->SetTextureBasename("o'hare");
    filer_->GroundDataLines() = {"// sf_GroundDataStart", "// \x8F\xAC\x82\xB3\x82\xC8", "", "// sf_GroundDataEnd"};
    Save();
  }
};

TEST_F(SceneWriterOfAwkwardValues, NumbersAreFixedPointTextsRoundedHalfAwayFromZero) {
  for (const char* line : {"AIRCRAFT_POSITION  1.23  -0.01  -1.00  0.00", "0 254 -1 -1  -2.00"})
    EXPECT_EQ(Count(line), 1u) << line;
  EXPECT_EQ(lines_[13], "// sf_PilotZ            : 123456.79");
}

// And the radius has its floor.
TEST_F(SceneWriterOfAwkwardValues, ASphereHasNoSuffixLine) {
  const Strings header = {"// sf_SceneType         : 1  [stSphere]", "// sf_AreaRadius        : 100",
                          "// sf_SceneRotate       : 0.00"};
  EXPECT_EQ(Strings(lines_.begin() + 5, lines_.begin() + 8), header);
}

TEST_F(SceneWriterOfAwkwardValues, GroundDataGoesBeforeTheBaseNameWhoseQuoteIsDoubled) {
  Strings header = filer_->GroundDataLines();
  header.insert(header.end(), {"// sf_TextureBasename   : 'o''hare'", kDashes, ""});
  EXPECT_EQ(Strings(lines_.begin() + 14, lines_.begin() + 21), header);
}

TEST_F(SceneWriter, ClearPolygonsSwapYAndZWithTiesAwayFromZero) {
  AddBlade(*layer_, {Vec3{1, 2, 3}, Vec3{4, 5, 6}, Vec3{-7.125f, 8.005f, 9.999f}, Vec3{0, -0.004f, -0.005f}});
  AddBlade(*layer_, {Vec3{10, 0, 0}, Vec3{11, 0, 0}, Vec3{11, 1, 0}, Vec3{10, 1, 0}});
  Save();
  // 8.005f lies a little above 8.005 and -0.005f a little nearer zero; -7.125 is a tie, and halves go away from zero.
  EXPECT_EQ(Block("// clear polygon"), (Strings{"1.00 3.00 2.00 4.00 6.00 5.00 -7.13 10.00 8.01 0.00 0.00 0.00 ",
                                                "10.00 0.00 0.00 11.00 0.00 0.00 11.00 0.00 1.00 10.00 0.00 1.00 "}));
  EXPECT_EQ(Count("// clear polygon over the fin") + Count("// texture polygon"), 0u);
}

TEST_F(SceneWriter, FaceTexelInsetsFollowTheLoadedFaceImages) {
  LoadFaces(1024);
  Save();
  EXPECT_EQ(Block("TEXTURE park_left"),
            (Strings{"0.2500 0.2500 1000.0000 -1000.0000 1000.0000", "0.2500 254.7500 1000.0000 -1000.0000 -1000.0000",
                     "254.7500 254.7500 -1000.0000 -1000.0000 -1000.0000",
                     "254.7500 0.2500 -1000.0000 -1000.0000 1000.0000"}));
  LoadFaces(4096);
  cube_.SetSize(250.5f);
  Save();
  EXPECT_EQ(Block("TEXTURE park_top"),
            (Strings{"0.0625 0.0625 250.5000 -250.5000 250.5000", "0.0625 254.9375 -250.5000 -250.5000 250.5000",
                     "254.9375 254.9375 -250.5000 250.5000 250.5000", "254.9375 0.0625 250.5000 250.5000 250.5000"}));
}

// A blade facing the centre in front of the front face (X = -1000): seen from the centre its corners
// fall on the face at twice their distance, so the texture coordinates are known exactly.
const TCorners kFrontBlade = {Vec3{-500, 250, 0}, Vec3{-500, 250, 250}, Vec3{-500, -250, 250}, Vec3{-500, -250, 0}};

// Face u runs along +Z from -1000 to 1000, v along -Y from 1000 to -1000.
TEST_F(SceneWriter, ATexturedBladeFlatOnItsFaceGivesOneTexturePolygonInItsFacesBlock) {
  AddBlade(*layer_, kFrontBlade, true);
  Save();
  const Strings block = Block("// texture polygon");
  EXPECT_EQ(std::multiset<std::string>(block.begin(), block.end()),
            (std::multiset<std::string>{
                "127.5000 63.8125 -500.0000 0.0000 250.0000", "191.1875 63.8125 -500.0000 250.0000 250.0000",
                "191.1875 191.1875 -500.0000 250.0000 -250.0000", "127.5000 191.1875 -500.0000 0.0000 -250.0000"}));
  const auto at = [&](const char* line) { return std::find(lines_.begin(), lines_.end(), line) - lines_.begin(); };
  const auto polygon = at("// texture polygon");  // in the front face's block
  EXPECT_TRUE(at("TEXTURE park_front") < polygon && polygon < at("TEXTURE park_right"));
  // Not oblique: the fin comment comes, with nothing under it.
  EXPECT_EQ(Block("// clear polygon over the fin"), Strings{});
  EXPECT_EQ(Count("// clear polygon over the fin"), 1u);
  EXPECT_EQ(Count("// texture fin polygon") + Count("// clear polygon"), 0u);
}

// A blade that leans away along the line of sight: oblique to the front face. The slices' geometry is the riders';
// here, that each block comes once, in the format of its kind, the clear polygon in front.
TEST_F(SceneWriter, AnObliqueTexturedBladeGivesFinPolygonsUnderAClearPolygon) {
  AddBlade(*layer_, kFrontBlade, true);
  AddBlade(*layer_, {Vec3{-300, 100, -100}, Vec3{-300, 100, 100}, Vec3{-700, -100, 100}, Vec3{-700, -100, -100}}, true);
  Save();
  EXPECT_EQ(Count("// texture fin polygon") + Count("// clear polygon over the fin"), 2u);
  ASSERT_FALSE(Block("// clear polygon over the fin").empty() || Block("// texture fin polygon").empty());
  for (const std::string& line : Block("// clear polygon over the fin")) {
    const std::vector<double> v = Numbers(line);
    ASSERT_TRUE(v.size() == 12 && line.back() == ' ') << line;
    // 0.03 off the blade's plane, whose normal in file axes (x, z, y) is (-1, 0, 2) / sqrt 5 through
    // (-300, -100, 100), to within the two decimals written.
    for (std::size_t k = 0; k < 12; k += 3)
      EXPECT_NEAR(std::fabs(2 * (v[k + 2] - 100) - (v[k] + 300)) / std::sqrt(5.0), 0.03, 0.01) << line;
  }
  for (const std::string& line : Block("// texture fin polygon"))
    EXPECT_EQ(Numbers(line).size(), 5u) << line;
}

TEST_F(SceneWriter, HiddenLayersAndBladesGoOnlyWithExportAll) {
  TSquareBladeCollection* hidden = layers_.AddLayer();
  TSquareBladeCollection* locked = layers_.AddLayer();
  hidden->SetVisible(false);
  locked->SetLocked(true);
  for (float x : {1.0f, 2.0f})
    AddBlade(*layer_, {Vec3{x, 0, 0}, Vec3{x, 1, 0}, Vec3{x, 1, 1}, Vec3{x, 0, 1}})->SetVisible(x == 1);
  AddBlade(*layer_, kFrontBlade, true)->SetVisible(false);
  AddBlade(*hidden, {Vec3{3, 0, 0}, Vec3{3, 1, 0}, Vec3{3, 1, 1}, Vec3{3, 0, 1}});
  AddBlade(*locked, {Vec3{4, 0, 0}, Vec3{4, 1, 0}, Vec3{4, 1, 1}, Vec3{4, 0, 1}});
  auto firstNumbers = [&] {
    std::string firsts;
    for (const std::string& line : Block("// clear polygon"))
      firsts += line.substr(0, line.find(' ')) + " ";
    return firsts;
  };
  ASSERT_TRUE(filer_->ExportAll());
  Save();
  EXPECT_EQ(firstNumbers(), "1.00 2.00 3.00 4.00 ");
  EXPECT_EQ(Block("// texture polygon").size(), 4u);
  filer_->SetExportAll(false);
  Save();
  EXPECT_EQ(firstNumbers(), "1.00 4.00 ");
  EXPECT_EQ(Count("// texture polygon") + Count("// clear polygon over the fin"), 0u);
}

// Names with control characters or without a CP932 form, and fewer than six faces: the scene would not read back
// as it was, so nothing is written (the refusal names a base name it cannot take).
TEST_F(SceneWriter, WhatWouldNotReadBackIsRefusedBeforeWriting) {
  WriteBytes(PathOf("park.scn"), "previous scene");
  const std::string emoji = "park\xF0\x9F\x98\x80";
  const std::pair<std::function<void(TVrelPanoFiler&)>, std::string> cases[] = {
      {[](TVrelPanoFiler& f) { f.SetTextureBasename("park\r\nx"); }, ""},
      {[](TVrelPanoFiler& f) { f.SetTextureBasename(std::string("park\0x", 6)); }, ""},
      {[](TVrelPanoFiler& f) { f.SetTextureBasename("pa\trk"); }, ""},
      {[&](TVrelPanoFiler& f) { f.SetTextureBasename(emoji); }, emoji},
      {[&](TVrelPanoFiler& f) { f.ImageNames()[2] = PathOf("park\nright.bmp"); }, ""},
      {[&](TVrelPanoFiler& f) {
         f.ImageNames()[3] = PathOf(
             "park_b\xC3\xA4"
             "ck.bmp");
       },
       ""},
      {[](TVrelPanoFiler& f) { f.ImageNames().resize(5); }, ""}};
  for (const auto& [spoil, named] : cases) {
    const auto filer = scenetest::MakeFiler(folder_);
    spoil(*filer);
    const std::string refused = bytes::ErrorOf<Exception>([&] { filer->SaveScene(layers_, cube_); });
    EXPECT_NE(refused.find(named), std::string::npos) << refused;
    EXPECT_NE(refused, "");
  }
  EXPECT_EQ(ReadBytes(PathOf("park.scn")), "previous scene");
  EXPECT_EQ(Listing(), (Strings{"fms_vista.bmp", "park.scn"}));
}

// Scenes the reader accepts as cube scenes, each with what could go astray on its way through a save.
const char* const kAcceptedScenes[] = {
    // Ground data holding keys and the simulator's keywords, before the header's keys.
    "// sf_GroundDataStart\r\n// sf_AirCraftX : 7\r\nAIRCRAFT_POSITION 8 8 8 8\r\nPILOT_POSITION 0 0 9\r\n"
    "POSITION 0 0 3\r\nQUADS\r\n1 1 1\r\n// sf_GroundDataEnd sf_SlopeX : 4\r\n// sf_SceneType : 0\r\n"
    "// sf_CubeSuffix : 1\r\n// sf_AreaRadius : 1500\r\n// sf_SceneRotate : 12.5\r\n// sf_SlopeX : 0.25\r\n"
    "// sf_AirCraftX : -5\r\n// sf_AirCraftZ : -1.7\r\n// sf_TextureBasename : 'park'\r\n",
    // Ground data without its end, which the base name ends.
    "// sf_AreaRadius : 300\r\n// sf_GroundDataStart\r\n// sf_AirCraftY : 3\r\n// sf_TextureBasename : 'o''hare'\r\n",
    // Two blocks of ground data with a keyword between them.
    "// sf_GroundDataStart\r\n// a\r\n// sf_GroundDataEnd\r\nAIRCRAFT_POSITION 2 3\r\n"
    "// sf_PilotZ : 1 sf_GroundDataStart b\r\n// sf_GroundDataEnd\r\n// sf_TextureBasename : 'p'\r\n",
    // No header: the simulator's keywords and the first face's name.
    "AIRCRAFT_POSITION 1.25 -2.5 3 4\r\nPILOT_POSITION 0 0 5\r\nPOSITION 0 0 2\r\nQUADS\r\n-1 -1 1\r\n1 -1 2\r\n"
    "1 1 3\r\n-1 1 4\r\nTEXTURE field_left\r\n",
    // A base name that cannot be written, passed over for the face's name.
    "// sf_TextureBasename : 'park'#13#10'x'\r\nTEXTURE field_0\r\n",
    // A quote and a kana whose second byte is an underscore.
    "// sf_CubeSuffix : 1\r\n// sf_TextureBasename : '\x83\x5F''s park'\r\n",
};

// A scene read into a filer of its own and taken over by the document's filer, as opening a scene does;
// the ground data goes along.
std::unique_ptr<TVrelPanoFiler> Opened(const std::function<bool(TVrelPanoFiler&)>& read) {
  TVrelPanoFiler separate;
  EXPECT_TRUE(read(separate));
  EXPECT_EQ(separate.SceneType(), stCube);
  auto document = std::make_unique<TVrelPanoFiler>();
  document->Reset();
  document->Assign(&separate);
  document->GroundDataLines() = separate.GroundDataLines();
  return document;
}

TEST_F(SceneWriter, ReadSaveReadGivesTheSameValues) {
  const auto values = [](const TVrelPanoFiler& filer) {
    return std::tuple(filer.CubeSuffix(), filer.TextureBasename(), filer.GroundDataLines(),
                      scenetest::Placement(*filer.FMSData()));
  };
  for (const std::string scene : kAcceptedScenes) {
    const auto first = Opened([&](TVrelPanoFiler& filer) { return filer.LoadSceneText(scene); });
    first->SetSceneFilename(PathOf("again.scn"));
    first->BuildImageList();
    first->SaveScene(layers_, cube_);
    const auto second = Opened([&](TVrelPanoFiler& filer) { return filer.LoadSceneFile(PathOf("again.scn")); });
    EXPECT_EQ(values(*second), values(*first)) << scene;
  }
}

// A file-size limit makes the write fail part way, for any user.
TEST_F(SceneWriter, AWriteCutShortKeepsThePreviousFileAndGivesTheSystemsReason) {
  WriteBytes(PathOf("park.scn"), "previous scene");
  for (int i = 0; i < 200; ++i)
    AddBlade(*layer_, {Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{1, 1, 1}, Vec3{1, 0, 1}});
  std::string message;
  {
    const ScopedFileSizeLimit limit(4096);
    message = bytes::ErrorOf<Exception>([&] { filer_->SaveScene(layers_, cube_); });
  }
  EXPECT_NE(message.find("park.scn"), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(PathOf("park.scn")), "previous scene");
  EXPECT_EQ(Listing(), (Strings{"fms_vista.bmp", "park.scn"}));
}

// Draws nothing: what the bitmap shows is its own test's business.
class BlankText : public IVistaTextRenderer {
 public:
  BlankText() : previous_(SetVistaTextRenderer(this)) {}
  ~BlankText() override { SetVistaTextRenderer(previous_); }
  int TextWidth(std::string_view) override { return 0; }
  void DrawText(TRgbImage&, int, int, std::string_view, TRgbColor, TRgbColor) override {}

 private:
  IVistaTextRenderer* previous_;
};

TEST_F(SceneWriter, AVistaBitmapThatCannotBeWrittenLeavesThePreviousScene) {
  fs::remove(PathOf("fms_vista.bmp"));
  WriteBytes(PathOf("park.scn"), "previous scene");
  const BlankText text;
  std::string message;
  {
    const ScopedFileSizeLimit limit(100000);  // room for the scene, not for the bitmap's 195,894 bytes
    message = bytes::ErrorOf<Exception>([&] { filer_->SaveScene(layers_, cube_); });
  }
  EXPECT_NE(message.find("fms_vista.bmp"), std::string::npos) << message;
  EXPECT_EQ(ReadBytes(PathOf("park.scn")), "previous scene");
  EXPECT_EQ(Listing(), Strings{"park.scn"});
}
}  // namespace
}  // namespace vrel
