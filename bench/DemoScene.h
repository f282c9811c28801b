#pragma once

// The frame benchmarks' scene: the panorama cube with six face images drawn in code, a layer of
// blades, the overlay markers and the camera, drawn in the order the main window's render event draws
// them. The GL tests draw it too.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Device.h"
#include "scene/DX9Cube.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"

class QImage;
class QTemporaryDir;

namespace vrel {

struct DemoSceneOptions {
  float areaRadius = 1000.0f;  // half the cube's edge
  int faceSize = 1024;         // pixels of each face image's edge
  int blades = 12;
  std::uint32_t seed = 1;  // the blades' layout
};

class DemoScene {
 public:
  // Every view toggle on: cube points, borders and faces; axis, start direction, start point, plane
  // mark; blade points, borders and surfaces.
  static constexpr std::uint16_t kAllViewFlags = 0x03FF;

  explicit DemoScene(const DemoSceneOptions& options = {});
  ~DemoScene();
  DemoScene(const DemoScene&) = delete;
  DemoScene& operator=(const DemoScene&) = delete;

  TDX9RenderStage& Stage() { return stage_; }
  TSquareBladeCollections& Layers() { return *layers_; }
  TDX9Transformer& Camera() { return camera_; }

  // Cube, overlay and blade draw flags from the view toggles, as the main window sets them.
  void SetViewFlags(std::uint16_t flags);
  std::uint16_t ViewFlags() const { return viewFlags_; }

  // Face image f (0 left, 1 front, 2 right, 3 back, 4 top, 5 bottom) of the given size: a sky or
  // ground gradient, a grid, the face's name and a red mark in its top-left corner.
  static QImage FaceImage(int face, int size);
  // Writes the six face images (once) and loads them as the cube's textures, decoded by `decode`;
  // the failure's text, or empty on success.
  std::string LoadFaceTextures(IDevice& device, const TFaceImageDecoder& decode);

  // Replaces the blades by `count` others: a ring of panels for up to 24, a scatter inside the cube
  // beyond. Every fourth blade is a texture blade; every fifth has a selected edge and two corners.
  void SetBlades(int count, std::uint32_t seed);
  int BladeCount() const;

  // The blades' triangles, both sides, as one triangle list: what the layers draw as surfaces.
  std::vector<Vec3> BladeTriangles() const;

  // One frame: clear, begin, camera, cube, axis, layers (or `layers` in their place), start point,
  // plane mark, start direction, end. A failed begin draws nothing and still ends the scene.
  void Render(IDevice& device, ArgbColor clearColor, const std::function<void(IDevice&)>& layers = {});

 private:
  void AddBlades(int count, std::uint32_t seed);

  DemoSceneOptions options_;
  TDX9RenderStage stage_;
  std::unique_ptr<TSquareBladeCollections> layers_;
  TDX9Transformer camera_;
  std::uint16_t viewFlags_ = 0;
  std::uint8_t overlayParts_ = 0;
  std::unique_ptr<QTemporaryDir> faceFolder_;
  TFaceImageNames faceFiles_{};
};

}  // namespace vrel
