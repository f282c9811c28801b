#include "app/NumberText.h"

#include <QString>

#include <algorithm>
#include <cmath>

#include "platform/NumberFormat.h"

namespace vrel {

std::string NormalizeNumberText(std::string_view utf8) {
  // Compatibility decomposition turns the full-width forms (U+FF10 digits, U+FF0B plus, U+FF0E
  // point, U+3000 blank, ...) into their ASCII letters; the minus sign U+2212 has none.
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
                     .normalized(QString::NormalizationForm_KC)
                     .replace(QChar(0x2212), QLatin1Char('-'))
                     .trimmed();
  return text.toStdString();
}

bool TryReadNumber(std::string_view utf8, double& value) {
  double read = 0.0;
  if (!ParseDouble(NormalizeNumberText(utf8), read) || !std::isfinite(read))
    return false;
  value = read;
  return true;
}

double ReadNumber(std::string_view utf8, const TNumberRule& rule) {
  double value = rule.Fallback;
  if (TryReadNumber(utf8, value) && rule.Places >= 0)
    value = RoundHalfAway(value, rule.Places);
  return std::clamp(value, rule.Min, rule.Max);
}

std::optional<std::string> SettledText(std::string_view utf8, const TNumberRule& rule, int decimals) {
  const double used = ReadNumber(utf8, rule);
  double typed = 0.0;
  if (TryReadNumber(utf8, typed) && typed == used)
    return std::nullopt;
  const std::string shown = FormatFixed(used, decimals);
  double back = 0.0;
  if (rule.Places <= decimals || (TryReadNumber(shown, back) && back == used))
    return shown;
  return FormatFixed(used, rule.Places);
}

}  // namespace vrel
