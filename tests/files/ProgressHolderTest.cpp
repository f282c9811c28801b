// The progress holder's logic against a recording stand-in for the status bar.
#include <gtest/gtest.h>
#include "files/ProgressHolder.h"

namespace vrel {
namespace {
// Logs what the holder asks of the window system, in order.
struct RecordingParent : TProgressParent {
  struct Widget : TProgressBarWidget {
    explicit Widget(std::vector<std::string>& log) : log(log) {}
    ~Widget() override { log.push_back("destroy"); }
    void SetBounds(int l, int t, int w, int h) override {
      log.push_back("bounds " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(w) + "," +
                    std::to_string(h));
    }
    void SetPosition(int position) override { log.push_back("position " + std::to_string(position)); }
    std::vector<std::string>& log;
  };
  explicit RecordingParent(int height) : height(height) {}
  int ClientHeight() const override { return height; }
  std::unique_ptr<TProgressBarWidget> CreateProgressBar() override {
    log.push_back("create");
    return std::make_unique<Widget>(log);
  }
  void RepaintNow() override { log.push_back("repaint"); }
  int height;
  std::vector<std::string> log;
};

// A parent too low for a bar gives it no height.
TEST(ProgressHolder, TheBarFitsInsideTheParent) {
  RecordingParent tiny(2);
  EXPECT_EQ(TProgressHolder(tiny).Bar().Height(), 0);
}

// As the main window moves it into the status bar's middle panel.
TEST(ProgressHolder, TheBarIsMadeInPlaceAtZeroAndFollowsItsBounds) {
  RecordingParent parent(22);
  TProgressHolder holder(parent);
  holder.Bar().SetLeft(283);
  holder.Bar().SetWidth(96);
  EXPECT_EQ(parent.log, (std::vector<std::string>{"create", "bounds 3,3,80,18", "position 0", "bounds 283,3,80,18",
                                                  "bounds 283,3,96,18"}));
}

// As the cube reports six faces: 0 at the start, 16 more after each face, 100 at the end; each step shows at once.
TEST(ProgressHolder, TheBarFollowsTheCubesTextureLoading) {
  RecordingParent parent(22);
  TProgressHolder holder(parent);
  parent.log.clear();
  for (int face = 0; face <= 6; ++face)
    holder.Handler()(nullptr, face ? psRunning : psStarting, static_cast<uint8_t>(face * 16), false, {}, "");
  holder.Progress(nullptr, psEnding, 100, true, {1, 2, 3, 4}, "x");
  std::vector<std::string> expected;
  for (const int p : {0, 16, 32, 48, 64, 80, 96, 100})
    expected.insert(expected.end(), {"position " + std::to_string(p), "repaint"});
  EXPECT_EQ(parent.log, expected);
}

TEST(ProgressHolder, APositionOutsideTheRangeIsClamped) {
  RecordingParent parent(22);
  TProgressHolder holder(parent);
  holder.Progress(nullptr, psEnding, 250, true, {}, "");
  EXPECT_EQ(holder.Bar().Position(), 100);
  holder.Bar().SetPosition(-5);
  EXPECT_EQ(holder.Bar().Position(), 0);
}

TEST(ProgressHolder, TheBarGoesWithTheHolder) {
  RecordingParent parent(22);
  { TProgressHolder holder(parent); }
  EXPECT_EQ(parent.log.back(), "destroy");
}
}  // namespace
}  // namespace vrel
