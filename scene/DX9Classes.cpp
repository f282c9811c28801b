#include "scene/DX9Classes.h"

#include <cmath>

namespace vrel {

const TClassInfo& TNotifyVector::StaticClass() {
  static const TClassInfo info("TNotifyVector", &Inherited::StaticClass(),
                               {props::Float<&TNotifyVector::X, &TNotifyVector::SetX>("X"),
                                props::Float<&TNotifyVector::Y, &TNotifyVector::SetY>("Y"),
                                props::Float<&TNotifyVector::Z, &TNotifyVector::SetZ>("Z")});
  return info;
}

bool TNotifyVector::Store(float& field, float value) {
  if (!std::isfinite(value))
    return false;
  if (field == value && !std::isnan(field))
    return false;
  field = value;
  return true;
}

void TNotifyVector::SetX(float value) {
  if (Store(x_, value))
    Changed();
}

void TNotifyVector::SetY(float value) {
  if (Store(y_, value))
    Changed();
}

void TNotifyVector::SetZ(float value) {
  if (Store(z_, value))
    Changed();
}

void TNotifyVector::SetVector(const Vec3& v) {
  const bool cx = Store(x_, v.x);
  const bool cy = Store(y_, v.y);
  const bool cz = Store(z_, v.z);
  if (cx || cy || cz)
    Changed();
}

void TNotifyVector::Assign(const TPersistent* source) {
  if (const auto* other = As<TNotifyVector>(source)) {
    Store(x_, other->x_);
    Store(y_, other->y_);
    Store(z_, other->z_);
    Changed();
    return;
  }
  TNotifyPersistent::Assign(source);
}

}  // namespace vrel
