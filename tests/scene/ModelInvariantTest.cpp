// Property test of the blade model: long seeded runs of editing operations over a layer set, each
// step mirrored on a small shadow model written from the model's rules alone (plain vectors, no
// pointers, no back-references), then the real model is compared with the shadow and checked for
// its structural invariants. The shadow tells what must have happened; the invariant check tells
// that the pointer structure is sound even where the shadow has nothing to say.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

using grid::BuildWeldedGrid;
using grid::GridPoint;
using grid::GridPointIndex;
using grid::GridShape;

const std::string kFindIdNil = "FindID が nil を返しました。";
const std::string kCornerRange = "TVertexItem で、インデックスが範囲を超えました。";

std::string Str(const Vec3& v) {
  std::ostringstream os;
  os << '(' << v.x << ", " << v.y << ", " << v.z << ')';
  return os.str();
}

// The shadow and the real model disagree in a way that makes mirroring the step impossible.
struct Diverged : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------------------------
// Shadow model

using Handle = int64_t;
constexpr Handle kNone = -1;

struct SRecord {
  int64_t Blade;
  int Slot;
  bool operator==(const SRecord&) const = default;
};

struct SItem {
  Handle H = kNone;
  int32_t ID = 0;
  Vec3 Pos{};
  bool Select = false;
  bool EverBound = false;  // an item that had a client and lost them all must be gone
  std::vector<SRecord> Clients;
};

struct SCorner {
  Handle Item = kNone;
  int32_t Ref = -1;
  bool VertexSelect = false;
  bool BorderSelect = false;
};

// Whether the blade's border index pairs follow its flags, or are still the empty array of a blade
// whose corners were copied in and never refreshed.
enum class SIndices { Derived, Empty };

struct SBlade {
  int64_t ID = 0;
  std::array<SCorner, 4> C{};
  bool Visible = true;
  TCorners Cache{};
  SIndices Indices = SIndices::Derived;

  bool IsSelected() const {
    for (const SCorner& c : C)
      if (c.VertexSelect || c.BorderSelect) return true;
    return false;
  }
  std::vector<uint16_t> DerivedIndices() const {
    std::vector<uint16_t> out;
    for (int i = 0; i < 4; ++i)
      if (C[static_cast<std::size_t>(i)].BorderSelect) {
        out.push_back(static_cast<uint16_t>(i));
        out.push_back(static_cast<uint16_t>((i + 1) % 4));
      }
    return out;
  }
};

struct SLayer {
  std::vector<SItem> Pool;
  std::vector<SBlade> Blades;
  bool Visible = true;
  bool Locked = false;
  bool Editable() const { return Visible && !Locked; }
};

struct SModel {
  std::vector<SLayer> Layers;
  int32_t CurrentIndex = 0;
  Handle Anchor = kNone;
  std::vector<Handle> Selected;
};

class Shadow {
 public:
  explicit Shadow(int64_t& counter) : next_(&counter) {}

  SModel M;

  SLayer& Layer(int L) { return M.Layers.at(static_cast<std::size_t>(L)); }
  int PoolSize(int L) { return static_cast<int>(Layer(L).Pool.size()); }
  int BladeCount(int L) { return static_cast<int>(Layer(L).Blades.size()); }
  SBlade& Blade(int L, int b) { return Layer(L).Blades.at(static_cast<std::size_t>(b)); }
  SItem& ItemAt(int L, int k) { return Layer(L).Pool.at(static_cast<std::size_t>(k)); }

  // New items and blades always go to the end with a larger number than any before, and removal
  // keeps the order, so both vectors stay sorted by handle and id.
  int ItemIndex(int L, Handle h) {
    const int i = FindItem(Layer(L), h);
    if (i < 0) throw Diverged("shadow: item " + std::to_string(h) + " is not in layer " + std::to_string(L));
    return i;
  }
  static int FindItem(const SLayer& layer, Handle h) {
    auto it = std::lower_bound(layer.Pool.begin(), layer.Pool.end(), h,
                               [](const SItem& item, Handle key) { return item.H < key; });
    return it != layer.Pool.end() && it->H == h ? static_cast<int>(it - layer.Pool.begin()) : -1;
  }
  static int FindBlade(const SLayer& layer, int64_t id) {
    auto it = std::lower_bound(layer.Blades.begin(), layer.Blades.end(), id,
                               [](const SBlade& blade, int64_t key) { return blade.ID < key; });
    return it != layer.Blades.end() && it->ID == id ? static_cast<int>(it - layer.Blades.begin()) : -1;
  }
  SItem& ItemOf(int L, Handle h) { return ItemAt(L, ItemIndex(L, h)); }
  int BladeIndex(int L, int64_t id) {
    const int i = FindBlade(Layer(L), id);
    if (i < 0) throw Diverged("shadow: blade " + std::to_string(id) + " is not in layer " + std::to_string(L));
    return i;
  }

  void AddLayer() { M.Layers.emplace_back(); }
  void InsertLayer(int i) {
    i = std::clamp(i, 0, static_cast<int>(M.Layers.size()));
    M.Layers.insert(M.Layers.begin() + i, SLayer{});
  }
  void DeleteLayer(int L) {
    for (const SItem& item : Layer(L).Pool) Forget(item.H);
    M.Layers.erase(M.Layers.begin() + L);
  }
  int AddBlade(int L) {
    SBlade blade;
    blade.ID = (*next_)++;
    Layer(L).Blades.push_back(blade);
    return BladeCount(L) - 1;
  }
  Handle AddItem(int L, int32_t id) {
    SItem item;
    item.H = (*next_)++;
    item.ID = id;
    Layer(L).Pool.push_back(item);
    return item.H;
  }

  // The layer set lets go of a freed item wherever it kept it.
  void Forget(Handle h) {
    if (M.Anchor == h) M.Anchor = kNone;
    std::erase(M.Selected, h);
  }

  Vec3 CornerPosition(int L, const SCorner& c) { return c.Item == kNone ? Vec3{} : ItemOf(L, c.Item).Pos; }
  void RefreshCache(int L, int b) {
    for (std::size_t k = 0; k < 4; ++k) Blade(L, b).Cache[k] = CornerPosition(L, Blade(L, b).C[k]);
  }
  void RefreshAll(int L, int b) {
    RefreshCache(L, b);
    Blade(L, b).Indices = SIndices::Derived;
  }
  // A changed item refreshes the position cache of every blade that uses it.
  void ItemChanged(int L, Handle h) {
    const std::vector<SRecord> clients = ItemOf(L, h).Clients;
    for (const SRecord& r : clients) RefreshCache(L, BladeIndex(L, r.Blade));
  }
  // Non-finite coordinates are refused one by one; an unchanged position announces nothing.
  void SetPosition(int L, Handle h, const Vec3& v) {
    if (h == kNone) return;
    SItem& item = ItemOf(L, h);
    Vec3 next = item.Pos;
    if (std::isfinite(v.x)) next.x = v.x;
    if (std::isfinite(v.y)) next.y = v.y;
    if (std::isfinite(v.z)) next.z = v.z;
    if (next == item.Pos) return;
    item.Pos = next;
    ItemChanged(L, h);
  }
  void SetSelect(int L, Handle h, bool value) {
    if (h == kNone) return;
    SItem& item = ItemOf(L, h);
    if (item.Select == value) return;
    item.Select = value;
    ItemChanged(L, h);
  }
  void SetItemID(int L, int k, int32_t id) {
    SItem& item = ItemAt(L, k);
    if (item.ID == id) return;
    item.ID = id;
    for (const SRecord& r : item.Clients) Blade(L, BladeIndex(L, r.Blade)).C[static_cast<std::size_t>(r.Slot)].Ref = id;
  }

  void SetReference(int L, int b, int slot, Handle h) {
    SCorner& c = Blade(L, b).C[static_cast<std::size_t>(slot)];
    const int64_t bladeId = Blade(L, b).ID;
    const Handle old = c.Item;
    if (old != kNone && old == h) return;
    if (old != kNone) {
      const int oi = ItemIndex(L, old);
      auto& records = ItemAt(L, oi).Clients;
      auto it = std::find(records.rbegin(), records.rend(), SRecord{bladeId, slot});
      if (it == records.rend()) throw Diverged("shadow: bound corner missing from its item's clients");
      records.erase(std::next(it).base());
      c.Ref = -1;
      c.Item = kNone;
      if (records.empty()) {
        Forget(old);
        Layer(L).Pool.erase(Layer(L).Pool.begin() + oi);
      }
    }
    if (h != kNone) {
      SItem& item = ItemOf(L, h);
      item.Clients.push_back({bladeId, slot});
      item.EverBound = true;
      c.Ref = item.ID;
    }
    c.Item = h;
  }

  void FreeItem(int L, int k) {
    SItem& item = ItemAt(L, k);
    for (std::size_t i = item.Clients.size(); i-- > 0;) {
      const SRecord r = item.Clients[i];
      Blade(L, BladeIndex(L, r.Blade)).C[static_cast<std::size_t>(r.Slot)].Item = kNone;
    }
    Forget(item.H);
    Layer(L).Pool.erase(Layer(L).Pool.begin() + k);
  }

  void FreeBlade(int L, int b) {
    const int64_t bladeId = Blade(L, b).ID;
    for (int slot = 4; slot-- > 0;) {
      const Handle h = Blade(L, b).C[static_cast<std::size_t>(slot)].Item;
      if (h == kNone) continue;
      const int k = ItemIndex(L, h);
      auto& records = ItemAt(L, k).Clients;
      auto it = std::find(records.rbegin(), records.rend(), SRecord{bladeId, slot});
      if (it == records.rend()) throw Diverged("shadow: bound corner missing from its item's clients");
      records.erase(std::next(it).base());
      if (records.empty()) {
        Forget(h);
        Layer(L).Pool.erase(Layer(L).Pool.begin() + k);
      }
    }
    Layer(L).Blades.erase(Layer(L).Blades.begin() + b);
  }

  // All or nothing: every number must be in the pool before any corner is bound.
  bool Resolve(int L) {
    std::unordered_map<int32_t, Handle> byId;
    for (const SItem& item : Layer(L).Pool) byId.emplace(item.ID, item.H);
    for (const SBlade& blade : Layer(L).Blades)
      for (const SCorner& c : blade.C)
        if (!byId.contains(c.Ref)) return false;
    for (int b = 0; b < BladeCount(L); ++b)
      for (int k = 0; k < 4; ++k) SetReference(L, b, k, byId.at(Blade(L, b).C[static_cast<std::size_t>(k)].Ref));
    return true;
  }

  void Renumber() {
    for (int L = 0; L < static_cast<int>(M.Layers.size()); ++L)
      for (int k = 0; k < PoolSize(L); ++k) SetItemID(L, k, k);
  }

  // A copy the way Assign makes one: numbers and flags, no bindings, blank caches.
  SLayer CopyUnbound(const SLayer& source) {
    SLayer out;
    out.Visible = source.Visible;
    out.Locked = source.Locked;
    for (const SItem& item : source.Pool) {
      SItem copy;
      copy.H = (*next_)++;
      copy.ID = item.ID;
      copy.Pos = item.Pos;
      copy.Select = item.Select;
      out.Pool.push_back(copy);
    }
    for (const SBlade& blade : source.Blades) out.Blades.push_back(CopyBladeUnbound(blade));
    return out;
  }
  SBlade CopyBladeUnbound(const SBlade& blade) {
    SBlade copy;
    copy.ID = (*next_)++;
    copy.Visible = blade.Visible;
    copy.Indices = SIndices::Empty;
    for (std::size_t k = 0; k < 4; ++k) {
      copy.C[k].Ref = blade.C[k].Ref;
      copy.C[k].VertexSelect = blade.C[k].VertexSelect;
      copy.C[k].BorderSelect = blade.C[k].BorderSelect;
    }
    return copy;
  }
  // The layer set's Assign: the old layers go (and with them every kept pointer), then copies.
  void AssignFrom(const SModel& source) {
    for (const SLayer& layer : M.Layers)
      for (const SItem& item : layer.Pool) Forget(item.H);
    M.CurrentIndex = source.CurrentIndex;
    std::vector<SLayer> layers;
    for (const SLayer& layer : source.Layers) layers.push_back(CopyUnbound(layer));
    M.Layers = std::move(layers);
  }
  // The container's Loaded; false where the real one raises.
  bool Loaded() {
    for (int L = 0; L < static_cast<int>(M.Layers.size()); ++L) {
      if (!Resolve(L)) return false;
      for (int b = 0; b < BladeCount(L); ++b) RefreshAll(L, b);
    }
    M.Anchor = kNone;
    RebuildSelected();
    return true;
  }

  // True when every corner of the layer has a number that the pool holds.
  bool Resolvable(int L) const {
    std::unordered_set<int32_t> ids;
    for (const SItem& item : M.Layers[static_cast<std::size_t>(L)].Pool) ids.insert(item.ID);
    for (const SBlade& blade : M.Layers[static_cast<std::size_t>(L)].Blades)
      for (const SCorner& c : blade.C)
        if (!ids.contains(c.Ref)) return false;
    return true;
  }

  // AppendLayer from another shadow into layer T of this one; false, with nothing changed, where the
  // real one refuses: the source cannot be bound, or the target could not be after the copy.
  bool Append(Shadow& source, int S, int T) {
    int32_t base = 0;
    for (const SItem& item : Layer(T).Pool) base = std::max(base, item.ID);
    ++base;
    if (!source.Resolvable(S)) return false;
    std::unordered_set<int32_t> ids;
    for (const SItem& item : Layer(T).Pool) ids.insert(item.ID);
    for (int k = 0; k < source.PoolSize(S); ++k) ids.insert(base + k);
    for (const SBlade& blade : Layer(T).Blades)
      for (const SCorner& c : blade.C)
        if (!ids.contains(c.Ref)) return false;
    for (int k = 0; k < source.PoolSize(S); ++k) source.SetItemID(S, k, base + k);
    for (const SItem& item : source.Layer(S).Pool) {
      const Handle h = AddItem(T, item.ID);
      SItem& copy = ItemOf(T, h);
      copy.Pos = item.Pos;
      copy.Select = item.Select;
    }
    for (const SBlade& blade : source.Layer(S).Blades) Layer(T).Blades.push_back(CopyBladeUnbound(blade));
    if (!Resolve(T)) return false;
    for (int k = 0; k < PoolSize(T); ++k) SetItemID(T, k, k);
    for (int b = 0; b < BladeCount(T); ++b) RefreshAll(T, b);
    return true;
  }

  // Every other client of the corner's item moves to a copy of it; `newId` tells the number the
  // model gave each copy (numbering new items is the pool's business, checked for uniqueness).
  template <class NewId>
  void Detach(int L, int b, int corner, NewId newId) {
    const Handle shared = Blade(L, b).C[static_cast<std::size_t>(corner)].Item;
    if (shared == kNone) return;
    const int64_t self = Blade(L, b).ID;
    for (int i = static_cast<int>(ItemOf(L, shared).Clients.size()); i-- > 0;) {
      if (i >= static_cast<int>(ItemOf(L, shared).Clients.size())) continue;
      const SRecord r = ItemOf(L, shared).Clients[static_cast<std::size_t>(i)];
      if (r.Blade == self) continue;
      const int rb = BladeIndex(L, r.Blade);
      const Handle copy = AddItem(L, newId(rb, r.Slot));
      ItemOf(L, copy).Pos = ItemOf(L, shared).Pos;
      ItemOf(L, copy).Select = ItemOf(L, shared).Select;
      SetReference(L, rb, r.Slot, copy);
    }
  }

  void BladeClearSelection(int L, int b) { BladeSetAll(L, b, false); }
  void BladeSelectAll(int L, int b) {
    if (Blade(L, b).Visible) BladeSetAll(L, b, true);
  }
  void BladeSelect(int L, int b, TBladePartKind kind, int index, bool value) {
    SBlade& blade = Blade(L, b);
    switch (kind) {
      case bpNone:
        BladeClearSelection(L, b);
        break;
      case bpVertex:
        SetSelect(L, blade.C[static_cast<std::size_t>(index)].Item, value);
        Blade(L, b).C[static_cast<std::size_t>(index)].VertexSelect = value;
        break;
      case bpBorder: {
        SetSelect(L, blade.C[static_cast<std::size_t>(index)].Item, value);
        SetSelect(L, Blade(L, b).C[static_cast<std::size_t>((index + 1) % 4)].Item, value);
        SCorner& c = Blade(L, b).C[static_cast<std::size_t>(index)];
        if (c.BorderSelect != value) {
          c.BorderSelect = value;
          Blade(L, b).Indices = SIndices::Derived;
        }
        break;
      }
      case bpFace:
        for (std::size_t k = 0; k < 4; ++k) SetSelect(L, Blade(L, b).C[k].Item, value);
        for (SCorner& c : Blade(L, b).C) c.BorderSelect = value;
        RefreshAll(L, b);
        break;
    }
  }
  void LayerSetClearSelection() {
    for (int L = 0; L < static_cast<int>(M.Layers.size()); ++L)
      for (int b = 0; b < BladeCount(L); ++b) BladeClearSelection(L, b);
    M.Selected.clear();
    M.Anchor = kNone;
  }
  void LayerSetSelectAll() {
    for (int L = 0; L < static_cast<int>(M.Layers.size()); ++L)
      if (Layer(L).Editable())
        for (int b = 0; b < BladeCount(L); ++b) BladeSelectAll(L, b);
    RebuildSelected();
  }
  void HideBlades(bool selected) {
    for (int L = 0; L < static_cast<int>(M.Layers.size()); ++L)
      for (int b = 0; b < BladeCount(L); ++b) {
        if (Blade(L, b).IsSelected() != selected) continue;
        BladeClearSelection(L, b);
        Blade(L, b).Visible = false;
      }
    RebuildSelected();
  }
  void ShowAll() {
    for (SLayer& layer : M.Layers)
      for (SBlade& blade : layer.Blades) blade.Visible = true;
  }
  void RebuildSelected() {
    M.Selected.clear();
    for (const SLayer& layer : M.Layers) {
      if (!layer.Editable()) continue;
      for (const SItem& item : layer.Pool)
        if (item.Select) M.Selected.push_back(item.H);
    }
  }
  void SetCurrentIndex(int32_t v) {
    const int32_t count = static_cast<int32_t>(M.Layers.size());
    if (v > count - 1) v = count - 1;
    if (v < 0) v = 0;
    M.CurrentIndex = v;
  }

 private:
  void BladeSetAll(int L, int b, bool value) {
    for (std::size_t k = 0; k < 4; ++k) {
      SetSelect(L, Blade(L, b).C[k].Item, value);
      Blade(L, b).C[k].VertexSelect = value;
      Blade(L, b).C[k].BorderSelect = value;
    }
    RefreshAll(L, b);
  }

  int64_t* next_;
};

// ---------------------------------------------------------------------------------------------
// Comparing and checking

#define EXPECT_OR_RETURN(cond, message) \
  do {                                  \
    if (!(cond)) {                      \
      std::ostringstream os_;           \
      os_ << message;                   \
      return os_.str();                 \
    }                                   \
  } while (0)

// A sorted vector used as a map: the checks run after every step, and one allocation per check is
// much cheaper under the sanitizers than one per entry.
template <class K, class V>
class FlatMap {
 public:
  void Add(K key, V value) { entries_.emplace_back(key, value); }
  void Seal() {
    std::sort(entries_.begin(), entries_.end(),
              [](const auto& a, const auto& b) { return std::less<K>{}(a.first, b.first); });
  }
  const V* Find(K key) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const auto& entry, K k) { return std::less<K>{}(entry.first, k); });
    return it != entries_.end() && it->first == key ? &it->second : nullptr;
  }

 private:
  std::vector<std::pair<K, V>> entries_;
};

// The real item the shadow's handle stands for, or nullptr.
const TVertexItem* RealItemOf(const TSquareBladeCollections& set, const SModel& m, Handle h) {
  for (std::size_t L = 0; L < m.Layers.size() && static_cast<int>(L) < set.Count(); ++L) {
    const int k = Shadow::FindItem(m.Layers[L], h);
    if (k >= 0 && k < set.GetLayer(static_cast<int>(L))->VertexPool()->Count())
      return set.GetLayer(static_cast<int>(L))->VertexPool()->Item(k);
  }
  return nullptr;
}

// The real model against the shadow, field by field; "" when they agree.
std::string Compare(const TSquareBladeCollections& set, const SModel& m) {
  EXPECT_OR_RETURN(set.Count() == static_cast<int>(m.Layers.size()),
                   "layer count " << set.Count() << ", shadow " << m.Layers.size());
  EXPECT_OR_RETURN(set.CurrentIndex() == m.CurrentIndex,
                   "CurrentIndex " << set.CurrentIndex() << ", shadow " << m.CurrentIndex);
  for (int L = 0; L < set.Count(); ++L) {
    const TSquareBladeCollection* layer = set.GetLayer(L);
    const SLayer& sl = m.Layers[static_cast<std::size_t>(L)];
    const TVertexItemCollection* pool = layer->VertexPool();
    EXPECT_OR_RETURN(layer->Visible() == sl.Visible && layer->Locked() == sl.Locked, "layer " << L << " flags");
    EXPECT_OR_RETURN(pool->Count() == static_cast<int>(sl.Pool.size()),
                     "layer " << L << " pool holds " << pool->Count() << " items, shadow " << sl.Pool.size());
    EXPECT_OR_RETURN(layer->Count() == static_cast<int>(sl.Blades.size()),
                     "layer " << L << " holds " << layer->Count() << " blades, shadow " << sl.Blades.size());
    for (int k = 0; k < pool->Count(); ++k) {
      const TVertexItem* item = pool->Item(k);
      const SItem& si = sl.Pool[static_cast<std::size_t>(k)];
      EXPECT_OR_RETURN(item->ItemID() == si.ID,
                       "layer " << L << " item " << k << " ItemID " << item->ItemID() << ", shadow " << si.ID);
      EXPECT_OR_RETURN(item->Vertex()->GetVector() == si.Pos, "layer " << L << " item " << k << " at "
                                                                       << Str(item->Vertex()->GetVector())
                                                                       << ", shadow " << Str(si.Pos));
      EXPECT_OR_RETURN(item->Vertex()->Select() == si.Select, "layer " << L << " item " << k << " Select");
      const TClientDataList& clients = item->Clients();
      EXPECT_OR_RETURN(
          clients.Count() == static_cast<int>(si.Clients.size()),
          "layer " << L << " item " << k << " has " << clients.Count() << " clients, shadow " << si.Clients.size());
      for (int i = 0; i < clients.Count(); ++i) {
        const SRecord& r = si.Clients[static_cast<std::size_t>(i)];
        const int rb = Shadow::FindBlade(sl, r.Blade);
        EXPECT_OR_RETURN(rb >= 0, "shadow client record names a blade outside its layer");
        EXPECT_OR_RETURN(clients.Client(i) == layer->Blade(rb) && clients.Slot(i) == r.Slot,
                         "layer " << L << " item " << k << " client record " << i << " is not {blade " << rb
                                  << ", slot " << r.Slot << "}");
      }
    }
    for (int b = 0; b < layer->Count(); ++b) {
      const TSquareBlade* blade = layer->Blade(b);
      const SBlade& sb = sl.Blades[static_cast<std::size_t>(b)];
      EXPECT_OR_RETURN(blade->Visible() == sb.Visible, "layer " << L << " blade " << b << " Visible");
      EXPECT_OR_RETURN(blade->CornerCount() == 4,
                       "layer " << L << " blade " << b << " has " << blade->CornerCount() << " corners");
      for (int k = 0; k < 4; ++k) {
        const SCorner& c = sb.C[static_cast<std::size_t>(k)];
        const TVertexItem* expected = nullptr;
        if (c.Item != kNone) {
          const int index = Shadow::FindItem(sl, c.Item);
          EXPECT_OR_RETURN(index >= 0, "shadow blade " << b << " of layer " << L << " refers outside its layer");
          expected = pool->Item(index);
        }
        EXPECT_OR_RETURN(blade->GetReference(k) == expected,
                         "layer " << L << " blade " << b << " corner " << k << " bound to the wrong item");
        EXPECT_OR_RETURN(blade->GetReferenceID(k) == c.Ref, "layer " << L << " blade " << b << " corner " << k
                                                                     << " ReferenceID " << blade->GetReferenceID(k)
                                                                     << ", shadow " << c.Ref);
        EXPECT_OR_RETURN(blade->GetVertexSelect(k) == c.VertexSelect && blade->GetBorderSelect(k) == c.BorderSelect,
                         "layer " << L << " blade " << b << " corner " << k << " selection flags");
        EXPECT_OR_RETURN(blade->PositionCache()[static_cast<std::size_t>(k)] == sb.Cache[static_cast<std::size_t>(k)],
                         "layer " << L << " blade " << b << " cached corner " << k << " "
                                  << Str(blade->PositionCache()[static_cast<std::size_t>(k)]) << ", shadow "
                                  << Str(sb.Cache[static_cast<std::size_t>(k)]));
      }
      const std::vector<uint16_t> indices =
          sb.Indices == SIndices::Derived ? sb.DerivedIndices() : std::vector<uint16_t>{};
      EXPECT_OR_RETURN(blade->SelectedBorderIndices() == indices,
                       "layer " << L << " blade " << b << " selected border indices");
    }
  }
  const TVertexItem* anchor = nullptr;
  if (m.Anchor != kNone) {
    anchor = RealItemOf(set, m, m.Anchor);
    EXPECT_OR_RETURN(anchor, "shadow anchor is not a live item");
  }
  EXPECT_OR_RETURN(set.Anchor() == anchor, "anchor differs from the shadow's");
  const auto& selected = set.SelectedVertices().Items();
  EXPECT_OR_RETURN(selected.size() == m.Selected.size(),
                   "selected-vertex list holds " << selected.size() << ", shadow " << m.Selected.size());
  for (std::size_t i = 0; i < selected.size(); ++i) {
    const TVertexItem* expected = RealItemOf(set, m, m.Selected[i]);
    EXPECT_OR_RETURN(expected, "shadow selected entry is not a live item");
    EXPECT_OR_RETURN(selected[i] == expected, "selected-vertex list entry " << i << " differs");
  }
  return "";
}

// Structural invariants of the real model that hold after every step whatever happened; only
// whether a client-less item was ever bound comes from the shadow. `rebuilt`: the step rebuilt the
// selected-vertex list. Pointers are looked up in maps of live objects before any is followed.
std::string CheckInvariants(const TSquareBladeCollections& set, const SModel& m, bool rebuilt) {
  FlatMap<const TVertexItem*, int> liveItems;                                           // item -> layer
  FlatMap<const TDataListItemClient*, std::pair<const TSquareBlade*, int>> liveBlades;  // -> blade, layer
  for (int L = 0; L < set.Count(); ++L) {
    const TSquareBladeCollection* layer = set.GetLayer(L);
    for (int k = 0; k < layer->VertexPool()->Count(); ++k) liveItems.Add(layer->VertexPool()->Item(k), L);
    for (int b = 0; b < layer->Count(); ++b) liveBlades.Add(layer->Blade(b), {layer->Blade(b), L});
  }
  liveItems.Seal();
  liveBlades.Seal();
  for (int L = 0; L < set.Count(); ++L) {
    const TSquareBladeCollection* layer = set.GetLayer(L);
    const TVertexItemCollection* pool = layer->VertexPool();
    std::vector<int32_t> ids;
    for (int k = 0; k < pool->Count(); ++k) ids.push_back(pool->Item(k)->ItemID());
    std::sort(ids.begin(), ids.end());
    auto twice = std::adjacent_find(ids.begin(), ids.end());
    EXPECT_OR_RETURN(twice == ids.end(), "ItemID " << *twice << " appears twice in the pool of layer " << L);
    for (int k = 0; k < pool->Count(); ++k) {
      const TVertexItem* item = pool->Item(k);
      const TClientDataList& clients = item->Clients();
      if (clients.Count() == 0) {
        const auto& shadowPool = m.Layers.at(static_cast<std::size_t>(L)).Pool;
        EXPECT_OR_RETURN(
            static_cast<std::size_t>(k) < shadowPool.size() && !shadowPool[static_cast<std::size_t>(k)].EverBound,
            "item " << k << " of layer " << L << " lost its last client but is still in the pool");
      }
      for (int i = 0; i < clients.Count(); ++i) {
        const auto* found = liveBlades.Find(clients.Client(i));
        EXPECT_OR_RETURN(found && found->second == L, "item " << k << " of layer " << L << ": client record " << i
                                                              << " names no live blade of the layer");
        const int slot = clients.Slot(i);
        EXPECT_OR_RETURN(slot >= 0 && slot < found->first->CornerCount(),
                         "item " << k << " of layer " << L << ": client record " << i << " names slot " << slot);
        EXPECT_OR_RETURN(found->first->GetReference(slot) == item, "item " << k << " of layer " << L
                                                                           << ": client record " << i
                                                                           << " names a slot bound elsewhere");
        int same = 0;
        for (int j = 0; j < clients.Count(); ++j)
          if (clients.Client(j) == clients.Client(i) && clients.Slot(j) == slot) ++same;
        EXPECT_OR_RETURN(
            same == 1, "item " << k << " of layer " << L << ": client record " << i << " appears " << same << " times");
      }
    }
    for (int b = 0; b < layer->Count(); ++b) {
      const TSquareBlade* blade = layer->Blade(b);
      for (int k = 0; k < blade->CornerCount(); ++k) {
        const TDataListItem* bound = blade->GetReference(k);
        if (!bound) continue;
        const int* found = liveItems.Find(static_cast<const TVertexItem*>(bound));
        EXPECT_OR_RETURN(found && *found == L, "blade " << b << " corner " << k << " of layer " << L
                                                        << " is bound to an item outside its pool");
        EXPECT_OR_RETURN(blade->GetReferenceID(k) == bound->ItemID(),
                         "blade " << b << " corner " << k << " of layer " << L << ": ReferenceID "
                                  << blade->GetReferenceID(k) << " but ItemID " << bound->ItemID());
        int records = 0;
        for (const TClientRecord& r : bound->Clients().Records())
          if (r.Client == blade && r.Slot == k) ++records;
        EXPECT_OR_RETURN(records == 1, "blade " << b << " corner " << k << " of layer " << L << " appears " << records
                                                << " times in its item's client list");
      }
    }
  }
  EXPECT_OR_RETURN(set.Anchor() == nullptr || liveItems.Find(set.Anchor()), "the anchor is not a live item");
  const auto& selected = set.SelectedVertices().Items();
  for (const TVertexItem* item : selected)
    EXPECT_OR_RETURN(liveItems.Find(item), "the selected-vertex list holds an item that is not live");
  if (rebuilt) {
    std::unordered_set<const TVertexItem*> seen;
    std::size_t expected = 0;
    for (int L = 0; L < set.Count(); ++L) {
      if (!set.GetLayer(L)->Editable()) continue;
      for (int k = 0; k < set.GetLayer(L)->VertexPool()->Count(); ++k)
        if (set.GetLayer(L)->VertexPool()->Item(k)->Vertex()->Select()) ++expected;
    }
    for (const TVertexItem* item : selected) {
      EXPECT_OR_RETURN(set.GetLayer(*liveItems.Find(item))->Editable(),
                       "the rebuilt selected-vertex list holds an item of a layer that is not editable");
      EXPECT_OR_RETURN(item->Vertex()->Select(), "the rebuilt selected-vertex list holds an unselected vertex");
      EXPECT_OR_RETURN(seen.insert(item).second, "the rebuilt selected-vertex list holds an item twice");
    }
    EXPECT_OR_RETURN(selected.size() == expected, "the rebuilt selected-vertex list holds "
                                                      << selected.size() << " of " << expected << " selected vertices");
  }
  EXPECT_OR_RETURN(set.PickBlade() == nullptr || liveBlades.Find(set.PickBlade()),
                   "the pick result names a freed blade");
  for (const TZBladeData& d : const_cast<TSquareBladeCollections&>(set).PickList())
    EXPECT_OR_RETURN(liveBlades.Find(d.Blade), "the pick list names a freed blade");
  EXPECT_OR_RETURN((set.CurrentLayer() == nullptr) == (set.Count() == 0), "CurrentLayer");
  return "";
}

// Every blade of the layer from `first` on caches exactly its corner positions.
std::string CachesFollowCorners(const TSquareBladeCollection& layer, const char* after, int first = 0) {
  for (int b = first; b < layer.Count(); ++b)
    for (int k = 0; k < 4; ++k)
      EXPECT_OR_RETURN(
          layer.Blade(b)->PositionCache()[static_cast<std::size_t>(k)] == layer.Blade(b)->GetVertexPosition(k),
          "after " << after << ", blade " << b << " caches "
                   << Str(layer.Blade(b)->PositionCache()[static_cast<std::size_t>(k)]) << " for corner " << k << " at "
                   << Str(layer.Blade(b)->GetVertexPosition(k)));
  return "";
}

// ---------------------------------------------------------------------------------------------
// The real model with its shadow

struct World {
  explicit World(int64_t& counter) : box(std::make_unique<TSquareBladeCollectionsContainer>()), sh(counter) {}
  std::unique_ptr<TSquareBladeCollectionsContainer> box;
  Shadow sh;

  TSquareBladeCollections& Set() const { return *box->Collections(); }
  TSquareBladeCollection& Layer(int L) const { return *Set().GetLayer(L); }
  int Layers() const { return Set().Count(); }
  int TotalBlades() const {
    int n = 0;
    for (int L = 0; L < Layers(); ++L) n += Layer(L).Count();
    return n;
  }
};

// The number the model gave a new item that the step bound to blade b's slot.
int32_t NewItemID(const World& w, int L, int b, int slot) {
  if (L >= w.Layers() || b >= w.Layer(L).Count()) throw Diverged("no real blade to read a new item from");
  const TDataListItem* item = w.Layer(L).Blade(b)->GetReference(slot);
  if (!item) throw Diverged("the real corner that should hold a new item is unbound");
  return item->ItemID();
}

// Mirrors BuildWeldedGrid on the shadow from the grid's own rules, reading only the numbers the
// pool gave the new points.
void ShadowGrid(World& w, int L, const GridShape& shape) {
  std::vector<Handle> points(GridPointIndex(shape, 0, shape.Rows + 1), kNone);
  for (int row = 0; row < shape.Rows; ++row)
    for (int column = 0; column < shape.Columns; ++column) {
      const int b = w.sh.AddBlade(L);
      for (int k = 0; k < 4; ++k) {
        const int pc = column + grid::kCornerColumn[k];
        const int pr = row + grid::kCornerRow[k];
        Handle& point = points[GridPointIndex(shape, pc, pr)];
        if (point != kNone) {
          w.sh.SetReference(L, b, k, point);
          continue;
        }
        point = w.sh.AddItem(L, NewItemID(w, L, b, k));
        w.sh.SetReference(L, b, k, point);
        w.sh.SetPosition(L, point, GridPoint(shape, pc, pr));
      }
      w.sh.RefreshAll(L, b);
    }
}

class Driver {
 public:
  enum Op {
    kAddFresh,
    kAddWelded,
    kGrid,
    kRebind,
    kFreeBlade,
    kFreeItem,
    kRenumber,
    kReload,
    kSnapshot,
    kRestore,
    kAppendDonor,
    kAppendWithin,
    kDetach,
    kSelect,
    kClearSelection,
    kSelectAll,
    kHide,
    kShowAll,
    kRebuild,
    kToggleLayer,
    kAnchor,
    kMove,
    kLayerAdd,
    kLayerDelete,
    kRepair,
    kResolveLayer,
    kCurrentIndex,
    kPick,
    kOpCount
  };

  explicit Driver(uint64_t seed) : rng_(seed), live_(counter_) {}

  // Runs `steps` random steps; returns the first problem with the recent history, or "".
  std::string Run(int steps) {
    try {
      Setup();
      if (std::string e = CheckLive(true); !e.empty()) return Report(-1, e);
      for (int step = 0; step < steps; ++step) {
        rebuilt_ = false;
        problem_.clear();
        const std::string what = DoStep();
        history_.push_back(std::to_string(step) + ": " + what);
        if (history_.size() > 30) history_.pop_front();
        if (!problem_.empty()) return Report(step, problem_);
        if (std::string e = CheckLive(rebuilt_); !e.empty()) return Report(step, e);
        ++opsDone_[lastOp_];
      }
    } catch (const Diverged& e) {
      return Report(-2, std::string("shadow could not follow: ") + e.what());
    } catch (const std::exception& e) {
      return Report(-2, std::string("unexpected exception: ") + e.what());
    }
    return "";
  }

  const std::array<int, kOpCount>& OpsDone() const { return opsDone_; }
  int Failures() const { return expectedFailures_; }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Coin(double p) { return std::bernoulli_distribution(p)(rng_); }
  float Coordinate(int range) { return static_cast<float>(Pick(2 * range + 1) - range) / 4.0f; }
  Vec3 RandomPoint() { return {Coordinate(40), Coordinate(20), Coordinate(40)}; }

  void Note(const std::string& problem) {
    if (problem_.empty()) problem_ = problem;
  }
  std::string CheckLive(bool rebuilt) {
    if (std::string e = Compare(live_.Set(), live_.sh.M); !e.empty()) return e;
    return CheckInvariants(live_.Set(), live_.sh.M, rebuilt);
  }
  std::string Report(int step, const std::string& problem) const {
    std::ostringstream os;
    os << "step " << step << ": " << problem << "\nrecent steps:\n";
    for (const std::string& h : history_) os << "  " << h << '\n';
    return os.str();
  }

  // Runs a model call that must raise `message` exactly when `expectThrow`.
  template <class Call>
  void Expect(bool expectThrow, const std::string& message, Call call, const char* what) {
    try {
      call();
    } catch (const Exception& e) {
      if (!expectThrow)
        Note(std::string(what) + " raised \"" + e.what() + "\"");
      else if (e.what() != message)
        Note(std::string(what) + " raised \"" + e.what() + "\", not \"" + message + "\"");
      ++expectedFailures_;
      return;
    }
    if (expectThrow) Note(std::string(what) + " did not raise \"" + message + "\"");
  }

  void Setup() {
    for (int i = 0; i < 3; ++i) {
      live_.Set().AddLayer();
      live_.sh.AddLayer();
    }
    DoGrid(live_, 0, GridShape{4, 3, 1.0f, {-2, 0, -2}});
    DoGrid(live_, 1, GridShape{2, 2, 1.0f, {5, 1, 5}});
    for (int i = 0; i < 4; ++i) AddFresh(live_);
  }

  // Picks an operation; adding operations give way to freeing ones while the model is large.
  Op Choose() {
    static constexpr int kWeights[kOpCount] = {7, 8, 2, 7, 5, 3, 4, 2, 2, 2, 2, 2, 5, 10,
                                               3, 3, 2, 2, 3, 3, 3, 6, 2, 1, 5, 2, 2, 2};
    int total = 0;
    for (int wgt : kWeights) total += wgt;
    int r = Pick(total);
    int op = 0;
    while (r >= kWeights[op]) r -= kWeights[op++];
    const bool large = live_.TotalBlades() > 110;
    if (large && (op == kAddFresh || op == kAddWelded || op == kGrid || op == kAppendDonor || op == kAppendWithin))
      op = kFreeBlade;
    return static_cast<Op>(op);
  }

  std::string DoStep() {
    lastOp_ = Choose();
    switch (lastOp_) {
      case kAddFresh:
        return AddFresh(live_);
      case kAddWelded:
        return AddWelded(live_);
      case kGrid:
        return Grid(live_);
      case kRebind:
        return Rebind(live_);
      case kFreeBlade:
        return FreeBlade(live_);
      case kFreeItem:
        return FreeItem(live_);
      case kRenumber:
        return Renumber();
      case kReload:
        return Reload();
      case kSnapshot:
        return TakeSnapshot();
      case kRestore:
        return Restore();
      case kAppendDonor:
        return AppendDonor();
      case kAppendWithin:
        return AppendWithin();
      case kDetach:
        return Detach(live_);
      case kSelect:
        return Select(live_);
      case kClearSelection:
        return ClearSelection();
      case kSelectAll:
        return SelectAll(live_);
      case kHide:
        return Hide();
      case kShowAll:
        return ShowAll();
      case kRebuild:
        return Rebuild();
      case kToggleLayer:
        return ToggleLayer();
      case kAnchor:
        return Anchor();
      case kMove:
        return Move(live_);
      case kLayerAdd:
        return LayerAdd();
      case kLayerDelete:
        return LayerDelete();
      case kRepair:
        return Repair(live_);
      case kResolveLayer:
        return ResolveLayer();
      case kCurrentIndex:
        return CurrentIndex();
      case kPick:
        return PickResult();
      case kOpCount:
        break;
    }
    return "nothing";
  }

  // A random layer passing `want`, or -1.
  template <class Want>
  int LayerWhere(const World& w, Want want) {
    std::vector<int> candidates;
    for (int L = 0; L < w.Layers(); ++L)
      if (want(w.Layer(L))) candidates.push_back(L);
    if (candidates.empty()) return -1;
    return candidates[static_cast<std::size_t>(Pick(static_cast<int>(candidates.size())))];
  }
  int LayerWithBlades(const World& w) {
    return LayerWhere(w, [](const TSquareBladeCollection& l) { return l.Count() > 0; });
  }
  int LayerWithItems(const World& w) {
    return LayerWhere(w, [](const TSquareBladeCollection& l) { return l.VertexPool()->Count() > 0; });
  }
  int AnyLayer(World& w) {
    if (w.Layers() == 0) {
      w.Set().AddLayer();
      w.sh.AddLayer();
    }
    return Pick(w.Layers());
  }
  Handle ShadowHandleAt(World& w, int L, int k) {
    if (k >= w.sh.PoolSize(L)) throw Diverged("shadow pool shorter than the real one");
    return w.sh.ItemAt(L, k).H;
  }

  std::string AddFresh(World& w) {
    const int L = AnyLayer(w);
    TSquareBladeCollection& layer = w.Layer(L);
    TSquareBlade* blade = layer.Add();
    layer.VertexPool()->NewDataFor(blade, -1);
    const TCorners corners{RandomPoint(), RandomPoint(), RandomPoint(), RandomPoint()};
    blade->SetVertices(corners);
    const int b = w.sh.AddBlade(L);
    for (int s = 0; s < 4; ++s) w.sh.SetReference(L, b, s, w.sh.AddItem(L, NewItemID(w, L, b, s)));
    for (int s = 0; s < 4; ++s)
      w.sh.SetPosition(L, w.sh.Blade(L, b).C[static_cast<std::size_t>(s)].Item, corners[static_cast<std::size_t>(s)]);
    return "add fresh blade to layer " + std::to_string(L);
  }

  // A new blade whose corners are welded to existing items of its layer where a coin says so
  // (two corners may land on one item), the others new.
  std::string AddWelded(World& w) {
    const int L = LayerWithItems(w);
    if (L < 0) return AddFresh(w);
    TSquareBladeCollection& layer = w.Layer(L);
    TSquareBlade* blade = layer.Add();
    const int b = w.sh.AddBlade(L);
    std::string how;
    for (int k = 0; k < 4; ++k) {
      if (Coin(0.6)) {
        const int idx = Pick(layer.VertexPool()->Count());
        const Handle h = ShadowHandleAt(w, L, idx);
        blade->SetReference(k, layer.VertexPool()->Item(idx));
        w.sh.SetReference(L, b, k, h);
        how += " w" + std::to_string(idx);
      } else {
        layer.VertexPool()->NewDataFor(blade, k);
        const Handle h = w.sh.AddItem(L, NewItemID(w, L, b, k));
        w.sh.SetReference(L, b, k, h);
        const Vec3 p = RandomPoint();
        blade->SetVertexPosition(k, p);
        w.sh.SetPosition(L, h, p);
        how += " new";
      }
    }
    if (Coin(0.7)) {
      blade->UpdatePositionCache();
      blade->UpdateSelectedBorderIndices();
      w.sh.RefreshAll(L, b);
      how += " refreshed";
    }
    return "add welded blade to layer " + std::to_string(L) + ":" + how;
  }

  void DoGrid(World& w, int L, const GridShape& shape) {
    BuildWeldedGrid(w.Layer(L), shape);
    ShadowGrid(w, L, shape);
  }
  std::string Grid(World& w) {
    const int L = AnyLayer(w);
    const GridShape shape{
        1 + Pick(4), 1 + Pick(3), 1.0f, {static_cast<float>(Pick(9) - 4), 0, static_cast<float>(Pick(9) - 4)}};
    const int first = w.Layer(L).Count();
    DoGrid(w, L, shape);
    Note(CachesFollowCorners(w.Layer(L), "a grid", first));
    // Neighbours in the grid share the items of their common edge.
    for (int row = 0; row < shape.Rows; ++row)
      for (int column = 0; column + 1 < shape.Columns; ++column) {
        const TSquareBlade* left = w.Layer(L).Blade(first + row * shape.Columns + column);
        const TSquareBlade* right = w.Layer(L).Blade(first + row * shape.Columns + column + 1);
        if (left->GetReference(1) != right->GetReference(0) || left->GetReference(2) != right->GetReference(3))
          Note("grid neighbours do not share their common edge");
      }
    return "grid " + std::to_string(shape.Columns) + "x" + std::to_string(shape.Rows) + " into layer " +
           std::to_string(L);
  }

  std::string Rebind(World& w) {
    const int L = LayerWithBlades(w);
    if (L < 0) return AddFresh(w);
    TSquareBladeCollection& layer = w.Layer(L);
    const int b = Pick(layer.Count());
    const int k = Pick(4);
    TSquareBlade* blade = layer.Blade(b);
    const int choice = Pick(10);
    const std::string where =
        "rebind layer " + std::to_string(L) + " blade " + std::to_string(b) + " corner " + std::to_string(k);
    if (choice < 5 && layer.VertexPool()->Count() > 0) {
      const int idx = Pick(layer.VertexPool()->Count());
      const Handle h = ShadowHandleAt(w, L, idx);
      blade->SetReference(k, layer.VertexPool()->Item(idx));
      w.sh.SetReference(L, b, k, h);
      return where + " to item " + std::to_string(idx);
    }
    if (choice < 8) {
      layer.VertexPool()->NewDataFor(blade, k);
      w.sh.SetReference(L, b, k, w.sh.AddItem(L, NewItemID(w, L, b, k)));
      return where + " to a new item";
    }
    if (choice < 9) {
      TDataListItem* same = blade->GetReference(k);
      blade->SetReference(k, same);
      w.sh.SetReference(L, b, k, w.sh.Blade(L, b).C[static_cast<std::size_t>(k)].Item);
      return where + " to the item it holds";
    }
    blade->SetReference(k, nullptr);
    w.sh.SetReference(L, b, k, kNone);
    return where + " to nothing";
  }

  std::string FreeBlade(World& w) {
    const int L = LayerWithBlades(w);
    if (L < 0) return AddFresh(w);
    const int b = Pick(w.Layer(L).Count());
    w.Layer(L).Delete(b);
    w.sh.FreeBlade(L, b);
    return "free blade " + std::to_string(b) + " of layer " + std::to_string(L);
  }

  std::string FreeItem(World& w) {
    const int L = LayerWithItems(w);
    if (L < 0) return AddFresh(w);
    const int k = Pick(w.Layer(L).VertexPool()->Count());
    w.Layer(L).VertexPool()->Delete(k);
    w.sh.FreeItem(L, k);
    return "free item " + std::to_string(k) + " of layer " + std::to_string(L);
  }

  std::string Renumber() {
    RenumberVertexIDs(live_.Set());
    live_.sh.Renumber();
    for (int L = 0; L < live_.Layers(); ++L)
      for (int k = 0; k < live_.Layer(L).VertexPool()->Count(); ++k)
        if (live_.Layer(L).VertexPool()->Item(k)->ItemID() != k) Note("renumbering left an ItemID out of pool order");
    return "renumber";
  }

  // Opening or undoing reads into a fresh container and swaps it in only when it loaded.
  std::string Reload() {
    auto fresh = std::make_unique<TSquareBladeCollectionsContainer>();
    fresh->Assign(live_.box.get());
    Shadow shadow(counter_);
    shadow.AssignFrom(live_.sh.M);
    const bool ok = shadow.Loaded();
    Expect(
        !ok, kFindIdNil, [&] { fresh->Loaded(); }, "Loaded of a reloaded copy");
    if (!ok) return "reload (refused: a corner number is missing)";
    for (int L = 0; L < fresh->Collections()->Count(); ++L)
      Note(CachesFollowCorners(*fresh->Collections()->GetLayer(L), "Loaded"));
    live_.box = std::move(fresh);
    live_.sh.M = std::move(shadow.M);
    rebuilt_ = true;
    return "reload through Assign and Loaded";
  }

  std::string TakeSnapshot() {
    snapshot_ = std::make_unique<TSquareBladeCollectionsContainer>();
    snapshot_->Assign(live_.box.get());
    snapshotShadow_ = std::make_unique<Shadow>(counter_);
    snapshotShadow_->AssignFrom(live_.sh.M);
    return "snapshot";
  }

  // Undo: the live container is assigned from an earlier snapshot and loaded in place.
  std::string Restore() {
    if (!snapshot_) return TakeSnapshot();
    // The snapshot is a deep copy: nothing done to the live model since may show in it.
    Note(Compare(*snapshot_->Collections(), snapshotShadow_->M));
    live_.box->Assign(snapshot_.get());
    live_.sh.AssignFrom(snapshotShadow_->M);
    const bool ok = live_.sh.Loaded();
    Expect(
        !ok, kFindIdNil, [&] { live_.box->Loaded(); }, "Loaded after restoring a snapshot");
    if (!ok) return "restore snapshot (resolve refused)";
    for (int L = 0; L < live_.Layers(); ++L) Note(CachesFollowCorners(live_.Layer(L), "Loaded"));
    rebuilt_ = true;
    return "restore snapshot";
  }

  // The append command: a separately built document's layers are appended as new layers.
  std::string AppendDonor() {
    if (live_.Layers() >= 6) return LayerDelete();
    World donor(counter_);
    const int donorLayers = 1 + Pick(2);
    for (int i = 0; i < donorLayers; ++i) {
      donor.Set().AddLayer();
      donor.sh.AddLayer();
      DoGrid(donor, i, GridShape{1 + Pick(3), 1 + Pick(3), 1.0f, {static_cast<float>(Pick(5)), 0, 0}});
    }
    for (int i = Pick(6); i-- > 0;) {
      switch (Pick(6)) {
        case 0:
          AddFresh(donor);
          break;
        case 1:
          AddWelded(donor);
          break;
        case 2:
          Select(donor);
          break;
        case 3:
          Detach(donor);
          break;
        case 4:
          Move(donor);
          break;
        default:
          if (Coin(0.3))
            FreeItem(donor);
          else
            Rebind(donor);
          break;
      }
    }
    Note(Compare(donor.Set(), donor.sh.M));
    const int before = live_.Layers();
    bool ok = true;
    for (int i = 0; i < donorLayers && ok; ++i) ok = donor.sh.Resolvable(i);
    for (int i = 0; i < donorLayers && ok; ++i) {
      live_.sh.AddLayer();
      ok = live_.sh.Append(donor.sh, i, static_cast<int>(live_.sh.M.Layers.size()) - 1);
    }
    Expect(
        !ok, kFindIdNil, [&] { AppendLayers(donor.Set(), live_.Set()); }, "AppendLayers");
    Note(Compare(donor.Set(), donor.sh.M));
    if (ok)
      for (int L = before; L < live_.Layers(); ++L) Note(CachesFollowCorners(live_.Layer(L), "AppendLayer"));
    return "append " + std::to_string(donorLayers) + " donor layers" + (ok ? "" : " (resolve refused)");
  }

  std::string AppendWithin() {
    if (live_.Layers() < 2) return LayerAdd();
    const int s = Pick(live_.Layers());
    int t = Pick(live_.Layers() - 1);
    if (t >= s) ++t;
    if (live_.Layer(s).Count() + live_.Layer(t).Count() > 80) return FreeBlade(live_);
    const bool ok = live_.sh.Append(live_.sh, s, t);
    Expect(
        !ok, kFindIdNil, [&] { AppendLayer(live_.Layer(s), live_.Layer(t)); }, "AppendLayer");
    if (ok) Note(CachesFollowCorners(live_.Layer(t), "AppendLayer"));
    return "append layer " + std::to_string(s) + " to layer " + std::to_string(t) + (ok ? "" : " (resolve refused)");
  }

  std::string Detach(World& w) {
    const int L = LayerWithBlades(w);
    if (L < 0) return AddFresh(w);
    const int b = Pick(w.Layer(L).Count());
    const int k = Pick(4);
    TSquareBlade* blade = w.Layer(L).Blade(b);
    w.Set().DetachVertex(blade, k);
    w.sh.Detach(L, b, k, [&](int rb, int slot) { return NewItemID(w, L, rb, slot); });
    if (const TDataListItem* item = blade->GetReference(k)) {
      for (const TClientRecord& r : item->Clients().Records())
        if (r.Client != blade) Note("after DetachVertex another blade still shares the detached vertex");
    }
    return "detach layer " + std::to_string(L) + " blade " + std::to_string(b) + " corner " + std::to_string(k);
  }

  std::string Select(World& w) {
    const int L = LayerWithBlades(w);
    if (L < 0) return AddFresh(w);
    const int b = Pick(w.Layer(L).Count());
    const auto kind = static_cast<TBladePartKind>(Pick(4));
    const bool value = Coin(0.7);
    int index = kind == bpFace ? -1 : Pick(4);
    const bool outOfRange = (kind == bpVertex || kind == bpBorder) && Coin(0.03);
    if (outOfRange) index = Coin(0.5) ? 4 : -1;
    TSquareBlade* blade = w.Layer(L).Blade(b);
    Expect(
        outOfRange, kCornerRange + std::to_string(index), [&] { blade->Select(kind, index, value); }, "Select");
    if (!outOfRange) w.sh.BladeSelect(L, b, kind, index, value);
    return "select kind " + std::to_string(kind) + " index " + std::to_string(index) + (value ? " on" : " off") +
           " layer " + std::to_string(L) + " blade " + std::to_string(b);
  }

  std::string ClearSelection() {
    live_.Set().ClearSelection();
    live_.sh.LayerSetClearSelection();
    for (int L = 0; L < live_.Layers(); ++L)
      for (int k = 0; k < live_.Layer(L).VertexPool()->Count(); ++k)
        if (live_.Layer(L).VertexPool()->Item(k)->Clients().Count() > 0 &&
            live_.Layer(L).VertexPool()->Item(k)->Vertex()->Select())
          Note("ClearSelection left a vertex of a blade selected");
    return "clear selection";
  }

  std::string SelectAll(World& w) {
    w.Set().SelectAll();
    w.sh.LayerSetSelectAll();
    rebuilt_ = true;
    return "select all";
  }

  std::string Hide() {
    const bool selected = Coin(0.5);
    live_.Set().HideBlades(selected);
    live_.sh.HideBlades(selected);
    rebuilt_ = true;
    return selected ? "hide selected" : "hide unselected";
  }

  std::string ShowAll() {
    live_.Set().ShowAll();
    live_.sh.ShowAll();
    return "show all";
  }

  std::string Rebuild() {
    live_.Set().RebuildSelectedVertexList();
    live_.sh.RebuildSelected();
    rebuilt_ = true;
    return "rebuild selected-vertex list";
  }

  std::string ToggleLayer() {
    const int L = AnyLayer(live_);
    if (Coin(0.5)) {
      live_.Layer(L).SetVisible(!live_.Layer(L).Visible());
      live_.sh.Layer(L).Visible = !live_.sh.Layer(L).Visible;
      return "toggle Visible of layer " + std::to_string(L);
    }
    live_.Layer(L).SetLocked(!live_.Layer(L).Locked());
    live_.sh.Layer(L).Locked = !live_.sh.Layer(L).Locked;
    return "toggle Locked of layer " + std::to_string(L);
  }

  std::string Anchor() {
    const int L = LayerWithItems(live_);
    if (L < 0 || Coin(0.15)) {
      live_.Set().SetAnchor(nullptr);
      live_.sh.M.Anchor = kNone;
      return "anchor none";
    }
    const int k = Pick(live_.Layer(L).VertexPool()->Count());
    live_.Set().SetAnchor(live_.Layer(L).VertexPool()->Item(k));
    live_.sh.M.Anchor = ShadowHandleAt(live_, L, k);
    return "anchor item " + std::to_string(k) + " of layer " + std::to_string(L);
  }

  // Moves one corner's vertex; every blade welded to it must follow at once.
  std::string Move(World& w) {
    const int L = LayerWithBlades(w);
    if (L < 0) return AddFresh(w);
    const int b = Pick(w.Layer(L).Count());
    const int k = Pick(4);
    TSquareBlade* blade = w.Layer(L).Blade(b);
    Vec3 p = Coin(0.1) ? blade->GetVertexPosition(k) : RandomPoint();
    if (Coin(0.05)) p.y = Coin(0.5) ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
    const bool direct = Coin(0.3);
    const Vec3 before = blade->GetVertexPosition(k);
    if (direct) {
      if (TVertex* v = blade->GetVertex(k)) v->SetX(p.x);
    } else {
      blade->SetVertexPosition(k, p);
    }
    const Handle h = w.sh.Blade(L, b).C[static_cast<std::size_t>(k)].Item;
    if (h != kNone) {
      Vec3 target = w.sh.ItemOf(L, h).Pos;
      if (direct)
        target.x = p.x;
      else
        target = p;
      w.sh.SetPosition(L, h, target);
    }
    const TDataListItem* item = blade->GetReference(k);
    if (item && blade->GetVertexPosition(k) != before) {
      const Vec3 now = static_cast<const TVertexItem*>(item)->Vertex()->GetVector();
      for (const TClientRecord& r : item->Clients().Records()) {
        const auto* other = static_cast<const TSquareBlade*>(r.Client);
        if (other->PositionCache()[static_cast<std::size_t>(r.Slot)] != now || other->GetVertexPosition(r.Slot) != now)
          Note("a blade welded to a moved vertex did not follow it");
      }
    }
    return std::string(direct ? "set X of" : "move") + " layer " + std::to_string(L) + " blade " + std::to_string(b) +
           " corner " + std::to_string(k) + " to " + Str(p);
  }

  std::string LayerAdd() {
    if (live_.Layers() >= 6) return LayerDelete();
    if (live_.Layers() > 0 && Coin(0.5)) {
      const int i = Pick(live_.Layers());
      live_.Set().InsertLayerAt(i);
      live_.sh.InsertLayer(i);
      return "insert layer at " + std::to_string(i);
    }
    live_.Set().AddLayer();
    live_.sh.AddLayer();
    return "add layer";
  }

  std::string LayerDelete() {
    if (live_.Layers() <= 1) return LayerAdd();
    const int L = Pick(live_.Layers());
    live_.Set().Delete(L);
    live_.sh.DeleteLayer(L);
    return "delete layer " + std::to_string(L);
  }

  // Gives every unbound corner of one blade a new vertex, or frees such a blade.
  std::string Repair(World& w) {
    std::vector<std::pair<int, int>> broken;
    for (int L = 0; L < w.Layers(); ++L)
      for (int b = 0; b < w.Layer(L).Count(); ++b)
        for (int k = 0; k < 4; ++k)
          if (!w.Layer(L).Blade(b)->GetReference(k)) {
            broken.emplace_back(L, b);
            break;
          }
    if (broken.empty()) return Detach(w);
    const auto [L, b] = broken[static_cast<std::size_t>(Pick(static_cast<int>(broken.size())))];
    if (Coin(0.25)) {
      w.Layer(L).Delete(b);
      w.sh.FreeBlade(L, b);
      return "repair: free broken blade " + std::to_string(b) + " of layer " + std::to_string(L);
    }
    TSquareBlade* blade = w.Layer(L).Blade(b);
    for (int k = 0; k < 4; ++k) {
      if (blade->GetReference(k)) continue;
      w.Layer(L).VertexPool()->NewDataFor(blade, k);
      const Handle h = w.sh.AddItem(L, NewItemID(w, L, b, k));
      w.sh.SetReference(L, b, k, h);
      const Vec3 p = RandomPoint();
      blade->SetVertexPosition(k, p);
      w.sh.SetPosition(L, h, p);
    }
    blade->UpdatePositionCache();
    blade->UpdateSelectedBorderIndices();
    w.sh.RefreshAll(L, b);
    return "repair blade " + std::to_string(b) + " of layer " + std::to_string(L);
  }

  std::string ResolveLayer() {
    const int L = AnyLayer(live_);
    const bool ok = live_.sh.Resolve(L);
    Expect(
        !ok, kFindIdNil, [&] { live_.Layer(L).ResolveReferences(); }, "ResolveReferences");
    return "resolve layer " + std::to_string(L) + (ok ? "" : " (refused)");
  }

  std::string CurrentIndex() {
    const int v = Pick(live_.Layers() + 4) - 2;
    live_.Set().SetCurrentIndex(v);
    live_.sh.SetCurrentIndex(v);
    return "CurrentIndex := " + std::to_string(v);
  }

  std::string PickResult() {
    const int L = LayerWithBlades(live_);
    if (L < 0) {
      live_.Set().ResetPick();
      return "reset pick";
    }
    TSquareBlade* blade = live_.Layer(L).Blade(Pick(live_.Layer(L).Count()));
    live_.Set().SetPickResult(blade, bpFace, -1, 0.5f);
    live_.Set().PickList().push_back({blade, bpVertex, Pick(4)});
    return "pick a blade of layer " + std::to_string(L);
  }

  std::mt19937_64 rng_;
  int64_t counter_ = 0;
  World live_;
  std::unique_ptr<TSquareBladeCollectionsContainer> snapshot_;
  std::unique_ptr<Shadow> snapshotShadow_;
  bool rebuilt_ = false;
  std::string problem_;
  std::deque<std::string> history_;
  Op lastOp_ = kAddFresh;
  std::array<int, kOpCount> opsDone_{};
  int expectedFailures_ = 0;
};

// ---------------------------------------------------------------------------------------------

class ModelInvariant : public ::testing::TestWithParam<uint64_t> {};

TEST_P(ModelInvariant, RandomEditingKeepsTheModelConsistent) {
  Driver driver(GetParam());
  const std::string problem = driver.Run(2200);
  ASSERT_EQ(problem, "");
  // Every kind of step ran often enough to matter, and the refusing paths were taken too.
  for (int op = 0; op < Driver::kOpCount; ++op)
    EXPECT_GE(driver.OpsDone()[static_cast<std::size_t>(op)], 5) << "operation " << op;
  EXPECT_GT(driver.Failures(), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelInvariant, ::testing::Values(1u, 2u, 20240607u, 65537u));

// The checker itself must notice a broken model, or the runs above prove nothing.
TEST(ModelInvariantChecker, NoticesCorruptedModels) {
  int64_t counter = 0;
  World w(counter);
  w.Set().AddLayer();
  w.sh.AddLayer();
  BuildWeldedGrid(w.Layer(0), GridShape{2, 1});
  ShadowGrid(w, 0, GridShape{2, 1});
  ASSERT_EQ(Compare(w.Set(), w.sh.M), "");
  ASSERT_EQ(CheckInvariants(w.Set(), w.sh.M, false), "");

  // A stale number in a bound slot.
  TSquareBlade* blade = w.Layer(0).Blade(1);
  const int32_t id = blade->GetReferenceID(2);
  blade->SetReferenceID(2, id + 100);
  EXPECT_NE(CheckInvariants(w.Set(), w.sh.M, false).find("ReferenceID"), std::string::npos);
  blade->SetReferenceID(2, id);

  // Two pool items with one number.
  TVertexItemCollection* pool = w.Layer(0).VertexPool();
  const int32_t first = pool->Item(0)->ItemID();
  pool->Item(0)->SetItemID(pool->Item(1)->ItemID());
  EXPECT_NE(CheckInvariants(w.Set(), w.sh.M, false).find("twice"), std::string::npos);
  pool->Item(0)->SetItemID(first);

  // A selected vertex missing from a list said to be rebuilt.
  pool->Item(0)->Vertex()->SetSelect(true);
  EXPECT_NE(CheckInvariants(w.Set(), w.sh.M, true).find("rebuilt"), std::string::npos);
  EXPECT_NE(Compare(w.Set(), w.sh.M), "");
  pool->Item(0)->Vertex()->SetSelect(false);
  EXPECT_EQ(CheckInvariants(w.Set(), w.sh.M, true), "");

  // A moved vertex the shadow did not move.
  blade->SetVertexPosition(0, {9, 9, 9});
  EXPECT_NE(Compare(w.Set(), w.sh.M).find("item"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The welded grid

TEST(WeldedGrid, OnePoolItemPerGridPointSharedByEveryBladeThatMeetsThere) {
  TSquareBladeCollection layer;
  const GridShape shape{3, 2, 2.0f, {-1, 4, 10}};
  const std::vector<TVertexItem*> points = BuildWeldedGrid(layer, shape);
  ASSERT_EQ(layer.Count(), 6);
  ASSERT_EQ(layer.VertexPool()->Count(), 12);
  ASSERT_EQ(points.size(), 12u);
  std::unordered_set<int32_t> ids;
  for (int row = 0; row <= shape.Rows; ++row)
    for (int column = 0; column <= shape.Columns; ++column) {
      const TVertexItem* point = points[GridPointIndex(shape, column, row)];
      ASSERT_NE(point, nullptr);
      EXPECT_TRUE(ids.insert(point->ItemID()).second);
      EXPECT_EQ(point->Vertex()->GetVector(), GridPoint(shape, column, row));
      // A grid point is met by one blade per grid cell around it.
      const int cellsAcross = (column > 0) + (column < shape.Columns);
      const int cellsDown = (row > 0) + (row < shape.Rows);
      EXPECT_EQ(point->Clients().Count(), cellsAcross * cellsDown) << column << ", " << row;
    }
  for (int row = 0; row < shape.Rows; ++row)
    for (int column = 0; column < shape.Columns; ++column) {
      const TSquareBlade* blade = layer.Blade(row * shape.Columns + column);
      for (int k = 0; k < 4; ++k) {
        const Vec3 expected = GridPoint(shape, column + grid::kCornerColumn[k], row + grid::kCornerRow[k]);
        EXPECT_EQ(blade->GetVertexPosition(k), expected);
        EXPECT_EQ(blade->PositionCache()[static_cast<std::size_t>(k)], expected);
        EXPECT_EQ(blade->GetReferenceID(k), blade->GetVertexItem(k)->ItemID());
      }
    }
  // The grid's coordinates are exact: spacing 2 from -1 gives -1, 1, 3, 5.
  EXPECT_EQ(GridPoint(shape, 3, 2).x, 5.0f);
  EXPECT_EQ(GridPoint(shape, 3, 2).z, 14.0f);
}

TEST(WeldedGrid, MovingASharedPointMovesEveryBladeAroundIt) {
  TSquareBladeCollection layer;
  const GridShape shape{3, 3};
  const std::vector<TVertexItem*> points = BuildWeldedGrid(layer, shape);
  const Vec3 moved{1.5f, 7.0f, 1.25f};
  // Point (1, 1) through blade (0, 0)'s corner 2.
  layer.Blade(0)->SetVertexPosition(2, moved);
  const struct { int Blade, Corner; } around[] = {{0, 2}, {1, 3}, {3, 1}, {4, 0}};
  for (const auto& a : around) {
    EXPECT_EQ(layer.Blade(a.Blade)->PositionCache()[static_cast<std::size_t>(a.Corner)], moved) << a.Blade;
    EXPECT_EQ(layer.Blade(a.Blade)->GetVertexItem(a.Corner), points[GridPointIndex(shape, 1, 1)]);
  }
  // Blades that do not touch the point keep their caches.
  EXPECT_EQ(layer.Blade(8)->PositionCache()[0], GridPoint(shape, 2, 2));
  EXPECT_EQ(layer.Blade(2)->PositionCache()[3], GridPoint(shape, 2, 1));
}

TEST(WeldedGrid, ADetachedCornerNoLongerMovesWithItsNeighbours) {
  TSquareBladeCollections layers;
  TSquareBladeCollection* layer = layers.AddLayer();
  const GridShape shape{2, 2};
  const std::vector<TVertexItem*> points = BuildWeldedGrid(*layer, shape);
  TVertexItem* centre = points[GridPointIndex(shape, 1, 1)];
  ASSERT_EQ(centre->Clients().Count(), 4);
  layers.DetachVertex(layer->Blade(3), 0);
  EXPECT_EQ(layer->VertexPool()->Count(), 9 + 3);
  ASSERT_EQ(centre->Clients().Count(), 1);
  EXPECT_EQ(layer->Blade(3)->GetVertexItem(0), centre);
  for (const auto& [blade, corner] : {std::pair{0, 2}, std::pair{1, 3}, std::pair{2, 1}}) {
    TVertexItem* copy = layer->Blade(blade)->GetVertexItem(corner);
    EXPECT_NE(copy, centre);
    EXPECT_EQ(copy->Clients().Count(), 1);
    EXPECT_EQ(copy->Vertex()->GetVector(), GridPoint(shape, 1, 1));
  }
  layer->Blade(3)->SetVertexPosition(0, {1, 5, 1});
  EXPECT_EQ(layer->Blade(3)->PositionCache()[0], (Vec3{1, 5, 1}));
  EXPECT_EQ(layer->Blade(0)->PositionCache()[2], GridPoint(shape, 1, 1));
  EXPECT_EQ(layer->Blade(1)->PositionCache()[3], GridPoint(shape, 1, 1));
}

// The welds survive the copy that opening, undo and the clipboard make: which corners share an
// item is the same partition before and after.
TEST(WeldedGrid, AssignAndLoadedKeepEveryWeld) {
  TSquareBladeCollectionsContainer source;
  grid::BuildWeldedGridLayers(*source.Collections(), {GridShape{5, 4}, GridShape{2, 3, 1.0f, {9, 0, 9}}});
  RenumberVertexIDs(*source.Collections());
  TSquareBladeCollectionsContainer copy;
  copy.Assign(&source);
  copy.Loaded();
  ASSERT_EQ(copy.Collections()->Count(), 2);
  for (int L = 0; L < 2; ++L) {
    const TSquareBladeCollection* a = source.Collections()->GetLayer(L);
    const TSquareBladeCollection* b = copy.Collections()->GetLayer(L);
    ASSERT_EQ(a->Count(), b->Count());
    ASSERT_EQ(a->VertexPool()->Count(), b->VertexPool()->Count());
    std::unordered_map<const TDataListItem*, const TDataListItem*> across;
    for (int i = 0; i < a->Count(); ++i)
      for (int k = 0; k < 4; ++k) {
        const TDataListItem* from = a->Blade(i)->GetReference(k);
        const TDataListItem* to = b->Blade(i)->GetReference(k);
        ASSERT_NE(to, nullptr);
        EXPECT_EQ(across.emplace(from, to).first->second, to) << "layer " << L << " blade " << i << " corner " << k;
        EXPECT_EQ(b->Blade(i)->PositionCache()[static_cast<std::size_t>(k)], a->Blade(i)->GetVertexPosition(k));
      }
    // One-to-one: no two source items collapsed onto one copy.
    std::unordered_set<const TDataListItem*> images;
    for (const auto& [from, to] : across) EXPECT_TRUE(images.insert(to).second);
    EXPECT_EQ(images.size(), static_cast<std::size_t>(b->VertexPool()->Count()));
  }
}

}  // namespace
}  // namespace vrel
