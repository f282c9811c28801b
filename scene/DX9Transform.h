#pragma once

// Moving, scaling and rotating the selected vertices of a layer set. A vertex shared by several
// blades is one pool item, so it moves once and welded blades stay welded. Scaling and rotation
// turn about the centroid of the selection. Callers turn mouse movement and typed values into
// distances, factors and angles (radians); pixel drags are taken at the screen depth of the
// selection's centroid.
//
// An operation whose input holds a zero-length direction or a value that is not finite changes
// nothing and answers False: no NaN reaches the model.

#include <optional>

#include "platform/D3DMath.h"
#include "platform/Device.h"
#include "platform/Vector3.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

// Axis codes of the axis operations.
enum SelectionAxis : int { kAxisX = 1, kAxisY = 2, kAxisZ = 3 };

// Every selected vertex p becomes p x m (divided by w), each announcing one change. False, with
// nothing changed, when the selection is empty or some result would not be finite.
bool TransformSelection(TSquareBladeCollections& layers, const Matrix& m);

// Every selected vertex moves by v. True when something moved (a selection and a non-zero v).
bool MoveBy(TSquareBladeCollections& layers, const Vec3& v);
// Moves the selection so that its centroid lands on `target`. The step is worked out in double
// precision, so a single selected vertex lands exactly on the target. False when nothing moves.
bool MoveCentroidTo(TSquareBladeCollections& layers, const Vec3& target);
// The X, Y or Z (axis 1, 2, 3) of every selected vertex grows by d; another axis changes nothing.
bool MoveAlongAxis(TSquareBladeCollections& layers, int axis, float d);
// Moves the selection by the world step from pixel a to pixel b at the centroid's screen depth and
// hands that step back in `displacement` (zero when nothing moved).
bool MoveByMouse(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a, ScreenPoint b,
                 Vec3& displacement);

// Scales about the centroid by (f, 1, 1), (1, f, 1), (1, 1, f) for axis 1, 2, 3 and by (f, f, f) for
// any other code; needs one selected vertex.
bool ScaleAlongAxis(TSquareBladeCollections& layers, int axis, float f);
// The scale vector of a drag from pixel a to pixel b with factor f: with d the unit world direction of
// the drag (at the centroid's depth), (|d.x| (f - 1) + 1, |d.y| (f - 1) + 1, |d.z| (f - 1) + 1). A drag
// along a world axis scales that axis alone; a diagonal one spreads the factor. Nothing for a drag
// of no length.
std::optional<Vec3> ScaleAlongDrag(const TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a,
                                   ScreenPoint b, float f);
// Scales about the centroid along the drag a -> b by f1 and along c -> d by f2; needs two selected
// vertices.
bool ScaleByMouse(TSquareBladeCollections& layers, const IDevice& device, float f1, ScreenPoint a, ScreenPoint b,
                  float f2, ScreenPoint c, ScreenPoint d);

// The rotations need two selected vertices and turn about the centroid.
// About the world X, Y or Z axis (codes 1, 2, 3); another code changes nothing.
bool RotateAboutAxis(TSquareBladeCollections& layers, int axis, float angle);
// About the axis from the centroid towards e (the view-axis mode passes the eye position).
bool RotateAboutVector(TSquareBladeCollections& layers, const Vec3& e, float angle);
// By a2 about the world Y axis, then by a1 about the world direction of the drag a -> b.
bool RotateAboutScreenAxis(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint a, ScreenPoint b,
                           float a1, float a2);
// By a1 about the world direction of a -> b, then by a2 about that of c -> d.
bool RotateAboutScreenAxes(TSquareBladeCollections& layers, const IDevice& device, float a1, ScreenPoint a,
                           ScreenPoint b, float a2, ScreenPoint c, ScreenPoint d);

}  // namespace vrel
