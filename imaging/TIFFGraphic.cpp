#include "imaging/TIFFGraphic.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "imaging/FormatTest.h"

namespace vrel {

const TClassInfo& TTIFFGraphic::StaticClass() {
  static const TClassInfo info("TTIFFGraphic", &TRasterGraphic::StaticClass());
  return info;
}

bool TTIFFGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 8, 8,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          const std::uint16_t order = U16LE(head, 0);
                          if (order != 0x4949 && order != 0x4D4D)
                            return false;
                          const bool big = order == 0x4D4D;
                          const std::uint16_t version = big ? U16BE(head, 2) : U16LE(head, 2);
                          const std::uint32_t first = big ? U32BE(head, 4) : U32LE(head, 4);
                          return version == 42 && first < available;
                        });
}

void TTIFFGraphic::LoadFromStream(TInputStream&) {
  RasterFormatError(kNotSupportedMessage, {"Loading is", "TIF/TIFF"});
}

}  // namespace vrel
