#include "files/VrelPanoFiler.h"

#include <optional>
#include <utility>

#include "files/FMSSceneWriter.h"
#include "files/VistaBitmap.h"
#include "platform/SafeSave.h"
#include "scene/DX9Utils.h"

namespace vrel {

const TClassInfo& TVrelPanoFiler::StaticClass() {
  static const TClassInfo info("TVrelPanoFiler", &Inherited::StaticClass());
  return info;
}

TVrelPanoFiler::TVrelPanoFiler() = default;

void TVrelPanoFiler::SetTextureSize(int32_t size) {
  if (size == textureSize_)
    return;
  textureSize_ = size;
  // A face is drawn from 255 texels; the inset keeps the sampler off the neighbouring face's
  // pixels, and a larger image needs a smaller one.
  if (size >= 4096) {
    texelLow_ = 0.0625f;
    texelHigh_ = 254.9375f;
  } else if (size < 2048) {
    texelLow_ = 0.25f;
    texelHigh_ = 254.75f;
  } else {
    texelLow_ = 0.125f;
    texelHigh_ = 254.875f;
  }
}

std::string TVrelPanoFiler::TextureBasenameFromImage(const std::string& path) {
  return ExtractCubeBaseNameUtf8(PathWithoutExtension(PathFileName(path)));
}

void TVrelPanoFiler::Assign(const TPersistent* source) {
  const auto* filer = As<TVrelPanoFiler>(source);
  if (!filer) {
    TPanoFiler::Assign(source);
    return;
  }
  FMSData()->Assign(filer->FMSData());
  SetCubeSuffix(filer->CubeSuffix());
  SetSceneFilename(filer->SceneFilename());
  SetTextureBasename(filer->TextureBasename());
  SetExportAll(filer->ExportAll());
  SetTextureSize(filer->TextureSize());
}

float TVrelPanoFiler::MapTexCoord(float t) const {
  const float texel = texelLow_ + t * (texelHigh_ - texelLow_);
  return static_cast<float>(RoundDigits(texel, 4));
}

namespace {

// The vista bitmap's path and bytes, or nothing when a file of that name (in any case) is there.
std::optional<std::pair<std::string, std::string>> MissingVistaBitmap(const std::string& folder) {
  if (!FindFileIgnoringCase(folder, kVistaBitmapFileName).empty())
    return std::nullopt;
  IVistaTextRenderer* renderer = CurrentVistaTextRenderer();
  if (renderer == nullptr)
    throw Exception("fms_vista.bmp を作成できません (文字を描くフォントがありません)");
  return std::pair(folder + kVistaBitmapFileName, EncodeBmp24(PaintVistaPicture(*renderer)));
}

void Write(TPendingFile& file, const std::string& path, std::string_view bytes) {
  std::string error;
  if (!file.Write(bytes, error))
    RaiseCannotCreate(path, error);
}

void Commit(TPendingFile& file, const std::string& path) {
  std::string error;
  if (!file.Commit(error))
    RaiseCannotCreate(path, error);
}

}  // namespace

void TVrelPanoFiler::SaveScene(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube) {
  const std::string text = JoinSceneLines(SceneFileLines(*this, layers, cube));
  const auto vista = MissingVistaBitmap(GetSceneFolder());
  // Both files are written in full before either takes its place: a scene whose bitmap could not be
  // written must not replace the previous scene.
  TPendingFile scene(SceneFilename());
  Write(scene, SceneFilename(), text);
  std::optional<TPendingFile> bitmap;
  if (vista) {
    bitmap.emplace(vista->first);
    Write(*bitmap, vista->first, vista->second);
    // The bitmap replaces no file, so it goes first: should the scene's rename fail, the previous
    // scene stays and gains only the bitmap it lacked.
    Commit(*bitmap, vista->first);
  }
  Commit(scene, SceneFilename());
}

void TVrelPanoFiler::EnsureVistaBitmap() {
  if (const auto vista = MissingVistaBitmap(GetSceneFolder()))
    SaveBytesReplacing(vista->first, vista->second);
}

}  // namespace vrel
