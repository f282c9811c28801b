// The editor widget on the X server of the test run: after scripted edits, what the X server shows
// must be what the widget paints afresh (a missed repaint or a pixel move gone wrong leaves stale
// pixels on the screen); and the selection, the caret and "[EOF]" stand where they belong.

#include <gtest/gtest.h>

#include <QPainter>
#include <QWheelEvent>

#include <string>
#include <vector>

#include "editor/EditorCursors.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorStrings.h"
#include "editor/qt/DotLines.h"
#include "editor/qt/EditorLibrary.h"
#include "platform/KeyboardState.h"
#include "platform/qt/QtCursors.h"
#include "tests/editor/EditorWidgetSupport.h"

// Qt's D-Bus helpers and fontconfig keep a few allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}

namespace vrel {
namespace {

using editortest::AnyDark;
using editortest::FirstDifference;
using editortest::ShownEditor;
using editortest::Sjis;

QColor Pixel(const QImage& image, int x, int y) {
  return image.pixelColor(x, y);
}

// Whether any pixel of the rectangle has exactly this colour.
bool AnyPixel(const QImage& image, const QRect& rect, const QColor& color) {
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixelColor(x, y) == color)
        return true;
  return false;
}

std::string JapaneseText() {
  std::string text;
  const char* lines[] = {"吾輩は猫である。名前はまだ無い。",
                         "\tどこで生れたかとんと見当がつかぬ。",
                         "何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。",
                         "",
                         "abc\tdef\tｱｲｳｴｵ",
                         "end of text"};
  for (const char* line : lines) {
    text += Sjis(line);
    text += "\r\n";
  }
  return text;
}

TEST(EditorWidget, ScriptedEditsLeaveOnTheScreenWhatAFreshPaintShows) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Ruler()->SetVisible(true);
  e.Leftbar()->SetVisible(true);
  e.Marks()->EofMark()->SetVisible(true);
  e.Marks()->RetMark()->SetVisible(true);
  e.Marks()->WrapMark()->SetVisible(true);
  e.Marks()->Underline()->SetVisible(true);
  e.SetScrollBars(ssBoth);
  e.Lines()->SetText(JapaneseText());
  e.Rows().SetRowMarks(1, 1 << 3 | 1 << 11);
  e.Rows().SetMarksInUse(1 << 3 | 1 << 11);

  struct Step {
    const char* name;
    std::function<void()> run;
  };
  const std::vector<Step> steps = {
      {"shown", [] {}},
      {"caret moved", [&] { e.KeyDown(vkDown, {}, false); }},
      {"typed", [&] { e.KeyPress(Sjis("猫"), {}); }},
      {"line inserted", [&] { e.InsertText("new line\r\n"); }},
      {"selected by keys",
       [&] {
         e.KeyDown(vkRight, {ssShift}, false);
         e.KeyDown(vkRight, {ssShift}, false);
         e.KeyDown(vkDown, {ssShift}, false);
       }},
      {"selection deleted", [&] { e.DeleteSelection(); }},
      {"undone", [&] { e.Undo(); }},
      {"box selected",
       [&] {
         e.SetSelectionMode(smBox);
         e.KeyDown(vkDown, {ssShift}, false);
         e.KeyDown(vkRight, {ssShift}, false);
         e.KeyDown(vkRight, {ssShift}, false);
       }},
      {"box cancelled",
       [&] {
         e.KeyDown(vkLeft, {}, false);
         e.SetSelectionMode(smNormal);
       }},
      {"scrolled down a row", [&] { e.SetTopRow(1); }},
      {"scrolled to the end", [&] { e.KeyDown(vkEnd, {ssCtrl}, false); }},
      {"scrolled sideways", [&] { e.SetCol(90); }},
      {"scrolled back", [&] { e.KeyDown(vkHome, {ssCtrl}, false); }},
      {"empty box deleted",
       [&] {
         e.SetSelectionMode(smBox);
         e.KeyDown(vkDown, {ssShift}, false);
         e.DeleteSelection();
         e.SetSelectionMode(smNormal);
       }},
      {"many lines added",
       [&] {
         for (int i = 0; i < 120; ++i)
           e.Lines()->Add("line " + std::to_string(i));
       }},
      {"paged up", [&] { e.KeyDown(vkPrior, {}, false); }},
      {"word wrap on", [&] { e.SetWordWrap(true); }},
      {"lines joined",
       [&] {
         e.KeyDown(vkHome, {ssCtrl}, false);
         e.KeyDown(vkDown, {ssShift}, false);
         e.InsertText("");
       }},
  };
  for (const Step& step : steps) {
    step.run();
    const QImage screen = shown.ServerCopy();
    const QImage own = shown.OwnPaint();
    const std::string difference = FirstDifference(screen, own);
    EXPECT_EQ(difference, "") << "after: " << step.name;
    if (!difference.empty()) {
      screen.save(QString("editor-screen-%1.png").arg(step.name));
      own.save(QString("editor-own-%1.png").arg(step.name));
    }
  }
}

TEST(EditorWidget, SelectedCellsHaveTheSelectBackground) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText("abcdef");
  e.SetCol(1);
  e.StartSelection();
  e.SetCol(3);
  e.ExtendSelection();
  const QImage image = shown.ServerCopy();
  const int bottom = shown.Y(0) + e.RowHeight() - 1;
  const QColor navy(0, 0, 128);
  EXPECT_EQ(Pixel(image, shown.X(1) + 1, bottom), navy);
  EXPECT_EQ(Pixel(image, shown.X(2) + e.ColumnWidth() - 1, bottom), navy);
  EXPECT_EQ(Pixel(image, shown.X(0) + 1, bottom), QColor(Qt::white));
  EXPECT_EQ(Pixel(image, shown.X(3) + 3, bottom), QColor(Qt::white));  // right of the caret
}

TEST(EditorWidget, TheCaretsBlinkRepaintsOnlyTheCaret) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText("blink\r\nhere");
  e.SetRow(1);
  e.SetCol(2);
  const QImage before = shown.ServerCopy();
  e.BlinkCaret();
  const QImage after = shown.ServerCopy();
  const EditorRect caret = e.ShownCaretRect();
  ASSERT_FALSE(caret.Empty());
  int changed = 0;
  for (int y = 0; y < before.height(); ++y) {
    for (int x = 0; x < before.width(); ++x) {
      if (before.pixel(x, y) == after.pixel(x, y))
        continue;
      ++changed;
      EXPECT_TRUE(caret.Contains(x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(changed, caret.Width() * caret.Height());
}

TEST(EditorWidget, EofFollowsTheLastRowWithoutLineBreak) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Marks()->EofMark()->SetVisible(true);
  e.Marks()->EofMark()->SetColor(0x0000FF);
  e.Lines()->SetText("abc");
  const QImage image = shown.ServerCopy();
  const int height = e.RowHeight();
  EXPECT_TRUE(AnyPixel(image, QRect(shown.X(3), shown.Y(0), 6 * e.ColumnWidth(), height), Qt::red));
  EXPECT_FALSE(AnyPixel(image, QRect(shown.X(0), shown.Y(0), 3 * e.ColumnWidth(), height), Qt::red));
  EXPECT_FALSE(AnyPixel(image, QRect(shown.X(0), shown.Y(1), 6 * e.ColumnWidth(), height), Qt::red));
}

TEST(EditorWidget, EofStandsAtTheStartOfThePlaceAfterAFinalLineBreak) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Marks()->EofMark()->SetVisible(true);
  e.Marks()->EofMark()->SetColor(0x0000FF);
  e.Lines()->SetText("abc\r\n");
  const QImage image = shown.ServerCopy();
  const int height = e.RowHeight();
  EXPECT_TRUE(AnyPixel(image, QRect(shown.X(0), shown.Y(1), 6 * e.ColumnWidth(), height), Qt::red));
  EXPECT_FALSE(AnyPixel(image, QRect(shown.X(0), shown.Y(0), 10 * e.ColumnWidth(), height), Qt::red));
}

TEST(EditorWidget, AColumnIsTheWidthOfZeroAndADoubleByteCharacterTakesTwo) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.setFont([] {
    QFont font = TEditor::DefaultFont();
    font.setPixelSize(12);
    return font;
  }());
  EXPECT_EQ(e.ColumnWidth(), QFontMetrics(e.font()).horizontalAdvance(QLatin1Char('0')));
  e.Lines()->SetText(Sjis("日本") + "ab");
  e.SetCol(4);
  EXPECT_EQ(e.CaretRect().Left, shown.X(0) + 4 * e.ColumnWidth());
}

TEST(EditorWidget, TheLeftMarginShowsTheRightArrowCursor) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Lines()->SetText("abc");
  QTest::mouseMove(e.viewport(), QPoint(3, shown.Y(0) + 3));
  shown.Settle();
  const QCursor cursor = e.viewport()->cursor();
  EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cursor.hotSpot(), QPoint(20, 0));
}

TEST(EditorWidget, ADottedLineSetsEveryOtherPixelFromTheFirst) {
  editortest::Application();
  QImage image(10, 1, QImage::Format_RGB32);
  image.fill(Qt::green);
  {
    QPainter painter(&image);
    DrawDotLine(painter, 2, 0, Qt::white, Qt::black, 7);
  }
  const std::vector<QColor> expected = {Qt::green, Qt::green, Qt::black, Qt::white, Qt::black,
                                        Qt::white, Qt::black, Qt::white, Qt::green, Qt::green};
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(image.pixelColor(x, 0), expected[static_cast<std::size_t>(x)]) << x;
}

TEST(EditorWidget, ADottedLineIsDrawnOncePerColourPair) {
  editortest::Application();
  TDotLineCollection lines(64);
  const QPixmap& first = lines.GetBitmap(Qt::black, Qt::white);
  lines.GetBitmap(Qt::black, Qt::white);
  lines.GetBitmap(Qt::red, Qt::white);
  EXPECT_EQ(lines.Count(), 2);
  EXPECT_EQ(first.width(), 64);
}

TEST(EditorWidget, ARowIsDrawnToCell1000AndTheHideMarkStandsAfterIt) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  e.Marks()->HideMark()->SetVisible(true);
  e.Marks()->HideMark()->SetColor(0x0000FF);
  e.Lines()->SetText(std::string(1500, 'M') + "\r\n" + std::string(999, 'M') + Sjis("漢") + "MMMM");
  e.SetTopCol(2000);
  ASSERT_GT(e.TopCol() + e.VisibleCols(), 1003);
  const QImage image = shown.ServerCopy();
  const int height = e.FontHeight();
  const int cw = e.ColumnWidth();
  // Row 0: the 1000th M, then nothing but the hide mark.
  EXPECT_TRUE(AnyDark(image, QRect(shown.X(999), shown.Y(0), cw, height)));
  EXPECT_FALSE(AnyDark(image, QRect(shown.X(1000), shown.Y(0), 3 * cw, height)));
  EXPECT_TRUE(AnyPixel(image, QRect(shown.X(1000), shown.Y(0), cw + 2, height), Qt::red));
  // Row 1: 漢 in cells 999 and 1000 is drawn whole, the M after it not; the mark moves one cell.
  EXPECT_TRUE(AnyDark(image, QRect(shown.X(1000), shown.Y(1), cw, height)));
  EXPECT_FALSE(AnyDark(image, QRect(shown.X(1001), shown.Y(1), 3 * cw, height)));
  EXPECT_TRUE(AnyPixel(image, QRect(shown.X(1001), shown.Y(1), cw + 2, height), Qt::red));
}

TEST(EditorWidget, WithWantTabsTabIsTypedAndTheFocusStays) {
  editortest::Application();
  QWidget window;
  auto* editor = new TEditor(&window);
  auto* next = new TEditor(&window);
  editor->setGeometry(0, 0, 200, 100);
  next->setGeometry(0, 110, 200, 100);
  window.show();
  window.activateWindow();
  (void)QTest::qWaitForWindowActive(&window, qttest::kWindowWait);
  editor->setFocus();
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(editor->Lines()->Text(), "\t");
  EXPECT_TRUE(editor->hasFocus());
  editor->SetWantTabs(false);
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_EQ(editor->Lines()->Text(), "\t");
  EXPECT_TRUE(next->hasFocus());
}

void TurnWheel(TEditor& e, int notches) {
  const QPointF at(50, 30);
  QWheelEvent wheel(at, e.viewport()->mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(e.viewport(), &wheel);
}

TEST(EditorWidget, TheWheelScrollsUnlessTheHostTakesIt) {
  ShownEditor shown;
  TEditor& e = *shown.editor;
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "line\r\n";
  e.Lines()->SetText(text);
  e.SetRow(0);
  TurnWheel(e, -1);
  EXPECT_GT(e.TopRow(), 0);
  const int top = e.TopRow();
  e.SetRow(top + 5);
  e.OnMouseWheel = [&e](int notches) {
    e.SetRow(e.Row() - notches);
    return true;
  };
  TurnWheel(e, -1);
  EXPECT_EQ(e.TopRow(), top);
  EXPECT_EQ(e.Row(), top + 6);
}

}  // namespace
}  // namespace vrel
