// The 3D view's mouse input as scripted sequences of presses, moves and releases on a small document:
// the selection sets, the knife's pieces, the moved, scaled and turned positions and the camera poses
// they give, with GLM as the oracle of the camera and of which world point lies under a pixel.

#include <algorithm>
#include <tuple>

#include "app/ViewInput.h"
#include "files/VrelPanoFiler.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/Cursors.h"
#include "scene/DX9Edit.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Utils.h"
#include "tests/app/FormFixture.h"

namespace vrel::formtest {
namespace {

// A pixel taken back into the world at a point's depth: the model keeps that depth in single
// precision, which near the far end of the depth range holds the distance to about a thousandth.
constexpr double kSingleDepth = 2e-3;

std::vector<Vec3> PoolPositions(const TSquareBladeCollection& layer) {
  std::vector<Vec3> positions;
  for (int i = 0; i < layer.VertexPool()->Count(); ++i)
    positions.push_back(layer.VertexPool()->Item(i)->Vertex()->GetVector());
  return positions;
}

// A blade's corners in a fixed order, whatever corner it starts with.
using Corners = std::array<glm::dvec3, 4>;

Corners Sorted(Corners corners) {
  std::sort(corners.begin(), corners.end(),
            [](const glm::dvec3& a, const glm::dvec3& b) { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); });
  return corners;
}
Corners Square(double x0, double y0, double x1, double y1) {
  return Sorted(
      {glm::dvec3(x0, y0, -100), glm::dvec3(x1, y0, -100), glm::dvec3(x1, y1, -100), glm::dvec3(x0, y1, -100)});
}
// The layer's blades are the expected pieces (in any order), to a hundredth.
void ExpectPieces(const TSquareBladeCollection& layer, std::vector<Corners> expected) {
  std::vector<Corners> pieces;
  for (int b = 0; b < layer.Count(); ++b) {
    Corners corners;
    for (int i = 0; i < 4; ++i)
      corners[static_cast<std::size_t>(i)] = G(layer.Blade(b)->GetVertexPosition(i));
    pieces.push_back(Sorted(corners));
  }
  const auto byFirst = [](const Corners& a, const Corners& b) { return a[0].x + a[3].x < b[0].x + b[3].x; };
  std::sort(pieces.begin(), pieces.end(), byFirst);
  std::sort(expected.begin(), expected.end(), byFirst);
  ASSERT_EQ(pieces.size(), expected.size());
  for (std::size_t p = 0; p < pieces.size(); ++p)
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_LT(glm::length(pieces[p][i] - expected[p][i]), 1e-2) << p << " " << i;
}

// The settings' default highlight colour, 0x66FFFF with red in the low byte: light yellow.
constexpr int32_t kHighlightColor = 6750207;

// A line in the highlight colour among the frame's screen-space draws.
bool HighlightDrawn(const RecordingDevice& frame) {
  for (const DrawCall* draw : frame.Draws()) {
    if (draw->type != PrimitiveType::LineList || draw->stride != sizeof(ScreenVertex))
      continue;
    for (const ScreenVertex& v : draw->VerticesAs<ScreenVertex>()) {
      if (v.diffuse == ColorToD3DColor(kHighlightColor))
        return true;
    }
  }
  return false;
}

class ViewInputTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    a_ = AddSquare(-200, 100, -100, 0);
  }
  ScreenPoint CentreOf(const TSquareBlade* blade) const { return Pixel(CornersCentroid(blade->GetVertices())); }
  int Snapshots() const { return form_->History()->Count(); }
  // The first square scaled by k about its centre (-150, 50).
  void ExpectScaledBy(double k) {
    ExpectNear(a_->GetVertexPosition(0), {-150 - 50 * k, 50 + 50 * k, kZ});
    ExpectNear(a_->GetVertexPosition(2), {-150 + 50 * k, 50 - 50 * k, kZ});
  }
  bool OverlayBit(uint8_t bit) const { return (form_->OverlayParts() & bit) != 0; }

  TSquareBlade* a_ = nullptr;
};

// --- selection -------------------------------------------------------------------------------------

TEST_F(ViewInputTest, AClickOnABladeSelectsItsFaceTakesASnapshotAndShowsTheCentre) {
  Click(CentreOf(a_));
  EXPECT_TRUE(a_->GetFaceSelect());
  EXPECT_EQ(Layers().SelectedVertices().Count(), 4);
  EXPECT_EQ(Snapshots(), 2);
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(window_.status.at(spSelectionCenter), "選択頂点の中心 X:-150.00 Y:50.00 Z:-100.00");
}

TEST_F(ViewInputTest, AClickInEmptySpaceClearsTheSelection) {
  SelectBlade(a_);
  Click(Pixel({300, -200, kZ}));
  EXPECT_EQ(Layers().SelectedVertices().Count(), 0);
  EXPECT_FALSE(a_->GetFaceSelect());
  EXPECT_EQ(Snapshots(), 2);
}

TEST_F(ViewInputTest, AReleaseWithinThreePixelsIsAClickAndFourPixelsMakeARubberBand) {
  struct Case {
    int dx, dy;
    bool click;
  };
  for (const Case c : {Case{3, 0, true}, Case{0, -3, true}, Case{3, 3, true}, Case{4, 0, false}, Case{0, 4, false},
                       Case{-4, -4, false}}) {
    Layers().ClearSelection();
    const ScreenPoint at = CentreOf(a_);
    DragLeft(at, {at.x + c.dx, at.y + c.dy});
    // A band a few pixels wide around the face's middle holds no corner.
    EXPECT_EQ(a_->GetFaceSelect(), c.click) << c.dx << "," << c.dy;
  }
}

TEST_F(ViewInputTest, TheRubberBandShowsWhileDraggingAndGoesOnRelease) {
  const ScreenPoint from = Pixel({-250, 150, kZ});
  const ScreenPoint to = Pixel({-150, 50, kZ});
  Press(from);
  Drag(to);
  EXPECT_TRUE(OverlayBit(opMouseSquare));
  EXPECT_EQ(form_->RenderStage()->MouseSquare()->Rect(), (TRect{from.x, from.y, to.x, to.y}));
  Release(to);
  EXPECT_FALSE(OverlayBit(opMouseSquare));
}

TEST_F(ViewInputTest, TheRubberBandIsTheRectangleBetweenPressAndReleaseWhateverTheLastMoveShowed) {
  const ScreenPoint from = Pixel({-250, 150, kZ});
  Press(from);
  Drag(Pixel({-220, 120, kZ}));
  Release(Pixel({-50, -50, kZ}));
  EXPECT_TRUE(a_->GetFaceSelect());
  EXPECT_EQ(Layers().SelectedVertices().Count(), 4);
}

TEST_F(ViewInputTest, ARubberBandAroundTwoCornersSelectsThemAndTheirEdge) {
  DragLeft(Pixel({-250, 150, kZ}), Pixel({-50, 50, kZ}));
  EXPECT_TRUE(a_->GetVertexSelect(0));
  EXPECT_TRUE(a_->GetVertexSelect(1));
  EXPECT_FALSE(a_->GetVertexSelect(2));
  EXPECT_FALSE(a_->GetVertexSelect(3));
  EXPECT_TRUE(a_->GetBorderSelect(0));
  EXPECT_FALSE(a_->GetFaceSelect());
  EXPECT_EQ(Layers().SelectedVertices().Count(), 2);
}

TEST_F(ViewInputTest, ShiftAddsTheClickedBladeToTheSelection) {
  TSquareBlade* b = AddSquare(0, 100, 100, 0);
  SelectBlade(a_);
  Click(CentreOf(b), {ssShift});
  EXPECT_TRUE(a_->GetFaceSelect());
  EXPECT_TRUE(b->GetFaceSelect());
  EXPECT_EQ(Layers().SelectedVertices().Count(), 8);
}

// A grid made at the start position, 1.7 below the orbit centre: 4 x 4 blades of 100, none selected.
class GroundGridTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    ASSERT_TRUE(NewPolygon(Layers(), 4, 4, 400, 400, form_->SceneFiler()->FMSData()->GetAircraftVector()));
    ASSERT_EQ(Layer().Blade(0)->GetVertexPosition(0), Vec3(-205, -1.7f, 200));
    Layers().ClearSelection();
  }
  // F5 or F6, with the eye GLM expects there.
  void ResetView(TViewPoint viewPoint, double pitch, double yaw) {
    form_->ResetViewPoint(viewPoint);
    eye_ = FreeEye(glm::dvec3(0), 1000, pitch, yaw);
  }
  ScreenPoint CentreOf(const TSquareBlade* blade) const { return Pixel(CornersCentroid(blade->GetVertices())); }
};

TEST_F(GroundGridTest, AClickAndARubberBandSelectItFromTheTopView) {
  ResetView(vpTop, 89.99, 0);
  Click(CentreOf(Layer().Blade(5)));
  EXPECT_TRUE(Layer().Blade(5)->GetFaceSelect());
  EXPECT_EQ(Layers().SelectedVertices().Count(), 4);
  DragLeft(Pixel({-215, -1.7f, 210}), Pixel({205, -1.7f, -210}));
  EXPECT_EQ(Layers().SelectedVertices().Count(), 25);
}

// The first blade's corners all lie beyond the plane through the orbit centre square to the view.
TEST_F(GroundGridTest, AClickSelectsABladeBeyondTheOrbitCentreInTheFreeView) {
  ResetView(vpFree, 45, -45);
  for (const Vec3& corner : Layer().Blade(0)->GetVertices())
    ASSERT_LT(glm::dot(eye_, G(corner)), 0);
  Click(CentreOf(Layer().Blade(0)));
  EXPECT_TRUE(Layer().Blade(0)->GetFaceSelect());
  EXPECT_EQ(Layers().SelectedVertices().Count(), 4);
}

// --- knife and scissors ----------------------------------------------------------------------------

TEST_F(ViewInputTest, TheKnifeCutsABladeAlongTheStrokeIntoTwoPieces) {
  form_->SetEditMode(emKnife);
  const ScreenPoint from = Pixel({-150, 150, kZ});
  DragLeft(from, Pixel({-150, -50, kZ}));
  // The stroke runs down the pixel column nearest to x = -150.
  const double cut = Unproject(from.x, from.y, {-150, 50, kZ}).x;
  ExpectPieces(Layer(), {Square(-200, 100, cut, 0), Square(cut, 100, -100, 0)});
  EXPECT_EQ(Layer().VertexPool()->Count(), 6);
  for (int i = 0; i < Layer().VertexPool()->Count(); ++i)
    EXPECT_EQ(Layer().VertexPool()->Item(i)->ItemID(), i);
  EXPECT_EQ(Snapshots(), 2);
  EXPECT_TRUE(form_->Modified());
  EXPECT_FALSE(OverlayBit(opMouseLine));
}

TEST_F(ViewInputTest, TheKnifeLineShowsTheStrokeFromThePressWhileDragging) {
  form_->SetEditMode(emKnife);
  const ScreenPoint from = Pixel({-150, 150, kZ});
  const ScreenPoint to = Pixel({-150, -50, kZ});
  Press(from);
  Drag(to);
  EXPECT_TRUE(OverlayBit(opMouseLine));
  EXPECT_EQ(form_->RenderStage()->MouseLine()->Rect(), (TRect{from.x, from.y, to.x, to.y}));
}

TEST_F(ViewInputTest, ShiftSnapsTheKnifeStrokeToFortyFiveDegrees) {
  form_->SetEditMode(emKnife);
  Press({100, 100}, {ssShift});
  Drag({200, 190}, {ssShift});
  const TRect line = form_->RenderStage()->MouseLine()->Rect();
  EXPECT_EQ(std::abs(line.Right - line.Left), std::abs(line.Bottom - line.Top));
}

TEST_F(ViewInputTest, AKnifeStrokeStartsFreshAtEachPress) {
  form_->SetEditMode(emKnife);
  DragLeft(Pixel({-150, 150, kZ}), Pixel({-150, -50, kZ}));
  form_->SetModified(false);
  // A click draws no stroke: nothing is cut along the last one again.
  Click(Pixel({-120, 50, kZ}));
  EXPECT_EQ(Layer().Count(), 2);
  EXPECT_EQ(Snapshots(), 2);
  EXPECT_FALSE(form_->Modified());
}

TEST_F(ViewInputTest, TheScissorsJoinTwoWeldedBladesAtTheClickedEdge) {
  apptest::AddWeldedRight(Layer(), a_, 0);
  form_->SetEditMode(emScissors);
  Click(Pixel({-100, 50, kZ}));
  ExpectPieces(Layer(), {Square(-200, 100, 0, 0)});
  EXPECT_EQ(Layer().VertexPool()->Count(), 4);
  for (int i = 0; i < Layer().VertexPool()->Count(); ++i)
    EXPECT_EQ(Layer().VertexPool()->Item(i)->ItemID(), i);
  EXPECT_EQ(Snapshots(), 2);
}

TEST_F(ViewInputTest, TheScissorsHighlightTheEdgeUnderTheCursorInTheNextFrameUntilItLeaves) {
  apptest::AddWeldedRight(Layer(), a_, 0);
  form_->SetEditMode(emScissors);
  Input().MouseMove({}, Pixel({-100, 50, kZ}).x, Pixel({-100, 50, kZ}).y);
  EXPECT_TRUE(Input().ScissorsHighlightShown());
  const RecordingDevice frame = Frame();
  const DrawCall& last = *frame.Draws().back();
  ASSERT_EQ(last.type, PrimitiveType::LineList);
  const std::vector<ScreenVertex> ends = last.VerticesAs<ScreenVertex>();
  ASSERT_EQ(ends.size(), 2u);
  const glm::dvec3 top = Project({-100, 100, kZ});
  const glm::dvec3 bottom = Project({-100, 0, kZ});
  EXPECT_EQ(ends[0].x, std::round(top.x));
  EXPECT_EQ(ends[0].y, std::round(top.y));
  EXPECT_EQ(ends[1].x, std::round(bottom.x));
  EXPECT_EQ(ends[1].y, std::round(bottom.y));
  EXPECT_EQ(ends[0].diffuse, ColorToD3DColor(kHighlightColor));
  EXPECT_EQ(last.state.RenderStateValue(RenderState::AlphaBlendEnable), 0u);
  // Off the edge, it goes.
  Input().MouseMove({}, Pixel({-150, 50, kZ}).x, Pixel({-150, 50, kZ}).y);
  EXPECT_FALSE(Input().ScissorsHighlightShown());
  EXPECT_FALSE(HighlightDrawn(Frame()));
}

// --- move, scale, rotate ---------------------------------------------------------------------------

TEST_F(ViewInputTest, AMoveDragMovesTheSelectionByTheWorldStepAtItsDepth) {
  SelectBlade(a_);
  const std::vector<Vec3> before = PoolPositions(Layer());
  const Vec3 centre = SelectionCentroid(Layers().SelectedVertices());
  form_->SetEditMode(emDirection);
  const ScreenPoint from = CentreOf(a_);
  const ScreenPoint to{from.x + 60, from.y + 25};
  Press(from);
  Drag({from.x + 30, from.y + 10});
  Drag(to);
  EXPECT_EQ(Snapshots(), 1);
  Release(to);
  const glm::dvec3 step = Unproject(to.x, to.y, centre) - Unproject(from.x, from.y, centre);
  const std::vector<Vec3> after = PoolPositions(Layer());
  for (std::size_t i = 0; i < after.size(); ++i)
    ExpectNear(after[i], G(before[i]) + step, kSingleDepth * glm::length(step));
  ExpectNear(panels_.relative, step, kSingleDepth * glm::length(step));
  EXPECT_EQ(Snapshots(), 2);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(ViewInputTest, ShiftLocksAMoveDragToTheDirectionOfItsFirstMotion) {
  SelectBlade(a_);
  const std::vector<Vec3> before = PoolPositions(Layer());
  form_->SetEditMode(emDirection);
  const ScreenPoint from = CentreOf(a_);
  Press(from, {ssShift});
  Drag({from.x + 10, from.y + 3}, {ssShift});
  Drag({from.x + 20, from.y + 40}, {ssShift});
  Release({from.x + 20, from.y + 40}, {ssShift});
  const std::vector<Vec3> after = PoolPositions(Layer());
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_NEAR(after[i].y, before[i].y, 1e-3);
    EXPECT_GT(after[i].x, before[i].x);
  }
}

TEST_F(ViewInputTest, AClickInMoveModeSelectsAnUnselectedBladeAndLeavesASelectedPartAlone) {
  form_->SetEditMode(emDirection);
  Click(CentreOf(a_));
  EXPECT_TRUE(a_->GetFaceSelect());
  EXPECT_EQ(Snapshots(), 2);
  Click(CentreOf(a_));
  EXPECT_TRUE(a_->GetFaceSelect());
  EXPECT_EQ(Snapshots(), 2);
}

TEST_F(ViewInputTest, AScaleDragScalesAboutTheCentroidByTheProductOfItsSteps) {
  SelectBlade(a_);
  form_->SetEditMode(emScale);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x + 20, from.y});
  Drag({from.x + 40, from.y});
  Release({from.x + 40, from.y});
  EXPECT_NEAR(form_->OperateScaleTotal(), 1.21, 1e-5);
  ExpectScaledBy(1.21);
  EXPECT_EQ(Snapshots(), 2);
}

TEST_F(ViewInputTest, AScaleDragWithCtrlHeldStepsATenthAsFar) {
  SelectBlade(a_);
  form_->SetEditMode(emScale);
  const ScreenPoint from = CentreOf(a_);
  Press(from, {ssCtrl});
  Drag({from.x + 20, from.y}, {ssCtrl});
  Release({from.x + 20, from.y}, {ssCtrl});
  ExpectScaledBy(1.01);
}

TEST_F(ViewInputTest, OneHugeScaleStepNeverCollapsesOrMirrorsTheSelection) {
  SelectBlade(a_);
  form_->SetEditMode(emScale);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x - 1000, from.y});
  ExpectScaledBy(TMainForm::kMinScaleStep);
}

TEST_F(ViewInputTest, AScreenScaleDragNeverCollapsesEither) {
  SelectBlade(a_);
  panels_.scaleAxis = saScreen;
  form_->SetEditMode(emScale);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x - 1000, from.y + 1000});
  const TCorners c = a_->GetVertices();
  EXPECT_LT(c[0].x, c[1].x);
  EXPECT_GT(c[0].y, c[3].y);
}

TEST_F(ViewInputTest, AScaleOrRotateDragWithOneSelectedVertexDrawsARubberBandInstead) {
  for (const TEditMode mode : {emScale, emRotation}) {
    Layers().ClearSelection();
    a_->Select(bpVertex, 0, true);
    Layers().RebuildSelectedVertexList();
    const Vec3 before = a_->GetVertexPosition(0);
    form_->SetEditMode(mode);
    Press(CentreOf(a_));
    Drag({CentreOf(a_).x + 50, CentreOf(a_).y + 50});
    EXPECT_TRUE(OverlayBit(opMouseSquare)) << mode;
    EXPECT_EQ(a_->GetVertexPosition(0), before) << mode;
    Release({CentreOf(a_).x + 50, CentreOf(a_).y + 50});
  }
}

TEST_F(ViewInputTest, ARotationDragAboutYTurnsTheSelectionOneDegreeAPixel) {
  SelectBlade(a_);
  const TCorners start = a_->GetVertices();
  panels_.rotationAxis = raY;
  form_->SetEditMode(emRotation);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x - 30, from.y});
  Release({from.x - 30, from.y});
  EXPECT_NEAR(form_->OperateRotateTotal(), 30.0, 1e-4);
  const glm::dvec3 centre(-150, 50, kZ);
  const glm::dmat4 turn = glm::rotate(glm::dmat4(1), glm::radians(30.0), {0, 1, 0});
  for (int i = 0; i < 4; ++i) {
    const glm::dvec3 corner = G(start[static_cast<std::size_t>(i)]);
    ExpectNear(a_->GetVertexPosition(i), centre + glm::dvec3(turn * glm::dvec4(corner - centre, 0)));
  }
  EXPECT_EQ(Snapshots(), 2);
}

TEST_F(ViewInputTest, OperateMoveGoesTheViewsWorldWidthPerHalfScreenAndATenthWhenFine) {
  SelectBlade(a_);
  const Vec3 centre = SelectionCentroid(Layers().SelectedVertices());
  const double width = glm::length(Unproject(kWidth, kHeight / 2, centre) - Unproject(0, kHeight / 2, centre));
  EXPECT_NEAR(form_->ScreenToWorldScale(), width, kSingleDepth * width);
  const float x0 = a_->GetVertexPosition(0).x;
  form_->SetOperateMoveTotal(0.0f);
  form_->OperateMove(10, 1);
  const double step = width / (kScreenWidth / 2) * 10;
  EXPECT_NEAR(a_->GetVertexPosition(0).x - x0, step, kSingleDepth * step);
  const float total = form_->OperateMove(10, 1, true);
  EXPECT_NEAR(total, step * 1.1, kSingleDepth * step);
}

// --- the camera ------------------------------------------------------------------------------------

TEST_F(ViewInputTest, TheRightButtonOrbitsTheFreeCameraHalfRoundAThirdOfTheScreen) {
  Input().MouseDown(TMouseButton::Right, {ssRight}, 100, 100);
  Input().MouseMove({ssRight}, 164, 132);
  // 180 degrees per 640 pixels of the 1920-pixel screen.
  EXPECT_NEAR(form_->Transformer1().CameraRotation()->Y(), 18.0, 1e-4);
  EXPECT_NEAR(form_->Transformer1().CameraRotation()->X(), 9.0, 1e-4);
  ExpectMatrix(Frame().State().view,
               glm::lookAtLH(FreeEye(glm::dvec3(0), 1000, 9, 18), glm::dvec3(0), glm::dvec3(0, 1, 0)));
}

TEST_F(ViewInputTest, CtrlTurnsTheCameraTenTimesSlower) {
  Input().MouseDown(TMouseButton::Right, {ssRight, ssCtrl}, 100, 100);
  Input().MouseMove({ssRight, ssCtrl}, 164, 100);
  EXPECT_NEAR(form_->Transformer1().CameraRotation()->Y(), 1.8, 1e-4);
}

TEST_F(ViewInputTest, TheMiddleButtonPansTheFreeViewAndNotTheOriginView) {
  Input().MouseDown(TMouseButton::Middle, {ssMiddle}, 100, 100);
  Input().MouseMove({ssMiddle}, 110, 95);
  EXPECT_EQ(form_->Transformer1().ViewTranslation()->GetVector(), Vec3(10, 5, 0));
  form_->ViewPointClick(vpOrigin);
  Input().MouseDown(TMouseButton::Middle, {ssMiddle}, 100, 100);
  Input().MouseMove({ssMiddle}, 150, 150);
  EXPECT_EQ(form_->Transformer1().ViewTranslation()->GetVector(), Vec3(0, 0, 0));
}

TEST_F(ViewInputTest, TheWheelZoomsFivePercentANotchSummingSmallerDeltas) {
  struct Case {
    std::vector<int> deltas;
    double zoom;
  };
  for (const Case& c : {Case{{120}, 57.0}, Case{{60, 60}, 57.0}, Case{{40}, 60.0}, Case{{240}, 60 * 0.95 * 0.95},
                        Case{{-120}, 63.0}, Case{{60, -60, 60}, 60.0}, Case{{-90, 90, 30}, 57.0}}) {
    form_->Transformer1().SetZoom(60.0f);
    for (const int delta : c.deltas)
      Input().MouseWheel(delta);
    // The remainder of one case must not carry into the next.
    Input().MouseWheel(c.deltas.back() > 0 ? -1 : 1);
    EXPECT_NEAR(form_->Transformer1().Zoom(), c.zoom, 1e-4) << c.deltas.size();
  }
}

TEST_F(ViewInputTest, TheWheelStopsAtTheSmallestZoom) {
  for (int i = 0; i < 400; ++i)
    Input().MouseWheel(120);
  EXPECT_FLOAT_EQ(form_->Transformer1().Zoom(), 0.01f);
}

// --- what ends a drag ------------------------------------------------------------------------------

TEST_F(ViewInputTest, ReleasingAnotherButtonDoesNotEndALeftDrag) {
  SelectBlade(a_);
  form_->SetEditMode(emDirection);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x + 20, from.y});
  Input().MouseDown(TMouseButton::Right, {ssLeft, ssRight}, from.x + 20, from.y);
  Input().MouseUp(TMouseButton::Right, {ssLeft}, from.x + 20, from.y);
  EXPECT_TRUE(Input().LeftDrag());
  EXPECT_TRUE(Input().Dragging());
  Drag({from.x + 40, from.y});
  Release({from.x + 40, from.y});
  EXPECT_EQ(Snapshots(), 2);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(ViewInputTest, ARightPressDuringARubberBandKeepsItsCorner) {
  const ScreenPoint from = Pixel({-250, 150, kZ});
  Press(from);
  Input().MouseDown(TMouseButton::Right, {ssLeft, ssRight}, 500, 500);
  Input().MouseUp(TMouseButton::Right, {ssLeft}, 500, 500);
  Release(Pixel({-50, -50, kZ}));
  EXPECT_TRUE(a_->GetFaceSelect());
}

TEST_F(ViewInputTest, AModeChangeDuringADragEndsTheDragAsItsReleaseWouldFirst) {
  SelectBlade(a_);
  form_->SetModified(false);
  form_->SetEditMode(emDirection);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x + 20, from.y});
  form_->SetEditMode(emKnife);
  EXPECT_EQ(Snapshots(), 2);
  EXPECT_TRUE(form_->Modified());
  EXPECT_FALSE(Input().LeftDrag());
  // The button is still down: nothing more happens until it is pressed again.
  Drag({from.x + 20, from.y + 200});
  EXPECT_FALSE(OverlayBit(opMouseLine));
  Release({from.x + 20, from.y + 200});
  EXPECT_EQ(Layer().Count(), 1);
  EXPECT_EQ(Snapshots(), 2);
}

TEST_F(ViewInputTest, UndoDuringADragEndsTheDragThenUndoesIt) {
  SelectBlade(a_);
  form_->PushHistory();
  const std::vector<Vec3> before = PoolPositions(Layer());
  form_->SetEditMode(emDirection);
  const ScreenPoint from = CentreOf(a_);
  Press(from);
  Drag({from.x + 20, from.y});
  const std::vector<Vec3> moved = PoolPositions(Layer());
  form_->Undo();
  EXPECT_EQ(PoolPositions(Layer()), before);
  EXPECT_TRUE(form_->CanRedo());
  form_->Redo();
  EXPECT_EQ(PoolPositions(Layer()), moved);
}

TEST_F(ViewInputTest, UndoRestoresIntoTheSameLayerSetAndMarksTheDocumentModified) {
  TSquareBladeCollectionsContainer* container = form_->Container();
  TSquareBladeCollections* layers = form_->Collections();
  form_->PushHistory();
  form_->SetModified(false);
  const int fills = panels_.layerFills;
  form_->Undo();
  EXPECT_EQ(form_->Container(), container);
  EXPECT_EQ(form_->Collections(), layers);
  EXPECT_EQ(Layer().Count(), 0);
  EXPECT_TRUE(form_->Modified());
  EXPECT_EQ(panels_.layers, layers);
  EXPECT_EQ(panels_.layerFills, fills + 1);
  form_->SetModified(false);
  form_->Redo();
  EXPECT_EQ(Layer().Count(), 1);
  EXPECT_TRUE(form_->Modified());
}

TEST_F(ViewInputTest, SetEditModeGivesTheModesCursorAndPanelsOnce) {
  struct Case {
    TEditMode mode;
    int cursor;
  };
  for (const Case c : {Case{emKnife, crKnife}, Case{emScissors, crScissors}, Case{emDirection, crDirection},
                       Case{emScale, crScale}, Case{emRotation, crRotation}, Case{emSelect, 0}}) {
    form_->SetEditMode(c.mode);
    EXPECT_EQ(form_->EditMode(), c.mode);
    EXPECT_EQ(window_.cursor, c.cursor);
    EXPECT_EQ(panels_.modes.back(), c.mode);
  }
  const int changes = window_.cursorChanges;
  form_->SetEditMode(emSelect);
  EXPECT_EQ(window_.cursorChanges, changes);
  EXPECT_EQ(panels_.modes.size(), 6u);
}

}  // namespace
}  // namespace vrel::formtest
