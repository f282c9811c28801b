#include "imaging/AutodeskGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TAutodeskGraphic::StaticClass() {
  static const TClassInfo info("TAutodeskGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TAutodeskGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 32, 32,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          return U16LE(head, 0) == 0x9119 && head[10] == 8 && head[11] == 0;
                        });
}

void TAutodeskGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "Autodesk"});
}

}  // namespace vrel
