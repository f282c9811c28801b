// The Photoshop, Paint Shop Pro, Photo-CD and RLA loaders: any bytes load or raise the system's
// exception (a format's message, a decoder's, a stream's), never crash, over-read or allocate
// beyond what the file can hold. A progress handler that calls off at a point the input chooses
// must always stop the load with EAbort.
//
// Input: byte 0 the loader, byte 1 the progress percentage at which to call off (0 never), then the file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "imaging/PCDGraphic.h"
#include "imaging/PSDGraphic.h"
#include "imaging/PSPGraphic.h"
#include "imaging/RLAGraphic.h"
#include "imaging/Streams.h"

namespace {

using namespace vrel;

std::unique_ptr<TRasterGraphic> MakeGraphic(int kind) {
  switch (kind) {
    case 0:
      return std::make_unique<TPSDGraphic>();
    case 1:
      return std::make_unique<TPSPGraphic>();
    case 2:
      return std::make_unique<TPCDGraphic>();
    default:
      return std::make_unique<TRLAGraphic>();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2)
    return 0;
  const std::unique_ptr<TRasterGraphic> graphic = MakeGraphic(data[0] % 4);
  const int stopAt = data[1] % 101;
  bool calledOff = false;
  if (stopAt > 0) {
    graphic->SetOnProgress(
        [&](TObject*, TProgressStage stage, std::uint8_t percent, bool, const TProgressRect&, const std::string&) {
          if (stage == psRunning && percent >= stopAt) {
            calledOff = true;
            throw EAbort("called off");
          }
        });
  }
  TMemoryInputStream stream(std::vector<std::uint8_t>(data + 2, data + size));
  try {
    graphic->LoadFromStream(stream);
    if (calledOff) {
      std::fprintf(stderr, "fuzz check failed: a load went on after it was called off\n");
      std::abort();
    }
    // The pixels must be all there.
    (void)graphic->ToBgra();
  } catch (const Exception&) {
  }
  return 0;
}
