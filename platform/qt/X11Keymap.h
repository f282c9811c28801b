#pragma once

// The X server's keymap, asked afresh on each call so that a layout switched while the program runs
// is seen at once. Kept apart because the X11 headers define names (KeyPress, None, Bool) that
// clash with Qt's.

#include <cstdint>
#include <optional>

namespace vrel {

// The keysym of physical key `keycode` at its first (unshifted) level in the keyboard group that the
// X event state `state` names; nothing without an X display or for a key with no symbol there.
std::optional<std::uint32_t> UnshiftedKeysym(std::uint32_t keycode, std::uint32_t state);

}  // namespace vrel
