#pragma once

// Profile files: the settings file the editor shares with its earlier versions, which were written
// by the Windows profile functions. The behaviour users and old files rely on is theirs:
//  - section and key names compare without case (ASCII letters; the second byte of a double-byte
//    CP932 character is compared exactly) and without surrounding blanks;
//  - of duplicate sections or keys the first one wins;
//  - values are read trimmed, and a value enclosed in a pair of matching quotes loses them;
//  - comments, lines we do not understand and the order of lines survive a save; a new key goes to
//    the end of its section, a new section to the end of the file;
//  - text is CP932 bytes, any line end is read and CR LF is written.
// QSettings is no substitute: it escapes, sorts and writes UTF-8.
//
// The whole file is read when the object is made; changes stay in memory until UpdateFile, so a
// caller making many changes writes the file once.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Exceptions.h"

namespace vrel {

// The file cannot be read or written, is too large, or a name or value cannot be stored.
class EIniFileError : public Exception {
 public:
  using Exception::Exception;
};

// A settings file larger than this is refused instead of being read into memory.
inline constexpr std::size_t kMaxIniFileSize = 64u << 20;

// True when two section or key names are the same name to a profile file: blanks around them do not
// count, ASCII letters compare without case, bytes inside double-byte characters exactly.
bool SameIniName(std::string_view a, std::string_view b);

// The integer conversion of profile values: decimal digits with an optional sign, or up to 32 bits of
// hexadecimal after "$" or "0x" (so "$FF000008" is a negative number, as colours are stored).
// Anything else, or a decimal outside 32 bits, is not an integer. `out` is written only on success.
bool ParseIniInteger(std::string_view text, int32_t& out);

class TIniFile {
 public:
  // An empty, unnamed file; UpdateFile then has nowhere to write and raises.
  TIniFile() = default;
  // Reads `fileName`, a path in the file system's encoding (UTF-8). A missing file reads as an
  // empty one. Raises EIniFileError when the file exists but cannot be read or is larger than
  // kMaxIniFileSize.
  explicit TIniFile(std::string fileName);

  // Parses the bytes of a file; for text that did not come from disk.
  static TIniFile FromBytes(std::string_view bytes);

  const std::string& FileName() const { return fileName_; }

  // The value of the first `ident` in the first `section`, or `defaultValue` when there is none.
  std::string ReadString(std::string_view section, std::string_view ident, std::string_view defaultValue) const;
  // The value converted by ParseIniInteger, or `defaultValue` when absent or not an integer.
  int32_t ReadInteger(std::string_view section, std::string_view ident, int32_t defaultValue) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;
  bool SectionExists(std::string_view section) const;
  // The keys of the first `section` with their values, in file order, the first of duplicates only.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;
  // The names of the sections, in file order, the first of duplicates only.
  std::vector<std::string> ReadSections() const;

  // Stores `value` as it is; blanks and quotes around it are lost when it is read back, as they
  // always were. Raises EIniFileError for a line break in any argument, or for a key that contains
  // "=" or starts with ";" or "[", which would read back as something else.
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  // Removes every `ident` key of the first `section`, so that no later duplicate shows through.
  void DeleteKey(std::string_view section, std::string_view ident);
  // Removes, in one pass, every key of the first `section` whose name `match` accepts.
  void DeleteKeys(std::string_view section, const std::function<bool(std::string_view)>& match);
  // Removes every section of that name with its lines.
  void EraseSection(std::string_view section);

  // Lines in the file; what any count stored in it can honestly reach.
  std::size_t LineCount() const { return lines_.size(); }

  // True when there are changes that UpdateFile has not written yet.
  bool Modified() const { return modified_; }
  // Writes the changes, if any, through a temporary file renamed over the file (the folder is made
  // when missing), so a failed write leaves the old file whole. Raises EIniFileError on failure.
  void UpdateFile();

  // The file's text as UpdateFile writes it: every line ended by CR LF.
  std::string ToBytes() const;

 private:
  enum class LineKind { kOther, kSection, kKey };
  struct Line {
    std::string text;  // the bytes of the line without its end
    LineKind kind = LineKind::kOther;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed, quotes removed
  };

  static Line ParseLine(std::string text);
  void Parse(std::string_view bytes);
  // Index of the first header named `section`, or npos.
  std::size_t FindSection(std::string_view section) const;
  // One past the last line of the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  // Index of the first `ident` key between `begin` and `end`, or npos.
  std::size_t FindKey(std::size_t begin, std::size_t end, std::string_view ident) const;

  std::string fileName_;
  std::vector<Line> lines_;
  bool modified_ = false;
};

}  // namespace vrel
