// The editor control on screen against Qt's QPlainTextEdit, in one run under an X server
// (xvfb-run): a window of 1280 x 800 with IPAGothic at 12 pixels showing the 10 MB manual-page
// fixture, wrapped at the window's width; for the control the ruler and the line numbers are on.
// Each does, synchronously: a full repaint, the caret blink's repaint, and scrolling one page
// (the scroll and the repaint of what it uncovers, flushed to the X server).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <memory>

#include "bench/EditorBenchSupport.h"
#include "editor/qt/ZEditor.h"
#include "platform/Cp932.h"
#include "platform/KeyboardState.h"

namespace vrel {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

bool EnsureApplication() {
  static int argc = 1;
  static char name[] = "vrel_gl_bench";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance())
    new QApplication(argc, argv);
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

QFont BenchFont() {
  QFont font = TEditor::DefaultFont();
  font.setPixelSize(12);
  return font;
}

void Settle() {
  for (int i = 0; i < 3; ++i)
    QApplication::processEvents();
}

// One control for all the benchmarks, loaded once.
TEditor* Control() {
  static TEditor* editor = [] {
    auto* e = new TEditor;
    e->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    e->setFont(BenchFont());
    e->SetCaretBlinking(false);
    e->Ruler()->SetVisible(true);
    e->Leftbar()->SetVisible(true);
    e->SetScrollBars(ssVertical);
    e->resize(kWidth, kHeight);
    e->show();
    e->activateWindow();
    e->setFocus();
    Settle();
    e->WrapOption()->SetWrapByte(e->VisibleCols());
    e->SetWordWrap(true);
    e->Lines()->LoadFromFile(VREL_MANPAGES_FIXTURE);
    // Somewhere in the middle, the caret on a row of text.
    e->SetRow(e->Rows().Count() / 2);
    e->SetCol(4);
    Settle();
    return e;
  }();
  return editor;
}

QPlainTextEdit* PlainTextEdit() {
  static QPlainTextEdit* edit = [] {
    auto* e = new QPlainTextEdit;
    e->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    e->setFont(BenchFont());
    e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    e->setCursorWidth(2);
    e->resize(kWidth, kHeight);
    e->show();
    e->setPlainText(Cp932ToQString(bench::ManpagesFixture()));
    e->verticalScrollBar()->setValue(e->verticalScrollBar()->maximum() / 2);
    QTextCursor cursor = e->cursorForPosition(QPoint(40, 40));
    e->setTextCursor(cursor);
    e->setFocus();
    Settle();
    return e;
  }();
  return edit;
}

bool Ready(benchmark::State& state) {
  if (!bench::HaveManpagesFixture(state))
    return false;
  if (!EnsureApplication()) {
    state.SkipWithError("another benchmark made a non-widget application first");
    return false;
  }
  return true;
}

void BM_EditorControlFullRepaint(benchmark::State& state) {
  if (!Ready(state))
    return;
  TEditor* e = Control();
  for (auto _ : state)
    e->viewport()->repaint();
  state.counters["rows"] = e->Rows().Count();
}
BENCHMARK(BM_EditorControlFullRepaint)->Unit(benchmark::kMillisecond);

void BM_QPlainTextEditFullRepaint(benchmark::State& state) {
  if (!Ready(state))
    return;
  QPlainTextEdit* e = PlainTextEdit();
  for (auto _ : state)
    e->viewport()->repaint();
  state.counters["blocks"] = e->blockCount();
}
BENCHMARK(BM_QPlainTextEditFullRepaint)->Unit(benchmark::kMillisecond);

void BM_EditorControlCaretBlink(benchmark::State& state) {
  if (!Ready(state))
    return;
  TEditor* e = Control();
  for (auto _ : state) {
    e->BlinkCaret();
    const EditorRect caret = e->ShownCaretRect();
    e->viewport()->repaint(QRect(caret.Left, caret.Top, caret.Width(), caret.Height()));
  }
}
BENCHMARK(BM_EditorControlCaretBlink)->Unit(benchmark::kMicrosecond);

void BM_QPlainTextEditCaretBlink(benchmark::State& state) {
  if (!Ready(state))
    return;
  QPlainTextEdit* e = PlainTextEdit();
  for (auto _ : state)
    e->viewport()->repaint(e->cursorRect());
}
BENCHMARK(BM_QPlainTextEditCaretBlink)->Unit(benchmark::kMicrosecond);

// Page Down until the text's last screen, then Page Up back to the top, one page per iteration.
void BM_EditorControlScrollPage(benchmark::State& state) {
  if (!Ready(state))
    return;
  TEditor* e = Control();
  int direction = vkNext;
  for (auto _ : state) {
    const int top = e->TopRow();
    e->KeyDown(direction, {}, false);
    QApplication::processEvents();
    if (e->TopRow() == top || e->TopRow() + e->VisibleRows() >= e->Rows().Count())
      direction = direction == vkNext ? vkPrior : vkNext;
  }
}
BENCHMARK(BM_EditorControlScrollPage)->Unit(benchmark::kMillisecond);

void BM_QPlainTextEditScrollPage(benchmark::State& state) {
  if (!Ready(state))
    return;
  QPlainTextEdit* e = PlainTextEdit();
  QScrollBar* bar = e->verticalScrollBar();
  auto action = QAbstractSlider::SliderPageStepAdd;
  for (auto _ : state) {
    const int before = bar->value();
    bar->triggerAction(action);
    QApplication::processEvents();
    if (bar->value() == before || bar->value() == bar->maximum())
      action = action == QAbstractSlider::SliderPageStepAdd ? QAbstractSlider::SliderPageStepSub
                                                            : QAbstractSlider::SliderPageStepAdd;
  }
}
BENCHMARK(BM_QPlainTextEditScrollPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel
