#pragma once

// The scene filer that knows the picked cube image: the six face image names follow from one of
// them, whose suffix also tells the naming scheme.

#include <cstdint>
#include <string>

#include "files/SimFilers.h"

namespace vrel {

enum TPanoImageSize : uint8_t { ps256, ps512, ps1024, ps2048, ps4096, ps8192, ps16384 };

class TPanoFiler : public TSimFiler {
  VREL_CLASS_INFO(TPanoFiler, TSimFiler)
 public:
  // The face image the user picked (UTF-8 path). Stored without announcing a change.
  const std::string& CubeImageFileName() const { return cubeImageFileName_; }
  void SetCubeImageFileName(const std::string& value);
  TPanoImageSize PanoImageSize() const { return panoImageSize_; }
  void SetPanoImageSize(TPanoImageSize value);

  // Recognises the face suffix of the picked image's file name (without extension) and sets
  // CubeSuffix by it: one digit "0" to "5" is the digit scheme; a longer suffix whose first
  // character is one of B F L R T (either case) is the word scheme. False, CubeSuffix untouched, for
  // anything else, a name without "_" included.
  bool DetectCubeSuffix();
  // The six face image paths from the picked one: its path cut before the last "_" of its file name,
  // the face suffix by CubeSuffix, and its extension.
  void MakeImageNames();

 private:
  std::string cubeImageFileName_;
  TPanoImageSize panoImageSize_ = ps256;
};

}  // namespace vrel
