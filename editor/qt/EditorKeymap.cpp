#include "editor/qt/EditorKeymap.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <cstdint>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace vrel {

namespace {

// The keysym of physical key `keycode` at its first (unshifted) level in the keyboard group that
// the X event state `state` names; nothing without an X display. (The keymap is asked afresh each
// time, so a layout switched while the program runs is seen at once.)
std::optional<std::uint32_t> UnshiftedKeysym(std::uint32_t keycode, std::uint32_t state) {
  if (qApp == nullptr)
    return std::nullopt;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 ? x11->display() : nullptr;
  if (display == nullptr || keycode < 8 || keycode > 255)
    return std::nullopt;
  int perKey = 0;
  KeySym* symbols = XGetKeyboardMapping(display, static_cast<KeyCode>(keycode), 1, &perKey);
  if (symbols == nullptr)
    return std::nullopt;
  // The core keymap lists a key's symbols group by group, two levels each for the first two groups;
  // the event state carries the group in bits 13 and 14.
  const std::uint32_t group = (state >> 13) & 3u;
  const int index = group == 1 ? 2 : 0;
  KeySym symbol = index < perKey ? symbols[index] : NoSymbol;
  if (symbol == NoSymbol && perKey > 0)
    symbol = symbols[0];
  XFree(symbols);
  if (symbol == NoSymbol)
    return std::nullopt;
  return static_cast<std::uint32_t>(symbol);
}

}  // namespace

std::optional<int> DigitOfKey(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return key - Qt::Key_0;
  const std::optional<std::uint32_t> symbol = UnshiftedKeysym(event.nativeScanCode(), event.nativeModifiers());
  if (!symbol)
    return std::nullopt;
  if (*symbol >= XK_0 && *symbol <= XK_9)
    return static_cast<int>(*symbol - XK_0);
  if (*symbol >= XK_KP_0 && *symbol <= XK_KP_9)
    return static_cast<int>(*symbol - XK_KP_0);
  return std::nullopt;
}

}  // namespace vrel
