#include "files/ZStreamUtils.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "files/RegMng.h"
#include "platform/ComponentStream.h"

namespace vrel {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

std::string CountKey(std::string_view key) {
  return std::string(key) + "_c";
}
std::string LineKey(std::string_view key, std::size_t n) {
  return std::string(key) + "_d" + std::to_string(n);
}

// The n of a key spelt `key` + "_d" + n (n in decimal, as the writer spells it), or nothing.
std::optional<std::size_t> LineNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || !SameIniName(name.substr(0, prefix.size()), prefix))
    return std::nullopt;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0'))
    return std::nullopt;
  std::size_t n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9')
      return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(c - '0');
  }
  return n;
}

std::string RegistrySection(std::string_view regKey, std::string_view section) {
  if (regKey.empty())
    return std::string(section);
  return std::string(regKey) + "\\" + std::string(section);
}

}  // namespace

std::vector<std::string> StreamToHexStrings(std::string_view stream) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  lines.reserve(stream.size() / (kHexDigitsPerLine / 2) + 1);
  std::string line;
  for (const char c : stream) {
    const auto b = static_cast<unsigned char>(c);
    line.push_back(kDigits[b >> 4]);
    line.push_back(kDigits[b & 15]);
    if (line.size() == kHexDigitsPerLine)
      lines.push_back(std::exchange(line, std::string()));
  }
  if (!line.empty())
    lines.push_back(std::move(line));
  return lines;
}

void HexStringsToStream(std::span<const std::string> lines, std::string& stream) {
  for (const std::string& line : lines) {
    for (std::size_t i = 0; i < line.size(); i += 2) {
      const int high = HexDigit(line[i]);
      if (i + 1 == line.size()) {
        stream.push_back(static_cast<char>(high < 0 ? 0 : high));
        break;
      }
      const int low = HexDigit(line[i + 1]);
      stream.push_back(static_cast<char>(high < 0 || low < 0 ? 0 : high * 16 + low));
    }
  }
}

void WriteStreamToIni(TIniFile& ini, std::string_view section, std::string_view key, std::string_view stream) {
  const std::vector<std::string> lines = StreamToHexStrings(stream);
  const std::size_t count = lines.size();
  const std::string countKey = CountKey(key);
  const int32_t old = ini.ReadInteger(section, countKey, 0);
  if (old > 0 && static_cast<std::size_t>(old) > count) {
    // The lines the old count covered and the new one does not, in one pass however large the
    // old count claims to be.
    const std::string prefix = std::string(key) + "_d";
    ini.DeleteKeys(section, [&](std::string_view name) {
      const std::optional<std::size_t> n = LineNumber(name, prefix);
      return n && *n >= count && *n < static_cast<std::size_t>(old);
    });
    if (count == 0)
      ini.DeleteKey(section, countKey);
  }
  if (count == 0)
    return;
  ini.WriteString(section, countKey, std::to_string(count));
  for (std::size_t n = 0; n < count; ++n)
    ini.WriteString(section, LineKey(key, n), lines[n]);
}

void ReadStreamFromIni(const TIniFile& ini, std::string_view section, std::string_view key, std::string& stream) {
  const int32_t count = ini.ReadInteger(section, CountKey(key), 0);
  if (count <= 0)
    return;
  const std::string prefix = std::string(key) + "_d";
  std::vector<std::pair<std::size_t, std::string>> present;
  for (auto& [name, value] : ini.ReadSectionValues(section)) {
    const std::optional<std::size_t> n = LineNumber(name, prefix);
    if (n && *n < static_cast<std::size_t>(count))
      present.emplace_back(*n, std::move(value));
  }
  // ReadSectionValues gave each name once, so the numbers are distinct.
  std::sort(present.begin(), present.end());
  std::vector<std::string> lines;
  lines.reserve(present.size());
  for (auto& entry : present)
    lines.push_back(std::move(entry.second));
  HexStringsToStream(lines, stream);
}

void WriteStreamToIni(std::string_view stream, const std::string& iniFileName, std::string_view section,
                      std::string_view key) {
  TIniFile ini(iniFileName);
  WriteStreamToIni(ini, section, key, stream);
  ini.UpdateFile();
}

void ReadStreamFromIni(std::string& stream, const std::string& iniFileName, std::string_view section,
                       std::string_view key) {
  const TIniFile ini(iniFileName);
  ReadStreamFromIni(ini, section, key, stream);
}

void WriteStreamToRegistry(TIniFile& registry, std::string_view regKey, std::string_view section, std::string_view key,
                           std::string_view stream) {
  std::string digits;
  for (const std::string& line : StreamToHexStrings(stream))
    digits += line;
  registry.WriteString(RegistrySection(regKey, section), key, digits);
}

void ReadStreamFromRegistry(const TIniFile& registry, std::string_view regKey, std::string_view section,
                            std::string_view key, std::string& stream) {
  const std::string name = RegistrySection(regKey, section);
  if (!registry.ValueExists(name, key))
    return;
  const std::string digits = registry.ReadString(name, key, "");
  HexStringsToStream(std::span<const std::string>(&digits, 1), stream);
}

void WriteStreamToRegistry(std::string_view stream, std::string_view regKey, std::string_view section,
                           std::string_view key) {
  TIniFile registry(RegistryFileName());
  WriteStreamToRegistry(registry, regKey, section, key, stream);
  registry.UpdateFile();
}

void ReadStreamFromRegistry(std::string& stream, std::string_view regKey, std::string_view section,
                            std::string_view key) {
  const TIniFile registry(RegistryFileName());
  ReadStreamFromRegistry(registry, regKey, section, key, stream);
}

void WriteComponentToStream(const TComponent& component, std::string& stream) {
  stream += SaveComponentToBytes(component, component.Owner());
}

void ReadComponentFromStream(std::string_view stream, TComponent& component) {
  LoadComponentFromBytes(stream, component);
}

}  // namespace vrel
