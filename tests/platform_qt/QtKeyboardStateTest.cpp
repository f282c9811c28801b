// The application-wide keyboard state on Qt's window-less platform, fed with the key and mouse events
// Qt would deliver: auto-repeat, releases that report another key, the keypad with NumLock on and
// off, modifiers seen on mouse events, and the application losing the focus. The X keymap look-ups
// are tested with real key events under Xvfb (app_input_window_tests).

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <vector>

#include "platform/KeyboardState.h"
#include "platform/qt/QtKeyboardState.h"
#include "tests/platform_qt/QtApp.h"

namespace vrel {
namespace {

class QtKeyboardStateTest : public testing::Test {
 protected:
  void Key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {}, quint32 scanCode = 0,
           bool autoRepeat = false) {
    QKeyEvent event(type, key, modifiers, scanCode, 0, 0, QString(), autoRepeat);
    QApplication::sendEvent(&widget_, &event);
  }
  void Press(int key, Qt::KeyboardModifiers modifiers = {}, quint32 scanCode = 0) {
    Key(QEvent::KeyPress, key, modifiers, scanCode);
  }
  void Release(int key, Qt::KeyboardModifiers modifiers = {}, quint32 scanCode = 0) {
    Key(QEvent::KeyRelease, key, modifiers, scanCode);
  }

  // The application comes before the widget.
  bool application_ = (qttest::EnsureApplication(), true);
  QWidget widget_;
  QtKeyboardState keys_;
};

TEST_F(QtKeyboardStateTest, AutoRepeatNeitherReleasesNorPresses) {
  Press(Qt::Key_Up);
  Key(QEvent::KeyRelease, Qt::Key_Up, {}, 0, true);
  EXPECT_TRUE(keys_.KeyDown(vkUp));
  Key(QEvent::KeyPress, Qt::Key_Up, {}, 0, true);
  Release(Qt::Key_Up);
  EXPECT_FALSE(keys_.KeyDown(vkUp));
}

TEST_F(QtKeyboardStateTest, AReleaseLetsGoOfWhatItsPhysicalKeyPressedWhateverItReportsNow) {
  Press(Qt::Key_A, {}, 38);
  // The layout changed while the key was down.
  Release(Qt::Key_Q, {}, 38);
  EXPECT_FALSE(keys_.KeyDown(vkA));
  EXPECT_FALSE(keys_.KeyDown(vkA + ('Q' - 'A')));
}

TEST_F(QtKeyboardStateTest, AKeyEventPassedUpToTheParentCountsOnce) {
  QWidget child(&widget_);
  Press(Qt::Key_Q, {}, 24);
  Press(Qt::Key_A, {}, 38);
  // The layout changed while A was down; the child ignores the key, so its parent sees it too.
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, {}, 38, 0, 0);
  QApplication::sendEvent(&child, &release);
  EXPECT_FALSE(keys_.KeyDown(vkA));
  EXPECT_TRUE(keys_.KeyDown(vkA + ('Q' - 'A')));
}

TEST_F(QtKeyboardStateTest, KeypadKeysAreKeypadKeysWhateverNumLockSays) {
  struct Case {
    int key;
    bool keypad;
    int expected;
  };
  std::vector<Case> cases{
      {Qt::Key_Delete, true, vkDecimal},    {Qt::Key_Period, true, vkDecimal}, {Qt::Key_Comma, true, vkDecimal},
      {Qt::Key_Asterisk, true, vkMultiply}, {Qt::Key_Plus, true, vkAdd},       {Qt::Key_Minus, true, vkSubtract},
      {Qt::Key_Slash, true, vkDivide},      {Qt::Key_Enter, true, vkReturn},   {Qt::Key_Home, false, vkHome},
      {Qt::Key_Left, false, vkLeft},        {Qt::Key_PageDown, false, vkNext}, {Qt::Key_7, false, vk0 + 7}};
  // The digits' keys with NumLock off, and on.
  const int numLockOff[] = {Qt::Key_Insert, Qt::Key_End,   Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Left,
                            Qt::Key_Clear,  Qt::Key_Right, Qt::Key_Home, Qt::Key_Up,       Qt::Key_PageUp};
  for (int digit = 0; digit < 10; ++digit)
    cases.insert(cases.end(),
                 {{numLockOff[digit], true, NumpadKey(digit)}, {Qt::Key_0 + digit, true, NumpadKey(digit)}});
  for (const Case& c : cases) {
    const Qt::KeyboardModifiers modifiers = c.keypad ? Qt::KeypadModifier : Qt::NoModifier;
    Press(c.key, modifiers);
    EXPECT_TRUE(keys_.KeyDown(c.expected)) << c.key << " " << c.keypad;
    Release(c.key, modifiers);
    EXPECT_FALSE(keys_.AnyDown()) << c.key << " " << c.keypad;
  }
}

TEST_F(QtKeyboardStateTest, EverythingIsReleasedWhenTheApplicationIsNoLongerActive) {
  Press(Qt::Key_Right);
  Press(Qt::Key_Space);
  emit qApp->applicationStateChanged(Qt::ApplicationInactive);
  EXPECT_FALSE(keys_.AnyDown());
}

TEST_F(QtKeyboardStateTest, ModifiersFollowWhatMouseEventsCarry) {
  QMouseEvent held(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::ControlModifier);
  QApplication::sendEvent(&widget_, &held);
  EXPECT_TRUE(keys_.KeyDown(vkControl));
  QMouseEvent released(QEvent::MouseMove, QPointF(6, 5), QPointF(6, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&widget_, &released);
  EXPECT_FALSE(keys_.KeyDown(vkControl));
}

TEST_F(QtKeyboardStateTest, ShortcutsSeeTheKeypadsKeysWithoutItsFlag) {
  const QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_EQ(ShortcutCombination(home), QKeyCombination(Qt::ControlModifier, Qt::Key_Home));
  const QKeyEvent digit(QEvent::KeyPress, Qt::Key_1, Qt::ShiftModifier);
  EXPECT_EQ(ShortcutCombination(digit), QKeyCombination(Qt::ShiftModifier, Qt::Key_1));
}

}  // namespace
}  // namespace vrel
