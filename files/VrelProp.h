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
#include <span>

#include "platform/Classes.h"
#include "platform/TypInfo.h"
#include "scene/DX9Materials.h"
#include "scene/DX9TextureCube.h"

namespace vrel {

class TRegManager;
class TVrelProp;

// A set of TTextureCubeDrawState bits: dsSurface 1, dsBorder 2, dsVertex 4.
using TTextureCubeDrawStates = uint8_t;

// What a display setting holds; it decides the setting's published type and its text in the file.
enum class TSettingKind : uint8_t {
  Color,       // red in the low byte; a decimal integer in the file
  Alpha,       // an opacity in percent, 0..100; a decimal integer
  DrawStates,  // TTextureCubeDrawStates; a decimal integer
  Switch,      // a Boolean; "1" or "0"
  Length,      // a single; the shortest decimal that reads back as the same single
};

// One display setting, the one place that says how the component stream, the settings file, the
// defaults and the settings dialog's reset buttons know it.
struct TDisplaySetting {
  // The published property: one of the settings object's own, or a colour or an opacity inside one
  // of its materials, named by the path through them ("PolygonMaterials.Surface.Alpha").
  const char* StreamName;
  // The key in the section "Property"; the settings item has the same name.
  const char* IniKey;
  TSettingKind Kind;
  // The value at start and after a reset; every kind's values are exact in a double.
  double Default;
  // The element of the settings dialog whose reset restores it (TVrelProp::ResetItem).
  int ResetGroup;
  // For a setting of the settings object's own: makes its published property (a props:: maker,
  // named by StreamName). Nothing for a setting inside a material, which its material publishes.
  TPropInfo (*OwnProperty)(const char* name) = nullptr;
};

class TVrelProp : public TComponent {
  VREL_CLASS_INFO(TVrelProp, TComponent)
 public:
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
  // The settings of element n of the settings dialog (those whose ResetGroup is n) to their
  // defaults, then one change; any other n only fires the change.
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

  // Every display setting, in the order of the published properties and of the settings file.
  static std::span<const TDisplaySetting> Settings();
  // A setting's value, as a double.
  double SettingValue(const TDisplaySetting& setting) const;
  // Sets it through its setter (so an opacity is clamped and a change announced).
  void SetSettingValue(const TDisplaySetting& setting, double value);

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

  int32_t renderBackGroundColor_ = 0;
  std::unique_ptr<TCubeMaterial> cubeMaterial_;
  std::unique_ptr<TSurfaceBorderMaterials> startPointMaterials_;
  float startPointLength_ = 0;
  std::unique_ptr<TSurfaceBorderMaterials> planeMarkMaterials_;
  float planeMarkLength_ = 0;
  std::unique_ptr<TSquareBladeMaterials> polygonMaterials_;
  std::unique_ptr<TCubeMaterial> textureCubeMaterial_;
  TTextureCubeDrawStates textureCubeDrawStates_ = 0;
  bool planeSmooth_ = false;
  bool diagonalKnife_ = false;
  bool ignoreVisible_ = false;
  bool scissorsHighlight_ = false;
  int32_t scissorsHighlightColor_ = 0;
  int batchCount_ = 0;
};

// Registers TVrelProp for component streams.
void RegisterVrelPropClasses();

}  // namespace vrel
