#pragma once

// The tool palette: six exclusive buttons for the edit modes (select, knife, scissors, move, scale,
// rotate) and nine buttons for the geometry commands, in three columns. A mode button only asks the
// main window to change the mode; the main window puts the matching button down whenever the mode
// changes. The commands are TToolCommands', which the main menu calls too.

#include <QButtonGroup>

#include <memory>

#include "app/MainForm.h"
#include "app/ToolCommands.h"
#include "app/qt/DockForm.h"

class QToolButton;

namespace vrel {

class TToolWindowHost;

class TToolForm : public TDockForm {
 public:
  TToolForm(TToolWindowHost& window, TLayerCommands& layers);
  ~TToolForm() override;

  TToolCommands& Commands() { return *commands_; }
  QToolButton* Button(const char* name) const;
  // The mode's button goes down without asking for the mode again.
  void SetModeButtonDown(TEditMode mode);
  TEditMode DownMode() const;

 private:
  TToolWindowHost& window_;
  std::unique_ptr<TToolCommands> commands_;
  QButtonGroup* modes_;
};

}  // namespace vrel
