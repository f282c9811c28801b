#include "editor/zeFountain.h"

#include <algorithm>

#include "editor/zeUtils.h"
#include "platform/PublishedProperties.h"

namespace vrel {

namespace {

constexpr const char* kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsAnkByte(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsKanjiLead(unsigned char c) {
  return (c >= 0x88 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsMailByte(unsigned char c) {
  return c == '!' || c == '$' || c == '%' || c == '&' || c == '*' || (c >= ',' && c <= '9') || c == ';' || c == '=' ||
         (c >= '?' && c <= 'Z') || c == '^' || c == '_' || (c >= 'a' && c <= 'z') || c == '~';
}

bool IsUrlByte(unsigned char c) {
  return c == '#' || c == '%' || c == '&' || c == '+' || (c >= '-' && c <= ':') || c == '=' || c == '?' ||
         (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z') || c == '~';
}

// What the tokeniser skips between tokens: control bytes and space, but not the tab (a token of its
// own) nor NUL (an ordinary byte).
bool IsBlank(unsigned char c) {
  return c >= 1 && c <= 32 && c != '\t';
}

constexpr uint16_t kFullWidthComma = 0x8143;
constexpr uint16_t kFullWidthPeriod = 0x8144;
constexpr uint16_t kProlongedSound = 0x815B;  // ー
constexpr uint16_t kMinusSign = 0x817C;

// The kind a character of lead 0x82 or 0x83 starts: a run of full-width digits, letters, hiragana or
// katakana, or a symbol of its own.
int WideKind(uint16_t code) {
  if (code >= 0x824F && code <= 0x8258)
    return toDBInt;
  if ((code >= 0x8260 && code <= 0x8279) || (code >= 0x8281 && code <= 0x829A))
    return toDBAlph;
  if (code >= 0x829F && code <= 0x82F1)
    return toDBHira;
  if (code >= 0x8340 && code <= 0x8396)
    return toDBKana;
  return toDBSymbol;
}

bool InWideRun(int kind, uint16_t code) {
  switch (kind) {
    case toDBInt:
      return (code >= 0x824F && code <= 0x8258) || code == kFullWidthComma || code == kFullWidthPeriod;
    case toDBAlph:
      return (code >= 0x8260 && code <= 0x8279) || (code >= 0x8281 && code <= 0x829A);
    case toDBHira:
      return (code >= 0x829F && code <= 0x82F1) || code == kProlongedSound || code == kMinusSign;
    case toDBKana:
      return (code >= 0x8340 && code <= 0x8396) || code == kProlongedSound || code == kMinusSign;
    default:
      return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFountainColor

const TClassInfo& TFountainColor::StaticClass() {
  static const TClassInfo info(
      "TFountainColor", &Inherited::StaticClass(),
      {props::WithDefault(props::Integer<&TFountainColor::BkColor, &TFountainColor::SetBkColor>("BkColor"), clNone),
       props::WithDefault(props::Integer<&TFountainColor::Color, &TFountainColor::SetColor>("Color"), clNone),
       props::WithDefault(props::SetOf<&TFountainColor::Style, &TFountainColor::SetStyle>("Style", kFontStyleNames),
                          0)});
  return info;
}

void TFountainColor::SetBkColor(int32_t value) {
  if (value == bkColor_)
    return;
  bkColor_ = value;
  Changed();
}

void TFountainColor::SetColor(int32_t value) {
  if (value == color_)
    return;
  color_ = value;
  Changed();
}

void TFountainColor::SetStyle(int32_t value) {
  if (value == style_)
    return;
  style_ = value;
  Changed();
}

void TFountainColor::Assign(const TPersistent* source) {
  const auto* other = As<TFountainColor>(source);
  if (!other) {
    TNotifyPersistent::Assign(source);
    return;
  }
  bkColor_ = other->bkColor_;
  color_ = other->color_;
  style_ = other->style_;
  Changed();
}

// ---------------------------------------------------------------------------------------------
// TFountainColorItem, TFountainBracketItem

const TClassInfo& TFountainColorItem::StaticClass() {
  static const TClassInfo info("TFountainColorItem", &Inherited::StaticClass(),
                               {props::Object<&TFountainColorItem::ItemColor>("ItemColor")});
  return info;
}

TFountainColorItem::TFountainColorItem(TCollection* collection)
    : TCollectionItem(collection), itemColor_(std::make_unique<TFountainColor>()) {
  if (auto* notifying = As<TNotifyCollection>(collection))
    itemColor_->OnChange = TNotifyEvent::Of<&TNotifyCollection::ChangedProc>(notifying);
}

TFountainColorItem::~TFountainColorItem() = default;

void TFountainColorItem::Assign(const TPersistent* source) {
  const auto* other = As<TFountainColorItem>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  itemColor_->Assign(other->itemColor_.get());
}

const TClassInfo& TFountainBracketItem::StaticClass() {
  static const TClassInfo info(
      "TFountainBracketItem", &Inherited::StaticClass(),
      {props::String<&TFountainBracketItem::LeftBracket, &TFountainBracketItem::SetLeftBracket>("LeftBracket"),
       props::String<&TFountainBracketItem::RightBracket, &TFountainBracketItem::SetRightBracket>("RightBracket")});
  return info;
}

void TFountainBracketItem::SetLeftBracket(const std::string& value) {
  if (value == leftBracket_)
    return;
  leftBracket_ = value;
  Changed(false);
}

void TFountainBracketItem::SetRightBracket(const std::string& value) {
  if (value == rightBracket_)
    return;
  rightBracket_ = value;
  Changed(false);
}

void TFountainBracketItem::Assign(const TPersistent* source) {
  const auto* other = As<TFountainBracketItem>(source);
  if (!other) {
    TFountainColorItem::Assign(source);
    return;
  }
  leftBracket_ = other->leftBracket_;
  rightBracket_ = other->rightBracket_;
  TFountainColorItem::Assign(source);
}

// ---------------------------------------------------------------------------------------------
// TFountainBracketCollection

const TClassInfo& TFountainBracketCollection::StaticClass() {
  static const TClassInfo info("TFountainBracketCollection", &Inherited::StaticClass());
  return info;
}

TFountainBracketCollection::TFountainBracketCollection(TPersistent* owner)
    : TNotifyCollection(
          [](TCollection* collection) -> TCollectionItem* {
            if (collection->Count() >= kMaxItems)
              throw Exception("TFountainBracketCollection\r\nYou can not add item over " + std::to_string(kMaxItems));
            return new TFountainBracketItem(collection);
          },
          owner) {}

TFountainBracketCollection::~TFountainBracketCollection() {
  // The items' colours call back into the collection while they go.
  ClearSilently();
}

// ---------------------------------------------------------------------------------------------
// TFountain

const TClassInfo& TFountain::StaticClass() {
  static const TClassInfo info(
      "TFountain", &Inherited::StaticClass(),
      {props::Object<&TFountain::Brackets>("Brackets"), props::Object<&TFountain::Reserve>("Reserve"),
       props::StringList<&TFountain::ReserveWordList, &TFountain::SetReserveWordList>("ReserveWordList")});
  return info;
}

TFountain::TFountain(TComponent* owner, BracketsFactory brackets)
    : TFileExtComponent(owner), subscribers_(std::make_unique<TNotifyEventList>(this)) {
  brackets_ = brackets(*this);
  brackets_->OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(subscribers_.get());
  reserve_ = CreateColor();
}

TFountain::~TFountain() = default;

void TFountain::SetReserveWordList(const std::vector<std::string>& words) {
  std::vector<std::string> sorted = words;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  sorted.erase(std::unique(sorted.begin(), sorted.end(),
                           [](const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }),
               sorted.end());
  reserveWordList_ = std::move(sorted);
  subscribers_->Changed();
}

bool TFountain::IsReserveWord(std::string_view word) const {
  const auto at = std::lower_bound(reserveWordList_.begin(), reserveWordList_.end(), word,
                                   [](const std::string& a, std::string_view b) { return CompareText(a, b) < 0; });
  return at != reserveWordList_.end() && CompareText(*at, word) == 0;
}

bool TFountain::HasItalic(TPersistent& instance) {
  bool italic = false;
  ForEachPublishedProperty(instance, TTypeKinds::All().Without(TTypeKind::Method),
                           [&](TPersistent& owner, const TPropInfo& prop) {
                             if (prop.Kind != TTypeKind::Class || !prop.GetObj)
                               return;
                             if (const auto* color = As<TFountainColor>(prop.GetObj(owner)))
                               italic = italic || (color->Style() & FontStyleBit(fsItalic)) != 0;
                           });
  return italic;
}

// ---------------------------------------------------------------------------------------------
// TFountainParser

TFountainParser::TFountainParser(TFountain* fountain) : fountain_(fountain) {
  if (!fountain)
    throw Exception("TFountainParser.Create need instance of TFountain");
  InitMethodTable();
  const TFountainBracketCollection* brackets = fountain->Brackets();
  for (int i = 0; i < brackets->Count(); ++i) {
    if (brackets->Items(i)->Usable())
      bracketStarts_.set(static_cast<unsigned char>(brackets->Items(i)->LeftBracket()[0]));
  }
}

TFountainParser::~TFountainParser() = default;

void TFountainParser::InitMethodTable() {
  byteHandlers_.fill(&TFountainParser::SymbolToken);
  byteHandlers_['\t'] = &TFountainParser::TabToken;
  for (int c = '0'; c <= '9'; ++c)
    byteHandlers_[static_cast<std::size_t>(c)] = &TFountainParser::NumberToken;
  for (int c = 0; c < 256; ++c) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_')
      byteHandlers_[b] = &TFountainParser::AnkToken;
    else if (b == 0x81 || (b >= 0x84 && b <= 0x87))
      byteHandlers_[b] = &TFountainParser::DBCSSymbolToken;
    else if (b == 0x82 || b == 0x83)
      byteHandlers_[b] = &TFountainParser::WideToken;
    else if (IsKanjiLead(b))
      byteHandlers_[b] = &TFountainParser::KanjiToken;
    else if (b >= 0xA1 && b <= 0xA5)
      byteHandlers_[b] = &TFountainParser::KanaSymbolToken;
    else if (b >= 0xA6 && b <= 0xDF)
      byteHandlers_[b] = &TFountainParser::KanaToken;
  }

  kindHandlers_.fill(&TFountainParser::SymbolToken);
  kindHandlers_[toInteger] = &TFountainParser::NumberToken;
  kindHandlers_[toFloat] = &TFountainParser::NumberToken;
  kindHandlers_[toBracket] = &TFountainParser::BracketToken;
  kindHandlers_[toComment] = &TFountainParser::CommentToken;
  kindHandlers_[toReserve] = &TFountainParser::ReserveWordToken;
  kindHandlers_[toAnk] = &TFountainParser::AnkToken;
  kindHandlers_[toDBSymbol] = &TFountainParser::DBCSSymbolToken;
  for (int kind = toDBInt; kind <= toDBKana; ++kind)
    kindHandlers_[static_cast<std::size_t>(kind)] = &TFountainParser::WideToken;
  kindHandlers_[toDBKanji] = &TFountainParser::KanjiToken;
  kindHandlers_[toKanaSymbol] = &TFountainParser::KanaSymbolToken;
  kindHandlers_[toKana] = &TFountainParser::KanaToken;
  kindHandlers_[toUrl] = &TFountainParser::UrlToken;
  kindHandlers_[toMail] = &TFountainParser::MailToken;
  kindHandlers_[toHex] = &TFountainParser::HexToken;
  kindHandlers_[toSingleQuotation] = &TFountainParser::SingleQuoteToken;
  kindHandlers_[toDoubleQuotation] = &TFountainParser::DoubleQuoteToken;
}

void TFountainParser::SetRowData(std::string_view text, const TRowAttributeData& data) {
  text_ = text;
  tokenStart_ = 0;
  pos_ = 0;
  kind_ = toEof;
  colorIndex_ = -2;
  continuing_ = false;
  noMailBefore_ = 0;
  rowAttribute_ = data.RowAttribute;
  prevRowAttribute_ = data.PrevRowAttribute;
  bracketIndex_ = data.BracketIndex;
  parserValue1_ = data.ParserValue1;
  remain_ = data.Remain;
  parserValue3_ = data.ParserValue3;
  tokenKind_ = data.TokenKind;
  parserValue4_ = data.ParserValue4;
  stateText_ = data.StateText;
}

void TFountainParser::SkipSpaces() {
  while (pos_ < text_.size() && IsBlank(static_cast<unsigned char>(text_[pos_])))
    ++pos_;
}

int TFountainParser::Next() {
  continuing_ = tokenKind_ != 0;
  // A token that goes on from the row before, or an open bracket pair, starts at the row's first
  // byte: its leading blanks belong to it.
  if (!continuing_ && bracketIndex_ < 0)
    SkipSpaces();
  tokenStart_ = pos_;
  if (AtEnd()) {
    kind_ = toEof;
    return kind_;
  }
  if (continuing_)
    ContinueToken();
  else if (bracketIndex_ < 0)
    NextToken();
  else
    BracketToken();
  // No handler may stall the reading: a token that took nothing outside a continuation takes one
  // character.
  if (pos_ == tokenStart_ && !continuing_) {
    pos_ += CharLength(text_, pos_);
    if (kind_ == toEof)
      kind_ = toSymbol;
  }
  return kind_;
}

void TFountainParser::NextToken() {
  if (bracketIndex_ < 0 && IsBracketStart()) {
    BracketToken();
    return;
  }
  (this->*byteHandlers_[static_cast<unsigned char>(text_[pos_])])();
}

void TFountainParser::ContinueToken() {
  kind_ = tokenKind_;
  if (remain_ > 0) {
    // The rest of the token is known by its length, counted from the row's start; it never ends
    // inside a character.
    const auto end = std::min(static_cast<std::size_t>(remain_), text_.size());
    while (pos_ < end)
      pos_ += CharLength(text_, pos_);
    if (kind_ == toBracket) {
      colorIndex_ = bracketIndex_;
      bracketIndex_ = -1;
    }
  } else {
    (this->*kindHandlers_[static_cast<std::size_t>(tokenKind_ & 0xFF)])();
  }
  tokenKind_ = 0;
  remain_ = 0;
}

const TFountainBracketItem* TFountainParser::UsableBracket(int index) const {
  const TFountainBracketCollection* brackets = fountain_->Brackets();
  if (index < 0 || index >= brackets->Count())
    return nullptr;
  const TFountainBracketItem* item = brackets->Items(index);
  return item->Usable() ? item : nullptr;
}

bool TFountainParser::IsBracketStart() {
  if (!bracketStarts_.test(static_cast<unsigned char>(text_[pos_])))
    return false;
  const TFountainBracketCollection* brackets = fountain_->Brackets();
  for (int i = 0; i < brackets->Count(); ++i) {
    const TFountainBracketItem* item = brackets->Items(i);
    if (item->Usable() && MatchesAt(text_, pos_, item->LeftBracket())) {
      bracketIndex_ = i;
      pos_ += item->LeftBracket().size();
      return true;
    }
  }
  return false;
}

void TFountainParser::BracketToken() {
  const TFountainBracketItem* item = UsableBracket(bracketIndex_);
  if (!item) {
    // A pair that no longer exists (the scheme changed under a stored state) opens nothing: the text
    // is read as if no pair were open.
    bracketIndex_ = -1;
    NextToken();
    return;
  }
  kind_ = toBracket;
  colorIndex_ = bracketIndex_;
  const std::string& right = item->RightBracket();
  while (pos_ < text_.size()) {
    if (text_[pos_] == right[0] && MatchesAt(text_, pos_, right)) {
      pos_ += right.size();
      bracketIndex_ = -1;
      return;
    }
    pos_ += CharLength(text_, pos_);
  }
}

bool TFountainParser::IsMailStart() {
  const unsigned char first = ByteAt(pos_);
  if (!IsMailByte(first) || first == '@' || pos_ < noMailBefore_)
    return false;
  bool at = false;
  std::size_t p = pos_;
  for (; p < text_.size() && IsMailByte(static_cast<unsigned char>(text_[p])); ++p) {
    if (text_[p] == '@') {
      at = true;
    } else if (text_[p] == '.' && at) {
      pos_ = p + 1;
      return true;
    }
  }
  // Every later start inside this run sees a part of it: none can hold an address either.
  noMailBefore_ = p;
  return false;
}

void TFountainParser::MailToken() {
  while (pos_ < text_.size() && IsMailByte(static_cast<unsigned char>(text_[pos_])))
    ++pos_;
  kind_ = toMail;
}

bool TFountainParser::IsUrlStart() {
  static constexpr std::string_view kPrefixes[] = {"ftp:", "http:", "https:", "www."};
  for (std::string_view prefix : kPrefixes) {
    if (text_.substr(pos_, prefix.size()) == prefix) {
      pos_ += prefix.size();
      return true;
    }
  }
  return false;
}

void TFountainParser::UrlToken() {
  while (pos_ < text_.size() && IsUrlByte(static_cast<unsigned char>(text_[pos_])))
    ++pos_;
  kind_ = toUrl;
}

void TFountainParser::ReserveWordToken() {
  (this->*byteHandlers_[static_cast<unsigned char>(text_[pos_])])();
  kind_ = toReserve;
}

void TFountainParser::TabToken() {
  ++pos_;
  kind_ = toTab;
}

void TFountainParser::CommentToken() {
  pos_ = text_.size();
  kind_ = toComment;
}

void TFountainParser::DigitsToken(bool hexadecimal, int kind) {
  while (pos_ < text_.size()) {
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (!(hexadecimal ? IsHexDigit(c) : IsDigit(c)))
      break;
    ++pos_;
  }
  kind_ = kind;
}

void TFountainParser::HexToken() {
  DigitsToken(true, toHex);
}

void TFountainParser::NumberToken() {
  const auto skipDigits = [this] {
    while (IsDigit(ByteAt(pos_)))
      ++pos_;
  };
  const auto isExponent = [](unsigned char c) { return c == 'E' || c == 'e'; };
  // The letter, an optional sign and digits; the letter is taken even when no digits follow.
  const auto skipExponent = [&] {
    ++pos_;
    if (ByteAt(pos_) == '+' || ByteAt(pos_) == '-')
      ++pos_;
    skipDigits();
  };
  kind_ = toInteger;
  skipDigits();
  if (ByteAt(pos_) == '.') {
    kind_ = toFloat;
    if (IsDigit(ByteAt(pos_ + 1))) {
      ++pos_;
      skipDigits();
      if (isExponent(ByteAt(pos_)))
        skipExponent();
    } else if (isExponent(ByteAt(pos_ + 1))) {
      ++pos_;
      skipExponent();
    }
    // Otherwise the point is left for the next token.
  } else if (isExponent(ByteAt(pos_))) {
    kind_ = toFloat;
    skipExponent();
  }
}

void TFountainParser::AnkToken() {
  while (IsAnkByte(ByteAt(pos_)))
    ++pos_;
  kind_ = toAnk;
}

void TFountainParser::DBCSSymbolToken() {
  pos_ += CharLength(text_, pos_);
  kind_ = toDBSymbol;
}

void TFountainParser::WideToken() {
  const auto codeAt = [this](std::size_t p) {
    return static_cast<uint16_t>(static_cast<unsigned char>(text_[p]) << 8 | static_cast<unsigned char>(text_[p + 1]));
  };
  int kind = tokenKind_;
  if (!(Continuing() && kind >= toDBInt && kind <= toDBKana)) {
    if (CharLength(text_, pos_) != 2) {
      DBCSSymbolToken();
      return;
    }
    kind = WideKind(codeAt(pos_));
    if (kind == toDBSymbol) {
      DBCSSymbolToken();
      return;
    }
  }
  while (CharLength(text_, pos_) == 2 && InWideRun(kind, codeAt(pos_)))
    pos_ += 2;
  kind_ = kind;
}

void TFountainParser::KanjiToken() {
  while (pos_ < text_.size() && IsKanjiLead(static_cast<unsigned char>(text_[pos_])))
    pos_ += CharLength(text_, pos_);
  kind_ = toDBKanji;
}

void TFountainParser::KanaSymbolToken() {
  ++pos_;
  kind_ = toKanaSymbol;
}

void TFountainParser::KanaToken() {
  while (ByteAt(pos_) >= 0xA6 && ByteAt(pos_) <= 0xDF)
    ++pos_;
  kind_ = toKana;
}

void TFountainParser::SymbolToken() {
  pos_ += CharLength(text_, pos_);
  kind_ = toSymbol;
}

void TFountainParser::QuotedToken(unsigned char quote, int kind) {
  kind_ = kind;
  if (!Continuing())
    ++pos_;
  while (pos_ < text_.size()) {
    const std::size_t length = CharLength(text_, pos_);
    if (length == 1 && static_cast<unsigned char>(text_[pos_]) == quote) {
      if (pos_ + 1 >= text_.size() || static_cast<unsigned char>(text_[pos_ + 1]) != quote) {
        ++pos_;
        return;
      }
      ++pos_;  // a doubled quote stays inside
    }
    pos_ += length;
  }
}

void TFountainParser::SingleQuoteToken() {
  QuotedToken('\'', toSingleQuotation);
}

void TFountainParser::DoubleQuoteToken() {
  QuotedToken('"', toDoubleQuotation);
}

bool TFountainParser::IsReserveWord() const {
  if (continuing_ || kind_ == toEof || kind_ == toBracket || kind_ == toComment)
    return false;
  return !fountain_->ReserveWordList().empty() && fountain_->IsReserveWord(TokenString());
}

void TFountainParser::AdjustKind(int& kind) const {
  if (IsReserveWord())
    kind = toReserve;
}

TTokenKinds TFountainParser::ContinuingKinds() const {
  TTokenKinds kinds;
  kinds.set(toComment);
  kinds.set(toSingleQuotation);
  kinds.set(toDoubleQuotation);
  return kinds;
}

TTokenKinds TFountainParser::RowEndKinds() const {
  TTokenKinds kinds;
  kinds.set(toComment);
  return kinds;
}

void TFountainParser::GetRowEndData(int row, const TRowAttributeStringList& rows, TRowAttributeData& data) {
  if (RowEndKinds().test(data.TokenKind)) {
    // The token runs to the end of the logical line: on through a wrapped row, no further.
    if (data.RowAttribute != 1)
      data.TokenKind = 0;
    data.Remain = 0;
    return;
  }
  std::string s = rows.Get(row);
  const std::size_t rowLength = s.size();
  if (std::all_of(s.begin(), s.end(), [](char c) { return IsBlank(static_cast<unsigned char>(c)); }))
    return;
  // A token that crosses the wrap is read whole.
  const bool wrapped = data.RowAttribute == 1 && row + 1 < rows.Count();
  if (wrapped)
    s += rows.Get(row + 1);

  int colorIndex = data.BracketIndex;
  int32_t value1 = data.ParserValue1;
  SetRowData(s, data);
  int lastKind = toEof;
  bool crossed = false;
  while (const int kind = Next()) {
    lastKind = kind;
    data.BracketIndex = bracketIndex_;
    if (kind == toBracket)
      colorIndex = colorIndex_;
    value1 = parserValue1_;
    if (pos_ > rowLength) {
      crossed = true;
      break;
    }
    data.ParserValue1 = parserValue1_;
    data.ParserValue4 = parserValue4_;
  }
  data.Remain = 0;
  data.TokenKind = 0;
  if (!crossed)
    return;
  if (tokenStart_ >= rowLength) {
    // A token of the next row: nothing of it belongs to this row's end state.
    data.BracketIndex = -1;
    return;
  }
  const auto over = static_cast<int32_t>(pos_ - rowLength);
  data.ParserValue1 = value1;
  if (lastKind == toBracket) {
    if (bracketIndex_ >= 0)
      return;  // still open after the next row: the next row starts inside the open pair
    // The pair closed in the next row: it starts inside it, or, when the closing bracket itself
    // straddles the wrap, with the rest of the bracket token.
    data.BracketIndex = colorIndex;
    const TFountainBracketItem* item = UsableBracket(colorIndex);
    if (item && static_cast<int32_t>(item->RightBracket().size()) > over) {
      data.TokenKind = toBracket;
      data.Remain = over;
    }
    return;
  }
  int kind = lastKind;
  AdjustKind(kind);
  data.TokenKind = static_cast<uint8_t>(kind);
  if (ContinuingKinds().test(static_cast<std::size_t>(kind)))
    return;
  // A token that runs through the whole next row may go on into the row after it: the
  // continuation handler reads it again there. Otherwise its rest is known by length.
  if (pos_ >= s.size() && row + 1 < rows.Count() && rows.RowAttribute(row + 1) == 1)
    return;
  data.Remain = over;
}

}  // namespace vrel
