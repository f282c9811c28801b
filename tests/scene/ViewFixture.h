#pragma once

// The view and blades the picking and knife tests share. Under Stage one world unit is one pixel: world
// (x, y, z) shows at pixel (256 + x, 256 - y) at depth (z + 512) / 1024. Every number on the way is a
// power of two, so pixel positions are exact and bounds can be tested to the pixel.

#include <array>
#include <cmath>

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_projection.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/constants.hpp>

#include "platform/RecordingDevice.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel::testview {

inline constexpr int kScreen = 512;

inline Vec3 AtPixel(float px, float py, float z = -1.0f) {
  return {px - 256.0f, 256.0f - py, z};
}

// Eye at z = -512 looking at the origin, orthographic 512 x 512 with near 0 and far 1024; one layer.
struct Stage {
  RecordingDevice device{kScreen, kScreen};
  Vec3 eye{0, 0, -512};
  Vec3 lookAt{0, 0, 0};
  TSquareBladeCollections layers;
  TSquareBladeCollection* layer = layers.AddLayer();
  Stage() {
    device.SetTransform(TransformState::View, MatrixLookAtLH(eye, lookAt, {0, 1, 0}));
    device.SetTransform(TransformState::Projection, MatrixScaling(2.0f / kScreen, 2.0f / kScreen, 1.0f / 1024));
  }
};

using PixelQuad = std::array<std::array<float, 2>, 4>;

inline PixelQuad Rect(float x0, float y0, float x1, float y1) {
  return {{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}};
}

inline TCorners Pixels(const PixelQuad& p, float z = -1.0f) {
  TCorners corners;
  for (int i = 0; i < 4; ++i)
    corners[i] = AtPixel(p[i][0], p[i][1], z);
  return corners;
}

// A blade bound to the `shared` items where given, and to fresh vertices at the corners `c` elsewhere.
inline TSquareBlade* AddBound(TSquareBladeCollection* layer, std::array<TVertexItem*, 4> shared, const TCorners& c) {
  TSquareBlade* blade = layer->Add();
  for (int i = 0; i < 4; ++i) {
    if (shared[i]) {
      blade->SetReference(i, shared[i]);
    } else {
      layer->VertexPool()->NewDataFor(blade, i);
      blade->SetVertexPosition(i, c[i]);
    }
  }
  blade->UpdatePositionCache();
  return blade;
}

inline TSquareBlade* AddBlade(TSquareBladeCollection* layer, const TCorners& c) {
  return AddBound(layer, {}, c);
}

// The screen rectangle (x0, y0) - (x1, y1), corners clockwise on screen from the top left.
inline TSquareBlade* AddRect(TSquareBladeCollection* layer, float x0, float y0, float x1, float y1, float z = -1.0f) {
  return AddBlade(layer, Pixels(Rect(x0, y0, x1, y1), z));
}

// A blade right of `left` sharing its edge 1 as its own edge 3, the other way round as welded blades of
// one winding do; its far side at pixel x.
inline TSquareBlade* AddWeldedRight(TSquareBladeCollection* layer, TSquareBlade* left, float x) {
  TCorners corners = left->GetVertices();
  corners[1].x = corners[2].x = x - 256.0f;
  return AddBound(layer, {left->GetVertexItem(1), nullptr, nullptr, left->GetVertexItem(2)}, corners);
}

// Eye at z = -10 looking at the origin, 90 degrees of view, near 1, far 100; GLM says where a world
// point shows (mirrored through the eye when it lies behind).
struct PerspectiveStage : Stage {
  PerspectiveStage() {
    eye = Vec3{0, 0, -10};
    device.SetTransform(TransformState::View, MatrixLookAtLH(eye, lookAt, {0, 1, 0}));
    device.SetTransform(TransformState::Projection, MatrixPerspectiveFovLH(1.5707964f, 1.0f, 1.0f, 100.0f));
  }
  TSquareBlade* Add(float x0, float y0, float x1, float y1, float z) {  // the world rectangle at depth z
    return AddBlade(layer, {{Vec3{x0, y0, z}, Vec3{x1, y0, z}, Vec3{x1, y1, z}, Vec3{x0, y1, z}}});
  }
  static ScreenPoint Pixel(const Vec3& p) {
    const glm::dvec3 s = glm::projectZO(
        glm::dvec3(p.x, p.y, p.z), glm::lookAtLH(glm::dvec3(0, 0, -10), glm::dvec3(0), glm::dvec3(0, 1, 0)),
        glm::perspectiveFovLH_ZO(glm::half_pi<double>(), 1.0, 1.0, 1.0, 100.0), glm::dvec4(0, 0, kScreen, kScreen));
    return {static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(kScreen - s.y))};
  }
};

}  // namespace vrel::testview
