#pragma once

// The rows of the layer list, without the window: one row per layer with the text it shows, the
// layer it stands for and its two marks (eye: the layer is shown; key: the layer is locked), and
// which row is selected. The list control draws them; the layer commands change them with the
// layer set, so both can be driven and checked without a window.
//
// Also the list's geometry that does not need a window: the mark column's cells and where the drop
// mark of a drag is drawn.

#include <functional>
#include <string>
#include <vector>

namespace vrel {

class TSquareBladeCollection;

struct TLayerRow {
  std::string Text;  // UTF-8, as shown
  TSquareBladeCollection* Data = nullptr;
  bool Visible = true;
  bool Locked = false;
};

class TLayerListRows {
 public:
  int Count() const { return static_cast<int>(rows_.size()); }
  // Throws std::out_of_range for a row that is not there.
  const TLayerRow& Row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }

  void Clear();
  void Add(const std::string& text, TSquareBladeCollection* data);
  // Before row `index`; past the last row it appends.
  void Insert(int index, const std::string& text, TSquareBladeCollection* data);
  void Delete(int index);
  // The whole row `from` (text, object, marks) goes to place `to`; the rows between shift by one.
  void Move(int from, int to);
  void SetText(int index, const std::string& text);
  // Writing the value a row has already changes nothing.
  void SetItemVisible(int index, bool value);
  void SetItemLocked(int index, bool value);
  bool ItemVisible(int index) const { return Row(index).Visible; }
  bool ItemLocked(int index) const { return Row(index).Locked; }

  // The selected row, -1 for none.
  int ItemIndex() const { return itemIndex_; }
  // An index outside the rows selects nothing.
  void SetItemIndex(int index);

  // After every change: the row that changed, or -1 when several did.
  std::function<void(int row)> OnChanged;

 private:
  TLayerRow& At(int index) { return rows_.at(static_cast<std::size_t>(index)); }
  void Changed(int row);

  std::vector<TLayerRow> rows_;
  int itemIndex_ = -1;
};

// The list's fixed geometry.
inline constexpr int kLayerItemHeight = 25;
inline constexpr int kMarkColumnWidth = 44;
inline constexpr int kEyeCellWidth = 22;
// The band along the top and bottom edges in which a drag scrolls the list.
inline constexpr int kScrollBand = 8;
inline constexpr int kScrollInterval = 150;  // ms

enum class TMarkCell { None, Eye, Key };
// The cell of the mark column at x inside a row.
TMarkCell MarkCellAt(int x);

struct TMarkRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TMarkRect&) const = default;
};

// The drop mark of a drag of row `source` over row `index`, with `topRow` the first row shown: a bar
// 6 pixels high across the list where the row would land (above the target when moving up, below it
// when moving down), or the whole row when it is the dragged row itself.
TMarkRect DropMarkRect(int index, int source, int topRow, int itemHeight, int clientWidth);

}  // namespace vrel
