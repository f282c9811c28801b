#pragma once

// What the mouse does in the 3D view: the right button orbits the camera, the middle button pans it,
// the wheel zooms, and the left button does the work of the edit mode: click and rubber-band
// selection, the knife stroke, the scissors join, and dragging the selection to move, scale or
// rotate it. After every change the same sequence follows: vertex numbers and the selection list
// made anew where the topology changed, a history snapshot (which marks the document modified) and
// the centre of the selection in the status bar.
//
// A state machine over plain mouse events (button, shift state with the buttons held, logical pixel
// position, wheel delta), so tests drive it without a window; the view's widget only translates its
// Qt events. It acts on the main form's document objects and view, through the form.
//
// A left drag lives from the left button's press to its release. Nothing else ends it early except
// EndDrag, which a mode change, undo and redo call first: it finishes the drag as its release would.
// Pressing or releasing another button meanwhile leaves the drag alone.

#include <cstdint>

#include "platform/Classes.h"
#include "platform/Vector3.h"
#include "scene/DX9RenderStage.h"

namespace vrel {

class IDevice;
class TMainForm;

enum class TMouseButton : uint8_t { Left, Right, Middle };

// The edge the scissors would remove under the cursor, drawn in the next frame over the scene as a
// one-pixel line in the settings' highlight colour.
class TScissorsHighlight : public TMouseLine {
 public:
  // Without depth test or blending, so the line has exactly its colour.
  void Draw(IDevice& device) const override;
};

class TViewInput {
 public:
  // Below a move of this many pixels in both directions a select release is a click.
  static constexpr int kDefaultClickTolerance = 4;
  // Wheel delta of one notch.
  static constexpr int kWheelStep = 120;

  explicit TViewInput(TMainForm& form);
  TViewInput(const TViewInput&) = delete;
  TViewInput& operator=(const TViewInput&) = delete;

  // `shift` holds the keys and the buttons held at the time of the event; for a release without the
  // button released.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TShiftState shift, int x, int y);
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Deltas in eighths of a degree (a notch is 120); finer wheels and touchpads send less, and the
  // deltas are summed until they make whole notches. A turn the other way starts a new sum.
  void MouseWheel(int delta);
  // The cursor left the view: no highlight stays behind.
  void MouseLeave();

  // A left drag is going on.
  bool LeftDrag() const { return leftDrag_; }
  // Finishes a left drag as its release at the last mouse position would; nothing without one.
  void EndDrag();
  // The edit mode changed: what the old mode showed goes.
  void EditModeChanged();

  // The state of the current drag.
  int MouseX() const { return mouseX_; }
  int MouseY() const { return mouseY_; }
  const Vec3& MoveVector() const { return moveVector_; }
  bool Dragging() const { return dragging_; }
  bool LockX() const { return lockX_; }
  bool LockY() const { return lockY_; }

  // --- drawing ------------------------------------------------------------------------------------

  // What the input draws over the scene at the end of a frame: the scissors highlight.
  void DrawOverlay(IDevice& device) const;
  bool ScissorsHighlightShown() const { return highlightShown_; }
  const TScissorsHighlight& ScissorsHighlight() const { return highlight_; }

 private:
  // The view's device with the camera's transforms now, or null while there is none.
  IDevice* Device();
  int ScreenWidth() const;

  void FinishLeftDrag(TShiftState shift, int x, int y);
  bool SelectAtPoint(TShiftState shift, int x, int y);
  void HighlightScissors(int x, int y);
  void HideHighlight();
  void SetOverlayBits(uint8_t bits, bool on);

  void PanCamera(int x, int y);
  void RotateCamera(TShiftState shift, int x, int y);
  void DragSelectRect(int x, int y);
  void DragKnifeLine(TShiftState shift, int x, int y);
  void DragMove(TShiftState shift, int x, int y);
  void DragScale(TShiftState shift, int x, int y);
  void DragRotate(TShiftState shift, int x, int y);
  int SelectedCount() const;

  TMainForm& form_;
  bool leftDrag_ = false;
  int pressX_ = 0, pressY_ = 0;
  int mouseX_ = 0, mouseY_ = 0;
  int lastX_ = 0, lastY_ = 0;
  TShiftState lastShift_;
  Vec3 moveVector_;
  bool dragging_ = false;
  bool lockX_ = false, lockY_ = false;
  int wheelSum_ = 0;
  TScissorsHighlight highlight_;
  bool highlightShown_ = false;
};

}  // namespace vrel
