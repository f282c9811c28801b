#pragma once

// Keeps the tokeniser's state at the start of each display row current. After a change, the states
// are recomputed from the nearest computed row above it and the walk stops as soon as a row's
// stored state matches the computed one; rows beyond the walk's limit are marked uncomputed and get
// their states when they are needed (painting asks for them).
//
// A changed row must come with an uncomputed state (the replaced rows are fresh items), so that the
// walk never stops on it.

#include <functional>

#include "editor/zeFountain.h"
#include "editor/zeRaStrings.h"

namespace vrel {

using RowStateChanged = std::function<void(int row)>;

// Recomputes the states from `row` on, up to `limit` at most (clamped to the last row), after a
// change at `row`; calls `changed` for each row whose state it stored and returns how many. When the
// walk reaches `limit`, every row after it is marked uncomputed. Nothing happens (0) for a row
// outside the rows.
int UpdateRowStates(TRowAttributeStringList& rows, TFountainParser& parser, int row, int limit,
                    const RowStateChanged& changed = {});

// Marks every row uncomputed, then computes the states from row 0 up to `limit`.
void InitRowStates(TRowAttributeStringList& rows, TFountainParser& parser, int limit);

// Computes the uncomputed states of the rows up to `row` (from the nearest computed row above) and
// leaves the rows below alone; for painting, which needs a row's start state.
void EnsureRowStates(TRowAttributeStringList& rows, TFountainParser& parser, int row);

}  // namespace vrel
