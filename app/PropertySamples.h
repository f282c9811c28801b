#pragma once

// The settings dialog's built-in sample scene, kept in the program as lines of hexadecimal text (64
// digits, 32 bytes, to a line), as the settings file keeps streams: a blade container with two
// layers, "レイヤー 1" (empty) and "レイヤー 2" (22 vertices, 9 blades: a ground of six cells, two
// of them with the background, a wall of two panels and a panel turned away from the eye, some
// selected), the texture polygons that a cube rider cuts from the wall's textured panel (the fins,
// on one face), and a 256 x 256 JPEG landscape that stands in for that face's photograph.

#include <span>
#include <string>
#include <vector>

namespace vrel {

// The component stream of a TSquareBladeCollectionsContainer.
std::vector<std::string> SampleBladeLines();
// The component stream of a TFinCollectionsContainer.
std::vector<std::string> SampleFinLines();
// The JPEG file.
std::vector<std::string> SampleTextureLines();

}  // namespace vrel
