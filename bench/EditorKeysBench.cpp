// The editor control's core over the 10 MB manual-page fixture, in a window that paints nothing (the
// core still works out every repaint and scroll it would ask for). Goals: typing 1,000 characters at
// the end of the text with word wrap on, at most 2 ms a character; searching the whole text forward
// from the top, without options, for a word it does not hold, at most 100 ms (the text search over
// the same bytes in one string, in EditorBench.cpp, is the baseline).
//
// And the memo at its size limit: opening 60 MiB of empty lines, or of one-letter lines, holds at
// most 50 times the file's size plus 64 MiB at any time (the readers' promise) and takes at most 8
// times as long as opening the 10 MB fixture; a keystroke in the middle of either takes at most
// twice as long as one in a memo of one line.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>

#include "bench/EditorBenchSupport.h"
#include "bench/PeakMemory.h"
#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"
#include "editor/ZTSearch.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"

namespace vrel {
namespace {

class NoClipboard : public EditorClipboard {
 public:
  bool HasFormat(std::string_view) const override { return false; }
  std::optional<std::string> Data(std::string_view) const override { return std::nullopt; }
  void SetBlocks(const std::vector<Block>&) override {}
};

// A focused window of 1280 x 800 with a 6 x 13 pixel font that shows nothing.
class QuietWindow : public EditorWindow {
 public:
  int ClientWidth() const override { return 1280; }
  int ClientHeight() const override { return 800; }
  int VerticalScrollBarWidth() const override { return 16; }
  int HorizontalScrollBarHeight() const override { return 0; }
  int ScreenWidth() const override { return 1920; }
  int ScreenHeight() const override { return 1080; }
  EditorFontMetrics FontMetrics() const override { return {13, 0, 11, 6, false}; }
  bool Focused() const override { return true; }
  bool LeftButtonDown() const override { return false; }
  bool CtrlDown() const override { return false; }
  bool EscapeDown() const override { return false; }
  void Invalidate(const EditorRect&) override { ++repaints; }
  void ScrollPixels(int, int, const EditorRect&) override {}
  void SetRedraw(bool) override {}
  void SetScrollBar(EditorScrollBar, int, int, int) override {}
  void ShowScrollBars(bool, bool) override {}
  void SetBorder(bool) override {}
  void SetControlCursor(int) override {}
  void SetDragCursor(int) override {}
  void CaretChanged() override {}
  void SetImePosition(int, int) override {}
  EditorClipboard& Clipboard() override { return clipboard_; }

  int64_t repaints = 0;

 private:
  NoClipboard clipboard_;
};

// An editor of the memo's kind (ruler, image bar, vertical bar), wrapped at `wrapByte` columns (0:
// unwrapped), holding the fixture or `text`.
struct FixtureEditor {
  EditorCore editor;
  QuietWindow window;

  explicit FixtureEditor(int wrapByte, std::string text = bench::ManpagesFixture()) {
    editor.Ruler()->SetVisible(true);
    editor.SetScrollBars(ssVertical);
    if (wrapByte > 0) {
      editor.WrapOption()->SetWrapByte(wrapByte);
      editor.SetWordWrap(true);
    }
    editor.SetWindow(&window);
    editor.Lines()->SetText(std::move(text));
    editor.FocusGained();
  }
  ~FixtureEditor() { editor.SetWindow(nullptr); }
};

// Typing a thousand characters, single- and double-byte, one key each, at the end of the text with
// word wrap at 80 columns; between the runs the typed text is taken out again (not timed).
void BM_TypeThousandCharactersAtTheEndWrapped(benchmark::State& state) {
  if (!bench::HaveManpagesFixture(state))
    return;
  FixtureEditor f(80);
  EditorCore& e = f.editor;
  std::vector<std::string> keys;
  const std::string japanese = Utf8ToCp932("入力された文字です");
  for (int i = 0; i < 1000; ++i) {
    if (i % 3 == 2)
      keys.push_back(japanese.substr(static_cast<std::size_t>(i / 3 % 9 * 2), 2));
    else
      keys.emplace_back(1, static_cast<char>('a' + i % 26));
  }
  const int64_t length = e.GetTextLen();
  for (auto _ : state) {
    e.KeyDown(vkEnd, {ssCtrl}, false);
    for (const std::string& key : keys)
      e.KeyPress(key, {});
    state.PauseTiming();
    e.SetSel(length, e.GetTextLen());
    e.ClearSelection();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
  state.counters["rows"] = e.Rows().Count();
}
BENCHMARK(BM_TypeThousandCharactersAtTheEndWrapped)->Unit(benchmark::kMillisecond);

void SearchFromTheTop(benchmark::State& state, int wrapByte) {
  if (!bench::HaveManpagesFixture(state))
    return;
  FixtureEditor f(wrapByte);
  EditorCore& e = f.editor;
  const std::string absent = Utf8ToCp932("存在しない語句ヴレル");
  for (auto _ : state) {
    e.KeyDown(vkHome, {ssCtrl}, false);
    if (e.Search(absent, soForward)) {
      state.SkipWithError("the word the search looks for is in the text");
      return;
    }
  }
  state.SetBytesProcessed(state.iterations() * e.GetTextLen());
}

void BM_ControlSearchForwardAbsentWord(benchmark::State& state) {
  SearchFromTheTop(state, 0);
}
BENCHMARK(BM_ControlSearchForwardAbsentWord)->Unit(benchmark::kMillisecond);

void BM_ControlSearchForwardAbsentWordWrapped(benchmark::State& state) {
  SearchFromTheTop(state, 80);
}
BENCHMARK(BM_ControlSearchForwardAbsentWordWrapped)->Unit(benchmark::kMillisecond);

// Backwards from the end: the whole text is read as one.
void BM_ControlSearchBackwardAbsentWord(benchmark::State& state) {
  if (!bench::HaveManpagesFixture(state))
    return;
  FixtureEditor f(0);
  EditorCore& e = f.editor;
  const std::string absent = Utf8ToCp932("存在しない語句ヴレル");
  for (auto _ : state) {
    e.KeyDown(vkEnd, {ssCtrl}, false);
    if (e.Search(absent, 0)) {
      state.SkipWithError("the word the search looks for is in the text");
      return;
    }
  }
  state.SetBytesProcessed(state.iterations() * e.GetTextLen());
}
BENCHMARK(BM_ControlSearchBackwardAbsentWord)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------
// The memo at its size limit

// 0 the fixture, 1 60 MiB of empty lines, 2 60 MiB of one-letter lines, 3 one line.
std::string MemoText(int64_t kind) {
  constexpr std::size_t kBytes = 60u << 20;
  const char* line = kind == 1 ? "\r\n" : "a\r\n";
  switch (kind) {
    case 0:
      return bench::ManpagesFixture();
    case 1:
    case 2: {
      std::string text;
      text.reserve(kBytes);
      while (text.size() + std::strlen(line) <= kBytes)
        text += line;
      return text;
    }
    default:
      return "one line of notes\r\n";
  }
}

// Opening a memo file as the main window does: the file read whole, then its lines. Time, and the
// most memory held at once against the readers' promise (1 or less keeps it), also once every row
// has been reached (as scrolling to the end does).
void BM_OpenMemo(benchmark::State& state) {
  if (!bench::HaveManpagesFixture(state))
    return;
  const std::string text = MemoText(state.range(0));
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("vrel-memo-bench-" + std::to_string(getpid()) + ".txt");
  std::ofstream(path, std::ios::binary) << text;
  const auto open = [&path] {
    auto memo = std::make_unique<FixtureEditor>(0, std::string());
    memo->editor.Lines()->LoadFromFile(path.string());
    return memo;
  };
  int rows = 0;
  for (auto _ : state) {
    std::unique_ptr<FixtureEditor> memo = open();
    rows = memo->editor.Rows().Count();
    // Each open starts from memory the process does not hold yet, as a document's open does: the
    // allocator gives back what the last one freed.
    state.PauseTiming();
    memo.reset();
    malloc_trim(0);
    state.ResumeTiming();
  }
  const double size = static_cast<double>(text.size());
  const double peak = bench::PeakBytesOf([&] { benchmark::DoNotOptimize(open()); });
  const double peakAllRows = bench::PeakBytesOf([&] {
    const std::unique_ptr<FixtureEditor> memo = open();
    benchmark::DoNotOptimize(memo->editor.Rows().Get(memo->editor.Rows().Count() - 1));
  });
  std::filesystem::remove(path);
  const double promise = 50 * size + (64 << 20);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["rows"] = rows;
  state.counters["peak_per_byte"] = peak / size;
  state.counters["promise"] = peak / promise;
  state.counters["promise_all_rows"] = peakAllRows / promise;
}
BENCHMARK(BM_OpenMemo)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A character typed in the middle row and taken out again with Backspace: two keystrokes. The rows'
// start states down to there were computed first, as painting them would have done.
void BM_KeystrokeInMemo(benchmark::State& state) {
  if (!bench::HaveManpagesFixture(state))
    return;
  FixtureEditor memo(0, MemoText(state.range(0)));
  EditorCore& e = memo.editor;
  e.SetRow(e.Rows().Count() / 2);
  e.Rows().UpdateRowStates(e.Row(), false);
  for (auto _ : state) {
    e.KeyPress("x", {});
    e.KeyPress("\b", {});
  }
  state.SetItemsProcessed(state.iterations() * 2);
  state.counters["rows"] = e.Rows().Count();
}
BENCHMARK(BM_KeystrokeInMemo)->Arg(3)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vrel
