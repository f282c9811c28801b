// The progress holder's logic against a stand-in status bar that keeps what its bar was last told. Where the
// bar sits is the document commands' test's business.
#include <gtest/gtest.h>
#include "files/ProgressHolder.h"

namespace vrel {
namespace {

// A repaint notes the position the bar shows at that moment.
struct StatusBar : TProgressParent {
  struct Widget : TProgressBarWidget {
    explicit Widget(StatusBar& owner) : bar(owner) {}
    void SetBounds(int, int, int, int) override {}
    void SetPosition(int position) override { bar.position = position; }
    StatusBar& bar;
  };
  explicit StatusBar(int clientHeight) : height(clientHeight) {}
  int ClientHeight() const override { return height; }
  std::unique_ptr<TProgressBarWidget> CreateProgressBar() override { return std::make_unique<Widget>(*this); }
  void RepaintNow() override { painted.push_back(position); }
  int height;
  int position = -1;
  std::vector<int> painted;
};

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
}  // namespace
}  // namespace vrel
