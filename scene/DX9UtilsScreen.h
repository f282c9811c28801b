#pragma once

// The screen-mapping part of DX9Utils: the device's current transforms and viewport as matrices, the
// way between screen pixels and world points through them, the eye ray through a pixel, and the
// snapping of a drawn line to the screen's axes and diagonals. Only the matrix getters read the
// device; anything that needs the inverse of a singular matrix (or meets a point on the eye plane)
// answers "nothing" through std::optional.

#include <optional>
#include <utility>

#include "platform/D3DMath.h"
#include "platform/Device.h"
#include "platform/Vector3.h"

namespace vrel {

// A pixel, y downwards.
struct ScreenPoint {
  int x = 0, y = 0;

  constexpr ScreenPoint() = default;
  constexpr ScreenPoint(int x_, int y_) : x(x_), y(y_) {}
  constexpr bool operator==(const ScreenPoint&) const = default;
};

// The camera's eye position, as turning blades to face the camera takes it: a type of its own, so
// that the point the camera looks at cannot be passed in its place.
struct EyePoint {
  Vec3 v;
  constexpr EyePoint() = default;
  constexpr explicit EyePoint(const Vec3& p) : v(p) {}
};

// Two points of the eye ray through a pixel: on the near plane (depth 0) and on the far plane (depth 1).
struct EyeRay {
  Vec3 nearPoint;
  Vec3 farPoint;
};

// ---- device matrices and the screen --------------------------------------------------------------

Matrix GetWorldMatrix(const IDevice& device);
Matrix GetViewMatrix(const IDevice& device);
Matrix GetProjectionMatrix(const IDevice& device);
// world x view x projection.
Matrix GetWorldViewProjection(const IDevice& device);
// Clip space to pixels: x and y to the viewport (y downwards), depth to MinZ..MaxZ.
Matrix GetViewportMatrix(const Viewport& viewport);
Matrix GetViewportMatrix(const IDevice& device);
// world x view x projection x viewport: a model point to pixel x, pixel y and depth.
Matrix GetScreenMatrix(const IDevice& device);
// The depth of model point p after the screen matrix; nothing when p lies on the eye plane.
std::optional<float> ScreenDepth(const IDevice& device, const Vec3& p);
// The world point (before any world transform) at pixel (x, y) and the given depth: the pixel point
// times inverse viewport x inverse projection x inverse view. Nothing when one of them is singular.
std::optional<Vec3> ScreenToWorld(const Viewport& viewport, float x, float y, float depth, const Matrix& projection,
                                  const Matrix& view);
std::optional<Vec3> ScreenToWorld(const IDevice& device, float x, float y, float depth, const Matrix& projection,
                                  const Matrix& view);
// The eye ray through a pixel.
std::optional<EyeRay> ScreenPointToLine(const Viewport& viewport, float x, float y, const Matrix& projection,
                                        const Matrix& view);
std::optional<EyeRay> ScreenPointToLine(const IDevice& device, float x, float y, const Matrix& projection,
                                        const Matrix& view);
// Pixels a and b as model points at the screen depth of `reference` (0.5 when that depth cannot be
// had), with the device's transforms. Their difference turns a mouse drag into a displacement at the
// depth of what is dragged.
std::optional<std::pair<Vec3, Vec3>> ScreenPointsToWorld(const IDevice& device, const Vec3& reference, ScreenPoint a,
                                                         ScreenPoint b);

// ---- lines drawn on the screen ------------------------------------------------------------------

// Snaps the line from `start` to `end` to horizontal, 45 degrees or vertical by its slope, moving
// `end`. False, and nothing moved, when the line is already horizontal or vertical.
bool ConstrainLine(ScreenPoint& end, const ScreenPoint& start);

}  // namespace vrel
