#include "platform/PixelRatioDevice.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vrel {

namespace {

void CheckRatio(double ratio) {
  if (!std::isfinite(ratio) || ratio <= 0.0)
    throw std::invalid_argument("the pixel ratio must be a finite number > 0");
}

// Logical edge position to device edge position: both frames put the left edge of the target at 0.
int ScaleEdge(int logical, double scale) {
  return static_cast<int>(std::lround(static_cast<double>(logical) * scale));
}

}  // namespace

int PixelRatioDevice::DevicePixels(int logical, double ratio) {
  return ScaleEdge(logical, ratio);
}

PixelRatioDevice::PixelRatioDevice(std::unique_ptr<IDevice> inner, int logicalWidth, int logicalHeight, double ratio)
    : inner_(std::move(inner)),
      width_(logicalWidth),
      height_(logicalHeight),
      ratio_(ratio),
      pendingRatio_(ratio),
      pointSize_(std::bit_cast<std::uint32_t>(1.0f)) {
  if (!inner_)
    throw std::invalid_argument("PixelRatioDevice needs a device");
  if (logicalWidth < 0 || logicalHeight < 0)
    throw std::invalid_argument("negative back-buffer size");
  CheckRatio(ratio);
  UpdateScale();
  viewport_ = Viewport{0, 0, width_, height_, 0.0f, 1.0f};
  if (ratio_ != 1.0)
    SetInnerPointSize(pointSize_);
}

void PixelRatioDevice::SetPixelRatio(double ratio) {
  CheckRatio(ratio);
  pendingRatio_ = ratio;
}

void PixelRatioDevice::UpdateScale() {
  // Per axis from the sizes themselves, so that the whole logical buffer maps onto the whole device
  // buffer even where rounding made the device size a little more or less than ratio x logical.
  scaleX_ = width_ > 0 ? static_cast<double>(DevicePixels(width_, ratio_)) / width_ : ratio_;
  scaleY_ = height_ > 0 ? static_cast<double>(DevicePixels(height_, ratio_)) / height_ : ratio_;
}

void PixelRatioDevice::SetViewport(const Viewport& viewport) {
  Viewport scaled = viewport;
  if (Scaled() && viewport.x >= 0 && viewport.y >= 0 && viewport.width >= 0 && viewport.height >= 0) {
    scaled.x = ScaleEdge(viewport.x, scaleX_);
    scaled.y = ScaleEdge(viewport.y, scaleY_);
    scaled.width = ScaleEdge(viewport.x + viewport.width, scaleX_) - scaled.x;
    scaled.height = ScaleEdge(viewport.y + viewport.height, scaleY_) - scaled.y;
  }
  inner_->SetViewport(scaled);  // validates; nothing is stored here when it throws
  viewport_ = viewport;
}

void PixelRatioDevice::SetInnerPointSize(std::uint32_t logicalBits) {
  const float logical = std::bit_cast<float>(logicalBits);
  const float device = static_cast<float>(static_cast<double>(logical) * ratio_);
  inner_->SetRenderState(RenderState::PointSize, std::bit_cast<std::uint32_t>(device));
}

void PixelRatioDevice::SetRenderState(RenderState state, std::uint32_t value) {
  if (state != RenderState::PointSize) {
    inner_->SetRenderState(state, value);
    return;
  }
  if (ratio_ == 1.0) {
    inner_->SetRenderState(state, value);
  } else {
    SetInnerPointSize(value);  // the inner device refuses what is not a size, before it is stored here
  }
  pointSize_ = value;
}

std::uint32_t PixelRatioDevice::GetRenderState(RenderState state) const {
  return state == RenderState::PointSize ? pointSize_ : inner_->GetRenderState(state);
}

void PixelRatioDevice::SetTexture(std::uint32_t stage, std::shared_ptr<Texture> texture) {
  inner_->SetTexture(stage, std::move(texture));
}

std::shared_ptr<Texture> PixelRatioDevice::CreateTexture(const TextureImage& image, const std::string& label) {
  return inner_->CreateTexture(image, label);
}

void PixelRatioDevice::Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) {
  inner_->Clear(flags, color, z, stencil);
}

DeviceResult PixelRatioDevice::Reset(int backBufferWidth, int backBufferHeight) {
  if (backBufferWidth < 0 || backBufferHeight < 0)
    throw std::invalid_argument("negative back-buffer size");
  const double ratio = pendingRatio_;
  const DeviceResult result =
      inner_->Reset(DevicePixels(backBufferWidth, ratio), DevicePixels(backBufferHeight, ratio));
  if (result != DeviceResult::Ok)
    return result;
  width_ = backBufferWidth;
  height_ = backBufferHeight;
  ratio_ = ratio;
  UpdateScale();
  viewport_ = Viewport{0, 0, width_, height_, 0.0f, 1.0f};
  pointSize_ = std::bit_cast<std::uint32_t>(1.0f);
  streamOffset_ = streamStride_ = 0;
  if (ratio_ != 1.0)
    SetInnerPointSize(pointSize_);
  return result;
}

std::span<const std::byte> PixelRatioDevice::ToDevicePixels(std::span<const std::byte> vertices, std::uint32_t stride) {
  if (!Scaled() || inner_->GetFVF() != VertexFormat::XyzRhwDiffuse || stride != sizeof(ScreenVertex)) {
    return vertices;  // anything else is the inner device's to check
  }
  scratch_.assign(vertices.begin(), vertices.end());
  const std::size_t count = scratch_.size() / stride;
  for (std::size_t i = 0; i < count; ++i) {
    std::byte* at = scratch_.data() + i * stride;
    float xy[2];
    std::memcpy(xy, at, sizeof xy);
    // The viewport maps a clip position to x logical and x * scale device pixels, so screen
    // vertices scale about the origin: a mark drawn at a mouse position then lands on the 3D points
    // that picking finds there.
    xy[0] = static_cast<float>(static_cast<double>(xy[0]) * scaleX_);
    xy[1] = static_cast<float>(static_cast<double>(xy[1]) * scaleY_);
    std::memcpy(at, xy, sizeof xy);
  }
  return scratch_;
}

void PixelRatioDevice::SetStreamSource(std::uint32_t stream, std::shared_ptr<VertexBuffer> buffer, std::uint32_t offset,
                                       std::uint32_t stride) {
  inner_->SetStreamSource(stream, std::move(buffer), offset, stride);
  streamOffset_ = offset;
  streamStride_ = stride;
}

void PixelRatioDevice::DrawGathered(PrimitiveType type, std::uint32_t primitiveCount, std::vector<std::byte> vertices) {
  std::shared_ptr<VertexBuffer> source = inner_->GetStreamSource(0);
  std::shared_ptr<IndexBuffer> indices = inner_->GetIndices();
  inner_->DrawPrimitiveUP(type, primitiveCount, ToDevicePixels(vertices, streamStride_), streamStride_);
  inner_->SetStreamSource(0, std::move(source), streamOffset_, streamStride_);
  inner_->SetIndices(std::move(indices));
}

void PixelRatioDevice::DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
  const std::shared_ptr<VertexBuffer> source = inner_->GetStreamSource(0);
  if (!ScalesBufferDraws() || !source || streamStride_ != sizeof(ScreenVertex)) {
    inner_->DrawPrimitive(type, startVertex, primitiveCount);
    return;
  }
  const std::size_t count = VertexCountFor(type, primitiveCount);
  const std::size_t first = streamOffset_ + std::size_t{startVertex} * streamStride_;
  if (source->Locked() || first + count * streamStride_ > source->Length()) {
    inner_->DrawPrimitive(type, startVertex, primitiveCount);  // refused there, with the reason
    return;
  }
  const auto bytes = source->Bytes().subspan(first, count * streamStride_);
  DrawGathered(type, primitiveCount, std::vector<std::byte>(bytes.begin(), bytes.end()));
}

void PixelRatioDevice::DrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex,
                                            std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                            std::uint32_t startIndex, std::uint32_t primitiveCount) {
  const std::shared_ptr<VertexBuffer> source = inner_->GetStreamSource(0);
  const std::shared_ptr<IndexBuffer> indices = inner_->GetIndices();
  const std::size_t count = VertexCountFor(type, primitiveCount);
  const auto passOn = [&] {
    inner_->DrawIndexedPrimitive(type, baseVertexIndex, minVertexIndex, numVertices, startIndex, primitiveCount);
  };
  if (!ScalesBufferDraws() || !source || !indices || streamStride_ != sizeof(ScreenVertex) || source->Locked() ||
      indices->Locked() || std::uint64_t{startIndex} + count > indices->Count()) {
    passOn();
    return;
  }
  std::vector<std::byte> gathered;
  gathered.reserve(count * streamStride_);
  for (std::size_t i = startIndex; i < startIndex + count; ++i) {
    const std::uint32_t index = indices->Index(i);
    const std::int64_t vertex = std::int64_t{baseVertexIndex} + index;
    const std::uint64_t at = streamOffset_ + static_cast<std::uint64_t>(vertex) * streamStride_;
    if (index < minVertexIndex || index - minVertexIndex >= numVertices || vertex < 0 ||
        at + streamStride_ > source->Length()) {
      passOn();  // refused there, with the reason
      return;
    }
    const auto bytes = source->Bytes().subspan(at, streamStride_);
    gathered.insert(gathered.end(), bytes.begin(), bytes.end());
  }
  DrawGathered(type, primitiveCount, std::move(gathered));
}

void PixelRatioDevice::DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount,
                                       std::span<const std::byte> vertices, std::uint32_t stride) {
  inner_->DrawPrimitiveUP(type, primitiveCount, ToDevicePixels(vertices, stride), stride);
}

void PixelRatioDevice::DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex,
                                              std::uint32_t numVertices, std::uint32_t primitiveCount,
                                              std::span<const std::uint16_t> indices,
                                              std::span<const std::byte> vertices, std::uint32_t stride) {
  inner_->DrawIndexedPrimitiveUP(type, minVertexIndex, numVertices, primitiveCount, indices,
                                 ToDevicePixels(vertices, stride), stride);
}

}  // namespace vrel
