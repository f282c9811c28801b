#pragma once

// Cube riders turn scene blades into texture polygons: for every blade they find the parts that the
// pilot, standing at the cube's centre, sees in front of each face photograph, give each part's
// vertices the texture coordinates of the face image behind them and cut the result into quads.
// Parts that stand oblique to their face are cut again into slices that lie parallel to the face, so
// that the simulator, which draws a texture polygon with the face photograph's perspective, shows
// them where the photograph has them.

#include <array>
#include <cstdint>
#include <memory>

#include "platform/Device.h"
#include "scene/DX9Cube.h"
#include "scene/DX9FlyWeight.h"

namespace vrel {

// A candidate vertex of one face's texture polygons.
class TCubeRiderPoint : public TCollectionItem {
  VREL_CLASS_INFO(TCubeRiderPoint, TCollectionItem)
 public:
  explicit TCubeRiderPoint(TCollection* collection) : TCollectionItem(collection) {}

  bool Used() const { return used_; }
  void SetUsed(bool value) { used_ = value; }
  // The normal of the blade triangle that holds the point, or the face normal for slice points.
  const Vec3& Normal() const { return normal_; }
  void SetNormal(const Vec3& value) { normal_ = value; }
  const TTexturedVertex& Vertex() const { return vertex_; }
  void SetVertex(const TTexturedVertex& value) { vertex_ = value; }
  Vec3 Position() const { return {vertex_.x, vertex_.y, vertex_.z}; }

  void Assign(const TPersistent* source) override;

 private:
  bool used_ = false;
  Vec3 normal_;
  TTexturedVertex vertex_{};
};

// The points of one face, with the walk's best candidate.
class TCubeRiderPointCollection : public TCollection {
  VREL_CLASS_INFO(TCubeRiderPointCollection, TCollection)
 public:
  explicit TCubeRiderPointCollection(TPersistent* owner = nullptr);

  TCubeRiderPoint* Point(int i) const { return static_cast<TCubeRiderPoint*>(Items(i)); }
  TCubeRiderPoint* Add() { return static_cast<TCubeRiderPoint*>(TCollection::Add()); }
  // The point already held within |position| x 4e-5 (plus `slack`) in each component, or nullptr.
  TCubeRiderPoint* FindNear(const Vec3& position, float slack = 0.0f) const;

  float BestDot = -1.0f;
  float BestDistance = 2147483648.0f;
  int32_t BestIndex = -1;
};

// One texture polygon: four textured vertices, and a flag set when the rider replaced it by slices.
class TCubeRiderBlade : public TCollectionItem {
  VREL_CLASS_INFO(TCubeRiderBlade, TCollectionItem)
 public:
  explicit TCubeRiderBlade(TCollection* collection) : TCollectionItem(collection) {}

  bool Flag() const { return flag_; }
  void SetFlag(bool value) { flag_ = value; }
  // Vertex i (0..3); other indexes raise.
  const TTexturedVertex& GetVertex(int i) const;
  void SetVertex(int i, const TTexturedVertex& vertex);
  const std::array<TTexturedVertex, 4>& Vertices() const { return vertices_; }
  TCorners GetPositions() const;

  // From a rider blade: the flag and the four vertices.
  void Assign(const TPersistent* source) override;

 private:
  static void CheckIndex(int i);

  bool flag_ = false;
  std::array<TTexturedVertex, 4> vertices_{};
};

// The texture polygons of one face.
class TCubeRiderBladeCollection : public TCollection {
  VREL_CLASS_INFO(TCubeRiderBladeCollection, TCollection)
 public:
  explicit TCubeRiderBladeCollection(TPersistent* owner = nullptr)
      : TCubeRiderBladeCollection(TCollection::FactoryOf<TCubeRiderBlade>(), owner) {}

  TCubeRiderBlade* Blade(int i) const { return static_cast<TCubeRiderBlade*>(Items(i)); }
  TCubeRiderBlade* AddBlade(const TTexturedVertex& a, const TTexturedVertex& b, const TTexturedVertex& c,
                            const TTexturedVertex& d);

 protected:
  // For collections of rider-blade descendants.
  TCubeRiderBladeCollection(ItemFactory factory, TPersistent* owner) : TCollection(factory, owner) {}
};

// A collection that always holds six items, one per cube face.
class TCubeCollection : public TCollection {
  VREL_CLASS_INFO(TCubeCollection, TCollection)
 public:
  static constexpr int kFaceCount = 6;

  TCubeCollection(ItemFactory factory, TPersistent* owner);
  // Clears the collection and adds six items.
  void Reset();
};

class TCubeRiderPointCollectionsItem : public TChildCollectionItem {
  VREL_CLASS_INFO(TCubeRiderPointCollectionsItem, TChildCollectionItem)
 public:
  explicit TCubeRiderPointCollectionsItem(TCollection* collection);
};

class TCubeRiderBladeCollectionsItem : public TChildCollectionItem {
  VREL_CLASS_INFO(TCubeRiderBladeCollectionsItem, TChildCollectionItem)
 public:
  explicit TCubeRiderBladeCollectionsItem(TCollection* collection);
};

class TCubeRiderPointCollections : public TCubeCollection {
  VREL_CLASS_INFO(TCubeRiderPointCollections, TCubeCollection)
 public:
  explicit TCubeRiderPointCollections(TPersistent* owner = nullptr);
  TCubeRiderPointCollection* GetFace(int i) const;
};

class TCubeRiderBladeCollections : public TCubeCollection {
  VREL_CLASS_INFO(TCubeRiderBladeCollections, TCubeCollection)
 public:
  explicit TCubeRiderBladeCollections(TPersistent* owner = nullptr);
  TCubeRiderBladeCollection* GetFace(int i) const;
  // Texture polygons over all faces.
  int TotalCount() const;
};

// The rider's copy of the cube. It also keeps, for each face f and face edge e, the triple
// (corner e+1, centre, corner e): the plane through the centre and that edge, across which a blade
// edge leaves one face's view for the next.
class TCubeClone : public TCubeSquareBladeCollection {
  VREL_CLASS_INFO(TCubeClone, TCubeSquareBladeCollection)
 public:
  using CornerTriple = std::array<Vec3, 3>;

  explicit TCubeClone(TPersistent* owner = nullptr);

  const CornerTriple& GetCornerTriple(int face, int edge) const;
  // From a cube: the cube's Assign and the triples rebuilt. Anything else only the layer part.
  void Assign(const TPersistent* source) override;

 protected:
  void UpdateCorners() override;

 private:
  void RebuildCornerTriples();

  std::array<std::array<CornerTriple, 4>, kFaceCount> triples_{};
};

class TCubeRider {
 public:
  TCubeRider();
  TCubeRider(const TCubeRider&) = delete;
  TCubeRider& operator=(const TCubeRider&) = delete;
  ~TCubeRider();

  // The cube the blades are projected onto; callers Assign the scene's cube to it first.
  TCubeClone* Clone() const { return clone_.get(); }
  // The current blade's candidate points per face (scratch of AddQuad).
  TCubeRiderPointCollections* Points() const { return points_.get(); }
  // Per face, the texture polygons cut from the blades; after Finish those with the flag set have
  // been replaced by slices.
  TCubeRiderBladeCollections* Pieces() const { return pieces_.get(); }
  // Per face, the slices that replace the flagged pieces.
  TCubeRiderBladeCollections* Slices() const { return slices_.get(); }

  // Projects one blade onto the faces and adds its pieces.
  void AddQuad(const TSquareBlade& blade);
  void AddQuad(const TCorners& corners);
  // Cuts every piece that stands oblique to its face into face-parallel slices, reporting progress
  // through the clone's OnProgress.
  void Finish();

  // The most slice passes one piece gets: a safety net for pieces that pass close to the centre,
  // where the slice step shrinks with the distance.
  static constexpr int kMaxSlicePasses = 10000;

 private:
  struct FaceFrame;

  void ProjectQuad(const TCorners& q);
  int RecutOblique(int face, const TCubeRiderBlade& piece);
  FaceFrame Frame(int face) const;

  std::unique_ptr<TCubeClone> clone_;
  std::unique_ptr<TCubeRiderPointCollections> points_;
  std::unique_ptr<TCubeRiderBladeCollections> pieces_;
  std::unique_ptr<TCubeRiderBladeCollections> slices_;
};

}  // namespace vrel
