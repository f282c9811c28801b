#pragma once

// Undo and redo of the editor's text. Every change goes through the display rows' ReplaceText, so an
// entry is a row-range swap: which rows the replacement occupies now and the text they replaced
// (whole rows, each followed by CR LF when it ended a line). Playing an entry back puts that text in
// place of those rows and keeps the reverse replacement for the other direction. The history belongs
// to the rows, so editors sharing rows share it.

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace vrel {

class TEditorScreenStrings;

struct TUndoData {
  // The focused editor's caret when the entry was made.
  int32_t Row = 0;
  int32_t Col = 0;
  // The first row of the replacement and the rows it occupies now (0 when it deleted whole lines).
  int32_t StartRow = -1;
  int32_t RowCount = 0;
  // How the replaced text ended: the row attribute of its last row (0 a line break, 1 a wrap, 2 the
  // end of the text), or 3 when nothing was replaced (an insertion).
  uint8_t Kind = 3;
  std::string Text;
  // For whole lines deleted: the marks each deleted row carried, and the ones that joined the row
  // that took their place, so that undo puts them back on their rows.
  std::vector<uint16_t> DeletedMarks;
  uint16_t JoinedMarks = 0;

  // Takes `other`'s replacement (rows, text and marks) and keeps its own caret.
  void TakeReplacement(TUndoData other) {
    StartRow = other.StartRow;
    RowCount = other.RowCount;
    Kind = other.Kind;
    Text = std::move(other.Text);
    DeletedMarks = std::move(other.DeletedMarks);
    JoinedMarks = other.JoinedMarks;
  }
};

// Oldest entry first.
using TUndoDataList = std::deque<TUndoData>;

class TEditorUndoObj {
 public:
  static constexpr int32_t kDefaultLimit = 64;

  explicit TEditorUndoObj(TEditorScreenStrings& owner) : owner_(owner) {}
  TEditorUndoObj(const TEditorUndoObj&) = delete;
  TEditorUndoObj& operator=(const TEditorUndoObj&) = delete;

  TEditorScreenStrings& Owner() const { return owner_; }
  // The most undo entries kept; never below 64.
  int32_t Limit() const { return limit_; }
  void SetLimit(int32_t value);
  // While set, a new undo entry leaves the redo list alone.
  bool Locked() const { return locked_; }

  // A new entry with the focused editor's caret, for the caller to fill; drops the oldest entry
  // past the limit and, unless locked, empties the redo list. The reference stays valid until the
  // next change of the lists.
  TUndoData& AddUndo();
  // A copy of `entry`'s replacement with the focused editor's caret now.
  void AddRedo(const TUndoData& entry);
  bool CanUndo() const { return !undoList_.empty(); }
  bool CanRedo() const { return !redoList_.empty(); }
  // Plays back the newest entry; nothing when there is none.
  void Undo();
  void Redo();
  void Clear();

  const TUndoDataList& UndoList() const { return undoList_; }
  const TUndoDataList& RedoList() const { return redoList_; }

 private:
  enum class Direction { Undo, Redo };
  void PlayBack(Direction direction);
  void TakeCaret(TUndoData& entry) const;

  TEditorScreenStrings& owner_;
  int32_t limit_ = kDefaultLimit;
  bool locked_ = false;
  TUndoDataList redoList_;
  TUndoDataList undoList_;
};

}  // namespace vrel
