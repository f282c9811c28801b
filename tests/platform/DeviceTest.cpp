#include <gtest/gtest.h>

#include "platform/RecordingDevice.h"

namespace vrel {
namespace {

// A texture's worth of pixels: one opaque white pixel.
TextureImage OnePixel() {
  return BgraTextureImage(1, 1, {255, 255, 255, 255});
}

using RS = RenderState;
using P = PrimitiveType;
std::uint32_t Bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr TransformState kTransforms[] = {TransformState::World, TransformState::View, TransformState::Projection};

// The state lives in the device, not in a GL context; the setters and getters are final there.
void ExpectDefaults(const RecordingDevice& device, int width, int height) {
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
}

// Sets a value other than the default everywhere.
void ChangeEverything(RecordingDevice& device) {
  device.SetTransform(TransformState::View, MatrixTranslation(1, 2, 3));
  device.SetViewport({10, 20, 300, 150, 0.25f, 0.75f});
  device.SetRenderState(RS::Lighting, false);
  device.SetFVF(VertexFormat::XyzRhwDiffuse);
  device.SetTexture(0, device.CreateTexture(OnePixel(), "a.bmp"));
}

// The enumerations carry Direct3D 9's numbers.
TEST(DeviceState, RenderStatesReadBackAsDirect3D9NumbersThem) {
  RecordingDevice device;
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
}

TEST(DeviceState, AResetRestoresTheDefaultsAtTheNewSize) {
  RecordingDevice device(800, 600);
  ChangeEverything(device);
  ASSERT_EQ(device.Reset(1024, 768), DeviceResult::Ok);
  ExpectDefaults(device, 1024, 768);
}

TEST(DeviceState, AFailedResetLeavesTheState) {
  RecordingDevice device(800, 600);
  ChangeEverything(device);
  const StateBlock before = device.State();
  device.SetCondition(DeviceResult::DeviceLost);
  EXPECT_EQ(device.Reset(640, 480), DeviceResult::DeviceLost);
  EXPECT_EQ(device.State(), before);
  EXPECT_EQ(device.BackBufferWidth(), 800);
}

TEST(DeviceState, InvalidArgumentsAreRefusedWithoutAChange) {
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

// Pixels that do not fill the size are refused before any device sees them; 24-bit rows are padded
// to four bytes.
TEST(DeviceState, ATextureImageMustFillItsSize) {
  EXPECT_NO_THROW(CheckTextureImage(BgraTextureImage(3, 2, std::vector<std::uint8_t>(24, 7))));
  EXPECT_THROW(CheckTextureImage(BgraTextureImage(3, 2, std::vector<std::uint8_t>(23))), std::invalid_argument);
  EXPECT_THROW(CheckTextureImage(BgraTextureImage(0, 2, {})), std::invalid_argument);
  const std::vector<std::uint8_t> rows(24);
  EXPECT_NO_THROW(CheckTextureImage(TextureImage{3, 2, TexelFormat::Bgr24, rows, nullptr}));
  EXPECT_THROW(CheckTextureImage(TextureImage{3, 2, TexelFormat::Bgr24, std::span(rows).first(18), nullptr}),
               std::invalid_argument);
}

TEST(DeviceState, ABoundTextureIsHeldUntilItIsUnboundTheDeviceResetOrGone) {
  std::shared_ptr<Texture> texture;
  {
    RecordingDevice device;
    texture = device.CreateTexture(OnePixel(), "face_front.bmp");
    device.SetTexture(0, texture);
    EXPECT_EQ(texture.use_count(), 2);
    EXPECT_EQ(device.GetTexture(0), texture);
    device.SetTexture(0, nullptr);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(3, texture);
    ASSERT_EQ(device.Reset(640, 480), DeviceResult::Ok);
    EXPECT_EQ(texture.use_count(), 1);
    device.SetTexture(1, texture);
  }
  EXPECT_EQ(texture.use_count(), 1);
}

TEST(DeviceState, DrawCallsShortOfDataOrFormatAreRefused) {
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
}

TEST(DeviceState, VertexCountForCountsTheVerticesOfEachPrimitiveType) {
  const std::tuple<P, std::uint32_t, std::uint64_t> counts[] = {
      {P::PointList, 7, 7},     {P::LineList, 3, 6},
      {P::LineStrip, 4, 5},     {P::TriangleList, 7, 21},
      {P::TriangleStrip, 2, 4}, {P::TriangleFan, 2, 4},
      {P::TriangleStrip, 0, 0}, {P::TriangleList, 0xFFFFFFFFu, 3ull * 0xFFFFFFFFu}};
  for (const auto& [type, primitives, vertices] : counts)
    EXPECT_EQ(VertexCountFor(type, primitives), vertices);
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
  // A draw from memory forgets both buffers, as Direct3D 9 does; so does a reset.
  device.DrawPrimitiveUP(P::PointList, 1, corners);
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

}  // namespace
}  // namespace vrel
