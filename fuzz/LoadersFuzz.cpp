// One picture loader, named when the target is built (VREL_FUZZ_GRAPHIC): any bytes either load into
// a picture whose rows hold its pixels or raise one of the program's own errors; nothing else is
// thrown, nothing is read or written outside its buffer, and every load ends. The format test never
// throws and leaves the position where it was. Targa pictures also go through the writer: what it
// writes loads back as the same pixels.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzFail.h"
#include "imaging/AutodeskGraphic.h"
#include "imaging/CUTGraphic.h"
#include "imaging/PCXGraphic.h"
#include "imaging/PNGGraphic.h"
#include "imaging/PPMGraphic.h"
#include "imaging/SGIGraphic.h"
#include "imaging/Streams.h"
#include "imaging/TargaGraphic.h"

#ifndef VREL_FUZZ_GRAPHIC
#error "VREL_FUZZ_GRAPHIC names the graphic class the target loads"
#endif

namespace {

using namespace vrel;

void WriteAndReadBack(const TTargaGraphic& picture) {
  TMemoryOutputStream written;
  picture.SaveToStream(written);
  TMemoryInputStream stream(written.Bytes());
  TTargaGraphic again;
  again.LoadFromStream(stream);
  if (again.ToBgra() != picture.ToBgra())
    fuzz::Fail("a Targa picture written and read back has other pixels");
}

// One of the two serves each target.
[[maybe_unused]] void AfterLoad(const TGraphic&) {}
[[maybe_unused]] void AfterLoad(const TTargaGraphic& picture) {
  WriteAndReadBack(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryInputStream stream(std::span(data, size));
  VREL_FUZZ_GRAPHIC graphic;
  graphic.CanLoadFromStream(stream);
  if (stream.Position() != 0)
    fuzz::Fail("the format test moved the stream");
  try {
    graphic.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  if (graphic.Empty())
    fuzz::Fail("a load succeeded without pixels");
  if (graphic.ToBgra().size() != std::size_t(graphic.Width()) * std::size_t(graphic.Height()) * 4)
    fuzz::Fail("the picture's pixels do not fill its size");
  AfterLoad(graphic);
  return 0;
}
