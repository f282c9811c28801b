#pragma once

// The move panel's OK, without the window: the selection moves by the typed vector (relative) or
// so that its centre lands on the typed point (absolute); then one undo step, a redraw and the new
// centre in the status bar. Nothing happens without a selected vertex or when nothing would move.

#include <cstdint>

#include "platform/Vector3.h"

namespace vrel {

class TMainForm;

enum TDirectionMode : uint8_t { dmRelative = 0, dmAbsolute = 1 };

// True when the selection moved.
bool MoveSelection(TMainForm& form, TDirectionMode mode, const Vec3& vector);

}  // namespace vrel
