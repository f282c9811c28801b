#pragma once

// Where windows may stand: the arithmetic that keeps the main window and its tool windows on a
// screen, and the floating tool frames inside the main window, kept apart from the widgets so that
// it is tested on its own.

#include <cstdint>
#include <span>

namespace vrel {

// A rectangle as a window's placement keeps it: position and size.
struct TPlacementRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  // In 64 bits: a placement read from a file may be anything.
  int64_t Right() const { return static_cast<int64_t>(Left) + Width; }
  int64_t Bottom() const { return static_cast<int64_t>(Top) + Height; }
  bool operator==(const TPlacementRect&) const = default;
};

// pos moved so that [pos, pos + size) lies within [start, start + length); where it is longer, it
// starts at `start`.
int ClampAxis(int pos, int size, int start, int length);

// The size cut to the screen's (at least 0), then the position moved so that the window lies on it.
TPlacementRect ClampToScreen(const TPlacementRect& window, const TPlacementRect& screen);

// The index of the screen the window overlaps most; when it overlaps none, of the screen nearest to
// it (the first of equals); -1 without screens.
int NearestScreen(const TPlacementRect& window, std::span<const TPlacementRect> screens);

// The window at least `minWidth` x `minHeight`, then clamped onto the screen nearest to it.
TPlacementRect ClampToNearestScreen(TPlacementRect window, std::span<const TPlacementRect> screens, int minWidth = 0,
                                    int minHeight = 0);

// A floating tool frame's distance from its parent's right edge, and whether it sits in the left half
// (and keeps its left edge when the parent is resized) or the right half (and keeps its distance from
// the right edge).
struct TFloatAnchor {
  int RightOffset = 0;
  bool LeftAnchored = true;
  bool operator==(const TFloatAnchor&) const = default;
};
TFloatAnchor FloatAnchorAt(int left, int width, int parentWidth);
// The left edge of a right-anchored frame at `rightOffset` from the parent's right edge.
int RightAnchoredLeft(int parentWidth, int width, int rightOffset);

// The side of the site panel a dock panel dropped at height `y` of it docks to: 1 top, 2 bottom.
// Alone it goes to the top; with another panel docked, a drop in the lower half goes to the bottom.
int DockAlignForDrop(int y, int siteHeight, bool siteHoldsAnother);

}  // namespace vrel
