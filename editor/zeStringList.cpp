#include "editor/zeStringList.h"

#include <utility>

namespace vrel {

namespace {
constexpr const char* kIndexOutOfRange = "リストのインデックスが範囲を超えています";
}  // namespace

const TClassInfo& TzeStringList::StaticClass() {
  static const TClassInfo info("TzeStringList", &TPersistent::StaticClass());
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

// Small lists grow by 4, middling ones by 16 and large ones by a quarter, so that filling a list
// row by row reallocates only logarithmically often.
void TzeStringList::Grow() {
  int delta = 4;
  if (capacity_ > 64)
    delta = capacity_ / 4;
  else if (capacity_ > 8)
    delta = 16;
  SetCapacity(capacity_ + delta);
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
  Changed();
}

void TzeStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TzeStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(At(index1), At(index2));
  Changed();
}

void TzeStringList::Clear() {
  if (Count() == 0)
    return;
  Changing();
  items_ = {};
  capacity_ = 0;
  Changed();
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
  Changed();
}

}  // namespace vrel
