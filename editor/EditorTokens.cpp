// The editor core's token-wise operations: Ctrl+Left and Ctrl+Right, the place under a point, and
// the token under a point with its selection.

#include "editor/EditorTokens.h"

#include <algorithm>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/RowStates.h"

namespace vrel {

const TClassInfo& TTokenFountain::StaticClass() {
  static const TClassInfo info("TTokenFountain", &Inherited::StaticClass(), {});
  return info;
}

TTokenFountain::TTokenFountain()
    : TFountain(nullptr, [](TFountain& fountain) { return std::make_unique<TFountainBracketCollection>(&fountain); }) {}

std::unique_ptr<TFountainParser> TTokenFountain::CreateParser() {
  return std::make_unique<TTokenParser>(this);
}

std::vector<TTokenSpan> ReadTokens(TFountainParser& parser, std::string_view text, const TRowAttributeData& data) {
  std::vector<TTokenSpan> tokens;
  parser.SetRowData(text, data);
  while (parser.Next() != toEof) {
    tokens.push_back({static_cast<int>(parser.TokenOffset()), static_cast<int>(parser.TokenLength()), parser.Kind()});
  }
  return tokens;
}

namespace {

TTokenFountain& PlainFountain() {
  static TTokenFountain fountain;
  return fountain;
}

// Where the caret may stop in a row: token starts, and with `ends` token ends too.
std::vector<int> Stops(const std::vector<TTokenSpan>& tokens, bool ends) {
  std::vector<int> stops;
  for (const TTokenSpan& token : tokens) {
    stops.push_back(token.Start);
    if (ends)
      stops.push_back(token.End());
  }
  std::sort(stops.begin(), stops.end());
  stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
  return stops;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Token moves

std::vector<int> EditorCore::TokenStops(int row) {
  if (row < 0 || row >= rows_->Count())
    return {};
  const std::string text = vrel::ExpandTabs(rows_->Get(row), Layout());
  // Each row is read afresh: a move looks at the words of the row, not at the colouring's state.
  const auto parser = ActiveFountain().CreateParser();
  return Stops(ReadTokens(*parser, text, TRowAttributeData::Zero()), caret_->TokenEndStop());
}

bool EditorCore::NextTokenPos(int& row, int& col, int direction) {
  const int count = rows_->Count();
  if (row < 0 || row > count || (row == count && count > 0 && rows_->RowAttribute(count - 1) == 2))
    return false;
  const int startRow = row;
  const int startCol = col;
  if (direction < 0) {
    if (col <= 0) {
      if (row == 0)
        return false;
      --row;
      col = RowCellCount(row);
      // The end of a line is a stop of its own; a wrapped row goes on to its last word.
      if (rows_->RowAttribute(row) != 1)
        return true;
    }
    const std::vector<int> stops = TokenStops(row);
    const auto it = std::lower_bound(stops.begin(), stops.end(), col);
    col = it == stops.begin() ? 0 : *std::prev(it);
  } else {
    int from = col;
    if (col >= RowCellCount(row) && row + 1 < count) {
      ++row;
      from = -1;
    }
    const std::vector<int> stops = TokenStops(row);
    const auto it = std::upper_bound(stops.begin(), stops.end(), from);
    if (it != stops.end()) {
      col = *it;
    } else if (row < count && rows_->RowAttribute(row) == 1 && row + 1 < count) {
      ++row;
      col = 0;
    } else if (from < RowCellCount(row)) {
      col = RowCellCount(row);
    }
  }
  return row != startRow || col != startCol;
}

// ---------------------------------------------------------------------------------------------
// The place and the token under a point

bool EditorCore::PosToCharPos(int x, int y, int& row, int& byte) const {
  row = -1;
  byte = -1;
  const int count = rows_->Count();
  if (count == 0 || viewport_.ColumnWidth() == 0 || x < viewport_.TextLeft() || y < viewport_.TextTop())
    return false;
  const int r = viewport_.RowAt(y);
  if (r < 0 || r > count)
    return false;
  row = r;
  if (r == count)
    return false;
  const std::string cells = RowCells(r);
  int col = viewport_.ColAt(x, true);
  if (col >= static_cast<int>(cells.size()))
    return false;
  if (col > 0 && cells[static_cast<std::size_t>(col)] == '5')
    --col;
  while (col > 0 && cells[static_cast<std::size_t>(col)] == '3')
    --col;
  const auto fill = std::count(cells.begin(), cells.begin() + col, '3');
  byte = std::min(col - static_cast<int>(fill), static_cast<int>(rows_->Get(r).size()));
  return true;
}

EditorCore::TTokenAt EditorCore::TokenAt(int x, int y, bool byFountain, bool freshStart) {
  TTokenAt found;
  int row = 0;
  int byte = 0;
  if (!PosToCharPos(x, y, row, byte))
    return found;
  const CellLayout layout = Layout();
  const int first = rows_->LineStart(row);
  const int last = rows_->LineEnd(row);
  std::string line;
  int offset = 0;
  for (int r = first; r <= last; ++r) {
    if (r == row)
      offset = static_cast<int>(line.size()) + rows_->CellColumn(row, byte);
    line += vrel::ExpandTabs(rows_->Get(r), layout);
  }
  std::unique_ptr<TFountainParser> parser;
  TRowAttributeData data = TRowAttributeData::Zero();
  if (byFountain) {
    parser = ActiveFountain().CreateParser();
    EnsureRowStates(*rows_, *parser, first);
    data = rows_->RowData(first);
    if (freshStart)
      data.BracketIndex = -1;
  } else {
    parser = PlainFountain().CreateParser();
  }
  for (const TTokenSpan& token : ReadTokens(*parser, line, data)) {
    if (offset >= token.Start && offset < token.End()) {
      found.Token = line.substr(static_cast<std::size_t>(token.Start), static_cast<std::size_t>(token.Length));
      found.Kind = token.Kind;
      found.FirstRow = first;
      found.Cell = token.Start;
      break;
    }
  }
  return found;
}

void EditorCore::GetTokenAt(int x, int y, bool byFountain, std::string& token, int& kind, bool freshStart) {
  const TTokenAt found = TokenAt(x, y, byFountain, freshStart);
  token = found.Token;
  kind = found.Kind;
}

void EditorCore::SelectTokenAt(int x, int y, bool byFountain, bool freshStart) {
  const TTokenAt found = TokenAt(x, y, byFountain, freshStart);
  if (found.Token.empty())
    return;
  // The token's cells in the joined line back to rows and columns.
  const CellLayout layout = Layout();
  const auto place = [&](int cell) {
    int row = found.FirstRow;
    while (row < rows_->Count() - 1 && rows_->RowAttribute(row) == 1) {
      const int width = vrel::TextCellWidth(rows_->Get(row), layout);
      if (cell < width)
        break;
      cell -= width;
      ++row;
    }
    return std::pair{row, cell};
  };
  const auto [startRow, startCol] = place(found.Cell);
  const auto [endRow, endCol] = place(found.Cell + static_cast<int>(found.Token.size()));
  BeginCaretMove();
  CancelSelection();
  selection_.MoveCaretTo(startRow, startCol);
  StartSelection();
  selection_.MoveCaretTo(endRow, endCol);
  ExtendSelection();
  EndCaretMove();
}

}  // namespace vrel
