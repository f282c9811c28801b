#pragma once

// The blade model: layers of quads ("blades") whose four corners refer into the layer's pool of
// shared vertices, the layer set with its selection state, and two components that let the
// framework stream a layer or a layer set.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Vector3.h"
#include "scene/DX9Classes.h"
#include "scene/DX9FlyWeight.h"

namespace vrel {

class IDevice;
class TBladeDrawCache;
class TSquareBlade;
class TSquareBladeCollection;
class TSquareBladeCollections;
class TSquareBladeMaterials;
class TVertexItem;

class TVertex : public TNotifyVector {
  VREL_CLASS_INFO(TVertex, TNotifyVector)
 public:
  bool Select() const { return select_; }
  void SetSelect(bool value);
  // From a TVertex: Select, then the position, with one change notification.
  void Assign(const TPersistent* source) override;

 private:
  bool select_ = false;
};

class TVertexItem : public TDataListItem {
  VREL_CLASS_INFO(TVertexItem, TDataListItem)
 public:
  explicit TVertexItem(TCollection* collection);
  // The blades that use the vertex go with it: a blade cannot keep a corner without a vertex.
  ~TVertexItem() override;

  // Part of the item, not of its constness (as an owned sub-object would be).
  TVertex* Vertex() const { return &vertex_; }
  // From a TVertexItem: the vertex, then ItemID.
  void Assign(const TPersistent* source) override;

 private:
  friend class TVertexItemList;
  void FreeClientBlades();

  mutable TVertex vertex_;
  int selectedSlot_ = -1;  // place in the layer set's selected-vertex list, -1 when not listed
};

class TVertexItemCollection : public TDataListItemCollection {
  VREL_CLASS_INFO(TVertexItemCollection, TDataListItemCollection)
 public:
  explicit TVertexItemCollection(TPersistent* owner, TSquareBladeCollection* layer = nullptr);
  ~TVertexItemCollection() override;

  TVertexItem* Item(int i) const { return static_cast<TVertexItem*>(Items(i)); }
  TVertexItem* Add() { return static_cast<TVertexItem*>(TCollection::Add()); }
  TSquareBladeCollection* Layer() const { return layer_; }

 private:
  friend class TVertexItem;
  TSquareBladeCollection* layer_;
};

class TVertexReferenceItem : public TReferenceItem {
  VREL_CLASS_INFO(TVertexReferenceItem, TReferenceItem)
 public:
  explicit TVertexReferenceItem(TCollection* collection) : TReferenceItem(collection) {}

  bool BorderSelect() const { return borderSelect_; }
  void SetBorderSelect(bool value) { borderSelect_ = value; }
  bool VertexSelect() const { return vertexSelect_; }
  void SetVertexSelect(bool value) { vertexSelect_ = value; }
  // BorderSelect, VertexSelect, then ReferenceID.
  void Assign(const TPersistent* source) override;

 private:
  bool borderSelect_ = false;
  bool vertexSelect_ = false;
};

enum TBladePartKind : int32_t { bpNone = 0, bpVertex = 1, bpBorder = 2, bpFace = 3 };

using TCorners = std::array<Vec3, 4>;

class TSquareBlade : public TDataListItemClient {
  VREL_CLASS_INFO(TSquareBlade, TDataListItemClient)
 public:
  explicit TSquareBlade(TCollection* collection);
  ~TSquareBlade() override;

  // Corner accessors raise "TVertexItem で、インデックスが範囲を超えました。" + i outside 0..3.
  // An unbound corner has no vertex: GetVertex gives nullptr and its position reads as zero.
  TVertex* GetVertex(int i) const;
  TVertexItem* GetVertexItem(int i) const;
  Vec3 GetVertexPosition(int i) const;
  void SetVertexPosition(int i, const Vec3& v);
  TCorners GetVertices() const;
  void SetVertices(const TCorners& corners);
  bool GetBorderSelect(int i) const;
  void SetBorderSelect(int i, bool value);
  bool GetVertexSelect(int i) const;
  void SetVertexSelect(int i, bool value);
  bool GetFaceSelect() const;
  void SetFaceSelect(bool value);
  void ClearSelection();
  void SelectAll();
  void Select(TBladePartKind kind, int index, bool value);
  virtual void UpdatePositionCache();
  void UpdateSelectedBorderIndices();

  // Any corner or border flag set.
  bool IsSelected() const;

  const TCorners& PositionCache() const { return positionCache_; }
  const std::vector<uint16_t>& SelectedBorderIndices() const { return selectedBorderIndices_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool DrawTexture() const { return drawTexture_; }
  void SetDrawTexture(bool value);
  TVertexReferenceItem* Corner(int i) const { return static_cast<TVertexReferenceItem*>(Slot(i)); }
  int CornerCount() const { return SlotCount(); }
  TSquareBladeCollection* Layer() const;

  // Refreshes both caches; fires nothing and does not tell the layer.
  void Changed() override;
  void DataChanged(TDataListItem* item, int slot) override;
  // From a blade: lets go of this blade's own vertices first, then copies Visible, DrawTexture and
  // the corners' numbers and flags (unbound until the layer resolves them).
  void Assign(const TPersistent* source) override;

 private:
  void CheckCorner(int i) const;
  // Tells the layer that what this blade shows changed (its caches, selection, visibility or kind).
  void ShownChanged();

  TCorners positionCache_{};
  // The layer of the collection last seen, so that the frequent notifications cast once.
  TCollection* notifiedCollection_ = nullptr;
  TSquareBladeCollection* notifiedLayer_ = nullptr;
  std::vector<uint16_t> selectedBorderIndices_;
  bool visible_ = true;
  bool drawTexture_ = false;
};

class TSquareBladeCollection : public TNotifyCollection {
  VREL_CLASS_INFO(TSquareBladeCollection, TNotifyCollection)
 public:
  // Makes the vertex pool of `layer`, a layer still being constructed: it may be stored, not asked
  // anything.
  using PoolFactory = std::unique_ptr<TVertexItemCollection> (*)(TSquareBladeCollection* layer);

  // A layer of TSquareBlade over a pool of TVertexItem.
  explicit TSquareBladeCollection(TPersistent* owner = nullptr);
  ~TSquareBladeCollection() override;

  TVertexItemCollection* VertexPool() const { return vertexPool_.get(); }
  bool Locked() const { return locked_; }
  void SetLocked(bool value) { locked_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  bool Editable() const { return visible_ && !locked_; }

  TSquareBlade* Blade(int i) const { return static_cast<TSquareBlade*>(Items(i)); }
  TSquareBlade* Add() { return static_cast<TSquareBlade*>(TCollection::Add()); }
  // The layer set this layer belongs to, or nullptr for a free-standing layer.
  TSquareBladeCollections* LayerSet() const { return layerSet_; }

  // Binds every corner to the pool item carrying its number. All or nothing: when a number is
  // missing or a blade has not exactly four corners, raises "FindID が nil を返しました。" and
  // leaves every binding as it was.
  void ResolveReferences();
  // Raises what ResolveReferences would, without binding anything.
  void CheckReferences() const;
  // Raises Exception naming the first blade (counted from 1) that a stream of this layer could not
  // bring back as it is: without four corners, with a corner bound to no vertex, or bound to one that
  // its number does not find in this layer's pool.
  void CheckBindings() const;
  void ClearSelection();
  void SelectAll();
  // From a layer: Visible, Locked, Name, the pool item by item, then the blades (unbound).
  void Assign(const TPersistent* source) override;
  // Draws the visible blades by the draw flags (TSquareBladeCollections::DrawFlag); nothing at all,
  // not even a render state, when the layer is hidden. The layer keeps its blades in device buffers
  // between frames and refills them only after a change (see BladesChanged).
  void Draw(IDevice& device, const TSquareBladeMaterials& materials, int drawFlags) const;

  // The change notification of drawing: a blade was added, removed, moved in the order or changed
  // what it shows (corner positions, selection, visibility, texture flag). The blades call it
  // themselves; code that changes the position caches or flags some other way calls it after.
  void BladesChanged() { ++bladesRevision_; }
  // Counts the notifications.
  std::uint64_t BladesRevision() const { return bladesRevision_; }

 protected:
  void Update(TCollectionItem* item) override;
  void Notify(TCollectionItem* item, TCollectionNotification action) override;
  // A layer whose blades `blades` makes (every item of the layer, however it is added: Add, Insert,
  // Assign, a stream) and whose pool `pool` makes; descendants of the blade or pool classes only.
  TSquareBladeCollection(ItemFactory blades, TPersistent* owner, PoolFactory pool = PoolOf<TVertexItemCollection>());
  // A pool of class Pool, made as Pool(layer, layer).
  template <class Pool>
  static PoolFactory PoolOf() {
    return [](TSquareBladeCollection* layer) -> std::unique_ptr<TVertexItemCollection> {
      return std::make_unique<Pool>(layer, layer);
    };
  }

 private:
  friend class TSquareBladeCollectionItem;
  std::uint64_t bladesRevision_ = 0;
  mutable std::unique_ptr<TBladeDrawCache> drawCache_;
  std::unique_ptr<TVertexItemCollection> vertexPool_;
  bool locked_ = false;
  bool visible_ = true;
  std::string name_;
  TSquareBladeCollections* layerSet_ = nullptr;
};

class TSquareBladeCollectionItem : public TChildCollectionItem {
  VREL_CLASS_INFO(TSquareBladeCollectionItem, TChildCollectionItem)
 public:
  explicit TSquareBladeCollectionItem(TCollection* collection);
  TSquareBladeCollection* Layer() const { return static_cast<TSquareBladeCollection*>(ChildCollection()); }
};

// The selected vertices, not owned. The layer set's own list is told when a listed item is freed,
// so it never holds a dangling pointer.
class TVertexItemList {
 public:
  explicit TVertexItemList(bool tracksItems = false) : tracks_(tracksItems) {}
  TVertexItemList(const TVertexItemList&) = delete;
  TVertexItemList& operator=(const TVertexItemList&) = delete;
  ~TVertexItemList() { Clear(); }

  void Add(TVertexItem* item);
  void Clear();
  int Count() const { return static_cast<int>(Items().size()); }
  TVertexItem* Item(int i) const { return Items()[static_cast<std::size_t>(i)]; }
  const std::vector<TVertexItem*>& Items() const;
  bool Contains(const TVertexItem* item) const;
  // The item is being freed.
  void Forget(TVertexItem* item);

 private:
  void Compact() const;

  mutable std::vector<TVertexItem*> items_;
  mutable int holes_ = 0;
  bool tracks_;
};

struct TZBladeData {
  TSquareBlade* Blade = nullptr;
  TBladePartKind Kind = bpNone;
  int32_t Index = -1;
};
using TZBladeDataList = std::vector<TZBladeData>;

class TSquareBladeCollections : public TNotifyCollection {
  VREL_CLASS_INFO(TSquareBladeCollections, TNotifyCollection)
 public:
  enum DrawFlag : int { dfPoints = 1, dfBorders = 2, dfSurfaces = 4 };

  explicit TSquareBladeCollections(TPersistent* owner = nullptr);
  ~TSquareBladeCollections() override;

  TSquareBladeCollection* AddLayer();
  TSquareBladeCollection* GetLayer(int i) const;
  // Inserts an empty layer at `i`; an index past the end appends, a negative one inserts first.
  TSquareBladeCollection* InsertLayerAt(int i);

  int32_t CurrentIndex() const { return currentIndex_; }
  // Clamps to Count-1, then to 0.
  void SetCurrentIndex(int32_t value);
  // Streams read the index before the layers exist; keep it for Loaded().
  void SetStreamedCurrentIndex(int32_t value);
  void ApplyStreamedCurrentIndex();
  TSquareBladeCollection* CurrentLayer() const;

  TSquareBladeMaterials* Materials() const { return materials_.get(); }
  int DrawFlags() const { return drawFlags_; }
  void SetDrawFlags(int flags) { drawFlags_ = flags; }
  // Every visible layer from the last to the first, so the first lies on top.
  void Draw(IDevice& device) const;
  int PickSquareSize() const { return pickSquareSize_; }
  void SetPickSquareSize(int size) { pickSquareSize_ = size; }
  bool DiagonalKnife() const { return diagonalKnife_; }
  void SetDiagonalKnife(bool value) { diagonalKnife_ = value; }

  TVertexItemList& SelectedVertices() { return selected_; }
  const TVertexItemList& SelectedVertices() const { return selected_; }
  TZBladeDataList& PickList() { return pickList_; }
  TVertexItem* Anchor() const { return anchor_; }
  void SetAnchor(TVertexItem* item) { anchor_ = item; }

  // Result of the last pick.
  TSquareBlade* PickBlade() const { return pickBlade_; }
  TBladePartKind PickKind() const { return pickKind_; }
  int32_t PickIndex() const { return pickIndex_; }
  float PickDepth() const { return pickDepth_; }
  void SetPickResult(TSquareBlade* blade, TBladePartKind kind, int32_t index, float depth);
  void ResetPick();

  void ClearSelection();
  void SelectAll();
  void RebuildSelectedVertexList();
  bool HasBlades() const;
  bool HasEditableBlades() const;
  bool HasHiddenBlades() const;
  bool HasUnselectedBlades() const;
  // True hides the selected blades, False every other blade.
  void HideBlades(bool selected);
  void ShowAll();
  // Gives every other blade that shares the corner's vertex a copy of its own.
  void DetachVertex(TSquareBlade* blade, int corner);

  // Diagonal-knife flag, draw flags, pick square size, Materials, CurrentIndex (unclamped), then the
  // layers.
  void Assign(const TPersistent* source) override;

  // Told by the model when items go away, so no pointer kept here dangles.
  void VertexItemFreed(TVertexItem* item);
  void BladeFreed(TSquareBlade* blade);

 private:
  std::unique_ptr<TSquareBladeMaterials> materials_;
  int drawFlags_ = 0;
  TVertexItemList selected_{true};
  TZBladeDataList pickList_;
  TSquareBlade* pickBlade_ = nullptr;
  TBladePartKind pickKind_ = bpNone;
  int32_t pickIndex_ = -1;
  float pickDepth_ = 1.0f;
  int pickSquareSize_ = 8;
  int32_t currentIndex_ = 0;
  bool streamedIndexPending_ = false;
  int32_t streamedIndex_ = 0;
  bool diagonalKnife_ = false;
  TVertexItem* anchor_ = nullptr;
};

class TSquareBladeCollectionContainer : public TComponent {
  VREL_CLASS_INFO(TSquareBladeCollectionContainer, TComponent)
 public:
  // Makes the layer of `container`, a container still being constructed: it may be stored, not
  // asked anything.
  using LayerFactory = std::unique_ptr<TSquareBladeCollection> (*)(TSquareBladeCollectionContainer* container);

  // A container of a TSquareBladeCollection.
  explicit TSquareBladeCollectionContainer(TComponent* owner = nullptr);
  ~TSquareBladeCollectionContainer() override;

  TSquareBladeCollection* Collection() const { return collection_.get(); }
  void Assign(const TPersistent* source) override;
  void Loaded() override;

 protected:
  // A container of the layer that `makeLayer` makes.
  TSquareBladeCollectionContainer(TComponent* owner, LayerFactory makeLayer);
  // A layer of class Layer, made as Layer(container).
  template <class Layer>
  static LayerFactory LayerOf() {
    return [](TSquareBladeCollectionContainer* container) -> std::unique_ptr<TSquareBladeCollection> {
      return std::make_unique<Layer>(container);
    };
  }

 private:
  std::unique_ptr<TSquareBladeCollection> collection_;
};

class TSquareBladeCollectionsContainer : public TComponent {
  VREL_CLASS_INFO(TSquareBladeCollectionsContainer, TComponent)
 public:
  // Makes the layer set of `container`, a container still being constructed: it may be stored, not
  // asked anything.
  using LayerSetFactory = std::unique_ptr<TSquareBladeCollections> (*)(TSquareBladeCollectionsContainer* container);

  // A container of a TSquareBladeCollections.
  explicit TSquareBladeCollectionsContainer(TComponent* owner = nullptr);
  ~TSquareBladeCollectionsContainer() override;

  int32_t CurrentIndex() const { return currentIndex_; }
  void SetCurrentIndex(int32_t value) { currentIndex_ = value; }
  TSquareBladeCollections* Collections() const { return collections_.get(); }
  void Assign(const TPersistent* source) override;
  // The layers and both current indexes only: the draw flags, the knife setting and the materials
  // are not in a stream and stay this container's own.
  void TakeOver(const TComponent& fresh) override;
  void Loaded() override;

 protected:
  // A container of the layer set that `makeLayers` makes.
  TSquareBladeCollectionsContainer(TComponent* owner, LayerSetFactory makeLayers);
  // A layer set of class Layers, made as Layers(container).
  template <class Layers>
  static LayerSetFactory LayerSetOf() {
    return [](TSquareBladeCollectionsContainer* container) -> std::unique_ptr<TSquareBladeCollections> {
      return std::make_unique<Layers>(container);
    };
  }

 private:
  int32_t currentIndex_ = 0;
  std::unique_ptr<TSquareBladeCollections> collections_;
};

Vec3 SelectionCentroid(const TVertexItemList& list);
Vec3 VectorListCentroid(const TVector3List& list);
Vec3 CornersCentroid(const TCorners& corners);
// Numbers every layer's pool 0, 1, 2, ... in pool order; the corners follow.
void RenumberVertexIDs(TSquareBladeCollections& layers);
// Copies the source layer's vertices and blades after the target's; renumbers the source.
void AppendLayer(TSquareBladeCollection& source, TSquareBladeCollection& target);
void AppendLayers(TSquareBladeCollections& source, TSquareBladeCollections& target);

// Registers the streamable component classes of this unit.
void RegisterSquareClasses();

}  // namespace vrel
