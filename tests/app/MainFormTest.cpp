// The main window's logic without a window: a fake window records what it would show, a fake host
// hands the view a recording device, and the settings file is a temporary one named by VREL_INI.
// Camera poses are checked against GLM: the view matrix an eye at the expected place looking at the
// expected point gives.

#include <gtest/gtest.h>

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "files/ObjectFiles.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Materials.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9TextureCube.h"
#include "scene/DX9Transformer.h"
#include "tests/app/FormFixture.h"
#include "tests/app/MainFormFixture.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel {
namespace {

using formtest::ExpectMatrix;
using formtest::FreeEye;
using formtest::G;

class MainFormTest : public apptest::MainFormFixture {
 protected:
  void Start() {
    form_->Start();
    ASSERT_TRUE(form_->Started());
  }
  // One frame drawn on a recording device of the view's size.
  RecordingDevice Frame() {
    RecordingDevice device(800, 600);
    form_->Render1Render(device);
    return device;
  }
  Matrix ViewOfFrame() { return Frame().State().view; }
  glm::dmat4 ExpectedView(const glm::dvec3& eye, const glm::dvec3& at) {
    return glm::lookAtLH(eye, at, glm::dvec3(0, 1, 0));
  }
  // A blade in the first layer with its corner 0 selected at `at`.
  void SelectVertexAt(const Vec3& at) {
    TSquareBladeCollection& layer = *form_->Collections()->GetLayer(0);
    TSquareBlade* blade =
        scenetest::AddBlade(layer, {at, at + Vec3(10, 0, 0), at + Vec3(10, -10, 0), at + Vec3(0, -10, 0)});
    blade->SetVertexSelect(0, true);
    blade->GetVertex(0)->SetSelect(true);
    form_->Collections()->RebuildSelectedVertexList();
  }
  void WriteIni(const std::string& text) { WriteBytes(ini_, text); }
};

// --- start-up --------------------------------------------------------------------------------------

// What the window shows of it (caption, view point, toggles) is checked on the real window.
TEST_F(MainFormTest, AFirstStartMakesAnUnmodifiedDocumentWithOneLayerInTheFreeViewWithEveryToggleOn) {
  Start();
  EXPECT_EQ(form_->Collections()->Count(), 1);
  EXPECT_EQ(form_->Collections()->GetLayer(0)->Name(), Utf8ToCp932("レイヤー1"));
  EXPECT_EQ(form_->Collections()->CurrentIndex(), 0);
  EXPECT_EQ(form_->History()->Count(), 1);
  EXPECT_EQ(form_->PlaneMarkHistory()->Count(), 1);
  EXPECT_FALSE(form_->Modified());
  EXPECT_EQ(form_->ViewPoint(), vpFree);
  EXPECT_EQ(form_->ViewFlags(), kAllViewFlags);
  EXPECT_TRUE(form_->ShortCutEnabled());
  EXPECT_EQ(panels_.layers, form_->Collections());
  EXPECT_TRUE(messages_.Shown.empty());
}

TEST_F(MainFormTest, ThePlacementDataReachTheViewAndThePanelsBeforeTheFirstFrameWithoutModifying) {
  Start();
  EXPECT_EQ(panels_.paramsShown, 1);
  EXPECT_EQ(panels_.ranges, (std::vector<float>{1000.0f}));
  EXPECT_EQ(form_->RenderStage()->StartDirection()->Length(), 1000.0f);
  EXPECT_EQ(form_->RenderStage()->Cube()->Size(), 1000.0f);
  EXPECT_EQ(form_->RenderStage()->StartPoint()->Position(), Vec3(-5.0f, -1.7f, 0.0f));
  // The far plane lies behind the farthest cube corner seen from the look-at point, with room for
  // the orbit as the placement data set it (1.2 x the area radius).
  EXPECT_NEAR(form_->Transformer1().Z_Far(), 1000.0 * std::sqrt(3.0) + 2400.0, 0.01);
  EXPECT_FALSE(form_->Modified());
}

// --- caption and Modified --------------------------------------------------------------------------

TEST_F(MainFormTest, ModifiedFollowsEachEditPlacementChangeAndSave) {
  Start();
  form_->PushHistory();
  EXPECT_TRUE(form_->Modified());
  form_->SetModified(false);
  form_->SceneFiler()->FMSData()->SetAreaRadius(1500);
  EXPECT_TRUE(form_->Modified());
  form_->SetModified(false);
  form_->SceneFiler()->FMSData()->SetAreaRadius(1500);  // no change, no announcement
  EXPECT_FALSE(form_->Modified());
}

TEST_F(MainFormTest, QuerySaveAsksOnlyForAModifiedDocument) {
  Start();
  EXPECT_TRUE(form_->QuerySave());
  EXPECT_TRUE(messages_.Shown.empty());
  form_->SetModified(true);
  messages_.Answers = {TMsgResult::Cancel, TMsgResult::No, TMsgResult::Yes, TMsgResult::Yes};
  EXPECT_FALSE(form_->QuerySave());
  EXPECT_TRUE(form_->QuerySave());
  EXPECT_FALSE(form_->QuerySave());  // nothing can save yet: the document is kept
  int saves = 0;
  form_->OnSaveDocument = [&] { return ++saves, true; };
  EXPECT_TRUE(form_->QuerySave());
  EXPECT_EQ(saves, 1);
  ASSERT_EQ(messages_.Shown.size(), 4u);
  EXPECT_EQ(messages_.Shown[0].Text, "変更を保存しますか？");
  EXPECT_EQ(messages_.Shown[0].Buttons, TMsgButtons::YesNoCancel);
}

TEST_F(MainFormTest, TheStatusBarShowsTheCentreOfTheSelectionAsItIsNow) {
  Start();
  form_->SetStatusText(spSelectionCenter, "park_top.bmp");
  form_->UpdateSelectionCenter();
  EXPECT_EQ(window_.status[spSelectionCenter], "park_top.bmp");  // not a centre: it stays
  SelectVertexAt({1.125f, -20.0f, 300.125f});
  form_->UpdateSelectionCenter();
  EXPECT_EQ(window_.status[spSelectionCenter], "選択頂点の中心 X:1.13 Y:-20.00 Z:300.13");
  EXPECT_EQ(form_->SelectionCenter(), Vec3(1.125f, -20.0f, 300.125f));
  form_->Collections()->ClearSelection();
  form_->UpdateSelectionCenter();
  EXPECT_EQ(window_.status[spSelectionCenter], "");
  EXPECT_EQ(form_->SelectionCenter(), std::nullopt);
}

// --- settings --------------------------------------------------------------------------------------

TEST_F(MainFormTest, MainFormSettingsThatAreNotNumbersReadAsDefaultsAndTheSiteWidthStaysInItsRange) {
  WriteIni("[MainForm]\r\nLeft=abc\r\nTop=12.5\r\nWidth=\r\nHeight=1e9\r\nMaximize=yes\r\nSitePanelWidth=5000\r\n");
  EXPECT_EQ(form_->LoadFormSettings(), (TMainFormPlacement{0, 0, 0, 0, false, 320}));
  WriteIni("[MainForm]\r\nLeft=-40\r\nTop=30\r\nWidth=900\r\nHeight=700\r\nMaximize=1\r\nSitePanelWidth=-3\r\n");
  EXPECT_EQ(form_->LoadFormSettings(), (TMainFormPlacement{-40, 30, 900, 700, true, 145}));
}

TEST_F(MainFormTest, AMaximisedWindowKeepsItsLastNormalPlacementInTheFile) {
  WriteIni("[MainForm]\r\nLeft=10\r\nTop=20\r\nWidth=900\r\nHeight=700\r\nMaximize=0\r\nSitePanelWidth=150\r\n");
  form_->SaveFormSettings({0, 0, 1920, 1080, true, 200}, true);
  const TIniFile ini(ini_);
  EXPECT_EQ(ini.ReadString("MainForm", "Maximize", ""), "1");
  EXPECT_EQ(ini.ReadString("MainForm", "Width", ""), "900");
  EXPECT_EQ(ini.ReadString("MainForm", "SitePanelWidth", ""), "200");
  form_->SaveFormSettings({5, 6, 700, 500, false, 160}, false);
  EXPECT_EQ(form_->LoadFormSettings(), (TMainFormPlacement{5, 6, 700, 500, false, 160}));
}

TEST_F(MainFormTest, DisplaySettingsReachTheViewTheMarkersAndTheLayers) {
  WriteIni(
      "[Property]\r\nBackGroundColor=255\r\nPlaneMarkLength=7.5\r\nDiagonalKnife=1\r\nIgnoreVisible=0\r\nPlaneSmooth="
      "1\r\n");
  Start();
  EXPECT_EQ(render_.ClearColor(), 0xFFFF0000u);
  EXPECT_EQ(form_->RenderStage()->PlaneMark()->Length(), 7.5f);
  EXPECT_TRUE(form_->Collections()->DiagonalKnife());
  EXPECT_FALSE(form_->SceneFiler()->ExportAll());
  EXPECT_TRUE(form_->PlaneSmooth());
}

// How often the file at `path` is written or replaced, as the kernel reports it (inotify).
class FileWrites {
 public:
  explicit FileWrites(const std::string& path)
      : name_(std::filesystem::path(path).filename().string()), fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    inotify_add_watch(fd_, std::filesystem::path(path).parent_path().c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
  }
  ~FileWrites() { close(fd_); }
  FileWrites(const FileWrites&) = delete;
  FileWrites& operator=(const FileWrites&) = delete;
  int Count() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && name_ == event->name)
          ++count_;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return count_;
  }

 private:
  std::string name_;
  int fd_;
  int count_ = 0;
};

TEST_F(MainFormTest, QuittingWritesThePlacementAndTheDisplaySettingsInOneWrite) {
  WriteIni("[MainForm]\r\nLeft=10\r\n");
  Start();
  form_->Prop()->SetPlaneMarkLength(6.25f);
  FileWrites writes(ini_);
  form_->SaveSettings({5, 6, 700, 500, false, 160}, false);
  EXPECT_EQ(writes.Count(), 1);
  const TIniFile ini(ini_);
  EXPECT_EQ(ini.ReadString("MainForm", "Left", ""), "5");
  EXPECT_EQ(ini.ReadString("MainForm", "SitePanelWidth", ""), "160");
  EXPECT_EQ(ini.ReadSectionValues("Property").size(), 26u);
  EXPECT_EQ(ini.ReadString("Property", "PlaneMarkLength", ""), "6.25");
}

TEST_F(MainFormTest, ClosingFreesTheDocumentAndWritesNoSettings) {
  Start();
  FileWrites writes(ini_);
  form_->Close();
  EXPECT_EQ(writes.Count(), 0);
  EXPECT_FALSE(form_->Started());
  EXPECT_FALSE(render_.OnRender);
  EXPECT_EQ(panels_.layers, nullptr);
  form_->Start();  // a closed form stays closed
  EXPECT_FALSE(form_->Started());
}

// --- the render event ------------------------------------------------------------------------------

// The device's log without the buffers' ids, which are unique in the process: the layers fill
// buffers of their own for each device they draw on.
std::vector<std::string> LogLines(const RecordingDevice& device) {
  static const std::regex kBufferId("buffer#[0-9]+");
  std::vector<std::string> lines = device.LogLines();
  for (std::string& line : lines)
    line = std::regex_replace(line, kBufferId, "buffer");
  return lines;
}

// The calls of each part drawn alone, on a device in the same state.
struct PartCalls {
  explicit PartCalls(TMainForm& form) : form_(form) {}
  std::vector<std::string> Of(const std::function<void(IDevice&)>& draw) {
    RecordingDevice device(800, 600);
    form_.Transformer1().ApplyTransforms(device);
    device.ClearLog();
    draw(device);
    return LogLines(device);
  }
  TMainForm& form_;
};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(MainFormTest, AFrameDrawsCubeAxisBladesStartPointPlaneMarkStartDirectionBandKnifeAndTexturePolygonsInOrder) {
  Start();
  SelectVertexAt({0, 0, 100});
  form_->TextureCube()->Assign(form_->RenderStage()->Cube());
  form_->SetShowTexturePolygons(true);
  form_->SetOverlayParts(form_->OverlayParts() | opMouseSquare | opMouseLine);
  form_->RenderStage()->MouseSquare()->SetRect({10, 10, 60, 40});
  form_->RenderStage()->MouseLine()->SetRect({5, 5, 90, 70});
  TDX9RenderStage& stage = *form_->RenderStage();
  PartCalls parts(*form_);
  const std::vector<std::string> cube = parts.Of([&](IDevice& d) { stage.DrawCube(d); });
  const std::vector<std::string> axis = parts.Of([&](IDevice& d) { stage.Axis()->Draw(d); });
  const std::vector<std::string> blades = parts.Of([&](IDevice& d) { form_->Collections()->Draw(d); });
  const std::vector<std::string> start = parts.Of([&](IDevice& d) { stage.StartPoint()->Draw(d); });
  const std::vector<std::string> mark = parts.Of([&](IDevice& d) { stage.PlaneMark()->Draw(d); });
  const std::vector<std::string> direction = parts.Of([&](IDevice& d) { stage.StartDirection()->Draw(d); });
  const std::vector<std::string> band = parts.Of([&](IDevice& d) { stage.MouseSquare()->Draw(d); });
  const std::vector<std::string> knife = parts.Of([&](IDevice& d) { stage.MouseLine()->Draw(d); });
  const std::vector<std::string> texture = parts.Of([&](IDevice& d) { form_->TextureCube()->Draw(d); });
  for (const auto* part : {&cube, &axis, &blades, &start, &mark, &direction, &band, &knife, &texture})
    EXPECT_FALSE(part->empty());

  RecordingDevice head(800, 600);
  head.Clear(ClearFlags::Target | ClearFlags::ZBuffer, render_.ClearColor(), 1.0f, 0);
  head.BeginScene();
  form_->Transformer1().ApplyTransforms(head);
  const std::vector<std::string> begin = head.LogLines();
  const std::vector<std::string> end{"EndScene -> OK"};
  EXPECT_EQ(LogLines(Frame()), Joined({begin, cube, axis, blades, start, mark, direction, band, knife, texture, end}));

  // Each toggle off takes its part out; with their draw flags off the blades draw nothing.
  form_->SetViewFlags(kAllViewFlags & ~(vfAxis | vfPlaneMark | vfVertex | vfBorder | vfSurface));
  form_->SetOverlayParts(form_->OverlayParts() | opMouseLine);
  form_->SetShowTexturePolygons(false);
  RecordingDevice noBlades(800, 600);
  form_->Collections()->Draw(noBlades);
  EXPECT_TRUE(noBlades.Draws().empty());
  const std::vector<std::string> hidden = parts.Of([&](IDevice& d) { form_->Collections()->Draw(d); });
  EXPECT_EQ(LogLines(Frame()), Joined({begin, cube, hidden, start, direction, knife, end}));
}

TEST_F(MainFormTest, AFailedBeginDrawsNothingAndStillEndsTheScene) {
  Start();
  RecordingDevice device(800, 600);
  device.BeginScene();
  device.ClearLog();
  form_->Render1Render(device);
  const std::vector<std::string> lines = device.LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 6), "Clear ");
  EXPECT_EQ(lines[1], "BeginScene -> INVALIDCALL");
  EXPECT_EQ(lines[2], "EndScene -> OK");
  EXPECT_TRUE(device.Draws().empty());
}

// --- view toggles ----------------------------------------------------------------------------------

TEST_F(MainFormTest, ViewFlagsDriveTheCubeTheOverlayAndTheLayers) {
  Start();
  form_->SetViewFlags(vfCubeBorder | vfStartPoint | vfStartDirection | vfSurface);
  EXPECT_EQ(form_->RenderStage()->Cube()->DrawFlags(), 2);
  EXPECT_EQ(form_->OverlayParts(), opStartPoint | opStartDirection);
  EXPECT_EQ(form_->Collections()->DrawFlags(), TSquareBladeCollections::dfSurfaces);
  EXPECT_EQ(window_.toggles,
            (std::array<bool, kViewToggleCount>{false, true, false, false, true, true, false, false, false, true}));
}

TEST_F(MainFormTest, AToggleClickedToItsOwnStateChangesNothingAndDoesNotRedraw) {
  Start();
  const int before = host_.paintRequests;
  form_->ViewToggleClick(3, true);
  EXPECT_EQ(host_.paintRequests, before);
  form_->ViewToggleClick(3, false);
  EXPECT_EQ(form_->ViewFlags(), kAllViewFlags & ~vfAxis);
  EXPECT_EQ(host_.paintRequests, before + 1);
}

TEST_F(MainFormTest, TheGroupButtonsSwitchTheirWholeGroup) {
  Start();
  form_->ViewToggleClick(4, false);
  form_->ViewGroupDownChange(1, false);
  EXPECT_EQ(form_->ViewFlags(), kAllViewFlags & ~(vfAxis | vfStartDirection | vfStartPoint | vfPlaneMark));
  EXPECT_FALSE(window_.toggles[3] || window_.toggles[4] || window_.toggles[5] || window_.toggles[6]);
  form_->ViewGroupDownChange(1, true);
  EXPECT_EQ(form_->ViewFlags(), kAllViewFlags);
  form_->ViewGroupDownChange(0, false);
  form_->ViewGroupDownChange(2, false);
  EXPECT_EQ(form_->ViewFlags(), vfAxis | vfStartDirection | vfStartPoint | vfPlaneMark);
}

// --- view points -----------------------------------------------------------------------------------

TEST_F(MainFormTest, TheFreeViewLooksAtTheOriginFromPitch45AndYawMinus45) {
  Start();
  const glm::dvec3 eye = FreeEye({0, 0, 0}, 1000, 45, -45);
  const RecordingDevice frame = Frame();
  ExpectMatrix(frame.State().view, ExpectedView(eye, {0, 0, 0}));
  const TDX9Transformer& camera = form_->Transformer1();
  ExpectMatrix(frame.State().projection,
               glm::perspectiveFovLH_ZO(glm::radians(60.0), 800.0, 600.0, 0.05, double(camera.Z_Far())));
  EXPECT_EQ(camera.ZoomMin(), 0.01f);
}

TEST_F(MainFormTest, TheTopViewLooksStraightDown) {
  Start();
  form_->ViewPointClick(vpTop);
  EXPECT_EQ(window_.viewPointDown, vpTop);
  ExpectMatrix(ViewOfFrame(), ExpectedView(FreeEye({0, 0, 0}, 1000, 89.99, 0), {0, 0, 0}));
}

TEST_F(MainFormTest, TheOriginViewStandsAtThePilotAndLooksAtTheStartPosition) {
  Start();
  form_->ViewPointClick(vpOrigin);
  const TDX9Transformer& camera = form_->Transformer1();
  EXPECT_EQ(camera.CameraMode(), cmOrigin);
  EXPECT_EQ(camera.ZoomMin(), 0.5f);
  const glm::dvec3 towards = glm::normalize(glm::dvec3(-5.0, -1.7, 0.0)) * double(camera.CameraDistance());
  ExpectMatrix(ViewOfFrame(), ExpectedView({0, 0, 0}, towards));
}

TEST_F(MainFormTest, EachViewPointComesBackAsItWasLeft) {
  Start();
  TDX9Transformer& camera = form_->Transformer1();
  camera.SetCameraRotation({30, 20, 0});
  camera.SetZoom(40);
  const Matrix left = ViewOfFrame();
  form_->ViewPointClick(vpTop);
  form_->ViewPointClick(vpFree);
  EXPECT_EQ(camera.CameraRotation()->GetVector(), Vec3(30, 20, 0));
  EXPECT_EQ(camera.Zoom(), 40.0f);
  EXPECT_EQ(ViewOfFrame(), left);
  const int before = host_.paintRequests;
  form_->ViewPointClick(vpFree);  // the current one: the same camera again
  EXPECT_EQ(camera.CameraRotation()->GetVector(), Vec3(30, 20, 0));
  EXPECT_GT(host_.paintRequests, before);
}

TEST_F(MainFormTest, ASavedCameraComesBackWithTheViewsShapeOfNow) {
  Start();
  form_->ViewPointClick(vpTop);
  render_.Resize(400, 600);
  form_->ViewPointClick(vpFree);
  EXPECT_EQ(form_->Transformer1().Aspect(), 400.0f / 600.0f);
}

TEST_F(MainFormTest, F5ResetsTheFreeViewEvenWhenItIsTheCurrentOne) {
  Start();
  TDX9Transformer& camera = form_->Transformer1();
  camera.SetLookAt({50, 60, 70});
  camera.SetCameraRotation({10, 10, 0});
  camera.SetZoom(20);
  form_->ResetViewPoint(vpFree);
  EXPECT_EQ(camera.CameraRotation()->GetVector(), Vec3(45, -45, 0));
  EXPECT_EQ(camera.Zoom(), 60.0f);
  EXPECT_EQ(camera.LookAt()->GetVector(), Vec3(0, 0, 0));
  ExpectMatrix(ViewOfFrame(), ExpectedView(FreeEye({0, 0, 0}, 1000, 45, -45), {0, 0, 0}));
  EXPECT_FALSE(form_->Resetting());
  form_->ViewPointClick(vpTop);
  form_->ViewPointClick(vpFree);  // the reset camera is the one saved
  EXPECT_EQ(camera.CameraRotation()->GetVector(), Vec3(45, -45, 0));
}

TEST_F(MainFormTest, TheResettingFlagIsClearedAlsoWhenAResetFails) {
  Start();
  window_.failViewPoint = true;
  EXPECT_THROW(form_->ResetViewPoint(vpTop), std::runtime_error);
  EXPECT_FALSE(form_->Resetting());
}

TEST_F(MainFormTest, F8PutsTheEyeOnTheLineFromTheSelectionThroughTheOldEyeLookingAtTheSelection) {
  Start();
  for (const TViewPoint from : {vpFree, vpTop, vpOrigin}) {
    form_->ResetViewPoint(from);
    form_->ResetViewPoint(vpFree);
    form_->ViewPointClick(from);
    const glm::dvec3 oldEye = G(form_->Transformer1().CameraPos()->GetVector());
    const glm::dvec3 centre(100, 50, -200);
    if (from == vpFree)
      SelectVertexAt({100, 50, -200});
    form_->ChangeLookAt();
    const double distance = form_->Transformer1().CameraDistance();
    const glm::dvec3 eye = centre + glm::normalize(oldEye - centre) * distance;
    ExpectMatrix(ViewOfFrame(), ExpectedView(eye, centre), 1e-3);
    EXPECT_EQ(form_->ViewPoint(), vpFree);
    EXPECT_EQ(form_->Transformer1().ViewTranslation()->GetVector(), Vec3(0, 0, 0));
  }
}

// --- placement data --------------------------------------------------------------------------------

TEST_F(MainFormTest, ANewAreaRadiusSetsTheLimitsTheCameraDistanceTheCubeAndTheStartDirection) {
  Start();
  form_->SceneFiler()->FMSData()->SetAreaRadius(2000);
  EXPECT_EQ(panels_.ranges.back(), 2000.0f);
  EXPECT_EQ(form_->Transformer1().CameraDistance(), 2400.0f);
  EXPECT_EQ(form_->RenderStage()->StartDirection()->Length(), 2000.0f);
  EXPECT_EQ(form_->RenderStage()->Cube()->Size(), 2000.0f);
}

TEST_F(MainFormTest, TheSceneRotationTurnsTheCube) {
  Start();
  form_->SceneFiler()->FMSData()->SetSceneRotate(Currency::FromCount(125000));
  EXPECT_EQ(form_->RenderStage()->Cube()->Rotation(), 12.5f);
}

TEST_F(MainFormTest, ANewStartPositionMovesThePlaneMarkOnlyInTheOriginViewWithTheUpdateOption) {
  Start();
  TFMSDataHolder& data = *form_->SceneFiler()->FMSData();
  form_->PushPlaneMarkHistory();
  data.SetAirCraftX(*Currency::FromDouble(30));
  EXPECT_EQ(form_->RenderStage()->PlaneMark()->Position(), Vec3(-5.0f, -1.7f, 0.0f));
  EXPECT_EQ(form_->PlaneMarkHistory()->Count(), 2);
  EXPECT_EQ(form_->RenderStage()->StartPoint()->Position(), Vec3(30.0f, -1.7f, 0.0f));

  form_->ViewPointClick(vpOrigin);
  panels_.lookAt = false;
  data.SetAirCraftX(*Currency::FromDouble(40));
  EXPECT_EQ(form_->RenderStage()->PlaneMark()->Position(), Vec3(-5.0f, -1.7f, 0.0f));
  panels_.lookAt = true;
  data.SetAirCraftX(*Currency::FromDouble(50));
  EXPECT_EQ(form_->RenderStage()->PlaneMark()->Position(), Vec3(50.0f, -1.7f, 0.0f));
  EXPECT_EQ(form_->PlaneMarkHistory()->Count(), 1);
  EXPECT_EQ(form_->PlaneMarkHistory()->Index(), 0);
  const glm::dvec3 towards =
      glm::normalize(glm::dvec3(50.0, -1.7, 0.0)) * double(form_->Transformer1().CameraDistance());
  ExpectMatrix(ViewOfFrame(), ExpectedView({0, 0, 0}, towards));
}

}  // namespace
}  // namespace vrel
