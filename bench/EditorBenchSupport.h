// What the text editor's benchmarks share: the 10 MB manual-page fixture (CP932, CR LF) and an
// editor stand-in that does no painting, for display rows that want one attached.
#pragma once

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "editor/AttachedEditor.h"
#include "editor/EditorFountain.h"
#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"

namespace vrel::bench {

inline const std::string& ManpagesFixture() {
  static const std::string text = [] {
    std::ifstream file(VREL_MANPAGES_FIXTURE, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }();
  return text;
}

inline bool HaveManpagesFixture(benchmark::State& state) {
  if (ManpagesFixture().size() < 1024 * 1024) {
    state.SkipWithError("the manual-page fixture is missing (bench/make_manpages_fixture.py)");
    return false;
  }
  return true;
}

// An editor that shows nothing: 50 rows high, its caret where it is put.
class QuietEditor : public AttachedEditor {
 public:
  explicit QuietEditor(TEditorScreenStrings& rows) : rows_(rows) { rows_.AddEditor(*this); }
  ~QuietEditor() override { rows_.RemoveEditor(*this); }

  TEditorScreenStrings& ScreenStrings() override { return rows_; }
  bool Loading() const override { return false; }
  bool Focused() const override { return true; }
  int Row() const override { return row_; }
  void SetRow(int row) override { row_ = row; }
  int Col() const override { return col_; }
  void SetCol(int col) override { col_ = col; }
  int TopRow() const override { return topRow_; }
  void SetTopRow(int row) override { topRow_ = row; }
  void HideCaretNested() override {}
  void ShowCaretNested() override {}
  void BeginCaretMove() override {}
  void EndCaretMove() override {}
  void SetUpdating(bool) override {}
  void CancelSelection() override {}
  void DoChange() override { lastChange = rows_.Change(); }
  void InvalidateRow(int) override {}
  void RefreshView() override {}
  TFountain& ActiveFountain() override { return fountain_; }
  bool InitBracketsFull() const override { return false; }
  int ScreenRows() const override { return 50; }

  TEditorChange lastChange;

 private:
  TEditorScreenStrings& rows_;
  TEditorFountain fountain_;
  int row_ = 0;
  int col_ = 0;
  int topRow_ = 0;
};

// Loading the fixture file into the editor's Lines, unwrapped or wrapped at `wrapByte` columns.
inline void LoadManpagesRows(benchmark::State& state, int wrapByte) {
  if (!HaveManpagesFixture(state))
    return;
  int rows = 0;
  for (auto _ : state) {
    TEditorScreenStrings screen;
    QuietEditor editor(screen);
    TEditorStrings lines(editor);
    if (wrapByte > 0) {
      screen.WrapOption()->SetWrapByte(wrapByte);
      screen.SetWordWrap(true);
    }
    lines.LoadFromFile(VREL_MANPAGES_FIXTURE);
    rows = screen.Count();
    benchmark::DoNotOptimize(rows);
    // Freeing the rows is not loading them.
    state.PauseTiming();
    lines.Clear();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ManpagesFixture().size()));
  state.counters["rows"] = rows;
}

}  // namespace vrel::bench
