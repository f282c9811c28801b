#include "files/VrelConverter.h"

#include <array>

namespace vrel {

namespace {

struct ColorName {
  std::string_view name;
  int64_t value;
};

// Colours are stored with red in the low byte. The system colours are the Windows colour indexes
// with the top bit set, as signed 32-bit numbers.
constexpr int64_t SystemColor(int index) {
  return static_cast<int64_t>(INT32_MIN) + index;
}

constexpr std::array kColorNames{
    ColorName{"clBlack", 0x000000},
    ColorName{"clMaroon", 0x000080},
    ColorName{"clGreen", 0x008000},
    ColorName{"clOlive", 0x008080},
    ColorName{"clNavy", 0x800000},
    ColorName{"clPurple", 0x800080},
    ColorName{"clTeal", 0x808000},
    ColorName{"clGray", 0x808080},
    ColorName{"clSilver", 0xC0C0C0},
    ColorName{"clRed", 0x0000FF},
    ColorName{"clLime", 0x00FF00},
    ColorName{"clYellow", 0x00FFFF},
    ColorName{"clBlue", 0xFF0000},
    ColorName{"clFuchsia", 0xFF00FF},
    ColorName{"clAqua", 0xFFFF00},
    ColorName{"clLtGray", 0xC0C0C0},
    ColorName{"clDkGray", 0x808080},
    ColorName{"clWhite", 0xFFFFFF},
    ColorName{"clMoneyGreen", 0xC0DCC0},
    ColorName{"clSkyBlue", 0xF0CAA6},
    ColorName{"clCream", 0xF0FBFF},
    ColorName{"clMedGray", 0xA4A0A0},
    ColorName{"clNone", 0x1FFFFFFF},
    ColorName{"clDefault", 0x20000000},
    ColorName{"clScrollBar", SystemColor(0)},
    ColorName{"clBackground", SystemColor(1)},
    ColorName{"clActiveCaption", SystemColor(2)},
    ColorName{"clInactiveCaption", SystemColor(3)},
    ColorName{"clMenu", SystemColor(4)},
    ColorName{"clWindow", SystemColor(5)},
    ColorName{"clWindowFrame", SystemColor(6)},
    ColorName{"clMenuText", SystemColor(7)},
    ColorName{"clWindowText", SystemColor(8)},
    ColorName{"clCaptionText", SystemColor(9)},
    ColorName{"clActiveBorder", SystemColor(10)},
    ColorName{"clInactiveBorder", SystemColor(11)},
    ColorName{"clAppWorkSpace", SystemColor(12)},
    ColorName{"clHighlight", SystemColor(13)},
    ColorName{"clHighlightText", SystemColor(14)},
    ColorName{"clBtnFace", SystemColor(15)},
    ColorName{"clBtnShadow", SystemColor(16)},
    ColorName{"clGrayText", SystemColor(17)},
    ColorName{"clBtnText", SystemColor(18)},
    ColorName{"clInactiveCaptionText", SystemColor(19)},
    ColorName{"clBtnHighlight", SystemColor(20)},
    ColorName{"cl3DDkShadow", SystemColor(21)},
    ColorName{"cl3DLight", SystemColor(22)},
    ColorName{"clInfoText", SystemColor(23)},
    ColorName{"clInfoBk", SystemColor(24)},
    ColorName{"clHotLight", SystemColor(26)},
    ColorName{"clGradientActiveCaption", SystemColor(27)},
    ColorName{"clGradientInactiveCaption", SystemColor(28)},
    ColorName{"clMenuHighlight", SystemColor(29)},
    ColorName{"clMenuBar", SystemColor(30)},
};

}  // namespace

bool ColorIdentToInt(std::string_view ident, int64_t& value) {
  for (const ColorName& color : kColorNames) {
    if (SameText(color.name, ident)) {
      value = color.value;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------------

const TClassInfo& TConverterMaterial::StaticClass() {
  static const TClassInfo info(
      "TConverterMaterial", &Inherited::StaticClass(),
      {props::Integer<&TConverterMaterial::Alpha, &TConverterMaterial::SetAlpha>("Alpha"),
       props::WithIdents(props::Integer<&TConverterMaterial::Color, &TConverterMaterial::SetColor>("Color"),
                         &ColorIdentToInt)});
  return info;
}

const TClassInfo& TConverterMaterials::StaticClass() {
  static const TClassInfo info(
      "TConverterMaterials", &Inherited::StaticClass(),
      {props::Object<&TConverterMaterials::Border>("Border"), props::Object<&TConverterMaterials::Surface>("Surface"),
       props::Integer<&TConverterMaterials::PointSize, &TConverterMaterials::SetPointSize>("PointSize"),
       props::Object<&TConverterMaterials::Reverse>("Reverse"),
       props::Object<&TConverterMaterials::Selected>("Selected"),
       props::Object<&TConverterMaterials::TextureBorder>("TextureBorder"),
       props::Object<&TConverterMaterials::TextureSurface>("TextureSurface"),
       props::Object<&TConverterMaterials::TextureSelected>("TextureSelected")});
  return info;
}

const TClassInfo& TConverterCollection::StaticClass() {
  static const TClassInfo info(
      "TConverterCollection", &Inherited::StaticClass(),
      {props::Integer<&TConverterCollection::DefaultWidth, &TConverterCollection::SetDefaultWidth>("DefaultWidth"),
       props::Float<&TConverterCollection::DefaultY, &TConverterCollection::SetDefaultY>("DefaultY")});
  return info;
}

const TClassInfo& TConverterItem::StaticClass() {
  static const TClassInfo info("TConverterItem", &Inherited::StaticClass());
  return info;
}

TConverterItem::TConverterItem(TCollection* collection)
    : TChildCollectionItem(collection, ChildOf<TConverterCollection>()) {}

const TClassInfo& TConverterCollections::StaticClass() {
  static const TClassInfo info(
      "TConverterCollections", &Inherited::StaticClass(),
      {props::Integer<&TConverterCollections::CurrentIndex, &TConverterCollections::SetCurrentIndex>("CurrentIndex"),
       props::Integer<&TConverterCollections::DefaultWidth, &TConverterCollections::SetDefaultWidth>("DefaultWidth"),
       props::Float<&TConverterCollections::DefaultY, &TConverterCollections::SetDefaultY>("DefaultY"),
       props::Integer<&TConverterCollections::HitRange, &TConverterCollections::SetHitRange>("HitRange"),
       props::Object<&TConverterCollections::Materials>("Materials")});
  return info;
}

TConverterCollections::TConverterCollections(TPersistent* owner)
    : TNotifyCollection(TCollection::FactoryOf<TConverterItem>(), owner) {}

const TClassInfo& TVrelConverter::StaticClass() {
  static const TClassInfo info(
      "TVrelConverter", &Inherited::StaticClass(),
      {props::Integer<&TVrelConverter::CurrentIndex, &TVrelConverter::SetCurrentIndex>("CurrentIndex"),
       props::Object<&TVrelConverter::Collections>("Collections")},
      [](TComponent* owner) -> TComponent* { return new TVrelConverter(owner); });
  return info;
}

TVrelConverter::TVrelConverter(TComponent* owner)
    : TComponent(owner), collections_(std::make_unique<TConverterCollections>(this)) {}

TVrelConverter::~TVrelConverter() = default;

void TVrelConverter::Loaded() {
  TComponent::Loaded();
  for (int i = 0; i < collections_->Count(); ++i)
    collections_->Layer(i)->ResolveReferences();
}

void AppendConverterLayers(const TVrelConverter& converter, TSquareBladeCollections& target) {
  const TConverterCollections& source = *converter.Collections();
  for (int i = 0; i < source.Count(); ++i) {
    TConverterCollection* from = source.Layer(i);
    TSquareBladeCollection* to = target.AddLayer();
    AppendLayer(*from, *to);
    to->SetName(from->Name());
    to->SetVisible(from->Visible());
    to->SetLocked(from->Locked());
  }
}

}  // namespace vrel
