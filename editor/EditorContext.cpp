#include "editor/EditorContext.h"

#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorWindow.h"

namespace vrel {

bool EditorContext::Focused() const {
  return Window != nullptr && Window->Focused();
}

CellLayout EditorContext::Layout() const {
  return {Rows->TabSpaceCount(), Rows->WordWrap() ? Rows->WrapOption()->WrapByte() : 0};
}

std::string EditorContext::RowCells(int row) const {
  if (row < 0 || row >= Rows->Count())
    return {};
  return vrel::RowCells(Rows->Get(row), Layout());
}

int EditorContext::RowCellCount(int row) const {
  return static_cast<int>(RowCells(row).size());
}

}  // namespace vrel
