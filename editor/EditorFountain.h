#pragma once

// The colouring scheme the editor has built in: line comments, a quotation character, hexadecimal
// prefixes, "#" control codes, URLs and mail addresses on top of the base rules, with one colour
// per kind of token.

#include <memory>
#include <string>

#include "editor/zeFountain.h"

namespace vrel {

class TEditorColor : public TFountainColor {
  VREL_CLASS_INFO(TEditorColor, TFountainColor)
};

class TEditorFountain;

// The built-in scheme's colours. All are "none" except Select (white on navy). Reserve is the
// fountain's reserved-word colour. Every change reaches the fountain's subscribers.
class TEditorColors : public TNotifyPersistent {
  VREL_CLASS_INFO(TEditorColors, TNotifyPersistent)
 public:
  explicit TEditorColors(TEditorFountain& fountain);
  ~TEditorColors() override;

  TEditorColor* Ank() const { return ank_.get(); }
  TEditorColor* Comment() const { return comment_.get(); }
  TEditorColor* DBCS() const { return dbcs_.get(); }
  // A search hit drawn as such.
  TEditorColor* Hit() const { return hit_.get(); }
  TEditorColor* Int() const { return int_.get(); }
  TEditorColor* Mail() const { return mail_.get(); }
  TFountainColor* Reserve() const;
  TEditorColor* Select() const { return select_.get(); }
  TEditorColor* Str() const { return str_.get(); }
  TEditorColor* Symbol() const { return symbol_.get(); }
  TEditorColor* Url() const { return url_.get(); }

  // From TEditorColors: every colour, with one notification of the subscribers.
  void Assign(const TPersistent* source) override;

 private:
  std::unique_ptr<TEditorColor> MakeColor() const;

  TEditorFountain& fountain_;
  std::unique_ptr<TEditorColor> ank_;
  std::unique_ptr<TEditorColor> comment_;
  std::unique_ptr<TEditorColor> dbcs_;
  std::unique_ptr<TEditorColor> hit_;
  std::unique_ptr<TEditorColor> int_;
  std::unique_ptr<TEditorColor> mail_;
  std::unique_ptr<TEditorColor> select_;
  std::unique_ptr<TEditorColor> str_;
  std::unique_ptr<TEditorColor> symbol_;
  std::unique_ptr<TEditorColor> url_;
};

class TEditorBracketCollection : public TFountainBracketCollection {
  VREL_CLASS_INFO(TEditorBracketCollection, TFountainBracketCollection)
 public:
  using TFountainBracketCollection::TFountainBracketCollection;

  // Each sets that part of every pair's colour, with one change.
  void SetAllBkColor(int32_t value);
  void SetAllColor(int32_t value);
  void SetAllStyle(int32_t value);

 private:
  void SetAll(void (TFountainColor::*set)(int32_t), int32_t value);
};

class TEditorFountain : public TFountain {
  VREL_CLASS_INFO(TEditorFountain, TFountain)
 public:
  explicit TEditorFountain(TComponent* owner = nullptr);
  ~TEditorFountain() override;

  TEditorBracketCollection* EditorBrackets() const { return static_cast<TEditorBracketCollection*>(Brackets()); }
  TEditorColors* Colors() const { return colors_.get(); }
  void SetColors(const TEditorColors* value) { colors_->Assign(value); }
  // The line-comment opener; empty: no comments.
  const std::string& Commenter() const { return commenter_; }
  void SetCommenter(const std::string& value);
  // Recognise "#" codes, decimal or "$" and hexadecimal.
  bool ControlCode() const { return controlCode_; }
  void SetControlCode(bool value);
  const std::string& HexPrefix() const { return hexPrefix_; }
  void SetHexPrefix(const std::string& value);
  bool Mail() const { return mail_; }
  void SetMail(bool value);
  // Its first byte is the quote character; empty, or a lead byte: no quotations.
  const std::string& Quotation() const { return quotation_; }
  void SetQuotation(const std::string& value);
  bool Url() const { return url_; }
  void SetUrl(bool value);

  std::unique_ptr<TFountainParser> CreateParser() override;

  // Set that part of every colour of Colors but Select and Hit, with one notification.
  void SetAllBkColor(int32_t value);
  void SetAllColor(int32_t value);
  void SetAllStyle(int32_t value);

 private:
  enum ColorPart { kBkColor = 1, kColor = 2, kStyle = 4 };
  void SetAllColors(int part, int32_t value);
  template <class T>
  void SetAndNotify(T& field, const T& value);

  std::unique_ptr<TEditorColors> colors_;
  std::string commenter_;
  bool controlCode_ = false;
  std::string hexPrefix_;
  bool mail_ = false;
  std::string quotation_;
  bool url_ = false;
};

class TEditorParser : public TFountainParser {
 public:
  explicit TEditorParser(TEditorFountain* fountain);

  const TFountainColor* TokenColor() const override;

 protected:
  void NextToken() override;
  TTokenKinds ContinuingKinds() const override;

  bool IsQuotationStart() const;
  void QuotationToken();
  bool IsCommentStart();
  bool IsHexPrefix();
  bool IsHexControlCode();
  void HexControlToken();
  bool IsControlCode();
  void ControlCodeToken();

 private:
  TEditorFountain& fountain_;
  // The scheme's settings, read once: a parser lives for one job.
  std::string commenter_;
  std::string hexPrefix_;
  int quote_ = -1;  // the quote byte, -1 for none
  bool controlCode_;
  bool mail_;
  bool url_;
};

}  // namespace vrel
