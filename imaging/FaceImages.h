#pragma once

// Reading the six face images of the panorama cube into texture pixels. The picture formats decide
// by the file's content, as the original texture loader did (a PNG named .bmp still loads), and by
// its extension when no format recognises the content; a damaged or cut-off file is refused.

#include <string>

#include "platform/Device.h"

namespace vrel {

// The face image as 32-bit pixels; raises Exception with a message that names the file.
TextureImage ReadFaceImage(const std::string& fileName);

}  // namespace vrel
