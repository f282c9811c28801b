// Saving a scene of 1,250 textured blades: the cube riders cut them into texture polygons and fins,
// and the writer formats every vertex. Goal: at most 0.5 s per save on 2 cores.

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>

#include "files/FMSSceneWriter.h"
#include "files/VrelPanoFiler.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Square.h"

namespace vrel {
namespace {

// Trees and fences standing round the pilot, facing the centre, a quarter of them leaning back so
// that their pieces are oblique to the faces and get cut into slices.
void BuildScenery(TSquareBladeCollections& layers, int blades) {
  TSquareBladeCollection* layer = layers.AddLayer();
  constexpr float kGoldenAngle = 2.3999632f;
  for (int i = 0; i < blades; ++i) {
    const float angle = kGoldenAngle * static_cast<float>(i);
    const float distance = 40.0f + static_cast<float>((i * 37) % 500);
    const float halfWidth = 4.0f + static_cast<float>(i % 20);
    const float height = 4.0f + static_cast<float>(i % 15);
    const float lean = i % 4 == 0 ? 0.5f * height : 0.0f;
    const Vec3 out{std::sin(angle), 0, std::cos(angle)};  // from the centre outwards
    const Vec3 side{out.z, 0, -out.x};
    const Vec3 base = out * distance + Vec3{0, -10.0f, 0};
    const Vec3 top = base + out * lean + Vec3{0, height, 0};
    const TCorners corners = {top - side * halfWidth, top + side * halfWidth, base + side * halfWidth,
                              base - side * halfWidth};
    TSquareBlade* blade = layer->Add();
    for (int k = 0; k < 4; ++k) {
      layer->VertexPool()->NewDataFor(blade, k);
      blade->GetVertexItem(k)->Vertex()->SetVector(corners[static_cast<std::size_t>(k)]);
    }
    blade->UpdatePositionCache();
    blade->SetDrawTexture(true);
  }
}

void BM_SaveScene(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  // The vista bitmap is there already: this measures the scene file.
  std::ofstream(folder + "fms_vista.bmp") << "x";
  TVrelPanoFiler filer;
  filer.Reset();
  filer.SetCubeImageFileName(folder + "park_front.bmp");
  filer.DetectCubeSuffix();
  filer.SetTextureBasename("park");
  filer.MakeImageNames();
  filer.SetSceneFilename(folder + "park.scn");
  TSquareBladeCollections layers;
  BuildScenery(layers, static_cast<int>(state.range(0)));
  TCubeSquareBladeCollection cube;

  for (auto _ : state)
    filer.SaveScene(layers, cube);

  const std::size_t lines = SceneFileLines(filer, layers, cube).size();
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["bytes"] = static_cast<double>(std::ifstream(folder + "park.scn", std::ios::ate).tellg());
}
BENCHMARK(BM_SaveScene)->Arg(1250)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
