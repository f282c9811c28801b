#pragma once

// The lowest layer of the text editor: byte helpers that keep every other part on the character
// boundaries of Shift-JIS (code page 932) text.
//
// Text is length-based throughout: a NUL byte is an ordinary byte. One rule fixes a character's
// length everywhere: a lead byte and the byte after it form one character when that byte exists in
// the same string; a lead byte at the very end is a character of its own. Indexes are 0-based byte
// offsets; an index outside the string is answered, never read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vrel {

class TzeStringList;

// A set of byte values given as inclusive ranges, for tables built at compile time.
constexpr std::array<bool, 256> ByteSet(std::initializer_list<std::pair<int, int>> ranges) {
  std::array<bool, 256> set{};
  for (const auto& [from, to] : ranges) {
    for (int b = from; b <= to; ++b)
      set[static_cast<std::size_t>(b)] = true;
  }
  return set;
}

namespace detail {
inline constexpr std::array<bool, 256> kLeadBytes = ByteSet({{0x81, 0x9F}, {0xE0, 0xFC}});
}  // namespace detail

// The lead-byte set of code page 932: 0x81-0x9F and 0xE0-0xFC.
inline bool IsLeadByte(unsigned char c) {
  return detail::kLeadBytes[c];
}
inline bool IsLeadByte(char c) {
  return IsLeadByte(static_cast<unsigned char>(c));
}

// The upper-case form of a single byte: ASCII letters only (what the system's ANSI upper-casing does
// for code page 932's single bytes).
inline unsigned char AsciiUpper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Bytes of the character that starts at `index`: 2 for a lead byte with a byte after it, 1 for any
// other byte, 0 at or past the end.
inline std::size_t CharLength(std::string_view s, std::size_t index) {
  if (index >= s.size())
    return 0;
  return IsLeadByte(s[index]) && index + 1 < s.size() ? 2 : 1;
}

// Number of bytes equal to `c` among the first Min(len, size) bytes; 0 when that is below 1.
std::size_t CountChar(std::string_view s, char c, std::ptrdiff_t len);

// True when `index` is the first (lead) or the second (trail) byte of a double-byte character,
// walking `s` from its start; False for an index outside the string.
bool IsDBCSLeadIndex(std::string_view s, std::ptrdiff_t index);
bool IsDBCSTrailIndex(std::string_view s, std::ptrdiff_t index);

// The byte at `index`, or 0 outside the string.
unsigned char CharAtIndex(std::string_view s, std::ptrdiff_t index);

// True when `sub` occurs in `s` starting on a character boundary (never on a trail byte) and ending
// on one. False when `sub` is empty or longer than `s`. This is how the line-breaking rules test
// whether a character is in a set written as a string of characters.
bool IncludeCharacter(std::string_view sub, std::string_view s);

// True when `sub` is at `pos` of `s` and ends on a character boundary of `s` (so a prefix never
// takes half of a double-byte character). `pos` must be a character start.
bool MatchesAt(std::string_view s, std::size_t pos, std::string_view sub);

// The line breaks of a text: CR LF counts once, as does a lone CR or a lone LF.
std::size_t CountLineBreaks(std::string_view text);

// The same count over a text given a piece at a time (a CR that ends one piece and an LF that starts
// the next are one break).
class LineBreakCounter {
 public:
  void Add(std::string_view piece);
  std::size_t Count() const { return count_; }

 private:
  std::size_t count_ = 0;
  bool endsWithCr_ = false;
};

// Finds the line breaks (CR or LF) of one text from its start to its end. Each of the two bytes is
// searched for only once the search has passed where it was last found, so a walk over the whole
// text reads each byte at most twice, however the lines are broken.
class LineBreakFinder {
 public:
  explicit LineBreakFinder(std::string_view text) : text_(text) {}
  // The first CR or LF at or after `pos`, or the text's size; `pos` never goes back between calls.
  std::size_t Next(std::size_t pos);

 private:
  std::size_t Find(char c, std::size_t pos, std::optional<std::size_t>& found) const;

  std::string_view text_;
  // Where each byte was last found (the text's size: nowhere after the search's start).
  std::optional<std::size_t> cr_, lf_;
};

// Replaces the list's items by the lines of `text`: CR LF, a lone CR and a lone LF each end one
// line, and a line break at the very end starts no further line. An empty text gives no lines.
void SplitTextToStrings(std::string_view text, TzeStringList& list);

// The text with every line break written as CR LF: a lone LF or a lone CR becomes one.
std::string WithCrLfBreaks(std::string_view text);
// The text with every CR LF written as LF, the line break of the other programs on the desktop.
std::string WithLfBreaks(std::string_view text);

// Orders two texts without regard to the case of single-byte letters; the bytes of double-byte
// characters compare as they are (a trail byte is never a letter).
int CompareText(std::string_view a, std::string_view b);

// The editor's word delimiters: control bytes, space, ASCII punctuation except the underscore, DEL,
// 0x80, 0xA0-0xA5 and 0xFD-0xFF. Letters, digits, '_', half-width katakana from 0xA6 and lead bytes
// are not.
bool IsEditorDelimiter(unsigned char c);

// Cells of a row as the editor lays it out, one character per display cell: '4' and '5' for the
// lead and trail half of a double-byte character, '2' for a delimiter byte (a tab is one), '1' for
// any other byte, and '3' for the fill cells that follow a tab up to the next tab stop (with word
// wrap also not past the next multiple of `wrapByte`). Building stops at `maxCells`.
// `tabSpaceCount` is at least 1; `wrapByte` is 0 without word wrap.
std::string CellString(std::string_view text, int tabSpaceCount, int wrapByte, std::size_t maxCells);

}  // namespace vrel
