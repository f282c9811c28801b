#include "imaging/PCDGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TPCDGraphic::StaticClass() {
  static const TClassInfo info("TPCDGraphic", &Inherited::StaticClass());
  return info;
}

bool TPCDGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 6144, 2051,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          constexpr std::string_view kOverview = "PCD_OPA", kPack = "PCD";
                          return std::equal(kOverview.begin(), kOverview.end(), head.begin()) ||
                                 std::equal(kPack.begin(), kPack.end(), head.begin() + 2048);
                        });
}

void TPCDGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "PCD"});
}

}  // namespace vrel
