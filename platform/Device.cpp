#include "platform/Device.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <stdexcept>

namespace vrel {

namespace {

std::size_t RenderStateIndex(RenderState state) {
  const auto index = static_cast<std::size_t>(state);
  if (index >= kRenderStateCount) {
    throw std::invalid_argument("unknown render state " + std::to_string(index));
  }
  return index;
}

bool InRange(std::uint32_t value, std::uint32_t first, std::uint32_t last) {
  return value >= first && value <= last;
}

void CheckRenderStateValue(RenderState state, std::uint32_t value) {
  bool valid = true;
  switch (state) {
    case RenderState::ZEnable:
    case RenderState::ZWriteEnable:
    case RenderState::Lighting:
    case RenderState::AlphaBlendEnable:
      valid = value <= 1;
      break;
    case RenderState::ZFunc:
      valid = InRange(value, static_cast<std::uint32_t>(CompareFunc::Never),
                      static_cast<std::uint32_t>(CompareFunc::Always));
      break;
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
      valid = InRange(value, static_cast<std::uint32_t>(Blend::Zero), static_cast<std::uint32_t>(Blend::InvDestColor));
      break;
    case RenderState::CullMode:
      valid = InRange(value, static_cast<std::uint32_t>(Cull::None), static_cast<std::uint32_t>(Cull::Ccw));
      break;
    case RenderState::PointSize: {
      const float size = std::bit_cast<float>(value);
      valid = std::isfinite(size) && size >= 0.0f;
      break;
    }
    case RenderState::Ambient:
      break;
  }
  if (!valid) {
    throw std::invalid_argument("invalid value " + std::to_string(value) + " for render state " +
                                RenderStateName(state));
  }
}

std::size_t StageIndex(std::uint32_t stage) {
  if (stage >= kTextureStageCount)
    throw std::out_of_range("texture stage " + std::to_string(stage) + " out of range");
  return stage;
}

}  // namespace

std::size_t TextureImage::RowBytes() const {
  const std::size_t texel = format == TexelFormat::Bgr24 ? 3 : 4;
  return (static_cast<std::size_t>(std::max(width, 0)) * texel + 3) / 4 * 4;
}

TextureImage BgraTextureImage(int width, int height, std::vector<std::uint8_t> bgra) {
  auto owned = std::make_shared<const std::vector<std::uint8_t>>(std::move(bgra));
  return TextureImage{width, height, TexelFormat::Bgra32, *owned, owned};
}

void CheckTextureImage(const TextureImage& image) {
  if (image.width <= 0 || image.height <= 0)
    throw std::invalid_argument("a texture needs a width and a height above 0");
  const std::uint64_t bytes = std::uint64_t{image.RowBytes()} * static_cast<std::uint64_t>(image.height);
  if (image.pixels.size() != bytes)
    throw std::invalid_argument("a texture of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                                " pixels needs " + std::to_string(bytes) + " bytes, not " +
                                std::to_string(image.pixels.size()));
}

std::string TextureTooLargeMessage(const std::string& label, std::uint64_t width, std::uint64_t height,
                                   int largestSide) {
  return "cannot load the texture \"" + label + "\": the image is " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels, more than the " + std::to_string(largestSide) + " this display supports";
}

std::uint32_t VertexStride(VertexFormat format) {
  switch (format) {
    case VertexFormat::Xyz:
      return 12;
    case VertexFormat::XyzDiffuse:
      return 16;
    case VertexFormat::XyzRhwDiffuse:
      return 20;
    case VertexFormat::XyzDiffuseTex1:
      return 24;
    case VertexFormat::None:
      break;
  }
  return 0;
}

std::uint32_t IndexSize(IndexFormat format) {
  switch (format) {
    case IndexFormat::Index16:
      return 2;
    case IndexFormat::Index32:
      return 4;
  }
  return 0;
}

// ---- buffers -------------------------------------------------------------------------------------

namespace {
std::uint64_t NextBufferId() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

DeviceBuffer::DeviceBuffer(std::uint32_t length) : bytes_(length), id_(NextBufferId()) {}

std::span<std::byte> DeviceBuffer::Lock(std::uint32_t offset, std::uint32_t size) {
  if (locked_)
    throw std::logic_error("the buffer is locked already");
  const std::uint32_t length = Length();
  if (offset > length || (size != 0 && size > length - offset)) {
    throw std::invalid_argument("lock of bytes " + std::to_string(offset) + "+" + std::to_string(size) +
                                " past the end of a buffer of " + std::to_string(length));
  }
  lockOffset_ = offset;
  lockSize_ = size == 0 ? length - offset : size;
  locked_ = true;
  return std::span(bytes_).subspan(lockOffset_, lockSize_);
}

void DeviceBuffer::Unlock() {
  if (!locked_)
    throw std::logic_error("the buffer is not locked");
  locked_ = false;
  ++revision_;
  Written(lockOffset_, lockSize_);
}

IndexBuffer::IndexBuffer(std::uint32_t length, IndexFormat format) : DeviceBuffer(length), format_(format) {
  const std::uint32_t size = IndexSize(format);
  if (size == 0)
    throw std::invalid_argument("unknown index format " + std::to_string(static_cast<std::uint32_t>(format)));
  if (length % size != 0)
    throw std::invalid_argument("an index buffer of " + std::to_string(length) + " bytes holds no whole indices");
}

std::uint32_t IndexBuffer::Index(std::size_t i) const {
  const std::span<const std::byte> bytes = Bytes();
  if (format_ == IndexFormat::Index16) {
    std::uint16_t v;
    std::memcpy(&v, bytes.data() + 2 * i, 2);
    return v;
  }
  std::uint32_t v;
  std::memcpy(&v, bytes.data() + 4 * i, 4);
  return v;
}

void IndexBuffer::Written(std::uint32_t, std::uint32_t) {
  // Over the whole buffer: a partial write may have removed the old extremes.
  const std::uint32_t count = Count();
  std::uint32_t lo = count == 0 ? 0 : std::numeric_limits<std::uint32_t>::max(), hi = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t v = Index(i);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  minIndex_ = lo;
  maxIndex_ = hi;
}

std::size_t VertexCountFor(PrimitiveType type, std::uint32_t primitiveCount) {
  const std::size_t n = primitiveCount;
  std::size_t count = 0;
  switch (type) {
    case PrimitiveType::PointList:
      count = n;
      break;
    case PrimitiveType::LineList:
      count = 2 * n;
      break;
    case PrimitiveType::LineStrip:
      count = n + 1;
      break;
    case PrimitiveType::TriangleList:
      count = 3 * n;
      break;
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan:
      count = n + 2;
      break;
    default:
      throw std::invalid_argument("unknown primitive type " + std::to_string(static_cast<std::uint32_t>(type)));
  }
  return n == 0 ? 0 : count;
}

StateBlock DefaultStateBlock(int backBufferWidth, int backBufferHeight) {
  StateBlock block;
  block.viewport = Viewport{0, 0, backBufferWidth, backBufferHeight, 0.0f, 1.0f};
  auto set = [&block](RenderState state, std::uint32_t value) {
    block.renderStates[static_cast<std::size_t>(state)] = value;
  };
  set(RenderState::ZEnable, 1);
  set(RenderState::ZWriteEnable, 1);
  set(RenderState::ZFunc, static_cast<std::uint32_t>(CompareFunc::LessEqual));
  set(RenderState::Lighting, 1);
  set(RenderState::AlphaBlendEnable, 0);
  set(RenderState::SrcBlend, static_cast<std::uint32_t>(Blend::One));
  set(RenderState::DestBlend, static_cast<std::uint32_t>(Blend::Zero));
  set(RenderState::CullMode, static_cast<std::uint32_t>(Cull::Ccw));
  set(RenderState::PointSize, std::bit_cast<std::uint32_t>(1.0f));
  set(RenderState::Ambient, 0);
  return block;
}

// ---- DeviceState ---------------------------------------------------------------------------------

DeviceState::DeviceState(int backBufferWidth, int backBufferHeight)
    : state_(DefaultStateBlock(backBufferWidth, backBufferHeight)),
      backBufferWidth_(backBufferWidth),
      backBufferHeight_(backBufferHeight) {
  if (backBufferWidth < 0 || backBufferHeight < 0)
    throw std::invalid_argument("negative back-buffer size");
}

void DeviceState::SetTransform(TransformState state, const Matrix& matrix) {
  switch (state) {
    case TransformState::World:
      state_.world = matrix;
      break;
    case TransformState::View:
      state_.view = matrix;
      break;
    case TransformState::Projection:
      state_.projection = matrix;
      break;
    default:
      throw std::invalid_argument("unknown transform " + std::to_string(static_cast<std::uint32_t>(state)));
  }
  TransformChanged(state);
}

Matrix DeviceState::GetTransform(TransformState state) const {
  switch (state) {
    case TransformState::World:
      return state_.world;
    case TransformState::View:
      return state_.view;
    case TransformState::Projection:
      return state_.projection;
  }
  throw std::invalid_argument("unknown transform " + std::to_string(static_cast<std::uint32_t>(state)));
}

void DeviceState::SetViewport(const Viewport& viewport) {
  const bool validDepth =
      viewport.minZ >= 0.0f && viewport.minZ <= 1.0f && viewport.maxZ >= 0.0f && viewport.maxZ <= 1.0f;
  if (viewport.x < 0 || viewport.y < 0 || viewport.width < 0 || viewport.height < 0 || !validDepth) {
    throw std::invalid_argument("invalid viewport");
  }
  state_.viewport = viewport;
  ViewportChanged();
}

Viewport DeviceState::GetViewport() const {
  return state_.viewport;
}

void DeviceState::SetRenderState(RenderState state, std::uint32_t value) {
  const std::size_t index = RenderStateIndex(state);
  CheckRenderStateValue(state, value);
  state_.renderStates[index] = value;
  RenderStateChanged(state);
}

std::uint32_t DeviceState::GetRenderState(RenderState state) const {
  return state_.renderStates[RenderStateIndex(state)];
}

void DeviceState::SetMaterial(const Material& material) {
  state_.material = material;
  MaterialChanged();
}

Material DeviceState::GetMaterial() const {
  return state_.material;
}

void DeviceState::SetFVF(VertexFormat format) {
  if (VertexStride(format) == 0 && format != VertexFormat::None) {
    throw std::invalid_argument("unknown vertex format " + std::to_string(static_cast<std::uint32_t>(format)));
  }
  state_.vertexFormat = format;
  VertexFormatChanged();
}

VertexFormat DeviceState::GetFVF() const {
  return state_.vertexFormat;
}

void DeviceState::SetTexture(std::uint32_t stage, std::shared_ptr<Texture> texture) {
  textures_[StageIndex(stage)] = std::move(texture);
  TextureChanged(stage);
}

std::shared_ptr<Texture> DeviceState::GetTexture(std::uint32_t stage) const {
  return textures_[StageIndex(stage)];
}

DeviceResult DeviceState::Reset(int backBufferWidth, int backBufferHeight) {
  if (backBufferWidth < 0 || backBufferHeight < 0)
    throw std::invalid_argument("negative back-buffer size");
  const DeviceResult result = DoReset(backBufferWidth, backBufferHeight);
  if (result != DeviceResult::Ok)
    return result;
  backBufferWidth_ = backBufferWidth;
  backBufferHeight_ = backBufferHeight;
  state_ = DefaultStateBlock(backBufferWidth, backBufferHeight);
  for (auto& texture : textures_)
    texture.reset();
  streamSource_.reset();
  streamOffset_ = streamStride_ = 0;
  indices_.reset();
  return result;
}

std::shared_ptr<VertexBuffer> DeviceState::CreateVertexBuffer(std::uint32_t length) {
  return std::make_shared<VertexBuffer>(length);
}

std::shared_ptr<IndexBuffer> DeviceState::CreateIndexBuffer(std::uint32_t length, IndexFormat format) {
  return std::make_shared<IndexBuffer>(length, format);
}

void DeviceState::SetStreamSource(std::uint32_t stream, std::shared_ptr<VertexBuffer> buffer, std::uint32_t offset,
                                  std::uint32_t stride) {
  if (stream != 0)
    throw std::out_of_range("stream " + std::to_string(stream) + " out of range: the device has stream 0 only");
  streamSource_ = std::move(buffer);
  streamOffset_ = offset;
  streamStride_ = stride;
  StreamSourceChanged();
}

std::shared_ptr<VertexBuffer> DeviceState::GetStreamSource(std::uint32_t stream) const {
  if (stream != 0)
    throw std::out_of_range("stream " + std::to_string(stream) + " out of range: the device has stream 0 only");
  return streamSource_;
}

void DeviceState::SetIndices(std::shared_ptr<IndexBuffer> buffer) {
  indices_ = std::move(buffer);
  IndicesChanged();
}

std::shared_ptr<IndexBuffer> DeviceState::GetIndices() const {
  return indices_;
}

void DeviceState::ForgetBuffers() {
  if (streamSource_) {
    streamSource_.reset();
    streamOffset_ = streamStride_ = 0;
    StreamSourceChanged();
  }
  if (indices_) {
    indices_.reset();
    IndicesChanged();
  }
}

namespace {

// The vertices of the stream source from `first` on, checked against the buffer's length.
void CheckStreamRange(const VertexBuffer* buffer, bool locked, std::uint32_t offset, std::uint32_t stride,
                      std::int64_t first, std::size_t count) {
  if (buffer == nullptr)
    throw std::invalid_argument("draw from buffers without a stream source");
  if (locked)
    throw std::logic_error("draw from a locked vertex buffer");
  if (first < 0)
    throw std::invalid_argument("vertex " + std::to_string(first) + " before the start of the stream");
  const std::uint64_t end = std::uint64_t{offset} + (static_cast<std::uint64_t>(first) + count) * stride;
  if (end > buffer->Length()) {
    throw std::invalid_argument("vertices " + std::to_string(first) + "+" + std::to_string(count) +
                                " past the end of a vertex buffer of " + std::to_string(buffer->Length()) + " bytes");
  }
}

}  // namespace

void DeviceState::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
  CheckStride(streamStride_);
  const std::size_t vertexCount = VertexCountFor(type, primitiveCount);
  CheckStreamRange(streamSource_.get(), streamSource_ && streamSource_->Locked(), streamOffset_, streamStride_,
                   startVertex, vertexCount);
  DoDrawPrimitive(type, startVertex, primitiveCount);
}

void DeviceState::DrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                                       std::uint32_t numVertices, std::uint32_t startIndex,
                                       std::uint32_t primitiveCount) {
  CheckStride(streamStride_);
  CheckStreamRange(streamSource_.get(), streamSource_ && streamSource_->Locked(), streamOffset_, streamStride_,
                   std::int64_t{baseVertexIndex} + minVertexIndex, numVertices);
  if (!indices_)
    throw std::invalid_argument("indexed draw without an index buffer");
  if (indices_->Locked())
    throw std::logic_error("draw from a locked index buffer");
  const std::size_t indexCount = VertexCountFor(type, primitiveCount);
  if (std::uint64_t{startIndex} + indexCount > indices_->Count()) {
    throw std::invalid_argument("indices " + std::to_string(startIndex) + "+" + std::to_string(indexCount) +
                                " past the end of an index buffer of " + std::to_string(indices_->Count()));
  }
  const std::uint64_t rangeEnd = std::uint64_t{minVertexIndex} + numVertices;
  const auto inRange = [&](std::uint32_t index) { return index >= minVertexIndex && index < rangeEnd; };
  // The buffer's own extremes settle the common case without reading the indices.
  if (indexCount > 0 && !(inRange(indices_->MinIndex()) && inRange(indices_->MaxIndex()))) {
    for (std::size_t i = startIndex; i < startIndex + indexCount; ++i) {
      const std::uint32_t index = indices_->Index(i);
      if (!inRange(index)) {
        throw std::invalid_argument("index " + std::to_string(index) + " outside the vertex range " +
                                    std::to_string(minVertexIndex) + ".." + std::to_string(rangeEnd));
      }
    }
  }
  DoDrawIndexedPrimitive(type, baseVertexIndex, minVertexIndex, numVertices, startIndex, primitiveCount);
}

void DeviceState::CheckStride(std::uint32_t stride) const {
  const std::uint32_t expected = VertexStride(state_.vertexFormat);
  if (expected == 0)
    throw std::invalid_argument("draw call without a vertex format");
  if (stride != expected) {
    throw std::invalid_argument("vertex stride " + std::to_string(stride) + " does not match " +
                                VertexFormatName(state_.vertexFormat) + " (" + std::to_string(expected) + " bytes)");
  }
}

void DeviceState::DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                                  std::uint32_t stride) {
  CheckStride(stride);
  const std::size_t vertexCount = VertexCountFor(type, primitiveCount);
  if (vertexCount > vertices.size() / stride) {
    throw std::invalid_argument(std::to_string(primitiveCount) + " " + PrimitiveTypeName(type) + " primitives need " +
                                std::to_string(vertexCount) + " vertices, the data holds " +
                                std::to_string(vertices.size() / stride));
  }
  ForgetBuffers();
  DoDrawPrimitiveUP(type, primitiveCount, vertices.first(vertexCount * stride), stride);
}

void DeviceState::DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                         std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                                         std::span<const std::byte> vertices, std::uint32_t stride) {
  CheckStride(stride);
  const std::size_t indexCount = VertexCountFor(type, primitiveCount);
  if (indexCount > indices.size()) {
    throw std::invalid_argument(std::to_string(primitiveCount) + " " + PrimitiveTypeName(type) + " primitives need " +
                                std::to_string(indexCount) + " indices, the data holds " +
                                std::to_string(indices.size()));
  }
  const std::size_t vertexEnd = std::size_t{minVertexIndex} + numVertices;
  if (vertexEnd > vertices.size() / stride) {
    throw std::invalid_argument("vertex range " + std::to_string(minVertexIndex) + ".." + std::to_string(vertexEnd) +
                                " exceeds the " + std::to_string(vertices.size() / stride) + " vertices given");
  }
  const auto used = indices.first(indexCount);
  for (std::uint16_t index : used) {
    if (index < minVertexIndex || index >= vertexEnd) {
      throw std::invalid_argument("index " + std::to_string(index) + " outside the vertex range " +
                                  std::to_string(minVertexIndex) + ".." + std::to_string(vertexEnd));
    }
  }
  ForgetBuffers();
  DoDrawIndexedPrimitiveUP(type, minVertexIndex, numVertices, primitiveCount, used, vertices.first(vertexEnd * stride),
                           stride);
}

// ---- names ---------------------------------------------------------------------------------------

std::string TransformStateName(TransformState state) {
  switch (state) {
    case TransformState::World:
      return "WORLD";
    case TransformState::View:
      return "VIEW";
    case TransformState::Projection:
      return "PROJECTION";
  }
  return "TRANSFORM(" + std::to_string(static_cast<std::uint32_t>(state)) + ")";
}

std::string RenderStateName(RenderState state) {
  switch (state) {
    case RenderState::ZEnable:
      return "ZENABLE";
    case RenderState::ZWriteEnable:
      return "ZWRITEENABLE";
    case RenderState::ZFunc:
      return "ZFUNC";
    case RenderState::Lighting:
      return "LIGHTING";
    case RenderState::AlphaBlendEnable:
      return "ALPHABLENDENABLE";
    case RenderState::SrcBlend:
      return "SRCBLEND";
    case RenderState::DestBlend:
      return "DESTBLEND";
    case RenderState::CullMode:
      return "CULLMODE";
    case RenderState::PointSize:
      return "POINTSIZE";
    case RenderState::Ambient:
      return "AMBIENT";
  }
  return "RENDERSTATE(" + std::to_string(static_cast<std::uint32_t>(state)) + ")";
}

std::string VertexFormatName(VertexFormat format) {
  switch (format) {
    case VertexFormat::None:
      return "NONE";
    case VertexFormat::Xyz:
      return "XYZ";
    case VertexFormat::XyzDiffuse:
      return "XYZ|DIFFUSE";
    case VertexFormat::XyzRhwDiffuse:
      return "XYZRHW|DIFFUSE";
    case VertexFormat::XyzDiffuseTex1:
      return "XYZ|DIFFUSE|TEX1";
  }
  return "FVF(" + std::to_string(static_cast<std::uint32_t>(format)) + ")";
}

std::string PrimitiveTypeName(PrimitiveType type) {
  switch (type) {
    case PrimitiveType::PointList:
      return "POINTLIST";
    case PrimitiveType::LineList:
      return "LINELIST";
    case PrimitiveType::LineStrip:
      return "LINESTRIP";
    case PrimitiveType::TriangleList:
      return "TRIANGLELIST";
    case PrimitiveType::TriangleStrip:
      return "TRIANGLESTRIP";
    case PrimitiveType::TriangleFan:
      return "TRIANGLEFAN";
  }
  return "PRIMITIVE(" + std::to_string(static_cast<std::uint32_t>(type)) + ")";
}

std::string DeviceResultName(DeviceResult result) {
  switch (result) {
    case DeviceResult::Ok:
      return "OK";
    case DeviceResult::DeviceLost:
      return "DEVICELOST";
    case DeviceResult::DeviceNotReset:
      return "DEVICENOTRESET";
    case DeviceResult::InvalidCall:
      return "INVALIDCALL";
  }
  return "RESULT(" + std::to_string(static_cast<int>(result)) + ")";
}

std::string RenderStateValueText(RenderState state, std::uint32_t value) {
  static const char* const kBlendNames[] = {"ZERO",        "ONE",       "SRCCOLOR",     "INVSRCCOLOR", "SRCALPHA",
                                            "INVSRCALPHA", "DESTALPHA", "INVDESTALPHA", "DESTCOLOR",   "INVDESTCOLOR"};
  static const char* const kCompareNames[] = {"NEVER",   "LESS",     "EQUAL",        "LESSEQUAL",
                                              "GREATER", "NOTEQUAL", "GREATEREQUAL", "ALWAYS"};
  static const char* const kCullNames[] = {"NONE", "CW", "CCW"};
  switch (state) {
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
      if (InRange(value, 1, std::size(kBlendNames)))
        return kBlendNames[value - 1];
      break;
    case RenderState::ZFunc:
      if (InRange(value, 1, std::size(kCompareNames)))
        return kCompareNames[value - 1];
      break;
    case RenderState::CullMode:
      if (InRange(value, 1, std::size(kCullNames)))
        return kCullNames[value - 1];
      break;
    case RenderState::PointSize:
      return FloatText(std::bit_cast<float>(value));
    case RenderState::Ambient:
      return ArgbText(value);
    default:
      break;
  }
  return std::to_string(value);
}

std::string ArgbText(ArgbColor color) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4)
    text += kDigits[(color >> shift) & 0xF];
  return text;
}

std::string FloatText(float value) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

}  // namespace vrel
