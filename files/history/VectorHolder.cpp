#include "files/history/VectorHolder.h"

#include <cmath>

namespace vrel {

const TClassInfo& TVectorHolder::StaticClass() {
  static const TClassInfo info("TVectorHolder", &Inherited::StaticClass(),
                               {props::Float<&TVectorHolder::X, &TVectorHolder::SetX>("X"),
                                props::Float<&TVectorHolder::Y, &TVectorHolder::SetY>("Y"),
                                props::Float<&TVectorHolder::Z, &TVectorHolder::SetZ>("Z")},
                               [](TComponent* owner) -> TComponent* { return new TVectorHolder(owner); });
  return info;
}

void TVectorHolder::SetX(float value) {
  if (std::isfinite(value))
    x_ = value;
}

void TVectorHolder::SetY(float value) {
  if (std::isfinite(value))
    y_ = value;
}

void TVectorHolder::SetZ(float value) {
  if (std::isfinite(value))
    z_ = value;
}

void TVectorHolder::SetVector(const Vec3& v) {
  SetX(v.x);
  SetY(v.y);
  SetZ(v.z);
}

void TVectorHolder::ClearState() {
  x_ = y_ = z_ = 0;
}

void TVectorHolder::Assign(const TPersistent* source) {
  if (const auto* other = As<TVectorHolder>(source)) {
    x_ = other->x_;
    y_ = other->y_;
    z_ = other->z_;
    return;
  }
  TStateComponent::Assign(source);
}

}  // namespace vrel
