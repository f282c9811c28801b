#include "imaging/TargaGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TTargaGraphic::StaticClass() {
  static const TClassInfo info("TTargaGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TTargaGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 18, 18,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          const std::uint8_t type = head[2], mapType = head[1], entryBits = head[7], depth = head[16];
                          return (type <= 3 || (type >= 9 && type <= 11)) && mapType <= 1 &&
                                 (entryBits == 15 || entryBits == 16 || entryBits == 24 || entryBits == 32) &&
                                 (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32);
                        });
}

void TTargaGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "Truevision"});
}

}  // namespace vrel
