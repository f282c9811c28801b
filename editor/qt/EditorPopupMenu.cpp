#include "editor/qt/EditorPopupMenu.h"

#include <QAction>
#include <QKeySequence>

#include "editor/EditorCore.h"

namespace vrel {

TEditorPopupMenu::TEditorPopupMenu(EditorCore& editor, QWidget* parent) : QMenu(parent), editor_(editor) {
  for (const TEditorMenuItem& item : EditorMenuItems()) {
    if (item.Separator) {
      addSeparator();
      continue;
    }
    const QString caption = QString::fromUtf8(item.Caption);
    if (item.Submenu) {
      QMenu* submenu = addMenu(caption);
      submenu->menuAction()->setEnabled(item.InitiallyEnabled);
      for (int digit = 0; digit < EditorCore::kDigitMarkCount; ++digit) {
        const TEditorShortcut shortcut = SubmenuShortcut(item.Command, digit);
        AddItem(*submenu, QString::number(digit), &shortcut, item.Command, digit);
      }
      continue;
    }
    AddItem(*this, caption, item.Shortcut ? &*item.Shortcut : nullptr, item.Command, -1)
        ->setEnabled(item.InitiallyEnabled);
  }
  connect(this, &QMenu::aboutToShow, this, [this] { PopupHandler(); });
}

QAction* TEditorPopupMenu::AddItem(QMenu& menu, const QString& caption, const TEditorShortcut* shortcut,
                                   TEditorCommand command, int digit) {
  QAction* action = menu.addAction(caption);
  if (shortcut) {
    action->setShortcut(QKeySequence(QString::fromStdString(ShortcutText(*shortcut))));
    // The editor decides its shortcuts itself when the key comes; the menu only shows them.
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
  }
  const bool checkable = command == TEditorCommand::BoxSelectionMode || digit >= 0;
  action->setCheckable(checkable);
  connect(action, &QAction::triggered, this, [this, command, digit] { RunCommand(editor_, command, digit); });
  items_.push_back({action, command, digit});
  return action;
}

void TEditorPopupMenu::PopupHandler() {
  for (const Item& item : items_) {
    item.action->setEnabled(CommandEnabled(editor_, item.command));
    if (item.action->isCheckable())
      item.action->setChecked(CommandChecked(editor_, item.command, item.digit));
  }
}

QAction* TEditorPopupMenu::Action(TEditorCommand command, int digit) const {
  for (const Item& item : items_) {
    if (item.command == command && item.digit == digit)
      return item.action;
  }
  return nullptr;
}

}  // namespace vrel
