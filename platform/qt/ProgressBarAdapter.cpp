#include "platform/qt/ProgressBarAdapter.h"

#include <QProgressBar>

namespace vrel {

namespace {

class QtProgressBar : public TProgressBarWidget {
 public:
  explicit QtProgressBar(QWidget* parent) : bar_(new QProgressBar(parent)) {
    bar_->setRange(0, 100);
    bar_->setValue(0);
    // A bar inside a status bar panel has no room for a percentage text.
    bar_->setTextVisible(false);
    bar_->show();
  }
  // The parent may have been destroyed first, taking the bar with it.
  ~QtProgressBar() override { delete bar_.data(); }

  void SetBounds(int left, int top, int width, int height) override {
    if (bar_)
      bar_->setGeometry(left, top, width, height);
  }
  void SetPosition(int position) override {
    if (bar_)
      bar_->setValue(position);
  }

 private:
  QPointer<QProgressBar> bar_;
};

}  // namespace

int ProgressBarAdapter::ClientHeight() const {
  return parent_ ? parent_->height() : 0;
}

std::unique_ptr<TProgressBarWidget> ProgressBarAdapter::CreateProgressBar() {
  return std::make_unique<QtProgressBar>(parent_.data());
}

void ProgressBarAdapter::RepaintNow() {
  if (parent_)
    parent_->repaint();
}

}  // namespace vrel
