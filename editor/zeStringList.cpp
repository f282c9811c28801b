#include "editor/zeStringList.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace vrel {

namespace {

constexpr const char* kIndexOutOfRange = "リストのインデックスが範囲を超えています";

// Small lists grow by 4, middling ones by 16 and large ones by a quarter, so that filling a list
// row by row reallocates only logarithmically often.
int NextCapacity(int capacity) {
  if (capacity > 64)
    return capacity + capacity / 4;
  return capacity + (capacity > 8 ? 16 : 4);
}

}  // namespace

const TClassInfo& TzeStringList::StaticClass() {
  static const TClassInfo info("TzeStringList", &Inherited::StaticClass());
  return info;
}

TzeStringList::~TzeStringList() {
  OnChange = {};
  OnChanging = {};
}

void TzeStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EStringListError(kIndexOutOfRange);
}

void TzeStringList::Changed() {
  if (updateCount_ == 0 && OnChange)
    OnChange(this);
}

void TzeStringList::Changing() {
  if (updateCount_ == 0 && OnChanging)
    OnChanging(this);
}

void TzeStringList::BeginUpdate() {
  if (updateCount_ == 0)
    Changing();
  ++updateCount_;
}

void TzeStringList::EndUpdate() {
  if (updateCount_ == 0)
    return;
  --updateCount_;
  if (updateCount_ == 0)
    Changed();
}

void TzeStringList::Grow() {
  SetCapacity(NextCapacity(capacity_));
}

void TzeStringList::Reserve(int count) {
  if (count > capacity_)
    SetCapacity(std::max(count, NextCapacity(capacity_)));
}

void TzeStringList::SetCapacity(int capacity) {
  if (capacity < Count())
    capacity = Count();
  if (capacity == capacity_)
    return;
  if (capacity > capacity_) {
    items_.reserve(static_cast<std::size_t>(capacity));
  } else {
    std::vector<TzeStringItem> smaller;
    smaller.reserve(static_cast<std::size_t>(capacity));
    for (TzeStringItem& item : items_)
      smaller.push_back(std::move(item));
    items_ = std::move(smaller);
  }
  capacity_ = capacity;
}

const std::string& TzeStringList::Get(int index) const {
  CheckIndex(index);
  return At(index).Text;
}

void TzeStringList::Put(int index, std::string text) {
  CheckIndex(index);
  Changing();
  At(index).Text = std::move(text);
  Changed();
}

int TzeStringList::Add(std::string text) {
  const int index = Count();
  InsertItem(index, std::move(text));
  return index;
}

void TzeStringList::Insert(int index, std::string text) {
  if (index < 0 || index > Count())
    throw EStringListError(kIndexOutOfRange);
  InsertItem(index, std::move(text));
}

void TzeStringList::InsertItem(int index, std::string text) {
  Changing();
  if (Count() == capacity_)
    Grow();
  TzeStringItem item;
  item.Text = std::move(text);
  items_.insert(items_.begin() + index, std::move(item));
  ItemsChanged(index, 0, 1);
  Changed();
}

void TzeStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  ItemsChanged(index, 1, 0);
  Changed();
}

void TzeStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(At(index1), At(index2));
  ItemsChanged(index1, 1, 1);
  ItemsChanged(index2, 1, 1);
  Changed();
}

void TzeStringList::Clear() {
  if (Count() == 0)
    return;
  Changing();
  const int count = Count();
  items_ = {};
  capacity_ = 0;
  ItemsChanged(0, count, 0);
  Changed();
}

void TzeStringList::SpliceItems(int index, int count, std::vector<TzeStringItem> items) {
  if (index < 0 || count < 0 || index > Count() || count > Count() - index)
    throw EStringListError(kIndexOutOfRange);
  Changing();
  const int inserted = static_cast<int>(items.size());
  const int common = std::min(count, inserted);
  for (int i = 0; i < common; ++i)
    At(index + i) = std::move(items[static_cast<std::size_t>(i)]);
  if (inserted > count) {
    Reserve(Count() + inserted - count);
    items_.insert(items_.begin() + index + common, std::make_move_iterator(items.begin() + common),
                  std::make_move_iterator(items.end()));
  } else if (count > inserted) {
    const auto from = items_.begin() + index + common;
    items_.erase(from, from + (count - inserted));
  }
  ItemsChanged(index, count, inserted);
  Changed();
}

std::vector<TzeStringItem> TzeStringList::TakeItems() {
  Changing();
  std::vector<TzeStringItem> items = std::move(items_);
  items_ = {};
  capacity_ = 0;
  ItemsChanged(0, static_cast<int>(items.size()), 0);
  Changed();
  return items;
}

const std::string& TzeStringList::StateText(int index) const {
  CheckIndex(index);
  return At(index).StateText;
}

void TzeStringList::SetStateText(int index, std::string text) {
  CheckIndex(index);
  At(index).StateText = std::move(text);
}

int32_t TzeStringList::Data(int index) const {
  CheckIndex(index);
  return At(index).Data;
}

void TzeStringList::SetData(int index, int32_t value) {
  CheckIndex(index);
  At(index).Data = value;
}

uint32_t TzeStringList::StateWord(int index) const {
  CheckIndex(index);
  return At(index).StateWord;
}

void TzeStringList::SetStateWord(int index, uint32_t value) {
  CheckIndex(index);
  At(index).StateWord = value;
  ItemsChanged(index, 1, 1);
}

uint32_t TzeStringList::MarkWord(int index) const {
  CheckIndex(index);
  return At(index).MarkWord;
}

void TzeStringList::SetMarkWord(int index, uint32_t value) {
  CheckIndex(index);
  At(index).MarkWord = value;
}

const TzeStringItem& TzeStringList::Item(int index) const {
  CheckIndex(index);
  return At(index);
}

void TzeStringList::PutItem(int index, TzeStringItem item) {
  CheckIndex(index);
  Changing();
  At(index) = std::move(item);
  ItemsChanged(index, 1, 1);
  Changed();
}

}  // namespace vrel
