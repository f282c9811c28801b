#pragma once

// The editor's options, grouped in small persistent objects that the control publishes and streams
// with its form: the caret and its cursors, margins, marks, the built-in colouring scheme, the ruler,
// the line-number bar, the image bar and the scrolling speeds. A setter that really changes a
// notifying value fires OnChange, which the control routes to its own change handler.

#include <cstdint>
#include <memory>
#include <string>

#include "editor/EditorFountain.h"
#include "platform/zeClasses.h"

namespace vrel {

// Screen cursor ids the editor installs, and the standard ones it uses.
enum TEditorCursor : int16_t {
  crDefault = 0,
  crIBeam = -4,
  crDrag = -12,
  crEditorRightArrow = 1958,
  crEditorDragSelCopy = 1959,
};

inline constexpr int32_t clBlack = 0x000000;
inline constexpr int32_t clGray = 0x808080;
inline constexpr int32_t clSilver = 0xC0C0C0;

// Six cursor ids, written straight into the fields (nothing to announce); Assign announces.
class TEditorCursors : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorCursors, TNotifyPersistent)
 public:
  int16_t DefaultCursor() const { return defaultCursor_; }
  void SetDefaultCursor(int16_t value) { defaultCursor_ = value; }
  int16_t DragSelCursor() const { return dragSelCursor_; }
  void SetDragSelCursor(int16_t value) { dragSelCursor_ = value; }
  int16_t DragSelCopyCursor() const { return dragSelCopyCursor_; }
  void SetDragSelCopyCursor(int16_t value) { dragSelCopyCursor_ = value; }
  int16_t InSelCursor() const { return inSelCursor_; }
  void SetInSelCursor(int16_t value) { inSelCursor_ = value; }
  int16_t LeftMarginCursor() const { return leftMarginCursor_; }
  void SetLeftMarginCursor(int16_t value) { leftMarginCursor_ = value; }
  int16_t TopMarginCursor() const { return topMarginCursor_; }
  void SetTopMarginCursor(int16_t value) { topMarginCursor_ = value; }

  void Assign(const TPersistent* source) override;

 private:
  int16_t defaultCursor_ = crIBeam;
  int16_t dragSelCursor_ = crDrag;
  int16_t dragSelCopyCursor_ = crEditorDragSelCopy;
  int16_t inSelCursor_ = crDefault;
  int16_t leftMarginCursor_ = crEditorRightArrow;
  int16_t topMarginCursor_ = crDefault;
};

enum TDragMode : uint8_t { dmManual, dmAutomatic };
enum TEditorCaretStyle : uint8_t { csDefault, csBrief };

// The caret's behaviour. The switches are read when the control acts, so they are written without
// notification; Style and TabSpaceCount announce a change.
class TEditorCaret : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorCaret, TNotifyPersistent)
 public:
  TEditorCaret();
  ~TEditorCaret() override;

  bool AutoCursor() const { return autoCursor_; }
  void SetAutoCursor(bool value) { autoCursor_ = value; }
  bool AutoIndent() const { return autoIndent_; }
  void SetAutoIndent(bool value) { autoIndent_ = value; }
  bool BackSpaceUnIndent() const { return backSpaceUnIndent_; }
  void SetBackSpaceUnIndent(bool value) { backSpaceUnIndent_ = value; }
  TEditorCursors* Cursors() const { return cursors_.get(); }
  void SetCursors(const TEditorCursors* value) { cursors_->Assign(value); }
  bool FreeCaret() const { return freeCaret_; }
  void SetFreeCaret(bool value) { freeCaret_ = value; }
  bool FreeRow() const { return freeRow_; }
  void SetFreeRow(bool value) { freeRow_ = value; }
  bool InTab() const { return inTab_; }
  void SetInTab(bool value) { inTab_ = value; }
  bool KeepCaret() const { return keepCaret_; }
  void SetKeepCaret(bool value) { keepCaret_ = value; }
  bool LockScroll() const { return lockScroll_; }
  void SetLockScroll(bool value) { lockScroll_ = value; }
  bool NextLine() const { return nextLine_; }
  void SetNextLine(bool value) { nextLine_ = value; }
  bool PrevSpaceIndent() const { return prevSpaceIndent_; }
  void SetPrevSpaceIndent(bool value) { prevSpaceIndent_ = value; }
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool value) { rowSelect_ = value; }
  TDragMode SelDragMode() const { return selDragMode_; }
  void SetSelDragMode(TDragMode value) { selDragMode_ = value; }
  bool SelMove() const { return selMove_; }
  void SetSelMove(bool value) { selMove_ = value; }
  bool SoftTab() const { return softTab_; }
  void SetSoftTab(bool value) { softTab_ = value; }
  TEditorCaretStyle Style() const { return style_; }
  void SetStyle(TEditorCaretStyle value);
  bool TabIndent() const { return tabIndent_; }
  void SetTabIndent(bool value) { tabIndent_ = value; }
  // 2, 4, 6 or 8: clamped to 2..8, then rounded down to an even number.
  int32_t TabSpaceCount() const { return tabSpaceCount_; }
  void SetTabSpaceCount(int32_t value);
  bool TokenEndStop() const { return tokenEndStop_; }
  void SetTokenEndStop(bool value) { tokenEndStop_ = value; }

  void Assign(const TPersistent* source) override;

 private:
  bool autoCursor_ = true;
  bool autoIndent_ = true;
  bool backSpaceUnIndent_ = true;
  std::unique_ptr<TEditorCursors> cursors_;
  bool freeCaret_ = true;
  bool freeRow_ = false;
  bool inTab_ = false;
  bool keepCaret_ = false;
  bool lockScroll_ = false;
  bool nextLine_ = false;
  bool prevSpaceIndent_ = false;
  bool rowSelect_ = true;
  TDragMode selDragMode_ = dmAutomatic;
  bool selMove_ = true;
  bool softTab_ = false;
  TEditorCaretStyle style_ = csDefault;
  bool tabIndent_ = false;
  int32_t tabSpaceCount_ = 8;
  bool tokenEndStop_ = false;
};

// Pixels around the text; each clamped to 0..100.
class TEditorMargin : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorMargin, TNotifyPersistent)
 public:
  // Extra pixels per column.
  int32_t Character() const { return character_; }
  void SetCharacter(int32_t value);
  // Left of the text.
  int32_t Left() const { return left_; }
  void SetLeft(int32_t value);
  // Extra pixels per row.
  int32_t Line() const { return line_; }
  void SetLine(int32_t value);
  // Above the text.
  int32_t Top() const { return top_; }
  void SetTop(int32_t value);

  void Assign(const TPersistent* source) override;

 private:
  int32_t character_ = 0;
  int32_t left_ = 19;
  int32_t line_ = 0;
  int32_t top_ = 2;
  // Not published; copied with the others.
  int32_t extra_ = 0;
};

class TEditorMark : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorMark, TNotifyPersistent)
 public:
  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  void Assign(const TPersistent* source) override;

 private:
  int32_t color_ = clGray;
  bool visible_ = false;
};

// The end-of-text, line-end, wrap and hide marks and the caret-row underline; a change of any of
// them is a change of the whole.
class TEditorMarks : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorMarks, TNotifyPersistent)
 public:
  TEditorMarks();
  ~TEditorMarks() override;

  TEditorMark* EofMark() const { return eofMark_.get(); }
  void SetEofMark(const TEditorMark* value) { eofMark_->Assign(value); }
  TEditorMark* RetMark() const { return retMark_.get(); }
  void SetRetMark(const TEditorMark* value) { retMark_->Assign(value); }
  TEditorMark* WrapMark() const { return wrapMark_.get(); }
  void SetWrapMark(const TEditorMark* value) { wrapMark_->Assign(value); }
  TEditorMark* HideMark() const { return hideMark_.get(); }
  void SetHideMark(const TEditorMark* value) { hideMark_->Assign(value); }
  TEditorMark* Underline() const { return underline_.get(); }
  void SetUnderline(const TEditorMark* value) { underline_->Assign(value); }

  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TEditorMark> MakeMark();

  std::unique_ptr<TEditorMark> eofMark_;
  std::unique_ptr<TEditorMark> retMark_;
  std::unique_ptr<TEditorMark> wrapMark_;
  std::unique_ptr<TEditorMark> hideMark_;
  std::unique_ptr<TEditorMark> underline_;
};

// The built-in colouring scheme. Owns a TEditorFountain, made by the factory it is given (so a
// descendant control can substitute its own scheme), and follows it: any change of its colours,
// brackets or settings fires this object's OnChange.
class TEditorViewInfo : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorViewInfo, TNotifyPersistent)
 public:
  using FountainFactory = std::unique_ptr<TEditorFountain> (*)();

  explicit TEditorViewInfo(FountainFactory createFountain = DefaultFountain);
  ~TEditorViewInfo() override;

  TEditorFountain* EditorFountain() const { return fountain_.get(); }

  TEditorBracketCollection* Brackets() const { return fountain_->EditorBrackets(); }
  void SetBrackets(const TFountainBracketCollection* value) { fountain_->SetBrackets(value); }
  TEditorColors* Colors() const { return fountain_->Colors(); }
  void SetColors(const TEditorColors* value) { fountain_->SetColors(value); }
  std::string Commenter() const { return fountain_->Commenter(); }
  void SetCommenter(const std::string& value) { fountain_->SetCommenter(value); }
  bool ControlCode() const { return fountain_->ControlCode(); }
  void SetControlCode(bool value) { fountain_->SetControlCode(value); }
  std::string HexPrefix() const { return fountain_->HexPrefix(); }
  void SetHexPrefix(const std::string& value) { fountain_->SetHexPrefix(value); }
  bool Mail() const { return fountain_->Mail(); }
  void SetMail(bool value) { fountain_->SetMail(value); }
  std::string Quotation() const { return fountain_->Quotation(); }
  // Keeps the first byte only.
  void SetQuotation(const std::string& value) { fountain_->SetQuotation(value.substr(0, 1)); }
  bool Url() const { return fountain_->Url(); }
  void SetUrl(bool value) { fountain_->SetUrl(value); }

  // From another view: brackets, colours and the six settings, with one OnChange.
  void Assign(const TPersistent* source) override;

  static std::unique_ptr<TEditorFountain> DefaultFountain() { return std::make_unique<TEditorFountain>(); }

 private:
  std::unique_ptr<TEditorFountain> fountain_;
};

class TEditorRuler : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorRuler, TNotifyPersistent)
 public:
  int32_t BkColor() const { return bkColor_; }
  void SetBkColor(int32_t value);
  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  bool Edge() const { return edge_; }
  void SetEdge(bool value);
  // 8 or 10: clamped to 8..10, then rounded down to an even number.
  int32_t GaugeRange() const { return gaugeRange_; }
  void SetGaugeRange(int32_t value);
  int32_t MarkColor() const { return markColor_; }
  void SetMarkColor(int32_t value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  void Assign(const TPersistent* source) override;

 private:
  int32_t bkColor_ = clSilver;
  int32_t color_ = clBlack;
  bool edge_ = true;
  int32_t gaugeRange_ = 10;
  int32_t markColor_ = clBlack;
  bool visible_ = false;
};

// Word wrap: the wrap width and the Japanese line-breaking rules (kinsoku). The character sets are
// strings of CP932 characters.
class TEditorWrapOption : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorWrapOption, TNotifyPersistent)
 public:
  static constexpr int32_t kMinWrapByte = 20;
  static constexpr int32_t kMaxWrapByte = 250;
  // 、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ
  static const std::string kDefaultFollowStr;
  // （［｛「『([{｢
  static const std::string kDefaultLeadStr;
  // 、。，．,.｡､
  static const std::string kDefaultPunctuationStr;

  // A logical line that fills its last row exactly keeps its line break on that row instead of
  // opening an empty row.
  bool FollowRetMark() const { return followRetMark_; }
  void SetFollowRetMark(bool value);
  // Punctuation from PunctuationStr may hang up to two cells past the wrap width.
  bool FollowPunctuation() const { return followPunctuation_; }
  void SetFollowPunctuation(bool value);
  // Characters that must not begin a row.
  const std::string& FollowStr() const { return followStr_; }
  void SetFollowStr(const std::string& value);
  // Apply the rules of LeadStr and FollowStr.
  bool Leading() const { return leading_; }
  void SetLeading(bool value);
  // Characters that must not end a row.
  const std::string& LeadStr() const { return leadStr_; }
  void SetLeadStr(const std::string& value);
  const std::string& PunctuationStr() const { return punctuationStr_; }
  void SetPunctuationStr(const std::string& value);
  // Break only after a delimiter, a tab or a double-byte character.
  bool WordBreak() const { return wordBreak_; }
  void SetWordBreak(bool value);
  // The wrap width in cells, clamped to 20..250.
  int32_t WrapByte() const { return wrapByte_; }
  void SetWrapByte(int32_t value);

  void Assign(const TPersistent* source) override;

 private:
  bool followRetMark_ = false;
  bool followPunctuation_ = false;
  std::string followStr_ = kDefaultFollowStr;
  bool leading_ = false;
  std::string leadStr_ = kDefaultLeadStr;
  std::string punctuationStr_ = kDefaultPunctuationStr;
  bool wordBreak_ = false;
  int32_t wrapByte_ = 80;
};

// nmRow numbers display rows, nmLine logical lines.
enum TEditorShowNumberMode : uint8_t { nmRow, nmLine };

// The line-number bar.
class TEditorLeftbar : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorLeftbar, TNotifyPersistent)
 public:
  int32_t BkColor() const { return bkColor_; }
  void SetBkColor(int32_t value);
  int32_t Color() const { return color_; }
  void SetColor(int32_t value);
  // Digits shown, 1..8.
  int32_t Column() const { return column_; }
  void SetColumn(int32_t value);
  bool Edge() const { return edge_; }
  void SetEdge(bool value);
  // 0..100 pixels.
  int32_t LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int32_t value);
  int32_t RightMargin() const { return rightMargin_; }
  void SetRightMargin(int32_t value);
  bool ShowNumber() const { return showNumber_; }
  void SetShowNumber(bool value);
  TEditorShowNumberMode ShowNumberMode() const { return showNumberMode_; }
  void SetShowNumberMode(TEditorShowNumberMode value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool ZeroBase() const { return zeroBase_; }
  void SetZeroBase(bool value);
  bool ZeroLead() const { return zeroLead_; }
  void SetZeroLead(bool value);

  void Assign(const TPersistent* source) override;

 private:
  int32_t bkColor_ = clSilver;
  int32_t color_ = clBlack;
  int32_t column_ = 4;
  bool edge_ = true;
  int32_t leftMargin_ = 8;
  int32_t rightMargin_ = 4;
  bool showNumber_ = true;
  TEditorShowNumberMode showNumberMode_ = nmRow;
  bool visible_ = false;
  bool zeroBase_ = false;
  bool zeroLead_ = false;
};

// The mark and digit bar left of the text; the widths are clamped to 0..100 pixels.
class TEditorImagebar : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorImagebar, TNotifyPersistent)
 public:
  int32_t DigitWidth() const { return digitWidth_; }
  void SetDigitWidth(int32_t value);
  int32_t LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int32_t value);
  int32_t MarkWidth() const { return markWidth_; }
  void SetMarkWidth(int32_t value);
  int32_t RightMargin() const { return rightMargin_; }
  void SetRightMargin(int32_t value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  void Assign(const TPersistent* source) override;

 private:
  int32_t digitWidth_ = 8;
  int32_t leftMargin_ = 2;
  int32_t markWidth_ = 0;
  int32_t rightMargin_ = 2;
  bool visible_ = true;
};

// Scrolling speeds (1..4) and how many rows get their token state at once; read when used, so
// nothing is announced.
class TEditorSpeed : public TPersistent {
  VREL_CLASS_INFO(TEditorSpeed, TPersistent)
 public:
  int32_t CaretVerticalAc() const { return caretVerticalAc_; }
  void SetCaretVerticalAc(int32_t value);
  // Compute every row's token state at once instead of two screens' worth.
  bool InitBracketsFull() const { return initBracketsFull_; }
  void SetInitBracketsFull(bool value) { initBracketsFull_ = value; }
  int32_t PageVerticalRange() const { return pageVerticalRange_; }
  void SetPageVerticalRange(int32_t value);
  int32_t PageVerticalRangeAc() const { return pageVerticalRangeAc_; }
  void SetPageVerticalRangeAc(int32_t value);

  void Assign(const TPersistent* source) override;

 private:
  int32_t caretVerticalAc_ = 2;
  bool initBracketsFull_ = false;
  int32_t pageVerticalRange_ = 2;
  int32_t pageVerticalRangeAc_ = 2;
};

}  // namespace vrel
