#pragma once

// Colouring schemes and their tokeniser. A fountain is a component that owns the colours, the
// bracket pairs and the reserved words of a scheme and makes the tokeniser that reads text for it.
// The tokeniser is table-driven (one handler per leading byte, one continuation handler per token
// kind), so that a token begun on one display row can be resumed on the next from the small state
// each row keeps.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/zeRaStrings.h"
#include "platform/FontStyles.h"
#include "platform/zeClasses.h"

namespace vrel {

// "No colour": paint in the editor's own colour.
inline constexpr int32_t clNone = 0x1FFFFFFF;

// Token kinds: the kind of the token in hand, and the kind a row's state says continues into it.
enum TTokenKind : int {
  toEof = 0,               // end of the row text
  toSymbol = 1,            // one symbol byte
  toInteger = 3,           // decimal digits
  toFloat = 4,             // digits with a point and/or an exponent
  toBracket = 6,           // a span from a left bracket to its right bracket
  toComment = 7,           // to the end of the logical line
  toReserve = 8,           // a reserved word
  toTab = 9,               // one tab
  toAnk = 11,              // single-byte word: letters, digits, '_'
  toDBSymbol = 12,         // one double-byte symbol
  toDBInt = 14,            // full-width digits
  toDBAlph = 15,           // full-width Latin letters
  toDBHira = 16,           // hiragana
  toDBKana = 17,           // katakana
  toDBKanji = 18,          // kanji
  toKanaSymbol = 19,       // one half-width punctuation byte 0xA1-0xA5
  toKana = 20,             // half-width katakana
  toUrl = 21,              // URL
  toMail = 22,             // mail address
  toHex = 23,              // hexadecimal digits after the hex prefix
  toSingleQuotation = 24,  // '...' (a doubled quote stays inside)
  toDoubleQuotation = 25,  // "..." (likewise)
  toQuotation = 26,        // the scheme's quotation character
  toControlCode = 27,      // "#" with decimal digits
  toHexControlCode = 28,   // "#$" with hexadecimal digits
};

using TTokenKinds = std::bitset<256>;

class TFountainColor : public TNotifyPersistent {
  VREL_CLASS_INFO(TFountainColor, TNotifyPersistent)
 public:
  int32_t BkColor() const { return bkColor_; }
  void SetBkColor(int32_t value);
  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  // A set of TFontStyle bits.
  int32_t Style() const { return style_; }
  void SetStyle(int32_t value);

  // From a TFountainColor: the three with one change.
  void Assign(const TPersistent* source) override;

 private:
  int32_t bkColor_ = clNone;
  int32_t color_ = clNone;
  int32_t style_ = 0;
};

class TFountainColorItem : public TCollectionItem {
  VREL_CLASS_INFO(TFountainColorItem, TCollectionItem)
 public:
  // In a notifying collection the colour's changes are the collection's.
  explicit TFountainColorItem(TCollection* collection);
  ~TFountainColorItem() override;

  TFountainColor* ItemColor() const { return itemColor_.get(); }
  void SetItemColor(const TFountainColor* value) { itemColor_->Assign(value); }
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TFountainColor> itemColor_;
};

class TFountainBracketItem : public TFountainColorItem {
  VREL_CLASS_INFO(TFountainBracketItem, TFountainColorItem)
 public:
  using TFountainColorItem::TFountainColorItem;

  const std::string& LeftBracket() const { return leftBracket_; }
  void SetLeftBracket(const std::string& value);
  const std::string& RightBracket() const { return rightBracket_; }
  void SetRightBracket(const std::string& value);
  // True when both strings are set: a pair with an empty side is skipped by the tokeniser.
  bool Usable() const { return !leftBracket_.empty() && !rightBracket_.empty(); }

  void Assign(const TPersistent* source) override;

 private:
  std::string leftBracket_;
  std::string rightBracket_;
};

// At most 14 pairs: a row keeps the open pair's index in 4 bits. Adding a fifteenth, by any route
// (Add, Insert, Assign, a stream), raises an exception and leaves the 14.
class TFountainBracketCollection : public TNotifyCollection {
  VREL_CLASS_INFO(TFountainBracketCollection, TNotifyCollection)
 public:
  static constexpr int kMaxItems = TRowAttributeStringList::kMaxBrackets;

  explicit TFountainBracketCollection(TPersistent* owner);
  ~TFountainBracketCollection() override;

  TFountainBracketItem* Add() { return static_cast<TFountainBracketItem*>(TCollection::Add()); }
  TFountainBracketItem* Items(int index) const { return static_cast<TFountainBracketItem*>(TCollection::Items(index)); }
};

class TFountainParser;

class TFountain : public TFileExtComponent {
  VREL_CLASS_INFO(TFountain, TFileExtComponent)
 public:
  ~TFountain() override;

  TFountainBracketCollection* Brackets() const { return brackets_.get(); }
  void SetBrackets(const TFountainBracketCollection* value) { brackets_->Assign(value); }
  // The reserved-word colour.
  TFountainColor* Reserve() const { return reserve_.get(); }
  void SetReserve(const TFountainColor* value) { reserve_->Assign(value); }
  // Sorted without regard to case, duplicates dropped; setting it notifies the subscribers.
  const std::vector<std::string>& ReserveWordList() const { return reserveWordList_; }
  void SetReserveWordList(const std::vector<std::string>& words);
  bool IsReserveWord(std::string_view word) const;

  // Editors using the scheme register their change handler here; every change of a colour, a
  // bracket or the reserved words reaches each of them with the fountain as Sender.
  TNotifyEventList* Subscribers() const { return subscribers_.get(); }

  // A colour whose changes reach the subscribers.
  template <class Color = TFountainColor>
  std::unique_ptr<Color> CreateColor() const {
    auto color = std::make_unique<Color>();
    color->OnChange =
        TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(subscribers_.get()));
    return color;
  }

  // A tokeniser of this scheme, for one job.
  virtual std::unique_ptr<TFountainParser> CreateParser() = 0;
  // True when any published colour of `instance`, nested objects and collection items included,
  // is italic.
  static bool HasItalic(TPersistent& instance);

 protected:
  using BracketsFactory = std::unique_ptr<TFountainBracketCollection> (*)(TFountain& owner);
  // Descendants fill their brackets and reserved words in their own constructors.
  TFountain(TComponent* owner, BracketsFactory brackets);

 private:
  std::unique_ptr<TNotifyEventList> subscribers_;
  std::unique_ptr<TFountainBracketCollection> brackets_;
  std::unique_ptr<TFountainColor> reserve_;
  std::vector<std::string> reserveWordList_;
};

// Reads one row at a time for a fountain. SetRowData starts it on a row's text and its start state;
// each Next reads one token (kind 0 at the end). GetRowEndData computes the state the next row starts
// with. No call reads outside the text it was given.
class TFountainParser {
 public:
  // Raises an exception when `fountain` is null.
  explicit TFountainParser(TFountain* fountain);
  virtual ~TFountainParser();
  TFountainParser(const TFountainParser&) = delete;
  TFountainParser& operator=(const TFountainParser&) = delete;

  TFountain* Fountain() const { return fountain_; }

  // `text` must outlive the reading.
  void SetRowData(std::string_view text, const TRowAttributeData& data);
  // From `data`, the start state of `row` with the row's own attribute, computes the start state
  // of the next row (its RowAttribute and PrevRowAttribute are the caller's to set).
  void GetRowEndData(int row, const TRowAttributeStringList& rows, TRowAttributeData& data);
  // Reads the next token and returns its kind, 0 at the end of the text.
  int Next();
  // The colour of the token in hand, or null for the editor's own colours.
  virtual const TFountainColor* TokenColor() const = 0;
  virtual bool IsReserveWord() const;

  int Kind() const { return kind_; }
  std::size_t TokenOffset() const { return tokenStart_; }
  std::size_t TokenLength() const { return pos_ - tokenStart_; }
  std::string_view TokenString() const { return text_.substr(tokenStart_, pos_ - tokenStart_); }
  int BracketIndex() const { return bracketIndex_; }
  // The bracket pair of the last bracket token, -2 before the first.
  int BracketColorIndex() const { return colorIndex_; }

 protected:
  using Handler = void (TFountainParser::*)();

  virtual void NextToken();
  virtual TTokenKinds ContinuingKinds() const;
  virtual TTokenKinds RowEndKinds() const;
  void AdjustKind(int& kind) const;

  // Handlers: each reads from the current position, moves it past the token and sets its kind.
  bool IsBracketStart();
  void BracketToken();
  bool IsMailStart();
  void MailToken();
  bool IsUrlStart();
  void UrlToken();
  void ReserveWordToken();
  void TabToken();
  void CommentToken();
  void HexToken();
  void NumberToken();
  void AnkToken();
  void DBCSSymbolToken();
  void WideToken();
  void KanjiToken();
  void KanaSymbolToken();
  void KanaToken();
  void SymbolToken();
  void SingleQuoteToken();
  void DoubleQuoteToken();
  void ContinueToken();
  // A quoted string: the opening quote unless the token continues, then up to the closing quote
  // (a doubled one does not close) or the text's end.
  void QuotedToken(unsigned char quote, int kind);
  // A run of bytes of one class (hexadecimal or decimal digits) as a token of `kind`.
  void DigitsToken(bool hexadecimal, int kind);

  unsigned char ByteAt(std::size_t p) const { return p < text_.size() ? static_cast<unsigned char>(text_[p]) : 0; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // Whether the token in hand was begun on an earlier row.
  bool Continuing() const { return continuing_; }
  const TFountainBracketItem* UsableBracket(int index) const;

  std::array<Handler, 256> byteHandlers_{};
  std::array<Handler, 256> kindHandlers_{};
  std::string_view text_;
  std::size_t tokenStart_ = 0;
  std::size_t pos_ = 0;
  int kind_ = toEof;

 private:
  void InitMethodTable();
  void SkipSpaces();

  TFountain* fountain_;
  int bracketIndex_ = -1;
  int colorIndex_ = -2;
  int32_t parserValue1_ = 0;
  std::string stateText_;
  bool continuing_ = false;
  uint8_t rowAttribute_ = 0;
  uint8_t prevRowAttribute_ = 0;
  int32_t parserValue3_ = 0;
  uint8_t parserValue4_ = 0;
  // The kind that continues from an earlier row, 0 when none.
  int tokenKind_ = 0;
  int32_t remain_ = 0;
  // No mail address starts before this position of the text (the end of the last failed scan), so
  // a long run of mail bytes is scanned once, not from every token in it.
  std::size_t noMailBefore_ = 0;
  // First bytes of the usable left brackets.
  std::bitset<256> bracketStarts_;
};

}  // namespace vrel
