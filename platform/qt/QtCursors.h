#pragma once

// Screen cursor ids as Qt cursors: the framework's standard ids (0 and below) map to Qt's own
// shapes, the program's ids to the images in the screen's cursor table.

#include <QCursor>

#include "platform/Cursors.h"

namespace vrel {

// An id the table does not hold and no standard id gives the arrow.
QCursor CursorForId(int id, const CursorRegistry& registry = ScreenCursors());

}  // namespace vrel
