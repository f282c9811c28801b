// The image decoders: any bytes, given to any decoder with any parameters, decode or raise the
// decoder's error; a decoder never reads or writes outside its spans (each in a buffer of its exact
// size), never reports more than it was given, and always finishes.
//
// Input: byte 0 the decoder, byte 1 its option bits, bytes 2-3 a width, 4-5 a height (rows), 6-7 the
// length of JPEG tables at the start of the data (JPEG only), then the data.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include <zlib.h>

#include "imaging/CCITTDecoders.h"
#include "imaging/Graphics.h"
#include "imaging/PCDDecoder.h"
#include "imaging/RasterDecoders.h"
#include "imaging/TIFFJPEGDecoder.h"

namespace {

using namespace vrel;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

std::unique_ptr<TDecoder> MakeDecoder(int kind, unsigned options, std::uint32_t width, const TImageProperties& jpeg) {
  static constexpr int kTargaDepths[] = {8, 15, 16, 24, 32};
  const bool swapped = (options & 8) != 0;
  switch (kind) {
    case 0:
      return std::make_unique<TTargaRLEDecoder>(kTargaDepths[options % 5]);
    case 1:
      return std::make_unique<TPackbitsRLEDecoder>();
    case 2:
      return std::make_unique<TPCXRLEDecoder>();
    case 3:
      return std::make_unique<TSGIRLEDecoder>(options & 1 ? 16 : 8);
    case 4:
      return std::make_unique<TCUTRLEDecoder>();
    case 5:
      return std::make_unique<TPSPRLEDecoder>();
    case 6:
      return std::make_unique<TRLADecoder>();
    case 7:
      return std::make_unique<TCCITTFax3Decoder>(options & 7, swapped, width, false);
    case 8:
      return std::make_unique<TCCITTMHDecoder>(0, swapped, width, (options & 1) != 0);
    case 9:
      return std::make_unique<TCCITTFax4Decoder>(0, swapped, width, false);
    case 10:
      return std::make_unique<TLZ77Decoder>(options & 1 ? Z_FINISH : Z_PARTIAL_FLUSH, (options & 2) != 0);
    case 11:
      return std::make_unique<TThunderDecoder>(width);
    default:
      return std::make_unique<TTIFFJPEGDecoder>(jpeg);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8)
    return 0;
  const int kind = data[0] % 14;
  const unsigned options = data[1];
  const std::uint32_t width = (data[2] | std::uint32_t{data[3]} << 8) % 2048;
  const std::uint32_t height = (data[4] | std::uint32_t{data[5]} << 8) % 256;
  const std::size_t rest = size - 8;
  const std::size_t tables = kind == 12 ? std::min(data[6] | std::size_t{data[7]} << 8, rest) : 0;
  const std::vector<std::uint8_t> tableBytes(data + 8, data + 8 + tables);
  const auto input = std::make_unique<std::uint8_t[]>(rest - tables);
  std::copy(data + 8 + tables, data + size, input.get());
  const std::span<const std::uint8_t> source(input.get(), rest - tables);

  if (kind == 13) {
    const std::size_t chroma = std::size_t{width} * ((height + 1) / 2);
    std::vector<std::uint8_t> luma(std::size_t{width} * height), first(chroma), second(chroma);
    TMemoryInputStream stream(source);
    try {
      TPCDDecoder(stream).Decode({luma, first, second}, width, height);
    } catch (const EDecodeError&) {
    }
    return 0;
  }

  TImageProperties jpeg;
  jpeg.Width = width;
  jpeg.Height = height;
  jpeg.RowsPerStrip = {height};
  jpeg.BitsPerSample = 8;
  jpeg.SamplesPerPixel = options & 1 ? 3 : 1;
  jpeg.ColorScheme = options & 2 ? TColorScheme::YCbCr : TColorScheme::RGB;
  if (options & 4)
    jpeg.YCbCrSubSampling = {2, 2};
  jpeg.JPEGTables = tableBytes;
  // Room for the rows the parameters describe, at most 1 MB.
  const std::size_t pixelBytes = kind == 12 ? jpeg.SamplesPerPixel : kind == 0 ? 4 : kind == 3 ? 2 : 1;
  const std::size_t room = std::min<std::size_t>(std::size_t{width} * height * pixelBytes, 1u << 20);
  const auto target = std::make_unique<std::uint8_t[]>(room);
  try {
    const std::unique_ptr<TDecoder> decoder = MakeDecoder(kind, options, width, jpeg);
    decoder->DecodeInit();
    const TDecodeResult result = decoder->Decode(source, std::span(target.get(), room));
    if (result.Consumed > source.size() || result.Produced > room)
      Fail("a decoder reported more than it was given");
    decoder->DecodeEnd();
  } catch (const EDecodeError&) {
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
