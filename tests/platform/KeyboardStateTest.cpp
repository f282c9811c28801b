// The keyboard-state port: a held-key set behind one process-wide port.

#include <gtest/gtest.h>

#include "platform/KeyboardState.h"

namespace vrel {
namespace {

TEST(KeyboardState, CodesOutsideAByteAreNeverHeld) {
  TKeyboardState keys;
  keys.Press(256);
  keys.Press(-1);
  EXPECT_FALSE(keys.AnyDown() || keys.KeyDown(256));
}

TEST(KeyboardState, TheDefaultPortHoldsNothingAndAScopedOneIsRemovedAgain) {
  TKeyboardState keys;
  keys.Press(vkControl);
  {
    const TScopedKeyboardState scope(keys);
    EXPECT_TRUE(KeyboardState().KeyDown(vkControl));
  }
  EXPECT_FALSE(KeyboardState().KeyDown(vkControl));
}

}  // namespace
}  // namespace vrel
