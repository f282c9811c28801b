// The TIFF and EPS loaders: any bytes load or are refused with the loaders' errors, never a crash, a
// read outside the bytes, a hang or an allocation the data cannot justify (the size check bounds the
// pixels by the bytes). A file that starts with the EPS magic goes to the EPS loader, any other to
// the TIFF loader. A picture that loads is converted once more, to touch every pixel and palette
// entry.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/EPSGraphic.h"
#include "imaging/Streams.h"
#include "imaging/TIFFGraphic.h"
#include "platform/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vrel;
  const bool eps = size >= 4 && data[0] == 0xC5 && data[1] == 0xD0 && data[2] == 0xD3 && data[3] == 0xC6;
  TMemoryInputStream stream(std::vector<std::uint8_t>(data, data + size));
  try {
    if (eps) {
      TEPSGraphic graphic;
      graphic.LoadFromStream(stream);
      graphic.ToBgra();
    } else {
      TTIFFGraphic graphic;
      graphic.LoadFromStream(stream);
      graphic.ToBgra();
    }
  } catch (const Exception&) {
  }
  return 0;
}
