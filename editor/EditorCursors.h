#pragma once

// The two screen cursors the editor installs: 1958, an arrow pointing up and to the right for the
// left margin (where a click selects whole rows), and 1959, the arrow with a box and a plus sign
// shown while a selection is dragged to be copied. Drawn in code, kept in the screen's cursor table.

#include "platform/Cursors.h"

namespace vrel {

// Throws std::invalid_argument for any id but crEditorRightArrow and crEditorDragSelCopy.
CursorImage MakeEditorCursor(int id);
// Puts both into the table under their ids; at start-up.
void RegisterEditorCursors(CursorRegistry& registry = ScreenCursors());

}  // namespace vrel
