#include "platform/KeyboardState.h"

namespace vrel {

namespace {

bool InRange(int key) {
  return key >= 0 && key < 256;
}

TKeyboardState& NothingHeld() {
  static TKeyboardState none;
  return none;
}

IKeyboardState* current = nullptr;

}  // namespace

bool TKeyboardState::KeyDown(int key) const {
  return InRange(key) && down_.test(static_cast<std::size_t>(key));
}

void TKeyboardState::Press(int key) {
  if (InRange(key))
    down_.set(static_cast<std::size_t>(key));
}

void TKeyboardState::Release(int key) {
  if (InRange(key))
    down_.reset(static_cast<std::size_t>(key));
}

IKeyboardState* SetKeyboardState(IKeyboardState* state) {
  IKeyboardState* previous = current;
  current = state;
  return previous;
}

const IKeyboardState& KeyboardState() {
  return current ? *current : NothingHeld();
}

}  // namespace vrel
