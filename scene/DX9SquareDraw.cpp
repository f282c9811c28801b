// Drawing a layer of blades, pass by pass: the opaque lines and points first (so the selection lies
// over the plain outline at equal depth, with less-or-equal), the translucent surfaces last with a
// strict depth test, so they do not cover what was drawn at their own depth. The back side is drawn
// opaque in the first pass; the front strip of the last pass is culled where the back shows.
//
// Within a pass the blades go kind by kind (every surface, then every outline, then every corner)
// rather than blade by blade. The device can join consecutive draws into one only while they draw
// the same kind of primitive; blade by blade, a thousand blades cost thousands of separate draws.
// The picture is the same except where two primitives meet at exactly equal depth, and there the
// order keeps lines and corners over the back sides, as the passes intend.

#include <span>

#include "platform/Device.h"
#include "scene/DX9Materials.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

using DrawFlag = TSquareBladeCollections::DrawFlag;

// Sets a material only when it differs from the one this drawer set last: thousands of blades
// alternate between a handful of materials, and the device sees the same material at each draw.
class MaterialSwitch {
 public:
  explicit MaterialSwitch(IDevice& device) : device_(device) {}
  void Use(const TRenderMaterial* material) {
    if (material == current_)
      return;
    device_.SetMaterial(material->DeviceMaterial());
    current_ = material;
  }

 private:
  IDevice& device_;
  const TRenderMaterial* current_ = nullptr;
};

using Blades = std::vector<const TSquareBlade*>;

void DrawBackSides(IDevice& device, MaterialSwitch& use, const TRenderMaterial* material, const Blades& blades) {
  for (const TSquareBlade* blade : blades) {
    use.Use(material);
    device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, std::span(kBladeBackStrip),
                                  blade->PositionCache());
  }
}

void DrawOutlines(IDevice& device, MaterialSwitch& use, const TRenderMaterial* material, const Blades& blades) {
  for (const TSquareBlade* blade : blades) {
    use.Use(material);
    device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 4, std::span(kBladeOutline), blade->PositionCache());
  }
}

void DrawCorners(IDevice& device, MaterialSwitch& use, const TRenderMaterial* material, const Blades& blades) {
  for (const TSquareBlade* blade : blades) {
    use.Use(material);
    device.DrawPrimitiveUP(PrimitiveType::PointList, 4, blade->PositionCache());
  }
}

// The selected edges of every blade, then its selected corners one point each.
void DrawSelection(IDevice& device, MaterialSwitch& use, const TRenderMaterial* material, const Blades& blades,
                   int flags) {
  if (flags & DrawFlag::dfBorders) {
    for (const TSquareBlade* blade : blades) {
      const std::vector<uint16_t>& pairs = blade->SelectedBorderIndices();
      if (pairs.empty())
        continue;
      use.Use(material);
      device.DrawIndexedPrimitiveUP(PrimitiveType::LineList, 0, 4, static_cast<std::uint32_t>(pairs.size() / 2),
                                    std::span(pairs), blade->PositionCache());
    }
  }
  if (flags & DrawFlag::dfPoints) {
    for (const TSquareBlade* blade : blades) {
      const TCorners& corners = blade->PositionCache();
      const int n = std::min(blade->CornerCount(), 4);
      for (int i = 0; i < n; ++i) {
        if (!blade->GetVertexSelect(i))
          continue;
        use.Use(material);
        device.DrawPrimitiveUP(PrimitiveType::PointList, 1, std::span(&corners[static_cast<std::size_t>(i)], 1));
      }
    }
  }
}

}  // namespace

void TSquareBladeCollection::Draw(IDevice& device, const TSquareBladeMaterials& materials, int drawFlags) const {
  if (!Visible())
    return;

  device.SetFVF(VertexFormat::Xyz);
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 1u);
  device.SetRenderState(RenderState::PointSize, SingleBits(static_cast<float>(materials.PointSize())));
  device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  device.SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  if ((drawFlags & (DrawFlag::dfPoints | DrawFlag::dfBorders | DrawFlag::dfSurfaces)) == 0)
    return;

  Blades blades;
  Blades textureBlades;
  blades.reserve(static_cast<std::size_t>(Count()));
  for (TCollectionItem* item : ItemList()) {
    const auto* blade = static_cast<const TSquareBlade*>(item);
    if (!blade->Visible())
      continue;
    blades.push_back(blade);
    if (blade->DrawTexture())
      textureBlades.push_back(blade);
  }

  MaterialSwitch use(device);

  if (drawFlags & DrawFlag::dfSurfaces)
    DrawBackSides(device, use, materials.Reverse(), blades);
  if (drawFlags & DrawFlag::dfBorders)
    DrawOutlines(device, use, materials.Border(), blades);
  if (drawFlags & DrawFlag::dfPoints)
    DrawCorners(device, use, materials.Border(), blades);

  if (drawFlags & DrawFlag::dfBorders)
    DrawOutlines(device, use, materials.TextureBorder(), textureBlades);
  if (drawFlags & DrawFlag::dfPoints)
    DrawCorners(device, use, materials.TextureBorder(), textureBlades);

  DrawSelection(device, use, materials.Selected(), blades, drawFlags);
  DrawSelection(device, use, materials.TextureSelected(), textureBlades, drawFlags);

  if (drawFlags & DrawFlag::dfSurfaces) {
    device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
    device.SetRenderState(RenderState::ZFunc, CompareFunc::Less);
    for (const TSquareBlade* blade : blades) {
      use.Use(blade->DrawTexture() ? materials.TextureSurface() : materials.Surface());
      device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, std::span(kBladeFrontStrip),
                                    blade->PositionCache());
    }
    device.SetRenderState(RenderState::ZFunc, CompareFunc::LessEqual);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  }
}

void TSquareBladeCollections::Draw(IDevice& device) const {
  for (int i = Count(); i-- > 0;) {
    const TSquareBladeCollection* layer = GetLayer(i);
    if (layer->Visible())
      layer->Draw(device, *materials_, drawFlags_);
  }
}

}  // namespace vrel
