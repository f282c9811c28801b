#pragma once

// The editor's text as display rows. A logical line (the text between two line breaks) takes one row,
// or several when word wrap is on; each row carries its row attribute (0 ends its line, 1 wrapped,
// 2 the last row of a text without a final line break), the tokeniser's state at its start and its
// marks. Line breaks are not stored: the text reads as the rows joined with CR LF after each row of
// attribute 0.
//
// ReplaceText is the one edit primitive: it replaces rows by a text (the rows' text together with
// their line breaks), re-wraps what the change reaches, keeps the start states current, records the
// replacement for undo and tells the attached editors. The rows are always what wrapping the whole
// text afresh would give.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/AttachedEditor.h"
#include "editor/EditorUndo.h"
#include "editor/zeRaStrings.h"

namespace vrel {

class TEditorFountain;
class TEditorWrapOption;
class TLineWrapper;

// A plain list of display rows, as the rows use for rows made apart from themselves.
class TEditorStringList : public TRowAttributeStringList {
  VREL_CLASS_INFO(TEditorStringList, TRowAttributeStringList)
};

// What the last replacement did, for the editors' DoChange: from StartRow, OldRowCount rows became
// NewRowCount rows and the start state of StateRows rows changed.
struct TEditorChange {
  int32_t StartRow = 0;
  int32_t OldRowCount = 0;
  int32_t NewRowCount = 0;
  int32_t StateRows = 0;
  bool Modified = false;
};

// A place in the rows: a row and a byte offset in its text.
struct TRowPosition {
  int Row = 0;
  int Byte = 0;
};

class TEditorScreenStrings : public TEditorStringList {
  VREL_CLASS_INFO(TEditorScreenStrings, TEditorStringList)
 public:
  // Rows of the screen's height assumed while no editor is attached.
  static constexpr int kDefaultScreenRows = 50;

  TEditorScreenStrings();
  ~TEditorScreenStrings() override;

  // Editors that show these rows; the first is the owner. The editors own the rows together (an
  // editor holds them while it is attached).
  void AddEditor(AttachedEditor& editor);
  void RemoveEditor(AttachedEditor& editor);
  const std::vector<AttachedEditor*>& Editors() const { return editors_; }
  AttachedEditor* FirstEditor() const { return editors_.empty() ? nullptr : editors_.front(); }
  // The first attached editor with the input focus, else the owner.
  AttachedEditor* FocusedEditor() const;

  const TEditorChange& Change() const { return change_; }

  // The first and the last row of the logical line that holds `row`.
  int LineStart(int row) const;
  int LineEnd(int row) const;

  struct TRowsText {
    // The attribute of the last row, 3 when no row was taken.
    uint8_t Kind = 3;
    int32_t RowCount = 0;
    std::string Text;
  };
  // The text of `count` rows from `row`, each followed by CR LF when it ends a line; `count` -1
  // takes the rest of the logical line. Nothing for a row outside the rows.
  TRowsText GetRowsText(int row, int count) const;
  // Deletes `count` rows and returns the marks they carried.
  int DeleteRows(int row, int count);
  // Replaces `count` rows from `row` by the rows of `source` (which is emptied); the marks of the
  // replaced rows go to the new ones.
  void ReplaceRows(int row, int count, TEditorStringList& source);

  // Replaces `count` rows from `row` (the row count with `count` 0 appends) by `text`: the bytes of
  // those rows and of their line breaks give way to `text`, whose CR LF, CR and LF break lines.
  // Re-wraps what the change reaches, records the replacement for undo and reports it. Nothing for
  // a range outside the rows or an empty replacement of no rows.
  void ReplaceText(int row, int count, std::string_view text);
  // The same without recording; `reverse` receives the replacement that undoes it (its StartRow,
  // RowCount, Kind and Text). False when nothing was done.
  bool ReplaceTextUnrecorded(int row, int count, std::string_view text, TUndoData& reverse);

  // Recomputes the start states after a change at `row` (at most two screens down, the rest marked
  // uncomputed); with `report` the editors repaint each row whose state changed. Returns how many.
  int UpdateRowStates(int row, bool report);
  // Every state afresh from the top, two screens' worth (or all with InitBracketsFull).
  void InitRowStates();

  // Wraps `text` into `dest` (an empty text gives one empty row), and counts the rows a logical
  // line takes.
  void WrapRows(std::string_view text, TEditorStringList& dest) const;
  int WrapString(std::string_view line) const;
  // Re-wraps every logical line under the present options; the marks follow their lines. Leaves the
  // start states to the caller.
  void RewrapAll();
  // Joins every logical line into one row.
  void Unwrap();

  bool WordWrap() const { return wordWrap_; }
  // Re-wraps or unwraps the text (while the owner loads, only stores the flag).
  void SetWordWrap(bool value);
  TEditorWrapOption* WrapOption() const { return wrapOption_.get(); }
  // Re-wraps the text when word wrap is on.
  void WrapOptionChanged(TObject* sender);
  // The tab stops that lay rows out in cells (the owner's caret setting); with word wrap on, a change
  // re-wraps the text.
  int TabSpaceCount() const { return tabSpaceCount_; }
  void SetTabSpaceCount(int value);

  // Empties the rows, the undo history and the marks; the editors' carets go to the top.
  void Clear() override;

  TEditorUndoObj* UndoObj() const { return undo_.get(); }
  void Undo();
  void Redo();

  // Puts the marks of deleted lines, inserted again at `row`, back on their rows, and takes the
  // ones that had joined the row that took their place off it.
  void RestoreDeletedMarks(int row, const std::vector<uint16_t>& marks, uint16_t joined);

  // Stores a row's marks and keeps MarksInUse: bits that left the row are cleared when no other
  // row carries them.
  void PutRowMarks(int row, int marks);
  // Bit n is set while some row carries mark n.
  uint16_t MarksInUse() const { return marksInUse_; }
  void ClearMarksInUse(int bits);
  void SetMarksInUse(int bits);

  // The whole text: the rows joined, CR LF after each row that ends a line.
  std::string Text() const;
  // Replaces the text (CR LF, CR and LF break lines; a text not ending with a line break leaves its
  // last row with attribute 2), wrapped when word wrap is on, with fresh start states. Unwrapped, the
  // rows keep the text and make each row when it is first reached. `lineBreaks`, when given, is
  // CountLineBreaks(text), counted where the text was read.
  void SetText(std::string text, std::optional<std::size_t> lineBreaks = std::nullopt);

  // Logical lines: their number, the first row of each and the line of a row. Kept as an index
  // that follows the changes, so a walk over the lines does not walk the rows for each one.
  int LineCount() const;
  // The row count for a line past the last.
  int LineToRow(int line) const;
  int RowToLine(int row) const;

  // The display cell at which byte `byteIndex` of the row's text starts (tabs expanded).
  int CellColumn(int row, int byteIndex) const;
  // The place `offset` bytes of the text after the start of `row` (CR LF after each row that ends a
  // line): the row where the rest fits (the end of a wrapped row being the start of the next), or
  // the end of a last row without line break, or the place after a final line break (the row count).
  TRowPosition PositionAt(int row, int64_t offset) const;

 protected:
  void Changed() override;
  void ItemsChanged(int index, int removed, int inserted) override;

 private:
  // Rows inside the rows (the row count with no rows), and something to replace.
  bool CanReplace(int row, int count, std::string_view text) const;
  // Whether `row` begins a logical line (the row count counts as the place after the last row).
  bool IsLineStart(int row) const;
  const TLineWrapper& Wrapper() const;
  TFountain& Fountain();
  int ScreenRows() const;
  // Replaces `count` rows from `row` by `items`, moving marks as ReplaceRows says.
  void ReplaceRowItems(int row, int count, std::vector<TzeStringItem> items);
  // Replaces rows and keeps the count of lines.
  void SpliceRows(int row, int count, std::vector<TzeStringItem> items);
  // DeleteRows that also gives each deleted row's marks (nothing when none had a mark).
  int DeleteRowsKeepingMarks(int row, int count, std::vector<uint16_t>& rowMarks);
  // Clears from MarksInUse the bits of `marks` that no row carries any more.
  void ForgetMarks(int marks);
  // Builds the rows of each logical line anew: rebuild(line, first row, last row, their marks,
  // rows so far) appends the line's new rows.
  using LineRebuilder = std::function<void(std::string_view, int, int, int, std::vector<TzeStringItem>&)>;
  void RebuildLines(const LineRebuilder& rebuild);
  // Rebuilds every row (word wrap, wrap options or tab width changed).
  void ReflowAll(bool wrap);
  void ClampEditors();
  void RowsChanged(TObject* sender);
  std::vector<TzeStringItem> RowsOfText(std::string_view text) const;
  void ScanLines(int rows) const;

  std::vector<AttachedEditor*> editors_;
  TEditorChange change_;
  uint16_t marksInUse_ = 0;
  std::unique_ptr<TEditorUndoObj> undo_;
  bool wordWrap_ = false;
  std::unique_ptr<TEditorWrapOption> wrapOption_;
  int tabSpaceCount_ = 8;
  mutable std::unique_ptr<TLineWrapper> wrapper_;
  // The colouring scheme used while no editor is attached.
  std::unique_ptr<TEditorFountain> ownFountain_;

  // Rows that end a logical line (attribute 0 or 2); valid unless a change bypassed SpliceRows.
  mutable int lineEnds_ = 0;
  mutable bool lineEndsValid_ = true;
  bool splicing_ = false;
  // The first row of each line, for the lines that start before scannedRows_.
  mutable std::vector<int> lineStarts_;
  mutable int scannedRows_ = 0;
};

}  // namespace vrel
