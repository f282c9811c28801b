#pragma once

// TEditorPopupMenu: the editor's context menu (marks, undo and redo, the clipboard, select all, box
// selection), built from the editor menu's table. Before it pops up its items are enabled and
// checked by the table's rules; a click runs the item's command through the same rules.

#include <QMenu>

#include <vector>

#include "editor/EditorMenu.h"

class QAction;

namespace vrel {

class EditorCore;

class TEditorPopupMenu : public QMenu {
 public:
  TEditorPopupMenu(EditorCore& editor, QWidget* parent);

  // Enables and checks the items for the editor's present state (done before every popup).
  void PopupHandler();

  // The action of a top-level item, or of item `digit` of a mark submenu (for tests).
  QAction* Action(TEditorCommand command, int digit = -1) const;

 private:
  struct Item {
    QAction* action = nullptr;
    TEditorCommand command = TEditorCommand::Undo;
    int digit = -1;
  };
  QAction* AddItem(QMenu& menu, const QString& caption, const TEditorShortcut* shortcut, TEditorCommand command,
                   int digit);

  EditorCore& editor_;
  std::vector<Item> items_;
};

}  // namespace vrel
