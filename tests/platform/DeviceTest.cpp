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
  m.m[0][1] = -0.0f;
  m.m[1][2] = std::numeric_limits<float>::denorm_min();
  m.m[2][3] = kNan;
  m.m[3][0] = -3.4e38f;
  return m;
}

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

TEST(DeviceState, EachTransformKeepsItsOwnValueBitForBit) {
  RecordingDevice device;
  for (int i = 0; i < 3; ++i)
    device.SetTransform(kTransforms[i], Awkward(1.5f - i));
  for (int i = 0; i < 3; ++i) {
    const Matrix set = Awkward(1.5f - i);
    const Matrix back = device.GetTransform(kTransforms[i]);
    EXPECT_EQ(std::memcmp(&back, &set, sizeof set), 0) << i;
  }
}

// The enumerations carry the numbers of the original interface.
TEST(DeviceState, RenderStatesReadBackAsTheOriginalInterfaceNumbersThem) {
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

// Pixels that do not fill the size are refused before any device sees them.
TEST(DeviceState, ATextureImageMustFillItsSize) {
  EXPECT_NO_THROW(CheckTextureImage(TextureImage{3, 2, std::vector<std::uint8_t>(24, 7)}));
  EXPECT_THROW(CheckTextureImage(TextureImage{3, 2, std::vector<std::uint8_t>(23)}), std::invalid_argument);
  EXPECT_THROW(CheckTextureImage(TextureImage{0, 2, {}}), std::invalid_argument);
}

TEST(DeviceState, ABoundTextureIsHeldUntilItIsUnbound) {
  RecordingDevice device;
  const std::shared_ptr<Texture> texture = device.CreateTexture(OnePixel(), "face_front.bmp");
  device.SetTexture(0, texture);
  EXPECT_EQ(texture.use_count(), 2);
  EXPECT_EQ(device.GetTexture(0), texture);
  device.SetTexture(0, nullptr);
  EXPECT_EQ(texture.use_count(), 1);
}

TEST(DeviceState, AResetLetsGoOfTheBoundTextures) {
  RecordingDevice device;
  const std::shared_ptr<Texture> texture = device.CreateTexture(OnePixel(), "face_front.bmp");
  device.SetTexture(3, texture);
  ASSERT_EQ(device.Reset(640, 480), DeviceResult::Ok);
  EXPECT_EQ(texture.use_count(), 1);
}

TEST(DeviceState, ADeviceLetsGoOfItsTexturesWhenItGoes) {
  std::shared_ptr<Texture> texture;
  {
    RecordingDevice device;
    texture = device.CreateTexture(OnePixel(), "face_front.bmp");
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

}  // namespace
}  // namespace vrel
