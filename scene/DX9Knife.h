#pragma once

// The two topology tools: the knife cuts every editable blade that a screen stroke crosses into two
// quads (or, with the diagonal knife, cuts a corner off into three), and the scissors remove the edge
// two neighbouring blades share, making one blade of the two.

#include <array>
#include <optional>

#include "platform/Device.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

// The part of space a stroke sweeps: the plane through the eye rays of its two ends, bounded by the
// near and far planes and by those two rays. Kept in double precision so that which side of the
// plane a corner lies on is as exact as the corners allow.
struct TKnifeStroke {
  // N0, F0, F1, N1 in world space: the near and far points of the eye rays through the two ends.
  std::array<Vec3, 4> Quad;
  std::array<double, 3> Normal;  // the knife plane's unit normal, from N0, F0 and N1
  double Offset;                 // Normal . p + Offset is the signed distance of p
};

// The stroke from pixel `from` to pixel `to`, in that order; nothing when the ends coincide or the view
// cannot be inverted.
std::optional<TKnifeStroke> MakeKnifeStroke(const IDevice& device, ScreenPoint from, ScreenPoint to);

// Where the world segment ab crosses the stroke: both ends strictly on opposite sides of the knife
// plane, and the crossing inside the stroke's quad, boundary included. The same segment given either
// way round gives the same point, bit for bit, so blades sharing an edge agree on it.
std::optional<Vec3> KnifeCrossesEdge(const TKnifeStroke& stroke, const Vec3& a, const Vec3& b);

// Cuts every visible blade of every visible, unlocked layer that the stroke crosses from one edge to
// the opposite one into two blades; with the layer set's diagonal knife on, a blade crossed on two
// adjacent edges loses that corner into two more blades, each with an extra corner at the midpoint
// of the first crossed edge's halves. Cut points made by one call are shared between blades (within
// 0.001), so welded blades stay welded. Every blade touched ends unselected; the selected-vertex list
// is the caller's to rebuild. True when anything was cut.
bool KnifeCut(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint from, ScreenPoint to);

// A blade edge: the edge from corner `Edge` to corner (Edge + 1) mod 4.
struct TBladeEdge {
  TSquareBlade* Blade = nullptr;
  int Edge = -1;
};

// The first other blade that has the same edge running the other way (the two blades then lie side by
// side with the same winding), with that blade's edge index.
std::optional<TBladeEdge> FindNeighbour(const TSquareBlade& blade, int edge);

// A click with the scissors: when it picks a border that a neighbour shares, the picked blade takes
// the neighbour's two far corners in place of the shared edge and the neighbour is freed (with the
// vertices no blade uses any more). True when two blades were merged.
bool ScissorsJoin(TSquareBladeCollections& layers, const IDevice& device, int x, int y);

// The edge a scissors click at (x, y) would remove, as two pixels (rounded half away from zero),
// when there is one and both of its ends lie in front of the eye.
struct TScreenEdge {
  ScreenPoint From;
  ScreenPoint To;
};
std::optional<TScreenEdge> ScissorsEdgeAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y);

}  // namespace vrel
