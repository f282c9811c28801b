#pragma once

// Drawing materials: a colour with an opacity that becomes the device material of unlit-looking
// geometry (lighting on, no lights: the emissive colour with the diffuse alpha), and the groups of
// them that blades, the cube, the texture polygons and the overlay markers are drawn with. The
// settings component assigns the user's colours into them; a change of any part is a change of the
// group, so the views redraw.

#include <cstdint>
#include <memory>

#include "platform/Device.h"
#include "platform/zeClasses.h"

namespace vrel {

// A colour (red in the low byte, as settings keep it) and an opacity in percent.
class TRenderMaterial : public TNotifyPersistent {
  VREL_CLASS_INFO(TRenderMaterial, TNotifyPersistent)
 public:
  TRenderMaterial();

  // What SetMaterial takes: emissive = the colour with alpha 1, diffuse = (0, 0, 0, Alpha / 100),
  // everything else zero.
  const Material& DeviceMaterial() const { return material_; }
  int32_t Alpha() const { return alpha_; }
  // Clamped to 0..100.
  void SetAlpha(int32_t value);
  int32_t Color() const { return color_; }
  void SetColor(int32_t value);

  void UpdateMaterial();
  // From a TRenderMaterial: Color and Alpha with one change.
  void Assign(const TPersistent* source) override;

 private:
  Material material_;
  int32_t alpha_ = 100;
  int32_t color_ = 0xFFFFFF;
};

// A border and a surface material, as the start point and the plane mark draw them.
class TSurfaceBorderMaterials : public TNotifyPersistent {
  VREL_CLASS_INFO(TSurfaceBorderMaterials, TNotifyPersistent)
 public:
  TSurfaceBorderMaterials();
  ~TSurfaceBorderMaterials() override;

  TRenderMaterial* Border() const { return border_.get(); }
  TRenderMaterial* Surface() const { return surface_.get(); }

  // From a TSurfaceBorderMaterials (or a descendant): Border and Surface with one change.
  void Assign(const TPersistent* source) override;

 protected:
  // A material whose changes are this group's changes.
  std::unique_ptr<TRenderMaterial> MakePart();

 private:
  std::unique_ptr<TRenderMaterial> border_;
  std::unique_ptr<TRenderMaterial> surface_;
};

// Everything a layer of blades is drawn with.
class TSquareBladeMaterials : public TSurfaceBorderMaterials {
  VREL_CLASS_INFO(TSquareBladeMaterials, TSurfaceBorderMaterials)
 public:
  TSquareBladeMaterials();
  ~TSquareBladeMaterials() override;

  // Pixels.
  int32_t PointSize() const { return pointSize_; }
  void SetPointSize(int32_t value);
  // The back side of a blade.
  TRenderMaterial* Reverse() const { return reverse_.get(); }
  TRenderMaterial* Selected() const { return selected_.get(); }
  // The same three for blades that become texture polygons.
  TRenderMaterial* TextureBorder() const { return textureBorder_.get(); }
  TRenderMaterial* TextureSurface() const { return textureSurface_.get(); }
  TRenderMaterial* TextureSelected() const { return textureSelected_.get(); }

  // From a TSquareBladeMaterials only: every material and the point size with one change.
  void Assign(const TPersistent* source) override;

 private:
  int32_t pointSize_ = 5;
  std::unique_ptr<TRenderMaterial> reverse_;
  std::unique_ptr<TRenderMaterial> selected_;
  std::unique_ptr<TRenderMaterial> textureBorder_;
  std::unique_ptr<TRenderMaterial> textureSurface_;
  std::unique_ptr<TRenderMaterial> textureSelected_;
};

// The edge and corner colour and the point size of the cube and of the texture polygons.
class TCubeMaterial : public TNotifyPersistent {
  VREL_CLASS_INFO(TCubeMaterial, TNotifyPersistent)
 public:
  TCubeMaterial();
  ~TCubeMaterial() override;

  int32_t PointSize() const { return pointSize_; }
  void SetPointSize(int32_t value);
  TRenderMaterial* Border() const { return border_.get(); }

  // From a TCubeMaterial only: Border and PointSize with one change.
  void Assign(const TPersistent* source) override;

 private:
  int32_t pointSize_ = 5;
  std::unique_ptr<TRenderMaterial> border_;
};

// Index tables into a blade's four corners.
inline constexpr std::uint16_t kBladeFrontStrip[4] = {0, 1, 3, 2};
inline constexpr std::uint16_t kBladeBackStrip[4] = {0, 3, 1, 2};
inline constexpr std::uint16_t kBladeOutline[5] = {0, 1, 2, 3, 0};

}  // namespace vrel
