#pragma once

// What a layer keeps between frames to draw its blades: one vertex buffer with the four corners of
// every blade and one index buffer with a section for each pass and material. The sections are
// filled when the layer says its blades changed, or when the surface colours they carry changed; a
// frame in which nothing changed sends no vertex or index to the device, only a dozen draw calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Device.h"

namespace vrel {

class TSquareBladeCollection;
class TSquareBladeMaterials;

class TBladeDrawCache {
 public:
  // The index sections, in the order they are drawn. Every edge and corner lies in exactly one
  // section of lines and one of points: the one whose material the layer passes leave on top of it
  // (a selected edge of a texture blade in TextureSelectedLines, an unselected one in
  // TextureBorderLines, ...). Drawing each once in that order gives the picture of drawing every pass
  // in full, since an edge drawn again at the same depth with less-or-equal always replaced the
  // earlier colour.
  enum Section : std::size_t {
    kBacks,  // triangle list: the reverse sides
    kBorderLines,
    kBorderPoints,
    kTextureBorderLines,
    kTextureBorderPoints,
    kSelectedLines,
    kSelectedPoints,
    kTextureSelectedLines,
    kTextureSelectedPoints,
    kFronts,  // triangle list: the front sides in blade order, each with its surface colour
    kSectionCount
  };
  struct Range {
    std::uint32_t first = 0;  // index
    std::uint32_t count = 0;  // indices
  };

  TBladeDrawCache();
  ~TBladeDrawCache();
  TBladeDrawCache(const TBladeDrawCache&) = delete;
  TBladeDrawCache& operator=(const TBladeDrawCache&) = delete;

  // Draws the layer's visible blades by the draw flags, filling the buffers first when they are out of
  // date.
  void Draw(IDevice& device, const TSquareBladeCollection& layer, const TSquareBladeMaterials& materials,
            int drawFlags);

  // How often the buffers were filled; for tests and benchmarks.
  std::uint64_t Fills() const { return fills_; }
  const Range& SectionRange(Section section) const { return sections_[section]; }

 private:
  void Fill(IDevice& device, const TSquareBladeCollection& layer, ArgbColor surface, ArgbColor textureSurface);

  const IDevice* device_ = nullptr;  // the device the buffers were made with
  std::shared_ptr<VertexBuffer> vertices_;
  std::shared_ptr<IndexBuffer> indices_;
  std::uint32_t vertexCount_ = 0;
  std::array<Range, kSectionCount> sections_{};
  std::uint64_t revision_ = 0;  // the layer's BladesRevision at the last fill
  ArgbColor surface_ = 0, textureSurface_ = 0;
  bool filled_ = false;
  std::uint64_t fills_ = 0;
};

// The vertex colour that draws like the material with lighting on and no lights: the emissive colour
// with the diffuse alpha, rounded to bytes.
ArgbColor SurfaceColor(const Material& material);

}  // namespace vrel
