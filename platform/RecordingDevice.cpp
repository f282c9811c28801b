#include "platform/RecordingDevice.h"

namespace vrel {

namespace {

std::string ColorText(const ColorValue& c) {
  return FloatText(c.r) + " " + FloatText(c.g) + " " + FloatText(c.b) + " " + FloatText(c.a);
}

std::string MatrixText(const Matrix& m) {
  std::string text = "[";
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      text += FloatText(m.m[r][c]);
      if (c < 3)
        text += ' ';
    }
    text += r < 3 ? "; " : "]";
  }
  return text;
}

std::string ClearFlagsText(ClearFlags flags) {
  std::string text;
  auto add = [&text](const char* name) { text += text.empty() ? name : std::string("|") + name; };
  if (HasFlag(flags, ClearFlags::Target))
    add("TARGET");
  if (HasFlag(flags, ClearFlags::ZBuffer))
    add("ZBUFFER");
  if (HasFlag(flags, ClearFlags::Stencil))
    add("STENCIL");
  return text.empty() ? "NONE" : text;
}

struct Describer {
  std::string operator()(const SetTransformCall& c) const {
    return "SetTransform " + TransformStateName(c.state) + " " + MatrixText(c.matrix);
  }
  std::string operator()(const SetViewportCall& c) const {
    const Viewport& v = c.viewport;
    return "SetViewport " + std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.width) + " " +
           std::to_string(v.height) + " " + FloatText(v.minZ) + " " + FloatText(v.maxZ);
  }
  std::string operator()(const SetRenderStateCall& c) const {
    return "SetRenderState " + RenderStateName(c.state) + " " + RenderStateValueText(c.state, c.value);
  }
  std::string operator()(const SetMaterialCall& c) const {
    const Material& m = c.material;
    return "SetMaterial diffuse " + ColorText(m.diffuse) + " ambient " + ColorText(m.ambient) + " specular " +
           ColorText(m.specular) + " emissive " + ColorText(m.emissive) + " power " + FloatText(m.power);
  }
  std::string operator()(const SetFVFCall& c) const { return "SetFVF " + VertexFormatName(c.format); }
  std::string operator()(const SetTextureCall& c) const {
    return "SetTexture " + std::to_string(c.stage) + " " + (c.label.empty() ? std::string("null") : c.label);
  }
  std::string operator()(const CreateTextureCall& c) const {
    return "CreateTexture " + c.source + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " -> " +
           (c.textureId == 0 ? std::string("failed") : "#" + std::to_string(c.textureId));
  }
  std::string operator()(const ClearCall& c) const {
    return "Clear " + ClearFlagsText(c.flags) + " " + ArgbText(c.color) + " " + FloatText(c.z) + " " +
           std::to_string(c.stencil);
  }
  std::string operator()(const BeginSceneCall& c) const { return "BeginScene -> " + DeviceResultName(c.result); }
  std::string operator()(const EndSceneCall& c) const { return "EndScene -> " + DeviceResultName(c.result); }
  std::string operator()(const PresentCall& c) const { return "Present -> " + DeviceResultName(c.result); }
  std::string operator()(const TestCooperativeLevelCall& c) const {
    return "TestCooperativeLevel -> " + DeviceResultName(c.result);
  }
  std::string operator()(const ResetCall& c) const {
    return "Reset " + std::to_string(c.width) + " " + std::to_string(c.height) + " -> " + DeviceResultName(c.result);
  }
  std::string operator()(const SetStreamSourceCall& c) const {
    if (c.bufferId == 0)
      return "SetStreamSource 0 null";
    return "SetStreamSource 0 buffer#" + std::to_string(c.bufferId) + " " + std::to_string(c.offset) + " " +
           std::to_string(c.stride);
  }
  std::string operator()(const SetIndicesCall& c) const {
    return c.bufferId == 0 ? "SetIndices null" : "SetIndices buffer#" + std::to_string(c.bufferId);
  }
  std::string operator()(const DrawCall& c) const {
    std::string text = c.indexed ? "DrawIndexedPrimitive" : "DrawPrimitive";
    if (!c.fromBuffers)
      text += "UP";
    text += " " + PrimitiveTypeName(c.type) + " " + std::to_string(c.primitiveCount) + " " +
            VertexFormatName(c.state.vertexFormat);
    if (c.fromBuffers && !c.indexed)
      text += " start " + std::to_string(c.startVertex);
    if (c.fromBuffers && c.indexed)
      text += " base " + std::to_string(c.baseVertexIndex);
    if (c.indexed) {
      text += " vertices " + std::to_string(c.minVertexIndex) + "+" + std::to_string(c.numVertices) + " indices";
      if (c.fromBuffers)
        text += " " + std::to_string(c.startIndex) + "+" + std::to_string(c.indices.size()) + ":";
      for (std::uint32_t index : c.indices)
        text += " " + std::to_string(index);
    }
    return text;
  }
};

}  // namespace

std::string RecordedTexture::Label() const {
  return "#" + std::to_string(id_) + " " + source_;
}

// ---- DrawCall ------------------------------------------------------------------------------------

Vec3 DrawCall::Position(std::size_t i) const {
  if (stride < sizeof(Vec3) || i >= VertexCount())
    throw std::out_of_range("no recorded vertex " + std::to_string(i));
  Vec3 p;
  std::memcpy(&p, vertices.data() + i * stride, sizeof p);
  return p;
}

std::vector<Vec3> DrawCall::Positions() const {
  std::vector<Vec3> out;
  out.reserve(VertexCount());
  for (std::size_t i = 0; i < VertexCount(); ++i)
    out.push_back(Position(i));
  return out;
}

std::vector<Vec3> DrawCall::DrawnPositions() const {
  if (!indexed)
    return Positions();
  std::vector<Vec3> out;
  out.reserve(indices.size());
  for (std::uint32_t index : indices)
    out.push_back(Position(index));
  return out;
}

std::string DescribeCall(const DeviceCall& call) {
  return std::visit(Describer{}, call);
}

// ---- RecordingDevice -----------------------------------------------------------------------------

RecordingDevice::RecordingDevice(int backBufferWidth, int backBufferHeight)
    : DeviceState(backBufferWidth, backBufferHeight) {}

void RecordingDevice::SetCondition(DeviceResult condition) {
  if (condition == DeviceResult::InvalidCall)
    throw std::invalid_argument("InvalidCall is not a device condition");
  condition_ = condition;
}

std::shared_ptr<Texture> RecordingDevice::CreateTexture(const TextureImage& image, const std::string& label) {
  CheckTextureImage(image);
  std::shared_ptr<RecordedTexture> texture;
  if (!loadFilter_ || loadFilter_(label))
    texture = std::make_shared<RecordedTexture>(nextTextureId_++, label);
  calls_.push_back(CreateTextureCall{label, image.width, image.height, texture ? texture->Id() : 0});
  return texture;
}

void RecordingDevice::Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) {
  calls_.push_back(ClearCall{flags, color, z, stencil});
}

DeviceResult RecordingDevice::BeginScene() {
  const DeviceResult result = inScene_ ? DeviceResult::InvalidCall : DeviceResult::Ok;
  inScene_ = true;
  calls_.push_back(BeginSceneCall{result});
  return result;
}

DeviceResult RecordingDevice::EndScene() {
  const DeviceResult result = inScene_ ? DeviceResult::Ok : DeviceResult::InvalidCall;
  inScene_ = false;
  calls_.push_back(EndSceneCall{result});
  return result;
}

DeviceResult RecordingDevice::Present() {
  const DeviceResult result = condition_ == DeviceResult::Ok ? DeviceResult::Ok : DeviceResult::DeviceLost;
  calls_.push_back(PresentCall{result});
  return result;
}

DeviceResult RecordingDevice::TestCooperativeLevel() {
  calls_.push_back(TestCooperativeLevelCall{condition_});
  return condition_;
}

DeviceResult RecordingDevice::DoReset(int backBufferWidth, int backBufferHeight) {
  const DeviceResult result = condition_ == DeviceResult::DeviceLost ? DeviceResult::DeviceLost : DeviceResult::Ok;
  if (result == DeviceResult::Ok) {
    condition_ = DeviceResult::Ok;
    inScene_ = false;
  }
  calls_.push_back(ResetCall{backBufferWidth, backBufferHeight, result});
  return result;
}

void RecordingDevice::TransformChanged(TransformState state) {
  calls_.push_back(SetTransformCall{state, GetTransform(state)});
}

void RecordingDevice::ViewportChanged() {
  calls_.push_back(SetViewportCall{GetViewport()});
}

void RecordingDevice::RenderStateChanged(RenderState state) {
  calls_.push_back(SetRenderStateCall{state, GetRenderState(state)});
}

void RecordingDevice::MaterialChanged() {
  calls_.push_back(SetMaterialCall{GetMaterial()});
}

void RecordingDevice::VertexFormatChanged() {
  calls_.push_back(SetFVFCall{GetFVF()});
}

void RecordingDevice::StreamSourceChanged() {
  const auto buffer = GetStreamSource(0);
  calls_.push_back(SetStreamSourceCall{buffer ? buffer->Id() : 0, StreamOffset(), StreamStride()});
}

void RecordingDevice::IndicesChanged() {
  const auto buffer = GetIndices();
  calls_.push_back(SetIndicesCall{buffer ? buffer->Id() : 0});
}

void RecordingDevice::TextureChanged(std::uint32_t stage) {
  SetTextureCall call{stage, 0, {}};
  if (const auto texture = GetTexture(stage)) {
    if (const auto* recorded = dynamic_cast<const RecordedTexture*>(texture.get()))
      call.textureId = recorded->Id();
    call.label = texture->Label();
  }
  calls_.push_back(std::move(call));
}

DrawCall RecordingDevice::SnapshotDraw(PrimitiveType type, std::uint32_t primitiveCount, std::uint32_t stride) const {
  DrawCall draw;
  draw.type = type;
  draw.primitiveCount = primitiveCount;
  draw.stride = stride;
  draw.state = State();
  for (std::uint32_t stage = 0; stage < kTextureStageCount; ++stage) {
    const auto texture = GetTexture(stage);
    if (const auto* recorded = dynamic_cast<const RecordedTexture*>(texture.get()))
      draw.textureIds[stage] = recorded->Id();
  }
  return draw;
}

void RecordingDevice::DoDrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount,
                                        std::span<const std::byte> vertices, std::uint32_t stride) {
  DrawCall draw = SnapshotDraw(type, primitiveCount, stride);
  draw.vertices.assign(vertices.begin(), vertices.end());
  calls_.push_back(std::move(draw));
}

void RecordingDevice::DoDrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex,
                                               std::uint32_t numVertices, std::uint32_t primitiveCount,
                                               std::span<const std::uint16_t> indices,
                                               std::span<const std::byte> vertices, std::uint32_t stride) {
  DrawCall draw = SnapshotDraw(type, primitiveCount, stride);
  draw.indexed = true;
  draw.minVertexIndex = minVertexIndex;
  draw.numVertices = numVertices;
  draw.vertices.assign(vertices.begin(), vertices.end());
  draw.indices.assign(indices.begin(), indices.end());
  calls_.push_back(std::move(draw));
}

void RecordingDevice::DoDrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
  DrawCall draw = SnapshotDraw(type, primitiveCount, StreamStride());
  draw.fromBuffers = true;
  draw.startVertex = startVertex;
  const VertexBuffer& buffer = *GetStreamSource(0);
  draw.vertexBufferId = buffer.Id();
  draw.vertexBufferRevision = buffer.Revision();
  const std::size_t count = VertexCountFor(type, primitiveCount);
  const auto used =
      buffer.Bytes().subspan(StreamOffset() + std::size_t{startVertex} * draw.stride, count * draw.stride);
  draw.vertices.assign(used.begin(), used.end());
  calls_.push_back(std::move(draw));
}

void RecordingDevice::DoDrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex,
                                             std::uint32_t minVertexIndex, std::uint32_t numVertices,
                                             std::uint32_t startIndex, std::uint32_t primitiveCount) {
  DrawCall draw = SnapshotDraw(type, primitiveCount, StreamStride());
  draw.fromBuffers = true;
  draw.indexed = true;
  draw.baseVertexIndex = baseVertexIndex;
  draw.minVertexIndex = minVertexIndex;
  draw.numVertices = numVertices;
  draw.startIndex = startIndex;
  const VertexBuffer& vertices = *GetStreamSource(0);
  const IndexBuffer& indices = *GetIndices();
  draw.vertexBufferId = vertices.Id();
  draw.vertexBufferRevision = vertices.Revision();
  draw.indexBufferId = indices.Id();
  draw.indexBufferRevision = indices.Revision();
  const std::size_t first =
      StreamOffset() + static_cast<std::size_t>(baseVertexIndex + std::int64_t{minVertexIndex}) * draw.stride;
  const auto used = vertices.Bytes().subspan(first, std::size_t{numVertices} * draw.stride);
  draw.vertices.assign(std::size_t{minVertexIndex} * draw.stride, std::byte{0});
  draw.vertices.insert(draw.vertices.end(), used.begin(), used.end());
  const std::size_t count = VertexCountFor(type, primitiveCount);
  for (std::size_t i = startIndex; i < startIndex + count; ++i)
    draw.indices.push_back(indices.Index(i));
  calls_.push_back(std::move(draw));
}

std::vector<std::string> RecordingDevice::LogLines() const {
  std::vector<std::string> lines;
  lines.reserve(calls_.size());
  for (const auto& call : calls_)
    lines.push_back(DescribeCall(call));
  return lines;
}

std::string RecordingDevice::LogText() const {
  std::string text;
  for (const auto& call : calls_)
    text += DescribeCall(call) + "\n";
  return text;
}

}  // namespace vrel
