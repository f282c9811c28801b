#include "app/qt/NumberBox.h"

#include <QFocusEvent>

#include <algorithm>
#include <cmath>

#include "platform/NumberFormat.h"

namespace vrel {

TNumberBox::TNumberBox(QWidget* parent, const TNumberRule& rule, int decimals)
    : QLineEdit(parent), rule_(rule), decimals_(decimals) {
  connect(this, &QLineEdit::textEdited, this, [this] { edited_ = true; });
}

void TNumberBox::SetRule(const TNumberRule& rule, int decimals) {
  rule_ = rule;
  decimals_ = decimals;
}

double TNumberBox::Value() const {
  return ReadNumber(text().toStdString(), rule_);
}

void TNumberBox::Show(const QString& text) {
  setText(text);
  edited_ = false;
}

void TNumberBox::SetValue(double value) {
  if (!std::isfinite(value))
    value = rule_.Fallback;
  value = std::clamp(value, rule_.Min, rule_.Max);
  if (value == Value())
    return;
  Show(QString::fromStdString(FormatFixed(value, decimals_)));
}

void TNumberBox::Settle() {
  if (!edited_)
    return;
  if (const std::optional<std::string> settled = SettledText(text().toStdString(), rule_, decimals_))
    setText(QString::fromStdString(*settled));
}

void TNumberBox::enterEvent(QEnterEvent* event) {
  QLineEdit::enterEvent(event);
  if (focusOnHover_ && isEnabled())
    setFocus(Qt::MouseFocusReason);
}

void TNumberBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A popup menu of the box itself takes the focus only for a moment.
  if (event->reason() != Qt::PopupFocusReason)
    Settle();
}

void SettleNumberBoxes(const QWidget& window) {
  // The box class has no meta-object of its own: the line edits are told apart by their type.
  for (QLineEdit* edit : window.findChildren<QLineEdit*>()) {
    if (auto* box = dynamic_cast<TNumberBox*>(edit))
      box->Settle();
  }
}

}  // namespace vrel
