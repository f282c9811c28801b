#pragma once

// Per-row state of the display rows, packed into two words of each string-list item: the row
// attribute (how the row ends), the tokeniser's state at the row's start and the row's marks. Also
// the record that carries the tokeniser's state to and from a row.

#include <cstdint>
#include <string>

#include "editor/zeStringList.h"

namespace vrel {

// The tokeniser's state at the start of a row, unpacked.
struct TRowAttributeData {
  // 0 the row ends a logical line, 1 it is wrapped, 2 the last row of a text without final line break.
  uint8_t RowAttribute = 0;
  uint8_t PrevRowAttribute = 0;
  // -2 not computed, -1 no bracket open, 0..13 the open bracket pair.
  int32_t BracketIndex = -1;
  int32_t ParserValue1 = 0;
  // Bytes at the start of the row that belong to a token begun on an earlier row (kept in 8 bits;
  // a wrapped row holds at most 252 bytes).
  int32_t Remain = 0;
  int32_t ParserValue3 = 0;
  // The kind of the token that continues into the row, 0 when none.
  uint8_t TokenKind = 0;
  uint8_t ParserValue4 = 0;
  std::string StateText;

  // The state at the start of a text: everything 0, no bracket open.
  static TRowAttributeData Zero() { return {}; }
  bool operator==(const TRowAttributeData&) const = default;
};

// Bit fields of each item's StateWord and MarkWord:
//   StateWord  0-1 RowAttribute, 2-3 PrevRowAttribute, 4-7 BracketIndex + 2, 8-15 ParserValue1,
//              16-23 ParserValue2 (the Remain of the state), 24-31 ParserValue3
//   MarkWord   0-7 TokenKind, 8-15 ParserValue4, 16-31 RowMarks (bit n: mark n is on the row)
// Each setter replaces only its own bits. An all-zero item reads as "state not computed".
class TRowAttributeStringList : public TzeStringList {
  VREL_CLASS_INFO(TRowAttributeStringList, TzeStringList)
 public:
  // The bracket field has 4 bits with a bias of 2, so 14 bracket pairs at most.
  static constexpr int kMaxBrackets = 14;
  static constexpr int32_t kNotComputed = -2;

  int RowAttribute(int row) const;
  void SetRowAttribute(int row, int value);
  int PrevRowAttribute(int row) const;
  void SetPrevRowAttribute(int row, int value);
  int BracketIndex(int row) const;
  void SetBracketIndex(int row, int value);
  int ParserValue1(int row) const;
  void SetParserValue1(int row, int value);
  int ParserValue2(int row) const;
  void SetParserValue2(int row, int value);
  int ParserValue3(int row) const;
  void SetParserValue3(int row, int value);
  int TokenKind(int row) const;
  void SetTokenKind(int row, int value);
  int ParserValue4(int row) const;
  void SetParserValue4(int row, int value);
  int RowMarks(int row) const;
  void SetRowMarks(int row, int value);

  // The same fields of an item apart from any list, for rows being built.
  static int ItemAttribute(const TzeStringItem& item);
  static void SetItemAttribute(TzeStringItem& item, int value);
  static int ItemMarks(const TzeStringItem& item);
  static void SetItemMarks(TzeStringItem& item, int value);

  // The row's start state, its own RowAttribute included.
  TRowAttributeData RowData(int row) const;
  // Stores every field of `data` except RowAttribute (the row's own) and leaves the marks alone.
  void SetRowState(int row, const TRowAttributeData& data);
  // True when the stored state equals `data` as stored, in every field but RowAttribute.
  bool SameRowState(int row, const TRowAttributeData& data) const;
  // Marks the row's state as not computed (BracketIndex -2, the other state fields 0, StateText
  // empty); RowAttribute and the marks stay.
  void ClearRowState(int row);
  bool RowStateComputed(int row) const { return BracketIndex(row) != kNotComputed; }
  // Marks every row from `row` on as not computed. Cheap when few rows below `row` were computed:
  // the list keeps a bound past which no row holds a computed state.
  void ClearRowStatesFrom(int row);

 protected:
  void ItemsChanged(int index, int removed, int inserted) override;

 private:
  int Field(uint32_t word, int shift, uint32_t mask) const { return static_cast<int>((word >> shift) & mask); }
  void SetStateField(int row, int shift, uint32_t mask, uint32_t value);
  void SetMarkField(int row, int shift, uint32_t mask, uint32_t value);

  // No row at or after this index holds a computed state.
  int statesBound_ = 0;
};

}  // namespace vrel
