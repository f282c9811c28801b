#include "imaging/SGIGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TSGIGraphic::StaticClass() {
  static const TClassInfo info("TSGIGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TSGIGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(
      stream, 512, 512, [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
        (void)position, (void)available;
        const std::uint16_t dimension = U16BE(head, 4);
        return U16BE(head, 0) == 474 && (head[3] == 1 || head[3] == 2) && dimension >= 1 && dimension <= 3;
      });
}

void TSGIGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "sgi, bw or rgb(a)"});
}

}  // namespace vrel
