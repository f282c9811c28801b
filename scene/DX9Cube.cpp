#include "scene/DX9Cube.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/UpdateGuard.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

constexpr std::array<std::array<int, 4>, 6> kFaceCornerItems{{
    {5, 0, 3, 6},  // left,   Z = -s
    {0, 1, 2, 3},  // front,  X = -s
    {1, 4, 7, 2},  // right,  Z = +s
    {4, 5, 6, 7},  // back,   X = +s
    {5, 4, 1, 0},  // top,    Y = +s
    {3, 2, 7, 6},  // bottom, Y = -s
}};

constexpr std::array<const char*, 6> kFaceSuffixes{"_left", "_front", "_right", "_back", "_top", "_bottom"};

constexpr std::array<uint16_t, 4> kFaceStrip{0, 1, 3, 2};
constexpr std::array<uint16_t, 5> kFaceOutline{0, 1, 2, 3, 0};

constexpr ArgbColor kOpaqueWhite = 0xFFFFFFFFu;

}  // namespace

Vec3 CubeCornerPosition(int i, float s) {
  // X is -s for items 0..3, Y is -s where item div 2 is odd, Z is -s for items 0, 3, 5 and 6.
  const float x = i < 4 ? -s : s;
  const float y = (i / 2) % 2 == 1 ? -s : s;
  const float z = (i == 0 || i == 3 || i == 5 || i == 6) ? -s : s;
  return {x, y, z};
}

const std::array<int, 4>& CubeFaceCornerItems(int f) {
  return kFaceCornerItems.at(static_cast<std::size_t>(f));
}

const char* CubeFaceSuffix(int f) {
  return kFaceSuffixes.at(static_cast<std::size_t>(f));
}

// ---------------------------------------------------------------------------------------------
// TCubeSquareBlade

const TClassInfo& TCubeSquareBlade::StaticClass() {
  static const TClassInfo info("TCubeSquareBlade", &Inherited::StaticClass());
  return info;
}

TCubeSquareBlade::TCubeSquareBlade(TCollection* collection) : TSquareBlade(collection) {
  TCubeSquareBlade::UpdatePositionCache();
}

void TCubeSquareBlade::UpdatePositionCache() {
  TSquareBlade::UpdatePositionCache();
  const TCorners& corners = PositionCache();
  for (int i = 0; i < 4; ++i) {
    TTexturedVertex& v = vertices_[static_cast<std::size_t>(i)];
    const Vec3& p = corners[static_cast<std::size_t>(i)];
    v.x = p.x;
    v.y = p.y;
    v.z = p.z;
    v.diffuse = kOpaqueWhite;
    v.tu = static_cast<float>((i % 2) ^ (i / 2));
    v.tv = static_cast<float>(i / 2);
  }
}

void TCubeSquareBlade::Assign(const TPersistent* source) {
  TSquareBlade::Assign(source);
  if (const auto* face = As<TCubeSquareBlade>(source))
    suffix_ = face->suffix_;
}

// ---------------------------------------------------------------------------------------------
// TCubeSquareBladeCollection

const TClassInfo& TCubeSquareBladeCollection::StaticClass() {
  static const TClassInfo info("TCubeSquareBladeCollection", &Inherited::StaticClass());
  return info;
}

TCubeSquareBladeCollection::TCubeSquareBladeCollection(TPersistent* owner)
    : TSquareBladeCollection(TCollection::FactoryOf<TCubeSquareBlade>(), owner) {
  BuildFaces();
  TCubeSquareBladeCollection::UpdateCorners();
}

TCubeSquareBladeCollection::~TCubeSquareBladeCollection() {
  ReleaseTextures();
}

TCubeSquareBlade* TCubeSquareBladeCollection::GetFaceBlade(int i) const {
  auto* face = dynamic_cast<TCubeSquareBlade*>(Blade(i));
  if (!face)
    throw Exception("TCubeSquareBladeCollection: blade " + std::to_string(i) + " is not a cube face");
  return face;
}

void TCubeSquareBladeCollection::BuildFaces() {
  TVertexItemCollection* pool = VertexPool();
  std::array<TVertexItem*, kCornerCount> corners{};
  for (int i = 0; i < kCornerCount; ++i) {
    TVertexItem* item = pool->Add();
    item->Vertex()->SetVector(CubeCornerPosition(i, size_));
    corners[static_cast<std::size_t>(i)] = item;
  }
  for (int f = 0; f < kFaceCount; ++f) {
    TCubeSquareBlade* face = Add();
    face->SetSuffix(kFaceSuffixes[static_cast<std::size_t>(f)]);
    const auto& items = kFaceCornerItems[static_cast<std::size_t>(f)];
    for (int k = 0; k < 4; ++k)
      face->SetReference(k, corners[static_cast<std::size_t>(items[static_cast<std::size_t>(k)])]);
    face->UpdatePositionCache();
  }
}

void TCubeSquareBladeCollection::UpdateCorners() {
  TVertexItemCollection* pool = VertexPool();
  const int count = std::min(pool->Count(), kCornerCount);
  for (int i = 0; i < count; ++i) {
    TVertex* v = pool->Item(i)->Vertex();
    const Vec3 p = CubeCornerPosition(i, size_);
    UpdateGuard batch(*v);
    v->SetX(p.x);
    v->SetY(p.y);
    v->SetZ(p.z);
  }
  const Matrix turn = MatrixRotationY(DegreeToRadian(rotation_));
  for (int i = 0; i < count; ++i) {
    TVertex* v = pool->Item(i)->Vertex();
    const Vec3 p = Vec3TransformCoord(v->GetVector(), turn);
    UpdateGuard batch(*v);
    v->SetVector(p);
  }
}

void TCubeSquareBladeCollection::SetSize(float value) {
  if (!std::isfinite(value) || value == size_)
    return;
  size_ = value;
  UpdateCorners();
}

void TCubeSquareBladeCollection::SetRotation(float value) {
  if (!std::isfinite(value) || value == rotation_)
    return;
  rotation_ = value;
  UpdateCorners();
}

void TCubeSquareBladeCollection::DoProgress(TProgressStage stage, uint8_t percentDone) {
  if (OnProgress)
    OnProgress(this, stage, percentDone, false, TProgressRect{}, std::string());
}

TTextureLoadResult TCubeSquareBladeCollection::LoadTextures(IDevice& device, const TFaceImageNames& fileNames,
                                                            const TFaceImageDecoder& decode) {
  ReleaseTextures();
  DoProgress(psStarting, 0);
  int32_t firstWidth = 0;
  for (int i = 0; i < kFaceCount; ++i) {
    const std::string& name = fileNames[static_cast<std::size_t>(i)];
    const auto fail = [&](const std::string& why) {
      ReleaseTextures();
      return TTextureLoadResult{false, i, name, why};
    };
    TextureImage image;
    std::shared_ptr<Texture> texture;
    try {
      image = decode(name, device.MaxTextureSize());
      texture = device.CreateTexture(image, name);
    } catch (const std::exception& e) {
      return fail(e.what());
    }
    if (!texture)
      return fail("The face image \"" + name + "\" cannot be made a texture on this display.");
    if (i == 0)
      firstWidth = image.width;
    GetFaceBlade(i)->SetTexture(std::move(texture));
    DoProgress(psRunning, static_cast<uint8_t>((i + 1) * 16));
  }
  faceImageSize_ = firstWidth;
  texturesLoaded_ = true;
  DoProgress(psEnding, 100);
  return TTextureLoadResult{true, -1, std::string(), std::string()};
}

void TCubeSquareBladeCollection::ReleaseTextures() {
  for (TCollectionItem* item : ItemList())
    if (auto* face = dynamic_cast<TCubeSquareBlade*>(item))
      face->SetTexture(nullptr);
  texturesLoaded_ = false;
}

void TCubeSquareBladeCollection::Draw(IDevice& device, const Material& border, int32_t pointSize) const {
  const int faces = std::min(Count(), kFaceCount);
  if (texturesLoaded_ && (drawFlags_ & kDrawTextures)) {
    device.SetRenderState(RenderState::ZEnable, 1u);
    device.SetRenderState(RenderState::Lighting, 0u);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
    device.SetFVF(VertexFormat::XyzDiffuseTex1);
    for (int f = 0; f < faces; ++f) {
      const TCubeSquareBlade* face = GetFaceBlade(f);
      device.SetTexture(0, face->GetTexture());
      device.DrawIndexedPrimitiveUP(PrimitiveType::TriangleStrip, 0, 4, 2, kFaceStrip, face->TexturedVertices());
    }
    device.SetTexture(0, nullptr);
  }
  if (drawFlags_ & kDrawBorders) {
    device.SetRenderState(RenderState::ZEnable, 1u);
    device.SetRenderState(RenderState::Lighting, 1u);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
    device.SetFVF(VertexFormat::Xyz);
    device.SetMaterial(border);
    for (int f = 0; f < faces; ++f)
      device.DrawIndexedPrimitiveUP(PrimitiveType::LineStrip, 0, 4, 4, kFaceOutline, GetFaceBlade(f)->PositionCache());
  }
  if (drawFlags_ & kDrawPoints) {
    device.SetRenderState(RenderState::ZEnable, 1u);
    device.SetRenderState(RenderState::Lighting, 1u);
    device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
    device.SetRenderState(RenderState::PointSize, SingleBits(static_cast<float>(pointSize)));
    device.SetFVF(VertexFormat::Xyz);
    device.SetMaterial(border);
    for (int f = 0; f < faces; ++f)
      device.DrawPrimitiveUP(PrimitiveType::PointList, 4, GetFaceBlade(f)->PositionCache());
  }
}

void TCubeSquareBladeCollection::Assign(const TPersistent* source) {
  const auto* layer = As<TSquareBladeCollection>(source);
  if (!layer) {
    // Only layers become cubes; anything else is the framework's assignment error.
    TPersistent::Assign(source);
    return;
  }
  if (layer == this)
    return;
  // The face blades are about to be replaced, and their textures with them.
  ReleaseTextures();
  SetVisible(layer->Visible());
  SetLocked(layer->Locked());
  SetName(layer->Name());
  {
    UpdateGuard batch(*this);
    // Blades first: they let go of the old corners before the pool is refilled.
    Clear();
    VertexPool()->Assign(layer->VertexPool());
    for (int i = 0; i < layer->Count(); ++i)
      Add()->Assign(layer->Blade(i));
  }
  const auto* cube = As<TCubeSquareBladeCollection>(source);
  if (!cube)
    return;
  size_ = cube->size_;
  rotation_ = cube->rotation_;
  faceImageSize_ = cube->faceImageSize_;
  ResolveReferences();
  for (TCollectionItem* item : ItemList()) {
    auto* blade = static_cast<TSquareBlade*>(item);
    blade->UpdatePositionCache();
    blade->UpdateSelectedBorderIndices();
  }
}

}  // namespace vrel
