#include "platform/Classes.h"

#include <algorithm>

#include "platform/UpdateGuard.h"

namespace vrel {

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info("TObject", nullptr);
  return info;
}

const TClassInfo& TPersistent::StaticClass() {
  static const TClassInfo info("TPersistent", &Inherited::StaticClass());
  return info;
}

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr)
    AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
  const std::string sourceName = source ? source->ClassName() : "nil";
  throw EConvertError(FormatMessage("Cannot assign a %s to a %s", {sourceName, ClassName()}));
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TComponent::StaticClass() {
  static const TClassInfo info("TComponent", &Inherited::StaticClass(),
                               {props::String<&TComponent::Name, &TComponent::SetName>("Name"),
                                props::WithDefault(props::Integer<&TComponent::Tag, &TComponent::SetTag>("Tag"), 0)});
  return info;
}

TComponent::TComponent(TComponent* owner) {
  if (owner)
    owner->InsertComponent(this);
}

TComponent::~TComponent() {
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    std::erase(other->freeNotifies_, this);
    other->Notification(this, TOperation::opRemove);
  }
  // Owned components go first, last to first, so each can still reach its owner while it dies.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_)
    owner_->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_)
    component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.rbegin(), components_.rend(), component);
  if (it != components_.rend())
    components_.erase(std::next(it).base());
  if (component->owner_ == this)
    component->owner_ = nullptr;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty())
    return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->Name(), name))
      return c;
  return nullptr;
}

void TComponent::AddChild(TComponent* child) {
  InsertComponent(child);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this)
    return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
      component->freeNotifies_.end())
    component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component)
    return;
  std::erase(freeNotifies_, component);
  std::erase(component->freeNotifies_, this);
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TCollectionItem::StaticClass() {
  static const TClassInfo info("TCollectionItem", &Inherited::StaticClass());
  return info;
}

TCollectionItem::TCollectionItem(TCollection* collection) {
  SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
  SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection_ == collection)
    return;
  if (collection_)
    collection_->RemoveItem(this);
  if (collection)
    collection->InsertItem(this);
}

TPersistent* TCollectionItem::GetOwner() const {
  return collection_;
}

int TCollectionItem::Index() const {
  return collection_ ? collection_->IndexOf(this) : -1;
}

void TCollectionItem::SetIndex(int index) {
  if (!collection_)
    return;
  auto& items = collection_->items_;
  const int current = Index();
  if (index < 0)
    index = 0;
  if (index >= static_cast<int>(items.size()))
    index = static_cast<int>(items.size()) - 1;
  if (current < 0 || current == index)
    return;
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  Changed(true);
}

void TCollectionItem::Changed(bool allItems) {
  if (collection_ && collection_->updateCount_ == 0)
    collection_->Update(allItems ? nullptr : this);
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TCollection::StaticClass() {
  static const TClassInfo info("TCollection", &Inherited::StaticClass());
  return info;
}

TCollection::TCollection(ItemFactory factory, TPersistent* owner) : factory_(factory), owner_(owner) {}

TCollection::~TCollection() {
  // Derived collections whose items call back into them clear themselves in their own destructors;
  // what is left here only needs unlinking.
  ClearSilently();
}

void TCollection::ClearSilently() {
  ++updateCount_;
  while (!items_.empty())
    delete items_.back();
  --updateCount_;
}

TCollectionItem* TCollection::Add() {
  return factory_(this);
}

TCollectionItem* TCollection::Insert(int index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  delete Items(index);
}

void TCollection::Clear() {
  if (items_.empty())
    return;
  UpdateGuard batch(*this);
  while (!items_.empty())
    delete items_.back();
}

int TCollection::IndexOf(const TCollectionItem* item) const {
  // Items are mostly looked up near the end (just added, being removed).
  for (std::size_t i = items_.size(); i-- > 0;)
    if (items_[i] == item)
      return static_cast<int>(i);
  return -1;
}

TCollectionItem* TCollection::FindItemID(int32_t id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id)
      return item;
  return nullptr;
}

void TCollection::EndUpdate() {
  --updateCount_;
  Changed();
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = As<TCollection>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  UpdateGuard batch(*this);
  Clear();
  for (TCollectionItem* item : other->items_)
    Add()->Assign(item);
}

void TCollection::Changed() {
  if (updateCount_ == 0)
    Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextId_++;
  Notify(item, TCollectionNotification::Added);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, TCollectionNotification::Extracting);
  if (!items_.empty() && items_.back() == item) {
    items_.pop_back();
  } else {
    const int index = IndexOf(item);
    if (index >= 0)
      items_.erase(items_.begin() + index);
  }
  item->collection_ = nullptr;
  Changed();
}

}  // namespace vrel
