// Blades and overlay parts drawn through the GL device and read back: what the layer passes and the
// rubber band put on screen. Under an X server (xvfb-run) with Mesa's software rasteriser.

#include <gtest/gtest.h>

#include <QOpenGLFramebufferObject>
#include <QTemporaryDir>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench/DemoScene.h"
#include "imaging/FaceImages.h"
#include "imaging/qt/QtImageFormats.h"
#include "platform/PixelRatioDevice.h"
#include "platform/qt/GLDevice.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Materials.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"
#include "tests/platform_gl/GLFrames.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

using gltest::kBg;
using gltest::Near;
using gltest::Rgba;

// A colour as settings keep it (red in the low byte) on screen.
Rgba Screen(int32_t color) {
  return {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
}

class SceneDrawGLTest : public gltest::GLFrameTest {
 protected:
  // Clears to the view's background, draws, and reads the frame back.
  template <class F>
  void Frame(F draw) {
    Begin();
    draw();
    frame_ = End();
  }
  Rgba At(int x, int y) const { return frame_.At(x, y); }
  // What `draw` draws seen from `eye` towards `at`; the same matrices serve the projection oracle.
  void DrawFrom(const glm::vec3& eye, const std::function<void()>& draw, const glm::vec3& at = glm::vec3(0.0f)) {
    view_ = glm::lookAtLH(eye, at, glm::vec3(0, 1, 0));
    projection_ = glm::perspectiveLH_ZO(glm::radians(60.0f), float(kWidth) / kHeight, 1.0f, 100.0f);
    Frame([&] {
      device_->SetTransform(TransformState::View, gltest::FromGlm(view_));
      device_->SetTransform(TransformState::Projection, gltest::FromGlm(projection_));
      draw();
    });
  }
  void DrawFrom(const glm::vec3& eye, TSquareBladeCollections& layers) {
    DrawFrom(eye, [&] { layers.Draw(*device_); });
  }
  glm::vec2 Project(const glm::vec3& p) const {
    const glm::vec4 clip = projection_ * view_ * glm::vec4(p, 1.0f);
    return {(clip.x / clip.w + 1.0f) * 0.5f * kWidth, (1.0f - clip.y / clip.w) * 0.5f * kHeight};
  }
  Rgba AtPoint(const glm::vec3& p) const { return At(int(Project(p).x), int(Project(p).y)); }

  // A square blade in the plane z = 0, corners TL, TR, BR, BL as seen from -Z (its front side).
  static TSquareBlade* AddSquareBlade(TSquareBladeCollection& layer, float h) {
    return AddBlade(&layer, {{{-h, h, 0}, {h, h, 0}, {h, -h, 0}, {-h, -h, 0}}});
  }

  glm::mat4 view_{1.0f}, projection_{1.0f};
  gltest::Frame frame_;
};

TEST_F(SceneDrawGLTest, ABladeSeenFromBehindShowsTheReverseColour) {
  TSquareBladeCollections layers;
  AddSquareBlade(*layers.AddLayer(), 2.0f);
  layers.SetDrawFlags(TSquareBladeCollections::dfSurfaces);
  const TSquareBladeMaterials& m = *layers.Materials();
  const double alpha = m.Surface()->Alpha() / 100.0;
  const auto blend = [&](int s, int d) { return int(std::lround(s * alpha + d * (1 - alpha))); };
  const Rgba surface = Screen(m.Surface()->Color());
  const Rgba front{blend(surface.r, kBg.r), blend(surface.g, kBg.g), blend(surface.b, kBg.b)};
  // From the front the back strip is culled and the front blends over the background; from behind the
  // front strip is culled and the back shows opaque. Probes in all four quadrants cover both triangles.
  for (auto [eyeZ, expected, tolerance] : {std::tuple{-10.0f, front, 2}, {10.0f, Screen(m.Reverse()->Color()), 1}}) {
    DrawFrom({0, 0, eyeZ}, layers);
    for (const glm::vec3& p : {glm::vec3(0), {1.5f, 1.5f, 0}, {-1.5f, 1.5f, 0}, {1.5f, -1.5f, 0}, {-1.5f, -1.0f, 0}})
      EXPECT_TRUE(Near(AtPoint(p), expected, tolerance)) << eyeZ << " at " << p.x << "," << p.y << ": " << AtPoint(p);
    EXPECT_TRUE(Near(AtPoint({2.5f, 0, 0}), kBg, 0)) << AtPoint({2.5f, 0, 0});
  }
}

TEST_F(SceneDrawGLTest, ASelectedEdgeShowsOverThePlainBorderAtEqualDepth) {
  TSquareBladeCollections layers;
  TSquareBladeCollection* layer = layers.AddLayer();
  AddSquareBlade(*layer, 2.0f)->Select(bpBorder, 1, true);  // the right edge, corner 1 to corner 2
  // A larger blade's surface over every line of the first, drawn with LESS, leaves lines at its depth alone.
  AddSquareBlade(*layer, 3.5f);
  const TSquareBladeMaterials& m = *layers.Materials();
  const Rgba border = Screen(m.Border()->Color()), selected = Screen(m.Selected()->Color());
  ASSERT_FALSE(Near(border, selected, 10));
  // Whether a colour lies within a pixel of a point's projection (exactly: a blended surface would change it).
  const auto seen = [&](const glm::vec3& p, const Rgba& colour) {
    const glm::vec2 q = Project(p);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (Near(At(int(std::lround(q.x)) + dx, int(std::lround(q.y)) + dy), colour))
          return true;
    return false;
  };
  for (int flags : {int(TSquareBladeCollections::dfBorders), 7}) {
    layers.SetDrawFlags(flags);
    DrawFrom({0, 0, -10}, layers);
    for (float t = -1.6f; t <= 1.61f; t += 0.4f) {  // away from the corners, where two edges meet
      // The selected right edge, drawn after the outline at the same depth, wins every pixel.
      EXPECT_TRUE(seen({2.0f, t, 0}, selected) && !seen({2.0f, t, 0}, border)) << flags << ": right edge at " << t;
      EXPECT_TRUE(seen({t, 2.0f, 0}, border) && !seen({t, 2.0f, 0}, selected)) << flags << ": top edge at " << t;
    }
  }
}

// The blades reach GL once; a frame in which none changed copies nothing, one after a change copies the
// layer again.
TEST_F(SceneDrawGLTest, OnlyAFrameAfterAChangeCopiesTheBladesToGL) {
  TSquareBladeCollections layers;
  TSquareBladeCollection* layer = layers.AddLayer();
  TSquareBlade* blade = AddSquareBlade(*layer, 2.0f);
  AddSquareBlade(*layer, 1.0f)->SetDrawTexture(true);
  layers.SetDrawFlags(7);
  const auto copied = [&] {
    device_->ResetStatistics();
    DrawFrom({0, 0, -10}, layers);
    return std::pair(device_->Statistics().bufferUploads, device_->Statistics().bufferUploadBytes);
  };
  const auto first = copied();
  EXPECT_EQ(first.first, 2u);  // the vertices and the indices
  EXPECT_GE(first.second, 8u * sizeof(ColoredVertex));
  EXPECT_EQ(copied(), std::pair(std::uint64_t{0}, std::uint64_t{0}));
  EXPECT_EQ(copied(), std::pair(std::uint64_t{0}, std::uint64_t{0}));
  // The top-left corner moves out: the outer pixel of its 5 x 5 point, where GLM projects it, turns from
  // the background to the border colour.
  const glm::vec3 moved(-2.6f, 2.6f, 0);
  const auto outerPixel = [&] {
    return At(int(std::lround(Project(moved).x)) - 2, int(std::lround(Project(moved).y)) - 2);
  };
  EXPECT_TRUE(Near(outerPixel(), kBg, 0)) << outerPixel();
  blade->SetVertexPosition(0, {moved.x, moved.y, moved.z});
  EXPECT_EQ(copied().first, 2u);
  EXPECT_TRUE(Near(outerPixel(), Screen(layers.Materials()->Border()->Color()))) << outerPixel();
  EXPECT_EQ(copied(), std::pair(std::uint64_t{0}, std::uint64_t{0}));
}

TEST_F(SceneDrawGLTest, TheRubberBandLightsExactlyItsPixelsInvertingWhatIsUnder) {
  TMouseSquare square;
  square.SetRect({20, 30, 100, 90});
  Frame([&] {
    device_->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);  // as a normal frame leaves it
    square.Draw(*device_);
  });
  // Opaque source times the inverted destination, plus nothing of the destination.
  const Rgba source = Screen(square.Color());
  const auto invert = [](int s, int d) { return int(std::lround(s * (255 - d) / 255.0)); };
  const Rgba lit{invert(source.r, kBg.r), invert(source.g, kBg.g), invert(source.b, kBg.b)};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool on = ((y == 30 || y == 90) && x >= 20 && x <= 100) || ((x == 20 || x == 100) && y >= 30 && y <= 90);
      ASSERT_TRUE(Near(At(x, y), on ? lit : kBg, on ? 2 : 0)) << x << "," << y << ": " << At(x, y);
    }
  }
  TMouseLine knife;
  knife.SetRect({10, 100, 150, 100});  // from its start to its end, one pixel thick
  Frame([&] { knife.Draw(*device_); });
  for (int x = 0; x < kWidth; ++x) {
    const bool on = x > 10 && x < 150, end = x == 10 || x == 150;  // the end pixels may go either way
    EXPECT_TRUE(end || Near(At(x, 100), on ? lit : kBg, on ? 2 : 0)) << x << ": " << At(x, 100);
    EXPECT_TRUE(Near(At(x, 99), kBg, 0) && Near(At(x, 101), kBg, 0)) << x;
  }
}

TEST_F(SceneDrawGLTest, TheCubeIsTexturedSeenFromInsideAndCulledFromOutside) {
  // Six 4 x 4 face images of one colour each, with a white top-left texel.
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::array<QRgb, 6> colours{qRgb(200, 0, 0),   qRgb(0, 200, 0),   qRgb(0, 0, 200),
                                    qRgb(200, 200, 0), qRgb(0, 200, 200), qRgb(200, 0, 200)};
  TFaceImageNames names;
  for (int f = 0; f < 6; ++f) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colours[f]);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    names[f] = folder.filePath(QString("face%1.bmp").arg(f)).toStdString();
    ASSERT_TRUE(image.save(QString::fromStdString(names[f])));
  }
  TCubeSquareBladeCollection cube;
  cube.SetSize(10);
  cube.SetDrawFlags(TCubeSquareBladeCollection::kDrawTextures);
  // Through the picture formats, as the editor reads faces.
  const auto formats = RegisterImageFormats();
  const TTextureLoadResult loaded = cube.LoadTextures(*device_, names, ReadFaceImage);
  ASSERT_TRUE(loaded.Loaded) << loaded.Message;
  EXPECT_EQ(cube.FaceImageSize(), 4);
  // Which face lies towards +Z and which towards -Z.
  int farthest = 0, nearest = 0;
  for (int f = 0; f < 6; ++f) {
    const float z = CornersCentroid(cube.GetFaceBlade(f)->PositionCache()).z;
    if (z > CornersCentroid(cube.GetFaceBlade(farthest)->PositionCache()).z)
      farthest = f;
    if (z < CornersCentroid(cube.GetFaceBlade(nearest)->PositionCache()).z)
      nearest = f;
  }
  const auto colourOf = [&](int f) { return Rgba{qRed(colours[f]), qGreen(colours[f]), qBlue(colours[f])}; };
  const auto drawCube = [&] { cube.Draw(*device_, Material{}, 1); };
  // From inside, looking at the +Z face: its texture, and its top-left texel at face corner 0.
  DrawFrom({0, 0, -5}, drawCube, {0, 0, 1});
  EXPECT_TRUE(Near(At(kWidth / 2, kHeight / 2), colourOf(farthest), 0)) << At(kWidth / 2, kHeight / 2);
  const TCorners& face = cube.GetFaceBlade(farthest)->PositionCache();
  const glm::vec3 corner0(face[0].x, face[0].y, face[0].z), centre(0, 0, 10);
  EXPECT_TRUE(Near(AtPoint(corner0 + (centre - corner0) * 0.4f), Rgba{255, 255, 255}, 0));
  // From outside, behind the +Z face: that face is culled and the -Z face shows through it from inside.
  DrawFrom({0, 0, 30}, drawCube);
  EXPECT_TRUE(Near(At(kWidth / 2, kHeight / 2), colourOf(nearest), 0)) << At(kWidth / 2, kHeight / 2);
  cube.ReleaseTextures();
}

// The layer passes as the view drew them before it kept its blades in buffers: one call from memory
// per blade and primitive, every blade's outline and corners in the plain colours, the texture blades'
// again in theirs, then the selection and the texture blades' selection over them, the translucent
// fronts last; within a pass all surfaces, then all outlines, then all corners.
void DrawLayerPassByPass(IDevice& device, const TSquareBladeCollection& layer, const TSquareBladeMaterials& m,
                         int flags) {
  device.SetFVF(VertexFormat::Xyz);
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 1u);
  device.SetRenderState(RenderState::PointSize, SingleBits(static_cast<float>(m.PointSize())));
  device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  device.SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  std::vector<const TSquareBlade*> blades, textured;
  for (int i = 0; i < layer.Count(); ++i) {
    const TSquareBlade* blade = layer.Blade(i);
    if (blade->Visible())
      blades.push_back(blade);
    if (blade->Visible() && blade->DrawTexture())
      textured.push_back(blade);
  }
  const auto surfaces = [&](const TRenderMaterial* material, std::span<const std::uint16_t> strip) {
    for (const TSquareBlade* blade : blades) {
      device.SetMaterial((material               ? material
                          : blade->DrawTexture() ? m.TextureSurface()
                                                 : m.Surface())
                             ->DeviceMaterial());
      device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, strip, blade->PositionCache());
    }
  };
  const auto outlinesAndCorners = [&](const std::vector<const TSquareBlade*>& which, const TRenderMaterial* material) {
    device.SetMaterial(material->DeviceMaterial());
    for (const TSquareBlade* blade : which)
      if (flags & 2)
        device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 4, std::span(kBladeOutline),
                                      blade->PositionCache());
    for (const TSquareBlade* blade : which)
      if (flags & 1)
        device.DrawPrimitiveUP(PrimitiveType::PointList, 4, blade->PositionCache());
  };
  const auto selection = [&](const std::vector<const TSquareBlade*>& which, const TRenderMaterial* material) {
    device.SetMaterial(material->DeviceMaterial());
    for (const TSquareBlade* blade : which) {
      const std::vector<std::uint16_t>& pairs = blade->SelectedBorderIndices();
      if ((flags & 2) && !pairs.empty()) {
        device.DrawIndexedPrimitiveUP(PrimitiveType::LineList, 0, 4, std::uint32_t(pairs.size() / 2), std::span(pairs),
                                      blade->PositionCache());
      }
    }
    for (const TSquareBlade* blade : which)
      for (int i = 0; i < 4 && (flags & 1); ++i)
        if (blade->GetVertexSelect(i))
          device.DrawPrimitiveUP(PrimitiveType::PointList, 1, std::span(&blade->PositionCache()[i], 1));
  };
  if (flags & 4)
    surfaces(m.Reverse(), kBladeBackStrip);
  outlinesAndCorners(blades, m.Border());
  outlinesAndCorners(textured, m.TextureBorder());
  selection(blades, m.Selected());
  selection(textured, m.TextureSelected());
  if (flags & 4) {
    device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
    device.SetRenderState(RenderState::ZFunc, CompareFunc::Less);
    surfaces(nullptr, kBladeFrontStrip);
    device.SetRenderState(RenderState::ZFunc, CompareFunc::LessEqual);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  }
}

// The frame benchmark's scene, small: the textured cube, a few hundred blades crossing each other (a
// quarter texture blades, a fifth with a selected edge and corners) and the overlay, drawn by the
// layer and by its passes from memory. The two pictures agree pixel for pixel, but for rounding of the
// translucent surfaces' opacity to a byte; the blades are drawn again with another selection, colour
// and flags, and through a device of pixel ratio 2 (wider points).
TEST_F(SceneDrawGLTest, TheLayerDrawsThePictureOfItsPassesDrawnFromMemory) {
  constexpr int kW = 320, kH = 200;
  OffscreenTarget target = MakeOffscreenTarget("platform_gl_tests", kW, kH);
  ASSERT_TRUE(target.error.empty()) << target.error;
  for (const double ratio : {1.0, 2.0}) {
    const int w = PixelRatioDevice::DevicePixels(kW, ratio), h = PixelRatioDevice::DevicePixels(kH, ratio);
    QOpenGLFramebufferObject fbo(w, h, QOpenGLFramebufferObject::CombinedDepthStencil);
    ASSERT_TRUE(fbo.bind());
    PixelRatioDevice device(std::make_unique<GLDevice>(*target.context, w, h), kW, kH, ratio);
    DemoSceneOptions options;
    options.faceSize = 64;
    options.blades = 0;
    DemoScene scene(options);
    scene.SetBlades(300, 11);
    scene.Camera().SetAspectFromControl(kW, kH);
    const auto formats = RegisterImageFormats();
    ASSERT_EQ(scene.LoadFaceTextures(device, ReadFaceImage), "");
    TSquareBladeCollections& layers = scene.Layers();
    const auto compare = [&](const std::string& what) {
      const auto render = [&](bool passByPass) {
        scene.Render(device, 0xFF184059,
                     passByPass ? std::function<void(IDevice&)>([&](IDevice& d) {
                       for (int i = layers.Count(); i-- > 0;)
                         DrawLayerPassByPass(d, *layers.GetLayer(i), *layers.Materials(), layers.DrawFlags());
                     })
                                : std::function<void(IDevice&)>());
        device.Present();
        return fbo.toImage();
      };
      const QImage expected = render(true), drawn = render(false);
      int rounded = 0, differing = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const QRgb e = expected.pixel(x, y), d = drawn.pixel(x, y);
          const int delta =
              std::max({std::abs(qRed(e) - qRed(d)), std::abs(qGreen(e) - qGreen(d)), std::abs(qBlue(e) - qBlue(d))});
          rounded += delta > 0 && delta <= 2;
          differing += delta > 2;
        }
      }
      EXPECT_EQ(differing, 0) << what << " at ratio " << ratio << " (" << rounded << " rounded)";
    };
    compare("all parts");
    for (int i = 0; i < layers.GetLayer(0)->Count(); i += 7)
      layers.GetLayer(0)->Blade(i)->Select(bpFace, 0, i % 2 == 0);
    layers.GetLayer(0)->Blade(3)->SetVisible(false);
    layers.Materials()->Surface()->SetColor(0x3060C0);
    compare("a changed selection");
    // No part of the blades, then each alone.
    for (const std::uint16_t flags : std::to_array<std::uint16_t>({0x07F, 0x0FF, 0x17F, 0x27F})) {
      scene.SetViewFlags(flags);
      compare("view flags " + std::to_string(flags));
    }
    scene.SetViewFlags(DemoScene::kAllViewFlags);
  }
  target.context->makeCurrent(target.surface.get());
}

}  // namespace
}  // namespace vrel
