#pragma once

// Puts the progress holder's bar on a Qt widget, in practice the main window's status bar.

#include <QPointer>
#include <QWidget>

#include <memory>

#include "platform/ProgressBar.h"

namespace vrel {

class ProgressBarAdapter : public TProgressParent {
 public:
  // `parent` must outlive the bars made on it.
  explicit ProgressBarAdapter(QWidget* parent) : parent_(parent) {}

  int ClientHeight() const override;
  std::unique_ptr<TProgressBarWidget> CreateProgressBar() override;
  void RepaintNow() override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace vrel
