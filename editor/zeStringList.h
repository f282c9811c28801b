#pragma once

// The string list the editor's display rows are built on: each item carries, besides its text, a
// second text and three words of per-row state that move with the row. Items live in one array, so
// loading and re-wrapping tens of thousands of rows does not allocate per row.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Exceptions.h"

namespace vrel {

// An index outside the list.
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

struct TzeStringItem {
  std::string Text;
  // A text kept with the row's tokeniser state.
  std::string StateText;
  // A per-row integer; the box selection keeps a byte position per row in it.
  int32_t Data = 0;
  uint32_t StateWord = 0;
  uint32_t MarkWord = 0;
};

class TzeStringList : public TPersistent {
  VREL_CLASS_INFO(TzeStringList, TPersistent)
 public:
  TzeStringList() = default;
  // No event fires while the list is freed.
  ~TzeStringList() override;

  // OnChanging fires before a change and OnChange after it, each with the list as Sender; inside
  // BeginUpdate/EndUpdate only the outermost pair fires.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  // Never below Count: the list shrinks only through Delete and Clear.
  void SetCapacity(int capacity);

  const std::string& Get(int index) const;
  void Put(int index, std::string text);
  // Appends and returns the new index.
  int Add(std::string text);
  // `index` may be Count.
  void Insert(int index, std::string text);
  void Delete(int index);
  // Swaps whole items (text, state and marks); checks both indexes first.
  void Exchange(int index1, int index2);
  virtual void Clear();
  // Replaces `count` items from `index` (0 .. Count) by `items`, moving the items after them once.
  void SpliceItems(int index, int count, std::vector<TzeStringItem> items);
  // Moves every item out, leaving the list empty.
  std::vector<TzeStringItem> TakeItems();

  // Per-item state, without change events.
  const std::string& StateText(int index) const;
  void SetStateText(int index, std::string text);
  int32_t Data(int index) const;
  void SetData(int index, int32_t value);
  uint32_t StateWord(int index) const;
  void SetStateWord(int index, uint32_t value);
  uint32_t MarkWord(int index) const;
  void SetMarkWord(int index, uint32_t value);
  const TzeStringItem& Item(int index) const;
  // Replaces a whole item (text, state and marks) inside one change.
  void PutItem(int index, TzeStringItem item);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

 protected:
  virtual void Changed();
  virtual void Changing();
  void InsertItem(int index, std::string text);
  // Told after every change of the item array: `removed` items from `index` were replaced by
  // `inserted` items (a write of one item's state is (index, 1, 1)). For bookkeeping of derived lists.
  virtual void ItemsChanged(int /*index*/, int /*removed*/, int /*inserted*/) {}
  // Raises EStringListError for an index outside 0 .. Count - 1.
  void CheckIndex(int index) const;
  TzeStringItem& At(int index) { return items_[static_cast<std::size_t>(index)]; }
  const TzeStringItem& At(int index) const { return items_[static_cast<std::size_t>(index)]; }

 private:
  void Grow();
  // Capacity for `count` items, growing as Grow does when that is more.
  void Reserve(int count);

  std::vector<TzeStringItem> items_;
  int capacity_ = 0;
  int updateCount_ = 0;
};

}  // namespace vrel
