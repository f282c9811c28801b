// The panels' logic without a window: the number boxes' reading, the web colour table (against
// Pillow's CSS colours), the layer copy's name, the tool palette's commands, the move panel's OK and
// the operate panel's drags (against GLM: the view's centre line unprojected at the selection's
// depth, and the rotations about the centroid).

#include <gtest/gtest.h>

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_projection.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include <clocale>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/DirectionTool.h"
#include "app/LayerCommands.h"
#include "app/LayerListRows.h"
#include "app/NumberText.h"
#include "app/OperateDrag.h"
#include "app/ToolCommands.h"
#include "app/WebColors.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Cp932.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/SelectionOracle.h"

namespace vrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// --- number boxes ----------------------------------------------------------------------------------

struct NumberCase {
  const char* text;
  TNumberRule rule;
  double expected;
};

TEST(NumberText, TypedTextReadsAsItsNumberOrTheFallbackHeldInTheRange) {
  const TNumberRule any{.Fallback = -5};
  const TNumberRule move{.Min = -2000, .Max = 2000, .Fallback = 0};
  const TNumberRule divisions{.Min = 1, .Max = 10, .Fallback = 1, .Places = 0};
  const std::vector<NumberCase> cases{
      {"12.5", any, 12.5},     {"  +12.5\t", any, 12.5},
      {"-.25", any, -0.25},    {"1e3", any, 1000},
      {"１２．５", any, 12.5},                    // full-width digits and point from an input method
      {"\u3000−３", any, -3},                     // ideographic blank, minus sign
      {"１ｅ２", any, 100},    {"1,5", any, -5},  // no decimal comma, whatever the desktop's locale
      {"abc", any, -5},        {"", any, -5},
      {"nan", any, -5},        {"inf", any, -5},
      {"-Infinity", any, -5},  {"1e400", any, -5},
      {"0x10", any, -5},       {"1 2", any, -5},
      {"5000", move, 2000},    {"-1e9", move, -2000},
      {"letters", move, 0},    {"2.5", divisions, 3},
      {"-2.5", divisions, 1},  {"0", divisions, 1},
      {"-3", divisions, 1},    {"12", divisions, 10},
      {"?", divisions, 1},
  };
  for (const NumberCase& c : cases)
    EXPECT_EQ(ReadNumber(c.text, c.rule), c.expected) << c.text;
}

TEST(NumberText, ALeftBoxShowsTheValueItUsesWhereThatIsNotTheNumberTyped) {
  const TNumberRule move{.Min = -2000, .Max = 2000, .Fallback = 0};
  const TNumberRule divisions{.Min = 1, .Max = 10, .Fallback = 1, .Places = 0};
  const TNumberRule placement{.Fallback = -5, .Places = 4};
  const struct {
    const char* text;
    TNumberRule rule;
    int decimals;
    std::optional<std::string> shown;
  } cases[] = {
      {"12.5", move, 2, std::nullopt},   {"１２．５", move, 2, std::nullopt}, {"5000", move, 2, "2000.00"},
      {"letters", move, 2, "0.00"},      {"100", divisions, 0, "10"},         {"2.5", divisions, 0, "3"},
      {"3", divisions, 0, std::nullopt}, {"abc", placement, 2, "-5.00"},      {"1.23456", placement, 2, "1.2346"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SettledText(c.text, c.rule, c.decimals), c.shown) << c.text;
}

TEST(NumberText, ReadingDoesNotDependOnTheProcessLocale) {
  const std::string old = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
    GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  const double read = ReadNumber("1.5", {});
  const double comma = ReadNumber("1,5", {.Fallback = 7});
  std::setlocale(LC_ALL, old.c_str());
  EXPECT_EQ(read, 1.5);
  EXPECT_EQ(comma, 7);
}

// --- web colours -------------------------------------------------------------------------------------

class WebColorsTest : public scenetest::TempFolder {};

TEST_F(WebColorsTest, The138NamesCarryTheirCssColoursAsPillowKnowsThem) {
  const std::span<const TWebColor> table = WebColors();
  ASSERT_EQ(table.size(), 138u);
  std::set<std::string> names;
  std::string script =
      "from PIL import ImageColor\nimport sys\nfor name in sys.argv[1:]:\n"
      "    r, g, b = ImageColor.getrgb(name[5:].lower())\n    print(r | g << 8 | b << 16)\n";
  std::vector<std::string> arguments;
  for (const TWebColor& colour : table) {
    names.insert(colour.Name);
    arguments.emplace_back(colour.Name);
  }
  EXPECT_EQ(names.size(), 138u);
  EXPECT_EQ(std::string(table.front().Name), "clWebSnow");
  EXPECT_EQ(std::string(table.back().Name), "clWebBlack");
  std::istringstream pillow(Python(script, arguments));
  for (const TWebColor& colour : table) {
    uint32_t value = 0;
    ASSERT_TRUE(pillow >> value);
    EXPECT_EQ(colour.Color, value) << colour.Name;
  }
}

// --- the copy's name ---------------------------------------------------------------------------------

TEST(CopiedLayerName, CopiesCountOnAfterTheMarkFoundOnCharacterBoundaries) {
  const auto copied = [](const char* utf8) { return Cp932ToUtf8(CopiedLayerName(Utf8ToCp932(utf8))); };
  EXPECT_EQ(copied("A"), "Aのコピー");
  EXPECT_EQ(copied("Aのコピー"), "Aのコピー2");
  EXPECT_EQ(copied("Aのコピー2"), "Aのコピー3");
  EXPECT_EQ(copied("Aのコピー9"), "Aのコピー10");
  EXPECT_EQ(copied("AのコピーX"), "Aのコピー2");
  EXPECT_EQ(copied("Aのコピー99999999999"), "Aのコピー2");
  EXPECT_EQ(copied("のコピー"), "のコピー2");
  EXPECT_EQ(copied(""), "のコピー");
  // "＝" is 81 82 and "ﾌ" is CC: the bytes 82 CC 83 52 ... spell "のコピー" across a character.
  const std::string misaligned = Utf8ToCp932("＝ﾌコピー");
  EXPECT_EQ(CopiedLayerName(misaligned), misaligned + Utf8ToCp932("のコピー"));
}

// --- the document fixture ------------------------------------------------------------------------------

// Blades in the first layer: a row of `count` quads 10 wide along X at height y, all selected.
class PanelLogicTest : public apptest::StartedMainForm {
 protected:
  TSquareBladeCollections& Layers() { return *form_->Collections(); }
  void AddRow(TSquareBladeCollection& layer, int count, float y, bool select) {
    for (int b = 0; b < count; ++b) {
      const float x = 10.0f * static_cast<float>(b);
      TSquareBlade* blade =
          scenetest::AddBlade(layer, {Vec3(x, y, 5), Vec3(x + 10, y, 5), Vec3(x + 10, y, -5), Vec3(x, y, -5)});
      if (select)
        blade->SelectAll();
    }
    Layers().RebuildSelectedVertexList();
  }
  std::vector<Vec3> SelectedPositions() { return apptest::SelectedPositions(Layers()); }
  int HistoryCount() const { return form_->History()->Count(); }
};

void ExpectNear(const std::vector<Vec3>& ours, const std::vector<glm::dvec3>& expected, double tolerance) {
  ASSERT_EQ(ours.size(), expected.size());
  for (std::size_t i = 0; i < ours.size(); ++i) {
    EXPECT_NEAR(ours[i].x, expected[i].x, tolerance) << i;
    EXPECT_NEAR(ours[i].y, expected[i].y, tolerance) << i;
    EXPECT_NEAR(ours[i].z, expected[i].z, tolerance) << i;
  }
}

glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}

// --- the operate panel's drags against GLM --------------------------------------------------------

class OperateDragTest : public PanelLogicTest {
 protected:
  void SetUp() override {
    PanelLogicTest::SetUp();
    AddRow(*Layers().GetLayer(0), 3, 20, true);
    before_ = SelectedPositions();
    for (const Vec3& p : before_)
      centroid_ += G(p) / static_cast<double>(before_.size());
    drag_ = std::make_unique<TOperateDrag>(*form_);
  }
  // The world length of the view's horizontal centre line at the centroid's depth, from the
  // camera's own parameters.
  double CentreLineLength() {
    const TDX9Transformer& camera = form_->Transformer1();
    const glm::dmat4 view = glm::lookAtLH(G(camera.CameraPos()->GetVector()), G(camera.LookAt()->GetVector()),
                                          G(camera.FrameUp()->GetVector()));
    const glm::dmat4 projection = glm::perspectiveFovLH_ZO(glm::radians(double(camera.Zoom())), 800.0, 600.0,
                                                           double(camera.Z_Near()), double(camera.Z_Far()));
    const glm::dvec4 viewport(0, 0, 800, 600);
    const double depth = glm::projectZO(centroid_, view, projection, viewport).z;
    const glm::dvec3 left = glm::unProjectZO(glm::dvec3(0, 300, depth), view, projection, viewport);
    const glm::dvec3 right = glm::unProjectZO(glm::dvec3(800, 300, depth), view, projection, viewport);
    return glm::distance(left, right);
  }
  std::vector<glm::dvec3> Mapped(const std::function<glm::dvec3(const glm::dvec3&)>& f) {
    std::vector<glm::dvec3> out;
    for (const Vec3& p : before_)
      out.push_back(f(G(p)));
    return out;
  }
  // Press on the picture of `tag` at x = 100, then steps to each x.
  void Drag(int tag, std::initializer_list<int> xs, bool fine = false) {
    drag_->Press(tag, 100);
    for (int x : xs)
      drag_->Move(x, fine);
    drag_->Release();
  }

  std::unique_ptr<TOperateDrag> drag_;
  std::vector<Vec3> before_;
  glm::dvec3 centroid_{0};
};

TEST_F(OperateDragTest, MovingAlongEachAxisGoesTwiceTheCentreLinePerViewWidthPerPixel) {
  const double length = std::clamp(CentreLineLength(), 5.0, 800.0);
  for (int axis = 1; axis <= 3; ++axis) {
    before_ = SelectedPositions();
    Drag(axis * 3, {110, 125});  // 10 and 15 pixels
    const double d = length / 400.0 * 25.0;
    glm::dvec3 step(0);
    step[axis - 1] = d;
    ExpectNear(SelectedPositions(), Mapped([&](const glm::dvec3& p) { return p + step; }), 1e-3 * d);
    EXPECT_NEAR(std::stod(drag_->Info()), d, 1e-3 * d) << axis;
  }
}

TEST_F(OperateDragTest, ACtrlDragMovesATenthAsFar) {
  const double d = std::clamp(CentreLineLength(), 5.0, 800.0) / 400.0 * 20.0 / 10.0;
  Drag(6, {120}, true);
  ExpectNear(SelectedPositions(), Mapped([&](const glm::dvec3& p) { return p + glm::dvec3(0, d, 0); }), 1e-3 * d);
}

TEST_F(OperateDragTest, ScalingAlongEachAxisAndAllAxesMultipliesTheDistancesFromTheCentroid) {
  for (const int tag : {1, 4, 7, 10}) {
    before_ = SelectedPositions();
    Drag(tag, {120, 140});  // k = 1.1, then 1.1 again
    const int axis = TOperateDrag::AxisOf(tag);
    glm::dvec3 factor(1.21);
    if (axis != 0)
      factor = glm::dvec3(1), factor[axis - 1] = 1.21;
    const glm::dvec3 c = centroid_;
    ExpectNear(SelectedPositions(), Mapped([&](const glm::dvec3& p) { return c + (p - c) * factor; }), 1e-3);
    EXPECT_EQ(drag_->Info(), "1.210000") << tag;
  }
}

TEST_F(OperateDragTest, RotatingAboutEachAxisTurnsAboutTheCentroidTheOtherWayToTheDrag) {
  for (int axis = 1; axis <= 3; ++axis) {
    before_ = SelectedPositions();
    Drag(axis * 3 + 2, {90, 70});  // 30 pixels to the left: +30 degrees
    glm::dvec3 around(0);
    around[axis - 1] = 1;
    const glm::dmat4 turn = glm::translate(glm::dmat4(1), centroid_) *
                            glm::rotate(glm::dmat4(1), glm::radians(30.0), around) *
                            glm::translate(glm::dmat4(1), -centroid_);
    ExpectNear(SelectedPositions(), Mapped([&](const glm::dvec3& p) { return glm::dvec3(turn * glm::dvec4(p, 1)); }),
               1e-3);
    EXPECT_EQ(drag_->Info(), "30") << axis;
  }
}

TEST_F(OperateDragTest, ADragThatMovedSomethingIsOneUndoStepAndAStillPressIsNone) {
  const int before = HistoryCount();
  form_->SetModified(false);
  Drag(3, {});
  Drag(3, {100, 100});
  EXPECT_EQ(HistoryCount(), before);
  EXPECT_FALSE(form_->Modified());
  EXPECT_EQ(drag_->Info(), "0.0000");
  Drag(4, {103, 107, 112});
  EXPECT_EQ(HistoryCount(), before + 1);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(OperateDragTest, LabelsAndOtherButtonsStartNoDragAndAStartShowsTheTotalItBeginsWith) {
  drag_->Press(0, 5);
  drag_->Press(2, 5);
  drag_->Press(7, 5, false);
  EXPECT_FALSE(drag_->Dragging());
  drag_->Press(7, 5);
  EXPECT_EQ(drag_->Info(), "1");
  EXPECT_EQ(form_->OperateScaleTotal(), 1.0f);
  EXPECT_EQ(drag_->PressedTag(), 7);
  drag_->Release();
  EXPECT_EQ(drag_->PressedTag(), TOperateDrag::kNone);
}

TEST_F(OperateDragTest, AHugeScaleStepNeverCollapsesOrMirrorsTheSelection) {
  Drag(1, {-10000});
  const std::vector<Vec3> after = SelectedPositions();
  // The first corner lay left of the centroid and stays there, a hundredth as far.
  EXPECT_NEAR(after[0].x, centroid_.x + (before_[0].x - centroid_.x) * 0.01, 1e-3);
  EXPECT_LT(after[0].x, centroid_.x);
}

// --- the tool palette ----------------------------------------------------------------------------------

// The tool palette's and the layer panel's commands on the document.
class PanelCommandsTest : public PanelLogicTest {
 protected:
  void SetUp() override {
    PanelLogicTest::SetUp();
    layers_ = std::make_unique<TLayerCommands>(rows_, *form_);
    layers_->SetCollections(form_->Collections());
    tools_ = std::make_unique<TToolCommands>(*form_, *layers_, &dialogs_);
  }
  TLayerListRows rows_;
  std::unique_ptr<TLayerCommands> layers_;
  apptest::FakeToolDialogs dialogs_;
  std::unique_ptr<TToolCommands> tools_;
};

// --- the layer panel's commands ---------------------------------------------------------------------

TEST_F(PanelCommandsTest, MergeDownJoinsALayerToTheOneBelowWhichKeepsItsNameAndTheLastHasNone) {
  layers_->New();
  AddRow(*Layers().GetLayer(0), 1, 0, false);
  AddRow(*Layers().GetLayer(1), 2, 0, false);
  const int steps = HistoryCount();
  EXPECT_FALSE(layers_->CanMergeDown());  // the new layer, the last, is selected
  layers_->MergeDown();
  EXPECT_EQ(Layers().Count(), 2);
  rows_.SetItemIndex(0);
  layers_->MergeDown();
  ASSERT_EQ(Layers().Count(), 1);
  EXPECT_EQ(Layers().GetLayer(0)->Count(), 3);
  EXPECT_EQ(Cp932ToUtf8(Layers().GetLayer(0)->Name()), "レイヤー2");
  EXPECT_EQ(HistoryCount(), steps + 1);
}

TEST_F(PanelCommandsTest, HidingOrLockingALayerTakesItsVerticesOutOfTheSelectionAsOneUndoableStep) {
  struct Case {
    void (TLayerCommands::*click)(int, bool);
    bool value;
  };
  for (const Case c : {Case{&TLayerCommands::VisibleClick, false}, Case{&TLayerCommands::LockedClick, true}}) {
    layers_->New();
    const int layer = Layers().Count() - 1;
    AddRow(*Layers().GetLayer(layer), 1, 0, true);
    ASSERT_EQ(Layers().SelectedVertices().Count(), 4);
    const int steps = HistoryCount();
    ((*layers_).*c.click)(layer, c.value);
    EXPECT_EQ(Layers().SelectedVertices().Count(), 0);
    EXPECT_EQ(HistoryCount(), steps + 1);
    form_->History()->SetIndex(form_->History()->Index() - 1);
    EXPECT_TRUE(form_->Collections()->GetLayer(layer)->Visible() && !form_->Collections()->GetLayer(layer)->Locked());
  }
}

TEST_F(PanelCommandsTest, APolygonGridInANewLayerIsOneUndoStep) {
  form_->SceneFiler()->FMSData()->SetAirCraftX(Currency::FromCount(10000));
  form_->SceneFiler()->FMSData()->SetAirCraftY(Currency::FromCount(20000));
  form_->SceneFiler()->FMSData()->SetAirCraftZ(Currency::FromCount(30000));
  dialogs_.polygon = TPolygonRequest{
      .NewLayer = true, .DivisionsX = 3, .DivisionsZ = 2, .SizeX = 30, .SizeZ = 20, .Position = {1, 2, 3}};
  form_->RenderStage()->PlaneMark()->SetPosition({7, 8, 9});
  const int before = HistoryCount();
  tools_->CreatePolygon();
  EXPECT_EQ(dialogs_.offeredStart, Vec3(1, 3, 2));  // FMS z is the view's Y
  EXPECT_EQ(dialogs_.offeredPlaneMark, Vec3(7, 8, 9));
  ASSERT_EQ(Layers().Count(), 2);
  EXPECT_EQ(Layers().GetLayer(1)->Count(), 6);
  EXPECT_EQ(Layers().CurrentIndex(), 1);
  EXPECT_EQ(rows_.Count(), 2);
  EXPECT_EQ(HistoryCount(), before + 1);
  form_->History()->SetIndex(form_->History()->Index() - 1);
  EXPECT_EQ(form_->Collections()->Count(), 1);
  EXPECT_EQ(form_->Collections()->GetLayer(0)->Count(), 0);
}

TEST_F(PanelCommandsTest, ThePolygonDialogIsOfferedNoSelectionCentreOnceTheSelectionIsGone) {
  AddRow(*Layers().GetLayer(0), 1, 0, true);
  tools_->FaceReverse();  // the centre goes to the status bar
  Layers().ClearSelection();
  tools_->CreatePolygon();
  EXPECT_EQ(dialogs_.offeredSelectionCenter, std::nullopt);
}

// The menu's rule table runs the other commands on a selection too small for them.
TEST_F(PanelCommandsTest, TheNumericalRotationAndScaleOfOneVertexDoNothing) {
  AddRow(*Layers().GetLayer(0), 1, 0, false);
  Layers().GetLayer(0)->Blade(0)->Select(bpVertex, 0, true);
  Layers().RebuildSelectedVertexList();
  const int before = HistoryCount();
  tools_->RotateNumerical();
  tools_->ScaleNumerical();
  EXPECT_EQ(HistoryCount(), before);
}

TEST_F(PanelCommandsTest, StickingTwoSelectedVerticesWeldsThemAtTheirCentroid) {
  AddRow(*Layers().GetLayer(0), 2, 0, false);
  Layers().GetLayer(0)->Blade(0)->Select(bpVertex, 0, true);
  Layers().GetLayer(0)->Blade(1)->Select(bpVertex, 1, true);
  Layers().RebuildSelectedVertexList();
  const int steps = HistoryCount();
  tools_->Stick();
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexItem(0), Layers().GetLayer(0)->Blade(1)->GetVertexItem(1));
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(0), Vec3(10, 0, 5));
  EXPECT_EQ(HistoryCount(), steps + 1);
}

// --- the move panel's OK and the edit mode ---------------------------------------------------------

TEST_F(PanelLogicTest, AnAbsoluteMovePutsOneSelectedVertexExactlyOnTheTypedPoint) {
  AddRow(*Layers().GetLayer(0), 1, 0, false);
  Layers().GetLayer(0)->Blade(0)->Select(bpVertex, 2, true);
  Layers().RebuildSelectedVertexList();
  const int steps = HistoryCount();
  EXPECT_TRUE(MoveSelection(*form_, dmAbsolute, {123.25f, -7.5f, 0.01f}));
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(2), Vec3(123.25f, -7.5f, 0.01f));
  EXPECT_TRUE(MoveSelection(*form_, dmRelative, {1, 2, 3}));
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(2), Vec3(124.25f, -5.5f, 3.01f));
  EXPECT_EQ(HistoryCount(), steps + 2);
  EXPECT_FALSE(MoveSelection(*form_, dmRelative, {0, 0, 0}));
  EXPECT_EQ(HistoryCount(), steps + 2);
}

TEST_F(PanelLogicTest, AMoveWithNothingSelectedDoesNothing) {
  AddRow(*Layers().GetLayer(0), 1, 0, false);
  const int steps = HistoryCount();
  EXPECT_FALSE(MoveSelection(*form_, dmAbsolute, {1, 1, 1}));
  EXPECT_EQ(HistoryCount(), steps);
  EXPECT_EQ(Layers().GetLayer(0)->Blade(0)->GetVertexPosition(0), Vec3(0, 0, 5));
}

}  // namespace
}  // namespace vrel
