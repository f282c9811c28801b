#pragma once

// The one number box of every panel and dialog: a line of text the user types a number into. Its
// value never fails to read (see NumberText.h: locale-free point, "+", blanks and full-width forms
// taken; unreadable or non-finite text gives the fallback; out of range is held at the nearer end).
//
// The box knows whether the user changed its text since the program last showed one, so a panel can
// tell a value the user typed from one it only displayed (rounded) and keep the exact stored value of
// a box left alone. When the user leaves a box, a typed text whose value is not the number typed
// shows that value instead; a command settles its window's boxes the same way before it reads them.

#include <QLineEdit>

#include "app/NumberText.h"

namespace vrel {

class TNumberBox : public QLineEdit {
 public:
  // `decimals`: the places a value is written with.
  explicit TNumberBox(QWidget* parent = nullptr, const TNumberRule& rule = {}, int decimals = 2);

  const TNumberRule& Rule() const { return rule_; }
  // A new rule; the text stays until it is written again.
  void SetRule(const TNumberRule& rule, int decimals);

  // The text's value under the rule.
  double Value() const;

  // Shows `text` as the program's own; Edited is false until the user changes it.
  void Show(const QString& text);
  // The value held in the range and written with the box's decimals, unless the box already reads
  // as that value.
  void SetValue(double value);
  // The user changed the text since the program last showed one: any keystroke, paste or deletion
  // counts, even one that put the shown text back.
  bool Edited() const { return edited_; }
  // A typed text whose value differs from the number typed shows that value; it stays typed.
  void Settle();

  // The pointer entering the box gives it the keyboard focus.
  void SetFocusOnHover(bool value) { focusOnHover_ = value; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TNumberRule rule_;
  int decimals_;
  bool edited_ = false;
  bool focusOnHover_ = false;
};

// Settles every number box in `window`, as a command does before it reads them.
void SettleNumberBoxes(const QWidget& window);

}  // namespace vrel
