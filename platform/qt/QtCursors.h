#pragma once

// The screen's cursor table as Qt cursors.

#include <QCursor>

namespace vrel {

// The cursor the table holds under `id`, with its hotspot; the arrow for 0 or an id it does not hold.
QCursor ScreenCursor(int id);

}  // namespace vrel
