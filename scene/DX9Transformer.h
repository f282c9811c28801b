#pragma once

// The camera of a 3D view: world rotation, eye, look-at point, up vector, pan and projection values,
// kept as a streamable component. It builds the world, view and projection matrices lazily and hands
// them to a device. Angles of the published properties are degrees.
//
// Two ways to move the eye: cmFree orbits the look-at point at CameraDistance (the editing views);
// cmOrigin stands at the origin and turns the look-at point around it (the pilot's view).

#include <cstdint>
#include <memory>

#include "platform/D3DMath.h"
#include "platform/Device.h"
#include "platform/zeClasses.h"
#include "scene/DX9Classes.h"

namespace vrel {

// A vector of rotation angles in degrees. X and Z stop short of a quarter turn either way (a camera
// pitched to the pole has no defined up), Y is kept within one turn with the sign of the value.
class TWorldVector3 : public TNotifyVector {
  VREL_CLASS_INFO(TWorldVector3, TNotifyVector)
 public:
  void SetX(float value) override;
  void SetY(float value) override;
  void SetZ(float value) override;
  void SetVector(const Vec3& v) override;
  // From any TNotifyVector, through the same limits.
  void Assign(const TPersistent* source) override;

  static float LimitX(float value);
  static float LimitY(float value);
  static float LimitZ(float value);
};

enum TDX9TransformerCameraMode : int32_t { cmFree = 0, cmOrigin = 1 };

class TDX9Transformer : public TStoreComponent {
  VREL_CLASS_INFO(TDX9Transformer, TStoreComponent)
 public:
  explicit TDX9Transformer(TComponent* owner = nullptr);
  ~TDX9Transformer() override;

  // Fires for changes of the vectors (as wholes), the zoom limits, the distance and the mode; not for
  // Zoom, Aspect, the clip planes or single components of the vectors.
  TNotifyEvent OnChange;

  TWorldVector3* WorldRotation() const { return worldRotation_.get(); }
  TNotifyVector* CameraPos() const { return cameraPos_.get(); }
  TNotifyVector* LookAt() const { return lookAt_.get(); }
  TNotifyVector* FrameUp() const { return frameUp_.get(); }
  TNotifyVector* ViewTranslation() const { return viewTranslation_.get(); }
  TWorldVector3* CameraRotation() const { return cameraRotation_.get(); }
  float Zoom() const { return zoom_; }
  float Aspect() const { return aspect_; }
  float Z_Near() const { return zNear_; }
  float Z_Far() const { return zFar_; }
  float ZoomMin() const { return zoomMin_; }
  float ZoomMax() const { return zoomMax_; }
  TDX9TransformerCameraMode CameraMode() const { return cameraMode_; }
  float CameraDistance() const { return cameraDistance_; }

  // Nothing happens when every component is within 1e-6 of the stored one; otherwise the stored
  // vector takes the value (its own notification runs) and OnChange fires.
  void SetWorldRotation(const Vec3& v);
  void SetCameraPos(const Vec3& v);
  void SetLookAt(const Vec3& v);
  void SetFrameUp(const Vec3& v);
  void SetViewTranslation(const Vec3& v);
  // Vertical field of view in degrees, held within ZoomMin..ZoomMax.
  void SetZoom(float value);
  void SetAspect(float value);
  void SetZ_Near(float value);
  void SetZ_Far(float value);
  void SetZoomMin(float value);
  void SetZoomMax(float value);
  void SetCameraRotation(const Vec3& v);
  // The far plane grows to twice the distance when it is nearer.
  void SetCameraDistance(float value);
  // Resets the camera to the new mode's start.
  void SetCameraMode(TDX9TransformerCameraMode value);

  // Places the eye (cmFree) or the look-at point (cmOrigin) by CameraRotation and CameraDistance.
  void UpdateCamera();
  void WorldChanged();
  void ViewChanged();
  void ProjectionChanged();
  void DoChange();
  // Rotation, up vector and pan back to their start; eye and look-at point to the mode's start.
  void Reset();
  void SetAspectFromControl(int width, int height);
  // Rebuilds the matrices that changed and sets all three on the device.
  void ApplyTransforms(IDevice& device);
  // world x view x projection as the device holds them now (not this camera's own matrices).
  void GetCombinedTransform(const IDevice& device, Matrix& m) const;
  // cmOrigin only: turns the camera to look along `direction`.
  void SetRotationFromDirection(const Vec3& direction);

  // From another camera: the mode first (so that its reset cannot undo what follows), then every value
  // through its setter.
  void Assign(const TPersistent* source) override;
  // Values streamed in before their limits are put within them once everything is read.
  void Loaded() override;

  // The matrices as last built (for inspection; ApplyTransforms keeps them current).
  const Matrix& WorldMatrix() const { return world_; }
  const Matrix& ViewMatrix() const { return view_; }
  const Matrix& ProjectionMatrix() const { return projection_; }
  bool WorldDirty() const { return worldDirty_; }
  bool ViewDirty() const { return viewDirty_; }
  bool ProjectionDirty() const { return projectionDirty_; }

 private:
  void SetVectorProperty(TNotifyVector* target, const Vec3& v);
  void WorldRotationChanged(TObject* sender);
  void ViewVectorChanged(TObject* sender);
  void CameraRotationChanged(TObject* sender);
  void CopyZoomLimits(float zoomMin, float zoomMax);

  std::unique_ptr<TWorldVector3> worldRotation_;
  Matrix world_;
  bool worldDirty_ = true;
  std::unique_ptr<TNotifyVector> cameraPos_;
  std::unique_ptr<TNotifyVector> lookAt_;
  std::unique_ptr<TNotifyVector> frameUp_;
  std::unique_ptr<TNotifyVector> viewTranslation_;
  Matrix view_;
  bool viewDirty_ = true;
  float zoom_ = 45.0f;
  float aspect_ = 1.0f;
  float zNear_ = 0.1f;
  float zFar_ = 3000.0f;
  Matrix projection_;
  bool projectionDirty_ = true;
  float zoomMin_ = 1.0f;
  float zoomMax_ = 120.0f;
  TDX9TransformerCameraMode cameraMode_ = cmFree;
  std::unique_ptr<TWorldVector3> cameraRotation_;
  float cameraDistance_ = 100.0f;
};

// Registers the streamable component classes of this unit.
void RegisterTransformerClasses();

}  // namespace vrel
