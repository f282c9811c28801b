#pragma once

// What the fuzz targets share: the kinds of component a stream may be read into, and the check
// that whatever was read writes itself back the same way.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "files/ObjectFiles.h"
#include "files/VrelConverter.h"
#include "files/history/ComponentStateHolder.h"
#include "files/history/VectorHolder.h"
#include "fuzz/FuzzFail.h"
#include "platform/Menus.h"
#include "scene/DX9Square.h"

namespace vrel::fuzz {

inline constexpr int kTargetKinds = 5;

inline std::unique_ptr<TComponent> MakeTarget(int kind) {
  switch (kind % kTargetKinds) {
    case 0:
      return std::make_unique<TSquareBladeCollectionsContainer>();
    case 1:
      return std::make_unique<TSquareBladeCollectionContainer>();
    case 2:
      return std::make_unique<TMenuItem>();
    case 3:
      return std::make_unique<TVectorHolder>();
    default:
      return std::make_unique<TVrelConverter>();
  }
}

}  // namespace vrel::fuzz
