// A window for the editor's core: a fixed client area and font, input state the test sets, and a
// record of what the core asked of it (repaints, pixel moves, scroll bars, cursors). Its clipboard
// keeps blocks in memory.
#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "editor/EditorCore.h"
#include "editor/EditorWindow.h"
#include "platform/Cp932.h"

namespace vrel {

// CP932 bytes of UTF-8 text, as the editor holds them.
inline std::string Sjis(const char* utf8) {
  return Utf8ToCp932(utf8);
}

class MemoryBlockClipboard : public EditorClipboard {
 public:
  bool HasFormat(std::string_view mimeType) const override { return blocks.count(std::string(mimeType)) != 0; }
  std::optional<std::string> Data(std::string_view mimeType) const override {
    const auto it = blocks.find(std::string(mimeType));
    if (it == blocks.end())
      return std::nullopt;
    return it->second;
  }
  void SetBlocks(const std::vector<Block>& list) override {
    blocks.clear();
    for (const auto& [type, bytes] : list)
      blocks[type] = bytes;
    ++writes;
  }

  std::map<std::string, std::string> blocks;
  int writes = 0;
};

struct ScrollRecord {
  int dx = 0;
  int dy = 0;
  EditorRect area;
};

struct BarRecord {
  int maximum = 0;
  int page = 0;
  int position = 0;
};

class FakeWindow : public EditorWindow {
 public:
  int ClientWidth() const override { return width; }
  int ClientHeight() const override { return height; }
  int VerticalScrollBarWidth() const override { return verticalBar ? 16 : 0; }
  int HorizontalScrollBarHeight() const override { return horizontalBar ? 16 : 0; }
  int ScreenWidth() const override { return 1920; }
  int ScreenHeight() const override { return 1080; }
  EditorFontMetrics FontMetrics() const override { return font; }
  bool Focused() const override { return focused; }
  bool LeftButtonDown() const override { return leftDown; }
  bool CtrlDown() const override { return ctrl; }
  bool EscapeDown() const override { return escape; }
  void Invalidate(const EditorRect& rect) override { invalidated.push_back(rect); }
  void ScrollPixels(int dx, int dy, const EditorRect& area) override { scrolls.push_back({dx, dy, area}); }
  void SetRedraw(bool value) override { redraw = value; }
  void SetScrollBar(EditorScrollBar bar, int maximum, int page, int position) override {
    (bar == EditorScrollBar::Vertical ? vertical : horizontal) = {maximum, page, position};
  }
  void ShowScrollBars(bool v, bool h) override {
    verticalBar = v;
    horizontalBar = h;
  }
  void SetBorder(bool single) override { border = single; }
  void SetControlCursor(int id) override { cursor = id; }
  void SetDragCursor(int id) override { dragCursor = id; }
  void CaretChanged() override {}
  void SetImePosition(int, int) override {}
  EditorClipboard& Clipboard() override { return clipboard; }

  void ClearRecords() {
    invalidated.clear();
    scrolls.clear();
  }
  // Whether the union of the repaints covers the pixel.
  bool Repaints(int x, int y) const {
    return std::any_of(invalidated.begin(), invalidated.end(),
                       [x, y](const EditorRect& r) { return r.Contains(x, y); });
  }

  int width = 400;
  int height = 300;
  bool verticalBar = false;
  bool horizontalBar = false;
  EditorFontMetrics font{16, 0, 13, 8, false};
  bool focused = true;
  bool leftDown = false;
  bool ctrl = false;
  bool escape = false;

  std::vector<EditorRect> invalidated;
  std::vector<ScrollRecord> scrolls;
  BarRecord vertical;
  BarRecord horizontal;
  bool redraw = true;
  bool border = false;
  int cursor = 0;
  int dragCursor = 0;
  MemoryBlockClipboard clipboard;
};

// A core in a focused fake window. With the default margins the text starts at x 19 + 12 (image
// bar) = 31 and y 2; a column is 8 pixels, a row 16.
struct EditorInWindow {
  EditorCore editor;
  FakeWindow window;

  explicit EditorInWindow(const std::string& text = {}) {
    editor.SetWindow(&window);
    editor.Lines()->SetText(text);
    editor.FocusGained();
    editor.SetRow(0);
    editor.SetCol(0);
    window.ClearRecords();
  }
  ~EditorInWindow() { editor.SetWindow(nullptr); }

  // The client point in the middle of a cell.
  int X(int col) const {
    return editor.TextLeft() + (col - editor.TopCol()) * editor.ColumnWidth() + editor.ColumnWidth() / 2;
  }
  int Y(int row) const {
    return editor.TextTop() + (row - editor.TopRow()) * editor.RowHeight() + editor.RowHeight() / 2;
  }
  // The client point on the left edge of a cell (where a rounded click lands on that column).
  int EdgeX(int col) const { return editor.TextLeft() + (col - editor.TopCol()) * editor.ColumnWidth(); }

  void Press(int x, int y, TShiftState shift = {}) {
    window.leftDown = true;
    editor.MouseDown(x, y, shift);
  }
  void Drag(int x, int y, TShiftState shift = {}) {
    shift.Include(ssLeft);
    editor.MouseMove(x, y, shift);
  }
  void Release(int x, int y, TShiftState shift = {}) {
    window.leftDown = false;
    editor.MouseUp(x, y, shift);
  }
};

}  // namespace vrel
