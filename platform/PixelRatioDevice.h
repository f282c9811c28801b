#pragma once

// The device a view hands to its drawing code when the screen's pixels are finer than the window
// system's logical pixels. Everything here that counts pixels - the back-buffer size of Reset, the
// viewport, pre-transformed vertices and the point size - counts logical pixels, as mouse positions
// do, so picking, the overlay and the pick square mean the same on every screen. The inner device
// gets device pixels: the back buffer, the viewport and screen vertices scaled by the pixel ratio.
// At a ratio of 1 every call passes through unchanged.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/Device.h"

namespace vrel {

class PixelRatioDevice final : public IDevice {
 public:
  // `inner` must already hold a back buffer of DevicePixels(width, ratio) x DevicePixels(height,
  // ratio) with its default state. Throws std::invalid_argument for a null device, a negative size or
  // a ratio that is not a finite number > 0.
  PixelRatioDevice(std::unique_ptr<IDevice> inner, int logicalWidth, int logicalHeight, double ratio);

  // The device pixels that `logical` pixels span: rounded to the nearest, as the window system sizes
  // its framebuffers.
  static int DevicePixels(int logical, double ratio);

  IDevice& Inner() { return *inner_; }
  const IDevice& Inner() const { return *inner_; }
  double PixelRatio() const { return ratio_; }
  // Takes effect at the next Reset.
  void SetPixelRatio(double ratio);
  int LogicalWidth() const { return width_; }
  int LogicalHeight() const { return height_; }

  void SetTransform(TransformState state, const Matrix& matrix) override { inner_->SetTransform(state, matrix); }
  Matrix GetTransform(TransformState state) const override { return inner_->GetTransform(state); }
  // Logical pixels; the inner viewport covers the same part of the back buffer.
  void SetViewport(const Viewport& viewport) override;
  Viewport GetViewport() const override { return viewport_; }
  using IDevice::SetRenderState;
  // The point size in logical pixels; the inner device draws points ratio times as large.
  void SetRenderState(RenderState state, std::uint32_t value) override;
  std::uint32_t GetRenderState(RenderState state) const override;
  void SetMaterial(const Material& material) override { inner_->SetMaterial(material); }
  Material GetMaterial() const override { return inner_->GetMaterial(); }
  void SetFVF(VertexFormat format) override { inner_->SetFVF(format); }
  VertexFormat GetFVF() const override { return inner_->GetFVF(); }
  void SetTexture(std::uint32_t stage, std::shared_ptr<Texture> texture) override;
  std::shared_ptr<Texture> GetTexture(std::uint32_t stage) const override { return inner_->GetTexture(stage); }
  std::shared_ptr<Texture> CreateTexture(const TextureImage& image, const std::string& label) override;
  int MaxTextureSize() const override { return inner_->MaxTextureSize(); }
  void Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) override;
  DeviceResult BeginScene() override { return inner_->BeginScene(); }
  DeviceResult EndScene() override { return inner_->EndScene(); }
  DeviceResult Present() override { return inner_->Present(); }
  DeviceResult TestCooperativeLevel() override { return inner_->TestCooperativeLevel(); }
  // A logical back-buffer size; the inner device is reset to the device pixels it spans.
  DeviceResult Reset(int backBufferWidth, int backBufferHeight) override;

  std::shared_ptr<VertexBuffer> CreateVertexBuffer(std::uint32_t length) override {
    return inner_->CreateVertexBuffer(length);
  }
  std::shared_ptr<IndexBuffer> CreateIndexBuffer(std::uint32_t length, IndexFormat format) override {
    return inner_->CreateIndexBuffer(length, format);
  }
  void SetStreamSource(std::uint32_t stream, std::shared_ptr<VertexBuffer> buffer, std::uint32_t offset,
                       std::uint32_t stride) override;
  std::shared_ptr<VertexBuffer> GetStreamSource(std::uint32_t stream) const override {
    return inner_->GetStreamSource(stream);
  }
  void SetIndices(std::shared_ptr<IndexBuffer> buffer) override { inner_->SetIndices(std::move(buffer)); }
  std::shared_ptr<IndexBuffer> GetIndices() const override { return inner_->GetIndices(); }
  // Screen vertices from a buffer are scaled like those from memory: read from the buffer and drawn from
  // memory; everything else passes through.
  void DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) override;
  void DrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                            std::uint32_t numVertices, std::uint32_t startIndex, std::uint32_t primitiveCount) override;

  using IDevice::DrawIndexedPrimitiveUP;
  using IDevice::DrawPrimitiveUP;
  void DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                       std::uint32_t stride) override;
  void DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                              std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                              std::span<const std::byte> vertices, std::uint32_t stride) override;

 private:
  bool Scaled() const { return scaleX_ != 1.0 || scaleY_ != 1.0; }
  void UpdateScale();
  void SetInnerPointSize(std::uint32_t logicalBits);
  // Pre-transformed vertices scaled into device pixels; the bytes untouched otherwise.
  std::span<const std::byte> ToDevicePixels(std::span<const std::byte> vertices, std::uint32_t stride);
  bool ScalesBufferDraws() const { return Scaled() && inner_->GetFVF() == VertexFormat::XyzRhwDiffuse; }
  // Draws `vertices` (already in the order drawn) from memory, then sets the buffers back.
  void DrawGathered(PrimitiveType type, std::uint32_t primitiveCount, std::vector<std::byte> vertices);

  std::unique_ptr<IDevice> inner_;
  int width_, height_;
  double ratio_;
  double pendingRatio_;
  double scaleX_ = 1.0, scaleY_ = 1.0;  // device pixels per logical pixel, per axis
  Viewport viewport_;
  std::uint32_t pointSize_;
  std::uint32_t streamOffset_ = 0, streamStride_ = 0;
  std::vector<std::byte> scratch_;
};

}  // namespace vrel
