// The editor control's core over the 10 MB manual-page fixture, in a window that paints nothing (the
// core still works out every repaint and scroll it would ask for). Goals: typing 1,000 characters at
// the end of the text with word wrap on, at most 2 ms a character; searching the whole text forward
// from the top, without options, for a word it does not hold, at most 100 ms (the text search over
// the same bytes in one string, in EditorBench.cpp, is the baseline).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/EditorBenchSupport.h"
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

// The fixture in an editor of the memo's kind (ruler, image bar, vertical bar), wrapped at
// `wrapByte` columns (0: unwrapped).
struct FixtureEditor {
  EditorCore editor;
  QuietWindow window;

  explicit FixtureEditor(int wrapByte) {
    editor.Ruler()->SetVisible(true);
    editor.SetScrollBars(ssVertical);
    if (wrapByte > 0) {
      editor.WrapOption()->SetWrapByte(wrapByte);
      editor.SetWordWrap(true);
    }
    editor.SetWindow(&window);
    editor.Lines()->SetText(bench::ManpagesFixture());
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

}  // namespace
}  // namespace vrel
