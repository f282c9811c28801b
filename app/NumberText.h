#pragma once

// What the number boxes of the panels and dialogs make of the text a user typed. Reading never
// fails and never raises: a text that is not a number, or not a finite one, reads as the box's
// fallback value, and a number outside the box's range is held at the nearer end. The decimal
// point is "." whatever the desktop's locale; a leading "+", blanks around the number and the
// full-width digits, signs, point and blank that a Japanese input method types are all taken.

#include <limits>
#include <string>
#include <string_view>

#include "files/SimFilers.h"

namespace vrel {

struct TNumberRule {
  double Min = -std::numeric_limits<double>::max();
  double Max = std::numeric_limits<double>::max();
  // What an unreadable text means; held in the range like any other value.
  double Fallback = 0.0;
  // Whole numbers: a typed fraction rounds half away from zero (2.5 reads as 3).
  bool Integer = false;
};

// Full-width digits, signs, point, "e" and blanks as their ASCII forms, surrounding blanks dropped.
std::string NormalizeNumberText(std::string_view utf8);

// The finite number in the text, unrounded and unclamped; false when there is none.
bool TryReadNumber(std::string_view utf8, double& value);

// The text's value under the rule.
double ReadNumber(std::string_view utf8, const TNumberRule& rule);

// The text's value as a fixed-point amount of four decimals. A text that is not a number, not a
// finite one or one beyond the fixed-point range (1e20) gives `fallback`.
Currency ReadCurrency(std::string_view utf8, Currency fallback);

}  // namespace vrel
