// Frames drawn through the GL device into a framebuffer object and read back pixel by pixel, under an X
// server (xvfb-run) with Mesa's software rasteriser, which the tests ask for themselves.

#include <gtest/gtest.h>

#include <QOpenGLFunctions>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

#include "platform/qt/GLDevice.h"
#include "tests/platform_gl/GLFrames.h"

namespace vrel {
namespace {

using gltest::Frame;
using gltest::kBg;
using gltest::Near;
using gltest::Rgba;
using Box = Frame::Box;

const Rgba kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};
const Rgba kYellow{255, 255, 0}, kMagenta{255, 0, 255};

struct Probe {
  int x, y;
  Rgba color;
};
// Exactly, alpha included, or within a tolerance on red, green and blue.
void ExpectPixels(const Frame& frame, std::initializer_list<Probe> probes, int tolerance = -1) {
  for (const Probe& p : probes) {
    const Rgba seen = frame.At(p.x, p.y);
    EXPECT_TRUE(tolerance < 0 ? seen == p.color : Near(seen, p.color, tolerance))
        << "at " << p.x << "," << p.y << ": " << seen << ", not " << p.color;
  }
}

Material Emissive(Rgba c, float diffuseAlpha = 1.0f) {
  Material m;
  const auto unit = [](int v) { return static_cast<float>(v) / 255.0f; };
  m.emissive = {unit(c.r), unit(c.g), unit(c.b), 1.0f};
  m.diffuse.a = diffuseAlpha;
  return m;
}

// A distinct colour per texel of a 3 x 5 image (neither side a power of two).
Rgba TexelColor(int x, int y) {
  return {40 + 70 * x, 30 + 45 * y, 200 - 30 * x - 20 * y};
}
// The texels as a texture takes them: blue, green, red (and alpha), top row first, rows padded to four
// bytes.
TextureImage TexelPixels(int width, int height, TexelFormat format = TexelFormat::Bgra32) {
  TextureImage image{width, height, format, {}, nullptr};
  const std::size_t texel = format == TexelFormat::Bgr24 ? 3 : 4;
  auto pixels = std::make_shared<std::vector<std::uint8_t>>(image.RowBytes() * std::size_t(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgba c = TexelColor(x, y);
      std::uint8_t* p = &(*pixels)[image.RowBytes() * std::size_t(y) + texel * std::size_t(x)];
      p[0] = std::uint8_t(c.b), p[1] = std::uint8_t(c.g), p[2] = std::uint8_t(c.r);
      if (texel == 4)
        p[3] = 255;
    }
  }
  image.pixels = *pixels;
  image.owner = pixels;
  return image;
}

class GLDeviceTest : public gltest::GLFrameTest {
 protected:
  QOpenGLFunctions& GL() { return *context_->functions(); }
  float DepthAt(int x, int y) {
    float depth = -1;
    GL().glReadPixels(x, kHeight - 1 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
  }
  void State(RenderState state, std::uint32_t value) { device_->SetRenderState(state, value); }

  template <class V>
  void Draw(VertexFormat format, PrimitiveType type, std::uint32_t count, const std::vector<V>& v) {
    device_->SetFVF(format);
    device_->DrawPrimitiveUP(type, count, v);
  }
  void Xyz(PrimitiveType t, std::uint32_t n, const std::vector<Vec3>& v) { Draw(VertexFormat::Xyz, t, n, v); }
  void Screen(PrimitiveType t, std::uint32_t n, const std::vector<ScreenVertex>& v) {
    Draw(VertexFormat::XyzRhwDiffuse, t, n, v);
  }
  // Rectangles in clip space as strips TL, TR, BL, BR (clockwise on screen): positions only (in the
  // material's colour, or white unlit) or vertex colours.
  void NdcRect(float x0, float y0, float x1, float y1, float z) {
    Xyz(PrimitiveType::TriangleStrip, 2, {{x0, y0, z}, {x1, y0, z}, {x0, y1, z}, {x1, y1, z}});
  }
  void NdcRect(float x0, float y0, float x1, float y1, float z, Rgba material) {
    device_->SetMaterial(Emissive(material));
    NdcRect(x0, y0, x1, y1, z);
  }
  void NdcRect(float x0, float y0, float x1, float y1, float z, ArgbColor c) {
    Draw<ColoredVertex>(VertexFormat::XyzDiffuse, PrimitiveType::TriangleStrip, 2,
                        {{x0, y0, z, c}, {x1, y0, z, c}, {x0, y1, z, c}, {x1, y1, z, c}});
  }
};

TEST_F(GLDeviceTest, ClearAndDrawingStayInsideTheViewport) {
  device_->Clear(ClearFlags::Target | ClearFlags::ZBuffer, kBackground, 1.0f, 0);
  const Frame cleared = Grab();
  for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}, {80, 60}})
    EXPECT_EQ(cleared.At(x, y), (Rgba{0x18, 0x40, 0x59, 0xFF})) << x << "," << y;
  // Viewports count from the top-left corner.
  device_->SetViewport({10, 20, 30, 40, 0.0f, 1.0f});
  device_->Clear(ClearFlags::Target, 0xFF00FF00, 1.0f, 0);
  EXPECT_EQ(Grab().Find(kGreen), (Box{30 * 40, 10, 20, 39, 59}));
  State(RenderState::ZWriteEnable, 0);
  device_->Clear(ClearFlags::ZBuffer, 0, 0.25f, 0);  // a depth clear ignores it
  EXPECT_NEAR(DepthAt(15, 25), 0.25f, 1e-5f);

  device_->SetViewport({0, 0, kWidth, kHeight, 0.0f, 1.0f});
  Begin();
  State(RenderState::Lighting, 0);
  device_->SetViewport({100, 10, 50, 30, 0.0f, 1.0f});
  NdcRect(-3, 3, 3, -3, 0.5f);  // beyond clip space: cut at the viewport's edges
  EXPECT_EQ(End().Find(kWhite), (Box{50 * 30, 100, 10, 149, 39}));
}

class GLDeviceDepthModeTest : public GLDeviceTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { Open({.useClipControl = GetParam()}); }
};
INSTANTIATE_TEST_SUITE_P(ClipControl, GLDeviceDepthModeTest, ::testing::Bool(),
                         [](const auto& test) { return test.param ? "ClipControl" : "ShaderDepth"; });

TEST_P(GLDeviceDepthModeTest, FivePixelPointsLandWhereGlmProjectsThem) {
  EXPECT_TRUE(GetParam() || !device_->UsesClipControl());
  const glm::mat4 view = glm::lookAtLH(glm::vec3(1, 2, -10), glm::vec3(0), glm::vec3(0, 1, 0));
  const glm::mat4 projection = glm::perspectiveLH_ZO(glm::radians(60.0f), float(kWidth) / kHeight, 1.0f, 100.0f);
  const glm::mat4 world = glm::translate(glm::mat4(1.0f), glm::vec3(0.5f, -0.25f, 1.0f));
  Begin();
  for (auto [state, g] : {std::pair{TransformState::World, world},
                          {TransformState::View, view},
                          {TransformState::Projection, projection}})
    device_->SetTransform(state, gltest::FromGlm(g));
  State(RenderState::PointSize, std::bit_cast<std::uint32_t>(5.0f));
  const std::vector<std::pair<glm::vec3, Rgba>> points{
      {{3, 1.5f, 2}, kRed}, {{-4, -2, 5}, kGreen}, {{0, 0, 0}, kYellow}, {{-1, 3, -2}, {0, 255, 255}}};
  for (const auto& [p, color] : points)
    device_->SetMaterial(Emissive(color)), Xyz(PrimitiveType::PointList, 1, {{p.x, p.y, p.z}});
  const Frame frame = End();
  for (const auto& [p, color] : points) {
    const glm::vec4 clip = projection * view * world * glm::vec4(p, 1.0f);
    const Box blob = frame.Find(color);
    EXPECT_EQ(std::tuple(blob[0], blob[3] - blob[1], blob[4] - blob[2]), std::tuple(25, 4, 4)) << "5 x 5 " << color;
    EXPECT_NEAR((blob[1] + blob[3]) / 2.0, (clip.x / clip.w + 1.0f) * 0.5f * kWidth, 1.0) << color;
    EXPECT_NEAR((blob[2] + blob[4]) / 2.0, (1.0f - clip.y / clip.w) * 0.5f * kHeight, 1.0) << color;
  }
}

TEST_P(GLDeviceDepthModeTest, DepthRunsFromZeroToOneThroughTheViewportRange) {
  Begin();
  State(RenderState::Lighting, 0);
  // Clip depth below 0 or above 1 is cut away; GL's own -1..1 range would keep the first.
  for (auto [x0, z] : {std::pair{-1.0f, -0.1f}, {-0.5f, 0.01f}, {0.0f, 0.99f}, {0.5f, 1.01f}})
    NdcRect(x0, 1.0f, x0 + 0.4f, 0.6f, z);
  device_->SetViewport({0, 0, kWidth, kHeight, 0.5f, 1.0f});
  NdcRect(-1.0f, -0.2f, -0.6f, -0.6f, 0.5f);
  ExpectPixels(End(), {{16, 12, kBg}, {56, 12, kWhite}, {96, 12, kWhite}, {136, 12, kBg}});
  EXPECT_NEAR(DepthAt(56, 12), 0.01f, 1e-5f);
  EXPECT_NEAR(DepthAt(96, 12), 0.99f, 1e-5f);
  EXPECT_NEAR(DepthAt(16, 80), 0.75f, 1e-5f);  // MinZ..MaxZ 0.5..1 receive 0..1
}

TEST_P(GLDeviceDepthModeTest, LessKeepsTheFirstSurfaceAtEqualDepthLessEqualTheLast) {
  Begin();
  // Default LESSEQUAL: the second of two at one depth wins, as outlines over reverse sides need.
  NdcRect(-1, 1, 0, 0, 0.5f, kRed);
  NdcRect(-1, 1, 0, 0, 0.5f, kGreen);
  State(RenderState::ZFunc, std::uint32_t(CompareFunc::Less));  // LESS: the first stays
  NdcRect(0, 1, 1, 0, 0.5f, kRed);
  NdcRect(0, 1, 1, 0, 0.5f, kGreen);
  NdcRect(0, 1, 0.5f, 0.5f, 0.25f, kBlue);
  NdcRect(0.5f, 1, 1, 0.5f, 0.75f, kWhite);  // nearer passes, farther not
  State(RenderState::ZEnable, 0);
  NdcRect(-1, 0, 0, -1, 0.9f, kMagenta);  // no test: a farther one covers
  State(RenderState::ZEnable, 1);
  State(RenderState::ZWriteEnable, 0);
  NdcRect(0, 0, 1, -1, 0.3f, kYellow);
  ExpectPixels(
      End(),
      {{40, 30, kGreen}, {100, 50, kRed}, {90, 10, kBlue}, {150, 10, kRed}, {40, 90, kMagenta}, {120, 90, kYellow}});
  EXPECT_NEAR(DepthAt(120, 90), 1.0f, 1e-5f);
  EXPECT_NEAR(DepthAt(40, 30), 0.5f, 1e-5f);
}

TEST_F(GLDeviceTest, CounterClockwiseFacesAreCulledByDefaultAndAgainAfterAReset) {
  EXPECT_EQ(device_->EndScene(), DeviceResult::InvalidCall);
  EXPECT_EQ(device_->BeginScene(), DeviceResult::Ok);
  EXPECT_EQ(device_->BeginScene(), DeviceResult::InvalidCall);
  EXPECT_EQ(device_->EndScene(), DeviceResult::Ok);
  const auto draw = [&](float x) {  // clockwise on screen (x right, y down) in red, counter-clockwise in green
    const ArgbColor r = 0xFFFF0000, g = 0xFF00FF00;
    Screen(PrimitiveType::TriangleList, 2,
           {{x, 10, 0, 1, r},
            {x + 30, 10, 0, 1, r},
            {x, 40, 0, 1, r},
            {x, 60, 0, 1, g},
            {x, 90, 0, 1, g},
            {x + 30, 60, 0, 1, g}});
  };
  Begin();
  draw(5), State(RenderState::CullMode, std::uint32_t(Cull::None));
  draw(55), State(RenderState::CullMode, std::uint32_t(Cull::Cw));
  draw(105);
  ExpectPixels(End(),
               {{12, 17, kRed}, {12, 67, kBg}, {62, 17, kRed}, {62, 67, kGreen}, {112, 17, kBg}, {112, 67, kGreen}});
  State(RenderState::CullMode, std::uint32_t(Cull::None));  // a reset restores the default
  ASSERT_EQ(device_->Reset(kWidth, kHeight), DeviceResult::Ok);
  EXPECT_EQ(device_->TestCooperativeLevel(), DeviceResult::Ok);
  Begin();
  draw(5);
  EXPECT_EQ(End().Find(kGreen)[0], 0);
}

TEST_F(GLDeviceTest, TranslucentSurfacesBlendOverTheBackgroundAndTheWindowStaysOpaque) {
  Begin();
  // A blade surface: lit, emissive red, diffuse alpha 0.3, source alpha over inverse source alpha.
  device_->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  device_->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
  State(RenderState::AlphaBlendEnable, 1);
  device_->SetMaterial(Emissive(kRed, 0.3f));
  NdcRect(-1, 1, 0, 0, 0.5f);
  NdcRect(0.0f, 1.0f, 1.0f, 0.0f, 0.5f, 0x80000000u);  // lit with vertex colours, the alpha is the vertex's
  // The rubber band's blend: inverse destination colour over what the last destination factor was.
  State(RenderState::Lighting, 0), State(RenderState::ZEnable, 0);
  device_->SetRenderState(RenderState::SrcBlend, Blend::InvDestColor);
  const ArgbColor band = 0xFF9EC1DA;
  Screen(PrimitiveType::TriangleStrip, 2,
         {{10, 70, 0, 1, band}, {50, 70, 0, 1, band}, {10, 110, 0, 1, band}, {50, 110, 0, 1, band}});
  const Frame frame = End();
  const auto over = [](double a) {
    const auto mix = [&](int s, int d) { return int(std::lround(s * a + d * (1 - a))); };
    return Rgba{mix(255, kBg.r), mix(0, kBg.g), mix(0, kBg.b)};
  };
  const auto inverted = [](int s, int d) { return int(std::lround(s * (1.0 - d / 255.0))); };
  ExpectPixels(frame,
               {{40, 30, over(0.3)},
                {120, 30, over(128.0 / 255.0)},
                {30, 90, {inverted(0x9E, kBg.r), inverted(0xC1, kBg.g), inverted(0xDA, kBg.b)}}},
               1);
  for (auto [x, y] : {std::pair{40, 30}, {120, 30}, {30, 90}})
    EXPECT_EQ(frame.At(x, y).a, 255) << x << "," << y;
}

class GLDeviceTextureTest : public GLDeviceTest {
 protected:
  // A white quad of 60 x 100 pixels from (left, 10): each texel of the 3 x 5 image covers 20 x 20 pixels.
  void TexturedQuad(float left) {
    const float x0 = left / 80 - 1, x1 = (left + 60) / 80 - 1, y0 = 1 - 10 / 60.0f, y1 = 1 - 110 / 60.0f;
    const ArgbColor c = 0xFFFFFFFF;
    State(RenderState::Lighting, 0);
    Draw<TTexturedVertex>(
        VertexFormat::XyzDiffuseTex1, PrimitiveType::TriangleStrip, 2,
        {{x0, y0, 0.5f, c, 0, 0}, {x1, y0, 0.5f, c, 1, 0}, {x0, y1, 0.5f, c, 0, 1}, {x1, y1, 0.5f, c, 1, 1}});
  }
};

TEST_F(GLDeviceTextureTest, ImagesBeyondTheDisplaysLimitAreRefusedNamingTheirLabel) {
  GLint limit = 0;
  GL().glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  ASSERT_GT(limit, 0);
  EXPECT_EQ(device_->MaxTextureSize(), limit);
  const TextureImage wide = BgraTextureImage(limit + 1, 1, std::vector<std::uint8_t>(std::size_t(limit + 1) * 4, 128));
  EXPECT_EQ(device_->CreateTexture(wide, "too_wide.bmp"), nullptr);
  EXPECT_NE(device_->LastTextureError().find("\"too_wide.bmp\""), std::string::npos) << device_->LastTextureError();
  const auto texture = std::dynamic_pointer_cast<GLTexture>(device_->CreateTexture(TexelPixels(3, 5), "face.bmp"));
  ASSERT_NE(texture, nullptr) << device_->LastTextureError();
  EXPECT_EQ(std::tuple(texture->Width(), texture->Height(), texture->Label()), std::tuple(3, 5, "face.bmp"));
  EXPECT_TRUE(device_->LastTextureError().empty());
  EXPECT_THROW(device_->CreateTexture(BgraTextureImage(3, 5, std::vector<std::uint8_t>(59)), "short"),
               std::invalid_argument);
}

TEST_F(GLDeviceTextureTest, EveryTexelLandsInPlaceAndTexturesLiveWhileAnyoneHoldsThem) {
  auto texture =
      std::dynamic_pointer_cast<GLTexture>(device_->CreateTexture(TexelPixels(3, 5, TexelFormat::Bgr24), "texels"));
  ASSERT_NE(texture, nullptr) << device_->LastTextureError();
  const GLuint name = texture->Name();
  std::weak_ptr<GLTexture> watch = texture;
  Begin();
  device_->SetTexture(0, texture);
  texture.reset();  // the binding, then the queued draw, keep it
  EXPECT_FALSE(watch.expired());
  TexturedQuad(20);
  device_->SetTexture(0, nullptr);
  TexturedQuad(100);  // no texture: the vertex colour
  EXPECT_TRUE(!watch.expired() && GL().glIsTexture(name)) << "a queued draw still needs it";
  const Frame frame = End();
  EXPECT_TRUE(watch.expired() && !GL().glIsTexture(name));
  EXPECT_EQ(frame.At(130, 60), kWhite);
  // The image's top-left pixel at face corner 0, the quad's top-left; neither side is a power of two.
  for (int ty = 0; ty < 5; ++ty)
    for (int tx = 0; tx < 3; ++tx)
      EXPECT_EQ(frame.At(30 + 20 * tx, 20 + 20 * ty), TexelColor(tx, ty)) << tx << "," << ty;

  auto late = device_->CreateTexture(TexelPixels(3, 5), "texels");  // let go without the context current
  const GLuint lateName = static_cast<GLTexture*>(late.get())->Name();
  context_->doneCurrent(), late.reset();
  ASSERT_TRUE(context_->makeCurrent(surface_.get()));
  EXPECT_TRUE(GL().glIsTexture(lateName));
  EXPECT_NE(device_->CreateTexture(TexelPixels(1, 1), "texel"), nullptr);  // the device's next GL work
  EXPECT_FALSE(GL().glIsTexture(lateName));
}

TEST_F(GLDeviceTest, ConsecutiveDrawsWithEqualStateBecomeOneGLDraw) {
  Begin();
  State(RenderState::ZEnable, 0);
  device_->ResetStatistics();
  device_->SetFVF(VertexFormat::Xyz);
  // 20 x 15 quads of 6 x 6 pixels 8 apart, as separate calls; alternating materials only change vertex colours.
  const std::array<std::uint16_t, 4> strip{0, 1, 2, 3};
  for (int row = 0; row < 15; ++row) {
    for (int column = 0; column < 20; ++column) {
      device_->SetMaterial(Emissive((row + column) % 2 == 0 ? kRed : kBlue));
      const float x0 = static_cast<float>(column) / 10.0f - 1.0f, x1 = x0 + 6.0f / 80.0f,
                  y0 = 1.0f - static_cast<float>(row) * 8.0f / 60.0f, y1 = y0 - 0.1f;
      const std::array<Vec3, 4> v{{{x0, y0, 0.5f}, {x1, y0, 0.5f}, {x0, y1, 0.5f}, {x1, y1, 0.5f}}};
      device_->DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, strip, v);
    }
  }
  const Frame frame = End();
  EXPECT_EQ(std::tuple(device_->Statistics().drawCalls, device_->Statistics().glDraws), std::tuple(300u, 1u));
  // Each quad filled in its colour and nothing between them: strips were not run together.
  for (int row = 0; row < 15; ++row)
    for (int c = 0; c < 20; ++c)
      ExpectPixels(frame, {{c * 8 + 3, row * 8 + 3, (row + c) % 2 == 0 ? kRed : kBlue},
                           {c * 8 + 7, row * 8 + 3, kBg},
                           {c * 8 + 3, row * 8 + 7, kBg}});
  EXPECT_EQ(frame.Find(kRed)[0] + frame.Find(kBlue)[0], 300 * 36);
}

// The same draws from memory and from buffers: every kind of primitive, lit and unlit, blended,
// textured and in screen pixels. The buffers hold the vertices after a header and the draws name them
// through a base vertex, so that offsets and bases are exercised too.
TEST_F(GLDeviceTextureTest, DrawsFromBuffersLookLikeTheSameDrawsFromMemory) {
  const glm::mat4 view = glm::lookAtLH(glm::vec3(1, 2, -6), glm::vec3(0), glm::vec3(0, 1, 0));
  const glm::mat4 projection = glm::perspectiveLH_ZO(glm::radians(60.0f), float(kWidth) / kHeight, 1.0f, 50.0f);
  const auto texture = device_->CreateTexture(TexelPixels(3, 5), "texels");
  ASSERT_NE(texture, nullptr);
  const std::vector<Vec3> quad{{-2, 2, 0}, {2, 2, 0.5f}, {2, -2, 0}, {-2, -2, -0.5f}};
  const std::vector<std::uint16_t> strip{0, 1, 3, 2}, outline{0, 1, 2, 3, 0}, pairs{0, 2, 1, 3};
  const std::vector<ColoredVertex> coloured{
      {-1, 0, -1, 0xFFFF0000}, {1, 0, -1, 0xFF00FF00}, {1, 1.5f, -1, 0x800000FF}, {-1, 1.5f, -1, 0x40FFFF00}};
  const std::vector<TTexturedVertex> textured{{-3, 3, 1, 0xFFFFFFFF, 0, 0},
                                              {-1, 3, 1, 0xFFFFFFFF, 1, 0},
                                              {-3, 0, 1, 0xFFFFFFFF, 0, 1},
                                              {-1, 0, 1, 0xFFFFFFFF, 1, 1}};
  const std::vector<ScreenVertex> screen{
      {120, 80, 0, 1, 0xFF00FFFF}, {150, 80, 0, 1, 0xFF00FFFF}, {120, 110, 0, 1, 0xFFFF00FF}};
  // Vertices after one vertex's worth of header; a base of 1 then finds vertex 0 of the data.
  const auto vertexBuffer = [&](const auto& v) {
    const auto bytes = std::as_bytes(std::span(v));
    const std::uint32_t stride = sizeof(v[0]);
    auto buffer = device_->CreateVertexBuffer(static_cast<std::uint32_t>(bytes.size()) + stride);
    std::ranges::copy(bytes, buffer->Lock(stride).begin());
    buffer->Unlock();
    return buffer;
  };
  const auto indexBuffer = [&](const std::vector<std::uint16_t>& v) {
    auto buffer = device_->CreateIndexBuffer(static_cast<std::uint32_t>(v.size() * 2), IndexFormat::Index16);
    std::ranges::copy(std::as_bytes(std::span(v)), buffer->Lock().begin());
    buffer->Unlock();
    return buffer;
  };
  const auto draw = [&](bool fromBuffers, VertexFormat format, PrimitiveType type, std::uint32_t count,
                        const auto& vertices, const std::vector<std::uint16_t>* indices) {
    device_->SetFVF(format);
    const std::uint32_t stride = sizeof(vertices[0]);
    if (!fromBuffers) {
      if (indices) {
        device_->DrawIndexedPrimitiveUP(type, 0, static_cast<std::uint32_t>(vertices.size()), count, *indices,
                                        vertices);
      } else {
        device_->DrawPrimitiveUP(type, count, vertices);
      }
      return;
    }
    device_->SetStreamSource(0, vertexBuffer(vertices), 0, stride);
    if (indices) {
      device_->SetIndices(indexBuffer(*indices));
      device_->DrawIndexedPrimitive(type, 1, 0, static_cast<std::uint32_t>(vertices.size()), 0, count);
    } else {
      device_->DrawPrimitive(type, 1, count);
    }
  };
  const auto frame = [&](bool fromBuffers) {
    Begin();
    device_->SetTransform(TransformState::View, gltest::FromGlm(view));
    device_->SetTransform(TransformState::Projection, gltest::FromGlm(projection));
    device_->SetMaterial(Emissive(kRed, 0.5f));
    draw(fromBuffers, VertexFormat::Xyz, PrimitiveType::TriangleStrip, 2, quad, &strip);
    device_->SetMaterial(Emissive(kGreen));
    draw(fromBuffers, VertexFormat::Xyz, PrimitiveType::LineStrip, 4, quad, &outline);
    draw(fromBuffers, VertexFormat::Xyz, PrimitiveType::LineList, 2, quad, &pairs);
    State(RenderState::PointSize, std::bit_cast<std::uint32_t>(5.0f));
    device_->SetMaterial(Emissive(kYellow));
    draw(fromBuffers, VertexFormat::Xyz, PrimitiveType::PointList, 4, quad, nullptr);
    State(RenderState::AlphaBlendEnable, 1);
    device_->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device_->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    State(RenderState::CullMode, std::uint32_t(Cull::None));
    draw(fromBuffers, VertexFormat::XyzDiffuse, PrimitiveType::TriangleFan, 2, coloured, nullptr);  // lit: alpha
    State(RenderState::Lighting, 0);
    draw(fromBuffers, VertexFormat::XyzDiffuse, PrimitiveType::TriangleFan, 2, coloured, &strip);  // unlit: all
    State(RenderState::AlphaBlendEnable, 0);
    draw(fromBuffers, VertexFormat::Xyz, PrimitiveType::LineList, 1, quad, &pairs);  // unlit, no colour: white
    device_->SetTexture(0, texture);
    draw(fromBuffers, VertexFormat::XyzDiffuseTex1, PrimitiveType::TriangleStrip, 2, textured, nullptr);
    device_->SetTexture(0, nullptr);
    draw(fromBuffers, VertexFormat::XyzRhwDiffuse, PrimitiveType::TriangleList, 1, screen, nullptr);
    State(RenderState::Lighting, 1);
    State(RenderState::CullMode, std::uint32_t(Cull::Ccw));
    return End();
  };
  const Frame fromMemory = frame(false), fromBuffers = frame(true);
  int lit = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      ASSERT_TRUE(Near(fromBuffers.At(x, y), fromMemory.At(x, y)))
          << x << "," << y << ": " << fromBuffers.At(x, y) << ", not " << fromMemory.At(x, y);
      lit += !(fromMemory.At(x, y) == Rgba{kBg});
    }
  }
  EXPECT_GT(lit, kWidth * kHeight / 10);  // the frame shows something
  for (const Rgba& c : {kGreen, kYellow, kWhite, TexelColor(0, 0)})
    EXPECT_GT(fromBuffers.Find(c)[0], 0) << c;
}

TEST_F(GLDeviceTest, ABufferIsCopiedToGLOnceAndAgainOnlyAfterItChanged) {
  const auto vertices = device_->CreateVertexBuffer(4 * sizeof(Vec3));
  const auto indices = device_->CreateIndexBuffer(4 * 4, IndexFormat::Index32);
  const auto fill = [](DeviceBuffer& buffer, const auto& values) {
    std::ranges::copy(std::as_bytes(std::span(values)), buffer.Lock().begin());
    buffer.Unlock();
  };
  const auto rect = [](float x0, float x1) {
    return std::vector<Vec3>{{x0, 0.5f, 0.5f}, {x1, 0.5f, 0.5f}, {x0, -0.5f, 0.5f}, {x1, -0.5f, 0.5f}};
  };
  fill(*vertices, rect(-0.5f, 0.0f));
  fill(*indices, std::vector<std::uint32_t>{0, 1, 2, 3});
  const auto frame = [&] {
    device_->ResetStatistics();
    Begin();
    State(RenderState::Lighting, 0);
    device_->SetFVF(VertexFormat::Xyz);
    device_->SetStreamSource(0, vertices, 0, sizeof(Vec3));
    device_->SetIndices(indices);
    device_->DrawIndexedPrimitive(PrimitiveType::TriangleStrip, 0, 0, 4, 0, 2);
    const Box white = End().Find(kWhite);
    const GLDeviceStatistics& s = device_->Statistics();
    return std::tuple(white[1], white[3], s.bufferUploads, s.bufferUploadBytes, s.streamUploadBytes);
  };
  // Pixels 40..79 across: both buffers go to GL in the first frame, nothing in the next.
  EXPECT_EQ(frame(), std::tuple(40, 79, 2u, 48u + 16u, 0u));
  EXPECT_EQ(frame(), std::tuple(40, 79, 0u, 0u, 0u));
  fill(*vertices, rect(0.0f, 0.5f));
  EXPECT_EQ(frame(), std::tuple(80, 119, 1u, 48u, 0u));
  EXPECT_EQ(frame(), std::tuple(80, 119, 0u, 0u, 0u));
}

}  // namespace
}  // namespace vrel
