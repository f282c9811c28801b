// The text editor's model over 10 MB of Japanese manual pages in CP932 (made at build time from
// Debian's manpages-ja). Goals: tokenising every row with the editor's default scheme at least
// 50 MB/s; searching forward from the top, without options, for a word the text does not hold in at
// most 50 ms (a plain memchr and memmem pass over the same bytes is the baseline); loading the file
// into rows in at most 300 ms unwrapped and 500 ms wrapped at 80 columns, re-wrapping all of it at 80
// columns in at most 500 ms; a keystroke at the top, in the middle and at the end in at most 5 ms,
// and in a 1 MB wrapped line in at most 50 ms. QPlainTextEdit's load of the same text is measured in
// the benchmarks that run under an X server.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "bench/EditorBenchSupport.h"
#include "editor/EditorFountain.h"
#include "editor/RowStates.h"
#include "editor/ZTSearch.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {
namespace {

const std::string& Fixture() {
  return bench::ManpagesFixture();
}

const TRowAttributeStringList& FixtureRows() {
  static const std::unique_ptr<TRowAttributeStringList> rows = [] {
    auto list = std::make_unique<TRowAttributeStringList>();
    SplitTextToStrings(Fixture(), *list);
    return list;
  }();
  return *rows;
}

bool HaveFixture(benchmark::State& state) {
  return bench::HaveManpagesFixture(state);
}

// A word the manual pages do not hold.
const std::string& AbsentWord() {
  static const std::string word = Utf8ToCp932("存在しない語句ヴレル");
  return word;
}

void BM_MemchrLineEnds(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  const std::string& text = Fixture();
  for (auto _ : state) {
    std::size_t lines = 0;
    for (const char* p = text.data();
         (p = static_cast<const char*>(std::memchr(p, '\n', text.data() + text.size() - p))); ++p)
      ++lines;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MemchrLineEnds)->Unit(benchmark::kMillisecond);

void BM_MemmemAbsentWord(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  const std::string& text = Fixture();
  for (auto _ : state)
    benchmark::DoNotOptimize(memmem(text.data(), text.size(), AbsentWord().data(), AbsentWord().size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MemmemAbsentWord)->Unit(benchmark::kMillisecond);

// Every row read token by token, with each token's colour asked for, as painting does.
void TokeniseRows(benchmark::State& state, TEditorFountain& fountain) {
  if (!HaveFixture(state))
    return;
  const TRowAttributeStringList& rows = FixtureRows();
  const TRowAttributeData zero = TRowAttributeData::Zero();
  int64_t tokens = 0;
  for (auto _ : state) {
    auto parser = fountain.CreateParser();
    for (int r = 0; r < rows.Count(); ++r) {
      parser->SetRowData(rows.Get(r), zero);
      while (parser->Next()) {
        benchmark::DoNotOptimize(parser->TokenColor());
        ++tokens;
      }
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().size()));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kAvgIterations);
}

void BM_TokeniseRowsDefaultScheme(benchmark::State& state) {
  TEditorFountain fountain;
  TokeniseRows(state, fountain);
}
BENCHMARK(BM_TokeniseRowsDefaultScheme)->Unit(benchmark::kMillisecond);

// Everything switched on: brackets, comments, quotations, URLs, mail addresses, hexadecimal and
// control codes, reserved words.
void BM_TokeniseRowsBusyScheme(benchmark::State& state) {
  TEditorFountain fountain;
  for (const char* pair : {"()", "[]", "{}"}) {
    TFountainBracketItem* item = fountain.Brackets()->Add();
    item->SetLeftBracket(std::string(1, pair[0]));
    item->SetRightBracket(std::string(1, pair[1]));
  }
  fountain.SetCommenter("#");
  fountain.SetQuotation("\"");
  fountain.SetHexPrefix("0x");
  fountain.SetControlCode(true);
  fountain.SetUrl(true);
  fountain.SetMail(true);
  fountain.SetReserveWordList({"if", "then", "else", "fi", "for", "while", "do", "done", "case", "esac"});
  TokeniseRows(state, fountain);
}
BENCHMARK(BM_TokeniseRowsBusyScheme)->Unit(benchmark::kMillisecond);

// The start state of every row, as loading a text with InitBracketsFull computes it.
void BM_InitRowStatesAllRows(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  TRowAttributeStringList rows;
  SplitTextToStrings(Fixture(), rows);
  TEditorFountain fountain;
  TFountainBracketItem* item = fountain.Brackets()->Add();
  item->SetLeftBracket("(");
  item->SetRightBracket(")");
  auto parser = fountain.CreateParser();
  for (auto _ : state)
    InitRowStates(rows, *parser, rows.Count() - 1);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().size()));
}
BENCHMARK(BM_InitRowStatesAllRows)->Unit(benchmark::kMillisecond);

// One unwrapped row of 1 MB of mail bytes without an address: linear, not quadratic.
void BM_TokeniseLongMailRow(benchmark::State& state) {
  std::string row;
  for (int i = 0; i < 512 * 1024; ++i)
    row += "a.";
  TEditorFountain fountain;
  fountain.SetMail(true);
  auto parser = fountain.CreateParser();
  for (auto _ : state) {
    parser->SetRowData(row, TRowAttributeData::Zero());
    while (parser->Next()) {
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * row.size()));
}
BENCHMARK(BM_TokeniseLongMailRow)->Unit(benchmark::kMillisecond);

void Search(benchmark::State& state, uint16_t options) {
  if (!HaveFixture(state))
    return;
  const std::string& text = Fixture();
  for (auto _ : state) {
    TSearchInfo info{(options & soForward) != 0 ? 0 : static_cast<int32_t>(text.size()), 0};
    if (SearchText(text, info, AbsentWord(), options)) {
      state.SkipWithError("the word the search looks for is in the text");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_SearchForwardAbsentWord(benchmark::State& state) {
  Search(state, soForward);
}
BENCHMARK(BM_SearchForwardAbsentWord)->Unit(benchmark::kMillisecond);

void BM_SearchForwardAbsentWordMatchCase(benchmark::State& state) {
  Search(state, soForward | soMatchCase);
}
BENCHMARK(BM_SearchForwardAbsentWordMatchCase)->Unit(benchmark::kMillisecond);

void BM_SearchForwardAbsentWordAllFolding(benchmark::State& state) {
  Search(state, soForward | soWholeWord | soFoldWidth | soSkipLineBreaks | soSkipBlanks);
}
BENCHMARK(BM_SearchForwardAbsentWordAllFolding)->Unit(benchmark::kMillisecond);

void BM_SearchBackwardAbsentWord(benchmark::State& state) {
  Search(state, 0);
}
BENCHMARK(BM_SearchBackwardAbsentWord)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------
// Display rows

void BM_LoadRowsUnwrapped(benchmark::State& state) {
  bench::LoadManpagesRows(state, 0);
}
BENCHMARK(BM_LoadRowsUnwrapped)->Unit(benchmark::kMillisecond);

void BM_LoadRowsWrappedAt80(benchmark::State& state) {
  bench::LoadManpagesRows(state, 80);
}
BENCHMARK(BM_LoadRowsWrappedAt80)->Unit(benchmark::kMillisecond);

// The fixture in rows, with the editor that shows them.
struct LoadedRows {
  TEditorScreenStrings rows;
  bench::QuietEditor editor{rows};

  explicit LoadedRows(int wrapByte) {
    if (wrapByte > 0) {
      rows.WrapOption()->SetWrapByte(wrapByte);
      rows.SetWordWrap(true);
    }
    rows.SetText(Fixture());
  }
};

void BM_RewrapAllAt80(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  LoadedRows loaded(80);
  for (auto _ : state)
    loaded.rows.RewrapAll();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Fixture().size()));
  state.counters["rows"] = loaded.rows.Count();
}
BENCHMARK(BM_RewrapAllAt80)->Unit(benchmark::kMillisecond);

// Every logical line read through Lines with word wrap on: the line index is built once, so the
// walk is linear, not quadratic.
void BM_ReadEveryLineWrappedAt80(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  LoadedRows loaded(80);
  TEditorStrings lines(loaded.editor);
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (int i = 0; i < lines.Count(); ++i)
      bytes += lines.Get(i).size();
    benchmark::DoNotOptimize(bytes);
    // A change at the top makes the next walk index the lines again.
    state.PauseTiming();
    loaded.rows.ReplaceText(0, 1, loaded.rows.GetRowsText(0, 1).Text);
    state.ResumeTiming();
  }
  state.counters["lines"] = lines.Count();
}
BENCHMARK(BM_ReadEveryLineWrappedAt80)->Unit(benchmark::kMillisecond);

// Typing `typed` at the start of a row, then taking it out again by putting back the rows' old text,
// one keystroke per iteration, each one ReplaceText as the control makes it. The start states down to
// the row were computed before, as painting the row would have done.
void Keystrokes(benchmark::State& state, TEditorScreenStrings& rows, const bench::QuietEditor& editor, int row,
                const std::string& typed = "x") {
  rows.UndoObj()->SetLimit(64);
  rows.UpdateRowStates(row, false);
  const std::string changed = typed + rows.GetRowsText(row, 1).Text;
  int64_t rewrapped = 0;
  int64_t undoBytes = 0;
  TUndoData back;
  bool type = true;
  for (auto _ : state) {
    if (type)
      rows.ReplaceText(row, 1, changed);
    else
      rows.ReplaceText(back.StartRow, back.RowCount, back.Text);
    const TUndoData& entry = rows.UndoObj()->UndoList().back();
    rewrapped += editor.lastChange.NewRowCount;
    undoBytes += static_cast<int64_t>(entry.Text.size());
    if (type)
      back = entry;
    type = !type;
  }
  state.counters["rows_rewrapped"] =
      benchmark::Counter(static_cast<double>(rewrapped), benchmark::Counter::kAvgIterations);
  state.counters["undo_bytes"] = benchmark::Counter(static_cast<double>(undoBytes), benchmark::Counter::kAvgIterations);
}

void BM_KeystrokeUnwrapped(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  LoadedRows loaded(0);
  const int row = static_cast<int>(static_cast<int64_t>(loaded.rows.Count() - 1) * state.range(0) / 2);
  Keystrokes(state, loaded.rows, loaded.editor, row);
}
// 0 the top, 1 the middle, 2 the last row.
BENCHMARK(BM_KeystrokeUnwrapped)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Enter at the start of the middle row and Backspace: the rows below move down and back up.
void BM_EnterAndBackspaceInTheMiddleUnwrapped(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  LoadedRows loaded(0);
  Keystrokes(state, loaded.rows, loaded.editor, loaded.rows.Count() / 2, "\r\n");
}
BENCHMARK(BM_EnterAndBackspaceInTheMiddleUnwrapped)->Unit(benchmark::kMillisecond);

void BM_KeystrokeWrappedAt80(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  LoadedRows loaded(80);
  const int row = static_cast<int>(static_cast<int64_t>(loaded.rows.Count() - 1) * state.range(0) / 2);
  Keystrokes(state, loaded.rows, loaded.editor, row);
}
BENCHMARK(BM_KeystrokeWrappedAt80)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One logical line of 1 MB wrapped at 80 columns, with a keystroke in its middle. In the fixture's
// text (without its line breaks) the rows after the keystroke soon fall back into step with the old
// ones, at half-width and full-width characters that fit differently; in a line of single-byte
// letters every later row moves by one cell and is cut again: the worst case.
void KeystrokeInAWrappedLine(benchmark::State& state, const std::string& line) {
  TEditorScreenStrings rows;
  bench::QuietEditor editor(rows);
  rows.WrapOption()->SetWrapByte(80);
  rows.SetWordWrap(true);
  rows.SetText(line + "\r\n");
  state.counters["rows"] = rows.Count();
  Keystrokes(state, rows, editor, rows.Count() / 2);
}

void BM_KeystrokeIn1MBWrappedLineOfTheFixture(benchmark::State& state) {
  if (!HaveFixture(state))
    return;
  std::string line;
  for (std::size_t i = 0; line.size() < 1024 * 1024; ++i) {
    if (Fixture()[i] != '\r' && Fixture()[i] != '\n')
      line += Fixture()[i];
  }
  while (!line.empty() && IsDBCSLeadIndex(line, static_cast<std::ptrdiff_t>(line.size()) - 1))
    line.pop_back();
  KeystrokeInAWrappedLine(state, line);
}
BENCHMARK(BM_KeystrokeIn1MBWrappedLineOfTheFixture)->Unit(benchmark::kMillisecond);

void BM_KeystrokeIn1MBWrappedLineOfLetters(benchmark::State& state) {
  std::string line;
  while (line.size() < 1024 * 1024)
    line += "abcdefghijklmnopqrstuvwxyz";
  KeystrokeInAWrappedLine(state, line);
}
BENCHMARK(BM_KeystrokeIn1MBWrappedLineOfLetters)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
