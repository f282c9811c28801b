#include "scene/DX9TextureCube.h"

#include <array>
#include <functional>
#include <span>
#include <vector>

#include "platform/UpdateGuard.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

constexpr int kFaces = TCubeCollection::kFaceCount;

// The quads of each face: a face's pieces, then its slices (or its fins).
using FaceQuads = std::array<std::vector<const TCubeRiderBladeCollection*>, kFaces>;

template <class F>
void ForEachQuad(const std::vector<const TCubeRiderBladeCollection*>& sets, F&& f) {
  for (const TCubeRiderBladeCollection* set : sets)
    for (TCollectionItem* item : set->ItemList())
      f(static_cast<const TCubeRiderBlade*>(item)->Vertices());
}

// Outlines and points take positions only; the device reads vertices of exactly the format's size.
std::array<Vec3, 4> Positions(const std::array<TTexturedVertex, 4>& v) {
  return {{{v[0].x, v[0].y, v[0].z}, {v[1].x, v[1].y, v[1].z}, {v[2].x, v[2].y, v[2].z}, {v[3].x, v[3].y, v[3].z}}};
}

void DrawTexturedQuads(IDevice& device, const FaceQuads& quads,
                       const std::function<std::shared_ptr<Texture>(int face)>& textureOf) {
  static constexpr std::uint16_t kStrip[4] = {0, 1, 3, 2};
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 0u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetFVF(VertexFormat::XyzDiffuseTex1);
  for (int f = 0; f < kFaces; ++f) {
    device.SetTexture(0, textureOf(f));
    ForEachQuad(quads[static_cast<std::size_t>(f)], [&](const std::array<TTexturedVertex, 4>& v) {
      device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, std::span(kStrip), v);
    });
  }
  device.SetTexture(0, nullptr);
}

void DrawQuadEdges(IDevice& device, const FaceQuads& quads, const TCubeMaterial& material) {
  device.SetFVF(VertexFormat::Xyz);
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 1u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetMaterial(material.Border()->DeviceMaterial());
  for (const auto& sets : quads) {
    ForEachQuad(sets, [&](const std::array<TTexturedVertex, 4>& v) {
      device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 4, std::span(kBladeOutline), Positions(v));
    });
  }
}

void DrawQuadCorners(IDevice& device, const FaceQuads& quads, const TCubeMaterial& material) {
  device.SetTexture(0, nullptr);
  device.SetFVF(VertexFormat::Xyz);
  device.SetRenderState(RenderState::ZEnable, 1u);
  device.SetRenderState(RenderState::Lighting, 1u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetMaterial(material.Border()->DeviceMaterial());
  device.SetRenderState(RenderState::PointSize, SingleBits(static_cast<float>(material.PointSize())));
  for (const auto& sets : quads) {
    ForEachQuad(sets, [&](const std::array<TTexturedVertex, 4>& v) {
      device.DrawPrimitiveUP(PrimitiveType::PointList, 4, Positions(v));
    });
  }
}

void DrawByStates(IDevice& device, uint8_t states, const FaceQuads& quads, const TCubeMaterial& material,
                  const std::function<std::shared_ptr<Texture>(int face)>* textureOf) {
  if ((states & dsSurface) && textureOf)
    DrawTexturedQuads(device, quads, *textureOf);
  if (states & dsBorder)
    DrawQuadEdges(device, quads, material);
  if (states & dsVertex)
    DrawQuadCorners(device, quads, material);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TTextureCube

const TClassInfo& TTextureCube::StaticClass() {
  static const TClassInfo info("TTextureCube", &Inherited::StaticClass());
  return info;
}

TTextureCube::TTextureCube(TPersistent* owner)
    : TCubeSquareBladeCollection(owner),
      pieces_(std::make_unique<TCubeRiderBladeCollections>()),
      slices_(std::make_unique<TCubeRiderBladeCollections>()),
      material_(std::make_unique<TCubeMaterial>()) {
  material_->Border()->SetColor(0x008000);
}

TTextureCube::~TTextureCube() = default;

void TTextureCube::Assign(const TPersistent* source) {
  TCubeSquareBladeCollection::Assign(source);
  const auto* cube = As<TCubeSquareBladeCollection>(source);
  if (!cube || cube == this || !cube->TexturesLoaded())
    return;
  // The faces share the source's textures: one image in video memory however many cubes show it.
  const int faces = std::min(Count(), cube->Count());
  for (int f = 0; f < faces; ++f) {
    auto* mine = dynamic_cast<TCubeSquareBlade*>(Blade(f));
    const auto* theirs = dynamic_cast<const TCubeSquareBlade*>(cube->Blade(f));
    if (mine && theirs)
      mine->SetTexture(theirs->GetTexture());
  }
}

void TTextureCube::AssignTexturePolygons(const TCubeRiderBladeCollections& pieces) {
  pieces_->Assign(&pieces);
  for (int f = 0; f < pieces_->Count(); ++f) {
    TCubeRiderBladeCollection* face = pieces_->GetFace(f);
    for (int i = face->Count(); i-- > 0;)
      if (face->Blade(i)->Flag())
        face->Delete(i);
  }
}

void TTextureCube::Draw(IDevice& device) const {
  if (Count() == 0)
    return;
  FaceQuads quads;
  for (int f = 0; f < kFaces; ++f) {
    auto& sets = quads[static_cast<std::size_t>(f)];
    if (f < pieces_->Count())
      sets.push_back(pieces_->GetFace(f));
    if (f < slices_->Count())
      sets.push_back(slices_->GetFace(f));
  }
  const std::function<std::shared_ptr<Texture>(int)> textureOf = [this](int f) -> std::shared_ptr<Texture> {
    if (f >= Count())
      return nullptr;
    const auto* face = dynamic_cast<const TCubeSquareBlade*>(Blade(f));
    return face ? face->GetTexture() : nullptr;
  };
  DrawByStates(device, drawStates_, quads, *material_, &textureOf);
}

// ---------------------------------------------------------------------------------------------
// Fins

const TClassInfo& TTextureVectorItem::StaticClass() {
  static const TClassInfo info(
      "TTextureVectorItem", &Inherited::StaticClass(),
      {props::Float<&TTextureVectorItem::X, &TTextureVectorItem::SetX>("x"),
       props::Float<&TTextureVectorItem::Y, &TTextureVectorItem::SetY>("y"),
       props::Float<&TTextureVectorItem::Z, &TTextureVectorItem::SetZ>("z"),
       props::Integer<&TTextureVectorItem::Diffuse, &TTextureVectorItem::SetDiffuse>("diffuse"),
       props::Float<&TTextureVectorItem::Tu, &TTextureVectorItem::SetTu>("tu"),
       props::Float<&TTextureVectorItem::Tv, &TTextureVectorItem::SetTv>("tv")});
  return info;
}

void TTextureVectorItem::Assign(const TPersistent* source) {
  if (const auto* other = As<TTextureVectorItem>(source)) {
    vertex_ = other->vertex_;
    return;
  }
  TCollectionItem::Assign(source);
}

const TClassInfo& TTextureVectorCollection::StaticClass() {
  static const TClassInfo info("TTextureVectorCollection", &Inherited::StaticClass());
  return info;
}

TTextureVectorCollection::TTextureVectorCollection(TPersistent* owner)
    : TCollection(TCollection::FactoryOf<TTextureVectorItem>(), owner) {}

const TClassInfo& TFinBlade::StaticClass() {
  static const TClassInfo info("TFinBlade", &Inherited::StaticClass(),
                               {props::Object<&TFinBlade::VectorCollection>("Collection")});
  return info;
}

TFinBlade::TFinBlade(TCollection* collection)
    : TCubeRiderBlade(collection), vectors_(std::make_unique<TTextureVectorCollection>(this)) {}

TFinBlade::~TFinBlade() = default;

bool TFinBlade::SyncFromCollection() {
  if (vectors_->Count() != 4)
    return false;
  for (int i = 0; i < 4; ++i)
    SetVertex(i, vectors_->Item(i)->Vertex());
  return true;
}

void TFinBlade::Assign(const TPersistent* source) {
  if (const auto* fin = As<TFinBlade>(source)) {
    if (fin == this)
      return;
    vectors_->Assign(fin->vectors_.get());
    SyncFromCollection();
    return;
  }
  TCubeRiderBlade::Assign(source);
  // Whatever the source gave, the streamable copy follows the vertices.
  UpdateGuard batch(*vectors_);
  vectors_->Clear();
  for (const TTexturedVertex& v : Vertices())
    vectors_->Add()->SetVertex(v);
}

const TClassInfo& TFinBladeCollection::StaticClass() {
  static const TClassInfo info("TFinBladeCollection", &Inherited::StaticClass());
  return info;
}

TFinBladeCollection::TFinBladeCollection(TPersistent* owner)
    : TCubeRiderBladeCollection(TCollection::FactoryOf<TFinBlade>(), owner) {}

const TClassInfo& TFinBladeCollectionsItem::StaticClass() {
  static const TClassInfo info("TFinBladeCollectionsItem", &Inherited::StaticClass());
  return info;
}

TFinBladeCollectionsItem::TFinBladeCollectionsItem(TCollection* collection)
    : TChildCollectionItem(collection, ChildOf<TFinBladeCollection>()) {}

const TClassInfo& TFinBladeCollections::StaticClass() {
  static const TClassInfo info("TFinBladeCollections", &Inherited::StaticClass());
  return info;
}

TFinBladeCollections::TFinBladeCollections(TPersistent* owner)
    : TCubeCollection(TCollection::FactoryOf<TFinBladeCollectionsItem>(), owner) {}

TFinBladeCollection* TFinBladeCollections::GetFace(int i) const {
  return static_cast<TFinBladeCollection*>(static_cast<TChildCollectionItem*>(Items(i))->ChildCollection());
}

int TFinBladeCollections::TotalCount() const {
  int total = 0;
  for (int i = 0; i < Count(); ++i)
    total += GetFace(i)->Count();
  return total;
}

const TClassInfo& TFinCollectionsContainer::StaticClass() {
  static const TClassInfo info("TFinCollectionsContainer", &Inherited::StaticClass(),
                               {props::Object<&TFinCollectionsContainer::FinCollections>("FinCollections")},
                               [](TComponent* owner) -> TComponent* { return new TFinCollectionsContainer(owner); });
  return info;
}

TFinCollectionsContainer::TFinCollectionsContainer(TComponent* owner)
    : TComponent(owner),
      fins_(std::make_unique<TFinBladeCollections>(this)),
      material_(std::make_unique<TCubeMaterial>()) {
  material_->Border()->SetColor(0x008000);
}

TFinCollectionsContainer::~TFinCollectionsContainer() = default;

void TFinCollectionsContainer::SyncBlades() {
  for (int f = 0; f < fins_->Count(); ++f) {
    TFinBladeCollection* face = fins_->GetFace(f);
    for (int i = 0; i < face->Count(); ++i)
      face->Fin(i)->SyncFromCollection();
  }
}

void TFinCollectionsContainer::Draw(IDevice& device) const {
  if (fins_->TotalCount() == 0)
    return;
  FaceQuads quads;
  for (int f = 0; f < kFaces && f < fins_->Count(); ++f)
    quads[static_cast<std::size_t>(f)].push_back(fins_->GetFace(f));
  const std::function<std::shared_ptr<Texture>(int)> textureOf = [this](int) { return texture_; };
  DrawByStates(device, drawStates_, quads, *material_, texture_ ? &textureOf : nullptr);
}

void RegisterTextureCubeClasses() {
  RegisterClass(TFinCollectionsContainer::StaticClass());
}

}  // namespace vrel
