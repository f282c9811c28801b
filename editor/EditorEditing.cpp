// The editor core's edits that this control makes itself (typed text, inserting and deleting the
// selection, moving or copying it by dragging, box pasting) and the clipboard. Every edit is one
// replacement of display rows, so one undo step puts it back.

#include <algorithm>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The lines of a text: CR LF, CR and LF each end one; a break at the very end starts no line.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  LineBreakFinder breaks(text);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = breaks.Next(pos);
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
      ++pos;
    if (pos < text.size() && text[pos] == '\n')
      ++pos;
  }
  return lines;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Replacing rows

void EditorCore::ReplaceAndPlace(int first, int count, std::string_view text, int anchor, int64_t offset) {
  HideCaretNested();
  BeginCaretMove();
  rows_->ReplaceText(first, count, text);
  PlaceCaretAtOffset(anchor, offset);
  EndCaretMove();
  ShowCaretNested();
}

// The rows of the selection as one text with the selected part taken out, `insert` put in its
// place; `at` receives where the insertion starts in that text.
EditorCore::Splice EditorCore::SelectionRemoved(std::string_view insert) const {
  Splice splice;
  if (selection_.SelectionMode() == smBox) {
    const auto bytes = selection_.BoxBytes();
    const TSelectionCells& box = selection_.SelectionCells();
    splice.First = box.TopRow;
    splice.Last = splice.First + static_cast<int>(bytes.size()) - 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const int row = splice.First + static_cast<int>(i);
      std::string text = rows_->Get(row);
      text.erase(static_cast<std::size_t>(bytes[i].first), static_cast<std::size_t>(bytes[i].second - bytes[i].first));
      if (i == 0) {
        // Typing into a box that starts past the row's end starts there, as it would without one.
        const int cells = vrel::TextCellWidth(text, Layout());
        std::size_t at = static_cast<std::size_t>(bytes[i].first);
        if (at >= text.size() && box.LeftCol > cells) {
          text.append(static_cast<std::size_t>(box.LeftCol - cells), ' ');
          at = text.size();
        }
        text.insert(at, insert);
        splice.At = static_cast<int64_t>(splice.Text.size() + at);
      }
      splice.Text += text;
      if (rows_->RowAttribute(row) == 0)
        splice.Text += kCrLf;
    }
    return splice;
  }
  const TSelectionBytes& b = selection_.SelectionBytes();
  splice.First = b.StartRow;
  splice.Last = std::min(b.EndRow, rows_->Count() - 1);
  std::string block = selection_.RowsText(splice.First, splice.Last);
  const auto start = std::min(static_cast<std::size_t>(b.StartByte), block.size());
  const auto end =
      std::clamp(static_cast<std::size_t>(OffsetOf(b.StartRow, b.EndRow, b.EndByte + 1)), start, block.size());
  block.replace(start, end - start, insert);
  splice.Text = std::move(block);
  splice.At = static_cast<int64_t>(start);
  return splice;
}

void EditorCore::InsertText(std::string_view given) {
  // Other programs break lines with LF alone; the caret's place counts every break as CR LF.
  const std::string text = WithCrLfBreaks(given);
  if (readOnly_)
    return;
  if (text.empty()) {
    if (selection_.Selected())
      DeleteSelection();
    else if (selection_.SelectionState() == sstHit)
      CancelSelection();
    return;
  }
  if (selection_.SelectionState() == sstHit)
    CancelSelection();
  if (selection_.Selected()) {
    const Splice splice = SelectionRemoved(text);
    const int anchor = rows_->LineStart(splice.First);
    const int64_t before = OffsetOf(anchor, splice.First, 0);
    CancelSelection();
    ReplaceAndPlace(splice.First, splice.Last - splice.First + 1, splice.Text, anchor,
                    before + splice.At + static_cast<int64_t>(text.size()));
    return;
  }
  const int count = rows_->Count();
  const int caretRow = selection_.Row();
  const int caretCol = selection_.Col();
  if (caretRow >= count) {
    // The place after the last line break: a new last line, padded up to a free caret.
    std::string line(static_cast<std::size_t>(caretCol), ' ');
    line += text;
    ReplaceAndPlace(count, 0, line, count, static_cast<int64_t>(line.size()));
    return;
  }
  std::string row = rows_->Get(caretRow);
  // Past the row's end the row is padded with spaces up to the caret.
  const auto byte = static_cast<std::size_t>(CaretByteIndexPastEnd(RowCells(caretRow), caretCol));
  if (byte >= row.size()) {
    row.append(byte - row.size(), ' ');
    row += text;
  } else {
    row.insert(byte, text);
  }
  ReplaceCaretRow(std::move(row), byte + text.size());
}

void EditorCore::DeleteSelection() {
  if (readOnly_ || !selection_.Selected())
    return;
  const Splice splice = SelectionRemoved({});
  const int anchor = rows_->LineStart(splice.First);
  const int64_t before = OffsetOf(anchor, splice.First, 0);
  const bool box = selection_.SelectionMode() == smBox;
  const int leftCol = selection_.SelectionCells().LeftCol;
  CancelSelection();
  BeginCaretMove();
  ReplaceAndPlace(splice.First, splice.Last - splice.First + 1, splice.Text, anchor, before + splice.At);
  if (box && selection_.Row() == splice.First)
    SetCol(leftCol);
  EndCaretMove();
}

// A box of lines put in at a column, one line per row from the caret's (or the selection's) row.
void EditorCore::InsertBox(std::string_view given) {
  const std::string text = WithCrLfBreaks(given);
  if (readOnly_)
    return;
  if (text.empty()) {
    if (selection_.Selected())
      DeleteSelection();
    return;
  }
  if (selection_.SelectionState() == sstHit)
    CancelSelection();
  const std::vector<std::string> lines = SplitLines(text);
  const int count = rows_->Count();
  struct Row {
    std::string text;
    int attribute = 0;
  };
  std::vector<Row> block;
  int first = selection_.Row();
  int col = selection_.Col();
  int nextOld = first;
  if (selection_.Selected()) {
    // The selection comes out of its rows first, in the same replacement.
    col = selection_.SelectionCells().LeftCol;
    const Splice splice = SelectionRemoved({});
    first = splice.First;
    nextOld = splice.Last + 1;
    std::string_view rest = splice.Text;
    for (int r = splice.First; r <= splice.Last && !rest.empty();) {
      // Split the spliced text back into rows at its line breaks (and at the wrapped rows' ends,
      // which the splice joined without one).
      const std::size_t brk = rest.find(kCrLf);
      const std::string_view piece = rest.substr(0, brk);
      block.push_back({std::string(piece), brk == std::string_view::npos ? rows_->RowAttribute(splice.Last) : 0});
      rest = brk == std::string_view::npos ? std::string_view() : rest.substr(brk + 2);
      ++r;
    }
    CancelSelection();
  }
  const int last = first + static_cast<int>(lines.size()) - 1;
  while (first + static_cast<int>(block.size()) <= last && nextOld < count) {
    block.push_back({rows_->Get(nextOld), rows_->RowAttribute(nextOld)});
    ++nextOld;
  }
  const int oldRows = nextOld - first;
  // Rows past the old last row are new; the text keeps its ending (with or without a final break).
  const bool endsWithBreak = count > 0 && rows_->RowAttribute(count - 1) != 2;
  while (first + static_cast<int>(block.size()) <= last) {
    if (!block.empty() && block.back().attribute == 2)
      block.back().attribute = 0;
    block.push_back({{}, endsWithBreak ? 0 : 2});
  }
  const CellLayout layout = Layout();
  std::string replacement;
  int64_t caretOffset = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    std::string& row = block[i].text;
    if (i < lines.size()) {
      const std::string& line = lines[i];
      const std::string cells = vrel::RowCells(row, layout);
      std::size_t at = 0;
      const int width = vrel::TextCellWidth(row, layout);
      if (width < col) {
        row.append(static_cast<std::size_t>(col - width), ' ');
        at = row.size();
      } else {
        at = static_cast<std::size_t>(ByteAtOrAfterCell(cells, row.size(), col));
      }
      row.insert(at, line);
      if (i + 1 == lines.size())
        caretOffset = static_cast<int64_t>(replacement.size() + at + line.size());
    }
    replacement += row;
    if (block[i].attribute == 0)
      replacement += kCrLf;
  }
  const int anchor = first < count ? rows_->LineStart(first) : first;
  const int64_t before = OffsetOf(anchor, first, 0);
  ReplaceAndPlace(first, oldRows, replacement, anchor, before + caretOffset);
}

// Moves the selected text to (row, col) in one replacement of the rows from the first to the last
// that the selection or the drop point touches.
void EditorCore::MoveSelection(int row, int col) {
  if (!CanSelDrag() || IsInSelection(row, col))
    return;
  const TSelectionBytes& b = selection_.SelectionBytes();
  const int count = rows_->Count();
  const int dropRow = std::min(row, count);
  const int first = rows_->LineStart(std::min(b.StartRow, std::max(0, std::min(dropRow, count - 1))));
  const int last = std::min(std::max(b.EndRow, dropRow), count - 1);
  std::string block = selection_.RowsText(first, last);
  int64_t start = OffsetOf(first, b.StartRow, b.StartByte);
  int64_t end = OffsetOf(first, b.EndRow, b.EndByte + 1);
  end = std::min<int64_t>(end, static_cast<int64_t>(block.size()));
  int64_t drop = 0;
  if (dropRow >= count) {
    drop = static_cast<int64_t>(block.size());
  } else {
    const std::size_t length = rows_->Get(dropRow).size();
    const int byte = CaretByteIndexPastEnd(RowCells(dropRow), col);
    const int64_t rowStart = OffsetOf(first, dropRow, 0);
    drop = rowStart + std::min<int64_t>(byte, static_cast<int64_t>(length));
    if (static_cast<std::size_t>(byte) > length) {
      // Past the row's end: the row is filled with spaces up to the drop point first.
      const auto pad = static_cast<int64_t>(static_cast<std::size_t>(byte) - length);
      block.insert(static_cast<std::size_t>(drop), static_cast<std::size_t>(pad), ' ');
      if (start >= drop)
        start += pad;
      if (end >= drop)
        end += pad;
      drop += pad;
    }
  }
  if (drop == start || drop == end) {
    CancelSelection();
    return;
  }
  const std::string moved = block.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
  block.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
  if (drop > start)
    drop -= end - start;
  block.insert(static_cast<std::size_t>(drop), moved);
  CancelSelection();
  ReplaceAndPlace(first, last - first + 1, block, first, drop + static_cast<int64_t>(moved.size()));
}

void EditorCore::DropSelection(int row, int col) {
  if (!CanSelDrag() || IsInSelection(row, col)) {
    CancelSelection();
    return;
  }
  const std::string text = SelText();
  CancelSelection();
  selection_.MoveCaretTo(row, col);
  InsertText(text);
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void EditorCore::PutOnClipboard(const std::string& text, bool box) {
  if (!context_.Window)
    return;
  std::vector<EditorClipboard::Block> blocks;
  blocks.emplace_back(kTextMimeType, WithLfBreaks(Cp932ToUtf8(text)));
  blocks.emplace_back(Cp932ClipboardFormat(), text);
  if (box) {
    std::string marked = text;
    marked += '\0';
    blocks.emplace_back(BoxClipboardFormat(), std::move(marked));
  }
  context_.Window->Clipboard().SetBlocks(blocks);
}

// Nothing selected: the clipboard keeps what the user put there.
void EditorCore::CopyToClipboard() {
  if (!selection_.Selected())
    return;
  PutOnClipboard(SelText(), selection_.SelectionMode() == smBox);
}

void EditorCore::CutToClipboard() {
  if (readOnly_ || !selection_.Selected())
    return;
  CopyToClipboard();
  DeleteSelection();
}

std::optional<std::string> EditorCore::ClipboardText() const {
  if (!context_.Window)
    return std::nullopt;
  const EditorClipboard& clipboard = context_.Window->Clipboard();
  if (clipboard.HasFormat(Cp932ClipboardFormat())) {
    if (auto bytes = clipboard.Data(Cp932ClipboardFormat()))
      return bytes;
  }
  if (clipboard.HasFormat(kTextMimeType)) {
    if (auto utf8 = clipboard.Data(kTextMimeType)) {
      if (!Utf8FitsCp932(*utf8)) {
        // Another program's text with characters the memo cannot keep: nothing of it is pasted.
        if (OnUnmappableText)
          OnUnmappableText(*utf8);
        return std::nullopt;
      }
      return Utf8ToCp932(*utf8);
    }
  }
  return std::nullopt;
}

bool EditorCore::CanPaste() const {
  if (!context_.Window)
    return false;
  const EditorClipboard& clipboard = context_.Window->Clipboard();
  return clipboard.HasFormat(Cp932ClipboardFormat()) || clipboard.HasFormat(kTextMimeType);
}

void EditorCore::PasteBoxFromClipboard() {
  if (readOnly_ || !context_.Window)
    return;
  if (const std::optional<std::string> text = ClipboardText())
    InsertBox(*text);
}

void EditorCore::PasteFromClipboard() {
  if (readOnly_ || !context_.Window)
    return;
  const std::optional<std::string> text = ClipboardText();
  if (!text)
    return;
  if (context_.Window->Clipboard().HasFormat(BoxClipboardFormat()))
    InsertBox(*text);
  else
    InsertText(*text);
}

}  // namespace vrel
