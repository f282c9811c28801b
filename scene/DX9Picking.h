#pragma once

// Picking and selection in the 3D view: which vertex, border or face of an editable blade lies under
// the cursor nearest to the eye, and how a click or a rubber band changes the selection (Shift adds
// or toggles, Ctrl on an empty selection detaches a shared part first).
//
// Every test uses the device's current world, view, projection and viewport. Only corners in front
// of the eye take part in the screen-space tests; a blade with corners on both sides of the eye is
// met where the eye ray crosses its plane.

#include "platform/Classes.h"
#include "platform/Device.h"
#include "scene/DX9Square.h"
#include "scene/DX9Utils.h"

namespace vrel {

// How the current view sees a blade's corners; shared by picking, the rubber band and the scissors.
// Blade corners are taken to world space first; the eye ray is in world space already, so every
// test runs there, and the screen and clip matrices applied to world points leave out the world
// transform.
class TPickView {
 public:
  explicit TPickView(const IDevice& device);

  Vec3 ToWorld(const Vec3& model) const { return worldIsIdentity_ ? model : Vec3TransformCoord(model, world_); }
  // Pixel x, pixel y and depth of a world point.
  Vec3 ToScreen(const Vec3& world) const { return Vec3TransformCoord(world, screen_); }
  // Strictly in front of the eye (positive w): only then does the screen point mean anything.
  bool InFront(const Vec3& world) const;
  // The depth after view x projection and the divide by w.
  float Depth(const Vec3& world) const { return Vec3TransformCoord(world, clip_).z; }

 private:
  Matrix world_;
  Matrix clip_;
  Matrix screen_;
  bool worldIsIdentity_;
};

// Finds the nearest part under pixel (x, y) and leaves it in the layer set's pick state (blade,
// kind, index, depth); True when anything was hit. Vertices are caught in a 20-pixel square,
// borders in an 8-pixel square, both sitting two pixels left of the cursor; faces under the cursor
// itself. Equal depths keep the earlier layer, then the earlier blade. Nothing is found when the
// view cannot be inverted.
bool PickAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y);

// Fills the pick list with the pick result and every other blade's copy of the same vertex or edge
// (an edge counts whichever way the other blade runs it). Empty when nothing is picked.
void ExpandPick(TSquareBladeCollections& layers);

// A click: exactly Shift toggles the part within the selection; exactly Ctrl detaches the part from
// the blades sharing it when nothing is selected, then acts as a plain click; anything else replaces
// the selection with the part, or deselects it when it was selected. A click on nothing clears the
// selection when `clearOnMiss` is set. True when the selection changed in a way that needs a redraw
// and a history snapshot.
bool SelectAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y, bool clearOnMiss,
              TShiftState shift);

// A rubber band between two pixel corners given in any order (bounds included): adds every corner
// in front of the eye inside it, the edges whose both vertices end up selected, and the faces whose four do.
// Without Shift and with `clearFirst` the old selection goes first. Never deselects. True when the
// selection changed.
bool SelectInRect(TSquareBladeCollections& layers, const IDevice& device, ScreenPoint corner1, ScreenPoint corner2,
                  bool clearFirst, TShiftState shift);

// Whether the part under the cursor is selected on the blade that was hit: its corner flag for a
// vertex, its border flag for an edge, all four borders for a face. False when nothing is hit.
bool IsSelectedAt(TSquareBladeCollections& layers, const IDevice& device, int x, int y);

}  // namespace vrel
