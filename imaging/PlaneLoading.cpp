#include "imaging/PlaneLoading.h"

#include "imaging/RasterFormats.h"

namespace vrel {

void RequireBytes(const TInputStream& stream, std::uint64_t count, const char* format) {
  if (count > stream.Remaining())
    RasterFormatError(kInvalidFormatMessage, {format});
}

std::vector<std::uint8_t> ReadChecked(TInputStream& stream, std::uint64_t count, const char* format) {
  RequireBytes(stream, count, format);
  return stream.ReadBytes(static_cast<std::size_t>(count));
}

void SkipChecked(TInputStream& stream, std::uint64_t count, const char* format) {
  RequireBytes(stream, count, format);
  stream.Seek(static_cast<std::int64_t>(count), TSeekOrigin::soCurrent);
}

}  // namespace vrel
