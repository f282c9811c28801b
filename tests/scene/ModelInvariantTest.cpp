// Seeded runs of random edits over a layer set. After every step the invariants are checked (each
// bound slot once in its item's client list, with the item's number; no item outlives its last
// client; no kept pointer dangles); copies, appends and refused steps are compared with the model.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/UpdateGuard.h"
#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

using grid::BuildWeldedGrid, grid::GridPoint, grid::GridPointIndex, grid::GridShape;
using Set = TSquareBladeCollections;
using Layer = TSquareBladeCollection;
using ItemSet = std::unordered_set<const TDataListItem*>;

const std::string kFindIdNil = "FindID が nil を返しました。";
const std::string kCornerRange = "TVertexItem で、インデックスが範囲を超えました。";

#define CHECK_OR_RETURN(cond, message)                \
  do {                                                \
    if (!(cond))                                      \
      return (std::ostringstream() << message).str(); \
  } while (0)

std::string Str(const Vec3& v) {
  return (std::ostringstream() << '(' << v.x << ',' << v.y << ',' << v.z << ')').str();
}

// The model's structural invariants; "" when they hold. `hadClients`: the items that had a client
// at the previous check, updated. `rebuilt`: the step rebuilt the selected-vertex list. Pointers are
// looked up among the live objects before any is followed.
std::string CheckInvariants(const Set& set, ItemSet& hadClients, bool rebuilt) {
  ItemSet haveClients;
  std::unordered_map<const TDataListItem*, int> items;         // -> layer
  std::unordered_map<const TDataListItemClient*, int> blades;  // -> layer
  for (int L = 0; L < set.Count(); ++L) {
    const TVertexItemCollection& pool = *set.GetLayer(L)->VertexPool();
    for (int k = 0; k < pool.Count(); ++k)
      items.emplace(pool.Item(k), L);
    for (int b = 0; b < set.GetLayer(L)->Count(); ++b)
      blades.emplace(set.GetLayer(L)->Blade(b), L);
  }
  for (int L = 0; L < set.Count(); ++L) {
    const Layer* layer = set.GetLayer(L);
    std::unordered_set<int32_t> ids;
    for (int k = 0; k < layer->VertexPool()->Count(); ++k) {
      const TVertexItem* item = layer->VertexPool()->Item(k);
      CHECK_OR_RETURN(ids.insert(item->ItemID()).second, "ItemID " << item->ItemID() << " twice in layer " << L);
      CHECK_OR_RETURN(item->Clients().Count() > 0 || !hadClients.contains(item),
                      "item " << k << " of layer " << L << " lost its last client but lives");
      if (item->Clients().Count() > 0)
        haveClients.insert(item);
      for (const TClientRecord& r : item->Clients().Records()) {
        const auto found = blades.find(r.Client);
        CHECK_OR_RETURN(found != blades.end() && found->second == L && r.Slot >= 0 && r.Slot < r.Client->SlotCount() &&
                            r.Client->GetReference(r.Slot) == item,
                        "item " << k << " of layer " << L << " lists a client slot that is not bound to it");
      }
    }
    for (int b = 0; b < layer->Count(); ++b) {
      const TSquareBlade* blade = layer->Blade(b);
      CHECK_OR_RETURN(blade->CornerCount() == 4, "blade " << b << " of layer " << L << " has not four corners");
      for (int k = 0; k < 4; ++k) {
        const TDataListItem* bound = blade->GetReference(k);
        if (!bound)
          continue;
        const auto found = items.find(bound);
        const auto& records = bound->Clients().Records();
        CHECK_OR_RETURN(found != items.end() && found->second == L && blade->GetReferenceID(k) == bound->ItemID() &&
                            std::count(records.begin(), records.end(), TClientRecord{layer->Blade(b), k}) == 1,
                        "blade " << b << " corner " << k << " of layer " << L << " is bound outside its pool, its "
                                 << "ReferenceID " << blade->GetReferenceID(k) << " is not ItemID " << bound->ItemID()
                                 << " or it does not appear once in the item's client list");
      }
    }
  }
  CHECK_OR_RETURN(!set.Anchor() || items.contains(set.Anchor()), "the anchor is not a live item");
  const auto& selected = set.SelectedVertices().Items();
  for (const TVertexItem* item : selected)
    CHECK_OR_RETURN(items.contains(item), "a selected vertex is not live");
  std::vector<TVertexItem*> expected;  // a rebuilt list: every selected vertex of the editable layers, in order
  for (int L = 0; rebuilt && L < set.Count(); ++L) {
    const TVertexItemCollection& pool = *set.GetLayer(L)->VertexPool();
    for (int k = 0; set.GetLayer(L)->Editable() && k < pool.Count(); ++k)
      if (pool.Item(k)->Vertex()->Select())
        expected.push_back(pool.Item(k));
  }
  CHECK_OR_RETURN(!rebuilt || selected == expected, "the rebuilt selected-vertex list is not all selected vertices");
  CHECK_OR_RETURN(!set.PickBlade() || blades.contains(set.PickBlade()), "the pick result names a freed blade");
  for (const TZBladeData& d : const_cast<Set&>(set).PickList())
    CHECK_OR_RETURN(blades.contains(d.Blade), "the pick list names a freed blade");
  CHECK_OR_RETURN((set.CurrentLayer() == nullptr) == (set.Count() == 0), "CurrentLayer");
  hadClients = std::move(haveClients);
  return "";
}

// Blades first..last cache their corner positions and the border pairs their flags call for.
std::string Refreshed(const Layer& layer, const char* after, int first = 0, int last = -1) {
  for (int b = first; b <= (last < 0 ? layer.Count() - 1 : last); ++b) {
    const TSquareBlade* blade = layer.Blade(b);
    std::vector<uint16_t> pairs;
    for (uint16_t i = 0; i < 4; ++i)
      if (blade->GetBorderSelect(i))
        pairs.insert(pairs.end(), {i, static_cast<uint16_t>((i + 1) % 4)});
    CHECK_OR_RETURN(blade->PositionCache() == blade->GetVertices() && blade->SelectedBorderIndices() == pairs,
                    "after " << after << ", blade " << b << " of the layer has stale caches or border pairs");
  }
  return "";
}

// A layer's pool and blades as text. A corner shows the pool index of its bound item, or with
// ByNumber of the first item with its number; indices count from FromItem, and the items and
// blades before FromItem and FromBlade are left out.
struct View {
  bool ByNumber = false, Ids = true, Caches = false;
  int FromItem = 0, FromBlade = 0;
};
std::string LayerText(const Layer& layer, const View& v) {
  std::unordered_map<const TDataListItem*, int> index{{nullptr, -1}};
  std::unordered_map<int32_t, int> byId;
  std::ostringstream os;
  for (int k = 0; k < layer.VertexPool()->Count(); ++k) {
    const TVertexItem* item = layer.VertexPool()->Item(k);
    index.emplace(item, k - v.FromItem);
    byId.emplace(item->ItemID(), k - v.FromItem);
    if (k < v.FromItem)
      continue;
    os << (v.Ids ? item->ItemID() : 0) << Str(item->Vertex()->GetVector()) << item->Vertex()->Select();
  }
  for (int b = v.FromBlade; b < layer.Count(); ++b) {
    const TSquareBlade* blade = layer.Blade(b);
    os << "\nblade " << blade->Visible() << blade->DrawTexture();
    for (int k = 0; k < blade->CornerCount(); ++k) {
      const TDataListItem* ref = blade->GetReference(k);
      const int32_t id = blade->GetReferenceID(k);
      os << " [" << (v.ByNumber ? (byId.contains(id) ? byId[id] : -9) : (index.contains(ref) ? index[ref] : -2)) << ' '
         << (v.Ids ? id : 0) << blade->GetVertexSelect(k) << blade->GetBorderSelect(k)
         << (v.Caches ? Str(blade->PositionCache()[k]) : "") << ']';
    }
    for (uint16_t i : v.Caches ? blade->SelectedBorderIndices() : std::vector<uint16_t>{})
      os << ' ' << i;
  }
  return os.str();
}

// Everything a step could change, for checking that a refused step changed nothing.
std::string Describe(const Set& set) {
  std::ostringstream os;
  os << set.Count() << ' ' << set.CurrentIndex() << ' ' << set.SelectedVertices().Count() << !set.Anchor();
  for (int L = 0; L < set.Count(); ++L)
    os << "\nlayer " << set.GetLayer(L)->Visible() << set.GetLayer(L)->Locked()
       << LayerText(*set.GetLayer(L), {.Caches = true});
  return os.str();
}

// Whether every corner carries a number the pool holds or one in [extraFrom, extraTo).
bool Resolvable(const Layer& layer, int32_t extraFrom = 0, int32_t extraTo = 0) {
  std::unordered_set<int32_t> ids;
  for (int k = 0; k < layer.VertexPool()->Count(); ++k)
    ids.insert(layer.VertexPool()->Item(k)->ItemID());
  for (int b = 0; b < layer.Count(); ++b)
    for (int k = 0; k < 4; ++k) {
      const int32_t id = layer.Blade(b)->GetReferenceID(k);
      if (!ids.contains(id) && (id < extraFrom || id >= extraTo))
        return false;
    }
  return true;
}

// `copy` was assigned from `source` and loaded: the same layers, items and flags, every corner bound
// to the item its number names, caches and border pairs refreshed, no anchor kept.
std::string CheckLoaded(const Set& source, const Set& copy) {
  CHECK_OR_RETURN(copy.Count() == source.Count() && copy.CurrentIndex() == source.CurrentIndex() && !copy.Anchor(),
                  "loaded copy: layer count, CurrentIndex or anchor");
  for (int L = 0; L < copy.Count(); ++L) {
    const Layer& a = *source.GetLayer(L);
    const Layer& b = *copy.GetLayer(L);
    CHECK_OR_RETURN(a.Visible() == b.Visible() && a.Locked() == b.Locked() && a.Name() == b.Name() &&
                        LayerText(a, {.ByNumber = true}) == LayerText(b, {}),
                    "layer " << L << " was not copied, or not bound by number");
    if (std::string e = Refreshed(b, "Loaded"); !e.empty())
      return e;
  }
  return "";
}

class Driver {
 public:
  explicit Driver(uint64_t seed) : rng_(seed) {}

  // Runs `steps` random steps; returns the first problem with the steps that led to it, or "".
  std::string Run(int steps) {
    done_.assign(kOps.size(), 0);
    std::string history;
    try {
      for (int i = 0; i < 3; ++i)
        Live().AddLayer();
      BuildWeldedGrid(*Live().GetLayer(0), GridShape{4, 3, 1.0f, {-2, 0, -2}});
      BuildWeldedGrid(*Live().GetLayer(1), GridShape{2, 2, 1.0f, {5, 1, 5}});
      for (int i = 0; i < 4; ++i)
        Bind(Live());
      problem_ = CheckInvariants(Live(), hadClients_, true);
      for (int step = 0; step < steps && problem_.empty(); ++step) {
        rebuilt_ = false;
        const std::size_t op = Choose();
        history = history.substr(history.size() > 600 ? history.size() - 600 : 0) + ' ' + kOps[op].Name;
        (this->*kOps[op].Run)(Live());
        if (problem_.empty())
          problem_ = CheckInvariants(Live(), hadClients_, rebuilt_);
        ++done_[op];
      }
    } catch (const std::exception& e) {
      problem_ = std::string("unexpected exception: ") + e.what();
    }
    return problem_.empty() ? "" : problem_ + "\nafter:" + history;
  }

  const std::vector<int>& OpsDone() const { return done_; }
  int Refusals() const { return refusals_; }

 private:
  using Op = void (Driver::*)(Set&);
  struct OpKind {
    const char* Name;
    int Weight;
    Op Run;
    bool Grows = false;
  };
  static const std::vector<OpKind> kOps;

  Set& Live() { return *box_->Collections(); }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Coin(double p) { return std::bernoulli_distribution(p)(rng_); }
  float Coordinate(int range) { return static_cast<float>(Pick(2 * range + 1) - range) / 4.0f; }
  Vec3 RandomPoint() { return {Coordinate(40), Coordinate(20), Coordinate(40)}; }
  void Note(const std::string& problem) { problem_ = problem_.empty() ? problem : problem_; }

  // Runs a model call that must raise `message` exactly when `refuse`.
  template <class Call>
  void Expect(bool refuse, const std::string& message, Call call, const char* what) {
    try {
      call();
      if (refuse)
        Note(std::string(what) + " did not raise \"" + message + "\"");
    } catch (const Exception& e) {
      if (!refuse || e.what() != message)
        Note(std::string(what) + " raised \"" + e.what() + "\"");
      ++refusals_;
    }
  }

  std::size_t Choose() {
    int total = 0, blades = 0;
    for (const OpKind& op : kOps)
      total += op.Weight;
    for (int L = 0; L < Live().Count(); ++L)
      blades += Live().GetLayer(L)->Count();
    int r = Pick(total);
    std::size_t op = 0;
    while (r >= kOps[op].Weight)
      r -= kOps[op++].Weight;
    return kOps[op].Grows && blades > 110 ? 0 : op;  // growing gives way to freeing (kOps[0]) in a large model
  }

  // A random corner of a random blade; no blade when the set has none.
  struct Corner {
    int L = -1, b = -1, k = 0;
    TSquareBlade* blade = nullptr;
  };
  Corner PickCorner(const Set& s) {
    std::vector<int> layers;
    for (int L = 0; L < s.Count(); ++L)
      if (s.GetLayer(L)->Count() > 0)
        layers.push_back(L);
    if (layers.empty())
      return {};
    const int L = layers[static_cast<std::size_t>(Pick(static_cast<int>(layers.size())))];
    const int b = Pick(s.GetLayer(L)->Count());
    return {L, b, Pick(4), s.GetLayer(L)->Blade(b)};
  }
  Layer& AnyLayer(Set& s) {
    if (s.Count() == 0)
      s.AddLayer();
    return *s.GetLayer(Pick(s.Count()));
  }

  // Frees a blade, or a pool item with every corner still bound to it.
  void Free(Set& s) {
    const Corner c = PickCorner(s);
    TVertexItemCollection* pool = AnyLayer(s).VertexPool();
    if (c.blade && Coin(0.65))
      s.GetLayer(c.L)->Delete(c.b);
    else if (pool->Count() > 0)
      pool->Delete(Pick(pool->Count()));
  }

  // A new blade with four new vertices, or with corners welded to existing items of its layer where
  // a coin says so (two corners may land on one item), its caches refreshed or not.
  void Bind(Set& s) {
    Layer& layer = AnyLayer(s);
    TVertexItemCollection* pool = layer.VertexPool();
    TSquareBlade* blade = layer.Add();
    if (pool->Count() == 0 || Coin(0.4)) {
      pool->NewDataFor(blade, -1);
      blade->SetVertices({RandomPoint(), RandomPoint(), RandomPoint(), RandomPoint()});
      return Note(Refreshed(layer, "SetVertices", layer.Count() - 1));
    }
    for (int k = 0; k < 4; ++k) {
      if (Coin(0.6)) {
        blade->SetReference(k, pool->Item(Pick(pool->Count())));
        continue;
      }
      pool->NewDataFor(blade, k);
      blade->SetVertexPosition(k, RandomPoint());
    }
    if (Coin(0.3))
      return;
    blade->UpdatePositionCache();
    blade->UpdateSelectedBorderIndices();
  }

  // Re-points a corner to an item of its layer, a new item, the item it holds or nothing, detaches
  // it from every other blade on its vertex, or moves its vertex (every blade welded to it follows).
  void Rebind(Set& s) {
    const Corner c = PickCorner(s);
    if (!c.blade)
      return Bind(s);
    TVertexItemCollection* pool = s.GetLayer(c.L)->VertexPool();
    TDataListItem* old = c.blade->GetReference(c.k);
    const int32_t oldId = c.blade->GetReferenceID(c.k);
    const int choice = Pick(19);
    const Vec3 p = RandomPoint();
    if (choice < 5 && pool->Count() > 0)
      c.blade->SetReference(c.k, pool->Item(Pick(pool->Count())));
    else if (choice < 8)
      pool->NewDataFor(c.blade, c.k);
    else if (choice < 10)
      c.blade->SetReference(c.k, choice < 9 ? old : nullptr);
    else if (choice < 13)
      s.DetachVertex(c.blade, c.k);
    else
      c.blade->SetVertexPosition(c.k, p);
    // Letting go of an item forgets its number; an unbound corner keeps the one it has.
    if (choice == 9 && c.blade->GetReferenceID(c.k) != (old ? -1 : oldId))
      Note("unbinding left the wrong number");
    for (const TClientRecord& r : choice > 9 && old ? old->Clients().Records() : std::vector<TClientRecord>{}) {
      const auto* other = static_cast<const TSquareBlade*>(r.Client);
      if (choice < 13 && other != c.blade)
        Note("after DetachVertex another blade still shares the detached vertex");
      if (choice >= 13 && (other->PositionCache()[r.Slot] != p || other->GetVertexPosition(r.Slot) != p))
        Note("a blade welded to a moved vertex did not follow it");
    }
  }

  void Renumber(Set& s) {
    RenumberVertexIDs(s);
    for (int L = 0; L < s.Count(); ++L)
      for (int k = 0; k < s.GetLayer(L)->VertexPool()->Count(); ++k)
        if (s.GetLayer(L)->VertexPool()->Item(k)->ItemID() != k)
          Note("renumbering left an ItemID out of pool order");
  }

  // Takes a snapshot, or restores one: undo assigns the live container from the snapshot and loads
  // it in place; opening loads a copy into a fresh container and swaps it in only when it loaded.
  void AssignAndLoad(Set& s) {
    if (!snapshot_ || Coin(0.3)) {
      snapshot_ = std::make_unique<TSquareBladeCollectionsContainer>();
      snapshot_->Assign(box_.get());
      snapshotText_ = Describe(*snapshot_->Collections());
      return;
    }
    const bool fresh = Coin(0.4);
    auto target = fresh ? std::make_unique<TSquareBladeCollectionsContainer>() : nullptr;
    const Set& source = fresh ? s : *snapshot_->Collections();
    // The snapshot is a deep copy: nothing done to the live model since may show in it.
    if (!fresh && Describe(source) != snapshotText_)
      Note("the snapshot changed with the live model");
    TSquareBladeCollectionsContainer& box = fresh ? *target : *box_;
    box.Assign(fresh ? box_.get() : snapshot_.get());
    bool ok = true;
    for (int L = 0; L < source.Count(); ++L)
      ok = ok && Resolvable(*source.GetLayer(L));
    Expect(
        !ok, kFindIdNil, [&] { box.Loaded(); }, "Loaded");
    if (ok)
      Note(CheckLoaded(source, *box.Collections()));
    if (fresh && ok)
      box_ = std::move(target);  // `s` is gone from here on
    hadClients_.clear();
    rebuilt_ = ok;
  }

  void Append(Set& s) {
    if (s.Count() < 2)
      return Layers(s);
    const int from = Pick(s.Count());
    Layer& source = *s.GetLayer(from);
    Layer& target = *s.GetLayer((from + 1 + Pick(s.Count() - 1)) % s.Count());
    if (source.Count() + target.Count() > 80)
      return Free(s);
    // A half-loaded source (a refused restore leaves one) is bound first: the append renumbers the
    // source, and an unbound corner would keep a stale number.
    if (Resolvable(source))
      source.ResolveReferences();
    // The appended items are numbered past the target's largest number before the target is bound.
    int32_t base = 1;
    for (int k = 0; k < target.VertexPool()->Count(); ++k)
      base = std::max(base, target.VertexPool()->Item(k)->ItemID() + 1);
    const bool ok = Resolvable(source) && Resolvable(target, base, base + source.VertexPool()->Count());
    const std::string expected = LayerText(source, {.ByNumber = true, .Ids = false});
    const std::string before = Describe(s);
    const View appended{.Ids = false, .FromItem = target.VertexPool()->Count(), .FromBlade = target.Count()};
    Expect(
        !ok, kFindIdNil, [&] { AppendLayer(source, target); }, "AppendLayer");
    if (!ok && Describe(s) != before)
      Note("a refused AppendLayer changed the document");
    // The copy follows the target's own blades and items, bound; the whole target is renumbered.
    if (ok && LayerText(target, appended) != expected)
      Note("the appended blades are not a bound copy of their source");
    for (int k = 0; ok && k < target.VertexPool()->Count(); ++k)
      if (target.VertexPool()->Item(k)->ItemID() != k)
        Note("appending did not renumber the target");
    if (ok)
      Note(Refreshed(target, "AppendLayer"));
  }

  // Selects part of a blade; the anchor and the pick result then point at it for later frees to clear.
  void Select(Set& s) {
    const Corner c = PickCorner(s);
    if (!c.blade)
      return Bind(s);
    const auto kind = static_cast<TBladePartKind>(Pick(4));
    const bool value = Coin(0.7);
    const bool outOfRange = (kind == bpVertex || kind == bpBorder) && Coin(0.03);
    const int index = outOfRange ? (Coin(0.5) ? 4 : -1) : c.k;
    Expect(
        outOfRange, kCornerRange + std::to_string(index), [&] { c.blade->Select(kind, index, value); }, "Select");
    if (kind == bpFace || kind == bpNone)
      Note(Refreshed(*s.GetLayer(c.L), "a face selection", c.b, c.b));
    s.SetAnchor(Coin(0.3) ? c.blade->GetVertexItem(c.k) : s.Anchor());
    if (Coin(0.3))
      s.SetPickResult(c.blade, bpFace, -1, 0.5f);
    if (Coin(0.3))
      s.PickList().push_back({c.blade, bpVertex, c.k});
  }

  // Select all, clear the selection, hide the selected or the other blades, or show them all.
  void SelectOrHide(Set& s) {
    const int choice = Pick(5);
    if (choice == 0)
      s.SelectAll();
    if (choice == 1)
      s.ClearSelection();
    if (choice == 1 && (s.SelectedVertices().Count() > 0 || s.Anchor()))
      Note("ClearSelection kept a vertex or anchor");
    if (choice == 2 || choice == 3)
      s.HideBlades(choice == 2);
    if (choice == 4)
      s.ShowAll();
    rebuilt_ = choice != 1 && choice < 4;
  }

  // Inserts or deletes a layer, hides or locks one, rebuilds the selected-vertex list or moves the
  // current index (loads must copy it).
  void Layers(Set& s) {
    const int i = Pick(s.Count() + 1);
    Layer& layer = AnyLayer(s);
    const int choice = Pick(5);
    if (choice == 0 && s.Count() > 1)
      s.Delete(i % s.Count());
    if (choice == 1 && s.Count() < 6)
      s.InsertLayerAt(i);
    if (choice == 2)
      Coin(0.5) ? layer.SetVisible(!layer.Visible()) : layer.SetLocked(!layer.Locked());
    if ((rebuilt_ = choice == 3))
      s.RebuildSelectedVertexList();
    if (choice == 4)
      s.SetCurrentIndex(i - 1);
  }

  // Frees a blade with an unbound corner, or resolves a layer by number.
  void RepairOrResolve(Set& s) {
    Layer& layer = AnyLayer(s);
    for (int b = 0; b < layer.Count() && Coin(0.5); ++b)
      for (int k = 0; k < 4; ++k)
        if (!layer.Blade(b)->GetReference(k))
          return layer.Delete(b);
    const bool ok = Resolvable(layer);
    const std::string before = Describe(s);
    Expect(
        !ok, kFindIdNil, [&] { layer.ResolveReferences(); }, "ResolveReferences");
    if (!ok && Describe(s) != before)
      Note("a refused ResolveReferences changed the model");
    if (ok && LayerText(layer, {.ByNumber = true}) != LayerText(layer, {}))
      Note("a resolved corner is off its item");
  }

  std::mt19937_64 rng_;
  std::unique_ptr<TSquareBladeCollectionsContainer> box_ = std::make_unique<TSquareBladeCollectionsContainer>();
  std::unique_ptr<TSquareBladeCollectionsContainer> snapshot_;
  std::string snapshotText_;
  ItemSet hadClients_;
  bool rebuilt_ = false;
  std::string problem_;
  std::vector<int> done_;
  int refusals_ = 0;
};

const std::vector<Driver::OpKind> Driver::kOps = {
    {"free", 9, &Driver::Free},          {"bind", 17, &Driver::Bind, true},
    {"rebind", 19, &Driver::Rebind},     {"renumber", 3, &Driver::Renumber},
    {"load", 6, &Driver::AssignAndLoad}, {"append", 3, &Driver::Append, true},
    {"select", 13, &Driver::Select},     {"select-or-hide", 6, &Driver::SelectOrHide},
    {"layers", 7, &Driver::Layers},      {"repair-or-resolve", 6, &Driver::RepairOrResolve}};

class ModelInvariant : public ::testing::TestWithParam<uint64_t> {};

TEST_P(ModelInvariant, RandomEditingKeepsTheModelConsistent) {
  Driver driver(GetParam());
  ASSERT_EQ(driver.Run(2200), "");
  // Every kind of step ran often enough to matter, and the refusing paths were taken too.
  for (std::size_t op = 0; op < driver.OpsDone().size(); ++op)
    EXPECT_GE(driver.OpsDone()[op], 5) << "op " << op;
  EXPECT_GT(driver.Refusals(), 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelInvariant, ::testing::Values(1u, 2u, 20240607u, 65537u));

// The checks themselves must notice a broken model, or the runs above prove nothing.
TEST(ModelInvariantChecker, NoticesCorruptedModels) {
  Set set;
  Layer& layer = *set.AddLayer();
  BuildWeldedGrid(layer, GridShape{2, 1});
  ItemSet had, none;
  ASSERT_EQ(CheckInvariants(set, had, true), "");
  TSquareBlade* blade = layer.Blade(1);
  blade->SetReferenceID(2, blade->GetReferenceID(2) + 100);  // a stale number in a bound slot
  EXPECT_NE(CheckInvariants(set, none, false).find("ReferenceID"), std::string::npos);
  EXPECT_NE(LayerText(layer, {.ByNumber = true}), LayerText(layer, {}));
  blade->SetReferenceID(2, blade->GetVertexItem(2)->ItemID());
  TVertexItemCollection* pool = layer.VertexPool();
  const int32_t first = pool->Item(0)->ItemID();
  pool->Item(0)->SetItemID(pool->Item(1)->ItemID());
  EXPECT_NE(CheckInvariants(set, none, false).find("twice"), std::string::npos);
  pool->Item(0)->SetItemID(first);
  pool->Item(0)->Vertex()->SetSelect(true);  // a selected vertex missing from a list said to be rebuilt
  EXPECT_NE(CheckInvariants(set, none, true).find("rebuilt"), std::string::npos);
  {
    UpdateGuard batch(*blade);
    blade->SetVertexPosition(0, {9, 9, 9});
    EXPECT_NE(Refreshed(layer, "a batch"), "");
  }
  had.insert(pool->Add());  // an item that had a client and is left without one
  EXPECT_NE(CheckInvariants(set, had, false).find("lost its last client"), std::string::npos);
  EXPECT_EQ(CheckInvariants(set, none, false), "");
}

// The centre of a 2 x 2 grid, detached from the fourth blade.
struct Detached {
  Set set;
  Layer* layer = set.AddLayer();
  GridShape shape{2, 2};
  TVertexItem* centre = BuildWeldedGrid(*layer, shape)[GridPointIndex(shape, 1, 1)];
  Detached() {
    centre->Vertex()->SetSelect(true);
    set.DetachVertex(layer->Blade(3), 0);
  }
};

TEST(WeldedGrid, TheOtherCornersOfADetachedVertexGetCopiesThatNoLongerMoveWithIt) {
  Detached d;
  d.layer->Blade(3)->SetVertexPosition(0, {1, 5, 1});
  EXPECT_EQ(d.layer->Blade(3)->PositionCache()[0], (Vec3{1, 5, 1}));
  for (const auto& [blade, corner] : {std::pair{0, 2}, std::pair{1, 3}, std::pair{2, 1}}) {
    const TVertexItem* copy = d.layer->Blade(blade)->GetVertexItem(corner);
    EXPECT_NE(copy, d.centre);
    EXPECT_EQ(copy->Clients().Count(), 1);
    EXPECT_TRUE(copy->Vertex()->Select());
    EXPECT_EQ(copy->Vertex()->GetVector(), GridPoint(d.shape, 1, 1));
    EXPECT_EQ(d.layer->Blade(blade)->PositionCache()[corner], GridPoint(d.shape, 1, 1));
  }
}

}  // namespace
}  // namespace vrel
