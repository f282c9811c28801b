#pragma once

// The drawing device of the 3D view on OpenGL 3.3 core. It reproduces what the drawing code relies on
// from Direct3D 9: its default states, top-left pixel origin with pixel centres on whole
// coordinates, depth 0..1, culling of counter-clockwise faces as seen on screen, lighting with no
// lights (emissive colour, diffuse alpha), pre-transformed vertices in pixels, square points of a set
// size, textures on stage 0 modulated by the vertex colour with point sampling and wrapping.
//
// Draws from the caller's memory are converted to one internal vertex layout (lighting folded into
// the vertex colour, so a change of material alone does not part two draws) and queued with the GL
// state each needs; consecutive draws whose GL state is the same become one GL draw. The queue goes to
// GL in one upload, in order, at Clear, EndScene, Present, Reset and Flush, and when it grows large.
// Draws from the caller's vertex and index buffers take their place in the same queue as one GL draw
// each, from copies in GL that are refreshed only when a buffer's revision has moved on; lighting is
// then applied by the shader. Screen vertices from a buffer go the way of draws from memory.
//
// The caller owns the context and the framebuffer: the device draws into whatever framebuffer is
// bound, whose size must be the back-buffer size given at construction or the last Reset. The
// context must be current during every call of the device and during its destruction.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/Device.h"

class QOpenGLContext;

namespace vrel {

struct GLDeviceOptions {
  // Map the 0..1 clip depth with glClipControl where the context offers it; otherwise (or when false)
  // the vertex shader converts the depth.
  bool useClipControl = true;
};

// What the device sent to GL, for tests and the benchmark.
struct GLDeviceStatistics {
  std::uint64_t drawCalls = 0;          // draw calls taken, from memory and from buffers
  std::uint64_t glDraws = 0;            // GL draws issued for them
  std::uint64_t streamUploadBytes = 0;  // the draws from memory, sent to GL at each flush
  std::uint64_t bufferUploads = 0;      // copies of the caller's buffers made or refreshed
  std::uint64_t bufferUploadBytes = 0;
};

class GLTexture;

class GLDevice final : public DeviceState {
 public:
  // Throws std::runtime_error when the context is not current or offers no OpenGL 3.3 core
  // functions, or when the shaders do not build.
  GLDevice(QOpenGLContext& context, int backBufferWidth, int backBufferHeight, GLDeviceOptions options = {});
  ~GLDevice() override;
  GLDevice(const GLDevice&) = delete;
  GLDevice& operator=(const GLDevice&) = delete;

  // On failure (an image larger than the display takes, a GL error) the result is null and
  // LastTextureError() names the label and the reason.
  std::shared_ptr<Texture> CreateTexture(const TextureImage& image, const std::string& label) override;
  // GL_MAX_TEXTURE_SIZE.
  int MaxTextureSize() const override;
  // Clears the viewport rectangle, whatever the depth-write state.
  void Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) override;
  // A second BeginScene before EndScene, or EndScene outside a scene, answers InvalidCall.
  DeviceResult BeginScene() override;
  DeviceResult EndScene() override;
  DeviceResult Present() override;
  // DeviceLost once the context reports itself invalid (a GPU reset); otherwise Ok.
  DeviceResult TestCooperativeLevel() override;

  // Sends the collected draws to GL.
  void Flush();
  // Forgets what the device believes the GL state to be, so the next draw sets it all again; for hosts
  // that run other GL code (QPainter, another device) in the same context between draws. BeginScene
  // does this by itself.
  void ForgetGLState();

  // Why the last texture failed, naming its label; empty after a success.
  const std::string& LastTextureError() const { return lastTextureError_; }
  bool UsesClipControl() const;
  const GLDeviceStatistics& Statistics() const { return statistics_; }
  void ResetStatistics() { statistics_ = {}; }

 protected:
  void TransformChanged(TransformState state) override;
  DeviceResult DoReset(int backBufferWidth, int backBufferHeight) override;
  void DoDrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                         std::uint32_t stride) override;
  void DoDrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                                std::span<const std::byte> vertices, std::uint32_t stride) override;
  void DoDrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) override;
  void DoDrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                              std::uint32_t numVertices, std::uint32_t startIndex,
                              std::uint32_t primitiveCount) override;

 private:
  struct Impl;

  void Append(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
              std::span<const std::uint32_t> indices, std::uint32_t firstVertex);
  void QueueBufferDraw(PrimitiveType type, std::int32_t first, std::uint32_t startIndex, std::uint32_t primitiveCount,
                       bool indexed);

  std::unique_ptr<Impl> impl_;
  std::string lastTextureError_;
  GLDeviceStatistics statistics_;
  bool inScene_ = false;
};

// A texture made by a GLDevice, shared by reference count. Its GL texture goes when the last reference
// does: at once when a context of its share group is current, otherwise at the creating device's next
// GL work.
class GLTexture final : public Texture {
 public:
  struct Shelf;

  GLTexture(std::shared_ptr<Shelf> shelf, unsigned name, int width, int height, std::string label);
  ~GLTexture() override;
  GLTexture(const GLTexture&) = delete;
  GLTexture& operator=(const GLTexture&) = delete;

  std::string Label() const override { return label_; }
  unsigned Name() const { return name_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::shared_ptr<Shelf>& Owner() const { return shelf_; }

 private:
  std::shared_ptr<Shelf> shelf_;
  unsigned name_;
  int width_, height_;
  std::string label_;
};

}  // namespace vrel
