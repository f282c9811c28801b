#include "files/ProgressHolder.h"

#include <algorithm>

namespace vrel {

void TProgressBar::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (widget_)
    widget_->SetBounds(left_, top_, width_, height_);
}

void TProgressBar::SetPosition(int position) {
  position_ = std::clamp(position, kMin, kMax);
  if (widget_)
    widget_->SetPosition(position_);
}

const TClassInfo& TProgressHolder::StaticClass() {
  static const TClassInfo info("TProgressHolder", &Inherited::StaticClass());
  return info;
}

TProgressHolder::TProgressHolder(TProgressParent& parent)
    : parent_(parent), bar_(std::make_unique<TProgressBar>(parent.CreateProgressBar())) {
  bar_->SetBounds(3, 3, 80, parent.ClientHeight() - 4);
  bar_->SetPosition(TProgressBar::kMin);
}

TProgressHolder::~TProgressHolder() = default;

void TProgressHolder::Progress(TObject* /*sender*/, TProgressStage /*stage*/, uint8_t percentDone, bool /*redrawNow*/,
                               const TProgressRect& /*rect*/, const std::string& /*message*/) {
  bar_->SetPosition(percentDone);
  parent_.RepaintNow();
}

TProgressEvent TProgressHolder::Handler() {
  return [this](TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, const TProgressRect& rect,
                const std::string& message) { Progress(sender, stage, percentDone, redrawNow, rect, message); };
}

}  // namespace vrel
