#pragma once

// The main window: the head panel with the view-point and view-toggle buttons, the 3D view in the
// render panel, the site panel (Qt's right dock area) that the dock panels dock into, the floating
// tool frames over the view, the status bar of three panels, and the menu bar. A thin shell around
// TMainForm, which holds the logic.
//
// The first show restores the window's placement and its tool windows from the settings file (a
// window never placed opens at the size at which its head panel and docked panels are whole) and
// makes the document; closing asks to save, stores the placements and the settings, and frees the
// document. The program quits when this window closes.

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/DocumentCommands.h"
#include "app/MainForm.h"
#include "app/MainMenu.h"
#include "app/qt/FramePlacement.h"
#include "app/qt/ToolWindowHost.h"
#include "platform/qt/ProgressBarAdapter.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtFileDialogs.h"

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;

namespace vrel {

class RenderWidget;
class ShortcutGate;
class ViewEvents;
class TDialogWindows;
class TDirectionToolForm;
class TDockForm;
class TFlatButton;
class TFloatForm;
class TLayerForm;
class TMemoForm;
class TOperatePanelForm;
class TParamForm;
class TRotationToolForm;
class TScaleToolForm;
class TToolForm;

class MainWindow : public QMainWindow,
                   public TToolWindowHost,
                   private TMainFormWindow,
                   private TMainFormPanels,
                   private TMenuWindow {
 public:
  // The tool windows, made after the main window; every one is a child of it.
  struct ToolWindows {
    TLayerForm* LayerForm = nullptr;
    TToolForm* ToolForm = nullptr;
    TParamForm* ParamForm = nullptr;
    // The notes beside the document; it holds the document's memo.
    TMemoForm* MemoForm = nullptr;
    TOperatePanelForm* OperatePanelForm = nullptr;
    TDirectionToolForm* DirectionToolForm = nullptr;
    TScaleToolForm* ScaleToolForm = nullptr;
    TRotationToolForm* RotationToolForm = nullptr;
    // The numeric dialogs and the settings dialog.
    TDialogWindows* Dialogs = nullptr;
  };

  MainWindow();
  ~MainWindow() override;

  TMainForm& Form() override { return *form_; }
  TDocumentCommands& Documents() { return *documents_; }
  RenderWidget* Render1() const { return render1_; }
  QToolBar* HeadPanel() const { return headPanel_; }
  QLabel* StatusPanel(TStatusPanel panel) const { return statusPanels_.at(static_cast<std::size_t>(panel)); }
  QToolButton* ViewToggle(int tag) const { return viewToggles_.at(static_cast<std::size_t>(tag)); }
  TFlatButton* ViewGroup(int tag) const { return viewGroups_.at(static_cast<std::size_t>(tag)); }
  QToolButton* ViewPointButton(TViewPoint viewPoint) const { return viewPointButtons_.at(viewPoint); }
  // The status bar as the control of the load progress bar.
  TProgressParent& StatusBarProgress() { return statusProgress_; }
  IClipboard& Clipboard() { return clipboard_; }
  QTimer& Timer1() { return timer1_; }
  ShortcutGate& Gate() override { return *gate_; }
  QMainWindow& OwnerWindow() override { return *this; }
  void FocusView() override;
  // The menu's commands, once the tool windows are there.
  TMenuCommands& MenuCommands() { return *menuCommands_; }

  // Once, before the first show: the dock panels go into the site, hidden until restored.
  void SetToolWindows(const ToolWindows& tools);
  const ToolWindows& Tools() const { return tools_; }

  // A command of a button or menu item (the panels' too): only while the document exists, and an
  // exception becomes the error box.
  void Command(const std::function<void()>& command) override;

  // The menu item of that name ("mnuViewPoint_Free"), or null.
  QAction* MenuAction(std::string_view name) const;
  // The menu of that name ("mnuViewPoint"), or null.
  QMenu* Menu(std::string_view name) const;
  // The enabling rules, check marks and captions of the menu's items, as its opening runs them.
  void RunMenuRules(QMenu* menu);
  // Its items enabled again, as its closing leaves them, so their shortcuts work.
  void EnableMenuItems(QMenu* menu);

  // --- the site panel and the floating frames ----------------------------------------------------

  // The docked panels shown in the site, top to bottom.
  std::vector<TDockForm*> DockedForms() const;
  // Docks the panel into the site: at the top above the others (align 1) or below them (2).
  void DockControl(TDockForm* form, int align);
  // The site's width: the docked panels' width, or the last one known while none is docked.
  int SitePanelWidth() const;
  // Where floating frames may stand, in client coordinates below the menu bar: right of the left
  // edge, left of the site, below the head panel, above the status bar.
  QRect FloatArea() const;
  void KeepFloatFormInside(TFloatForm* form);
  void KeepFloatFormsInside();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // No menu of tool bars and dock panels: the panel menu shows and hides them.
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  // TMainFormWindow
  void SetCaption(const std::string& caption) override;
  void SetStatusText(TStatusPanel panel, const std::string& text) override;
  void SetViewToggleDown(int tag, bool down) override;
  void SetViewPointDown(TViewPoint viewPoint) override;
  void SetViewCursor(int cursorId) override;
  void SetTimer1Enabled(bool enabled) override;
  void PlaneMarkMemoryChanged() override;
  int ScreenWidth() const override;

  // TMenuWindow
  void CloseMainWindow() override;
  void ShowSettings() override;
  void ShowMemo() override;
  void ShowVersionDialog() override;
  bool PanelVisible(TToolPanel panel) const override;
  void TogglePanel(TToolPanel panel) override;
  QWidget* Panel(TToolPanel panel) const;

  // TMainFormPanels
  void ShowFMSParams(const TFMSDataHolder& params) override;
  bool ParamLookAt() const override;
  void SetLayerCollections(TSquareBladeCollections* collections) override;
  void SetDialogRanges(float areaRadius) override;
  void EditModeChanged(TEditMode mode) override;
  void ShowMoveVectors(const Vec3& relative, const Vec3& absolute) override;
  void ClearMoveVectors() override;
  TScaleAxis ScaleAxis() const override;
  TRotationAxis RotationAxis() const override;

  void BuildHeadPanel();
  void BuildStatusBar();
  void BuildMenu();
  void AddMenu(const TMenuRow& row, QMenu* menu);
  QAction* FindShortcut(const QKeySequence& keys) const;

  void FormShow();
  void FormClose();
  // The stored placement; a size never stored is `whole`'s.
  void RestorePlacement(const TMainFormPlacement& stored, const QSize& whole);
  // The frame's size at which the head panel shows every button and each docked panel is whole.
  QSize WholeSize() const;
  void SaveFormSettings();
  void RestoreDocking();
  // The floating tool frames where they were, inside the window.
  void RestoreFloatForms();
  void DockInOrder(const std::vector<TDockForm*>& forms);
  void UpdateDockAlign(TDockForm* form);
  std::vector<TDockForm*> DockForms() const;
  std::vector<TFloatForm*> FloatForms() const;

  RenderWidget* render1_;
  std::unique_ptr<TMainForm> form_;
  QtFileDialogs dialogs_;
  std::unique_ptr<TDocumentCommands> documents_;
  std::unique_ptr<TMenuCommands> menuCommands_;
  QToolBar* headPanel_ = nullptr;
  std::array<QToolButton*, kViewToggleCount> viewToggles_{};
  std::array<TFlatButton*, 3> viewGroups_{};
  std::array<QToolButton*, 3> viewPointButtons_{};
  QButtonGroup* viewPointGroup_ = nullptr;
  std::array<QLabel*, 3> statusPanels_{};
  ProgressBarAdapter statusProgress_;
  QtClipboard clipboard_;
  QTimer timer1_;
  ShortcutGate* gate_ = nullptr;
  ViewEvents* viewEvents_ = nullptr;
  std::map<std::string, QAction*, std::less<>> actions_;
  std::map<std::string, QMenu*, std::less<>> menus_;
  std::map<QAction*, const TMenuRow*> rowOf_;
  // The remembered plane-mark positions, as the plane mark's memory lists them.
  std::vector<QAction*> memoryActions_;

  ToolWindows tools_;
  TFramePlacement placement_;
  int sitePanelWidth_ = kMinSitePanelWidth;
  bool shown_ = false;
  bool closing_ = false;
  bool restoringDocks_ = false;
  bool firstFrameLogged_ = false;
};

}  // namespace vrel
