// Moving, scaling and rotating the selection, checked against GLM in double precision: its rotations,
// scalings and its projection and unprojection of the same left-handed camera.

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_projection.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/glm.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/ComponentStream.h"
#include "platform/D3DMath.h"
#include "platform/RecordingDevice.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transform.h"
#include "tests/scene/GridFixture.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int kWidth = 640;
constexpr int kHeight = 480;
const glm::dmat4 kI(1);
const glm::dvec4 kViewport(0, 0, kWidth, kHeight);

// Every step answers false and the document's stream stays byte for byte the same.
void ExpectAllRefused(const TComponent& document, const std::function<std::vector<bool>()>& steps) {
  const std::string before = SaveComponentToBytes(document);
  const std::vector<bool> answers = steps();
  EXPECT_EQ(answers, std::vector<bool>(answers.size(), false));
  EXPECT_EQ(SaveComponentToBytes(document), before);
}

// A welded grid whose points can be selected.
struct Scene {
  TSquareBladeCollectionsContainer document;
  TSquareBladeCollections& layers = *document.Collections();
  TSquareBladeCollection* layer = layers.AddLayer();
  std::vector<TVertexItem*> points = grid::BuildWeldedGrid(*layer, {3, 2, 2.0f, {-3, 1, 4}});
  std::vector<std::size_t> selected;
  std::vector<Vec3> before;  // every point, as of the last Select
  Vec3 centroid;
  int changes = 0;  // announcements that reached the pool
  explicit Scene(std::initializer_list<std::size_t> indices = {}) {
    layer->VertexPool()->OnChange = TNotifyEvent::Of<&Scene::Count>(this);
    Select(indices);
  }
  ~Scene() { layer->VertexPool()->OnChange = {}; }
  void Count(TObject*) { ++changes; }
  void Select(std::initializer_list<std::size_t> indices) {
    for (std::size_t i : indices)
      points[i]->Vertex()->SetSelect(true);
    selected.insert(selected.end(), indices);
    layers.RebuildSelectedVertexList();
    before = Positions();
    centroid = SelectionCentroid(layers.SelectedVertices());
    changes = 0;
  }
  std::vector<Vec3> Positions() const {
    std::vector<Vec3> out;
    for (const TVertexItem* item : points)
      out.push_back(item->Vertex()->GetVector());
    return out;
  }
  // The selected points went through `m` about their centroid, the rest stayed, and every blade's cache followed.
  void ExpectMapped(const glm::dmat4& m, double tolerance = 1e-4) const {
    const glm::dmat4 about = glm::translate(kI, G(centroid)) * m * glm::translate(kI, -G(centroid));
    const std::vector<Vec3> after = Positions();
    for (std::size_t i = 0; i < after.size(); ++i) {
      const bool moves = std::ranges::find(selected, i) != selected.end();
      const glm::dvec3 expected = moves ? glm::dvec3(about * glm::dvec4(G(before[i]), 1.0)) : G(before[i]);
      EXPECT_LE(glm::distance(G(after[i]), expected), moves ? tolerance * std::max(1.0, glm::length(expected)) : 0)
          << i;
    }
    for (int b = 0; b < layer->Count(); ++b)
      EXPECT_EQ(layer->Blade(b)->PositionCache(), layer->Blade(b)->GetVertices()) << b;
  }
};

// A camera at `eye` looking at (0, 2, 0), and GLM's copy of it.
struct Camera {
  RecordingDevice device{kWidth, kHeight};
  glm::dmat4 view, projection;
  explicit Camera(const Vec3& eye = {0, 2, -30}) {
    const float fov = 0.785398f;
    const float aspect = static_cast<float>(kWidth) / kHeight;
    device.SetTransform(TransformState::View, MatrixLookAtLH(eye, {0, 2, 0}, {0, 1, 0}));
    device.SetTransform(TransformState::Projection, MatrixPerspectiveFovLH(fov, aspect, 1.0f, 1000.0f));
    view = glm::lookAtLH(G(eye), glm::dvec3(0, 2, 0), glm::dvec3(0, 1, 0));
    projection = glm::perspectiveLH_ZO(static_cast<double>(fov), static_cast<double>(aspect), 1.0, 1000.0);
  }
  glm::dvec3 DragDirection(const Vec3& at, ScreenPoint a, ScreenPoint b) const {
    const double depth = glm::projectZO(G(at), view, projection, kViewport).z;
    const auto world = [&](ScreenPoint p) {
      return glm::unProjectZO({p.x, kHeight - p.y, depth}, view, projection, kViewport);
    };
    return world(b) - world(a);
  }
};

TEST(Transform, NothingSelectedRefusesEveryStep) {
  Camera camera;
  Scene scene;
  TSquareBladeCollections& l = scene.layers;
  Vec3 step{1, 1, 1};
  ExpectAllRefused(scene.document, [&] {
    return std::vector<bool>{MoveBy(l, {1, 2, 3}), MoveAlongAxis(l, kAxisY, 2), ScaleAlongAxis(l, 0, 3),
                             MoveByMouse(l, camera.device, {10, 10}, {50, 70}, step)};
  });
  EXPECT_EQ(step, Vec3{});
}

TEST(Transform, OneVertexHasNothingToTurnNorToScaleByDrags) {
  Camera camera;
  const IDevice& dev = camera.device;
  Scene scene({3});
  TSquareBladeCollections& l = scene.layers;
  ExpectAllRefused(scene.document, [&] {
    return std::vector<bool>{RotateAboutAxis(l, kAxisX, 1), RotateAboutVector(l, {5, 5, 5}, 1),
                             RotateAboutScreenAxis(l, dev, {0, 0}, {10, 0}, 1, 1),
                             RotateAboutScreenAxes(l, dev, 1, {0, 0}, {10, 0}, 1, {0, 0}, {0, 10}),
                             ScaleByMouse(l, dev, 2, {0, 10}, {100, 10}, 2, {5, 0}, {5, 100})};
  });
}

// No axis codes; the centroid gives no axis, nor do still drags; a view that puts every point at w = 0.
TEST(Transform, StepsWithoutAnAxisOrADragAreRefused) {
  Camera camera;
  const IDevice& dev = camera.device;
  Scene scene({3, 4});
  TSquareBladeCollections& l = scene.layers;
  const ScreenPoint p{200, 200};
  const ScreenPoint q{260, 200};
  Matrix eyePlane;
  eyePlane.m[3][3] = 0;
  Vec3 step;
  ExpectAllRefused(scene.document, [&] {
    return std::vector<bool>{RotateAboutAxis(l, 0, 1),
                             RotateAboutAxis(l, 4, 1),
                             MoveAlongAxis(l, 0, 1),
                             MoveAlongAxis(l, 4, 1),
                             RotateAboutVector(l, scene.centroid, 0.9f),
                             MoveByMouse(l, dev, p, p, step),
                             ScaleByMouse(l, dev, 2, {0, 10}, {100, 10}, 2, {5, 50}, {5, 50}),
                             ScaleByMouse(l, dev, 2, {7, 7}, {7, 7}, 2, {5, 0}, {5, 100}),
                             ScaleAlongDrag(l, dev, {7, 7}, {7, 7}, 2).has_value(),
                             RotateAboutScreenAxis(l, dev, p, p, 0.4f, 0.1f),
                             RotateAboutScreenAxes(l, dev, 0.4f, p, q, 0.1f, q, q),
                             TransformSelection(l, eyePlane),
                             MoveBy(l, {})};
  });
}

TEST(Transform, AValueThatIsNotFiniteNeverReachesTheModel) {
  Camera camera;
  Scene scene({3, 4});
  TSquareBladeCollections& l = scene.layers;
  ExpectAllRefused(scene.document, [&] {
    return std::vector<bool>{MoveBy(l, {kNaN, 0, 0}),
                             MoveBy(l, {0, kInf, 0}),
                             MoveAlongAxis(l, kAxisX, kNaN),
                             MoveAlongAxis(l, kAxisY, kInf),
                             ScaleAlongAxis(l, kAxisZ, kInf),
                             RotateAboutAxis(l, kAxisY, kNaN),
                             RotateAboutVector(l, {kNaN, 1, 1}, 1),
                             ScaleByMouse(l, camera.device, kNaN, {0, 0}, {9, 0}, 1, {0, 0}, {0, 9})};
  });
}

TEST(Transform, AFiniteStepThatOverflowsOneVertexStopsTheWholeMove) {
  Scene scene({3, 4});
  scene.points[4]->Vertex()->SetVector({3e38f, 0, 0});
  ExpectAllRefused(scene.document, [&] {
    return std::vector<bool>{MoveBy(scene.layers, {3e38f, 0, 0}), MoveAlongAxis(scene.layers, kAxisX, 3e38f),
                             ScaleAlongAxis(scene.layers, kAxisX, 1e30f)};
  });
}

TEST(Transform, ADragInAViewThatCannotBeUnprojectedIsRefused) {
  Camera camera;
  Scene scene({3, 4});
  Matrix flat;
  flat.m[0][0] = flat.m[1][1] = flat.m[2][2] = flat.m[3][3] = 0;
  camera.device.SetTransform(TransformState::Projection, flat);
  Vec3 step{9, 9, 9};
  ExpectAllRefused(scene.document, [&] {
    return std::vector<bool>{MoveByMouse(scene.layers, camera.device, {200, 200}, {260, 200}, step)};
  });
  EXPECT_EQ(step, Vec3{});
}

const glm::dvec3 kAxes[] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // code 0 scales every way

TEST(Transform, ScalingAlongAnAxisMatchesGlm) {
  for (int axis = 0; axis <= 3; ++axis) {
    for (float f : {2.0f, 0.5f, -1.0f}) {
      Scene scene({0, 1, 6, 9, 11});
      ASSERT_TRUE(ScaleAlongAxis(scene.layers, axis, f));
      scene.ExpectMapped(glm::scale(kI, 1.0 + (f - 1.0) * kAxes[axis]));
    }
  }
}

// Point 5 is a corner of four blades: shared vertices move once, and each moved vertex announces one change.
TEST(Transform, MovingAlongAnAxisMovesEachSelectedVertexOnce) {
  for (int axis = 1; axis <= 3; ++axis) {
    Scene moved({3, 5, 7});
    ASSERT_TRUE(MoveAlongAxis(moved.layers, axis, -2.25f));
    moved.ExpectMapped(glm::translate(kI, -2.25 * kAxes[axis]), 0);
    EXPECT_EQ(moved.changes, 3);
  }
}

TEST(Transform, TurningAboutAnAxisMatchesGlm) {
  for (int axis = 1; axis <= 3; ++axis) {
    for (float angle : {0.3f, -1.2f, 3.0f}) {
      Scene scene({1, 2, 5, 7, 10});
      ASSERT_TRUE(RotateAboutAxis(scene.layers, axis, angle));
      scene.ExpectMapped(glm::rotate(kI, static_cast<double>(angle), kAxes[axis]));
    }
  }
}

TEST(Transform, TurningAboutTheLineToAPointMatchesGlm) {
  Scene scene({0, 6, 8, 11});
  ASSERT_TRUE(RotateAboutVector(scene.layers, {7, -4, 25}, 0.9f));
  scene.ExpectMapped(glm::rotate(kI, 0.9, glm::normalize(glm::dvec3(7, -4, 25) - G(scene.centroid))));
}

TEST(Transform, ALoneVertexIsItsOwnCentroidAndStaysExactlyWhereItIs) {
  Scene lone;
  lone.points[7]->Vertex()->SetVector({0.1f, 0.3f, 1e7f / 3});
  lone.Select({7});
  for (int axis = 0; axis <= 3; ++axis)
    ASSERT_TRUE(ScaleAlongAxis(lone.layers, axis, 3.7f));
  lone.ExpectMapped(kI, 0);
}

// The centroid stays under the cursor, at its depth.
TEST(Transform, AMoveDragCarriesTheSelectionWithTheCursor) {
  Camera camera;
  const ScreenPoint steps[][2] = {{{100, 100}, {160, 100}}, {{320, 240}, {300, 290}}, {{5, 470}, {630, 12}}};
  for (const auto& step : steps) {
    Scene scene({0, 5, 9, 10});
    Vec3 moved;
    ASSERT_TRUE(MoveByMouse(scene.layers, camera.device, step[0], step[1], moved));
    scene.ExpectMapped(glm::translate(kI, camera.DragDirection(scene.centroid, step[0], step[1])));
    EXPECT_LE(glm::distance(G(moved), G(SelectionCentroid(scene.layers.SelectedVertices())) - G(scene.centroid)), 1e-4);
  }
}

constexpr ScreenPoint kLeft{0, kHeight / 2};
constexpr ScreenPoint kRight{kWidth, kHeight / 2};
constexpr ScreenPoint kTop{kWidth / 2, 0};
constexpr ScreenPoint kBottom{kWidth / 2, kHeight};

// Level cameras: the screen's vertical runs along world Y and its horizontal along `horizontal`.
TEST(Transform, AScaleDragScalesAlongTheScreensAxesInTheWorld) {
  const double r = std::sqrt(0.5);
  const std::pair<Vec3, glm::dvec3> views[] = {
      {{0, 2, -30}, {1, 0, 0}}, {{-30, 2, 0}, {0, 0, 1}}, {{-30, 2, -30}, {r, 0, -r}}};
  for (const auto& [eye, horizontal] : views) {
    Scene scene({0, 2, 3, 8, 11});
    ASSERT_TRUE(ScaleByMouse(scene.layers, Camera(eye).device, 1.5f, kLeft, kRight, 0.8f, kTop, kBottom));
    scene.ExpectMapped(glm::scale(kI, (glm::abs(horizontal) * 0.5 + 1.0) * glm::dvec3(1, 0.8f, 1)), 2e-4);
  }
}

TEST(Transform, ATurnDragTurnsAboutWorldYFirstThenAboutTheDrag) {
  Camera tilted({-12, 9, -20});
  Scene one({0, 2, 4, 9});
  ASSERT_TRUE(RotateAboutScreenAxis(one.layers, tilted.device, kLeft, kRight, 0.4f, -0.7f));
  const glm::dvec3 across = glm::normalize(tilted.DragDirection(one.centroid, kLeft, kRight));
  one.ExpectMapped(glm::rotate(kI, 0.4, across) * glm::rotate(kI, -0.7, glm::dvec3(0, 1, 0)), 2e-4);
}

TEST(Transform, ATwoAxisTurnDragTurnsAboutBothDrags) {
  Camera tilted({-12, 9, -20});
  Scene two({1, 3, 5, 10});
  ASSERT_TRUE(RotateAboutScreenAxes(two.layers, tilted.device, 0.4f, kLeft, kRight, -0.7f, kTop, kBottom));
  const glm::dvec3 first = glm::normalize(tilted.DragDirection(two.centroid, kLeft, kRight));
  const glm::dvec3 second = glm::normalize(tilted.DragDirection(two.centroid, kTop, kBottom));
  two.ExpectMapped(glm::rotate(kI, -0.7, second) * glm::rotate(kI, 0.4, first), 2e-4);
}

}  // namespace
}  // namespace vrel
