#include "bench/DemoScene.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "scene/DX9Cube.h"
#include "scene/DX9Materials.h"

namespace vrel {

namespace {

constexpr const char* kFaceNames[6] = {"left", "front", "right", "back", "top", "bottom"};

// Corner k of an upright blade: 0 top left, 1 top right, 2 bottom right, 3 bottom left, seen from
// the side its normal points to.
std::array<Vec3, 4> UprightQuad(const Vec3& base, float width, float height, float yaw) {
  const Vec3 across{std::cos(yaw) * width * 0.5f, 0.0f, -std::sin(yaw) * width * 0.5f};
  const Vec3 up{0.0f, height, 0.0f};
  return {base - across + up, base + across + up, base + across, base - across};
}

}  // namespace

DemoScene::DemoScene(const DemoSceneOptions& options)
    : options_(options), layers_(std::make_unique<TSquareBladeCollections>()) {
  const float radius = options_.areaRadius;
  const Vec3 aircraft{0.0f, 0.0f, -0.3f * radius};

  TCubeSquareBladeCollection& cube = *stage_.Cube();
  cube.SetSize(radius);
  stage_.Axis()->SetLength(500.0f);
  stage_.StartPoint()->SetLength(4.0f);
  stage_.StartPoint()->SetPosition(aircraft);
  stage_.PlaneMark()->SetLength(3.0f);
  stage_.PlaneMark()->SetPosition(aircraft);
  stage_.StartDirection()->SetPosition(aircraft);
  stage_.StartDirection()->SetLength(radius);

  // The main window's camera in the free view point, distance and far plane as a scene of this
  // radius sets them.
  camera_.SetZoomMin(0.2f);
  camera_.SetZoomMax(120.0f);
  camera_.SetZ_Near(0.05f);
  camera_.SetCameraMode(cmFree);
  camera_.SetZoom(60.0f);
  camera_.SetZoomMin(0.01f);
  camera_.SetCameraDistance(1.2f * radius);
  camera_.SetCameraRotation({45.0f, -45.0f, 0.0f});
  camera_.SetZ_Far(std::sqrt(3.0f) * radius + 2.0f * camera_.CameraDistance());

  AddBlades(options_.blades, options_.seed);
  SetViewFlags(kAllViewFlags);
}

DemoScene::~DemoScene() = default;

void DemoScene::SetBlades(int count, std::uint32_t seed) {
  layers_ = std::make_unique<TSquareBladeCollections>();
  AddBlades(count, seed);
  SetViewFlags(viewFlags_);
}

int DemoScene::BladeCount() const {
  int count = 0;
  for (int l = 0; l < layers_->Count(); ++l)
    count += layers_->GetLayer(l)->Count();
  return count;
}

void DemoScene::AddBlades(int count, std::uint32_t seed) {
  TSquareBladeCollection& layer = *layers_->AddLayer();
  layer.SetName("demo");
  TVertexItemCollection& pool = *layer.VertexPool();
  std::mt19937 random(seed);
  const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
  const float r = options_.areaRadius;
  for (int i = 0; i < count; ++i) {
    std::array<Vec3, 4> corners;
    if (count <= 24) {
      // A ring of panels around the start, facing inwards, of varying heights.
      const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(count);
      const Vec3 base{0.35f * r * std::sin(angle), -0.2f * r, 0.35f * r * std::cos(angle)};
      corners = UprightQuad(base, 0.18f * r, (0.12f + 0.14f * (0.5f + 0.5f * std::sin(3.0f * angle))) * r,
                            angle + std::numbers::pi_v<float>);
    } else {
      const Vec3 base{uniform(-0.8f, 0.8f) * r, uniform(-0.6f, 0.3f) * r, uniform(-0.8f, 0.8f) * r};
      corners = UprightQuad(base, uniform(0.02f, 0.1f) * r, uniform(0.02f, 0.15f) * r,
                            uniform(0.0f, 2.0f * std::numbers::pi_v<float>));
    }
    TSquareBlade* blade = layer.Add();
    for (int k = 0; k < 4; ++k) {
      pool.NewDataFor(blade, k);
      blade->GetVertexItem(k)->Vertex()->SetVector(corners[static_cast<std::size_t>(k)]);
    }
    blade->SetDrawTexture(i % 4 == 1);
    if (i % 5 == 2) {
      // Some selection, so that every pass of the layer drawing has work.
      blade->SetBorderSelect(0, true);
      blade->SetVertexSelect(0, true);
      blade->SetVertexSelect(1, true);
    }
    blade->UpdatePositionCache();
    blade->UpdateSelectedBorderIndices();
  }
}

void DemoScene::SetViewFlags(std::uint16_t flags) {
  viewFlags_ = flags;
  stage_.Cube()->SetDrawFlags(static_cast<std::uint8_t>(flags & 7));
  overlayParts_ = static_cast<std::uint8_t>(((flags & 8) ? 1 : 0) | ((flags & 16) ? 2 : 0) | ((flags & 32) ? 4 : 0) |
                                            ((flags & 64) ? 8 : 0));
  layers_->SetDrawFlags(((flags & 128) ? 1 : 0) | ((flags & 256) ? 2 : 0) | ((flags & 512) ? 4 : 0));
}

QImage DemoScene::FaceImage(int face, int size) {
  QImage image(size, size, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, 0, size);
  if (face == 4) {
    gradient.setColorAt(0, QColor(40, 90, 170));
    gradient.setColorAt(1, QColor(110, 160, 220));
  } else if (face == 5) {
    gradient.setColorAt(0, QColor(90, 120, 60));
    gradient.setColorAt(1, QColor(60, 85, 40));
  } else {
    gradient.setColorAt(0, QColor(110, 160, 220));
    gradient.setColorAt(0.55, QColor(200, 220, 240));
    gradient.setColorAt(0.56, QColor(120, 150, 80));
    gradient.setColorAt(1, QColor(80, 110, 50));
  }
  painter.fillRect(image.rect(), gradient);
  painter.setPen(QPen(QColor(255, 255, 255, 90), std::max(1, size / 256)));
  for (int i = 1; i < 8; ++i) {
    const int at = i * size / 8;
    painter.drawLine(at, 0, at, size);
    painter.drawLine(0, at, size, at);
  }
  painter.setPen(QColor(255, 255, 255));
  QFont font;
  font.setPixelSize(std::max(8, size / 8));
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(image.rect(), Qt::AlignCenter, QString::fromLatin1(kFaceNames[face]));
  painter.fillRect(0, 0, std::max(1, size / 16), std::max(1, size / 16), QColor(220, 30, 30));
  painter.end();
  return image;
}

std::string DemoScene::LoadFaceTextures(IDevice& device, const TFaceImageDecoder& decode) {
  if (!faceFolder_) {
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
      return "no temporary folder for the face images: " + folder->errorString().toStdString();
    for (int f = 0; f < 6; ++f) {
      const QString name = folder->filePath(QStringLiteral("demo%1.bmp").arg(QString::fromLatin1(CubeFaceSuffix(f))));
      if (!FaceImage(f, options_.faceSize).save(name, "BMP"))
        return "cannot write " + name.toStdString();
      faceFiles_[static_cast<std::size_t>(f)] = name.toStdString();
    }
    faceFolder_ = std::move(folder);
  }
  const TTextureLoadResult result = stage_.Cube()->LoadTextures(device, faceFiles_, decode);
  return result.Loaded ? std::string() : result.Message;
}

std::vector<Vec3> DemoScene::BladeTriangles() const {
  std::vector<Vec3> out;
  for (int l = 0; l < layers_->Count(); ++l) {
    const TSquareBladeCollection& layer = *layers_->GetLayer(l);
    out.reserve(out.size() + static_cast<std::size_t>(layer.Count()) * 12);
    for (int b = 0; b < layer.Count(); ++b) {
      const TCorners& c = layer.Blade(b)->PositionCache();
      // The front strip 0 1 3 2 and the back strip 0 3 1 2, as separate triangles.
      for (const int i : {0, 1, 3, 3, 1, 2, 0, 3, 1, 1, 3, 2})
        out.push_back(c[static_cast<std::size_t>(i)]);
    }
  }
  return out;
}

void DemoScene::Render(IDevice& device, ArgbColor clearColor, const std::function<void(IDevice&)>& layers) {
  device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, clearColor, 1.0f, 0);
  if (device.BeginScene() == DeviceResult::Ok) {
    camera_.ApplyTransforms(device);
    stage_.DrawCube(device);
    if (overlayParts_ & 1)
      stage_.Axis()->Draw(device);
    if (layers) {
      layers(device);
    } else {
      layers_->Draw(device);
    }
    if (overlayParts_ & 4)
      stage_.StartPoint()->Draw(device);
    if (overlayParts_ & 8)
      stage_.PlaneMark()->Draw(device);
    if (overlayParts_ & 2)
      stage_.StartDirection()->Draw(device);
  }
  device.EndScene();
}

}  // namespace vrel
