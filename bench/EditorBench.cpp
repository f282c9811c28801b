// The text editor's tokeniser and search over 10 MB of Japanese manual pages in CP932 (made at build
// time from Debian's manpages-ja). Goals: tokenising every row with the editor's default scheme at
// least 50 MB/s; searching forward from the top, without options, for a word the text does not hold
// in at most 50 ms. A plain memchr and memmem pass over the same bytes is the baseline.

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "editor/EditorFountain.h"
#include "editor/RowStates.h"
#include "editor/ZTSearch.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {
namespace {

const std::string& Fixture() {
  static const std::string text = [] {
    std::ifstream file(VREL_MANPAGES_FIXTURE, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }();
  return text;
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
  if (Fixture().size() < 1024 * 1024) {
    state.SkipWithError("the manual-page fixture is missing (bench/make_manpages_fixture.py)");
    return false;
  }
  return true;
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

}  // namespace
}  // namespace vrel
