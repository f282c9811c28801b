#include "editor/EditorMenu.h"

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"

namespace vrel {

namespace {

TEditorMenuItem Item(TEditorCommand command, const char* caption, std::optional<TEditorShortcut> shortcut = {}) {
  TEditorMenuItem item;
  item.Command = command;
  item.Caption = caption;
  item.Shortcut = shortcut;
  return item;
}

TEditorMenuItem Submenu(TEditorCommand command, const char* caption) {
  TEditorMenuItem item = Item(command, caption);
  item.Submenu = true;
  item.InitiallyEnabled = true;
  return item;
}

TEditorMenuItem Enabled(TEditorMenuItem item) {
  item.InitiallyEnabled = true;
  return item;
}

TEditorMenuItem Separator() {
  TEditorMenuItem item;
  item.Separator = true;
  return item;
}

}  // namespace

const std::vector<TEditorMenuItem>& EditorMenuItems() {
  using C = TEditorCommand;
  static const std::vector<TEditorMenuItem> items = {
      Submenu(C::MarkSet, "マーク設定"),
      Submenu(C::MarkJump, "マークジャンプ"),
      Separator(),
      Item(C::Undo, "元に戻す(&U)", TEditorShortcut{'Z'}),
      // Redo's shortcut is Ctrl+A, and select all has none.
      Item(C::Redo, "やり直し(&R)", TEditorShortcut{'A'}),
      Separator(),
      Item(C::Cut, "切り取り(&T)", TEditorShortcut{'X'}),
      Item(C::Copy, "コピー(&C)", TEditorShortcut{'C'}),
      Item(C::Paste, "貼り付け(&P)", TEditorShortcut{'V'}),
      Item(C::BoxPaste, "Box貼り付け(&B)", TEditorShortcut{'B'}),
      Item(C::Delete, "削除(&D)"),
      Separator(),
      Item(C::SelectAll, "すべて選択(&A)"),
      Separator(),
      Enabled(Item(C::BoxSelectionMode, "Box選択モード(&K)", TEditorShortcut{'K'})),
  };
  return items;
}

TEditorShortcut SubmenuShortcut(TEditorCommand command, int digit) {
  return {static_cast<char>('0' + digit), command == TEditorCommand::MarkSet};
}

std::optional<TEditorCommandHit> CommandForShortcut(char key, bool shift) {
  if (key >= '0' && key <= '9')
    return TEditorCommandHit{shift ? TEditorCommand::MarkSet : TEditorCommand::MarkJump, key - '0'};
  for (const TEditorMenuItem& item : EditorMenuItems()) {
    if (item.Shortcut && *item.Shortcut == TEditorShortcut{key, shift})
      return TEditorCommandHit{item.Command, -1};
  }
  return std::nullopt;
}

std::string ShortcutText(const TEditorShortcut& shortcut) {
  std::string text = shortcut.Shift ? "Shift+Ctrl+" : "Ctrl+";
  text += shortcut.Key;
  return text;
}

bool CommandEnabled(const EditorCore& editor, TEditorCommand command) {
  const bool selected = editor.SelectionState() == sstSelected;
  const bool readOnly = editor.ReadOnly();
  switch (command) {
    case TEditorCommand::MarkSet:
    case TEditorCommand::MarkJump:
    case TEditorCommand::BoxSelectionMode:
      return true;
    case TEditorCommand::Undo:
      return editor.CanUndo() && !readOnly;
    case TEditorCommand::Redo:
      return editor.CanRedo() && !readOnly;
    case TEditorCommand::Cut:
    case TEditorCommand::Delete:
      return selected && !readOnly;
    case TEditorCommand::Copy:
      return selected;
    case TEditorCommand::Paste:
    case TEditorCommand::BoxPaste:
      return editor.CanPaste() && !readOnly;
    case TEditorCommand::SelectAll:
      return editor.HasText();
  }
  return false;
}

bool CommandChecked(const EditorCore& editor, TEditorCommand command, int digit) {
  switch (command) {
    case TEditorCommand::MarkSet:
    case TEditorCommand::MarkJump:
      return digit >= 0 && digit < EditorCore::kDigitMarkCount && (editor.Rows().MarksInUse() & (1 << digit)) != 0;
    case TEditorCommand::BoxSelectionMode:
      return editor.SelectionMode() == smBox;
    default:
      return false;
  }
}

bool RunCommand(EditorCore& editor, TEditorCommand command, int digit) {
  if (!CommandEnabled(editor, command))
    return false;
  switch (command) {
    case TEditorCommand::MarkSet: {
      if (digit < 0 || digit >= EditorCore::kDigitMarkCount)
        return false;
      const int row = editor.Row();
      if ((editor.GetRowMarks(row) & (1 << digit)) != 0)
        editor.ClearMark(row, digit);
      else
        editor.SetMark(row, digit);
      return true;
    }
    case TEditorCommand::MarkJump:
      if (digit < 0 || digit >= EditorCore::kDigitMarkCount)
        return false;
      editor.GotoMark(digit);
      return true;
    case TEditorCommand::Undo:
      editor.Undo();
      return true;
    case TEditorCommand::Redo:
      editor.Redo();
      return true;
    case TEditorCommand::Cut:
      editor.CutToClipboard();
      return true;
    case TEditorCommand::Copy:
      editor.CopyToClipboard();
      return true;
    case TEditorCommand::Paste:
      editor.PasteFromClipboard();
      return true;
    case TEditorCommand::BoxPaste:
      editor.PasteBoxFromClipboard();
      return true;
    case TEditorCommand::Delete:
      editor.ClearSelection();
      return true;
    case TEditorCommand::SelectAll:
      editor.SelectAll();
      return true;
    case TEditorCommand::BoxSelectionMode:
      editor.SetSelectionMode(editor.SelectionMode() == smBox ? smNormal : smBox);
      return true;
  }
  return false;
}

}  // namespace vrel
