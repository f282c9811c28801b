// Drawing a layer of blades: the opaque lines and points first (so the selection lies over the plain
// outline at equal depth, with less-or-equal), the translucent surfaces last with a strict depth test,
// so they do not cover what was drawn at their own depth. The back side is drawn opaque first; the
// front triangles are culled where the back shows.
//
// The blades stay in device buffers between frames (TBladeDrawCache), so a frame costs a dozen draw
// calls however many blades there are, and nothing is copied unless a blade changed. The front sides
// of plain and texture blades have different colours and must blend in blade order, so their colours
// ride in the vertices and the last pass draws them unlit in one call; the other passes draw the same
// vertices lit, where only the material's colour shows.

#include "scene/DX9SquareDraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "scene/DX9Materials.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

using DrawFlag = TSquareBladeCollections::DrawFlag;
using Section = TBladeDrawCache::Section;

std::uint32_t ColorByte(float value) {
  return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

// A strip of two triangles as a list that keeps their winding: a b c, then c b d.
std::array<std::uint32_t, 6> StripTriangles(const std::uint16_t (&strip)[4]) {
  return {strip[0], strip[1], strip[2], strip[2], strip[1], strip[3]};
}

// The bytes of a buffer for `bytes` of contents: exactly that at first (a layer just opened is
// copied to GL whole), with room for more once it has grown, so that adding blades one by one does not
// make a new buffer each time.
std::uint32_t BufferLength(const DeviceBuffer* old, std::size_t bytes) {
  return static_cast<std::uint32_t>(old ? bytes + bytes / 2 + 64 : std::max<std::size_t>(bytes, 64));
}

}  // namespace

ArgbColor SurfaceColor(const Material& material) {
  return (ColorByte(material.diffuse.a) << 24) | (ColorByte(material.emissive.r) << 16) |
         (ColorByte(material.emissive.g) << 8) | ColorByte(material.emissive.b);
}

TBladeDrawCache::TBladeDrawCache() = default;
TBladeDrawCache::~TBladeDrawCache() = default;

void TBladeDrawCache::Fill(IDevice& device, const TSquareBladeCollection& layer, ArgbColor surface,
                           ArgbColor textureSurface) {
  const std::vector<TCollectionItem*>& blades = layer.ItemList();
  std::vector<ColoredVertex> vertices;
  vertices.reserve(blades.size() * 4);
  std::array<std::vector<std::uint32_t>, kSectionCount> sections;
  for (const TCollectionItem* item : blades) {
    const auto* blade = static_cast<const TSquareBlade*>(item);
    const auto base = static_cast<std::uint32_t>(vertices.size());
    const ArgbColor color = blade->DrawTexture() ? textureSurface : surface;
    for (const Vec3& p : blade->PositionCache())
      vertices.push_back({p.x, p.y, p.z, color});
    if (!blade->Visible())
      continue;
    const bool texture = blade->DrawTexture();
    for (std::uint32_t i : StripTriangles(kBladeBackStrip))
      sections[kBacks].push_back(base + i);
    for (std::uint32_t i : StripTriangles(kBladeFrontStrip))
      sections[kFronts].push_back(base + i);
    const int corners = std::min(blade->CornerCount(), 4);
    for (int i = 0; i < corners; ++i) {
      const bool edgeSelected = blade->GetBorderSelect(i);
      const Section lines = texture ? (edgeSelected ? Section::kTextureSelectedLines : Section::kTextureBorderLines)
                                    : (edgeSelected ? Section::kSelectedLines : Section::kBorderLines);
      sections[lines].push_back(base + static_cast<std::uint32_t>(i));
      sections[lines].push_back(base + static_cast<std::uint32_t>((i + 1) % 4));
      const bool cornerSelected = blade->GetVertexSelect(i);
      const Section points = texture
                                 ? (cornerSelected ? Section::kTextureSelectedPoints : Section::kTextureBorderPoints)
                                 : (cornerSelected ? Section::kSelectedPoints : Section::kBorderPoints);
      sections[points].push_back(base + static_cast<std::uint32_t>(i));
    }
  }

  std::vector<std::uint32_t> indices;
  for (std::size_t s = 0; s < kSectionCount; ++s) {
    sections_[s] = {static_cast<std::uint32_t>(indices.size()), static_cast<std::uint32_t>(sections[s].size())};
    indices.insert(indices.end(), sections[s].begin(), sections[s].end());
  }

  const std::size_t vertexBytes = vertices.size() * sizeof(ColoredVertex);
  const std::size_t indexBytes = indices.size() * sizeof(std::uint32_t);
  if (device_ != &device)
    vertices_.reset(), indices_.reset();
  if (!vertices_ || vertices_->Length() < vertexBytes)
    vertices_ = device.CreateVertexBuffer(BufferLength(vertices_.get(), vertexBytes));
  if (!indices_ || indices_->Length() < indexBytes)
    indices_ = device.CreateIndexBuffer(BufferLength(indices_.get(), indexBytes) / 4 * 4, IndexFormat::Index32);
  device_ = &device;
  if (vertexBytes > 0) {
    std::memcpy(vertices_->Lock(0, static_cast<std::uint32_t>(vertexBytes)).data(), vertices.data(), vertexBytes);
    vertices_->Unlock();
  }
  if (indexBytes > 0) {
    std::memcpy(indices_->Lock(0, static_cast<std::uint32_t>(indexBytes)).data(), indices.data(), indexBytes);
    indices_->Unlock();
  }
  vertexCount_ = static_cast<std::uint32_t>(vertices.size());
  surface_ = surface;
  textureSurface_ = textureSurface;
  revision_ = layer.BladesRevision();
  filled_ = true;
  ++fills_;
}

void TBladeDrawCache::Draw(IDevice& device, const TSquareBladeCollection& layer, const TSquareBladeMaterials& materials,
                           int drawFlags) {
  const ArgbColor surface = SurfaceColor(materials.Surface()->DeviceMaterial());
  const ArgbColor textureSurface = SurfaceColor(materials.TextureSurface()->DeviceMaterial());
  if (!filled_ || revision_ != layer.BladesRevision() || device_ != &device || surface != surface_ ||
      textureSurface != textureSurface_) {
    Fill(device, layer, surface, textureSurface);
  }
  if (vertexCount_ == 0)
    return;

  device.SetStreamSource(0, vertices_, 0, sizeof(ColoredVertex));
  device.SetIndices(indices_);
  const auto draw = [&](Section section, PrimitiveType type) {
    const Range& range = sections_[static_cast<std::size_t>(section)];
    const std::uint32_t perPrimitive = type == PrimitiveType::TriangleList ? 3
                                       : type == PrimitiveType::LineList   ? 2
                                                                           : 1;
    if (range.count == 0)
      return;
    device.DrawIndexedPrimitive(type, 0, 0, vertexCount_, range.first, range.count / perPrimitive);
  };
  const auto lines = [&](const TRenderMaterial* material, Section section) {
    if (!(drawFlags & DrawFlag::dfBorders) || sections_[static_cast<std::size_t>(section)].count == 0)
      return;
    device.SetMaterial(material->DeviceMaterial());
    draw(section, PrimitiveType::LineList);
  };
  const auto points = [&](const TRenderMaterial* material, Section section) {
    if (!(drawFlags & DrawFlag::dfPoints) || sections_[static_cast<std::size_t>(section)].count == 0)
      return;
    device.SetMaterial(material->DeviceMaterial());
    draw(section, PrimitiveType::PointList);
  };

  if (drawFlags & DrawFlag::dfSurfaces) {
    device.SetMaterial(materials.Reverse()->DeviceMaterial());
    draw(Section::kBacks, PrimitiveType::TriangleList);
  }
  lines(materials.Border(), Section::kBorderLines);
  points(materials.Border(), Section::kBorderPoints);
  lines(materials.TextureBorder(), Section::kTextureBorderLines);
  points(materials.TextureBorder(), Section::kTextureBorderPoints);
  lines(materials.Selected(), Section::kSelectedLines);
  points(materials.Selected(), Section::kSelectedPoints);
  lines(materials.TextureSelected(), Section::kTextureSelectedLines);
  points(materials.TextureSelected(), Section::kTextureSelectedPoints);
  if (drawFlags & DrawFlag::dfSurfaces) {
    device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
    device.SetRenderState(RenderState::ZFunc, CompareFunc::Less);
    device.SetRenderState(RenderState::Lighting, 0u);
    draw(Section::kFronts, PrimitiveType::TriangleList);
    device.SetRenderState(RenderState::Lighting, 1u);
    device.SetRenderState(RenderState::ZFunc, CompareFunc::LessEqual);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  }
  // The device need not keep the layer's buffers alive.
  device.SetStreamSource(0, nullptr, 0, 0);
  device.SetIndices(nullptr);
}

void TSquareBladeCollection::Draw(IDevice& device, const TSquareBladeMaterials& materials, int drawFlags) const {
  if (!Visible())
    return;

  device.SetFVF(VertexFormat::XyzDiffuse);
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 1u);
  device.SetRenderState(RenderState::PointSize, SingleBits(static_cast<float>(materials.PointSize())));
  device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  device.SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  if ((drawFlags & (DrawFlag::dfPoints | DrawFlag::dfBorders | DrawFlag::dfSurfaces)) == 0)
    return;
  if (!drawCache_)
    drawCache_ = std::make_unique<TBladeDrawCache>();
  drawCache_->Draw(device, *this, materials, drawFlags);
}

void TSquareBladeCollections::Draw(IDevice& device) const {
  for (int i = Count(); i-- > 0;) {
    const TSquareBladeCollection* layer = GetLayer(i);
    if (layer->Visible())
      layer->Draw(device, *materials_, drawFlags_);
  }
}

}  // namespace vrel
