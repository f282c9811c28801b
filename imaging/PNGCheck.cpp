#include "imaging/PNGCheck.h"

#include <zlib.h>

#include <algorithm>
#include <string>

#include "imaging/FormatTest.h"
#include "imaging/RasterFormats.h"

namespace vrel {

namespace {

[[noreturn]] void PngError(const std::string& why) {
  throw EInvalidGraphic("Cannot load image. Invalid or unexpected PNG image format: " + why + ".");
}

bool TypeIs(std::span<const std::uint8_t> type, const char* name) {
  return std::equal(type.begin(), type.end(), name);
}

unsigned SamplesOf(unsigned colourType) {
  switch (colourType) {
    case 0:
    case 3:
      return 1;
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 0;
  }
}

}  // namespace

void CheckPngFile(std::span<const std::uint8_t> file) {
  constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (file.size() < 8 || !std::equal(std::begin(kSignature), std::end(kSignature), file.begin()))
    PngError("no PNG signature");
  std::size_t at = 8;
  std::uint64_t width = 0, height = 0, bits = 0, samples = 0, imageData = 0;
  bool first = true;
  while (true) {
    if (file.size() - at < 12)
      PngError("the file ends inside a chunk");
    const std::uint32_t length = U32BE(file, at);
    const std::span<const std::uint8_t> type = file.subspan(at + 4, 4);
    if (length > file.size() - at - 12)
      PngError("a chunk runs past the end of the file");
    const std::span<const std::uint8_t> data = file.subspan(at + 8, length);
    const auto crc = crc32(crc32(0, type.data(), 4), data.data(), static_cast<uInt>(data.size()));
    if (crc != U32BE(file, at + 8 + length))
      PngError("a chunk's CRC does not match its data");
    if (first) {
      if (!TypeIs(type, "IHDR") || length != 13)
        PngError("the first chunk is not a header");
      width = U32BE(data, 0);
      height = U32BE(data, 4);
      bits = data[8];
      samples = SamplesOf(data[9]);
      if (samples == 0 || (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16))
        PngError("the colour type or bit depth is not valid");
      first = false;
    } else if (TypeIs(type, "IDAT")) {
      imageData += length;
    } else if (TypeIs(type, "IEND")) {
      break;
    }
    at += 12 + std::size_t{length};
  }
  // Each row starts with its filter byte; interlacing adds at most one more per pass row.
  const unsigned bitsPerPixel = static_cast<unsigned>(bits * samples);
  CheckImageBudget(width, height, bitsPerPixel, imageData, MaxExpansion(TCompressionType::ctDeflate), "PNG");
  if (imageData == 0)
    PngError("there is no image data");
}

}  // namespace vrel
