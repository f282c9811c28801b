#include "scene/DX9Transform.h"

#include <cmath>
#include <vector>

#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool Finite(float value) {
  return std::isfinite(value);
}

// Computes every new position first, so that a result that is not finite stops the operation before
// anything moved; then writes each vertex in list order as one announced change.
template <class NewPosition>
bool ApplyToSelection(TSquareBladeCollections& layers, NewPosition newPosition) {
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.empty())
    return false;
  std::vector<Vec3> positions;
  positions.reserve(items.size());
  for (const TVertexItem* item : items) {
    const Vec3 p = newPosition(item->Vertex()->GetVector());
    if (!Finite(p))
      return false;
    positions.push_back(p);
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    TVertexItem* item = items[i];
    UpdateGuard batch(*item);
    item->Vertex()->SetVector(positions[i]);
  }
  return true;
}

int SelectedCount(const TSquareBladeCollections& layers) {
  return layers.SelectedVertices().Count();
}

Vec3 Centroid(const TSquareBladeCollections& layers) {
  return SelectionCentroid(layers.SelectedVertices());
}

// The world direction of a pixel drag at the centroid's screen depth, not normalised; nothing for a
// drag of no length or when the view cannot be inverted.
std::optional<Vec3> DragDirection(const TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a,
                                  ScreenPoint b) {
  const auto points = ScreenPointsToWorld(device, Centroid(layers), a, b);
  if (!points)
    return std::nullopt;
  const Vec3 d = points->second - points->first;
  if (!Finite(d) || Vec3LengthSq(d) == 0.0f)
    return std::nullopt;
  return d;
}

// Scaling by s about c, written as c + (p - c) s so that the centre itself stays exactly where it is.
bool ScaleSelection(TSquareBladeCollections& layers, const Vec3& s) {
  if (!Finite(s))
    return false;
  const Vec3 c = Centroid(layers);
  return ApplyToSelection(layers, [&](const Vec3& p) {
    return Vec3{c.x + (p.x - c.x) * s.x, c.y + (p.y - c.y) * s.y, c.z + (p.z - c.z) * s.z};
  });
}

}  // namespace

bool TransformSelection(TSquareBladeCollections& layers, const Matrix& m) {
  return ApplyToSelection(layers, [&](const Vec3& p) { return Vec3TransformCoord(p, m); });
}

bool MoveBy(TSquareBladeCollections& layers, const Vec3& v) {
  if (!Finite(v) || v == Vec3{})
    return false;
  return ApplyToSelection(layers, [&](const Vec3& p) { return p + v; });
}

bool MoveCentroidTo(TSquareBladeCollections& layers, const Vec3& target) {
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.empty() || !Finite(target))
    return false;
  double c[3] = {0, 0, 0};
  for (const TVertexItem* item : items) {
    const Vec3 p = item->Vertex()->GetVector();
    c[0] += p.x, c[1] += p.y, c[2] += p.z;
  }
  const double n = static_cast<double>(items.size());
  const double step[3] = {target.x - c[0] / n, target.y - c[1] / n, target.z - c[2] / n};
  if (step[0] == 0.0 && step[1] == 0.0 && step[2] == 0.0)
    return false;
  return ApplyToSelection(layers, [&](const Vec3& p) {
    return Vec3{static_cast<float>(p.x + step[0]), static_cast<float>(p.y + step[1]),
                static_cast<float>(p.z + step[2])};
  });
}

bool MoveAlongAxis(TSquareBladeCollections& layers, int axis, float d) {
  if (axis < kAxisX || axis > kAxisZ || !Finite(d) || d == 0.0f)
    return false;
  const std::vector<TVertexItem*>& items = layers.SelectedVertices().Items();
  if (items.empty())
    return false;
  auto component = [axis](const TVertex* v) { return axis == kAxisX ? v->X() : axis == kAxisY ? v->Y() : v->Z(); };
  for (const TVertexItem* item : items)
    if (!Finite(component(item->Vertex()) + d))
      return false;
  for (TVertexItem* item : items) {
    TVertex* v = item->Vertex();
    const float value = component(v) + d;
    UpdateGuard batch(*item);
    if (axis == kAxisX)
      v->SetX(value);
    else if (axis == kAxisY)
      v->SetY(value);
    else
      v->SetZ(value);
  }
  return true;
}

bool MoveByMouse(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a, ScreenPoint b,
                 Vec3& displacement) {
  displacement = {};
  if (SelectedCount(layers) < 1 || a == b)
    return false;
  const std::optional<Vec3> step = DragDirection(layers, device, a, b);
  if (!step || !MoveBy(layers, *step))
    return false;
  displacement = *step;
  return true;
}

bool ScaleAlongAxis(TSquareBladeCollections& layers, int axis, float f) {
  if (SelectedCount(layers) < 1)
    return false;
  Vec3 s{f, f, f};
  if (axis == kAxisX)
    s = {f, 1, 1};
  else if (axis == kAxisY)
    s = {1, f, 1};
  else if (axis == kAxisZ)
    s = {1, 1, f};
  return ScaleSelection(layers, s);
}

std::optional<Vec3> ScaleAlongDrag(const TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a,
                                   ScreenPoint b, float f) {
  if (!Finite(f))
    return std::nullopt;
  const std::optional<Vec3> drag = DragDirection(layers, device, a, b);
  if (!drag)
    return std::nullopt;
  const Vec3 d = Vec3Normalize(*drag);
  const float k = f - 1.0f;
  return Vec3{std::fabs(d.x) * k + 1.0f, std::fabs(d.y) * k + 1.0f, std::fabs(d.z) * k + 1.0f};
}

bool ScaleByMouse(TSquareBladeCollections& layers, const IDevice& device, float f1, ScreenPoint a, ScreenPoint b,
                  float f2, ScreenPoint c, ScreenPoint d) {
  if (SelectedCount(layers) < 2)
    return false;
  const std::optional<Vec3> s1 = ScaleAlongDrag(layers, device, a, b, f1);
  const std::optional<Vec3> s2 = ScaleAlongDrag(layers, device, c, d, f2);
  if (!s1 || !s2)
    return false;
  // Two scalings along the world axes about one centre compose component by component.
  return ScaleSelection(layers, {s1->x * s2->x, s1->y * s2->y, s1->z * s2->z});
}

bool RotateAboutAxis(TSquareBladeCollections& layers, int axis, float angle) {
  if (SelectedCount(layers) < 2 || !Finite(angle))
    return false;
  Vec3 direction;
  if (axis == kAxisX)
    direction = {1, 0, 0};
  else if (axis == kAxisY)
    direction = {0, 1, 0};
  else if (axis == kAxisZ)
    direction = {0, 0, 1};
  else
    return false;
  return TransformSelection(layers, RotationAboutPoint(Centroid(layers), direction, angle));
}

bool RotateAboutVector(TSquareBladeCollections& layers, const Vec3& e, float angle) {
  if (SelectedCount(layers) < 2 || !Finite(angle) || !Finite(e))
    return false;
  const Vec3 c = Centroid(layers);
  const Vec3 axis = e - c;
  if (Vec3LengthSq(axis) == 0.0f)
    return false;
  return TransformSelection(layers, RotationAboutPoint(c, axis, angle));
}

bool RotateAboutScreenAxis(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a, ScreenPoint b,
                           float a1, float a2) {
  if (SelectedCount(layers) < 2 || !Finite(a1) || !Finite(a2))
    return false;
  const std::optional<Vec3> axis = DragDirection(layers, device, a, b);
  if (!axis)
    return false;
  const Vec3 c = Centroid(layers);
  const Matrix r1 = RotationAboutPoint(c, *axis, a1);
  const Matrix r2 = RotationAboutPoint(c, {0, 1, 0}, a2);
  return TransformSelection(layers, r2 * r1);
}

bool RotateAboutScreenAxes(TSquareBladeCollections& layers, const IDevice& device, float a1, ScreenPoint a,
                           ScreenPoint b, float a2, ScreenPoint c, ScreenPoint d) {
  if (SelectedCount(layers) < 2 || !Finite(a1) || !Finite(a2))
    return false;
  const std::optional<Vec3> axis1 = DragDirection(layers, device, a, b);
  const std::optional<Vec3> axis2 = DragDirection(layers, device, c, d);
  if (!axis1 || !axis2)
    return false;
  const Vec3 centre = Centroid(layers);
  return TransformSelection(layers, RotationAboutPoint(centre, *axis1, a1) * RotationAboutPoint(centre, *axis2, a2));
}

}  // namespace vrel
