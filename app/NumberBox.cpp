#include "app/NumberBox.h"

#include <algorithm>
#include <cmath>

#include "platform/NumberFormat.h"

namespace vrel {

TNumberBox::TNumberBox(QWidget* parent, const TNumberRule& rule) : QLineEdit(parent), rule_(rule) {}

double TNumberBox::Value() const {
  return ReadNumber(text().toStdString(), rule_);
}

Currency TNumberBox::CurrencyValue(Currency fallback) const {
  return ReadCurrency(text().toStdString(), fallback);
}

void TNumberBox::Show(const QString& text) {
  shown_ = text;
  setText(text);
}

void TNumberBox::SetValue(double value, int decimals) {
  if (!std::isfinite(value))
    value = rule_.Fallback;
  value = std::clamp(value, rule_.Min, rule_.Max);
  if (value == Value())
    return;
  Show(QString::fromStdString(FormatFixed(value, decimals)));
}

void TNumberBox::enterEvent(QEnterEvent* event) {
  QLineEdit::enterEvent(event);
  if (focusOnHover_ && isEnabled())
    setFocus(Qt::MouseFocusReason);
}

}  // namespace vrel
