// The knife and the scissors under the orthographic Stage (near plane z = -512, far z = +512). The property
// test checks random cuts against outside oracles: GLM projects new vertices, Boost.Geometry measures pieces.

#include <gtest/gtest.h>

#include <algorithm>
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/geometries.hpp>
#include <cmath>
#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "scene/DX9Knife.h"
#include "tests/scene/GridFixture.h"
#include "tests/scene/ViewFixture.h"

namespace vrel {
namespace {

using namespace testview;
namespace bg = boost::geometry;
using BPoint = bg::model::d2::point_xy<double>;
using BPolygon = bg::model::polygon<BPoint, false, true>;  // counter-clockwise, closed

// Our matrices act on row vectors, GLM's on columns: GLM's column r is our row r.
glm::dmat4 Glm(const Matrix& m) {
  return glm::dmat4(glm::make_mat4(&m.m[0][0]));
}
glm::dvec3 Glm(const Vec3& v) {
  return {v.x, v.y, v.z};
}
std::string Str(const Vec3& v) {
  return ::testing::PrintToString(std::vector<float>{v.x, v.y, v.z});
}

// The corners to within `tolerance`, and the position cache up to date.
::testing::AssertionResult CornersAre(const TSquareBlade* blade, const TCorners& expected, float tolerance = 1e-4f) {
  for (int i = 0; i < 4; ++i) {
    const Vec3 a = blade->GetVertexPosition(i);
    if (glm::distance(Glm(a), Glm(expected[i])) > tolerance)
      return ::testing::AssertionFailure() << "corner " << i << " is " << Str(a) << ", not " << Str(expected[i]);
    if (!(blade->PositionCache()[i] == a))
      return ::testing::AssertionFailure() << "corner " << i << " cache is stale";
  }
  return ::testing::AssertionSuccess();
}

// Each corner bound to a pool item listing it once under its number; no unused item, no stray record.
::testing::AssertionResult ModelIsSound(const TSquareBladeCollection& layer) {
  std::set<const TDataListItem*> pool, used;
  for (int k = 0; k < layer.VertexPool()->Count(); ++k)
    pool.insert(layer.VertexPool()->Item(k));
  for (int b = 0; b < layer.Count(); ++b) {
    const TSquareBlade* blade = layer.Blade(b);
    if (blade->CornerCount() != 4)
      return ::testing::AssertionFailure() << "blade " << b << " is not a quad";
    for (int s = 0; s < 4; ++s) {
      const TDataListItem* item = blade->GetReference(s);
      if (!item || !pool.contains(item) || blade->GetReferenceID(s) != item->ItemID() ||
          std::ranges::count(item->Clients().Records(), TClientRecord{const_cast<TSquareBlade*>(blade), s}) != 1)
        return ::testing::AssertionFailure() << "blade " << b << " corner " << s << " is bound unlike its item lists";
      used.insert(item);
    }
  }
  int records = 0;
  for (const TDataListItem* item : pool)
    records += item->Clients().Count();
  if (used != pool || records != 4 * layer.Count())
    return ::testing::AssertionFailure() << used.size() << " of " << pool.size() << " used; " << records << " records";
  return ::testing::AssertionSuccess();
}

// Blades meeting along an edge share its vertices, so no two vertices of the layer meet.
::testing::AssertionResult EdgesStayShared(const TSquareBladeCollection& layer) {
  const TVertexItemCollection& pool = *layer.VertexPool();
  for (int m = 0; m < pool.Count(); ++m)
    for (int n = m + 1; n < pool.Count(); ++n)
      if (glm::distance(Glm(pool.Item(m)->Vertex()->GetVector()), Glm(pool.Item(n)->Vertex()->GetVector())) < 1e-3)
        return ::testing::AssertionFailure() << "vertices " << m << " and " << n << " meet unshared";
  return ::testing::AssertionSuccess();
}

bool Cut(Stage& s, ScreenPoint from, ScreenPoint to) {
  return KnifeCut(s.layers, s.device, from, to);
}
using Counts = std::pair<int, int>;  // blades, vertices
Counts Sizes(const TSquareBladeCollection& layer) {
  return {layer.Count(), layer.VertexPool()->Count()};
}

// A blade (`weld`: and one welded right of it up to x = 300) cut by a stroke; `after`: the first blades.
struct CutCase {
  const char* what;
  PixelQuad blade;
  bool weld, diagonal;
  ScreenPoint from, to;
  bool cuts;
  int blades, vertices;
  std::vector<PixelQuad> after;
};

TEST(KnifeCut, StrokesAcrossBladesCutThemAndOthersDoNot) {
  const PixelQuad square = Rect(200, 200, 300, 300);
  const PixelQuad bowTie{{{200, 200}, {300, 200}, {200, 300}, {300, 300}}};
  const std::vector<PixelQuad> halves{Rect(200, 200, 250, 300), Rect(250, 200, 300, 300)};
  const PixelQuad bowTieLeft{{{200, 200}, {250, 200}, {250, 300}, {300, 300}}};
  const std::vector<PixelQuad> cornerCut{{{{200, 200}, {300, 220}, {300, 300}, {200, 300}}},
                                         {{{280, 200}, {290, 200}, {300, 200}, {300, 220}}},
                                         {{{200, 200}, {240, 200}, {280, 200}, {300, 220}}}};
  const std::vector<PixelQuad> weldedCut{Rect(100, 100, 200, 150), Rect(200, 100, 300, 150), Rect(200, 150, 300, 200),
                                         Rect(100, 150, 200, 200)};
  const CutCase cases[] = {
      // The blade keeps the side of its corners 0 and 3 whichever way the stroke runs; ends are inclusive.
      {"down", square, false, false, {250, 150}, {250, 350}, true, 2, 6, halves},
      {"up", square, false, false, {250, 350}, {250, 150}, true, 2, 6, halves},
      {"ending on the far edge", square, false, false, {250, 150}, {250, 300}, true, 2, 6, halves},
      {"ending inside", square, false, false, {250, 150}, {250, 250}, false, 1, 4, {square}},
      {"starting inside", square, false, false, {250, 250}, {250, 350}, false, 1, 4, {square}},
      {"wholly inside", square, false, false, {250, 210}, {250, 290}, false, 1, 4, {square}},
      {"a point", square, false, false, {250, 250}, {250, 250}, false, 1, 4, {square}},
      // A crossing exactly on a corner is no crossing, so one edge is crossed, even for the diagonal knife.
      {"through corner 0", square, false, true, {200, 200}, {400, 250}, false, 1, 4, {square}},
      {"along the top edge", square, false, true, {150, 200}, {350, 200}, false, 1, 4, {square}},
      {"along the diagonal", square, false, true, {150, 150}, {350, 350}, false, 1, 4, {square}},
      // Crossing all four edges of a bow-tie, two pairs of opposite ones, splits it straight only once.
      {"bow-tie", bowTie, false, false, {250, 150}, {250, 350}, true, 2, 6, {bowTieLeft}},
      // Two adjacent edges cut the corner off only with the diagonal knife, in three pieces with midpoints.
      {"corner, straight knife", square, false, false, {230, 150}, {350, 270}, false, 1, 4, {square}},
      {"corner, diagonal knife", square, false, true, {230, 150}, {350, 270}, true, 3, 8, cornerCut},
      // Welded blades share the cut point; blades are visited from the last, so right's piece comes first.
      {"welded", Rect(100, 100, 200, 200), true, false, {50, 150}, {350, 150}, true, 4, 9, weldedCut}};
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.what);
    Stage s;
    s.layers.SetDiagonalKnife(c.diagonal);
    TSquareBlade* first = AddBlade(s.layer, Pixels(c.blade));
    if (c.weld)
      AddWeldedRight(s.layer, first, 300);
    EXPECT_EQ(Cut(s, c.from, c.to), c.cuts);
    ASSERT_EQ(Sizes(*s.layer), Counts(c.blades, c.vertices));
    for (std::size_t b = 0; b < c.after.size(); ++b)
      EXPECT_TRUE(CornersAre(s.layer->Blade(static_cast<int>(b)), Pixels(c.after[b]), c.cuts ? 1e-4f : 0.0f)) << b;
    EXPECT_TRUE(ModelIsSound(*s.layer));
    EXPECT_TRUE(EdgesStayShared(*s.layer));
  }
}

// A blade in a locked layer, in a hidden layer, a hidden one and two past the near and far planes.
struct Uncuttable : Stage {
  TSquareBladeCollection* hidden = layers.AddLayer();
  TSquareBladeCollection* open = layers.AddLayer();
  Uncuttable() {
    for (TSquareBladeCollection* each : {layer, hidden, open})
      AddRect(each, 200, 200, 300, 300);
    for (float z : {600.0f, -600.0f})
      AddRect(open, 200, 200, 300, 300, z);
    open->Blade(0)->SetVisible(false);
    layer->SetLocked(true);
    hidden->SetVisible(false);
  }
};

TEST(KnifeCut, CutsNothingUnderASingularWorld) {
  Stage s;
  AddRect(s.layer, 200, 200, 300, 300);
  s.device.SetTransform(TransformState::World, MatrixScaling(1, 0, 1));
  EXPECT_FALSE(Cut(s, {220, 150}, {220, 350}));
}

// The blades cut, and their pieces (blade 4 is cut first), end unselected with the flag of the blade cut.
TEST(KnifeCut, LeavesThePiecesUnselectedWithTheirBladesTextureFlag) {
  Uncuttable s;
  for (float z : {-500.0f, 500.0f})
    AddRect(s.open, 200, 200, 300, 300, z);
  TSquareBlade* kept = AddRect(s.open, 350, 350, 400, 400);
  s.open->Blade(3)->SetDrawTexture(true);
  s.layers.SelectAll();
  EXPECT_TRUE(Cut(s, {250, 150}, {250, 350}));
  EXPECT_EQ(s.layer->Count() + s.hidden->Count(), 2);
  EXPECT_EQ(Sizes(*s.open), Counts(8, 28));
  for (int b : {3, 4, 6, 7}) {
    SCOPED_TRACE(b);
    EXPECT_FALSE(s.open->Blade(b)->IsSelected());
    EXPECT_TRUE(s.open->Blade(b)->SelectedBorderIndices().empty());
    for (int i = 0; i < 4; ++i)
      EXPECT_FALSE(s.open->Blade(b)->GetVertex(i)->Select());
    EXPECT_EQ(s.open->Blade(b)->DrawTexture(), b == 3 || b == 7);
  }
  EXPECT_TRUE(kept->GetFaceSelect());
}

glm::dvec2 ProjectWithGlm(const IDevice& device, const Vec3& p) {  // where p shows on screen, in double precision
  const glm::dvec4 clip = Glm(GetProjectionMatrix(device)) * Glm(GetViewMatrix(device)) * Glm(GetWorldMatrix(device)) *
                          glm::dvec4(Glm(p), 1.0);
  const Viewport vp = device.GetViewport();
  return {vp.x + (clip.x / clip.w + 1.0) * vp.width / 2.0, vp.y + (1.0 - clip.y / clip.w) * vp.height / 2.0};
}

template <class V>
double DistanceToSegment(const V& p, const V& a, const V& b) {
  const V d = b - a;
  return glm::length(p - (a + d * std::clamp(glm::dot(p - a, d) / glm::dot(d, d), 0.0, 1.0)));
}

BPolygon Outline(const TCorners& c, bool corrected = false) {  // in the model's x-y plane
  BPolygon polygon;
  for (int i = 0; i <= 4; ++i)
    bg::append(polygon.outer(), BPoint(c[i % 4].x, c[i % 4].y));
  if (corrected)
    bg::correct(polygon);  // uncorrected, the sign of the area tells the winding
  return polygon;
}

// Welded 8 x 8 grids jittered by a fifth of the spacing (quads stay convex), turned, tilted and shifted.
TEST(KnifeProperty, PiecesTileTheirBladesAndNewVerticesLieOnTheStroke) {
  for (unsigned seed = 1; seed <= 24; ++seed) {
    std::mt19937 rng(seed);
    auto uniform = [&](double lo, double hi) { return float(std::uniform_real_distribution<>(lo, hi)(rng)); };
    auto rim = [](double a) { return ScreenPoint(int(256 + 400 * std::cos(a)), int(256 + 400 * std::sin(a))); };
    auto anywhere = [&] { return ScreenPoint{static_cast<int>(uniform(0, 512)), static_cast<int>(uniform(0, 512))}; };
    const bool diagonal = seed % 2 == 0;
    int cutRuns = 0;
    for (int run = 0; run < 12; ++run) {
      Stage s;
      s.layers.SetDiagonalKnife(diagonal);
      const float turn = uniform(0, 6.283), tilt = uniform(-0.6, 0.6), dx = uniform(-30, 30), dy = uniform(-30, 30);
      const Matrix world = MatrixRotationZ(turn) * MatrixRotationX(tilt) * MatrixTranslation(dx, dy, uniform(-30, 30));
      s.device.SetTransform(TransformState::World, world);
      const std::vector<TVertexItem*> points = grid::BuildWeldedGrid(*s.layer, {8, 8});
      std::map<const TVertexItem*, Vec3> oldItems;
      for (std::size_t k = 0; k < points.size(); ++k) {  // grid point (k % 9, k / 9)
        const float x = -160.0f + 40.0f * static_cast<float>(k % 9) + uniform(-8, 8);
        const float y = -160.0f + 40.0f * static_cast<float>(k / 9) + uniform(-8, 8);
        points[k]->Vertex()->SetVector(oldItems[points[k]] = {x, y, 0});
      }
      const int bladeCount = s.layer->Count();
      std::vector<TCorners> originals;
      for (int b = 0; b < bladeCount; ++b)
        originals.push_back(s.layer->Blade(b)->GetVertices());
      const double a = uniform(0, 6.283), b = a + uniform(2.4, 3.9);
      const ScreenPoint from = run % 2 ? anywhere() : rim(a);  // or right across
      const ScreenPoint to = run % 2 ? anywhere() : rim(b);
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " run " << run << ": (" << from.x << ", " << from.y
                                        << ") - (" << to.x << ", " << to.y << ")");
      const bool cut = Cut(s, from, to);
      cutRuns += cut ? 1 : 0;
      EXPECT_EQ(cut, s.layer->Count() > bladeCount);
      ASSERT_TRUE(ModelIsSound(*s.layer));
      EXPECT_TRUE(EdgesStayShared(*s.layer));
      // No old vertex moves; a new one lies on the stroke or, with the diagonal knife, on an original edge.
      for (int k = 0; k < s.layer->VertexPool()->Count(); ++k) {
        const TVertexItem* item = s.layer->VertexPool()->Item(k);
        const Vec3 p = item->Vertex()->GetVector();
        if (auto old = oldItems.find(item); old != oldItems.end()) {
          EXPECT_EQ(p, old->second);
          continue;
        }
        EXPECT_NEAR(p.z, 0.0f, 1e-3f) << "a cut point left the blades' plane";
        const glm::dvec2 shown = ProjectWithGlm(s.device, p), start(from.x, from.y), end(to.x, to.y);
        const double off = DistanceToSegment(shown, start, end);
        bool onOriginalEdge = false;
        for (std::size_t o = 0; diagonal && o < originals.size(); ++o)
          for (int i = 0; i < 4; ++i)
            onOriginalEdge |= DistanceToSegment(Glm(p), Glm(originals[o][i]), Glm(originals[o][(i + 1) % 4])) < 1e-3;
        EXPECT_TRUE(off < 0.01 || onOriginalEdge) << "new vertex " << Str(p) << " is " << off << " px off the stroke";
      }
      // New pieces are appended, each inside one original; a blade's pieces keep its winding and tile it.
      std::vector<std::vector<TCorners>> pieces(originals.size());
      for (int p = 0; p < s.layer->Count(); ++p) {
        const TCorners piece = s.layer->Blade(p)->GetVertices();
        std::size_t owner = static_cast<std::size_t>(p);
        BPoint centroid;
        bg::centroid(Outline(piece), centroid);
        for (std::size_t o = 0; p >= bladeCount && o < originals.size(); ++o) {
          if (!bg::covered_by(centroid, Outline(originals[o], true)))
            continue;
          EXPECT_GE(owner, originals.size()) << "piece " << p << " starts in two blades";
          owner = o;
        }
        ASSERT_LT(owner, originals.size()) << "piece " << p << " starts in no blade";
        pieces[owner].push_back(piece);
      }
      for (std::size_t o = 0; o < originals.size(); ++o) {
        const double whole = bg::area(Outline(originals[o]));
        double sum = 0;
        for (std::size_t m = 0; m < pieces[o].size(); ++m) {
          const double area = bg::area(Outline(pieces[o][m]));
          EXPECT_TRUE(std::abs(area) <= 1e-3 || area * whole > 0) << "a piece of blade " << o << " turned over";
          sum += area;
          for (std::size_t n = 0; n < m; ++n) {
            bg::model::multi_polygon<BPolygon> overlap;
            bg::intersection(Outline(pieces[o][m], true), Outline(pieces[o][n], true), overlap);
            EXPECT_LT(bg::area(overlap), 1e-3 * std::abs(whole)) << "pieces of blade " << o << " overlap";
          }
        }
        EXPECT_NEAR(sum, whole, 1e-4 * std::abs(whole)) << "blade " << o << " in " << pieces[o].size() << " pieces";
      }
    }
    EXPECT_GT(cutRuns, 0) << "seed " << seed;
  }
}

bool Join(Stage& s, int x, int y) {
  return ScissorsJoin(s.layers, s.device, x, y);
}

// The shared edge's ends on screen as {x0, y0, x1, y1}, or nothing.
std::vector<int> EdgeAt(Stage& s, int x, int y) {
  const auto edge = ScissorsEdgeAt(s.layers, s.device, x, y);
  return edge ? std::vector<int>{edge->From.x, edge->From.y, edge->To.x, edge->To.y} : std::vector<int>{};
}

// Welded blades left (100, 100) - (200, 200) and right up to x = 300.
struct Pair : Stage {
  TSquareBlade* left = AddRect(layer, 100, 100, 200, 200);
  TSquareBlade* right = AddWeldedRight(layer, left, 300);
};

// The picked blade (at equal depths the earlier) survives, numbered its own way: either way as the left.
TEST(ScissorsJoin, MergesTheNeighbourIntoThePickedBladeAndFreesTheSharedEdge) {
  for (bool rightFirst : {false, true}) {
    SCOPED_TRACE(rightFirst ? "right blade picked" : "left blade picked");
    Pair p;
    TSquareBlade* survivor = rightFirst ? p.right : p.left;
    if (rightFirst)
      p.right->SetIndex(0);
    p.layers.SelectAll();
    EXPECT_TRUE(Join(p, 200, 150));
    ASSERT_EQ(Sizes(*p.layer), Counts(1, 4));
    EXPECT_EQ(p.layer->Blade(0), survivor);
    EXPECT_TRUE(CornersAre(survivor, Pixels(Rect(100, 100, 300, 200))));
    EXPECT_FALSE(survivor->IsSelected());
    EXPECT_TRUE(ModelIsSound(*p.layer));
    for (const TVertexItem* item : p.layers.SelectedVertices().Items())  // freed vertices left the list
      EXPECT_EQ(item->Collection(), p.layer->VertexPool());
    EXPECT_EQ(p.layers.PickBlade(), nullptr);
  }
}

// An edge of no neighbour, a face, a vertex, nothing.
TEST(ScissorsJoin, NeedsASharedEdgeUnderTheCursor) {
  Pair p;
  for (ScreenPoint at : {ScreenPoint{150, 98}, {150, 150}, {100, 100}, {480, 20}}) {
    EXPECT_FALSE(Join(p, at.x, at.y)) << at.x << ", " << at.y;
    EXPECT_EQ(EdgeAt(p, at.x, at.y), std::vector<int>{}) << at.x << ", " << at.y;
  }
  EXPECT_EQ(Sizes(*p.layer), Counts(2, 6));
}

// A blade using the left one's edge 1 the same way round (turned over) is no neighbour.
TEST(ScissorsJoin, NeedsAnEdgeSharedTheOtherWayRound) {
  Stage s;
  TSquareBlade* left = AddRect(s.layer, 100, 100, 200, 200);
  AddBound(s.layer, {left->GetVertexItem(1), left->GetVertexItem(2)}, Pixels({{{}, {}, {300, 200}, {300, 100}}}));
  EXPECT_FALSE(FindNeighbour(*left, 1));
  EXPECT_FALSE(Join(s, 200, 150));
  EXPECT_EQ(EdgeAt(s, 200, 150), std::vector<int>{});
  EXPECT_EQ(s.layer->Count(), 2);
}

// Half a pixel off the grid, on both sides of zero.
TEST(ScissorsEdgeAt, RoundsTheEndsHalfAwayFromZero) {
  Stage s;
  AddWeldedRight(s.layer, AddRect(s.layer, -100.5f, 100.5f, -0.5f, 200.5f), 99.5f);
  EXPECT_EQ(EdgeAt(s, 0, 150), (std::vector<int>{-1, 101, -1, 201}));
}

// Pixel row 100 lies before the look-at point (z = -50), row 200 beyond it (z = +50).
TEST(ScissorsEdgeAt, ShowsAnEdgeReachingBeyondTheLookAtPoint) {
  Pair p;
  for (TSquareBlade* b : {p.left, p.right})
    for (int i = 0; i < 4; ++i) {
      const Vec3 v = b->GetVertexPosition(i);
      b->SetVertexPosition(i, {v.x, v.y, v.y > 100 ? -50.0f : 50.0f});
    }
  EXPECT_EQ(EdgeAt(p, 203, 150), (std::vector<int>{200, 100, 200, 200}));
  EXPECT_EQ(p.layer->Count(), 2);  // only a look
}

// The shared edge runs from in front of the eye (z = -6) to behind it (z = -16).
TEST(ScissorsEdgeAt, ShowsNoEdgeWithAnEndBehindTheEyeThoughAClickJoins) {
  PerspectiveStage p;
  TSquareBlade* left = AddBlade(p.layer, {{Vec3{-2, 2, -6}, Vec3{0, 2, -6}, Vec3{0, -2, -16}, Vec3{-2, -2, -16}}});
  AddBound(p.layer, {left->GetVertexItem(1), nullptr, nullptr, left->GetVertexItem(2)},
           {{{}, Vec3{2, 2, -6}, Vec3{2, -2, -16}}});
  const ScreenPoint onEdge = p.Pixel({0, 1.2f, -8});
  EXPECT_EQ(EdgeAt(p, onEdge.x, onEdge.y), std::vector<int>{});
  EXPECT_TRUE(Join(p, onEdge.x, onEdge.y));
  EXPECT_EQ(p.layer->Count(), 1);
}

}  // namespace
}  // namespace vrel
