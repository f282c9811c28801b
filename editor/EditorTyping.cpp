// The editor core's typing: characters and text (from the keyboard or an input method), Tab, Enter
// with its automatic indent, Backspace with its unindent, and Delete. Each is one replacement of
// display rows, so one undo step puts it back.

#include <algorithm>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr unsigned char kWideSpaceLead = 0x81;
constexpr unsigned char kWideSpaceTrail = 0x40;

bool IsWideSpaceAt(std::string_view text, std::size_t i) {
  return i + 1 < text.size() && static_cast<unsigned char>(text[i]) == kWideSpaceLead &&
         static_cast<unsigned char>(text[i + 1]) == kWideSpaceTrail;
}

// The bytes of the leading blanks (space, tab, full-width space).
std::size_t LeadingBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t')
      ++i;
    else if (IsWideSpaceAt(text, i))
      i += 2;
    else
      break;
  }
  return i;
}

// The start of the character that ends before byte `end`.
std::size_t PreviousCharStart(std::string_view text, std::size_t end) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < end; i += CharLength(text, i))
    start = i;
  return start;
}

// `text` without the cells from .. to - 1: characters inside go; a tab cut by either end leaves
// the spaces that keep the columns outside the range where they were. `at` receives the byte where
// the range started in the result.
std::string WithoutCells(std::string_view text, const CellLayout& layout, int from, int to, std::size_t& at) {
  std::string out;
  at = std::string::npos;
  int cell = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    const bool tab = length == 1 && text[i] == '\t';
    const int width =
        tab ? static_cast<int>(TabStopWidth(static_cast<std::size_t>(cell), layout)) : static_cast<int>(length);
    const int end = cell + width;
    if (at == std::string::npos && end > from)
      at = out.size() + (tab && cell < from ? static_cast<std::size_t>(from - cell) : 0);
    if (end <= from || cell >= to) {
      out.append(text.substr(i, length));
    } else if (tab) {
      out.append(static_cast<std::size_t>(std::max(0, from - cell)), ' ');
      out.append(static_cast<std::size_t>(std::max(0, end - to)), ' ');
    } else if (cell < from || end > to) {
      out.append(text.substr(i, length));
    }
    cell = end;
    i += length;
  }
  if (at == std::string::npos)
    at = out.size();
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Characters and text

bool EditorCore::TypeUnicode(std::string_view utf8, TShiftState shift) {
  if (utf8.empty())
    return true;
  if (!Utf8FitsCp932(utf8)) {
    // A '?' in place of what was typed would change the text behind the user's back.
    if (OnUnmappableText)
      OnUnmappableText(std::string(utf8));
    return false;
  }
  KeyPress(Utf8ToCp932(utf8), shift);
  return true;
}

void EditorCore::KeyPress(std::string_view text, TShiftState shift) {
  if (readOnly_ || text.empty() || dragState_ != dsNone || (window_ && window_->LeftButtonDown()))
    return;
  const bool plain = !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
  if (text.size() == 1) {
    switch (text[0]) {
      case '\b':
        if (plain)
          BackSpace();
        return;
      case '\t':
        if (wantTabs_ && plain && !shift.Contains(ssShift))
          TypeTab();
        return;
      case '\r':
        if (plain)
          Enter(shift.Contains(ssShift));
        return;
      default:
        break;
    }
  }
  // Other control characters are keys of their own, not text.
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F)
      return;
  }
  if (imePending_) {
    keyRepeat_ = false;
    MoveIme();
  }
  InsertText(text);
}

void EditorCore::TypeTab() {
  const int tab = rows_->TabSpaceCount();
  int spaces = tab - col_ % tab;
  if (rows_->WordWrap()) {
    const int wrap = rows_->WrapOption()->WrapByte();
    spaces = std::min(spaces, wrap - col_ % wrap);
  }
  InsertText(caret_->SoftTab() ? std::string(static_cast<std::size_t>(spaces), ' ') : std::string("\t"));
}

// ---------------------------------------------------------------------------------------------
// Indent

int EditorCore::IndentWidth(int row) const {
  if (row < 0 || row >= rows_->Count())
    return -1;
  const std::string& text = rows_->Get(row);
  if (text.empty())
    return -1;
  return vrel::TextCellWidth(std::string_view(text).substr(0, LeadingBlanks(text)), Layout());
}

std::string EditorCore::IndentText(int width) const {
  if (width <= 0)
    return {};
  if (!caret_->TabIndent())
    return std::string(static_cast<std::size_t>(width), ' ');
  const int tab = rows_->TabSpaceCount();
  std::string text(static_cast<std::size_t>(width / tab), '\t');
  text.append(static_cast<std::size_t>(width % tab), ' ');
  return text;
}

// The indent a new line gets from the caret's line.
int EditorCore::NewLineIndent() const {
  if (!caret_->AutoIndent())
    return 0;
  const int first = rows_->LineStart(row_);
  const int width = IndentWidth(first);
  if (width < 1 && caret_->PrevSpaceIndent() && row_ == first && rows_->Get(row_).empty()) {
    // An empty line takes the indent of the nearest line above with text.
    for (int r = first - 1; r >= 0; --r) {
      r = rows_->LineStart(r);
      if (!rows_->Get(r).empty())
        return std::max(0, IndentWidth(r));
    }
    return 0;
  }
  if (row_ == first && col_ < width)
    return col_;
  return std::max(0, width);
}

// ---------------------------------------------------------------------------------------------
// Enter, Backspace, Delete

void EditorCore::ReplaceCaretRow(std::string text, std::size_t caretByte) {
  if (rows_->RowAttribute(row_) == 0)
    text += kCrLf;
  const int anchor = rows_->LineStart(row_);
  ReplaceAndPlace(row_, 1, text, anchor, OffsetOf(anchor, row_, 0) + static_cast<int64_t>(caretByte));
}

bool EditorCore::DeletingKeyTakesSelection() {
  if (selState_ == sstSelected) {
    DeleteSelection();
    return true;
  }
  if (selState_ == sstHit)
    CancelSelection();
  return false;
}

void EditorCore::Enter(bool shift) {
  if (readOnly_)
    return;
  if (selState_ == sstSelected) {
    if (shift)
      return;
    DeleteSelection();
  }
  if (selState_ == sstHit)
    CancelSelection();
  const int count = rows_->Count();
  if (row_ >= count) {
    ReplaceAndPlace(count, 0, kCrLf, count, static_cast<int64_t>(kCrLf.size()));
    return;
  }
  const int first = rows_->LineStart(row_);
  const std::string indent = IndentText(NewLineIndent());
  if (shift) {
    // A new line above the caret's line.
    std::string line = indent;
    line += kCrLf;
    ReplaceAndPlace(first, 0, line, first, static_cast<int64_t>(indent.size()));
    return;
  }
  const std::string& text = rows_->Get(row_);
  const auto byte = static_cast<std::size_t>(CaretByte());
  std::string split = text.substr(0, byte);
  split += kCrLf;
  split += indent;
  split += std::string_view(text).substr(byte);
  ReplaceCaretRow(std::move(split), byte + kCrLf.size() + indent.size());
}

void EditorCore::BackSpace() {
  if (readOnly_ || DeletingKeyTakesSelection())
    return;
  const int count = rows_->Count();
  if (count == 0)
    return;
  const bool onRow = row_ < count;
  const std::string text = onRow ? rows_->Get(row_) : std::string();
  const std::string cells = RowCells(row_);
  const int cellCount = static_cast<int>(cells.size());
  const bool inFill = col_ < cellCount && cells[static_cast<std::size_t>(col_)] == '3';
  const int byte = CaretByteIndexPastEnd(cells, col_);

  if (byte == 0 && !inFill) {
    if (row_ == 0)
      return;
    const int above = row_ - 1;
    const std::string up = rows_->Get(above);
    const int anchor = rows_->LineStart(above);
    if (rows_->RowAttribute(above) == 1) {
      // No line break between the rows: the last character of the row above goes.
      const std::size_t start = PreviousCharStart(up, up.size());
      ReplaceAndPlace(above, 1, std::string_view(up).substr(0, start), anchor,
                      OffsetOf(anchor, above, static_cast<int>(start)));
      return;
    }
    std::string joined = up + text;
    if (onRow && rows_->RowAttribute(row_) == 0)
      joined += kCrLf;
    ReplaceAndPlace(above, onRow ? 2 : 1, joined, anchor, OffsetOf(anchor, above, static_cast<int>(up.size())));
    return;
  }

  if (caret_->BackSpaceUnIndent() && (LeadingBlanks(text) == text.size() || col_ == IndentWidth(onRow ? row_ : -1))) {
    UnIndent(text, cellCount);
    return;
  }
  if (col_ > cellCount) {
    SetCol(col_ - 1);
    return;
  }
  // The character before the caret; in a tab's fill the caret stands on the tab itself.
  const auto end = static_cast<std::size_t>(byte);
  const std::size_t start = inFill ? end : PreviousCharStart(text, end);
  const std::size_t length = inFill ? 1 : end - start;
  std::string edited = text;
  edited.erase(start, length);
  ReplaceCaretRow(std::move(edited), start);
}

// Backspace in an indent: back to the indent of the rows above that is less than the caret's column.
void EditorCore::UnIndent(const std::string& text, int cellCount) {
  int newCol = 0;
  if (row_ > 0) {
    const int first = rows_->LineStart(std::min(row_, rows_->Count()));
    int r = row_ - 1;
    for (;; --r) {
      const int indent = IndentWidth(r);
      if (r > first ? (indent > 0 && indent < col_) : std::max(indent, 0) < col_)
        break;
      if (r == 0)
        break;
    }
    const int indent = std::max(IndentWidth(r), 0);
    newCol = indent < col_ ? indent : 0;
  }
  if (cellCount <= newCol) {
    SetCol(newCol);
    return;
  }
  std::size_t at = 0;
  std::string edited = WithoutCells(text, Layout(), newCol, std::min(col_, cellCount), at);
  ReplaceCaretRow(std::move(edited), at);
}

void EditorCore::DeleteKey() {
  if (readOnly_ || DeletingKeyTakesSelection())
    return;
  const int count = rows_->Count();
  if (row_ >= count)
    return;
  std::string text = rows_->Get(row_);
  const std::string cells = RowCells(row_);
  const bool inFill = col_ < static_cast<int>(cells.size()) && cells[static_cast<std::size_t>(col_)] == '3';
  const auto byte = static_cast<std::size_t>(CaretByteIndexPastEnd(cells, col_));
  if (byte >= text.size() && !inFill) {
    // At the row's end the line break goes: the next row joins this one (padded up to the caret).
    if (rows_->RowAttribute(row_) == 2)
      return;
    const int anchor = rows_->LineStart(row_);
    const int64_t offset = OffsetOf(anchor, row_, static_cast<int>(byte));
    text.append(byte - text.size(), ' ');
    if (row_ == count - 1) {
      ReplaceAndPlace(row_, 1, text, anchor, offset);
      return;
    }
    text += rows_->Get(row_ + 1);
    if (rows_->RowAttribute(row_ + 1) == 0)
      text += kCrLf;
    ReplaceAndPlace(row_, 2, text, anchor, offset);
    return;
  }
  text.erase(byte, inFill ? 1 : CharLength(text, byte));
  ReplaceCaretRow(std::move(text), byte);
}

}  // namespace vrel
