#include "scene/DX9Materials.h"

#include <algorithm>

#include "platform/UpdateGuard.h"

namespace vrel {

// ---------------------------------------------------------------------------------------------
// TRenderMaterial

const TClassInfo& TRenderMaterial::StaticClass() {
  static const TClassInfo info("TRenderMaterial", &Inherited::StaticClass(),
                               {props::Integer<&TRenderMaterial::Alpha, &TRenderMaterial::SetAlpha>("Alpha"),
                                props::Integer<&TRenderMaterial::Color, &TRenderMaterial::SetColor>("Color")});
  return info;
}

TRenderMaterial::TRenderMaterial() {
  TRenderMaterial::UpdateMaterial();
}

void TRenderMaterial::UpdateMaterial() {
  // Only the low three bytes are a colour; a system-colour flag in the top byte is not one.
  const auto channel = [this](int shift) {
    return static_cast<float>((static_cast<uint32_t>(color_) >> shift) & 0xFFu) / 255.0f;
  };
  material_ = Material{};
  material_.emissive = {channel(0), channel(8), channel(16), 1.0f};
  material_.diffuse.a = static_cast<float>(alpha_) / 100.0f;
}

void TRenderMaterial::SetColor(int32_t value) {
  if (value == color_)
    return;
  color_ = value;
  UpdateMaterial();
  Changed();
}

void TRenderMaterial::SetAlpha(int32_t value) {
  value = std::clamp(value, 0, 100);
  if (value == alpha_)
    return;
  alpha_ = value;
  UpdateMaterial();
  Changed();
}

void TRenderMaterial::Assign(const TPersistent* source) {
  const auto* other = As<TRenderMaterial>(source);
  if (!other) {
    TNotifyPersistent::Assign(source);
    return;
  }
  UpdateGuard batch(*this);
  color_ = other->color_;
  alpha_ = other->alpha_;
  UpdateMaterial();
}

// ---------------------------------------------------------------------------------------------
// TSurfaceBorderMaterials

const TClassInfo& TSurfaceBorderMaterials::StaticClass() {
  static const TClassInfo info("TSurfaceBorderMaterials", &Inherited::StaticClass(),
                               {props::Object<&TSurfaceBorderMaterials::Border>("Border"),
                                props::Object<&TSurfaceBorderMaterials::Surface>("Surface")});
  return info;
}

TSurfaceBorderMaterials::TSurfaceBorderMaterials() : border_(MakePart()), surface_(MakePart()) {}

TSurfaceBorderMaterials::~TSurfaceBorderMaterials() = default;

std::unique_ptr<TRenderMaterial> TSurfaceBorderMaterials::MakePart() {
  auto part = std::make_unique<TRenderMaterial>();
  part->OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
  return part;
}

void TSurfaceBorderMaterials::Assign(const TPersistent* source) {
  const auto* other = As<TSurfaceBorderMaterials>(source);
  if (!other) {
    TNotifyPersistent::Assign(source);
    return;
  }
  UpdateGuard batch(*this);
  border_->Assign(other->border_.get());
  surface_->Assign(other->surface_.get());
}

// ---------------------------------------------------------------------------------------------
// TSquareBladeMaterials

const TClassInfo& TSquareBladeMaterials::StaticClass() {
  static const TClassInfo info(
      "TSquareBladeMaterials", &Inherited::StaticClass(),
      {props::Integer<&TSquareBladeMaterials::PointSize, &TSquareBladeMaterials::SetPointSize>("PointSize"),
       props::Object<&TSquareBladeMaterials::Reverse>("Reverse"),
       props::Object<&TSquareBladeMaterials::Selected>("Selected"),
       props::Object<&TSquareBladeMaterials::TextureBorder>("TextureBorder"),
       props::Object<&TSquareBladeMaterials::TextureSurface>("TextureSurface"),
       props::Object<&TSquareBladeMaterials::TextureSelected>("TextureSelected")});
  return info;
}

TSquareBladeMaterials::TSquareBladeMaterials()
    : reverse_(MakePart()),
      selected_(MakePart()),
      textureBorder_(MakePart()),
      textureSurface_(MakePart()),
      textureSelected_(MakePart()) {
  // Nobody listens yet, so setting the defaults announces nothing.
  Border()->SetColor(0xB380E6);
  Surface()->SetColor(0x000000);
  Surface()->SetAlpha(30);
  reverse_->SetColor(0xC0C0C0);
  selected_->SetColor(0xB3E680);
  textureBorder_->SetColor(0x7F00E2);
  textureSurface_->SetColor(0x000000);
  textureSurface_->SetAlpha(13);
  textureSelected_->SetColor(0xEFBB3F);
}

TSquareBladeMaterials::~TSquareBladeMaterials() = default;

void TSquareBladeMaterials::SetPointSize(int32_t value) {
  if (value == pointSize_)
    return;
  pointSize_ = value;
  Changed();
}

void TSquareBladeMaterials::Assign(const TPersistent* source) {
  const auto* other = As<TSquareBladeMaterials>(source);
  if (!other) {
    // Only the whole set: a bare border/surface pair would leave the rest half-set.
    TNotifyPersistent::Assign(source);
    return;
  }
  UpdateGuard batch(*this);
  TSurfaceBorderMaterials::Assign(source);
  SetPointSize(other->pointSize_);
  reverse_->Assign(other->reverse_.get());
  selected_->Assign(other->selected_.get());
  textureBorder_->Assign(other->textureBorder_.get());
  textureSurface_->Assign(other->textureSurface_.get());
  textureSelected_->Assign(other->textureSelected_.get());
}

// ---------------------------------------------------------------------------------------------
// TCubeMaterial

const TClassInfo& TCubeMaterial::StaticClass() {
  static const TClassInfo info("TCubeMaterial", &Inherited::StaticClass(),
                               {props::Integer<&TCubeMaterial::PointSize, &TCubeMaterial::SetPointSize>("PointSize"),
                                props::Object<&TCubeMaterial::Border>("Border")});
  return info;
}

TCubeMaterial::TCubeMaterial() : border_(std::make_unique<TRenderMaterial>()) {
  border_->SetColor(0xFFFF00);
  border_->OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
}

TCubeMaterial::~TCubeMaterial() = default;

void TCubeMaterial::SetPointSize(int32_t value) {
  if (value == pointSize_)
    return;
  pointSize_ = value;
  Changed();
}

void TCubeMaterial::Assign(const TPersistent* source) {
  const auto* other = As<TCubeMaterial>(source);
  if (!other) {
    TNotifyPersistent::Assign(source);
    return;
  }
  UpdateGuard batch(*this);
  border_->Assign(other->border_.get());
  SetPointSize(other->pointSize_);
}

}  // namespace vrel
