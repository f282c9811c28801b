#pragma once

// The one number box of every panel and dialog: a line of text the user types a number into. Its
// value never fails to read (see NumberText.h: locale-free point, "+", blanks and full-width forms
// taken; unreadable or non-finite text gives the fallback; out of range is held at the nearer end).
//
// The box remembers the text the program last showed in it, so a panel can tell a value the user
// typed from one it only displayed (rounded) and keep the exact stored value of a box left alone.

#include <QLineEdit>

#include "app/NumberText.h"

namespace vrel {

class TNumberBox : public QLineEdit {
 public:
  explicit TNumberBox(QWidget* parent = nullptr, const TNumberRule& rule = {});

  const TNumberRule& Rule() const { return rule_; }
  void SetRule(const TNumberRule& rule) { rule_ = rule; }

  // The text's value under the rule.
  double Value() const;
  // The text's value as a fixed-point amount; `fallback` for unreadable text or one beyond the range.
  Currency CurrencyValue(Currency fallback) const;

  // Shows `text` as the program's own; Edited is false until the user changes it.
  void Show(const QString& text);
  // The value held in the range and written with `decimals` places, unless the box already reads as
  // that value.
  void SetValue(double value, int decimals);
  // The user changed the text since the program last showed one.
  bool Edited() const { return text() != shown_; }

  // The pointer entering the box gives it the keyboard focus.
  void SetFocusOnHover(bool value) { focusOnHover_ = value; }

 protected:
  void enterEvent(QEnterEvent* event) override;

 private:
  TNumberRule rule_;
  QString shown_;
  bool focusOnHover_ = false;
};

}  // namespace vrel
