#include "imaging/CUTGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TCUTGraphic::StaticClass() {
  static const TClassInfo info("TCUTGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TCUTGraphic::CanLoadFromStream(TInputStream&) const {
  return false;
}

void TCUTGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "CUT"});
}

}  // namespace vrel
