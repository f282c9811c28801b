#pragma once

// The panorama cube: a layer whose eight pool vertices are the cube's corners and whose six blades are
// its faces, each face carrying one of the six face photographs as a texture. The cube turns about the
// Y axis with the scene and grows with the scene's area radius.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Device.h"
#include "platform/ProgressEvent.h"
#include "scene/DX9Square.h"

namespace vrel {

// The six face image files, in face order (left, front, right, back, top, bottom).
using TFaceImageNames = std::array<std::string, 6>;

// Decodes a face image file into the pixels of its texture; raises (an Exception naming the file)
// when the file is not an image it can read whole, or is wider or taller than `largestSide` (the
// device's largest texture). The application hands in the image codecs' reader, so the scene does not
// depend on them.
using TFaceImageDecoder = std::function<TextureImage(const std::string& fileName, int largestSide)>;

// What a texture load came to. A face that could not be decoded or made a texture is named, so that
// the caller can tell the user or stay silent as it chooses.
struct TTextureLoadResult {
  bool Loaded = false;
  int FailedFace = -1;     // -1 when every face loaded
  std::string FailedFile;  // the file name of that face
  std::string Message;     // why, for the user
};

// One face of the cube.
class TCubeSquareBlade : public TSquareBlade {
  VREL_CLASS_INFO(TCubeSquareBlade, TSquareBlade)
 public:
  explicit TCubeSquareBlade(TCollection* collection);

  const std::shared_ptr<Texture>& GetTexture() const { return texture_; }
  void SetTexture(std::shared_ptr<Texture> texture) { texture_ = std::move(texture); }
  // The face's file-name suffix ("_left", "_front", ...).
  const std::string& Suffix() const { return suffix_; }
  void SetSuffix(const std::string& suffix) { suffix_ = suffix; }
  // Corner i's position with the texture coordinates (0,0), (1,0), (1,1), (0,1) for i = 0..3.
  const std::array<TTexturedVertex, 4>& TexturedVertices() const { return vertices_; }

  // Also refreshes the textured vertices.
  void UpdatePositionCache() override;
  // From a face: the blade part and the suffix; the texture stays this face's own.
  void Assign(const TPersistent* source) override;

 private:
  std::shared_ptr<Texture> texture_;
  std::string suffix_;
  std::array<TTexturedVertex, 4> vertices_{};
};

class TCubeSquareBladeCollection : public TSquareBladeCollection {
  VREL_CLASS_INFO(TCubeSquareBladeCollection, TSquareBladeCollection)
 public:
  static constexpr int kFaceCount = 6;
  static constexpr int kCornerCount = 8;
  // Draw flag bits.
  static constexpr uint8_t kDrawPoints = 1;
  static constexpr uint8_t kDrawBorders = 2;
  static constexpr uint8_t kDrawTextures = 4;

  explicit TCubeSquareBladeCollection(TPersistent* owner = nullptr);
  ~TCubeSquareBladeCollection() override;

  TProgressEvent OnProgress;

  // Face i (0 left, 1 front, 2 right, 3 back, 4 top, 5 bottom); raises std::out_of_range past the faces.
  TCubeSquareBlade* GetFaceBlade(int i) const;
  // A new face blade (every blade the cube makes is a face, however it is added).
  TCubeSquareBlade* Add() { return static_cast<TCubeSquareBlade*>(TCollection::Add()); }

  int32_t FaceImageSize() const { return faceImageSize_; }
  void SetFaceImageSize(int32_t value) { faceImageSize_ = value; }
  // Half the edge length. A different finite value moves the corners; anything else changes nothing.
  float Size() const { return size_; }
  void SetSize(float value);
  // Degrees about the Y axis. A different finite value turns the corners; anything else changes nothing.
  float Rotation() const { return rotation_; }
  void SetRotation(float value);
  bool TexturesLoaded() const { return texturesLoaded_; }
  uint8_t DrawFlags() const { return drawFlags_; }
  void SetDrawFlags(uint8_t flags) { drawFlags_ = flags; }

  // Loads the six face images as textures, each decoded by `decode`, reporting progress 0 (starting),
  // 16, 32, ... 96 (running) and 100 (ending). A face that cannot be decoded or made a texture ends
  // the load with every texture released; the result names it and says why. The face image size is
  // the first face's width once all six have loaded; a failed load leaves it as it was.
  TTextureLoadResult LoadTextures(IDevice& device, const TFaceImageNames& fileNames, const TFaceImageDecoder& decode);
  void ReleaseTextures();

  // Draws by the draw flags: textured faces (only with textures loaded), face borders and corner
  // points, the last two with the border material and point size given.
  void Draw(IDevice& device, const Material& border, int32_t pointSize) const;

  // From a layer: Visible, Locked, Name, the pool and the blades, which become faces; the textures
  // are released first. From a cube also the size, rotation and face image size, and the corners are
  // bound again.
  void Assign(const TPersistent* source) override;

  // Fires OnProgress from this cube (no redraw, empty rectangle and message); the riders report
  // through their cube copy.
  void DoProgress(TProgressStage stage, uint8_t percentDone);

 protected:
  // Adds the eight corners and the six faces.
  void BuildFaces();
  // Puts the corners where size and rotation say.
  virtual void UpdateCorners();

 private:
  int32_t faceImageSize_ = 2048;
  float size_ = 1000.0f;
  float rotation_ = 0.0f;
  bool texturesLoaded_ = false;
  uint8_t drawFlags_ = 7;
};

// The unrotated position of corner item i (0..7) of a cube of half edge s.
Vec3 CubeCornerPosition(int i, float s);
// The corner items of face f (0..5), corners 0..3 seen from the centre: top left, top right, bottom
// right, bottom left.
const std::array<int, 4>& CubeFaceCornerItems(int f);
// The file-name suffix of face f.
const char* CubeFaceSuffix(int f);

}  // namespace vrel
