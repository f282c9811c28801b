#include "platform/IniFile.h"

#include "platform/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "platform/Cp932.h"

namespace vrel {

namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  // Trailing bytes of double-byte characters are 0x40 or above, so no blank is ever one of them.
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

unsigned char FoldAscii(unsigned char c) {
  return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

// Position of the last `wanted` byte that starts a character (a trailing byte of a double-byte
// character may have the same value as ']'), or npos.
std::size_t FindLastCharacter(std::string_view text, char wanted) {
  std::size_t found = npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == wanted) {
      found = i;
    }
  }
  return found;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string Utf8Path(const QString& path) {
  return path.toUtf8().toStdString();
}

}  // namespace

bool SameIniName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (IsCp932LeadByte(ca) && i + 1 < a.size()) {
      // Both bytes of a double-byte character compare exactly; the same lead byte is required.
      if (ca != cb || a[i + 1] != b[i + 1])
        return false;
      ++i;
      continue;
    }
    if (FoldAscii(ca) != FoldAscii(cb))
      return false;
  }
  return true;
}

bool ParseIniInteger(std::string_view text, int32_t& out) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with('$')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty())
    return false;
  // Decimal reaches 2^31 only as a negative number; hexadecimal covers all 32 bits.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  uint64_t value = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    if (digit < 0)
      return false;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > limit)
      return false;
  }
  const auto bits = static_cast<uint32_t>(negative ? (0 - value) : value);
  out = static_cast<int32_t>(bits);
  return true;
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  const QString path = QFile::decodeName(QByteArray::fromStdString(fileName_));
  QFile file(path);
  if (!QFileInfo::exists(path))
    return;
  if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
    throw EIniFileError(
        FormatMessage("Cannot read the settings file %s: %s", {fileName_, Utf8Path(file.errorString())}));
  }
  // Read in pieces up to the limit instead of trusting size() (special files report none) or
  // reserving the whole limit for every small settings file.
  QByteArray bytes;
  char piece[1 << 16];
  qint64 got = 0;
  while ((got = file.read(piece, sizeof piece)) > 0) {
    bytes.append(piece, static_cast<qsizetype>(got));
    if (bytes.size() > static_cast<qsizetype>(kMaxIniFileSize)) {
      throw EIniFileError(
          FormatMessage("The settings file %s is larger than %s bytes", {fileName_, std::to_string(kMaxIniFileSize)}));
    }
  }
  if (got < 0 || file.error() != QFileDevice::NoError) {
    throw EIniFileError(
        FormatMessage("Cannot read the settings file %s: %s", {fileName_, Utf8Path(file.errorString())}));
  }
  Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

TIniFile TIniFile::FromBytes(std::string_view bytes) {
  TIniFile ini;
  ini.Parse(bytes);
  return ini;
}

TIniFile::Line TIniFile::ParseLine(std::string text) {
  Line line;
  const std::string_view trimmed = Trim(text);
  if (!trimmed.empty() && trimmed.front() == '[') {
    const std::size_t close = FindLastCharacter(trimmed, ']');
    if (close != npos) {
      line.kind = LineKind::kSection;
      line.name = std::string(Trim(trimmed.substr(1, close - 1)));
    }
  } else if (!trimmed.empty() && trimmed.front() != ';') {
    // '=' is below 0x40 and cannot be the second byte of a double-byte character.
    const std::size_t equals = trimmed.find('=');
    if (equals != npos) {
      line.kind = LineKind::kKey;
      line.name = std::string(Trim(trimmed.substr(0, equals)));
      std::string_view value = Trim(trimmed.substr(equals + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      line.value = std::string(value);
    }
  }
  line.text = std::move(text);
  return line;
}

void TIniFile::Parse(std::string_view bytes) {
  lines_.clear();
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == npos)
      end = bytes.size();
    lines_.push_back(ParseLine(std::string(bytes.substr(start, end - start))));
    // CR LF, LF and a lone CR each end one line.
    start = end + 1;
    if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
      ++start;
  }
  modified_ = false;
}

std::size_t TIniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::kSection && SameIniName(lines_[i].name, section))
      return i;
  }
  return npos;
}

std::size_t TIniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != LineKind::kSection)
    ++i;
  return i;
}

std::size_t TIniFile::FindKey(std::size_t begin, std::size_t end, std::string_view ident) const {
  for (std::size_t i = begin; i < end; ++i) {
    if (lines_[i].kind == LineKind::kKey && SameIniName(lines_[i].name, ident))
      return i;
  }
  return npos;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view defaultValue) const {
  const std::size_t header = FindSection(section);
  if (header != npos) {
    const std::size_t key = FindKey(header + 1, SectionEnd(header), ident);
    if (key != npos)
      return lines_[key].value;
  }
  return std::string(defaultValue);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident, int32_t defaultValue) const {
  const std::size_t header = FindSection(section);
  if (header == npos)
    return defaultValue;
  const std::size_t key = FindKey(header + 1, SectionEnd(header), ident);
  int32_t value = defaultValue;
  if (key != npos && ParseIniInteger(lines_[key].value, value))
    return value;
  return defaultValue;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  const std::size_t header = FindSection(section);
  return header != npos && FindKey(header + 1, SectionEnd(header), ident) != npos;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != npos;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> values;
  const std::size_t header = FindSection(section);
  if (header == npos)
    return values;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != LineKind::kKey)
      continue;
    // A duplicate is the first occurrence's shadow: it can never be read, so it is not listed.
    if (FindKey(header + 1, i, lines_[i].name) != npos)
      continue;
    values.emplace_back(lines_[i].name, lines_[i].value);
  }
  return values;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::kSection && FindSection(lines_[i].name) == i)
      names.push_back(lines_[i].name);
  }
  return names;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  if (HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value)) {
    throw EIniFileError("A settings name or value cannot contain a line break");
  }
  const std::string_view key = Trim(ident);
  if (key.find('=') != npos || (!key.empty() && (key.front() == ';' || key.front() == '['))) {
    throw EIniFileError(FormatMessage("\"%s\" cannot be a settings key", {std::string(ident)}));
  }
  if (FindLastCharacter(std::string(section) + "]", ']') != section.size()) {
    // A lone lead byte at the end would swallow the closing bracket of the header.
    throw EIniFileError(FormatMessage("\"%s\" cannot be a settings section", {std::string(section)}));
  }

  std::size_t header = FindSection(section);
  if (header == npos) {
    if (!lines_.empty() && !Trim(lines_.back().text).empty())
      lines_.push_back(ParseLine(std::string()));
    lines_.push_back(ParseLine("[" + std::string(section) + "]"));
    lines_.push_back(ParseLine(std::string(ident) + "=" + std::string(value)));
    modified_ = true;
    return;
  }
  const std::size_t end = SectionEnd(header);
  const std::size_t existing = FindKey(header + 1, end, ident);
  if (existing != npos) {
    // The key keeps the spelling the file gave it.
    std::string text = lines_[existing].name + "=" + std::string(value);
    if (text == lines_[existing].text)
      return;
    lines_[existing] = ParseLine(std::move(text));
    modified_ = true;
    return;
  }
  // After the section's last non-blank line, so the blank line before the next section stays.
  std::size_t insertAt = end;
  while (insertAt > header + 1 && Trim(lines_[insertAt - 1].text).empty())
    --insertAt;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                ParseLine(std::string(ident) + "=" + std::string(value)));
  modified_ = true;
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  DeleteKeys(section, [ident](std::string_view name) { return SameIniName(name, ident); });
}

void TIniFile::DeleteKeys(std::string_view section, const std::function<bool(std::string_view)>& match) {
  const std::size_t header = FindSection(section);
  if (header == npos)
    return;
  const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(header + 1);
  const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header));
  const auto kept =
      std::remove_if(first, last, [&](const Line& line) { return line.kind == LineKind::kKey && match(line.name); });
  if (kept == last)
    return;
  lines_.erase(kept, last);
  modified_ = true;
}

void TIniFile::EraseSection(std::string_view section) {
  std::vector<Line> kept;
  kept.reserve(lines_.size());
  bool erasing = false;
  for (Line& line : lines_) {
    if (line.kind == LineKind::kSection)
      erasing = SameIniName(line.name, section);
    if (erasing) {
      modified_ = true;
    } else {
      kept.push_back(std::move(line));
    }
  }
  lines_ = std::move(kept);
}

std::string TIniFile::ToBytes() const {
  std::size_t size = 0;
  for (const Line& line : lines_)
    size += line.text.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const Line& line : lines_) {
    bytes += line.text;
    bytes += "\r\n";
  }
  return bytes;
}

void TIniFile::UpdateFile() {
  if (!modified_)
    return;
  if (fileName_.empty())
    throw EIniFileError("The settings file has no name");
  const QString path = QFile::decodeName(QByteArray::fromStdString(fileName_));
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    throw EIniFileError(FormatMessage("Cannot make the folder %s", {Utf8Path(folder)}));
  }
  std::string error;
  if (!SaveFileReplacing(fileName_, ToBytes(), error))
    throw EIniFileError(FormatMessage("Cannot write the settings file %s: %s", {fileName_, error}));
  modified_ = false;
}

}  // namespace vrel
