#include "scene/DX9Transformer.h"

#include <algorithm>
#include <cmath>

#include "scene/DX9Utils.h"

namespace vrel {

namespace {

constexpr float kPitchLimit = 89.99f;

bool AllFinite(const Matrix& m) {
  for (const auto& row : m.m)
    for (float v : row)
      if (!std::isfinite(v))
        return false;
  return true;
}

TPropInfo OnChangeProperty() {
  TPropInfo p;
  p.Name = "OnChange";
  p.Kind = TTypeKind::Method;
  p.GetMethod = [](const TPersistent& o) -> TNotifyEvent { return static_cast<const TDX9Transformer&>(o).OnChange; };
  p.SetMethod = [](TPersistent& o, const TNotifyEvent& e) { static_cast<TDX9Transformer&>(o).OnChange = e; };
  return p;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TWorldVector3

const TClassInfo& TWorldVector3::StaticClass() {
  static const TClassInfo info("TWorldVector3", &Inherited::StaticClass());
  return info;
}

float TWorldVector3::LimitX(float value) {
  return std::clamp(value, -kPitchLimit, kPitchLimit);
}

float TWorldVector3::LimitY(float value) {
  if (!std::isfinite(value))
    return value;  // refused by the store
  // The remainder keeps the sign of the value (400 -> 40, -400 -> -40) and is exact.
  const float r = std::fmod(value, 360.0f);
  return r == 0.0f ? 0.0f : r;
}

float TWorldVector3::LimitZ(float value) {
  return std::clamp(value, -kPitchLimit, kPitchLimit);
}

void TWorldVector3::SetX(float value) {
  TNotifyVector::SetX(LimitX(value));
}
void TWorldVector3::SetY(float value) {
  TNotifyVector::SetY(LimitY(value));
}
void TWorldVector3::SetZ(float value) {
  TNotifyVector::SetZ(LimitZ(value));
}

void TWorldVector3::SetVector(const Vec3& v) {
  TNotifyVector::SetVector({LimitX(v.x), LimitY(v.y), LimitZ(v.z)});
}

void TWorldVector3::Assign(const TPersistent* source) {
  if (const auto* other = As<TNotifyVector>(source)) {
    // A notify vector only ever holds finite values, so the limits give finite values too.
    x_ = LimitX(other->X());
    y_ = LimitY(other->Y());
    z_ = LimitZ(other->Z());
    Changed();
    return;
  }
  TNotifyVector::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TDX9Transformer

const TClassInfo& TDX9Transformer::StaticClass() {
  static const char* const kModeNames[] = {"cmFree", "cmOrigin"};
  static const TClassInfo info(
      "TDX9Transformer", &Inherited::StaticClass(),
      {props::Object<&TDX9Transformer::WorldRotation>("WorldRotation"),
       props::Object<&TDX9Transformer::CameraPos>("CameraPos"), props::Object<&TDX9Transformer::LookAt>("LookAt"),
       props::Object<&TDX9Transformer::FrameUp>("FrameUp"),
       props::Object<&TDX9Transformer::ViewTranslation>("ViewTranslation"),
       props::Float<&TDX9Transformer::Zoom, &TDX9Transformer::SetZoom>("Zoom"),
       props::Float<&TDX9Transformer::Aspect, &TDX9Transformer::SetAspect>("Aspect"),
       props::Float<&TDX9Transformer::Z_Near, &TDX9Transformer::SetZ_Near>("Z_Near"),
       props::Float<&TDX9Transformer::Z_Far, &TDX9Transformer::SetZ_Far>("Z_Far"),
       props::Float<&TDX9Transformer::ZoomMin, &TDX9Transformer::SetZoomMin>("ZoomMin"),
       props::Float<&TDX9Transformer::ZoomMax, &TDX9Transformer::SetZoomMax>("ZoomMax"),
       props::Enumeration<&TDX9Transformer::CameraMode, &TDX9Transformer::SetCameraMode>("CameraMode", kModeNames),
       props::Object<&TDX9Transformer::CameraRotation>("CameraRotation"),
       props::Float<&TDX9Transformer::CameraDistance, &TDX9Transformer::SetCameraDistance>("CameraDistance"),
       OnChangeProperty()},
      [](TComponent* owner) -> TComponent* { return new TDX9Transformer(owner); });
  return info;
}

TDX9Transformer::TDX9Transformer(TComponent* owner)
    : TStoreComponent(owner),
      worldRotation_(std::make_unique<TWorldVector3>()),
      cameraPos_(std::make_unique<TNotifyVector>()),
      lookAt_(std::make_unique<TNotifyVector>()),
      frameUp_(std::make_unique<TNotifyVector>()),
      viewTranslation_(std::make_unique<TNotifyVector>()),
      cameraRotation_(std::make_unique<TWorldVector3>()) {
  frameUp_->SetVector({0, 1, 0});
  worldRotation_->OnChange = TNotifyEvent::Of<&TDX9Transformer::WorldRotationChanged>(this);
  cameraPos_->OnChange = TNotifyEvent::Of<&TDX9Transformer::ViewVectorChanged>(this);
  lookAt_->OnChange = TNotifyEvent::Of<&TDX9Transformer::ViewVectorChanged>(this);
  frameUp_->OnChange = TNotifyEvent::Of<&TDX9Transformer::ViewVectorChanged>(this);
  viewTranslation_->OnChange = TNotifyEvent::Of<&TDX9Transformer::ViewVectorChanged>(this);
  cameraRotation_->OnChange = TNotifyEvent::Of<&TDX9Transformer::CameraRotationChanged>(this);
}

TDX9Transformer::~TDX9Transformer() = default;

void TDX9Transformer::WorldRotationChanged(TObject*) {
  WorldChanged();
}
void TDX9Transformer::ViewVectorChanged(TObject*) {
  ViewChanged();
}
void TDX9Transformer::CameraRotationChanged(TObject*) {
  UpdateCamera();
}

void TDX9Transformer::SetVectorProperty(TNotifyVector* target, const Vec3& v) {
  if (SameVector(target->GetVector(), v))
    return;
  target->SetVector(v);
  DoChange();
}

void TDX9Transformer::SetWorldRotation(const Vec3& v) {
  SetVectorProperty(worldRotation_.get(), v);
}
void TDX9Transformer::SetCameraPos(const Vec3& v) {
  SetVectorProperty(cameraPos_.get(), v);
}
void TDX9Transformer::SetLookAt(const Vec3& v) {
  SetVectorProperty(lookAt_.get(), v);
}
void TDX9Transformer::SetFrameUp(const Vec3& v) {
  SetVectorProperty(frameUp_.get(), v);
}
void TDX9Transformer::SetViewTranslation(const Vec3& v) {
  SetVectorProperty(viewTranslation_.get(), v);
}
void TDX9Transformer::SetCameraRotation(const Vec3& v) {
  SetVectorProperty(cameraRotation_.get(), v);
}

void TDX9Transformer::SetZoom(float value) {
  if (value == zoom_ || !std::isfinite(value))
    return;
  // A stream may bring the zoom before its limits: Loaded puts it within them.
  zoom_ = Loading() ? value : std::min(std::max(value, zoomMin_), zoomMax_);
  ProjectionChanged();
}

void TDX9Transformer::SetAspect(float value) {
  if (value == aspect_ || !std::isfinite(value))
    return;
  aspect_ = value;
  ProjectionChanged();
}

void TDX9Transformer::SetZ_Near(float value) {
  if (value == zNear_ || !std::isfinite(value))
    return;
  zNear_ = value;
  ProjectionChanged();
}

void TDX9Transformer::SetZ_Far(float value) {
  if (value == zFar_ || !std::isfinite(value))
    return;
  zFar_ = value;
  ProjectionChanged();
}

void TDX9Transformer::SetZoomMin(float value) {
  if (value == zoomMin_ || !std::isfinite(value))
    return;
  if (Loading()) {
    zoomMin_ = value;
    return;
  }
  zoomMin_ = std::min(value, zoomMax_);
  if (zoom_ < zoomMin_)
    SetZoom(zoomMin_);
  DoChange();
}

void TDX9Transformer::SetZoomMax(float value) {
  if (value == zoomMax_ || !std::isfinite(value))
    return;
  if (Loading()) {
    zoomMax_ = value;
    return;
  }
  zoomMax_ = std::max(value, zoomMin_);
  if (zoom_ > zoomMax_)
    SetZoom(zoomMax_);
  DoChange();
}

void TDX9Transformer::SetCameraDistance(float value) {
  if (value == cameraDistance_ || !std::isfinite(value))
    return;
  cameraDistance_ = value;
  if (2.0f * value > zFar_)
    SetZ_Far(2.0f * value);
  UpdateCamera();
  DoChange();
}

void TDX9Transformer::SetCameraMode(TDX9TransformerCameraMode value) {
  if (value == cameraMode_ || (value != cmFree && value != cmOrigin))
    return;
  cameraMode_ = value;
  // A streamed camera brings its own vectors, which a reset would overwrite.
  if (Loading())
    return;
  Reset();
  DoChange();
}

void TDX9Transformer::UpdateCamera() {
  const Vec3 rotation = cameraRotation_->GetVector();
  if (cameraMode_ == cmFree) {
    // Orbit the look-at point: start behind it along -Z and turn about it.
    const Vec3 centre = lookAt_->GetVector();
    const Vec3 start{centre.x, centre.y, centre.z - cameraDistance_};
    const Matrix orbit = RotationAboutPoint(centre, {1, 0, 0}, DegreeToRadian(rotation.x)) *
                         RotationAboutPoint(centre, {0, 1, 0}, DegreeToRadian(rotation.y)) *
                         RotationAboutPoint(centre, {0, 0, 1}, DegreeToRadian(rotation.z));
    const Vec3 eye = Vec3TransformCoord(start, orbit);
    cameraPos_->SetX(eye.x);
    cameraPos_->SetY(eye.y);
    cameraPos_->SetZ(eye.z);
  } else {
    const Matrix turn = MatrixRotationYawPitchRoll(DegreeToRadian(rotation.y), DegreeToRadian(rotation.x), 0.0f);
    const Vec3 target = Vec3TransformCoord({0, 0, cameraDistance_}, turn);
    lookAt_->SetX(target.x);
    lookAt_->SetY(target.y);
    lookAt_->SetZ(target.z);
  }
  // A roll tilts the up vector once from straight up, so repeated updates do not add up.
  if (rotation.z != 0.0f)
    frameUp_->SetVector(Vec3TransformCoord({0, 1, 0}, MatrixRotationZ(DegreeToRadian(rotation.z))));
}

void TDX9Transformer::WorldChanged() {
  worldDirty_ = true;
}
void TDX9Transformer::ViewChanged() {
  viewDirty_ = true;
}
void TDX9Transformer::ProjectionChanged() {
  projectionDirty_ = true;
}

void TDX9Transformer::DoChange() {
  if (OnChange)
    OnChange(this);
}

void TDX9Transformer::Reset() {
  cameraRotation_->SetX(0);
  cameraRotation_->SetY(0);
  cameraRotation_->SetZ(0);
  SetFrameUp({0, 1, 0});
  SetViewTranslation({0, 0, 0});
  if (cameraMode_ == cmFree) {
    SetCameraPos({0, 0, -cameraDistance_});
    SetLookAt({0, 0, 0});
  } else {
    SetCameraPos({0, 0, 0});
    SetLookAt({0, 0, cameraDistance_});
  }
}

void TDX9Transformer::SetAspectFromControl(int width, int height) {
  // A control not laid out yet has no shape to take.
  if (width <= 0 || height <= 0)
    return;
  SetAspect(static_cast<float>(width) / static_cast<float>(height));
}

void TDX9Transformer::ApplyTransforms(IDevice& device) {
  // A matrix that would not be finite (a zero field of view or aspect, coinciding clip planes) is not
  // taken: the device keeps the last good one.
  if (worldDirty_) {
    const Vec3 r = worldRotation_->GetVector();
    const Matrix m = MatrixRotationYawPitchRoll(DegreeToRadian(r.y), DegreeToRadian(r.x), DegreeToRadian(r.z));
    if (AllFinite(m))
      world_ = m;
    worldDirty_ = false;
  }
  device.SetTransform(TransformState::World, world_);

  if (viewDirty_) {
    const Vec3 pan = viewTranslation_->GetVector();
    // The pan comes after the look-at, so it moves the picture in view space.
    const Matrix m = MatrixLookAtLH(cameraPos_->GetVector(), lookAt_->GetVector(), frameUp_->GetVector()) *
                     MatrixTranslation(pan.x, pan.y, pan.z);
    if (AllFinite(m))
      view_ = m;
    viewDirty_ = false;
  }
  device.SetTransform(TransformState::View, view_);

  if (projectionDirty_) {
    const Matrix m = MatrixPerspectiveFovLH(DegreeToRadian(zoom_), aspect_, zNear_, zFar_);
    if (AllFinite(m))
      projection_ = m;
    projectionDirty_ = false;
  }
  device.SetTransform(TransformState::Projection, projection_);
}

void TDX9Transformer::GetCombinedTransform(const IDevice& device, Matrix& m) const {
  m = GetWorldViewProjection(device);
}

void TDX9Transformer::SetRotationFromDirection(const Vec3& direction) {
  if (cameraMode_ != cmOrigin)
    return;
  const float yaw = Angle2D({direction.x, direction.z}, {0, 1});
  const Vec3 turned = Vec3TransformCoord(direction, MatrixRotationY(-yaw));
  const float pitch = Angle2D({turned.z, turned.y}, {1, 0});
  cameraRotation_->SetX(RadianToDegree(pitch));
  cameraRotation_->SetY(RadianToDegree(yaw));
}

void TDX9Transformer::CopyZoomLimits(float zoomMin, float zoomMax) {
  // Widen before narrowing, so neither limit is cut by the other's old value.
  if (zoomMin > zoomMax_) {
    SetZoomMax(zoomMax);
    SetZoomMin(zoomMin);
  } else {
    SetZoomMin(zoomMin);
    SetZoomMax(zoomMax);
  }
}

void TDX9Transformer::Assign(const TPersistent* source) {
  if (const auto* other = As<TDX9Transformer>(source)) {
    SetCameraMode(other->cameraMode_);
    SetWorldRotation(other->worldRotation_->GetVector());
    SetCameraPos(other->cameraPos_->GetVector());
    SetLookAt(other->lookAt_->GetVector());
    SetFrameUp(other->frameUp_->GetVector());
    SetViewTranslation(other->viewTranslation_->GetVector());
    CopyZoomLimits(other->zoomMin_, other->zoomMax_);
    SetZoom(other->zoom_);
    SetAspect(other->aspect_);
    SetZ_Near(other->zNear_);
    SetZ_Far(other->zFar_);
    SetCameraRotation(other->cameraRotation_->GetVector());
    SetCameraDistance(other->cameraDistance_);
    return;
  }
  TStoreComponent::Assign(source);
}

void TDX9Transformer::Loaded() {
  TStoreComponent::Loaded();
  if (zoomMin_ > zoomMax_)
    zoomMin_ = zoomMax_;
  zoom_ = std::min(std::max(zoom_, zoomMin_), zoomMax_);
  WorldChanged();
  ViewChanged();
  ProjectionChanged();
}

void RegisterTransformerClasses() {
  RegisterClass(TDX9Transformer::StaticClass());
}

}  // namespace vrel
