#pragma once

// The small bitmap that the simulator needs beside a scene on one operating system: 255 x 255
// pixels, navy, with four centred lines of text. Text needs a font rasteriser, which lives with the
// window system; the picture's layout and its file format do not, so the rasteriser comes in through
// the port of platform/VistaText.h.

#include <cstdint>
#include <string>

#include "platform/VistaText.h"

namespace vrel {

inline constexpr TRgbColor kVistaNavy{0, 0, 128};
inline constexpr TRgbColor kVistaYellow{255, 255, 0};
inline constexpr TRgbColor kVistaWhite{255, 255, 255};

inline constexpr int kVistaBitmapSize = 255;
// The file name the scene's vista quad names, in the scene's folder.
inline constexpr const char* kVistaBitmapFileName = "fms_vista.bmp";

// The picture: navy; "255 * 255 pixel" and "Needed to run FMS" in yellow, "on" and "Windows VISTA" in
// white, each at x = (255 - its width) / 2 (truncated toward zero) with the tops of the cells at
// y = 65, 100, 135 and 170.
TRgbImage PaintVistaPicture(IVistaTextRenderer& renderer);

// A Windows BMP file of the image: 24 bits per pixel, uncompressed, rows bottom-up and padded to
// four bytes.
std::string EncodeBmp24(const TRgbImage& image);

}  // namespace vrel
