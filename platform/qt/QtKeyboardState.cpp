#include "platform/qt/QtKeyboardState.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <array>
#include <utility>

#include "platform/qt/X11Keymap.h"

namespace vrel {

namespace {

// Keys whose virtual code does not follow from a range.
constexpr std::array<std::pair<int, int>, 20> kNamedKeys{{
    {Qt::Key_Backspace, vkBack}, {Qt::Key_Tab, vkTab},     {Qt::Key_Clear, vkClear},     {Qt::Key_Return, vkReturn},
    {Qt::Key_Enter, vkReturn},   {Qt::Key_Shift, vkShift}, {Qt::Key_Control, vkControl}, {Qt::Key_Alt, vkMenu},
    {Qt::Key_Escape, vkEscape},  {Qt::Key_Space, vkSpace}, {Qt::Key_PageUp, vkPrior},    {Qt::Key_PageDown, vkNext},
    {Qt::Key_End, vkEnd},        {Qt::Key_Home, vkHome},   {Qt::Key_Left, vkLeft},       {Qt::Key_Up, vkUp},
    {Qt::Key_Right, vkRight},    {Qt::Key_Down, vkDown},   {Qt::Key_Insert, vkInsert},   {Qt::Key_Delete, vkDelete},
}};

// The keypad's keys by what they report with NumLock off, and their operators.
constexpr std::array<std::pair<int, int>, 17> kKeypadKeys{{
    {Qt::Key_Insert, NumpadKey(0)},
    {Qt::Key_End, NumpadKey(1)},
    {Qt::Key_Down, NumpadKey(2)},
    {Qt::Key_PageDown, NumpadKey(3)},
    {Qt::Key_Left, NumpadKey(4)},
    {Qt::Key_Clear, NumpadKey(5)},
    {Qt::Key_Right, NumpadKey(6)},
    {Qt::Key_Home, NumpadKey(7)},
    {Qt::Key_Up, NumpadKey(8)},
    {Qt::Key_PageUp, NumpadKey(9)},
    {Qt::Key_Delete, vkDecimal},
    {Qt::Key_Period, vkDecimal},
    {Qt::Key_Comma, vkDecimal},
    {Qt::Key_Asterisk, vkMultiply},
    {Qt::Key_Plus, vkAdd},
    {Qt::Key_Minus, vkSubtract},
    {Qt::Key_Slash, vkDivide},
}};

int Lookup(const auto& table, int key) {
  for (const auto& [qtKey, code] : table) {
    if (qtKey == key)
      return code;
  }
  return 0;
}

// The digit '0'..'9' on the unshifted level of the event's physical key, or 0.
int UnshiftedDigit(const QKeyEvent& event) {
  if (event.nativeScanCode() == 0)
    return 0;
  const std::optional<std::uint32_t> symbol = UnshiftedKeysym(event.nativeScanCode(), event.nativeModifiers());
  // Latin-1 keysyms are their characters.
  return symbol && *symbol >= '0' && *symbol <= '9' ? static_cast<int>(*symbol) : 0;
}

}  // namespace

int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (event.modifiers().testFlag(Qt::KeypadModifier)) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
      return NumpadKey(key - Qt::Key_0);
    if (key == Qt::Key_Enter || key == Qt::Key_Return)
      return vkReturn;
    return Lookup(kKeypadKeys, key);
  }
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return vk0 + (key - Qt::Key_0);
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return vkA + (key - Qt::Key_A);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return vkF1 + (key - Qt::Key_F1);
  if (const int named = Lookup(kNamedKeys, key); named != 0)
    return named;
  if (event.modifiers().testFlag(Qt::ShiftModifier))
    return UnshiftedDigit(event);
  return 0;
}

QKeyCombination ShortcutCombination(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  const int key = event.key();
  const bool digitOrLetter = (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z);
  if (modifiers.testFlag(Qt::ShiftModifier) && !digitOrLetter && !event.modifiers().testFlag(Qt::KeypadModifier)) {
    if (const int digit = UnshiftedDigit(event); digit != 0)
      return QKeyCombination(modifiers, static_cast<Qt::Key>(Qt::Key_0 + (digit - '0')));
  }
  return QKeyCombination(modifiers, static_cast<Qt::Key>(key));
}

QtKeyboardState::QtKeyboardState(QObject* parent) : QObject(parent) {
  qApp->installEventFilter(this);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive)
      Deactivated();
  });
}

QtKeyboardState::~QtKeyboardState() {
  if (qApp)
    qApp->removeEventFilter(this);
}

bool QtKeyboardState::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto& key = *static_cast<QKeyEvent*>(event);
      // A key event travels through the window and up the widgets: it counts once.
      const TKeySighting sighting{event->type(),        key.key(),       static_cast<int>(key.modifiers().toInt()),
                                  key.nativeScanCode(), key.timestamp(), key.isAutoRepeat()};
      if (sighting == lastKey_)
        break;
      lastKey_ = sighting;
      if (event->type() == QEvent::KeyPress)
        KeyPressed(key);
      else
        KeyReleased(key);
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
      TakeModifiers(*static_cast<QInputEvent*>(event));
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void QtKeyboardState::KeyPressed(const QKeyEvent& event) {
  if (event.isAutoRepeat())
    return;
  const int key = VirtualKeyOf(event);
  if (key != 0) {
    Press(key);
    if (event.nativeScanCode() != 0)
      pressedByScanCode_[event.nativeScanCode()] = key;
  }
  TakeModifiers(event);
}

void QtKeyboardState::KeyReleased(const QKeyEvent& event) {
  if (event.isAutoRepeat())
    return;
  int key = VirtualKeyOf(event);
  if (const auto pressed = pressedByScanCode_.find(event.nativeScanCode());
      event.nativeScanCode() != 0 && pressed != pressedByScanCode_.end()) {
    key = pressed->second;
    pressedByScanCode_.erase(pressed);
  }
  Release(key);
  TakeModifiers(event);
}

void QtKeyboardState::TakeModifiers(const QInputEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  for (const auto& [modifier, key] : {std::pair{Qt::ShiftModifier, vkShift}, std::pair{Qt::ControlModifier, vkControl},
                                      std::pair{Qt::AltModifier, vkMenu}}) {
    if (modifiers.testFlag(modifier))
      Press(key);
    else
      Release(key);
  }
}

void QtKeyboardState::Deactivated() {
  ReleaseAll();
  pressedByScanCode_.clear();
}

}  // namespace vrel
