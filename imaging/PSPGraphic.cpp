#include "imaging/PSPGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TPSPGraphic::StaticClass() {
  static const TClassInfo info("TPSPGraphic", &Inherited::StaticClass());
  return info;
}

bool TPSPGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 36, 36,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          constexpr std::string_view kSignature = "Paint Shop Pro Image File";
                          return std::equal(kSignature.begin(), kSignature.end(), head.begin()) && U16LE(head, 32) >= 3;
                        });
}

void TPSPGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "PSP"});
}

}  // namespace vrel
