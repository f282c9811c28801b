#include "scene/DX9Edit.h"

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/D3DMath.h"
#include "platform/UpdateGuard.h"
#include "scene/DX9Transform.h"
#include "scene/DX9VertexPicker.h"

namespace vrel {

namespace {

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

[[noreturn]] void Raise(std::string_view message) {
  throw Exception(std::string(message));
}

// The blades that use an item, each once (two welded corners of one blade are one use).
std::unordered_set<const TDataListItemClient*> ClientBlades(const TVertexItem* item) {
  std::unordered_set<const TDataListItemClient*> blades;
  for (const TClientRecord& record : item->Clients().Records())
    blades.insert(record.Client);
  return blades;
}

bool SamePool(const std::vector<TVertexItem*>& items) {
  for (const TVertexItem* item : items)
    if (item->Collection() != items.front()->Collection())
      return false;
  return true;
}

// Some blade uses two of the items. Each blade remembers the first item it was met on, so the
// whole test is one pass over the client records.
bool TwoOnOneBlade(const std::vector<TVertexItem*>& items) {
  std::unordered_map<const TDataListItemClient*, const TVertexItem*> firstUser;
  for (const TVertexItem* item : items) {
    for (const TClientRecord& record : item->Clients().Records()) {
      const auto [it, inserted] = firstUser.emplace(record.Client, item);
      if (!inserted && it->second != item)
        return true;
    }
  }
  return false;
}

// Re-points every corner that uses one of the other items to the first item, placed at `target`.
// The merged items are freed as their last corner leaves them.
void Weld(TSquareBladeCollections& layers, const Vec3& target) {
  const std::vector<TVertexItem*> items = layers.SelectedVertices().Items();
  TVertexItem* survivor = items.front();
  {
    UpdateGuard batch(*survivor);
    survivor->Vertex()->SetVector(target);
    for (std::size_t k = items.size() - 1; k >= 1; --k) {
      TVertexItem* item = items[k];
      bool freed = false;
      for (int r = item->Clients().Count(); r-- > 0;) {
        const TClientRecord record = item->Clients().Records()[static_cast<std::size_t>(r)];
        freed = item->Clients().Count() == 1;
        record.Client->SetReference(record.Slot, survivor);
        if (freed)
          break;
      }
      // A selected vertex that no blade used has nothing to re-point; it merges all the same.
      if (!freed)
        delete item;
    }
  }
  layers.RebuildSelectedVertexList();
}

bool CheckWeld(const TSquareBladeCollections& layers) {
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.size() < 2)
    return false;
  if (!SamePool(items))
    Raise(kStickOtherLayerMessage);
  if (TwoOnOneBlade(items))
    Raise(kStickSameFaceMessage);
  return true;
}

template <class Visit>
void ForEachSelectedFace(const TSquareBladeCollections& layers, bool editableOnly, Visit visit) {
  for (int i = 0; i < layers.Count(); ++i) {
    TSquareBladeCollection* layer = layers.GetLayer(i);
    if (editableOnly && !layer->Editable())
      continue;
    for (TCollectionItem* item : layer->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      if (blade->GetFaceSelect())
        visit(blade);
    }
  }
}

// The mean of the normals at corner 0 of the selected faces of every layer; nothing when no face
// is selected or the normals cancel.
std::optional<Vec3> MeanFaceNormal(const TSquareBladeCollections& layers) {
  Vec3 sum;
  int count = 0;
  ForEachSelectedFace(layers, false, [&](const TSquareBlade* blade) {
    sum += QuadNormal(blade->GetVertices(), 0);
    ++count;
  });
  if (count == 0)
    return std::nullopt;
  const Vec3 mean = sum / static_cast<float>(count);
  if (!Finite(mean) || Vec3LengthSq(mean) == 0.0f)
    return std::nullopt;
  return mean;
}

}  // namespace

bool StickVertices(TSquareBladeCollections& layers) {
  if (!CheckWeld(layers))
    return false;
  const Vec3 target = SelectionCentroid(layers.SelectedVertices());
  if (!Finite(target))
    return false;
  Weld(layers, target);
  return true;
}

bool GatherVertices(TSquareBladeCollections& layers) {
  if (!layers.Anchor() || !CheckWeld(layers))
    return false;
  Weld(layers, layers.Anchor()->Vertex()->GetVector());
  return true;
}

bool MakeFace(TSquareBladeCollections& layers) {
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.size() != 4)
    return false;
  if (!SamePool(items))
    Raise(kMakeFaceOtherLayerMessage);
  std::array<std::unordered_set<const TDataListItemClient*>, 4> blades;
  for (std::size_t i = 0; i < 4; ++i)
    blades[i] = ClientBlades(items[i]);
  int shared = 0;
  for (std::size_t i = 0; i < 4; ++i)
    for (std::size_t j = i + 1; j < 4; ++j)
      for (const TDataListItemClient* blade : blades[i])
        shared += blades[j].contains(blade) ? 1 : 0;
  if (shared > 3)
    Raise(kMakeFaceSamePolygonMessage);

  TVertexPicker picker;
  if (!picker.Pick(items, layers.Anchor()))
    return false;
  auto* pool = dynamic_cast<TVertexItemCollection*>(items.front()->Collection());
  TSquareBladeCollection* layer = pool ? pool->Layer() : nullptr;
  if (!layer)
    return false;
  const std::vector<TVertexItem*> corners = picker.Result().Items();
  TSquareBlade* blade = layer->Add();
  for (int k = 0; k < 4; ++k)
    blade->SetReference(k, corners[static_cast<std::size_t>(k)]);
  blade->UpdatePositionCache();
  blade->SelectAll();
  layers.RebuildSelectedVertexList();
  return true;
}

bool AlignVertices(TSquareBladeCollections& layers) {
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.size() < 3)
    return false;
  TVector3List positions;
  for (const TVertexItem* item : items)
    positions.Add(item->Vertex()->GetVector());
  const auto [i, j] = FarthestPair(positions);
  const Vec3 a = positions.GetVector(i);
  const Vec3 b = positions.GetVector(j);
  // All points on one spot: there is no line to put them on.
  if (Vec3LengthSq(b - a) == 0.0f)
    return false;
  std::vector<Vec3> targets(items.size());
  for (int k = 0; k < positions.Count(); ++k) {
    targets[static_cast<std::size_t>(k)] = ProjectOnLine(positions.GetVector(k), a, b);
    if (!Finite(targets[static_cast<std::size_t>(k)]))
      return false;
  }
  for (int k = 0; k < positions.Count(); ++k)
    if (k != i && k != j)
      items[static_cast<std::size_t>(k)]->Vertex()->SetVector(targets[static_cast<std::size_t>(k)]);
  return true;
}

bool AlignToFacePlane(TSquareBladeCollections& layers) {
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.empty())
    return false;
  const std::optional<Vec3> m = MeanFaceNormal(layers);
  if (!m)
    return false;
  const Plane plane = PlaneFromPointNormal(SelectionCentroid(layers.SelectedVertices()), *m);
  std::vector<Vec3> targets;
  targets.reserve(items.size());
  for (const TVertexItem* item : items) {
    const Vec3 p = item->Vertex()->GetVector();
    const std::optional<Vec3> q = PlaneIntersectLine(plane, p, p + *m);
    if (!q || !Finite(*q))
      return false;
    targets.push_back(*q);
  }
  for (std::size_t k = 0; k < items.size(); ++k)
    items[k]->Vertex()->SetVector(targets[k]);
  return true;
}

bool FaceToCamera(TSquareBladeCollections& layers, EyePoint eye) {
  if (layers.SelectedVertices().Count() == 0 || !Finite(eye.v))
    return false;
  const std::optional<Vec3> m = MeanFaceNormal(layers);
  if (!m)
    return false;
  const Vec3 c = SelectionCentroid(layers.SelectedVertices());
  const Vec3 toEye = eye.v - c;
  if (Vec3LengthSq(toEye) == 0.0f)
    return false;
  return TransformSelection(layers, RotationOntoVector(*m, toEye, c));
}

bool ReverseFaces(TSquareBladeCollections& layers) {
  // Holds corner 1's vertex while the blade lets go of it, so it is not freed in between.
  TSquareBlade holder(nullptr);
  bool reversed = false;
  ForEachSelectedFace(layers, true, [&](TSquareBlade* blade) {
    if (!blade->Visible())
      return;
    TVertexItem* one = blade->GetVertexItem(1);
    TVertexItem* three = blade->GetVertexItem(3);
    if (one != three) {
      holder.SetReference(0, one);
      blade->SetReference(1, three);
      blade->SetReference(3, one);
      holder.SetReference(0, nullptr);
    }
    blade->UpdatePositionCache();
    reversed = true;
  });
  return reversed;
}

bool DeleteSelected(TSquareBladeCollections& layers) {
  if (layers.SelectedVertices().Count() == 0)
    return false;
  for (int i = 0; i < layers.Count(); ++i) {
    TSquareBladeCollection* layer = layers.GetLayer(i);
    // A lock protects: the selection of a locked or hidden layer is out of reach of editing.
    if (!layer->Editable())
      continue;
    for (int b = layer->Count(); b-- > 0;) {
      TSquareBlade* blade = layer->Blade(b);
      if (blade->IsSelected())
        delete blade;
    }
  }
  layers.ClearSelection();
  return true;
}

bool NewPolygon(TSquareBladeCollections& layers, int nx, int nz, float sizeX, float sizeZ, const Vec3& position) {
  TSquareBladeCollection* layer = layers.CurrentLayer();
  if (!layer || !layer->Editable() || nx < 1 || nz < 1)
    return false;
  if (!std::isfinite(sizeX) || !std::isfinite(sizeZ) || !Finite(position))
    return false;
  layers.ClearSelection();
  const int columns = nx + 1;
  std::vector<TVertexItem*> points(static_cast<std::size_t>(columns) * static_cast<std::size_t>(nz + 1));
  for (std::size_t k = 0; k < points.size(); ++k) {
    const int i = static_cast<int>(k) % columns;
    const int j = static_cast<int>(k) / columns;
    TVertexItem* item = layer->VertexPool()->Add();
    TVertex* v = item->Vertex();
    v->SetX(position.x - sizeX / 2 + static_cast<float>(i) * sizeX / static_cast<float>(nx));
    v->SetY(position.y);
    v->SetZ(position.z + sizeZ / 2 - static_cast<float>(j) * sizeZ / static_cast<float>(nz));
    points[k] = item;
  }
  for (int b = 0; b < nx * nz; ++b) {
    const int base = (b / nx) * columns + b % nx;
    const int corners[4] = {base, base + 1, base + nx + 2, base + nx + 1};
    TSquareBlade* blade = layer->Add();
    for (int k = 0; k < 4; ++k)
      blade->SetReference(k, points[static_cast<std::size_t>(corners[k])]);
    blade->SelectAll();
  }
  layers.RebuildSelectedVertexList();
  return true;
}

bool SetDrawTexture(TSquareBladeCollections& layers, bool value) {
  bool any = false;
  ForEachSelectedFace(layers, false, [&](TSquareBlade* blade) {
    blade->SetDrawTexture(value);
    any = true;
  });
  return any;
}

bool AnyDrawTexture(const TSquareBladeCollections& layers) {
  for (int i = 0; i < layers.Count(); ++i)
    for (TCollectionItem* item : layers.GetLayer(i)->ItemList())
      if (static_cast<TSquareBlade*>(item)->DrawTexture())
        return true;
  return false;
}

bool AnyFaceSelected(const TSquareBladeCollections& layers) {
  for (int i = 0; i < layers.Count(); ++i)
    for (TCollectionItem* item : layers.GetLayer(i)->ItemList())
      if (static_cast<TSquareBlade*>(item)->GetFaceSelect())
        return true;
  return false;
}

bool AnyEditableFaceSelected(const TSquareBladeCollections& layers) {
  bool any = false;
  ForEachSelectedFace(layers, true, [&](const TSquareBlade*) { any = true; });
  return any;
}

}  // namespace vrel
