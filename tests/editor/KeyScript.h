// Random scripts of keys, clicks and commands on an editor core, and the properties that must hold
// after every step: the rows are exactly what wrapping the text afresh gives, the caret and the
// selection lie inside them, the marks in use are the marks the rows carry, and undoing every step
// gives back the text the script started from. A seeded test and a fuzz target play them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "editor/EditorCore.h"
#include "editor/EditorMenu.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "editor/ZTSearch.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"
#include "tests/editor/FakeWindow.h"

namespace vrel::keyscript {

// next(n) gives a number from 0 to n - 1.
using Next = std::function<int(int)>;

inline const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {"a",
                                                  "b c",
                                                  "  ",
                                                  "\t",
                                                  "_x1",
                                                  Utf8ToCp932("日本"),
                                                  Utf8ToCp932("ｶﾞ"),
                                                  Utf8ToCp932("ソ"),
                                                  Utf8ToCp932("　"),
                                                  Utf8ToCp932("「括弧」。"),
                                                  "word word",
                                                  "\r\n"};
  return pieces;
}

// The settings a script keeps throughout (changing the caret's settings clears the history).
inline void Configure(EditorCore& e, const Next& next) {
  TEditorCaret& caret = *e.Caret();
  caret.SetAutoIndent(next(2) == 0);
  caret.SetBackSpaceUnIndent(next(2) == 0);
  caret.SetFreeCaret(next(2) == 0);
  caret.SetTabIndent(next(2) == 0);
  caret.SetSoftTab(next(2) == 0);
  caret.SetInTab(next(2) == 0);
  caret.SetTokenEndStop(next(2) == 0);
  caret.SetNextLine(next(2) == 0);
  caret.SetPrevSpaceIndent(next(2) == 0);
  e.SetUndoListMax(100000);
}

inline TShiftState RandomShift(const Next& next) {
  TShiftState shift;
  if (next(2) == 0)
    shift.Include(ssShift);
  if (next(3) == 0)
    shift.Include(ssCtrl);
  return shift;
}

inline void PlayStep(EditorCore& e, const Next& next) {
  const int rows = e.Rows().Count();
  switch (next(16)) {
    case 0:
    case 1:
    case 2:
      e.KeyPress(Pieces()[static_cast<std::size_t>(next(static_cast<int>(Pieces().size())))], {});
      break;
    case 3:
      e.KeyPress("\r", next(4) == 0 ? TShiftState{ssShift} : TShiftState{});
      break;
    case 4:
      e.KeyPress("\b", {});
      break;
    case 5:
      e.KeyDown(vkDelete, {}, false);
      break;
    case 6: {
      static const int keys[] = {vkLeft, vkRight, vkUp, vkDown, vkHome, vkEnd, vkPrior, vkNext};
      e.KeyDown(keys[next(8)], RandomShift(next), next(4) == 0);
      break;
    }
    case 7:
      e.CancelSelection();
      e.SetRow(next(rows + 2));
      e.SetCol(next(40));
      break;
    case 8: {
      static const uint16_t options[] = {soForward, 0, soForward | soMatchCase, soWholeWord,
                                         soForward | soFoldWidth | soSkipBlanks | soSkipLineBreaks};
      (void)e.Search(Pieces()[static_cast<std::size_t>(next(static_cast<int>(Pieces().size())))], options[next(5)]);
      break;
    }
    case 9:
      e.Undo();
      break;
    case 10:
      e.Redo();
      break;
    case 11:
      e.SetMark(next(rows + 1), next(EditorCore::kMarkCount));
      break;
    case 12: {
      const int64_t length = e.GetTextLen();
      e.SetSel(next(static_cast<int>(length) + 1), next(static_cast<int>(length) + 1));
      break;
    }
    case 13:
      RunCommand(e, TEditorCommand::BoxSelectionMode);
      break;
    case 14: {
      static const TEditorCommand commands[] = {TEditorCommand::Cut,    TEditorCommand::Copy,
                                                TEditorCommand::Paste,  TEditorCommand::BoxPaste,
                                                TEditorCommand::Delete, TEditorCommand::SelectAll};
      RunCommand(e, commands[next(6)]);
      break;
    }
    default: {
      // The token under a point of the text area.
      const int x = e.TextLeft() + next(40) * e.ColumnWidth();
      const int y = e.TextTop() + next(std::max(1, rows + 1)) * e.RowHeight();
      e.SelectTokenAt(x, y, next(2) == 0, next(2) == 0);
      break;
    }
  }
}

// What is broken after a step, or nothing.
inline std::string Broken(const EditorCore& e) {
  const TEditorScreenStrings& rows = e.Rows();
  const std::string text = e.Lines()->Text();
  TEditorScreenStrings fresh;
  fresh.SetTabSpaceCount(rows.TabSpaceCount());
  fresh.WrapOption()->Assign(rows.WrapOption());
  fresh.SetWordWrap(rows.WordWrap());
  fresh.SetText(text);
  if (fresh.Count() != rows.Count())
    return "the rows are not the text wrapped afresh (row count)";
  uint16_t marks = 0;
  for (int r = 0; r < rows.Count(); ++r) {
    if (fresh.Get(r) != rows.Get(r) || fresh.RowAttribute(r) != rows.RowAttribute(r))
      return "the rows are not the text wrapped afresh (row " + std::to_string(r) + ")";
    marks = static_cast<uint16_t>(marks | rows.RowMarks(r));
  }
  if (marks != rows.MarksInUse())
    return "the marks in use are not the marks the rows carry";
  if (e.Row() < 0 || e.Row() > rows.Count() || e.Col() < 0 || e.Col() > kMaxCellColumn + 1)
    return "the caret is outside the rows";
  if (e.GetTextLen() != static_cast<int64_t>(text.size()))
    return "the text's length is not its bytes";
  if ((e.SelectionState() == sstSelected || e.SelectionState() == sstHit) && e.SelectionMode() == smNormal) {
    const TSelectionBytes& b = e.SelectionBytes();
    if (b.StartRow < 0 || b.StartRow > b.EndRow || b.EndRow > rows.Count())
      return "the selection is outside the rows";
    if (e.SelStart() + e.SelLength() > static_cast<int64_t>(text.size()) + 2)
      return "the selection runs past the text";
  }
  return {};
}

// Plays `steps` steps from `start`, checking after each; then undoes everything. Returns what broke.
inline std::string Play(const std::string& start, bool wrap, int steps, const Next& next) {
  EditorInWindow w;
  EditorCore& e = w.editor;
  if (wrap) {
    e.WrapOption()->SetWrapByte(20 + next(4));
    e.WrapOption()->SetWordBreak(next(2) == 0);
    e.WrapOption()->SetLeading(next(2) == 0);
    e.WrapOption()->SetFollowPunctuation(next(2) == 0);
    e.SetWordWrap(true);
  }
  Configure(e, next);
  e.Lines()->SetText(start);
  const std::string original = e.Lines()->Text();
  for (int i = 0; i < steps; ++i) {
    PlayStep(e, next);
    const std::string broken = Broken(e);
    if (!broken.empty())
      return "step " + std::to_string(i) + ": " + broken;
  }
  while (e.CanUndo())
    e.Undo();
  if (e.Lines()->Text() != original)
    return "undoing every step does not give back the text";
  return {};
}

}  // namespace vrel::keyscript
