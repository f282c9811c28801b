#pragma once

// Word wrap: where a logical line is cut into display rows. One routine, NextRow, decides each cut:
// the wrap width in display cells, a double-byte character never split, an optional break only
// after a delimiter (WordBreak), punctuation that may hang past the width, and the Japanese
// line-breaking rules (kinsoku): characters that must not begin a row or end one. Wrapping rows,
// counting the rows of a string and re-wrapping a whole text all cut with it.
//
// A cut depends only on the line's text from the row's start on, and on at most WrapByte + 3 cells
// of it (so on at most LookAhead() bytes). This is what lets an edit re-wrap only the rows it
// reaches: rows that start far enough before it keep their cuts, and once a new row starts where
// an old one started after it, every later row is as it was.

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace vrel {

class TEditorWrapOption;

// A cursor over the cell string of one row (see CellString): which cell it stands on and how many
// text bytes the cells up to it cover. Positions are 1-based; Kind is '0' past the last cell.
class TEditorAttributeArray {
 public:
  // Takes the first step, onto cell 1. Both strings must outlive the cursor.
  TEditorAttributeArray(std::string_view text, std::string_view kinds);

  char Kind() const { return kind_; }
  int KindCount() const { return static_cast<int>(kinds_.size()); }
  int Position() const { return position_; }
  int TextIndex() const { return textIndex_; }

  // One cell on, unless past the last one; a tab's fill cells cover no further byte.
  void Next();
  // One cell back, not before cell 1. A step off a fill cell gives back no byte (the tab's byte is
  // covered until the step off the tab itself).
  void Prior();
  void MoveTo(int position);
  // The character under the cursor ('' past the end), and the one after it, without moving.
  std::string_view CurrentChar() const;
  std::string_view NextChar();

 private:
  char CellAt(int position) const;

  std::string_view text_;
  std::string_view kinds_;
  char kind_ = ' ';
  int position_ = 0;
  int textIndex_ = 0;
};

// A set of characters written as a string of CP932 characters, for the line-breaking rules.
class TCharacterSet {
 public:
  explicit TCharacterSet(std::string_view characters = {});
  // `c` is one character: one byte, or a lead and a trail byte.
  bool Contains(std::string_view c) const;

 private:
  std::bitset<256> single_;
  std::bitset<65536> double_;
};

// The wrap rules of one set of options, ready to cut rows.
class TLineWrapper {
 public:
  // Without `wordWrap` every logical line is one row.
  TLineWrapper(const TEditorWrapOption& option, int tabSpaceCount, bool wordWrap);

  struct Cut {
    // Bytes the row takes from the rest of its line.
    std::size_t length = 0;
    // The row holds all the rest: it ends the line.
    bool lastRow = false;
  };
  // Where the next row ends in `rest`, the unwrapped remainder of a logical line (without its line
  // break). Only the first LookAhead() bytes of `rest` are read, and a rest at least that long never
  // ends the line. A row that does not end the line holds at least one whole character.
  Cut NextRow(std::string_view rest) const;
  std::size_t LookAhead() const { return lookAhead_; }

  bool WordWrap() const { return wordWrap_; }
  bool FollowRetMark() const { return followRetMark_; }
  int WrapByte() const { return wrapByte_; }
  int TabSpaceCount() const { return tabSpaceCount_; }

  // Cuts `line` (one logical line) into rows and calls emit(text, attribute) for each: attribute 1
  // for a row whose line goes on, 0 for the last. A line that fills its last row exactly ends with
  // an empty row, or, with FollowRetMark, the full row ends it.
  template <class Emit>
  void WrapLine(std::string_view line, Emit&& emit) const;
  // The rows `line` takes.
  int RowCount(std::string_view line) const;

 private:
  bool wordWrap_;
  int wrapByte_;
  int tabSpaceCount_;
  bool followRetMark_;
  bool followPunctuation_;
  bool leading_;
  bool wordBreak_;
  std::size_t lookAhead_;
  TCharacterSet follow_;
  TCharacterSet lead_;
  TCharacterSet punctuation_;
};

template <class Emit>
void TLineWrapper::WrapLine(std::string_view line, Emit&& emit) const {
  std::size_t pos = 0;
  for (;;) {
    const Cut cut = NextRow(line.substr(pos));
    if (cut.lastRow) {
      emit(line.substr(pos), 0);
      return;
    }
    const std::string_view row = line.substr(pos, cut.length);
    pos += cut.length;
    if (pos == line.size()) {
      if (followRetMark_) {
        emit(row, 0);
      } else {
        emit(row, 1);
        emit(std::string_view(), 0);
      }
      return;
    }
    emit(row, 1);
  }
}

}  // namespace vrel
