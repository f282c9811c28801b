#pragma once

// The main window's logic: it owns every object of the document for the life of the program (the
// scene filer, the overlay stage, the blades with their history, the plane-mark history, the texture
// cube, the saved camera of each view point, the display settings), draws the 3D view's frame, keeps
// the view toggles and view points, applies the settings, and holds the window state that every
// command uses: Modified with the caption, and the shortcut gate.
//
// It knows the window only through TMainFormWindow and the tool windows through TMainFormPanels,
// and the view only through its control (TDX9Render), so tests drive it without a window. The Qt
// main window (MainWindow) is a thin shell around it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/RegMng.h"
#include "platform/Device.h"
#include "platform/Vector3.h"

namespace vrel {

class EditorCore;
class TComponentStateHolder;
class TDX9Render;
class TDX9RenderStage;
class TDX9Transformer;
class TFMSDataHolder;
class TObject;
class TPlaneMarkControl;
class TSquareBladeCollections;
class TSquareBladeCollectionsContainer;
class TTextureCube;
class TVectorHolder;
class TViewInput;
class TVrelPanoFiler;
class TVrelProp;

enum TViewPoint : uint8_t { vpOrigin = 0, vpFree = 1, vpTop = 2 };

// One bit per view toggle of the head panel; bit = 1 shl the toggle's tag.
enum TViewFlag : uint16_t {
  vfCubeVertex = 1,
  vfCubeBorder = 2,
  vfCubeSurface = 4,
  vfAxis = 8,
  vfStartDirection = 16,
  vfStartPoint = 32,
  vfPlaneMark = 64,
  vfVertex = 128,
  vfBorder = 256,
  vfSurface = 512,
};
using TViewFlags = uint16_t;
inline constexpr TViewFlags kAllViewFlags = 0x03FF;
inline constexpr int kViewToggleCount = 10;

// The masks of the three group buttons by tag (0 background, 1 parts, 2 polygons); 0 for another tag.
TViewFlags ViewGroupMask(int tag);

// The overlay parts the render event draws besides the cube and the blades.
enum TOverlayPart : uint8_t {
  opAxis = 1,
  opStartDirection = 2,
  opStartPoint = 4,
  opPlaneMark = 8,
  opMouseSquare = 16,
  opMouseLine = 32,
};

// What Save writes.
enum TDocumentKind : uint8_t { dkNone = 0, dkScene = 1, dkObjectFile = 2 };

enum TEditMode : uint8_t { emSelect, emKnife, emScissors, emDirection, emScale, emRotation };

// The three panels of the status bar.
enum TStatusPanel : int { spPlaneMark = 0, spProgress = 1, spSelectionCenter = 2 };

// The camera defaults of a view point.
struct TViewPointDefaults {
  int32_t CameraMode;  // TDX9TransformerCameraMode
  float Zoom;
  Vec3 CameraRotation;
  Vec3 ViewTranslation;
  float ZoomMin;
};
const TViewPointDefaults& ViewPointDefaults(TViewPoint viewPoint);

// The main window's own placement as the section "MainForm" keeps it: the frame's position and outer
// size. A width or height of 0 was never stored: the window then opens as wide and as high as its
// head panel and docked panels need to be whole.
struct TMainFormPlacement {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool Maximize = false;
  int SitePanelWidth = 145;
  bool operator==(const TMainFormPlacement&) const = default;
};

// The axis choices of the scale and rotation panels.
enum TScaleAxis : uint8_t { saEqualRatio, saScreen, saX, saY, saZ };
enum TRotationAxis : uint8_t { raViewAxis, raScreen, raScreen2, raX, raY, raZ };

// The site panel's width limits.
inline constexpr int kMinSitePanelWidth = 145;
inline constexpr int kMaxSitePanelWidth = 320;

// What the window shows for the logic. Texts are UTF-8.
class TMainFormWindow {
 public:
  virtual ~TMainFormWindow() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetStatusText(TStatusPanel panel, const std::string& text) = 0;
  // Puts view toggle `tag` (0..9) down or up without running its click.
  virtual void SetViewToggleDown(int tag, bool down) = 0;
  // Puts the view point's button down (the others of its group go up).
  virtual void SetViewPointDown(TViewPoint viewPoint) = 0;
  // The 3D view's cursor: an id of the screen's cursor table, 0 for the arrow.
  virtual void SetViewCursor(int /*cursorId*/) {}
  // Starts or stops the plane mark's 20 ms timer, whose ticks go to the plane mark's Timer1Timer.
  virtual void SetTimer1Enabled(bool /*enabled*/) {}
  // The remembered plane-mark positions changed: the menu of them follows.
  virtual void PlaneMarkMemoryChanged() {}
  // The width in logical pixels of the screen the window is on; 0 when there is none (then the
  // view's own width serves).
  virtual int ScreenWidth() const { return 0; }
};

// The tool windows as the main window's logic reaches them. Each comes with its own window; until
// then its part here does nothing.
class TMainFormPanels {
 public:
  virtual ~TMainFormPanels() = default;
  // The FMS parameter panel takes a copy of the scene's placement data and shows it.
  virtual void ShowFMSParams(const TFMSDataHolder& /*data*/) {}
  // The FMS parameter panel's "更新" option: the plane mark follows a new start position in the
  // origin view.
  virtual bool ParamLookAt() const { return true; }
  // The layer panel shows this layer set.
  virtual void SetLayerCollections(TSquareBladeCollections* /*collections*/) {}
  // The coordinate limits of the move panel and the numeric dialogs (-2R .. 2R) and the polygon
  // dialog's size limit (R), for the area radius R.
  virtual void SetDialogRanges(float /*areaRadius*/) {}
  // The edit mode changed: the move, scale and rotation panels show only in their modes, and the
  // tool palette puts the mode's button down.
  virtual void EditModeChanged(TEditMode /*mode*/) {}
  // The move panel's vectors during a move drag in the view: the move so far and where the
  // selection's centre is.
  virtual void ShowMoveVectors(const Vec3& /*relative*/, const Vec3& /*absolute*/) {}
  // A new or opened document: the move panel's boxes and both its vectors back to 0.
  virtual void ClearMoveVectors() {}
  // The axes the scale and rotation panels chose for a drag in the view.
  virtual TScaleAxis ScaleAxis() const { return saEqualRatio; }
  virtual TRotationAxis RotationAxis() const { return raViewAxis; }
};

// One layer "レイヤー1", the current one.
void ResetLayers(TSquareBladeCollections& layers);

class TMainForm {
 public:
  static constexpr const char* kSection = "MainForm";
  static constexpr const char* kCaption = "Vrel";
  static constexpr int kMinWidth = 600;
  static constexpr int kMinHeight = 400;

  // `render` is the 3D view's control; the form binds its resize event now and its render event in
  // InitRender. `panels` may be null (no tool windows). All must outlive the form.
  TMainForm(TDX9Render& render, TMainFormWindow& window, TMainFormPanels* panels = nullptr);
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // --- start-up and closing ----------------------------------------------------------------------

  // The settings file the window's items live in (VREL_INI, or beside the executable).
  TRegManager& Reg() { return reg_; }
  // The section "MainForm"; a value that is not a number reads as its default, and the site panel's
  // width is held within 145..320. The window clamps the rest to the screen.
  TMainFormPlacement LoadFormSettings();
  // Not maximised: Maximize 0 and the placement; maximised: only Maximize 1, so the last normal
  // placement stays in the file. SitePanelWidth always.
  void SaveFormSettings(const TMainFormPlacement& placement, bool maximized);
  // What the program keeps when it quits: the placement as SaveFormSettings and the display
  // settings, in one write of the settings file.
  void SaveSettings(const TMainFormPlacement& placement, bool maximized);

  // The document half of the first show: the document objects, the settings, the cameras of the
  // view points, the view toggles; then Modified False and the shortcuts on. Runs once; later calls
  // do nothing.
  void Start();
  bool Started() const { return sceneFiler_ != nullptr; }
  // The document half of closing: the render event is unbound and the document objects freed (the
  // window saves the settings first, SaveSettings). Nothing before Start or after a first Close.
  void Close();

  // True to go on with what would drop the document: at once when nothing is modified, otherwise
  // after the question "変更を保存しますか？" (Yes saves through OnSaveDocument and goes on only when
  // that saved; No drops the changes; Cancel stops). A save that fails is shown and counts as
  // Cancel.
  bool QuerySave();
  // Saves the document as the Save command does, answering whether it did. Unbound, nothing can be
  // saved and the answer is false, so the document is kept.
  std::function<bool()> OnSaveDocument;

  // --- the document objects (null before Start and after Close) ------------------------------------

  TVrelPanoFiler* SceneFiler() const { return sceneFiler_.get(); }
  TDX9RenderStage* RenderStage() const { return renderStage_.get(); }
  TComponentStateHolder* History() const { return history_.get(); }
  TSquareBladeCollectionsContainer* Container() const { return container_.get(); }
  TSquareBladeCollections* Collections() const { return collections_; }
  TVectorHolder* PlaneMarkVector() const { return planeMarkVector_.get(); }
  TComponentStateHolder* PlaneMarkHistory() const { return planeMarkHistory_.get(); }
  TTextureCube* TextureCube() const { return textureCube_.get(); }
  TDX9Transformer* OriginCamera() const { return originCamera_.get(); }
  TDX9Transformer* FreeCamera() const { return freeCamera_.get(); }
  TDX9Transformer* TopCamera() const { return topCamera_.get(); }
  TDX9Transformer* SavedCamera(TViewPoint viewPoint) const;
  TVrelProp* Prop() const { return prop_.get(); }

  // The memo is the text of the memo window's editor, which is bound once it exists; without one
  // the document has no memo. The editor must outlive the binding.
  EditorCore* MemoEditor() const { return memoEditor_; }
  void SetMemoEditor(EditorCore* editor) { memoEditor_ = editor; }
  // The memo's text as the bytes of its file (CP932, CR LF after each line that has a line break).
  std::string Memo() const;
  // The memo's text becomes `bytes` (CR LF, CR and LF break lines; `lineBreaks` of them when the
  // reader counted them); its undo steps are gone.
  void SetMemo(std::string bytes, std::optional<std::size_t> lineBreaks = std::nullopt);

  // The view's camera and control, from construction to the end.
  TDX9Transformer& Transformer1() { return *transformer1_; }
  TDX9Render& Render1() { return render_; }
  // The view's mouse input and the plane mark (which holds the remembered plane-mark positions that
  // the object file keeps), from construction to the end.
  TViewInput& ViewInput() { return *viewInput_; }
  TPlaneMarkControl& PlaneMark() { return *planeMark_; }
  TMainFormWindow& Window() { return window_; }
  TMainFormPanels& Panels() { return *panels_; }

  // --- window state ------------------------------------------------------------------------------

  bool Modified() const { return modified_; }
  // Only the flag: the caption does not show it.
  void SetModified(bool value) { modified_ = value; }
  const std::string& FileName() const { return fileName_; }
  // The caption becomes the name, a blank and "Vrel"; "Vrel" alone for no name.
  void SetFileName(const std::string& name);
  std::string Caption() const;
  bool ShortCutEnabled() const { return shortCutEnabled_; }
  void SetShortCutEnabled(bool value) { shortCutEnabled_ = value; }
  // Panel 0 shows the plane mark's position, 1 the load progress, 2 the selection's centre and what
  // a load could not do.
  void SetStatusText(TStatusPanel panel, const std::string& text);
  TDocumentKind DocumentKind() const { return documentKind_; }
  void SetDocumentKind(TDocumentKind kind) { documentKind_ = kind; }
  TEditMode EditMode() const { return editMode_; }
  // Ends a drag in the view as its release would, then the mode, its panels, cursor and tool button;
  // the same mode again changes nothing.
  void SetEditMode(TEditMode mode);
  int ClickTolerance() const { return clickTolerance_; }
  bool PlaneSmooth() const { return planeSmooth_; }
  bool ShowTexturePolygons() const { return showTexturePolygons_; }
  void SetShowTexturePolygons(bool value) { showTexturePolygons_ = value; }
  bool Resetting() const { return resetting_; }
  // The centre of the selected vertices as they are now; nothing without a selected vertex.
  std::optional<Vec3> SelectionCenter() const;

  // Runs `step` with Resetting set (a new document or an opened scene is being put in place);
  // Resetting is cleared again however the step ends.
  void RunResetting(const std::function<void()>& step);

  // --- the document as a whole -------------------------------------------------------------------

  // Empties the document; its objects stay: no face textures, the scene filer reset (placement
  // defaults), the markers at the start position, one empty layer, both histories holding the
  // present state only, no texture polygons, the move panel at 0, no memo, the status texts gone,
  // the view points' cameras at their defaults.
  void ClearAll();
  // After a load: the panels show the new placement and layers, and both histories start over
  // from the present state.
  void RefreshPanels();
  // The texture cube's polygons and faces go; they are no longer shown.
  void ClearTexturePolygons();
  // The layer panel shows the layer set again (layers were added or replaced).
  void RefillLayerPanel();

  // A snapshot of the blades into the history, then Modified.
  void PushHistory();
  // Undo and redo of the blades: a drag in the view ends first (with its own step); the step is read
  // back into the same layer set, the layer panel is filled again, texture polygons cut from the
  // blades before go, and the document counts as modified (it differs from what was saved).
  bool CanUndo() const;
  bool CanRedo() const;
  void Undo();
  void Redo();
  // The plane mark's position into its holder, then a snapshot of it.
  void PushPlaneMarkHistory();
  // Status panel 2 shows the centre of the selected vertices; without a selected vertex a centre it
  // showed goes, while another text there (what a load could not do) stays.
  void UpdateSelectionCenter();
  // Takes away a message in status panel 2; a selection's centre there stays.
  void ClearStatusMessage();

  // --- edit modes and the drag steps -------------------------------------------------------------

  // The smallest factor one scaling step applies: one large step (several pointer moves the window
  // system delivered as one) shrinks the selection, but never to nothing or through itself.
  static constexpr float kMinScaleStep = 0.01f;
  // The factor of one scaling step of `delta` pixels (ten times finer when `fine`), held at
  // kMinScaleStep at least.
  static float ScaleStepFactor(int delta, bool fine);
  // The world length of the view's horizontal centre line at the depth of the selection's centre
  // (at least 5, at most the screen's width in pixels), or, with nothing selected, at the depth of
  // the point the camera looks at. 0 without a device.
  float ScreenToWorldScale();
  // One step of a drag by `delta` pixels along axis 1..3 (scaling also 0, all axes alike); `fine`
  // (Ctrl held) makes the step ten times smaller. Each applies the step to the selection (moving
  // needs one selected vertex, scaling and rotating two), asks for a redraw and answers the drag's
  // running total; `changed`, when given, is set when the selection really moved. No snapshot: the
  // caller takes one when the drag ends.
  float OperateMove(int delta, int axis, bool fine = false, bool* changed = nullptr);
  float OperateScale(int delta, int axis, bool fine = false, bool* changed = nullptr);
  float OperateRotate(int delta, int axis, bool fine = false, bool* changed = nullptr);
  float OperateMoveTotal() const { return operateMoveTotal_; }
  void SetOperateMoveTotal(float value) { operateMoveTotal_ = value; }
  float OperateScaleTotal() const { return operateScaleTotal_; }
  void SetOperateScaleTotal(float value) { operateScaleTotal_ = value; }
  float OperateRotateTotal() const { return operateRotateTotal_; }
  void SetOperateRotateTotal(float value) { operateRotateTotal_ = value; }

  // --- settings ----------------------------------------------------------------------------------

  // The 26 items of the section "Property" into Prop.
  void LoadPropertySettings();
  // Prop onto the view, the overlay stage, the layers, the texture cube and the scene filer.
  void ApplyProperties();
  void SavePropertySettings();

  // --- drawing, view toggles and view points -----------------------------------------------------

  // One frame: clear, begin, camera, cube, axis, blades, start point, plane mark, start direction,
  // rubber band, knife line, texture polygons (each by its toggle), end. A failed begin draws
  // nothing; the scene is ended on every path.
  void Render1Render(IDevice& device);
  // Frames drawn so far.
  int FramesDrawn() const { return framesDrawn_; }
  void Redraw();

  TViewFlags ViewFlags() const { return viewFlags_; }
  // The cube's, the overlay's and the layers' draw flags follow, the toggles are put down or up, and
  // the view redraws; the same flags again change nothing.
  void SetViewFlags(TViewFlags flags);
  // A toggle clicked to `down`.
  void ViewToggleClick(int tag, bool down);
  // A group button gone down or up.
  void ViewGroupDownChange(int tag, bool down);
  uint8_t OverlayParts() const { return overlayParts_; }
  void SetOverlayParts(uint8_t parts) { overlayParts_ = parts; }

  TViewPoint ViewPoint() const { return viewPoint_; }
  // The view point's camera defaults, unless it is the current one (and no reset is under way).
  void SetViewPoint(TViewPoint viewPoint);
  // A view-point button: the current camera is saved for the view point left, the new one's saved
  // camera comes back.
  void ViewPointClick(int tag);
  // F4 / F5 / F6: the view point's defaults again, even for the current one (the look-at point back
  // at the origin for the free and top views).
  void ResetViewPoint(int tag);
  // F8 is offered while a vertex is selected.
  bool CanChangeLookAt() const;
  // F8: the selection's centre becomes the orbit's centre; the eye stays on the line from it
  // through the old eye, at the camera distance, looking at it.
  void ChangeLookAt();
  // The default camera of each view point into its saved camera; ends in the free view.
  void InitRender();
  // The far plane behind the farthest cube corner seen from the look-at point.
  void UpdateFarPlane();
  void UpdateDialogRanges();
  // The scene's placement data changed.
  void FilerChanged(TObject* sender);

 private:
  void Render1Resize(TObject* sender);
  void CreateDocumentObjects();
  void FreeDocumentObjects();
  // After an undo or redo step.
  void HistoryStepped();
  // FilerChanged's work; `markModified` is false for the run at start-up.
  void ApplyFilerData(bool markModified);
  // Camera aspect from the view's size.
  void TakeViewAspect();

  TDX9Render& render_;
  TMainFormWindow& window_;
  TMainFormPanels* panels_;
  TRegManager reg_;
  std::unique_ptr<TDX9Transformer> transformer1_;
  std::unique_ptr<TViewInput> viewInput_;
  std::unique_ptr<TPlaneMarkControl> planeMark_;
  EditorCore* memoEditor_ = nullptr;

  std::unique_ptr<TVrelPanoFiler> sceneFiler_;
  std::unique_ptr<TDX9RenderStage> renderStage_;
  std::unique_ptr<TComponentStateHolder> history_;
  std::unique_ptr<TSquareBladeCollectionsContainer> container_;
  TSquareBladeCollections* collections_ = nullptr;  // the container's
  std::unique_ptr<TVectorHolder> planeMarkVector_;
  std::unique_ptr<TComponentStateHolder> planeMarkHistory_;
  std::unique_ptr<TTextureCube> textureCube_;
  std::unique_ptr<TDX9Transformer> originCamera_;
  std::unique_ptr<TDX9Transformer> freeCamera_;
  std::unique_ptr<TDX9Transformer> topCamera_;
  std::unique_ptr<TVrelProp> prop_;

  int clickTolerance_ = 0;
  bool showTexturePolygons_ = false;
  bool resetting_ = false;
  TViewPoint viewPoint_ = vpOrigin;
  TViewFlags viewFlags_ = 0;
  uint8_t overlayParts_ = 0;
  bool planeSmooth_ = false;
  TDocumentKind documentKind_ = dkNone;
  TEditMode editMode_ = emSelect;
  bool modified_ = false;
  std::string fileName_;
  bool shortCutEnabled_ = false;
  // Status panel 2 shows a selection's centre.
  bool showsSelectionCenter_ = false;
  float operateMoveTotal_ = 0.0f;
  float operateScaleTotal_ = 1.0f;
  float operateRotateTotal_ = 0.0f;
  bool closed_ = false;
  int framesDrawn_ = 0;
};

}  // namespace vrel
