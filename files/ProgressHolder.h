#pragma once

// A progress bar placed on a control (the main window's status bar) for as long as the holder
// lives, moved by picture-progress events. The window system stays behind two small interfaces,
// so the logic runs and is tested without a window; the application supplies a Qt adapter.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Classes.h"
#include "scene/DX9Cube.h"

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

// The bar's geometry and position, passed on to its widget.
class TProgressBar {
 public:
  static constexpr int kMin = 0;
  static constexpr int kMax = 100;

  explicit TProgressBar(std::unique_ptr<TProgressBarWidget> widget) : widget_(std::move(widget)) {}

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Position() const { return position_; }

  void SetBounds(int left, int top, int width, int height);
  void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
  void SetTop(int top) { SetBounds(left_, top, width_, height_); }
  void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
  void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
  // Clamped to kMin..kMax.
  void SetPosition(int position);

 private:
  std::unique_ptr<TProgressBarWidget> widget_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  int position_ = kMin;
};

class TProgressHolder : public TPersistent {
  VREL_CLASS_INFO
 public:
  // Places a bar on `parent`: left 3, top 3, width 80, height the parent's height less 4 (never
  // negative). The parent must outlive the holder.
  explicit TProgressHolder(TProgressParent& parent);
  ~TProgressHolder() override;

  TProgressBar& Bar() { return *bar_; }
  const TProgressBar& Bar() const { return *bar_; }

  // The picture-progress handler: the bar shows `percentDone`, then the parent repaints at once.
  void Progress(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, const TProgressRect& rect,
                const std::string& message);
  // Progress bound to this holder, for an OnProgress event; it must not outlive the holder.
  TProgressEvent Handler();

 private:
  TProgressParent& parent_;
  std::unique_ptr<TProgressBar> bar_;
};

}  // namespace vrel
