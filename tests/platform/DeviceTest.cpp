#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/RecordingDevice.h"

namespace vrel {
namespace {

std::uint32_t Bits(float v) { return std::bit_cast<std::uint32_t>(v); }

bool SameBytes(const Matrix& a, const Matrix& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A device with no drawing and no hooks at all: the stored state alone must answer the getters.
class SilentDevice : public DeviceState {
 public:
  SilentDevice() : DeviceState(320, 200) {}
  std::shared_ptr<Texture> CreateTextureFromFile(const std::string&) override { return nullptr; }
  std::shared_ptr<Texture> CreateTextureFromFileInMemory(std::span<const std::byte>) override { return nullptr; }
  void Clear(ClearFlags, ArgbColor, float, std::uint32_t) override {}
  DeviceResult BeginScene() override { return DeviceResult::Ok; }
  DeviceResult EndScene() override { return DeviceResult::Ok; }
  DeviceResult Present() override { return DeviceResult::Ok; }
  DeviceResult TestCooperativeLevel() override { return DeviceResult::Ok; }

 protected:
  DeviceResult DoReset(int, int) override { return DeviceResult::Ok; }
  void DoDrawPrimitiveUP(PrimitiveType, std::uint32_t, std::span<const std::byte>, std::uint32_t) override {}
  void DoDrawIndexedPrimitiveUP(PrimitiveType, std::uint32_t, std::uint32_t, std::uint32_t,
                                std::span<const std::uint16_t>, std::span<const std::byte>, std::uint32_t) override {}
};

Matrix Awkward(float seed) {
  Matrix m;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m.m[r][c] = seed * float(r * 4 + c + 1) / 7.0f;
  }
  m.m[0][1] = -0.0f;
  m.m[1][2] = std::numeric_limits<float>::denorm_min();
  m.m[2][3] = std::numeric_limits<float>::quiet_NaN();
  m.m[3][0] = -3.4e38f;
  return m;
}

void CheckRoundTrips(IDevice& device) {
  const Matrix world = Awkward(1.5f), view = Awkward(-2.25f), projection = Awkward(1e-3f);
  device.SetTransform(TransformState::World, world);
  device.SetTransform(TransformState::View, view);
  device.SetTransform(TransformState::Projection, projection);
  // Bit for bit, negative zero, denormals and NaN included; each transform keeps its own value.
  EXPECT_TRUE(SameBytes(device.GetTransform(TransformState::World), world));
  EXPECT_TRUE(SameBytes(device.GetTransform(TransformState::View), view));
  EXPECT_TRUE(SameBytes(device.GetTransform(TransformState::Projection), projection));

  const Viewport viewport{10, 20, 300, 150, 0.25f, 0.75f};
  device.SetViewport(viewport);
  EXPECT_EQ(device.GetViewport(), viewport);

  device.SetRenderState(RenderState::ZEnable, 0);
  device.SetRenderState(RenderState::Lighting, false);
  device.SetRenderState(RenderState::AlphaBlendEnable, true);
  device.SetRenderState(RenderState::SrcBlend, Blend::InvDestColor);
  device.SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.SetRenderState(RenderState::ZFunc, CompareFunc::Less);
  device.SetRenderState(RenderState::CullMode, Cull::None);
  device.SetRenderState(RenderState::PointSize, Bits(5.0f));
  device.SetRenderState(RenderState::Ambient, 0x80FF0000u);
  EXPECT_EQ(device.GetRenderState(RenderState::ZEnable), 0u);
  EXPECT_EQ(device.GetRenderState(RenderState::Lighting), 0u);
  EXPECT_EQ(device.GetRenderState(RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(device.GetRenderState(RenderState::SrcBlend), 10u);
  EXPECT_EQ(device.GetRenderState(RenderState::DestBlend), 6u);
  EXPECT_EQ(device.GetRenderState(RenderState::ZFunc), 2u);
  EXPECT_EQ(device.GetRenderState(RenderState::CullMode), 1u);
  EXPECT_EQ(std::bit_cast<float>(device.GetRenderState(RenderState::PointSize)), 5.0f);
  EXPECT_EQ(device.GetRenderState(RenderState::Ambient), 0x80FF0000u);

  Material material;
  material.emissive = {1, 0, 0, 1};
  material.diffuse.a = 0.3f;
  material.power = 7;
  device.SetMaterial(material);
  EXPECT_EQ(device.GetMaterial(), material);

  device.SetFVF(VertexFormat::XyzRhwDiffuse);
  EXPECT_EQ(device.GetFVF(), VertexFormat::XyzRhwDiffuse);
}

TEST(DeviceStateTest, EveryStateReadsBackExactlyWithoutAContext) {
  SilentDevice silent;
  CheckRoundTrips(silent);
  RecordingDevice recording;
  CheckRoundTrips(recording);
}

TEST(DeviceStateTest, StartsAndResetsToTheDefaults) {
  RecordingDevice device(800, 600);
  const auto expectDefaults = [&device](int width, int height) {
    for (TransformState t : {TransformState::World, TransformState::View, TransformState::Projection}) {
      EXPECT_EQ(device.GetTransform(t), MatrixIdentity());
    }
    EXPECT_EQ(device.GetViewport(), (Viewport{0, 0, width, height, 0.0f, 1.0f}));
    EXPECT_EQ(device.GetRenderState(RenderState::ZEnable), 1u);
    EXPECT_EQ(device.GetRenderState(RenderState::ZWriteEnable), 1u);
    EXPECT_EQ(device.GetRenderState(RenderState::ZFunc), std::uint32_t(CompareFunc::LessEqual));
    EXPECT_EQ(device.GetRenderState(RenderState::Lighting), 1u);
    EXPECT_EQ(device.GetRenderState(RenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(device.GetRenderState(RenderState::SrcBlend), std::uint32_t(Blend::One));
    EXPECT_EQ(device.GetRenderState(RenderState::DestBlend), std::uint32_t(Blend::Zero));
    EXPECT_EQ(device.GetRenderState(RenderState::CullMode), std::uint32_t(Cull::Ccw));
    EXPECT_EQ(device.GetRenderState(RenderState::PointSize), Bits(1.0f));
    EXPECT_EQ(device.GetRenderState(RenderState::Ambient), 0u);
    EXPECT_EQ(device.GetMaterial(), Material{});
    EXPECT_EQ(device.GetFVF(), VertexFormat::None);
    EXPECT_EQ(device.GetTexture(0), nullptr);
  };
  expectDefaults(800, 600);
  CheckRoundTrips(device);
  device.SetTexture(0, device.CreateTextureFromFile("a.bmp"));
  ASSERT_EQ(device.Reset(1024, 768), DeviceResult::Ok);
  expectDefaults(1024, 768);
  EXPECT_EQ(device.BackBufferWidth(), 1024);
  EXPECT_EQ(device.BackBufferHeight(), 768);
}

TEST(DeviceStateTest, InvalidArgumentsThrowAndChangeNothing) {
  RecordingDevice device;
  device.SetFVF(VertexFormat::Xyz);
  const StateBlock before = device.State();
  const std::size_t calls = device.Calls().size();

  EXPECT_THROW(device.SetTransform(static_cast<TransformState>(1), Matrix{}), std::invalid_argument);
  EXPECT_THROW(device.GetTransform(static_cast<TransformState>(257)), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(static_cast<RenderState>(kRenderStateCount), 0), std::invalid_argument);
  EXPECT_THROW(device.GetRenderState(static_cast<RenderState>(99)), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::ZEnable, 2), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::Lighting, 7), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::SrcBlend, 0), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::DestBlend, 11), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::ZFunc, 9), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::CullMode, 0), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::PointSize, Bits(-1.0f)), std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::PointSize, Bits(std::numeric_limits<float>::quiet_NaN())),
               std::invalid_argument);
  EXPECT_THROW(device.SetRenderState(RenderState::PointSize, Bits(std::numeric_limits<float>::infinity())),
               std::invalid_argument);
  EXPECT_THROW(device.SetViewport({-1, 0, 10, 10, 0, 1}), std::invalid_argument);
  EXPECT_THROW(device.SetViewport({0, 0, 10, -10, 0, 1}), std::invalid_argument);
  EXPECT_THROW(device.SetViewport({0, 0, 10, 10, 0, 1.5f}), std::invalid_argument);
  EXPECT_THROW(device.SetViewport({0, 0, 10, 10, std::numeric_limits<float>::quiet_NaN(), 1}), std::invalid_argument);
  EXPECT_THROW(device.SetFVF(static_cast<VertexFormat>(77)), std::invalid_argument);
  EXPECT_THROW(device.SetTexture(kTextureStageCount, nullptr), std::out_of_range);
  EXPECT_THROW(device.GetTexture(kTextureStageCount), std::out_of_range);
  EXPECT_THROW(device.Reset(-1, 10), std::invalid_argument);
  EXPECT_THROW(RecordingDevice(10, -1), std::invalid_argument);

  EXPECT_EQ(device.State(), before);
  EXPECT_EQ(device.Calls().size(), calls);
}

TEST(DeviceStateTest, TexturesAreHeldByReferenceWhileBound) {
  std::shared_ptr<Texture> texture;
  {
    RecordingDevice device;
    texture = device.CreateTextureFromFile("face_front.bmp");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(0, texture);
    EXPECT_EQ(texture.use_count(), 2);
    EXPECT_EQ(device.GetTexture(0), texture);
    device.SetTexture(0, nullptr);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(3, texture);
    ASSERT_EQ(device.Reset(640, 480), DeviceResult::Ok);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(1, texture);
    // Recording a draw keeps the texture's id, not a reference.
    device.SetFVF(VertexFormat::Xyz);
    device.DrawPrimitiveUP(PrimitiveType::PointList, 1, std::vector<Vec3>{{1, 2, 3}});
    EXPECT_EQ(texture.use_count(), 2);
    EXPECT_EQ(device.Draws().back()->textureIds[1], 1u);
  }
  EXPECT_EQ(texture.use_count(), 1);  // the device let go when it went
  EXPECT_EQ(texture->Label(), "#1 face_front.bmp");
}

TEST(DeviceStateTest, DrawCallsAreCheckedAgainstTheFormatAndTheData) {
  RecordingDevice device;
  const std::vector<Vec3> four{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const std::array<std::uint16_t, 5> outline{0, 1, 2, 3, 0};

  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::PointList, 4, four), std::invalid_argument);  // no format
  device.SetFVF(VertexFormat::XyzDiffuse);
  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::PointList, 4, four), std::invalid_argument);  // stride 12 != 16
  device.SetFVF(VertexFormat::Xyz);
  device.ClearLog();

  // Short of vertices or indices, an index outside its declared range, a range past the data.
  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::PointList, 5, four), std::invalid_argument);
  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::LineList, 3, four), std::invalid_argument);
  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::TriangleStrip, 3, four), std::invalid_argument);
  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::TriangleList, 0xFFFFFFFFu, four), std::invalid_argument);
  EXPECT_THROW(device.DrawPrimitiveUP(static_cast<PrimitiveType>(0), 1, four), std::invalid_argument);
  EXPECT_THROW(device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 5, outline, four), std::invalid_argument);
  EXPECT_THROW(device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 1, 3, 4, outline, four), std::invalid_argument);
  EXPECT_THROW(device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 3, 4, outline, four), std::invalid_argument);
  EXPECT_THROW(device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 5, 4, outline, four), std::invalid_argument);
  EXPECT_THROW(device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0xFFFFFFFFu, 2, 4, outline, four),
               std::invalid_argument);
  const std::array<std::byte, 11> ragged{};
  EXPECT_THROW(device.DrawPrimitiveUP(PrimitiveType::PointList, 1, ragged, 12), std::invalid_argument);
  EXPECT_TRUE(device.Calls().empty());

  // Exactly enough is fine, and surplus data is not copied.
  device.DrawPrimitiveUP(PrimitiveType::LineList, 2, four);
  device.DrawPrimitiveUP(PrimitiveType::LineStrip, 2, four);
  device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 4, outline, four);
  device.DrawPrimitiveUP(PrimitiveType::PointList, 0, four);
  const auto draws = device.Draws();
  ASSERT_EQ(draws.size(), 4u);
  EXPECT_EQ(draws[0]->VertexCount(), 4u);
  EXPECT_EQ(draws[1]->VertexCount(), 3u);
  EXPECT_EQ(draws[2]->indices.size(), 5u);
  EXPECT_EQ(draws[3]->VertexCount(), 0u);

  EXPECT_EQ(VertexCountFor(PrimitiveType::PointList, 7), 7u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::LineList, 3), 6u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::LineStrip, 4), 5u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::TriangleList, 7), 21u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::TriangleStrip, 2), 4u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::TriangleFan, 2), 4u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::TriangleStrip, 0), 0u);
  EXPECT_EQ(VertexCountFor(PrimitiveType::TriangleList, 0xFFFFFFFFu), 3ull * 0xFFFFFFFFu);
}

TEST(RecordingDeviceTest, DrawRecordsKeepCopiesAndTheStateTheyWereDrawnWith) {
  RecordingDevice device;
  auto face = device.CreateTextureFromFile("scene_left.bmp");
  std::array<TTexturedVertex, 4> corners{{{-1, 1, -1, 0xFFFFFFFFu, 0, 0},
                                          {1, 1, -1, 0xFFFFFFFFu, 1, 0},
                                          {1, -1, -1, 0xFFFFFFFFu, 1, 1},
                                          {-1, -1, -1, 0xFFFFFFFFu, 0, 1}}};
  std::array<std::uint16_t, 4> strip{0, 1, 3, 2};
  device.SetRenderState(RenderState::Lighting, false);
  device.SetFVF(VertexFormat::XyzDiffuseTex1);
  device.SetTexture(0, face);
  device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, strip, corners);
  const std::array<TTexturedVertex, 4> drawn = corners;

  // The caller's memory is its own again after the call.
  corners[0].x = 99;
  strip[0] = 3;
  device.SetTexture(0, nullptr);
  device.SetRenderState(RenderState::Lighting, true);

  const DrawCall& draw = *device.Draws().at(0);
  EXPECT_TRUE(draw.indexed);
  EXPECT_EQ(draw.type, PrimitiveType::TriangleStrip);
  EXPECT_EQ(draw.stride, 24u);
  EXPECT_EQ(draw.indices, (std::vector<std::uint16_t>{0, 1, 3, 2}));
  const auto copied = draw.VerticesAs<TTexturedVertex>();
  ASSERT_EQ(copied.size(), 4u);
  EXPECT_EQ(std::memcmp(copied.data(), drawn.data(), sizeof drawn), 0);
  EXPECT_EQ(draw.DrawnPositions(), (std::vector<Vec3>{{-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}, {1, -1, -1}}));
  EXPECT_EQ(draw.state.vertexFormat, VertexFormat::XyzDiffuseTex1);
  EXPECT_EQ(draw.state.RenderStateValue(RenderState::Lighting), 0u);
  EXPECT_EQ(draw.textureIds[0], 1u);
  EXPECT_THROW(draw.VerticesAs<ColoredVertex>(), std::invalid_argument);
  EXPECT_THROW(draw.Position(4), std::out_of_range);

  // Indices that start past vertex 0: the copy holds vertices from 0 so the indices still fit.
  const std::vector<ColoredVertex> line{{0, 0, 0, 1}, {5, 0, 0, 2}, {5, 5, 0, 3}, {9, 9, 9, 4}};
  const std::array<std::uint16_t, 2> pair{2, 1};
  device.SetFVF(VertexFormat::XyzDiffuse);
  device.DrawIndexedPrimitiveUP(PrimitiveType::LineList, 1, 2, 1, pair, line);
  const DrawCall& lineDraw = *device.Draws().at(1);
  EXPECT_EQ(lineDraw.VertexCount(), 3u);
  EXPECT_EQ(lineDraw.DrawnPositions(), (std::vector<Vec3>{{5, 5, 0}, {5, 0, 0}}));
  EXPECT_EQ(lineDraw.VerticesAs<ColoredVertex>()[2].diffuse, 3u);

  // The screen-space layout of the rubber band.
  const std::vector<ScreenVertex> band{{10, 20, 0, 1, 0xFF9EC1DAu}, {30, 40, 0, 1, 0xFF9EC1DAu}};
  device.SetFVF(VertexFormat::XyzRhwDiffuse);
  device.DrawPrimitiveUP(PrimitiveType::LineList, 1, band);
  EXPECT_EQ(device.Draws().at(2)->stride, 20u);
  EXPECT_EQ(device.Draws().at(2)->Positions(), (std::vector<Vec3>{{10, 20, 0}, {30, 40, 0}}));
}

TEST(RecordingDeviceTest, LogReadsAsTheCallsOfAFrame) {
  RecordingDevice device;
  device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, 0xFF184059u, 1.0f, 0);
  EXPECT_EQ(device.BeginScene(), DeviceResult::Ok);
  EXPECT_EQ(device.BeginScene(), DeviceResult::InvalidCall);
  device.SetTransform(TransformState::View, MatrixTranslation(0, 0, 100));
  device.SetRenderState(RenderState::ZFunc, CompareFunc::Less);
  device.SetRenderState(RenderState::PointSize, Bits(5.0f));
  device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  Material material;
  material.emissive = {1, 0, 0, 1};
  material.diffuse.a = 0.3f;
  device.SetMaterial(material);
  device.SetFVF(VertexFormat::Xyz);
  const std::array<Vec3, 4> corners{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
  const std::array<std::uint16_t, 5> outline{0, 1, 2, 3, 0};
  device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 4, outline, corners);
  device.DrawPrimitiveUP(PrimitiveType::PointList, 4, corners);
  EXPECT_EQ(device.EndScene(), DeviceResult::Ok);
  EXPECT_EQ(device.EndScene(), DeviceResult::InvalidCall);
  EXPECT_EQ(device.Present(), DeviceResult::Ok);
  device.SetViewport({0, 0, 100, 50, 0, 1});
  device.SetTexture(0, nullptr);

  EXPECT_EQ(device.LogText(),
            "Clear TARGET|ZBUFFER 0xFF184059 1 0\n"
            "BeginScene -> OK\n"
            "BeginScene -> INVALIDCALL\n"
            "SetTransform VIEW [1 0 0 0; 0 1 0 0; 0 0 1 0; 0 0 100 1]\n"
            "SetRenderState ZFUNC LESS\n"
            "SetRenderState POINTSIZE 5\n"
            "SetRenderState SRCBLEND SRCALPHA\n"
            "SetMaterial diffuse 0 0 0 0.3 ambient 0 0 0 0 specular 0 0 0 0 emissive 1 0 0 1 power 0\n"
            "SetFVF XYZ\n"
            "DrawIndexedPrimitiveUP LINESTRIP 4 XYZ vertices 0+4 indices 0 1 2 3 0\n"
            "DrawPrimitiveUP POINTLIST 4 XYZ\n"
            "EndScene -> OK\n"
            "EndScene -> INVALIDCALL\n"
            "Present -> OK\n"
            "SetViewport 0 0 100 50 0 1\n"
            "SetTexture 0 null\n");
  EXPECT_EQ(device.LogLines().size(), 16u);
  EXPECT_EQ(device.CallsOf<SetRenderStateCall>().size(), 3u);
  device.ClearLog();
  EXPECT_TRUE(device.Calls().empty());
}

TEST(RecordingDeviceTest, LostDevicesAndFailedTextureLoadsPlayOut) {
  RecordingDevice device;
  device.SetTextureLoadFilter([](const std::string& source) { return source != "scene_back.bmp"; });
  EXPECT_NE(device.CreateTextureFromFile("scene_left.bmp"), nullptr);
  EXPECT_EQ(device.CreateTextureFromFile("scene_back.bmp"), nullptr);
  const std::array<std::byte, 3> bytes{};
  const auto fromMemory = device.CreateTextureFromFileInMemory(bytes);
  ASSERT_NE(fromMemory, nullptr);
  EXPECT_EQ(fromMemory->Label(), "#2 memory (3 bytes)");

  device.SetRenderState(RenderState::Lighting, false);
  device.SetCondition(DeviceResult::DeviceLost);
  EXPECT_EQ(device.Present(), DeviceResult::DeviceLost);
  EXPECT_EQ(device.TestCooperativeLevel(), DeviceResult::DeviceLost);
  EXPECT_EQ(device.Reset(640, 480), DeviceResult::DeviceLost);
  EXPECT_EQ(device.GetRenderState(RenderState::Lighting), 0u);  // a failed reset leaves the state
  device.SetCondition(DeviceResult::DeviceNotReset);
  EXPECT_EQ(device.Present(), DeviceResult::DeviceLost);
  EXPECT_EQ(device.TestCooperativeLevel(), DeviceResult::DeviceNotReset);
  EXPECT_EQ(device.Reset(320, 240), DeviceResult::Ok);
  EXPECT_EQ(device.Condition(), DeviceResult::Ok);
  EXPECT_EQ(device.TestCooperativeLevel(), DeviceResult::Ok);
  EXPECT_EQ(device.GetRenderState(RenderState::Lighting), 1u);
  EXPECT_THROW(device.SetCondition(DeviceResult::InvalidCall), std::invalid_argument);

  EXPECT_EQ(device.LogText(),
            "CreateTexture scene_left.bmp -> #1\n"
            "CreateTexture scene_back.bmp -> failed\n"
            "CreateTexture memory (3 bytes) -> #2\n"
            "SetRenderState LIGHTING 0\n"
            "Present -> DEVICELOST\n"
            "TestCooperativeLevel -> DEVICELOST\n"
            "Reset 640 480 -> DEVICELOST\n"
            "Present -> DEVICELOST\n"
            "TestCooperativeLevel -> DEVICENOTRESET\n"
            "Reset 320 240 -> OK\n"
            "TestCooperativeLevel -> OK\n");
}

}  // namespace
}  // namespace vrel
