#pragma once

// Paints the editor from its core's state: the corner block, the ruler with the caret column's
// mark, the image bar with mark images, the line numbers, the rows coloured token by token, the
// selection and hit colours, the line-end and "[EOF]" marks, the caret-row underline and, last and
// inverted, the caret. Each character is drawn at its cell (a column is the width of "0", a
// double-byte character takes two), from one font without fallback, so the grid never drifts; a
// glyph wider than its cells is clipped to them.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <QTextCharFormat>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vrel {

class EditorCore;
class TEditorImageList;

// Text an input method is composing: drawn at the caret over the rows, underlined, until the method
// commits it (then it is typed) or drops it. It is never text of the editor.
struct TPreeditText {
  struct Format {
    int Start = 0;  // UTF-16 units
    int Length = 0;
    QTextCharFormat CharFormat;
  };
  QString Text;
  int Cursor = 0;  // UTF-16 index of the method's cursor in Text
  bool CursorVisible = true;
  std::vector<Format> Formats;
  bool Empty() const { return Text.isEmpty(); }
};

class TEditorPainter {
 public:
  explicit TEditorPainter(EditorCore& editor);

  // The font the rows are drawn in (its bold and italic forms too).
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }

  // Paints what lies in `clip` (client pixels); the caret only when `caretOn` (its blink phase).
  void Paint(QPainter& painter, const QRect& clip, bool caretOn);

  // The composition to draw at the caret (null or empty: none), and where it is drawn, in client
  // pixels (empty when there is none).
  void SetPreedit(const TPreeditText* preedit) { preedit_ = preedit; }
  QRect PreeditRect() const;
  // The cells each character of a composition takes (2 for a double-byte one), per UTF-16 unit:
  // the second unit of a surrogate pair takes 0.
  static std::vector<int> PreeditCells(const QString& text);

  // 0x00BBGGRR as Qt's colour.
  static QColor ToQColor(int32_t color);

 private:
  struct Glyph {
    quint32 index = 0;
    float advance = 0.0f;
    bool known = false;
  };
  // A stretch of a row's cells drawn in one style.
  struct Run {
    int from = 0;
    int to = 0;
    QColor background;
    QColor text;
    int style = 0;
  };

  void PaintCorner(QPainter& painter);
  void PaintRuler(QPainter& painter, const QRect& clip);
  void PaintRulerDigits(QPainter& painter, int x, int number, const QColor& color, const QColor& background);
  void PaintImagebar(QPainter& painter, int row, int top);
  void PaintLeftbar(QPainter& painter, int row, int top);
  void PaintRow(QPainter& painter, int row, int top, const QRect& clip);
  void PaintPiece(QPainter& painter, int top, const std::string& text, const std::vector<Run>& runs, int from, int to,
                  bool selected, bool hit, const QRect& clip);
  // The cells from .. to - 1 of a text (one byte per cell) whose cell 0 is at originX.
  void PaintText(QPainter& painter, const std::string& text, int originX, int from, int to, int top, const Run& run,
                 const QRect& pieceRect);
  void PaintRowEndMark(QPainter& painter, int row, int top, int textCells, int attribute, bool selected, bool hit);
  void PaintEofMark(QPainter& painter, int x, int y);
  void PaintPreedit(QPainter& painter, bool caretOn);
  std::vector<Run> Tokens(int row, const std::string& text, int drawEnd);
  const QPixmap& ImagePixmap(const TEditorImageList& list, int index);
  Glyph GlyphFor(int style, char16_t c);

  QColor EditorColor() const;
  QColor FontColor() const;
  // A token colour where clNone means the editor's own.
  QColor Background(int32_t color) const;
  QColor Foreground(int32_t color) const;

  EditorCore& editor_;
  const TPreeditText* preedit_ = nullptr;
  QFont font_;
  // Plain, bold, italic, bold italic.
  std::array<QRawFont, 4> raw_;
  std::array<std::vector<Glyph>, 4> glyphs_;
  std::map<std::pair<const TEditorImageList*, int>, std::pair<uint32_t, QPixmap>> images_;
};

}  // namespace vrel
