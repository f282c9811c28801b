#pragma once

// A row's text as the editor lays it out in display cells, one cell per column: a double-byte
// character takes two cells, a tab runs to the next tab stop (with word wrap never past the next
// multiple of the wrap width), any other byte takes one. The caret, the selection and painting all
// count cells this way; the character each cell shows comes from one table of CP932 characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace vrel {

// How a row is laid out: the tab width and, with word wrap, the wrap width (0 without).
struct CellLayout {
  int TabSpaceCount = 8;
  int WrapByte = 0;
};

// The widest row the caret and the painting reach: 1000 cells, and one more when the 1000th cell
// starts a double-byte character.
inline constexpr int kMaxCellColumn = 1000;

// The row's cell string (see CellString in zeUtils.h) as far as the caret reaches.
std::string RowCells(std::string_view text, const CellLayout& layout);

// The cells a tab takes when `sofar` cells stand before it on its row.
std::size_t TabStopWidth(std::size_t sofar, const CellLayout& layout);

// Cells of a whole text: 2 per double-byte character, a tab up to its stop, 1 for any other byte.
int TextCellWidth(std::string_view text, const CellLayout& layout);

// The text with each tab replaced by the spaces up to its stop; double-byte characters are copied
// whole, so each byte of the result stands in one cell.
std::string ExpandTabs(std::string_view text, const CellLayout& layout);

// The byte index of the caret standing in cell `col` of a row with these cells: the column less
// the tab-fill cells among the first col + 1 cells, at most `textLength`.
int CaretByteIndex(std::string_view cells, std::size_t textLength, int col);
// The same without the cap: a free caret past the row's end stands that many bytes in, as though
// the row were filled with spaces up to it.
int CaretByteIndexPastEnd(std::string_view cells, int col);

// The byte at which the first character starting at cell `col` or later begins (a column inside a
// double-byte character or a tab's fill moves to the next character); `textLength` past the cells.
int ByteAtOrAfterCell(std::string_view cells, std::size_t textLength, int col);

// The character a CP932 single byte, or a lead byte with its trail byte, stands for, as one UTF-16
// code unit ('?' for a code that has no character).
char16_t Cp932Character(unsigned char single);
char16_t Cp932Character(unsigned char lead, unsigned char trail);

}  // namespace vrel
