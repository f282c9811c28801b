#pragma once

// A progress bar placed on a control (the main window's status bar) for as long as the holder
// lives, moved by picture-progress events. The window system stays behind the ports of
// platform/ProgressBar.h.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Classes.h"
#include "platform/ProgressBar.h"
#include "scene/DX9Cube.h"

namespace vrel {

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
  VREL_CLASS_INFO(TProgressHolder, TPersistent)
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
