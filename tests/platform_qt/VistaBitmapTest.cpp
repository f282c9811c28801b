// The vista bitmap as written with the real font, read back by an independent reader: Python's Pillow
// must see a 255 x 255 RGB image of navy, with yellow text in the first two lines and white text in
// the last two, each line about centred.
#include <gtest/gtest.h>
#include <sstream>
#include "platform/qt/VistaTextRenderer.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform_qt/QtApp.h"

// Fontconfig keeps its configuration to the end of the process, which the leak checker would report;
// it is the library's own and nothing of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace vrel {
namespace {
class VistaBitmap : public scenetest::TempFolder {};

TEST_F(VistaBitmap, PillowSeesNavyWithYellowAndWhiteLinesDrawnInAFixedPitchFont) {
  qttest::EnsureApplication();
  TQtVistaTextRenderer renderer;
  EXPECT_EQ(renderer.Font().pixelSize(), 16);
  const int one = renderer.TextWidth("W");  // the width grows by the same step with every character
  EXPECT_GT(one, 0);
  EXPECT_EQ(std::tuple(renderer.TextWidth("WWWWWWWWWW"), renderer.TextWidth("iiiiiiiiii")),
            std::tuple(10 * one, 10 * one));

  InstallQtVistaTextRenderer();
  TSquareBladeCollections layers;
  TCubeSquareBladeCollection cube;
  scenetest::MakeFiler(folder_)->SaveScene(layers, cube);
  SetVistaTextRenderer(nullptr);
  const std::string bmp = PathOf("fms_vista.bmp");
  EXPECT_EQ(std::filesystem::file_size(bmp), 195894u);
  // Format, mode and size; the colours outside the text lines; per text band (the 35 rows from each line's top)
  // the yellow, white and other pixels, and the leftmost and rightmost column that is not navy.
  std::istringstream out(Python(
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "px = im.convert('RGB').load()\n"
      "navy, yellow, white = (0, 0, 128), (255, 255, 0), (255, 255, 255)\n"
      "print(im.format, im.mode, im.size[0], im.size[1],\n"
      "      len({px[x, y] for y in range(255) for x in range(255) if px[x, y] != navy and not 65 <= y < 205}))\n"
      "for top in (65, 100, 135, 170):\n"
      "    band = [(x, px[x, y]) for y in range(top, top + 35) for x in range(255)]\n"
      "    xs = [x for x, c in band if c != navy] or [-1]\n"
      "    count = lambda f: sum(1 for x, c in band if f(c))\n"
      "    print(count(lambda c: c == yellow), count(lambda c: c == white),\n"
      "          count(lambda c: c not in (navy, yellow, white)), min(xs), max(xs))\n",
      {bmp}));
  std::string format, mode;
  int width = 0, height = 0, outside = -1;
  out >> format >> mode >> width >> height >> outside;
  EXPECT_EQ(std::tuple(format, mode, width, height), std::tuple("BMP", "RGB", 255, 255));
  EXPECT_EQ(outside, 0) << "text pixels above or below the four lines";
  for (int band = 0; band < 4; ++band) {
    int yellow = -1, white = -1, other = -1, left = -1, right = -1;
    out >> yellow >> white >> other >> left >> right;
    EXPECT_EQ(other, 0) << "text is drawn without blending, band " << band;
    EXPECT_GT(band < 2 ? yellow : white, band < 2 ? 40 : 8) << band;
    EXPECT_EQ(band < 2 ? white : yellow, 0) << band;
    EXPECT_GE(left, 0) << band;  // centred: the margins differ by at most what a glyph leaves blank in its cell
    EXPECT_NEAR(left, 254 - right, 6) << band;
  }
}
}  // namespace
}  // namespace vrel
