#include "imaging/PNGGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"
#include "imaging/PNGCheck.h"

namespace vrel {

const TClassInfo& TPNGGraphic::StaticClass() {
  static const TClassInfo info("TPNGGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TPNGGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 8, 8,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
                          return std::equal(std::begin(kSignature), std::end(kSignature), head.begin());
                        });
}

void TPNGGraphic::LoadFromStream(TInputStream& stream) {
  const std::vector<std::uint8_t> file = stream.ReadToEnd();
  CheckPngFile(file);
  LoadThroughSystemDecoder(file, "png");
}

}  // namespace vrel
