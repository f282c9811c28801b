#pragma once

// A device that draws nothing and remembers everything: each call becomes a structured record (with a
// one-line text form), draw records keep copies of their vertices and indices and the state they were
// drawn with, so tests of the drawing code check what would have reached the screen.

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/Device.h"

namespace vrel {

// A texture made by the recording device; ids count from 1 per device.
class RecordedTexture : public Texture {
 public:
  RecordedTexture(std::uint32_t id, std::string source) : id_(id), source_(std::move(source)) {}
  std::uint32_t Id() const { return id_; }
  // The label it was made with (the file name of a face image).
  const std::string& Source() const { return source_; }
  std::string Label() const override;

 private:
  std::uint32_t id_;
  std::string source_;
};

struct SetTransformCall {
  TransformState state{};
  Matrix matrix;
};
struct SetViewportCall {
  Viewport viewport;
};
struct SetRenderStateCall {
  RenderState state{};
  std::uint32_t value = 0;
};
struct SetMaterialCall {
  Material material;
};
struct SetFVFCall {
  VertexFormat format{};
};
struct SetTextureCall {
  std::uint32_t stage = 0;
  std::uint32_t textureId = 0;  // 0: none, or a texture this device did not make
  std::string label;            // empty for none
};
struct CreateTextureCall {
  std::string source;  // the label
  int width = 0, height = 0;
  std::uint32_t textureId = 0;  // 0: the load failed
};
struct ClearCall {
  ClearFlags flags{};
  ArgbColor color = 0;
  float z = 0;
  std::uint32_t stencil = 0;
};
struct BeginSceneCall {
  DeviceResult result{};
};
struct EndSceneCall {
  DeviceResult result{};
};
struct PresentCall {
  DeviceResult result{};
};
struct TestCooperativeLevelCall {
  DeviceResult result{};
};
struct ResetCall {
  int width = 0, height = 0;
  DeviceResult result{};
};

struct SetStreamSourceCall {
  std::uint64_t bufferId = 0;  // 0: none
  std::uint32_t offset = 0, stride = 0;
};
struct SetIndicesCall {
  std::uint64_t bufferId = 0;  // 0: none
};

// A draw from the caller's memory (DrawPrimitiveUP, DrawIndexedPrimitiveUP) or from the buffers set
// (DrawPrimitive, DrawIndexedPrimitive).
struct DrawCall {
  bool indexed = false;
  bool fromBuffers = false;
  PrimitiveType type{};
  std::uint32_t primitiveCount = 0;
  std::uint32_t minVertexIndex = 0;  // indexed only
  std::uint32_t numVertices = 0;     // indexed only
  std::uint32_t startVertex = 0;     // DrawPrimitive only
  std::int32_t baseVertexIndex = 0;  // DrawIndexedPrimitive only
  std::uint32_t startIndex = 0;      // DrawIndexedPrimitive only
  // The buffers drawn from and their revisions at the draw; 0 for none.
  std::uint64_t vertexBufferId = 0, vertexBufferRevision = 0;
  std::uint64_t indexBufferId = 0, indexBufferRevision = 0;
  std::uint32_t stride = 0;
  // The vertices the call used: from its first vertex on; indexed, from the vertex that index 0 names,
  // so the indices index this copy (vertices before the declared range are zero).
  std::vector<std::byte> vertices;
  std::vector<std::uint32_t> indices;                          // the indices the call used
  StateBlock state;                                            // everything in effect at the call
  std::array<std::uint32_t, kTextureStageCount> textureIds{};  // per stage, 0 for none

  std::size_t VertexCount() const { return stride == 0 ? 0 : vertices.size() / stride; }
  // The position (the first three singles) of copied vertex i; throws std::out_of_range.
  Vec3 Position(std::size_t i) const;
  std::vector<Vec3> Positions() const;
  // The positions in the order drawn: through the indices for an indexed call.
  std::vector<Vec3> DrawnPositions() const;
  // The copied vertices as V; throws std::invalid_argument when V is not the stride's size.
  template <class V>
  std::vector<V> VerticesAs() const {
    static_assert(std::is_trivially_copyable_v<V>);
    if (sizeof(V) != stride)
      throw std::invalid_argument("vertex type does not match the recorded stride");
    std::vector<V> out(VertexCount());
    if (!out.empty())
      std::memcpy(out.data(), vertices.data(), out.size() * sizeof(V));
    return out;
  }
};

using DeviceCall = std::variant<SetTransformCall, SetViewportCall, SetRenderStateCall, SetMaterialCall, SetFVFCall,
                                SetTextureCall, CreateTextureCall, ClearCall, BeginSceneCall, EndSceneCall, PresentCall,
                                TestCooperativeLevelCall, ResetCall, SetStreamSourceCall, SetIndicesCall, DrawCall>;

// One line, e.g. "SetRenderState ZFUNC LESS", "DrawIndexedPrimitiveUP LINESTRIP 4 XYZ vertices 0+4 indices 0 1 2 3
// 0" or "DrawIndexedPrimitive LINELIST 2 XYZ base 0 vertices 0+8 indices 6+4: 0 1 1 2".
std::string DescribeCall(const DeviceCall& call);

class RecordingDevice : public DeviceState {
 public:
  explicit RecordingDevice(int backBufferWidth = 640, int backBufferHeight = 480);

  std::shared_ptr<Texture> CreateTexture(const TextureImage& image, const std::string& label) override;
  // What common displays take: 16384.
  int MaxTextureSize() const override { return 16384; }
  void Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) override;
  // A second BeginScene before EndScene, or EndScene outside a scene, answers InvalidCall.
  DeviceResult BeginScene() override;
  DeviceResult EndScene() override;
  DeviceResult Present() override;
  DeviceResult TestCooperativeLevel() override;

  const std::vector<DeviceCall>& Calls() const { return calls_; }
  template <class T>
  std::vector<const T*> CallsOf() const {
    std::vector<const T*> out;
    for (const auto& call : calls_) {
      if (const T* p = std::get_if<T>(&call))
        out.push_back(p);
    }
    return out;
  }
  std::vector<const DrawCall*> Draws() const { return CallsOf<DrawCall>(); }
  std::vector<std::string> LogLines() const;
  std::string LogText() const;  // the lines, each ended by "\n"
  void ClearLog() { calls_.clear(); }
  bool InScene() const { return inScene_; }

  // The device's condition, as a lost device goes through it: Ok; DeviceLost (Present and
  // TestCooperativeLevel answer DeviceLost, Reset fails); DeviceNotReset (Present answers DeviceLost,
  // TestCooperativeLevel DeviceNotReset, and Reset succeeds and makes the device Ok again).
  // InvalidCall is no condition and throws std::invalid_argument.
  void SetCondition(DeviceResult condition);
  DeviceResult Condition() const { return condition_; }

  // Decides from the label whether making a texture succeeds; every one succeeds without a filter.
  void SetTextureLoadFilter(std::function<bool(const std::string& source)> filter) { loadFilter_ = std::move(filter); }

 protected:
  void TransformChanged(TransformState state) override;
  void ViewportChanged() override;
  void RenderStateChanged(RenderState state) override;
  void MaterialChanged() override;
  void VertexFormatChanged() override;
  void TextureChanged(std::uint32_t stage) override;
  void StreamSourceChanged() override;
  void IndicesChanged() override;
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
  // A draw record with the state in effect.
  DrawCall SnapshotDraw(PrimitiveType type, std::uint32_t primitiveCount, std::uint32_t stride) const;

  std::vector<DeviceCall> calls_;
  std::uint32_t nextTextureId_ = 1;
  bool inScene_ = false;
  DeviceResult condition_ = DeviceResult::Ok;
  std::function<bool(const std::string&)> loadFilter_;
};

}  // namespace vrel
