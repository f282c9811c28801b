#pragma once

// Random documents for round-trip tests, and a text picture of a document that holds every field
// (floats exactly) without going through any stream code, so that two documents compare field for field.

#include <algorithm>
#include <random>
#include <sstream>
#include "platform/Cp932.h"
#include "scene/DX9Square.h"

namespace vrel::doc {

inline std::string Picture(const TSquareBladeCollection& layer) {
  std::ostringstream out;
  out << std::hexfloat << "layer '" << layer.Name() << "' " << layer.Visible() << layer.Locked() << "\n";
  const TVertexItemCollection* pool = layer.VertexPool();
  for (int i = 0; i < pool->Count(); ++i) {
    const TVertex* v = pool->Item(i)->Vertex();
    // + 0.0f: a negative zero equals zero.
    out << " vertex " << pool->Item(i)->ItemID() << " " << v->X() + 0.0f << " " << v->Y() + 0.0f << " " << v->Z() + 0.0f
        << " " << v->Select() << "\n";
  }
  for (int b = 0; b < layer.Count(); ++b) {
    const TSquareBlade* blade = layer.Blade(b);
    out << " blade " << blade->Visible() << blade->DrawTexture() << " corners";
    for (int k = 0; k < blade->CornerCount(); ++k) {  // the bound item by its place in the pool, -1 when unbound
      const TDataListItem* item = blade->GetReference(k);
      out << " " << (item ? pool->IndexOf(item) : -1) << "/" << blade->Corner(k)->ReferenceID() << "/"
          << blade->Corner(k)->BorderSelect() << blade->Corner(k)->VertexSelect();
    }
    out << " cache";
    for (const Vec3& c : blade->PositionCache())
      out << " " << c.x + 0.0f << " " << c.y + 0.0f << " " << c.z + 0.0f;
    out << " borders";
    for (uint16_t i : blade->SelectedBorderIndices())
      out << " " << i;
    out << "\n";
  }
  return out.str();
}

inline std::string Picture(const TSquareBladeCollectionsContainer& container) {
  const TSquareBladeCollections& set = *container.Collections();
  std::string out = "index " + std::to_string(container.CurrentIndex()) + "/" + std::to_string(set.CurrentIndex());
  out += "\n";
  for (int i = 0; i < set.Count(); ++i)
    out += Picture(*set.GetLayer(i));
  out += "selected";  // as (layer, pool index)
  for (const TVertexItem* item : set.SelectedVertices().Items()) {
    int layerIndex = 0, poolIndex = -1;
    for (; layerIndex < set.Count(); ++layerIndex)
      if ((poolIndex = set.GetLayer(layerIndex)->VertexPool()->IndexOf(item)) >= 0)
        break;
    out += " " + std::to_string(layerIndex) + "/" + std::to_string(poolIndex);
  }
  return out;
}

// A document of a few layers with welded blades (corners that share pool items), unwelded blades,
// pool items no blade uses, random selection flags, hidden and textured blades, hidden and locked
// layers and names in kana. Coordinates include zeros (which streams leave out).
inline void BuildRandomDocument(TSquareBladeCollectionsContainer& container, uint32_t seed, int maxLayers = 5,
                                int maxBlades = 24) {
  static const std::vector<std::string> names = {Utf8ToCp932("レイヤー 1"), "Layer1", Utf8ToCp932("地面と木"),
                                                 Utf8ToCp932("Layerabア"),  "",       std::string(300, 'w'),
                                                 Utf8ToCp932("ﾊﾝｶｸ kana")};
  std::mt19937 rng(seed);
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  auto coordinate = [&]() -> float {
    const uint32_t kind = rng() % 4;
    return kind == 0   ? 0.0f
           : kind == 1 ? static_cast<float>(static_cast<int>(rng() % 41) - 20) * 0.25f
                       : std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(rng);
  };
  TSquareBladeCollections& set = *container.Collections();
  const int layerCount = 1 + static_cast<int>(rng() % static_cast<uint32_t>(maxLayers));
  for (int l = 0; l < layerCount; ++l) {
    TSquareBladeCollection* layer = set.AddLayer();
    TVertexItemCollection* pool = layer->VertexPool();
    layer->SetName(names[rng() % names.size()]);
    layer->SetVisible(chance(80));
    layer->SetLocked(chance(25));
    const int bladeCount = static_cast<int>(rng() % static_cast<uint32_t>(maxBlades + 1));
    for (int b = 0; b < bladeCount; ++b) {
      TSquareBlade* blade = layer->Add();
      std::vector<TDataListItem*> used;
      for (int k = 0; k < 4; ++k) {
        TDataListItem* shared = nullptr;
        if (pool->Count() > 0 && chance(40)) {
          TDataListItem* candidate = pool->Item(static_cast<int>(rng() % static_cast<uint32_t>(pool->Count())));
          if (std::find(used.begin(), used.end(), candidate) == used.end())
            shared = candidate;
        }
        if (shared) {
          blade->SetReference(k, shared);
        } else {
          pool->NewDataFor(blade, k);
          blade->GetVertex(k)->SetVector({coordinate(), coordinate(), coordinate()});
        }
        used.push_back(blade->GetReference(k));
        blade->Corner(k)->SetBorderSelect(chance(20));
        blade->Corner(k)->SetVertexSelect(chance(20));
      }
      blade->SetVisible(chance(85));
      blade->SetDrawTexture(chance(30));
      blade->UpdatePositionCache();
      blade->UpdateSelectedBorderIndices();
    }
    for (int extra = static_cast<int>(rng() % 3); extra > 0; --extra)
      pool->Add()->Vertex()->SetVector({coordinate(), coordinate(), coordinate()});
    for (int i = 0; i < pool->Count(); ++i)
      pool->Item(i)->Vertex()->SetSelect(chance(30));
  }
  set.SetCurrentIndex(static_cast<int32_t>(rng() % static_cast<uint32_t>(layerCount)));
  container.SetCurrentIndex(set.CurrentIndex());
  set.RebuildSelectedVertexList();
}

}  // namespace vrel::doc
