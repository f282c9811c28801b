#pragma once

// The layer panel's commands, without the window: new, copy, delete, rename, merge down, merge all,
// showing and locking a layer, moving it to another place and choosing the current layer. Each
// keeps the layer list's rows and the document's layer set in step, and ends as the document wants
// it: a snapshot into the history (which marks the document modified) and, where the picture
// changes, a redraw. A command whose condition is missing (no layer set, no selected row, no row
// below, fewer than two layers) does nothing.
//
// Layer names are CP932 in the document and UTF-8 in the rows; a row always shows the name the
// layer really got.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vrel {

class TLayerListRows;
class TMainForm;
class TSquareBladeCollection;
class TSquareBladeCollections;

// The name a copy of a layer named `name` gets: name + "のコピー" the first time, then the text
// before "のコピー" with "のコピー2", "のコピー3", ... (a tail that is no number counts as none).
// CP932 in and out; "のコピー" is found on character boundaries only.
std::string CopiedLayerName(std::string_view name);

// The rename question: caption, prompt and the text offered; the typed text (UTF-8), or nothing
// when the user cancelled.
using TNameQuestion = std::function<std::optional<std::string>(const std::string& caption, const std::string& prompt,
                                                               const std::string& text)>;

class TLayerCommands {
 public:
  TLayerCommands(TLayerListRows& rows, TMainForm& form) : rows_(rows), form_(form) {}

  // The list shows this layer set (or nothing for null): a row per layer with its name and marks,
  // and the current layer's row selected.
  void SetCollections(TSquareBladeCollections* collections);
  TSquareBladeCollections* Collections() const { return collections_; }

  // The row's text, empty for a row that is not there.
  std::string GetLayerName(int index) const;
  // The layer's name and its row's text.
  void SetLayerName(int index, const std::string& utf8);
  // A new layer named `cp932Name` at `index` (appended past the last row), its row selected and the
  // layer current. Only with a layer set and a selected row; answers whether it was made.
  bool InsertLayer(int index, const std::string& cp932Name);
  // Takes layer `index` out of the set and its row out of the list; the row that takes its place
  // (or the last one) becomes selected and current. No snapshot of its own.
  void DeleteLayer(int index);

  // New: a layer "レイヤー" + the new count at the end, selected and current. AddNewLayer does the
  // same without the snapshot, for commands that take one snapshot of their own afterwards.
  void New();
  TSquareBladeCollection* AddNewLayer();
  // Copy: the selected layer's copy right after it, with its blades.
  void Copy();
  void Delete();
  // Asks for the selected layer's new name; a snapshot only when the name changed.
  void Rename(const TNameQuestion& ask);
  // The selected layer's blades into the layer below it, which keeps its name and marks.
  void MergeDown();
  // Every layer's blades into the last one, which alone remains.
  void MergeAll();
  // A mark clicked on row `index`.
  void VisibleClick(int index, bool value);
  void LockedClick(int index, bool value);
  // A row dragged from `oldIndex` to `newIndex`.
  void IndexChange(int oldIndex, int newIndex);
  // A row chosen: its layer becomes the current one; a snapshot only when that changed.
  void RowClick();

  // When the popup menu's items are offered.
  bool HasSelection() const;
  bool CanMergeDown() const;
  bool CanMergeAll() const;

 private:
  bool HasLayer(int index) const;
  TSquareBladeCollection* Layer(int index) const;
  void SetMark(int index, void (TSquareBladeCollection::*set)(bool), bool value);
  void Done(bool redraw);

  TLayerListRows& rows_;
  TMainForm& form_;
  TSquareBladeCollections* collections_ = nullptr;
};

}  // namespace vrel
