#include "files/PanoFiler.h"

#include <array>

namespace vrel {

namespace {
constexpr std::array<const char*, 7> kPanoImageSizeNames{"ps256",  "ps512",  "ps1024", "ps2048",
                                                         "ps4096", "ps8192", "ps16384"};
}  // namespace

const TClassInfo& TPanoFiler::StaticClass() {
  static const TClassInfo info(
      "TPanoFiler", &Inherited::StaticClass(),
      {props::String<&TPanoFiler::CubeImageFileName, &TPanoFiler::SetCubeImageFileName>("CubeImageFileName"),
       props::Enumeration<&TPanoFiler::PanoImageSize, &TPanoFiler::SetPanoImageSize>("PanoImageSize",
                                                                                     kPanoImageSizeNames)});
  return info;
}

void TPanoFiler::SetCubeImageFileName(const std::string& value) {
  cubeImageFileName_ = value;
}

void TPanoFiler::SetPanoImageSize(TPanoImageSize value) {
  panoImageSize_ = value;
}

bool TPanoFiler::DetectCubeSuffix() {
  const std::string suffix = ExtractCubeSuffixUtf8(PathWithoutExtension(cubeImageFileName_));
  if (suffix.empty())
    return false;
  const char first = suffix.front();
  if (suffix.size() == 1) {
    if (first < '0' || first > '5')
      return false;
    SetCubeSuffix(csZero);
    return true;
  }
  if (std::string_view("BFLRTbflrt").find(first) == std::string_view::npos)
    return false;
  SetCubeSuffix(csLeft);
  return true;
}

void TPanoFiler::MakeImageNames() {
  const std::string base = ExtractCubeBaseNameUtf8(cubeImageFileName_);
  const std::string extension = PathExtension(cubeImageFileName_);
  std::vector<std::string>& names = ImageNames();
  names.clear();
  for (int face = 0; face < kCubeFaceCount; ++face)
    names.push_back(base + FaceImageSuffix(CubeSuffix(), face) + extension);
}

}  // namespace vrel
