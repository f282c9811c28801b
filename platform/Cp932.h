#pragma once

// Code page 932 (Shift-JIS as Windows defines it) text helpers.
//
// Documents, INI, scene and memo files keep their text as CP932 bytes in
// std::string; these functions convert only where text meets the screen or a
// file name. None of them throws: a character with no counterpart in the
// target encoding, and any invalid or truncated byte sequence, become one '?'
// each, and conversion goes on with the next character.
//
// The table is glibc's "CP932", which Windows files agree with, plus the five
// single bytes Windows reads as characters and glibc refuses: 0x80 (U+0080),
// 0xA0 (U+F8F0) and 0xFD-0xFF (U+F8F1-U+F8F3), both ways. Of the two codes of
// an NEC/IBM duplicate, encoding writes glibc's choice (0xFA-0xFC).

#include <QString>

#include <string>
#include <string_view>

namespace vrel {

// First byte of a double-byte character: 0x81-0x9F or 0xE0-0xFC.
bool IsCp932LeadByte(unsigned char c);

std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

std::u16string Cp932ToUtf16(std::string_view cp932);
std::string Utf16ToCp932(std::u16string_view utf16);

QString Cp932ToQString(std::string_view cp932);
std::string QStringToCp932(const QString& text);

// True when every character of well-formed UTF-8 text has a CP932 form, so that
// Utf8ToCp932 would not substitute any '?'.
bool Utf8FitsCp932(std::string_view utf8);

}  // namespace vrel
