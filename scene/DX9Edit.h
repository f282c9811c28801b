#pragma once

// Editing commands of a layer set that change topology or line vertices up: welding, a face on four
// vertices, aligning, facing the camera, reversing, deleting, the new-polygon grid and the texture
// flag of faces. Every check runs before anything changes, so a refused command leaves the model as
// it was; refusals that the user must hear of raise Exception with the message below.

#include <string_view>

#include "platform/Vector3.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

inline constexpr std::string_view kStickOtherLayerMessage = "別のレイヤーの頂点はくっつきません。";
inline constexpr std::string_view kStickSameFaceMessage = "同じ面の頂点はくっつきません。";
inline constexpr std::string_view kMakeFaceOtherLayerMessage = "別のレイヤーの頂点から面は作成出来ません。";
inline constexpr std::string_view kMakeFaceSamePolygonMessage = "同一ポリゴンの４点から面は作成出来ません。";

// Welds the selected vertices (two or more, one layer, no two on one blade) into the first of the
// selected-vertex list, placed at their centroid. True when welded.
bool StickVertices(TSquareBladeCollections& layers);
// The same, placed at the anchor vertex (which may itself be merged away); needs an anchor.
bool GatherVertices(TSquareBladeCollections& layers);
// A new blade on exactly four selected vertices of one layer, wound as seen from the origin and
// starting at the anchor; the new blade is selected. True when added.
bool MakeFace(TSquareBladeCollections& layers);
// Moves the selected vertices (three or more) onto the line through the two farthest apart.
bool AlignVertices(TSquareBladeCollections& layers);
// Projects the selected vertices along the mean normal of the selected faces (any layer) onto the
// plane through their centroid with that normal.
bool AlignToFacePlane(TSquareBladeCollections& layers);
// Turns the selection about its centroid so that the mean normal of the selected faces points at
// the eye.
bool FaceToCamera(TSquareBladeCollections& layers, EyePoint eye);
// Swaps corners 1 and 3 of every visible selected face in the editable layers. True when a face
// was reversed.
bool ReverseFaces(TSquareBladeCollections& layers);
// Frees every blade of the editable layers with any selected part (vertices used only by them go
// too), then clears the selection. Locked and hidden layers keep their blades. Nothing happens
// while no vertex is selected.
bool DeleteSelected(TSquareBladeCollections& layers);
// Adds to the current (editable) layer an nx by nz grid of selected blades, sizeX by sizeZ,
// horizontal and centred on `position`, rows running from +Z to -Z. The selection is replaced.
bool NewPolygon(TSquareBladeCollections& layers, int nx, int nz, float sizeX, float sizeZ, const Vec3& position);
// Sets DrawTexture of every blade, in any layer, whose face is selected. True when there was one.
bool SetDrawTexture(TSquareBladeCollections& layers, bool value);
bool AnyDrawTexture(const TSquareBladeCollections& layers);
bool AnyFaceSelected(const TSquareBladeCollections& layers);
// A face of a visible, unlocked layer is selected.
bool AnyEditableFaceSelected(const TSquareBladeCollections& layers);

}  // namespace vrel
