#include "imaging/PPMGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TPPMGraphic::StaticClass() {
  static const TClassInfo info("TPPMGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TPPMGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 10, 10,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          return head[0] == 'P' && head[1] >= '1' && head[1] <= '6';
                        });
}

void TPPMGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "PBM, PGM or PPM"});
}

}  // namespace vrel
