#pragma once

// The base of the tool panels that dock into the main window's site panel (the right dock area):
// the layer panel, the tool palette and the FMS parameter panel. Each keeps its placement in its own
// section of the settings file, named after the window: its floating position and size, whether it
// is docked, the side of the site it docks to, and whether it is shown.
//
// Docked, a panel has its own title bar at the top of its part of the site; closing it hides it (it
// stays docked, and showing it again brings it back there). Dragged off the site it floats as a
// tool window; dropped on the site again it docks. In a site too short for every docked panel
// whole, each keeps its title and scrolls its controls: panels never overlap.

#include <QDockWidget>

#include <string>

#include "app/FormPlacement.h"
#include "app/qt/FramePlacement.h"
#include "files/RegMng.h"

class QMainWindow;

namespace vrel {

// The settings items' defaults.
struct TDockFormDefaults {
  int Left = 0;
  int Top = 0;
  int Width = 145;
  int Height = 200;
  bool Docking = true;
  int DockAlign = 1;
  bool Visible = true;
};

// Size limits; 0 for no maximum.
struct TDockFormConstraints {
  int MinWidth = 145;
  int MaxWidth = 160;
  int MinHeight = 150;
  int MaxHeight = 0;
};

class TDockForm : public QDockWidget {
 public:
  static constexpr int kAlignTop = 1;
  static constexpr int kAlignBottom = 2;

  // `name` is the window's name and its settings section ("LayerForm"); `caption` its title. The
  // panel starts hidden, floating nowhere, until the main window restores it.
  TDockForm(const QString& name, const QString& caption, const TDockFormDefaults& defaults,
            const TDockFormConstraints& constraints, QMainWindow* mainWindow);

  // Where the panel's own controls go.
  QWidget* Client() const { return client_; }

  // Reads the section: the position (kept on the screen), whether it is docked, the floating size
  // (only for a floating panel), the side and the visibility. Where the panel goes is the main
  // window's work (it docks the listed panels, ApplyFloating floats the rest).
  virtual void LoadSettings();
  // Writes the position (the floating frame's, or the screen position of the docked panel), the
  // size of a floating panel, and whether it is docked, its side and whether it is shown.
  virtual void SaveSettings();
  // Every item of the panel's table into `section`; nothing for an empty or the current name.
  void SetSection(const std::string& section);
  const std::string& Section() const { return section_; }
  TRegManager& Reg() { return reg_; }

  // As loaded, until the panel is saved again.
  bool Docking() const { return docking_; }
  int DockAlign() const { return dockAlign_; }
  void SetDockAlign(int align) { dockAlign_ = align == kAlignBottom ? kAlignBottom : kAlignTop; }
  bool VisibleSetting() const { return visible_; }
  int StoredTop() const { return floatRect_.Top; }
  // Floats the panel at its loaded placement and shows or hides it by its visibility.
  void ApplyFloating();

 private:
  QWidget* client_;
  int floatingMinHeight_;
  TRegManager reg_;
  std::string section_;
  bool docking_;
  int dockAlign_;
  bool visible_;
  TPlacementRect floatRect_;
  TFramePlacement floatPlacement_;
};

}  // namespace vrel
