#pragma once

// Byte streams, and through them component states, kept under one settings key: in the INI file as
// numbered lines of hexadecimal text (K_c holds the line count, K_d0, K_d1, ... the lines), in the
// registry as one binary value. The settings dialog also turns its built-in samples back into
// bytes through HexStringsToStream.
//
// Streams are byte strings here: reading appends to the string, writing takes all of it.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Classes.h"
#include "platform/IniFile.h"

namespace vrel {

// Hexadecimal digits per line: 32 bytes.
inline constexpr std::size_t kHexDigitsPerLine = 64;

// Every byte as two upper-case digits, 64 digits to a line; the last line holds the rest.
std::vector<std::string> StreamToHexStrings(std::string_view stream);
// Appends the bytes of the lines to `stream`, two characters to a byte from the start of each
// line. A pair that is not hexadecimal gives the byte 0; an odd line ends with a one-digit byte.
void HexStringsToStream(std::span<const std::string> lines, std::string& stream);

// The stream's lines under `key` in `section` of an open file. Keys beyond the new line count up to
// the old one are removed; a stream of no bytes leaves no key at all. The caller saves the file.
void WriteStreamToIni(TIniFile& ini, std::string_view section, std::string_view key, std::string_view stream);
// Appends the stored bytes. One pass over the keys the section has: a count larger than the lines
// present costs nothing, and a missing line reads as empty.
void ReadStreamFromIni(const TIniFile& ini, std::string_view section, std::string_view key, std::string& stream);

// The same on the file `iniFileName`, read once and written at most once.
void WriteStreamToIni(std::string_view stream, const std::string& iniFileName, std::string_view section,
                      std::string_view key);
void ReadStreamFromIni(std::string& stream, const std::string& iniFileName, std::string_view section,
                       std::string_view key);

// The registry stands in as an INI file (RegistryFileName): the key `regKey`\`section` is a section,
// the binary value a line of hexadecimal digits.
void WriteStreamToRegistry(TIniFile& registry, std::string_view regKey, std::string_view section, std::string_view key,
                           std::string_view stream);
// Appends the value's bytes when it exists.
void ReadStreamFromRegistry(const TIniFile& registry, std::string_view regKey, std::string_view section,
                            std::string_view key, std::string& stream);
void WriteStreamToRegistry(std::string_view stream, std::string_view regKey, std::string_view section,
                           std::string_view key);
void ReadStreamFromRegistry(std::string& stream, std::string_view regKey, std::string_view section,
                            std::string_view key);

// Appends the component stream of `component`, with its owner as the root of the write when it
// has one, so that handlers and references are named as members of the owner.
void WriteComponentToStream(const TComponent& component, std::string& stream);
// Reads a component stream into `component` itself (its name included). Raises the stream's
// errors; `component` may then be partly filled.
void ReadComponentFromStream(std::string_view stream, TComponent& component);

}  // namespace vrel
