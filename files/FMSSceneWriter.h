#pragma once

// The FMS scene file: a comment header with the placement keys, the aircraft and pilot lines, the
// untextured ("clear") polygons, the six cube faces as textured quads, the texture polygons that the
// cube riders cut out of the faces for the textured blades, the extra quad of the vista bitmap, and
// END. Lines are CP932 text; the file ends every line with CR LF. Numbers always have "." as decimal
// point; positions are written with Y and Z exchanged, since FMS has Z up.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Device.h"

namespace vrel {

class TCubeRider;
class TCubeSquareBladeCollection;
class TFMSDataHolder;
class TSquareBlade;
class TSquareBladeCollections;
class TVrelPanoFiler;

using TSceneLines = std::vector<std::string>;

// The face image size a scene is written for when it has neither loaded faces nor texel insets of
// its own.
inline constexpr int32_t kDefaultTextureSize = 2048;

// Every line of the scene file for these layers and this cube, in order. Sets the filer's texel
// insets first: from the cube's face image size when its faces are loaded, else the scene's own
// (SceneTexelInsets), else those of kDefaultTextureSize. Raises Exception when the base name or a
// face image name has no CP932 form, or fewer than six face images are named.
TSceneLines SceneFileLines(TVrelPanoFiler& filer, const TSquareBladeCollections& layers,
                           const TCubeSquareBladeCollection& cube);

// The blades that go into the file, layers and blades in index order: every one when the filer
// exports all, else the visible blades of visible layers.
std::vector<const TSquareBlade*> ExportedBlades(const TVrelPanoFiler& filer, const TSquareBladeCollections& layers);
// The same with `all` in place of the filer's choice.
std::vector<const TSquareBlade*> ExportedBlades(const TSquareBladeCollections& layers, bool all);

// The rider cuts the texture polygons of the textured ones among `blades` out of `cube`'s faces, and
// finishes (reporting its progress through its clone's OnProgress).
void RideTexturedBlades(TCubeRider& rider, const TCubeSquareBladeCollection& cube,
                        const std::vector<const TSquareBlade*>& blades);

// The sections, each appended to `lines`.
void WriteAircraftLines(const TFMSDataHolder& data, TSceneLines& lines);
void WriteClearPolygons(const std::vector<const TSquareBlade*>& blades, TSceneLines& lines);
void WriteClearFinPolygons(const TCubeRider& rider, TSceneLines& lines);
void WriteTexturePolygons(const TVrelPanoFiler& filer, const TCubeSquareBladeCollection& cube, const TCubeRider& rider,
                          const std::vector<std::string>& faceNames, TSceneLines& lines);
void WriteVistaQuad(const TFMSDataHolder& data, TSceneLines& lines);
void WriteSceneEnd(TSceneLines& lines);

// One textured vertex line, "%.4f" of u, v, x, y, z; x, y and z first rounded half away from zero to
// four decimals.
std::string TexturedVertexLine(float u, float v, const TTexturedVertex& vertex);

// The face image names as the TEXTURE lines give them: element i of the filer's image names without
// folder and extension, in CP932. Raises Exception when there are fewer than six or one has no CP932
// form.
std::vector<std::string> FaceTextureNames(const TVrelPanoFiler& filer);

// Every line followed by CR LF.
std::string JoinSceneLines(const TSceneLines& lines);

}  // namespace vrel
