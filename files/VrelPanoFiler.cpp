#include "files/VrelPanoFiler.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "files/FMSSceneReader.h"
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

void TVrelPanoFiler::SetTexelInsets(const TTexelInsets& insets) {
  textureSize_ = 0;
  texelLow_ = insets.Low;
  texelHigh_ = insets.High;
}

bool TVrelPanoFiler::LoadSceneText(std::string_view bytes) {
  const bool read = TPanoFiler::LoadSceneText(bytes);
  sceneTexelInsets_ = ReadFaceTexelInsets(bytes);
  return read;
}

std::optional<TTexelInsets> ReadFaceTexelInsets(std::string_view sceneText) {
  std::size_t at = 0;
  // The next line, ended by CR LF, LF or a lone CR.
  const auto nextLine = [&]() -> std::optional<std::string_view> {
    if (at >= sceneText.size())
      return std::nullopt;
    const std::size_t end = std::min(sceneText.find_first_of("\r\n", at), sceneText.size());
    const std::string_view line = sceneText.substr(at, end - at);
    at = end + (sceneText.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    return line;
  };
  const auto isTextureLine = [](std::string_view line) {
    try {
      return TSceneLineParser(line).IsSymbol("TEXTURE");
    } catch (const ESceneLineError&) {
      return false;
    }
  };
  std::optional<std::string_view> line;
  do {
    line = nextLine();
  } while (line && !isTextureLine(*line));
  // The first face's corners follow: "u v x y z".
  std::vector<float> values;
  try {
    for (int corner = 0; corner < 4; ++corner) {
      const std::optional<std::string_view> vertex = nextLine();
      if (!vertex)
        return std::nullopt;
      TSceneLineParser p(*vertex);
      for (int uv = 0; uv < 2; ++uv, p.Next()) {
        if (!p.IsNumber())
          return std::nullopt;
        values.push_back(static_cast<float>(p.NumberValue()));
      }
    }
  } catch (const ESceneLineError&) {
    return std::nullopt;
  }
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  const TTexelInsets insets{*low, *high};
  const bool corners = insets.Low < insets.High && std::all_of(values.begin(), values.end(), [&](float v) {
                         return v == insets.Low || v == insets.High;
                       });
  return corners ? std::optional(insets) : std::nullopt;
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

}  // namespace

void TVrelPanoFiler::SaveScene(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube) {
  TPendingFiles files;
  WriteScene(files, layers, cube);
  files.CommitAll();
}

void TVrelPanoFiler::WriteScene(TPendingFiles& files, const TSquareBladeCollections& layers,
                                const TCubeSquareBladeCollection& cube) {
  const std::string text = JoinSceneLines(SceneFileLines(*this, layers, cube));
  sceneTexelInsets_ = TTexelInsets{texelLow_, texelHigh_};
  // The bitmap replaces no file, so it goes first: should the scene's rename fail, the previous
  // scene stays and gains only the bitmap it lacked.
  if (const auto vista = MissingVistaBitmap(GetSceneFolder()))
    files.Add(vista->first, vista->second);
  files.Add(SceneFilename(), text);
}

void TVrelPanoFiler::EnsureVistaBitmap() {
  if (const auto vista = MissingVistaBitmap(GetSceneFolder()))
    SaveBytesReplacing(vista->first, vista->second);
}

}  // namespace vrel
