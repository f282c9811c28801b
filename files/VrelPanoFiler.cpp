#include "files/VrelPanoFiler.h"

#include "files/FMSSceneWriter.h"
#include "files/VistaBitmap.h"
#include "scene/DX9Utils.h"

namespace vrel {

const TClassInfo& TVrelPanoFiler::StaticClass() {
  static const TClassInfo info("TVrelPanoFiler", &TPanoFiler::StaticClass());
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

void TVrelPanoFiler::SaveScene(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube) {
  const std::string text = JoinSceneLines(SceneFileLines(*this, layers, cube));
  SaveBytesReplacing(SceneFilename(), text);
  EnsureVistaBitmap();
}

void TVrelPanoFiler::EnsureVistaBitmap() {
  const std::string folder = GetSceneFolder();
  if (!FindFileIgnoringCase(folder, kVistaBitmapFileName).empty())
    return;
  IVistaTextRenderer* renderer = CurrentVistaTextRenderer();
  if (renderer == nullptr)
    throw Exception("fms_vista.bmp を作成できません (文字を描くフォントがありません)");
  SaveBytesReplacing(folder + kVistaBitmapFileName, EncodeBmp24(PaintVistaPicture(*renderer)));
}

}  // namespace vrel
