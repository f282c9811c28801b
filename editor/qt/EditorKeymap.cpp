#include "editor/qt/EditorKeymap.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <cstdint>

#include "platform/qt/X11Keymap.h"

namespace vrel {

// Keysyms of the digit rows (X11/keysymdef.h): the main row and the keypad.
constexpr std::uint32_t kKeysym0 = 0x30;
constexpr std::uint32_t kKeysymKeypad0 = 0xffb0;

std::optional<int> DigitOfKey(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return key - Qt::Key_0;
  const std::optional<std::uint32_t> symbol = UnshiftedKeysym(event.nativeScanCode(), event.nativeModifiers());
  if (!symbol)
    return std::nullopt;
  if (*symbol >= kKeysym0 && *symbol <= kKeysym0 + 9)
    return static_cast<int>(*symbol - kKeysym0);
  if (*symbol >= kKeysymKeypad0 && *symbol <= kKeysymKeypad0 + 9)
    return static_cast<int>(*symbol - kKeysymKeypad0);
  return std::nullopt;
}

}  // namespace vrel
