#pragma once

// The numeric dialogs' tests on both sides of the window: a selection of two blades spread over all
// three axes, the positions of the selected vertices, and GLM as the judge of where a transform
// should have put them.

#include <gtest/gtest.h>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <vector>

#include "scene/DX9Square.h"
#include "tests/app/MainFormFixture.h"

namespace vrel::apptest {

// Two selected blades of the first layer: x -3 .. 9, y 2 .. 3 (flattest), z -4 .. 5.
inline void SelectTwoBlades(TSquareBladeCollections& layers) {
  TSquareBladeCollection& layer = *layers.GetLayer(0);
  scenetest::AddBlade(layer, {{{-3, 2, 5}, {4, 2, 5}, {4, 2, 1}, {-3, 2, 1}}})->SelectAll();
  scenetest::AddBlade(layer, {{{6, 3, -2}, {9, 3, -2}, {9, 3, -4}, {6, 3, -4}}})->SelectAll();
  layers.RebuildSelectedVertexList();
}

// In the selected-vertex list's order.
inline std::vector<Vec3> SelectedPositions(const TSquareBladeCollections& layers) {
  std::vector<Vec3> points;
  for (const TVertexItem* item : layers.SelectedVertices().Items())
    points.push_back(item->Vertex()->GetVector());
  return points;
}

inline glm::vec3 Glm(const Vec3& v) {
  return {v.x, v.y, v.z};
}

// Each point of `after` is `m` times the same point of `before`, to single precision.
inline void ExpectTransformedAs(const std::vector<Vec3>& before, const std::vector<Vec3>& after, const glm::mat4& m) {
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    const glm::vec3 expected(m * glm::vec4(Glm(before[i]), 1));
    const float tolerance = 1e-4f * std::max(1.0f, glm::length(expected));
    EXPECT_NEAR(after[i].x, expected.x, tolerance) << i;
    EXPECT_NEAR(after[i].y, expected.y, tolerance) << i;
    EXPECT_NEAR(after[i].z, expected.z, tolerance) << i;
  }
}

// The transform about `pivot`: there, `m`, and back.
inline glm::mat4 AboutPivot(const Vec3& pivot, const glm::mat4& m) {
  return glm::translate(glm::mat4(1), Glm(pivot)) * m * glm::translate(glm::mat4(1), -Glm(pivot));
}

}  // namespace vrel::apptest
