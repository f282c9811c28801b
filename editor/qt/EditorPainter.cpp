#include "editor/qt/EditorPainter.h"

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QPointF>

#include <algorithm>
#include <climits>
#include <memory>

#include "editor/EditorCells.h"
#include "editor/EditorCore.h"
#include "editor/EditorFountain.h"
#include "editor/EditorImages.h"
#include "editor/EditorScreenStrings.h"
#include "editor/RowStates.h"
#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {

namespace {

// The ruler's 5 x 9 digits ("1" is 3 pixels wide), '#' set.
constexpr const char* kRulerDigits[10][9] = {
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {".#.", "##.", ".#.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"},
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#....", "#....", "#####"},
    {".###.", "#...#", "....#", "....#", "..##.", "....#", "....#", "#...#", ".###."},
    {"...#.", "..##.", ".#.#.", "#..#.", "#..#.", "#####", "...#.", "...#.", "...#."},
    {"#####", "#....", "#....", "####.", "....#", "....#", "....#", "#...#", ".###."},
    {".###.", "#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"#####", "....#", "...#.", "...#.", "..#..", "..#..", ".#...", ".#...", ".#..."},
    {".###.", "#...#", "#...#", "#...#", ".###.", "#...#", "#...#", "#...#", ".###."},
    {".###.", "#...#", "#...#", "#...#", ".####", "....#", "....#", "....#", ".###."},
};

const QColor kEdgeGrey(128, 128, 128);
const QColor kEdgeWhite(255, 255, 255);

int StyleIndex(int style) {
  return ((style & FontStyleBit(fsBold)) ? 1 : 0) | ((style & FontStyleBit(fsItalic)) ? 2 : 0);
}

}  // namespace

TEditorPainter::TEditorPainter(EditorCore& editor) : editor_(editor) {}

QColor TEditorPainter::ToQColor(int32_t color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QColor TEditorPainter::EditorColor() const {
  return ToQColor(editor_.Color());
}

QColor TEditorPainter::FontColor() const {
  return ToQColor(editor_.FontColor());
}

QColor TEditorPainter::Background(int32_t color) const {
  return color == clNone ? EditorColor() : ToQColor(color);
}

QColor TEditorPainter::Foreground(int32_t color) const {
  return color == clNone ? FontColor() : ToQColor(color);
}

void TEditorPainter::SetFont(const QFont& font) {
  font_ = font;
  for (int i = 0; i < 4; ++i) {
    QFont f = font;
    f.setBold((i & 1) != 0);
    f.setItalic((i & 2) != 0);
    raw_[static_cast<std::size_t>(i)] = QRawFont::fromFont(f);
    glyphs_[static_cast<std::size_t>(i)].assign(0x10000, Glyph{});
  }
}

TEditorPainter::Glyph TEditorPainter::GlyphFor(int style, char16_t c) {
  const auto s = static_cast<std::size_t>(StyleIndex(style));
  Glyph& glyph = glyphs_[s][c];
  if (!glyph.known) {
    glyph.known = true;
    const QRawFont& raw = raw_[s];
    const QList<quint32> indexes = raw.glyphIndexesForString(QString(QChar(c)));
    if (!indexes.isEmpty()) {
      glyph.index = indexes.front();
      const QList<QPointF> advances = raw.advancesForGlyphIndexes(indexes);
      glyph.advance = advances.isEmpty() ? 0.0f : static_cast<float>(advances.front().x());
    }
  }
  return glyph;
}

const QPixmap& TEditorPainter::ImagePixmap(const TEditorImageList& list, int index) {
  auto& entry = images_[{&list, index}];
  if (entry.first != list.Serial() + 1 || entry.second.isNull()) {
    QImage image(list.Width(), list.Height(), QImage::Format_ARGB32);
    const std::vector<int32_t>& pixels = list.Image(index);
    for (int y = 0; y < list.Height(); ++y) {
      for (int x = 0; x < list.Width(); ++x) {
        const int32_t p = pixels[static_cast<std::size_t>(y * list.Width() + x)];
        image.setPixelColor(x, y, p == list.TransparentColor() ? QColor(0, 0, 0, 0) : ToQColor(p));
      }
    }
    entry = {list.Serial() + 1, QPixmap::fromImage(image)};
  }
  return entry.second;
}

// ---------------------------------------------------------------------------------------------

void TEditorPainter::Paint(QPainter& painter, const QRect& clip, bool caretOn) {
  EditorCore& e = editor_;
  const int right = e.ClientRight();
  const int bottom = e.ClientBottom();
  const int textLeft = e.TextLeft();
  const int textTop = e.TextTop();
  if (clip.intersects(QRect(0, 0, textLeft, textTop)))
    PaintCorner(painter);
  if (clip.intersects(QRect(textLeft, 0, right - textLeft, textTop)))
    PaintRuler(painter, clip);
  const int firstRow = e.RowAt(std::max(clip.top(), textTop));
  const int lastRow = e.RowAt(std::min(clip.bottom(), bottom - 1));
  const int barsRight = textLeft;
  for (int row = firstRow; row <= lastRow; ++row) {
    const int top = e.RowTop(row);
    if (top >= bottom)
      break;
    if (clip.left() < barsRight) {
      if (e.Imagebar()->Visible() && e.ImagebarWidth() > 0)
        PaintImagebar(painter, row, top);
      if (e.Leftbar()->Visible() && e.LeftbarWidth() > 0)
        PaintLeftbar(painter, row, top);
      const int marginLeft =
          (e.Imagebar()->Visible() ? e.ImagebarWidth() : 0) + (e.Leftbar()->Visible() ? e.LeftbarWidth() : 0);
      painter.fillRect(QRect(marginLeft, top, textLeft - marginLeft, e.RowHeight()), EditorColor());
    }
    if (clip.right() >= textLeft)
      PaintRow(painter, row, top, clip);
  }
  if (preedit_ && !preedit_->Empty() && PreeditRect().intersects(clip))
    PaintPreedit(painter, caretOn);
  const QRect caret(e.ShownCaretRect().Left, e.ShownCaretRect().Top, e.ShownCaretRect().Width(),
                    e.ShownCaretRect().Height());
  if (caretOn && caret.isValid() && caret.intersects(clip)) {
    // The caret goes on last, inverting what it covers.
    painter.save();
    painter.setClipRect(QRect(textLeft, textTop, right - textLeft, bottom - textTop), Qt::IntersectClip);
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(caret, Qt::white);
    painter.restore();
  }
}

std::vector<int> TEditorPainter::PreeditCells(const QString& text) {
  std::vector<int> cells(static_cast<std::size_t>(text.size()), 0);
  for (qsizetype i = 0; i < text.size();) {
    const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    const qsizetype units = pair ? 2 : 1;
    const std::string bytes = QStringToCp932(text.mid(i, units));
    // A character CP932 lacks (it cannot be committed as it stands) is shown as a wide one.
    const bool held = bytes != "?" || text.at(i) == QLatin1Char('?');
    cells[static_cast<std::size_t>(i)] = held ? static_cast<int>(bytes.size()) : 2;
    i += units;
  }
  return cells;
}

QRect TEditorPainter::PreeditRect() const {
  if (!preedit_ || preedit_->Empty())
    return {};
  const EditorCore& e = editor_;
  int cells = 0;
  for (int width : PreeditCells(preedit_->Text))
    cells += width;
  // One pixel column more for the method's cursor after the last character.
  return QRect(e.ColumnLeft(e.Col()), e.RowTop(e.Row()), cells * e.ColumnWidth() + 2, e.RowHeight());
}

void TEditorPainter::PaintPreedit(QPainter& painter, bool caretOn) {
  EditorCore& e = editor_;
  const TPreeditText& preedit = *preedit_;
  const QRect area = PreeditRect();
  const int cw = e.ColumnWidth();
  const int top = area.top();
  const int baseline = top + e.Ascent();
  const std::vector<int> cells = PreeditCells(preedit.Text);
  painter.save();
  painter.setClipRect(QRect(e.TextLeft(), e.TextTop(), e.ClientRight() - e.TextLeft(), e.ClientBottom() - e.TextTop()),
                      Qt::IntersectClip);
  painter.fillRect(area, EditorColor());
  int cell = 0;
  int cursorX = area.left();
  for (qsizetype i = 0; i < preedit.Text.size(); ++i) {
    if (i == preedit.Cursor)
      cursorX = area.left() + cell * cw;
    const int width = cells[static_cast<std::size_t>(i)];
    if (width == 0)
      continue;
    const QRect box(area.left() + cell * cw, top, width * cw, e.FontHeight());
    QColor background = EditorColor();
    QColor text = FontColor();
    for (const TPreeditText::Format& format : preedit.Formats) {
      if (i < format.Start || i >= format.Start + format.Length)
        continue;
      if (format.CharFormat.background().style() != Qt::NoBrush)
        background = format.CharFormat.background().color();
      if (format.CharFormat.foreground().style() != Qt::NoBrush)
        text = format.CharFormat.foreground().color();
    }
    painter.fillRect(box, background);
    const QChar c = preedit.Text.at(i);
    if (!c.isSurrogate() && c.unicode() > u' ') {
      const Glyph glyph = GlyphFor(0, c.unicode());
      QGlyphRun run;
      run.setRawFont(raw_[0]);
      run.setGlyphIndexes({glyph.index});
      run.setPositions({QPointF(box.left(), baseline)});
      painter.save();
      painter.setClipRect(box, Qt::IntersectClip);
      painter.setPen(text);
      painter.drawGlyphRun(QPointF(0, 0), run);
      painter.restore();
    } else if (c.isHighSurrogate()) {
      painter.setPen(text);
      painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, preedit.Text.mid(i, 2));
    }
    // Composed text is underlined from end to end.
    painter.fillRect(QRect(box.left(), top + e.FontHeight() - 1, box.width(), 1), text);
    cell += width;
  }
  if (preedit.Cursor >= preedit.Text.size())
    cursorX = area.left() + cell * cw;
  if (preedit.CursorVisible && caretOn) {
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(QRect(cursorX, top, 2, e.FontHeight()), Qt::white);
  }
  painter.restore();
}

void TEditorPainter::PaintCorner(QPainter& painter) {
  EditorCore& e = editor_;
  const int textLeft = e.TextLeft();
  const int textTop = e.TextTop();
  painter.fillRect(QRect(0, 0, textLeft, textTop), EditorColor());
  const int rulerHeight = e.Ruler()->Visible() ? e.RulerHeight() : 0;
  if (rulerHeight > 0) {
    painter.fillRect(QRect(0, 0, textLeft, rulerHeight), Background(e.Ruler()->BkColor()));
    if (e.Ruler()->Edge()) {
      painter.fillRect(QRect(0, rulerHeight - 2, textLeft, 1), kEdgeGrey);
      painter.fillRect(QRect(0, rulerHeight - 1, textLeft, 1), kEdgeWhite);
    } else {
      painter.fillRect(QRect(0, rulerHeight - 1, textLeft, 1), Foreground(e.Ruler()->Color()));
    }
  }
  if (e.Leftbar()->Visible() && e.LeftbarWidth() > 0) {
    const int left = e.Imagebar()->Visible() ? e.ImagebarWidth() : 0;
    const QRect bar(left, rulerHeight, e.LeftbarWidth(), textTop - rulerHeight);
    painter.fillRect(bar, Background(e.Leftbar()->BkColor()));
    const bool edge = e.Leftbar()->Edge();
    painter.fillRect(QRect(bar.right() - 1, bar.top(), 1, bar.height()),
                     edge ? kEdgeGrey : Foreground(e.Leftbar()->Color()));
    painter.fillRect(QRect(bar.right(), bar.top(), 1, bar.height()),
                     edge ? kEdgeWhite : Background(e.Leftbar()->BkColor()));
  }
}

void TEditorPainter::PaintRulerDigits(QPainter& painter, int x, int number, const QColor& color,
                                      const QColor& background) {
  const std::string digits = std::to_string(number);
  for (char d : digits) {
    const auto& shape = kRulerDigits[d - '0'];
    const int width = static_cast<int>(std::char_traits<char>::length(shape[0]));
    painter.fillRect(QRect(x, 0, width, 9), background);
    for (int y = 0; y < 9; ++y)
      for (int c = 0; c < width; ++c)
        if (shape[y][c] == '#')
          painter.fillRect(QRect(x + c, y, 1, 1), color);
    x += width + 1;
  }
}

void TEditorPainter::PaintRuler(QPainter& painter, const QRect& clip) {
  EditorCore& e = editor_;
  const int textLeft = e.TextLeft();
  const int right = e.ClientRight();
  const int textTop = e.TextTop();
  const TEditorRuler& ruler = *e.Ruler();
  const int height = ruler.Visible() ? e.RulerHeight() : 0;
  // The top margin below the ruler.
  painter.fillRect(QRect(textLeft, height, right - textLeft, textTop - height), EditorColor());
  if (height == 0)
    return;
  const QRect strip(textLeft, 0, right - textLeft, height);
  if (!clip.intersects(strip))
    return;
  const QColor background = Background(ruler.BkColor());
  const QColor color = Foreground(ruler.Color());
  const int gauge = ruler.GaugeRange();
  painter.save();
  painter.setClipRect(strip, Qt::IntersectClip);
  painter.fillRect(strip, background);
  const int first = e.TopCol();
  const int last = std::min(first + e.VisibleCols() + 2, kMaxCellColumn);
  for (int k = first; k < last; ++k) {
    const int x = e.ColumnLeft(k);
    const int y0 = k % gauge == 0 ? 0 : (k % gauge == gauge / 2 ? 3 : 6);
    painter.fillRect(QRect(x, y0, 1, height - y0), color);
  }
  if (ruler.Edge()) {
    painter.fillRect(QRect(textLeft, height - 2, strip.width(), 1), kEdgeGrey);
    painter.fillRect(QRect(textLeft, height - 1, strip.width(), 1), kEdgeWhite);
  } else {
    painter.fillRect(QRect(textLeft, height - 1, strip.width(), 1), color);
  }
  for (int k = first / gauge * gauge; k < last; k += gauge)
    PaintRulerDigits(painter, e.ColumnLeft(k) + 1, k, color, background);
  // The caret's column: the marked ruler, the numbers in the plain ruler's background colour.
  const EditorRect mark = e.RulerMarkCol() >= 0 ? e.RulerMarkRect(e.RulerMarkCol()) : EditorRect{};
  if (!mark.Empty()) {
    const QColor markColor = Foreground(ruler.MarkColor());
    const QRect cell(mark.Left, mark.Top, mark.Width(), mark.Height());
    painter.setClipRect(cell, Qt::IntersectClip);
    painter.fillRect(cell, markColor);
    for (int k = first / gauge * gauge; k < last; k += gauge)
      PaintRulerDigits(painter, e.ColumnLeft(k) + 1, k, background, markColor);
  }
  painter.restore();
}

void TEditorPainter::PaintImagebar(QPainter& painter, int row, int top) {
  EditorCore& e = editor_;
  const TEditorLeftbar& leftbar = *e.Leftbar();
  const QColor background =
      leftbar.Visible() && leftbar.BkColor() != clNone ? ToQColor(leftbar.BkColor()) : EditorColor();
  painter.fillRect(QRect(0, top, e.ImagebarWidth(), e.RowHeight()), background);
  TEditorScreenStrings& rows = e.Rows();
  if (row >= rows.Count())
    return;
  const int marks = rows.RowMarks(row);
  if (marks == 0)
    return;
  const TEditorImagebar& bar = *e.Imagebar();
  painter.save();
  painter.setClipRect(QRect(0, top, e.ImagebarWidth(), e.RowHeight()), Qt::IntersectClip);
  for (int bit = 0; bit < 10; ++bit) {
    if ((marks & (1 << bit)) == 0)
      continue;
    const TEditorImageList* own = e.ImageDigits();
    const TEditorImageList& list = own && own->Count() > bit ? *own : DefaultDigitImages();
    painter.drawPixmap(bar.LeftMargin(), top + 2, ImagePixmap(list, bit));
    break;
  }
  for (int bit = 10; bit < 16; ++bit) {
    if ((marks & (1 << bit)) == 0)
      continue;
    const TEditorImageList* own = e.ImageMarks();
    const TEditorImageList& list = own && own->Count() > bit - 10 ? *own : DefaultMarkImages();
    painter.drawPixmap(bar.LeftMargin() + bar.DigitWidth(), top + 2, ImagePixmap(list, bit - 10));
    break;
  }
  painter.restore();
}

void TEditorPainter::PaintLeftbar(QPainter& painter, int row, int top) {
  EditorCore& e = editor_;
  const TEditorLeftbar& bar = *e.Leftbar();
  const int left = e.Imagebar()->Visible() ? e.ImagebarWidth() : 0;
  const int width = e.LeftbarWidth();
  const int height = e.RowHeight();
  const QColor background = Background(bar.BkColor());
  painter.fillRect(QRect(left, top, width, height), background);
  const bool edge = bar.Edge();
  painter.fillRect(QRect(left + width - 2, top, 1, height), edge ? kEdgeGrey : Foreground(bar.Color()));
  painter.fillRect(QRect(left + width - 1, top, 1, height), edge ? kEdgeWhite : background);
  if (!bar.ShowNumber())
    return;
  const std::optional<int> number = e.LineNumber(row);
  if (!number)
    return;
  std::string digits = std::to_string(*number);
  const int columns = e.LeftbarDigits();
  if (bar.ZeroLead() && static_cast<int>(digits.size()) < columns)
    digits.insert(0, static_cast<std::size_t>(columns - static_cast<int>(digits.size())), '0');
  const int cw = e.ColumnWidth();
  const int x = left + bar.LeftMargin() + (columns - static_cast<int>(digits.size())) * cw;
  Run run;
  run.text = Foreground(bar.Color());
  painter.save();
  painter.setClipRect(QRect(left, top, width - 2, height), Qt::IntersectClip);
  painter.setPen(run.text);
  QList<quint32> indexes;
  QList<QPointF> positions;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const Glyph glyph = GlyphFor(0, static_cast<char16_t>(digits[i]));
    indexes.push_back(glyph.index);
    positions.push_back(QPointF(x + static_cast<int>(i) * cw, top + e.Ascent()));
  }
  QGlyphRun glyphs;
  glyphs.setRawFont(raw_[0]);
  glyphs.setGlyphIndexes(indexes);
  glyphs.setPositions(positions);
  painter.drawGlyphRun(QPointF(0, 0), glyphs);
  painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Rows

std::vector<TEditorPainter::Run> TEditorPainter::Tokens(int row, const std::string& text, int drawEnd) {
  EditorCore& e = editor_;
  TEditorScreenStrings& rows = e.Rows();
  std::vector<Run> runs;
  const auto add = [&runs](int from, int to, const QColor& background, const QColor& textColor, int style) {
    if (to <= from)
      return;
    if (!runs.empty() && runs.back().to == from && runs.back().background == background &&
        runs.back().text == textColor && runs.back().style == style) {
      runs.back().to = to;
      return;
    }
    runs.push_back({from, to, background, textColor, style});
  };
  const QColor background = EditorColor();
  const QColor foreground = FontColor();
  // A row whose text ends well left of the view draws no tokens.
  if (static_cast<int>(text.size()) + 5 < e.TopCol() || drawEnd <= 0)
    return runs;
  const std::unique_ptr<TFountainParser> parser = e.ActiveFountain().CreateParser();
  EnsureRowStates(rows, *parser, row);
  std::string tokenText = text;
  if (rows.WordWrap() && rows.RowAttribute(row) == 1 && row + 1 < rows.Count()) {
    // A token cut by the wrap keeps its colour: the next row is read too, and not drawn.
    tokenText += ExpandTabs(rows.Get(row + 1), e.Layout());
  }
  parser->SetRowData(tokenText, rows.RowData(row));
  const int visibleEnd = e.TopCol() + e.VisibleCols() + 2;
  int covered = 0;
  while (parser->Next() != toEof) {
    const int start = static_cast<int>(parser->TokenOffset());
    if (start >= drawEnd || start >= visibleEnd)
      break;
    const int end = std::min(drawEnd, start + static_cast<int>(parser->TokenLength()));
    add(covered, start, background, foreground, 0);
    const TFountainColor* color = parser->TokenColor();
    if (color)
      add(start, end, Background(color->BkColor()), Foreground(color->Color()), color->Style());
    else
      add(start, end, background, foreground, 0);
    covered = std::max(covered, end);
  }
  add(covered, drawEnd, background, foreground, 0);
  return runs;
}

void TEditorPainter::PaintRow(QPainter& painter, int row, int top, const QRect& clip) {
  EditorCore& e = editor_;
  TEditorScreenStrings& rows = e.Rows();
  const int textLeft = e.TextLeft();
  const int right = e.ClientRight();
  const int height = e.RowHeight();
  const QRect rowRect(textLeft, top, right - textLeft, height);
  const int count = rows.Count();
  if (row >= count) {
    painter.fillRect(rowRect, EditorColor());
    const bool placeAfterText = row == count && (count == 0 || rows.RowAttribute(count - 1) != 2);
    if (placeAfterText && e.Marks()->EofMark()->Visible())
      PaintEofMark(painter, e.ColumnLeft(0), top);
  } else {
    const std::string text = ExpandTabs(rows.Get(row), e.Layout());
    const int textCells = static_cast<int>(text.size());
    int limit = kMaxCellColumn;
    if (textCells > kMaxCellColumn && IsLeadByte(text[kMaxCellColumn - 1]))
      limit = kMaxCellColumn + 1;
    const int drawEnd = std::min(textCells, limit);
    const std::vector<Run> runs = Tokens(row, text, drawEnd);
    const std::optional<TRowSelection> selection = e.RowSelection(row);
    const int attribute = rows.RowAttribute(row);
    if (selection) {
      PaintPiece(painter, top, text, runs, 0, selection->From, false, false, clip);
      PaintPiece(painter, top, text, runs, selection->From, selection->To, true, selection->Hit, clip);
      PaintPiece(painter, top, text, runs, selection->To, INT_MAX / 2, false, false, clip);
    } else {
      PaintPiece(painter, top, text, runs, 0, INT_MAX / 2, false, false, clip);
    }
    if (e.OnDrawLine)
      e.OnDrawLine(rows.Get(row), e.ColumnLeft(0), top, row,
                   {rowRect.left(), rowRect.top(), rowRect.right() + 1, rowRect.bottom() + 1}, selection.has_value());
    const int markCell = textCells > kMaxCellColumn ? limit : textCells;
    const bool markSelected = selection && markCell >= selection->From && markCell < selection->To;
    PaintRowEndMark(painter, row, top, textCells, attribute, markSelected, markSelected && selection->Hit);
  }
  if (e.UnderlineRow() == row) {
    const int y = e.RowBottom(row);
    if (y >= 0) {
      const int32_t color = e.Marks()->Underline()->Color();
      painter.fillRect(QRect(textLeft, y, right - textLeft, 1), color == clNone ? FontColor() : ToQColor(color));
    }
  }
}

void TEditorPainter::PaintPiece(QPainter& painter, int top, const std::string& text, const std::vector<Run>& runs,
                                int from, int to, bool selected, bool hit, const QRect& clip) {
  EditorCore& e = editor_;
  if (to <= from)
    return;
  const int textLeft = e.TextLeft();
  const int right = e.ClientRight();
  const int left = std::max(e.ColumnLeft(from), textLeft);
  const int end = to >= INT_MAX / 4 ? right : std::min(e.ColumnLeft(to), right);
  if (end <= left)
    return;
  const QRect pieceRect(left, top, end - left, e.RowHeight());
  if (!pieceRect.intersects(clip))
    return;
  QColor base = EditorColor();
  QColor selectedText;
  if (selected) {
    const TEditorColors& colors = *e.View()->Colors();
    const TFountainColor& color = hit ? *colors.Hit() : *colors.Select();
    base = Background(color.BkColor());
    selectedText = Foreground(color.Color());
  }
  painter.fillRect(pieceRect, base);
  const int firstVisible = std::max(from, e.TopCol());
  const int lastVisible = std::min(to, e.TopCol() + e.VisibleCols() + 2);
  if (!selected) {
    for (const Run& run : runs) {
      const int a = std::max(run.from, firstVisible);
      const int b = std::min(run.to, lastVisible);
      if (b > a && run.background != base)
        painter.fillRect(QRect(e.ColumnLeft(a), top, (b - a) * e.ColumnWidth(), e.RowHeight()).intersected(pieceRect),
                         run.background);
    }
  }
  painter.save();
  painter.setClipRect(pieceRect, Qt::IntersectClip);
  for (const Run& run : runs) {
    int a = std::max(run.from, firstVisible);
    const int b = std::min(run.to, lastVisible);
    if (b <= a)
      continue;
    // A double-byte character cut by the piece's edge is drawn whole and clipped.
    if (a > 0 && IsDBCSTrailIndex(text, a))
      --a;
    Run drawn = run;
    if (selected)
      drawn.text = selectedText;
    PaintText(painter, text, e.ColumnLeft(0), a, b, top, drawn, pieceRect);
  }
  painter.restore();
}

void TEditorPainter::PaintText(QPainter& painter, const std::string& text, int originX, int from, int to, int top,
                               const Run& run, const QRect& pieceRect) {
  EditorCore& e = editor_;
  const int cw = e.ColumnWidth();
  const auto cellLeft = [originX, cw](int cell) { return originX + cell * cw; };
  const int baseline = top + e.Ascent();
  const auto styleIndex = static_cast<std::size_t>(StyleIndex(run.style));
  QList<quint32> indexes;
  QList<QPointF> positions;
  painter.setPen(run.text);
  for (int i = from; i < to && i < static_cast<int>(text.size());) {
    const auto length = static_cast<int>(CharLength(text, static_cast<std::size_t>(i)));
    const auto b0 = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    const char16_t c = length == 2
                           ? Cp932Character(b0, static_cast<unsigned char>(text[static_cast<std::size_t>(i) + 1]))
                           : Cp932Character(b0);
    if (c > u' ' && c != 0x7F) {
      const Glyph glyph = GlyphFor(run.style, c);
      const int x = cellLeft(i);
      if (glyph.advance > static_cast<float>(length * cw) + 0.5f) {
        // Wider than its cells: clipped to them, so it never covers its neighbours.
        painter.save();
        painter.setClipRect(QRect(x, top, length * cw, e.RowHeight()), Qt::IntersectClip);
        QGlyphRun single;
        single.setRawFont(raw_[styleIndex]);
        single.setGlyphIndexes({glyph.index});
        single.setPositions({QPointF(x, baseline)});
        painter.drawGlyphRun(QPointF(0, 0), single);
        painter.restore();
      } else {
        indexes.push_back(glyph.index);
        positions.push_back(QPointF(x, baseline));
      }
    }
    i += std::max(length, 1);
  }
  if (!indexes.isEmpty()) {
    QGlyphRun glyphs;
    glyphs.setRawFont(raw_[styleIndex]);
    glyphs.setGlyphIndexes(indexes);
    glyphs.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, 0), glyphs);
  }
  const int x0 = std::max(cellLeft(from), pieceRect.left());
  const int x1 = std::min(cellLeft(to), pieceRect.right() + 1);
  if ((run.style & FontStyleBit(fsUnderline)) && x1 > x0)
    painter.fillRect(QRect(x0, top + e.FontHeight() - 1, x1 - x0, 1), run.text);
  if ((run.style & FontStyleBit(fsStrikeOut)) && x1 > x0)
    painter.fillRect(QRect(x0, top + e.Ascent() - e.Ascent() / 3, x1 - x0, 1), run.text);
}

void TEditorPainter::PaintRowEndMark(QPainter& painter, int row, int top, int textCells, int attribute, bool selected,
                                     bool hit) {
  EditorCore& e = editor_;
  const TEditorMarks& marks = *e.Marks();
  const int cw = e.ColumnWidth();
  const int fh = e.FontHeight();
  const TEditorColors& colors = *e.View()->Colors();
  const auto markColor = [&](const TEditorMark& mark) {
    if (!selected)
      return ToQColor(mark.Color());
    const int32_t c = hit ? colors.Hit()->Color() : colors.Select()->Color();
    return c == clNone ? EditorColor() : ToQColor(c);
  };
  const bool last = row == e.Rows().Count() - 1;
  painter.save();
  painter.setClipRect(QRect(e.TextLeft(), top, e.ClientRight() - e.TextLeft(), e.RowHeight()), Qt::IntersectClip);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const int s = std::max(2, cw * 3 / 5);
  const int m = top + fh / 2;
  if (textCells > kMaxCellColumn) {
    if (marks.HideMark()->Visible()) {
      const std::string text = ExpandTabs(e.Rows().Get(row), e.Layout());
      const int cell = IsLeadByte(text[kMaxCellColumn - 1]) ? kMaxCellColumn + 1 : kMaxCellColumn;
      const int x = e.ColumnLeft(cell);
      painter.setPen(markColor(*marks.HideMark()));
      painter.drawLine(x + cw - s, m - s, x + cw, m);
      painter.drawLine(x + cw, m, x + cw - s - 1, m + s + 1);
    }
  } else if (attribute == 2 && last && marks.EofMark()->Visible()) {
    PaintEofMark(painter, e.ColumnLeft(textCells), top);
  } else if (attribute == 0 && marks.RetMark()->Visible()) {
    const int a = std::max(1, fh / 8);
    const int h = std::max(a, 3);
    const int x = e.ColumnLeft(textCells) + cw / 2;
    const int y0 = top + 2 * a;
    const int y1 = top + fh - 2 * a;
    painter.setPen(markColor(*marks.RetMark()));
    painter.drawLine(x, y0, x, y1);
    painter.drawLine(x, y1, x - h, y1 - h);
    painter.drawLine(x, y1, x + h, y1 - h);
  } else if (attribute == 1 && marks.WrapMark()->Visible()) {
    const int x = e.ColumnLeft(textCells);
    painter.setPen(markColor(*marks.WrapMark()));
    painter.drawLine(x + cw, m - s, x + cw - s, m);
    painter.drawLine(x + cw - s, m, x + cw + 1, m + s + 1);
  }
  painter.restore();
}

void TEditorPainter::PaintEofMark(QPainter& painter, int x, int y) {
  EditorCore& e = editor_;
  const int cw = e.ColumnWidth();
  const QRect box(x, y, 6 * cw, e.RowHeight());
  painter.save();
  painter.setClipRect(QRect(e.TextLeft(), e.TextTop(), e.ClientRight() - e.TextLeft(), e.ClientBottom() - e.TextTop()),
                      Qt::IntersectClip);
  painter.fillRect(box, EditorColor());
  const int32_t color = e.Marks()->EofMark()->Color();
  Run run;
  run.text = color == clNone ? FontColor() : ToQColor(color);
  PaintText(painter, "[EOF]", x, 0, 5, y, run, box);
  painter.restore();
}

}  // namespace vrel
