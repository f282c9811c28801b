// What the editor widget's tests share: one QApplication on the X server of the test run (xvfb-run),
// an editor shown as a top-level window, and the two pictures of it that must agree: what the X
// server shows (a grab of the window) and what the widget paints afresh.
#pragma once

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <memory>
#include <string>

#include "editor/qt/ZEditor.h"
#include "platform/Cp932.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel::editortest {

inline QApplication* Application() {
  static int argc = 1;
  static char name[] = "editor_widget_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance())
    new QApplication(argc, argv);  // one for the process, kept to its end
  return qobject_cast<QApplication*>(QCoreApplication::instance());
}

inline std::string Sjis(const char* utf8) {
  return Utf8ToCp932(utf8);
}

// An editor in a window of its own at the screen's top-left corner, its caret steady.
struct ShownEditor {
  std::unique_ptr<TEditor> editor;

  explicit ShownEditor(int width = 480, int height = 320) {
    Application();
    editor = std::make_unique<TEditor>();
    editor->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    editor->SetCaretBlinking(false);
    editor->resize(width, height);
    editor->move(0, 0);
    editor->show();
    editor->activateWindow();
    editor->setFocus();
    (void)QTest::qWaitForWindowExposed(editor.get(), qttest::kWindowWait);
    (void)QTest::qWaitForWindowActive(editor.get(), qttest::kWindowWait);
    Settle();
  }

  // Lets Qt paint and flush what it has queued and the X server take it.
  void Settle() const {
    for (int i = 0; i < 4; ++i)
      QGuiApplication::sync();
  }

  // What the X server shows of the editor's text area.
  QImage ServerCopy() const {
    Settle();
    QWidget* view = editor->viewport();
    const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
    return view->screen()
        ->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }
  // The text area painted afresh.
  QImage OwnPaint() const { return editor->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  // The client pixel at the left edge of a cell's column and the top of its row.
  int X(int col) const { return editor->TextLeft() + (col - editor->TopCol()) * editor->ColumnWidth(); }
  int Y(int row) const { return editor->RowTop(row); }
};

// Whether any pixel of the rectangle is dark (a glyph's ink, anti-aliased or not), and whether all
// are.
inline bool AnyDark(const QImage& image, const QRect& rect) {
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixelColor(x, y).lightness() < 100)
        return true;
  return false;
}

inline bool AllDark(const QImage& image, const QRect& rect) {
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixelColor(x, y).lightness() >= 100)
        return false;
  return true;
}

// The first pixel where two pictures differ, as "x,y", or empty.
inline std::string FirstDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size())
    return "sizes differ";
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y))
        return std::to_string(x) + "," + std::to_string(y);
  return {};
}

}  // namespace vrel::editortest
