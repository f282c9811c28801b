// Blades seen from the cube's centre, cut per face and sliced where oblique, against Boost.Geometry.
#include <gtest/gtest.h>

#define BOOST_ALLOW_DEPRECATED_HEADERS  // the geometry library pulls in headers that announce their deprecation
#include <algorithm>
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <cmath>
#include <glm/glm.hpp>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "scene/DX9CubeRiders.h"

namespace vrel {
namespace {

namespace bg = boost::geometry;
using BPoint = bg::model::d2::point_xy<double>;
using BPolygon = bg::model::polygon<BPoint>;

glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}
glm::dvec3 G(const TTexturedVertex& v) {
  return {v.x, v.y, v.z};
}
Vec3 V(const glm::dvec3& v) {
  return {float(v.x), float(v.y), float(v.z)};
}
glm::dvec3 QuadNormalOf(const TCorners& q, std::size_t i) {
  return glm::cross(G(q[i]) - G(q[(i + 3) % 4]), G(q[(i + 1) % 4]) - G(q[i]));
}
BPolygon MakePolygon(const std::vector<glm::dvec2>& points) {
  BPolygon polygon;
  for (const auto& p : points)
    bg::append(polygon.outer(), BPoint(p.x, p.y));
  bg::append(polygon.outer(), BPoint(points.front().x, points.front().y));
  bg::correct(polygon);
  return polygon;
}
BPolygon UVPolygon(const TCubeRiderBlade& blade) {
  std::vector<glm::dvec2> uv;
  for (const TTexturedVertex& v : blade.Vertices())
    uv.emplace_back(v.tu, v.tv);
  return MakePolygon(uv);
}
double OverlapArea(const BPolygon& a, const BPolygon& b) {
  bg::model::multi_polygon<BPolygon> out;
  bg::intersection(a, b, out);
  return bg::area(out);
}
double DistanceTo(const BPoint& p, const std::vector<BPolygon>& shapes) {
  double best = 1e9;
  for (const BPolygon& shape : shapes)
    best = std::min(best, double(bg::distance(p, shape)));
  return best;
}
// Whether p lies in one of the shapes or within `tolerance` of one.
bool WithinReach(const BPoint& p, const std::vector<BPolygon>& shapes, double tolerance) {
  const auto holds = [&p](const BPolygon& shape) { return bg::covered_by(p, shape); };
  return std::any_of(shapes.begin(), shapes.end(), holds) || DistanceTo(p, shapes) <= tolerance;
}

// The central projection onto a face in its image's coordinates (u along corner 0 -> 1, v along 0 -> 3).
struct FaceView {
  glm::dvec3 f0, e1, e3, outward;  // outward: unit, from the centre towards the face
  double distance;                 // of the face plane from the centre
  explicit FaceView(const TCorners& c) : f0(G(c[0])), e1(G(c[1]) - f0), e3(G(c[3]) - f0) {
    const glm::dvec3 centre = (G(c[0]) + G(c[1]) + G(c[2]) + G(c[3])) / 4.0;
    outward = glm::normalize(centre);
    distance = glm::dot(centre, outward);
  }
  double Depth(const glm::dvec3& p) const { return glm::dot(p, outward); }
  std::optional<glm::dvec2> UV(const glm::dvec3& p) const {
    if (Depth(p) <= 1e-9)
      return std::nullopt;
    const glm::dvec3 g = p * (distance / Depth(p)) - f0;
    return glm::dvec2(glm::dot(g, e1) / glm::dot(e1, e1), glm::dot(g, e3) / glm::dot(e3, e3));
  }
  // The image area a convex blade covers: its part in front of the pilot, projected, cut to the square.
  double SeenArea(const TCorners& blade) const {
    std::vector<glm::dvec2> seen;
    for (std::size_t i = 0; i < 4; ++i) {
      const glm::dvec3 a = G(blade[i]), b = G(blade[(i + 1) % 4]);
      const double da = Depth(a) - 1e-4 * distance, db = Depth(b) - 1e-4 * distance;
      if (da >= 0)
        seen.push_back(*UV(a));
      if ((da >= 0) != (db >= 0))
        seen.push_back(*UV(a + (b - a) * (da / (da - db))));
    }
    return seen.size() < 3 ? 0 : OverlapArea(MakePolygon(seen), MakePolygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
  }
};

struct RiderRun {
  TCubeSquareBladeCollection cube;
  TCubeRider rider;
  RiderRun(float size, float rotation, const TCorners& blade) {
    cube.SetSize(size);
    cube.SetRotation(rotation);
    rider.Clone()->Assign(&cube);
    rider.AddQuad(blade);
    rider.Finish();
  }
  FaceView View(int f) const { return FaceView(cube.GetFaceBlade(f)->PositionCache()); }
  const TCubeRiderBladeCollection& Pieces(int f) const { return *rider.Pieces()->GetFace(f); }
  const TCubeRiderBladeCollection& Slices(int f) const { return *rider.Slices()->GetFace(f); }
};

// Every vertex is white with its own central projection, kept in the image: a vertex lies off its face by no
// more than a tenth of a texel of a 2048-pixel image (slices stop at face borders).
void ExpectProjectedUVs(const FaceView& view, const TCubeRiderBladeCollection& blades) {
  for (int b = 0; b < blades.Count(); ++b)
    for (const TTexturedVertex& v : blades.Blade(b)->Vertices()) {
      const auto uv = view.UV(G(v));
      ASSERT_TRUE(uv.has_value()) << "a vertex behind the pilot";
      EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
      EXPECT_TRUE(v.tu >= 0 && v.tu <= 1 && v.tv >= 0 && v.tv <= 1) << v.tu << " " << v.tv;
      const double u = std::clamp(uv->x, 0.0, 1.0), w = std::clamp(uv->y, 0.0, 1.0);
      EXPECT_NEAR(v.tu, u, 1e-4);
      EXPECT_NEAR(v.tv, w, 1e-4);
      EXPECT_NEAR(uv->x, u, 5e-5);
      EXPECT_NEAR(uv->y, w, 5e-5);
    }
}

// A convex quad on an ellipse in a random plane inside the cube of half edge s, its front towards the centre;
// its centre and size scale with `reach`, the farthest the blade's centre stands from the pilot, and its
// corners stand at least `nearest` from the pilot.
TCorners RandomConvexBlade(std::mt19937& random, double s, double reach, double nearest = 0) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  auto direction = [&] {
    for (;;) {
      const glm::dvec3 d(unit(random), unit(random), unit(random));
      if (glm::length(d) > 0.1 && glm::length(d) <= 1.0)
        return glm::normalize(d);
    }
  };
  for (;;) {
    const glm::dvec3 centre = direction() * (reach * (0.525 + 0.375 * unit(random))), normal = direction();
    const glm::dvec3 side = glm::cross(normal, glm::dvec3(0.6, 0.8, 0));
    if (glm::dot(normal, -glm::normalize(centre)) < 0.1 || glm::length(side) < 0.1)
      continue;
    const glm::dvec3 t1 = glm::normalize(side), t2 = glm::cross(normal, t1);
    const double a = reach * (0.23 + 0.2 * unit(random)), b = reach * (0.23 + 0.2 * unit(random));
    std::array<double, 4> angles;
    for (double& angle : angles)
      angle = (unit(random) + 1) * M_PI;
    std::sort(angles.begin(), angles.end());
    if (angles[1] - angles[0] < 0.3 || angles[2] - angles[1] < 0.3 || angles[3] - angles[2] < 0.3 ||
        angles[0] + 2 * M_PI - angles[3] < 0.3)
      continue;
    TCorners q;
    bool inside = true;
    for (std::size_t i = 0; i < 4; ++i) {
      const glm::dvec3 p = centre + t1 * (a * std::cos(angles[i])) + t2 * (b * std::sin(angles[i]));
      inside = inside && std::fabs(p.x) < 0.97 * s && std::fabs(p.y) < 0.97 * s && std::fabs(p.z) < 0.97 * s;
      inside = inside && glm::length(p) >= nearest;
      q[i] = V(p);
    }
    if (!inside)
      continue;
    if (glm::dot(QuadNormalOf(q, 0), normal) < 0)
      std::swap(q[1], q[3]);
    return q;
  }
}

// A square board across the view of one of the cube's corners, chosen at random: the line from the
// centre to the corner passes through it, so three faces see it and their corners are seen through it.
// Its front is towards the centre.
TCorners RandomCornerBoard(std::mt19937& random, const TCubeSquareBladeCollection& cube, double s) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> corner(0, 3);
  const int face = unit(random) < 0 ? 4 : 5;  // the top and bottom faces hold all eight corners
  const glm::dvec3 ray = glm::normalize(G(cube.GetFaceBlade(face)->PositionCache()[std::size_t(corner(random))]));
  for (;;) {
    const glm::dvec3 tilt(unit(random), unit(random), unit(random));
    const glm::dvec3 normal = glm::normalize(-ray + 0.6 * tilt);
    const glm::dvec3 t1 = glm::normalize(glm::cross(normal, tilt + glm::dvec3(0.1, 0.2, 0.3)));
    const glm::dvec3 t2 = glm::cross(normal, t1);
    const double half = s * (0.25 + 0.15 * unit(random));
    // The corner's line meets the board off its centre, anywhere in its middle half.
    const glm::dvec3 onRay = ray * (s * (0.95 + 0.25 * unit(random)));
    const glm::dvec3 centre = onRay + t1 * (0.5 * half * unit(random)) + t2 * (0.5 * half * unit(random));
    TCorners q;
    bool inside = true;
    const double signs[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (std::size_t i = 0; i < 4; ++i) {
      const glm::dvec3 p = centre + t1 * (half * signs[i][0]) + t2 * (half * signs[i][1]);
      inside = inside && std::fabs(p.x) < 0.97 * s && std::fabs(p.y) < 0.97 * s && std::fabs(p.z) < 0.97 * s;
      q[i] = V(p);
    }
    if (!inside || glm::dot(glm::cross(t1, t2), centre) > -0.1 * glm::length(centre))
      continue;
    if (glm::dot(QuadNormalOf(q, 0), normal) < 0)
      std::swap(q[1], q[3]);
    return q;
  }
}

// The same blade wound the other way round: its front turned to the other side.
TCorners Rewound(TCorners q) {
  std::swap(q[1], q[3]);
  return q;
}

// Samples spread over the blade, each seen through exactly one piece of all faces' pieces: the texel
// polygon of one piece holds the sample's projection on the face that shows it. A sample whose piece
// was sliced lies in a slice as well, or within a fifth of a texel of one (a sliver that single
// precision cannot walk may give no slice). Samples a hair from the blade's outline or from a face
// border, where rounding decides, are left out. Coverage is sampled: overlays of many polygons sharing
// edges are beyond the geometry library.
void ExpectCoveredOnce(const RiderRun& run, const TCorners& blade) {
  std::array<std::optional<FaceView>, 6> views;
  std::array<std::vector<std::pair<BPolygon, bool>>, 6> pieces;
  std::array<std::vector<BPolygon>, 6> slices;
  for (int f = 0; f < 6; ++f) {
    views[std::size_t(f)].emplace(run.View(f));
    for (int i = 0; i < run.Pieces(f).Count(); ++i)
      pieces[std::size_t(f)].emplace_back(UVPolygon(*run.Pieces(f).Blade(i)), run.Pieces(f).Blade(i)->Flag());
    for (int i = 0; i < run.Slices(f).Count(); ++i)
      slices[std::size_t(f)].push_back(UVPolygon(*run.Slices(f).Blade(i)));
  }
  std::mt19937 sampler(7);
  std::uniform_real_distribution<double> along(1e-3, 1 - 1e-3);
  constexpr double kBorder = 1e-4;
  int uncovered = 0, coveredTwice = 0, unsliced = 0;
  for (int sample = 0; sample < 200; ++sample) {
    const double a = along(sampler), b = along(sampler);
    const glm::dvec3 p = glm::mix(glm::mix(G(blade[0]), G(blade[1]), a), glm::mix(G(blade[3]), G(blade[2]), a), b);
    int holders = 0;
    bool nearBorder = false, inSlice = true;
    for (std::size_t f = 0; f < 6; ++f) {
      const auto uv = views[f]->UV(p);
      if (!uv || std::min(uv->x, uv->y) < -kBorder || std::max(uv->x, uv->y) > 1 + kBorder)
        continue;
      nearBorder = nearBorder || std::min(uv->x, uv->y) < kBorder || std::max(uv->x, uv->y) > 1 - kBorder;
      const BPoint point(uv->x, uv->y);
      for (const auto& [shape, flag] : pieces[f]) {
        if (!bg::covered_by(point, shape))
          continue;
        ++holders;
        if (flag)
          inSlice = WithinReach(point, slices[f], 1e-4);
      }
    }
    if (nearBorder)
      continue;
    uncovered += holders == 0;
    coveredTwice += holders > 1;
    unsliced += !inSlice;
  }
  EXPECT_EQ(uncovered, 0) << "samples of the blade that no piece shows";
  EXPECT_EQ(coveredTwice, 0) << "samples of the blade that two pieces show";
  EXPECT_EQ(unsliced, 0) << "samples of a sliced piece that no slice shows";
}

// The checks every convex blade must pass, on every face, whichever way it is wound.
void CheckConvexBlade(const RiderRun& run, const TCorners& blade, double s) {
  const glm::dvec3 n = glm::normalize(QuadNormalOf(blade, 0)), t1 = glm::normalize(G(blade[1]) - G(blade[0]));
  const glm::dvec3 t2 = glm::cross(n, t1);
  auto inPlane = [&](const glm::dvec3& p) {
    return BPoint(glm::dot(p - G(blade[0]), t1), glm::dot(p - G(blade[0]), t2));
  };
  std::vector<glm::dvec2> outline;
  for (const Vec3& c : blade)
    outline.emplace_back(inPlane(G(c)).x(), inPlane(G(c)).y());
  const std::vector<BPolygon> bladeShape{MakePolygon(outline)};
  ExpectCoveredOnce(run, blade);
  for (int f = 0; f < 6; ++f) {
    SCOPED_TRACE("face " + std::to_string(f));
    const FaceView view = run.View(f);
    const TCubeRiderBladeCollection &pieces = run.Pieces(f), &slices = run.Slices(f);
    ExpectProjectedUVs(view, pieces);
    ExpectProjectedUVs(view, slices);
    // The pieces lie on the blade (within |p| x 4e-5 of its edges) and cover what the face sees of it, once.
    std::vector<BPolygon> shapes, flagged, sliceShapes;
    double total = 0;
    for (int i = 0; i < pieces.Count(); ++i) {
      const TCubeRiderBlade& piece = *pieces.Blade(i);
      shapes.push_back(UVPolygon(piece));
      total += bg::area(shapes.back());
      for (const TTexturedVertex& v : piece.Vertices()) {
        EXPECT_NEAR(glm::dot(G(v) - G(blade[0]), n), 0.0, 2e-5 * s);
        EXPECT_LE(DistanceTo(inPlane(G(v)), bladeShape), 8e-5 * s);
      }
      // Square-on pieces facing the pilot stay and oblique ones are sliced; a band about the threshold
      // (0.998) is left to rounding, as are slivers too thin to slice and square-on pieces facing away.
      const glm::dvec3 normal = QuadNormalOf(piece.GetPositions(), 0);
      const double alignment = glm::length(normal) > 0 ? glm::dot(glm::normalize(normal), -view.outward) : 0.0;
      const bool square = alignment > 0.9985;
      const bool oblique = std::fabs(alignment) < 0.9975 && bg::area(shapes.back()) > 1e-5;
      EXPECT_TRUE(!square || !piece.Flag()) << "a piece facing the pilot squarely was sliced";
      EXPECT_TRUE(!oblique || piece.Flag()) << "an oblique piece was kept";
      if (piece.Flag())
        flagged.push_back(shapes.back());  // replaced by slices
    }
    EXPECT_NEAR(total, view.SeenArea(blade), 5e-4 + 1e-3 * view.SeenArea(blade));
    for (std::size_t i = 0; i < shapes.size(); ++i)
      for (std::size_t j = i + 1; j < shapes.size(); ++j)
        EXPECT_LE(OverlapArea(shapes[i], shapes[j]), 1e-6) << "pieces " << i << " and " << j << " overlap";
    // Slices lie parallel to the face, facing the pilot, and do not reach past the flagged pieces (that they
    // cover them is sampled with the rest of the blade).
    for (int i = 0; i < slices.Count(); ++i) {
      const TCubeRiderBlade& slice = *slices.Blade(i);
      for (const TTexturedVertex& v : slice.Vertices())
        EXPECT_NEAR(view.Depth(G(v)), view.Depth(G(slice.GetVertex(0))), 2e-5 * s);
      const glm::dvec3 normal = QuadNormalOf(slice.GetPositions(), 0);
      EXPECT_TRUE(glm::length(normal) <= 1e-6 * s * s || glm::dot(normal, -view.outward) > 0) << "a slice facing away";
      sliceShapes.push_back(UVPolygon(slice));
    }
    EXPECT_TRUE(!flagged.empty() || slices.Count() == 0) << "slices without an oblique piece";
    for (const BPolygon& slice : sliceShapes)
      for (const BPoint& corner : slice.outer())
        EXPECT_TRUE(WithinReach(corner, flagged, 2e-4)) << "a slice too far";
  }
}

// Random convex blades, boards over the cube's corners and small blades a few units from the pilot,
// each wound towards the centre and then away from it, in cubes of random size and rotation.
TEST(CubeRiderProperties, RandomConvexBladesInRotatedCubes) {
  std::mt19937 random(20240517);
  std::uniform_real_distribution<float> rotation(0.0f, 360.0f), size(200.0f, 2000.0f);
  int sliced = 0, multiFace = 0;
  for (int round = 0; round < 150 && !HasFailure(); ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const float s = round < 10 ? 1000.0f : size(random), turn = round < 10 ? 0.0f : rotation(random);
    TCubeSquareBladeCollection cube;
    cube.SetSize(s);
    cube.SetRotation(turn);
    const TCorners blade = round % 5 == 1   ? RandomCornerBoard(random, cube, s)
                           : round % 5 == 3 ? RandomConvexBlade(random, s, 10.0, 2.5)
                                            : RandomConvexBlade(random, s, s);
    const std::array<TCorners, 2> windings{blade, Rewound(blade)};
    for (std::size_t w = 0; w < 2; ++w) {
      SCOPED_TRACE(w == 0 ? "wound towards the centre" : "wound away from the centre");
      const TCorners& wound = windings[w];
      const RiderRun run(s, turn, wound);
      int faces = 0;
      CheckConvexBlade(run, wound, s);
      for (int f = 0; f < 6; ++f)
        faces += run.Pieces(f).Count() > 0 ? 1 : 0;
      sliced += run.rider.Slices()->TotalCount() > 0;
      multiFace += faces > 1;
    }
  }
  EXPECT_GT(sliced, 40);
  EXPECT_GT(multiFace, 40);  // the suite does reach both harder paths
}

// Blades that once broke the outline: an edge just inside a face corner, points a hair apart or in line.
TEST(CubeRiderProperties, BladesAtTheEdgesOfPrecision) {
  const float cases[][14] = {
      // size, rotation, then the corners' x y z
      {399.416504f, 170.950546f, -184.208542f, 231.186691f, -203.316574f, -76.5296783f, 62.9765701f, -264.832977f,
       4.38142395f, 127.97538f, -316.797272f, -15.0725431f, 234.727463f, -307.973541f},
      {1418.78882f, 47.8944626f, 257.344025f, -204.723724f, -160.514328f, 82.3647766f, -48.9930115f, -4.10606003f,
       326.722473f, -178.427261f, -182.193146f, 328.947601f, -199.644257f, -192.995255f},
      {1995.36414f, 351.244812f, -727.133789f, 433.146393f, 161.089615f, -408.938324f, 22.5622826f, 28.264204f,
       23.64641f, -224.606155f, -443.017578f, -746.310425f, 531.068726f, 100.695847f},
      {758.383301f, 15.4050407f, -186.065277f, 151.396576f, 44.8085709f, -47.2435608f, -79.2221832f, 2.67390633f,
       -122.649719f, 54.4715843f, -82.5010605f, -263.343597f, 292.997803f, -101.333069f},
      {952.474854f, 138.788559f, -20.5040703f, 9.69005871f, 198.920563f, -34.1945076f, 135.70871f, 1.78709698f,
       45.4699593f, 281.281525f, 5.97366142f, 217.502853f, 491.089294f, 150.979156f},
      {1000.0f, 0.0f, -30.630518f, -212.772827f, 64.8577194f, 226.655106f, -239.532867f, 244.029999f, 305.006439f,
       -169.939453f, 146.021439f, 41.6280556f, -39.5699768f, -239.486404f},
      {665.895691f, 311.115387f, 245.543365f, -29.470005f, 159.144958f, 199.234207f, 8.80520344f, 183.416656f,
       183.990921f, 36.0509148f, 175.552521f, 491.824524f, -197.458801f, -8.43272781f},
      {1860.48828f, 198.802765f, -1105.2124f, 780.940796f, -326.021484f, 220.670059f, 314.715607f, -738.022827f,
       252.438446f, 413.904175f, -540.20752f, 4.69777727f, 705.199219f, -78.9739304f}};
  for (const float* c : cases) {
    SCOPED_TRACE("size " + std::to_string(c[0]));
    const TCorners blade{Vec3{c[2], c[3], c[4]}, {c[5], c[6], c[7]}, {c[8], c[9], c[10]}, {c[11], c[12], c[13]}};
    CheckConvexBlade(RiderRun(c[0], c[1], blade), blade, c[0]);
  }
}

// Slices reach a little past the next slice's edge so that no seam shows between them. Near the
// pilot that reach spans a texel or so in the image, and must end at the face border.
TEST(CubeRiderCases, SlicesOfBladesNearThePilotStayOnTheirFace) {
  std::mt19937 random(11);
  int sliced = 0;
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const TCorners blade = RandomConvexBlade(random, 1000, 10.0, 2.5);
    const RiderRun run(1000, 0, blade);
    for (int f = 0; f < 6; ++f)
      ExpectProjectedUVs(run.View(f), run.Slices(f));
    sliced += run.rider.Slices()->TotalCount() > 0;
  }
  EXPECT_GT(sliced, 20);
}

// A blade in the plane x = -500, in front of face 1, corners given as (y, z).
TCorners FrontBlade(std::initializer_list<std::pair<float, float>> yz) {
  TCorners q;
  std::size_t i = 0;
  for (const auto& [y, z] : yz)
    q[i++] = {-500, y, z};
  return q;
}

TEST(CubeRiderCases, ABowTieIsProjectedAsTheTwoTrianglesEitherSideOfItsCrossing) {
  for (int turn = 0; turn < 2; ++turn) {  // edges Q0-Q1 and Q2-Q3 cross, then the other pair
    SCOPED_TRACE(turn);
    TCorners q = FrontBlade({{100, -100}, {-100, 100}, {100, 100}, {-100, -100}});
    if (turn == 1)
      std::rotate(q.begin(), q.begin() + 1, q.end());
    RiderRun run(1000, 0, q);
    ASSERT_EQ(run.Pieces(1).Count(), 2);
    double total = 0;
    for (int i = 0; i < 2; ++i) {
      const auto& v = run.Pieces(1).Blade(i)->Vertices();
      EXPECT_TRUE(std::any_of(v.begin(), v.end(), [](auto& c) { return std::hypot(c.x + 500, c.y, c.z) < 1e-3; }));
      total += std::abs(bg::area(UVPolygon(*run.Pieces(1).Blade(i))));
    }
    const FaceView view = run.View(1);  // each lobe is a quarter of the square that the bow-tie spans
    const glm::dvec2 low = *view.UV({-500, -100, -100}), high = *view.UV({-500, 100, 100});
    EXPECT_NEAR(total, std::abs((high.x - low.x) * (high.y - low.y)) / 2, 1e-6);
    ExpectProjectedUVs(view, run.Pieces(1));
  }
}

TEST(CubeRiderCases, ADartsPiecesStayInsideItWhereverItsDentIs) {
  const std::array<Vec3, 4> ring{Vec3{-500, 0, 0}, Vec3{-500, 100, -150}, Vec3{-500, -200, 0}, Vec3{-500, 100, 150}};
  for (std::size_t dent = 0; dent < 4; ++dent) {  // notch, wing, tip, wing
    SCOPED_TRACE("dent at corner " + std::to_string(dent));
    TCorners q;
    for (std::size_t i = 0; i < 4; ++i)
      q[(i + dent) % 4] = ring[i];
    // Face the pilot (+x) as a whole: the wings' normals decide.
    const std::size_t wing = (dent + 1) % 4, other = (dent + 3) % 4;
    if ((QuadNormalOf(q, wing) + QuadNormalOf(q, other)).x < 0)
      std::swap(q[wing], q[other]);
    RiderRun run(1000, 0, q);
    const FaceView view = run.View(1);
    std::vector<glm::dvec2> outline;
    for (const Vec3& c : q)
      outline.push_back(*view.UV(G(c)));
    const BPolygon dart = MakePolygon(outline);
    ASSERT_TRUE(bg::is_valid(dart));
    double total = 0;
    for (int i = 0; i < run.Pieces(1).Count(); ++i) {
      const BPolygon piece = UVPolygon(*run.Pieces(1).Blade(i));
      total += bg::area(piece);
      EXPECT_NEAR(OverlapArea(piece, dart), bg::area(piece), 1e-7) << "a piece outside the dart";
    }
    EXPECT_NEAR(total, bg::area(dart), 1e-5);
    ExpectProjectedUVs(view, run.Pieces(1));
  }
}

TEST(CubeRiderCases, AVertexIndexBeyondAPiecesQuadRaises) {
  TCubeRiderBladeCollection pieces;
  TCubeRiderBlade* piece = pieces.AddBlade({}, {}, {}, {});
  EXPECT_THROW(piece->GetVertex(4), Exception);
  EXPECT_THROW(piece->SetVertex(-1, {}), Exception);
}

TEST(CubeRiderCases, BladesNearOrThroughTheCentreGiveFinitePieces) {
  const TCorners nearCentre{Vec3{-0.01f, -1, -0.5f}, Vec3{-0.01f, -1, 0.5f}, Vec3{-900, -1, 300}, Vec3{-900, -1, -300}};
  const TCorners throughCentre{Vec3{0, 0, 0}, Vec3{-10, 0, 400}, Vec3{-800, 0, 400}, Vec3{-800, 0, -400}};
  for (TCorners q : {nearCentre, throughCentre}) {  // these finish with finite output
    if (QuadNormalOf(q, 0).y < 0)
      std::swap(q[1], q[3]);
    RiderRun run(1000, 0, q);
    EXPECT_GT(run.rider.Pieces()->TotalCount(), 0);
    for (int f = 0; f < 6; ++f)
      for (const TCubeRiderBladeCollection* set : {&run.Pieces(f), &run.Slices(f)})
        for (int i = 0; i < set->Count(); ++i)
          for (const TTexturedVertex& v : set->Blade(i)->Vertices())
            EXPECT_TRUE(std::isfinite(v.x + v.y + v.z + v.tu + v.tv));
  }
}

TEST(CubeRiderCases, FinishReportsItsProgressThroughTheClone) {
  TCubeRider rider;
  std::vector<std::pair<TProgressStage, int>> seen;
  rider.Clone()->OnProgress = [&](TObject* sender, TProgressStage stage, uint8_t percent, bool, const TProgressRect&,
                                  const std::string&) {
    EXPECT_EQ(sender, rider.Clone());
    seen.emplace_back(stage, percent);
  };
  rider.Finish();
  std::vector<std::pair<TProgressStage, int>> expected{{psStarting, 0}};
  for (int percent = 16; percent <= 96; percent += 16)  // one face after the other
    expected.emplace_back(psRunning, percent);
  EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace vrel
