#pragma once

// A progress bar as the model places it on a control (the main window's status bar): the two small
// ports behind which the window system stays, so that the holder that moves the bar runs and is
// tested without a window. The Qt adapter lives in platform/qt.

#include <memory>

namespace vrel {

// The bar as the window system shows it.
class TProgressBarWidget {
 public:
  virtual ~TProgressBarWidget() = default;
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  virtual void SetPosition(int position) = 0;
};

// The control a bar is placed on.
class TProgressParent {
 public:
  virtual ~TProgressParent() = default;
  virtual int ClientHeight() const = 0;
  // A new bar on this control, shown, with the range 0 to 100.
  virtual std::unique_ptr<TProgressBarWidget> CreateProgressBar() = 0;
  // Paints the control and its children now, not when the event loop gets to it: the loading the
  // bar reports on keeps the loop busy.
  virtual void RepaintNow() = 0;
};

}  // namespace vrel
