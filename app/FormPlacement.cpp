#include "app/FormPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vrel {

namespace {

int64_t Overlap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
  return std::max<int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

int64_t Gap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
  if (a1 <= b0)
    return b0 - a1;
  if (b1 <= a0)
    return a0 - b1;
  return 0;
}

}  // namespace

int ClampAxis(int pos, int size, int start, int length) {
  const int64_t end = static_cast<int64_t>(start) + length - size;
  return static_cast<int>(std::max<int64_t>(std::min<int64_t>(pos, end), start));
}

TPlacementRect ClampToScreen(const TPlacementRect& window, const TPlacementRect& screen) {
  TPlacementRect out;
  out.Width = std::max(0, std::min(window.Width, screen.Width));
  out.Height = std::max(0, std::min(window.Height, screen.Height));
  out.Left = ClampAxis(window.Left, out.Width, screen.Left, screen.Width);
  out.Top = ClampAxis(window.Top, out.Height, screen.Top, screen.Height);
  return out;
}

int NearestScreen(const TPlacementRect& window, std::span<const TPlacementRect> screens) {
  int best = -1;
  int64_t bestArea = 0;
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const TPlacementRect& s = screens[i];
    const int64_t area = Overlap(window.Left, window.Right(), s.Left, s.Right()) *
                         Overlap(window.Top, window.Bottom(), s.Top, s.Bottom());
    if (area > bestArea) {
      bestArea = area;
      best = static_cast<int>(i);
    }
  }
  if (best >= 0)
    return best;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const TPlacementRect& s = screens[i];
    const int64_t dx = Gap(window.Left, window.Right(), s.Left, s.Right());
    const int64_t dy = Gap(window.Top, window.Bottom(), s.Top, s.Bottom());
    // Gaps of 32-bit coordinates square into a double without overflow.
    const double distance =
        static_cast<double>(dx) * static_cast<double>(dx) + static_cast<double>(dy) * static_cast<double>(dy);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

TPlacementRect ClampToNearestScreen(TPlacementRect window, std::span<const TPlacementRect> screens, int minWidth,
                                    int minHeight) {
  window.Width = std::max(window.Width, minWidth);
  window.Height = std::max(window.Height, minHeight);
  const int screen = NearestScreen(window, screens);
  if (screen < 0)
    return window;
  return ClampToScreen(window, screens[static_cast<std::size_t>(screen)]);
}

TFloatAnchor FloatAnchorAt(int left, int width, int parentWidth) {
  return {parentWidth - left - width, left < parentWidth / 2};
}

int RightAnchoredLeft(int parentWidth, int width, int rightOffset) {
  return parentWidth - width - rightOffset;
}

int DockAlignForDrop(int y, int siteHeight, bool siteHoldsAnother) {
  return siteHoldsAnother && y >= siteHeight / 2 ? 2 : 1;
}

}  // namespace vrel
