// The editor core's typing edits: Tab, Enter with its automatic indent, Backspace with its unindent,
// and Delete. Each is one replacement of display rows, so one undo step puts it back.

#include <algorithm>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/zeUtils.h"

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
// Tab

void EditorCore::TypeTab() {
  const int col = selection_.Col();
  const int tab = rows_->TabSpaceCount();
  int spaces = tab - col % tab;
  if (rows_->WordWrap()) {
    const int wrap = rows_->WrapOption()->WrapByte();
    spaces = std::min(spaces, wrap - col % wrap);
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
  const int row = selection_.Row();
  const int col = selection_.Col();
  const int first = rows_->LineStart(row);
  const int width = IndentWidth(first);
  if (width < 1 && caret_->PrevSpaceIndent() && row == first && rows_->Get(row).empty()) {
    // An empty line takes the indent of the nearest line above with text.
    for (int r = first - 1; r >= 0; --r) {
      r = rows_->LineStart(r);
      if (!rows_->Get(r).empty())
        return std::max(0, IndentWidth(r));
    }
    return 0;
  }
  if (row == first && col < width)
    return col;
  return std::max(0, width);
}

// ---------------------------------------------------------------------------------------------
// Enter, Backspace, Delete

void EditorCore::ReplaceCaretRow(std::string text, std::size_t caretByte) {
  const int row = selection_.Row();
  if (rows_->RowAttribute(row) == 0)
    text += kCrLf;
  const int anchor = rows_->LineStart(row);
  ReplaceAndPlace(row, 1, text, anchor, OffsetOf(anchor, row, 0) + static_cast<int64_t>(caretByte));
}

bool EditorCore::DeletingKeyTakesSelection() {
  if (selection_.Selected()) {
    DeleteSelection();
    return true;
  }
  if (selection_.SelectionState() == sstHit)
    CancelSelection();
  return false;
}

void EditorCore::Enter(bool shift) {
  if (readOnly_)
    return;
  if (selection_.Selected()) {
    if (shift)
      return;
    DeleteSelection();
  }
  if (selection_.SelectionState() == sstHit)
    CancelSelection();
  const int row = selection_.Row();
  const int count = rows_->Count();
  if (row >= count) {
    ReplaceAndPlace(count, 0, kCrLf, count, static_cast<int64_t>(kCrLf.size()));
    return;
  }
  const int first = rows_->LineStart(row);
  const std::string indent = IndentText(NewLineIndent());
  if (shift) {
    // A new line above the caret's line.
    std::string line = indent;
    line += kCrLf;
    ReplaceAndPlace(first, 0, line, first, static_cast<int64_t>(indent.size()));
    return;
  }
  const std::string& text = rows_->Get(row);
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
  const int row = selection_.Row();
  const int col = selection_.Col();
  const int count = rows_->Count();
  if (count == 0)
    return;
  const bool onRow = row < count;
  const std::string text = onRow ? rows_->Get(row) : std::string();
  const std::string cells = RowCells(row);
  const int cellCount = static_cast<int>(cells.size());
  const bool inFill = col < cellCount && cells[static_cast<std::size_t>(col)] == '3';
  const int byte = CaretByteIndexPastEnd(cells, col);

  if (byte == 0 && !inFill) {
    if (row == 0)
      return;
    const int above = row - 1;
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
    if (onRow && rows_->RowAttribute(row) == 0)
      joined += kCrLf;
    ReplaceAndPlace(above, onRow ? 2 : 1, joined, anchor, OffsetOf(anchor, above, static_cast<int>(up.size())));
    return;
  }

  if (caret_->BackSpaceUnIndent() && (LeadingBlanks(text) == text.size() || col == IndentWidth(onRow ? row : -1))) {
    UnIndent(text, cellCount);
    return;
  }
  if (col > cellCount) {
    SetCol(col - 1);
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
  const int row = selection_.Row();
  const int col = selection_.Col();
  int newCol = 0;
  if (row > 0) {
    const int first = rows_->LineStart(std::min(row, rows_->Count()));
    int r = row - 1;
    for (;; --r) {
      const int indent = IndentWidth(r);
      if (r > first ? (indent > 0 && indent < col) : std::max(indent, 0) < col)
        break;
      if (r == 0)
        break;
    }
    const int indent = std::max(IndentWidth(r), 0);
    newCol = indent < col ? indent : 0;
  }
  if (cellCount <= newCol) {
    SetCol(newCol);
    return;
  }
  std::size_t at = 0;
  std::string edited = WithoutCells(text, Layout(), newCol, std::min(col, cellCount), at);
  ReplaceCaretRow(std::move(edited), at);
}

void EditorCore::DeleteKey() {
  if (readOnly_ || DeletingKeyTakesSelection())
    return;
  const int row = selection_.Row();
  const int col = selection_.Col();
  const int count = rows_->Count();
  if (row >= count)
    return;
  std::string text = rows_->Get(row);
  const std::string cells = RowCells(row);
  const bool inFill = col < static_cast<int>(cells.size()) && cells[static_cast<std::size_t>(col)] == '3';
  const auto byte = static_cast<std::size_t>(CaretByteIndexPastEnd(cells, col));
  if (byte >= text.size() && !inFill) {
    // At the row's end the line break goes: the next row joins this one (padded up to the caret).
    if (rows_->RowAttribute(row) == 2)
      return;
    const int anchor = rows_->LineStart(row);
    const int64_t offset = OffsetOf(anchor, row, static_cast<int>(byte));
    text.append(byte - text.size(), ' ');
    if (row == count - 1) {
      ReplaceAndPlace(row, 1, text, anchor, offset);
      return;
    }
    text += rows_->Get(row + 1);
    if (rows_->RowAttribute(row + 1) == 0)
      text += kCrLf;
    ReplaceAndPlace(row, 2, text, anchor, offset);
    return;
  }
  text.erase(byte, inFill ? 1 : CharLength(text, byte));
  ReplaceCaretRow(std::move(text), byte);
}

}  // namespace vrel
