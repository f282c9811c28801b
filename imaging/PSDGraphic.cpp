#include "imaging/PSDGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TPSDGraphic::StaticClass() {
  static const TClassInfo info("TPSDGraphic", &Inherited::StaticClass());
  return info;
}

bool TPSDGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 26, 26,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          const auto upper = [](std::uint8_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
                          return upper(head[0]) == '8' && upper(head[1]) == 'B' && upper(head[2]) == 'P' &&
                                 upper(head[3]) == 'S' && U16BE(head, 4) == 1;
                        });
}

void TPSDGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "PSD or PDD"});
}

}  // namespace vrel
