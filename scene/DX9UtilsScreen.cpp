#include "scene/DX9UtilsScreen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vrel {

namespace {

bool Finite(const Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

// ---- device matrices and the screen --------------------------------------------------------------

Matrix GetWorldMatrix(const IDevice& device) {
  return device.GetTransform(TransformState::World);
}
Matrix GetViewMatrix(const IDevice& device) {
  return device.GetTransform(TransformState::View);
}
Matrix GetProjectionMatrix(const IDevice& device) {
  return device.GetTransform(TransformState::Projection);
}

Matrix GetWorldViewProjection(const IDevice& device) {
  return GetWorldMatrix(device) * GetViewMatrix(device) * GetProjectionMatrix(device);
}

Matrix GetViewportMatrix(const Viewport& viewport) {
  const float halfWidth = static_cast<float>(viewport.width) / 2.0f;
  const float halfHeight = static_cast<float>(viewport.height) / 2.0f;
  Matrix m;
  m.m[0][0] = halfWidth;
  m.m[1][1] = -halfHeight;
  m.m[2][2] = viewport.maxZ - viewport.minZ;
  m.m[3][0] = static_cast<float>(viewport.x) + halfWidth;
  m.m[3][1] = static_cast<float>(viewport.y) + halfHeight;
  m.m[3][2] = viewport.minZ;
  return m;
}

Matrix GetViewportMatrix(const IDevice& device) {
  return GetViewportMatrix(device.GetViewport());
}

Matrix GetScreenMatrix(const IDevice& device) {
  return GetWorldViewProjection(device) * GetViewportMatrix(device);
}

std::optional<float> ScreenDepth(const IDevice& device, const Vec3& p) {
  const Vec3 screen = Vec3TransformCoord(p, GetScreenMatrix(device));
  if (!std::isfinite(screen.z))
    return std::nullopt;
  return screen.z;
}

std::optional<Vec3> ScreenToWorld(const Viewport& viewport, float x, float y, float depth, const Matrix& projection,
                                  const Matrix& view) {
  const auto inverseViewport = MatrixInverse(GetViewportMatrix(viewport));
  const auto inverseProjection = MatrixInverse(projection);
  const auto inverseView = MatrixInverse(view);
  if (!inverseViewport || !inverseProjection || !inverseView)
    return std::nullopt;
  const Vec3 world = Vec3TransformCoord({x, y, depth}, *inverseViewport * *inverseProjection * *inverseView);
  if (!Finite(world))
    return std::nullopt;
  return world;
}

std::optional<Vec3> ScreenToWorld(const IDevice& device, float x, float y, float depth, const Matrix& projection,
                                  const Matrix& view) {
  return ScreenToWorld(device.GetViewport(), x, y, depth, projection, view);
}

std::optional<EyeRay> ScreenPointToLine(const Viewport& viewport, float x, float y, const Matrix& projection,
                                        const Matrix& view) {
  const auto nearPoint = ScreenToWorld(viewport, x, y, 0.0f, projection, view);
  const auto farPoint = ScreenToWorld(viewport, x, y, 1.0f, projection, view);
  if (!nearPoint || !farPoint)
    return std::nullopt;
  return EyeRay{*nearPoint, *farPoint};
}

std::optional<EyeRay> ScreenPointToLine(const IDevice& device, float x, float y, const Matrix& projection,
                                        const Matrix& view) {
  return ScreenPointToLine(device.GetViewport(), x, y, projection, view);
}

std::optional<std::pair<Vec3, Vec3>> ScreenPointsToWorld(const IDevice& device, const Vec3& reference, ScreenPoint a,
                                                         ScreenPoint b) {
  const float depth = ScreenDepth(device, reference).value_or(0.5f);
  const Matrix projection = GetProjectionMatrix(device);
  const Matrix view = GetViewMatrix(device);
  const auto worldA = ScreenToWorld(device, static_cast<float>(a.x), static_cast<float>(a.y), depth, projection, view);
  const auto worldB = ScreenToWorld(device, static_cast<float>(b.x), static_cast<float>(b.y), depth, projection, view);
  const auto inverseWorld = MatrixInverse(GetWorldMatrix(device));
  if (!worldA || !worldB || !inverseWorld)
    return std::nullopt;
  const Vec3 modelA = Vec3TransformCoord(*worldA, *inverseWorld);
  const Vec3 modelB = Vec3TransformCoord(*worldB, *inverseWorld);
  if (!Finite(modelA) || !Finite(modelB))
    return std::nullopt;
  return std::pair{modelA, modelB};
}

// ---- lines drawn on the screen ------------------------------------------------------------------

bool ConstrainLine(ScreenPoint& end, const ScreenPoint& start) {
  // 64-bit, so that no pixel pair can overflow on the way.
  const std::int64_t dx = std::int64_t{end.x} - start.x;
  const std::int64_t dy = std::int64_t{end.y} - start.y;
  if (dx == 0 || dy == 0)
    return false;
  const double slope = static_cast<double>(dy) / static_cast<double>(dx);
  const double steepness = std::fabs(slope);
  const std::int64_t sign = slope > 0 ? 1 : -1;
  auto toInt = [](std::int64_t v) {
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  };
  if (steepness < 0.5) {
    end.y = start.y;
  } else if (steepness < 1.0) {
    end.x = toInt(start.x + dy * sign);
  } else if (steepness < 2.0) {
    end.y = toInt(start.y + dx * sign);
  } else {
    end.x = start.x;
  }
  return true;
}

}  // namespace vrel
