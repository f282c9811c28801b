#pragma once

// The editor's popup menu as a table: one row per item (caption, shortcut, the rule that enables it,
// what it does), the two mark submenus, and the separators. The same rules decide a shortcut when
// its key is pressed, so a shortcut never acts on a stale enabled state and works before the menu
// was ever shown. The Qt menu is built from this table.

#include <optional>
#include <string>
#include <vector>

namespace vrel {

class EditorCore;

enum class TEditorCommand {
  MarkSet,   // submenu: toggles digit mark n on the caret row
  MarkJump,  // submenu: the caret goes to digit mark n
  Undo,
  Redo,
  Cut,
  Copy,
  Paste,
  BoxPaste,  // the clipboard's text as a box at the caret
  Delete,    // deletes the selection
  SelectAll,
  BoxSelectionMode,  // toggles box selection
};

// A shortcut: Ctrl, perhaps Shift, and a letter ('A'-'Z') or a digit ('0'-'9').
struct TEditorShortcut {
  char Key = 0;
  bool Shift = false;
  bool operator==(const TEditorShortcut&) const = default;
};

struct TEditorMenuItem {
  bool Separator = false;
  TEditorCommand Command = TEditorCommand::Undo;
  const char* Caption = "";  // UTF-8
  // The item's shortcut; a submenu's items have Ctrl (and Shift with `Shift`) and their digit.
  std::optional<TEditorShortcut> Shortcut;
  bool Submenu = false;
  // Enabled before the menu first pops up (the clipboard and history items wait for their rules).
  bool InitiallyEnabled = false;
};

// The items top to bottom.
const std::vector<TEditorMenuItem>& EditorMenuItems();

// A command and, for the mark submenus, its digit.
struct TEditorCommandHit {
  TEditorCommand Command = TEditorCommand::Undo;
  int Digit = -1;
};

// The command whose shortcut is Ctrl (with or without Shift) and `key` (a letter in upper case or a
// digit), if any.
std::optional<TEditorCommandHit> CommandForShortcut(char key, bool shift);

// The shortcut text of an item or a submenu item ("Ctrl+Z", "Shift+Ctrl+3").
std::string ShortcutText(const TEditorShortcut& shortcut);
TEditorShortcut SubmenuShortcut(TEditorCommand command, int digit);

// Whether the command may run now, whether its item is checked, and running it (after its rule:
// false when the rule refused it).
bool CommandEnabled(const EditorCore& editor, TEditorCommand command);
bool CommandChecked(const EditorCore& editor, TEditorCommand command, int digit = -1);
bool RunCommand(EditorCore& editor, TEditorCommand command, int digit = -1);

}  // namespace vrel
