// Picking and selection, to the pixel, under the orthographic Stage; a perspective view covers what only
// perspective shows: points between the eye and the near plane, points behind the eye, and blades on
// both sides of it.

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>

#include "scene/DX9Picking.h"
#include "tests/scene/ViewFixture.h"

namespace vrel {
namespace {

using namespace testview;

// What a click or a band reports, and how many vertices are selected after it (braces order the two).
using Outcome = std::pair<bool, int>;
int Selected(const Stage& s) {
  return s.layers.SelectedVertices().Count();
}
Outcome Click(Stage& s, ScreenPoint p, TShiftState shift = {}, bool clearOnMiss = true) {
  return {SelectAt(s.layers, s.device, p.x, p.y, clearOnMiss, shift), Selected(s)};
}
Outcome Band(Stage& s, ScreenPoint a, ScreenPoint b, TShiftState shift = {}, bool clearFirst = true) {
  return {SelectInRect(s.layers, s.device, a, b, clearFirst, shift), Selected(s)};
}
bool SelectedAt(Stage& s, ScreenPoint p) {
  return IsSelectedAt(s.layers, s.device, p.x, p.y);
}
std::string Bits(std::initializer_list<bool> flags) {  // as 0s and 1s, so that one comparison shows them all
  std::string s;
  for (bool f : flags)
    s += f ? '1' : '0';
  return s;
}

using Hit = std::tuple<TSquareBlade*, TBladePartKind, int>;  // blade, kind, index
const Hit kNothing{nullptr, bpNone, -1};
struct Probe {
  int x, y;
  Hit hit;
};

// Picks at each probe; whatever the answer, the depth stays a finite number in 0..1.
void ExpectHits(Stage& s, std::initializer_list<Probe> probes) {
  for (const Probe& p : probes) {
    SCOPED_TRACE(::testing::Message() << "cursor (" << p.x << ", " << p.y << ")");
    const bool found = PickAt(s.layers, s.device, p.x, p.y);
    EXPECT_EQ(Hit(s.layers.PickBlade(), s.layers.PickKind(), s.layers.PickIndex()), p.hit);
    EXPECT_EQ(found, s.layers.PickBlade() != nullptr);
    const float depth = s.layers.PickDepth();
    EXPECT_TRUE(std::isfinite(depth) && depth >= 0.0f && depth <= 1.0f) << depth;
  }
}

// The vertex square spans x - 12 .. x + 8, y - 10 .. y + 10 around the cursor, the border square
// x - 6 .. x + 2, y - 4 .. y + 4 around its foot point on the edge.
TEST(PickAt, TheVertexAndBorderSquaresReachToThePixel) {
  Stage s;
  TSquareBlade* b = AddRect(s.layer, 200, 200, 300, 300);
  const Hit face{b, bpFace, 0};
  ExpectHits(s, {// Corner 0 from the left and from above, 1 from the right, 3 from below, 2 diagonally.
                 {192, 200, {b, bpVertex, 0}},
                 {191, 200, kNothing},
                 {200, 190, {b, bpVertex, 0}},
                 {200, 189, kNothing},
                 {312, 200, {b, bpVertex, 1}},
                 {313, 200, kNothing},
                 {200, 310, {b, bpVertex, 3}},
                 {200, 311, kNothing},
                 {312, 310, {b, bpVertex, 2}},
                 {312, 311, kNothing},
                 {313, 310, kNothing},
                 // Edge 1 (x = 300) 6 out, 2 in; edge 3 (x = 200) 2 out, 6 in; edges 2 and 0 4 either way.
                 {306, 250, {b, bpBorder, 1}},
                 {307, 250, kNothing},
                 {298, 250, {b, bpBorder, 1}},
                 {297, 250, face},
                 {198, 250, {b, bpBorder, 3}},
                 {197, 250, kNothing},
                 {206, 250, {b, bpBorder, 3}},
                 {207, 250, face},
                 {250, 304, {b, bpBorder, 2}},
                 {250, 305, kNothing},
                 {250, 296, {b, bpBorder, 2}},
                 {250, 295, face},
                 {250, 196, {b, bpBorder, 0}},
                 {250, 195, kNothing}});
  EXPECT_EQ(s.layers.PickSquareSize(), 8);
}

TEST(PickAtDepth, TheNearerPartWins) {
  Stage s;
  AddRect(s.layer, 200, 200, 300, 300);
  TSquareBladeCollection* second = s.layers.AddLayer();
  TSquareBlade* n = AddRect(second, 200, 200, 300, 300, -3.0f);
  ExpectHits(s, {{200, 200, {n, bpVertex, 0}}, {306, 250, {n, bpBorder, 1}}, {250, 250, {n, bpFace, 0}}});
  EXPECT_FLOAT_EQ(s.layers.PickDepth(), (512.0f - 3.0f) / 1024.0f);
}

TEST(PickAtDepth, AVertexBeatsAFaceAtTheSameDepthButNotANearerOne) {
  Stage v;
  TSquareBlade* under = AddRect(v.layer, 200, 200, 300, 300);
  TSquareBlade* cornered = AddRect(v.layer, 250, 250, 280, 280);
  ExpectHits(v, {{250, 250, {cornered, bpVertex, 0}}});
  under->SetVertices(Pixels(Rect(200, 200, 300, 300), -2));
  ExpectHits(v, {{250, 250, {under, bpFace, 0}}});
}

// Just above edge 0: no border, no face.
TEST(PickAtDepth, WithinOneBladeTheFirstCornerInTheSquareWinsThoughALaterOneIsNearer) {
  Stage w;
  TSquareBlade* blade =
      AddBlade(w.layer, {{AtPixel(250, 250), AtPixel(256, 250, -100), AtPixel(256, 350), AtPixel(150, 350)}});
  ExpectHits(w, {{254, 247, {blade, bpVertex, 0}}});
}

// Nearer blades in a locked layer, a hidden layer and hidden in an open layer, over a visible one.
struct Hidden : Stage {
  TSquareBladeCollection* hidden = layers.AddLayer();
  TSquareBladeCollection* open = layers.AddLayer();
  TSquareBlade* visible = nullptr;
  Hidden() {
    AddRect(layer, 200, 200, 300, 300, -5.0f);
    AddRect(hidden, 200, 200, 300, 300, -4.0f);
    AddRect(open, 200, 200, 300, 300, -3.0f)->SetVisible(false);
    visible = AddRect(open, 200, 200, 300, 300, -1.0f);
    layer->SetLocked(true);
    hidden->SetVisible(false);
  }
};

TEST(PickAtSkips, LockedAndHiddenLayersAndHiddenBlades) {
  Hidden s;
  ExpectHits(s, {{200, 200, {s.visible, bpVertex, 0}}, {250, 250, {s.visible, bpFace, 0}}});
  s.visible->SetVisible(false);
  ExpectHits(s, {{250, 250, kNothing}});
}

TEST(SelectInRect, SkipsLockedAndHiddenLayersAndHiddenBlades) {
  Hidden s;
  EXPECT_EQ(Band(s, {0, 0}, {511, 511}), Outcome(true, 4));
  s.visible->SetVisible(false);
  EXPECT_EQ(Band(s, {0, 0}, {511, 511}, {}, false), Outcome(false, 4));  // nothing left to catch
}

TEST(PickAtSkips, EverythingInASingularView) {
  Hidden s;
  s.layers.SetPickResult(s.visible, bpFace, 0, 0.25f);
  s.device.SetTransform(TransformState::Projection, Matrix{{{0}}});
  ExpectHits(s, {{250, 250, kNothing}});
  EXPECT_FLOAT_EQ(s.layers.PickDepth(), 1.0f);
  EXPECT_FALSE(SelectedAt(s, {250, 250}));
}

// Corners beyond the look-at point (z > 0) take part as those before it: all are in front of the eye.
TEST(PickAt, ReachesBeyondTheLookAtPoint) {
  Stage s;
  TSquareBlade* beyond = AddRect(s.layer, 100, 100, 150, 150, 5.0f);
  // Corners 0 and 1 before the look-at point (z = -50), corners 2 and 3 beyond it (z = +50).
  TSquareBlade* t = AddBlade(
      s.layer, {{AtPixel(200, 200, -50), AtPixel(300, 200, -50), AtPixel(300, 300, 50), AtPixel(200, 300, 50)}});
  EXPECT_EQ(Band(s, {0, 0}, {511, 511}), Outcome(true, 8));
  ExpectHits(s, {{100, 100, {beyond, bpVertex, 0}},
                 {125, 125, {beyond, bpFace, 0}},
                 {300, 300, {t, bpVertex, 2}},
                 {250, 280, {t, bpFace, 0}},
                 {303, 250, {t, bpBorder, 1}},
                 {307, 250, kNothing}});
}

// Corners 0 and 1 in front of the eye, 2 and 3 behind it: the eye ray finds the blade.
TEST(PickAt, FollowsTheEyeRayOntoABladeReachingBehindTheEye) {
  PerspectiveStage p;
  TSquareBlade* t = AddBlade(p.layer, {{Vec3{-2, 2, -6}, Vec3{2, 2, -6}, Vec3{2, -2, -16}, Vec3{-2, -2, -16}}});
  const ScreenPoint corner0 = p.Pixel({-2, 2, -6});
  const ScreenPoint inside = p.Pixel({0, 1.2f, -8});
  const ScreenPoint behind = p.Pixel({2, -2, -16});
  ExpectHits(
      p,
      {{corner0.x, corner0.y, {t, bpVertex, 0}}, {inside.x, inside.y, {t, bpFace, 0}}, {behind.x, behind.y, kNothing}});
  EXPECT_EQ(Band(p, {0, 0}, {511, 511}), Outcome(true, 2));
}

TEST(PickAtSkips, ABladeSeenEdgeOnWhichHidesNothing) {
  Stage e;
  AddBlade(e.layer, {{Vec3{0, -50, -100}, Vec3{0, 50, -100}, Vec3{0, 50, -10}, Vec3{0, -50, -10}}});
  ExpectHits(e, {{256, 256, kNothing}});
  EXPECT_FLOAT_EQ(e.layers.PickDepth(), 1.0f);
  TSquareBlade* behind = AddRect(e.layer, 200, 200, 300, 300);
  ExpectHits(e, {{256, 256, {behind, bpFace, 0}}});
}

// Nearer than the near plane the depth is negative; behind the eye the projection mirrors through it.
TEST(PickAtSkips, PointsNearerThanTheNearPlaneOrBehindTheEye) {
  PerspectiveStage p;
  p.Add(0, 0, 0.2f, -0.2f, -9.5f);  // between the eye and the near plane
  p.Add(0, 0, 2, 2, -20);
  p.Add(-3, 3, 3, -1, -20);  // behind the eye
  ExpectHits(p, {{256, 256, kNothing}});
  TSquareBlade* visible = p.Add(-1, 1, 1, -1, 0);
  ExpectHits(p, {{256, 256, {visible, bpFace, 0}}});
  EXPECT_GT(p.layers.PickDepth(), 0.0f);
}

TEST(SelectInRect, SkipsPointsBehindTheEye) {
  PerspectiveStage q;
  q.Add(-1, 1, 1, -1, -20);
  EXPECT_EQ(Band(q, {0, 0}, {511, 511}), Outcome(false, 0));
  TSquareBlade* seen = q.Add(-1, 1, 1, -1, -1);
  EXPECT_EQ(Band(q, {0, 0}, {511, 511}), Outcome(true, 4));
  EXPECT_TRUE(seen->GetFaceSelect());
}

// Welded blades left (100, 100) - (200, 200) and right up to x = 300, and another at (350, 350) - (450, 450).
struct Scene : Stage {
  TSquareBlade* left = AddRect(layer, 100, 100, 200, 200);
  TSquareBlade* right = AddWeldedRight(layer, left, 300);
  TSquareBlade* other = AddRect(layer, 350, 350, 450, 450);
  int PoolSize() const { return layer->VertexPool()->Count(); }
};

constexpr ScreenPoint kLeftCorner0{100, 100};  // unshared
constexpr ScreenPoint kLeftCorner1{200, 100};  // shared with right's corner 0
constexpr ScreenPoint kLeftEdge0{150, 98};     // the top edge from outside
constexpr ScreenPoint kLeftEdge1{200, 150};    // the shared one
constexpr ScreenPoint kLeftFace{150, 150};
constexpr ScreenPoint kOtherFace{400, 400};
constexpr ScreenPoint kEmpty{480, 20};

// The clicked part flips; only exactly Shift keeps the rest of the selection when selecting; exactly
// Ctrl with nothing selected first gives the other blades their own copies of the clicked vertices.
TEST(SelectAt, ClickedPartFlipsAndTheRestFollowsTheModifiers) {
  const std::pair<TShiftState, const char*> shifts[] = {{{}, "Plain"},      {{ssShift}, "Shift"},
                                                        {{ssCtrl}, "Ctrl"}, {{ssShift, ssCtrl}, "Shift+Ctrl"},
                                                        {{ssAlt}, "Alt"},   {{ssShift, ssAlt}, "Shift+Alt"}};
  for (const auto& [shift, name] : shifts)
    for (TBladePartKind kind : {bpVertex, bpBorder, bpFace})
      for (bool was : {false, true})
        for (bool otherWas : {false, true}) {
          SCOPED_TRACE(::testing::Message() << name << " kind " << kind << (was ? " on selected" : " on unselected")
                                            << (otherWas ? " with other selection" : " alone"));
          Scene s;
          // The vertex is the unshared corner 0; the border edge 0 has the shared corner 1; the face has 1 and 2.
          const ScreenPoint at = kind == bpVertex ? kLeftCorner0 : kind == bpBorder ? kLeftEdge0 : kLeftFace;
          const int sharedCorners = kind == bpVertex ? 0 : kind == bpBorder ? 1 : 2;
          s.left->Select(kind, kind == bpFace ? -1 : 0, was);
          if (otherWas)
            s.other->Select(bpFace, -1, true);
          s.layers.RebuildSelectedVertexList();
          const int poolBefore = s.PoolSize();
          EXPECT_TRUE(Click(s, at, shift).first);
          const bool now = kind == bpVertex   ? s.left->GetVertex(0)->Select()
                           : kind == bpBorder ? s.left->GetBorderSelect(0)
                                              : s.left->GetFaceSelect();
          EXPECT_EQ(now, !was);
          EXPECT_EQ(SelectedAt(s, at), now);  // asks the hit blade's own flag for the part kind
          EXPECT_FALSE(kind == bpBorder && !was && SelectedAt(s, kLeftCorner0));  // its vertices, not as corners
          const bool detach = shift == TShiftState{ssCtrl} && !was && !otherWas;
          EXPECT_EQ(s.other->GetFaceSelect(), otherWas && (shift == TShiftState{ssShift} || was));
          EXPECT_EQ(s.PoolSize(), poolBefore + (detach ? sharedCorners : 0));
          int flagged = 0;  // the list holds exactly the selected vertices
          for (int k = 0; k < s.PoolSize(); ++k)
            flagged += s.layer->VertexPool()->Item(k)->Vertex()->Select() ? 1 : 0;
          EXPECT_EQ(Selected(s), flagged);
        }
}

TEST(SelectAt, ASharedVertexIsSelectedOnEveryBladeThatUsesIt) {
  Scene s;
  EXPECT_EQ(Click(s, kLeftCorner1), Outcome(true, 1));
  EXPECT_EQ(s.layers.PickBlade(), s.left);
  EXPECT_EQ(Bits({s.left->GetVertexSelect(1), s.right->GetVertexSelect(0), s.right->GetVertexSelect(1)}), "110");
  EXPECT_EQ(s.layers.SelectedVertices().Item(0), s.left->GetVertexItem(1));
  EXPECT_EQ(s.layers.Anchor(), s.left->GetVertexItem(1));
  ASSERT_EQ(s.layers.PickList().size(), 2u);
  EXPECT_EQ(s.layers.PickList()[1].Blade, s.right);
  EXPECT_EQ(s.layers.PickList()[1].Index, 0);
}

// A third blade runs the shared border as the left one does (its 2 -> 3): a click selects it on all three.
TEST(SelectAt, ASharedBorderIsSelectedOnEveryBladeAndAShiftClickDeselectsItEverywhereKeepingTheRest) {
  Scene s;
  TSquareBlade* reversed = AddBound(s.layer, {nullptr, nullptr, s.left->GetVertexItem(1), s.left->GetVertexItem(2)},
                                    {{AtPixel(250, 250), AtPixel(260, 250)}});
  EXPECT_EQ(Click(s, kLeftEdge1), Outcome(true, 2));
  EXPECT_EQ(s.layers.PickKind(), bpBorder);
  EXPECT_EQ(Bits({s.left->GetBorderSelect(1), s.right->GetBorderSelect(3), reversed->GetBorderSelect(2)}), "111");
  EXPECT_EQ(Click(s, kOtherFace, {ssShift}), Outcome(true, 6));
  EXPECT_EQ(Click(s, kLeftEdge1, {ssShift}), Outcome(true, 4));
  EXPECT_EQ(Bits({s.left->GetBorderSelect(1), s.right->GetBorderSelect(3), reversed->GetBorderSelect(2)}), "000");
  EXPECT_TRUE(s.other->GetFaceSelect());
}

TEST(SelectAt, CtrlOnEmptySelectionDetachesTheClickedVertexFromItsNeighbour) {
  Scene s;
  TVertexItem* shared = s.left->GetVertexItem(1);
  EXPECT_EQ(Click(s, kLeftCorner1, {ssCtrl}), Outcome(true, 1));
  EXPECT_EQ(s.PoolSize(), 11);
  EXPECT_EQ(s.left->GetVertexItem(1), shared);
  ASSERT_NE(s.right->GetVertexItem(0), shared);
  EXPECT_EQ(s.right->GetVertexPosition(0), shared->Vertex()->GetVector());
  EXPECT_EQ(Bits({shared->Vertex()->Select(), s.right->GetVertex(0)->Select(), s.right->GetVertexSelect(0)}), "100");
}

TEST(SelectAt, AClickOnNothingClearsOnlyWhenAsked) {
  Scene s;
  EXPECT_EQ(Click(s, kEmpty), Outcome(false, 0));  // nothing selected, nothing to report
  EXPECT_EQ(Click(s, kOtherFace), Outcome(true, 4));
  EXPECT_EQ(Click(s, kEmpty, {}, false), Outcome(true, 4));  // kept, list rebuilt
  EXPECT_TRUE(s.other->GetFaceSelect());
  EXPECT_EQ(Click(s, kEmpty), Outcome(true, 0));
  EXPECT_EQ(Bits({s.other->GetFaceSelect(), SelectedAt(s, kEmpty), s.layers.Anchor() != nullptr}), "000");
  EXPECT_EQ(Click(s, kEmpty, {ssShift}), Outcome(false, 0));
}

TEST(SelectAt, TheAnchorIsTheFirstVertexClickedIntoTheSelection) {
  Scene s;
  EXPECT_EQ(Click(s, kLeftCorner0), Outcome(true, 1));
  EXPECT_EQ(s.layers.Anchor(), s.left->GetVertexItem(0));
  EXPECT_EQ(Click(s, {350, 350}, {ssShift}), Outcome(true, 2));
  EXPECT_EQ(s.layers.Anchor(), s.left->GetVertexItem(0));
  EXPECT_EQ(Click(s, kLeftCorner0, {ssShift}), Outcome(true, 1));
  EXPECT_EQ(s.layers.Anchor(), nullptr);
  EXPECT_EQ(Click(s, {450, 450}, {ssShift}), Outcome(true, 2));
  EXPECT_EQ(s.layers.Anchor(), s.other->GetVertexItem(2));
}

TEST(SelectInRect, TwoAdjacentCornersGiveTheirEdge) {
  Scene s;
  EXPECT_EQ(Band(s, {90, 90}, {210, 110}), Outcome(true, 2));
  // Left: corners 0, 1 and edge 0, not edge 1 nor the face; right: the shared corner 0 but not edge 0.
  EXPECT_EQ(Bits({s.left->GetVertex(0)->Select(), s.left->GetVertex(1)->Select(), s.left->GetBorderSelect(0),
                  s.left->GetBorderSelect(1), s.left->GetFaceSelect(), s.right->GetVertexSelect(0),
                  s.right->GetBorderSelect(0)}),
            "1110010");
  EXPECT_EQ(s.layers.Anchor(), s.left->GetVertexItem(0));
}

// The band's corners in any order; the old selection cleared first.
TEST(SelectInRect, FourCornersGiveTheFace) {
  Scene s;
  EXPECT_EQ(Band(s, {90, 90}, {210, 110}), Outcome(true, 2));
  EXPECT_EQ(Band(s, {460, 460}, {340, 340}), Outcome(true, 4));
  EXPECT_EQ(Bits({s.other->GetFaceSelect(), s.left->GetVertex(0)->Select()}), "10");
  EXPECT_EQ(s.layers.Anchor(), s.other->GetVertexItem(0));
}

TEST(SelectInRect, CatchingNothingIsAChangeOnlyWhenItClearedSomething) {
  Scene s;
  EXPECT_EQ(Band(s, {460, 460}, {340, 340}), Outcome(true, 4));
  EXPECT_EQ(Band(s, {101, 101}, {199, 199}), Outcome(true, 0));
  EXPECT_EQ(Band(s, {101, 101}, {199, 199}), Outcome(false, 0));
}

TEST(SelectInRect, TheBoundsAreInclusive) {
  Scene s;
  EXPECT_EQ(Band(s, {100, 100}, {100, 100}), Outcome(true, 1));
  EXPECT_EQ(Band(s, {300, 200}, {301, 201}), Outcome(true, 1));
  EXPECT_EQ(s.layers.SelectedVertices().Item(0), s.right->GetVertexItem(2));
}

TEST(SelectInRect, ShiftOrNotClearingFirstKeepsTheOldSelection) {
  Scene s;
  EXPECT_EQ(Band(s, {300, 200}, {301, 201}), Outcome(true, 1));
  EXPECT_EQ(Band(s, {340, 340}, {460, 460}, {ssShift}), Outcome(true, 5));
  EXPECT_EQ(Band(s, {90, 90}, {110, 110}, {}, false), Outcome(true, 6));  // and so does not clearing first
  EXPECT_TRUE(s.other->GetFaceSelect());
}

}  // namespace
}  // namespace vrel
