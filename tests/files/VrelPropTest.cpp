// The display and editing settings: defaults, resets, the live objects they are applied to and
// gathered from, the [Property] section of the settings file, and the component stream.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "files/RegMng.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "platform/ComponentStream.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform/Announcements.h"

namespace vrel {
namespace {
namespace fs = std::filesystem;
using Values = std::map<std::string, std::string>;

// What a save of the defaults must write, byte for byte.
constexpr const char* kGoldenDefaults =
    "[Property]\r\n"
    "BackGroundColor=5849112\r\nCubeBorderColor=16776960\r\nStartPointBorderColor=255\r\n"
    "StartPointSurfaceColor=16777215\r\nStartPointSurfaceAlpha=50\r\nStartPointLength=4\r\n"
    "PlaneMarkBorderColor=255\r\nPlaneMarkSurfaceColor=255\r\nPlaneMarkSurfaceAlpha=50\r\nPlaneMarkLength=3\r\n"
    "PolygonBorderColor=11763942\r\nPolygonSurfaceColor=0\r\nPolygonSurfaceAlpha=30\r\n"
    "PolygonReverseColor=12632256\r\nPolygonSelectedColor=11789952\r\nPolygonTextureBorderColor=8323298\r\n"
    "PolygonTextureSurfaceColor=0\r\nPolygonTextureSurfaceAlpha=13\r\nPolygonTextureSelectedColor=15711039\r\n"
    "TextureCubeBorderColor=32768\r\nTextureCubeDrawState=3\r\nPlaneSmooth=0\r\nDiagonalKnife=0\r\n"
    "IgnoreVisible=1\r\nScissorsHighlight=1\r\nScissorsHighlightColor=6750207\r\n";

Values ParseIni(const std::string& text) {
  Values values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.ends_with('\r'))
      line.pop_back();
    if (line.find('=') != std::string::npos)
      values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  }
  return values;
}

const Values kDefaults = ParseIni(kGoldenDefaults);
// Every setting other than the defaults: what ApplyChanged sets.
const Values kChanged = ParseIni(
    "BackGroundColor=1193046\nCubeBorderColor=65280\nStartPointBorderColor=16711680\nStartPointSurfaceColor=8421504\n"
    "StartPointSurfaceAlpha=75\nStartPointLength=4.1\nPlaneMarkBorderColor=65535\nPlaneMarkSurfaceColor=16711935\n"
    "PlaneMarkSurfaceAlpha=20\nPlaneMarkLength=2.5\nPolygonBorderColor=1\nPolygonSurfaceColor=2\n"
    "PolygonSurfaceAlpha=3\n"
    "PolygonReverseColor=4\nPolygonSelectedColor=5\nPolygonTextureBorderColor=6\nPolygonTextureSurfaceColor=7\n"
    "PolygonTextureSurfaceAlpha=8\nPolygonTextureSelectedColor=9\nTextureCubeBorderColor=10\nTextureCubeDrawState=4\n"
    "PlaneSmooth=1\nDiagonalKnife=1\nIgnoreVisible=0\nScissorsHighlight=0\nScissorsHighlightColor=11\n");

void ApplyChanged(TVrelProp& p) {
  auto set = [](TRenderMaterial* m, int32_t color, int32_t alpha = 100) {
    m->SetColor(color);
    m->SetAlpha(alpha);
  };
  TSquareBladeMaterials& poly = *p.PolygonMaterials();
  p.SetRenderBackGroundColor(1193046);
  set(p.CubeMaterial()->Border(), 65280);
  set(p.StartPointMaterials()->Border(), 16711680);
  set(p.StartPointMaterials()->Surface(), 8421504, 75);
  set(p.PlaneMarkMaterials()->Border(), 65535);
  set(p.PlaneMarkMaterials()->Surface(), 16711935, 20);
  p.SetStartPointLength(4.1f);
  p.SetPlaneMarkLength(2.5f);
  set(poly.Border(), 1);
  set(poly.Surface(), 2, 3);
  set(poly.Reverse(), 4);
  set(poly.Selected(), 5);
  set(poly.TextureBorder(), 6);
  set(poly.TextureSurface(), 7, 8);
  set(poly.TextureSelected(), 9);
  set(p.TextureCubeMaterial()->Border(), 10);
  p.SetTextureCubeDrawStates(dsVertex);
  p.SetPlaneSmooth(true);
  p.SetDiagonalKnife(true);
  p.SetIgnoreVisible(false);
  p.SetScissorsHighlight(false);
  p.SetScissorsHighlightColor(11);
}

// A settings file in a folder of its own; the store must never complain. Once the golden text and the
// configparser test pass, a save is a faithful picture of every setting, and Snapshot reads one.
class VrelPropTest : public scenetest::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    reg_.SetIniFileName(ini_ = PathOf("vrel.ini"));
  }
  void TearDown() override {
    for (const TMessageBoxRequest& box : boxes_.Shown)
      ADD_FAILURE() << box.Text;
    TempFolder::TearDown();
  }
  Values Snapshot(const TVrelProp& p) {
    TRegManager reg;
    reg.SetIniFileName(PathOf("snapshot.ini"));
    p.SaveSettings(reg);
    return ParseIni(ReadBytes(PathOf("snapshot.ini")));
  }
  std::string ini_;
  TCapturingMessageBox boxes_;
  TScopedMessageBox scopedBoxes_{boxes_};
  TRegManager reg_;
};

// Counts what the kernel reports of a file or folder: opens, and files renamed into a folder.
class FileEvents {
 public:
  FileEvents(const std::string& path, uint32_t mask) : fd_(inotify_init1(IN_NONBLOCK)) {
    // An open and its close alternate, so the kernel never folds two opens into one event.
    inotify_add_watch(fd_, path.c_str(), mask);
  }
  ~FileEvents() { close(fd_); }
  // The events of `kind` since the last call (for a folder, those about `name` only).
  int Count(uint32_t kind, const std::string& name = "") {
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* p = buffer; p < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        if ((event->mask & kind) && (name.empty() || name == event->name))
          ++count;
        p += sizeof(inotify_event) + event->len;
      }
    }
    return count;
  }

 private:
  int fd_;
};

TEST_F(VrelPropTest, ALoadOpensTheSettingsFileOnce) {
  TVrelProp p;
  p.SaveSettings(reg_);
  FileEvents events(ini_, IN_OPEN | IN_CLOSE_NOWRITE);
  p.LoadSettings(reg_);
  EXPECT_EQ(events.Count(IN_OPEN), 1);
}

TEST_F(VrelPropTest, ASaveWritesTheSettingsFileOnce) {
  TVrelProp p;
  FileEvents events(PathOf(""), IN_CREATE | IN_MOVED_TO);
  p.SaveSettings(reg_);
  EXPECT_EQ(events.Count(IN_MOVED_TO | IN_CREATE, "vrel.ini"), 1);
}

TEST_F(VrelPropTest, TheDefaultsSaveAsTheGoldenText) {
  TVrelProp p;
  p.SaveSettings(reg_);
  EXPECT_EQ(ReadBytes(ini_), kGoldenDefaults);
  EXPECT_EQ(reg_.RegItems()->Count(), 26);
}

TEST_F(VrelPropTest, ConfigParserReadsEverySavedSetting) {
  TVrelProp p;
  ApplyChanged(p);
  p.SaveSettings(reg_);
  Values inSection;
  for (const auto& [key, value] : kChanged)
    inSection["Property|" + key] = value;
  EXPECT_EQ(ParseIni(ConfigParserView(ini_)), inSection);
}

TEST_F(VrelPropTest, TheComponentStreamCarriesEverySetting) {
  TVrelProp p;
  ApplyChanged(p);
  TVrelProp read;
  LoadComponentFromBytes(SaveComponentToBytes(p), read);
  EXPECT_EQ(Snapshot(read), kChanged);
}

TEST_F(VrelPropTest, EachResetItemRestoresItsGroupAndNothingElse) {
  // The keys each item of the settings dialog resets; index = item id.
  const std::vector<std::set<std::string>> groups = {{},
                                                     {"BackGroundColor"},
                                                     {"CubeBorderColor"},
                                                     {"StartPointBorderColor"},
                                                     {"StartPointSurfaceColor", "StartPointSurfaceAlpha"},
                                                     {"StartPointLength"},
                                                     {"PlaneMarkBorderColor"},
                                                     {"PlaneMarkSurfaceColor", "PlaneMarkSurfaceAlpha"},
                                                     {"PlaneMarkLength"},
                                                     {"PolygonBorderColor"},
                                                     {"PolygonSurfaceColor", "PolygonSurfaceAlpha"},
                                                     {"PolygonReverseColor"},
                                                     {"PolygonSelectedColor"},
                                                     {"PolygonTextureBorderColor"},
                                                     {"PolygonTextureSurfaceColor", "PolygonTextureSurfaceAlpha"},
                                                     {"PolygonTextureSelectedColor"},
                                                     {"TextureCubeBorderColor", "TextureCubeDrawState"},
                                                     {"PlaneSmooth"},
                                                     {"DiagonalKnife"},
                                                     {"IgnoreVisible"},
                                                     {"ScissorsHighlight", "ScissorsHighlightColor"},
                                                     {}};
  for (int n = -1; n <= 21; ++n) {
    TVrelProp p;
    ApplyChanged(p);
    ChangeCounter changes;
    p.OnChange = changes.Event();
    p.ResetItem(n);
    EXPECT_EQ(changes.count, 1) << "item " << n;
    Values expected = kChanged;
    if (n >= 0)
      for (const std::string& key : groups.at(static_cast<std::size_t>(n)))
        expected[key] = kDefaults.at(key);
    EXPECT_EQ(Snapshot(p), expected) << "item " << n;
  }
}

TEST_F(VrelPropTest, SetDefaultsRestoresEverySettingAnnouncingOnce) {
  TVrelProp p;
  ApplyChanged(p);
  ChangeCounter changes;
  p.OnChange = changes.Event();
  p.SetDefaults();
  EXPECT_EQ(std::tuple(changes.count, Snapshot(p)), std::tuple(1, kDefaults));
}

// The live objects the settings reach, each given the changed settings and a cube point size of 7.
struct Live {
  TDX9Render render;
  TDX9RenderStage stage;
  TSquareBladeCollections layers;
  TTextureCube textureCube;
  TFinCollectionsContainer fins;
  TVrelPanoFiler filer;
  std::vector<TPersistent*> all = {&render, &stage, &layers, &textureCube, &fins, &filer};
  Live() {
    TVrelProp p;
    ApplyChanged(p);
    p.CubeMaterial()->SetPointSize(7);
    for (TPersistent* object : all)
      p.AssignTo(object);
  }
};

TEST_F(VrelPropTest, TheSettingsApplyToEachLiveObject) {
  Live l;
  TDX9RenderStage& stage = l.stage;
  EXPECT_EQ(
      std::tuple(l.render.BackgroundColor(), stage.CubeMaterial()->Border()->Color(), stage.CubeMaterial()->PointSize(),
                 stage.StartPoint()->Materials()->Surface()->Alpha(), stage.PlaneMark()->Materials()->Border()->Color(),
                 stage.StartPoint()->Length(), stage.PlaneMark()->Length()),
      std::tuple(1193046u, 65280, 7, 75, 65535, 4.1f, 2.5f));
  EXPECT_EQ(
      std::tuple(l.layers.Materials()->TextureSurface()->Alpha(), l.layers.Materials()->TextureSelected()->Color(),
                 l.layers.DiagonalKnife(), l.textureCube.Material()->Border()->Color(), l.textureCube.DrawStates(),
                 l.fins.Material()->Border()->Color(), l.fins.DrawStates(), l.filer.ExportAll()),
      std::tuple(8, 9, true, 10, dsVertex, 10, dsVertex, false));
  // The plane mark's cross is rebuilt for the new length: the arrow tip lies 3s + 1.732s ahead.
  EXPECT_NEAR(stage.PlaneMark()->Vertices()[0].z - stage.PlaneMark()->Position().z, 2.5f / 6 * 4.732f, 1e-3f);
}

// Each live object is one announcement.
TEST_F(VrelPropTest, GatheringFromTheLiveObjectsTakesBackEverythingTheyHold) {
  Live l;
  TVrelProp g;
  ChangeCounter changes;
  g.OnChange = changes.Event();
  for (TPersistent* object : l.all)
    g.Assign(object);
  EXPECT_EQ(changes.count, 6);
  Values expected = kChanged;
  for (const char* key : {"PlaneSmooth", "ScissorsHighlight", "ScissorsHighlightColor"})
    expected[key] = kDefaults.at(key);
  EXPECT_EQ(Snapshot(g), expected);
  EXPECT_EQ(g.CubeMaterial()->PointSize(), 7);
}

TEST_F(VrelPropTest, TheFilerGivesIgnoreVisibleAndNothingElse) {
  Live l;
  TVrelProp fromFiler;
  fromFiler.Assign(&l.filer);
  Values expected = kDefaults;
  expected["IgnoreVisible"] = "0";
  EXPECT_EQ(Snapshot(fromFiler), expected);
}

TEST_F(VrelPropTest, AnythingElseIsNeitherGivenNorTaken) {
  TVrelProp p;
  TRenderMaterial foreign;
  EXPECT_THROW(p.Assign(&foreign), EConvertError);
  EXPECT_THROW(foreign.Assign(&p), EConvertError);
}

TEST_F(VrelPropTest, ALoadGivesWhatWasSavedAnnouncingOnce) {
  TVrelProp read;
  ApplyChanged(read);
  read.SaveSettings(reg_);
  read.SetDefaults();
  ChangeCounter loads;
  read.OnChange = loads.Event();
  read.LoadSettings(reg_);
  EXPECT_EQ(Snapshot(read), kChanged);
  EXPECT_EQ(loads.count, 1);
}

// Text that does not convert, or a length no single holds, reads as the default; the rest is brought into range; a
// Boolean that is not a number is 0 to the store, whatever its default.
TEST_F(VrelPropTest, BadLinesReadAsTheDefaultOrWithinRange) {
  TVrelProp read;
  WriteBytes(ini_,
             "[Property]\nBackGroundColor=blue\nCubeBorderColor=$0000FF\nStartPointLength=four\n"
             "PlaneMarkLength=1e300\nPolygonSurfaceAlpha=250\nPolygonTextureSurfaceAlpha=-4\n"
             "TextureCubeDrawState=255\nDiagonalKnife=2\nIgnoreVisible=yes\n");
  ApplyChanged(read);
  ASSERT_NO_THROW(read.LoadSettings(reg_));
  Values expected = kDefaults;
  for (const auto& [key, value] : Values{{"CubeBorderColor", "255"},
                                         {"PolygonSurfaceAlpha", "100"},
                                         {"PolygonTextureSurfaceAlpha", "0"},
                                         {"TextureCubeDrawState", "7"},
                                         {"DiagonalKnife", "1"},
                                         {"IgnoreVisible", "0"}})
    expected[key] = value;
  EXPECT_EQ(Snapshot(read), expected);
}
}  // namespace
}  // namespace vrel
