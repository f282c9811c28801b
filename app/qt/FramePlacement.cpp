#include "app/qt/FramePlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace vrel {

namespace {

TPlacementRect FromQRect(const QRect& r) {
  return {r.x(), r.y(), r.width(), r.height()};
}

// The frame the window system draws around the client area; none before the window is mapped.
QSize FrameExtra(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {std::max(0, frame.width() - client.width()), std::max(0, frame.height() - client.height())};
}

// Some window systems place every window themselves and do not tell where.
bool PositionsIgnored() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

std::vector<TPlacementRect> ScreenRects() {
  std::vector<TPlacementRect> rects;
  if (QScreen* primary = QGuiApplication::primaryScreen())
    rects.push_back(FromQRect(primary->availableGeometry()));
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen())
      rects.push_back(FromQRect(screen->availableGeometry()));
  }
  return rects;
}

void TFramePlacement::Restore(QWidget& window, const TPlacementRect& rect) {
  const QSize extra = FrameExtra(window);
  position_ = QPoint(rect.Left, rect.Top);
  clientSize_ = QSize(std::max(0, rect.Width - extra.width()), std::max(0, rect.Height - extra.height()));
  window.move(position_);
  window.resize(clientSize_);
  // The window may keep a minimum size above what was asked for.
  clientSize_ = window.size();
  rect_ = {rect.Left, rect.Top, clientSize_.width() + extra.width(), clientSize_.height() + extra.height()};
  restored_ = true;
}

TPlacementRect TFramePlacement::Current(const QWidget& window) const {
  const QRect normal = window.isMinimized() || window.isMaximized() ? window.normalGeometry() : window.geometry();
  const QSize extra = FrameExtra(window);
  TPlacementRect now{window.frameGeometry().x(), window.frameGeometry().y(), normal.width() + extra.width(),
                     normal.height() + extra.height()};
  if (!restored_)
    return now;
  if (PositionsIgnored() || window.pos() == position_) {
    now.Left = rect_.Left;
    now.Top = rect_.Top;
  }
  if (normal.size() == clientSize_) {
    now.Width = rect_.Width;
    now.Height = rect_.Height;
  }
  return now;
}

}  // namespace vrel
