#include "files/VrelProp.h"

#include <cmath>
#include <limits>

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

std::unique_ptr<TSurfaceBorderMaterials> MarkerMaterials(int32_t border, int32_t surface, int32_t alpha) {
  auto materials = std::make_unique<TSurfaceBorderMaterials>();
  materials->Border()->SetColor(border);
  materials->Surface()->SetColor(surface);
  materials->Surface()->SetAlpha(alpha);
  return materials;
}

std::unique_ptr<TCubeMaterial> CubeMaterialOf(int32_t border) {
  auto material = std::make_unique<TCubeMaterial>();
  material->Border()->SetColor(border);
  return material;
}

void ResetSurface(TRenderMaterial* surface, int32_t color, int32_t alpha) {
  surface->SetColor(color);
  surface->SetAlpha(alpha);
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
  static const TClassInfo info(
      "TVrelProp", &TComponent::StaticClass(),
      {ColorProperty(props::Integer<&TVrelProp::RenderBackGroundColor, &TVrelProp::SetRenderBackGroundColor>(
           "RenderBackGroundColor")),
       props::Object<&TVrelProp::CubeMaterial>("CubeMaterial"),
       props::Object<&TVrelProp::StartPointMaterials>("StartPointMaterials"),
       props::Float<&TVrelProp::StartPointLength, &TVrelProp::SetStartPointLength>("StartPointLength"),
       props::Object<&TVrelProp::PlaneMarkMaterials>("PlaneMarkMaterials"),
       props::Float<&TVrelProp::PlaneMarkLength, &TVrelProp::SetPlaneMarkLength>("PlaneMarkLength"),
       props::Object<&TVrelProp::PolygonMaterials>("PolygonMaterials"),
       props::Object<&TVrelProp::TextureCubeMaterial>("TextureCubeMaterial"),
       props::SetOf<&TVrelProp::TextureCubeDrawStates, &TVrelProp::SetTextureCubeDrawStates>("TextureCubeDrawStates",
                                                                                             kDrawStateNames),
       props::Boolean<&TVrelProp::PlaneSmooth, &TVrelProp::SetPlaneSmooth>("PlaneSmooth"),
       props::Boolean<&TVrelProp::DiagonalKnife, &TVrelProp::SetDiagonalKnife>("DiagonalKnife"),
       props::Boolean<&TVrelProp::IgnoreVisible, &TVrelProp::SetIgnoreVisible>("IgnoreVisible"),
       props::Boolean<&TVrelProp::ScissorsHighlight, &TVrelProp::SetScissorsHighlight>("ScissorsHighlight"),
       ColorProperty(props::Integer<&TVrelProp::ScissorsHighlightColor, &TVrelProp::SetScissorsHighlightColor>(
           "ScissorsHighlightColor")),
       OnChangeProperty()},
      [](TComponent* owner) -> TComponent* { return new TVrelProp(owner); });
  return info;
}

void RegisterVrelPropClasses() {
  RegisterClass(TVrelProp::StaticClass());
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
    SetRenderBackGroundColor(kDefaultBackGroundColor);
    // Whole default materials, so point sizes and border opacities come back too.
    SetCubeMaterial(CubeMaterialOf(kDefaultCubeBorderColor).get());
    SetStartPointMaterials(
        MarkerMaterials(kDefaultStartPointBorderColor, kDefaultStartPointSurfaceColor, kDefaultStartPointSurfaceAlpha)
            .get());
    SetStartPointLength(kDefaultStartPointLength);
    SetPlaneMarkMaterials(
        MarkerMaterials(kDefaultPlaneMarkBorderColor, kDefaultPlaneMarkSurfaceColor, kDefaultPlaneMarkSurfaceAlpha)
            .get());
    SetPlaneMarkLength(kDefaultPlaneMarkLength);
    auto polygon = std::make_unique<TSquareBladeMaterials>();
    polygon->Border()->SetColor(kDefaultPolygonBorderColor);
    ResetSurface(polygon->Surface(), kDefaultPolygonSurfaceColor, kDefaultPolygonSurfaceAlpha);
    polygon->Reverse()->SetColor(kDefaultPolygonReverseColor);
    polygon->Selected()->SetColor(kDefaultPolygonSelectedColor);
    polygon->TextureBorder()->SetColor(kDefaultPolygonTextureBorderColor);
    ResetSurface(polygon->TextureSurface(), kDefaultPolygonTextureSurfaceColor, kDefaultPolygonTextureSurfaceAlpha);
    polygon->TextureSelected()->SetColor(kDefaultPolygonTextureSelectedColor);
    SetPolygonMaterials(polygon.get());
    SetTextureCubeMaterial(CubeMaterialOf(kDefaultTextureCubeBorderColor).get());
    SetTextureCubeDrawStates(kDefaultTextureCubeDrawStates);
    planeSmooth_ = kDefaultPlaneSmooth;
    diagonalKnife_ = kDefaultDiagonalKnife;
    ignoreVisible_ = kDefaultIgnoreVisible;
    scissorsHighlight_ = kDefaultScissorsHighlight;
    scissorsHighlightColor_ = kDefaultScissorsHighlightColor;
  }
  DoChange();
}

void TVrelProp::ResetItem(int n) {
  {
    Batch batch(*this);
    TSquareBladeMaterials& polygon = *polygonMaterials_;
    switch (n) {
      case 1:
        SetRenderBackGroundColor(kDefaultBackGroundColor);
        break;
      case 2:
        cubeMaterial_->Border()->SetColor(kDefaultCubeBorderColor);
        break;
      case 3:
        startPointMaterials_->Border()->SetColor(kDefaultStartPointBorderColor);
        break;
      case 4:
        ResetSurface(startPointMaterials_->Surface(), kDefaultStartPointSurfaceColor, kDefaultStartPointSurfaceAlpha);
        break;
      case 5:
        SetStartPointLength(kDefaultStartPointLength);
        break;
      case 6:
        planeMarkMaterials_->Border()->SetColor(kDefaultPlaneMarkBorderColor);
        break;
      case 7:
        ResetSurface(planeMarkMaterials_->Surface(), kDefaultPlaneMarkSurfaceColor, kDefaultPlaneMarkSurfaceAlpha);
        break;
      case 8:
        SetPlaneMarkLength(kDefaultPlaneMarkLength);
        break;
      case 9:
        polygon.Border()->SetColor(kDefaultPolygonBorderColor);
        break;
      case 10:
        ResetSurface(polygon.Surface(), kDefaultPolygonSurfaceColor, kDefaultPolygonSurfaceAlpha);
        break;
      case 11:
        polygon.Reverse()->SetColor(kDefaultPolygonReverseColor);
        break;
      case 12:
        polygon.Selected()->SetColor(kDefaultPolygonSelectedColor);
        break;
      case 13:
        polygon.TextureBorder()->SetColor(kDefaultPolygonTextureBorderColor);
        break;
      case 14:
        ResetSurface(polygon.TextureSurface(), kDefaultPolygonTextureSurfaceColor, kDefaultPolygonTextureSurfaceAlpha);
        break;
      case 15:
        polygon.TextureSelected()->SetColor(kDefaultPolygonTextureSelectedColor);
        break;
      case 16:
        textureCubeMaterial_->Border()->SetColor(kDefaultTextureCubeBorderColor);
        SetTextureCubeDrawStates(kDefaultTextureCubeDrawStates);
        break;
      case 17:
        planeSmooth_ = kDefaultPlaneSmooth;
        break;
      case 18:
        diagonalKnife_ = kDefaultDiagonalKnife;
        break;
      case 19:
        ignoreVisible_ = kDefaultIgnoreVisible;
        break;
      case 20:
        scissorsHighlight_ = kDefaultScissorsHighlight;
        scissorsHighlightColor_ = kDefaultScissorsHighlightColor;
        break;
      default:
        break;
    }
  }
  DoChange();
}

void TVrelProp::Assign(const TPersistent* source) {
  {
    Batch batch(*this);
    if (const auto* prop = As<TVrelProp>(source)) {
      SetRenderBackGroundColor(prop->renderBackGroundColor_);
      SetCubeMaterial(prop->CubeMaterial());
      SetStartPointMaterials(prop->StartPointMaterials());
      SetStartPointLength(prop->startPointLength_);
      SetPlaneMarkMaterials(prop->PlaneMarkMaterials());
      SetPlaneMarkLength(prop->planeMarkLength_);
      SetPolygonMaterials(prop->PolygonMaterials());
      SetTextureCubeMaterial(prop->TextureCubeMaterial());
      SetTextureCubeDrawStates(prop->textureCubeDrawStates_);
      planeSmooth_ = prop->planeSmooth_;
      diagonalKnife_ = prop->diagonalKnife_;
      ignoreVisible_ = prop->ignoreVisible_;
      scissorsHighlight_ = prop->scissorsHighlight_;
      scissorsHighlightColor_ = prop->scissorsHighlightColor_;
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

enum class KeyKind { Color, Alpha, Integer, Switch, Length };

using MaterialOf = TRenderMaterial* (*)(const TVrelProp&);

// One key of the section. Colour and alpha keys name their material; the others read and write
// the setting itself.
struct PropertyKey {
  const char* ident;
  KeyKind kind;
  const char* defaultText;
  MaterialOf material = nullptr;
  int32_t (*get)(const TVrelProp&) = nullptr;
  void (*set)(TVrelProp&, int32_t) = nullptr;
  float (*getLength)(const TVrelProp&) = nullptr;
  void (*setLength)(TVrelProp&, float) = nullptr;
};

PropertyKey Color(const char* ident, const char* defaultText, MaterialOf material) {
  return {ident, KeyKind::Color, defaultText, material};
}
PropertyKey Alpha(const char* ident, const char* defaultText, MaterialOf material) {
  return {ident, KeyKind::Alpha, defaultText, material};
}
PropertyKey Value(const char* ident, KeyKind kind, const char* defaultText, int32_t (*get)(const TVrelProp&),
                  void (*set)(TVrelProp&, int32_t)) {
  return {ident, kind, defaultText, nullptr, get, set};
}
PropertyKey Length(const char* ident, const char* defaultText, float (*get)(const TVrelProp&),
                   void (*set)(TVrelProp&, float)) {
  return {ident, KeyKind::Length, defaultText, nullptr, nullptr, nullptr, get, set};
}

// The defaults as text are written out here rather than formatted from the constants, so that a
// test reading an empty file checks the two against each other.
const PropertyKey kKeys[] = {
    Value(
        "BackGroundColor", KeyKind::Color, "5849112", [](const TVrelProp& p) { return p.RenderBackGroundColor(); },
        [](TVrelProp& p, int32_t v) { p.SetRenderBackGroundColor(v); }),
    Color("CubeBorderColor", "16776960", [](const TVrelProp& p) { return p.CubeMaterial()->Border(); }),
    Color("StartPointBorderColor", "255", [](const TVrelProp& p) { return p.StartPointMaterials()->Border(); }),
    Color("StartPointSurfaceColor", "16777215", [](const TVrelProp& p) { return p.StartPointMaterials()->Surface(); }),
    Alpha("StartPointSurfaceAlpha", "50", [](const TVrelProp& p) { return p.StartPointMaterials()->Surface(); }),
    Length(
        "StartPointLength", "4", [](const TVrelProp& p) { return p.StartPointLength(); },
        [](TVrelProp& p, float v) { p.SetStartPointLength(v); }),
    Color("PlaneMarkBorderColor", "255", [](const TVrelProp& p) { return p.PlaneMarkMaterials()->Border(); }),
    Color("PlaneMarkSurfaceColor", "255", [](const TVrelProp& p) { return p.PlaneMarkMaterials()->Surface(); }),
    Alpha("PlaneMarkSurfaceAlpha", "50", [](const TVrelProp& p) { return p.PlaneMarkMaterials()->Surface(); }),
    Length(
        "PlaneMarkLength", "3", [](const TVrelProp& p) { return p.PlaneMarkLength(); },
        [](TVrelProp& p, float v) { p.SetPlaneMarkLength(v); }),
    Color("PolygonBorderColor", "11763942", [](const TVrelProp& p) { return p.PolygonMaterials()->Border(); }),
    Color("PolygonSurfaceColor", "0", [](const TVrelProp& p) { return p.PolygonMaterials()->Surface(); }),
    Alpha("PolygonSurfaceAlpha", "30", [](const TVrelProp& p) { return p.PolygonMaterials()->Surface(); }),
    Color("PolygonReverseColor", "12632256", [](const TVrelProp& p) { return p.PolygonMaterials()->Reverse(); }),
    Color("PolygonSelectedColor", "11789952", [](const TVrelProp& p) { return p.PolygonMaterials()->Selected(); }),
    Color("PolygonTextureBorderColor", "8323298",
          [](const TVrelProp& p) { return p.PolygonMaterials()->TextureBorder(); }),
    Color("PolygonTextureSurfaceColor", "0", [](const TVrelProp& p) { return p.PolygonMaterials()->TextureSurface(); }),
    Alpha("PolygonTextureSurfaceAlpha", "13",
          [](const TVrelProp& p) { return p.PolygonMaterials()->TextureSurface(); }),
    Color("PolygonTextureSelectedColor", "15711039",
          [](const TVrelProp& p) { return p.PolygonMaterials()->TextureSelected(); }),
    Color("TextureCubeBorderColor", "32768", [](const TVrelProp& p) { return p.TextureCubeMaterial()->Border(); }),
    Value(
        "TextureCubeDrawState", KeyKind::Integer, "3",
        [](const TVrelProp& p) { return static_cast<int32_t>(p.TextureCubeDrawStates()); },
        // A set of three states is one byte; the store's integer may hold anything.
        [](TVrelProp& p, int32_t v) { p.SetTextureCubeDrawStates(static_cast<TTextureCubeDrawStates>(v & 0xFF)); }),
    Value(
        "PlaneSmooth", KeyKind::Switch, "False", [](const TVrelProp& p) -> int32_t { return p.PlaneSmooth(); },
        [](TVrelProp& p, int32_t v) { p.SetPlaneSmooth(v != 0); }),
    Value(
        "DiagonalKnife", KeyKind::Switch, "False", [](const TVrelProp& p) -> int32_t { return p.DiagonalKnife(); },
        [](TVrelProp& p, int32_t v) { p.SetDiagonalKnife(v != 0); }),
    Value(
        "IgnoreVisible", KeyKind::Switch, "True", [](const TVrelProp& p) -> int32_t { return p.IgnoreVisible(); },
        [](TVrelProp& p, int32_t v) { p.SetIgnoreVisible(v != 0); }),
    Value(
        "ScissorsHighlight", KeyKind::Switch, "True",
        [](const TVrelProp& p) -> int32_t { return p.ScissorsHighlight(); },
        [](TVrelProp& p, int32_t v) { p.SetScissorsHighlight(v != 0); }),
    Value(
        "ScissorsHighlightColor", KeyKind::Color, "6750207",
        [](const TVrelProp& p) { return p.ScissorsHighlightColor(); },
        [](TVrelProp& p, int32_t v) { p.SetScissorsHighlightColor(v); }),
};

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

float ReadLength(TRegFiler& filer, const char* defaultText) {
  double fallback = 0.0;
  ParseDouble(defaultText, fallback);
  const double value = filer.ReadFloat();
  return static_cast<float>(IsSingle(value) ? value : fallback);
}

}  // namespace

void TVrelProp::AddRegItems(TRegManager& reg) {
  for (const PropertyKey& key : kKeys) {
    if (!reg.RegItems()->FindByName(key.ident))
      reg.AddItem(key.ident, kSection, key.ident, key.defaultText);
  }
}

void TVrelProp::LoadSettings(TRegManager& reg) {
  AddRegItems(reg);
  {
    Batch batch(*this);
    for (const PropertyKey& key : kKeys) {
      TRegFiler& filer = reg.GetItem(key.ident);
      switch (key.kind) {
        case KeyKind::Color:
          if (key.material)
            key.material(*this)->SetColor(filer.ReadInteger());
          else
            key.set(*this, filer.ReadInteger());
          break;
        case KeyKind::Alpha:
          key.material(*this)->SetAlpha(filer.ReadInteger());
          break;
        case KeyKind::Integer:
          key.set(*this, filer.ReadInteger());
          break;
        case KeyKind::Switch:
          key.set(*this, filer.ReadBool() ? 1 : 0);
          break;
        case KeyKind::Length:
          key.setLength(*this, ReadLength(filer, key.defaultText));
          break;
      }
    }
  }
  DoChange();
}

void TVrelProp::SaveSettings(TRegManager& reg) const {
  AddRegItems(reg);
  for (const PropertyKey& key : kKeys) {
    TRegFiler& filer = reg.GetItem(key.ident);
    switch (key.kind) {
      case KeyKind::Color:
        filer.WriteInteger(key.material ? key.material(*this)->Color() : key.get(*this));
        break;
      case KeyKind::Alpha:
        filer.WriteInteger(key.material(*this)->Alpha());
        break;
      case KeyKind::Integer:
        filer.WriteInteger(key.get(*this));
        break;
      case KeyKind::Switch:
        filer.WriteBool(key.get(*this) != 0);
        break;
      case KeyKind::Length:
        filer.WriteFloat(ShortestDecimal(key.getLength(*this)));
        break;
    }
  }
}

}  // namespace vrel
