#include "imaging/RLAGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TRLAGraphic::StaticClass() {
  static const TClassInfo info("TRLAGraphic", &Inherited::StaticClass());
  return info;
}

bool TRLAGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 740, 740,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          if (U16BE(head, 26) != 0xFFFE)
                            return false;
                          std::string kind;
                          for (std::size_t i = 580; i < 612 && head[i] != 0; ++i)
                            kind += static_cast<char>(head[i] >= 'A' && head[i] <= 'Z' ? head[i] + 32 : head[i]);
                          return kind == "rgb" || kind == "xyz";
                        });
}

void TRLAGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "RLA"});
}

}  // namespace vrel
