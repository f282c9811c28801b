// The progress holder's logic against a stand-in status bar that keeps what its bar was last told.
#include <gtest/gtest.h>
#include <array>
#include "files/ProgressHolder.h"

namespace vrel {
namespace {
using Bounds = std::array<int, 4>;

// A repaint notes the position the bar shows at that moment; the bar forgets itself when freed.
struct StatusBar : TProgressParent {
  struct Widget : TProgressBarWidget {
    explicit Widget(StatusBar& owner) : bar(owner) {}
    ~Widget() override { bar.widget = nullptr; }
    void SetBounds(int l, int t, int w, int h) override { bar.bounds = {l, t, w, h}; }
    void SetPosition(int position) override { bar.position = position; }
    StatusBar& bar;
  };
  explicit StatusBar(int clientHeight) : height(clientHeight) {}
  int ClientHeight() const override { return height; }
  std::unique_ptr<TProgressBarWidget> CreateProgressBar() override {
    auto made = std::make_unique<Widget>(*this);
    widget = made.get();
    return made;
  }
  void RepaintNow() override { painted.push_back(position); }
  int height;
  Widget* widget = nullptr;
  Bounds bounds{-1, -1, -1, -1};
  int position = -1;
  std::vector<int> painted;
};

// Left 3, top 3, width 80 and the parent's height less 4, never below 0; the main window moves it into the status
// bar's middle panel.
TEST(ProgressHolder, TheBarIsMadeAtZeroInsideTheParentAndFollowsItsBounds) {
  StatusBar parent(22), tiny(2);
  TProgressHolder holder(parent);
  EXPECT_EQ(std::tuple(parent.bounds, parent.position), std::tuple(Bounds{3, 3, 80, 18}, 0));
  holder.Bar().SetLeft(283);
  holder.Bar().SetWidth(96);
  EXPECT_EQ(parent.bounds, (Bounds{283, 3, 96, 18}));
  TProgressHolder low(tiny);
  EXPECT_EQ(tiny.bounds, (Bounds{3, 3, 80, 0}));
}

// As the cube reports six faces: 0 at the start, 16 more after each face, 100 at the end; each step shows at once,
// within the range.
TEST(ProgressHolder, EachStepOfTheTextureLoadingShowsAtOnceWithinTheRange) {
  StatusBar parent(22);
  TProgressHolder holder(parent);
  for (int face = 0; face <= 6; ++face)
    holder.Handler()(nullptr, face ? psRunning : psStarting, static_cast<uint8_t>(face * 16), false, {}, "");
  holder.Progress(nullptr, psEnding, 250, true, {1, 2, 3, 4}, "x");
  EXPECT_EQ(parent.painted, (std::vector<int>{0, 16, 32, 48, 64, 80, 96, 100}));
  holder.Bar().SetPosition(-5);
  EXPECT_EQ(std::pair(parent.position, holder.Bar().Position()), std::pair(0, 0));
}

TEST(ProgressHolder, TheBarGoesWithTheHolder) {
  StatusBar parent(22);
  {
    TProgressHolder holder(parent);
    ASSERT_NE(parent.widget, nullptr);
  }
  EXPECT_EQ(parent.widget, nullptr);
}
}  // namespace
}  // namespace vrel
