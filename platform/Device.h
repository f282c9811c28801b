#pragma once

// The drawing device the scene and the view talk to: a narrow interface shaped like the few calls of
// Direct3D 9 that the system makes, in plain C++ types. `DeviceState` keeps everything that
// can be set and read back on the CPU, so picking, the knife and the tests run without a GL context;
// concrete devices (the OpenGL view, the recording fake) add the drawing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ranges>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/D3DMath.h"

namespace vrel {

// A 32-bit colour with alpha in the top byte, then red, green, blue.
using ArgbColor = std::uint32_t;

// A colour of four singles, each nominally 0..1.
struct ColorValue {
  float r = 0, g = 0, b = 0, a = 0;

  bool operator==(const ColorValue&) const = default;
};

// The lighting material. With lighting on and no lights, geometry takes the emissive colour and the
// diffuse alpha.
struct Material {
  ColorValue diffuse;
  ColorValue ambient;
  ColorValue specular;
  ColorValue emissive;
  float power = 0;

  bool operator==(const Material&) const = default;
};

// The part of the render target that drawing maps to, in pixels, with the depth range.
struct Viewport {
  int x = 0, y = 0, width = 0, height = 0;
  float minZ = 0, maxZ = 1;

  bool operator==(const Viewport&) const = default;
};

// The three transforms, numbered as Direct3D 9 numbers them.
enum class TransformState : std::uint32_t { View = 2, Projection = 3, World = 256 };

enum class RenderState : std::uint32_t {
  ZEnable,           // 0 or 1
  ZWriteEnable,      // 0 or 1
  ZFunc,             // CompareFunc
  Lighting,          // 0 or 1
  AlphaBlendEnable,  // 0 or 1
  SrcBlend,          // Blend
  DestBlend,         // Blend
  CullMode,          // Cull
  PointSize,         // the bits of a non-negative finite single, in pixels
  Ambient,           // ArgbColor added to lit geometry
};
inline constexpr std::size_t kRenderStateCount = 10;

enum class Blend : std::uint32_t {
  Zero = 1,
  One,
  SrcColor,
  InvSrcColor,
  SrcAlpha,
  InvSrcAlpha,
  DestAlpha,
  InvDestAlpha,
  DestColor,
  InvDestColor,
};

enum class CompareFunc : std::uint32_t { Never = 1, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };

// Which winding is culled: Ccw (the default) drops triangles whose screen corners run counter-clockwise.
enum class Cull : std::uint32_t { None = 1, Cw, Ccw };

// The four vertex layouts the system draws with.
enum class VertexFormat : std::uint32_t {
  None,            // nothing set yet: drawing is refused
  Xyz,             // Vec3, 12 bytes
  XyzDiffuse,      // ColoredVertex, 16 bytes
  XyzRhwDiffuse,   // ScreenVertex, 20 bytes: already in pixels
  XyzDiffuseTex1,  // TTexturedVertex, 24 bytes
};

// The bytes of one vertex of the layout; 0 for None or an unknown value.
std::uint32_t VertexStride(VertexFormat format);

struct TTexturedVertex {
  float x = 0, y = 0, z = 0;
  ArgbColor diffuse = 0;
  float tu = 0, tv = 0;
};

struct ColoredVertex {
  float x = 0, y = 0, z = 0;
  ArgbColor diffuse = 0;
};

// A vertex already transformed to pixels (x right, y down), with z the depth and rhw 1/w.
struct ScreenVertex {
  float x = 0, y = 0, z = 0, rhw = 1;
  ArgbColor diffuse = 0;
};

static_assert(sizeof(Vec3) == 12 && std::is_trivially_copyable_v<Vec3>);
static_assert(sizeof(ColoredVertex) == 16 && std::is_trivially_copyable_v<ColoredVertex>);
static_assert(sizeof(ScreenVertex) == 20 && std::is_trivially_copyable_v<ScreenVertex>);
static_assert(sizeof(TTexturedVertex) == 24 && std::is_trivially_copyable_v<TTexturedVertex>);

enum class PrimitiveType : std::uint32_t {
  PointList = 1,
  LineList,
  LineStrip,
  TriangleList,
  TriangleStrip,
  TriangleFan
};

// The vertices (or indices) that `primitiveCount` primitives of the type take; 0 for no primitives.
// Throws std::invalid_argument for an unknown type.
std::size_t VertexCountFor(PrimitiveType type, std::uint32_t primitiveCount);

enum class ClearFlags : std::uint32_t { None = 0, Target = 1, ZBuffer = 2, Stencil = 4 };
constexpr ClearFlags operator|(ClearFlags a, ClearFlags b) {
  return static_cast<ClearFlags>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr bool HasFlag(ClearFlags set, ClearFlags flag) {
  return (static_cast<std::uint32_t>(set) & static_cast<std::uint32_t>(flag)) != 0;
}

// The outcome of the calls that can meet a lost device or a call out of order.
enum class DeviceResult { Ok, DeviceLost, DeviceNotReset, InvalidCall };

// A texture owned by whoever holds a reference: the scene holds one per face, the device one per
// stage it is bound to.
class Texture {
 public:
  virtual ~Texture() = default;
  // A short text naming the texture in logs and messages.
  virtual std::string Label() const = 0;
};

inline constexpr std::uint32_t kTextureStageCount = 8;

// The layouts of a texture image's pixels, blue first as in Direct3D 9's formats.
enum class TexelFormat : std::uint8_t {
  Bgra32,  // A8R8G8B8
  Bgrx32,  // X8R8G8B8: the fourth byte is not looked at
  Bgr24,   // R8G8B8
};

// The pixels a texture is made from: rows top first, each padded to a multiple of four bytes (as a
// bitmap keeps its rows, and as OpenGL unpacks them by default), so that a decoded picture is handed
// over without a copy. Images are decoded before they reach a device; the device never reads files.
struct TextureImage {
  int width = 0;
  int height = 0;
  TexelFormat format = TexelFormat::Bgra32;
  std::span<const std::uint8_t> pixels;
  // Keeps `pixels` alive; copies of the image share them.
  std::shared_ptr<const void> owner;

  // Bytes of one row with its padding.
  std::size_t RowBytes() const;
};

// An image of its own rows of blue, green, red and alpha.
TextureImage BgraTextureImage(int width, int height, std::vector<std::uint8_t> bgra);

// Throws std::invalid_argument unless both sides are positive and the pixels hold exactly their rows.
void CheckTextureImage(const TextureImage& image);

// What a device says of an image wider or taller than its largest texture.
std::string TextureTooLargeMessage(const std::string& label, std::uint64_t width, std::uint64_t height,
                                   int largestSide);

// The width of the indices in an index buffer.
enum class IndexFormat : std::uint32_t { Index16 = 101, Index32 = 102 };

// The bytes of one index of the format; 0 for an unknown value.
std::uint32_t IndexSize(IndexFormat format);

// Vertices or indices kept with the device between frames, as Direct3D 9's buffers are: the
// caller fills them through Lock and Unlock when they change and draws from them in every frame,
// so an unchanged scene costs no copy of its vertices. The bytes live here (a device that draws
// elsewhere copies them where it needs them when a draw finds a newer revision); any device of
// this process can draw from them.
class DeviceBuffer {
 public:
  explicit DeviceBuffer(std::uint32_t length);
  virtual ~DeviceBuffer() = default;
  DeviceBuffer(const DeviceBuffer&) = delete;
  DeviceBuffer& operator=(const DeviceBuffer&) = delete;

  // Bytes.
  std::uint32_t Length() const { return static_cast<std::uint32_t>(bytes_.size()); }
  // The bytes `offset` .. `offset + size` to write into until Unlock; a size of 0 means up to the end,
  // as in Direct3D 9. Throws std::invalid_argument for a range past the end and std::logic_error
  // when the buffer is locked already.
  std::span<std::byte> Lock(std::uint32_t offset = 0, std::uint32_t size = 0);
  // Ends the write: the revision goes up. Throws std::logic_error when the buffer is not locked.
  void Unlock();
  bool Locked() const { return locked_; }

  std::span<const std::byte> Bytes() const { return bytes_; }
  // Unique in the process; never reused.
  std::uint64_t Id() const { return id_; }
  // Counts the Unlocks.
  std::uint64_t Revision() const { return revision_; }

 protected:
  virtual void Written(std::uint32_t /*offset*/, std::uint32_t /*size*/) {}

 private:
  std::vector<std::byte> bytes_;
  std::uint64_t id_;
  std::uint64_t revision_ = 0;
  std::uint32_t lockOffset_ = 0, lockSize_ = 0;
  bool locked_ = false;
};

class VertexBuffer final : public DeviceBuffer {
 public:
  using DeviceBuffer::DeviceBuffer;
};

class IndexBuffer final : public DeviceBuffer {
 public:
  // Throws std::invalid_argument for an unknown format or a length that is not whole indices.
  IndexBuffer(std::uint32_t length, IndexFormat format);

  IndexFormat Format() const { return format_; }
  std::uint32_t Count() const { return Length() / IndexSize(format_); }
  std::uint32_t Index(std::size_t i) const;
  // The smallest and largest index in the whole buffer (0 and 0 when it holds none), kept at Unlock
  // so that a draw need not look at every index it uses.
  std::uint32_t MinIndex() const { return minIndex_; }
  std::uint32_t MaxIndex() const { return maxIndex_; }

 protected:
  void Written(std::uint32_t offset, std::uint32_t size) override;

 private:
  IndexFormat format_;
  std::uint32_t minIndex_ = 0, maxIndex_ = 0;
};

class IDevice {
 public:
  virtual ~IDevice() = default;

  // Transforms: GetTransform returns exactly what SetTransform stored last.
  virtual void SetTransform(TransformState state, const Matrix& matrix) = 0;
  virtual Matrix GetTransform(TransformState state) const = 0;

  virtual void SetViewport(const Viewport& viewport) = 0;
  virtual Viewport GetViewport() const = 0;

  // A state keeps its value until set again, also across objects drawn in between.
  virtual void SetRenderState(RenderState state, std::uint32_t value) = 0;
  virtual std::uint32_t GetRenderState(RenderState state) const = 0;
  void SetRenderState(RenderState state, Blend value) { SetRenderState(state, static_cast<std::uint32_t>(value)); }
  void SetRenderState(RenderState state, CompareFunc value) {
    SetRenderState(state, static_cast<std::uint32_t>(value));
  }
  void SetRenderState(RenderState state, Cull value) { SetRenderState(state, static_cast<std::uint32_t>(value)); }

  virtual void SetMaterial(const Material& material) = 0;
  virtual Material GetMaterial() const = 0;

  virtual void SetFVF(VertexFormat format) = 0;
  virtual VertexFormat GetFVF() const = 0;

  // The device holds a reference to a bound texture until another is bound or the device resets.
  virtual void SetTexture(std::uint32_t stage, std::shared_ptr<Texture> texture) = 0;
  virtual std::shared_ptr<Texture> GetTexture(std::uint32_t stage) const = 0;

  // A texture of the image's pixels, named `label` in logs and messages (the file it came from);
  // null when the device cannot make it. An image that CheckTextureImage refuses throws.
  virtual std::shared_ptr<Texture> CreateTexture(const TextureImage& image, const std::string& label) = 0;
  // The largest width and height of a texture the device makes.
  virtual int MaxTextureSize() const = 0;

  virtual void Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) = 0;
  virtual DeviceResult BeginScene() = 0;
  virtual DeviceResult EndScene() = 0;
  virtual DeviceResult Present() = 0;
  virtual DeviceResult TestCooperativeLevel() = 0;
  // Resizes the back buffer and puts every state back to its default, the viewport to the whole
  // back buffer, every texture stage, the stream source and the indices to empty. Buffers keep their
  // contents.
  virtual DeviceResult Reset(int backBufferWidth, int backBufferHeight) = 0;

  // Draws from the caller's memory, laid out as the current vertex format; the data is read during the
  // call only. `vertices` must hold the vertices that `primitiveCount` primitives take.
  virtual void DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                               std::uint32_t stride) = 0;
  // Indexed: every index must lie in minVertexIndex .. minVertexIndex + numVertices - 1, and
  // `vertices` (starting at vertex 0) must hold that range.
  virtual void DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                      std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                                      std::span<const std::byte> vertices, std::uint32_t stride) = 0;

  // Buffers that outlive a frame. `length` in bytes; throws std::invalid_argument for an index buffer of an
  // unknown format or a length that is not whole indices.
  virtual std::shared_ptr<VertexBuffer> CreateVertexBuffer(std::uint32_t length) = 0;
  virtual std::shared_ptr<IndexBuffer> CreateIndexBuffer(std::uint32_t length, IndexFormat format) = 0;
  // Stream 0 only: the vertices of DrawPrimitive and DrawIndexedPrimitive start `offset` bytes into
  // the buffer, `stride` bytes apart (the current vertex format's size). The device holds a reference
  // until another buffer is set, a draw from the caller's memory clears it (as in Direct3D 9),
  // or the device resets.
  virtual void SetStreamSource(std::uint32_t stream, std::shared_ptr<VertexBuffer> buffer, std::uint32_t offset,
                               std::uint32_t stride) = 0;
  virtual std::shared_ptr<VertexBuffer> GetStreamSource(std::uint32_t stream) const = 0;
  virtual void SetIndices(std::shared_ptr<IndexBuffer> buffer) = 0;
  virtual std::shared_ptr<IndexBuffer> GetIndices() const = 0;
  // Draws vertices startVertex .. of the stream source.
  virtual void DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) = 0;
  // Draws through the indices startIndex .. of the index buffer; vertex baseVertexIndex + index of the
  // stream source for each. Every index used must lie in minVertexIndex .. minVertexIndex + numVertices - 1.
  virtual void DrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                                    std::uint32_t numVertices, std::uint32_t startIndex,
                                    std::uint32_t primitiveCount) = 0;

  // The same with typed vertices (a vector, array or span of Vec3, ColoredVertex, ...).
  template <std::ranges::contiguous_range R>
  void DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, const R& vertices) {
    DrawPrimitiveUP(type, primitiveCount, AsBytes(vertices), VertexSize<R>());
  }
  template <std::ranges::contiguous_range R>
  void DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                              std::uint32_t primitiveCount, std::span<const std::uint16_t> indices, const R& vertices) {
    DrawIndexedPrimitiveUP(type, minVertexIndex, numVertices, primitiveCount, indices, AsBytes(vertices),
                           VertexSize<R>());
  }

 private:
  template <class R>
  static constexpr std::uint32_t VertexSize() {
    using V = std::ranges::range_value_t<R>;
    static_assert(std::is_trivially_copyable_v<V>, "vertices are copied as bytes");
    return static_cast<std::uint32_t>(sizeof(V));
  }
  template <class R>
  static std::span<const std::byte> AsBytes(const R& vertices) {
    return std::as_bytes(std::span(std::ranges::data(vertices), std::ranges::size(vertices)));
  }
};

// Every value a device holds that can be read back, apart from the texture bindings.
struct StateBlock {
  Matrix world, view, projection;
  Viewport viewport;
  std::array<std::uint32_t, kRenderStateCount> renderStates{};
  Material material;
  VertexFormat vertexFormat = VertexFormat::None;

  std::uint32_t RenderStateValue(RenderState state) const { return renderStates.at(static_cast<std::size_t>(state)); }
  bool operator==(const StateBlock&) const = default;
};

// The defaults a new or reset device starts with: identity transforms, the whole back buffer as viewport,
// depth test and writes on with less-or-equal, lighting on, blending off (one, zero), counter-clockwise
// culling, point size 1, no ambient light, a zero material and no vertex format.
StateBlock DefaultStateBlock(int backBufferWidth, int backBufferHeight);

// The CPU-side state every device shares. Setters validate and store, then tell the concrete device
// through the protected hooks; getters answer from the store alone, so Get after Set is exact whatever
// the device does with the value. Draw calls are checked against the vertex format and the lengths of
// the data before a concrete device sees them, so no implementation reads past what it was given.
// Invalid arguments throw std::invalid_argument (std::out_of_range for a texture stage).
class DeviceState : public IDevice {
 public:
  DeviceState(int backBufferWidth, int backBufferHeight);

  using IDevice::DrawIndexedPrimitiveUP;
  using IDevice::DrawPrimitiveUP;
  using IDevice::SetRenderState;

  void SetTransform(TransformState state, const Matrix& matrix) final;
  Matrix GetTransform(TransformState state) const final;
  void SetViewport(const Viewport& viewport) final;
  Viewport GetViewport() const final;
  void SetRenderState(RenderState state, std::uint32_t value) final;
  std::uint32_t GetRenderState(RenderState state) const final;
  void SetMaterial(const Material& material) final;
  Material GetMaterial() const final;
  void SetFVF(VertexFormat format) final;
  VertexFormat GetFVF() const final;
  void SetTexture(std::uint32_t stage, std::shared_ptr<Texture> texture) final;
  std::shared_ptr<Texture> GetTexture(std::uint32_t stage) const final;
  DeviceResult Reset(int backBufferWidth, int backBufferHeight) final;

  void DrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                       std::uint32_t stride) final;
  void DrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                              std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                              std::span<const std::byte> vertices, std::uint32_t stride) final;

  std::shared_ptr<VertexBuffer> CreateVertexBuffer(std::uint32_t length) final;
  std::shared_ptr<IndexBuffer> CreateIndexBuffer(std::uint32_t length, IndexFormat format) final;
  void SetStreamSource(std::uint32_t stream, std::shared_ptr<VertexBuffer> buffer, std::uint32_t offset,
                       std::uint32_t stride) final;
  std::shared_ptr<VertexBuffer> GetStreamSource(std::uint32_t stream) const final;
  void SetIndices(std::shared_ptr<IndexBuffer> buffer) final;
  std::shared_ptr<IndexBuffer> GetIndices() const final;
  void DrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) final;
  void DrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                            std::uint32_t numVertices, std::uint32_t startIndex, std::uint32_t primitiveCount) final;

  const StateBlock& State() const { return state_; }
  // The stream source's offset and stride as last set.
  std::uint32_t StreamOffset() const { return streamOffset_; }
  std::uint32_t StreamStride() const { return streamStride_; }
  int BackBufferWidth() const { return backBufferWidth_; }
  int BackBufferHeight() const { return backBufferHeight_; }

 protected:
  // Told after the new value is stored; read it with the getters.
  virtual void TransformChanged(TransformState) {}
  virtual void ViewportChanged() {}
  virtual void RenderStateChanged(RenderState) {}
  virtual void MaterialChanged() {}
  virtual void VertexFormatChanged() {}
  virtual void TextureChanged(std::uint32_t /*stage*/) {}
  virtual void StreamSourceChanged() {}
  virtual void IndicesChanged() {}

  // Asked first; only on Ok does the state go back to its defaults.
  virtual DeviceResult DoReset(int backBufferWidth, int backBufferHeight) = 0;

  // Handed checked data: `vertices` holds exactly the vertices the primitives take (indexed: vertices
  // 0 .. minVertexIndex + numVertices - 1), `indices` exactly the indices, and every index is in range.
  virtual void DoDrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                                 std::uint32_t stride) = 0;
  virtual void DoDrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                        std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                                        std::span<const std::byte> vertices, std::uint32_t stride) = 0;
  // Handed checked draws from the buffers set: the stream source holds the vertices used (indexed:
  // vertices baseVertexIndex + minVertexIndex .. + numVertices), the index buffer the indices, and every
  // index used lies in its declared range. Neither buffer is locked.
  virtual void DoDrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) = 0;
  virtual void DoDrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                                      std::uint32_t numVertices, std::uint32_t startIndex,
                                      std::uint32_t primitiveCount) = 0;

 private:
  void CheckStride(std::uint32_t stride) const;
  // After a draw from the caller's memory Direct3D 9 forgets stream 0 and the indices.
  void ForgetBuffers();

  StateBlock state_;
  std::array<std::shared_ptr<Texture>, kTextureStageCount> textures_;
  std::shared_ptr<VertexBuffer> streamSource_;
  std::uint32_t streamOffset_ = 0, streamStride_ = 0;
  std::shared_ptr<IndexBuffer> indices_;
  int backBufferWidth_;
  int backBufferHeight_;
};

// A frame's scene: BeginScene now, EndScene however the drawing between ends. Draw only when it
// began.
class TSceneScope {
 public:
  explicit TSceneScope(IDevice& device) : device_(device), begun_(device.BeginScene() == DeviceResult::Ok) {}
  ~TSceneScope() { device_.EndScene(); }
  TSceneScope(const TSceneScope&) = delete;
  TSceneScope& operator=(const TSceneScope&) = delete;
  bool Begun() const { return begun_; }

 private:
  IDevice& device_;
  bool begun_;
};

// Names for logs and messages: "WORLD", "ZFUNC", "SRCALPHA", "LESSEQUAL", "XYZ|DIFFUSE", "LINESTRIP"...
std::string TransformStateName(TransformState state);
std::string RenderStateName(RenderState state);
std::string VertexFormatName(VertexFormat format);
std::string PrimitiveTypeName(PrimitiveType type);
std::string DeviceResultName(DeviceResult result);
// A render-state value as text: blend, compare and cull values by name, the point size as a number,
// the ambient colour in hex, the switches as 0 or 1.
std::string RenderStateValueText(RenderState state, std::uint32_t value);
// "0xAARRGGBB" in upper-case hex.
std::string ArgbText(ArgbColor color);
// The shortest text that reads back as the same single, with "." whatever the locale.
std::string FloatText(float value);

}  // namespace vrel
