#pragma once

// A scratch folder for file tests with helpers to put bytes in, take them out and run outside tools
// on them, and a scene filer with its document as the main window holds them.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include "files/VrelPanoFiler.h"
#include "platform/MessageBox.h"
#include "scene/DX9Cube.h"
#include "scene/DX9Square.h"
#include "tests/platform/PythonOracle.h"

namespace vrel::scenetest {

namespace fs = std::filesystem;

// Sets an environment variable (removes it, for nullptr) for the object's life.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name), had_(std::getenv(name) != nullptr) {
    if (had_)
      old_ = std::getenv(name);
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { had_ ? setenv(name_.c_str(), old_.c_str(), 1) : unsetenv(name_.c_str()); }

 private:
  std::string name_, old_;
  bool had_;
};

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vrel-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string PathOf(std::string_view name) const { return (folder_ / std::string(name)).string(); }
  static std::string ReadBytes(const fs::path& path) { return oracle::ReadFile(path); }
  static void WriteBytes(const fs::path& path, std::string_view bytes) { oracle::WriteFile(path, std::string(bytes)); }
  // The folder's file names but the helpers' own dot files, sorted.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      if (entry.path().filename().string()[0] != '.')
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Runs a shell command; answers its exit status, with what it printed in `out` and `err`.
  int Run(const std::string& command, std::string* out = nullptr, std::string* err = nullptr) const {
    const fs::path o = folder_ / ".stdout", e = folder_ / ".stderr";
    const int status = std::system((command + " > '" + o.string() + "' 2> '" + e.string() + "'").c_str());
    if (out)
      *out = ReadBytes(o);
    if (err)
      *err = ReadBytes(e);
    return status;
  }
  // Runs a script under Debian's python3 (its Pillow belongs to that interpreter); answers its output.
  std::string Python(const std::string& script, const std::vector<std::string>& arguments) const {
    WriteBytes(folder_ / ".script.py", script);
    std::string command = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    command += " '" + (folder_ / ".script.py").string() + "'";
    std::string out, err;
    for (const std::string& a : arguments)
      command += " '" + a + "'";
    EXPECT_EQ(Run(command, &out, &err), 0) << "python3 (a test dependency, installed by ./dev) failed: " << err;
    return out;
  }
  // An INI file as Python's configparser reads it: "section|key=value" lines in file order.
  std::string ConfigParserView(const std::string& ini) const {
    return Python(
        "import configparser, sys\n"
        "p = configparser.RawConfigParser(delimiters=('=',), comment_prefixes=(';',), strict=True)\n"
        "p.optionxform = str\n"
        "with open(sys.argv[1], encoding='cp932', newline='') as f: p.read_file(f)\n"
        "for s in p.sections():\n"
        "    for k, v in p.items(s): sys.stdout.buffer.write(f'{s}|{k}={v}\\n'.encode('cp932'))\n",
        {ini});
  }

  fs::path folder_;
};

// A filer reset as a new document has it, naming the six face images "park_*.bmp" in `folder`.
inline std::unique_ptr<TVrelPanoFiler> MakeFiler(const fs::path& folder) {
  auto filer = std::make_unique<TVrelPanoFiler>();
  filer->Reset();
  filer->SetCubeImageFileName((folder / "park_front.bmp").string());
  EXPECT_TRUE(filer->DetectCubeSuffix());
  filer->SetTextureBasename(TVrelPanoFiler::TextureBasenameFromImage(filer->CubeImageFileName()));
  filer->MakeImageNames();
  filer->SetSceneFilename((folder / "park.scn").string());
  return filer;
}

// The placement values as counts of 1/10000 (rotation, slopes X and Y, aircraft X, Y, Z, pilot Z), then the radius.
using Counts = std::vector<int64_t>;
inline Counts Placement(const TFMSDataHolder& d) {
  return {d.SceneRotate().Count(), d.SlopeX().Count(),    d.SlopeY().Count(), d.AirCraftX().Count(),
          d.AirCraftY().Count(),   d.AirCraftZ().Count(), d.PilotZ().Count(), d.AreaRadius()};
}

// Adds a blade with these corners to the layer, each corner its own pool vertex.
inline TSquareBlade* AddBlade(TSquareBladeCollection& layer, const TCorners& corners, bool textured = false) {
  TSquareBlade* blade = layer.Add();
  for (int k = 0; k < 4; ++k) {
    layer.VertexPool()->NewDataFor(blade, k);
    blade->GetVertexItem(k)->Vertex()->SetVector(corners[static_cast<std::size_t>(k)]);
  }
  blade->UpdatePositionCache();
  blade->SetDrawTexture(textured);
  return blade;
}

// Records the message boxes the code under test shows, installed for the object's life.
struct CapturedBoxes {
  CapturedBoxes() : install_(box_) {}
  const std::vector<TMessageBoxRequest>& Shown() const { return box_.Shown; }
  TCapturingMessageBox box_;
  TScopedMessageBox install_;
};

}  // namespace vrel::scenetest
