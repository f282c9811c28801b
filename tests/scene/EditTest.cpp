// Vertex and face operations. Refusals leave the document's component stream byte for byte as it was;
// geometry is checked against GLM in double precision, and the winding of new faces against
// Boost.Geometry's orientation rules on the view from the eye.

#define GLM_ENABLE_EXPERIMENTAL
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>
#include <glm/gtx/closest_point.hpp>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ComponentStream.h"
#include "scene/DX9Edit.h"
#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

namespace bg = boost::geometry;
using Point2 = bg::model::d2::point_xy<double>;
using grid::BuildWeldedGrid;
using grid::GridPointIndex;
using grid::GridShape;
using Items = std::array<TVertexItem*, 4>;
using Operation = std::function<bool(TSquareBladeCollections&)>;

Vec3 F(const glm::dvec3& v) {
  return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
Items ItemsOf(const TSquareBlade* b) {
  return {b->GetVertexItem(0), b->GetVertexItem(1), b->GetVertexItem(2), b->GetVertexItem(3)};
}
std::vector<glm::dvec3> Corners(const TSquareBlade* b) {
  return {G(b->GetVertexPosition(0)), G(b->GetVertexPosition(1)), G(b->GetVertexPosition(2)),
          G(b->GetVertexPosition(3))};
}
glm::dvec3 Centroid(const std::vector<glm::dvec3>& p) {
  return std::accumulate(p.begin(), p.end(), glm::dvec3(0)) / static_cast<double>(p.size());
}
glm::dvec3 NormalAtCorner0(const TSquareBlade* blade) {
  const auto c = Corners(blade);
  return glm::cross(c[0] - c[3], c[1] - c[0]);
}

// Every blade's position cache and reference numbers follow its bound vertices.
void ExpectCachesFresh(const TSquareBladeCollection* layer) {
  for (int b = 0; b < layer->Count(); ++b) {
    EXPECT_EQ(layer->Blade(b)->PositionCache(), layer->Blade(b)->GetVertices()) << b;
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(layer->Blade(b)->GetReferenceID(k), ItemsOf(layer->Blade(b))[k]->ItemID()) << b;
  }
}

// Seen from `eye` (looking at its centroid, left-handed, y up) the blade runs clockwise: a front face.
void ExpectFacing(const glm::dvec3& eye, const TSquareBlade* blade) {
  const glm::dvec3 centre = Centroid(Corners(blade));
  const bool steep = std::abs(glm::normalize(centre - eye).y) > 0.9;
  const glm::dmat4 view = glm::lookAtLH(eye, centre, steep ? glm::dvec3(1, 0, 0) : glm::dvec3(0, 1, 0));
  bg::model::polygon<Point2, true, false> seen;
  for (const auto& c : Corners(blade)) {
    const glm::dvec4 v = view * glm::dvec4(c, 1.0);
    bg::append(seen.outer(), Point2(v.x / v.z, v.y / v.z));
  }
  EXPECT_TRUE(bg::is_valid(seen) && bg::area(seen) > 0) << bg::wkt(seen);
}

struct Document {
  TSquareBladeCollectionsContainer container;
  TSquareBladeCollections& layers = *container.Collections();
  TSquareBladeCollection* layer = layers.AddLayer();
  std::string Bytes() const { return SaveComponentToBytes(container); }
  TSquareBlade* Add(const TCorners& corners, TSquareBladeCollection* into = nullptr) {
    return AddBlade(into ? into : layer, corners);
  }
  // Selects corners the way clicks do: the vertex and that corner's flag on every blade using it.
  void Pick(const std::vector<TVertexItem*>& items) {
    for (TVertexItem* item : items) {
      for (const TClientRecord& record : std::vector<TClientRecord>(item->Clients().Records()))
        static_cast<TSquareBlade*>(record.Client)->Select(bpVertex, record.Slot, true);
      item->Vertex()->SetSelect(true);
    }
    layers.RebuildSelectedVertexList();
  }
  void Face(std::initializer_list<TSquareBlade*> blades) {
    for (TSquareBlade* blade : blades)
      blade->Select(bpFace, -1, true);
    layers.RebuildSelectedVertexList();
  }
  // Each operation answers false, or raises `message` when one is given; document and selection stay.
  void ExpectUnchanged(const std::vector<Operation>& ops, const std::string& message = "") {
    const std::string before = Bytes();
    const int selected = layers.SelectedVertices().Count();
    for (const auto& operation : ops) {
      try {
        EXPECT_FALSE(operation(layers));
        EXPECT_EQ(message, "") << "no exception";
      } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), message);
      }
    }
    EXPECT_EQ(std::tuple(Bytes(), layers.SelectedVertices().Count()), std::tuple(before, selected));
  }
};

// A welded pair (`right` its right blade) and two loose blades `a` and `b` in the first layer, a blade in another.
struct Scenery : Document {
  TSquareBlade* right = (BuildWeldedGrid(*layer, GridShape{2, 1}), layer->Blade(1));
  TSquareBlade* a = Add(Square(0, 0, 5));
  TSquareBlade* b = Add(Square(3, 0, 5));
  TSquareBlade* other = Add(Square(3, 0, 5), layers.AddLayer());
  // Two corners of the right blade, the second the anchor.
  void PickRight() {
    Pick({right->GetVertexItem(0), right->GetVertexItem(2)});
    layers.SetAnchor(right->GetVertexItem(2));
  }
};

struct Refusal {
  const char* what;
  std::function<void(Scenery&)> setup;
  std::vector<Operation> operations;
  std::string message{};  // none: the operations answer false
};

Operation FaceToEye(Vec3 eye) {
  return [eye](auto& l) { return FaceToCamera(l, EyePoint(eye)); };
}

// The faces of a square and, elsewhere, of the same square turned the other way.
void SelectCancellingFaces(Scenery& s) {
  const TCorners turned = Square(3, 0, 2);
  s.Face({s.Add(Square(0, 0)), s.Add({{turned[0], turned[3], turned[2], turned[1]}})});
}

const Refusal kRefusals[] = {
    {"two corners of one blade stick",
     [](auto& s) { s.PickRight(); },
     {StickVertices, GatherVertices},
     "同じ面の頂点はくっつきません。"},
    {"vertices of two layers stick (before the two corners of one blade)",
     [](auto& s) { s.PickRight(), s.Pick({s.other->GetVertexItem(2)}); },
     {StickVertices, GatherVertices},
     "別のレイヤーの頂点はくっつきません。"},
    {"vertices of two layers make a face",
     [](auto& s) {
       s.PickRight(), s.Pick({s.other->GetVertexItem(2), s.other->GetVertexItem(3)});
     },
     {MakeFace},
     "別のレイヤーの頂点から面は作成出来ません。"},
    {"nothing selected",
     [](auto&) {},
     {ReverseFaces, DeleteSelected, StickVertices, GatherVertices, MakeFace, AlignVertices, AlignToFacePlane,
      [](auto& l) { return SetDrawTexture(l, true); }}},
    {"one vertex sticks", [](auto& s) { s.Pick({s.a->GetVertexItem(2)}); }, {StickVertices, GatherVertices}},
    {"a gather without an anchor, the face operations without a face",
     [](auto& s) {
       s.Pick({s.a->GetVertexItem(2), s.b->GetVertexItem(0)});
     },
     {GatherVertices, AlignToFacePlane, FaceToEye({0, 10, 0})}},
    {"three vertices make a face",
     [](auto& s) {
       s.Pick({s.a->GetVertexItem(2), s.b->GetVertexItem(0), s.b->GetVertexItem(1)});
     },
     {MakeFace}},
    {"five vertices make a face",
     [](auto& s) {
       s.Pick({s.a->GetVertexItem(0), s.a->GetVertexItem(1), s.a->GetVertexItem(2), s.b->GetVertexItem(0),
               s.b->GetVertexItem(1)});
     },
     {MakeFace}},
    {"the four corners of one blade make a face",
     [](auto& s) { s.Face({s.a}), s.layers.SetAnchor(s.a->GetVertexItem(0)); },
     {MakeFace},
     "同一ポリゴンの４点から面は作成出来ません。"},
    {"an eye at the face's centroid gives a direction",
     [](auto& s) { s.Face({s.Add(Square(0, 0))}); },
     {FaceToEye({0.5f, 0, 0.5f})}},
    {"faces whose normals cancel give a plane", SelectCancellingFaces, {AlignToFacePlane, FaceToEye({0, 30, 0})}},
    {"a new polygon has cells of some size",
     [](auto&) {},
     {[](auto& l) { return NewPolygon(l, 0, 3, 10, 10, {}); }, [](auto& l) { return NewPolygon(l, 2, -1, 1, 1, {}); }}},
    {"a new polygon goes into a locked layer", [](auto& s) { s.layer->SetLocked(true); }, {[](auto& l) {
       return NewPolygon(l, 1, 1, 10, 10, {});
     }}}};

TEST(EditRefusal, ARefusedOperationLeavesTheDocumentAsItWas) {
  for (const Refusal& r : kRefusals) {
    SCOPED_TRACE(r.what);
    Scenery s;
    r.setup(s);
    s.ExpectUnchanged(r.operations, r.message);
  }
  TSquareBladeCollections none;
  EXPECT_FALSE(NewPolygon(none, 2, 1, 10, 4, {0, 0, 0}));
  EXPECT_FALSE(AnyFaceSelected(Scenery().layers) || AnyDrawTexture(Scenery().layers));
}

TEST(EditRefusal, NoLineRunsThroughCoincidentVertices) {
  Document coincident;
  for (int i = 0; i < 3; ++i) {
    TSquareBlade* corner = coincident.Add(Square(0, 0));
    corner->SetVertexPosition(1, {2, 3, 4});
    coincident.Pick({corner->GetVertexItem(1)});
    coincident.ExpectUnchanged({AlignVertices});
  }
}

TEST(Weld, StickAndGatherMergeIntoTheFirstListedVertex) {
  for (bool gather : {false, true}) {
    SCOPED_TRACE(gather ? "gather" : "stick");
    Document d;
    const GridShape shape{6, 6};
    const auto points = BuildWeldedGrid(*d.layer, shape);
    std::vector<TVertexItem*> picked{d.layer->VertexPool()->Add()};  // no blade uses the first; it merges all the same
    picked[0]->Vertex()->SetVector({4, 4, 4});
    for (int row = 0; row <= 6; row += 2)  // every other point of every other row: no two on one blade
      for (int column = 0; column <= 6; column += 2)
        picked.push_back(points[GridPointIndex(shape, column, row)]);
    d.Pick(picked);
    std::vector<glm::dvec3> at;
    for (const TVertexItem* item : picked)
      at.push_back(G(item->Vertex()->GetVector()));
    TVertexItem* first = d.layers.SelectedVertices().Item(0);
    TVertexItem* anchor = points[GridPointIndex(shape, 4, 2)];
    ASSERT_EQ(first, points[0]);  // the list runs in pool order, not in picking order
    if (gather)
      d.layers.SetAnchor(anchor);
    const glm::dvec3 target = gather ? G(anchor->Vertex()->GetVector()) : Centroid(at);
    const int pool = d.layer->VertexPool()->Count();
    ASSERT_TRUE(gather ? GatherVertices(d.layers) : StickVertices(d.layers));
    EXPECT_EQ(d.layer->VertexPool()->Count(), pool - static_cast<int>(picked.size()) + 1);
    EXPECT_LE(glm::distance(G(first->Vertex()->GetVector()), target), gather ? 0 : 1e-5);
    EXPECT_EQ(std::tuple(d.layers.Anchor(), d.layers.SelectedVertices().Items()),
              std::tuple(nullptr, std::vector{first}));
    for (int b = 0; b < d.layer->Count(); ++b)  // every blade had exactly one selected corner
      EXPECT_EQ(std::ranges::count(ItemsOf(d.layer->Blade(b)), first), 1) << b;
    ExpectCachesFresh(d.layer);
  }
}

// The outer corners of two welded blades belong to no one polygon.
TEST(MakeFace, TheOuterCornersOfWeldedBladesMakeAFace) {
  Document welded;
  const auto points = BuildWeldedGrid(*welded.layer, GridShape{2, 1, 1.0f, {0, 0, 5}});
  welded.Pick({points[0], points[2], points[5], points[3]});
  ASSERT_TRUE(MakeFace(welded.layers));
  EXPECT_EQ(std::tuple(welded.layer->Count(), welded.layer->VertexPool()->Count()), std::tuple(3, 6));
}

// Four points of an ellipse in front of the origin, tilted up to ~37 degrees from facing it, in random order.
struct RandomQuads {
  std::mt19937 random{7031};
  std::uniform_real_distribution<double> unit{-1.0, 1.0};
  std::uniform_real_distribution<double> distance{5.0, 60.0};
  glm::dvec3 Any() { return glm::dvec3(unit(random), unit(random), unit(random)); }
  std::vector<Vec3> Next() {
    const glm::dvec3 centre = glm::normalize(Any() + glm::dvec3(0, 0, 1e-3)) * distance(random);
    const glm::dvec3 normal = glm::normalize(glm::normalize(centre) + 0.35 * Any());
    const glm::dvec3 helper = std::abs(normal.x) < 0.9 ? glm::dvec3(1, 0, 0) : glm::dvec3(0, 1, 0);
    const glm::dvec3 u = glm::normalize(glm::cross(normal, helper));
    const glm::dvec3 v = glm::cross(normal, u);
    const double ru = 1 + 2 * std::abs(unit(random));
    const double rv = 1 + 2 * std::abs(unit(random));
    const double start = std::numbers::pi * unit(random);
    std::array<double, 4> angles{0, 1, 2, 3};
    for (double& a : angles)
      a = start + a * std::numbers::pi / 2 + 0.5 * unit(random);
    std::shuffle(angles.begin(), angles.end(), random);
    std::vector<Vec3> points;
    for (double a : angles)
      points.push_back(F(centre + u * (ru * std::cos(a)) + v * (rv * std::sin(a))));
    return points;
  }
};

// A face made of the four points, in the document's first layer or a layer of its own.
struct MadeFace {
  Document document;
  TSquareBladeCollection* layer;
  std::vector<TVertexItem*> items;
  MadeFace(const std::vector<Vec3>& points, bool ownLayer, int anchor) {
    layer = ownLayer ? document.layers.AddLayer() : document.layer;
    for (const Vec3& p : points) {
      items.push_back(layer->VertexPool()->Add());
      items.back()->Vertex()->SetVector(p);
    }
    document.Pick(items);
    document.layers.SetAnchor(anchor < 0 ? nullptr : items[static_cast<std::size_t>(anchor)]);
    EXPECT_TRUE(MakeFace(document.layers));
  }
};

// The face goes where the vertices are, selected, facing the origin, and starts at the anchor.
TEST(MakeFace, TheNewBladeFacesTheOriginAndStartsAtTheAnchor) {
  RandomQuads quads;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const int anchor = round % 5 == 4 ? -1 : static_cast<int>(quads.random() % 4);
    const MadeFace made(quads.Next(), round % 3 == 0, anchor);
    ASSERT_EQ(made.layer->Count(), 1);
    const TSquareBlade* blade = made.layer->Blade(0);
    EXPECT_EQ(blade->GetVertexItem(0), anchor < 0 ? blade->GetVertexItem(0) : made.items[std::size_t(anchor)]);
    const Items used = ItemsOf(blade);
    EXPECT_EQ(std::set<TVertexItem*>(used.begin(), used.end()),
              std::set<TVertexItem*>(made.items.begin(), made.items.end()));
    EXPECT_EQ(std::tuple(blade->GetFaceSelect(), made.document.layers.SelectedVertices().Count()), std::tuple(true, 4));
    ExpectCachesFresh(made.layer);
    ExpectFacing(glm::dvec3(0), blade);
  }
}

TEST(FaceToCamera, TurnsTheBladeRigidlyAboutItsCentroidToFaceTheEye) {
  RandomQuads quads;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    MadeFace made(quads.Next(), false, 0);
    const TSquareBlade* blade = made.layer->Blade(0);
    const std::vector<glm::dvec3> before = Corners(blade);
    const glm::dvec3 eye =
        Centroid(before) + glm::normalize(quads.Any() + glm::dvec3(0, 1e-3, 0)) * quads.distance(quads.random);
    ASSERT_TRUE(FaceToCamera(made.document.layers, EyePoint(F(eye))));
    const std::vector<glm::dvec3> after = Corners(blade);
    EXPECT_LT(glm::distance(Centroid(after), Centroid(before)), 1e-4);
    for (std::size_t i = 0; i < 4; ++i)
      for (std::size_t j = i + 1; j < 4; ++j)
        EXPECT_NEAR(glm::distance(after[i], after[j]), glm::distance(before[i], before[j]), 1e-4);
    EXPECT_GT(glm::dot(glm::normalize(NormalAtCorner0(blade)), glm::normalize(eye - Centroid(before))), 0.99999);
    ExpectFacing(eye, blade);
  }
}

// The farthest pair, 1 and 3, stays exactly where it was.
TEST(Align, VerticesLandOnTheLineThroughTheFarthestPair) {
  Document d;
  const std::vector<glm::dvec3> at{{1, 0, 0}, {-5, 0.5, 0}, {0, 2, 1}, {6, 1, -0.5}, {2, -1, 3}};
  for (const glm::dvec3& p : at) {
    d.Add(Square(0, 0))->SetVertexPosition(0, F(p));
    d.Pick({d.layer->Blade(d.layer->Count() - 1)->GetVertexItem(0)});
  }
  ASSERT_TRUE(AlignVertices(d.layers));
  for (std::size_t i = 0; i < at.size(); ++i) {
    const bool end = i == 1 || i == 3;
    const glm::dvec3 expected = end ? at[i] : glm::closestPointOnLine(at[i], at[1], at[3]);
    EXPECT_LE(glm::distance(G(d.layer->Blade(static_cast<int>(i))->GetVertexPosition(0)), expected), end ? 0 : 1e-5)
        << i;
  }
  ExpectCachesFresh(d.layer);
}

// Along the mean normal of the selected faces of every layer, through the centroid.
TEST(Align, VerticesLandOnTheMeanPlaneOfTheSelectedFaces) {
  Document d;
  TSquareBlade* loose = d.Add(Square(0, 0));
  TSquareBlade* a = d.Add({{{0, 0, 0}, {2, 0.5f, 0}, {2, 1, 2}, {0, 0, 2}}});
  TSquareBlade* b = d.Add({{{5, 1, 0}, {7, 2, 0}, {7, 2, 3}, {5, 1.5f, 3}}}, d.layers.AddLayer());
  d.Face({a, b});
  d.Pick({loose->GetVertexItem(2)});
  const glm::dvec3 n = glm::normalize(NormalAtCorner0(a) + NormalAtCorner0(b));
  const std::vector<TVertexItem*> items = d.layers.SelectedVertices().Items();
  ASSERT_EQ(items.size(), 9u);
  std::vector<glm::dvec3> before;
  for (const TVertexItem* item : items)
    before.push_back(G(item->Vertex()->GetVector()));
  ASSERT_TRUE(AlignToFacePlane(d.layers));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const glm::dvec3 p = G(items[i]->Vertex()->GetVector());
    EXPECT_NEAR(glm::dot(p - Centroid(before), n), 0.0, 1e-4) << i;
    EXPECT_LT(glm::length(glm::cross(p - before[i], n)), 1e-4) << i;
  }
  for (const TSquareBlade* blade : {a, b, loose})
    EXPECT_EQ(blade->PositionCache(), blade->GetVertices());
}

// A welded 2 x 2 grid, a lone and a hidden blade in the first layer, a blade in a locked and one in a hidden layer;
// every blade's face is selected but those of grid blades 1 and 2, and grid blade 1 has a border selected.
struct Faces {
  Document d;
  TSquareBladeCollection* locked = d.layers.AddLayer();
  TSquareBladeCollection* hiddenLayer = d.layers.AddLayer();
  GridShape shape{2, 2};
  TVertexItem* centre = BuildWeldedGrid(*d.layer, shape)[GridPointIndex(shape, 1, 1)];
  TSquareBlade* lone = d.Add(Square(9, 9));  // its corners have no other client to keep them alive
  TSquareBlade* hidden = d.Add(Square(9, 12));
  TSquareBlade* kept = d.Add(Square(-9, -9), locked);
  Faces() {
    d.Face({d.layer->Blade(0), d.layer->Blade(3), lone, hidden, kept, d.Add(Square(5, 5), hiddenLayer)});
    hidden->SetVisible(false);
    locked->SetLocked(true);
    hiddenLayer->SetVisible(false);
    d.layer->Blade(1)->Select(bpBorder, 0, true);  // a border is no face
  }
};

TEST(DrawTexture, GoesOnEverySelectedFaceAndOffAgain) {
  Faces f;
  ASSERT_TRUE(SetDrawTexture(f.d.layers, true));
  for (const TSquareBladeCollection* layer : {f.d.layer, f.locked, f.hiddenLayer})
    for (int b = 0; b < layer->Count(); ++b)
      EXPECT_EQ(layer->Blade(b)->DrawTexture(), layer->Blade(b)->GetFaceSelect()) << b;
  EXPECT_TRUE(AnyFaceSelected(f.d.layers) && SetDrawTexture(f.d.layers, false) && !AnyDrawTexture(f.d.layers));
}

// The squares faced down; only the selected faces of editable layers turn up.
TEST(ReverseFaces, TurnsTheSelectedFacesOfEditableLayersOnly) {
  Faces f;
  std::vector<Items> was;
  for (int b = 0; b < f.d.layer->Count(); ++b)
    was.push_back(ItemsOf(f.d.layer->Blade(b)));
  ASSERT_TRUE(ReverseFaces(f.d.layers));
  EXPECT_EQ(f.d.layer->VertexPool()->Count(), 17);
  for (int b = 0; b < f.d.layer->Count(); ++b) {
    const bool reversed = b == 0 || b == 3 || b == 4;
    const Items& w = was[static_cast<std::size_t>(b)];
    EXPECT_EQ(ItemsOf(f.d.layer->Blade(b)), (reversed ? Items{w[0], w[3], w[2], w[1]} : w)) << b;
    EXPECT_EQ(NormalAtCorner0(f.d.layer->Blade(b)).y > 0, reversed) << b;
  }
  ExpectCachesFresh(f.d.layer);
  EXPECT_EQ(std::tuple(f.kept->GetVertices(), f.hiddenLayer->Blade(0)->GetVertices()),
            std::tuple(Square(-9, -9), Square(5, 5)));
}

// The grid's centre is a corner of all four blades; only blades 0 and 1 carry its corner flag. The bottom row's
// three points go with blades 0 and 1.
TEST(DeleteSelected, TakesTheBladesWhoseCornersAreSelectedWithTheVerticesOnlyTheyUsed) {
  Faces f;
  for (TSquareBlade* blade : {f.d.layer->Blade(0), f.d.layer->Blade(1), f.d.layer->Blade(3), f.lone, f.hidden})
    blade->Select(bpFace, -1, false);
  f.d.layer->Blade(0)->Select(bpVertex, 2, true);
  f.d.layer->Blade(1)->Select(bpVertex, 3, true);
  f.d.layers.RebuildSelectedVertexList();
  ASSERT_EQ(std::tuple(ItemsOf(f.d.layer->Blade(0))[2], ItemsOf(f.d.layer->Blade(1))[3],
                       f.d.layers.SelectedVertices().Count()),
            std::tuple(f.centre, f.centre, 1));
  const std::vector<TSquareBlade*> survivors{f.d.layer->Blade(2), f.d.layer->Blade(3), f.lone, f.hidden};
  ASSERT_TRUE(DeleteSelected(f.d.layers));
  EXPECT_EQ((std::vector{f.d.layer->Blade(0), f.d.layer->Blade(1), f.d.layer->Blade(2), f.d.layer->Blade(3)}),
            survivors);
  EXPECT_EQ(f.d.layer->VertexPool()->Count(), 14);
  EXPECT_EQ(survivors[0]->GetVertexItem(1), f.centre);
  EXPECT_EQ(std::tuple(f.locked->Count(), f.hiddenLayer->Count(), f.d.layers.SelectedVertices().Count()),
            std::tuple(1, 1, 0));
  EXPECT_EQ(std::tuple(f.kept->IsSelected(), f.d.layers.Anchor()), std::tuple(false, nullptr));
}

TEST(NewPolygon, AddsASelectedGridCentredOnThePosition) {
  Document d;
  TSquareBladeCollection* layer = d.layers.AddLayer();
  d.Face({d.Add(Square(30, 30))});
  d.layers.SetCurrentIndex(1);
  ASSERT_TRUE(NewPolygon(d.layers, 1, 2, 10, 4, {12.5f, -3, 40}));
  ASSERT_EQ(std::tuple(layer->Count(), layer->VertexPool()->Count()), std::tuple(2, 6));
  const float xs[2] = {7.5f, 17.5f};
  const float zs[3] = {42, 40, 38};
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(layer->VertexPool()->Item(k)->Vertex()->GetVector(), (Vec3{xs[k % 2], -3, zs[k / 2]})) << k;
  const int corners[2][4] = {{0, 1, 3, 2}, {2, 3, 5, 4}};
  for (int b = 0; b < 2; ++b) {
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(layer->Blade(b)->GetVertexItem(k)->Index(), corners[b][k]) << b;
    EXPECT_TRUE(layer->Blade(b)->GetFaceSelect() && NormalAtCorner0(layer->Blade(b)).y > 0);  // facing up
  }
  ExpectCachesFresh(layer);
  EXPECT_EQ(std::tuple(d.layer->Blade(0)->IsSelected(), d.layers.SelectedVertices().Count()), std::tuple(false, 6));
}

}  // namespace
}  // namespace vrel
