#pragma once

// The keyboard-state port on Qt: every key pressed and released anywhere in the application, so that
// a key let go while the focus is in a panel or a dialog is seen as let go. Auto-repeat is not a
// press; everything counts as released when the application stops being the active one (its key
// releases then go to another program). A release is matched to its press by the physical key, so
// a key whose symbol changed in between (Shift let go first, NumLock toggled) still comes up.
//
// Keypad keys are keypad keys whatever NumLock says: keypad 7 is vkNumpad7 also when, with NumLock
// off, the window system reports it as Home.
//
// Under X11, Shift with a digit arrives as the digit's shifted symbol in the current keymap ("!"
// for Shift+1 on a US keyboard, "/" for Shift+7 on a German one): the key's unshifted symbol is
// looked up in the X server's keymap, so Shift+digit shortcuts match on every layout.

#include <QKeyCombination>
#include <QObject>

#include <map>

#include "platform/KeyboardState.h"

class QInputEvent;
class QKeyEvent;

namespace vrel {

// The virtual-key code of a key event (see above for the keypad and Shift+digit); 0 when the key has
// none.
int VirtualKeyOf(const QKeyEvent& event);

// The key combination that menu shortcuts are matched against: Shift with the digit for a shifted
// digit symbol (found in the current keymap), the keypad flag dropped; otherwise the event's own.
QKeyCombination ShortcutCombination(const QKeyEvent& event);

class QtKeyboardState : public QObject, public TKeyboardState {
 public:
  // Watches the application's key and mouse events and its active state; needs the application
  // object.
  explicit QtKeyboardState(QObject* parent = nullptr);
  ~QtKeyboardState() override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void KeyPressed(const QKeyEvent& event);
  void KeyReleased(const QKeyEvent& event);
  // Shift, Ctrl and Alt as the event says they are held, also when they went down while another
  // program was active.
  void TakeModifiers(const QInputEvent& event);
  void Deactivated();

  // What tells one key event from the next.
  struct TKeySighting {
    int type = 0;
    int key = 0;
    int modifiers = 0;
    quint32 scanCode = 0;
    quint64 timestamp = 0;
    bool autoRepeat = false;
    bool operator==(const TKeySighting&) const = default;
  };

  std::map<quint32, int> pressedByScanCode_;
  TKeySighting lastKey_;
};

}  // namespace vrel
