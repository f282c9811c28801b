// Scene files: the reader ends every text with a result (never an exception, a hang or an
// over-read), and a cube scene it accepts, taken over by a document as opening a scene does, saves
// to a file that reads back to the same values: placement, suffix scheme, base name, ground data.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>

#include "files/FMSSceneWriter.h"
#include "files/VrelPanoFiler.h"
#include "fuzz/FuzzTargets.h"
#include "platform/MessageBox.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Square.h"

namespace {

using namespace vrel;

// What a document keeps of a scene it opened, or nothing when the scene is no cube scene.
std::unique_ptr<TVrelPanoFiler> Open(std::string_view text) {
  TVrelPanoFiler separate;
  if (!separate.LoadSceneText(text) || separate.SceneType() != stCube || separate.SceneFormat() != sfFMS)
    return nullptr;
  auto document = std::make_unique<TVrelPanoFiler>();
  document->Reset();
  document->Assign(&separate);
  document->GroundDataLines() = separate.GroundDataLines();
  return document;
}

auto Values(const TVrelPanoFiler& filer) {
  const TFMSDataHolder& d = *filer.FMSData();
  return std::tuple(filer.CubeSuffix(), filer.TextureBasename(), filer.GroundDataLines(), d.AreaRadius(),
                    d.SceneRotate(), d.SlopeX(), d.SlopeY(), d.AirCraftX(), d.AirCraftY(), d.AirCraftZ(), d.PilotZ());
}

// The value as the header's two decimals keep it.
Currency TwoDecimals(Currency value) {
  const int64_t count = value.Count();
  const int64_t rest = count % 100;
  int64_t rounded = count - rest;
  if (rest >= 50)
    rounded += 100;
  if (rest <= -50)
    rounded -= 100;
  return Currency::FromCount(rounded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static TCapturingMessageBox boxes;
  static const TScopedMessageBox install(boxes);
  boxes.Shown.clear();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<TVrelPanoFiler> first;
  try {
    first = Open(text);
  } catch (const std::exception& e) {
    fuzz::Fail(e.what());
  }
  if (!first)
    return 0;
  // The header keeps placement values to two decimals: what the simulator is given.
  const auto counts = [](TFMSDataHolder& d) {
    d.SetSceneRotate(TwoDecimals(d.SceneRotate()));
    d.SetSlopeX(TwoDecimals(d.SlopeX()));
    d.SetSlopeY(TwoDecimals(d.SlopeY()));
    d.SetAirCraftX(TwoDecimals(d.AirCraftX()));
    d.SetAirCraftY(TwoDecimals(d.AirCraftY()));
    d.SetAirCraftZ(TwoDecimals(d.AirCraftZ()));
    d.SetPilotZ(TwoDecimals(d.PilotZ()));
  };
  std::string saved;
  try {
    for (int face = 0; face < kCubeFaceCount; ++face)
      first->ImageNames().push_back(first->TextureBasename() + FaceImageSuffix(first->CubeSuffix(), face) + ".bmp");
    TSquareBladeCollections layers;
    TCubeSquareBladeCollection cube;
    saved = JoinSceneLines(SceneFileLines(*first, layers, cube));
  } catch (const Exception&) {
    return 0;  // refused before writing, with a message (a height beyond what the file can hold)
  }
  std::unique_ptr<TVrelPanoFiler> second;
  try {
    second = Open(saved);
  } catch (const std::exception& e) {
    fuzz::Fail(e.what());
  }
  if (!second)
    fuzz::Fail("a saved scene does not open");
  counts(*first->FMSData());
  if (Values(*second) != Values(*first))
    fuzz::Fail("a saved scene reads back to other values");
  return 0;
}
