#include "platform/qt/GLDevice.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLShaderProgram>
#include <QOpenGLVersionFunctionsFactory>
#include <QPointer>
#include <QString>
#include <QSurfaceFormat>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vrel {

static_assert(std::endian::native == std::endian::little, "vertex colours are read as B, G, R, A bytes");

struct GLTexture::Shelf {
  QPointer<QOpenGLContext> context;
  // Names whose last reference went while no context of the share group was current.
  std::vector<GLuint> doomed;
};

GLTexture::GLTexture(std::shared_ptr<Shelf> shelf, unsigned name, int width, int height, std::string label)
    : shelf_(std::move(shelf)), name_(name), width_(width), height_(height), label_(std::move(label)) {}

GLTexture::~GLTexture() {
  if (!shelf_ || name_ == 0 || !shelf_->context)
    return;  // a destroyed context took its textures along
  QOpenGLContext* current = QOpenGLContext::currentContext();
  if (current != nullptr && QOpenGLContext::areSharing(current, shelf_->context)) {
    const GLuint name = name_;
    current->functions()->glDeleteTextures(1, &name);
  } else {
    shelf_->doomed.push_back(name_);
  }
}

namespace {

// Values of OpenGL 4.5 that a 3.3 header set may lack.
constexpr GLenum kLowerLeft = 0x8CA1;
constexpr GLenum kNegativeOneToOne = 0x935E;
constexpr GLenum kZeroToOne = 0x935F;
using ClipControlFunction = void(QOPENGLF_APIENTRYP)(GLenum origin, GLenum depth);

// Points are clamped to Direct3D 9's default minimum and maximum point size.
constexpr float kMinPointSize = 1.0f;
constexpr float kMaxPointSize = 64.0f;

// How far short of half a pixel the device shifts everything, in pixels: more than the coarsest
// sub-pixel grid GL allows (1/16), too little to see.
constexpr float kTieBreak = 1.0f / 32.0f;

// Queued vertices beyond which the queue goes to GL before taking more.
constexpr std::size_t kQueueVertexLimit = std::size_t{1} << 20;

// The one layout every draw is converted to: a clip-space (or model-space) position, the final vertex
// colour with lighting applied, and texture coordinates.
struct GLVertex {
  float x, y, z, w;
  float r, g, b, a;
  float u, v;
};
static_assert(sizeof(GLVertex) == 40);

enum class Kind : std::uint8_t { Points, Lines, Triangles };

// Everything GL needs to know to draw a run of primitives. Values that cannot change the picture of the
// run's kind are left at zero, so that draws differing only there merge.
struct DrawKey {
  Kind kind = Kind::Points;
  Matrix transform;  // world x view x projection; identity for pre-transformed vertices
  Viewport viewport;
  int backBufferHeight = 0;
  bool depthTest = false;
  bool depthWrite = false;
  std::uint32_t depthFunc = 0;
  bool blend = false;
  std::uint32_t srcBlend = 0, destBlend = 0;
  std::uint32_t cull = 0;  // triangles only
  float pointSize = 0;     // points only
  const GLTexture* texture = nullptr;

  bool operator==(const DrawKey&) const = default;
};

// A draw from the caller's buffers: GL reads them from copies the device keeps in step.
struct BufferSource {
  std::shared_ptr<const VertexBuffer> vertices;  // keep the buffers alive until the draw has gone to GL
  std::shared_ptr<const IndexBuffer> indices;    // null for DrawPrimitive
  VertexFormat format = VertexFormat::None;
  std::uint32_t offset = 0, stride = 0;
  GLenum mode = GL_POINTS;
  std::int32_t first = 0;  // DrawPrimitive: the start vertex; indexed: the base vertex
  std::uint32_t startIndex = 0;
  std::size_t count = 0;  // vertices or indices
  bool lit = false;       // colour = litColor with the vertex's (or the material's) alpha
  std::array<float, 3> litColor{};
  std::array<float, 4> constantColor{1, 1, 1, 1};  // for layouts without a vertex colour
  // Set when every vertex takes this one colour: the draw goes through the plain program.
  std::optional<std::array<float, 4>> plainColor;
};

struct QueuedDraw {
  DrawKey key;
  std::shared_ptr<GLTexture> texture;  // keeps the texture alive until the draw has gone to GL
  std::size_t firstIndex = 0;
  std::size_t indexCount = 0;
  std::size_t firstVertex = 0;
  std::size_t vertexCount = 0;
  std::optional<BufferSource> buffers;
};

// GL's copy of a caller's buffer.
struct GLBufferCopy {
  std::weak_ptr<const DeviceBuffer> buffer;
  GLuint name = 0;
  std::uint64_t revision = 0;
  std::uint32_t length = 0;
};

GLenum GLModeOf(PrimitiveType type) {
  switch (type) {
    case PrimitiveType::PointList:
      return GL_POINTS;
    case PrimitiveType::LineList:
      return GL_LINES;
    case PrimitiveType::LineStrip:
      return GL_LINE_STRIP;
    case PrimitiveType::TriangleList:
      return GL_TRIANGLES;
    case PrimitiveType::TriangleStrip:
      return GL_TRIANGLE_STRIP;
    case PrimitiveType::TriangleFan:
      return GL_TRIANGLE_FAN;
  }
  throw std::invalid_argument("unknown primitive type");
}

GLenum GLBlend(std::uint32_t blend) {
  switch (static_cast<Blend>(blend)) {
    case Blend::Zero:
      return GL_ZERO;
    case Blend::One:
      return GL_ONE;
    case Blend::SrcColor:
      return GL_SRC_COLOR;
    case Blend::InvSrcColor:
      return GL_ONE_MINUS_SRC_COLOR;
    case Blend::SrcAlpha:
      return GL_SRC_ALPHA;
    case Blend::InvSrcAlpha:
      return GL_ONE_MINUS_SRC_ALPHA;
    case Blend::DestAlpha:
      return GL_DST_ALPHA;
    case Blend::InvDestAlpha:
      return GL_ONE_MINUS_DST_ALPHA;
    case Blend::DestColor:
      return GL_DST_COLOR;
    case Blend::InvDestColor:
      return GL_ONE_MINUS_DST_COLOR;
  }
  return GL_ONE;
}

GLenum GLCompare(std::uint32_t func) {
  switch (static_cast<CompareFunc>(func)) {
    case CompareFunc::Never:
      return GL_NEVER;
    case CompareFunc::Less:
      return GL_LESS;
    case CompareFunc::Equal:
      return GL_EQUAL;
    case CompareFunc::LessEqual:
      return GL_LEQUAL;
    case CompareFunc::Greater:
      return GL_GREATER;
    case CompareFunc::NotEqual:
      return GL_NOTEQUAL;
    case CompareFunc::GreaterEqual:
      return GL_GEQUAL;
    case CompareFunc::Always:
      return GL_ALWAYS;
  }
  return GL_LEQUAL;
}

GLenum GLMode(Kind kind) {
  switch (kind) {
    case Kind::Points:
      return GL_POINTS;
    case Kind::Lines:
      return GL_LINES;
    case Kind::Triangles:
      return GL_TRIANGLES;
  }
  return GL_POINTS;
}

Kind KindOf(PrimitiveType type) {
  switch (type) {
    case PrimitiveType::PointList:
      return Kind::Points;
    case PrimitiveType::LineList:
    case PrimitiveType::LineStrip:
      return Kind::Lines;
    case PrimitiveType::TriangleList:
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan:
      return Kind::Triangles;
  }
  throw std::invalid_argument("unknown primitive type");
}

std::array<float, 4> ArgbToFloats(ArgbColor c) {
  return {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
          float(c >> 24) / 255.0f};
}

float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

// The colour of lit geometry with no lights: the emissive colour plus the material's share of the
// ambient light.
std::array<float, 3> LitColor(const StateBlock& state) {
  const Material& material = state.material;
  const auto ambient = ArgbToFloats(state.RenderStateValue(RenderState::Ambient));
  return {Clamp01(material.emissive.r + material.ambient.r * ambient[0]),
          Clamp01(material.emissive.g + material.ambient.g * ambient[1]),
          Clamp01(material.emissive.b + material.ambient.b * ambient[2])};
}

template <class V>
V ReadVertex(std::span<const std::byte> vertices, std::size_t i) {
  V v;
  std::memcpy(&v, vertices.data() + i * sizeof(V), sizeof(V));
  return v;
}

// The indices that `primitiveCount` primitives take once strips and fans are made lists.
std::size_t ListIndexCount(PrimitiveType type, std::uint32_t primitiveCount) {
  switch (KindOf(type)) {
    case Kind::Points:
      return primitiveCount;
    case Kind::Lines:
      return 2 * std::size_t{primitiveCount};
    case Kind::Triangles:
      return 3 * std::size_t{primitiveCount};
  }
  return 0;
}

// The primitives of a list, strip or fan as separate points, lines or triangles, so that runs of
// any of them can be joined. Odd triangles of a strip swap their first two corners: every triangle
// keeps the winding of the first, which is what culling sees.
void AppendListIndices(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::uint32_t> source,
                       std::uint32_t base, std::vector<std::uint32_t>& out) {
  const auto at = [&](std::size_t i) { return base + source[i]; };
  const std::size_t n = primitiveCount;
  switch (type) {
    case PrimitiveType::PointList:
    case PrimitiveType::LineList:
    case PrimitiveType::TriangleList:
      for (std::size_t i = 0; i < source.size(); ++i)
        out.push_back(at(i));
      break;
    case PrimitiveType::LineStrip:
      for (std::size_t i = 0; i < n; ++i) {
        out.push_back(at(i));
        out.push_back(at(i + 1));
      }
      break;
    case PrimitiveType::TriangleStrip:
      for (std::size_t i = 0; i < n; ++i) {
        const bool odd = (i & 1) != 0;
        out.push_back(at(odd ? i + 1 : i));
        out.push_back(at(odd ? i : i + 1));
        out.push_back(at(i + 2));
      }
      break;
    case PrimitiveType::TriangleFan:
      for (std::size_t i = 0; i < n; ++i) {
        out.push_back(at(0));
        out.push_back(at(i + 1));
        out.push_back(at(i + 2));
      }
      break;
  }
}

// The position both programs compute: the transform, the shift to Direct3D 9's pixel centres
// and the depth range.
const std::string kPositionShader = R"(#version 330 core
layout(location = 0) in vec4 a_position;
uniform mat4 u_transform;
uniform vec2 u_halfPixel;  // half a pixel right and down, in normalised device units
uniform vec2 u_depthMap;   // clip z = z * x + w * y
uniform float u_pointSize;
void SetPosition() {
  vec4 p = u_transform * a_position;
  p.xy += u_halfPixel * p.w;
  p.z = p.z * u_depthMap.x + p.w * u_depthMap.y;
  gl_Position = p;
  gl_PointSize = u_pointSize;
}
)";

const std::string kVertexShader = kPositionShader + R"(
layout(location = 1) in vec4 a_color;
layout(location = 2) in vec2 a_texCoord;
uniform int u_lit;        // 1: the colour is u_litColor with the vertex's alpha
uniform vec3 u_litColor;
out vec4 v_color;
out vec2 v_texCoord;
void main() {
  SetPosition();
  v_color = u_lit != 0 ? vec4(u_litColor, a_color.a) : a_color;
  v_texCoord = a_texCoord;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec4 v_color;
in vec2 v_texCoord;
uniform sampler2D u_texture;
uniform int u_textured;
out vec4 fragColor;
void main() {
  if (u_textured != 0) {
    vec4 t = texture(u_texture, v_texCoord);
    fragColor = vec4(t.rgb * v_color.rgb, t.a);
  } else {
    fragColor = v_color;
  }
}
)";

// For draws of one colour (lit lines, points and opaque surfaces from buffers): no varying at all,
// which makes each of many small primitives cheaper to set up in a software rasteriser.
const std::string kPlainVertexShader = kPositionShader + R"(
void main() {
  SetPosition();
}
)";

const char* const kPlainFragmentShader = R"(#version 330 core
uniform vec4 u_color;
out vec4 fragColor;
void main() {
  fragColor = u_color;
}
)";

// One of the device's two programs with its uniforms as last set. Uniforms belong to the program,
// which nobody else changes.
struct ProgramState {
  std::unique_ptr<QOpenGLShaderProgram> program;
  int transformLocation = -1, halfPixelLocation = -1, depthMapLocation = -1, pointSizeLocation = -1;
  int texturedLocation = -1, litLocation = -1, litColorLocation = -1, colorLocation = -1;
  std::optional<Matrix> transformUniform;
  std::optional<std::array<float, 2>> halfPixelUniform;
  std::optional<float> pointSizeUniform;
  std::optional<int> texturedUniform;
  std::optional<int> litUniform;
  std::optional<std::array<float, 3>> litColorUniform;
  std::optional<std::array<float, 4>> colorUniform;

  // Throws std::runtime_error when the shaders do not build.
  void Build(const std::string& vertexShader, const char* fragmentShader) {
    program = std::make_unique<QOpenGLShaderProgram>();
    if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, QString::fromStdString(vertexShader)) ||
        !program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragmentShader) || !program->link()) {
      throw std::runtime_error("GLDevice: the shaders do not build: " + program->log().toStdString());
    }
    transformLocation = program->uniformLocation("u_transform");
    halfPixelLocation = program->uniformLocation("u_halfPixel");
    depthMapLocation = program->uniformLocation("u_depthMap");
    pointSizeLocation = program->uniformLocation("u_pointSize");
    texturedLocation = program->uniformLocation("u_textured");
    litLocation = program->uniformLocation("u_lit");
    litColorLocation = program->uniformLocation("u_litColor");
    colorLocation = program->uniformLocation("u_color");
  }
};

}  // namespace

struct GLDevice::Impl {
  QOpenGLContext* context = nullptr;
  QOpenGLFunctions_3_3_Core* gl = nullptr;
  ClipControlFunction clipControl = nullptr;
  // `shaded` draws everything from memory and what has a vertex colour or a texture; `plain` the rest.
  ProgramState shaded, plain;
  ProgramState* programApplied = nullptr;
  GLuint vao = 0, vertexBuffer = 0, indexBuffer = 0;
  // Draws from the caller's buffers point this one's attributes into GL's copies.
  GLuint bufferVao = 0;
  GLint maxTextureSize = 0;
  float maxPointSize = kMaxPointSize;
  std::shared_ptr<GLTexture::Shelf> shelf;

  // The draws waiting for GL, in order.
  std::vector<GLVertex> vertices;
  std::vector<std::uint32_t> indices;
  std::vector<QueuedDraw> draws;
  std::vector<std::uint32_t> scratch;  // one call's indices, kept to save allocations
  std::vector<std::uint32_t> wideIndices;
  std::unordered_map<std::uint64_t, GLBufferCopy> bufferCopies;  // by buffer id

  Matrix transform;  // world x view x projection
  bool transformDirty = true;

  // What GL holds, as far as the device knows.
  bool glStateKnown = false;
  bool clipControlActive = false;
  std::optional<DrawKey> applied;
  std::optional<bool> depthWriteApplied;
  std::optional<Viewport> viewportApplied;
  int viewportHeightApplied = 0;
  GLuint textureApplied = 0;
  bool textureKnown = false;

  void RequireCurrent() const {
    if (QOpenGLContext::currentContext() != context) {
      throw std::logic_error("GLDevice used while its OpenGL context is not current");
    }
  }

  void DeleteDoomedTextures() {
    if (shelf->doomed.empty())
      return;
    gl->glDeleteTextures(static_cast<GLsizei>(shelf->doomed.size()), shelf->doomed.data());
    shelf->doomed.clear();
    textureKnown = false;
  }

  // The states the device never changes, set to what Direct3D 9 starts with.
  void ApplyFixedState() {
    UseProgram(shaded);
    gl->glBindVertexArray(vao);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindSampler(0, 0);
    for (GLenum cap : {GL_STENCIL_TEST, GL_DITHER, GL_FRAMEBUFFER_SRGB, GL_DEPTH_CLAMP, GL_SAMPLE_ALPHA_TO_COVERAGE,
                       GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT, GL_RASTERIZER_DISCARD,
                       GL_COLOR_LOGIC_OP, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH, GL_PRIMITIVE_RESTART, GL_CLIP_DISTANCE0}) {
      gl->glDisable(cap);
    }
    gl->glEnable(GL_SCISSOR_TEST);
    gl->glEnable(GL_PROGRAM_POINT_SIZE);
    gl->glFrontFace(GL_CCW);
    gl->glBlendEquation(GL_FUNC_ADD);
    // The back buffer has no alpha channel (X8R8G8B8): drawing never changes the alpha that Clear
    // set to 1, so translucent surfaces cannot make the window itself see-through.
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl->glLineWidth(1.0f);
    if (clipControl != nullptr) {
      clipControl(kLowerLeft, kZeroToOne);
      clipControlActive = true;
    }
    glStateKnown = true;
    applied.reset();
    depthWriteApplied.reset();
    viewportApplied.reset();
    textureKnown = false;
  }

  void ForgetState() {
    glStateKnown = false;
    programApplied = nullptr;
    applied.reset();
    depthWriteApplied.reset();
    viewportApplied.reset();
    textureKnown = false;
  }

  // Gives GL back the depth convention other code in the context expects.
  void RestoreSharedState() {
    if (clipControlActive)
      clipControl(kLowerLeft, kNegativeOneToOne);
    clipControlActive = false;
    ForgetState();
  }

  // Direct3D 9's viewport counts rows from the top, GL's from the bottom of the back buffer;
  // drawing outside the viewport is cut off as Direct3D 9 does.
  void ApplyViewport(const Viewport& v, int backBufferHeight) {
    if (viewportApplied && *viewportApplied == v && viewportHeightApplied == backBufferHeight)
      return;
    const int y = backBufferHeight - v.y - v.height;
    gl->glViewport(v.x, y, v.width, v.height);
    gl->glScissor(v.x, y, v.width, v.height);
    gl->glDepthRange(v.minZ, v.maxZ);
    viewportApplied = v;
    viewportHeightApplied = backBufferHeight;
  }

  void ApplyDepthWrite(bool on) {
    if (depthWriteApplied == on)
      return;
    gl->glDepthMask(on ? GL_TRUE : GL_FALSE);
    depthWriteApplied = on;
  }

  void ApplyKey(const DrawKey& key) {
    const DrawKey* was = applied ? &*applied : nullptr;
    ApplyViewport(key.viewport, key.backBufferHeight);
    if (!was || was->depthTest != key.depthTest) {
      if (key.depthTest) {
        gl->glEnable(GL_DEPTH_TEST);
      } else {
        gl->glDisable(GL_DEPTH_TEST);
      }
    }
    if (key.depthTest) {
      ApplyDepthWrite(key.depthWrite);
      if (!was || !was->depthTest || was->depthFunc != key.depthFunc)
        gl->glDepthFunc(GLCompare(key.depthFunc));
    }
    if (!was || was->blend != key.blend) {
      if (key.blend) {
        gl->glEnable(GL_BLEND);
      } else {
        gl->glDisable(GL_BLEND);
      }
    }
    if (key.blend && (!was || !was->blend || was->srcBlend != key.srcBlend || was->destBlend != key.destBlend)) {
      gl->glBlendFunc(GLBlend(key.srcBlend), GLBlend(key.destBlend));
    }
    if (!was || was->cull != key.cull) {
      // The frame shows the same picture in both APIs, so counter-clockwise as seen is GL's front
      // face (glFrontFace stays GL_CCW).
      switch (static_cast<Cull>(key.cull)) {
        case Cull::Ccw:
          gl->glEnable(GL_CULL_FACE);
          gl->glCullFace(GL_FRONT);
          break;
        case Cull::Cw:
          gl->glEnable(GL_CULL_FACE);
          gl->glCullFace(GL_BACK);
          break;
        default:
          gl->glDisable(GL_CULL_FACE);
          break;
      }
    }
    if (key.texture != nullptr && (!textureKnown || textureApplied != key.texture->Name())) {
      gl->glBindTexture(GL_TEXTURE_2D, key.texture->Name());
      textureApplied = key.texture->Name();
      textureKnown = true;
    }
    applied = key;
  }

  void UseProgram(ProgramState& p) {
    if (programApplied == &p)
      return;
    gl->glUseProgram(p.program->programId());
    programApplied = &p;
  }

  // The key's uniforms in the program in use.
  void ApplyUniforms(const DrawKey& key) {
    ProgramState& p = *programApplied;
    if (p.transformUniform != key.transform) {
      gl->glUniformMatrix4fv(p.transformLocation, 1, GL_FALSE, &key.transform.m[0][0]);
      p.transformUniform = key.transform;
    }
    // Direct3D 9 puts pixel centres on whole coordinates, GL half a pixel further on. A
    // thirty-second of a pixel less than half keeps edges through whole coordinates off the pixel
    // centres, where GL leaves the choice to the driver: left and top edges then take their pixels
    // and right and bottom ones do not, as in Direct3D 9.
    constexpr float kShift = 1.0f - 2.0f * kTieBreak;
    const std::array<float, 2> halfPixel{kShift / float(key.viewport.width), -kShift / float(key.viewport.height)};
    if (p.halfPixelUniform != halfPixel) {
      gl->glUniform2f(p.halfPixelLocation, halfPixel[0], halfPixel[1]);
      p.halfPixelUniform = halfPixel;
    }
    if (key.kind == Kind::Points && p.pointSizeUniform != key.pointSize) {
      gl->glUniform1f(p.pointSizeLocation, key.pointSize);
      p.pointSizeUniform = key.pointSize;
    }
    const int textured = key.texture != nullptr ? 1 : 0;
    if (p.texturedLocation >= 0 && p.texturedUniform != textured) {
      gl->glUniform1i(p.texturedLocation, textured);
      p.texturedUniform = textured;
    }
  }

  // The GL state a draw of this kind needs under the device's current state. `texture` keeps the
  // stage-0 texture alive for a textured layout.
  DrawKey KeyFor(Kind kind, const StateBlock& state, int backBufferHeight, const std::shared_ptr<Texture>& stage0,
                 std::shared_ptr<GLTexture>& texture) {
    const VertexFormat format = state.vertexFormat;
    DrawKey key;
    key.kind = kind;
    key.viewport = state.viewport;
    key.backBufferHeight = backBufferHeight;
    if (format != VertexFormat::XyzRhwDiffuse) {
      if (transformDirty) {
        transform = MatrixMultiply(MatrixMultiply(state.world, state.view), state.projection);
        transformDirty = false;
      }
      key.transform = transform;
    }
    key.depthTest = state.RenderStateValue(RenderState::ZEnable) != 0;
    if (key.depthTest) {
      key.depthWrite = state.RenderStateValue(RenderState::ZWriteEnable) != 0;
      key.depthFunc = state.RenderStateValue(RenderState::ZFunc);
    }
    key.blend = state.RenderStateValue(RenderState::AlphaBlendEnable) != 0;
    if (key.blend) {
      key.srcBlend = state.RenderStateValue(RenderState::SrcBlend);
      key.destBlend = state.RenderStateValue(RenderState::DestBlend);
    }
    if (key.kind == Kind::Triangles)
      key.cull = state.RenderStateValue(RenderState::CullMode);
    if (key.kind == Kind::Points) {
      const float size = std::bit_cast<float>(state.RenderStateValue(RenderState::PointSize));
      key.pointSize = std::clamp(size, kMinPointSize, maxPointSize);
    }
    texture.reset();
    if (format == VertexFormat::XyzDiffuseTex1) {
      // A texture of another share group cannot be sampled here; the face then shows its vertex
      // colour, as with no texture at all.
      texture = std::dynamic_pointer_cast<GLTexture>(stage0);
      if (texture && (!texture->Owner() || !texture->Owner()->context ||
                      !QOpenGLContext::areSharing(texture->Owner()->context, context))) {
        texture.reset();
      }
      key.texture = texture.get();
    }
    return key;
  }

  // For the shaded program.
  void ApplyLit(bool lit, const std::array<float, 3>& color) {
    ProgramState& p = shaded;
    const int value = lit ? 1 : 0;
    if (p.litUniform != value) {
      gl->glUniform1i(p.litLocation, value);
      p.litUniform = value;
    }
    if (lit && p.litColorUniform != color) {
      gl->glUniform3f(p.litColorLocation, color[0], color[1], color[2]);
      p.litColorUniform = color;
    }
  }

  // For the plain program.
  void ApplyColor(const std::array<float, 4>& color) {
    ProgramState& p = plain;
    if (p.colorUniform != color) {
      gl->glUniform4f(p.colorLocation, color[0], color[1], color[2], color[3]);
      p.colorUniform = color;
    }
  }

  // GL's copy of the buffer, brought up to the buffer's revision: the only place the caller's
  // vertices and indices are copied to GL.
  GLuint CopyOf(const DeviceBuffer& buffer, GLDeviceStatistics& statistics, GLenum target,
                const std::shared_ptr<const DeviceBuffer>& owner) {
    GLBufferCopy& copy = bufferCopies[buffer.Id()];
    if (copy.name == 0) {
      gl->glGenBuffers(1, &copy.name);
      copy.buffer = owner;
      copy.revision = ~std::uint64_t{0};
    }
    gl->glBindBuffer(target, copy.name);
    if (copy.revision != buffer.Revision()) {
      const std::span<const std::byte> bytes = buffer.Bytes();
      if (copy.length == bytes.size() && copy.revision != ~std::uint64_t{0}) {
        gl->glBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes.size()), bytes.data());
      } else {
        gl->glBufferData(target, static_cast<GLsizeiptr>(bytes.size()), bytes.data(), GL_STATIC_DRAW);
      }
      copy.revision = buffer.Revision();
      copy.length = static_cast<std::uint32_t>(bytes.size());
      ++statistics.bufferUploads;
      statistics.bufferUploadBytes += bytes.size();
    }
    return copy.name;
  }

  // The copies of buffers that are gone.
  void DeleteOrphanCopies() {
    for (auto it = bufferCopies.begin(); it != bufferCopies.end();) {
      if (it->second.buffer.expired()) {
        gl->glDeleteBuffers(1, &it->second.name);
        it = bufferCopies.erase(it);
      } else {
        ++it;
      }
    }
  }

  void DrawFromBuffers(const BufferSource& source, GLDeviceStatistics& statistics) {
    gl->glBindVertexArray(bufferVao);
    CopyOf(*source.vertices, statistics, GL_ARRAY_BUFFER, source.vertices);
    const auto at = [&](std::size_t bytes) { return reinterpret_cast<const void*>(source.offset + bytes); };
    const auto stride = static_cast<GLsizei>(source.stride);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(0));
    const bool coloured = source.format == VertexFormat::XyzDiffuse || source.format == VertexFormat::XyzDiffuseTex1;
    if (coloured) {
      // The colour's bytes are B, G, R, A: GL reads them in that order as red, green, blue, alpha.
      gl->glEnableVertexAttribArray(1);
      gl->glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(12));
    } else {
      gl->glDisableVertexAttribArray(1);
      const auto& c = source.constantColor;
      context->functions()->glVertexAttrib4f(1, c[0], c[1], c[2], c[3]);
    }
    if (source.format == VertexFormat::XyzDiffuseTex1) {
      gl->glEnableVertexAttribArray(2);
      gl->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, at(16));
    } else {
      gl->glDisableVertexAttribArray(2);
      context->functions()->glVertexAttrib2f(2, 0.0f, 0.0f);
    }
    if (source.plainColor) {
      ApplyColor(*source.plainColor);
    } else {
      ApplyLit(source.lit, source.litColor);
    }
    const auto count = static_cast<GLsizei>(source.count);
    if (source.indices) {
      CopyOf(*source.indices, statistics, GL_ELEMENT_ARRAY_BUFFER, source.indices);
      const bool wide = source.indices->Format() == IndexFormat::Index32;
      const std::size_t size = wide ? 4 : 2;
      gl->glDrawElementsBaseVertex(source.mode, count, wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                   reinterpret_cast<const void*>(source.startIndex * size), source.first);
    } else {
      gl->glDrawArrays(source.mode, source.first, count);
    }
  }
};

// ---- GLDevice ------------------------------------------------------------------------------------

GLDevice::GLDevice(QOpenGLContext& context, int backBufferWidth, int backBufferHeight, GLDeviceOptions options)
    : DeviceState(backBufferWidth, backBufferHeight), impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  d.context = &context;
  if (QOpenGLContext::currentContext() != &context) {
    throw std::runtime_error("GLDevice: the OpenGL context must be current");
  }
  if (context.isOpenGLES())
    throw std::runtime_error("GLDevice: needs desktop OpenGL 3.3, the context is OpenGL ES");
  d.gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
  if (d.gl == nullptr) {
    const QSurfaceFormat format = context.format();
    throw std::runtime_error("GLDevice: needs OpenGL 3.3 core functions, the context offers " +
                             std::to_string(format.majorVersion()) + "." + std::to_string(format.minorVersion()));
  }
  QOpenGLFunctions_3_3_Core& gl = *d.gl;

  const QSurfaceFormat format = context.format();
  const bool hasClipControl = format.version() >= std::pair(4, 5) || context.hasExtension("GL_ARB_clip_control");
  if (options.useClipControl && hasClipControl) {
    d.clipControl = reinterpret_cast<ClipControlFunction>(context.getProcAddress("glClipControl"));
  }

  d.shaded.Build(kVertexShader, kFragmentShader);
  d.plain.Build(kPlainVertexShader, kPlainFragmentShader);
  for (ProgramState* p : {&d.plain, &d.shaded}) {
    gl.glUseProgram(p->program->programId());
    // With glClipControl the 0..1 depth goes through unchanged; without it, GL's -w..w range is made
    // from it, and glDepthRange still maps the viewport's MinZ..MaxZ.
    if (d.clipControl != nullptr) {
      gl.glUniform2f(p->depthMapLocation, 1.0f, 0.0f);
    } else {
      gl.glUniform2f(p->depthMapLocation, 2.0f, -1.0f);
    }
  }
  gl.glUniform1i(d.shaded.program->uniformLocation("u_texture"), 0);
  gl.glUniform1i(d.shaded.litLocation, 0);
  d.shaded.litUniform = 0;

  gl.glGenVertexArrays(1, &d.vao);
  gl.glGenBuffers(1, &d.vertexBuffer);
  gl.glGenBuffers(1, &d.indexBuffer);
  gl.glBindVertexArray(d.vao);
  gl.glBindBuffer(GL_ARRAY_BUFFER, d.vertexBuffer);
  gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, d.indexBuffer);
  const auto offset = [](std::size_t bytes) { return reinterpret_cast<const void*>(bytes); };
  gl.glEnableVertexAttribArray(0);
  gl.glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(GLVertex), offset(offsetof(GLVertex, x)));
  gl.glEnableVertexAttribArray(1);
  gl.glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, sizeof(GLVertex), offset(offsetof(GLVertex, r)));
  gl.glEnableVertexAttribArray(2);
  gl.glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(GLVertex), offset(offsetof(GLVertex, u)));
  gl.glGenVertexArrays(1, &d.bufferVao);
  gl.glBindVertexArray(0);

  gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &d.maxTextureSize);
  GLfloat pointRange[2] = {1.0f, kMaxPointSize};
  gl.glGetFloatv(GL_POINT_SIZE_RANGE, pointRange);
  d.maxPointSize = std::clamp(pointRange[1], kMinPointSize, kMaxPointSize);

  d.shelf = std::make_shared<GLTexture::Shelf>();
  d.shelf->context = &context;
}

GLDevice::~GLDevice() {
  Impl& d = *impl_;
  d.draws.clear();  // releases the textures they held
  // Without the context current the GL objects stay until the context goes, which frees them.
  if (QOpenGLContext::currentContext() != d.context)
    return;
  d.DeleteDoomedTextures();
  d.RestoreSharedState();
  d.gl->glDeleteBuffers(1, &d.vertexBuffer);
  d.gl->glDeleteBuffers(1, &d.indexBuffer);
  for (const auto& [id, copy] : d.bufferCopies)
    d.gl->glDeleteBuffers(1, &copy.name);
  d.gl->glDeleteVertexArrays(1, &d.vao);
  d.gl->glDeleteVertexArrays(1, &d.bufferVao);
  d.shaded.program.reset();
  d.plain.program.reset();
}

bool GLDevice::UsesClipControl() const {
  return impl_->clipControl != nullptr;
}

void GLDevice::ForgetGLState() {
  impl_->ForgetState();
}

void GLDevice::TransformChanged(TransformState) {
  impl_->transformDirty = true;
}

void GLDevice::Flush() {
  Impl& d = *impl_;
  if (d.draws.empty()) {
    d.vertices.clear();
    d.indices.clear();
    return;
  }
  d.RequireCurrent();
  QOpenGLFunctions_3_3_Core& gl = *d.gl;
  d.DeleteDoomedTextures();
  d.DeleteOrphanCopies();
  if (!d.glStateKnown)
    d.ApplyFixedState();
  // A texture may have gone since the last flush and its name been given to a new one.
  d.textureKnown = false;
  d.programApplied = nullptr;
  gl.glBindVertexArray(d.vao);

  // One upload for the whole queue; giving the buffers new storage each time lets the driver keep
  // the previous contents for draws still in flight.
  if (!d.vertices.empty()) {
    gl.glBindBuffer(GL_ARRAY_BUFFER, d.vertexBuffer);
    gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(d.vertices.size() * sizeof(GLVertex)), d.vertices.data(),
                    GL_STREAM_DRAW);
    gl.glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(d.indices.size() * sizeof(std::uint32_t)),
                    d.indices.data(), GL_STREAM_DRAW);
    statistics_.streamUploadBytes += d.vertices.size() * sizeof(GLVertex) + d.indices.size() * sizeof(std::uint32_t);
  }

  bool queueVaoBound = true;
  for (const QueuedDraw& draw : d.draws) {
    d.ApplyKey(draw.key);
    if (draw.buffers) {
      d.UseProgram(draw.buffers->plainColor ? d.plain : d.shaded);
      d.ApplyUniforms(draw.key);
      d.DrawFromBuffers(*draw.buffers, statistics_);
      queueVaoBound = false;
    } else {
      if (!queueVaoBound) {
        gl.glBindVertexArray(d.vao);
        queueVaoBound = true;
      }
      d.UseProgram(d.shaded);
      d.ApplyUniforms(draw.key);
      d.ApplyLit(false, {});
      gl.glDrawElementsBaseVertex(GLMode(draw.key.kind), static_cast<GLsizei>(draw.indexCount), GL_UNSIGNED_INT,
                                  reinterpret_cast<const void*>(draw.firstIndex * sizeof(std::uint32_t)),
                                  static_cast<GLint>(draw.firstVertex));
    }
    ++statistics_.glDraws;
  }
  gl.glBindVertexArray(d.vao);
  d.draws.clear();
  d.vertices.clear();
  d.indices.clear();
}

void GLDevice::Append(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                      std::span<const std::uint32_t> indices, std::uint32_t firstVertex) {
  ++statistics_.drawCalls;
  Impl& d = *impl_;
  const StateBlock& state = State();
  const VertexFormat format = state.vertexFormat;
  const std::uint32_t stride = VertexStride(format);
  const bool pretransformed = format == VertexFormat::XyzRhwDiffuse;
  const Viewport& viewport = state.viewport;
  if (primitiveCount == 0 || viewport.width == 0 || viewport.height == 0)
    return;

  // The vertices the draw uses, and its primitives as indices into them.
  const std::size_t vertexCount = vertices.size() / stride - firstVertex;
  const std::size_t indexCount = ListIndexCount(type, primitiveCount);
  constexpr auto kMaxCount = static_cast<std::size_t>(std::numeric_limits<GLsizei>::max());
  if (vertexCount > kMaxCount || indexCount > kMaxCount) {
    throw std::length_error("draw call too large for one GL draw");
  }
  std::vector<std::uint32_t>& sequence = d.scratch;
  sequence.clear();
  if (indices.empty()) {
    sequence.resize(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i)
      sequence[i] = static_cast<std::uint32_t>(i);
  } else {
    sequence.reserve(indices.size());
    for (std::uint32_t index : indices)
      sequence.push_back(index - firstVertex);
  }

  std::shared_ptr<GLTexture> texture;
  const DrawKey key = d.KeyFor(KindOf(type), state, BackBufferHeight(), GetTexture(0), texture);

  // Lighting with no lights leaves the emissive colour plus the material's share of the ambient
  // light, with the diffuse alpha: the vertex colour's when the layout has one, else the material's.
  const bool lit = !pretransformed && state.RenderStateValue(RenderState::Lighting) != 0;
  const Material& material = state.material;
  const std::array<float, 3> litColor = LitColor(state);
  const auto colorOf = [&](std::optional<ArgbColor> diffuse) {
    // Without a vertex colour Direct3D 9 takes opaque white.
    const auto c = ArgbToFloats(diffuse.value_or(0xFFFFFFFFu));
    if (!lit)
      return c;
    const float alpha = diffuse ? c[3] : Clamp01(material.diffuse.a);
    return std::array<float, 4>{litColor[0], litColor[1], litColor[2], alpha};
  };

  if (d.vertices.size() + vertexCount > kQueueVertexLimit || d.indices.size() + indexCount > 3 * kQueueVertexLimit) {
    Flush();
  }
  const std::size_t base = d.vertices.size();
  // The queue grows geometrically by push_back; reserving just what each draw adds would move the
  // whole queue on every draw of a frame.
  for (std::size_t i = firstVertex; i < firstVertex + vertexCount; ++i) {
    GLVertex out{};
    switch (format) {
      case VertexFormat::Xyz: {
        const auto v = ReadVertex<Vec3>(vertices, i);
        const auto c = colorOf(std::nullopt);
        out = {v.x, v.y, v.z, 1.0f, c[0], c[1], c[2], c[3], 0.0f, 0.0f};
        break;
      }
      case VertexFormat::XyzDiffuse: {
        const auto v = ReadVertex<ColoredVertex>(vertices, i);
        const auto c = colorOf(v.diffuse);
        out = {v.x, v.y, v.z, 1.0f, c[0], c[1], c[2], c[3], 0.0f, 0.0f};
        break;
      }
      case VertexFormat::XyzDiffuseTex1: {
        const auto v = ReadVertex<TTexturedVertex>(vertices, i);
        const auto c = colorOf(v.diffuse);
        out = {v.x, v.y, v.z, 1.0f, c[0], c[1], c[2], c[3], v.tu, v.tv};
        break;
      }
      case VertexFormat::XyzRhwDiffuse: {
        // Pixels (x right, y down from the back buffer's corner) to clip space of the viewport; the
        // depth goes to the depth buffer as given, whatever the viewport's depth range.
        const auto v = ReadVertex<ScreenVertex>(vertices, i);
        const auto c = ArgbToFloats(v.diffuse);
        const float w = (v.rhw > 0.0f && std::isfinite(1.0f / v.rhw)) ? 1.0f / v.rhw : 1.0f;
        const float depthSpan = viewport.maxZ - viewport.minZ;
        const float depth = depthSpan != 0.0f ? (v.z - viewport.minZ) / depthSpan : 0.0f;
        const float nx = 2.0f * (v.x - float(viewport.x)) / float(viewport.width) - 1.0f;
        const float ny = 1.0f - 2.0f * (v.y - float(viewport.y)) / float(viewport.height);
        out = {nx * w, ny * w, depth * w, w, c[0], c[1], c[2], c[3], 0.0f, 0.0f};
        break;
      }
      case VertexFormat::None:
        throw std::logic_error("draw without a vertex format reached the GL device");
    }
    d.vertices.push_back(out);
  }

  // Join the previous run when nothing GL sees differs; the indices of a run count from its first
  // vertex.
  QueuedDraw* run = d.draws.empty() ? nullptr : &d.draws.back();
  if (run == nullptr || !(run->key == key)) {
    d.draws.push_back(QueuedDraw{key, texture, d.indices.size(), 0, base, 0, std::nullopt});
    run = &d.draws.back();
  }
  AppendListIndices(type, primitiveCount, sequence, static_cast<std::uint32_t>(base - run->firstVertex), d.indices);
  run->indexCount += indexCount;
  run->vertexCount += vertexCount;
}

void GLDevice::DoDrawPrimitiveUP(PrimitiveType type, std::uint32_t primitiveCount, std::span<const std::byte> vertices,
                                 std::uint32_t) {
  Append(type, primitiveCount, vertices, {}, 0);
}

void GLDevice::DoDrawIndexedPrimitiveUP(PrimitiveType type, std::uint32_t minVertexIndex, std::uint32_t,
                                        std::uint32_t primitiveCount, std::span<const std::uint16_t> indices,
                                        std::span<const std::byte> vertices, std::uint32_t) {
  std::vector<std::uint32_t>& wide = impl_->wideIndices;
  wide.assign(indices.begin(), indices.end());
  Append(type, primitiveCount, vertices, wide, minVertexIndex);
}

void GLDevice::QueueBufferDraw(PrimitiveType type, std::int32_t first, std::uint32_t startIndex,
                               std::uint32_t primitiveCount, bool indexed) {
  ++statistics_.drawCalls;
  Impl& d = *impl_;
  const StateBlock& state = State();
  if (primitiveCount == 0 || state.viewport.width == 0 || state.viewport.height == 0)
    return;
  BufferSource source;
  source.vertices = GetStreamSource(0);
  if (indexed)
    source.indices = GetIndices();
  source.format = state.vertexFormat;
  source.offset = StreamOffset();
  source.stride = StreamStride();
  source.mode = GLModeOf(type);
  source.first = first;
  source.startIndex = startIndex;
  source.count = VertexCountFor(type, primitiveCount);
  constexpr auto kMaxCount = static_cast<std::size_t>(std::numeric_limits<GLsizei>::max());
  if (source.count > kMaxCount)
    throw std::length_error("draw call too large for one GL draw");
  // As for draws from memory, but GL applies the colour: the vertices stay as the caller wrote them.
  source.lit = state.RenderStateValue(RenderState::Lighting) != 0;
  if (source.lit) {
    source.litColor = LitColor(state);
    source.constantColor = {1, 1, 1, Clamp01(state.material.diffuse.a)};
  }
  QueuedDraw draw;
  draw.key = d.KeyFor(KindOf(type), state, BackBufferHeight(), GetTexture(0), draw.texture);
  // One colour for every vertex: lit without a texture, and the vertex alpha (the only part a vertex
  // colour gives lit geometry) either absent or unused because nothing blends.
  const bool coloured = source.format != VertexFormat::Xyz;
  if (source.lit && draw.key.texture == nullptr && source.format != VertexFormat::XyzDiffuseTex1 &&
      (!coloured || !draw.key.blend)) {
    const auto& c = source.litColor;
    source.plainColor = std::array<float, 4>{c[0], c[1], c[2], source.constantColor[3]};
  } else if (!source.lit && source.format == VertexFormat::Xyz) {
    source.plainColor = source.constantColor;
  }
  draw.buffers = std::move(source);
  d.draws.push_back(std::move(draw));
}

void GLDevice::DoDrawPrimitive(PrimitiveType type, std::uint32_t startVertex, std::uint32_t primitiveCount) {
  if (GetFVF() == VertexFormat::XyzRhwDiffuse) {
    // Screen vertices are turned into clip positions on the way into the queue.
    const std::span<const std::byte> bytes =
        GetStreamSource(0)->Bytes().subspan(StreamOffset() + std::size_t{startVertex} * StreamStride(),
                                            VertexCountFor(type, primitiveCount) * StreamStride());
    Append(type, primitiveCount, bytes, {}, 0);
    return;
  }
  QueueBufferDraw(type, static_cast<std::int32_t>(startVertex), 0, primitiveCount, false);
}

void GLDevice::DoDrawIndexedPrimitive(PrimitiveType type, std::int32_t baseVertexIndex, std::uint32_t minVertexIndex,
                                      std::uint32_t numVertices, std::uint32_t startIndex,
                                      std::uint32_t primitiveCount) {
  if (GetFVF() == VertexFormat::XyzRhwDiffuse) {
    const std::size_t stride = StreamStride();
    const std::span<const std::byte> bytes = GetStreamSource(0)->Bytes().subspan(
        StreamOffset() + static_cast<std::size_t>(baseVertexIndex + std::int64_t{minVertexIndex}) * stride,
        std::size_t{numVertices} * stride);
    const IndexBuffer& indices = *GetIndices();
    std::vector<std::uint32_t>& rebased = impl_->wideIndices;
    rebased.clear();
    for (std::size_t i = startIndex; i < startIndex + VertexCountFor(type, primitiveCount); ++i)
      rebased.push_back(indices.Index(i) - minVertexIndex);
    Append(type, primitiveCount, bytes, rebased, 0);
    return;
  }
  QueueBufferDraw(type, baseVertexIndex, startIndex, primitiveCount, true);
}

void GLDevice::Clear(ClearFlags flags, ArgbColor color, float z, std::uint32_t stencil) {
  Flush();
  Impl& d = *impl_;
  d.RequireCurrent();
  GLbitfield mask = 0;
  if (HasFlag(flags, ClearFlags::Target))
    mask |= GL_COLOR_BUFFER_BIT;
  if (HasFlag(flags, ClearFlags::ZBuffer))
    mask |= GL_DEPTH_BUFFER_BIT;
  if (HasFlag(flags, ClearFlags::Stencil))
    mask |= GL_STENCIL_BUFFER_BIT;
  if (mask == 0)
    return;
  if (!d.glStateKnown)
    d.ApplyFixedState();
  d.ApplyViewport(GetViewport(), BackBufferHeight());
  const auto c = ArgbToFloats(color);
  QOpenGLFunctions_3_3_Core& gl = *d.gl;
  gl.glClearColor(c[0], c[1], c[2], 1.0f);
  gl.glClearDepth(Clamp01(z));
  gl.glClearStencil(static_cast<GLint>(stencil & 0xFF));
  gl.glStencilMask(0xFFFFFFFFu);
  d.ApplyDepthWrite(true);
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl.glClear(mask);
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

DeviceResult GLDevice::BeginScene() {
  if (inScene_)
    return DeviceResult::InvalidCall;
  inScene_ = true;
  ForgetGLState();
  return DeviceResult::Ok;
}

DeviceResult GLDevice::EndScene() {
  if (!inScene_)
    return DeviceResult::InvalidCall;
  inScene_ = false;
  Flush();
  return DeviceResult::Ok;
}

DeviceResult GLDevice::Present() {
  Flush();
  if (!impl_->context->isValid())
    return DeviceResult::DeviceLost;
  if (QOpenGLContext::currentContext() == impl_->context)
    impl_->RestoreSharedState();
  return DeviceResult::Ok;
}

DeviceResult GLDevice::TestCooperativeLevel() {
  return impl_->context->isValid() ? DeviceResult::Ok : DeviceResult::DeviceLost;
}

DeviceResult GLDevice::DoReset(int, int) {
  if (!impl_->context->isValid())
    return DeviceResult::DeviceLost;
  Flush();
  inScene_ = false;
  impl_->transformDirty = true;
  return DeviceResult::Ok;
}

// ---- textures ------------------------------------------------------------------------------------

int GLDevice::MaxTextureSize() const {
  return impl_->maxTextureSize;
}

std::shared_ptr<Texture> GLDevice::CreateTexture(const TextureImage& image, const std::string& label) {
  CheckTextureImage(image);
  Impl& d = *impl_;
  const auto fail = [&](const std::string& why) -> std::shared_ptr<Texture> {
    lastTextureError_ = "cannot load the texture \"" + label + "\": " + why;
    return nullptr;
  };
  lastTextureError_.clear();
  d.RequireCurrent();
  if (image.width > d.maxTextureSize || image.height > d.maxTextureSize) {
    lastTextureError_ = TextureTooLargeMessage(label, static_cast<std::uint64_t>(image.width),
                                               static_cast<std::uint64_t>(image.height), d.maxTextureSize);
    return nullptr;
  }

  QOpenGLFunctions_3_3_Core& gl = *d.gl;
  d.DeleteDoomedTextures();
  GLuint name = 0;
  gl.glGenTextures(1, &name);
  gl.glActiveTexture(GL_TEXTURE0);
  gl.glBindTexture(GL_TEXTURE_2D, name);
  d.textureApplied = name;
  d.textureKnown = true;
  // Point sampling, wrapping, one level: Direct3D 9's sampler defaults.
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  gl.glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl.glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  gl.glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  gl.glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  gl.glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  // The image's top row goes first, so texture coordinate v = 0 is its top as in Direct3D 9. Its
  // rows are padded to four bytes, which the unpack alignment above expects.
  const bool alpha = image.format == TexelFormat::Bgra32;
  gl.glTexImage2D(GL_TEXTURE_2D, 0, alpha ? GL_RGBA8 : GL_RGB8, image.width, image.height, 0,
                  image.format == TexelFormat::Bgr24 ? GL_BGR : GL_BGRA, GL_UNSIGNED_BYTE, image.pixels.data());
  const GLenum error = gl.glGetError();
  if (error != GL_NO_ERROR) {
    gl.glDeleteTextures(1, &name);
    d.textureKnown = false;
    return fail("OpenGL error " + std::to_string(error) + " creating the texture");
  }
  return std::make_shared<GLTexture>(d.shelf, name, image.width, image.height, label);
}

}  // namespace vrel
