// A stand-in for the editor control: it keeps a caret and a top row, clamps them as the control
// does, and records what the rows ask of it.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "editor/AttachedEditor.h"
#include "editor/EditorFountain.h"
#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"

namespace vrel {

class FakeEditor : public AttachedEditor {
 public:
  explicit FakeEditor(TEditorScreenStrings& rows) : rows_(&rows) { rows_->AddEditor(*this); }
  ~FakeEditor() override { rows_->RemoveEditor(*this); }

  TEditorScreenStrings& ScreenStrings() override { return *rows_; }
  bool Loading() const override { return loading; }
  bool Focused() const override { return focused; }

  int Row() const override { return row_; }
  // As the control: never past the row count, and onto the last row when it has no line break.
  void SetRow(int row) override {
    const int count = rows_->Count();
    row_ = std::clamp(row, 0, count);
    if (row_ == count && count > 0 && rows_->RowAttribute(count - 1) == 2)
      --row_;
  }
  int Col() const override { return col_; }
  void SetCol(int col) override { col_ = std::clamp(col, 0, 1001); }
  int TopRow() const override { return topRow_; }
  void SetTopRow(int row) override { topRow_ = std::clamp(row, 0, rows_->Count()); }

  void HideCaretNested() override { ++hidden; }
  void ShowCaretNested() override { --hidden; }
  void BeginCaretMove() override { ++moving; }
  void EndCaretMove() override { --moving; }
  void SetUpdating(bool value) override { updating = value; }
  void CancelSelection() override { ++selectionsCancelled; }

  void DoChange() override {
    const TEditorChange& change = rows_->Change();
    changes.push_back(change);
  }
  void InvalidateRow(int row) override { repainted.push_back(row); }
  void RefreshView() override { ++refreshes; }

  TFountain& ActiveFountain() override { return fountain; }
  bool InitBracketsFull() const override { return bracketsFull; }
  int ScreenRows() const override { return screenRows; }

  bool loading = false;
  bool focused = false;
  bool bracketsFull = false;
  int screenRows = 20;
  TEditorFountain fountain;

  int hidden = 0;
  int moving = 0;
  bool updating = false;
  int selectionsCancelled = 0;
  int refreshes = 0;
  std::vector<TEditorChange> changes;
  std::vector<int> repainted;

 private:
  TEditorScreenStrings* rows_;
  int row_ = 0;
  int col_ = 0;
  int topRow_ = 0;
};

// Rows with one editor attached, holding `text`, word wrap at 20 cells when asked for.
struct EditorRows {
  TEditorScreenStrings rows;
  FakeEditor editor{rows};

  explicit EditorRows(const std::string& text = {}, bool wrap = false) {
    rows.WrapOption()->SetWrapByte(20);
    rows.SetWordWrap(wrap);
    rows.SetText(text);
    editor.changes.clear();
  }
};

// The rows as (text, attribute) pairs, for comparing whole row lists.
struct RowImage {
  std::string text;
  int attribute = 0;
  bool operator==(const RowImage&) const = default;
};

inline std::vector<RowImage> RowsOf(const TRowAttributeStringList& rows) {
  std::vector<RowImage> image;
  for (int r = 0; r < rows.Count(); ++r)
    image.push_back({rows.Get(r), rows.RowAttribute(r)});
  return image;
}

inline std::ostream& operator<<(std::ostream& out, const RowImage& row) {
  return out << '"' << row.text << "\"/" << row.attribute;
}

}  // namespace vrel
