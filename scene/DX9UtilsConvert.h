#pragma once

// The number and text part of DX9Utils: angle units, rounding half away from zero, colours between
// the settings' order and the device's, and the small number and text conversions of the scene
// writer and the dialogs ("." as decimal point whatever the locale).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Device.h"
#include "platform/Vector3.h"
#include "scene/DX9Square.h"

namespace vrel {

// pi as the single the angle conversions have always used.
inline constexpr float kSinglePi = 3.1415927f;

float DegreeToRadian(float degrees);
float RadianToDegree(float radians);

// The nearest integer, halves away from zero. NaN gives 0; values beyond the 64-bit range saturate.
std::int64_t RoundHalfAway(double x);
// x rounded to n decimals (n <= 0: to an integer) half away from zero, through a 64-bit integer.
// A value too large for that, NaN or an infinity comes back unchanged.
double RoundDigits(double x, int n);

// The text as a number (blanks around it allowed, "." as decimal point whatever the locale); the
// default when it is not one or does not fit a finite single.
float TextToFloatDef(std::string_view text, float defaultValue);

// A colour with red in the low byte (as settings keep it) to 0xAARRGGBB with alpha 0xFF.
ArgbColor ColorToD3DColor(std::uint32_t color);
// The colour with its top byte (the system-colour flag) cleared.
std::uint32_t ColorRGB(std::uint32_t color);
// Equal bit for bit, so 0 and -0 differ and a NaN equals the same NaN.
bool SameColorValue(const ColorValue& a, const ColorValue& b);
// The bits of a single, for render states that take a float.
std::uint32_t SingleBits(float value);

// "x:1.00 y:-2.50 z:10.00": two decimals, "." whatever the locale.
std::string VectorToText(const Vec3& v);
// Takes the first three numbers (integer or float tokens) of the text as x, y and z, in order; words
// and punctuation between them are skipped, so VectorToText's output reads back. Components without
// a number keep their value. Returns how many components were read.
int TextToVector(std::string_view text, Vec3& v);
// "%.2f %.2f %.2f " of each corner, concatenated: twelve numbers, each followed by a blank.
std::string AppendCornersText(const TCorners& corners);
// The same text appended to `text`.
void AppendCornersText(std::string& text, const TCorners& corners);

}  // namespace vrel
