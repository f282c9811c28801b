#pragma once

// What the five numeric dialogs compute, without their windows: the kinds of number box (range,
// the value of a text that is no number, decimals, up-down step), the polygon dialog's choice of
// position, the vertex-position dialog's extents and its setting of coordinates, rotation and
// scaling about a centre, and the polygon statistics. The dialogs are thin windows over these.
//
// The dialogs change the selected vertices only when OK is pressed, and answer whether a vertex
// moved: a dialog confirmed without effect takes no undo step.

#include <array>
#include <cstdint>
#include <optional>

#include "app/NumberText.h"
#include "platform/D3DMath.h"
#include "platform/Vector3.h"

namespace vrel {

class TCubeSquareBladeCollection;
class TSquareBladeCollections;
class TVertexItemList;

// One kind of number box: its reading rule, the decimals it is written with and its up-down step.
struct TBoxKind {
  TNumberRule Rule;
  int Decimals = 2;
  double Step = 1.0;
};

// A position or centre coordinate: minValue .. maxValue, 0 for a text that is no number.
TBoxKind CoordinateBox(float minValue, float maxValue);
// The polygon dialog's division count: 1 .. 10, whole numbers, 1 for a text that is no number.
TBoxKind DivisionBox();
// The polygon dialog's size: 1 .. maxSize, 100 for a text that is no number.
TBoxKind SizeBox(float maxSize);
// The rotation dialog's angle in degrees: -360 .. 360, 0 for a text that is no number.
TBoxKind AngleBox();
// A scale factor: 0.001 .. 100, three decimals, steps of 0.01; a text that is no number reads as
// 0, held at 0.001.
TBoxKind ScaleBox();
// The settings dialog's transparency in percent: 1 .. 100, whole numbers.
TBoxKind AlphaBox();
// The settings dialog's marker size: 0.1 .. 100, steps of 0.1, 3.5 for a text that is no number.
TBoxKind LengthBox();

// The value `read` moved by `direction` steps (+1 up, -1 down), held in the box's range.
double StepValue(const TBoxKind& kind, double read, int direction);

// --- the polygon dialog ---------------------------------------------------------------------------

// Where a new polygon grid goes: the aircraft's start position, the plane mark, the centre of the
// selected vertices, or a typed position.
enum TPositionMode : uint8_t { pmStart = 0, pmPlaneMark = 1, pmSelectionCenter = 2, pmTyped = 3 };

class TPolygonPositions {
 public:
  // The reference points of this opening of the dialog. Without a selected vertex there is no
  // selection centre to offer: a dialog left in that mode opens at the start position.
  void SetReferences(const Vec3& start, const Vec3& planeMark, const std::optional<Vec3>& selectionCenter);
  // The mode can be chosen now.
  bool Offers(TPositionMode mode) const { return mode != pmSelectionCenter || hasSelection_; }
  TPositionMode Mode() const { return mode_; }
  // Modes beyond the typed one count as the typed one; one not offered changes nothing.
  void SetMode(int mode);
  // The position the boxes show in the current mode.
  Vec3 Position() const;
  // The dialog closes with the boxes at `boxes`: a typed position is offered again at the next
  // opening, while the other modes always show their fresh reference point.
  void Close(const Vec3& boxes);

 private:
  TPositionMode mode_ = pmStart;
  bool hasSelection_ = false;
  std::array<Vec3, 4> positions_{};
};

// --- the vertex-position dialog ------------------------------------------------------------------

struct TVertexExtents {
  Vec3 Min;
  Vec3 Max;
  Vec3 Middle() const;
  // The axis (0 X, 1 Y, 2 Z) along which the vertices spread least; the earlier one of equals.
  int FlattestAxis() const;
};

// The smallest and largest coordinates of the vertices; nothing for an empty list.
std::optional<TVertexExtents> VertexExtents(const TVertexItemList& list);

// Every selected vertex gets coordinate i set to value's where apply[i]. True when a vertex moved.
bool SetVertexCoordinates(TSquareBladeCollections& layers, const std::array<bool, 3>& apply, const Vec3& value);

// --- the rotation and scale dialogs --------------------------------------------------------------

// The rotation dialog's axis buttons.
enum TRotationAxisMode : uint8_t { ramX = 0, ramY = 1, ramZ = 2, ramCamera = 3 };

// The axis of mode `mode`: a world axis, or from the selection's centroid to the eye.
Vec3 RotationDialogAxis(int mode, const Vec3& eye, const Vec3& centroid);
// The rotation by `degrees` about `axis` through `pivot`; nothing for an axis of no length (the
// camera axis with the eye on the centroid) or one that is not finite, which has no direction.
std::optional<Matrix> RotationAboutPivot(const Vec3& pivot, const Vec3& axis, float degrees);
// The scaling by `scale` about `pivot`.
Matrix ScalingAboutPivot(const Vec3& pivot, const Vec3& scale);

// Every selected vertex transformed by m. True when a vertex moved; a result that would not be
// finite changes nothing.
bool TransformVertices(TSquareBladeCollections& layers, const Matrix& m);

// --- the polygon statistics ----------------------------------------------------------------------

struct TPolygonStatistics {
  static constexpr int kCubeFaces = 6;
  // From this total on the scene file holds more polygons than the simulator takes.
  static constexpr int kSceneLimit = 1251;

  int Clear = 0;        // counted blades without the texture flag
  int Textured = 0;     // counted blades with it
  int RiderBlades = 0;  // texture polygons cut from the textured blades, as shown on the faces
  int FinParents = 0;   // texture polygons cut again into slices; written as clear polygons
  int Fins = 0;         // those slices

  int Created() const { return Clear + Textured; }
  int SceneTotal() const { return kCubeFaces + Clear + RiderBlades + FinParents + Fins; }
  bool OverLimit() const { return SceneTotal() >= kSceneLimit; }
};

// The blades of visible layers that are visible themselves (every blade when `includeHidden`),
// and the texture polygons that the scene file would hold for them on `cube`.
TPolygonStatistics CountPolygons(const TSquareBladeCollections& layers, const TCubeSquareBladeCollection& cube,
                                 bool includeHidden);

}  // namespace vrel
