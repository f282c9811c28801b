#include "editor/zeStringList.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "editor/zeUtils.h"
#include "platform/UpdateGuard.h"

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

const std::string kNoText;

}  // namespace

// The lines of a taken text that are not items yet: they follow the items made, in order.
struct TzeStringList::PendingLines {
  PendingLines(std::string bytes, uint32_t word, uint32_t lastWord)
      : text(std::move(bytes)), breaks(text), stateWord(word), lastStateWord(lastWord) {}
  std::string text;
  LineBreakFinder breaks;
  // Where the next line starts.
  std::size_t pos = 0;
  uint32_t stateWord;
  uint32_t lastStateWord;
};

const TClassInfo& TzeStringList::StaticClass() {
  static const TClassInfo info("TzeStringList", &Inherited::StaticClass());
  return info;
}

TzeStringList::TzeStringList() = default;

TzeStringList::~TzeStringList() {
  OnChange = {};
  OnChanging = {};
}

void TzeStringList::MakeLinesUpTo(int index) const {
  if (!pending_ || index >= Count())
    return;
  PendingLines& lines = *pending_;
  while (static_cast<int>(items_.size()) <= index) {
    const std::size_t end = lines.breaks.Next(lines.pos);
    TzeStringItem item;
    item.Text.assign(lines.text, lines.pos, end - lines.pos);
    --pendingRows_;
    item.StateWord = pendingRows_ == 0 ? lines.lastStateWord : lines.stateWord;
    // Never moves the items: KeepRoomForLines left room for every line.
    items_.push_back(std::move(item));
    lines.pos = end;
    if (lines.pos < lines.text.size() && lines.text[lines.pos] == '\r')
      ++lines.pos;
    if (lines.pos < lines.text.size() && lines.text[lines.pos] == '\n')
      ++lines.pos;
  }
  if (pendingRows_ == 0)
    pending_.reset();
}

void TzeStringList::KeepRoomForLines() {
  if (pendingRows_ > 0)
    items_.reserve(items_.size() + static_cast<std::size_t>(pendingRows_));
}

void TzeStringList::TakeLines(std::string text, uint32_t stateWord, uint32_t lastStateWord,
                              std::optional<std::size_t> lineBreaks) {
  UpdateGuard<TzeStringList> change(*this);
  TzeStringList::Clear();
  // A tail after the last line break is one more line.
  std::size_t lines = lineBreaks ? *lineBreaks : CountLineBreaks(text);
  if (!text.empty() && text.back() != '\n' && text.back() != '\r')
    ++lines;
  if (lines == 0)
    return;
  pendingRows_ = static_cast<int>(std::min<std::size_t>(lines, 0x7FFFFFFF));
  pending_ = std::make_unique<PendingLines>(std::move(text), stateWord, lastStateWord);
  capacity_ = std::max(capacity_, pendingRows_);
  KeepRoomForLines();
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
  MakeLines(index - 1);
  TzeStringItem item;
  item.Text = std::move(text);
  items_.insert(items_.begin() + index, std::move(item));
  KeepRoomForLines();
  ItemsChanged(index, 0, 1);
  Changed();
}

void TzeStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  MakeLines(index);
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
  pending_.reset();
  pendingRows_ = 0;
  capacity_ = 0;
  ItemsChanged(0, count, 0);
  Changed();
}

void TzeStringList::SpliceItems(int index, int count, std::vector<TzeStringItem> items) {
  if (index < 0 || count < 0 || index > Count() || count > Count() - index)
    throw EStringListError(kIndexOutOfRange);
  Changing();
  const int inserted = static_cast<int>(items.size());
  if (Count() == 0) {
    // The items move in whole: a text loaded into empty rows never has its rows twice.
    items_ = std::move(items);
    capacity_ = std::max(capacity_, inserted);
    ItemsChanged(0, 0, inserted);
    Changed();
    return;
  }
  // The replaced items, and the items before them, are made.
  MakeLines(index + count - 1);
  const int common = std::min(count, inserted);
  for (int i = 0; i < common; ++i)
    At(index + i) = std::move(items[static_cast<std::size_t>(i)]);
  if (inserted > count) {
    Reserve(Count() + inserted - count);
    items_.insert(items_.begin() + index + common, std::make_move_iterator(items.begin() + common),
                  std::make_move_iterator(items.end()));
    KeepRoomForLines();
  } else if (count > inserted) {
    const auto from = items_.begin() + index + common;
    items_.erase(from, from + (count - inserted));
  }
  ItemsChanged(index, count, inserted);
  Changed();
}

std::vector<TzeStringItem> TzeStringList::TakeItems() {
  Changing();
  MakeLines(Count() - 1);
  std::vector<TzeStringItem> items = std::move(items_);
  items_ = {};
  capacity_ = 0;
  ItemsChanged(0, static_cast<int>(items.size()), 0);
  Changed();
  return items;
}

// A line not reached yet has no state text, data or mark word, and its own state word: reading them
// makes nothing.
const std::string& TzeStringList::StateText(int index) const {
  CheckIndex(index);
  return index < static_cast<int>(items_.size()) ? At(index).StateText : kNoText;
}

void TzeStringList::SetStateText(int index, std::string text) {
  CheckIndex(index);
  At(index).StateText = std::move(text);
}

int32_t TzeStringList::Data(int index) const {
  CheckIndex(index);
  return index < static_cast<int>(items_.size()) ? At(index).Data : 0;
}

void TzeStringList::SetData(int index, int32_t value) {
  CheckIndex(index);
  At(index).Data = value;
}

uint32_t TzeStringList::StateWord(int index) const {
  CheckIndex(index);
  if (index < static_cast<int>(items_.size()))
    return At(index).StateWord;
  return index == Count() - 1 ? pending_->lastStateWord : pending_->stateWord;
}

void TzeStringList::SetStateWord(int index, uint32_t value) {
  CheckIndex(index);
  At(index).StateWord = value;
  ItemsChanged(index, 1, 1);
}

uint32_t TzeStringList::MarkWord(int index) const {
  CheckIndex(index);
  return index < static_cast<int>(items_.size()) ? At(index).MarkWord : 0;
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
