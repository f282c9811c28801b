#include "imaging/EPSGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TEPSGraphic::StaticClass() {
  static const TClassInfo info("TEPSGraphic", &TTIFFGraphic::StaticClass());
  return info;
}

bool TEPSGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 30, 30,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          // The preview's offset counts from the header, so it is compared with the header's size, not
                          // with the header's place in the stream.
                          return U32LE(head, 0) == 0xC6D3D0C5u && U32LE(head, 20) > 30 && U32LE(head, 24) > 0;
                        });
}

void TEPSGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "EPS"});
}

}  // namespace vrel
