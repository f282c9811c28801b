#include "app/LayerListRows.h"

#include <algorithm>
#include <stdexcept>

namespace vrel {

void TLayerListRows::Changed(int row) {
  if (OnChanged)
    OnChanged(row);
}

void TLayerListRows::Clear() {
  rows_.clear();
  itemIndex_ = -1;
  Changed(-1);
}

void TLayerListRows::Add(const std::string& text, TSquareBladeCollection* data) {
  Insert(Count(), text, data);
}

void TLayerListRows::Insert(int index, const std::string& text, TSquareBladeCollection* data) {
  index = std::clamp(index, 0, Count());
  rows_.insert(rows_.begin() + index, TLayerRow{text, data});
  if (itemIndex_ >= index)
    ++itemIndex_;
  Changed(-1);
}

void TLayerListRows::Delete(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range("layer row index");
  rows_.erase(rows_.begin() + index);
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
  Changed(-1);
}

void TLayerListRows::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count())
    throw std::out_of_range("layer row index");
  if (from == to)
    return;
  const TLayerRow row = rows_[static_cast<std::size_t>(from)];
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, row);
  Changed(-1);
}

void TLayerListRows::SetText(int index, const std::string& text) {
  At(index).Text = text;
  Changed(index);
}

void TLayerListRows::SetItemVisible(int index, bool value) {
  if (At(index).Visible == value)
    return;
  At(index).Visible = value;
  Changed(index);
}

void TLayerListRows::SetItemLocked(int index, bool value) {
  if (At(index).Locked == value)
    return;
  At(index).Locked = value;
  Changed(index);
}

void TLayerListRows::SetItemIndex(int index) {
  if (index < 0 || index >= Count())
    index = -1;
  if (index == itemIndex_)
    return;
  itemIndex_ = index;
  Changed(-1);
}

TMarkCell MarkCellAt(int x) {
  if (x < 0 || x >= kMarkColumnWidth)
    return TMarkCell::None;
  return x < kEyeCellWidth ? TMarkCell::Eye : TMarkCell::Key;
}

TMarkRect DropMarkRect(int index, int source, int topRow, int itemHeight, int clientWidth) {
  const int row = index - topRow;
  if (source > index)
    return {0, row * itemHeight - 3, clientWidth, 6};
  if (source < index)
    return {0, (row + 1) * itemHeight - 3, clientWidth, 6};
  return {0, row * itemHeight, clientWidth, itemHeight};
}

}  // namespace vrel
