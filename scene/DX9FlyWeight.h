#pragma once

// Shared data items: numbered items in a collection that many clients refer to through numbered
// slots. A slot knows its item while the model is live and the item's number for streaming; an
// item knows its clients, tells them when it changes, is renumbered or dies, and is freed when its
// last client lets go.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/zeClasses.h"

namespace vrel {

class TNotifyCollectionItem : public TCollectionItem {
  VREL_CLASS_INFO(TNotifyCollectionItem, TCollectionItem)
 public:
  explicit TNotifyCollectionItem(TCollection* collection) : TCollectionItem(collection) {}

  TNotifyEvent OnChange;

  // At update count 0: OnChange (Sender = this), then the collection's Update for this item.
  virtual void Changed();
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  void ChangedProc(TObject* sender);
  int UpdateCount() const { return updateCount_; }

 protected:
  using TCollectionItem::Changed;
  int updateCount_ = 0;
};

class TDataListItemClient;

struct TClientRecord {
  TDataListItemClient* Client;
  int32_t Slot;
  bool operator==(const TClientRecord&) const = default;
};

class TClientDataList {
 public:
  void Add(TDataListItemClient* client, int32_t slot) { records_.push_back({client, slot}); }
  // Removes the last record equal in both fields.
  void Remove(TDataListItemClient* client, int32_t slot);
  int Count() const { return static_cast<int>(records_.size()); }
  TDataListItemClient* Client(int i) const { return records_[static_cast<std::size_t>(i)].Client; }
  int32_t Slot(int i) const { return records_[static_cast<std::size_t>(i)].Slot; }
  const std::vector<TClientRecord>& Records() const { return records_; }
  void Clear() { records_.clear(); }

 private:
  std::vector<TClientRecord> records_;
};

class TDataListItemCollection;

class TDataListItem : public TNotifyCollectionItem {
  VREL_CLASS_INFO(TDataListItem, TNotifyCollectionItem)
 public:
  explicit TDataListItem(TCollection* collection);
  ~TDataListItem() override;

  int32_t ItemID() const { return itemId_; }
  void SetItemID(int32_t value);
  const TClientDataList& Clients() const { return clients_; }

  void NotifyDestroying();
  void NotifyChanged();
  void NotifyIDChanged();
  void AddClient(TDataListItemClient* client, int32_t slot);
  void RemoveClient(TDataListItemClient* client, int32_t slot);

  // Tells the clients, then the collection; never fires the item's own OnChange.
  void Changed() override;
  // From a TDataListItem: copies ItemID without notification.
  void Assign(const TPersistent* source) override;

 protected:
  // Stores a number without telling the clients (Assign, streaming into a fresh pool).
  void StoreItemID(int32_t value);

 private:
  TDataListItemCollection* Owner() const;

  TClientDataList clients_;
  int32_t itemId_ = 0;
};

class TChildCollectionItem : public TNotifyCollectionItem {
  VREL_CLASS_INFO(TChildCollectionItem, TNotifyCollectionItem)
 public:
  // Makes the child collection of `owner`, an item still being constructed: it may be stored, not
  // asked anything.
  using ChildFactory = std::unique_ptr<TCollection> (*)(TChildCollectionItem* owner);

  // A child collection of class Child, made as Child(owner).
  template <class Child>
  static ChildFactory ChildOf() {
    return [](TChildCollectionItem* owner) -> std::unique_ptr<TCollection> { return std::make_unique<Child>(owner); };
  }
  // A plain collection of Item.
  template <class Item>
  static ChildFactory ChildOfItems() {
    return [](TChildCollectionItem* owner) {
      return std::make_unique<TCollection>(TCollection::FactoryOf<Item>(), owner);
    };
  }

  TChildCollectionItem(TCollection* collection, ChildFactory makeChild);

  TCollection* ChildCollection() const { return child_.get(); }
  // From a TChildCollectionItem: assigns the child collections item by item.
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TCollection> child_;
};

// One numbered reference slot of a client.
class TReferenceItem : public TCollectionItem {
  VREL_CLASS_INFO(TReferenceItem, TCollectionItem)
 public:
  explicit TReferenceItem(TCollection* collection) : TCollectionItem(collection) {}

  TDataListItem* Item() const { return item_; }
  int32_t ReferenceID() const { return referenceId_; }
  void SetReferenceID(int32_t id) { referenceId_ = id; }
  // Copies ReferenceID only: the copy is bound later by number.
  void Assign(const TPersistent* source) override;

 private:
  friend class TDataListItemClient;
  TDataListItem* item_ = nullptr;
  int32_t referenceId_ = -1;
};

class TDataListItemClient : public TChildCollectionItem {
  VREL_CLASS_INFO(TDataListItemClient, TChildCollectionItem)
 public:
  // The slots are a plain collection of TReferenceItem unless `makeSlots` makes them of a descendant.
  explicit TDataListItemClient(TCollection* collection, ChildFactory makeSlots = ChildOfItems<TReferenceItem>())
      : TChildCollectionItem(collection, makeSlots) {}
  ~TDataListItemClient() override;

  int SlotCount() const { return ChildCollection() ? ChildCollection()->Count() : 0; }
  TReferenceItem* Slot(int slot) const { return static_cast<TReferenceItem*>(ChildCollection()->Items(slot)); }

  TDataListItem* GetReference(int slot) const;
  // Re-points a slot; the old item is freed when this was its last client.
  void SetReference(int slot, TDataListItem* item);
  int32_t GetReferenceID(int slot) const;
  void SetReferenceID(int slot, int32_t id);
  virtual void DataChanged(TDataListItem* item, int slot) = 0;
  void IDChanged(TDataListItem* item, int slot, int32_t id);
  // The item is going away: forget it, keep its number.
  void ReleaseReference(int slot);

 protected:
  // Lets go of every bound slot, freeing items left without clients.
  void ReleaseAllReferences();
};

class TDataListItemCollection : public TNotifyCollection {
  VREL_CLASS_INFO(TDataListItemCollection, TNotifyCollection)
 public:
  TDataListItemCollection(ItemFactory factory, TPersistent* owner) : TNotifyCollection(factory, owner) {}
  ~TDataListItemCollection() override;

  TDataListItem* Item(int i) const { return static_cast<TDataListItem*>(Items(i)); }
  // Adds one new item for `slot`, or with -1 one for every slot of the client.
  void NewDataFor(TDataListItemClient* client, int slot);
  // The first item in collection order with this number, or nullptr.
  TDataListItem* FindID(int32_t id) const;
  // The largest ItemID, never below 0.
  int32_t MaxItemID() const;

 private:
  friend class TDataListItem;
  // A number no item of the collection holds: the running number, or past the largest ItemID
  // when numbers read from a stream or assigned have overtaken it.
  int32_t NewItemID(int32_t running);
  void NoteID(int32_t oldId, int32_t newId);
  void NoteRemoved(int32_t id);

  int32_t maxId_ = 0;
  bool maxKnown_ = false;  // false: recompute before use
};

}  // namespace vrel
