#pragma once

// The digit key of a key event with Ctrl (and perhaps Shift) held. With Shift a digit key gives its
// shifted symbol ("!" for 1 on a US keyboard, "&" for 6 on a Japanese one), so the key's unshifted
// symbol is asked of the X server's keymap.

#include <optional>

class QKeyEvent;

namespace vrel {

// 0-9 for a digit key (of the main block or the keypad), shifted or not; nothing for another key.
std::optional<int> DigitOfKey(const QKeyEvent& event);

}  // namespace vrel
