#include "app/NumericDialogs.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "files/FMSSceneWriter.h"
#include "platform/NumberFormat.h"
#include "scene/DX9Cube.h"
#include "scene/DX9CubeRiders.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transform.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

float& Component(Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

float Component(const Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

std::vector<Vec3> SelectedPositions(const TSquareBladeCollections& layers) {
  std::vector<Vec3> positions;
  for (const TVertexItem* item : layers.SelectedVertices().Items())
    positions.push_back(item->Vertex()->GetVector());
  return positions;
}

}  // namespace

// --- number boxes ---------------------------------------------------------------------------------

TBoxKind CoordinateBox(float minValue, float maxValue) {
  return {{.Min = minValue, .Max = std::max(minValue, maxValue), .Fallback = 0.0}, 2, 1.0};
}

TBoxKind DivisionBox() {
  return {{.Min = 1, .Max = 10, .Fallback = 1, .Places = 0}, 0, 1.0};
}

TBoxKind SizeBox(float maxSize) {
  return {{.Min = 1, .Max = std::max(1.0, static_cast<double>(maxSize)), .Fallback = 100}, 2, 1.0};
}

TBoxKind AngleBox() {
  return {{.Min = -360, .Max = 360, .Fallback = 0}, 2, 1.0};
}

TBoxKind ScaleBox() {
  return {{.Min = 0.001, .Max = 100, .Fallback = 0}, 3, 0.01};
}

TBoxKind AlphaBox() {
  return {{.Min = 1, .Max = 100, .Fallback = 100, .Places = 0}, 0, 1.0};
}

TBoxKind LengthBox() {
  return {{.Min = 0.1, .Max = 100, .Fallback = 3.5}, 2, 0.1};
}

double StepValue(const TBoxKind& kind, double read, int direction) {
  double value = read + direction * kind.Step;
  if (kind.Rule.Places >= 0)
    value = RoundHalfAway(value, kind.Rule.Places);
  return std::clamp(value, kind.Rule.Min, kind.Rule.Max);
}

// --- the polygon dialog ---------------------------------------------------------------------------

void TPolygonPositions::SetReferences(const Vec3& start, const Vec3& planeMark,
                                      const std::optional<Vec3>& selectionCenter) {
  positions_[pmStart] = start;
  positions_[pmPlaneMark] = planeMark;
  positions_[pmSelectionCenter] = selectionCenter.value_or(Vec3{});
  hasSelection_ = selectionCenter.has_value();
  if (!Offers(mode_))
    mode_ = pmStart;
}

void TPolygonPositions::SetMode(int mode) {
  const auto chosen = static_cast<TPositionMode>(std::clamp(mode, 0, static_cast<int>(pmTyped)));
  if (Offers(chosen))
    mode_ = chosen;
}

Vec3 TPolygonPositions::Position() const {
  return positions_.at(mode_);
}

void TPolygonPositions::Close(const Vec3& boxes) {
  if (mode_ == pmTyped)
    positions_[pmTyped] = boxes;
}

// --- the vertex-position dialog ------------------------------------------------------------------

Vec3 TVertexExtents::Middle() const {
  return {(Min.x + Max.x) / 2, (Min.y + Max.y) / 2, (Min.z + Max.z) / 2};
}

int TVertexExtents::FlattestAxis() const {
  int flattest = 0;
  for (int axis = 1; axis < 3; ++axis) {
    if (Component(Max, axis) - Component(Min, axis) < Component(Max, flattest) - Component(Min, flattest))
      flattest = axis;
  }
  return flattest;
}

std::optional<TVertexExtents> VertexExtents(const TVertexItemList& list) {
  if (list.Count() == 0)
    return std::nullopt;
  const Vec3 first = list.Item(0)->Vertex()->GetVector();
  TVertexExtents extents{first, first};
  for (const TVertexItem* item : list.Items()) {
    const Vec3 p = item->Vertex()->GetVector();
    for (int axis = 0; axis < 3; ++axis) {
      Component(extents.Min, axis) = std::min(Component(extents.Min, axis), Component(p, axis));
      Component(extents.Max, axis) = std::max(Component(extents.Max, axis), Component(p, axis));
    }
  }
  return extents;
}

bool SetVertexCoordinates(TSquareBladeCollections& layers, const std::array<bool, 3>& apply, const Vec3& value) {
  // A chosen coordinate is multiplied by 0 and then gets the value added, which for a finite
  // coordinate is the value exactly; the others pass unchanged.
  Matrix m;
  for (int axis = 0; axis < 3; ++axis) {
    if (apply.at(static_cast<std::size_t>(axis))) {
      m.m[axis][axis] = 0.0f;
      m.m[3][axis] = Component(value, axis);
    }
  }
  return TransformVertices(layers, m);
}

// --- the rotation and scale dialogs --------------------------------------------------------------

Vec3 RotationDialogAxis(int mode, const Vec3& eye, const Vec3& centroid) {
  switch (mode) {
    case ramX:
      return {1, 0, 0};
    case ramY:
      return {0, 1, 0};
    case ramZ:
      return {0, 0, 1};
    default:
      return eye - centroid;
  }
}

std::optional<Matrix> RotationAboutPivot(const Vec3& pivot, const Vec3& axis, float degrees) {
  const float length = Vec3LengthSq(axis);
  if (length == 0.0f || !std::isfinite(length))
    return std::nullopt;
  const Quaternion q = QuaternionRotationAxis(axis, DegreeToRadian(degrees));
  return MatrixTransformation(nullptr, nullptr, nullptr, &pivot, &q, nullptr);
}

Matrix ScalingAboutPivot(const Vec3& pivot, const Vec3& scale) {
  return MatrixTransformation(&pivot, nullptr, &scale, nullptr, nullptr, nullptr);
}

bool TransformVertices(TSquareBladeCollections& layers, const Matrix& m) {
  const std::vector<Vec3> before = SelectedPositions(layers);
  if (!TransformSelection(layers, m))
    return false;
  return SelectedPositions(layers) != before;
}

// --- the polygon statistics ----------------------------------------------------------------------

TPolygonStatistics CountPolygons(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube,
                                 bool includeHidden) {
  TPolygonStatistics counts;
  TCubeRider rider;
  rider.Clone()->Assign(&cube);
  for (const TSquareBlade* blade : ExportedBlades(layers, includeHidden)) {
    if (blade->DrawTexture()) {
      ++counts.Textured;
      rider.AddQuad(*blade);
    } else {
      ++counts.Clear;
    }
  }
  rider.Finish();
  for (int face = 0; face < TCubeCollection::kFaceCount; ++face) {
    const TCubeRiderBladeCollection& pieces = *rider.Pieces()->GetFace(face);
    for (int i = 0; i < pieces.Count(); ++i)
      ++(pieces.Blade(i)->Flag() ? counts.FinParents : counts.RiderBlades);
    counts.Fins += rider.Slices()->GetFace(face)->Count();
  }
  return counts;
}

}  // namespace vrel
