#pragma once

// The main window's menu as a table, and the commands behind it that no panel owns: undo and redo,
// the clipboard, clearing the history, the selection commands, the texture polygons, the panel menu
// and help. Each row is one item: its name, menu, caption, shortcut, tag, what a click does and the
// rule that enables it. The rules are plain functions of the document's state; a click runs only
// while its rule holds, so a command whose rule is false does nothing whatever reached it (the menu,
// its shortcut, a test).
//
// The single-key commands (edit modes, new polygon, vertex position) are rows too: actions of the
// main window that belong to no menu.
//
// Geometry is done by the layer set or by the tool palette's commands, which the menu calls rather
// than repeats. Every command here that changes the blades ends with a snapshot into the history
// (which marks the document modified) and a redraw.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vrel {

class IClipboard;
class TDocumentCommands;
class TMainForm;
class TMenuCommands;
class TSquareBladeCollections;
class TToolCommands;

// The tool windows the panel menu shows and hides.
enum TToolPanel : uint8_t { tpLayer, tpTool, tpParam, tpOperate };

// The windows the menu reaches. Each part does nothing until its window exists.
class TMenuWindow {
 public:
  virtual ~TMenuWindow() = default;
  // Closes the main window as its close box would (the save question first).
  virtual void CloseMainWindow() {}
  virtual bool PanelVisible(TToolPanel /*panel*/) const { return false; }
  // A shown panel is closed; a hidden one is shown again, in the site when it was docked there.
  virtual void TogglePanel(TToolPanel /*panel*/) {}
  // The settings dialog.
  virtual void ShowSettings() {}
  // The memo window and the about box come with the text editor.
  virtual void ShowMemo() {}
  virtual void ShowVersionDialog() {}
};

// The parent of the rows that are actions of the main window in no menu.
inline constexpr const char* kWindowActions = "MainForm";

struct TMenuRow {
  const char* Name = "";
  // "" for a menu of the menu bar; kWindowActions for an action of the window alone.
  const char* Parent = "";
  // "-" for a rule.
  const char* Caption = "";
  // In QKeySequence's portable form ("Ctrl+Shift+H"); "" for none.
  const char* ShortCut = "";
  int Tag = 0;
  // None: the item holds a menu of its own.
  void (*Click)(TMenuCommands& commands, int tag) = nullptr;
  // None: always enabled.
  bool (*Enabled)(const TMenuCommands& commands) = nullptr;
  // A check mark while this holds (none: no check mark).
  bool (*Checked)(const TMenuCommands& commands, int tag) = nullptr;
  // The caption as the opening of its menu writes it (none: Caption).
  std::string (*Text)(const TMenuCommands& commands) = nullptr;
};

// Every item of the menu bar in order, then the window's own actions.
const std::vector<TMenuRow>& MainMenuRows();
// The row of that name, or null.
const TMenuRow* FindMenuRow(std::string_view name);

class TMenuCommands {
 public:
  // Everything must outlive the commands.
  TMenuCommands(TMainForm& form, TDocumentCommands& documents, TToolCommands& tools, IClipboard& clipboard,
                TMenuWindow& window);

  TMainForm& Form() const { return form_; }
  TDocumentCommands& Documents() const { return documents_; }
  TToolCommands& Tools() const { return tools_; }
  TMenuWindow& Window() const { return window_; }

  // The row's click, when it has one and its rule holds; answers whether it ran.
  bool Run(const TMenuRow& row);
  bool Enabled(const TMenuRow& row) const;

  // --- the rules ---------------------------------------------------------------------------------

  // The number of selected vertices (of the editable layers).
  int SelectedCount() const;
  // A face of an editable layer is selected.
  bool EditableFaceSelected() const;
  // Cut and copy need a selected face: selected vertices or borders alone give nothing to take.
  bool CanCut() const;
  bool CanCopy() const;
  bool CanPaste() const;
  bool CanDelete() const;
  // The history holds more than the present state.
  bool CanClearMemory() const;
  // "履歴(&H) " and the bytes the history holds.
  std::string ClearHistoryCaption() const;
  bool CanSelectAll() const;
  bool CanClearSelection() const;
  bool CanHideSelected() const;
  bool CanHideNotSelected() const;
  bool CanShowHidden() const;
  // Texture polygons are offered while they are not shown, the cube has its face images and a
  // selected face is textured.
  bool CanCreateTexturePolygons() const;
  bool CanClearTexturePolygons() const;

  // --- the commands ------------------------------------------------------------------------------

  // The selected faces of the editable layers onto the clipboard, and exactly those blades deleted.
  void Cut();
  // The selected faces onto the clipboard; no snapshot.
  void Copy();
  // The clipboard's blades into the current layer, selected.
  void Paste();
  // Every blade of the editable layers with a selected part.
  void Delete();
  // The history forgets every state but the present one (and the document counts as modified).
  void ClearHistory();
  void SelectAll();
  void ClearSelection();
  void HideSelected();
  void HideNotSelected();
  void ShowHidden();
  void AttachTexture();
  void DetachTexture();
  // A cube rider cuts the textured blades' polygons out of the faces, with the progress bar in the
  // status bar; the texture cube shows them.
  void CreateTexturePolygons();
  void ClearTexturePolygons();
  void ShowHelp();

  static constexpr const char* kHelpText = "使い方はホームページのドキュメントをご覧下さい。";
  static constexpr const char* kHomePage = "https://vrel.example.org/";

 private:
  TSquareBladeCollections& Layers() const;
  // A snapshot, a redraw and, when asked, the selection's centre in the status bar.
  void Done(bool showCenter);

  TMainForm& form_;
  TDocumentCommands& documents_;
  TToolCommands& tools_;
  IClipboard& clipboard_;
  TMenuWindow& window_;
};

}  // namespace vrel
