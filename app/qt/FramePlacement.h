#pragma once

// A top-level window's placement as the settings file keeps it: the frame's position and its outer
// size, frame included, as Windows counts a window's placement, put onto Qt's client geometry and
// read back from it.
//
// A placement restored and not changed since is saved as it was restored, so nothing drifts over
// restarts where the window system adds a frame the client size does not show, or ignores the
// positions a program asks for.

#include <QRect>

#include <vector>

#include "app/FormPlacement.h"

class QWidget;

namespace vrel {

// The available geometry of every screen, the primary first.
std::vector<TPlacementRect> ScreenRects();

class TFramePlacement {
 public:
  // Puts the window's frame at `rect` (outer size).
  void Restore(QWidget& window, const TPlacementRect& rect);
  // The frame's placement now; the restored one while the window stands where it was put.
  TPlacementRect Current(const QWidget& window) const;
  // Restore was called.
  bool Restored() const { return restored_; }

 private:
  bool restored_ = false;
  TPlacementRect rect_;
  QPoint position_;   // the frame position asked for
  QSize clientSize_;  // the client size asked for
};

}  // namespace vrel
