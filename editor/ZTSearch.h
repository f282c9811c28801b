#pragma once

// Finds a string in a block of Shift-JIS text, forwards or backwards from a selection, with options
// for letter case, whole words, half-width/full-width folding and skipping line breaks or blanks
// inside the text. A hit never starts on the trail byte of a double-byte character, and no search
// reads outside the text.

#include <cstdint>
#include <string>
#include <string_view>

namespace vrel {

// Search options, a word of bits.
enum TSearchOption : uint16_t {
  soForward = 1,            // from the end of the selection on; clear: backwards from its start
  soMatchCase = 2,          // clear: letters of either case are equal (full-width, Greek and Cyrillic too)
  soWholeWord = 4,          // the hit stands between word boundaries
  soFoldWidth = 8,          // half-width and full-width forms are equal; a half-width katakana with
                            // its (semi-)voiced mark equals the voiced full-width katakana
  soSkipLineBreaks = 0x80,  // CR and LF in the text are skipped inside a hit
  soSkipBlanks = 0x100,     // tab, space and the full-width space in the text are skipped inside a hit
};

// On entry the selection, on a hit the hit: byte offset and byte count.
struct TSearchInfo {
  int32_t Start = 0;
  int32_t Length = 0;
};

// False when `findStr` or `text` is empty, or the selection lies outside the text; otherwise searches
// and, on a hit, sets `info` to the text bytes it covers (which differ from the length of `findStr`
// when folding or skipping applies) and returns True. Without a hit `info` stays as it was.
bool SearchText(std::string_view text, TSearchInfo& info, std::string_view findStr, uint16_t options);

// `s` with every single-byte character replaced by its full-width form; a half-width katakana
// followed by a voiced (0xDE) or semi-voiced (0xDF) mark that it can take becomes the one voiced
// character, 0xB3 0xDE becomes "ヴ". Double-byte characters stay.
std::string ToZenkakuKana(std::string_view s);

// The Shift-JIS code of a JIS X 0208 code.
uint16_t JisToSjis(uint16_t code);

// The folding tables, for tests and for callers that compare characters the way the search does.
// The full-width form of a single byte as a Shift-JIS code, or 0 when the byte keeps its own form
// (control bytes, 0x7F, 0x80, 0xA0, lead bytes and 0xFD-0xFF).
uint16_t FullWidthOf(unsigned char c);
// The upper-case form of a double-byte character (full-width Latin, Greek, Cyrillic and small Roman
// numerals), or the code itself.
uint16_t UpperCaseOf(uint16_t code);
// The upper-case form of a single byte (ASCII letters only).
unsigned char UpperCaseOf(unsigned char c);

// True for the bytes that end a word in whole-word searches: 0x00-0x2F, 0x3A-0x40, 0x5B-0x60,
// 0x7B-0x80, 0xA0-0xA5 and 0xFD-0xFF, when they stand as characters of their own.
bool IsSearchDelimiter(unsigned char c);

}  // namespace vrel
