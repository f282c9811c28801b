#pragma once

// The string list the editor's display rows are built on: each item carries, besides its text, a
// second text and three words of per-row state that move with the row. Items live in one array, so
// loading and re-wrapping tens of thousands of rows does not allocate per row. A whole text taken as
// lines is made into items only as far as they are reached, so that opening a text of millions of
// short lines costs its bytes, not its lines.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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
  TzeStringList();
  // No event fires while the list is freed.
  ~TzeStringList() override;

  // OnChanging fires before a change and OnChange after it, each with the list as Sender; inside
  // BeginUpdate/EndUpdate only the outermost pair fires.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  int Count() const { return static_cast<int>(items_.size()) + pendingRows_; }
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
  // Replaces every item by the lines of `text` (CR LF, CR and LF each end one; a break at the very
  // end starts no further line), each with the StateWord `stateWord`, the last one `lastStateWord`,
  // as one change. A line becomes an item when a row at or after it is first reached; counting the
  // rows and reading the words of lines not reached yet make none. The derived lists' bookkeeping
  // (ItemsChanged) is not told: lines come as fresh items, without any other state. `lineBreaks`, when
  // given, is CountLineBreaks(text), counted where the text was read.
  void TakeLines(std::string text, uint32_t stateWord, uint32_t lastStateWord,
                 std::optional<std::size_t> lineBreaks = std::nullopt);

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
  // The item, made first when it is a line not reached yet. A reference stays valid until the
  // list's next change: making lines never moves the items made before.
  TzeStringItem& At(int index) {
    MakeLines(index);
    return items_[static_cast<std::size_t>(index)];
  }
  const TzeStringItem& At(int index) const {
    MakeLines(index);
    return items_[static_cast<std::size_t>(index)];
  }

 private:
  struct PendingLines;

  void Grow();
  // Capacity for `count` items, growing as Grow does when that is more.
  void Reserve(int count);
  // Makes the lines not reached yet up to `index` into items.
  void MakeLines(int index) const {
    if (index >= static_cast<int>(items_.size()))
      MakeLinesUpTo(index);
  }
  void MakeLinesUpTo(int index) const;
  // Room in the array for every line not reached yet, so that making them never moves the items.
  void KeepRoomForLines();

  // The items made, then `pendingRows_` lines of `pending_` not reached yet. Making lines is not a
  // change of the list, so a const reader may do it.
  mutable std::vector<TzeStringItem> items_;
  mutable std::unique_ptr<PendingLines> pending_;
  mutable int pendingRows_ = 0;
  int capacity_ = 0;
  int updateCount_ = 0;
};

}  // namespace vrel
