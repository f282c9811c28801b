#include "scene/DX9CubeRiders.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/UpdateGuard.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

constexpr Vec3 kCentre{0, 0, 0};
constexpr ArgbColor kOpaqueWhite = 0xFFFFFFFFu;
// Points closer than this fraction of their distance from the centre are one point.
constexpr float kNearFactor = 4e-5f;

// Texture coordinates of face corners 0..3.
constexpr std::array<std::array<float, 2>, 4> kCornerUV{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

TTexturedVertex MakeVertex(const Vec3& p, float u, float v) {
  TTexturedVertex t;
  t.x = p.x;
  t.y = p.y;
  t.z = p.z;
  t.diffuse = kOpaqueWhite;
  t.tu = u;
  t.tv = v;
  return t;
}

Vec3 PositionOf(const TTexturedVertex& v) {
  return {v.x, v.y, v.z};
}

// Where the line from the centre through `through` meets the quad, tried on triangle (3, 0, 1) and
// then (1, 2, 3). A triangle counts when the meeting point lies ahead of the centre, on the way
// through `through`, never behind the pilot; which side of the triangle faces the centre does not
// matter: a blade shows its texture whichever way it is wound.
std::optional<Vec3> CentreLineHitsQuad(const Vec3& through, const TCorners& x) {
  static constexpr int kTriangles[2][3] = {{3, 0, 1}, {1, 2, 3}};
  for (const auto& t : kTriangles) {
    const Plane plane = PlaneFromPoints(x[static_cast<std::size_t>(t[0])], x[static_cast<std::size_t>(t[1])],
                                        x[static_cast<std::size_t>(t[2])]);
    // The centre's distance from the plane and how much nearer `through` is: the meeting point lies
    // ahead when `through` is nearer to the plane on the centre's side, or beyond it.
    const float centre = PlaneDotCoord(plane, kCentre);
    const float approach = centre - PlaneDotCoord(plane, through);
    if (!(centre > 0.0f ? approach > 0.0f : centre < 0.0f && approach < 0.0f))
      continue;
    if (const auto hit = PlaneIntersectLine(plane, kCentre, through))
      return hit;
  }
  return std::nullopt;
}

// Whether h, a point in the plane of the centre and the two rays towards r1 and r2, lies between
// the rays: on the inner side of each. A crossing close to a ray is kept: the face corner on that
// ray is taken only when the blade holds it, so dropping the crossing as well would lose the
// outline's vertex there whenever the blade's edge passes just inside the corner.
bool BetweenRays(const Vec3& h, const Vec3& r1, const Vec3& r2) {
  auto inner = [&](const Vec3& ray, const Vec3& other) {
    return Vec3Dot(Vec3Cross(ray, h), Vec3Cross(ray, other)) > 0.0f;
  };
  return inner(r1, r2) && inner(r2, r1);
}

// Whether x, a point on the line through a and b, lies on the segment between them.
bool OnSegment(const Vec3& x, const Vec3& a, const Vec3& b) {
  const Vec3 ab = b - a;
  const float t = Vec3Dot(x - a, ab);
  const float slack = 1e-6f * Vec3LengthSq(ab);
  return t >= -slack && t <= Vec3LengthSq(ab) + slack;
}

}  // namespace

// The face data the projection works with, taken from the clone's face blade.
struct TCubeRider::FaceFrame {
  bool valid = false;
  TCorners f{};    // the face corners F0..F3
  Vec3 n;          // unit normal, pointing into the cube
  Plane plane;     // the face plane, normalised
  float edge = 0;  // |F1 - F0|
  Vec3 centre;     // the centroid of the corners

  // Where the line from the centre through x meets the face plane, ahead of the centre.
  std::optional<Vec3> Project(const Vec3& x) const {
    if (!(PlaneDotCoord(plane, x) < PlaneDotCoord(plane, kCentre)))
      return std::nullopt;
    return PlaneIntersectLine(plane, kCentre, x);
  }
  Vec2 UV(const Vec3& g) const { return QuadPointCoordinates(f, g, true); }
};

// ---------------------------------------------------------------------------------------------
// Points and point collections

const TClassInfo& TCubeRiderPoint::StaticClass() {
  static const TClassInfo info("TCubeRiderPoint", &Inherited::StaticClass());
  return info;
}

void TCubeRiderPoint::Assign(const TPersistent* source) {
  if (const auto* other = As<TCubeRiderPoint>(source)) {
    used_ = other->used_;
    normal_ = other->normal_;
    vertex_ = other->vertex_;
    return;
  }
  TCollectionItem::Assign(source);
}

const TClassInfo& TCubeRiderPointCollection::StaticClass() {
  static const TClassInfo info("TCubeRiderPointCollection", &Inherited::StaticClass());
  return info;
}

TCubeRiderPointCollection::TCubeRiderPointCollection(TPersistent* owner)
    : TCollection(TCollection::FactoryOf<TCubeRiderPoint>(), owner) {}

TCubeRiderPoint* TCubeRiderPointCollection::FindNear(const Vec3& position, float slack) const {
  const float tol = VectorLength(position) * kNearFactor + slack;
  for (TCollectionItem* item : ItemList()) {
    auto* point = static_cast<TCubeRiderPoint*>(item);
    if (SameVectorTol(point->Position(), position, tol))
      return point;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Rider blades and their collections

const TClassInfo& TCubeRiderBlade::StaticClass() {
  static const TClassInfo info("TCubeRiderBlade", &Inherited::StaticClass());
  return info;
}

void TCubeRiderBlade::CheckIndex(int i) {
  if (i < 0 || i > 3)
    throw Exception("TCubeRiderBlade: vertex index " + std::to_string(i) + " is out of range");
}

const TTexturedVertex& TCubeRiderBlade::GetVertex(int i) const {
  CheckIndex(i);
  return vertices_[static_cast<std::size_t>(i)];
}

void TCubeRiderBlade::SetVertex(int i, const TTexturedVertex& vertex) {
  CheckIndex(i);
  vertices_[static_cast<std::size_t>(i)] = vertex;
}

TCorners TCubeRiderBlade::GetPositions() const {
  TCorners p;
  for (std::size_t i = 0; i < 4; ++i)
    p[i] = PositionOf(vertices_[i]);
  return p;
}

void TCubeRiderBlade::Assign(const TPersistent* source) {
  if (const auto* other = As<TCubeRiderBlade>(source)) {
    flag_ = other->flag_;
    vertices_ = other->vertices_;
    return;
  }
  TCollectionItem::Assign(source);
}

const TClassInfo& TCubeRiderBladeCollection::StaticClass() {
  static const TClassInfo info("TCubeRiderBladeCollection", &Inherited::StaticClass());
  return info;
}

TCubeRiderBlade* TCubeRiderBladeCollection::AddBlade(const TTexturedVertex& a, const TTexturedVertex& b,
                                                     const TTexturedVertex& c, const TTexturedVertex& d) {
  auto* blade = static_cast<TCubeRiderBlade*>(Add());
  blade->SetVertex(0, a);
  blade->SetVertex(1, b);
  blade->SetVertex(2, c);
  blade->SetVertex(3, d);
  return blade;
}

// ---------------------------------------------------------------------------------------------
// Six-face collections

const TClassInfo& TCubeCollection::StaticClass() {
  static const TClassInfo info("TCubeCollection", &Inherited::StaticClass());
  return info;
}

TCubeCollection::TCubeCollection(ItemFactory factory, TPersistent* owner) : TCollection(factory, owner) {
  TCubeCollection::Reset();
}

void TCubeCollection::Reset() {
  UpdateGuard batch(*this);
  Clear();
  for (int i = 0; i < kFaceCount; ++i)
    Add();
}

const TClassInfo& TCubeRiderPointCollectionsItem::StaticClass() {
  static const TClassInfo info("TCubeRiderPointCollectionsItem", &Inherited::StaticClass());
  return info;
}

TCubeRiderPointCollectionsItem::TCubeRiderPointCollectionsItem(TCollection* collection)
    : TChildCollectionItem(collection, ChildOf<TCubeRiderPointCollection>()) {}

const TClassInfo& TCubeRiderBladeCollectionsItem::StaticClass() {
  static const TClassInfo info("TCubeRiderBladeCollectionsItem", &Inherited::StaticClass());
  return info;
}

TCubeRiderBladeCollectionsItem::TCubeRiderBladeCollectionsItem(TCollection* collection)
    : TChildCollectionItem(collection, ChildOf<TCubeRiderBladeCollection>()) {}

const TClassInfo& TCubeRiderPointCollections::StaticClass() {
  static const TClassInfo info("TCubeRiderPointCollections", &Inherited::StaticClass());
  return info;
}

TCubeRiderPointCollections::TCubeRiderPointCollections(TPersistent* owner)
    : TCubeCollection(TCollection::FactoryOf<TCubeRiderPointCollectionsItem>(), owner) {}

TCubeRiderPointCollection* TCubeRiderPointCollections::GetFace(int i) const {
  return static_cast<TCubeRiderPointCollection*>(static_cast<TChildCollectionItem*>(Items(i))->ChildCollection());
}

const TClassInfo& TCubeRiderBladeCollections::StaticClass() {
  static const TClassInfo info("TCubeRiderBladeCollections", &Inherited::StaticClass());
  return info;
}

TCubeRiderBladeCollections::TCubeRiderBladeCollections(TPersistent* owner)
    : TCubeCollection(TCollection::FactoryOf<TCubeRiderBladeCollectionsItem>(), owner) {}

TCubeRiderBladeCollection* TCubeRiderBladeCollections::GetFace(int i) const {
  return static_cast<TCubeRiderBladeCollection*>(static_cast<TChildCollectionItem*>(Items(i))->ChildCollection());
}

int TCubeRiderBladeCollections::TotalCount() const {
  int total = 0;
  for (int i = 0; i < Count(); ++i)
    total += GetFace(i)->Count();
  return total;
}

// ---------------------------------------------------------------------------------------------
// TCubeClone

const TClassInfo& TCubeClone::StaticClass() {
  static const TClassInfo info("TCubeClone", &Inherited::StaticClass());
  return info;
}

TCubeClone::TCubeClone(TPersistent* owner) : TCubeSquareBladeCollection(owner) {
  RebuildCornerTriples();
}

const TCubeClone::CornerTriple& TCubeClone::GetCornerTriple(int face, int edge) const {
  return triples_.at(static_cast<std::size_t>(face)).at(static_cast<std::size_t>(edge));
}

void TCubeClone::Assign(const TPersistent* source) {
  TCubeSquareBladeCollection::Assign(source);
  if (As<TCubeSquareBladeCollection>(source))
    RebuildCornerTriples();
}

void TCubeClone::UpdateCorners() {
  TCubeSquareBladeCollection::UpdateCorners();
  RebuildCornerTriples();
}

void TCubeClone::RebuildCornerTriples() {
  const int faces = std::min(Count(), kFaceCount);
  for (int f = 0; f < faces; ++f) {
    const TCorners& c = Blade(f)->PositionCache();
    for (int e = 0; e < 4; ++e)
      triples_[static_cast<std::size_t>(f)][static_cast<std::size_t>(e)] = {c[static_cast<std::size_t>((e + 1) % 4)],
                                                                            kCentre, c[static_cast<std::size_t>(e)]};
  }
}

// ---------------------------------------------------------------------------------------------
// TCubeRider

namespace {

// Picks, among the points not yet used, the one that continues the way from a through b most
// straight on (the nearest of equally straight ones), and marks it used; -1 when none is left.
// Points on one ray from b count as equally straight whatever their roundings say: the geometry
// puts several points on one outline edge (a piece's halfway point, slice points on its edges), and
// the walk must pass them in turn, nearest first. A point lies on the ray towards another when it
// is off that ray by less than the distance at which two points are one (|b| x 4e-5).
int PickNext(TCubeRiderPointCollection& points, const Vec3& a, const Vec3& b) {
  points.BestDot = -1.0f;
  points.BestDistance = 2147483648.0f;
  points.BestIndex = -1;
  const Vec3 way = NormalizeVector(b - a);
  const float onRay = VectorLength(b) * kNearFactor;
  Vec3 bestTo;
  for (int k = 0; k < points.Count(); ++k) {
    const TCubeRiderPoint* p = points.Point(k);
    if (p->Used())
      continue;
    const Vec3 toP = p->Position() - b;
    const float d = Vec3Dot(way, NormalizeVector(toP));
    const float dist = VectorLength(toP);
    bool sameRay = false;
    if (points.BestIndex >= 0 && Vec3Dot(toP, bestTo) > 0.0f) {
      const bool nearer = dist < points.BestDistance;
      const Vec3& nearVec = nearer ? toP : bestTo;
      const Vec3& farVec = nearer ? bestTo : toP;
      sameRay = VectorLength(Vec3Cross(NormalizeVector(farVec), nearVec)) <= onRay;
    }
    const bool better =
        sameRay ? dist < points.BestDistance
                : d > points.BestDot + 1e-6f || (std::fabs(d - points.BestDot) <= 1e-6f && dist < points.BestDistance);
    if (better) {
      points.BestDot = d;
      points.BestDistance = dist;
      points.BestIndex = k;
      bestTo = toP;
    }
  }
  if (points.BestIndex >= 0)
    points.Point(points.BestIndex)->SetUsed(true);
  return points.BestIndex;
}

bool NearlyOne(float x) {
  return std::fabs(x - 1.0f) <= 1e-6f;
}

// The first pair (i, j) that every other point accepts as an outline edge with itself on the inner
// side; false when there is none.
bool FindStartEdge(const std::vector<Vec3>& p, const std::vector<Vec3>& normals, int& si, int& sj) {
  const int n = static_cast<int>(p.size());
  const bool odd = n % 2 == 1;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (i == j)
        continue;
      const Vec3 e = NormalizeVector(p[static_cast<std::size_t>(j)] - p[static_cast<std::size_t>(i)]);
      const float edgeLength = VectorDistance(p[static_cast<std::size_t>(i)], p[static_cast<std::size_t>(j)]);
      bool accepted = true;
      for (int k = 0; k < n && accepted; ++k) {
        if (k == i || k == j)
          continue;
        const Vec3& pk = p[static_cast<std::size_t>(k)];
        const Vec3 c = NormalizeVector(pk - p[static_cast<std::size_t>(j)]);
        if (Vec3Dot(Vec3Cross(e, c), normals[static_cast<std::size_t>(k)]) < 0.0f) {
          accepted = false;
        } else if (Vec3Dot(e, NormalizeVector(pk - p[static_cast<std::size_t>(i)])) >= 0.999999f &&
                   edgeLength >= VectorDistance(pk, p[static_cast<std::size_t>(i)])) {
          accepted = false;  // k lies on the edge itself
        } else if (NearlyOne(std::fabs(Vec3Dot(e, c)))) {
          if (odd) {
            accepted = false;
          } else {
            for (int m = 0; m < n; ++m) {
              if (m == i || m == j || m == k)
                continue;
              const Vec3 toM = NormalizeVector(p[static_cast<std::size_t>(m)] - p[static_cast<std::size_t>(j)]);
              if (NearlyOne(std::fabs(Vec3Dot(e, toM)))) {
                accepted = false;
                break;
              }
            }
          }
        }
      }
      if (accepted) {
        si = i;
        sj = j;
        return true;
      }
    }
  }
  return false;
}

// Cuts the points of one face (at least three) into quads that fan out from the first point of an
// outline edge, and adds them to `target`; returns how many were added. `uvOf` gives the texture
// coordinates of a new point's position, or nothing.
template <class UVOf>
int Triangulate(TCubeRiderPointCollection& points, TCubeRiderBladeCollection& target, const UVOf& uvOf) {
  const int n = points.Count();
  if (n < 3)
    return 0;
  std::vector<Vec3> positions(static_cast<std::size_t>(n));
  std::vector<Vec3> normals(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    positions[static_cast<std::size_t>(k)] = points.Point(k)->Position();
    normals[static_cast<std::size_t>(k)] = points.Point(k)->Normal();
  }
  int si = -1;
  int sj = -1;
  if (!FindStartEdge(positions, normals, si, sj))
    return 0;

  TCubeRiderPoint* start = points.Point(si);
  TCubeRiderPoint* second = points.Point(sj);
  if (n % 2 == 1) {
    // An odd count cannot be cut into quads: a point halfway along the start edge makes it even. Its
    // texture coordinates are those of its own projection, as for every other point (the projection
    // of the halfway point is not halfway between the projections).
    TTexturedVertex mid = MidTexturedVertex(start->Vertex(), second->Vertex());
    if (const auto uv = uvOf(PositionOf(mid))) {
      mid.tu = uv->x;
      mid.tv = uv->y;
    }
    TCubeRiderPoint* extra = points.Add();
    extra->SetNormal(start->Normal());
    extra->SetVertex(mid);
    second = extra;
  }
  start->SetUsed(true);
  second->SetUsed(true);

  TTexturedVertex a = start->Vertex();
  TTexturedVertex b = second->Vertex();
  int added = 0;
  for (;;) {
    const int c = PickNext(points, PositionOf(a), PositionOf(b));
    if (c < 0)
      break;
    const TTexturedVertex vc = points.Point(c)->Vertex();
    const int d = PickNext(points, PositionOf(b), PositionOf(vc));
    if (d < 0)
      break;
    const TTexturedVertex vd = points.Point(d)->Vertex();
    target.AddBlade(a, b, vc, vd);
    ++added;
    b = vd;
  }
  return added;
}

}  // namespace

TCubeRider::TCubeRider()
    : clone_(std::make_unique<TCubeClone>()),
      points_(std::make_unique<TCubeRiderPointCollections>()),
      pieces_(std::make_unique<TCubeRiderBladeCollections>()),
      slices_(std::make_unique<TCubeRiderBladeCollections>()) {}

TCubeRider::~TCubeRider() = default;

TCubeRider::FaceFrame TCubeRider::Frame(int face) const {
  FaceFrame frame;
  if (face >= clone_->Count())
    return frame;
  frame.f = clone_->Blade(face)->PositionCache();
  const Vec3 normal = QuadNormal(frame.f, 0);
  if (!Finite(normal) || Vec3LengthSq(normal) == 0.0f)
    return frame;
  frame.n = NormalizeVector(normal);
  frame.plane = PlaneFromPointNormal(frame.f[0], frame.n);
  frame.edge = VectorDistance(frame.f[0], frame.f[1]);
  frame.centre = CornersCentroid(frame.f);
  frame.valid = true;
  return frame;
}

void TCubeRider::AddQuad(const TSquareBlade& blade) {
  AddQuad(blade.GetVertices());
}

namespace {
// Where segment a0-a1 properly crosses segment b0-b1 (ends excluded), as in a bow-tie blade whose
// opposite edges meet; nothing when they pass each other.
std::optional<Vec3> EdgesCross(const Vec3& a0, const Vec3& a1, const Vec3& b0, const Vec3& b1) {
  const double ux = double(a1.x) - a0.x, uy = double(a1.y) - a0.y, uz = double(a1.z) - a0.z;
  const double vx = double(b1.x) - b0.x, vy = double(b1.y) - b0.y, vz = double(b1.z) - b0.z;
  const double wx = double(a0.x) - b0.x, wy = double(a0.y) - b0.y, wz = double(a0.z) - b0.z;
  const double a = ux * ux + uy * uy + uz * uz, b = ux * vx + uy * vy + uz * vz, c = vx * vx + vy * vy + vz * vz;
  const double d = ux * wx + uy * wy + uz * wz, e = vx * wx + vy * wy + vz * wz;
  const double denominator = a * c - b * b;
  if (a == 0 || c == 0 || denominator <= 1e-12 * a * c)
    return std::nullopt;  // parallel or degenerate
  const double s = (b * e - c * d) / denominator, t = (a * e - b * d) / denominator;
  constexpr double kInside = 1e-6;
  if (s <= kInside || s >= 1 - kInside || t <= kInside || t >= 1 - kInside)
    return std::nullopt;
  const double px = a0.x + s * ux, py = a0.y + s * uy, pz = a0.z + s * uz;
  const double qx = b0.x + t * vx, qy = b0.y + t * vy, qz = b0.z + t * vz;
  const double gap = std::sqrt((px - qx) * (px - qx) + (py - qy) * (py - qy) + (pz - qz) * (pz - qz));
  if (gap > 1e-4 * std::sqrt(std::max(a, c)))
    return std::nullopt;
  return Vec3{float((px + qx) / 2), float((py + qy) / 2), float((pz + qz) / 2)};
}
}  // namespace

void TCubeRider::AddQuad(const TCorners& q) {
  for (const Vec3& v : q)
    if (!Finite(v))
      return;
  // A bow-tie covers only the two triangles either side of the crossing of its opposite edges;
  // each is projected as a quad with an extra vertex on one edge.
  const auto projectTriangle = [this](const Vec3& a, const Vec3& b, const Vec3& c) {
    ProjectQuad({a, MidPoint(a, b), b, c});
  };
  if (const auto x = EdgesCross(q[0], q[1], q[2], q[3])) {
    projectTriangle(*x, q[1], q[2]);
    projectTriangle(*x, q[3], q[0]);
    return;
  }
  if (const auto y = EdgesCross(q[1], q[2], q[3], q[0])) {
    projectTriangle(q[0], q[1], *y);
    projectTriangle(*y, q[2], q[3]);
    return;
  }
  std::array<Vec3, 4> n;
  for (int i = 0; i < 4; ++i)
    n[static_cast<std::size_t>(i)] = NormalizeVector(QuadNormal(q, i));
  const bool folded = Vec3Dot(n[0], n[1]) < 0.0f || Vec3Dot(n[2], n[3]) < 0.0f;
  if (!folded) {
    ProjectQuad(q);
    return;
  }
  // A folded blade is projected as two triangles, each as a quad with an extra vertex on one edge.
  // The triangles of the diagonal Q1-Q3 are the usual halves; when only the other diagonal's halves
  // face alike (a dart whose dent is at Q0 or Q2), that diagonal is the one inside the blade.
  const bool alongQ0Q2 = Vec3Dot(n[1], n[3]) > 0.0f && !(Vec3Dot(n[0], n[2]) > 0.0f);
  if (alongQ0Q2) {
    ProjectQuad({q[1], MidPoint(q[1], q[2]), q[2], q[0]});
    ProjectQuad({q[3], MidPoint(q[3], q[0]), q[0], q[2]});
  } else {
    ProjectQuad({q[0], MidPoint(q[0], q[1]), q[1], q[3]});
    ProjectQuad({q[2], MidPoint(q[2], q[3]), q[3], q[1]});
  }
}

void TCubeRider::ProjectQuad(const TCorners& q) {
  points_->Reset();
  std::array<FaceFrame, TCubeCollection::kFaceCount> frames;
  for (int f = 0; f < TCubeCollection::kFaceCount; ++f)
    frames[static_cast<std::size_t>(f)] = Frame(f);

  auto addPoint = [&](int face, const Vec3& position, const Vec3& normal, float u, float v) {
    TCubeRiderPointCollection* points = points_->GetFace(face);
    if (points->FindNear(position))
      return;
    TCubeRiderPoint* point = points->Add();
    point->SetNormal(normal);
    point->SetVertex(MakeVertex(position, u, v));
  };

  const Vec3 n0 = NormalizeVector(QuadNormal(q, 0));
  const Vec3 n2 = NormalizeVector(QuadNormal(q, 2));
  const Vec3 nm = NormalizeVector(MidPoint(n0, n2));
  const std::array<Vec3, 4> cornerNormal{n0, nm, n2, nm};

  // Blade corners seen in front of a face.
  for (int k = 0; k < 4; ++k) {
    const Vec3& corner = q[static_cast<std::size_t>(k)];
    for (int f = 0; f < TCubeCollection::kFaceCount; ++f) {
      const FaceFrame& face = frames[static_cast<std::size_t>(f)];
      if (!face.valid)
        continue;
      const auto hit = CentreLineHitsQuad(corner, face.f);
      if (!hit || !PointInQuadTol(*hit, face.f, VectorLength(*hit) * kNearFactor, true))
        continue;
      const Vec2 uv = face.UV(*hit);
      addPoint(f, corner, cornerNormal[static_cast<std::size_t>(k)], uv.x, uv.y);
    }
  }

  // Face corners seen through the blade.
  for (int f = 0; f < TCubeCollection::kFaceCount; ++f) {
    const FaceFrame& face = frames[static_cast<std::size_t>(f)];
    if (!face.valid)
      continue;
    for (int e = 0; e < 4; ++e) {
      const auto hit = CentreLineHitsQuad(face.f[static_cast<std::size_t>(e)], q);
      if (!hit)
        continue;
      const float tol = VectorLength(*hit) * kNearFactor;
      if (!PointInQuadTol(*hit, q, tol, true))
        continue;
      const Vec3& normal = PointInTriangleTol(*hit, q[0], q[1], q[3], tol, true) ? n0 : n2;
      const auto& uv = kCornerUV[static_cast<std::size_t>(e)];
      addPoint(f, *hit, normal, uv[0], uv[1]);
    }
  }

  // Blade edges crossing from one face's view into the next.
  for (int k = 0; k < 4; ++k) {
    const Vec3& from = q[static_cast<std::size_t>(k)];
    const Vec3& to = q[static_cast<std::size_t>((k + 1) % 4)];
    const Vec3& normal = (k == 0 || k == 3) ? n0 : n2;
    for (int f = 0; f < TCubeCollection::kFaceCount; ++f) {
      const FaceFrame& face = frames[static_cast<std::size_t>(f)];
      if (!face.valid)
        continue;
      for (int e = 0; e < 4; ++e) {
        const TCubeClone::CornerTriple& plane = clone_->GetCornerTriple(f, e);
        const auto crossing = SegmentCrossesPlane(from, to, plane[0], plane[1], plane[2], true);
        if (!crossing)
          continue;
        const Vec3 h = *crossing;
        const Vec3& edgeStart = face.f[static_cast<std::size_t>(e)];
        const Vec3& edgeEnd = face.f[static_cast<std::size_t>((e + 1) % 4)];
        if (!BetweenRays(h, edgeStart, edgeEnd))
          continue;
        const auto g = face.Project(h);
        if (!g)
          continue;
        Vec2 uv = face.UV(*g);
        // The crossing lies on the face border: put it there exactly.
        switch (e) {
          case 0:
            uv.y = 0;
            break;
          case 1:
            uv.x = 1;
            break;
          case 2:
            uv.y = 1;
            break;
          default:
            uv.x = 0;
            break;
        }
        addPoint(f, h, normal, uv.x, uv.y);
      }
    }
  }

  for (int f = 0; f < TCubeCollection::kFaceCount; ++f) {
    TCubeRiderPointCollection* points = points_->GetFace(f);
    if (points->Count() < 3) {
      points->Clear();
      continue;
    }
    const FaceFrame& face = frames[static_cast<std::size_t>(f)];
    Triangulate(*points, *pieces_->GetFace(f), [&face](const Vec3& x) -> std::optional<Vec2> {
      if (const auto g = face.Project(x))
        return face.UV(*g);
      return std::nullopt;
    });
  }
}

void TCubeRider::Finish() {
  slices_->Reset();
  clone_->DoProgress(psStarting, 0);
  for (int f = 0; f < TCubeCollection::kFaceCount; ++f) {
    const FaceFrame face = Frame(f);
    if (face.valid) {
      const Vec3 towardCentre = NormalizeVector(kCentre - face.centre);
      TCubeRiderBladeCollection* pieces = pieces_->GetFace(f);
      const int count = pieces->Count();
      for (int i = 0; i < count; ++i) {
        TCubeRiderBlade* piece = pieces->Blade(i);
        const float alignment = Vec3Dot(towardCentre, NormalizeVector(QuadNormal(piece->GetPositions(), 0)));
        if (alignment < 0.998f && RecutOblique(f, *piece) > 0)
          piece->SetFlag(true);
      }
    }
    clone_->DoProgress(psRunning, static_cast<uint8_t>((f + 1) * 16));
  }
}

int TCubeRider::RecutOblique(int faceIndex, const TCubeRiderBlade& piece) {
  const FaceFrame face = Frame(faceIndex);
  if (!face.valid)
    return 0;
  const TCorners p = piece.GetPositions();
  for (const Vec3& v : p)
    if (!Finite(v))
      return 0;
  const Vec3& n = face.n;
  auto dist = [&face](const Vec3& x) { return PlaneDotCoord(face.plane, x); };

  // The piece's corners nearest to and farthest from the face.
  float dmin = dist(kCentre);
  float dmax = 0.0f;
  std::size_t imin = 0;
  std::size_t imax = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const float t = dist(p[i]);
    if (t < dmin) {
      dmin = t;
      imin = i;
    }
    if (t > dmax) {
      dmax = t;
      imax = i;
    }
  }
  const Vec3 down = p[imin] - p[imax];
  Vec3 c = p[imax];
  bool last = false;

  TCubeRiderPointCollection scratch;
  TCubeRiderBladeCollection* target = slices_->GetFace(faceIndex);
  auto uvOf = [&face](const Vec3& x) -> std::optional<Vec2> {
    if (const auto g = face.Project(x))
      return face.UV(*g);
    return std::nullopt;
  };
  auto addSlicePoint = [&](const Vec3& x) {
    if (!Finite(x) || scratch.FindNear(x))
      return;
    const auto uv = uvOf(x);
    if (!uv)
      return;
    TCubeRiderPoint* point = scratch.Add();
    point->SetNormal(n);
    point->SetVertex(MakeVertex(x, uv->x, uv->y));
  };

  int added = 0;
  Plane lower;
  for (int pass = 0; pass < kMaxSlicePasses && !last; ++pass) {
    scratch.Clear();
    if (pass > 0) {
      const auto next = PlaneIntersectLine(lower, p[imax], p[imin]);
      if (!next)
        break;
      c = *next;
    }
    if (!Finite(c))
      break;
    const Plane upper = PlaneFromPointNormal(c, n);
    const float cLength = VectorLength(c);
    const float w = std::clamp(cLength / 5.0f - 9.7f, 0.3f, 10.3f);
    const float a = AngleBetween(c, down);
    if (a == 0.0f)
      break;
    const float k = (a > 1.0f ? 7e-06f : 1.5e-05f) * face.edge;
    const float step = std::max(0.05f * cLength, w / std::tan(a));
    if (!std::isfinite(step) || !(step > 0.0f))
      break;
    Vec3 lowerPoint = c - n * step;
    if (dist(lowerPoint) < dmin) {
      lowerPoint = p[imin];
      last = true;
    } else if (!(dist(lowerPoint) < dist(c))) {
      break;  // the step no longer moves the plane in single precision
    }
    lower = PlaneFromPointNormal(lowerPoint, n);

    // Corners between the two planes, seen on the lower plane.
    for (const Vec3& corner : p) {
      if (PlaneDotCoord(upper, corner) <= 0.0001f && PlaneDotCoord(lower, corner) >= -0.0001f)
        if (const auto seen = PlaneIntersectLine(lower, kCentre, corner))
          addSlicePoint(*seen);
    }
    // Edges crossing the planes: on the lower plane where they cross it, and where the upper
    // crossing is seen on the lower plane, reaching k beyond it so that the slices overlap. A
    // crossing within that reach of a point already held (a corner just by the upper plane) does
    // not reach: reaching past the corner would leave the corner inside the slice's outline, which
    // the walk around the outline cannot take.
    for (std::size_t i = 0; i < 4; ++i) {
      const Vec3& from = p[i];
      const Vec3& to = p[(i + 1) % 4];
      // A crossing belongs to the piece when it lies on the edge itself, which for a convex piece
      // is what lying inside it means. Asking the piece's triangles instead fails on pieces with a
      // very short edge (two outline points a hair apart): the sliver triangle's normal is noise,
      // and the line of such an edge may pass through the piece far from the edge.
      const auto x = PlaneIntersectLine(lower, from, to);
      if (!x)
        continue;
      if (OnSegment(*x, from, to))
        addSlicePoint(*x);
      const auto y = PlaneIntersectLine(upper, from, to);
      if (!y || !OnSegment(*y, from, to))
        continue;
      const auto z = PlaneIntersectLine(lower, kCentre, *y);
      if (!z || scratch.FindNear(*z))
        continue;
      if (scratch.FindNear(*z, k)) {
        addSlicePoint(*z);
        continue;
      }
      // The reach stops where the edge ends, seen on the lower plane: beyond it there is no slice
      // to overlap, only what the piece does not cover, and where the edge ends on a face border,
      // the next face, whose image the clamped texture coordinate would not show.
      const Vec3 way = NormalizeVector(*z - *x);
      const float toZ = VectorLength(*z - *x);
      float reach = toZ + k;
      if (const auto end = PlaneIntersectLine(lower, kCentre, dist(from) > dist(to) ? from : to))
        reach = std::clamp(VectorDistance(*x, *end), toZ, reach);
      addSlicePoint(*x + way * reach);
    }
    if (scratch.Count() >= 3)
      added += Triangulate(scratch, *target, uvOf);
  }
  return added;
}

}  // namespace vrel
