#include "platform/qt/X11Keymap.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace vrel {

namespace {

Display* QtDisplay() {
  if (qApp == nullptr)
    return nullptr;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->display() : nullptr;
}

}  // namespace

std::optional<std::uint32_t> UnshiftedKeysym(std::uint32_t keycode, std::uint32_t state) {
  Display* display = QtDisplay();
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

}  // namespace vrel
