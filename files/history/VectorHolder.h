#pragma once

// The plane mark's position as a component, so that its history can keep it as snapshots.

#include "files/history/ComponentStateHolder.h"
#include "platform/Vector3.h"

namespace vrel {

class TVectorHolder : public TStateComponent {
  VREL_CLASS_INFO(TVectorHolder, TStateComponent)
 public:
  explicit TVectorHolder(TComponent* owner = nullptr) : TStateComponent(owner) {}

  float X() const { return x_; }
  float Y() const { return y_; }
  float Z() const { return z_; }
  // A value that is not finite is not stored: a position is never NaN or infinite.
  void SetX(float value);
  void SetY(float value);
  void SetZ(float value);

  Vec3 GetVector() const { return {x_, y_, z_}; }
  void SetVector(const Vec3& v);

  // Absent coordinates of a snapshot read as 0.
  void ClearState() override;
  void Assign(const TPersistent* source) override;

 private:
  float x_ = 0, y_ = 0, z_ = 0;
};

}  // namespace vrel
