// The scene filer: fixed-point placement values, the holders' change rules, the face-image naming in
// both directions, the texel insets and the filer's Assign.
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include "files/SimFilers.h"
#include "platform/Cp932.h"
#include "platform/UpdateGuard.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {
using scenetest::Counts;
using scenetest::Placement;
using Strings = std::vector<std::string>;
Currency C(int64_t count) {
  return Currency::FromCount(count);
}

class SceneFiles : public scenetest::TempFolder {};

// Python's decimal module, rounding half up (away from zero for the magnitude), is the oracle.
TEST_F(SceneFiles, CurrencyTextAgreesWithPythonDecimalAtEveryPlaceCount) {
  std::vector<int64_t> counts = {0,     1,      -1,    49,     50,   -50,       -49,       12345,        -12345,
                                 12350, -12350, 99995, -99995, 5000, -5000,     -17000,    -50000,       10000,
                                 9999,  -9999,  149,   150,    -150, INT64_MAX, INT64_MIN, INT64_MIN + 1};
  std::mt19937_64 random(7);
  for (int i = 0; i < 300; ++i)
    counts.push_back(static_cast<int64_t>(random()) >> (random() % 60));
  std::string input;
  std::string ours;
  for (int64_t count : counts) {
    for (int p : {0, 1, 2, 3, 4, 6}) {
      input += std::to_string(count) + " " + std::to_string(p) + "\n";
      ours += FormatCurrency(C(count), p) + "\n";
    }
  }
  WriteBytes(PathOf("in.txt"), input);
  EXPECT_EQ(ours, Python("import sys, decimal\n"
                         "decimal.getcontext().prec = 60\n"
                         "for line in open(sys.argv[1]):\n"
                         "    count, places = line.split()\n"
                         "    value = decimal.Decimal(count).scaleb(-4)\n"
                         "    step = decimal.Decimal(1).scaleb(-int(places))\n"
                         "    text = format(value.quantize(step, decimal.ROUND_HALF_UP), 'f')\n"
                         "    print(text.lstrip('-') if decimal.Decimal(text) == 0 else text)\n",
                         {PathOf("in.txt")}));
}

// Editor axes: (X, Z, Y) of the placement.
TEST(PlacementData, TheAircraftVectorIsThePlacementInEditorAxes) {
  TFMSDataHolder data;
  data.SetDefaults();
  EXPECT_EQ(data.GetAircraftVector(), Vec3(-5.0f, -1.7f, 0.0f));
  data.SetAirCraftY(C(31234));
  data.SetAirCraftZ(C(-25));
  EXPECT_EQ(data.GetAircraftVector(), Vec3(-5.0f, -0.0025f, 3.1234f));
}

// The radius has a floor of 100; a setter of the cube's image name or the pano size announces nothing.
const Announcing kAnnouncing[] = {
    Announces<TFMSDataHolder>(
        "the radius, then the same and one under the floor", 1,
        [](auto& d) { d.SetAreaRadius(50), d.SetAreaRadius(100), d.SetAreaRadius(-7); },
        [](auto& d) { d.SetDefaults(); }),
    Announces<TFMSDataHolder>(
        "a placement value twice, a slope as it is", 1,
        [](auto& d) { d.SetAirCraftX(C(1)), d.SetAirCraftX(C(1)), d.SetSlopeY(C(0)); },
        [](auto& d) { d.SetDefaults(); }),
    Announces<TVrelPanoFiler>("each name, type, suffix and format, two of them twice", 8,
                              [](auto& f) {
                                f.SetSceneFilename("/s/a.scn"), f.SetSceneFilename("/s/a.scn");
                                f.SetTextureBasename("park"), f.SetSceneType(stSphere), f.SetSceneType(stSphere);
                                f.SetCubeSuffix(csZero), f.SetSceneFormat(sfRCP), f.SetExtractImageType(eiTiff);
                                f.SetImageSizeMode(ismLarge), f.SetImageFileName("x");
                              }),
    Announces<TVrelPanoFiler>("the cube's image name and the pano size", 0,
                              [](auto& f) { f.SetCubeImageFileName("/s/park_0.bmp"), f.SetPanoImageSize(ps4096); })};

TEST(Announcements, ASetterAnnouncesARealChangeOnly) {
  for (const Announcing& a : kAnnouncing)
    EXPECT_EQ(a.count(), a.expected) << a.steps;
}

// A holder of the other format gives only the common placement values.
TEST(PlacementData, AssignTakesTheValuesBothFormatsShare) {
  TFMSDataHolder target;
  TRCPDataHolder rcp;
  target.SetPilotZ(C(12345));
  target.SetSlopeX(C(-1));
  rcp.SetAirCraftX(C(70000));
  target.Assign(&rcp);
  EXPECT_EQ(Placement(target), (Counts{0, -1, 0, 70000, 0, 0, 12345, 100}));
}

TEST(PlacementData, AssignTakesOnlyAPlacementHolder) {
  TFMSDataHolder target;
  TSimFiler stranger;
  EXPECT_THROW(target.Assign(&stranger), EConvertError);
  EXPECT_THROW(target.Assign(nullptr), EConvertError);
}

// The handler of the placement data moves the cube, the markers and the camera: it runs once per
// Assign, after every value is in place, and not at all when nothing changed.
TEST(PlacementData, AssignAnnouncesOnceWithEveryValueInPlaceAndOnlyARealChange) {
  TFMSDataHolder source;
  TFMSDataHolder target;
  source.SetDefaults();
  source.SetSlopeY(C(3));
  struct Recorder {
    const TFMSDataHolder* holder;
    std::vector<Counts> seen;
    void Handle(TObject*) { seen.push_back(Placement(*holder)); }
  } recorder{&target, {}};
  target.OnChange = TNotifyEvent::Of<&Recorder::Handle>(&recorder);
  target.Assign(&source);
  target.Assign(&source);
  EXPECT_EQ(recorder.seen, (std::vector<Counts>{{0, 0, 3, -50000, 0, -17000, 0, 1000}}));
  source.SetAirCraftY(C(7));
  {
    UpdateGuard batch(target);
    target.Assign(&source);
    EXPECT_EQ(recorder.seen.size(), 1u);
  }
  EXPECT_EQ(recorder.seen.size(), 2u);
}

TEST(FaceNames, AWordSuffixGivesTheWordSchemeAndTheBaseName) {
  TVrelPanoFiler filer;
  filer.SetCubeSuffix(csZero);
  filer.SetCubeImageFileName("C:\\scn\\park_front.j");
  ASSERT_TRUE(filer.DetectCubeSuffix());
  EXPECT_EQ(filer.CubeSuffix(), csLeft);
  EXPECT_EQ(TVrelPanoFiler::TextureBasenameFromImage(filer.CubeImageFileName()), "park");
  filer.MakeImageNames();
  const std::string c = "C:\\scn\\park_";
  EXPECT_EQ(filer.ImageNames(),
            (Strings{c + "left.j", c + "front.j", c + "right.j", c + "back.j", c + "top.j", c + "bottom.j"}));
}

TEST(FaceNames, ANumberSuffixGivesTheNumberScheme) {
  TVrelPanoFiler filer;
  filer.SetCubeImageFileName("/scn/park_0.bmp");
  ASSERT_TRUE(filer.DetectCubeSuffix());
  EXPECT_EQ(filer.CubeSuffix(), csZero);
  filer.MakeImageNames();
  EXPECT_EQ(filer.ImageNames(), (Strings{"/scn/park_3.bmp", "/scn/park_0.bmp", "/scn/park_1.bmp", "/scn/park_2.bmp",
                                         "/scn/park_4.bmp", "/scn/park_5.bmp"}));
  EXPECT_EQ(filer.FirstImageName(), "/scn/park_3.bmp");
}

// The number scheme is kept for names that name no face, the word scheme comes of a word, and only the file name is
// looked at.
TEST(FaceNames, TheSchemeComesOfTheFileNamesLastSuffix) {
  TVrelPanoFiler filer;
  const std::tuple<const char*, bool, TCubeSuffix> names[] = {{"park_6.bmp", false, csZero},
                                                              {"park_x.bmp", false, csZero},
                                                              {"park.bmp", false, csZero},
                                                              {"park_.bmp", false, csZero},
                                                              {"/scn/my_dir/park.bmp", false, csZero},
                                                              {"C:\\my_s\\park.bmp", false, csZero},
                                                              {"park_9", false, csZero},
                                                              {"park_zz.png", false, csZero},
                                                              {"park_00x.bmp", false, csZero},
                                                              {"park_Lxyz.bmp", true, csLeft},
                                                              {"park_top", true, csLeft},
                                                              {"park_bottom.tif", true, csLeft},
                                                              {"a_b_right.JPG", true, csLeft},
                                                              {"park_Front.bmp", true, csLeft},
                                                              {"/scn/f_2/park_5.bmp", true, csZero}};
  for (const auto& [name, detected, scheme] : names) {
    filer.SetCubeSuffix(csZero);
    filer.SetCubeImageFileName(name);
    EXPECT_EQ(filer.DetectCubeSuffix(), detected) << name;
    EXPECT_EQ(filer.CubeSuffix(), scheme) << name;
  }
  EXPECT_EQ(TVrelPanoFiler::TextureBasenameFromImage("/scn/field_2/park_5.bmp"), "park");
  EXPECT_EQ(TVrelPanoFiler::TextureBasenameFromImage("/scn/field_2/park.bmp"), "");
  filer.MakeImageNames();
  EXPECT_EQ(filer.ImageNames().front(), "/scn/f_2/park_3.bmp");
}

// A Japanese file name (UTF-8 on disk) whose CP932 form has 0x5F as a trail byte: ダ is 0x83 0x5F.
TEST(FaceNames, AUtf8NameWithAnUnderscoreTrailByteInCp932KeepsItsBaseName) {
  TVrelPanoFiler filer;
  const std::string kana = "\xE3\x83\x80";
  ASSERT_EQ(Utf8ToCp932(kana), "\x83\x5F");
  filer.SetCubeImageFileName("/scn/" + kana + "_" + kana + "_front.bmp");
  EXPECT_TRUE(filer.DetectCubeSuffix());
  EXPECT_EQ(TVrelPanoFiler::TextureBasenameFromImage(filer.CubeImageFileName()), kana + "_" + kana);
}

// ダ is 0x83 0x5F and 表 is 0x95 0x5C: trail bytes that read as "_" and "\" on their own. A real separator ends the
// folder, and a lead byte at the very end stands alone.
TEST(FaceNames, Cp932NamesAreCutAtTheirLastUnderscoreSteppingOverDoubleBytes) {
  const std::string da = "\x83\x5F";
  const std::string hyo = "\x95\x5C";
  ASSERT_EQ(Cp932ToUtf8(da + hyo), "ダ表");
  const std::tuple<std::string, std::string, std::string> cases[] = {{da, "", ""},  // name, suffix, base name
                                                                     {"park" + da + "x_0", "0", "park" + da + "x"},
                                                                     {da + "_front", "front", da},
                                                                     {"a_" + da, da, "a"},
                                                                     {hyo + "_0", "0", hyo},
                                                                     {"x_" + hyo + "park", hyo + "park", "x"},
                                                                     {"dir_a\\park", "", ""},
                                                                     {"dir_a/park", "", ""},
                                                                     {"dir_a/park_1", "1", "dir_a/park"},
                                                                     {"park_\x83", "\x83", "park"},
                                                                     {"park_0 ", "0 ", "park"},
                                                                     {"park_", "", "park"},
                                                                     {"", "", ""}};
  for (const auto& [name, suffix, base] : cases)
    EXPECT_EQ(std::tuple(ExtractCubeSuffix(name), ExtractCubeBaseName(name)), std::tuple(suffix, base)) << name;
}

// Scene type and format, the cube image, the image list and the ground data stay the target's own.
TEST(SceneFiler, AssignCopiesThePlacementTheNamesExportAllAndTheSizeOnly) {
  TVrelPanoFiler source;
  TVrelPanoFiler target;
  source.Reset();
  source.FMSData()->SetPilotZ(C(33));
  source.SetCubeSuffix(csZero);
  source.SetSceneFilename("/s/a.scn");
  source.SetTextureBasename("park");
  source.SetExportAll(false);
  source.SetTextureSize(4096);
  source.SetSceneType(stSphere);
  source.SetSceneFormat(sfRCP);
  source.SetCubeImageFileName("/s/park_0.bmp");
  source.ImageNames() = {"1", "2"};
  source.GroundDataLines() = {"g"};
  target.ImageNames() = {"mine"};
  target.GroundDataLines() = {"own"};
  ChangeCounter dataChanges;
  target.FMSData()->OnChange = dataChanges.Event();
  target.Assign(&source);
  EXPECT_GT(dataChanges.count, 0);
  EXPECT_EQ(Placement(*target.FMSData()), (Counts{0, 0, 0, -50000, 0, -17000, 33, 1000}));
  EXPECT_EQ(std::tuple(target.CubeSuffix(), target.SceneFilename(), target.TextureBasename(), target.ExportAll(),
                       target.TexelLow(), target.SceneType(), target.SceneFormat(), target.CubeImageFileName(),
                       target.ImageNames(), target.GroundDataLines()),
            std::tuple(csZero, "/s/a.scn", "park", false, 0.0625f, stCube, sfFMS, "", Strings{"mine"}, Strings{"own"}));
}

TEST(SceneFiler, AssignTakesOnlyASceneFilerOfItsOwnKind) {
  TVrelPanoFiler target;
  TPanoFiler pano;
  TFMSDataHolder holder;
  EXPECT_THROW(target.Assign(&pano), EConvertError);
  EXPECT_THROW(target.Assign(&holder), EConvertError);
}

// Exact names win; a folder is no image.
TEST_F(SceneFiles, TheImageListFindsFacesInAnotherCase) {
  TVrelPanoFiler filer;
  filer.SetSceneFilename(PathOf("field.scn"));
  filer.SetTextureBasename("park");
  filer.SetCubeSuffix(csZero);
  for (const char* name : {"PARK_0.BMP", "park_1.bmp", "Park_1.bmp"})
    WriteBytes(PathOf(name), "x");
  std::filesystem::create_directory(PathOf("park_2.BMP"));
  filer.BuildImageList();
  EXPECT_EQ(filer.ImageNames(), (Strings{PathOf("park_3.bmp"), PathOf("PARK_0.BMP"), PathOf("park_1.bmp"),
                                         PathOf("park_2.bmp"), PathOf("park_4.bmp"), PathOf("park_5.bmp")}));
  filer.SetCubeSuffix(csLeft);
  WriteBytes(PathOf("park_Left.bmp"), "x");
  filer.BuildImageList();
  EXPECT_EQ(std::tuple(filer.ImageNames().front(), filer.ImageNames().size()), std::tuple(PathOf("park_Left.bmp"), 6u));
}

TEST(Currency, FromDoubleRoundsToTheNearestCount) {
  const std::pair<double, int64_t> counts[] = {{-1.7, -17000},
                                               {2.0, 20000},
                                               {0.00004, 0},
                                               {-0.00006, -1},
                                               {0.25 / 10000, 0},
                                               {0.75 / 10000, 1},
                                               {1e14, 1000000000000000000}};
  for (const auto& [value, count] : counts) {
    ASSERT_TRUE(Currency::FromDouble(value)) << value;
    EXPECT_EQ(Currency::FromDouble(value)->Count(), count) << value;
  }
  EXPECT_DOUBLE_EQ(C(-17000).ToDouble(), -1.7);
}

TEST(Currency, FromDoubleRefusesWhatNoCountHolds) {
  for (const double refused :
       {1e15, -1e300, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
    EXPECT_FALSE(Currency::FromDouble(refused)) << refused;
}

// The three names announce; the holders announce to their own listeners.
TEST(SceneFiler, ResetEmptiesTheNamesAndKeepsListsAndEnumerations) {
  TVrelPanoFiler filer;
  filer.SetSceneFilename("/s/a.scn");
  filer.SetTextureBasename("park");
  filer.SetImageFileName("x");
  filer.SetSceneType(stSphere);
  filer.SetCubeSuffix(csZero);
  filer.SetCubeImageFileName("/s/park_0.bmp");
  filer.ImageNames() = {"a"};
  filer.GroundDataLines() = {"b"};
  ChangeCounter changes;
  filer.OnChange = changes.Event();
  filer.Reset();
  EXPECT_EQ(changes.count, 3);
  EXPECT_EQ(std::tuple(filer.SceneFilename(), filer.TextureBasename(), filer.ImageFileName(), filer.SceneType(),
                       filer.CubeSuffix(), filer.CubeImageFileName(), filer.ImageNames(), filer.GroundDataLines()),
            std::tuple("", "", "", stSphere, csZero, "/s/park_0.bmp", Strings{"a"}, Strings{"b"}));
  EXPECT_EQ(std::tuple(filer.FMSData()->AreaRadius(), filer.RCPData()->AreaRadius()), std::tuple(1000, 1000));
}

TEST(SceneFiler, TextureSizeSetsTheTexelInsetsThatTextureCoordinatesSpan) {
  TVrelPanoFiler filer;
  EXPECT_EQ(std::tuple(filer.TextureSize(), filer.ExportAll(), filer.TexelLow(), filer.TexelHigh()),
            std::tuple(2048, true, 0.125f, 254.875f));
  EXPECT_EQ(std::tuple(filer.MapTexCoord(0), filer.MapTexCoord(0.25f), filer.MapTexCoord(0.5f), filer.MapTexCoord(1)),
            std::tuple(0.125f, 63.8125f, 127.5f, 254.875f));
  EXPECT_FLOAT_EQ(filer.MapTexCoord(0.1f), 25.6f);  // 0.125 + 0.1 x 254.75, rounded to four decimals
  const std::tuple<int, float, float> insets[] = {
      {1024, 0.25f, 254.75f}, {2048, 0.125f, 254.875f}, {4096, 0.0625f, 254.9375f}, {8192, 0.0625f, 254.9375f},
      {2047, 0.25f, 254.75f}, {4095, 0.125f, 254.875f}, {256, 0.25f, 254.75f}};
  for (const auto& [size, low, high] : insets) {
    filer.SetTextureSize(size);
    EXPECT_EQ(std::tuple(filer.TextureSize(), filer.TexelLow(), filer.TexelHigh()), std::tuple(size, low, high));
    EXPECT_EQ(std::tuple(filer.MapTexCoord(0), filer.MapTexCoord(1), filer.MapTexCoord(0.5f)),
              std::tuple(low, high, 127.5f));
  }
}

TEST(ScenePaths, APathSplitsIntoFolderFileNameAndExtension) {
  const std::tuple<std::string, std::string, std::string, std::string, std::string> paths[] = {
      // path, folder, file name, extension, without extension
      {"/a/b/c.scn", "/a/b/", "c.scn", ".scn", "/a/b/c"},
      {"c.scn", "", "c.scn", ".scn", "c"},
      {"C:\\scn\\c.scn", "C:\\scn\\", "c.scn", ".scn", "C:\\scn\\c"},
      {"/a/b.c/d", "/a/b.c/", "d", "", "/a/b.c/d"},
      {"/a/park_0.x.BMP", "/a/", "park_0.x.BMP", ".BMP", "/a/park_0.x"}};
  for (const auto& [path, folder, name, extension, stem] : paths)
    EXPECT_EQ(std::tuple(PathFolder(path), PathFileName(path), PathExtension(path), PathWithoutExtension(path)),
              std::tuple(folder, name, extension, stem))
        << path;
}

// The exact name first, else the first by name; a folder is no file.
TEST_F(SceneFiles, FindFileIgnoringCaseTakesTheExactNameFirst) {
  const std::string folder = folder_.string() + "/";
  for (const char* name : {"b.BMP", "B.bmp", "c.bmp", "C.BMP"})
    WriteBytes(PathOf(name), "x");
  std::filesystem::create_directory(PathOf("D.bmp"));
  EXPECT_EQ(FindFileIgnoringCase(folder, "c.bmp"), PathOf("c.bmp"));
  EXPECT_EQ(FindFileIgnoringCase(folder, "b.bmp"), PathOf("B.bmp"));
  EXPECT_EQ(FindFileIgnoringCase(folder, "d.bmp"), "");
  EXPECT_EQ(FindFileIgnoringCase(folder, "nothing.bmp"), "");
  EXPECT_EQ(FindFileIgnoringCase(folder_.string() + "/none/", "c.bmp"), "");
}
}  // namespace
}  // namespace vrel
