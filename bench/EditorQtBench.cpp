// The editor's display rows loading the 10 MB manual-page fixture, against Qt's own plain-text
// editor taking the same text, in one run: QPlainTextEdit's setPlainText until its first screen is
// painted, without line wrap and wrapped at the width of 80 columns. Qt gets the text already in
// UTF-16 in memory; the rows read the CP932 file. Runs under an X server (xvfb-run).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <string>

#include "bench/EditorBenchSupport.h"
#include "platform/Cp932.h"

namespace vrel {
namespace {

// Made first in the process (these benchmarks register before the GL ones), so that the GL
// benchmarks share it.
QApplication* Application() {
  static int argc = 1;
  static char name[] = "vrel_gl_bench";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance())
    new QApplication(argc, argv);
  return qobject_cast<QApplication*>(QCoreApplication::instance());
}

void PlainTextEditLoad(benchmark::State& state, bool wrap) {
  if (!bench::HaveManpagesFixture(state))
    return;
  if (!Application()) {
    state.SkipWithError("another benchmark made a non-widget application first");
    return;
  }
  static const QString text = Cp932ToQString(bench::ManpagesFixture());
  const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const int column = QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
  int blocks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto* edit = new QPlainTextEdit;
    edit->setFont(font);
    edit->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    edit->resize(80 * column + 2 * static_cast<int>(edit->document()->documentMargin()) + 2 * edit->frameWidth() +
                     edit->verticalScrollBar()->sizeHint().width(),
                 600);
    edit->show();
    QApplication::processEvents();
    state.ResumeTiming();
    edit->setPlainText(text);
    benchmark::DoNotOptimize(edit->viewport()->grab());
    state.PauseTiming();
    blocks = edit->blockCount();
    delete edit;
    QApplication::processEvents();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::ManpagesFixture().size()));
  state.counters["blocks"] = blocks;
}

void BM_QPlainTextEditLoadUnwrapped(benchmark::State& state) {
  PlainTextEditLoad(state, false);
}
BENCHMARK(BM_QPlainTextEditLoadUnwrapped)->Unit(benchmark::kMillisecond);

void BM_QPlainTextEditLoadWrappedAt80(benchmark::State& state) {
  PlainTextEditLoad(state, true);
}
BENCHMARK(BM_QPlainTextEditLoadWrappedAt80)->Unit(benchmark::kMillisecond);

void BM_EditorRowsLoadUnwrapped(benchmark::State& state) {
  bench::LoadManpagesRows(state, 0);
}
BENCHMARK(BM_EditorRowsLoadUnwrapped)->Unit(benchmark::kMillisecond);

void BM_EditorRowsLoadWrappedAt80(benchmark::State& state) {
  bench::LoadManpagesRows(state, 80);
}
BENCHMARK(BM_EditorRowsLoadWrappedAt80)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
