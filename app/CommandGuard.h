#pragma once

// Where an exception of a command ends: in the program's error box, never in Qt. Window-free, so the
// commands' logic shows its errors the same way under test.

#include <exception>
#include <functional>

namespace vrel {

// The program's error box for an exception: its message under the caption "Vrel", an error icon and
// an OK button.
void ShowException(const std::exception& error);
// Runs `action`; an exception becomes the error box instead of leaving. Answers whether the action
// ran to its end.
bool Guarded(const std::function<void()>& action);

}  // namespace vrel
