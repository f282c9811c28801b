#pragma once

// Number text that does not depend on the process locale.
//
// Qt sets the C locale from the environment, so printf, strtod and iostreams
// would write and expect a decimal comma under a German desktop; scene,
// object and INI files always use '.'. Rounding follows what the files were
// written with originally: the value is first taken to `precision`
// significant decimal digits, and that decimal text is then rounded half away
// from zero. Hence FormatFixed(1.005, 2) is "1.01" although the double is a
// little below 1.005.

#include <string>
#include <string_view>

namespace vrel {

// `decimals` digits after the point (negative counts as 0). A result that
// rounds to zero has no minus sign. NaN gives "NAN", infinities "INF"/"-INF".
std::string FormatFixed(double v, int decimals, int precision = 15);

// Shortest text with at most `precision` significant digits and no trailing
// zeros; "1.5E20" / "1E-5" when the decimal exponent is below -4 or at least
// `precision`.
std::string FormatGeneral(double v, int precision = 15);

std::string FormatInt(long long v);

// The whole text, less leading and trailing blanks, must be one decimal
// number ("1.5", "-2", "+3", ".5", "1e3"); hexadecimal, "nan", "inf" and
// values outside the range of double are refused. `out` is written only on
// success.
bool ParseDouble(std::string_view text, double& out);

// Decimal digits with an optional sign and surrounding blanks, within the
// range of long long. `out` is written only on success.
bool ParseInt(std::string_view text, long long& out);

// Rounds to `decimals` places (negative: to tens, hundreds...) half away from
// zero on the double's own value, through a 64-bit integer. Values too large
// for that (|v| * 10^decimals above 2^62), NaN and infinities come back
// unchanged.
double RoundHalfAway(double v, int decimals);

}  // namespace vrel
