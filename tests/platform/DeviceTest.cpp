#include <gtest/gtest.h>

#include "platform/RecordingDevice.h"

namespace vrel {
namespace {

// A texture's worth of pixels: one opaque white pixel.
TextureImage OnePixel() {
  return TextureImage{1, 1, {255, 255, 255, 255}};
}

using RS = RenderState;
using P = PrimitiveType;
std::uint32_t Bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr TransformState kTransforms[] = {TransformState::World, TransformState::View, TransformState::Projection};

// Negative zero, a denormal, NaN and the far end of the range, so that only a bit-for-bit store reads back equal.
Matrix Awkward(float seed) {
  Matrix m;
  for (int i = 0; i < 16; ++i)
    m.m[i / 4][i % 4] = seed * float(i + 1) / 7.0f;
  m.m[0][1] = -0.0f, m.m[1][2] = std::numeric_limits<float>::denorm_min(), m.m[2][3] = kNan, m.m[3][0] = -3.4e38f;
  return m;
}

// The state lives in the device, not in a GL context; the setters and getters are final there.
TEST(DeviceStateTest, EveryStateReadsBackExactlyAndResetRestoresTheDefaults) {
  RecordingDevice device(800, 600);
  const auto expectDefaults = [&device](int width, int height) {
    for (TransformState t : kTransforms)
      EXPECT_EQ(device.GetTransform(t), MatrixIdentity());
    EXPECT_EQ(device.GetViewport(), (Viewport{0, 0, width, height, 0.0f, 1.0f}));
    const std::pair<RS, std::uint32_t> defaults[] = {{RS::ZEnable, 1},
                                                     {RS::ZWriteEnable, 1},
                                                     {RS::ZFunc, std::uint32_t(CompareFunc::LessEqual)},
                                                     {RS::Lighting, 1},
                                                     {RS::AlphaBlendEnable, 0},
                                                     {RS::SrcBlend, std::uint32_t(Blend::One)},
                                                     {RS::DestBlend, std::uint32_t(Blend::Zero)},
                                                     {RS::CullMode, std::uint32_t(Cull::Ccw)},
                                                     {RS::PointSize, Bits(1.0f)},
                                                     {RS::Ambient, 0}};
    for (const auto& [state, value] : defaults)
      EXPECT_EQ(device.GetRenderState(state), value) << int(state);
    EXPECT_EQ(device.GetMaterial(), Material{});
    EXPECT_EQ(device.GetFVF(), VertexFormat::None);
    EXPECT_EQ(device.GetTexture(0), nullptr);
    EXPECT_EQ(device.BackBufferWidth(), width);
    EXPECT_EQ(device.BackBufferHeight(), height);
  };
  expectDefaults(800, 600);
  for (int i = 0; i < 3; ++i)
    device.SetTransform(kTransforms[i], Awkward(1.5f - i));
  for (int i = 0; i < 3; ++i) {  // each transform keeps its own value
    const Matrix set = Awkward(1.5f - i), back = device.GetTransform(kTransforms[i]);
    EXPECT_EQ(std::memcmp(&back, &set, sizeof set), 0) << i;
  }
  const Viewport viewport{10, 20, 300, 150, 0.25f, 0.75f};
  device.SetViewport(viewport);
  EXPECT_EQ(device.GetViewport(), viewport);
  // The enumerations carry the numbers of the original interface.
  const std::tuple<RS, std::uint32_t, std::uint32_t> states[] = {// state, value set, value read
                                                                 {RS::ZEnable, 0, 0},
                                                                 {RS::Lighting, false, 0},
                                                                 {RS::AlphaBlendEnable, true, 1},
                                                                 {RS::SrcBlend, std::uint32_t(Blend::InvDestColor), 10},
                                                                 {RS::DestBlend, std::uint32_t(Blend::InvSrcAlpha), 6},
                                                                 {RS::ZFunc, std::uint32_t(CompareFunc::Less), 2},
                                                                 {RS::CullMode, std::uint32_t(Cull::None), 1},
                                                                 {RS::PointSize, Bits(5.0f), Bits(5.0f)},
                                                                 {RS::Ambient, 0x80FF0000u, 0x80FF0000u}};
  for (const auto& [state, value, read] : states)
    device.SetRenderState(state, value);
  for (const auto& [state, value, read] : states)
    EXPECT_EQ(device.GetRenderState(state), read) << int(state);
  Material material;
  material.emissive = {1, 0, 0, 1}, material.diffuse.a = 0.3f, material.power = 7;
  device.SetMaterial(material);
  device.SetFVF(VertexFormat::XyzRhwDiffuse);
  EXPECT_EQ(device.GetMaterial(), material);
  EXPECT_EQ(device.GetFVF(), VertexFormat::XyzRhwDiffuse);
  device.SetTexture(0, device.CreateTexture(OnePixel(), "a.bmp"));
  ASSERT_EQ(device.Reset(1024, 768), DeviceResult::Ok);
  expectDefaults(1024, 768);
}

TEST(DeviceStateTest, InvalidArgumentsThrowAndChangeNothing) {
  RecordingDevice device;
  device.SetFVF(VertexFormat::Xyz);
  const StateBlock before = device.State();
  const std::size_t calls = device.Calls().size();
  const std::pair<RS, std::uint32_t> states[] = {
      {RS(kRenderStateCount), 0},  {RS::ZEnable, 2},
      {RS::Lighting, 7},           {RS::SrcBlend, 0},
      {RS::DestBlend, 11},         {RS::ZFunc, 9},
      {RS::CullMode, 0},           {RS::PointSize, Bits(-1.0f)},
      {RS::PointSize, Bits(kNan)}, {RS::PointSize, Bits(std::numeric_limits<float>::infinity())}};
  for (const auto& [state, value] : states)
    EXPECT_THROW(device.SetRenderState(state, value), std::invalid_argument);
  for (const Viewport& viewport : {Viewport{-1, 0, 10, 10, 0, 1}, Viewport{0, 0, 10, -10, 0, 1},
                                   Viewport{0, 0, 10, 10, 0, 1.5f}, Viewport{0, 0, 10, 10, kNan, 1}}) {
    EXPECT_THROW(device.SetViewport(viewport), std::invalid_argument);
  }
  EXPECT_THROW(device.GetRenderState(RS(99)), std::invalid_argument);
  EXPECT_THROW(device.SetTransform(TransformState(1), Matrix{}), std::invalid_argument);
  EXPECT_THROW(device.GetTransform(TransformState(257)), std::invalid_argument);
  EXPECT_THROW(device.SetFVF(VertexFormat(77)), std::invalid_argument);
  EXPECT_THROW(device.Reset(-1, 10), std::invalid_argument);
  EXPECT_THROW(RecordingDevice(10, -1), std::invalid_argument);
  EXPECT_THROW(device.SetTexture(kTextureStageCount, nullptr), std::out_of_range);
  EXPECT_THROW(device.GetTexture(kTextureStageCount), std::out_of_range);
  EXPECT_EQ(device.State(), before);
  EXPECT_EQ(device.Calls().size(), calls);
}

TEST(DeviceStateTest, BoundTexturesAreHeldUntilUnboundResetOrTheDeviceGoesButDrawRecordsKeepOnlyTheirIds) {
  std::shared_ptr<Texture> texture;
  {
    RecordingDevice device;
    texture = device.CreateTexture(OnePixel(), "face_front.bmp");
    ASSERT_NE(texture, nullptr);
    device.SetTexture(0, texture);
    EXPECT_EQ(texture.use_count(), 2);
    EXPECT_EQ(device.GetTexture(0), texture);
    device.SetTexture(0, nullptr);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(3, texture);
    ASSERT_EQ(device.Reset(640, 480), DeviceResult::Ok);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(1, texture);
    device.SetFVF(VertexFormat::Xyz);
    device.DrawPrimitiveUP(P::PointList, 1, std::vector<Vec3>{{1, 2, 3}});
    EXPECT_EQ(texture.use_count(), 2);
    EXPECT_EQ(device.Draws().back()->textureIds[1], 1u);
  }
  EXPECT_EQ(texture.use_count(), 1);
  EXPECT_EQ(texture->Label(), "#1 face_front.bmp");
}

TEST(DeviceStateTest, DrawCallsAreCheckedAgainstTheFormatAndTheData) {
  RecordingDevice device;
  const std::vector<Vec3> four{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  const std::array<std::uint16_t, 5> outline{0, 1, 2, 3, 0};
  EXPECT_THROW(device.DrawPrimitiveUP(P::PointList, 4, four), std::invalid_argument);  // no format
  device.SetFVF(VertexFormat::XyzDiffuse);
  EXPECT_THROW(device.DrawPrimitiveUP(P::PointList, 4, four), std::invalid_argument);  // stride 12 != 16
  device.SetFVF(VertexFormat::Xyz);
  device.ClearLog();
  // Short of vertices, or of indices; an index outside its declared range; a range past the data; ragged data.
  const std::pair<P, std::uint32_t> drawn[] = {
      {P::PointList, 5}, {P::LineList, 3}, {P::TriangleStrip, 3}, {P::TriangleList, 0xFFFFFFFFu}, {P(0), 1}};
  for (const auto& [type, count] : drawn)
    EXPECT_THROW(device.DrawPrimitiveUP(type, count, four), std::invalid_argument);
  const std::array<std::uint32_t, 3> indexed[] = {{0, 4, 5}, {1, 3, 4}, {0, 3, 4}, {0, 5, 4}, {0xFFFFFFFFu, 2, 4}};
  for (const auto& [minIndex, vertices, count] : indexed) {
    EXPECT_THROW(device.DrawIndexedPrimitiveUP(P::LineStrip, minIndex, vertices, count, outline, four),
                 std::invalid_argument);
  }
  EXPECT_THROW(device.DrawPrimitiveUP(P::PointList, 1, std::array<std::byte, 11>{}, 12), std::invalid_argument);
  EXPECT_TRUE(device.Calls().empty());
  // Exactly enough is fine, and surplus data is not copied.
  device.DrawPrimitiveUP(P::LineList, 2, four);
  device.DrawPrimitiveUP(P::LineStrip, 2, four);
  device.DrawIndexedPrimitiveUP(P::LineStrip, 0, 4, 4, outline, four);
  device.DrawPrimitiveUP(P::PointList, 0, four);
  const auto draws = device.Draws();
  ASSERT_EQ(draws.size(), 4u);
  EXPECT_EQ(draws[0]->VertexCount(), 4u);
  EXPECT_EQ(draws[1]->VertexCount(), 3u);
  EXPECT_EQ(draws[2]->indices.size(), 5u);
  EXPECT_EQ(draws[3]->VertexCount(), 0u);
  const std::tuple<P, std::uint32_t, std::uint64_t> counts[] = {
      {P::PointList, 7, 7},     {P::LineList, 3, 6},
      {P::LineStrip, 4, 5},     {P::TriangleList, 7, 21},
      {P::TriangleStrip, 2, 4}, {P::TriangleFan, 2, 4},
      {P::TriangleStrip, 0, 0}, {P::TriangleList, 0xFFFFFFFFu, 3ull * 0xFFFFFFFFu}};
  for (const auto& [type, primitives, vertices] : counts)
    EXPECT_EQ(VertexCountFor(type, primitives), vertices);
}

TEST(RecordingDeviceTest, DrawRecordsKeepCopiesAndTheStateTheyWereDrawnWith) {
  RecordingDevice device;
  std::array<TTexturedVertex, 4> corners{{{-1, 1, -1, 0xFFFFFFFFu, 0, 0},
                                          {1, 1, -1, 0xFFFFFFFFu, 1, 0},
                                          {1, -1, -1, 0xFFFFFFFFu, 1, 1},
                                          {-1, -1, -1, 0xFFFFFFFFu, 0, 1}}};
  std::array<std::uint16_t, 4> strip{0, 1, 3, 2};
  device.SetRenderState(RS::Lighting, false);
  device.SetFVF(VertexFormat::XyzDiffuseTex1);
  device.SetTexture(0, device.CreateTexture(OnePixel(), "scene_left.bmp"));
  device.DrawIndexedPrimitiveUP(P::TriangleStrip, 0, 4, 2, strip, corners);
  const std::array<TTexturedVertex, 4> drawn = corners;
  corners[0].x = 99, strip[0] = 3;  // the caller's memory is its own again after the call
  device.SetTexture(0, nullptr);
  device.SetRenderState(RS::Lighting, true);
  const DrawCall& draw = *device.Draws().at(0);
  EXPECT_TRUE(draw.indexed);
  EXPECT_EQ(draw.type, P::TriangleStrip);
  EXPECT_EQ(draw.stride, 24u);
  EXPECT_EQ(draw.indices, (std::vector<std::uint32_t>{0, 1, 3, 2}));
  const auto copied = draw.VerticesAs<TTexturedVertex>();
  ASSERT_EQ(copied.size(), 4u);
  EXPECT_EQ(std::memcmp(copied.data(), drawn.data(), sizeof drawn), 0);
  EXPECT_EQ(draw.DrawnPositions(), (std::vector<Vec3>{{-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}, {1, -1, -1}}));
  EXPECT_EQ(draw.state.vertexFormat, VertexFormat::XyzDiffuseTex1);
  EXPECT_EQ(draw.state.RenderStateValue(RS::Lighting), 0u);
  EXPECT_EQ(draw.textureIds[0], 1u);
  EXPECT_THROW(draw.VerticesAs<ColoredVertex>(), std::invalid_argument);
  EXPECT_THROW(draw.Position(4), std::out_of_range);
  // Indices that start past vertex 0: the copy holds vertices from 0 so the indices still fit.
  const std::vector<ColoredVertex> line{{0, 0, 0, 1}, {5, 0, 0, 2}, {5, 5, 0, 3}, {9, 9, 9, 4}};
  device.SetFVF(VertexFormat::XyzDiffuse);
  device.DrawIndexedPrimitiveUP(P::LineList, 1, 2, 1, std::array<std::uint16_t, 2>{2, 1}, line);
  const DrawCall& lineDraw = *device.Draws().at(1);
  EXPECT_EQ(lineDraw.VertexCount(), 3u);
  EXPECT_EQ(lineDraw.VerticesAs<ColoredVertex>()[2].diffuse, 3u);
  EXPECT_EQ(lineDraw.DrawnPositions(), (std::vector<Vec3>{{5, 5, 0}, {5, 0, 0}}));
}

// Bytes of `values`, for filling buffers.
template <class T>
void Fill(DeviceBuffer& buffer, const std::vector<T>& values, std::uint32_t offset = 0) {
  const auto bytes = std::as_bytes(std::span(values));
  const auto target = buffer.Lock(offset, static_cast<std::uint32_t>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), target.begin());
  buffer.Unlock();
}

TEST(DeviceBufferTest, WritesGoThroughLockAndUnlockAndEachUnlockIsARevision) {
  RecordingDevice device;
  const auto vertices = device.CreateVertexBuffer(48);
  EXPECT_EQ(std::tuple(vertices->Length(), vertices->Revision(), vertices->Locked()), std::tuple(48u, 0u, false));
  EXPECT_EQ(vertices->Lock().size(), 48u);  // a size of 0 is the rest of the buffer
  EXPECT_THROW(vertices->Lock(), std::logic_error);
  vertices->Unlock();
  EXPECT_THROW(vertices->Unlock(), std::logic_error);
  EXPECT_EQ(vertices->Lock(40).size(), 8u);
  vertices->Unlock();
  EXPECT_EQ(vertices->Revision(), 2u);
  for (auto [offset, size] : {std::pair{40u, 16u}, {49u, 0u}, {0u, 49u}, {0xFFFFFFF0u, 0x20u}})
    EXPECT_THROW(vertices->Lock(offset, size), std::invalid_argument) << offset << "+" << size;
  EXPECT_FALSE(vertices->Locked());
  EXPECT_LT(vertices->Id(), device.CreateVertexBuffer(12)->Id());  // never reused

  EXPECT_THROW(device.CreateIndexBuffer(6, IndexFormat::Index32), std::invalid_argument);
  EXPECT_THROW(device.CreateIndexBuffer(8, IndexFormat(7)), std::invalid_argument);
  const auto indices = device.CreateIndexBuffer(8, IndexFormat::Index16);
  EXPECT_EQ(std::tuple(indices->Count(), indices->MinIndex(), indices->MaxIndex()), std::tuple(4u, 0u, 0u));
  Fill(*indices, std::vector<std::uint16_t>{7, 3, 65535, 9});
  EXPECT_EQ(std::tuple(indices->Index(2), indices->MinIndex(), indices->MaxIndex()), std::tuple(65535u, 3u, 65535u));
  Fill(*indices, std::vector<std::uint16_t>{12}, 4);  // a partial write can take the old extreme away
  EXPECT_EQ(std::tuple(indices->MinIndex(), indices->MaxIndex()), std::tuple(3u, 12u));
}

TEST(DeviceStateTest, DrawsFromBuffersAreCheckedAgainstTheBuffersAndTheFormat) {
  RecordingDevice device;
  const auto vertices = device.CreateVertexBuffer(4 * 12);
  const auto indices = device.CreateIndexBuffer(6 * 4, IndexFormat::Index32);
  Fill(*vertices, std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  Fill(*indices, std::vector<std::uint32_t>{0, 1, 2, 3, 0, 9});  // the last one lies outside every draw below
  EXPECT_THROW(device.SetStreamSource(1, vertices, 0, 12), std::out_of_range);
  device.SetFVF(VertexFormat::Xyz);
  EXPECT_THROW(device.DrawPrimitive(P::PointList, 0, 1), std::invalid_argument);  // no stream source
  device.SetStreamSource(0, vertices, 0, 16);
  EXPECT_THROW(device.DrawPrimitive(P::PointList, 0, 1), std::invalid_argument);  // stride 16 != 12
  device.SetStreamSource(0, vertices, 12, 12);                                    // from the second vertex: three left
  EXPECT_THROW(device.DrawIndexedPrimitive(P::LineList, 0, 0, 3, 0, 1), std::invalid_argument);  // no indices
  device.SetIndices(indices);
  device.ClearLog();
  const std::pair<std::uint32_t, std::uint32_t> points[] = {{0, 4}, {3, 1}, {0xFFFFFFFFu, 1}, {1, 0xFFFFFFFFu}};
  for (const auto& [start, count] : points)
    EXPECT_THROW(device.DrawPrimitive(P::PointList, start, count), std::invalid_argument) << start << "+" << count;
  // base, min, vertices, start index, lines: past the vertices, before them, indices outside the
  // declared range (three ways), past the indices.
  const std::tuple<std::int32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t> lines[] = {
      {0, 0, 4, 0, 1}, {-1, 0, 3, 0, 1}, {0, 1, 2, 0, 1}, {0, 0, 3, 2, 2}, {0, 0, 3, 4, 1}, {0, 0, 3, 0, 4}};
  for (const auto& [base, min, count, start, primitives] : lines) {
    EXPECT_THROW(device.DrawIndexedPrimitive(P::LineList, base, min, count, start, primitives), std::invalid_argument)
        << base << " " << min << "+" << count << " from " << start;
  }
  vertices->Lock();
  EXPECT_THROW(device.DrawPrimitive(P::PointList, 0, 1), std::logic_error);
  vertices->Unlock();
  indices->Lock();
  EXPECT_THROW(device.DrawIndexedPrimitive(P::LineList, 0, 0, 3, 0, 1), std::logic_error);
  indices->Unlock();
  EXPECT_TRUE(device.Calls().empty());
  // Exactly enough is fine: the three vertices as points, a line through indices 0 1, and one through
  // indices 1 2 with a base of -1 (stream vertices 0 and 1).
  device.DrawPrimitive(P::PointList, 0, 3);
  device.DrawIndexedPrimitive(P::LineList, 0, 0, 3, 0, 1);
  device.DrawIndexedPrimitive(P::LineList, -1, 1, 3, 1, 1);
  const auto draws = device.Draws();
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[2]->DrawnPositions(), (std::vector<Vec3>{{1, 0, 0}, {1, 1, 0}}));
}

TEST(RecordingDeviceTest, DrawsFromBuffersRecordWhatTheyUseAndDrawsFromMemoryLetTheBuffersGo) {
  RecordingDevice device;
  const std::vector<ColoredVertex> corners{{0, 0, 0, 10}, {1, 0, 0, 11}, {1, 1, 0, 12}, {0, 1, 0, 13}, {5, 5, 5, 14}};
  const auto vertices = device.CreateVertexBuffer(16 + 5 * 16);  // a header of one vertex's size first
  const auto indices = device.CreateIndexBuffer(8 * 2, IndexFormat::Index16);
  Fill(*vertices, corners, 16);
  Fill(*indices, std::vector<std::uint16_t>{9, 9, 1, 2, 2, 3, 3, 1});
  device.SetFVF(VertexFormat::XyzDiffuse);
  device.SetStreamSource(0, vertices, 16, 16);
  device.SetIndices(indices);
  // Indices 1 2, 2 3, 3 1 from the third on, each one vertex further: corners 2-3, 3-4, 4-2.
  device.DrawIndexedPrimitive(P::LineList, 1, 1, 3, 2, 3);
  device.DrawPrimitive(P::PointList, 4, 1);
  const auto draws = device.Draws();
  ASSERT_EQ(draws.size(), 2u);
  const DrawCall& lines = *draws[0];
  EXPECT_TRUE(lines.fromBuffers && lines.indexed);
  EXPECT_EQ(lines.indices, (std::vector<std::uint32_t>{1, 2, 2, 3, 3, 1}));
  EXPECT_EQ(lines.DrawnPositions(),
            (std::vector<Vec3>{{1, 1, 0}, {0, 1, 0}, {0, 1, 0}, {5, 5, 5}, {5, 5, 5}, {1, 1, 0}}));
  EXPECT_EQ(
      std::tuple(lines.vertexBufferId, lines.vertexBufferRevision, lines.indexBufferId, lines.indexBufferRevision),
      std::tuple(vertices->Id(), 1u, indices->Id(), 1u));
  EXPECT_EQ(draws[1]->VerticesAs<ColoredVertex>().at(0).diffuse, 14u);
  const std::string v = std::to_string(vertices->Id()), i = std::to_string(indices->Id());
  EXPECT_EQ(device.LogText(), "SetFVF XYZ|DIFFUSE\nSetStreamSource 0 buffer#" + v + " 16 16\nSetIndices buffer#" + i +
                                  "\nDrawIndexedPrimitive LINELIST 3 XYZ|DIFFUSE base 1 vertices 1+3 indices 2+6: 1 2 "
                                  "2 3 3 1\nDrawPrimitive POINTLIST 1 XYZ|DIFFUSE start 4\n");
  // A draw from memory forgets both buffers, as the original interface does; so does a reset.
  device.ClearLog();
  device.DrawPrimitiveUP(P::PointList, 1, corners);
  EXPECT_EQ(device.LogText(), "SetStreamSource 0 null\nSetIndices null\nDrawPrimitiveUP POINTLIST 1 XYZ|DIFFUSE\n");
  EXPECT_EQ(std::tuple(device.GetStreamSource(0), device.GetIndices()), std::tuple(nullptr, nullptr));
  EXPECT_EQ(vertices.use_count(), 1);
  device.SetStreamSource(0, vertices, 0, 16);
  device.SetIndices(indices);
  ASSERT_EQ(device.Reset(64, 64), DeviceResult::Ok);
  EXPECT_EQ(std::tuple(device.GetStreamSource(0), device.GetIndices(), indices.use_count()),
            std::tuple(nullptr, nullptr, 1));
  float x = 0;  // the contents stay
  std::memcpy(&x, vertices->Bytes().data() + 16 + 16, sizeof x);
  EXPECT_EQ(std::tuple(vertices->Revision(), x), std::tuple(1u, 1.0f));
}

// Every result the calls return is in the log.
TEST(RecordingDeviceTest, LogReadsAsTheCallsOfAFrame) {
  RecordingDevice device;
  Material material;
  material.emissive = {1, 0, 0, 1}, material.diffuse.a = 0.3f;
  const std::array<Vec3, 4> corners{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
  device.Clear(ClearFlags::Target | ClearFlags::ZBuffer, 0xFF184059u, 1.0f, 0);
  device.BeginScene();
  device.BeginScene();
  device.SetTransform(TransformState::View, MatrixTranslation(0, 0, 100));
  device.SetRenderState(RS::ZFunc, CompareFunc::Less);
  device.SetRenderState(RS::PointSize, Bits(5.0f));
  device.SetRenderState(RS::SrcBlend, Blend::SrcAlpha);
  device.SetMaterial(material);
  device.SetFVF(VertexFormat::Xyz);
  device.DrawIndexedPrimitiveUP(P::LineStrip, 0, 4, 4, std::array<std::uint16_t, 5>{0, 1, 2, 3, 0}, corners);
  device.DrawPrimitiveUP(P::PointList, 4, corners);
  device.EndScene();
  device.EndScene();
  device.Present();
  device.SetViewport({0, 0, 100, 50, 0, 1});
  device.SetTexture(0, nullptr);
  EXPECT_EQ(device.LogText(),
            "Clear TARGET|ZBUFFER 0xFF184059 1 0\nBeginScene -> OK\nBeginScene -> INVALIDCALL\n"
            "SetTransform VIEW [1 0 0 0; 0 1 0 0; 0 0 1 0; 0 0 100 1]\n"
            "SetRenderState ZFUNC LESS\nSetRenderState POINTSIZE 5\nSetRenderState SRCBLEND SRCALPHA\n"
            "SetMaterial diffuse 0 0 0 0.3 ambient 0 0 0 0 specular 0 0 0 0 emissive 1 0 0 1 power 0\nSetFVF XYZ\n"
            "DrawIndexedPrimitiveUP LINESTRIP 4 XYZ vertices 0+4 indices 0 1 2 3 0\nDrawPrimitiveUP POINTLIST 4 XYZ\n"
            "EndScene -> OK\nEndScene -> INVALIDCALL\nPresent -> OK\nSetViewport 0 0 100 50 0 1\nSetTexture 0 null\n");
  EXPECT_EQ(device.LogLines().size(), 16u);
  EXPECT_EQ(device.CallsOf<SetRenderStateCall>().size(), 3u);
  device.ClearLog();
  EXPECT_TRUE(device.Calls().empty());
}

TEST(RecordingDeviceTest, LostDevicesAndFailedTextureLoadsPlayOut) {
  RecordingDevice device;
  device.SetTextureLoadFilter([](const std::string& source) { return source != "scene_back.bmp"; });
  device.CreateTexture(OnePixel(), "scene_left.bmp");
  EXPECT_EQ(device.CreateTexture(OnePixel(), "scene_back.bmp"), nullptr);
  const auto wide = device.CreateTexture(TextureImage{3, 2, std::vector<std::uint8_t>(24, 7)}, "wide");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Label(), "#2 wide");
  // Pixels that do not fill the size are refused before anything is recorded.
  EXPECT_THROW(device.CreateTexture(TextureImage{3, 2, std::vector<std::uint8_t>(23)}, "short"), std::invalid_argument);
  EXPECT_THROW(device.CreateTexture(TextureImage{0, 2, {}}, "empty"), std::invalid_argument);
  device.SetRenderState(RS::Lighting, false);
  device.SetCondition(DeviceResult::DeviceLost);
  device.Present();
  device.TestCooperativeLevel();
  device.Reset(640, 480);
  EXPECT_EQ(device.GetRenderState(RS::Lighting), 0u);  // a failed reset leaves the state
  device.SetCondition(DeviceResult::DeviceNotReset);
  device.Present();
  device.TestCooperativeLevel();
  device.Reset(320, 240);
  device.TestCooperativeLevel();
  EXPECT_EQ(device.Condition(), DeviceResult::Ok);
  EXPECT_EQ(device.GetRenderState(RS::Lighting), 1u);
  EXPECT_THROW(device.SetCondition(DeviceResult::InvalidCall), std::invalid_argument);
  EXPECT_EQ(device.LogText(),
            "CreateTexture scene_left.bmp 1x1 -> #1\nCreateTexture scene_back.bmp 1x1 -> failed\n"
            "CreateTexture wide 3x2 -> #2\nSetRenderState LIGHTING 0\nPresent -> DEVICELOST\n"
            "TestCooperativeLevel -> DEVICELOST\nReset 640 480 -> DEVICELOST\nPresent -> DEVICELOST\n"
            "TestCooperativeLevel -> DEVICENOTRESET\nReset 320 240 -> OK\nTestCooperativeLevel -> OK\n");
}
}  // namespace
}  // namespace vrel
