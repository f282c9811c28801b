#include "scene/DX9Knife.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scene/DX9Picking.h"

namespace vrel {

namespace {

struct Vec3d {
  double x = 0, y = 0, z = 0;
};

Vec3d Widen(const Vec3& v) {
  return {v.x, v.y, v.z};
}
Vec3d Sub(const Vec3d& a, const Vec3d& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(const Vec3d& a, const Vec3d& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3d Cross(const Vec3d& a, const Vec3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool LexicallyLess(const Vec3& a, const Vec3& b) {
  if (a.x != b.x)
    return a.x < b.x;
  if (a.y != b.y)
    return a.y < b.y;
  return a.z < b.z;
}

}  // namespace

std::optional<TKnifeStroke> MakeKnifeStroke(const IDevice& device, ScreenPoint from, ScreenPoint to) {
  const Matrix projection = GetProjectionMatrix(device);
  const Matrix view = GetViewMatrix(device);
  const auto ray0 = ScreenPointToLine(device, static_cast<float>(from.x), static_cast<float>(from.y), projection, view);
  const auto ray1 = ScreenPointToLine(device, static_cast<float>(to.x), static_cast<float>(to.y), projection, view);
  if (!ray0 || !ray1)
    return std::nullopt;
  TKnifeStroke stroke;
  stroke.Quad = {ray0->nearPoint, ray0->farPoint, ray1->farPoint, ray1->nearPoint};
  const Vec3d n0 = Widen(ray0->nearPoint);
  const Vec3d normal = Cross(Sub(Widen(ray0->farPoint), n0), Sub(Widen(ray1->nearPoint), n0));
  const double length = std::sqrt(Dot(normal, normal));
  if (!(length > 0.0) || !std::isfinite(length))
    return std::nullopt;
  stroke.Normal = {normal.x / length, normal.y / length, normal.z / length};
  stroke.Offset = -(stroke.Normal[0] * n0.x + stroke.Normal[1] * n0.y + stroke.Normal[2] * n0.z);
  return stroke;
}

std::optional<Vec3> KnifeCrossesEdge(const TKnifeStroke& stroke, const Vec3& a, const Vec3& b) {
  // One order for both blades that share the edge, so both compute the very same point.
  const bool swap = LexicallyLess(b, a);
  const Vec3d p = Widen(swap ? b : a);
  const Vec3d q = Widen(swap ? a : b);
  const Vec3d n{stroke.Normal[0], stroke.Normal[1], stroke.Normal[2]};
  const double dp = Dot(n, p) + stroke.Offset;
  const double dq = Dot(n, q) + stroke.Offset;
  // An end on the plane is no crossing; NaN fails both comparisons and is none either.
  if (!((dp < 0.0 && dq > 0.0) || (dp > 0.0 && dq < 0.0)))
    return std::nullopt;
  const double t = dp / (dp - dq);
  const Vec3d x{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, p.z + (q.z - p.z) * t};

  // Inside the convex quad N0, F0, F1, N1 (boundary included): on the inner side of each of its sides
  // with respect to the quad's own winding, which the cross product of its diagonals gives.
  std::array<Vec3d, 4> quad;
  for (std::size_t k = 0; k < 4; ++k)
    quad[k] = Widen(stroke.Quad[k]);
  const Vec3d winding = Cross(Sub(quad[2], quad[0]), Sub(quad[3], quad[1]));
  for (std::size_t k = 0; k < 4; ++k) {
    const Vec3d& from = quad[k];
    const Vec3d& to = quad[(k + 1) % 4];
    if (Dot(Cross(Sub(to, from), Sub(x, from)), winding) < 0.0)
      return std::nullopt;
  }
  const Vec3 result{static_cast<float>(x.x), static_cast<float>(x.y), static_cast<float>(x.z)};
  if (!std::isfinite(result.x) || !std::isfinite(result.y) || !std::isfinite(result.z))
    return std::nullopt;
  return result;
}

namespace {

// The vertices one knife stroke has made, so that blades cut at the same point share it. A point
// reuses the first earlier cut vertex of the same layer within 0.001 in every component. The search
// runs over a grid of cells twice that size: such a vertex lies in the point's cell or a neighbour.
class CutVertices {
 public:
  TVertexItem* At(TSquareBladeCollection& layer, const Vec3& point) {
    TVertexItemCollection* pool = layer.VertexPool();
    const Cell cell = CellOf(point);
    std::size_t best = entries_.size();
    for (int64_t dx = -1; dx <= 1; ++dx) {
      for (int64_t dy = -1; dy <= 1; ++dy) {
        for (int64_t dz = -1; dz <= 1; ++dz) {
          const auto it = cells_.find(Cell{cell.x + dx, cell.y + dy, cell.z + dz});
          if (it == cells_.end())
            continue;
          for (std::size_t index : it->second) {
            const Entry& e = entries_[index];
            if (index < best && e.pool == pool && SameVectorTol(e.position, point, kReuseTolerance))
              best = index;
          }
        }
      }
    }
    if (best < entries_.size())
      return entries_[best].item;
    TVertexItem* item = pool->Add();
    item->Vertex()->SetVector(point);
    cells_[cell].push_back(entries_.size());
    entries_.push_back({item, pool, point});
    return item;
  }

 private:
  static constexpr float kReuseTolerance = 0.001f;
  static constexpr double kCellSize = 0.002;

  struct Cell {
    int64_t x, y, z;
    bool operator==(const Cell&) const = default;
  };
  struct CellHash {
    std::size_t operator()(const Cell& c) const {
      std::size_t h = std::hash<int64_t>()(c.x);
      h = h * 1000003u ^ std::hash<int64_t>()(c.y);
      return h * 1000003u ^ std::hash<int64_t>()(c.z);
    }
  };
  struct Entry {
    TVertexItem* item;
    TVertexItemCollection* pool;
    Vec3 position;
  };

  static int64_t CellIndex(float v) {
    // Far enough from the ends of the range that the neighbours' indices do not overflow.
    constexpr double kLimit = 4.0e18;
    const double c = std::floor(static_cast<double>(v) / kCellSize);
    return static_cast<int64_t>(std::clamp(c, -kLimit, kLimit));
  }
  static Cell CellOf(const Vec3& p) { return {CellIndex(p.x), CellIndex(p.y), CellIndex(p.z)}; }

  std::vector<Entry> entries_;
  std::unordered_map<Cell, std::vector<std::size_t>, CellHash> cells_;
};

void SetCorners(TSquareBlade& blade, const std::array<TVertexItem*, 4>& items) {
  for (int i = 0; i < 4; ++i)
    blade.SetReference(i, items[static_cast<std::size_t>(i)]);
}

// A fresh blade of the layer on the given vertices, unselected, with its caches filled. It keeps the
// texture switch of the blade it was cut from.
TSquareBlade* AddPiece(TSquareBladeCollection& layer, const TSquareBlade& from,
                       const std::array<TVertexItem*, 4>& items) {
  TSquareBlade* piece = layer.Add();
  SetCorners(*piece, items);
  piece->SetDrawTexture(from.DrawTexture());
  piece->ClearSelection();
  piece->UpdatePositionCache();
  return piece;
}

class KnifeSession {
 public:
  KnifeSession(const TKnifeStroke& stroke, const Matrix& world, const Matrix& inverseWorld, bool diagonal)
      : stroke_(stroke),
        world_(world),
        inverseWorld_(inverseWorld),
        worldIsIdentity_(world == Matrix{}),
        diagonal_(diagonal) {}

  bool Cut(TSquareBladeCollection& layer, TSquareBlade& blade) {
    std::array<TVertexItem*, 4> items{};
    for (int i = 0; i < 4; ++i) {
      items[static_cast<std::size_t>(i)] = blade.GetVertexItem(i);
      if (!items[static_cast<std::size_t>(i)])
        return false;  // not a finished blade
    }
    const TCorners model = blade.GetVertices();
    TCorners world;
    for (std::size_t i = 0; i < 4; ++i)
      world[i] = worldIsIdentity_ ? model[i] : Vec3TransformCoord(model[i], world_);

    std::array<std::optional<Vec3>, 4> crossings;
    for (std::size_t e = 0; e < 4; ++e)
      crossings[e] = KnifeCrossesEdge(stroke_, world[e], world[(e + 1) % 4]);

    // One straight split at most: a second one would work on corners the first has already moved.
    for (std::size_t i = 0; i < 2; ++i) {
      if (crossings[i] && crossings[i + 2]) {
        SplitInTwo(layer, blade, items, static_cast<int>(i), *crossings[i], *crossings[i + 2]);
        return true;
      }
    }
    if (!diagonal_)
      return false;
    for (std::size_t i = 0; i < 4; ++i) {
      if (crossings[i] && crossings[(i + 1) % 4]) {
        SplitInThree(layer, blade, items, model, static_cast<int>(i), *crossings[i], *crossings[(i + 1) % 4]);
        return true;
      }
    }
    return false;
  }

 private:
  Vec3 ToModel(const Vec3& world) const { return worldIsIdentity_ ? world : Vec3TransformCoord(world, inverseWorld_); }

  // P on edge i, Q on edge i + 2. The blade keeps the side of corners i and i + 3; the new blade takes
  // that of corners i + 1 and i + 2; both wind as the blade did.
  void SplitInTwo(TSquareBladeCollection& layer, TSquareBlade& blade, const std::array<TVertexItem*, 4>& items, int i,
                  const Vec3& p, const Vec3& q) {
    TVertexItem* vP = cuts_.At(layer, ToModel(p));
    TVertexItem* vQ = cuts_.At(layer, ToModel(q));
    auto at = [&](int k) { return static_cast<std::size_t>((i + k) % 4); };
    std::array<TVertexItem*, 4> piece{};
    piece[at(0)] = vP;
    piece[at(1)] = items[at(1)];
    piece[at(2)] = items[at(2)];
    piece[at(3)] = vQ;
    AddPiece(layer, blade, piece);
    blade.SetReference(static_cast<int>(at(1)), vP);
    blade.SetReference(static_cast<int>(at(2)), vQ);
    blade.ClearSelection();
    blade.UpdatePositionCache();
  }

  // P on edge i (corner i to i + 1), Q on edge i + 1. The triangles (P, corner i+1, Q) and
  // (corner i, P, Q) become quads whose extra corner halves their side along edge i; the blade keeps
  // (corner i, Q, corner i+2, corner i+3).
  void SplitInThree(TSquareBladeCollection& layer, TSquareBlade& blade, const std::array<TVertexItem*, 4>& items,
                    const TCorners& model, int i, const Vec3& p, const Vec3& q) {
    const auto ci = static_cast<std::size_t>(i);
    const auto cNext = static_cast<std::size_t>((i + 1) % 4);
    const Vec3 pModel = ToModel(p);
    const Vec3 qModel = ToModel(q);
    const Vec3 m1 = MidPoint(model[ci], pModel);
    const Vec3 m2 = MidPoint(pModel, model[cNext]);
    TVertexItem* vP = cuts_.At(layer, pModel);
    TVertexItem* vQ = cuts_.At(layer, qModel);
    TVertexItem* vM1 = cuts_.At(layer, m1);
    TVertexItem* vM2 = cuts_.At(layer, m2);
    AddPiece(layer, blade, {vP, vM2, items[cNext], vQ});
    AddPiece(layer, blade, {items[ci], vM1, vP, vQ});
    blade.SetReference(static_cast<int>(cNext), vQ);
    blade.ClearSelection();
    blade.UpdatePositionCache();
  }

  const TKnifeStroke& stroke_;
  Matrix world_;
  Matrix inverseWorld_;
  bool worldIsIdentity_;
  bool diagonal_;
  CutVertices cuts_;
};

}  // namespace

bool KnifeCut(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint from, ScreenPoint to) {
  const auto stroke = MakeKnifeStroke(device, from, to);
  if (!stroke)
    return false;
  const Matrix world = GetWorldMatrix(device);
  // Cut points are found in world space and must go back into model space to become vertices.
  const auto inverseWorld = MatrixInverse(world);
  if (!inverseWorld)
    return false;
  KnifeSession session(*stroke, world, *inverseWorld, layers.DiagonalKnife());
  bool cut = false;
  for (int l = 0; l < layers.Count(); ++l) {
    TSquareBladeCollection* layer = layers.GetLayer(l);
    if (!layer->Editable())
      continue;
    // From the last blade down: the pieces are appended and are not cut again by the same stroke.
    for (int k = layer->Count() - 1; k >= 0; --k) {
      TSquareBlade* blade = layer->Blade(k);
      if (!blade->Visible())
        continue;
      if (session.Cut(*layer, *blade))
        cut = true;
    }
  }
  return cut;
}

// ---------------------------------------------------------------------------------------------
// Scissors

std::optional<TBladeEdge> FindNeighbour(const TSquareBlade& blade, int edge) {
  if (edge < 0 || edge > 3)
    return std::nullopt;
  const TVertexItem* from = blade.GetVertexItem(edge);
  const TVertexItem* to = blade.GetVertexItem((edge + 1) % 4);
  if (!from || !to)
    return std::nullopt;
  for (const TClientRecord& r : from->Clients().Records()) {
    if (r.Client == &blade)
      continue;
    auto* other = dynamic_cast<TSquareBlade*>(r.Client);
    if (!other)
      continue;
    for (const TClientRecord& r2 : to->Clients().Records()) {
      // The other blade runs from `to` at r2.Slot to `from` at r.Slot.
      if (r2.Client == r.Client && r2.Slot == (r.Slot + 3) % 4)
        return TBladeEdge{other, r2.Slot};
    }
  }
  return std::nullopt;
}

namespace {

// The picked border and its neighbour, when the pick at (x, y) found a shared edge.
std::optional<std::pair<TBladeEdge, TBladeEdge>> SharedEdgeAt(TSquareBladeCollections& layers, const IDevice& device,
                                                              int x, int y) {
  if (!PickAt(layers, device, x, y) || layers.PickKind() != bpBorder)
    return std::nullopt;
  const TBladeEdge picked{layers.PickBlade(), layers.PickIndex()};
  const auto neighbour = FindNeighbour(*picked.Blade, picked.Edge);
  if (!neighbour)
    return std::nullopt;
  return std::pair{picked, *neighbour};
}

int ToPixel(float v) {
  const std::int64_t rounded = RoundHalfAway(v);
  return static_cast<int>(
      std::clamp<std::int64_t>(rounded, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

bool ScissorsJoin(TSquareBladeCollections& layers, const IDevice& device, int x, int y) {
  const auto shared = SharedEdgeAt(layers, device, x, y);
  if (!shared)
    return false;
  auto [picked, neighbour] = *shared;
  TSquareBlade& blade = *picked.Blade;
  TSquareBlade* other = neighbour.Blade;
  const int i = picked.Edge;
  const int j = neighbour.Edge;
  blade.SetReference(i, other->GetVertexItem((j + 2) % 4));
  blade.SetReference((i + 1) % 4, other->GetVertexItem((j + 3) % 4));
  blade.ClearSelection();
  blade.UpdatePositionCache();
  // Freeing the neighbour lets go of the shared edge's vertices, which no blade may use any more.
  delete other;
  return true;
}

std::optional<TScreenEdge> ScissorsEdgeAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y) {
  const auto shared = SharedEdgeAt(layers, device, x, y);
  if (!shared)
    return std::nullopt;
  const TBladeEdge& picked = shared->first;
  const TPickView view(device);
  const TCorners& corners = picked.Blade->PositionCache();
  const Vec3 a = view.ToWorld(corners[static_cast<std::size_t>(picked.Edge)]);
  const Vec3 b = view.ToWorld(corners[static_cast<std::size_t>((picked.Edge + 1) % 4)]);
  if (!view.InFront(a) || !view.InFront(b))
    return std::nullopt;
  const Vec3 sa = view.ToScreen(a);
  const Vec3 sb = view.ToScreen(b);
  if (!std::isfinite(sa.x) || !std::isfinite(sa.y) || !std::isfinite(sb.x) || !std::isfinite(sb.y))
    return std::nullopt;
  return TScreenEdge{{ToPixel(sa.x), ToPixel(sa.y)}, {ToPixel(sb.x), ToPixel(sb.y)}};
}

}  // namespace vrel
