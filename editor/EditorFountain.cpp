#include "editor/EditorFountain.h"

#include "editor/zeUtils.h"
#include "platform/PublishedProperties.h"
#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

constexpr int32_t clNavy = 0x800000;
constexpr int32_t clWhite = 0xFFFFFF;

}  // namespace

// ---------------------------------------------------------------------------------------------
// TEditorColor, TEditorColors

const TClassInfo& TEditorColor::StaticClass() {
  static const TClassInfo info("TEditorColor", &Inherited::StaticClass());
  return info;
}

const TClassInfo& TEditorColors::StaticClass() {
  static const TClassInfo info(
      "TEditorColors", &Inherited::StaticClass(),
      {props::Object<&TEditorColors::Ank>("Ank"), props::Object<&TEditorColors::Comment>("Comment"),
       props::Object<&TEditorColors::DBCS>("DBCS"), props::Object<&TEditorColors::Hit>("Hit"),
       props::Object<&TEditorColors::Int>("Int"), props::Object<&TEditorColors::Mail>("Mail"),
       props::Object<&TEditorColors::Reserve>("Reserve"), props::Object<&TEditorColors::Select>("Select"),
       props::Object<&TEditorColors::Str>("Str"), props::Object<&TEditorColors::Symbol>("Symbol"),
       props::Object<&TEditorColors::Url>("Url")});
  return info;
}

TEditorColors::TEditorColors(TEditorFountain& fountain)
    : fountain_(fountain),
      ank_(MakeColor()),
      comment_(MakeColor()),
      dbcs_(MakeColor()),
      hit_(MakeColor()),
      int_(MakeColor()),
      mail_(MakeColor()),
      select_(MakeColor()),
      str_(MakeColor()),
      symbol_(MakeColor()),
      url_(MakeColor()) {
  // Nobody listens yet, so setting the defaults announces nothing.
  select_->SetBkColor(clNavy);
  select_->SetColor(clWhite);
}

TEditorColors::~TEditorColors() = default;

std::unique_ptr<TEditorColor> TEditorColors::MakeColor() const {
  return fountain_.CreateColor<TEditorColor>();
}

TFountainColor* TEditorColors::Reserve() const {
  return fountain_.Reserve();
}

void TEditorColors::Assign(const TPersistent* source) {
  const auto* other = As<TEditorColors>(source);
  if (!other) {
    TNotifyPersistent::Assign(source);
    return;
  }
  UpdateGuard<TNotifyEventList> batch(*fountain_.Subscribers());
  ank_->Assign(other->ank_.get());
  comment_->Assign(other->comment_.get());
  dbcs_->Assign(other->dbcs_.get());
  hit_->Assign(other->hit_.get());
  int_->Assign(other->int_.get());
  mail_->Assign(other->mail_.get());
  Reserve()->Assign(other->Reserve());
  select_->Assign(other->select_.get());
  str_->Assign(other->str_.get());
  symbol_->Assign(other->symbol_.get());
  url_->Assign(other->url_.get());
}

// ---------------------------------------------------------------------------------------------
// TEditorBracketCollection

const TClassInfo& TEditorBracketCollection::StaticClass() {
  static const TClassInfo info("TEditorBracketCollection", &Inherited::StaticClass());
  return info;
}

void TEditorBracketCollection::SetAll(void (TFountainColor::*set)(int32_t), int32_t value) {
  UpdateGuard<TCollection> batch(*this);
  for (int i = 0; i < Count(); ++i)
    (Items(i)->ItemColor()->*set)(value);
}

void TEditorBracketCollection::SetAllBkColor(int32_t value) {
  SetAll(&TFountainColor::SetBkColor, value);
}

void TEditorBracketCollection::SetAllColor(int32_t value) {
  SetAll(&TFountainColor::SetColor, value);
}

void TEditorBracketCollection::SetAllStyle(int32_t value) {
  SetAll(&TFountainColor::SetStyle, value);
}

// ---------------------------------------------------------------------------------------------
// TEditorFountain

const TClassInfo& TEditorFountain::StaticClass() {
  static const TClassInfo info(
      "TEditorFountain", &Inherited::StaticClass(),
      {props::Object<&TEditorFountain::Colors>("Colors"),
       props::String<&TEditorFountain::Commenter, &TEditorFountain::SetCommenter>("Commenter"),
       props::WithDefault(
           props::Boolean<&TEditorFountain::ControlCode, &TEditorFountain::SetControlCode>("ControlCode"), 0),
       props::String<&TEditorFountain::HexPrefix, &TEditorFountain::SetHexPrefix>("HexPrefix"),
       props::WithDefault(props::Boolean<&TEditorFountain::Mail, &TEditorFountain::SetMail>("Mail"), 0),
       props::String<&TEditorFountain::Quotation, &TEditorFountain::SetQuotation>("Quotation"),
       props::WithDefault(props::Boolean<&TEditorFountain::Url, &TEditorFountain::SetUrl>("Url"), 0)},
      [](TComponent* owner) -> TComponent* { return new TEditorFountain(owner); });
  return info;
}

TEditorFountain::TEditorFountain(TComponent* owner)
    : TFountain(owner,
                [](TFountain& fountain) -> std::unique_ptr<TFountainBracketCollection> {
                  return std::make_unique<TEditorBracketCollection>(&fountain);
                }),
      colors_(std::make_unique<TEditorColors>(*this)) {}

TEditorFountain::~TEditorFountain() = default;

template <class T>
void TEditorFountain::SetAndNotify(T& field, const T& value) {
  if (field == value)
    return;
  field = value;
  Subscribers()->Changed();
}

void TEditorFountain::SetCommenter(const std::string& value) {
  SetAndNotify(commenter_, value);
}
void TEditorFountain::SetControlCode(bool value) {
  SetAndNotify(controlCode_, value);
}
void TEditorFountain::SetHexPrefix(const std::string& value) {
  SetAndNotify(hexPrefix_, value);
}
void TEditorFountain::SetMail(bool value) {
  SetAndNotify(mail_, value);
}
void TEditorFountain::SetQuotation(const std::string& value) {
  SetAndNotify(quotation_, value);
}
void TEditorFountain::SetUrl(bool value) {
  SetAndNotify(url_, value);
}

std::unique_ptr<TFountainParser> TEditorFountain::CreateParser() {
  return std::make_unique<TEditorParser>(this);
}

void TEditorFountain::SetAllColors(int part, int32_t value) {
  UpdateGuard<TNotifyEventList> batch(*Subscribers());
  ForEachPublishedProperty(*colors_, TTypeKinds::All().Without(TTypeKind::Method),
                           [&](TPersistent& owner, const TPropInfo& prop) {
                             if (prop.Kind != TTypeKind::Class || !prop.GetObj)
                               return;
                             auto* color = As<TFountainColor>(prop.GetObj(owner));
                             if (!color || SameText(prop.Name, "Select") || SameText(prop.Name, "Hit"))
                               return;
                             if (part == kBkColor)
                               color->SetBkColor(value);
                             else if (part == kColor)
                               color->SetColor(value);
                             else
                               color->SetStyle(value);
                           });
}

void TEditorFountain::SetAllBkColor(int32_t value) {
  SetAllColors(kBkColor, value);
}
void TEditorFountain::SetAllColor(int32_t value) {
  SetAllColors(kColor, value);
}
void TEditorFountain::SetAllStyle(int32_t value) {
  SetAllColors(kStyle, value);
}

// ---------------------------------------------------------------------------------------------
// TEditorParser

TEditorParser::TEditorParser(TEditorFountain* fountain)
    : TFountainParser(fountain),
      fountain_(*fountain),
      commenter_(fountain->Commenter()),
      hexPrefix_(fountain->HexPrefix()),
      controlCode_(fountain->ControlCode()),
      mail_(fountain->Mail()),
      url_(fountain->Url()) {
  // A quote character that is a lead byte would take the first half of double-byte characters and
  // never close: such a setting quotes nothing.
  if (!fountain->Quotation().empty() && !IsLeadByte(fountain->Quotation()[0]))
    quote_ = static_cast<unsigned char>(fountain->Quotation()[0]);
  kindHandlers_[toQuotation] = static_cast<Handler>(&TEditorParser::QuotationToken);
  kindHandlers_[toControlCode] = static_cast<Handler>(&TEditorParser::ControlCodeToken);
  kindHandlers_[toHexControlCode] = static_cast<Handler>(&TEditorParser::HexControlToken);
}

TTokenKinds TEditorParser::ContinuingKinds() const {
  TTokenKinds kinds = TFountainParser::ContinuingKinds();
  kinds.set(toQuotation);
  return kinds;
}

void TEditorParser::NextToken() {
  if (BracketIndex() < 0 && IsBracketStart()) {
    BracketToken();
    return;
  }
  if (mail_ && IsMailStart()) {
    MailToken();
    return;
  }
  if (url_ && IsUrlStart()) {
    UrlToken();
    return;
  }
  if (IsCommentStart()) {
    CommentToken();
    return;
  }
  if (IsQuotationStart()) {
    QuotationToken();
    return;
  }
  if (IsHexControlCode()) {
    HexControlToken();
    return;
  }
  if (IsControlCode()) {
    ControlCodeToken();
    return;
  }
  if (IsHexPrefix()) {
    HexToken();
    return;
  }
  (this->*byteHandlers_[static_cast<unsigned char>(text_[pos_])])();
}

bool TEditorParser::IsQuotationStart() const {
  return quote_ >= 0 && ByteAt(pos_) == quote_;
}

void TEditorParser::QuotationToken() {
  QuotedToken(static_cast<unsigned char>(quote_), toQuotation);
}

bool TEditorParser::IsCommentStart() {
  if (!MatchesAt(text_, pos_, commenter_))
    return false;
  pos_ += commenter_.size();
  return true;
}

bool TEditorParser::IsHexPrefix() {
  if (hexPrefix_.empty() || text_.size() - pos_ < hexPrefix_.size())
    return false;
  const std::string_view here = text_.substr(pos_, hexPrefix_.size());
  // Same length, same letters but for case, and no character of the text cut in two.
  if (CompareText(here, hexPrefix_) != 0 || !MatchesAt(text_, pos_, here))
    return false;
  pos_ += hexPrefix_.size();
  return true;
}

bool TEditorParser::IsHexControlCode() {
  if (!controlCode_ || ByteAt(pos_) != '#' || ByteAt(pos_ + 1) != '$')
    return false;
  pos_ += 2;
  return true;
}

void TEditorParser::HexControlToken() {
  DigitsToken(true, toHexControlCode);
}

bool TEditorParser::IsControlCode() {
  if (!controlCode_ || ByteAt(pos_) != '#')
    return false;
  ++pos_;
  return true;
}

void TEditorParser::ControlCodeToken() {
  DigitsToken(false, toControlCode);
}

const TFountainColor* TEditorParser::TokenColor() const {
  if (IsReserveWord())
    return fountain_.Reserve();
  const TEditorColors& colors = *fountain_.Colors();
  switch (kind_) {
    case toSymbol:
      return colors.Symbol();
    case toInteger:
    case toFloat:
    case toHex:
      return colors.Int();
    case toBracket: {
      const TFountainBracketItem* item = UsableBracket(BracketColorIndex());
      return item ? item->ItemColor() : nullptr;
    }
    case toComment:
      return colors.Comment();
    case toReserve:
      return fountain_.Reserve();
    case toAnk:
      return colors.Ank();
    case toDBSymbol:
    case toDBInt:
    case toDBAlph:
    case toDBHira:
    case toDBKana:
    case toDBKanji:
    case toKanaSymbol:
    case toKana:
      return colors.DBCS();
    case toUrl:
      return colors.Url();
    case toMail:
      return colors.Mail();
    case toQuotation:
    case toControlCode:
    case toHexControlCode:
      return colors.Str();
    default:
      return nullptr;
  }
}

}  // namespace vrel
