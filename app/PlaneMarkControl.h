#pragma once

// The plane mark, a marker of the model aircraft that the user flies around the scene with the
// keyboard to judge sizes and positions from the pilot's place: its flight under held keys on the
// 20 ms timer (one velocity per direction, optional smooth acceleration, Space fast and Ctrl slow),
// the position in the status bar, the commands that put it at the start position or the selection,
// the undo and redo of its positions (one step per flight), and up to 20 remembered positions, kept
// as the sub-items of a menu item (the object file stores them that way). In the origin view the
// camera turns to follow the mark.
//
// The keys are polled from the keyboard-state port on each tick, never taken from key events, so a
// key let go anywhere is noticed at the next tick. The timer is the window's; this class keeps
// whether it runs and is told each tick (tests tick it by hand).

#include <array>
#include <memory>
#include <vector>

#include "platform/Vector3.h"

namespace vrel {

class TMainForm;
class TMenuItem;

// The directions of the flight, in the order of the velocities.
enum TPlaneMarkDirection : int { pdMinusX, pdPlusZ, pdPlusX, pdMinusZ, pdUp, pdDown };
inline constexpr int kPlaneMarkDirections = 6;

// The keys that fly the mark in one direction (any one of them held).
const std::vector<int>& PlaneMarkKeys(int direction);
// Whether the key flies the mark in some direction.
bool IsPlaneMarkKey(int key);

class TPlaneMarkControl {
 public:
  static constexpr int kMaxMemory = 20;
  // The name of the menu item that holds the remembered positions (the object file stores it).
  static constexpr const char* kMemoryName = "mnuPlaneMark_Call";
  static constexpr float kTopSpeed = 1.0f;
  static constexpr float kFastSpeed = 8.0f;  // Space
  static constexpr float kSlowSpeed = 0.1f;  // Ctrl

  explicit TPlaneMarkControl(TMainForm& form);
  ~TPlaneMarkControl();
  TPlaneMarkControl(const TPlaneMarkControl&) = delete;
  TPlaneMarkControl& operator=(const TPlaneMarkControl&) = delete;

  // --- flight -------------------------------------------------------------------------------------

  // A key went down in the 3D view: with the mark shown and no flight going on, a held direction key
  // starts one from rest.
  void KeyDown();
  // One tick of the timer: velocities ramp towards the top speed of the keys held, the mark moves;
  // when every velocity is 0 the flight ends with one history step.
  void Timer1Timer();
  bool Flying() const { return timerEnabled_; }
  const std::array<float, kPlaneMarkDirections>& Velocity() const { return velocity_; }
  // Ends a flight with its history step; nothing when none is going on.
  void StopPlaneMark();

  // With the mark shown: its position, the status text, the camera in the origin view, a redraw.
  void SetPlaneMarkPosition(const Vec3& position);
  Vec3 Position() const;

  // --- menu commands, with the rules that enable them ---------------------------------------------

  bool CanGoHome() const;
  bool CanGoToSelection() const;
  bool HasMemory() const;
  bool CanUndo() const;
  bool CanRedo() const;
  // To the scene's start position.
  void GoHome();
  // To the centre of the selected vertices.
  void GoToSelection();
  // The mark's position becomes the first remembered one; beyond 20 the oldest goes.
  void Remember();
  // Back to remembered position `index` (0 is the newest).
  void Recall(int index);
  void ClearMemory();
  void Undo();
  void Redo();

  // The remembered positions: sub-items, newest first, whose captions hold the positions as text.
  // The document's only store of them: the object file saves and loads this item.
  TMenuItem& Memory() const { return *memory_; }
  // The first ten get Shift+1 .. Shift+9, Shift+0; the rest none.
  void UpdateMemoryShortcuts();
  // After the sub-items changed (remembered, cleared or loaded from a file): the shortcuts are made
  // the standard ones again (a file cannot give an item another command's key) and the window's
  // menu follows.
  void BindMemoryItems();

 private:
  bool MarkShown() const;

  TMainForm& form_;
  std::array<float, kPlaneMarkDirections> velocity_{};
  bool timerEnabled_ = false;
  std::unique_ptr<TMenuItem> memory_;
};

}  // namespace vrel
