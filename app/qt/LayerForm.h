#pragma once

// The layer panel: a bar of buttons (the menu, "新規", "複製", "削除") over the layer list, and a
// popup menu with every layer command. It shows the document's layer set; the main window points
// it at the set after making, loading or restoring one. The work is TLayerCommands'.

#include <QMenu>

#include <memory>

#include "app/LayerCommands.h"
#include "app/qt/DockForm.h"

class QToolButton;
class QFrame;

namespace vrel {

class TToolWindowHost;
class TLayerListBox;

class TLayerForm : public TDockForm {
 public:
  explicit TLayerForm(TToolWindowHost& window);
  ~TLayerForm() override;

  void SetCollections(TSquareBladeCollections* collections);
  TLayerCommands& Commands() { return *commands_; }
  TLayerListBox* LayerListBox() const { return list_; }
  QMenu* PopupMenu() const { return popup_; }
  QAction* MenuItem(const char* name) const;
  QToolButton* Button(const char* name) const;

  // The rename box; tests answer it without a window. Unset, Qt's input dialog asks.
  TNameQuestion AskName;

 private:
  void Run(void (TLayerCommands::*command)());
  void PopupMenuLayerPopup();

  TToolWindowHost& window_;
  TLayerListBox* list_;
  std::unique_ptr<TLayerCommands> commands_;
  QFrame* panel1_ = nullptr;
  QMenu* popup_ = nullptr;
};

}  // namespace vrel
