#include "imaging/PCXGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TPCXGraphic::StaticClass() {
  static const TClassInfo info("TPCXGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TPCXGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 128, 128,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          const std::uint8_t version = head[1];
                          return (head[0] == 10 || head[0] == 12) &&
                                 (version == 0 || version == 2 || version == 3 || version == 5) && head[2] <= 1;
                        });
}

void TPCXGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "PCX or SCR"});
}

}  // namespace vrel
