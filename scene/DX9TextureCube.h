#pragma once

// The texture cube shows the texture polygons that a cube rider cut from the blades, with the face
// photographs on them, so the user can check them before saving; the fin container holds streamable
// textured quads per cube face and draws them the same way, for the settings dialog's preview.

#include <cstdint>
#include <memory>

#include "platform/Device.h"
#include "scene/DX9Cube.h"
#include "scene/DX9CubeRiders.h"
#include "scene/DX9Materials.h"

namespace vrel {

// Bits of the texture cube's and the fin container's draw states.
enum TTextureCubeDrawState : uint8_t { dsSurface = 1, dsBorder = 2, dsVertex = 4 };

class TTextureCube : public TCubeSquareBladeCollection {
  VREL_CLASS_INFO(TTextureCube, TCubeSquareBladeCollection)
 public:
  explicit TTextureCube(TPersistent* owner = nullptr);
  ~TTextureCube() override;

  // Per face, the rider's pieces that were not replaced by slices.
  TCubeRiderBladeCollections* Pieces() const { return pieces_.get(); }
  // Per face, the slices that replace oblique pieces; their owner assigns them from a rider.
  TCubeRiderBladeCollections* Slices() const { return slices_.get(); }
  // Edge and corner colour (green at creation) and point size.
  TCubeMaterial* Material() const { return material_.get(); }
  uint8_t DrawStates() const { return drawStates_; }
  void SetDrawStates(uint8_t value) { drawStates_ = value; }

  // The cube's Assign; from a cube whose textures are loaded each face also shares the source
  // face's texture.
  void Assign(const TPersistent* source) override;
  // Pieces := a copy of the rider's pieces, without those the rider replaced by slices.
  void AssignTexturePolygons(const TCubeRiderBladeCollections& pieces);
  // By the draw states: the textured polygons (untextured where a face has no texture), their edges
  // and their corners. Nothing when the cube has no faces.
  void Draw(IDevice& device) const;

 private:
  std::unique_ptr<TCubeRiderBladeCollections> pieces_;
  std::unique_ptr<TCubeRiderBladeCollections> slices_;
  std::unique_ptr<TCubeMaterial> material_;
  uint8_t drawStates_ = dsSurface | dsBorder;
};

// One vertex of a fin in streamable form.
class TTextureVectorItem : public TCollectionItem {
  VREL_CLASS_INFO(TTextureVectorItem, TCollectionItem)
 public:
  explicit TTextureVectorItem(TCollection* collection) : TCollectionItem(collection) {}

  const TTexturedVertex& Vertex() const { return vertex_; }
  void SetVertex(const TTexturedVertex& value) { vertex_ = value; }
  float X() const { return vertex_.x; }
  void SetX(float v) { vertex_.x = v; }
  float Y() const { return vertex_.y; }
  void SetY(float v) { vertex_.y = v; }
  float Z() const { return vertex_.z; }
  void SetZ(float v) { vertex_.z = v; }
  // The colour's bits as a signed number, as streams keep 32-bit colours.
  int32_t Diffuse() const { return static_cast<int32_t>(vertex_.diffuse); }
  void SetDiffuse(int32_t v) { vertex_.diffuse = static_cast<ArgbColor>(v); }
  float Tu() const { return vertex_.tu; }
  void SetTu(float v) { vertex_.tu = v; }
  float Tv() const { return vertex_.tv; }
  void SetTv(float v) { vertex_.tv = v; }

  // From a TTextureVectorItem: all six fields.
  void Assign(const TPersistent* source) override;

 private:
  TTexturedVertex vertex_{};
};

class TTextureVectorCollection : public TCollection {
  VREL_CLASS_INFO(TTextureVectorCollection, TCollection)
 public:
  explicit TTextureVectorCollection(TPersistent* owner = nullptr);
  TTextureVectorItem* Item(int i) const { return static_cast<TTextureVectorItem*>(Items(i)); }
  TTextureVectorItem* Add() { return static_cast<TTextureVectorItem*>(TCollection::Add()); }
};

// A textured quad that streams its four vertices (published as "Collection").
class TFinBlade : public TCubeRiderBlade {
  VREL_CLASS_INFO(TFinBlade, TCubeRiderBlade)
 public:
  explicit TFinBlade(TCollection* collection);
  ~TFinBlade() override;

  TTextureVectorCollection* VectorCollection() const { return vectors_.get(); }
  // Takes the four vertices from the streamable copy; false, and nothing changed, unless it holds
  // exactly four.
  bool SyncFromCollection();

  // From a fin: its streamable copy, then the vertices from it. From another rider blade: its
  // vertices and flag, and the streamable copy rebuilt from them.
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TTextureVectorCollection> vectors_;
};

// The fins of one face.
class TFinBladeCollection : public TCubeRiderBladeCollection {
  VREL_CLASS_INFO(TFinBladeCollection, TCubeRiderBladeCollection)
 public:
  explicit TFinBladeCollection(TPersistent* owner = nullptr);
  TFinBlade* Fin(int i) const { return static_cast<TFinBlade*>(Items(i)); }
};

class TFinBladeCollectionsItem : public TChildCollectionItem {
  VREL_CLASS_INFO(TFinBladeCollectionsItem, TChildCollectionItem)
 public:
  explicit TFinBladeCollectionsItem(TCollection* collection);
};

// Six faces of fins.
class TFinBladeCollections : public TCubeCollection {
  VREL_CLASS_INFO(TFinBladeCollections, TCubeCollection)
 public:
  explicit TFinBladeCollections(TPersistent* owner = nullptr);
  TFinBladeCollection* GetFace(int i) const;
  int TotalCount() const;
};

class TFinCollectionsContainer : public TComponent {
  VREL_CLASS_INFO(TFinCollectionsContainer, TComponent)
 public:
  explicit TFinCollectionsContainer(TComponent* owner = nullptr);
  ~TFinCollectionsContainer() override;

  TFinBladeCollections* FinCollections() const { return fins_.get(); }
  // One texture for the fins of every face, set by the owner.
  const std::shared_ptr<Texture>& GetTexture() const { return texture_; }
  void SetTexture(std::shared_ptr<Texture> texture) { texture_ = std::move(texture); }
  // Edge and corner colour (green at creation) and point size.
  TCubeMaterial* Material() const { return material_.get(); }
  uint8_t DrawStates() const { return drawStates_; }
  void SetDrawStates(uint8_t value) { drawStates_ = value; }

  // Every fin takes its vertices from its streamable copy (when that holds four); the owner calls
  // it after loading fins from a stream.
  void SyncBlades();
  // As the texture cube draws, with the one texture (textured fins only when it is set). Nothing
  // without fins.
  void Draw(IDevice& device) const;

 private:
  std::unique_ptr<TFinBladeCollections> fins_;
  std::shared_ptr<Texture> texture_;
  std::unique_ptr<TCubeMaterial> material_;
  uint8_t drawStates_ = dsSurface | dsBorder;
};

// Registers the streamable component classes of this unit.
void RegisterTextureCubeClasses();

}  // namespace vrel
