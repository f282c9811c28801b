// Reads a saved scene back the way the editor opens one (the scene file, then the object file beside
// it) and prints what the two hold as JSON on standard output, for the whole-workflow test to check.
// The reading is the file library's own; this program only walks what it read.
//
// Usage: vrel_saved_scene SCENE.scn   (the object file is SCENE.vro)
// Exit status 1 when the scene file or its object file cannot be read.

#include <exception>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "files/ObjectFiles.h"
#include "files/VrelPanoFiler.h"
#include "platform/Cp932.h"
#include "platform/Menus.h"
#include "scene/DX9Square.h"

namespace {

using namespace vrel;

std::string Quoted(std::string_view utf8) {
  std::ostringstream out;
  out << '"';
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\')
      out << '\\' << c;
    else if (byte < 0x20)
      out << "\\u" << std::hex << std::setw(4) << std::setfill('0') << static_cast<int>(byte) << std::dec;
    else
      out << c;
  }
  out << '"';
  return out.str();
}

std::string Point(const Vec3& v) {
  std::ostringstream out;
  out << std::setprecision(9) << '[' << v.x << ',' << v.y << ',' << v.z << ']';
  return out.str();
}

std::string Layer(const TSquareBladeCollection& layer) {
  std::ostringstream out;
  out << "{\"name\":" << Quoted(Cp932ToUtf8(layer.Name())) << ",\"visible\":" << (layer.Visible() ? "true" : "false")
      << ",\"blades\":[";
  for (int b = 0; b < layer.Count(); ++b) {
    const TSquareBlade& blade = *layer.Blade(b);
    out << (b > 0 ? "," : "") << "{\"textured\":" << (blade.DrawTexture() ? "true" : "false") << ",\"corners\":[";
    const TCorners corners = blade.GetVertices();
    for (std::size_t k = 0; k < corners.size(); ++k)
      out << (k > 0 ? "," : "") << Point(corners.at(k));
    out << "]}";
  }
  out << "],\"vertices\":[";
  const TVertexItemCollection& pool = *layer.VertexPool();
  for (int i = 0; i < pool.Count(); ++i) {
    const TVertex& v = *pool.Item(i)->Vertex();
    out << (i > 0 ? "," : "") << Point({v.X(), v.Y(), v.Z()});
  }
  out << "]}";
  return out.str();
}

int Summarise(const std::string& scenePath) {
  TVrelPanoFiler scene;
  if (!scene.LoadSceneFile(scenePath)) {
    std::cerr << scenePath << ": no scene read\n";
    return 1;
  }
  scene.SetSceneFilename(scenePath);
  scene.BuildImageList();

  RegisterFileClasses();
  TSquareBladeCollectionsContainer document;
  TMenuItem planeMarks;
  const std::string objectPath = scenePath.substr(0, scenePath.rfind('.')) + ".vro";
  if (!LoadObjectFileRecords(objectPath, document, &planeMarks)) {
    std::cerr << objectPath << ": no object file\n";
    return 1;
  }

  const TFMSDataHolder& placement = *scene.FMSData();
  std::ostringstream out;
  out << "{\"format\":" << static_cast<int>(scene.SceneFormat()) << ",\"type\":" << static_cast<int>(scene.SceneType())
      << ",\"basename\":" << Quoted(scene.TextureBasename()) << ",\"aircraft\":["
      << FormatCurrency(placement.AirCraftX(), 4) << ',' << FormatCurrency(placement.AirCraftY(), 4) << ','
      << FormatCurrency(placement.AirCraftZ(), 4) << "],\"areaRadius\":" << placement.AreaRadius() << ",\"images\":[";
  const std::vector<std::string>& images = scene.ImageNames();
  for (std::size_t i = 0; i < images.size(); ++i)
    out << (i > 0 ? "," : "") << Quoted(images.at(i));
  const TSquareBladeCollections& layers = *document.Collections();
  out << "],\"currentLayer\":" << layers.CurrentIndex() << ",\"planeMarks\":" << planeMarks.Count() << ",\"layers\":[";
  for (int i = 0; i < layers.Count(); ++i)
    out << (i > 0 ? "," : "") << Layer(*layers.GetLayer(i));
  out << "]}\n";
  std::cout << out.str();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: vrel_saved_scene SCENE.scn\n";
    return 2;
  }
  try {
    return Summarise(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << '\n';
    return 1;
  }
}
