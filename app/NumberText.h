#pragma once

// What the number boxes of the panels and dialogs make of the text a user typed. Reading never
// fails and never raises: a text that is not a number, or not a finite one, reads as the box's
// fallback value, and a number outside the box's range is held at the nearer end. The decimal
// point is "." whatever the desktop's locale; a leading "+", blanks around the number and the
// full-width digits, signs, point and blank that a Japanese input method types are all taken.
//
// Once the user leaves a box, a text whose value is not the number typed (out of range, not a
// number, rounded) gives way to that value, so that the box shows what a command will use.

#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace vrel {

struct TNumberRule {
  double Min = -std::numeric_limits<double>::max();
  double Max = std::numeric_limits<double>::max();
  // What an unreadable text means; held in the range like any other value.
  double Fallback = 0.0;
  // The decimals a typed number is rounded to, half away from zero: 0 for whole numbers (2.5 reads
  // as 3); -1 keeps the number as typed.
  int Places = -1;
};

// Full-width digits, signs, point, "e" and blanks as their ASCII forms, surrounding blanks dropped.
std::string NormalizeNumberText(std::string_view utf8);

// The finite number in the text, unrounded and unclamped; false when there is none.
bool TryReadNumber(std::string_view utf8, double& value);

// The text's value under the rule.
double ReadNumber(std::string_view utf8, const TNumberRule& rule);

// What a box shows for the typed text once the user leaves it: nothing while the text reads as the
// very value the box uses (a number in range keeps its text as typed); otherwise that value with
// `decimals` places, or with the rule's places where those are more.
std::optional<std::string> SettledText(std::string_view utf8, const TNumberRule& rule, int decimals);

}  // namespace vrel
