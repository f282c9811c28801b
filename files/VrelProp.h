#pragma once

// The display and editing settings: every colour and opacity of the 3D view (background, cube, start
// point, plane mark, polygons, texture polygons), the sizes of the two markers, which parts of the
// texture polygons are drawn, and four editing switches. The main window loads them from the
// section "Property" of the settings file, applies them to the live objects with AssignTo, gathers
// them back with Assign and saves them at exit; the settings dialog edits a copy with a live preview.
//
// A batch (SetDefaults, ResetItem, Assign, a load) announces itself once at its end, however many
// parts it changed, so a preview redraws once per user action.

#include <cstdint>
#include <memory>

#include "platform/Classes.h"
#include "scene/DX9Materials.h"
#include "scene/DX9TextureCube.h"

namespace vrel {

class TRegManager;

// A set of TTextureCubeDrawState bits: dsSurface 1, dsBorder 2, dsVertex 4.
using TTextureCubeDrawStates = uint8_t;

class TVrelProp : public TComponent {
  VREL_CLASS_INFO
 public:
  // Colours keep red in the low byte; alphas are percentages.
  static constexpr int32_t kDefaultBackGroundColor = 5849112;
  static constexpr int32_t kDefaultCubeBorderColor = 16776960;
  static constexpr int32_t kDefaultStartPointBorderColor = 255;
  static constexpr int32_t kDefaultStartPointSurfaceColor = 16777215;
  static constexpr int32_t kDefaultStartPointSurfaceAlpha = 50;
  static constexpr float kDefaultStartPointLength = 4.0f;
  static constexpr int32_t kDefaultPlaneMarkBorderColor = 255;
  static constexpr int32_t kDefaultPlaneMarkSurfaceColor = 255;
  static constexpr int32_t kDefaultPlaneMarkSurfaceAlpha = 50;
  static constexpr float kDefaultPlaneMarkLength = 3.0f;
  static constexpr int32_t kDefaultPolygonBorderColor = 11763942;
  static constexpr int32_t kDefaultPolygonSurfaceColor = 0;
  static constexpr int32_t kDefaultPolygonSurfaceAlpha = 30;
  static constexpr int32_t kDefaultPolygonReverseColor = 12632256;
  static constexpr int32_t kDefaultPolygonSelectedColor = 11789952;
  static constexpr int32_t kDefaultPolygonTextureBorderColor = 8323298;
  static constexpr int32_t kDefaultPolygonTextureSurfaceColor = 0;
  static constexpr int32_t kDefaultPolygonTextureSurfaceAlpha = 13;
  static constexpr int32_t kDefaultPolygonTextureSelectedColor = 15711039;
  static constexpr int32_t kDefaultTextureCubeBorderColor = 32768;
  static constexpr TTextureCubeDrawStates kDefaultTextureCubeDrawStates = dsSurface | dsBorder;
  static constexpr bool kDefaultPlaneSmooth = false;
  static constexpr bool kDefaultDiagonalKnife = false;
  static constexpr bool kDefaultIgnoreVisible = true;
  static constexpr bool kDefaultScissorsHighlight = true;
  static constexpr int32_t kDefaultScissorsHighlightColor = 6750207;

  // Every setting at its default.
  explicit TVrelProp(TComponent* owner = nullptr);
  ~TVrelProp() override;

  // Fired after a change of the background, a marker length, the texture-cube draw states or any
  // material except the cube's (whose change shows at the next redraw anyway).
  TNotifyEvent OnChange;

  int32_t RenderBackGroundColor() const { return renderBackGroundColor_; }
  void SetRenderBackGroundColor(int32_t value);
  // The material setters copy the value into the owned material (Assign).
  TCubeMaterial* CubeMaterial() const { return cubeMaterial_.get(); }
  void SetCubeMaterial(const TCubeMaterial* value);
  TSurfaceBorderMaterials* StartPointMaterials() const { return startPointMaterials_.get(); }
  void SetStartPointMaterials(const TSurfaceBorderMaterials* value);
  float StartPointLength() const { return startPointLength_; }
  void SetStartPointLength(float value);
  TSurfaceBorderMaterials* PlaneMarkMaterials() const { return planeMarkMaterials_.get(); }
  void SetPlaneMarkMaterials(const TSurfaceBorderMaterials* value);
  float PlaneMarkLength() const { return planeMarkLength_; }
  void SetPlaneMarkLength(float value);
  TSquareBladeMaterials* PolygonMaterials() const { return polygonMaterials_.get(); }
  void SetPolygonMaterials(const TSquareBladeMaterials* value);
  TCubeMaterial* TextureCubeMaterial() const { return textureCubeMaterial_.get(); }
  void SetTextureCubeMaterial(const TCubeMaterial* value);
  // Bits other than the three states are dropped.
  TTextureCubeDrawStates TextureCubeDrawStates() const { return textureCubeDrawStates_; }
  void SetTextureCubeDrawStates(TTextureCubeDrawStates value);

  // The switches and the highlight colour are read by the main window when it needs them, so they
  // change without an announcement.
  // Plane-mark key motion with acceleration and braking.
  bool PlaneSmooth() const { return planeSmooth_; }
  void SetPlaneSmooth(bool value) { planeSmooth_ = value; }
  // The knife may cut a quad into three along a diagonal.
  bool DiagonalKnife() const { return diagonalKnife_; }
  void SetDiagonalKnife(bool value) { diagonalKnife_ = value; }
  // The scene file gets hidden layers and blades too (the scene filer's ExportAll).
  bool IgnoreVisible() const { return ignoreVisible_; }
  void SetIgnoreVisible(bool value) { ignoreVisible_ = value; }
  // The scissors highlight the edge they would join, in ScissorsHighlightColor.
  bool ScissorsHighlight() const { return scissorsHighlight_; }
  void SetScissorsHighlight(bool value) { scissorsHighlight_ = value; }
  int32_t ScissorsHighlightColor() const { return scissorsHighlightColor_; }
  void SetScissorsHighlightColor(int32_t value) { scissorsHighlightColor_ = value; }

  // Fires OnChange (Sender = this) unless a batch is running.
  void DoChange();
  // Every setting to its default, then one change.
  void SetDefaults();
  // One group of the settings dialog to its default, then one change: 1 background; 2 cube border;
  // 3 start-point border; 4 start-point surface colour and alpha; 5 start-point length; 6 plane-mark
  // border; 7 plane-mark surface; 8 plane-mark length; 9 polygon border; 10 polygon surface; 11
  // reverse side; 12 selected; 13 texture-polygon border; 14 texture-polygon surface; 15 texture
  // polygon selected; 16 texture-cube border and draw states; 17 PlaneSmooth; 18 DiagonalKnife; 19
  // IgnoreVisible; 20 both scissors settings. Any other n only fires the change.
  void ResetItem(int n);

  // Gathers, by the source's class, then one change: another TVrelProp (everything); the view
  // control (background); the overlay stage (cube material, start point and plane mark materials
  // and lengths); the layer set (polygon materials, diagonal knife); the texture cube and the fin
  // container (texture-cube material and draw states); the scene filer (IgnoreVisible from
  // ExportAll). Raises EConvertError for any other source.
  void Assign(const TPersistent* source) override;
  // Applies to the same kinds of object (a TVrelProp takes everything through its Assign), without
  // a change of this object. Raises EConvertError for any other destination.
  void AssignTo(TPersistent* dest) const override;

  // --- the settings file ------------------------------------------------------------------------

  // The section the settings live in.
  static constexpr const char* kSection = "Property";
  // Declares the items of the section (name = key, defaults as text, in file order) that `reg` does
  // not have yet.
  static void AddRegItems(TRegManager& reg);
  // Reads every key through the setters, as one batch. A value that does not convert (or a length
  // that a single cannot hold) reads as the key's default; an alpha is clamped to 0..100.
  void LoadSettings(TRegManager& reg);
  // Writes every key: colours, alphas and the draw states as decimal integers, the switches as
  // "1"/"0", the lengths as the shortest decimal that reads back as the same single.
  void SaveSettings(TRegManager& reg) const;

 private:
  // Holds announcements back for the life of the object; the batch ends with one DoChange.
  class Batch;
  void PartChanged(TObject* sender);

  int32_t renderBackGroundColor_ = kDefaultBackGroundColor;
  std::unique_ptr<TCubeMaterial> cubeMaterial_;
  std::unique_ptr<TSurfaceBorderMaterials> startPointMaterials_;
  float startPointLength_ = kDefaultStartPointLength;
  std::unique_ptr<TSurfaceBorderMaterials> planeMarkMaterials_;
  float planeMarkLength_ = kDefaultPlaneMarkLength;
  std::unique_ptr<TSquareBladeMaterials> polygonMaterials_;
  std::unique_ptr<TCubeMaterial> textureCubeMaterial_;
  TTextureCubeDrawStates textureCubeDrawStates_ = kDefaultTextureCubeDrawStates;
  bool planeSmooth_ = kDefaultPlaneSmooth;
  bool diagonalKnife_ = kDefaultDiagonalKnife;
  bool ignoreVisible_ = kDefaultIgnoreVisible;
  bool scissorsHighlight_ = kDefaultScissorsHighlight;
  int32_t scissorsHighlightColor_ = kDefaultScissorsHighlightColor;
  int batchCount_ = 0;
};

// Registers TVrelProp for component streams.
void RegisterVrelPropClasses();

}  // namespace vrel
