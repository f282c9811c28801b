#include "editor/EditorScreenStrings.h"

#include <algorithm>
#include <utility>

#include "editor/EditorFountain.h"
#include "editor/EditorProperties.h"
#include "editor/EditorWrap.h"
#include "editor/RowStates.h"
#include "editor/zeUtils.h"
#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

constexpr std::string_view kCrLf = "\r\n";

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// Bytes of the line break at `pos` of `text`: CR LF, CR or LF.
std::size_t LineBreakLength(std::string_view text, std::size_t pos) {
  return text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

TzeStringItem MakeRow(std::string_view text, int attribute) {
  TzeStringItem item;
  item.Text = std::string(text);
  TRowAttributeStringList::SetItemAttribute(item, attribute);
  return item;
}

// Holds the rows' OnChange back while they are rebuilt as a whole; the callers refresh the editors.
class DisconnectedChange {
 public:
  explicit DisconnectedChange(TzeStringList& rows) : rows_(rows), saved_(rows.OnChange) { rows_.OnChange = {}; }
  ~DisconnectedChange() { rows_.OnChange = saved_; }
  DisconnectedChange(const DisconnectedChange&) = delete;
  DisconnectedChange& operator=(const DisconnectedChange&) = delete;

 private:
  TzeStringList& rows_;
  TNotifyEvent saved_;
};

// The rows from `first` on, cut anew after rows `row` .. `last` gave way to `text`. The text is
// rebuilt as one string: rows `first` .. `row` - 1, the new text, then the rows after `last`, taken
// one at a time as far as the cutting reads. Cutting stops as soon as a new row starts, past the new
// text, exactly where an old row with text, or an empty line, starts: a cut depends only on the text
// from its row's start (an empty row, also on whether a line starts there), so from there on the
// rows are the old ones.
class Rewrap {
 public:
  Rewrap(const TEditorScreenStrings& rows, const TLineWrapper& wrapper, int first, int row, int last,
         std::string_view text)
      : rows_(rows),
        wrapper_(wrapper),
        reach_(wrapper.WordWrap() ? wrapper.LookAhead() : std::string::npos),
        next_(last + 1) {
    for (int r = first; r < row; ++r) {
      t_ += rows_.Get(r);
      if (rows_.RowAttribute(r) == 0)
        t_ += kCrLf;
    }
    prefix_ = t_.size();
    t_ += text;
    editEnd_ = t_.size();
  }

  void Run() {
    std::size_t pos = 0;
    // The last row took the rest of its line: an empty row closes the line (or, with FollowRetMark,
    // that row does).
    bool lineOpen = false;
    for (;;) {
      if (pos >= editEnd_ && !(lineOpen && wrapper_.FollowRetMark()) && InStepAt(pos))
        return;
      const LineRest rest = RestAt(pos);
      const int lineEndAttribute = rest.breakLength > 0 ? 0 : 2;
      if (lineOpen) {
        lineOpen = false;
        pos += rest.breakLength;
        if (wrapper_.FollowRetMark()) {
          TRowAttributeStringList::SetItemAttribute(fresh_.back(), lineEndAttribute);
          ends_.back() = pos;
        } else {
          Emit({}, lineEndAttribute, pos);
        }
        if (rest.breakLength == 0)
          return;
        continue;
      }
      if (rest.text.empty() && rest.breakLength == 0)
        return;
      const TLineWrapper::Cut cut = wrapper_.NextRow(rest.text);
      if (cut.lastRow) {
        pos += rest.text.size() + rest.breakLength;
        Emit(rest.text, lineEndAttribute, pos);
        if (rest.breakLength == 0)
          return;
        continue;
      }
      pos += cut.length;
      Emit(rest.text.substr(0, cut.length), 1, pos);
      lineOpen = cut.length == rest.text.size();
    }
  }

  const std::vector<TzeStringItem>& NewRows() const { return fresh_; }
  std::vector<TzeStringItem> TakeNewRows() { return std::move(fresh_); }
  // The first old row kept: where the new rows fell into step, or the row count.
  int OldRowsEnd() const { return inStep_ >= 0 ? inStep_ : rows_.Count(); }
  // The new rows up to the first that ends at or past the new text.
  int RowsHoldingNewText() const {
    if (editEnd_ == 0)
      return 0;
    const auto at = std::lower_bound(ends_.begin(), ends_.end(), editEnd_) - ends_.begin();
    return static_cast<int>(std::min<std::ptrdiff_t>(at + 1, static_cast<std::ptrdiff_t>(ends_.size())));
  }
  // The text that the first `newRows` new rows replaced, given the text of the replaced rows.
  std::string OldText(const std::string& replaced, int newRows) const {
    std::string old = t_.substr(0, prefix_) + replaced;
    old.append(t_, editEnd_, CoveredEnd(newRows) - editEnd_);
    return old;
  }
  // Whether the first `newRows` new rows reach the end of the text.
  bool EndsTheText(int newRows) const { return CoveredEnd(newRows) == t_.size() && next_ >= rows_.Count(); }

 private:
  struct LineRest {
    std::string_view text;
    // 0 when no line break follows: the text ends here, or the rest is longer than a cut reads.
    std::size_t breakLength = 0;
  };

  std::size_t CoveredEnd(int newRows) const {
    return newRows == 0 ? editEnd_ : std::max(ends_[static_cast<std::size_t>(newRows - 1)], editEnd_);
  }

  void TakeOldRow() {
    oldStarts_.emplace_back(t_.size(), next_);
    t_ += rows_.Get(next_);
    if (rows_.RowAttribute(next_) == 0)
      t_ += kCrLf;
    ++next_;
  }

  // The rest of the logical line from `pos` (as much of it as a cut reads).
  LineRest RestAt(std::size_t pos) {
    for (std::size_t from = pos;;) {
      const auto end = std::find_if(t_.begin() + static_cast<std::ptrdiff_t>(from), t_.end(), IsLineBreak);
      if (end != t_.end()) {
        const auto at = static_cast<std::size_t>(end - t_.begin());
        return {std::string_view(t_).substr(pos, at - pos), LineBreakLength(t_, at)};
      }
      if (t_.size() - pos >= reach_ || next_ >= rows_.Count())
        return {std::string_view(t_).substr(pos), 0};
      from = t_.size();
      TakeOldRow();
    }
  }

  // Whether an old row starts at `pos` where the new rows would cut the same. A row with text does;
  // an empty row only where a logical line starts in both, old and new (an empty row may also close
  // a full row, which depends on that row).
  bool InStepAt(std::size_t pos) {
    while (oldHead_ < oldStarts_.size() && oldStarts_[oldHead_].first < pos)
      ++oldHead_;
    if (oldHead_ == oldStarts_.size() && next_ < rows_.Count() && t_.size() == pos)
      TakeOldRow();
    if (oldHead_ == oldStarts_.size() || oldStarts_[oldHead_].first != pos)
      return false;
    const int old = oldStarts_[oldHead_].second;
    const bool oldLineStart = old == 0 || rows_.RowAttribute(old - 1) != 1;
    if (!rows_.Get(old).empty() || (pos > 0 && IsLineBreak(t_[pos - 1]) && oldLineStart)) {
      inStep_ = old;
      return true;
    }
    return false;
  }

  void Emit(std::string_view text, int attribute, std::size_t end) {
    fresh_.push_back(MakeRow(text, attribute));
    ends_.push_back(end);
  }

  const TEditorScreenStrings& rows_;
  const TLineWrapper& wrapper_;
  std::size_t reach_;
  std::string t_;
  std::size_t prefix_ = 0;
  std::size_t editEnd_ = 0;
  // The next old row to take, and where each old row taken starts in t_.
  int next_;
  std::vector<std::pair<std::size_t, int>> oldStarts_;
  std::size_t oldHead_ = 0;
  // The new rows, and where in t_ the text after each (and its line break) starts.
  std::vector<TzeStringItem> fresh_;
  std::vector<std::size_t> ends_;
  int inStep_ = -1;
};

}  // namespace

const TClassInfo& TEditorStringList::StaticClass() {
  static const TClassInfo info("TEditorStringList", &Inherited::StaticClass());
  return info;
}

const TClassInfo& TEditorScreenStrings::StaticClass() {
  static const TClassInfo info("TEditorScreenStrings", &Inherited::StaticClass());
  return info;
}

TEditorScreenStrings::TEditorScreenStrings()
    : undo_(std::make_unique<TEditorUndoObj>(*this)), wrapOption_(std::make_unique<TEditorWrapOption>()) {
  wrapOption_->OnChange = TNotifyEvent::Of<&TEditorScreenStrings::WrapOptionChanged>(this);
  OnChange = TNotifyEvent::Of<&TEditorScreenStrings::RowsChanged>(this);
}

TEditorScreenStrings::~TEditorScreenStrings() {
  OnChange = {};
}

// ---------------------------------------------------------------------------------------------
// Attached editors

void TEditorScreenStrings::AddEditor(AttachedEditor& editor) {
  if (std::find(editors_.begin(), editors_.end(), &editor) == editors_.end())
    editors_.push_back(&editor);
}

void TEditorScreenStrings::RemoveEditor(AttachedEditor& editor) {
  std::erase(editors_, &editor);
}

AttachedEditor* TEditorScreenStrings::FocusedEditor() const {
  for (AttachedEditor* editor : editors_) {
    if (editor->Focused())
      return editor;
  }
  return FirstEditor();
}

void TEditorScreenStrings::RowsChanged(TObject* /*sender*/) {
  for (AttachedEditor* editor : editors_)
    editor->DoChange();
}

// The change has gone out: the record is spent, and no caret may stand past the rows.
void TEditorScreenStrings::Changed() {
  TEditorStringList::Changed();
  if (UpdateCount() == 0) {
    change_ = {};
    ClampEditors();
  }
}

void TEditorScreenStrings::ClampEditors() {
  int last = Count();
  if (last > 0 && RowAttribute(last - 1) == 2)
    --last;
  for (AttachedEditor* editor : editors_) {
    if (editor->Row() > last)
      editor->SetRow(last);
    if (editor->TopRow() > last)
      editor->SetTopRow(last);
  }
}

TFountain& TEditorScreenStrings::Fountain() {
  if (AttachedEditor* owner = FirstEditor())
    return owner->ActiveFountain();
  if (!ownFountain_)
    ownFountain_ = std::make_unique<TEditorFountain>();
  return *ownFountain_;
}

int TEditorScreenStrings::ScreenRows() const {
  const AttachedEditor* owner = FirstEditor();
  return owner ? std::max(owner->ScreenRows(), 1) : kDefaultScreenRows;
}

// ---------------------------------------------------------------------------------------------
// Rows

int TEditorScreenStrings::LineStart(int row) const {
  while (row > 0 && row <= Count() && RowAttribute(row - 1) == 1)
    --row;
  return row;
}

int TEditorScreenStrings::LineEnd(int row) const {
  if (row < 0)
    return row;
  while (row < Count() - 1 && RowAttribute(row) == 1)
    ++row;
  return row;
}

bool TEditorScreenStrings::IsLineStart(int row) const {
  return row == 0 || RowAttribute(row - 1) == 0;
}

TEditorScreenStrings::TRowsText TEditorScreenStrings::GetRowsText(int row, int count) const {
  TRowsText result;
  if (row < 0 || row >= Count())
    return result;
  int last = row + count - 1;
  if (count == -1) {
    last = row;
    while (last < Count() - 1 && RowAttribute(last) == 1)
      ++last;
  }
  last = std::min(last, Count() - 1);
  if (last < row)
    return result;
  std::size_t length = 0;
  for (int r = row; r <= last; ++r)
    length += Get(r).size() + (RowAttribute(r) == 0 ? kCrLf.size() : 0);
  result.Text.reserve(length);
  for (int r = row; r <= last; ++r) {
    result.Text += Get(r);
    if (RowAttribute(r) == 0)
      result.Text += kCrLf;
  }
  result.RowCount = last - row + 1;
  result.Kind = static_cast<uint8_t>(RowAttribute(last));
  return result;
}

void TEditorScreenStrings::SpliceRows(int row, int count, std::vector<TzeStringItem> items) {
  if (lineEndsValid_) {
    for (int r = row; r < row + count; ++r)
      lineEnds_ -= RowAttribute(r) != 1 ? 1 : 0;
    for (const TzeStringItem& item : items)
      lineEnds_ += ItemAttribute(item) != 1 ? 1 : 0;
  }
  splicing_ = true;
  try {
    SpliceItems(row, count, std::move(items));
  } catch (...) {
    splicing_ = false;
    lineEndsValid_ = false;
    throw;
  }
  splicing_ = false;
}

// Every change of the row array passes here: the line index is kept up to the first changed row,
// and a change that did not come through SpliceRows has the lines counted again.
void TEditorScreenStrings::ItemsChanged(int index, int removed, int inserted) {
  TEditorStringList::ItemsChanged(index, removed, inserted);
  if (!splicing_)
    lineEndsValid_ = false;
  if (index < scannedRows_) {
    lineStarts_.erase(std::lower_bound(lineStarts_.begin(), lineStarts_.end(), index), lineStarts_.end());
    scannedRows_ = index;
  }
}

int TEditorScreenStrings::DeleteRows(int row, int count) {
  std::vector<uint16_t> unused;
  return DeleteRowsKeepingMarks(row, count, unused);
}

int TEditorScreenStrings::DeleteRowsKeepingMarks(int row, int count, std::vector<uint16_t>& rowMarks) {
  if (row < 0 || row >= Count() || count <= 0)
    return 0;
  count = std::min(count, Count() - row);
  int marks = 0;
  for (int r = row; r < row + count; ++r)
    marks |= RowMarks(r);
  // Kept per row only when there is a mark to keep.
  rowMarks.clear();
  for (int r = row; r < row + count && marks != 0; ++r)
    rowMarks.push_back(static_cast<uint16_t>(RowMarks(r)));
  UpdateGuard<TzeStringList> batch(*this);
  SpliceRows(row, count, {});
  return marks;
}

void TEditorScreenStrings::ReplaceRows(int row, int count, TEditorStringList& source) {
  ReplaceRowItems(row, count, source.TakeItems());
}

// Marks follow the text: replaced rows hand theirs to the rows that take their place, and the
// marks of rows that go away join the first new row.
void TEditorScreenStrings::ReplaceRowItems(int row, int count, std::vector<TzeStringItem> items) {
  const int n = static_cast<int>(items.size());
  const auto give = [&](int from, int to) { SetItemMarks(items[static_cast<std::size_t>(to)], RowMarks(from)); };
  int gone = 0;
  if (count > n) {
    for (int r = row; r < row + count - n; ++r)
      gone |= RowMarks(r);
    for (int i = 0; i < n; ++i)
      give(row + count - n + i, i);
    if (n > 0)
      SetItemMarks(items.front(), ItemMarks(items.front()) | gone);
  } else if (count == n) {
    for (int i = 0; i < n; ++i)
      give(row + i, i);
  } else if (count > 0) {
    for (int r = row + 1; r < row + count; ++r)
      give(r, r - row + n - count);
    // Text put in before the row's start pushes the row, and its mark, down.
    const AttachedEditor* focused = FocusedEditor();
    give(row, focused && focused->Col() == 0 ? n - count : 0);
  }
  UpdateGuard<TzeStringList> batch(*this);
  SpliceRows(row, count, std::move(items));
  if (n == 0)
    ForgetMarks(gone);
}

void TEditorScreenStrings::ForgetMarks(int marks) {
  marks &= marksInUse_;
  if (marks == 0)
    return;
  int kept = 0;
  for (int r = 0; r < Count() && kept != marks; ++r)
    kept |= RowMarks(r) & marks;
  marksInUse_ = static_cast<uint16_t>(marksInUse_ & ~(marks & ~kept));
}

void TEditorScreenStrings::RestoreDeletedMarks(int row, const std::vector<uint16_t>& marks, uint16_t joined) {
  const int rows = static_cast<int>(marks.size());
  if (row < 0 || row + rows > Count())
    return;
  // The heir stood at `row` before the lines came back, or above them at the end of the text.
  const int heir = row + rows < Count() ? row + rows : row - 1;
  if (heir >= 0)
    SetRowMarks(heir, RowMarks(heir) & ~joined);
  for (int i = 0; i < rows; ++i) {
    SetRowMarks(row + i, RowMarks(row + i) | marks[static_cast<std::size_t>(i)]);
    SetMarksInUse(marks[static_cast<std::size_t>(i)]);
  }
}

void TEditorScreenStrings::PutRowMarks(int row, int marks) {
  if (row < 0 || row >= Count())
    return;
  const int old = RowMarks(row);
  SetRowMarks(row, marks);
  SetMarksInUse(marks);
  ForgetMarks(old & ~marks);
}

void TEditorScreenStrings::ClearMarksInUse(int bits) {
  marksInUse_ = static_cast<uint16_t>(marksInUse_ & ~bits);
}

void TEditorScreenStrings::SetMarksInUse(int bits) {
  marksInUse_ = static_cast<uint16_t>(marksInUse_ | bits);
}

// ---------------------------------------------------------------------------------------------
// Replacing text

bool TEditorScreenStrings::CanReplace(int row, int count, std::string_view text) const {
  return row >= 0 && count >= 0 && row <= Count() && count <= Count() - row && (count > 0 || !text.empty());
}

void TEditorScreenStrings::ReplaceText(int row, int count, std::string_view text) {
  if (!CanReplace(row, count, text))
    return;
  UpdateGuard<TzeStringList> batch(*this);
  TUndoData reverse;
  if (!ReplaceTextUnrecorded(row, count, text, reverse))
    return;
  // Still inside the batch: no editor has moved its caret since the change.
  undo_->AddUndo().TakeReplacement(std::move(reverse));
}

// Re-wrapping starts at the first row whose cut reads as far as the change and stops where the new
// rows fall back into step with the old ones (see Rewrap). The undo text covers only the new rows
// that hold new text, so a keystroke in a long wrapped line keeps a few rows' worth.
bool TEditorScreenStrings::ReplaceTextUnrecorded(int row, int count, std::string_view text, TUndoData& reverse) {
  if (!CanReplace(row, count, text))
    return false;
  UpdateGuard<TzeStringList> batch(*this);
  const int last = row + count - 1;

  if (text.empty() && IsLineStart(row) && (last == Count() - 1 || RowAttribute(last) == 0)) {
    // Whole logical lines go; their marks join the row that takes their place.
    TRowsText old = GetRowsText(row, count);
    reverse.StartRow = row;
    reverse.RowCount = 0;
    reverse.Kind = old.Kind;
    reverse.Text = std::move(old.Text);
    const int marks = DeleteRowsKeepingMarks(row, count, reverse.DeletedMarks);
    if (Count() == 0) {
      ForgetMarks(marks);
    } else {
      const int heir = std::min(row, Count() - 1);
      reverse.JoinedMarks = static_cast<uint16_t>(marks & ~RowMarks(heir));
      SetRowMarks(heir, RowMarks(heir) | marks);
    }
    const int states = UpdateRowStates(row, true);
    change_ = {row, count, 0, states, true};
    return true;
  }

  const TLineWrapper& wrapper = Wrapper();
  int first = row;
  if (!IsLineStart(row)) {
    // Rows above whose cut reads as far as the change are cut again.
    first = row - 1;
    std::size_t distance = Get(first).size();
    while (wrapper.WordWrap() && first > 0 && RowAttribute(first - 1) == 1 &&
           distance + Get(first - 1).size() < wrapper.LookAhead()) {
      --first;
      distance += Get(first).size();
    }
  }
  Rewrap rewrap(*this, wrapper, first, row, last, text);
  rewrap.Run();

  // The reverse replacement: the new rows up to the first that ends at or past the new text, and
  // the old text they stand for.
  const int covering = rewrap.RowsHoldingNewText();
  reverse.StartRow = first;
  reverse.RowCount = covering;
  reverse.Text = rewrap.OldText(GetRowsText(row, count).Text, covering);
  if (reverse.Text.empty())
    reverse.Kind = 3;
  else if (reverse.Text.ends_with(kCrLf))
    reverse.Kind = 0;
  else
    reverse.Kind = rewrap.EndsTheText(covering) ? 2 : 1;

  const int oldCount = rewrap.OldRowsEnd() - first;
  const auto newCount = static_cast<int32_t>(rewrap.NewRows().size());
  ReplaceRowItems(first, oldCount, rewrap.TakeNewRows());
  const int states = UpdateRowStates(first, true);
  change_ = {first, oldCount, newCount, states, true};
  return true;
}

// ---------------------------------------------------------------------------------------------
// Start states

int TEditorScreenStrings::UpdateRowStates(int row, bool report) {
  if (row < 0 || row >= Count())
    return 0;
  const auto parser = Fountain().CreateParser();
  RowStateChanged repaint;
  if (report) {
    repaint = [this](int changed) {
      for (AttachedEditor* editor : editors_)
        editor->InvalidateRow(changed);
    };
  }
  return vrel::UpdateRowStates(*this, *parser, row, row + ScreenRows() * 2, repaint);
}

void TEditorScreenStrings::InitRowStates() {
  const AttachedEditor* owner = FirstEditor();
  if ((owner && owner->Loading()) || Count() == 0)
    return;
  int limit = Count() - 1;
  if (!owner || !owner->InitBracketsFull())
    limit = std::min(limit, ScreenRows() * 2 + (owner ? owner->TopRow() : 0));
  const auto parser = Fountain().CreateParser();
  vrel::InitRowStates(*this, *parser, limit);
}

// ---------------------------------------------------------------------------------------------
// Wrapping

const TLineWrapper& TEditorScreenStrings::Wrapper() const {
  if (!wrapper_)
    wrapper_ = std::make_unique<TLineWrapper>(*wrapOption_, tabSpaceCount_, wordWrap_);
  return *wrapper_;
}

// One row per logical line, or its wrapped rows; a text not ending with a line break leaves its last
// row with attribute 2.
std::vector<TzeStringItem> TEditorScreenStrings::RowsOfText(std::string_view text) const {
  std::vector<TzeStringItem> items;
  items.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  const TLineWrapper& wrapper = Wrapper();
  const auto emit = [&items](std::string_view row, int attribute) { items.push_back(MakeRow(row, attribute)); };
  LineBreakFinder breaks(text);
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = breaks.Next(pos);
    wrapper.WrapLine(text.substr(pos, end - pos), emit);
    pos = end < text.size() ? end + LineBreakLength(text, end) : end;
  }
  if (!text.empty() && !IsLineBreak(text.back()))
    SetItemAttribute(items.back(), 2);
  return items;
}

void TEditorScreenStrings::WrapRows(std::string_view text, TEditorStringList& dest) const {
  UpdateGuard<TzeStringList> batch(dest);
  dest.Clear();
  std::vector<TzeStringItem> items = RowsOfText(text);
  if (items.empty())
    items.push_back(MakeRow({}, 0));
  SetItemAttribute(items.back(), ItemAttribute(items.back()) == 2 ? 0 : ItemAttribute(items.back()));
  dest.SpliceItems(0, 0, std::move(items));
}

int TEditorScreenStrings::WrapString(std::string_view line) const {
  return Wrapper().RowCount(line);
}

void TEditorScreenStrings::RebuildLines(const LineRebuilder& rebuild) {
  if (Count() == 0)
    return;
  for (AttachedEditor* editor : editors_)
    editor->CancelSelection();
  DisconnectedChange quiet(*this);
  UpdateGuard<TzeStringList> batch(*this);
  const int lastAttribute = RowAttribute(Count() - 1);
  std::vector<TzeStringItem> items;
  items.reserve(static_cast<std::size_t>(Count()));
  std::string line;
  for (int first = 0; first < Count();) {
    const int last = LineEnd(first);
    line.clear();
    int marks = 0;
    for (int r = first; r <= last; ++r) {
      line += Get(r);
      marks |= RowMarks(r);
    }
    rebuild(line, first, last, marks, items);
    first = last + 1;
  }
  // The text still ends as it did: with a line break or without (a wrapped last row has none).
  SetItemAttribute(items.back(), lastAttribute == 1 ? 2 : lastAttribute);
  SpliceRows(0, Count(), std::move(items));
}

// Each logical line is wrapped again; its marks stay on its rows from the top, and the marks of rows
// it no longer needs join its last row.
void TEditorScreenStrings::RewrapAll() {
  const AttachedEditor* owner = FirstEditor();
  if (owner && owner->Loading())
    return;
  const TLineWrapper& wrapper = Wrapper();
  RebuildLines([this, &wrapper](std::string_view line, int first, int last, int /*marks*/,
                                std::vector<TzeStringItem>& items) {
    const std::size_t start = items.size();
    wrapper.WrapLine(line, [&items](std::string_view row, int attribute) { items.push_back(MakeRow(row, attribute)); });
    const int newRows = static_cast<int>(items.size() - start);
    for (int r = first; r <= last; ++r) {
      TzeStringItem& item = items[start + static_cast<std::size_t>(std::min(r - first, newRows - 1))];
      SetItemMarks(item, ItemMarks(item) | RowMarks(r));
    }
  });
}

// Each logical line becomes one row carrying the marks of all its rows.
void TEditorScreenStrings::Unwrap() {
  RebuildLines([](std::string_view line, int, int, int marks, std::vector<TzeStringItem>& items) {
    items.push_back(MakeRow(line, 0));
    SetItemMarks(items.back(), marks);
  });
}

void TEditorScreenStrings::ReflowAll(bool wrap) {
  wrapper_.reset();
  const AttachedEditor* owner = FirstEditor();
  if (owner && owner->Loading())
    return;
  undo_->Clear();
  if (wrap)
    RewrapAll();
  else
    Unwrap();
  InitRowStates();
  for (AttachedEditor* editor : editors_)
    editor->RefreshView();
  ClampEditors();
  for (AttachedEditor* editor : editors_)
    editor->SetCol(0);
}

void TEditorScreenStrings::SetWordWrap(bool value) {
  if (value == wordWrap_)
    return;
  wordWrap_ = value;
  ReflowAll(value);
}

void TEditorScreenStrings::WrapOptionChanged(TObject* /*sender*/) {
  wrapper_.reset();
  if (wordWrap_)
    ReflowAll(true);
}

void TEditorScreenStrings::SetTabSpaceCount(int value) {
  value = std::max(1, value);
  if (value == tabSpaceCount_)
    return;
  tabSpaceCount_ = value;
  wrapper_.reset();
  if (wordWrap_)
    ReflowAll(true);
}

// ---------------------------------------------------------------------------------------------
// The whole text

void TEditorScreenStrings::Clear() {
  for (AttachedEditor* editor : editors_)
    editor->CancelSelection();
  undo_->Clear();
  change_ = {0, Count(), 0, 0, true};
  TEditorStringList::Clear();
  change_ = {};
  for (AttachedEditor* editor : editors_) {
    editor->SetRow(0);
    editor->SetCol(0);
  }
  marksInUse_ = 0;
}

void TEditorScreenStrings::Undo() {
  undo_->Undo();
}

void TEditorScreenStrings::Redo() {
  undo_->Redo();
}

std::string TEditorScreenStrings::Text() const {
  return Count() == 0 ? std::string() : GetRowsText(0, Count()).Text;
}

void TEditorScreenStrings::SetText(std::string text, std::optional<std::size_t> lineBreaks) {
  UpdateGuard<TzeStringList> batch(*this);
  Clear();
  const AttachedEditor* owner = FirstEditor();
  if (wordWrap_ && !(owner && owner->Loading())) {
    SpliceRows(0, 0, RowsOfText(text));
  } else {
    // A row per line, made as the rows are reached (wrapped when the owner has loaded); each ends a
    // line.
    TzeStringItem last;
    SetItemAttribute(last, !text.empty() && !IsLineBreak(text.back()) ? 2 : 0);
    TakeLines(std::move(text), 0, last.StateWord, lineBreaks);
    lineEnds_ = Count();
    lineEndsValid_ = true;
  }
  InitRowStates();
}

// ---------------------------------------------------------------------------------------------
// Lines and positions

void TEditorScreenStrings::ScanLines(int rows) const {
  rows = std::min(rows, Count());
  for (int r = scannedRows_; r < rows; ++r) {
    if (r == 0 || RowAttribute(r - 1) != 1)
      lineStarts_.push_back(r);
  }
  scannedRows_ = std::max(scannedRows_, rows);
}

int TEditorScreenStrings::LineCount() const {
  if (!lineEndsValid_) {
    lineEnds_ = 0;
    for (int r = 0; r < Count(); ++r)
      lineEnds_ += RowAttribute(r) != 1 ? 1 : 0;
    lineEndsValid_ = true;
  }
  return lineEnds_ + (Count() > 0 && RowAttribute(Count() - 1) == 1 ? 1 : 0);
}

int TEditorScreenStrings::LineToRow(int line) const {
  if (line < 1)
    return 0;
  while (static_cast<int>(lineStarts_.size()) <= line && scannedRows_ < Count())
    ScanLines(std::min(Count(), scannedRows_ + 4096));
  return line < static_cast<int>(lineStarts_.size()) ? lineStarts_[static_cast<std::size_t>(line)] : Count();
}

int TEditorScreenStrings::RowToLine(int row) const {
  if (row <= 0)
    return 0;
  ScanLines(row + 1);
  return static_cast<int>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), row) - lineStarts_.begin()) - 1;
}

int TEditorScreenStrings::CellColumn(int row, int byteIndex) const {
  if (row < 0 || row >= Count() || byteIndex <= 0)
    return 0;
  const std::string& text = Get(row);
  const std::string_view head = std::string_view(text).substr(0, static_cast<std::size_t>(byteIndex));
  const int wrapByte = wordWrap_ ? wrapOption_->WrapByte() : 0;
  return static_cast<int>(CellString(head, tabSpaceCount_, wrapByte, head.size() * 8 + 8).size());
}

TRowPosition TEditorScreenStrings::PositionAt(int row, int64_t offset) const {
  row = std::max(row, 0);
  int64_t rest = std::max<int64_t>(offset, 0);
  for (; row < Count(); ++row) {
    const auto length = static_cast<int64_t>(Get(row).size());
    const int attribute = RowAttribute(row);
    // The end of a wrapped row is the start of the next: the caret never stands after its last byte.
    if (rest < length || (rest == length && attribute != 1) || attribute == 2)
      return {row, static_cast<int>(std::min(rest, length))};
    rest = std::max<int64_t>(rest - length - (attribute == 0 ? 2 : 0), 0);
  }
  return {Count(), 0};
}

}  // namespace vrel
