#include "scene/DX9FlyWeight.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

namespace vrel {

const TClassInfo& TNotifyCollectionItem::StaticClass() {
  static const TClassInfo info("TNotifyCollectionItem", &Inherited::StaticClass());
  return info;
}

void TNotifyCollectionItem::Changed() {
  if (updateCount_ != 0)
    return;
  if (OnChange)
    OnChange(this);
  TCollectionItem::Changed(false);
}

void TNotifyCollectionItem::EndUpdate() {
  --updateCount_;
  Changed();
}

void TNotifyCollectionItem::ChangedProc(TObject*) {
  Changed();
}

// ---------------------------------------------------------------------------------------------

void TClientDataList::Remove(TDataListItemClient* client, int32_t slot) {
  const TClientRecord wanted{client, slot};
  auto it = std::find(records_.rbegin(), records_.rend(), wanted);
  if (it != records_.rend())
    records_.erase(std::next(it).base());
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TDataListItem::StaticClass() {
  static const TClassInfo info("TDataListItem", &Inherited::StaticClass(),
                               {props::Integer<&TDataListItem::ItemID, &TDataListItem::SetItemID>("ItemID")});
  return info;
}

TDataListItem::TDataListItem(TCollection* collection) : TNotifyCollectionItem(collection) {
  if (TDataListItemCollection* owner = Owner()) {
    itemId_ = owner->NewItemID(ID());
    owner->NoteID(INT32_MIN, itemId_);
  } else {
    itemId_ = ID();
  }
}

TDataListItem::~TDataListItem() {
  NotifyDestroying();
  if (TDataListItemCollection* owner = Owner())
    owner->NoteRemoved(itemId_);
}

TDataListItemCollection* TDataListItem::Owner() const {
  return dynamic_cast<TDataListItemCollection*>(Collection());
}

void TDataListItem::StoreItemID(int32_t value) {
  if (value == itemId_)
    return;
  const int32_t old = itemId_;
  itemId_ = value;
  if (TDataListItemCollection* owner = Owner())
    owner->NoteID(old, value);
}

void TDataListItem::SetItemID(int32_t value) {
  if (value == itemId_)
    return;
  StoreItemID(value);
  NotifyIDChanged();
}

void TDataListItem::NotifyDestroying() {
  // A client releasing its slot removes its own record, so walk from the back.
  for (int i = clients_.Count(); i-- > 0;) {
    if (i >= clients_.Count())
      continue;
    clients_.Client(i)->ReleaseReference(clients_.Slot(i));
  }
}

void TDataListItem::NotifyChanged() {
  for (const TClientRecord& r : clients_.Records())
    r.Client->DataChanged(this, r.Slot);
}

void TDataListItem::NotifyIDChanged() {
  for (const TClientRecord& r : clients_.Records())
    r.Client->IDChanged(this, r.Slot, itemId_);
}

void TDataListItem::AddClient(TDataListItemClient* client, int32_t slot) {
  if (client)
    clients_.Add(client, slot);
}

void TDataListItem::RemoveClient(TDataListItemClient* client, int32_t slot) {
  if (client)
    clients_.Remove(client, slot);
}

void TDataListItem::Changed() {
  if (updateCount_ != 0)
    return;
  NotifyChanged();
  TCollectionItem::Changed(false);
}

void TDataListItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TDataListItem>(source)) {
    StoreItemID(other->itemId_);
    return;
  }
  TNotifyCollectionItem::Assign(source);
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TChildCollectionItem::StaticClass() {
  static const TClassInfo info("TChildCollectionItem", &Inherited::StaticClass(),
                               {props::Object<&TChildCollectionItem::ChildCollection>("ChildCollection")});
  return info;
}

TChildCollectionItem::TChildCollectionItem(TCollection* collection, ChildFactory makeChild)
    : TNotifyCollectionItem(collection), child_(makeChild(this)) {}

void TChildCollectionItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TChildCollectionItem>(source)) {
    if (child_ && other->child_)
      child_->Assign(other->child_.get());
    return;
  }
  TNotifyCollectionItem::Assign(source);
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TReferenceItem::StaticClass() {
  static const TClassInfo info(
      "TReferenceItem", &Inherited::StaticClass(),
      {props::Integer<&TReferenceItem::ReferenceID, &TReferenceItem::SetReferenceID>("ReferenceID")});
  return info;
}

void TReferenceItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TReferenceItem>(source)) {
    referenceId_ = other->referenceId_;
    return;
  }
  TCollectionItem::Assign(source);
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TDataListItemClient::StaticClass() {
  static const TClassInfo info("TDataListItemClient", &Inherited::StaticClass());
  return info;
}

TDataListItemClient::~TDataListItemClient() {
  ReleaseAllReferences();
}

void TDataListItemClient::ReleaseAllReferences() {
  for (int slot = SlotCount(); slot-- > 0;) {
    TReferenceItem* ref = Slot(slot);
    TDataListItem* item = ref->item_;
    if (!item)
      continue;
    ref->item_ = nullptr;
    item->RemoveClient(this, slot);
    if (item->Clients().Count() == 0)
      delete item;
  }
}

TDataListItem* TDataListItemClient::GetReference(int slot) const {
  return Slot(slot)->item_;
}

void TDataListItemClient::SetReference(int slot, TDataListItem* item) {
  TReferenceItem* ref = Slot(slot);
  TDataListItem* old = ref->item_;
  if (old && old == item)
    return;
  if (old) {
    old->RemoveClient(this, slot);
    ref->referenceId_ = -1;
    ref->item_ = nullptr;
    if (old->Clients().Count() == 0)
      delete old;
  }
  if (item) {
    item->AddClient(this, slot);
    ref->referenceId_ = item->ItemID();
  }
  ref->item_ = item;
}

int32_t TDataListItemClient::GetReferenceID(int slot) const {
  return Slot(slot)->referenceId_;
}

void TDataListItemClient::SetReferenceID(int slot, int32_t id) {
  Slot(slot)->referenceId_ = id;
}

void TDataListItemClient::IDChanged(TDataListItem*, int slot, int32_t id) {
  SetReferenceID(slot, id);
}

void TDataListItemClient::ReleaseReference(int slot) {
  TReferenceItem* ref = Slot(slot);
  if (!ref->item_)
    return;
  ref->item_->RemoveClient(this, slot);
  ref->item_ = nullptr;
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TDataListItemCollection::StaticClass() {
  static const TClassInfo info("TDataListItemCollection", &Inherited::StaticClass());
  return info;
}

TDataListItemCollection::~TDataListItemCollection() {
  ClearSilently();
}

void TDataListItemCollection::NewDataFor(TDataListItemClient* client, int slot) {
  if (slot != -1) {
    client->SetReference(slot, static_cast<TDataListItem*>(Add()));
    return;
  }
  for (int s = 0; s < client->SlotCount(); ++s)
    client->SetReference(s, static_cast<TDataListItem*>(Add()));
}

TDataListItem* TDataListItemCollection::FindID(int32_t id) const {
  for (TCollectionItem* item : ItemList()) {
    auto* data = static_cast<TDataListItem*>(item);
    if (data->ItemID() == id)
      return data;
  }
  return nullptr;
}

int32_t TDataListItemCollection::MaxItemID() const {
  int32_t result = 0;
  for (TCollectionItem* item : ItemList())
    result = std::max(result, static_cast<TDataListItem*>(item)->ItemID());
  return result;
}

int32_t TDataListItemCollection::NewItemID(int32_t running) {
  if (!maxKnown_) {
    // The item asking is already in the list but holds no number yet: leave it out.
    maxId_ = INT32_MIN;
    const auto& items = ItemList();
    for (std::size_t i = 0; i + 1 < items.size(); ++i)
      maxId_ = std::max(maxId_, static_cast<TDataListItem*>(items[i])->ItemID());
    maxKnown_ = true;
  }
  if (maxId_ == INT32_MIN || running > maxId_)
    return running;
  if (maxId_ < INT32_MAX)
    return maxId_ + 1;
  // Numbers run out at the top: take the first free one from the running number on.
  std::unordered_set<int32_t> used;
  const auto& items = ItemList();
  for (std::size_t i = 0; i + 1 < items.size(); ++i)
    used.insert(static_cast<TDataListItem*>(items[i])->ItemID());
  int32_t id = running;
  while (used.contains(id))
    id = id == INT32_MAX ? 0 : id + 1;
  return id;
}

void TDataListItemCollection::NoteID(int32_t oldId, int32_t newId) {
  if (!maxKnown_)
    return;
  if (newId > maxId_) {
    maxId_ = newId;
  } else if (oldId == maxId_ && newId < oldId) {
    maxKnown_ = false;
  }
}

void TDataListItemCollection::NoteRemoved(int32_t id) {
  if (maxKnown_ && id == maxId_)
    maxKnown_ = false;
}

}  // namespace vrel
