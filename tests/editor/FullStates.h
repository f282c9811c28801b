// The start state of every row walked afresh from the top: what incremental updates must agree with.
#pragma once

#include <vector>

#include "editor/RowStates.h"

namespace vrel {

inline std::vector<TRowAttributeData> FullStates(const TRowAttributeStringList& rows, TFountain& fountain) {
  TRowAttributeStringList copy;
  for (int r = 0; r < rows.Count(); ++r)
    copy.SetRowAttribute(copy.Add(rows.Get(r)), rows.RowAttribute(r));
  auto parser = fountain.CreateParser();
  InitRowStates(copy, *parser, copy.Count() - 1);
  std::vector<TRowAttributeData> states;
  for (int r = 0; r < copy.Count(); ++r)
    states.push_back(copy.RowData(r));
  return states;
}

}  // namespace vrel
