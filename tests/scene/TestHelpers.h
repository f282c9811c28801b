#pragma once

// Small helpers the scene tests share: GLM's double-precision copy of a point, a square and a blade
// on fresh vertices, the message an exception carries (and the change counter of Announcements.h).

#include <glm/glm.hpp>
#include <string>

#include "scene/DX9Square.h"
#include "tests/platform/Announcements.h"

namespace vrel {

inline glm::dvec3 G(const Vec3& v) {
  return {v.x, v.y, v.z};
}

// A unit square at height y from (x, z) to (x + 1, z + 1), wound so that it faces down.
inline TCorners Square(float x, float z, float y = 0) {
  return {{{x, y, z}, {x + 1, y, z}, {x + 1, y, z + 1}, {x, y, z + 1}}};
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
