#pragma once

// The pictures of the head panel's ten view toggles, drawn in code: what each toggle shows or hides
// (points, edges, faces of the cube or of the blades, the axes, the start direction, the start point,
// the plane mark). Their hints name them.

#include <QIcon>

namespace vrel {

// Tag 0..9; an empty icon for any other.
QIcon ViewToggleIcon(int tag);

}  // namespace vrel
