#pragma once

// Small helpers the scene tests share: GLM's double-precision copy of a point, a blade on fresh
// vertices and the message an exception carries (and the change counter of Announcements.h).

#include <glm/glm.hpp>
#include <string>

#include "scene/DX9Square.h"
#include "tests/platform/Announcements.h"

namespace vrel {

inline glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}

// A blade with four fresh vertices of its own at the given corners.
inline TSquareBlade* AddBlade(TSquareBladeCollection* layer, const TCorners& corners) {
  TSquareBlade* blade = layer->Add();
  layer->VertexPool()->NewDataFor(blade, -1);
  blade->SetVertices(corners);
  return blade;
}

// The message of the Exception that `call` raises, or "nothing raised".
template <class Call>
std::string MessageOf(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "nothing raised";
}

}  // namespace vrel
