#include "scene/DX9Square.h"

#include <algorithm>
#include <unordered_map>

#include "platform/UpdateGuard.h"
#include "scene/DX9Materials.h"
#include "scene/DX9SquareDraw.h"

namespace vrel {

namespace {
const char* const kFindIdNil = "FindID が nil を返しました。";
}

// ---------------------------------------------------------------------------------------------
// TVertex, TVertexItem, TVertexItemCollection, TVertexReferenceItem

const TClassInfo& TVertex::StaticClass() {
  static const TClassInfo info("TVertex", &Inherited::StaticClass(),
                               {props::Boolean<&TVertex::Select, &TVertex::SetSelect>("Select")});
  return info;
}

void TVertex::SetSelect(bool value) {
  if (select_ == value)
    return;
  select_ = value;
  Changed();
}

void TVertex::Assign(const TPersistent* source) {
  if (const auto* other = As<TVertex>(source))
    select_ = other->select_;
  TNotifyVector::Assign(source);
}

const TClassInfo& TVertexItem::StaticClass() {
  static const TClassInfo info("TVertexItem", &Inherited::StaticClass(),
                               {props::Object<&TVertexItem::Vertex>("Vertex")});
  return info;
}

TVertexItem::TVertexItem(TCollection* collection) : TDataListItem(collection) {
  vertex_.OnChange = TNotifyEvent::Of<&TVertexItem::ChangedProc>(this);
}

TVertexItem::~TVertexItem() {
  if (Clients().Count() > 0)
    FreeClientBlades();
  if (auto* pool = dynamic_cast<TVertexItemCollection*>(Collection())) {
    if (TSquareBladeCollection* layer = pool->layer_)
      if (TSquareBladeCollections* set = layer->LayerSet())
        set->VertexItemFreed(this);
  }
  vertex_.OnChange = {};
}

void TVertexItem::FreeClientBlades() {
  std::vector<TSquareBlade*> blades;
  for (const TClientRecord& record : Clients().Records()) {
    auto* blade = dynamic_cast<TSquareBlade*>(record.Client);
    if (blade && std::find(blades.begin(), blades.end(), blade) == blades.end())
      blades.push_back(blade);
  }
  // The blades let go of this item first, so that freeing them does not free it a second time.
  NotifyDestroying();
  for (TSquareBlade* blade : blades)
    delete blade;
}

void TVertexItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TVertexItem>(source)) {
    vertex_.Assign(&other->vertex_);
    TDataListItem::Assign(source);
    return;
  }
  TDataListItem::Assign(source);
}

const TClassInfo& TVertexItemCollection::StaticClass() {
  static const TClassInfo info("TVertexItemCollection", &Inherited::StaticClass());
  return info;
}

TVertexItemCollection::TVertexItemCollection(TPersistent* owner, TSquareBladeCollection* layer)
    : TDataListItemCollection(TCollection::FactoryOf<TVertexItem>(), owner), layer_(layer) {}

TVertexItemCollection::~TVertexItemCollection() {
  ClearSilently();
}

const TClassInfo& TVertexReferenceItem::StaticClass() {
  static const TClassInfo info(
      "TVertexReferenceItem", &Inherited::StaticClass(),
      {props::Boolean<&TVertexReferenceItem::BorderSelect, &TVertexReferenceItem::SetBorderSelect>("BorderSelect"),
       props::Boolean<&TVertexReferenceItem::VertexSelect, &TVertexReferenceItem::SetVertexSelect>("VertexSelect")});
  return info;
}

void TVertexReferenceItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TVertexReferenceItem>(source)) {
    borderSelect_ = other->borderSelect_;
    vertexSelect_ = other->vertexSelect_;
  }
  TReferenceItem::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TSquareBlade

const TClassInfo& TSquareBlade::StaticClass() {
  static const TClassInfo info(
      "TSquareBlade", &Inherited::StaticClass(),
      {props::Boolean<&TSquareBlade::DrawTexture, &TSquareBlade::SetDrawTexture>("DrawTexture"),
       props::Boolean<&TSquareBlade::Visible, &TSquareBlade::SetVisible>("Visible")});
  return info;
}

TSquareBlade::TSquareBlade(TCollection* collection)
    : TDataListItemClient(collection, ChildOfItems<TVertexReferenceItem>()) {
  for (int i = 0; i < 4; ++i)
    ChildCollection()->Add();
}

TSquareBlade::~TSquareBlade() {
  if (auto* layer = dynamic_cast<TSquareBladeCollection*>(Collection()))
    if (TSquareBladeCollections* set = layer->LayerSet())
      set->BladeFreed(this);
}

TSquareBladeCollection* TSquareBlade::Layer() const {
  return dynamic_cast<TSquareBladeCollection*>(Collection());
}

void TSquareBlade::CheckCorner(int i) const {
  if (i < 0 || i > 3 || i >= CornerCount())
    throw Exception("TVertexItem で、インデックスが範囲を超えました。" + std::to_string(i));
}

TVertex* TSquareBlade::GetVertex(int i) const {
  TVertexItem* item = GetVertexItem(i);
  return item ? item->Vertex() : nullptr;
}

TVertexItem* TSquareBlade::GetVertexItem(int i) const {
  CheckCorner(i);
  return static_cast<TVertexItem*>(GetReference(i));
}

Vec3 TSquareBlade::GetVertexPosition(int i) const {
  TVertex* v = GetVertex(i);
  return v ? v->GetVector() : Vec3{};
}

void TSquareBlade::SetVertexPosition(int i, const Vec3& v) {
  if (TVertex* vertex = GetVertex(i))
    vertex->SetVector(v);
}

TCorners TSquareBlade::GetVertices() const {
  TCorners result{};
  const int n = std::min(CornerCount(), 4);
  for (int i = 0; i < n; ++i)
    if (auto* item = static_cast<TVertexItem*>(GetReference(i)))
      result[static_cast<std::size_t>(i)] = item->Vertex()->GetVector();
  return result;
}

void TSquareBlade::SetVertices(const TCorners& corners) {
  for (int i = 0; i < 4; ++i)
    SetVertexPosition(i, corners[static_cast<std::size_t>(i)]);
}

bool TSquareBlade::GetBorderSelect(int i) const {
  CheckCorner(i);
  return Corner(i)->BorderSelect();
}

void TSquareBlade::SetBorderSelect(int i, bool value) {
  CheckCorner(i);
  TVertexReferenceItem* corner = Corner(i);
  if (corner->BorderSelect() == value)
    return;
  corner->SetBorderSelect(value);
  if (updateCount_ <= 0)
    UpdateSelectedBorderIndices();
}

bool TSquareBlade::GetVertexSelect(int i) const {
  CheckCorner(i);
  return Corner(i)->VertexSelect();
}

void TSquareBlade::SetVertexSelect(int i, bool value) {
  CheckCorner(i);
  TVertexReferenceItem* corner = Corner(i);
  if (corner->VertexSelect() == value)
    return;
  corner->SetVertexSelect(value);
  ShownChanged();
}

void TSquareBlade::SetVisible(bool value) {
  if (visible_ == value)
    return;
  visible_ = value;
  ShownChanged();
}

void TSquareBlade::SetDrawTexture(bool value) {
  if (drawTexture_ == value)
    return;
  drawTexture_ = value;
  ShownChanged();
}

void TSquareBlade::ShownChanged() {
  TCollection* collection = Collection();
  if (collection != notifiedCollection_) {
    notifiedCollection_ = collection;
    notifiedLayer_ = dynamic_cast<TSquareBladeCollection*>(collection);
  }
  if (notifiedLayer_)
    notifiedLayer_->BladesChanged();
}

bool TSquareBlade::GetFaceSelect() const {
  if (CornerCount() != 4)
    return false;
  for (int i = 0; i < 4; ++i)
    if (!Corner(i)->BorderSelect())
      return false;
  return true;
}

void TSquareBlade::SetFaceSelect(bool value) {
  UpdateGuard batch(*this);
  for (int i = 0; i < 4; ++i)
    SetBorderSelect(i, value);
}

void TSquareBlade::ClearSelection() {
  UpdateGuard batch(*this);
  for (int i = 0; i < 4; ++i) {
    if (TVertex* v = GetVertex(i))
      v->SetSelect(false);
    SetVertexSelect(i, false);
    SetBorderSelect(i, false);
  }
}

void TSquareBlade::SelectAll() {
  if (!visible_)
    return;
  UpdateGuard batch(*this);
  for (int i = 0; i < 4; ++i) {
    if (TVertex* v = GetVertex(i))
      v->SetSelect(true);
    SetVertexSelect(i, true);
    SetBorderSelect(i, true);
  }
}

void TSquareBlade::Select(TBladePartKind kind, int index, bool value) {
  switch (kind) {
    case bpNone:
      ClearSelection();
      break;
    case bpVertex:
      if (TVertex* v = GetVertex(index))
        v->SetSelect(value);
      SetVertexSelect(index, value);
      break;
    case bpBorder: {
      CheckCorner(index);
      if (TVertex* v = GetVertex(index))
        v->SetSelect(value);
      if (TVertex* v = GetVertex((index + 1) % 4))
        v->SetSelect(value);
      SetBorderSelect(index, value);
      break;
    }
    case bpFace:
      for (int i = 0; i < 4; ++i)
        if (TVertex* v = GetVertex(i))
          v->SetSelect(value);
      SetFaceSelect(value);
      break;
  }
}

void TSquareBlade::UpdatePositionCache() {
  positionCache_ = GetVertices();
  ShownChanged();
}

void TSquareBlade::UpdateSelectedBorderIndices() {
  selectedBorderIndices_.clear();
  const int n = std::min(CornerCount(), 4);
  for (int i = 0; i < n; ++i) {
    if (!Corner(i)->BorderSelect())
      continue;
    selectedBorderIndices_.push_back(static_cast<uint16_t>(i));
    selectedBorderIndices_.push_back(static_cast<uint16_t>((i + 1) % 4));
  }
  ShownChanged();
}

bool TSquareBlade::IsSelected() const {
  for (int i = 0; i < CornerCount(); ++i)
    if (Corner(i)->VertexSelect() || Corner(i)->BorderSelect())
      return true;
  return false;
}

void TSquareBlade::Changed() {
  UpdatePositionCache();
  UpdateSelectedBorderIndices();
}

void TSquareBlade::DataChanged(TDataListItem*, int) {
  if (updateCount_ <= 0)
    UpdatePositionCache();
}

void TSquareBlade::Assign(const TPersistent* source) {
  if (const auto* other = As<TSquareBlade>(source)) {
    if (other == this)
      return;
    // The corners are about to be replaced: unbound corner records would leave the vertices with
    // client records pointing at freed corners.
    for (int i = SlotCount(); i-- > 0;)
      SetReference(i, nullptr);
    visible_ = other->visible_;
    drawTexture_ = other->drawTexture_;
    ChildCollection()->Assign(other->ChildCollection());
    ShownChanged();
    return;
  }
  TDataListItemClient::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TSquareBladeCollection

const TClassInfo& TSquareBladeCollection::StaticClass() {
  static const TClassInfo info(
      "TSquareBladeCollection", &Inherited::StaticClass(),
      {props::Object<&TSquareBladeCollection::VertexPool>("VertexPool"),
       props::Boolean<&TSquareBladeCollection::Locked, &TSquareBladeCollection::SetLocked>("Locked"),
       props::Boolean<&TSquareBladeCollection::Visible, &TSquareBladeCollection::SetVisible>("Visible"),
       props::String<&TSquareBladeCollection::Name, &TSquareBladeCollection::SetName>("Name")});
  return info;
}

TSquareBladeCollection::TSquareBladeCollection(TPersistent* owner)
    : TSquareBladeCollection(TCollection::FactoryOf<TSquareBlade>(), owner) {}

TSquareBladeCollection::TSquareBladeCollection(ItemFactory blades, TPersistent* owner, PoolFactory pool)
    : TNotifyCollection(blades, owner), vertexPool_(pool(this)) {}

TSquareBladeCollection::~TSquareBladeCollection() {
  // The pool goes first, from its last vertex back: each vertex lets go of its blades, so the blades
  // freed next free no vertex of their own. Blades freeing their vertices one by one would search the
  // pool for each (a layer of 10,000 blades took tens of milliseconds to go).
  vertexPool_.reset();
  ClearSilently();
}

void TSquareBladeCollection::Update(TCollectionItem* item) {
  BladesChanged();
  TNotifyCollection::Update(item);
}

void TSquareBladeCollection::Notify(TCollectionItem* item, TCollectionNotification action) {
  BladesChanged();
  TNotifyCollection::Notify(item, action);
}

namespace {
// Pool items by number; the first item in pool order wins, as a linear search would.
std::unordered_map<int32_t, TDataListItem*> ItemsById(const TVertexItemCollection& pool) {
  std::unordered_map<int32_t, TDataListItem*> byId;
  byId.reserve(static_cast<std::size_t>(pool.Count()));
  for (TCollectionItem* item : pool.ItemList()) {
    auto* data = static_cast<TDataListItem*>(item);
    byId.emplace(data->ItemID(), data);
  }
  return byId;
}

void CheckResolvable(const TSquareBladeCollection& layer, const std::unordered_map<int32_t, TDataListItem*>& byId) {
  for (TCollectionItem* item : layer.ItemList()) {
    auto* blade = static_cast<TSquareBlade*>(item);
    if (blade->CornerCount() != 4)
      throw Exception(kFindIdNil);
    for (int i = 0; i < 4; ++i)
      if (!byId.contains(blade->GetReferenceID(i)))
        throw Exception(kFindIdNil);
  }
}
}  // namespace

namespace {
// The pool item that a number binds to (the first in pool order), found in a flat table while the
// numbers run 0..n-1, as they do after every renumbering, and through a hash map otherwise.
class FirstItemById {
 public:
  explicit FirstItemById(const TVertexItemCollection& pool) : dense_(static_cast<std::size_t>(pool.Count())) {
    for (TCollectionItem* item : pool.ItemList()) {
      auto* data = static_cast<TDataListItem*>(item);
      const int32_t id = data->ItemID();
      if (id < 0 || id >= pool.Count()) {
        dense_.clear();
        sparse_ = ItemsById(pool);
        return;
      }
      if (!dense_[static_cast<std::size_t>(id)])
        dense_[static_cast<std::size_t>(id)] = data;
    }
  }
  const TDataListItem* Find(int32_t id) const {
    if (!sparse_.empty()) {
      const auto found = sparse_.find(id);
      return found == sparse_.end() ? nullptr : found->second;
    }
    return id >= 0 && static_cast<std::size_t>(id) < dense_.size() ? dense_[static_cast<std::size_t>(id)] : nullptr;
  }

 private:
  std::vector<const TDataListItem*> dense_;
  std::unordered_map<int32_t, TDataListItem*> sparse_;
};
}  // namespace

void TSquareBladeCollection::CheckBindings() const {
  const FirstItemById first(*vertexPool_);
  for (int b = 0; b < Count(); ++b) {
    const TSquareBlade* blade = Blade(b);
    if (blade->CornerCount() != 4)
      throw Exception(FormatMessage("ブレード %s の角が 4 つではありません", {std::to_string(b + 1)}));
    for (int k = 0; k < 4; ++k) {
      const TDataListItem* item = blade->GetReference(k);
      if (!item) {
        throw Exception(
            FormatMessage("ブレード %s の角 %s に頂点がありません", {std::to_string(b + 1), std::to_string(k + 1)}));
      }
      if (first.Find(blade->GetReferenceID(k)) != item) {
        throw Exception(FormatMessage("ブレード %s の角 %s の頂点がこのレイヤーの頂点プールにありません",
                                      {std::to_string(b + 1), std::to_string(k + 1)}));
      }
    }
  }
}

void TSquareBladeCollection::CheckReferences() const {
  CheckResolvable(*this, ItemsById(*vertexPool_));
}

void TSquareBladeCollection::ResolveReferences() {
  // One hash map per call instead of a linear search per corner, and everything checked before
  // anything is bound, so a bad stream leaves the layer as it was.
  const auto byId = ItemsById(*vertexPool_);
  CheckResolvable(*this, byId);
  for (TCollectionItem* item : ItemList()) {
    auto* blade = static_cast<TSquareBlade*>(item);
    for (int i = 0; i < 4; ++i)
      blade->SetReference(i, byId.at(blade->GetReferenceID(i)));
  }
}

void TSquareBladeCollection::ClearSelection() {
  for (TCollectionItem* item : ItemList())
    static_cast<TSquareBlade*>(item)->ClearSelection();
}

void TSquareBladeCollection::SelectAll() {
  if (!Editable())
    return;
  for (TCollectionItem* item : ItemList())
    static_cast<TSquareBlade*>(item)->SelectAll();
}

void TSquareBladeCollection::Assign(const TPersistent* source) {
  if (const auto* other = As<TSquareBladeCollection>(source)) {
    if (other == this)
      return;
    visible_ = other->visible_;
    locked_ = other->locked_;
    name_ = other->name_;
    UpdateGuard batch(*this);
    // Blades first: they let go of the old vertices before the pool is refilled.
    Clear();
    vertexPool_->Assign(other->vertexPool_.get());
    TNotifyCollection::Assign(source);
    return;
  }
  TNotifyCollection::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TSquareBladeCollectionItem

const TClassInfo& TSquareBladeCollectionItem::StaticClass() {
  static const TClassInfo info("TSquareBladeCollectionItem", &Inherited::StaticClass());
  return info;
}

TSquareBladeCollectionItem::TSquareBladeCollectionItem(TCollection* collection)
    : TChildCollectionItem(collection, ChildOf<TSquareBladeCollection>()) {
  Layer()->layerSet_ = dynamic_cast<TSquareBladeCollections*>(collection);
}

// ---------------------------------------------------------------------------------------------
// TVertexItemList

void TVertexItemList::Add(TVertexItem* item) {
  if (tracks_) {
    // One place per item: a second entry would outlive the item when it is freed.
    if (item->selectedSlot_ >= 0)
      return;
    Compact();
    item->selectedSlot_ = static_cast<int>(items_.size());
  }
  items_.push_back(item);
}

void TVertexItemList::Clear() {
  if (tracks_)
    for (TVertexItem* item : items_)
      if (item)
        item->selectedSlot_ = -1;
  items_.clear();
  holes_ = 0;
}

const std::vector<TVertexItem*>& TVertexItemList::Items() const {
  if (holes_)
    Compact();
  return items_;
}

bool TVertexItemList::Contains(const TVertexItem* item) const {
  if (tracks_)
    return item->selectedSlot_ >= 0;
  return std::find(items_.begin(), items_.end(), item) != items_.end();
}

void TVertexItemList::Forget(TVertexItem* item) {
  if (tracks_) {
    if (item->selectedSlot_ < 0)
      return;
    items_[static_cast<std::size_t>(item->selectedSlot_)] = nullptr;
    item->selectedSlot_ = -1;
    ++holes_;
    return;
  }
  std::erase(items_, item);
}

void TVertexItemList::Compact() const {
  if (!holes_)
    return;
  std::size_t out = 0;
  for (TVertexItem* item : items_) {
    if (!item)
      continue;
    if (tracks_)
      item->selectedSlot_ = static_cast<int>(out);
    items_[out++] = item;
  }
  items_.resize(out);
  holes_ = 0;
}

// ---------------------------------------------------------------------------------------------
// TSquareBladeCollections

const TClassInfo& TSquareBladeCollections::StaticClass() {
  static const TClassInfo info(
      "TSquareBladeCollections", &Inherited::StaticClass(),
      {props::Integer<&TSquareBladeCollections::CurrentIndex, &TSquareBladeCollections::SetStreamedCurrentIndex>(
          "CurrentIndex")});
  return info;
}

TSquareBladeCollections::TSquareBladeCollections(TPersistent* owner)
    : TNotifyCollection(TCollection::FactoryOf<TSquareBladeCollectionItem>(), owner),
      materials_(std::make_unique<TSquareBladeMaterials>()) {}

TSquareBladeCollections::~TSquareBladeCollections() {
  selected_.Clear();
  anchor_ = nullptr;
  ClearSilently();
}

TSquareBladeCollection* TSquareBladeCollections::AddLayer() {
  return static_cast<TSquareBladeCollectionItem*>(Add())->Layer();
}

TSquareBladeCollection* TSquareBladeCollections::GetLayer(int i) const {
  return static_cast<TSquareBladeCollectionItem*>(Items(i))->Layer();
}

TSquareBladeCollection* TSquareBladeCollections::InsertLayerAt(int i) {
  const int index = std::clamp(i, 0, Count());
  return static_cast<TSquareBladeCollectionItem*>(Insert(index))->Layer();
}

void TSquareBladeCollections::SetCurrentIndex(int32_t value) {
  if (value > Count() - 1)
    value = Count() - 1;
  if (value < 0)
    value = 0;
  currentIndex_ = value;
}

void TSquareBladeCollections::SetStreamedCurrentIndex(int32_t value) {
  streamedIndex_ = value;
  streamedIndexPending_ = true;
  SetCurrentIndex(value);
}

void TSquareBladeCollections::ApplyStreamedCurrentIndex() {
  if (!streamedIndexPending_)
    return;
  streamedIndexPending_ = false;
  SetCurrentIndex(streamedIndex_);
}

TSquareBladeCollection* TSquareBladeCollections::CurrentLayer() const {
  if (Count() == 0)
    return nullptr;
  return GetLayer(std::clamp(currentIndex_, 0, Count() - 1));
}

void TSquareBladeCollections::SetPickResult(TSquareBlade* blade, TBladePartKind kind, int32_t index, float depth) {
  pickBlade_ = blade;
  pickKind_ = kind;
  pickIndex_ = index;
  pickDepth_ = depth;
}

void TSquareBladeCollections::ResetPick() {
  SetPickResult(nullptr, bpNone, -1, 1.0f);
}

void TSquareBladeCollections::ClearSelection() {
  for (int i = 0; i < Count(); ++i)
    GetLayer(i)->ClearSelection();
  selected_.Clear();
  anchor_ = nullptr;
}

void TSquareBladeCollections::SelectAll() {
  for (int i = 0; i < Count(); ++i)
    GetLayer(i)->SelectAll();
  RebuildSelectedVertexList();
}

void TSquareBladeCollections::RebuildSelectedVertexList() {
  selected_.Clear();
  for (int i = 0; i < Count(); ++i) {
    TSquareBladeCollection* layer = GetLayer(i);
    if (!layer->Editable())
      continue;
    for (TCollectionItem* item : layer->VertexPool()->ItemList()) {
      auto* vertexItem = static_cast<TVertexItem*>(item);
      if (vertexItem->Vertex()->Select())
        selected_.Add(vertexItem);
    }
  }
}

bool TSquareBladeCollections::HasBlades() const {
  for (int i = 0; i < Count(); ++i)
    if (GetLayer(i)->Count() > 0)
      return true;
  return false;
}

bool TSquareBladeCollections::HasEditableBlades() const {
  for (int i = 0; i < Count(); ++i) {
    TSquareBladeCollection* layer = GetLayer(i);
    if (!layer->Editable())
      continue;
    for (TCollectionItem* item : layer->ItemList())
      if (static_cast<TSquareBlade*>(item)->Visible())
        return true;
  }
  return false;
}

bool TSquareBladeCollections::HasHiddenBlades() const {
  for (int i = 0; i < Count(); ++i)
    for (TCollectionItem* item : GetLayer(i)->ItemList())
      if (!static_cast<TSquareBlade*>(item)->Visible())
        return true;
  return false;
}

bool TSquareBladeCollections::HasUnselectedBlades() const {
  for (int i = 0; i < Count(); ++i) {
    TSquareBladeCollection* layer = GetLayer(i);
    if (!layer->Visible())
      continue;
    for (TCollectionItem* item : layer->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      if (blade->Visible() && !blade->IsSelected())
        return true;
    }
  }
  return false;
}

void TSquareBladeCollections::HideBlades(bool selected) {
  for (int i = 0; i < Count(); ++i) {
    for (TCollectionItem* item : GetLayer(i)->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      if (blade->IsSelected() != selected)
        continue;
      blade->ClearSelection();
      blade->SetVisible(false);
    }
  }
  RebuildSelectedVertexList();
}

void TSquareBladeCollections::ShowAll() {
  for (int i = 0; i < Count(); ++i)
    for (TCollectionItem* item : GetLayer(i)->ItemList())
      static_cast<TSquareBlade*>(item)->SetVisible(true);
}

void TSquareBladeCollections::DetachVertex(TSquareBlade* blade, int corner) {
  TVertexItem* shared = blade->GetVertexItem(corner);
  TSquareBladeCollection* layer = blade->Layer();
  if (!shared || !layer)
    return;
  for (int i = shared->Clients().Count(); i-- > 0;) {
    if (i >= shared->Clients().Count())
      continue;
    TDataListItemClient* client = shared->Clients().Client(i);
    if (client == blade)
      continue;
    const int32_t slot = shared->Clients().Slot(i);
    TVertexItem* copy = layer->VertexPool()->Add();
    copy->Vertex()->Assign(shared->Vertex());
    client->SetReference(slot, copy);
  }
}

void TSquareBladeCollections::Assign(const TPersistent* source) {
  if (const auto* other = As<TSquareBladeCollections>(source)) {
    if (other == this)
      return;
    diagonalKnife_ = other->diagonalKnife_;
    drawFlags_ = other->drawFlags_;
    pickSquareSize_ = other->pickSquareSize_;
    materials_->Assign(other->materials_.get());
    currentIndex_ = other->currentIndex_;
    TNotifyCollection::Assign(source);
    return;
  }
  TNotifyCollection::Assign(source);
}

void TSquareBladeCollections::VertexItemFreed(TVertexItem* item) {
  if (anchor_ == item)
    anchor_ = nullptr;
  selected_.Forget(item);
  ResetPick();
}

void TSquareBladeCollections::BladeFreed(TSquareBlade* blade) {
  (void)blade;
  pickList_.clear();
  ResetPick();
}

// ---------------------------------------------------------------------------------------------
// Containers

const TClassInfo& TSquareBladeCollectionContainer::StaticClass() {
  static const TClassInfo info(
      "TSquareBladeCollectionContainer", &Inherited::StaticClass(),
      {props::Object<&TSquareBladeCollectionContainer::Collection>("Collection")},
      [](TComponent* owner) -> TComponent* { return new TSquareBladeCollectionContainer(owner); });
  return info;
}

TSquareBladeCollectionContainer::TSquareBladeCollectionContainer(TComponent* owner)
    : TSquareBladeCollectionContainer(owner, LayerOf<TSquareBladeCollection>()) {}

TSquareBladeCollectionContainer::TSquareBladeCollectionContainer(TComponent* owner, LayerFactory makeLayer)
    : TComponent(owner), collection_(makeLayer(this)) {}

TSquareBladeCollectionContainer::~TSquareBladeCollectionContainer() = default;

void TSquareBladeCollectionContainer::Assign(const TPersistent* source) {
  if (const auto* other = As<TSquareBladeCollectionContainer>(source)) {
    collection_->Assign(other->collection_.get());
    return;
  }
  TComponent::Assign(source);
}

void TSquareBladeCollectionContainer::Loaded() {
  TComponent::Loaded();
  collection_->ResolveReferences();
  for (TCollectionItem* item : collection_->ItemList()) {
    auto* blade = static_cast<TSquareBlade*>(item);
    blade->UpdatePositionCache();
    blade->UpdateSelectedBorderIndices();
  }
}

const TClassInfo& TSquareBladeCollectionsContainer::StaticClass() {
  static const TClassInfo info(
      "TSquareBladeCollectionsContainer", &Inherited::StaticClass(),
      {props::Integer<&TSquareBladeCollectionsContainer::CurrentIndex,
                      &TSquareBladeCollectionsContainer::SetCurrentIndex>("CurrentIndex"),
       props::Object<&TSquareBladeCollectionsContainer::Collections>("Collections")},
      [](TComponent* owner) -> TComponent* { return new TSquareBladeCollectionsContainer(owner); });
  return info;
}

TSquareBladeCollectionsContainer::TSquareBladeCollectionsContainer(TComponent* owner)
    : TSquareBladeCollectionsContainer(owner, LayerSetOf<TSquareBladeCollections>()) {}

TSquareBladeCollectionsContainer::TSquareBladeCollectionsContainer(TComponent* owner, LayerSetFactory makeLayers)
    : TComponent(owner), collections_(makeLayers(this)) {}

TSquareBladeCollectionsContainer::~TSquareBladeCollectionsContainer() = default;

void TSquareBladeCollectionsContainer::Assign(const TPersistent* source) {
  if (const auto* other = As<TSquareBladeCollectionsContainer>(source)) {
    collections_->Assign(other->collections_.get());
    currentIndex_ = other->currentIndex_;
    return;
  }
  TComponent::Assign(source);
}

void TSquareBladeCollectionsContainer::TakeOver(const TComponent& fresh) {
  const auto* other = As<TSquareBladeCollectionsContainer>(&fresh);
  if (!other) {
    TComponent::TakeOver(fresh);
    return;
  }
  // The collection's own Assign copies the layers alone; the layer set's would also copy the
  // settings that the fresh object only has as defaults.
  collections_->TCollection::Assign(other->collections_.get());
  collections_->SetCurrentIndex(other->collections_->CurrentIndex());
  currentIndex_ = other->currentIndex_;
}

void TSquareBladeCollectionsContainer::Loaded() {
  TComponent::Loaded();
  for (int i = 0; i < collections_->Count(); ++i) {
    TSquareBladeCollection* layer = collections_->GetLayer(i);
    layer->ResolveReferences();
    for (TCollectionItem* item : layer->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      blade->UpdatePositionCache();
      blade->UpdateSelectedBorderIndices();
    }
  }
  collections_->ApplyStreamedCurrentIndex();
  collections_->SetAnchor(nullptr);
  collections_->PickList().clear();
  collections_->ResetPick();
  collections_->RebuildSelectedVertexList();
}

// ---------------------------------------------------------------------------------------------
// Module-level operations

namespace {
template <class Range, class Get>
Vec3 Mean(const Range& range, Get get) {
  double x = 0, y = 0, z = 0;
  std::size_t n = 0;
  for (const auto& element : range) {
    const Vec3 v = get(element);
    x += v.x;
    y += v.y;
    z += v.z;
    ++n;
  }
  if (n == 0)
    return {};
  return {static_cast<float>(x / static_cast<double>(n)), static_cast<float>(y / static_cast<double>(n)),
          static_cast<float>(z / static_cast<double>(n))};
}
}  // namespace

Vec3 SelectionCentroid(const TVertexItemList& list) {
  return Mean(list.Items(), [](const TVertexItem* item) { return item->Vertex()->GetVector(); });
}

Vec3 VectorListCentroid(const TVector3List& list) {
  return Mean(list.Items(), [](const Vec3& v) { return v; });
}

Vec3 CornersCentroid(const TCorners& c) {
  return (c[0] + c[1] + c[2] + c[3]) / 4.0f;
}

void RenumberVertexIDs(TSquareBladeCollections& layers) {
  for (int i = 0; i < layers.Count(); ++i) {
    const auto& pool = layers.GetLayer(i)->VertexPool()->ItemList();
    for (std::size_t k = 0; k < pool.size(); ++k)
      static_cast<TDataListItem*>(pool[k])->SetItemID(static_cast<int32_t>(k));
  }
}

void AppendLayer(TSquareBladeCollection& source, TSquareBladeCollection& target) {
  // Renumbering the source carries the new numbers only into bound corners; a source with an
  // unbound corner (or the target itself) is appended from a bound copy.
  bool unbound = false;
  for (int k = 0; k < source.Count() && !unbound; ++k)
    for (int i = 0; i < source.Blade(k)->SlotCount(); ++i)
      if (!source.Blade(k)->GetReference(i))
        unbound = true;
  if (&source == &target || unbound) {
    TSquareBladeCollection copy;
    copy.Assign(&source);
    copy.ResolveReferences();
    AppendLayer(copy, target);
    return;
  }
  TVertexItemCollection* sourcePool = source.VertexPool();
  TVertexItemCollection* targetPool = target.VertexPool();
  const int32_t base = targetPool->MaxItemID() + 1;
  // Refuse before anything changes: a layer that cannot be bound afterwards would be left with
  // stray copies and a renumbered source.
  source.CheckReferences();
  auto byId = ItemsById(*targetPool);
  for (int k = 0; k < sourcePool->Count(); ++k)
    byId.emplace(base + k, nullptr);
  CheckResolvable(target, byId);

  for (int k = 0; k < sourcePool->Count(); ++k)
    sourcePool->Item(k)->SetItemID(base + k);
  for (int k = 0; k < sourcePool->Count(); ++k)
    targetPool->Add()->Assign(sourcePool->Item(k));
  for (int k = 0; k < source.Count(); ++k)
    target.Add()->Assign(source.Blade(k));
  target.ResolveReferences();
  for (int k = 0; k < targetPool->Count(); ++k)
    targetPool->Item(k)->SetItemID(k);
  for (int k = 0; k < target.Count(); ++k) {
    target.Blade(k)->UpdatePositionCache();
    target.Blade(k)->UpdateSelectedBorderIndices();
  }
}

void AppendLayers(TSquareBladeCollections& source, TSquareBladeCollections& target) {
  const int count = source.Count();  // the target may be the source
  for (int i = 0; i < count; ++i)
    source.GetLayer(i)->CheckReferences();
  for (int i = 0; i < count; ++i)
    AppendLayer(*source.GetLayer(i), *target.AddLayer());
}

void RegisterSquareClasses() {
  RegisterClass(TSquareBladeCollectionContainer::StaticClass());
  RegisterClass(TSquareBladeCollectionsContainer::StaticClass());
}

}  // namespace vrel
