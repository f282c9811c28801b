#include "scene/DX9RenderStage.h"

#include <cmath>
#include <span>

#include "scene/DX9Cube.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

ArgbColor D3DColorOf(int32_t color) {
  return ColorToD3DColor(static_cast<uint32_t>(color));
}

bool Differs(const Vec3& a, const Vec3& b) {
  return std::fabs(a.x - b.x) > 1e-6f || std::fabs(a.y - b.y) > 1e-6f || std::fabs(a.z - b.z) > 1e-6f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TMouseSquare, TMouseLine

const TClassInfo& TMouseSquare::StaticClass() {
  static const TClassInfo info("TMouseSquare", &Inherited::StaticClass());
  return info;
}

TMouseSquare::TMouseSquare() {
  TMouseSquare::UpdateVertices();
}

void TMouseSquare::SetColor(int32_t value) {
  if (value == color_)
    return;
  color_ = value;
  Changed();
}

void TMouseSquare::SetRect(const TRect& value) {
  if (value == rect_)
    return;
  rect_ = value;
  Changed();
}

void TMouseSquare::Changed() {
  UpdateVertices();
  TNotifyPersistent::Changed();
}

ScreenVertex TMouseSquare::At(int32_t x, int32_t y) const {
  return ScreenVertex{static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f, D3DColorOf(color_)};
}

void TMouseSquare::UpdateVertices() {
  vertices_ = {At(rect_.Left, rect_.Top), At(rect_.Right, rect_.Top), At(rect_.Right, rect_.Bottom),
               At(rect_.Left, rect_.Bottom), At(rect_.Left, rect_.Top)};
}

void TMouseSquare::SetInverting(IDevice& device) const {
  device.SetRenderState(RenderState::ZEnable, 0u);
  device.SetRenderState(RenderState::Lighting, 0u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
  device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  device.SetRenderState(RenderState::SrcBlend, Blend::InvDestColor);
  device.SetFVF(VertexFormat::XyzRhwDiffuse);
}

void TMouseSquare::Draw(IDevice& device) const {
  SetInverting(device);
  device.DrawPrimitiveUP(PrimitiveType::LineStrip, 4, vertices_);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
}

const TClassInfo& TMouseLine::StaticClass() {
  static const TClassInfo info("TMouseLine", &Inherited::StaticClass());
  return info;
}

TMouseLine::TMouseLine() {
  TMouseLine::UpdateVertices();
}

void TMouseLine::UpdateVertices() {
  vertices_ = {At(Rect().Left, Rect().Top), At(Rect().Right, Rect().Bottom)};
}

void TMouseLine::Draw(IDevice& device) const {
  SetInverting(device);
  device.DrawPrimitiveUP(PrimitiveType::LineList, 1, vertices_);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
}

// ---------------------------------------------------------------------------------------------
// TPLPersistent, TAxis

const TClassInfo& TPLPersistent::StaticClass() {
  static const TClassInfo info("TPLPersistent", &Inherited::StaticClass());
  return info;
}

void TPLPersistent::SetPosition(const Vec3& value) {
  if (!Differs(value, position_))
    return;
  position_ = value;
  Changed();
}

void TPLPersistent::SetLength(float value) {
  if (value == length_)
    return;
  length_ = value;
  Changed();
}

void TPLPersistent::Changed() {
  UpdateVertices();
  TNotifyPersistent::Changed();
}

const TClassInfo& TAxis::StaticClass() {
  static const TClassInfo info("TAxis", &Inherited::StaticClass());
  return info;
}

TAxis::TAxis() {
  TAxis::UpdateVertices();
}

void TAxis::UpdateVertices() {
  constexpr ArgbColor kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;
  const float l = Length();
  vertices_ = {
      {{0, 0, 0, kRed}, {l, 0, 0, kRed}, {0, 0, 0, kGreen}, {0, l, 0, kGreen}, {0, 0, 0, kBlue}, {0, 0, l, kBlue}}};
}

void TAxis::Draw(IDevice& device) const {
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 0u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetFVF(VertexFormat::XyzDiffuse);
  device.DrawPrimitiveUP(PrimitiveType::LineList, 3, vertices_);
}

// ---------------------------------------------------------------------------------------------
// TStartPoint, TPlaneMark

const std::array<uint16_t, 21> TStartPoint::kFaces{10, 11, 8, 8, 9, 10, 0, 1, 12, 12, 1, 6, 6, 7, 12, 2, 3, 4, 4, 5, 2};
const std::array<uint16_t, 14> TStartPoint::kOutline{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0};
const std::array<uint16_t, 21> TStartPoint::kBackFaces{8,  11, 10, 10, 9, 8, 0, 12, 1, 6, 1,
                                                       12, 12, 7,  6,  4, 3, 2, 2,  5, 4};

const TClassInfo& TStartPoint::StaticClass() {
  static const TClassInfo info("TStartPoint", &Inherited::StaticClass());
  return info;
}

TStartPoint::TStartPoint() : materials_(std::make_unique<TSurfaceBorderMaterials>()) {
  materials_->Surface()->SetColor(0xFFFFFF);
  materials_->Surface()->SetAlpha(50);
  materials_->Border()->SetColor(255);
  // A colour change is a change of the marker: the views redraw on it.
  materials_->OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
  TStartPoint::UpdateVertices();
}

TStartPoint::~TStartPoint() {
  materials_->OnChange = {};
}

void TStartPoint::UpdateVertices() {
  const Vec3 p = Position();
  const float s = Length() / 6.0f;
  // (x, z) offsets in units of s; the tip reaches 3 + sqrt(3) along +Z.
  constexpr float kTip = 3.0f + 1.732f;
  static constexpr float kOffsets[kVertexCount][2] = {{0, kTip}, {1, 3},   {1, 1},   {3, 1},  {3, -1}, {1, -1}, {1, -3},
                                                      {-1, -3},  {-1, -1}, {-3, -1}, {-3, 1}, {-1, 1}, {-1, 3}};
  for (int i = 0; i < kVertexCount; ++i)
    vertices_[static_cast<std::size_t>(i)] = {p.x + kOffsets[i][0] * s, p.y, p.z + kOffsets[i][1] * s};
}

void TStartPoint::DrawFacesAndOutline(IDevice& device) const {
  device.SetRenderState(RenderState::ZEnable, 0u);
  device.SetRenderState(RenderState::Lighting, 1u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
  device.SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
  device.SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
  device.SetFVF(VertexFormat::Xyz);
  device.SetMaterial(materials_->Surface()->DeviceMaterial());
  device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, kVertexCount, 7, std::span(kFaces), vertices_);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetMaterial(materials_->Border()->DeviceMaterial());
  device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, kVertexCount, 13, std::span(kOutline), vertices_);
}

void TStartPoint::Draw(IDevice& device) const {
  DrawFacesAndOutline(device);
}

const TClassInfo& TPlaneMark::StaticClass() {
  static const TClassInfo info("TPlaneMark", &Inherited::StaticClass());
  return info;
}

TPlaneMark::TPlaneMark() {
  Materials()->Surface()->SetColor(255);
}

void TPlaneMark::SetMarkPosition(const Vec3& value) {
  if (!Differs(value, markPosition_))
    return;
  markPosition_ = value;
  Changed();
}

void TPlaneMark::Draw(IDevice& device) const {
  DrawFacesAndOutline(device);
  device.SetRenderState(RenderState::AlphaBlendEnable, 1u);
  device.SetMaterial(Materials()->Surface()->DeviceMaterial());
  device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleList, 0, kVertexCount, 7, std::span(kBackFaces), Vertices());
}

// ---------------------------------------------------------------------------------------------
// TStartDirection

const TClassInfo& TStartDirection::StaticClass() {
  static const TClassInfo info("TStartDirection", &Inherited::StaticClass());
  return info;
}

TStartDirection::TStartDirection() {
  TStartDirection::UpdateVertices();
}

void TStartDirection::SetColor(int32_t value) {
  if (value == color_)
    return;
  color_ = value;
  Changed();
}

void TStartDirection::UpdateVertices() {
  const Vec3 p = Position();
  const float l = Length();
  const ArgbColor c = D3DColorOf(color_);
  vertices_ = {{{p.x, p.y, p.z - l, c}, {p.x, p.y, p.z + l, c}}};
}

void TStartDirection::Draw(IDevice& device) const {
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 0u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetFVF(VertexFormat::XyzDiffuse);
  device.DrawPrimitiveUP(PrimitiveType::LineList, 1, vertices_);
}

// ---------------------------------------------------------------------------------------------
// TDX9RenderStage

const TClassInfo& TDX9RenderStage::StaticClass() {
  static const TClassInfo info("TDX9RenderStage", &Inherited::StaticClass());
  return info;
}

TDX9RenderStage::TDX9RenderStage() {
  mouseSquare_ = std::make_unique<TMouseSquare>();
  mouseLine_ = std::make_unique<TMouseLine>();
  axis_ = std::make_unique<TAxis>();
  startPoint_ = std::make_unique<TStartPoint>();
  planeMark_ = std::make_unique<TPlaneMark>();
  planeMark_->Materials()->Surface()->SetColor(255);
  startDirection_ = std::make_unique<TStartDirection>();
  cube_ = std::make_unique<TCubeSquareBladeCollection>();
  cubeMaterial_ = std::make_unique<TCubeMaterial>();
}

// The members go in reverse order: the six parts, then the cube.
TDX9RenderStage::~TDX9RenderStage() = default;

void TDX9RenderStage::DrawCube(IDevice& device) const {
  cube_->Draw(device, cubeMaterial_->Border()->DeviceMaterial(), cubeMaterial_->PointSize());
}

}  // namespace vrel
