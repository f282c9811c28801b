#include "scene/DX9Picking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace vrel {

// ---------------------------------------------------------------------------------------------
// TPickView

TPickView::TPickView(const IDevice& device)
    : world_(GetWorldMatrix(device)),
      clip_(GetViewMatrix(device) * GetProjectionMatrix(device)),
      screen_(clip_ * GetViewportMatrix(device)),
      worldIsIdentity_(world_ == Matrix{}) {}

bool TPickView::InFront(const Vec3& p) const {
  // The viewport matrix leaves w alone, so the screen matrix's last column is the clip matrix's.
  const float w = p.x * screen_.m[0][3] + p.y * screen_.m[1][3] + p.z * screen_.m[2][3] + screen_.m[3][3];
  return w > 0.0f;
}

namespace {

constexpr int kVertexSquareSize = 20;
constexpr int kBorderSquareSize = 8;

// The square around the cursor in which a vertex or a border point is caught. It sits two pixels left
// of the cursor, as the editor has always had it; its bounds belong to it.
struct PickSquare {
  float left, top, right, bottom;

  PickSquare(int x, int y, int size) {
    const float half = static_cast<float>(size) / 2.0f;
    left = static_cast<float>(x) - half - 2.0f;
    right = static_cast<float>(x) + half - 2.0f;
    top = static_cast<float>(y) - half;
    bottom = static_cast<float>(y) + half;
  }
  bool Contains(float px, float py) const { return px >= left && px <= right && py >= top && py <= bottom; }
};

bool UsableDepth(float depth) {
  return std::isfinite(depth) && depth >= 0.0f;
}

// One blade as the view sees it, worked out once per pick and shared by the three passes.
struct BladeLook {
  TSquareBlade* blade = nullptr;
  std::array<Vec3, 4> world{};
  std::array<Vec3, 4> screen{};
  std::array<bool, 4> front{};
  // The planes of the triangles (3, 0, 1) and (1, 2, 3) and where the eye ray meets them, made on
  // first use.
  std::array<std::optional<std::optional<Vec3>>, 2> rayHit;

  bool AnyFront() const { return front[0] || front[1] || front[2] || front[3]; }
  bool AllFront() const { return front[0] && front[1] && front[2] && front[3]; }

  const std::optional<Vec3>& RayHit(int triangle, const EyeRay& ray) {
    auto& slot = rayHit[static_cast<std::size_t>(triangle)];
    if (!slot) {
      const Plane plane =
          triangle == 0 ? PlaneFromPoints(world[3], world[0], world[1]) : PlaneFromPoints(world[1], world[2], world[3]);
      slot = PlaneIntersectLine(plane, ray.nearPoint, ray.farPoint);
    }
    return *slot;
  }
};

BladeLook Look(const TPickView& view, TSquareBlade* blade) {
  BladeLook look;
  look.blade = blade;
  const TCorners& corners = blade->PositionCache();
  for (std::size_t i = 0; i < 4; ++i) {
    look.world[i] = view.ToWorld(corners[i]);
    look.front[i] = view.InFront(look.world[i]);
    look.screen[i] = view.ToScreen(look.world[i]);
  }
  return look;
}

// Whether the border and face passes can hit this blade at all. When every corner is in front of the
// eye, whatever those passes accept projects inside the corners' screen bounds, and what they accept
// lies within the border square or under the cursor; a pixel of margin absorbs rounding.
bool WithinReach(const BladeLook& look, int x, int y) {
  if (!look.AnyFront())
    return false;
  if (!look.AllFront())
    return true;
  const PickSquare square(x, y, kBorderSquareSize);
  float minX = look.screen[0].x, maxX = minX, minY = look.screen[0].y, maxY = minY;
  for (std::size_t i = 1; i < 4; ++i) {
    minX = std::min(minX, look.screen[i].x);
    maxX = std::max(maxX, look.screen[i].x);
    minY = std::min(minY, look.screen[i].y);
    maxY = std::max(maxY, look.screen[i].y);
  }
  const float margin = 1.0f;
  const float left = std::min(square.left, static_cast<float>(x)) - margin;
  const float right = std::max(square.right, static_cast<float>(x)) + margin;
  const float top = square.top - margin;
  const float bottom = square.bottom + margin;
  return maxX >= left && minX <= right && maxY >= top && minY <= bottom;
}

void Offer(TSquareBladeCollections& layers, TSquareBlade* blade, TBladePartKind kind, int index, float depth) {
  if (depth < layers.PickDepth())
    layers.SetPickResult(blade, kind, index, depth);
}

// The first corner in front of the eye that lies in the square and has a usable depth is the blade's
// candidate.
void VertexPass(TSquareBladeCollections& layers, const TPickView& view, const BladeLook& look,
                const PickSquare& square) {
  for (std::size_t i = 0; i < 4; ++i) {
    if (!look.front[i] || !square.Contains(look.screen[i].x, look.screen[i].y))
      continue;
    const float depth = view.Depth(look.world[i]);
    if (!UsableDepth(depth))
      continue;
    Offer(layers, look.blade, bpVertex, static_cast<int>(i), depth);
    return;
  }
}

// Edges 0 and 3 lie in the triangle (3, 0, 1), edges 1 and 2 in (1, 2, 3).
int TriangleOfEdge(int edge) {
  return edge == 0 || edge == 3 ? 0 : 1;
}

void BorderPass(TSquareBladeCollections& layers, const TPickView& view, BladeLook& look, const EyeRay& ray,
                const PickSquare& square, const Vec2& cursor) {
  for (int i = 0; i < 4; ++i) {
    const auto a = static_cast<std::size_t>(i);
    const auto b = static_cast<std::size_t>((i + 1) % 4);
    if (!look.front[a] && !look.front[b])
      continue;
    const std::optional<Vec3>& hit = look.RayHit(TriangleOfEdge(i), ray);
    bool accepted = false;
    if (look.front[a] && look.front[b]) {
      // Both ends on screen: measure along the edge as drawn.
      Vec2 foot;
      accepted = PointOnSegment2D(cursor, {look.screen[a].x, look.screen[a].y}, {look.screen[b].x, look.screen[b].y},
                                  false, &foot) &&
                 square.Contains(foot.x, foot.y);
    } else if (hit) {
      // An end behind the eye has no trustworthy screen point: follow the eye ray onto the blade and
      // measure along the edge in space.
      Vec3 foot;
      if (PointOnSegment3D(*hit, look.world[a], look.world[b], false, &foot)) {
        const Vec3 footOnScreen = view.ToScreen(foot);
        accepted = view.InFront(foot) && square.Contains(footOnScreen.x, footOnScreen.y);
      }
    }
    if (!accepted || !hit)
      continue;
    const float depth = view.Depth(*hit);
    if (!UsableDepth(depth))
      continue;
    Offer(layers, look.blade, bpBorder, i, depth);
    return;
  }
}

void FacePass(TSquareBladeCollections& layers, const TPickView& view, BladeLook& look, const EyeRay& ray,
              const Vec2& cursor) {
  static constexpr std::array<std::array<std::size_t, 3>, 2> kTriangles{{{3, 0, 1}, {1, 2, 3}}};
  for (int t = 0; t < 2; ++t) {
    const auto& corners = kTriangles[static_cast<std::size_t>(t)];
    int front = 0;
    for (std::size_t c : corners)
      front += look.front[c] ? 1 : 0;
    if (front == 0)
      continue;
    const std::optional<Vec3>& hit = look.RayHit(t, ray);
    bool inside = false;
    if (front == 3) {
      auto onScreen = [&](std::size_t c) { return Vec2{look.screen[c].x, look.screen[c].y}; };
      inside = PointInTriangle2D(cursor, onScreen(corners[0]), onScreen(corners[1]), onScreen(corners[2]));
    } else if (hit) {
      inside = PointInTriangle3D(*hit, look.world[corners[0]], look.world[corners[1]], look.world[corners[2]]);
    }
    if (!inside || !hit)
      continue;
    const float depth = view.Depth(*hit);
    if (!UsableDepth(depth))
      continue;
    Offer(layers, look.blade, bpFace, 0, depth);
    return;
  }
}

TSquareBlade* AsBlade(TDataListItemClient* client) {
  return dynamic_cast<TSquareBlade*>(client);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Picking

bool PickAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y) {
  layers.ResetPick();
  const auto ray = ScreenPointToLine(device, static_cast<float>(x), static_cast<float>(y), GetProjectionMatrix(device),
                                     GetViewMatrix(device));
  if (!ray)
    return false;
  const TPickView view(device);
  const Vec2 cursor{static_cast<float>(x), static_cast<float>(y)};

  // The vertex pass looks at every blade; the blades the border and face passes could still hit are
  // kept, in order, so those passes need not look at the rest again.
  layers.SetPickSquareSize(kVertexSquareSize);
  const PickSquare vertexSquare(x, y, kVertexSquareSize);
  std::vector<BladeLook> reachable;
  for (int l = 0; l < layers.Count(); ++l) {
    TSquareBladeCollection* layer = layers.GetLayer(l);
    if (!layer->Editable())
      continue;
    for (TCollectionItem* item : layer->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      if (!blade->Visible())
        continue;
      BladeLook look = Look(view, blade);
      VertexPass(layers, view, look, vertexSquare);
      if (WithinReach(look, x, y))
        reachable.push_back(look);
    }
  }

  layers.SetPickSquareSize(kBorderSquareSize);
  const PickSquare borderSquare(x, y, kBorderSquareSize);
  for (BladeLook& look : reachable)
    BorderPass(layers, view, look, *ray, borderSquare, cursor);
  for (BladeLook& look : reachable)
    FacePass(layers, view, look, *ray, cursor);
  return layers.PickBlade() != nullptr;
}

void ExpandPick(TSquareBladeCollections& layers) {
  TZBladeDataList& list = layers.PickList();
  list.clear();
  TSquareBlade* blade = layers.PickBlade();
  if (!blade)
    return;
  const int index = layers.PickIndex();
  list.push_back({blade, layers.PickKind(), index});
  switch (layers.PickKind()) {
    case bpVertex: {
      const TVertexItem* item = blade->GetVertexItem(index);
      if (!item)
        return;
      for (const TClientRecord& r : item->Clients().Records()) {
        TSquareBlade* other = AsBlade(r.Client);
        if (other && other != blade)
          list.push_back({other, bpVertex, r.Slot});
      }
      return;
    }
    case bpBorder: {
      const TVertexItem* from = blade->GetVertexItem(index);
      const TVertexItem* to = blade->GetVertexItem((index + 1) % 4);
      if (!from || !to)
        return;
      for (const TClientRecord& r : from->Clients().Records()) {
        TSquareBlade* other = AsBlade(r.Client);
        if (!other || other == blade)
          continue;
        for (const TClientRecord& r2 : to->Clients().Records()) {
          if (r2.Client != r.Client)
            continue;
          if (r2.Slot == (r.Slot + 1) % 4) {
            list.push_back({other, bpBorder, r.Slot});  // the edge runs the same way
          } else if (r2.Slot == (r.Slot + 3) % 4) {
            list.push_back({other, bpBorder, r2.Slot});  // it runs the other way
          }
        }
      }
      return;
    }
    case bpNone:
    case bpFace:
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Selection

namespace {

enum class ClickMode { Replace, Add, Detach };

ClickMode ModeOf(TShiftState shift) {
  if (shift == TShiftState{ssShift})
    return ClickMode::Add;
  if (shift == TShiftState{ssCtrl})
    return ClickMode::Detach;
  return ClickMode::Replace;
}

bool PickedState(const TSquareBlade& blade, TBladePartKind kind, int index) {
  switch (kind) {
    case bpVertex: {
      const TVertex* v = blade.GetVertex(index);
      return v && v->Select();
    }
    case bpBorder:
      return blade.GetBorderSelect(index);
    case bpFace:
      return blade.GetFaceSelect();
    case bpNone:
      break;
  }
  return false;
}

void DetachPicked(TSquareBladeCollections& layers, TSquareBlade* blade, TBladePartKind kind, int index) {
  switch (kind) {
    case bpVertex:
      layers.DetachVertex(blade, index);
      break;
    case bpBorder:
      layers.DetachVertex(blade, index);
      layers.DetachVertex(blade, (index + 1) % 4);
      break;
    case bpFace:
      for (int i = 0; i < 4; ++i)
        layers.DetachVertex(blade, i);
      break;
    case bpNone:
      break;
  }
}

}  // namespace

bool SelectAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y, bool clearOnMiss,
              TShiftState shift) {
  const ClickMode mode = ModeOf(shift);
  const bool hit = PickAt(layers, device, x, y);
  if (hit) {
    TSquareBlade* blade = layers.PickBlade();
    const TBladePartKind kind = layers.PickKind();
    const int index = layers.PickIndex();
    const bool newState = !PickedState(*blade, kind, index);
    if (mode == ClickMode::Detach && layers.SelectedVertices().Count() == 0)
      DetachPicked(layers, blade, kind, index);
    if (mode != ClickMode::Add && newState)
      layers.ClearSelection();
    ExpandPick(layers);
    // A copy: selecting never frees anything, but the list belongs to the layer set.
    const TZBladeDataList records = layers.PickList();
    for (const TZBladeData& r : records) {
      switch (r.Kind) {
        case bpVertex: {
          r.Blade->Select(bpVertex, r.Index, newState);
          TVertexItem* item = r.Blade->GetVertexItem(r.Index);
          if (!newState && layers.Anchor() == item)
            layers.SetAnchor(nullptr);
          if (newState && !layers.Anchor())
            layers.SetAnchor(item);
          break;
        }
        case bpBorder:
          r.Blade->Select(bpBorder, r.Index, newState);
          break;
        case bpFace:
          r.Blade->Select(bpFace, -1, newState);
          break;
        case bpNone:
          break;
      }
    }
  }
  bool changed = layers.SelectedVertices().Count() > 0;
  layers.SelectedVertices().Clear();
  if (hit || !clearOnMiss) {
    layers.RebuildSelectedVertexList();
    changed = true;
  } else {
    layers.ClearSelection();
  }
  return changed;
}

bool SelectInRect(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint corner1, ScreenPoint corner2,
                  bool clearFirst, TShiftState shift) {
  const float left = static_cast<float>(std::min(corner1.x, corner2.x));
  const float right = static_cast<float>(std::max(corner1.x, corner2.x));
  const float top = static_cast<float>(std::min(corner1.y, corner2.y));
  const float bottom = static_cast<float>(std::max(corner1.y, corner2.y));
  bool changed = false;
  if (!shift.Contains(ssShift) && clearFirst) {
    changed = layers.SelectedVertices().Count() > 0;
    layers.ClearSelection();
  }

  const TPickView view(device);
  bool caught = false;
  for (int l = 0; l < layers.Count(); ++l) {
    TSquareBladeCollection* layer = layers.GetLayer(l);
    if (!layer->Editable())
      continue;
    for (TCollectionItem* item : layer->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      if (!blade->Visible())
        continue;
      const BladeLook look = Look(view, blade);
      bool bladeCaught = false;
      for (std::size_t i = 0; i < 4; ++i) {
        // A corner behind the eye projects through it onto the wrong side of the screen.
        if (!look.front[i])
          continue;
        const Vec3& p = look.screen[i];
        if (!(p.x >= left && p.x <= right && p.y >= top && p.y <= bottom))
          continue;
        const int corner = static_cast<int>(i);
        blade->Select(bpVertex, corner, true);
        if (!layers.Anchor())
          layers.SetAnchor(blade->GetVertexItem(corner));
        bladeCaught = true;
      }
      if (!bladeCaught)
        continue;
      caught = true;
      int selectedVertices = 0;
      for (int i = 0; i < 4; ++i) {
        const TVertex* from = blade->GetVertex(i);
        const TVertex* to = blade->GetVertex((i + 1) % 4);
        if (from && from->Select())
          ++selectedVertices;
        if (from && to && from->Select() && to->Select())
          blade->Select(bpBorder, i, true);
      }
      if (selectedVertices == 4)
        blade->Select(bpFace, -1, true);
    }
  }
  if (caught) {
    layers.RebuildSelectedVertexList();
    changed = true;
  }
  return changed;
}

bool IsSelectedAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y) {
  if (!PickAt(layers, device, x, y))
    return false;
  const TSquareBlade* blade = layers.PickBlade();
  switch (layers.PickKind()) {
    case bpVertex:
      return blade->GetVertexSelect(layers.PickIndex());
    case bpBorder:
      return blade->GetBorderSelect(layers.PickIndex());
    case bpFace:
      return blade->GetFaceSelect();
    case bpNone:
      break;
  }
  return false;
}

}  // namespace vrel
