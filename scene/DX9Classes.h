#pragma once

#include <vector>

#include "platform/Vector3.h"
#include "platform/zeClasses.h"

namespace vrel {

// A vector whose changes are announced. Non-finite values are never stored: a NaN that reached
// the model would end up in scene files and object files the simulator cannot read.
class TNotifyVector : public TNotifyPersistent {
  VREL_CLASS_INFO(TNotifyVector, TNotifyPersistent)
 public:
  float X() const { return x_; }
  float Y() const { return y_; }
  float Z() const { return z_; }
  virtual void SetX(float value);
  virtual void SetY(float value);
  virtual void SetZ(float value);
  Vec3 GetVector() const { return {x_, y_, z_}; }
  // One Changed() when any component differs.
  virtual void SetVector(const Vec3& v);
  // From a TNotifyVector: copies and always calls Changed().
  void Assign(const TPersistent* source) override;

 protected:
  float x_ = 0, y_ = 0, z_ = 0;

 private:
  bool Store(float& field, float value);
};

// An owned list of vectors.
class TVector3List {
 public:
  void Add(const Vec3& v) { items_.push_back(v); }
  Vec3 GetVector(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  const std::vector<Vec3>& Items() const { return items_; }

 private:
  std::vector<Vec3> items_;
};

}  // namespace vrel
