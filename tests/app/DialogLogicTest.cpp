// The numeric dialogs' and the settings dialog's logic without a window: every kind of number box
// (range, fallback, step), the polygon dialog's positions, the vertex-position dialog's extents and
// coordinates, rotation and scaling about a centre against GLM, the polygon statistics against the
// scene file the writer makes, the colour box's entries against Pillow's CSS colours, and the
// settings editor with its preview on a recording device (editors, defaults, the built-in sample,
// the mouse, the scissors' highlight against GLM's projection).

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/ColorList.h"
#include "app/NumericDialogs.h"
#include "app/PropertyEditor.h"
#include "files/FMSSceneReader.h"
#include "files/FMSSceneWriter.h"
#include "files/RegMng.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "imaging/Graphics.h"
#include "imaging/JPG.h"
#include "platform/Cp932.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9TextureCube.h"
#include "scene/DX9Transformer.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/SelectionOracle.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel {
namespace {

using scenetest::AddBlade;

// --- the number boxes ------------------------------------------------------------------------------

struct BoxCase {
  const char* kind;
  TBoxKind box;
  const char* text;
  double expected;
};

TEST(DialogBoxes, EveryKindOfBoxReadsItsFallbackForNoNumberAndHoldsItsRange) {
  const std::vector<BoxCase> cases{
      {"coordinate", CoordinateBox(-2000, 2000), "12.5", 12.5},
      {"coordinate", CoordinateBox(-2000, 2000), "letters", 0},
      {"coordinate", CoordinateBox(-2000, 2000), "3000", 2000},
      {"coordinate", CoordinateBox(-2000, 2000), "-1e30", -2000},
      {"division", DivisionBox(), "0", 1},
      {"division", DivisionBox(), "-3", 1},
      {"division", DivisionBox(), "12", 10},
      {"division", DivisionBox(), "1e300", 10},
      {"division", DivisionBox(), "2.5", 3},
      {"division", DivisionBox(), "?", 1},
      {"size", SizeBox(1000), "5000", 1000},
      {"size", SizeBox(1000), "0.5", 1},
      {"size", SizeBox(1000), "x", 100},
      {"size", SizeBox(50), "x", 50},
      {"angle", AngleBox(), "400", 360},
      {"angle", AngleBox(), "-720", -360},
      {"angle", AngleBox(), "nan", 0},
      {"scale", ScaleBox(), "x", 0.001},
      {"scale", ScaleBox(), "0", 0.001},
      {"scale", ScaleBox(), "250", 100},
      {"scale", ScaleBox(), "２", 2},
      {"alpha", AlphaBox(), "0", 1},
      {"alpha", AlphaBox(), "150", 100},
      {"alpha", AlphaBox(), "x", 100},
      {"alpha", AlphaBox(), "49.5", 50},
      {"length", LengthBox(), "x", 3.5},
      {"length", LengthBox(), "0", 0.1},
      {"length", LengthBox(), "500", 100},
  };
  for (const BoxCase& c : cases)
    EXPECT_DOUBLE_EQ(ReadNumber(c.text, c.box.Rule), c.expected) << c.kind << " \"" << c.text << "\"";
}

TEST(DialogBoxes, AnArrowStepsByTheKindsStepAndStopsAtTheEnds) {
  EXPECT_DOUBLE_EQ(StepValue(LengthBox(), 4.0, 1), 4.1);
  EXPECT_DOUBLE_EQ(StepValue(LengthBox(), 100.0, 1), 100.0);
  EXPECT_DOUBLE_EQ(StepValue(LengthBox(), 0.1, -1), 0.1);
  EXPECT_DOUBLE_EQ(StepValue(ScaleBox(), 1.0, 1), 1.01);
  EXPECT_DOUBLE_EQ(StepValue(ScaleBox(), 0.001, -1), 0.001);
  EXPECT_DOUBLE_EQ(StepValue(DivisionBox(), 10, 1), 10);
  EXPECT_DOUBLE_EQ(StepValue(AngleBox(), 359.5, 1), 360);
  EXPECT_DOUBLE_EQ(StepValue(AlphaBox(), 1, -1), 1);
  EXPECT_DOUBLE_EQ(StepValue(CoordinateBox(-10, 10), 9.5, 1), 10);
}

// --- the polygon dialog's positions ----------------------------------------------------------------

TEST(PolygonPositions, EachModeShowsItsReferencePointAndATypedOneIsOfferedAgain) {
  TPolygonPositions positions;
  positions.SetReferences({1, 2, 3}, {4, 5, 6}, Vec3{7, 8, 9});
  EXPECT_EQ(positions.Mode(), pmStart);
  EXPECT_EQ(positions.Position(), Vec3(1, 2, 3));
  positions.SetMode(pmSelectionCenter);
  EXPECT_EQ(positions.Position(), Vec3(7, 8, 9));
  positions.SetMode(pmTyped);
  EXPECT_EQ(positions.Position(), Vec3(0, 0, 0));
  positions.Close({10, 11, 12});
  positions.SetReferences({-1, -1, -1}, {-2, -2, -2}, Vec3{-3, -3, -3});
  EXPECT_EQ(positions.Position(), Vec3(10, 11, 12));
  positions.SetMode(pmPlaneMark);
  positions.Close({99, 99, 99});
  EXPECT_EQ(positions.Position(), Vec3(-2, -2, -2));
  positions.SetMode(pmTyped);
  EXPECT_EQ(positions.Position(), Vec3(10, 11, 12));
}

TEST(PolygonPositions, WithoutASelectionItsCentreIsNotOfferedAndTheStartPositionIsShown) {
  TPolygonPositions positions;
  positions.SetReferences({1, 2, 3}, {4, 5, 6}, Vec3{7, 8, 9});
  positions.SetMode(pmSelectionCenter);
  positions.SetReferences({1, 2, 3}, {4, 5, 6}, std::nullopt);
  EXPECT_FALSE(positions.Offers(pmSelectionCenter));
  EXPECT_EQ(positions.Mode(), pmStart);
  positions.SetMode(pmSelectionCenter);
  EXPECT_EQ(positions.Position(), Vec3(1, 2, 3));
}

// --- the document the dialogs act on ---------------------------------------------------------------

class DialogsOnDocument : public apptest::StartedMainForm {
 protected:
  TSquareBladeCollections& Layers() { return *form_->Collections(); }
  void SelectTwoBlades() { apptest::SelectTwoBlades(Layers()); }
  std::vector<Vec3> Selected() { return apptest::SelectedPositions(Layers()); }
};

using apptest::AboutPivot;
using apptest::Glm;

TEST_F(DialogsOnDocument, TheExtentsNameTheFlattestAxisTheEarlierOfEquals) {
  TSquareBladeCollection& layer = *Layers().GetLayer(0);
  AddBlade(layer, {{{0, 5, 0}, {10, 5, 4}, {10, 5, 0}, {3, 5, 2}}})->SelectAll();
  Layers().RebuildSelectedVertexList();
  const std::optional<TVertexExtents> extents = VertexExtents(Layers().SelectedVertices());
  ASSERT_TRUE(extents);
  EXPECT_EQ(extents->Min, Vec3(0, 5, 0));
  EXPECT_EQ(extents->Max, Vec3(10, 5, 4));
  EXPECT_EQ(extents->Middle(), Vec3(5, 5, 2));
  EXPECT_EQ(extents->FlattestAxis(), 1);
  EXPECT_EQ((TVertexExtents{{0, 0, 0}, {2, 3, 2}}).FlattestAxis(), 0);
  EXPECT_EQ((TVertexExtents{{0, 0, 0}, {2, 1, 1}}).FlattestAxis(), 1);
}

TEST_F(DialogsOnDocument, NoSelectedVertexHasNoExtents) {
  EXPECT_FALSE(VertexExtents(Layers().SelectedVertices()));
}

TEST_F(DialogsOnDocument, TheCheckedCoordinatesTakeTheValueExactlyAndTheOthersStay) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  ASSERT_TRUE(SetVertexCoordinates(Layers(), {false, true, true}, {123, 0.1f, -7.3f}));
  const std::vector<Vec3> after = Selected();
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].x, before[i].x);
    EXPECT_EQ(after[i].y, 0.1f);
    EXPECT_EQ(after[i].z, -7.3f);
  }
}

TEST_F(DialogsOnDocument, CoordinatesThatAreAlreadyThereMoveNothing) {
  SelectTwoBlades();
  EXPECT_TRUE(SetVertexCoordinates(Layers(), {false, true, false}, {0, 1, 0}));
  EXPECT_FALSE(SetVertexCoordinates(Layers(), {false, true, false}, {0, 1, 0}));
  EXPECT_FALSE(SetVertexCoordinates(Layers(), {false, false, false}, {0, 1, 0}));
}

TEST_F(DialogsOnDocument, RotationTurnsAboutTheAxisThroughThePivotAsGlmDoes) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  const Vec3 pivot{1.5f, -2, 3};
  const Vec3 axis{1, 2, -3};
  const std::optional<Matrix> rotation = RotationAboutPivot(pivot, axis, 37.5f);
  ASSERT_TRUE(rotation);
  ASSERT_TRUE(TransformVertices(Layers(), *rotation));
  apptest::ExpectTransformedAs(before, Selected(),
                               AboutPivot(pivot, glm::rotate(glm::mat4(1), glm::radians(37.5f), Glm(axis))));
}

TEST_F(DialogsOnDocument, TheRotationAxesAreTheWorldAxesOrFromTheCentroidToTheEye) {
  EXPECT_EQ(RotationDialogAxis(ramX, {9, 9, 9}, {1, 1, 1}), Vec3(1, 0, 0));
  EXPECT_EQ(RotationDialogAxis(ramY, {9, 9, 9}, {1, 1, 1}), Vec3(0, 1, 0));
  EXPECT_EQ(RotationDialogAxis(ramZ, {9, 9, 9}, {1, 1, 1}), Vec3(0, 0, 1));
  EXPECT_EQ(RotationDialogAxis(ramCamera, {9, 8, 7}, {1, 1, 1}), Vec3(8, 7, 6));
}

TEST_F(DialogsOnDocument, ACameraAxisOfNoLengthHasNoRotationAndWritesNoNaN) {
  SelectTwoBlades();
  const Vec3 centroid = SelectionCentroid(Layers().SelectedVertices());
  const Vec3 axis = RotationDialogAxis(ramCamera, centroid, centroid);
  EXPECT_FALSE(RotationAboutPivot(centroid, axis, 30));
  EXPECT_FALSE(RotationAboutPivot(centroid, {NAN, 0, 0}, 30));
}

TEST_F(DialogsOnDocument, AnAngleOfNothingMovesNothing) {
  SelectTwoBlades();
  EXPECT_FALSE(TransformVertices(Layers(), *RotationAboutPivot({0, 0, 0}, {0, 1, 0}, 0)));
}

TEST_F(DialogsOnDocument, ScalingStretchesAboutThePivotAsGlmDoes) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  const Vec3 pivot{-4, 0.5f, 2};
  const Vec3 scale{2, 0.001f, 1.25f};
  ASSERT_TRUE(TransformVertices(Layers(), ScalingAboutPivot(pivot, scale)));
  apptest::ExpectTransformedAs(before, Selected(), AboutPivot(pivot, glm::scale(glm::mat4(1), Glm(scale))));
}

TEST_F(DialogsOnDocument, ATransformWithAResultThatIsNotFiniteChangesNothing) {
  SelectTwoBlades();
  const std::vector<Vec3> before = Selected();
  EXPECT_FALSE(TransformVertices(Layers(), ScalingAboutPivot({0, 0, 0}, {1e38f, 1e38f, 1e38f})));
  EXPECT_EQ(Selected(), before);
}

// --- the polygon statistics ------------------------------------------------------------------------

class PolygonStatistics : public scenetest::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    cube_.SetSize(1000);
  }
  TSquareBladeCollection& Layer() { return *layers_.GetLayer(0); }
  TSquareBladeCollections layers_;
  TCubeSquareBladeCollection cube_;
};

TEST_F(PolygonStatistics, HiddenLayersAndBladesCountOnlyWhenHiddenOnesAreIncluded) {
  layers_.AddLayer();
  layers_.AddLayer()->SetVisible(false);
  AddBlade(Layer(), {{{0, 1, 5}, {1, 1, 5}, {1, 0, 5}, {0, 0, 5}}});
  AddBlade(Layer(), {{{0, 1, 6}, {1, 1, 6}, {1, 0, 6}, {0, 0, 6}}})->SetVisible(false);
  AddBlade(*layers_.GetLayer(1), {{{0, 1, 7}, {1, 1, 7}, {1, 0, 7}, {0, 0, 7}}});
  EXPECT_EQ(CountPolygons(layers_, cube_, false).Clear, 1);
  EXPECT_EQ(CountPolygons(layers_, cube_, true).Clear, 3);
}

// The polygons of a written scene file: the clear ones (one line each), the cube's faces and the
// texture polygons (four vertex lines each); the vista bitmap's quad is not one of the scene's.
int PolygonsInSceneFile(const std::vector<std::string>& lines) {
  int polygons = 0;
  std::string section;
  int vertexLines = 0;
  for (const std::string& line : lines) {
    if (line.empty()) {
      section.clear();
      continue;
    }
    if (line.rfind("TEXTURE ", 0) == 0) {
      section = line == "TEXTURE fms_vista" ? "" : "face";
      vertexLines = 0;
      continue;
    }
    if (line.rfind("//", 0) == 0) {
      section = line;
      vertexLines = 0;
      continue;
    }
    if (section == "// clear polygon" || section == "// clear polygon over the fin")
      ++polygons;
    else if (section == "face" || section == "// texture polygon" || section == "// texture fin polygon")
      polygons += ++vertexLines % 4 == 0 ? 1 : 0;
  }
  return polygons;
}

TEST_F(PolygonStatistics, TheSceneTotalIsWhatTheSceneFileHolds) {
  WriteBytes(PathOf("fms_vista.bmp"), "BM");
  std::unique_ptr<TVrelPanoFiler> filer = scenetest::MakeFiler(folder_);
  layers_.AddLayer();
  AddBlade(Layer(), {{{-100, 50, 400}, {100, 50, 400}, {100, -50, 400}, {-100, -50, 400}}});
  // Textured: one facing its face, one standing oblique across two faces, one leaning.
  AddBlade(Layer(), {{{-200, 100, 600}, {200, 100, 600}, {200, -100, 600}, {-200, -100, 600}}}, true);
  AddBlade(Layer(), {{{300, 100, 500}, {700, 100, 300}, {700, -100, 300}, {300, -100, 500}}}, true);
  AddBlade(Layer(), {{{-500, -200, -100}, {-500, -200, 100}, {-300, -600, 100}, {-300, -600, -100}}}, true);
  filer->SaveScene(layers_, cube_);
  const std::vector<std::string> lines = SplitTextLines(ReadBytes(filer->SceneFilename()));
  const TPolygonStatistics counts = CountPolygons(layers_, cube_, filer->ExportAll());
  EXPECT_GT(counts.Fins, 0);
  EXPECT_EQ(counts.Textured, 3);
  EXPECT_EQ(counts.SceneTotal(), PolygonsInSceneFile(lines));
}

// --- the colour box --------------------------------------------------------------------------------

class ColorListTest : public scenetest::TempFolder {};

TEST_F(ColorListTest, TheSixteenStandardColoursAreTheCssColoursOfTheirNames) {
  std::vector<std::string> names;
  for (const TNamedColor& color : StandardColors().first(16))
    names.emplace_back(color.Name + 2);
  const std::string script =
      "from PIL import ImageColor\nimport sys\nfor name in sys.argv[1:]:\n"
      "    r, g, b = ImageColor.getrgb(name.lower())\n    print(r | g << 8 | b << 16)\n";
  std::istringstream pillow(Python(script, names));
  for (const TNamedColor& color : StandardColors().first(16)) {
    int32_t value = -1;
    ASSERT_TRUE(pillow >> value);
    EXPECT_EQ(color.Color, value) << color.Name;
  }
}

// The web list repeats clGray's value as clWebGray: the standard name is the one shown.
TEST_F(ColorListTest, AColourInTwoListsShowsAsTheEarlierName) {
  const TColorList list;
  EXPECT_EQ(list.Entries().at(static_cast<std::size_t>(list.IndexOf(0x808080))).Name, "clGray");
}

TEST_F(ColorListTest, EveryColourSettingsDefaultIsAnEntryOfTheList) {
  const TColorList list;
  for (const TDisplaySetting& setting : TVrelProp::Settings()) {
    if (setting.Kind == TSettingKind::Color) {
      EXPECT_GE(list.IndexOf(static_cast<int32_t>(setting.Default)), 0) << setting.IniKey;
    }
  }
}

TEST_F(ColorListTest, AColourInNoListTakesOneCustomEntryAtTheTop) {
  TColorList list;
  EXPECT_EQ(list.Select(0x00FF00), list.IndexOf(0x00FF00));
  EXPECT_FALSE(list.HasCustomEntry());
  EXPECT_EQ(list.Select(0x123456), 0);
  EXPECT_EQ(list.Entries().front(), (TColorEntry{0x123456, "$00123456"}));
  EXPECT_EQ(list.Entries().size(), 166u);
  EXPECT_EQ(list.Select(0x654321), 0);
  EXPECT_EQ(list.Entries().front().Color, 0x654321);
  EXPECT_EQ(list.Entries().size(), 166u);
  EXPECT_EQ(list.Entries()[1].Name, "clRenderGreen");
}

// --- the settings editor ---------------------------------------------------------------------------

TextureImage DecodeJpeg(std::span<const uint8_t> file) {
  TBitmap bitmap;
  DecodeJpegFile(file, bitmap, FailOnPrematureEnd());
  return BgraTextureImage(bitmap.Width(), bitmap.Height(), bitmap.ToBgra());
}

class SettingsEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFileClasses();
    render_.SetTimer([](int) { return 0.0f; });
    render_.Resize(350, 328);
    render_.CreateDevice();
    editor_ = std::make_unique<TPropertyEditor>(render_, &DecodeJpeg);
  }
  const TVrelProp& Prop() { return editor_->Prop(); }
  RecordingDevice& Device() { return static_cast<RecordingDevice&>(*render_.InnerDevice()); }

  apptest::FakeHost host_;
  TDX9Render render_{nullptr, &host_};
  std::unique_ptr<TPropertyEditor> editor_;
};

TEST_F(SettingsEditor, TheTreeHoldsTheElementsOfEveryResetGroupButTheSwitches) {
  std::vector<int> ids;
  for (const TPropertyGroup& group : PropertyElementTree()) {
    for (const TPropertyElement& element : group.Elements)
      ids.push_back(element.Id);
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20}));
  EXPECT_EQ(std::string(PropertyElementTree()[2].Caption), "発進位置");
  EXPECT_EQ(std::string(PropertyElementTree()[2].Elements[2].Caption), "大きさ");
}

struct EditorCase {
  int id;
  const char* color;
  const char* alpha;
  const char* length;
  const char* border;
};

TEST_F(SettingsEditor, EachElementShowsTheEditorsOfItsSettings) {
  const auto key = [](const TDisplaySetting* setting) { return std::string(setting ? setting->IniKey : "-"); };
  const std::vector<EditorCase> cases{
      {0, "-", "-", "-", "-"},
      {1, "BackGroundColor", "-", "-", "-"},
      {2, "CubeBorderColor", "-", "-", "-"},
      {4, "StartPointSurfaceColor", "StartPointSurfaceAlpha", "-", "-"},
      {5, "-", "-", "StartPointLength", "-"},
      {8, "-", "-", "PlaneMarkLength", "-"},
      {14, "PolygonTextureSurfaceColor", "PolygonTextureSurfaceAlpha", "-", "-"},
      {16, "TextureCubeBorderColor", "-", "-", "TextureCubeDrawState"},
      {17, "-", "-", "-", "-"},
      {20, "ScissorsHighlightColor", "-", "-", "ScissorsHighlight"},
  };
  for (const EditorCase& c : cases) {
    const TElementEditors editors = ElementEditors(c.id);
    EXPECT_EQ(key(editors.Color), c.color) << c.id;
    EXPECT_EQ(key(editors.Alpha), c.alpha) << c.id;
    EXPECT_EQ(key(editors.Length), c.length) << c.id;
    EXPECT_EQ(key(editors.Border), c.border) << c.id;
  }
}

TEST_F(SettingsEditor, TheSampleIsReadBoundAndLoadedBeforeItIsDrawn) {
  TSquareBladeCollections& layers = editor_->Layers();
  ASSERT_EQ(layers.Count(), 2);
  EXPECT_EQ(Cp932ToUtf8(layers.GetLayer(0)->Name()), "レイヤー 1");
  EXPECT_EQ(layers.GetLayer(0)->Count(), 0);
  const TSquareBladeCollection& sample = *layers.GetLayer(1);
  EXPECT_EQ(Cp932ToUtf8(sample.Name()), "レイヤー 2");
  EXPECT_EQ(sample.VertexPool()->Count(), 22);
  ASSERT_EQ(sample.Count(), 9);
  for (int i = 0; i < sample.Count(); ++i) {
    const TSquareBlade& blade = *sample.Blade(i);
    for (int k = 0; k < 4; ++k) {
      ASSERT_NE(blade.GetVertex(k), nullptr);
      EXPECT_EQ(blade.PositionCache()[static_cast<std::size_t>(k)], blade.GetVertex(k)->GetVector());
    }
  }
  EXPECT_GT(layers.SelectedVertices().Count(), 0);
  EXPECT_EQ(editor_->Fins().FinCollections()->TotalCount(), 2);
  EXPECT_EQ(editor_->Fins().FinCollections()->GetFace(0)->Count(), 2);
  ASSERT_TRUE(editor_->SampleTexture());
  EXPECT_EQ(editor_->SampleTexture()->width, 256);
  EXPECT_EQ(editor_->SampleTexture()->height, 256);
}

TEST_F(SettingsEditor, AFrameDrawsTheSampleWithTheFinsTextured) {
  Device().ClearLog();
  editor_->Render(render_.GetDevice());
  int textured = 0;
  for (const SetTextureCall* set : Device().CallsOf<SetTextureCall>())
    textured += set->label.find("sample landscape") != std::string::npos ? 1 : 0;
  EXPECT_GT(textured, 0) << Device().LogText();
}

TEST_F(SettingsEditor, AGroupNodeOrASizeChangesNoColour) {
  const TVrelProp before;
  editor_->SelectElement(0);
  EXPECT_FALSE(editor_->Color());
  editor_->SetColor(0x123456);
  editor_->SelectElement(5);
  editor_->SetColor(0x123456);
  TVrelProp after;
  after.Assign(&Prop());
  for (const TDisplaySetting& setting : TVrelProp::Settings())
    EXPECT_EQ(after.SettingValue(setting), before.SettingValue(setting)) << setting.IniKey;
}

TEST_F(SettingsEditor, ASizeAndALineSwitchReachTheirSettingsAndThePreview) {
  editor_->SelectElement(5);
  editor_->SetLength(4.1f);
  EXPECT_EQ(Prop().StartPointLength(), 4.1f);
  EXPECT_EQ(editor_->Stage().StartPoint()->Length(), 4.1f);
  editor_->SelectElement(16);
  EXPECT_EQ(editor_->Border(), true);
  editor_->SetBorder(false);
  EXPECT_EQ(Prop().TextureCubeDrawStates(), dsSurface);
  EXPECT_EQ(editor_->Fins().DrawStates(), dsSurface);
}

TEST_F(SettingsEditor, DefaultAllPutsBackEveryElementButLeavesTheSwitches) {
  for (const TPropertyGroup& group : PropertyElementTree()) {
    for (const TPropertyElement& element : group.Elements) {
      editor_->SelectElement(element.Id);
      editor_->SetColor(0x000080);
      editor_->SetAlpha(1);
      editor_->SetLength(99);
      editor_->SetBorder(false);
    }
  }
  editor_->SetSwitch(psPlaneSmooth, true);
  editor_->SetSwitch(psNotIgnoreVisible, true);
  editor_->DefaultAll();
  const TVrelProp defaults;
  for (const TDisplaySetting& setting : TVrelProp::Settings()) {
    if (setting.Kind != TSettingKind::Switch || setting.ResetGroup == kScissorsElement) {
      EXPECT_EQ(Prop().SettingValue(setting), defaults.SettingValue(setting)) << setting.IniKey;
    }
  }
  EXPECT_TRUE(Prop().PlaneSmooth());
  EXPECT_FALSE(Prop().IgnoreVisible());
  EXPECT_EQ(render_.BackgroundColor(), static_cast<uint32_t>(defaults.RenderBackGroundColor()));
}

TEST_F(SettingsEditor, TheViewResetPutsTheCameraOnTheSample) {
  editor_->Wheel(120);
  editor_->ViewReset();
  const TDX9Transformer& camera = editor_->Camera();
  EXPECT_FLOAT_EQ(camera.Zoom(), 0.8713f);
  EXPECT_EQ(camera.LookAt()->GetVector(), Vec3(-8.36f, -4.12f, 0.0f));
  EXPECT_FLOAT_EQ(camera.CameraRotation()->X(), 35.59f);
  EXPECT_FLOAT_EQ(camera.CameraRotation()->Y(), -45.33f);
  EXPECT_FLOAT_EQ(camera.CameraDistance(), 1200.0f);
  EXPECT_EQ(camera.CameraMode(), cmFree);
}

TEST_F(SettingsEditor, TheWheelZoomsOutByAOneTwentiethOfTheFieldOfView) {
  editor_->Wheel(-120);
  EXPECT_FLOAT_EQ(editor_->Camera().Zoom(), 0.8713f * 1.05f);
}

TEST_F(SettingsEditor, TheMiddleButtonPansAndTheRightButtonTurns) {
  editor_->MouseDown(100, 100);
  editor_->MouseMove({.Middle = true}, 110, 95, 1200);
  const float f = 0.8713f / 10;
  const Vec3 lookAt = editor_->Camera().LookAt()->GetVector();
  EXPECT_FLOAT_EQ(lookAt.x, -8.36f + 10 * f);
  EXPECT_FLOAT_EQ(lookAt.y, -4.12f + 5 * f);
  editor_->MouseMove({.Right = true}, 120, 105, 1200);
  const float k = 180.0f / 400.0f * 5.0f * 0.2f;
  EXPECT_NEAR(editor_->Camera().CameraRotation()->X(), 35.59f + 10 * k, 1e-4);
  EXPECT_NEAR(editor_->Camera().CameraRotation()->Y(), -45.33f + 10 * k, 1e-4);
  editor_->MouseMove({.Right = true, .Ctrl = true}, 130, 105, 1200);
  EXPECT_NEAR(editor_->Camera().CameraRotation()->Y(), -45.33f + 10 * k + 1 * k, 1e-4);
}

TEST_F(SettingsEditor, TheScissorsHighlightTheSharedEdgeUnderThePointer) {
  TSquareBladeCollections& layers = editor_->Layers();
  // The ground's middle cell of the near row shares its corners 1 -> 2 with its right neighbour, on
  // the eye's side of the look-at point.
  const TSquareBlade& cell = *layers.GetLayer(1)->Blade(4);
  const Vec3 a = cell.GetVertexPosition(1);
  const Vec3 b = cell.GetVertexPosition(2);
  const TDX9Transformer& camera = editor_->Camera();
  const glm::mat4 view =
      glm::lookAtLH(Glm(camera.CameraPos()->GetVector()), Glm(camera.LookAt()->GetVector()), glm::vec3(0, 1, 0));
  const glm::mat4 projection =
      glm::perspectiveFovLH_ZO(glm::radians(camera.Zoom()), 350.0f, 328.0f, camera.Z_Near(), camera.Z_Far());
  const glm::vec4 viewport(0, 0, 350, 328);
  const auto pixel = [&](const Vec3& p) {
    const glm::vec3 s = glm::projectZO(Glm(p), view, projection, viewport);
    return glm::vec2(s.x, 328.0f - s.y);
  };
  const glm::vec2 from = pixel(a);
  const glm::vec2 to = pixel(b);
  const glm::vec2 middle = (from + to) / 2.0f;
  editor_->SelectElement(kScissorsElement);
  editor_->MouseMove({}, static_cast<int>(std::lround(middle.x)), static_cast<int>(std::lround(middle.y)), 1200);
  ASSERT_TRUE(editor_->Highlight());
  const auto near = [](ScreenPoint p, glm::vec2 q) {
    return std::abs(static_cast<float>(p.x) - q.x) <= 1 && std::abs(static_cast<float>(p.y) - q.y) <= 1;
  };
  EXPECT_TRUE((near(editor_->Highlight()->From, from) && near(editor_->Highlight()->To, to)) ||
              (near(editor_->Highlight()->From, to) && near(editor_->Highlight()->To, from)));
  editor_->MouseMove({}, 2, 2, 1200);
  EXPECT_FALSE(editor_->Highlight());
}

TEST_F(SettingsEditor, NoHighlightWhileTheScissorsHighlightIsOff) {
  editor_->SelectElement(kScissorsElement);
  editor_->SetBorder(false);
  EXPECT_FALSE(Prop().ScissorsHighlight());
  for (int x = 0; x < 350; x += 7)
    editor_->MouseMove({}, x, 164, 1200);
  EXPECT_FALSE(editor_->Highlight());
}

}  // namespace
}  // namespace vrel
