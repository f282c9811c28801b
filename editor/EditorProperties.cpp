#include "editor/EditorProperties.h"

#include <algorithm>

#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

constexpr const char* kDragModeNames[] = {"dmManual", "dmAutomatic"};
constexpr const char* kCaretStyleNames[] = {"csDefault", "csBrief"};
constexpr const char* kShowNumberModeNames[] = {"nmRow", "nmLine"};

// Stores `value` and announces it when it differs.
template <class T>
void Update(TNotifyPersistent& owner, T& field, T value) {
  if (field == value)
    return;
  field = value;
  owner.Changed();
}

int32_t Clamp100(int32_t value) {
  return std::clamp(value, 0, 100);
}

// Everything a notifying Assign does: one change for all the fields `copy` sets.
template <class T, class Copy>
void AssignFields(T& target, const TPersistent* source, Copy copy) {
  const auto* other = As<T>(source);
  if (!other) {
    target.TNotifyPersistent::Assign(source);
    return;
  }
  UpdateGuard<TNotifyPersistent> batch(target);
  copy(*other);
}

template <auto Get, auto Set>
TPropInfo Bool(const char* name, bool value) {
  return props::WithDefault(props::Boolean<Get, Set>(name), value ? 1 : 0);
}

template <auto Get, auto Set>
TPropInfo Int(const char* name, int64_t value) {
  return props::WithDefault(props::Integer<Get, Set>(name), value);
}

template <auto Get, auto Set>
TPropInfo Enum(const char* name, std::span<const char* const> names, int64_t value) {
  return props::WithDefault(props::Enumeration<Get, Set>(name, names), value);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TEditorCursors

const TClassInfo& TEditorCursors::StaticClass() {
  using C = TEditorCursors;
  static const TClassInfo info(
      "TEditorCursors", &Inherited::StaticClass(),
      {Int<&C::DefaultCursor, &C::SetDefaultCursor>("DefaultCursor", crIBeam),
       Int<&C::DragSelCursor, &C::SetDragSelCursor>("DragSelCursor", crDrag),
       Int<&C::DragSelCopyCursor, &C::SetDragSelCopyCursor>("DragSelCopyCursor", crEditorDragSelCopy),
       Int<&C::InSelCursor, &C::SetInSelCursor>("InSelCursor", crDefault),
       Int<&C::LeftMarginCursor, &C::SetLeftMarginCursor>("LeftMarginCursor", crEditorRightArrow),
       Int<&C::TopMarginCursor, &C::SetTopMarginCursor>("TopMarginCursor", crDefault)});
  return info;
}

void TEditorCursors::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorCursors& other) {
    defaultCursor_ = other.defaultCursor_;
    dragSelCursor_ = other.dragSelCursor_;
    dragSelCopyCursor_ = other.dragSelCopyCursor_;
    inSelCursor_ = other.inSelCursor_;
    leftMarginCursor_ = other.leftMarginCursor_;
    topMarginCursor_ = other.topMarginCursor_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorCaret

const TClassInfo& TEditorCaret::StaticClass() {
  using C = TEditorCaret;
  static const TClassInfo info(
      "TEditorCaret", &Inherited::StaticClass(),
      {Bool<&C::AutoCursor, &C::SetAutoCursor>("AutoCursor", true),
       Bool<&C::AutoIndent, &C::SetAutoIndent>("AutoIndent", true),
       Bool<&C::BackSpaceUnIndent, &C::SetBackSpaceUnIndent>("BackSpaceUnIndent", true),
       props::Object<&C::Cursors>("Cursors"), Bool<&C::FreeCaret, &C::SetFreeCaret>("FreeCaret", true),
       Bool<&C::FreeRow, &C::SetFreeRow>("FreeRow", false), Bool<&C::InTab, &C::SetInTab>("InTab", false),
       Bool<&C::KeepCaret, &C::SetKeepCaret>("KeepCaret", false),
       Bool<&C::LockScroll, &C::SetLockScroll>("LockScroll", false),
       Bool<&C::NextLine, &C::SetNextLine>("NextLine", false),
       Bool<&C::PrevSpaceIndent, &C::SetPrevSpaceIndent>("PrevSpaceIndent", false),
       Bool<&C::RowSelect, &C::SetRowSelect>("RowSelect", true),
       Enum<&C::SelDragMode, &C::SetSelDragMode>("SelDragMode", kDragModeNames, dmAutomatic),
       Bool<&C::SelMove, &C::SetSelMove>("SelMove", true), Bool<&C::SoftTab, &C::SetSoftTab>("SoftTab", false),
       Enum<&C::Style, &C::SetStyle>("Style", kCaretStyleNames, csDefault),
       Bool<&C::TabIndent, &C::SetTabIndent>("TabIndent", false),
       Int<&C::TabSpaceCount, &C::SetTabSpaceCount>("TabSpaceCount", 8),
       Bool<&C::TokenEndStop, &C::SetTokenEndStop>("TokenEndStop", false)});
  return info;
}

TEditorCaret::TEditorCaret() : cursors_(std::make_unique<TEditorCursors>()) {
  cursors_->OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
}

TEditorCaret::~TEditorCaret() = default;

void TEditorCaret::SetStyle(TEditorCaretStyle value) {
  Update(*this, style_, value);
}

void TEditorCaret::SetTabSpaceCount(int32_t value) {
  Update(*this, tabSpaceCount_, std::clamp(value, 2, 8) / 2 * 2);
}

void TEditorCaret::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorCaret& other) {
    autoCursor_ = other.autoCursor_;
    autoIndent_ = other.autoIndent_;
    backSpaceUnIndent_ = other.backSpaceUnIndent_;
    cursors_->Assign(other.cursors_.get());
    freeCaret_ = other.freeCaret_;
    freeRow_ = other.freeRow_;
    inTab_ = other.inTab_;
    keepCaret_ = other.keepCaret_;
    lockScroll_ = other.lockScroll_;
    nextLine_ = other.nextLine_;
    prevSpaceIndent_ = other.prevSpaceIndent_;
    rowSelect_ = other.rowSelect_;
    selDragMode_ = other.selDragMode_;
    selMove_ = other.selMove_;
    softTab_ = other.softTab_;
    style_ = other.style_;
    tabIndent_ = other.tabIndent_;
    tabSpaceCount_ = other.tabSpaceCount_;
    tokenEndStop_ = other.tokenEndStop_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorMargin

const TClassInfo& TEditorMargin::StaticClass() {
  using C = TEditorMargin;
  static const TClassInfo info(
      "TEditorMargin", &Inherited::StaticClass(),
      {Int<&C::Character, &C::SetCharacter>("Character", 0), Int<&C::Left, &C::SetLeft>("Left", 19),
       Int<&C::Line, &C::SetLine>("Line", 0), Int<&C::Top, &C::SetTop>("Top", 2)});
  return info;
}

void TEditorMargin::SetCharacter(int32_t value) {
  Update(*this, character_, Clamp100(value));
}
void TEditorMargin::SetLeft(int32_t value) {
  Update(*this, left_, Clamp100(value));
}
void TEditorMargin::SetLine(int32_t value) {
  Update(*this, line_, Clamp100(value));
}
void TEditorMargin::SetTop(int32_t value) {
  Update(*this, top_, Clamp100(value));
}

void TEditorMargin::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorMargin& other) {
    character_ = other.character_;
    left_ = other.left_;
    line_ = other.line_;
    top_ = other.top_;
    extra_ = other.extra_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorMark, TEditorMarks

const TClassInfo& TEditorMark::StaticClass() {
  using C = TEditorMark;
  static const TClassInfo info(
      "TEditorMark", &Inherited::StaticClass(),
      {Int<&C::Color, &C::SetColor>("Color", clGray), Bool<&C::Visible, &C::SetVisible>("Visible", false)});
  return info;
}

void TEditorMark::SetColor(int32_t value) {
  Update(*this, color_, value);
}
void TEditorMark::SetVisible(bool value) {
  Update(*this, visible_, value);
}

void TEditorMark::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorMark& other) {
    color_ = other.color_;
    visible_ = other.visible_;
  });
}

const TClassInfo& TEditorMarks::StaticClass() {
  using C = TEditorMarks;
  static const TClassInfo info("TEditorMarks", &Inherited::StaticClass(),
                               {props::Object<&C::EofMark>("EofMark"), props::Object<&C::RetMark>("RetMark"),
                                props::Object<&C::WrapMark>("WrapMark"), props::Object<&C::HideMark>("HideMark"),
                                props::Object<&C::Underline>("Underline")});
  return info;
}

TEditorMarks::TEditorMarks()
    : eofMark_(MakeMark()),
      retMark_(MakeMark()),
      wrapMark_(MakeMark()),
      hideMark_(MakeMark()),
      underline_(MakeMark()) {}

TEditorMarks::~TEditorMarks() = default;

std::unique_ptr<TEditorMark> TEditorMarks::MakeMark() {
  auto mark = std::make_unique<TEditorMark>();
  mark->OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
  return mark;
}

void TEditorMarks::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorMarks& other) {
    eofMark_->Assign(other.eofMark_.get());
    retMark_->Assign(other.retMark_.get());
    wrapMark_->Assign(other.wrapMark_.get());
    hideMark_->Assign(other.hideMark_.get());
    underline_->Assign(other.underline_.get());
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorViewInfo

const TClassInfo& TEditorViewInfo::StaticClass() {
  using C = TEditorViewInfo;
  static const TClassInfo info(
      "TEditorViewInfo", &Inherited::StaticClass(),
      {props::Object<&C::Brackets>("Brackets"), props::Object<&C::Colors>("Colors"),
       props::String<&C::Commenter, &C::SetCommenter>("Commenter"),
       Bool<&C::ControlCode, &C::SetControlCode>("ControlCode", false),
       props::String<&C::HexPrefix, &C::SetHexPrefix>("HexPrefix"), Bool<&C::Mail, &C::SetMail>("Mail", false),
       props::String<&C::Quotation, &C::SetQuotation>("Quotation"), Bool<&C::Url, &C::SetUrl>("Url", false)});
  return info;
}

TEditorViewInfo::TEditorViewInfo(FountainFactory createFountain) : fountain_(createFountain()) {
  fountain_->Subscribers()->Add(
      TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this)));
}

TEditorViewInfo::~TEditorViewInfo() {
  fountain_->Subscribers()->Remove(
      TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this)));
}

void TEditorViewInfo::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorViewInfo& other) {
    SetBrackets(other.Brackets());
    SetColors(other.Colors());
    SetCommenter(other.Commenter());
    SetControlCode(other.ControlCode());
    SetHexPrefix(other.HexPrefix());
    SetMail(other.Mail());
    SetQuotation(other.Quotation());
    SetUrl(other.Url());
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorRuler

const TClassInfo& TEditorRuler::StaticClass() {
  using C = TEditorRuler;
  static const TClassInfo info(
      "TEditorRuler", &Inherited::StaticClass(),
      {Int<&C::BkColor, &C::SetBkColor>("BkColor", clSilver), Int<&C::Color, &C::SetColor>("Color", clBlack),
       Bool<&C::Edge, &C::SetEdge>("Edge", true), Int<&C::GaugeRange, &C::SetGaugeRange>("GaugeRange", 10),
       Int<&C::MarkColor, &C::SetMarkColor>("MarkColor", clBlack),
       Bool<&C::Visible, &C::SetVisible>("Visible", false)});
  return info;
}

void TEditorRuler::SetBkColor(int32_t value) {
  Update(*this, bkColor_, value);
}
void TEditorRuler::SetColor(int32_t value) {
  Update(*this, color_, value);
}
void TEditorRuler::SetEdge(bool value) {
  Update(*this, edge_, value);
}
void TEditorRuler::SetGaugeRange(int32_t value) {
  Update(*this, gaugeRange_, std::clamp(value, 8, 10) / 2 * 2);
}
void TEditorRuler::SetMarkColor(int32_t value) {
  Update(*this, markColor_, value);
}
void TEditorRuler::SetVisible(bool value) {
  Update(*this, visible_, value);
}

void TEditorRuler::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorRuler& other) {
    bkColor_ = other.bkColor_;
    color_ = other.color_;
    edge_ = other.edge_;
    gaugeRange_ = other.gaugeRange_;
    markColor_ = other.markColor_;
    visible_ = other.visible_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorLeftbar

const TClassInfo& TEditorLeftbar::StaticClass() {
  using C = TEditorLeftbar;
  static const TClassInfo info(
      "TEditorLeftbar", &Inherited::StaticClass(),
      {Int<&C::BkColor, &C::SetBkColor>("BkColor", clSilver), Int<&C::Color, &C::SetColor>("Color", clBlack),
       Int<&C::Column, &C::SetColumn>("Column", 4), Bool<&C::Edge, &C::SetEdge>("Edge", true),
       Int<&C::LeftMargin, &C::SetLeftMargin>("LeftMargin", 8),
       Int<&C::RightMargin, &C::SetRightMargin>("RightMargin", 4),
       Bool<&C::ShowNumber, &C::SetShowNumber>("ShowNumber", true),
       Enum<&C::ShowNumberMode, &C::SetShowNumberMode>("ShowNumberMode", kShowNumberModeNames, nmRow),
       Bool<&C::Visible, &C::SetVisible>("Visible", false), Bool<&C::ZeroBase, &C::SetZeroBase>("ZeroBase", false),
       Bool<&C::ZeroLead, &C::SetZeroLead>("ZeroLead", false)});
  return info;
}

void TEditorLeftbar::SetBkColor(int32_t value) {
  Update(*this, bkColor_, value);
}
void TEditorLeftbar::SetColor(int32_t value) {
  Update(*this, color_, value);
}
void TEditorLeftbar::SetColumn(int32_t value) {
  Update(*this, column_, std::clamp(value, 1, 8));
}
void TEditorLeftbar::SetEdge(bool value) {
  Update(*this, edge_, value);
}
void TEditorLeftbar::SetLeftMargin(int32_t value) {
  Update(*this, leftMargin_, Clamp100(value));
}
void TEditorLeftbar::SetRightMargin(int32_t value) {
  Update(*this, rightMargin_, Clamp100(value));
}
void TEditorLeftbar::SetShowNumber(bool value) {
  Update(*this, showNumber_, value);
}
void TEditorLeftbar::SetShowNumberMode(TEditorShowNumberMode value) {
  Update(*this, showNumberMode_, value);
}
void TEditorLeftbar::SetVisible(bool value) {
  Update(*this, visible_, value);
}
void TEditorLeftbar::SetZeroBase(bool value) {
  Update(*this, zeroBase_, value);
}
void TEditorLeftbar::SetZeroLead(bool value) {
  Update(*this, zeroLead_, value);
}

void TEditorLeftbar::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorLeftbar& other) {
    bkColor_ = other.bkColor_;
    color_ = other.color_;
    column_ = other.column_;
    edge_ = other.edge_;
    leftMargin_ = other.leftMargin_;
    rightMargin_ = other.rightMargin_;
    showNumber_ = other.showNumber_;
    showNumberMode_ = other.showNumberMode_;
    visible_ = other.visible_;
    zeroBase_ = other.zeroBase_;
    zeroLead_ = other.zeroLead_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorImagebar

const TClassInfo& TEditorImagebar::StaticClass() {
  using C = TEditorImagebar;
  static const TClassInfo info(
      "TEditorImagebar", &Inherited::StaticClass(),
      {Int<&C::DigitWidth, &C::SetDigitWidth>("DigitWidth", 8), Int<&C::LeftMargin, &C::SetLeftMargin>("LeftMargin", 2),
       Int<&C::MarkWidth, &C::SetMarkWidth>("MarkWidth", 0), Int<&C::RightMargin, &C::SetRightMargin>("RightMargin", 2),
       Bool<&C::Visible, &C::SetVisible>("Visible", true)});
  return info;
}

void TEditorImagebar::SetDigitWidth(int32_t value) {
  Update(*this, digitWidth_, Clamp100(value));
}
void TEditorImagebar::SetLeftMargin(int32_t value) {
  Update(*this, leftMargin_, Clamp100(value));
}
void TEditorImagebar::SetMarkWidth(int32_t value) {
  Update(*this, markWidth_, Clamp100(value));
}
void TEditorImagebar::SetRightMargin(int32_t value) {
  Update(*this, rightMargin_, Clamp100(value));
}
void TEditorImagebar::SetVisible(bool value) {
  Update(*this, visible_, value);
}

void TEditorImagebar::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorImagebar& other) {
    digitWidth_ = other.digitWidth_;
    leftMargin_ = other.leftMargin_;
    markWidth_ = other.markWidth_;
    rightMargin_ = other.rightMargin_;
    visible_ = other.visible_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorWrapOption

const std::string TEditorWrapOption::kDefaultFollowStr =
    "\x81\x41\x81\x42\x81\x43\x81\x44\x81\x45\x81\x48\x81\x49\x81\x4a\x81\x4b\x81\x52\x81\x53\x81\x54\x81\x55"
    "\x81\x58\x81\x5b\x81\x6a\x81\x6e\x81\x70\x81\x76\x81\x78!),.:;?]}\xa1\xa3\xa4\xa5\xb0\xde\xdf";
const std::string TEditorWrapOption::kDefaultLeadStr = "\x81\x69\x81\x6d\x81\x6f\x81\x75\x81\x77([{\xa2";
const std::string TEditorWrapOption::kDefaultPunctuationStr = "\x81\x41\x81\x42\x81\x43\x81\x44,.\xa1\xa4";

const TClassInfo& TEditorWrapOption::StaticClass() {
  using C = TEditorWrapOption;
  static const TClassInfo info(
      "TEditorWrapOption", &Inherited::StaticClass(),
      {Bool<&C::FollowRetMark, &C::SetFollowRetMark>("FollowRetMark", false),
       Bool<&C::FollowPunctuation, &C::SetFollowPunctuation>("FollowPunctuation", false),
       props::String<&C::FollowStr, &C::SetFollowStr>("FollowStr"), Bool<&C::Leading, &C::SetLeading>("Leading", false),
       props::String<&C::LeadStr, &C::SetLeadStr>("LeadStr"),
       props::String<&C::PunctuationStr, &C::SetPunctuationStr>("PunctuationStr"),
       Bool<&C::WordBreak, &C::SetWordBreak>("WordBreak", false), Int<&C::WrapByte, &C::SetWrapByte>("WrapByte", 80)});
  return info;
}

void TEditorWrapOption::SetFollowRetMark(bool value) {
  Update(*this, followRetMark_, value);
}
void TEditorWrapOption::SetFollowPunctuation(bool value) {
  Update(*this, followPunctuation_, value);
}
void TEditorWrapOption::SetFollowStr(const std::string& value) {
  Update(*this, followStr_, value);
}
void TEditorWrapOption::SetLeading(bool value) {
  Update(*this, leading_, value);
}
void TEditorWrapOption::SetLeadStr(const std::string& value) {
  Update(*this, leadStr_, value);
}
void TEditorWrapOption::SetPunctuationStr(const std::string& value) {
  Update(*this, punctuationStr_, value);
}
void TEditorWrapOption::SetWordBreak(bool value) {
  Update(*this, wordBreak_, value);
}
void TEditorWrapOption::SetWrapByte(int32_t value) {
  Update(*this, wrapByte_, std::clamp(value, kMinWrapByte, kMaxWrapByte));
}

void TEditorWrapOption::Assign(const TPersistent* source) {
  AssignFields(*this, source, [this](const TEditorWrapOption& other) {
    followRetMark_ = other.followRetMark_;
    followPunctuation_ = other.followPunctuation_;
    followStr_ = other.followStr_;
    leading_ = other.leading_;
    leadStr_ = other.leadStr_;
    punctuationStr_ = other.punctuationStr_;
    wordBreak_ = other.wordBreak_;
    wrapByte_ = other.wrapByte_;
  });
}

// ---------------------------------------------------------------------------------------------
// TEditorSpeed

const TClassInfo& TEditorSpeed::StaticClass() {
  using C = TEditorSpeed;
  static const TClassInfo info("TEditorSpeed", &Inherited::StaticClass(),
                               {Int<&C::CaretVerticalAc, &C::SetCaretVerticalAc>("CaretVerticalAc", 2),
                                Bool<&C::InitBracketsFull, &C::SetInitBracketsFull>("InitBracketsFull", false),
                                Int<&C::PageVerticalRange, &C::SetPageVerticalRange>("PageVerticalRange", 2),
                                Int<&C::PageVerticalRangeAc, &C::SetPageVerticalRangeAc>("PageVerticalRangeAc", 2)});
  return info;
}

// The speeds are a range type of 1..4.
void TEditorSpeed::SetCaretVerticalAc(int32_t value) {
  caretVerticalAc_ = std::clamp(value, 1, 4);
}
void TEditorSpeed::SetPageVerticalRange(int32_t value) {
  pageVerticalRange_ = std::clamp(value, 1, 4);
}
void TEditorSpeed::SetPageVerticalRangeAc(int32_t value) {
  pageVerticalRangeAc_ = std::clamp(value, 1, 4);
}

void TEditorSpeed::Assign(const TPersistent* source) {
  const auto* other = As<TEditorSpeed>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  caretVerticalAc_ = other->caretVerticalAc_;
  initBracketsFull_ = other->initBracketsFull_;
  pageVerticalRange_ = other->pageVerticalRange_;
  pageVerticalRangeAc_ = other->pageVerticalRangeAc_;
}

}  // namespace vrel
