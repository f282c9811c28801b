#pragma once

// The scene filer the editor uses: the panorama filer plus the face texture size with the texel
// insets of the texture coordinates, the export-all switch, and saving the scene file with the vista
// bitmap beside it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/PanoFiler.h"

namespace vrel {

class TSquareBladeCollections;
class TCubeSquareBladeCollection;
class TPendingFiles;

// Where texture coordinates 0 and 1 fall, in texels of a 255-texel face.
struct TTexelInsets {
  float Low = 0.0f;
  float High = 0.0f;
  bool operator==(const TTexelInsets&) const = default;
};

// The texel insets of a scene file's cube face lines: the u and v values of the four lines after its
// first TEXTURE line, which are all the one or the other. Nothing when the file has no such lines.
std::optional<TTexelInsets> ReadFaceTexelInsets(std::string_view sceneText);

class TVrelPanoFiler : public TPanoFiler {
  VREL_CLASS_INFO(TVrelPanoFiler, TPanoFiler)
 public:
  TVrelPanoFiler();

  int32_t TextureSize() const { return textureSize_; }
  // A new size also sets the texel insets: 0.0625 / 254.9375 from 4096 up, 0.25 / 254.75 below 2048,
  // 0.125 / 254.875 otherwise. The size already held changes nothing.
  void SetTextureSize(int32_t size);
  // Also hidden layers and hidden blades go into the scene file.
  bool ExportAll() const { return exportAll_; }
  void SetExportAll(bool value) { exportAll_ = value; }
  // Where texture coordinates 0 and 1 fall, in texels of a 255-texel face.
  float TexelLow() const { return texelLow_; }
  float TexelHigh() const { return texelHigh_; }
  // Insets that no texture size gives; the texture size becomes 0, so that any size set later sets
  // its own insets.
  void SetTexelInsets(const TTexelInsets& insets);

  // The texel insets of the cube face lines of the scene file that was read or last written; none
  // for a new document or a scene file without such lines. A scene whose faces are not loaded is
  // written with them, so that saving it changes no texture coordinate.
  const std::optional<TTexelInsets>& SceneTexelInsets() const { return sceneTexelInsets_; }
  void SetSceneTexelInsets(const std::optional<TTexelInsets>& insets) { sceneTexelInsets_ = insets; }

  // The scene text as TSimFiler reads it, and the texel insets of its face lines.
  bool LoadSceneText(std::string_view bytes) override;

  // The file name of a face image without folder and extension, cut before its last "_" ("" when it
  // has none).
  static std::string TextureBasenameFromImage(const std::string& path);

  // From a scene filer of this class: the placement data, CubeSuffix, SceneFilename and
  // TextureBasename through the setters, ExportAll and the texture size. Nothing else.
  void Assign(const TPersistent* source) override;

  // TexelLow + t x (TexelHigh - TexelLow) in single precision, rounded to four decimals.
  float MapTexCoord(float t) const;

  // Writes the scene file (SceneFilename) for the layers and the panorama cube and, when it is
  // missing, the vista bitmap beside it. The texel insets follow the cube's loaded faces (see
  // SceneFileLines). Both files are written to temporary files first and take their places only when
  // both are complete, so a failed save leaves the previous scene as it was. Raises Exception, before
  // anything is written, when a face image name has no CP932 form or fewer than six face images are
  // named, or a missing bitmap has no text renderer to draw it; and when a file cannot be written.
  void SaveScene(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube);
  // SaveScene's files written among `files`, the bitmap first, to be committed with the files that
  // go with them.
  void WriteScene(TPendingFiles& files, const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube);

  // Makes fms_vista.bmp in the scene's folder unless a file of that name (in any case) is there.
  // Raises Exception when no text renderer is installed or the file cannot be written.
  void EnsureVistaBitmap();

 private:
  int32_t textureSize_ = 2048;
  bool exportAll_ = true;
  float texelLow_ = 0.125f;
  float texelHigh_ = 254.875f;
  std::optional<TTexelInsets> sceneTexelInsets_;
};

}  // namespace vrel
