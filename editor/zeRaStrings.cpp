#include "editor/zeRaStrings.h"

#include <algorithm>

namespace vrel {

namespace {

constexpr int kAttributeShift = 0;
constexpr int kPrevAttributeShift = 2;
constexpr int kBracketShift = 4;
constexpr int kValue1Shift = 8;
constexpr int kValue2Shift = 16;
constexpr int kValue3Shift = 24;
constexpr int kKindShift = 0;
constexpr int kValue4Shift = 8;
constexpr int kMarksShift = 16;

constexpr uint32_t kTwoBits = 3;
constexpr uint32_t kFourBits = 15;
constexpr uint32_t kByte = 255;
constexpr uint32_t kMarks = 0xFFFF;

// The state word without the row's own attribute, and the mark word without the marks.
constexpr uint32_t kStateWordState = ~kTwoBits;
constexpr uint32_t kMarkWordState = 0xFFFF;

uint32_t Pack(uint32_t value, int shift, uint32_t mask) {
  return (value & mask) << shift;
}

uint32_t PackStateWord(const TRowAttributeData& data) {
  return Pack(data.PrevRowAttribute, kPrevAttributeShift, kTwoBits) |
         Pack(static_cast<uint32_t>(data.BracketIndex + 2), kBracketShift, kFourBits) |
         Pack(static_cast<uint32_t>(data.ParserValue1), kValue1Shift, kByte) |
         Pack(static_cast<uint32_t>(data.Remain), kValue2Shift, kByte) |
         Pack(static_cast<uint32_t>(data.ParserValue3), kValue3Shift, kByte);
}

uint32_t PackMarkWord(const TRowAttributeData& data) {
  return Pack(data.TokenKind, kKindShift, kByte) | Pack(data.ParserValue4, kValue4Shift, kByte);
}

}  // namespace

const TClassInfo& TRowAttributeStringList::StaticClass() {
  static const TClassInfo info("TRowAttributeStringList", &Inherited::StaticClass());
  return info;
}

void TRowAttributeStringList::SetStateField(int row, int shift, uint32_t mask, uint32_t value) {
  const uint32_t word = StateWord(row);
  SetStateWord(row, (word & ~(mask << shift)) | Pack(value, shift, mask));
}

void TRowAttributeStringList::SetMarkField(int row, int shift, uint32_t mask, uint32_t value) {
  const uint32_t word = MarkWord(row);
  SetMarkWord(row, (word & ~(mask << shift)) | Pack(value, shift, mask));
}

int TRowAttributeStringList::RowAttribute(int row) const {
  return Field(StateWord(row), kAttributeShift, kTwoBits);
}
void TRowAttributeStringList::SetRowAttribute(int row, int value) {
  SetStateField(row, kAttributeShift, kTwoBits, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::PrevRowAttribute(int row) const {
  return Field(StateWord(row), kPrevAttributeShift, kTwoBits);
}
void TRowAttributeStringList::SetPrevRowAttribute(int row, int value) {
  SetStateField(row, kPrevAttributeShift, kTwoBits, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::BracketIndex(int row) const {
  return Field(StateWord(row), kBracketShift, kFourBits) - 2;
}
void TRowAttributeStringList::SetBracketIndex(int row, int value) {
  SetStateField(row, kBracketShift, kFourBits, static_cast<uint32_t>(value + 2));
}
int TRowAttributeStringList::ParserValue1(int row) const {
  return Field(StateWord(row), kValue1Shift, kByte);
}
void TRowAttributeStringList::SetParserValue1(int row, int value) {
  SetStateField(row, kValue1Shift, kByte, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::ParserValue2(int row) const {
  return Field(StateWord(row), kValue2Shift, kByte);
}
void TRowAttributeStringList::SetParserValue2(int row, int value) {
  SetStateField(row, kValue2Shift, kByte, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::ParserValue3(int row) const {
  return Field(StateWord(row), kValue3Shift, kByte);
}
void TRowAttributeStringList::SetParserValue3(int row, int value) {
  SetStateField(row, kValue3Shift, kByte, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::TokenKind(int row) const {
  return Field(MarkWord(row), kKindShift, kByte);
}
void TRowAttributeStringList::SetTokenKind(int row, int value) {
  SetMarkField(row, kKindShift, kByte, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::ParserValue4(int row) const {
  return Field(MarkWord(row), kValue4Shift, kByte);
}
void TRowAttributeStringList::SetParserValue4(int row, int value) {
  SetMarkField(row, kValue4Shift, kByte, static_cast<uint32_t>(value));
}
int TRowAttributeStringList::RowMarks(int row) const {
  return Field(MarkWord(row), kMarksShift, kMarks);
}
void TRowAttributeStringList::SetRowMarks(int row, int value) {
  SetMarkField(row, kMarksShift, kMarks, static_cast<uint32_t>(value));
}

int TRowAttributeStringList::ItemAttribute(const TzeStringItem& item) {
  return static_cast<int>((item.StateWord >> kAttributeShift) & kTwoBits);
}
void TRowAttributeStringList::SetItemAttribute(TzeStringItem& item, int value) {
  item.StateWord =
      (item.StateWord & ~(kTwoBits << kAttributeShift)) | Pack(static_cast<uint32_t>(value), kAttributeShift, kTwoBits);
}
int TRowAttributeStringList::ItemMarks(const TzeStringItem& item) {
  return static_cast<int>((item.MarkWord >> kMarksShift) & kMarks);
}
void TRowAttributeStringList::SetItemMarks(TzeStringItem& item, int value) {
  item.MarkWord = (item.MarkWord & ~(kMarks << kMarksShift)) | Pack(static_cast<uint32_t>(value), kMarksShift, kMarks);
}

TRowAttributeData TRowAttributeStringList::RowData(int row) const {
  const TzeStringItem& item = Item(row);
  TRowAttributeData data;
  data.RowAttribute = static_cast<uint8_t>(Field(item.StateWord, kAttributeShift, kTwoBits));
  data.PrevRowAttribute = static_cast<uint8_t>(Field(item.StateWord, kPrevAttributeShift, kTwoBits));
  data.BracketIndex = Field(item.StateWord, kBracketShift, kFourBits) - 2;
  data.ParserValue1 = Field(item.StateWord, kValue1Shift, kByte);
  data.Remain = Field(item.StateWord, kValue2Shift, kByte);
  data.ParserValue3 = Field(item.StateWord, kValue3Shift, kByte);
  data.TokenKind = static_cast<uint8_t>(Field(item.MarkWord, kKindShift, kByte));
  data.ParserValue4 = static_cast<uint8_t>(Field(item.MarkWord, kValue4Shift, kByte));
  data.StateText = item.StateText;
  return data;
}

void TRowAttributeStringList::SetRowState(int row, const TRowAttributeData& data) {
  CheckIndex(row);
  statesBound_ = std::max(statesBound_, row + 1);
  TzeStringItem& item = At(row);
  item.StateWord = (item.StateWord & ~kStateWordState) | PackStateWord(data);
  item.MarkWord = (item.MarkWord & ~kMarkWordState) | PackMarkWord(data);
  item.StateText = data.StateText;
}

bool TRowAttributeStringList::SameRowState(int row, const TRowAttributeData& data) const {
  const TzeStringItem& item = Item(row);
  return (item.StateWord & kStateWordState) == PackStateWord(data) &&
         (item.MarkWord & kMarkWordState) == PackMarkWord(data) && item.StateText == data.StateText;
}

void TRowAttributeStringList::ClearRowState(int row) {
  CheckIndex(row);
  TzeStringItem& item = At(row);
  item.StateWord &= ~kStateWordState;
  item.MarkWord &= ~kMarkWordState;
  item.StateText.clear();
}

void TRowAttributeStringList::ClearRowStatesFrom(int row) {
  row = std::max(row, 0);
  const int end = std::min(statesBound_, Count());
  for (int r = row; r < end; ++r) {
    if (RowStateComputed(r))
      ClearRowState(r);
  }
  statesBound_ = std::min(statesBound_, row);
}

// Items written whole may carry computed states; rows that move keep the bound in step with them.
void TRowAttributeStringList::ItemsChanged(int index, int removed, int inserted) {
  if (index < statesBound_)
    statesBound_ = std::max(index + inserted, statesBound_ - removed + inserted);
  else if (inserted > 0)
    statesBound_ = index + inserted;
}

}  // namespace vrel
