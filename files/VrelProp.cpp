#include "files/VrelProp.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "files/RegMng.h"
#include "files/VrelConverter.h"
#include "files/VrelPanoFiler.h"
#include "platform/NumberFormat.h"
#include "scene/DX9Render.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Square.h"

namespace vrel {

namespace {

constexpr TTextureCubeDrawStates kAllDrawStates = dsSurface | dsBorder | dsVertex;

const char* const kDrawStateNames[] = {"dsSurface", "dsBorder", "dsVertex"};

template <auto Get, auto Set>
TPropInfo SingleProperty(const char* name) {
  return props::Float<Get, Set>(name);
}

using enum TSettingKind;

// The rows of the settings dialog's elements follow the table; so do the published properties
// and the keys of the file.
constexpr TDisplaySetting kSettings[] = {
    {"RenderBackGroundColor", "BackGroundColor", Color, 5849112, 1,
     &props::Integer<&TVrelProp::RenderBackGroundColor, &TVrelProp::SetRenderBackGroundColor>},
    {"CubeMaterial.Border.Color", "CubeBorderColor", Color, 16776960, 2},
    {"StartPointMaterials.Border.Color", "StartPointBorderColor", Color, 255, 3},
    {"StartPointMaterials.Surface.Color", "StartPointSurfaceColor", Color, 16777215, 4},
    {"StartPointMaterials.Surface.Alpha", "StartPointSurfaceAlpha", Alpha, 50, 4},
    {"StartPointLength", "StartPointLength", Length, 4.0, 5,
     &SingleProperty<&TVrelProp::StartPointLength, &TVrelProp::SetStartPointLength>},
    {"PlaneMarkMaterials.Border.Color", "PlaneMarkBorderColor", Color, 255, 6},
    {"PlaneMarkMaterials.Surface.Color", "PlaneMarkSurfaceColor", Color, 255, 7},
    {"PlaneMarkMaterials.Surface.Alpha", "PlaneMarkSurfaceAlpha", Alpha, 50, 7},
    {"PlaneMarkLength", "PlaneMarkLength", Length, 3.0, 8,
     &SingleProperty<&TVrelProp::PlaneMarkLength, &TVrelProp::SetPlaneMarkLength>},
    {"PolygonMaterials.Border.Color", "PolygonBorderColor", Color, 11763942, 9},
    {"PolygonMaterials.Surface.Color", "PolygonSurfaceColor", Color, 0, 10},
    {"PolygonMaterials.Surface.Alpha", "PolygonSurfaceAlpha", Alpha, 30, 10},
    {"PolygonMaterials.Reverse.Color", "PolygonReverseColor", Color, 12632256, 11},
    {"PolygonMaterials.Selected.Color", "PolygonSelectedColor", Color, 11789952, 12},
    {"PolygonMaterials.TextureBorder.Color", "PolygonTextureBorderColor", Color, 8323298, 13},
    {"PolygonMaterials.TextureSurface.Color", "PolygonTextureSurfaceColor", Color, 0, 14},
    {"PolygonMaterials.TextureSurface.Alpha", "PolygonTextureSurfaceAlpha", Alpha, 13, 14},
    {"PolygonMaterials.TextureSelected.Color", "PolygonTextureSelectedColor", Color, 15711039, 15},
    {"TextureCubeMaterial.Border.Color", "TextureCubeBorderColor", Color, 32768, 16},
    {"TextureCubeDrawStates", "TextureCubeDrawState", DrawStates, dsSurface | dsBorder, 16,
     &props::Integer<&TVrelProp::TextureCubeDrawStates, &TVrelProp::SetTextureCubeDrawStates>},
    {"PlaneSmooth", "PlaneSmooth", Switch, false, 17,
     &props::Boolean<&TVrelProp::PlaneSmooth, &TVrelProp::SetPlaneSmooth>},
    {"DiagonalKnife", "DiagonalKnife", Switch, false, 18,
     &props::Boolean<&TVrelProp::DiagonalKnife, &TVrelProp::SetDiagonalKnife>},
    {"IgnoreVisible", "IgnoreVisible", Switch, true, 19,
     &props::Boolean<&TVrelProp::IgnoreVisible, &TVrelProp::SetIgnoreVisible>},
    {"ScissorsHighlight", "ScissorsHighlight", Switch, true, 20,
     &props::Boolean<&TVrelProp::ScissorsHighlight, &TVrelProp::SetScissorsHighlight>},
    {"ScissorsHighlightColor", "ScissorsHighlightColor", Color, 6750207, 20,
     &props::Integer<&TVrelProp::ScissorsHighlightColor, &TVrelProp::SetScissorsHighlightColor>},
};

// A material the settings object owns and publishes whole; the settings inside it are reached by
// their paths through it.
struct MaterialGroup {
  const char* name;
  TPropInfo (*property)(const char* name);
  // Back to a material of its class as made, so what no setting names (point sizes, the borders'
  // opacity) comes back too.
  void (*reset)(TVrelProp& prop);
  TPersistent* Of(const TVrelProp& prop) const { return property(name).GetObj(prop); }
};

template <auto Get>
constexpr MaterialGroup Group(const char* name) {
  return {name, &props::Object<Get>, [](TVrelProp& prop) {
            const std::remove_pointer_t<decltype((prop.*Get)())> fresh;
            (prop.*Get)()->Assign(&fresh);
          }};
}

constexpr MaterialGroup kMaterialGroups[] = {
    Group<&TVrelProp::CubeMaterial>("CubeMaterial"),
    Group<&TVrelProp::StartPointMaterials>("StartPointMaterials"),
    Group<&TVrelProp::PlaneMarkMaterials>("PlaneMarkMaterials"),
    Group<&TVrelProp::PolygonMaterials>("PolygonMaterials"),
    Group<&TVrelProp::TextureCubeMaterial>("TextureCubeMaterial"),
};

// The first name of a path.
std::string_view HeadOf(std::string_view path) {
  return path.substr(0, path.find('.'));
}

// The property of a setting and the object that holds it, by the setting's path from `root`.
std::pair<TPersistent*, const TPropInfo*> Resolve(TPersistent& root, std::string_view path) {
  TPersistent* object = &root;
  for (;;) {
    const std::size_t dot = path.find('.');
    const TPropInfo* prop = object->ClassInfo().FindProp(path.substr(0, dot));
    if (prop == nullptr)
      throw EConvertError("The display setting " + std::string(path) + " has no property");
    if (dot == std::string_view::npos)
      return {object, prop};
    object = prop->GetObj(*object);
    path.remove_prefix(dot + 1);
  }
}

TPropInfo ColorProperty(TPropInfo p) {
  return props::WithIdents(p, &ColorIdentToInt);
}

TPropInfo OnChangeProperty() {
  TPropInfo p;
  p.Name = "OnChange";
  p.Kind = TTypeKind::Method;
  p.GetMethod = [](const TPersistent& o) -> TNotifyEvent { return static_cast<const TVrelProp&>(o).OnChange; };
  p.SetMethod = [](TPersistent& o, const TNotifyEvent& e) { static_cast<TVrelProp&>(o).OnChange = e; };
  return p;
}

// The published properties: the settings of the object's own, and each material where its first
// setting stands.
std::vector<TPropInfo> PublishedProperties() {
  std::vector<TPropInfo> published;
  std::vector<std::string_view> groupsDone;
  for (const TDisplaySetting& setting : kSettings) {
    if (setting.OwnProperty) {
      TPropInfo p = setting.OwnProperty(setting.StreamName);
      if (setting.Kind == Color)
        p = ColorProperty(p);
      if (setting.Kind == DrawStates) {
        p.Kind = TTypeKind::Set;
        p.Names = kDrawStateNames;
      }
      published.push_back(p);
      continue;
    }
    const std::string_view head = HeadOf(setting.StreamName);
    if (std::find(groupsDone.begin(), groupsDone.end(), head) != groupsDone.end())
      continue;
    groupsDone.push_back(head);
    for (const MaterialGroup& group : kMaterialGroups) {
      if (group.name == head)
        published.push_back(group.property(group.name));
    }
  }
  published.push_back(OnChangeProperty());
  return published;
}

}  // namespace

class TVrelProp::Batch {
 public:
  explicit Batch(TVrelProp& prop) : prop_(prop) { ++prop_.batchCount_; }
  ~Batch() { --prop_.batchCount_; }
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

 private:
  TVrelProp& prop_;
};

const TClassInfo& TVrelProp::StaticClass() {
  static const TClassInfo info("TVrelProp", &Inherited::StaticClass(), PublishedProperties(),
                               [](TComponent* owner) -> TComponent* { return new TVrelProp(owner); });
  return info;
}

void RegisterVrelPropClasses() {
  RegisterClass(TVrelProp::StaticClass());
}

std::span<const TDisplaySetting> TVrelProp::Settings() {
  return kSettings;
}

double TVrelProp::SettingValue(const TDisplaySetting& setting) const {
  const auto [object, prop] = Resolve(const_cast<TVrelProp&>(*this), setting.StreamName);
  return prop->Kind == TTypeKind::Float ? prop->GetFloat(*object) : static_cast<double>(prop->GetOrd(*object));
}

void TVrelProp::SetSettingValue(const TDisplaySetting& setting, double value) {
  const auto [object, prop] = Resolve(*this, setting.StreamName);
  if (prop->Kind == TTypeKind::Float)
    prop->SetFloat(*object, value);
  else
    prop->SetOrd(*object, static_cast<int64_t>(value));
}

TVrelProp::TVrelProp(TComponent* owner)
    : TComponent(owner),
      cubeMaterial_(std::make_unique<TCubeMaterial>()),
      startPointMaterials_(std::make_unique<TSurfaceBorderMaterials>()),
      planeMarkMaterials_(std::make_unique<TSurfaceBorderMaterials>()),
      polygonMaterials_(std::make_unique<TSquareBladeMaterials>()),
      textureCubeMaterial_(std::make_unique<TCubeMaterial>()) {
  SetDefaults();
  // The cube's edges are redrawn with the cube at the next frame; nothing previews them alone.
  const TNotifyEvent changed = TNotifyEvent::Of<&TVrelProp::PartChanged>(this);
  startPointMaterials_->OnChange = changed;
  planeMarkMaterials_->OnChange = changed;
  polygonMaterials_->OnChange = changed;
  textureCubeMaterial_->OnChange = changed;
}

TVrelProp::~TVrelProp() = default;

void TVrelProp::PartChanged(TObject*) {
  DoChange();
}

void TVrelProp::DoChange() {
  if (batchCount_ == 0 && OnChange)
    OnChange(this);
}

void TVrelProp::SetRenderBackGroundColor(int32_t value) {
  if (value == renderBackGroundColor_)
    return;
  renderBackGroundColor_ = value;
  DoChange();
}

void TVrelProp::SetCubeMaterial(const TCubeMaterial* value) {
  cubeMaterial_->Assign(value);
}

void TVrelProp::SetStartPointMaterials(const TSurfaceBorderMaterials* value) {
  startPointMaterials_->Assign(value);
}

void TVrelProp::SetStartPointLength(float value) {
  if (value == startPointLength_)
    return;
  startPointLength_ = value;
  DoChange();
}

void TVrelProp::SetPlaneMarkMaterials(const TSurfaceBorderMaterials* value) {
  planeMarkMaterials_->Assign(value);
}

void TVrelProp::SetPlaneMarkLength(float value) {
  if (value == planeMarkLength_)
    return;
  planeMarkLength_ = value;
  DoChange();
}

void TVrelProp::SetPolygonMaterials(const TSquareBladeMaterials* value) {
  polygonMaterials_->Assign(value);
}

void TVrelProp::SetTextureCubeMaterial(const TCubeMaterial* value) {
  textureCubeMaterial_->Assign(value);
}

void TVrelProp::SetTextureCubeDrawStates(TTextureCubeDrawStates value) {
  value &= kAllDrawStates;
  if (value == textureCubeDrawStates_)
    return;
  textureCubeDrawStates_ = value;
  DoChange();
}

void TVrelProp::SetDefaults() {
  {
    Batch batch(*this);
    for (const MaterialGroup& group : kMaterialGroups)
      group.reset(*this);
    for (const TDisplaySetting& setting : kSettings)
      SetSettingValue(setting, setting.Default);
  }
  DoChange();
}

void TVrelProp::ResetItem(int n) {
  {
    Batch batch(*this);
    for (const TDisplaySetting& setting : kSettings) {
      if (setting.ResetGroup == n)
        SetSettingValue(setting, setting.Default);
    }
  }
  DoChange();
}

void TVrelProp::Assign(const TPersistent* source) {
  {
    Batch batch(*this);
    if (const auto* prop = As<TVrelProp>(source)) {
      // Whole materials, then the settings of this object's own.
      for (const MaterialGroup& group : kMaterialGroups)
        group.Of(*this)->Assign(group.Of(*prop));
      for (const TDisplaySetting& setting : kSettings) {
        if (setting.OwnProperty)
          SetSettingValue(setting, prop->SettingValue(setting));
      }
    } else if (const auto* render = As<TDX9Render>(source)) {
      SetRenderBackGroundColor(static_cast<int32_t>(render->BackgroundColor()));
    } else if (const auto* stage = As<TDX9RenderStage>(source)) {
      SetCubeMaterial(stage->CubeMaterial());
      SetStartPointMaterials(stage->StartPoint()->Materials());
      SetStartPointLength(stage->StartPoint()->Length());
      SetPlaneMarkMaterials(stage->PlaneMark()->Materials());
      SetPlaneMarkLength(stage->PlaneMark()->Length());
    } else if (const auto* layers = As<TSquareBladeCollections>(source)) {
      SetPolygonMaterials(layers->Materials());
      diagonalKnife_ = layers->DiagonalKnife();
    } else if (const auto* textureCube = As<TTextureCube>(source)) {
      SetTextureCubeMaterial(textureCube->Material());
      SetTextureCubeDrawStates(textureCube->DrawStates());
    } else if (const auto* fins = As<TFinCollectionsContainer>(source)) {
      SetTextureCubeMaterial(fins->Material());
      SetTextureCubeDrawStates(fins->DrawStates());
    } else if (const auto* filer = As<TVrelPanoFiler>(source)) {
      ignoreVisible_ = filer->ExportAll();
    } else {
      TComponent::Assign(source);
    }
  }
  DoChange();
}

void TVrelProp::AssignTo(TPersistent* dest) const {
  if (auto* prop = As<TVrelProp>(dest)) {
    prop->Assign(this);
  } else if (auto* render = As<TDX9Render>(dest)) {
    render->SetBackgroundColor(static_cast<uint32_t>(renderBackGroundColor_));
  } else if (auto* stage = As<TDX9RenderStage>(dest)) {
    stage->CubeMaterial()->Assign(cubeMaterial_.get());
    stage->StartPoint()->Materials()->Assign(startPointMaterials_.get());
    stage->PlaneMark()->Materials()->Assign(planeMarkMaterials_.get());
    stage->StartPoint()->SetLength(startPointLength_);
    stage->PlaneMark()->SetLength(planeMarkLength_);
  } else if (auto* layers = As<TSquareBladeCollections>(dest)) {
    layers->Materials()->Assign(polygonMaterials_.get());
    layers->SetDiagonalKnife(diagonalKnife_);
  } else if (auto* textureCube = As<TTextureCube>(dest)) {
    textureCube->Material()->Assign(textureCubeMaterial_.get());
    textureCube->SetDrawStates(textureCubeDrawStates_);
  } else if (auto* fins = As<TFinCollectionsContainer>(dest)) {
    fins->Material()->Assign(textureCubeMaterial_.get());
    fins->SetDrawStates(textureCubeDrawStates_);
  } else if (auto* filer = As<TVrelPanoFiler>(dest)) {
    filer->SetExportAll(ignoreVisible_);
  } else {
    TComponent::AssignTo(dest);
  }
}

// ---------------------------------------------------------------------------------------------
// The settings file

namespace {

// A length the settings can hold: a finite value within the range of a single.
bool IsSingle(double value) {
  return std::isfinite(value) && std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max());
}

// The shortest decimal that reads back as exactly `value`, as a double: 4.1f is written "4.1" and
// not as the fifteen digits of the double nearest to the single.
double ShortestDecimal(float value) {
  if (!std::isfinite(value))
    return value;
  for (int digits = 6; digits <= 9; ++digits) {
    double decimal = 0.0;
    if (ParseDouble(FormatGeneral(value, digits), decimal) && static_cast<float>(decimal) == value)
      return decimal;
  }
  return value;
}

// The default as the settings item's text.
std::string DefaultText(const TDisplaySetting& setting) {
  switch (setting.Kind) {
    case Switch:
      return setting.Default != 0 ? "True" : "False";
    case Length:
      return FormatGeneral(setting.Default, 15);
    case Color:
    case Alpha:
    case DrawStates:
      break;
  }
  return std::to_string(static_cast<int64_t>(setting.Default));
}

}  // namespace

void TVrelProp::AddRegItems(TRegManager& reg) {
  for (const TDisplaySetting& setting : kSettings) {
    if (!reg.RegItems()->FindByName(setting.IniKey))
      reg.AddItem(setting.IniKey, kSection, setting.IniKey, DefaultText(setting));
  }
}

void TVrelProp::LoadSettings(TRegManager& reg) {
  AddRegItems(reg);
  const TRegSession session(reg);
  {
    Batch batch(*this);
    for (const TDisplaySetting& setting : kSettings) {
      TRegFiler& filer = reg.GetItem(setting.IniKey);
      switch (setting.Kind) {
        case Color:
        case Alpha:
          SetSettingValue(setting, filer.ReadInteger());
          break;
        case DrawStates:
          // A set of three states is one byte; the store's integer may hold anything.
          SetSettingValue(setting, filer.ReadInteger() & 0xFF);
          break;
        case Switch:
          SetSettingValue(setting, filer.ReadBool() ? 1 : 0);
          break;
        case Length: {
          const double value = filer.ReadFloat();
          SetSettingValue(setting, IsSingle(value) ? value : setting.Default);
          break;
        }
      }
    }
  }
  DoChange();
}

void TVrelProp::SaveSettings(TRegManager& reg) const {
  AddRegItems(reg);
  TRegSession session(reg);
  for (const TDisplaySetting& setting : kSettings) {
    TRegFiler& filer = reg.GetItem(setting.IniKey);
    const double value = SettingValue(setting);
    switch (setting.Kind) {
      case Color:
      case Alpha:
      case DrawStates:
        filer.WriteInteger(static_cast<int32_t>(value));
        break;
      case Switch:
        filer.WriteBool(value != 0);
        break;
      case Length:
        filer.WriteFloat(ShortestDecimal(static_cast<float>(value)));
        break;
    }
  }
  session.Commit();
}

}  // namespace vrel
