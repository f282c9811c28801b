#pragma once

// The operate panel's drag, without the window. The panel is a grid of picture buttons: pressing
// one with the left button and dragging sideways moves, scales or rotates the selection along the
// button's axis, step by step through the main window's drag steps, with the running amount shown
// under the grid. Each button's tag names its work: operation = tag mod 3 (move, scale, rotate),
// axis = tag div 3 (0 all axes alike, 1 X, 2 Y, 3 Z). Tags 0 and 2 are labels, not buttons.
//
// A drag that moved something is one undo step; a press and release that moved nothing is none.

#include <string>

namespace vrel {

class TMainForm;

enum class TOperateKind { Move = 0, Scale = 1, Rotate = 2 };

class TOperateDrag {
 public:
  static constexpr int kNone = -1;

  explicit TOperateDrag(TMainForm& form) : form_(form) {}

  // Whether the picture of `tag` acts as a button.
  static bool IsButton(int tag);
  static TOperateKind KindOf(int tag) { return static_cast<TOperateKind>(tag % 3); }
  static int AxisOf(int tag) { return tag / 3; }

  // The left button went down on the picture of `tag` at pointer x: the drag's total starts again
  // (0, or 1 for scaling). A label or another button does nothing.
  void Press(int tag, int x, bool left = true);
  // The pointer moved to x; `fine` while Ctrl is held. One step, the running amount shown.
  void Move(int x, bool fine);
  // Any button went up: the drag ends, with a snapshot when it moved something.
  void Release();

  bool Dragging() const { return dragging_; }
  // The button shown pressed, kNone for none.
  int PressedTag() const { return dragging_ ? tag_ : kNone; }
  // The running amount as the panel shows it: "%.4f" moving, "%.6f" scaling, "%.0f" degrees rotating.
  const std::string& Info() const { return info_; }

 private:
  TMainForm& form_;
  int tag_ = kNone;
  int lastX_ = 0;
  bool dragging_ = false;
  bool changed_ = false;
  std::string info_ = "0";
};

}  // namespace vrel
