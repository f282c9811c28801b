#include "app/PropertyEditor.h"

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "app/PropertySamples.h"
#include "files/VrelProp.h"
#include "files/ZStreamUtils.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9TextureCube.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

constexpr TPropertyElement kBackground[] = {{"背景色", 1}};
constexpr TPropertyElement kCube[] = {{"点と線の色", 2}};
constexpr TPropertyElement kStartPoint[] = {{"線の色", 3}, {"面の色と透過率", 4}, {"大きさ", 5}};
constexpr TPropertyElement kPlaneMark[] = {{"線の色", 6}, {"面の色と透過率", 7}, {"大きさ", 8}};
constexpr TPropertyElement kPolygon[] = {
    {"点と線の色", 9}, {"表面の色と透過率", 10}, {"裏面の色", 11}, {"選択された点と線の色", 12}};
constexpr TPropertyElement kTexturePolygon[] = {
    {"点と線の色", 13}, {"表面の色と透過率", 14}, {"選択された点と線の色", 15}};
constexpr TPropertyElement kTextureCube[] = {{"線の表示と色", 16}};
constexpr TPropertyElement kScissors[] = {{"ハイライト表示と色", kScissorsElement}};

constexpr TPropertyGroup kTree[] = {
    {"背景", kBackground},
    {"キューブ", kCube},
    {"発進位置", kStartPoint},
    {"機体マーク", kPlaneMark},
    {"ポリゴン", kPolygon},
    {"背景を適用したポリゴン", kTexturePolygon},
    {"テキスチャポリゴン", kTextureCube},
    {"ハサミツール", kScissors},
};

bool InTree(int id) {
  for (const TPropertyGroup& group : kTree) {
    for (const TPropertyElement& element : group.Elements) {
      if (element.Id == id)
        return true;
    }
  }
  return false;
}

// The preview's stage: the markers where the sample shows them, the cube of a scene of radius 1000.
void SetUpStage(TDX9RenderStage& stage) {
  stage.Axis()->SetLength(500.0f);
  stage.StartPoint()->SetLength(4.0f);
  stage.StartPoint()->SetPosition({-5.0f, -1.7f, 10.0f});
  stage.PlaneMark()->SetLength(3.0f);
  stage.PlaneMark()->SetPosition({-8.0f, -1.7f, 14.0f});
  stage.StartDirection()->SetPosition(stage.StartPoint()->Position());
  stage.StartDirection()->SetLength(1000.0f);
  stage.Cube()->SetSize(1000.0f);
  stage.Cube()->SetRotation(0.0f);
}

std::string StreamOf(const std::vector<std::string>& lines) {
  std::string stream;
  HexStringsToStream(lines, stream);
  return stream;
}

}  // namespace

std::span<const TPropertyGroup> PropertyElementTree() {
  return kTree;
}

TElementEditors ElementEditors(int id) {
  TElementEditors editors;
  if (!InTree(id))
    return editors;
  for (const TDisplaySetting& setting : TVrelProp::Settings()) {
    if (setting.ResetGroup != id)
      continue;
    switch (setting.Kind) {
      case TSettingKind::Color:
        editors.Color = &setting;
        break;
      case TSettingKind::Alpha:
        editors.Alpha = &setting;
        break;
      case TSettingKind::Length:
        editors.Length = &setting;
        break;
      case TSettingKind::DrawStates:
      case TSettingKind::Switch:
        editors.Border = &setting;
        break;
    }
  }
  return editors;
}

// The edge the scissors would remove, as a one-pixel line in the highlight colour over the frame.
class TPropertyEditor::Highlighter : public TMouseLine {
 public:
  void Draw(IDevice& device) const override {
    device.SetRenderState(RenderState::ZEnable, 0u);
    device.SetRenderState(RenderState::Lighting, 0u);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
    device.SetFVF(VertexFormat::XyzRhwDiffuse);
    device.DrawPrimitiveUP(PrimitiveType::LineList, 1, Vertices());
  }
};

TPropertyEditor::TPropertyEditor(TDX9Render& render, const TImageDecoder& decode)
    : render_(render),
      prop_(std::make_unique<TVrelProp>()),
      stage_(std::make_unique<TDX9RenderStage>()),
      container_(std::make_unique<TSquareBladeCollectionsContainer>()),
      fins_(std::make_unique<TFinCollectionsContainer>()),
      camera_(std::make_unique<TDX9Transformer>()),
      highlighter_(std::make_unique<Highlighter>()) {
  SetUpStage(*stage_);
  Layers().SetDrawFlags(TSquareBladeCollections::dfPoints | TSquareBladeCollections::dfBorders |
                        TSquareBladeCollections::dfSurfaces);
  prop_->OnChange = TNotifyEvent::Of<&TPropertyEditor::SettingsChanged>(this);

  TDX9Transformer& camera = *camera_;
  camera.SetZoomMax(120.0f);
  camera.SetZ_Near(0.05f);
  camera.SetZ_Far(3000.0f);
  camera.SetZoomMin(0.01f);
  camera.SetCameraMode(cmFree);
  camera.SetCameraDistance(1200.0f);
  camera.SetAspectFromControl(render_.Width(), render_.Height());

  LoadSamples(decode);
  render_.OnRender = [this](TObject*, IDevice& device) { Render(device); };
  render_.OnDeviceCreated = [this](TObject*, IDevice& device) { DeviceCreated(device); };
  render_.OnResize = TNotifyEvent::Of<&TPropertyEditor::PreviewResized>(this);
  if (render_.HasDevice())
    DeviceCreated(render_.GetDevice());
  prop_->AssignTo(&render_);
  ViewReset();
}

TPropertyEditor::~TPropertyEditor() {
  render_.OnRender = {};
  render_.OnDeviceCreated = {};
  render_.OnResize = {};
  prop_->OnChange = {};
}

TSquareBladeCollections& TPropertyEditor::Layers() const {
  return *container_->Collections();
}

void TPropertyEditor::LoadSamples(const TImageDecoder& decode) {
  // Streaming binds every corner to its vertex and fills the blades' caches (the container's
  // Loaded) before anything draws them.
  ReadComponentFromStream(StreamOf(SampleBladeLines()), *container_);
  ReadComponentFromStream(StreamOf(SampleFinLines()), *fins_);
  fins_->SyncBlades();
  const std::string file = StreamOf(SampleTextureLines());
  try {
    texture_ = decode(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    CheckTextureImage(*texture_);
  } catch (const std::exception&) {
    texture_.reset();
  }
}

void TPropertyEditor::PreviewResized(TObject*) {
  camera_->SetAspectFromControl(render_.Width(), render_.Height());
  Redraw();
}

void TPropertyEditor::DeviceCreated(IDevice& device) {
  fins_->SetTexture(texture_ ? device.CreateTexture(*texture_, "sample landscape") : nullptr);
}

void TPropertyEditor::Load(const TVrelProp& settings) {
  prop_->Assign(&settings);
}

// --- the settings and the preview ----------------------------------------------------------------

void TPropertyEditor::SettingsChanged(TObject*) {
  UpdatePreview();
}

void TPropertyEditor::UpdatePreview() {
  ++updates_;
  prop_->AssignTo(&render_);
  prop_->AssignTo(stage_.get());
  prop_->AssignTo(&Layers());
  prop_->AssignTo(fins_.get());
  Redraw();
}

template <class F>
void TPropertyEditor::Edit(F&& change) {
  // The cube's colour, the scissors' settings and the switches change without an announcement.
  const int before = updates_;
  change();
  if (updates_ == before)
    UpdatePreview();
}

void TPropertyEditor::Redraw() {
  render_.Render3DEnvironment();
}

// --- the elements and their editors --------------------------------------------------------------

TElementEditors TPropertyEditor::SelectElement(int id) {
  elementId_ = id;
  if (highlight_) {
    highlight_.reset();
    Redraw();
  }
  return Editors();
}

template <class T>
std::optional<T> TPropertyEditor::ValueOf(const TDisplaySetting* setting) const {
  if (!setting)
    return std::nullopt;
  return static_cast<T>(prop_->SettingValue(*setting));
}

void TPropertyEditor::SetValueOf(const TDisplaySetting* setting, double value) {
  if (setting)
    Edit([&] { prop_->SetSettingValue(*setting, value); });
}

std::optional<int32_t> TPropertyEditor::Color() const {
  return ValueOf<int32_t>(Editors().Color);
}

void TPropertyEditor::SetColor(int32_t color) {
  SetValueOf(Editors().Color, color);
}

std::optional<int> TPropertyEditor::Alpha() const {
  return ValueOf<int>(Editors().Alpha);
}

void TPropertyEditor::SetAlpha(int alpha) {
  SetValueOf(Editors().Alpha, alpha);
}

std::optional<float> TPropertyEditor::Length() const {
  return ValueOf<float>(Editors().Length);
}

void TPropertyEditor::SetLength(float length) {
  SetValueOf(Editors().Length, length);
}

std::optional<bool> TPropertyEditor::Border() const {
  const TDisplaySetting* setting = Editors().Border;
  const std::optional<int> value = ValueOf<int>(setting);
  if (!value)
    return std::nullopt;
  return setting->Kind == TSettingKind::DrawStates ? (*value & dsBorder) != 0 : *value != 0;
}

void TPropertyEditor::SetBorder(bool on) {
  const TDisplaySetting* setting = Editors().Border;
  if (!setting)
    return;
  // The texture polygons' faces stay drawn; only their lines come and go.
  if (setting->Kind == TSettingKind::DrawStates)
    SetValueOf(setting, on ? dsSurface | dsBorder : dsSurface);
  else
    SetValueOf(setting, on ? 1 : 0);
  if (!on && highlight_) {
    highlight_.reset();
    Redraw();
  }
}

bool TPropertyEditor::Switch(int tag) const {
  switch (tag) {
    case psPlaneSmooth:
      return prop_->PlaneSmooth();
    case psDiagonalKnife:
      return prop_->DiagonalKnife();
    default:
      return !prop_->IgnoreVisible();
  }
}

void TPropertyEditor::SetSwitch(int tag, bool checked) {
  switch (tag) {
    case psPlaneSmooth:
      prop_->SetPlaneSmooth(checked);
      break;
    case psDiagonalKnife:
      prop_->SetDiagonalKnife(checked);
      break;
    default:
      prop_->SetIgnoreVisible(!checked);
      break;
  }
}

void TPropertyEditor::DefaultItem() {
  Edit([&] { prop_->ResetItem(elementId_); });
}

void TPropertyEditor::DefaultAll() {
  Edit([&] {
    for (const TPropertyGroup& group : kTree) {
      for (const TPropertyElement& element : group.Elements)
        prop_->ResetItem(element.Id);
    }
  });
}

// --- the preview ---------------------------------------------------------------------------------

void TPropertyEditor::ViewReset() {
  TDX9Transformer& camera = *camera_;
  camera.SetZoom(0.8713f);
  camera.SetLookAt({-8.36f, -4.12f, 0.0f});
  camera.SetCameraRotation({35.59f, -45.33f, 0.0f});
  camera.UpdateCamera();
  Redraw();
}

void TPropertyEditor::Render(IDevice& device) {
  device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, render_.ClearColor(), 1.0f, 0);
  const TSceneScope scene(device);
  if (!scene.Begun())
    return;
  camera_->ApplyTransforms(device);
  stage_->DrawCube(device);
  stage_->Axis()->Draw(device);
  Layers().Draw(device);
  stage_->StartPoint()->Draw(device);
  stage_->PlaneMark()->Draw(device);
  stage_->StartDirection()->Draw(device);
  fins_->Draw(device);
  if (highlight_)
    highlighter_->Draw(device);
}

void TPropertyEditor::MouseDown(int x, int y) {
  lastX_ = x;
  lastY_ = y;
}

void TPropertyEditor::Wheel(int delta) {
  if (delta == 0)
    return;
  TDX9Transformer& camera = *camera_;
  float step = 0.05f * camera.Zoom();
  if (delta < 0)
    step = -step;
  camera.SetZoom(camera.Zoom() - step);
  Redraw();
}

void TPropertyEditor::MouseMove(const TPreviewButtons& buttons, int x, int y, int screenWidth) {
  TDX9Transformer& camera = *camera_;
  const bool freeMode = camera.CameraMode() == cmFree;
  if (buttons.Middle && !buttons.Left && !buttons.Right && !buttons.Ctrl && freeMode) {
    const float f = std::min(camera.Zoom() / 10.0f, 1.0f);
    Vec3 lookAt = camera.LookAt()->GetVector();
    if (y != lastY_)
      lookAt.y -= static_cast<float>(y - lastY_) * f;
    if (x != lastX_)
      lookAt.x += static_cast<float>(x - lastX_) * f;
    camera.SetLookAt(lookAt);
    camera.UpdateCamera();
    lastX_ = x;
    lastY_ = y;
    Redraw();
  } else if (buttons.Right && !buttons.Left && !buttons.Middle) {
    const float s = freeMode ? 1.0f : -1.0f;
    const float fine = buttons.Ctrl ? 0.1f : 1.0f;
    float k = 180.0f / (static_cast<float>(std::max(screenWidth, 3)) / 3.0f) * fine;
    k *= freeMode ? 5.0f * std::min(camera.Zoom(), 0.2f) : 0.05f * std::min(camera.Zoom(), 20.0f);
    const float pitch = s * static_cast<float>(y - lastY_) * k;
    const float yaw = s * static_cast<float>(x - lastX_) * k;
    if (pitch != 0.0f)
      camera.CameraRotation()->SetX(camera.CameraRotation()->X() + pitch);
    if (yaw != 0.0f)
      camera.CameraRotation()->SetY(camera.CameraRotation()->Y() + yaw);
    lastX_ = x;
    lastY_ = y;
    Redraw();
  }
  if (elementId_ == kScissorsElement && prop_->ScissorsHighlight())
    HighlightScissors(x, y);
}

void TPropertyEditor::HighlightScissors(int x, int y) {
  std::optional<TScreenEdge> edge;
  if (render_.HasDevice()) {
    IDevice& device = render_.GetDevice();
    camera_->ApplyTransforms(device);
    edge = ScissorsEdgeAt(Layers(), device, x, y);
  }
  if (edge) {
    highlighter_->SetColor(prop_->ScissorsHighlightColor());
    highlighter_->SetRect({edge->From.x, edge->From.y, edge->To.x, edge->To.y});
  }
  const bool shown = highlight_.has_value();
  highlight_ = edge;
  if (edge || shown)
    Redraw();
}

}  // namespace vrel
