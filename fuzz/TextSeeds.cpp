#include "fuzz/TextSeeds.h"

#include <QDir>
#include <QFile>

#include "files/FMSSceneWriter.h"
#include "files/RegMng.h"
#include "files/VrelPanoFiler.h"
#include "files/VrelProp.h"
#include "platform/Cp932.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Square.h"

namespace vrel::fuzz {

namespace {

void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
  QDir().mkpath(QString::fromStdString(folder));
  QFile file(QString::fromStdString(folder + "/" + name));
  if (file.open(QIODevice::WriteOnly))
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// A scene as the writer saves it: placement, ground data, a clear and a textured blade.
std::string SavedScene() {
  TVrelPanoFiler filer;
  filer.Reset();
  filer.SetCubeSuffix(csZero);
  filer.SetTextureBasename("o'hare \xE3\x83\x80");
  filer.FMSData()->SetAirCraftX(Currency::FromCount(-123400));
  filer.FMSData()->SetSceneRotate(Currency::FromCount(125000));
  filer.GroundDataLines() = {"// sf_GroundDataStart", "// " + Utf8ToCp932("小さな畑"), "// sf_GroundDataEnd"};
  for (int face = 0; face < kCubeFaceCount; ++face)
    filer.ImageNames().push_back(filer.TextureBasename() + FaceImageSuffix(csZero, face) + ".bmp");
  TSquareBladeCollections layers;
  TSquareBladeCollection* layer = layers.AddLayer();
  for (const bool textured : {false, true}) {
    TSquareBlade* blade = layer->Add();
    const float z = textured ? 40.0f : 10.0f;
    const Vec3 corners[] = {{-5, 5, z}, {5, 5, z}, {5, -5, z}, {-5, -5, z}};
    for (int k = 0; k < 4; ++k) {
      layer->VertexPool()->NewDataFor(blade, k);
      blade->GetVertexItem(k)->Vertex()->SetVector(corners[k]);
    }
    blade->UpdatePositionCache();
    blade->SetDrawTexture(textured);
  }
  TCubeSquareBladeCollection cube;
  return JoinSceneLines(SceneFileLines(filer, layers, cube));
}

}  // namespace

void WriteTextSeeds(const std::string& root) {
  const std::string scenes = root + "/scene_reader_fuzz";
  Write(scenes, "saved", SavedScene());
  Write(scenes, "simulator",
        "AIRCRAFT_POSITION 1.25 -2.5 3 4\r\nPILOT_POSITION 0 0 5 FIXED\r\nPOSITION 0 0 2\r\nQUADS\r\n-1 -1 1\r\n"
        "1 -1 2\r\n1 1 3\r\n-1 1 4\r\nLIGHTNING OFF\r\nTEXTURE field_left\r\n0.1 0.1 1 2 3\r\nEND\r\n");
  Write(scenes, "landscape", "3D_LANDSCAPE\nTEXTURE park_0\n");
  Write(scenes, "codes", "// sf_TextureBasename : 'park'#13#10'x'\rTEXTURE field_0 \n");

  const std::string settings = root + "/ini_settings_fuzz";
  QDir().mkpath(QString::fromStdString(settings));
  TRegManager reg;
  reg.SetIniFileName(settings + "/saved");
  TVrelProp prop;
  prop.SaveSettings(reg);
  reg.AddItem("History", "MainForm", "History", "");
  reg.GetItem("History").WriteStrings({"C:\\scenes\\a.scn", Utf8ToCp932("ソフト.scn")});
  Write(settings, "hand",
        "; by hand\n[property]\n  BackGroundColor = $00FF8000 \nStartPointLength=1e300\nPolygonSurfaceAlpha=250\n"
        "[Property]\nPlaneSmooth=yes\n[\x83\x5d]\n\x83\x41=\"quoted\"\n");
}

}  // namespace vrel::fuzz
