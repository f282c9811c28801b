#pragma once

// The keyboard as the application's logic polls it: which keys are held at this moment, by the
// virtual-key codes the editor has always used (Ctrl for fine steps, Space and the plane mark's
// flight keys). The logic reads one process-wide port, so tests hold keys without a keyboard and the
// application puts the window system's view of the keyboard behind it.

#include <bitset>
#include <cstdint>

namespace vrel {

// Virtual-key codes. Letters and digits of the main keyboard are their upper-case ASCII codes.
enum TVirtualKey : int {
  vkBack = 0x08,
  vkTab = 0x09,
  vkClear = 0x0C,
  vkReturn = 0x0D,
  vkShift = 0x10,
  vkControl = 0x11,
  vkMenu = 0x12,  // Alt
  vkEscape = 0x1B,
  vkSpace = 0x20,
  vkPrior = 0x21,  // Page Up
  vkNext = 0x22,   // Page Down
  vkEnd = 0x23,
  vkHome = 0x24,
  vkLeft = 0x25,
  vkUp = 0x26,
  vkRight = 0x27,
  vkDown = 0x28,
  vkInsert = 0x2D,
  vkDelete = 0x2E,
  vk0 = 0x30,
  vkA = 0x41,
  vkNumpad0 = 0x60,
  vkMultiply = 0x6A,
  vkAdd = 0x6B,
  vkSubtract = 0x6D,
  vkDecimal = 0x6E,
  vkDivide = 0x6F,
  vkF1 = 0x70,
  vkF24 = 0x87,
};

constexpr int NumpadKey(int digit) {
  return vkNumpad0 + digit;
}

class IKeyboardState {
 public:
  virtual ~IKeyboardState() = default;
  // Whether the key with this virtual-key code is held; false for a code outside 0..255.
  virtual bool KeyDown(int key) const = 0;
};

// A set of held keys that the caller presses and releases.
class TKeyboardState : public IKeyboardState {
 public:
  bool KeyDown(int key) const override;
  // Codes outside 0..255 are ignored.
  void Press(int key);
  void Release(int key);
  void ReleaseAll() { down_.reset(); }
  bool AnyDown() const { return down_.any(); }

 private:
  std::bitset<256> down_;
};

// Puts `state` behind the port (not owned; it must outlive its installation) and answers the one
// that was there. nullptr restores the default, a keyboard with nothing held.
IKeyboardState* SetKeyboardState(IKeyboardState* state);
const IKeyboardState& KeyboardState();

// Installs a keyboard for the life of a scope and puts the previous one back afterwards.
class TScopedKeyboardState {
 public:
  explicit TScopedKeyboardState(IKeyboardState& state) : previous_(SetKeyboardState(&state)) {}
  ~TScopedKeyboardState() { SetKeyboardState(previous_); }
  TScopedKeyboardState(const TScopedKeyboardState&) = delete;
  TScopedKeyboardState& operator=(const TScopedKeyboardState&) = delete;

 private:
  IKeyboardState* previous_;
};

}  // namespace vrel
