#include "editor/RowStates.h"

#include <algorithm>

namespace vrel {

namespace {

// The state `row` starts with, from the nearest computed row above it (or the start of the text),
// and the row the walk starts at (at most `row`).
int WalkStart(const TRowAttributeStringList& rows, TFountainParser& parser, int row, TRowAttributeData& state) {
  int above = row - 1;
  while (above >= 0 && !rows.RowStateComputed(above))
    --above;
  if (above < 0) {
    state = TRowAttributeData::Zero();
    state.RowAttribute = static_cast<uint8_t>(rows.RowAttribute(0));
    return 0;
  }
  state = rows.RowData(above);
  parser.GetRowEndData(above, rows, state);
  state.PrevRowAttribute = static_cast<uint8_t>(rows.RowAttribute(above));
  state.RowAttribute = static_cast<uint8_t>(rows.RowAttribute(above + 1));
  return above + 1;
}

// Walks from `first` with `state` (its start state) to `last`, storing each row's state; stops early
// at a row that already holds its state when `stopWhenSame`. Returns the rows stored and whether
// the walk reached `last`.
std::pair<int, bool> Walk(TRowAttributeStringList& rows, TFountainParser& parser, int first, int last,
                          TRowAttributeData state, bool stopWhenSame, const RowStateChanged& changed) {
  int stored = 0;
  for (int r = first; r <= last; ++r) {
    if (stopWhenSame && rows.SameRowState(r, state))
      return {stored, false};
    rows.SetRowState(r, state);
    ++stored;
    if (changed)
      changed(r);
    if (r + 1 >= rows.Count())
      break;
    parser.GetRowEndData(r, rows, state);
    state.PrevRowAttribute = static_cast<uint8_t>(rows.RowAttribute(r));
    state.RowAttribute = static_cast<uint8_t>(rows.RowAttribute(r + 1));
  }
  return {stored, true};
}

}  // namespace

int UpdateRowStates(TRowAttributeStringList& rows, TFountainParser& parser, int row, int limit,
                    const RowStateChanged& changed) {
  if (row < 0 || row >= rows.Count())
    return 0;
  limit = std::clamp(limit, row, rows.Count() - 1);
  TRowAttributeData state;
  const int first = WalkStart(rows, parser, row, state);
  const auto [stored, reachedLimit] = Walk(rows, parser, first, limit, std::move(state), true, changed);
  if (reachedLimit)
    rows.ClearRowStatesFrom(limit + 1);
  return stored;
}

void InitRowStates(TRowAttributeStringList& rows, TFountainParser& parser, int limit) {
  if (rows.Count() == 0)
    return;
  rows.ClearRowStatesFrom(0);
  TRowAttributeData state = TRowAttributeData::Zero();
  state.RowAttribute = static_cast<uint8_t>(rows.RowAttribute(0));
  Walk(rows, parser, 0, std::clamp(limit, 0, rows.Count() - 1), std::move(state), false, {});
}

void EnsureRowStates(TRowAttributeStringList& rows, TFountainParser& parser, int row) {
  if (row < 0 || row >= rows.Count() || rows.RowStateComputed(row))
    return;
  int first = row;
  while (first > 0 && !rows.RowStateComputed(first - 1))
    --first;
  TRowAttributeData state;
  const int start = WalkStart(rows, parser, first, state);
  Walk(rows, parser, start, row, std::move(state), false, {});
}

}  // namespace vrel
