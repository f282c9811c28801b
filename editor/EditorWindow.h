#pragma once

// What the editor's core needs from the window that shows it, and the clipboard as the editor uses
// it. The core keeps every piece of state (caret, scroll position, selection, what to paint) and
// asks the window only to move and repaint pixels, to show scroll bars and cursors, and for the
// input state it cannot see; the Qt control implements this, tests use a recording stand-in.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrel {

// A rectangle of client pixels; Right and Bottom are exclusive.
struct EditorRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  EditorRect Intersected(const EditorRect& other) const;
  bool operator==(const EditorRect&) const = default;
};

// The metrics of the editor's font, in pixels.
struct EditorFontMetrics {
  int Height = 16;          // ascent + descent
  int ExternalLeading = 0;  // extra space the font asks for between rows
  int Ascent = 13;          // baseline from the row's top
  int AverageWidth = 8;     // a column: the advance of "0"
  bool Italic = false;
};

// The clipboard, holding byte blocks under MIME types. One write replaces what the clipboard offered
// with all the blocks given.
class EditorClipboard {
 public:
  using Block = std::pair<std::string, std::string>;  // MIME type, bytes

  virtual ~EditorClipboard() = default;
  virtual bool HasFormat(std::string_view mimeType) const = 0;
  // Nothing when the clipboard offers no such block or its owner cannot hand it over.
  virtual std::optional<std::string> Data(std::string_view mimeType) const = 0;
  virtual void SetBlocks(const std::vector<Block>& blocks) = 0;
};

enum class EditorScrollBar { Vertical, Horizontal };

class EditorWindow {
 public:
  virtual ~EditorWindow() = default;

  // The client area: the inside of the border, the scroll bars included, and the scroll bars'
  // thickness (0 while a bar is not shown).
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual int VerticalScrollBarWidth() const = 0;
  virtual int HorizontalScrollBarHeight() const = 0;
  // The screen the window is on.
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  virtual EditorFontMetrics FontMetrics() const = 0;

  virtual bool Focused() const = 0;
  virtual bool LeftButtonDown() const = 0;
  virtual bool CtrlDown() const = 0;
  virtual bool EscapeDown() const = 0;

  // These pixels are to be painted again (soon, from the core's state).
  virtual void Invalidate(const EditorRect& rect) = 0;
  // Moves the pixels inside `area` by (dx, dy); what the move uncovers is painted again.
  virtual void ScrollPixels(int dx, int dy, const EditorRect& area) = 0;
  // Repainting off while a batch of changes runs; on again repaints everything.
  virtual void SetRedraw(bool redraw) = 0;

  // The bar's position runs from 0 to `maximum`; `page` is what one page step moves.
  virtual void SetScrollBar(EditorScrollBar bar, int maximum, int page, int position) = 0;
  virtual void ShowScrollBars(bool vertical, bool horizontal) = 0;
  // A single-line border round the client area, or none.
  virtual void SetBorder(bool single) = 0;

  // The cursor shown over the control, and the one shown everywhere while a selection is dragged
  // (0 ends that).
  virtual void SetControlCursor(int cursorId) = 0;
  virtual void SetDragCursor(int cursorId) = 0;

  // The caret's shape or place changed, or it was shown: a blinking caret starts its phase anew.
  virtual void CaretChanged() = 0;
  // Where an input method puts its composition window.
  virtual void SetImePosition(int x, int y) = 0;

  virtual EditorClipboard& Clipboard() = 0;
};

}  // namespace vrel
