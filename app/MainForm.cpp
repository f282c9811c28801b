#include "app/MainForm.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "app/CommandGuard.h"
#include "app/PlaneMarkControl.h"
#include "app/ViewInput.h"
#include "editor/EditorCore.h"
#include "editor/EditorStrings.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "files/history/ComponentStateHolder.h"
#include "files/history/VectorHolder.h"
#include "platform/Cp932.h"
#include "platform/Cursors.h"
#include "platform/MessageBox.h"
#include "platform/NumberFormat.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9TextureCube.h"
#include "scene/DX9Transform.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

// Sets a flag for the life of a scope and puts the old value back on every way out.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = old_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

TMainFormPanels& NoPanels() {
  static TMainFormPanels none;
  return none;
}

// The items of the section "MainForm", in file order, with their defaults.
struct TPlacementItem {
  const char* Name;
  int TMainFormPlacement::*Field;
};
constexpr std::array<TPlacementItem, 4> kPlacementItems{{
    {"Left", &TMainFormPlacement::Left},
    {"Top", &TMainFormPlacement::Top},
    {"Width", &TMainFormPlacement::Width},
    {"Height", &TMainFormPlacement::Height},
}};
constexpr const char* kMaximizeItem = "Maximize";
constexpr const char* kSitePanelWidthItem = "SitePanelWidth";

std::string StatusVector(const char* label, const Vec3& v) {
  return std::string(label) + "X:" + FormatFixed(v.x, 2) + " Y:" + FormatFixed(v.y, 2) + " Z:" + FormatFixed(v.z, 2);
}

}  // namespace

TViewFlags ViewGroupMask(int tag) {
  switch (tag) {
    case 0:
      return vfCubeVertex | vfCubeBorder | vfCubeSurface;
    case 1:
      return vfAxis | vfStartDirection | vfStartPoint | vfPlaneMark;
    case 2:
      return vfVertex | vfBorder | vfSurface;
    default:
      return 0;
  }
}

const TViewPointDefaults& ViewPointDefaults(TViewPoint viewPoint) {
  static const std::array<TViewPointDefaults, 3> defaults{{
      {cmOrigin, 60.0f, {0, 0, 0}, {0, 0, 0}, 0.5f},
      {cmFree, 60.0f, {45, -45, 0}, {0, 0, 0}, 0.01f},
      {cmFree, 60.0f, {90, 0, 0}, {0, 0, 0}, 0.01f},
  }};
  return defaults.at(viewPoint);
}

TMainForm::TMainForm(TDX9Render& render, TMainFormWindow& window, TMainFormPanels* panels)
    : render_(render),
      window_(window),
      panels_(panels ? panels : &NoPanels()),
      transformer1_(std::make_unique<TDX9Transformer>()),
      viewInput_(std::make_unique<TViewInput>(*this)),
      planeMark_(std::make_unique<TPlaneMarkControl>(*this)) {
  // The camera's component defaults; its eye and up vector follow from the first view point.
  TDX9Transformer& camera = *transformer1_;
  camera.SetZoomMax(120.0f);
  camera.SetZoomMin(0.2f);
  camera.SetZoom(60.0f);
  camera.SetAspect(1.0f);
  camera.SetZ_Near(0.05f);
  camera.SetZ_Far(3000.0f);
  camera.SetCameraMode(cmFree);
  camera.SetCameraDistance(1000.0f);

  reg_.SetRegType(rtIni);
  for (const TPlacementItem& item : kPlacementItems)
    reg_.AddItem(item.Name, kSection, item.Name, std::to_string(TMainFormPlacement{}.*item.Field));
  reg_.AddItem(kMaximizeItem, kSection, kMaximizeItem, "0");
  reg_.AddItem(kSitePanelWidthItem, kSection, kSitePanelWidthItem, std::to_string(kMinSitePanelWidth));
  TVrelProp::AddRegItems(reg_);

  render_.OnResize = TNotifyEvent::Of<&TMainForm::Render1Resize>(this);
}

TMainForm::~TMainForm() {
  render_.OnResize = {};
  render_.OnRender = {};
  FreeDocumentObjects();
}

// --- start-up and closing --------------------------------------------------------------------------

TMainFormPlacement TMainForm::LoadFormSettings() {
  reg_.SetIniFileName(SettingsFileName());
  TMainFormPlacement placement;
  for (const TPlacementItem& item : kPlacementItems)
    placement.*item.Field = reg_.GetItem(item.Name).ReadInteger();
  placement.Maximize = reg_.GetItem(kMaximizeItem).ReadBool();
  placement.SitePanelWidth =
      std::clamp(reg_.GetItem(kSitePanelWidthItem).ReadInteger(), kMinSitePanelWidth, kMaxSitePanelWidth);
  return placement;
}

void TMainForm::SaveFormSettings(const TMainFormPlacement& placement, bool maximized) {
  reg_.SetIniFileName(SettingsFileName());
  reg_.GetItem(kMaximizeItem).WriteBool(maximized);
  if (!maximized) {
    for (const TPlacementItem& item : kPlacementItems)
      reg_.GetItem(item.Name).WriteInteger(placement.*item.Field);
  }
  reg_.GetItem(kSitePanelWidthItem).WriteInteger(placement.SitePanelWidth);
}

void TMainForm::SaveSettings(const TMainFormPlacement& placement, bool maximized) {
  reg_.SetIniFileName(SettingsFileName());
  TRegSession session(reg_);
  SaveFormSettings(placement, maximized);
  SavePropertySettings();
  session.Commit();
}

void TMainForm::Start() {
  if (Started() || closed_)
    return;
  TakeViewAspect();
  CreateDocumentObjects();
  LoadPropertySettings();
  ApplyProperties();
  InitRender();
  // The placement data's handling runs once now, before the camera takes its start pose, so the
  // cube, the markers and the panels show the scene's values from the first frame.
  ApplyFilerData(false);
  SetViewPoint(vpFree);
  SetViewFlags(kAllViewFlags);
  clickTolerance_ = 4;
  transformer1_->SetCameraDistance(1000.0f);
  // The view's widget makes the device when the window system gives it a drawing context, and takes
  // the keyboard focus.
  SetModified(false);
  shortCutEnabled_ = true;
}

void TMainForm::Close() {
  if (!Started())
    return;
  render_.OnRender = {};
  FreeDocumentObjects();
  closed_ = true;
}

bool TMainForm::QuerySave() {
  if (!modified_)
    return true;
  switch (ShowMessageBox(kCaption, "変更を保存しますか？", TMsgIcon::Question, TMsgButtons::YesNoCancel)) {
    case TMsgResult::Yes: {
      // A save that fails leaves the document as it is: whatever was about to drop it must not.
      bool saved = false;
      Guarded([&] { saved = OnSaveDocument && OnSaveDocument(); });
      return saved;
    }
    case TMsgResult::No:
      return true;
    default:
      return false;
  }
}

void TMainForm::CreateDocumentObjects() {
  sceneFiler_ = std::make_unique<TVrelPanoFiler>();
  sceneFiler_->Reset();
  sceneFiler_->SetSceneFormat(sfFMS);
  sceneFiler_->SetSceneType(stCube);
  panels_->ShowFMSParams(*sceneFiler_->FMSData());
  sceneFiler_->FMSData()->OnChange = TNotifyEvent::Of<&TMainForm::FilerChanged>(this);

  renderStage_ = std::make_unique<TDX9RenderStage>();
  const Vec3 aircraft = sceneFiler_->FMSData()->GetAircraftVector();
  renderStage_->Axis()->SetLength(500.0f);
  renderStage_->StartPoint()->SetLength(4.0f);
  renderStage_->StartPoint()->SetPosition(aircraft);
  renderStage_->PlaneMark()->SetLength(3.0f);
  renderStage_->PlaneMark()->SetPosition(aircraft);
  renderStage_->StartDirection()->SetPosition(aircraft);
  renderStage_->StartDirection()->SetLength(1000.0f);

  originCamera_ = std::make_unique<TDX9Transformer>();
  freeCamera_ = std::make_unique<TDX9Transformer>();
  topCamera_ = std::make_unique<TDX9Transformer>();

  planeMarkVector_ = std::make_unique<TVectorHolder>();
  planeMarkHistory_ = std::make_unique<TComponentStateHolder>();
  planeMarkHistory_->SetComponent(planeMarkVector_.get());
  PushPlaneMarkHistory();

  history_ = std::make_unique<TComponentStateHolder>();
  container_ = std::make_unique<TSquareBladeCollectionsContainer>();
  history_->SetComponent(container_.get());
  collections_ = container_->Collections();
  ResetLayers(*collections_);
  PushHistory();
  panels_->SetLayerCollections(collections_);

  textureCube_ = std::make_unique<TTextureCube>();
  showTexturePolygons_ = false;
  prop_ = std::make_unique<TVrelProp>();
}

void TMainForm::FreeDocumentObjects() {
  if (sceneFiler_)
    sceneFiler_->FMSData()->OnChange = {};
  sceneFiler_.reset();
  renderStage_.reset();
  planeMarkVector_.reset();
  planeMarkHistory_.reset();
  panels_->SetLayerCollections(nullptr);
  collections_ = nullptr;
  container_.reset();
  history_.reset();
  textureCube_.reset();
  originCamera_.reset();
  freeCamera_.reset();
  topCamera_.reset();
  prop_.reset();
}

void ResetLayers(TSquareBladeCollections& layers) {
  layers.Clear();
  layers.AddLayer()->SetName(Utf8ToCp932("レイヤー") + "1");
  layers.SetCurrentIndex(0);
}

// --- window state ----------------------------------------------------------------------------------

std::string TMainForm::Memo() const {
  return memoEditor_ ? memoEditor_->Lines()->Text() : std::string();
}

void TMainForm::SetMemo(std::string bytes, std::optional<std::size_t> lineBreaks) {
  if (memoEditor_)
    memoEditor_->Lines()->SetText(std::move(bytes), lineBreaks);
}

void TMainForm::SetFileName(const std::string& name) {
  fileName_ = name;
  window_.SetCaption(Caption());
}

void TMainForm::SetStatusText(TStatusPanel panel, const std::string& text) {
  if (panel == spSelectionCenter)
    showsSelectionCenter_ = false;
  window_.SetStatusText(panel, text);
}

std::string TMainForm::Caption() const {
  return fileName_.empty() ? std::string(kCaption) : fileName_ + " " + kCaption;
}

void TMainForm::RunResetting(const std::function<void()>& step) {
  const TFlagScope resetting(resetting_);
  step();
}

// --- the document as a whole -----------------------------------------------------------------------

void TMainForm::ClearAll() {
  renderStage_->Cube()->ReleaseTextures();
  sceneFiler_->Reset();
  // The header lines and texel insets an opened scene brought belong to that scene.
  sceneFiler_->GroundDataLines().clear();
  sceneFiler_->SetSceneTexelInsets(std::nullopt);
  sceneFiler_->SetSceneFormat(sfFMS);
  sceneFiler_->SetSceneType(stCube);
  panels_->ShowFMSParams(*sceneFiler_->FMSData());

  const Vec3 aircraft = sceneFiler_->FMSData()->GetAircraftVector();
  renderStage_->StartPoint()->SetPosition(aircraft);
  renderStage_->PlaneMark()->SetPosition(aircraft);
  planeMarkHistory_->Clear();
  PushPlaneMarkHistory();
  renderStage_->StartDirection()->SetPosition(aircraft);

  ResetLayers(*collections_);
  history_->Clear();
  PushHistory();
  RefillLayerPanel();

  ClearTexturePolygons();
  panels_->ClearMoveVectors();
  SetStatusText(spPlaneMark, "");
  SetStatusText(spSelectionCenter, "");
  if (memoEditor_)
    memoEditor_->Lines()->Clear();
  InitRender();
}

void TMainForm::RefreshPanels() {
  panels_->ShowFMSParams(*sceneFiler_->FMSData());
  RefillLayerPanel();
  planeMarkHistory_->Clear();
  PushPlaneMarkHistory();
  history_->Clear();
  PushHistory();
}

void TMainForm::RefillLayerPanel() {
  panels_->SetLayerCollections(collections_);
}

void TMainForm::ClearTexturePolygons() {
  textureCube_->Pieces()->Reset();
  textureCube_->Slices()->Reset();
  textureCube_->Clear();
  showTexturePolygons_ = false;
}

void TMainForm::PushHistory() {
  history_->PushState();
  SetModified(true);
}

bool TMainForm::CanUndo() const {
  return history_ && history_->Index() >= 1;
}

bool TMainForm::CanRedo() const {
  return history_ && history_->Index() < history_->Count() - 1;
}

void TMainForm::Undo() {
  viewInput_->EndDrag();
  if (!CanUndo())
    return;
  history_->SetIndex(history_->Index() - 1);
  HistoryStepped();
}

void TMainForm::Redo() {
  viewInput_->EndDrag();
  if (!CanRedo())
    return;
  history_->SetIndex(history_->Index() + 1);
  HistoryStepped();
}

void TMainForm::HistoryStepped() {
  panels_->SetLayerCollections(collections_);
  // The texture polygons were cut from the blades as they were.
  ClearTexturePolygons();
  Redraw();
  UpdateSelectionCenter();
  SetModified(true);
}

void TMainForm::SetEditMode(TEditMode mode) {
  if (mode == editMode_)
    return;
  viewInput_->EndDrag();
  editMode_ = mode;
  viewInput_->EditModeChanged();
  panels_->EditModeChanged(mode);
  static constexpr std::array<int, 6> kCursors{0, crKnife, crScissors, crDirection, crScale, crRotation};
  window_.SetViewCursor(kCursors.at(mode));
}

void TMainForm::PushPlaneMarkHistory() {
  planeMarkVector_->SetVector(renderStage_->PlaneMark()->Position());
  planeMarkHistory_->PushState();
}

std::optional<Vec3> TMainForm::SelectionCenter() const {
  if (collections_ == nullptr || collections_->SelectedVertices().Count() == 0)
    return std::nullopt;
  return SelectionCentroid(collections_->SelectedVertices());
}

void TMainForm::ClearStatusMessage() {
  if (!showsSelectionCenter_)
    SetStatusText(spSelectionCenter, "");
}

void TMainForm::UpdateSelectionCenter() {
  if (const std::optional<Vec3> center = SelectionCenter()) {
    window_.SetStatusText(spSelectionCenter, StatusVector("選択頂点の中心 ", *center));
    showsSelectionCenter_ = true;
  } else if (showsSelectionCenter_) {
    SetStatusText(spSelectionCenter, "");
  }
}

// --- edit modes and the drag steps ----------------------------------------------------------------

namespace {

constexpr float kFineDivisor = 10.0f;

}  // namespace

float TMainForm::ScreenToWorldScale() {
  if (!render_.HasDevice() || collections_ == nullptr)
    return 0.0f;
  IDevice& device = render_.GetDevice();
  transformer1_->ApplyTransforms(device);
  const int width = render_.Width();
  const int height = render_.Height();
  const TVertexItemList& selected = collections_->SelectedVertices();
  const bool hasSelection = selected.Count() > 0;
  const Vec3 reference = hasSelection ? SelectionCentroid(selected) : transformer1_->LookAt()->GetVector();
  const auto ends = ScreenPointsToWorld(device, reference, {0, height / 2}, {width, height / 2});
  const float length = ends ? VectorDistance(ends->first, ends->second) : 0.0f;
  if (!hasSelection)
    return length;
  const int screen = window_.ScreenWidth() > 0 ? window_.ScreenWidth() : width;
  return std::clamp(length, 5.0f, std::max(5.0f, static_cast<float>(screen)));
}

float TMainForm::OperateMove(int delta, int axis, bool fine, bool* changed) {
  if (collections_ == nullptr || collections_->SelectedVertices().Count() < 1)
    return 0.0f;
  const int screen = window_.ScreenWidth() > 0 ? window_.ScreenWidth() : render_.Width();
  const int half = std::max(screen / 2, 1);
  float d = ScreenToWorldScale() / static_cast<float>(half) * static_cast<float>(delta);
  if (fine)
    d /= kFineDivisor;
  operateMoveTotal_ += d;
  const bool moved = MoveAlongAxis(*collections_, axis, d);
  if (changed != nullptr && moved)
    *changed = true;
  Redraw();
  UpdateSelectionCenter();
  return operateMoveTotal_;
}

float TMainForm::ScaleStepFactor(int delta, bool fine) {
  const float f = fine ? 0.005f / kFineDivisor : 0.005f;
  return std::max(static_cast<float>(delta) * f + 1.0f, kMinScaleStep);
}

float TMainForm::OperateScale(int delta, int axis, bool fine, bool* changed) {
  if (collections_ == nullptr || collections_->SelectedVertices().Count() < 2)
    return 1.0f;
  const float k = ScaleStepFactor(delta, fine);
  operateScaleTotal_ *= k;
  const bool scaled = k != 1.0f && ScaleAlongAxis(*collections_, axis, k);
  if (changed != nullptr && scaled)
    *changed = true;
  Redraw();
  return operateScaleTotal_;
}

float TMainForm::OperateRotate(int delta, int axis, bool fine, bool* changed) {
  if (collections_ == nullptr || collections_->SelectedVertices().Count() < 2)
    return 0.0f;
  float a = DegreeToRadian(static_cast<float>(delta));
  if (fine)
    a /= kFineDivisor;
  operateRotateTotal_ += RadianToDegree(a);
  const bool turned = a != 0.0f && RotateAboutAxis(*collections_, axis, a);
  if (changed != nullptr && turned)
    *changed = true;
  Redraw();
  return operateRotateTotal_;
}

// --- settings --------------------------------------------------------------------------------------

void TMainForm::LoadPropertySettings() {
  reg_.SetIniFileName(SettingsFileName());
  prop_->LoadSettings(reg_);
}

void TMainForm::ApplyProperties() {
  prop_->AssignTo(&render_);
  prop_->AssignTo(renderStage_.get());
  prop_->AssignTo(collections_);
  prop_->AssignTo(textureCube_.get());
  prop_->AssignTo(sceneFiler_.get());
  planeSmooth_ = prop_->PlaneSmooth();
  Redraw();
}

void TMainForm::SavePropertySettings() {
  reg_.SetIniFileName(SettingsFileName());
  prop_->SaveSettings(reg_);
}

// --- drawing ---------------------------------------------------------------------------------------

void TMainForm::Render1Render(IDevice& device) {
  ++framesDrawn_;
  device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, render_.ClearColor(), 1.0f, 0);
  const TSceneScope scene(device);
  if (!scene.Begun())
    return;
  transformer1_->ApplyTransforms(device);
  renderStage_->DrawCube(device);
  if (overlayParts_ & opAxis)
    renderStage_->Axis()->Draw(device);
  collections_->Draw(device);
  if (overlayParts_ & opStartPoint)
    renderStage_->StartPoint()->Draw(device);
  if (overlayParts_ & opPlaneMark)
    renderStage_->PlaneMark()->Draw(device);
  if (overlayParts_ & opStartDirection)
    renderStage_->StartDirection()->Draw(device);
  if (overlayParts_ & opMouseSquare)
    renderStage_->MouseSquare()->Draw(device);
  if (overlayParts_ & opMouseLine)
    renderStage_->MouseLine()->Draw(device);
  if (showTexturePolygons_)
    textureCube_->Draw(device);
  viewInput_->DrawOverlay(device);
}

void TMainForm::Redraw() {
  render_.Render3DEnvironment();
}

void TMainForm::Render1Resize(TObject*) {
  TakeViewAspect();
  Redraw();
}

void TMainForm::TakeViewAspect() {
  transformer1_->SetAspectFromControl(render_.Width(), render_.Height());
}

// --- view toggles ----------------------------------------------------------------------------------

void TMainForm::SetViewFlags(TViewFlags flags) {
  if (flags == viewFlags_)
    return;
  viewFlags_ = flags;
  renderStage_->Cube()->SetDrawFlags(static_cast<uint8_t>(flags & 7));
  overlayParts_ = static_cast<uint8_t>(((flags & vfAxis) ? opAxis : 0) | ((flags & vfStartPoint) ? opStartPoint : 0) |
                                       ((flags & vfPlaneMark) ? opPlaneMark : 0) |
                                       ((flags & vfStartDirection) ? opStartDirection : 0));
  collections_->SetDrawFlags(((flags & vfVertex) ? TSquareBladeCollections::dfPoints : 0) |
                             ((flags & vfBorder) ? TSquareBladeCollections::dfBorders : 0) |
                             ((flags & vfSurface) ? TSquareBladeCollections::dfSurfaces : 0));
  for (int tag = 0; tag < kViewToggleCount; ++tag)
    window_.SetViewToggleDown(tag, (flags & (1u << tag)) != 0);
  Redraw();
}

void TMainForm::ViewToggleClick(int tag, bool down) {
  if (tag < 0 || tag >= kViewToggleCount)
    return;
  const auto bit = static_cast<TViewFlags>(1u << tag);
  SetViewFlags(down ? (viewFlags_ | bit) : (viewFlags_ & ~bit));
}

void TMainForm::ViewGroupDownChange(int tag, bool down) {
  const TViewFlags mask = ViewGroupMask(tag);
  SetViewFlags(down ? (viewFlags_ | mask) : (viewFlags_ & ~mask));
}

// --- view points -----------------------------------------------------------------------------------

TDX9Transformer* TMainForm::SavedCamera(TViewPoint viewPoint) const {
  switch (viewPoint) {
    case vpOrigin:
      return originCamera_.get();
    case vpFree:
      return freeCamera_.get();
    case vpTop:
      return topCamera_.get();
  }
  return nullptr;
}

void TMainForm::SetViewPoint(TViewPoint viewPoint) {
  if (!resetting_ && viewPoint == viewPoint_)
    return;
  viewPoint_ = viewPoint;
  const TViewPointDefaults& d = ViewPointDefaults(viewPoint);
  TDX9Transformer& camera = *transformer1_;
  camera.SetCameraMode(static_cast<TDX9TransformerCameraMode>(d.CameraMode));
  camera.SetZoom(d.Zoom);
  camera.CameraRotation()->SetX(d.CameraRotation.x);
  camera.CameraRotation()->SetY(d.CameraRotation.y);
  camera.CameraRotation()->SetZ(d.CameraRotation.z);
  camera.ViewTranslation()->SetX(d.ViewTranslation.x);
  camera.ViewTranslation()->SetY(d.ViewTranslation.y);
  camera.ViewTranslation()->SetZ(d.ViewTranslation.z);
  camera.SetZoomMin(d.ZoomMin);
  // A rotation that already had the default value moved nothing: the eye is placed again all the
  // same, about the look-at point it has now.
  camera.UpdateCamera();
  window_.SetViewPointDown(viewPoint);
  if (viewPoint == vpOrigin)
    camera.SetRotationFromDirection(sceneFiler_->FMSData()->GetAircraftVector());
  Redraw();
}

void TMainForm::ViewPointClick(int tag) {
  if (tag < vpOrigin || tag > vpTop)
    return;
  SavedCamera(viewPoint_)->Assign(transformer1_.get());
  SetViewPoint(static_cast<TViewPoint>(tag));
  transformer1_->Assign(SavedCamera(viewPoint_));
  // A camera saved before the view was resized keeps the old shape.
  TakeViewAspect();
  Redraw();
}

void TMainForm::ResetViewPoint(int tag) {
  if (tag < vpOrigin || tag > vpTop)
    return;
  if (tag != vpOrigin)
    transformer1_->SetLookAt({0, 0, 0});
  {
    const TFlagScope resetting(resetting_);
    SetViewPoint(static_cast<TViewPoint>(tag));
  }
  SavedCamera(viewPoint_)->Assign(transformer1_.get());
}

bool TMainForm::CanChangeLookAt() const {
  return collections_ != nullptr && collections_->SelectedVertices().Count() > 0;
}

void TMainForm::ChangeLookAt() {
  if (!CanChangeLookAt())
    return;
  TDX9Transformer& camera = *transformer1_;
  const Vec3 centre = SelectionCentroid(collections_->SelectedVertices());
  const Vec3 eye = camera.CameraPos()->GetVector();
  // The free camera looks along the direction whose pitch and yaw are its rotation's X and Y, so
  // the direction from the eye to the centre gives them as they are.
  const float pitch = RadianToDegree(ElevationAngle(eye, centre));
  const float yaw = RadianToDegree(HeadingAngle(eye, centre));
  SetViewPoint(vpFree);
  camera.SetLookAt(centre);
  UpdateFarPlane();
  camera.CameraRotation()->SetX(pitch);
  camera.CameraRotation()->SetY(yaw);
  camera.SetViewTranslation({0, 0, 0});
  camera.UpdateCamera();
  Redraw();
}

void TMainForm::InitRender() {
  render_.OnRender = {};
  SetViewPoint(vpTop);
  topCamera_->Assign(transformer1_.get());
  SetViewPoint(vpOrigin);
  originCamera_->Assign(transformer1_.get());
  SetViewPoint(vpFree);
  freeCamera_->Assign(transformer1_.get());
  render_.OnRender = [this](TObject*, IDevice& device) { Render1Render(device); };
  Redraw();
}

void TMainForm::UpdateFarPlane() {
  const Vec3 lookAt = transformer1_->LookAt()->GetVector();
  float farthest = 0.0f;
  const TVertexItemCollection& corners = *renderStage_->Cube()->VertexPool();
  for (int i = 0; i < corners.Count(); ++i)
    farthest = std::max(farthest, Vec3Length(corners.Item(i)->Vertex()->GetVector() - lookAt));
  transformer1_->SetZ_Far(farthest + 2.0f * transformer1_->CameraDistance());
}

void TMainForm::UpdateDialogRanges() {
  panels_->SetDialogRanges(static_cast<float>(sceneFiler_->FMSData()->AreaRadius()));
}

void TMainForm::FilerChanged(TObject*) {
  ApplyFilerData(true);
}

void TMainForm::ApplyFilerData(bool markModified) {
  const TFMSDataHolder& data = *sceneFiler_->FMSData();
  const Vec3 aircraft = data.GetAircraftVector();
  const auto radius = static_cast<float>(data.AreaRadius());
  renderStage_->StartPoint()->SetPosition(aircraft);
  renderStage_->StartDirection()->SetPosition(aircraft);
  renderStage_->StartDirection()->SetLength(radius);
  renderStage_->Cube()->SetSize(radius);
  renderStage_->Cube()->SetRotation(static_cast<float>(data.SceneRotate().ToDouble()));
  transformer1_->SetCameraDistance(1.2f * radius);
  UpdateDialogRanges();
  UpdateFarPlane();
  if (resetting_ || (viewPoint_ == vpOrigin && panels_->ParamLookAt())) {
    renderStage_->PlaneMark()->SetPosition(aircraft);
    planeMarkHistory_->Clear();
    PushPlaneMarkHistory();
    transformer1_->SetRotationFromDirection(aircraft);
  }
  if (markModified)
    SetModified(true);
  Redraw();
}

}  // namespace vrel
