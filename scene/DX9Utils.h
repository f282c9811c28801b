#pragma once

// Free functions the geometry, the view and the dialogs share, kept in three parts that this header
// brings together: geometry (scene/DX9UtilsGeometry.h: vector arithmetic, tolerant comparisons,
// angles of directions, plane/segment/triangle tests), screen mapping (scene/DX9UtilsScreen.h: the
// device's transforms, the way between screen pixels and world points, knife-line snapping) and
// number and text conversion (scene/DX9UtilsConvert.h: angle units, rounding, colours, the small
// conversions of the scene writer and the dialogs).
//
// Everything is a pure function of its arguments except the matrix getters, which read the device's
// current transforms and viewport. No NaN leaves these helpers: a zero-length direction normalises
// to zero, cosines are clamped before acos, and anything that needs the inverse of a singular matrix
// (or meets a point on the eye plane) answers "nothing" through std::optional.

#include "scene/DX9UtilsConvert.h"
#include "scene/DX9UtilsGeometry.h"
#include "scene/DX9UtilsScreen.h"
