#include "platform/IniFile.h"

#include "platform/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unordered_set>

#include "platform/Cp932.h"
#include "platform/RegularFile.h"

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

// What a line is to a profile file, with the name and value where it has them.
struct LineMeaning {
  enum Kind : uint8_t { kOther, kSection, kKey } kind = kOther;
  std::string_view name;   // trimmed
  std::string_view value;  // trimmed, enclosing quotes removed
};

LineMeaning MeaningOf(std::string_view line) {
  LineMeaning meaning;
  const std::string_view trimmed = Trim(line);
  if (!trimmed.empty() && trimmed.front() == '[') {
    const std::size_t close = FindLastCharacter(trimmed, ']');
    if (close != npos) {
      meaning.kind = LineMeaning::kSection;
      meaning.name = Trim(trimmed.substr(1, close - 1));
    }
  } else if (!trimmed.empty() && trimmed.front() != ';') {
    // '=' is below 0x40 and cannot be the second byte of a double-byte character.
    const std::size_t equals = trimmed.find('=');
    if (equals != npos) {
      meaning.kind = LineMeaning::kKey;
      meaning.name = Trim(trimmed.substr(0, equals));
      std::string_view value = Trim(trimmed.substr(equals + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      meaning.value = value;
    }
  }
  return meaning;
}

// A name as SameIniName sees it: two names are the same exactly when these forms are equal.
std::string FoldedName(std::string_view name) {
  std::string folded(Trim(name));
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (IsCp932LeadByte(c) && i + 1 < folded.size())
      ++i;  // both bytes of a double-byte character stay as they are
    else
      folded[i] = static_cast<char>(FoldAscii(c));
  }
  return folded;
}

// The length of `text` (whole lines, each ended by LF but perhaps the last) up to and including
// the end of its last line that is not blank; 0 when all its lines are blank.
std::size_t UpToLastNonBlankLine(std::string_view text) {
  std::size_t lineEnd = text.size();
  if (lineEnd > 0 && text[lineEnd - 1] == '\n')
    --lineEnd;
  for (;;) {
    const std::size_t previousEnd = lineEnd == 0 ? npos : text.rfind('\n', lineEnd - 1);
    const std::size_t lineStart = previousEnd == npos ? 0 : previousEnd + 1;
    if (!Trim(text.substr(lineStart, lineEnd - lineStart)).empty())
      return std::min(lineEnd + 1, text.size());
    if (previousEnd == npos)
      return 0;
    lineEnd = previousEnd;
  }
}

// Calls `line` for each line of `text`: whole lines, each ended by LF but perhaps the last.
template <class F>
void ForEachLine(std::string_view text, F&& line) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == npos)
      end = text.size();
    line(text.substr(start, end - start));
    start = end + 1;
  }
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
  TFileContents contents = ReadRegularFile(fileName_, kMaxIniFileSize);
  switch (contents.Status) {
    case TFileReadStatus::Ok:
      Parse(std::move(contents.Bytes));
      return;
    case TFileReadStatus::Missing:
      return;
    case TFileReadStatus::TooLarge:
      throw EIniFileError(
          FormatMessage("設定ファイル %s が %s バイトを超えています", {fileName_, std::to_string(kMaxIniFileSize)}));
    case TFileReadStatus::NotRegular:
    case TFileReadStatus::Failed:
      break;
  }
  throw EIniFileError(FormatMessage("設定ファイル %s を読み込めません (%s)", {fileName_, contents.Error}));
}

TIniFile TIniFile::FromBytes(std::string_view bytes) {
  TIniFile ini;
  ini.Parse(std::string(bytes));
  return ini;
}

void TIniFile::Parse(std::string bytes) {
  if (bytes.size() > kMaxIniFileSize) {
    throw EIniFileError(FormatMessage("設定の文字列が %s バイトを超えています", {std::to_string(kMaxIniFileSize)}));
  }
  // CR LF, LF and a lone CR each end one line; all become LF, in place, since none grows.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      bytes[kept++] = '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
        ++i;
    } else {
      bytes[kept++] = bytes[i];
    }
  }
  bytes.resize(kept);
  text_ = std::move(bytes);
  runs_.clear();
  lineCount_ = 0;
  garbage_ = 0;
  modified_ = false;

  // Counted first, so the index is made at its final size: growing it would hold up to three
  // times its size for a moment, more than the text itself for a file of short keys.
  const auto scan = [this](auto&& addRun) {
    std::size_t start = 0;
    bool inOther = false;
    std::size_t otherStart = 0;
    while (start < text_.size()) {
      if (text_[start] == '\n') {
        // A blank line, the commonest other line, without a search.
        if (!inOther)
          otherStart = start;
        inOther = true;
        ++start;
        ++lineCount_;
        continue;
      }
      std::size_t end = text_.find('\n', start);
      const std::size_t next = end == npos ? text_.size() : end + 1;
      if (end == npos)
        end = text_.size();
      const LineMeaning meaning = MeaningOf(std::string_view(text_).substr(start, end - start));
      if (meaning.kind == LineMeaning::kOther) {
        if (!inOther)
          otherStart = start;
        inOther = true;
      } else {
        if (inOther)
          addRun(RunKind::kOther, otherStart, start);
        inOther = false;
        addRun(meaning.kind == LineMeaning::kSection ? RunKind::kSection : RunKind::kKey, start, next);
      }
      start = next;
      ++lineCount_;
    }
    if (inOther)
      addRun(RunKind::kOther, otherStart, text_.size());
  };
  std::size_t count = 0;
  scan([&](RunKind, std::size_t, std::size_t) { ++count; });
  runs_.reserve(count);
  lineCount_ = 0;
  scan([&](RunKind kind, std::size_t begin, std::size_t end) {
    // The file is at most kMaxIniFileSize bytes, well within the fields of a run.
    Run run;
    run.offset = static_cast<uint32_t>(begin);
    run.SetSize(end - begin);
    run.SetKind(kind);
    runs_.push_back(run);
  });
}

std::string_view TIniFile::Line(const Run& run) const {
  std::string_view text = Text(run);
  if (!text.empty() && text.back() == '\n')
    text.remove_suffix(1);
  return text;
}

std::string_view TIniFile::NameOf(const Run& run) const {
  return MeaningOf(Line(run)).name;
}

std::string_view TIniFile::ValueOf(const Run& run) const {
  return MeaningOf(Line(run)).value;
}

std::size_t TIniFile::LinesIn(std::string_view text) {
  const auto ends = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  return ends + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

std::size_t TIniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    if (runs_[i].Kind() == RunKind::kSection && SameIniName(NameOf(runs_[i]), section))
      return i;
  }
  return npos;
}

std::size_t TIniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < runs_.size() && runs_[i].Kind() != RunKind::kSection)
    ++i;
  return i;
}

std::size_t TIniFile::FindKey(std::size_t begin, std::size_t end, std::string_view ident) const {
  for (std::size_t i = begin; i < end; ++i) {
    if (runs_[i].Kind() == RunKind::kKey && SameIniName(NameOf(runs_[i]), ident))
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
      return std::string(ValueOf(runs_[key]));
  }
  return std::string(defaultValue);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view ident, int32_t defaultValue) const {
  const std::size_t header = FindSection(section);
  if (header == npos)
    return defaultValue;
  const std::size_t key = FindKey(header + 1, SectionEnd(header), ident);
  int32_t value = defaultValue;
  if (key != npos && ParseIniInteger(ValueOf(runs_[key]), value))
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
  std::unordered_set<std::string> seen;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (runs_[i].Kind() != RunKind::kKey)
      continue;
    const LineMeaning key = MeaningOf(Line(runs_[i]));
    // A duplicate is the first occurrence's shadow: it can never be read, so it is not listed.
    if (seen.insert(FoldedName(key.name)).second)
      values.emplace_back(key.name, key.value);
  }
  return values;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (const Run& run : runs_) {
    if (run.Kind() != RunKind::kSection)
      continue;
    const std::string_view name = NameOf(run);
    if (seen.insert(FoldedName(name)).second)
      names.emplace_back(name);
  }
  return names;
}

TIniFile::Run TIniFile::NewRun(RunKind kind, std::string_view line) {
  CollectGarbage();
  if (text_.size() + line.size() + 1 > std::numeric_limits<uint32_t>::max())
    throw EIniFileError("設定ファイルが大きすぎます");
  Run run;
  run.offset = static_cast<uint32_t>(text_.size());
  run.SetSize(line.size() + 1);
  run.SetKind(kind);
  text_ += line;
  text_ += '\n';
  return run;
}

void TIniFile::InsertRun(std::size_t at, Run run) {
  runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(at), run);
  lineCount_ += LinesIn(Text(run));
  modified_ = true;
}

void TIniFile::EraseRuns(std::size_t first, std::size_t last) {
  for (std::size_t i = first; i < last; ++i) {
    lineCount_ -= LinesIn(Text(runs_[i]));
    garbage_ += runs_[i].size;
  }
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first), runs_.begin() + static_cast<std::ptrdiff_t>(last));
  modified_ = true;
}

void TIniFile::CollectGarbage() {
  if (garbage_ < 4096 || garbage_ < text_.size() - garbage_)
    return;
  std::string kept;
  kept.reserve(text_.size() - garbage_);
  for (Run& run : runs_) {
    const std::string_view text = Text(run);
    run.offset = static_cast<uint32_t>(kept.size());
    kept += text;
  }
  text_ = std::move(kept);
  garbage_ = 0;
}

std::size_t TIniFile::KeyInsertPoint(std::size_t header) {
  std::size_t at = SectionEnd(header);
  while (at > header + 1 && runs_[at - 1].Kind() == RunKind::kOther) {
    Run& other = runs_[at - 1];
    const std::size_t kept = UpToLastNonBlankLine(Text(other));
    if (kept == 0) {
      --at;  // blank lines only: the key goes before them
      continue;
    }
    if (kept < other.size) {
      // The blank lines at its end become a run of their own, after the new key.
      Run blanks = other;
      blanks.offset = static_cast<uint32_t>(other.offset + kept);
      blanks.SetSize(other.size - kept);
      other.SetSize(kept);
      runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(at), blanks);
    }
    break;
  }
  return at;
}

void TIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  if (HasLineBreak(section) || HasLineBreak(ident) || HasLineBreak(value)) {
    throw EIniFileError("設定の名前と値には改行を使えません");
  }
  const std::string_view key = Trim(ident);
  if (key.find('=') != npos || (!key.empty() && (key.front() == ';' || key.front() == '['))) {
    throw EIniFileError(FormatMessage("「%s」は設定のキーに使えません", {std::string(ident)}));
  }
  if (FindLastCharacter(std::string(section) + "]", ']') != section.size()) {
    // A lone lead byte at the end would swallow the closing bracket of the header.
    throw EIniFileError(FormatMessage("「%s」は設定のセクションに使えません", {std::string(section)}));
  }

  if (section.size() + 2 >= kMaxRunSize || ident.size() + value.size() + 1 >= kMaxRunSize)
    throw EIniFileError("設定の名前か値が長すぎます");

  const std::size_t header = FindSection(section);
  if (header == npos) {
    // A blank line before the new section, unless the file ends with one. Each run goes in as soon
    // as it is made: making the next may move the text of the runs in place.
    if (!runs_.empty() && UpToLastNonBlankLine(Text(runs_.back())) == runs_.back().size)
      InsertRun(runs_.size(), NewRun(RunKind::kOther, ""));
    InsertRun(runs_.size(), NewRun(RunKind::kSection, "[" + std::string(section) + "]"));
    InsertRun(runs_.size(), NewRun(RunKind::kKey, std::string(ident) + "=" + std::string(value)));
    return;
  }
  const std::size_t existing = FindKey(header + 1, SectionEnd(header), ident);
  if (existing != npos) {
    // The key keeps the spelling the file gave it.
    const std::string text = std::string(NameOf(runs_[existing])) + "=" + std::string(value);
    if (text == Line(runs_[existing]))
      return;
    const Run replaced = NewRun(RunKind::kKey, text);
    EraseRuns(existing, existing + 1);
    InsertRun(existing, replaced);
    return;
  }
  const Run line = NewRun(RunKind::kKey, std::string(ident) + "=" + std::string(value));
  InsertRun(KeyInsertPoint(header), line);
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  DeleteKeys(section, [ident](std::string_view name) { return SameIniName(name, ident); });
}

void TIniFile::DeleteKeys(std::string_view section, const std::function<bool(std::string_view)>& match) {
  const std::size_t header = FindSection(section);
  if (header == npos)
    return;
  const std::size_t end = SectionEnd(header);
  std::size_t kept = header + 1;
  for (std::size_t i = header + 1; i < end; ++i) {
    const Run run = runs_[i];
    if (run.Kind() == RunKind::kKey && match(NameOf(run))) {
      lineCount_ -= 1;
      garbage_ += run.size;
      modified_ = true;
    } else {
      runs_[kept++] = run;
    }
  }
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(kept), runs_.begin() + static_cast<std::ptrdiff_t>(end));
}

void TIniFile::EraseSection(std::string_view section) {
  std::size_t kept = 0;
  bool erasing = false;
  for (std::size_t i = 0; i < runs_.size(); ++i) {
    const Run run = runs_[i];
    if (run.Kind() == RunKind::kSection)
      erasing = SameIniName(NameOf(run), section);
    if (erasing) {
      lineCount_ -= LinesIn(Text(run));
      garbage_ += run.size;
      modified_ = true;
    } else {
      runs_[kept++] = run;
    }
  }
  runs_.resize(kept);
}

std::string TIniFile::ToBytes() const {
  std::size_t size = 0;
  for (const Run& run : runs_)
    size += run.size;
  std::string bytes;
  bytes.reserve(size + lineCount_ + 1);
  for (const Run& run : runs_) {
    ForEachLine(Text(run), [&bytes](std::string_view line) {
      bytes += line;
      bytes += "\r\n";
    });
  }
  return bytes;
}

void TIniFile::UpdateFile() {
  if (!modified_)
    return;
  if (fileName_.empty())
    throw EIniFileError("設定ファイルの名前がありません");
  const QString path = QFile::decodeName(QByteArray::fromStdString(fileName_));
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    throw EIniFileError(FormatMessage("設定ファイルのフォルダ %s を作成できません", {Utf8Path(folder)}));
  }
  std::string error;
  if (!SaveFileReplacing(fileName_, ToBytes(), error))
    throw EIniFileError(CannotSaveMessage(fileName_, "設定ファイル %s を保存できません", error));
  modified_ = false;
}

}  // namespace vrel
