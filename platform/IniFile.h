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
// The whole file is read and parsed once, when the object is made; changes stay in memory until
// UpdateFile, so a caller making many changes writes the file once. The file's text is kept as it
// was read and indexed by runs of lines (a section header, a key, or any number of other lines in a
// row), so an open file holds little more than its own size, however many line ends it has.

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
  // empty one. Raises EIniFileError when the name is not a regular file (a FIFO or a device is not
  // opened in a way that could block), when it cannot be read, or when it is larger than
  // kMaxIniFileSize.
  explicit TIniFile(std::string fileName);

  // Parses the bytes of a file; for text that did not come from disk. Raises EIniFileError when there
  // are more than kMaxIniFileSize.
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
  std::size_t LineCount() const { return lineCount_; }

  // True when there are changes that UpdateFile has not written yet.
  bool Modified() const { return modified_; }
  // Writes the changes, if any, through a temporary file renamed over the file (the folder is made
  // when missing), so a failed write leaves the old file whole. Raises EIniFileError on failure.
  void UpdateFile();

  // The file's text as UpdateFile writes it: every line ended by CR LF.
  std::string ToBytes() const;

 private:
  enum class RunKind : uint8_t { kOther, kSection, kKey };
  // Lines of the text: one section header, one key, or other lines (comments, blanks, lines of no
  // meaning) one after another. Its bytes lie in text_, each line ended by LF; only the file's last
  // line may lack its end.
  static constexpr std::size_t kMaxRunSize = (std::size_t{1} << 30) - 1;
  struct Run {
    uint32_t offset = 0;
    uint32_t size : 30 = 0;
    uint32_t kind : 2 = 0;
    RunKind Kind() const { return static_cast<RunKind>(kind); }
    // The limits on the file and on each written line keep every size within kMaxRunSize; the masks
    // only show the fields' widths.
    void SetSize(std::size_t bytes) { size = static_cast<uint32_t>(bytes & kMaxRunSize); }
    void SetKind(RunKind runKind) { kind = static_cast<uint32_t>(runKind) & 3u; }
  };

  // Takes the file's bytes as text_, line ends made LF in place, and indexes it.
  void Parse(std::string bytes);
  std::string_view Text(const Run& run) const { return std::string_view(text_).substr(run.offset, run.size); }
  // The line of a section or key run, without its end.
  std::string_view Line(const Run& run) const;
  // The name of a section or key run; the value of a key run.
  std::string_view NameOf(const Run& run) const;
  std::string_view ValueOf(const Run& run) const;
  static std::size_t LinesIn(std::string_view text);

  // Index of the first header named `section`, or npos.
  std::size_t FindSection(std::string_view section) const;
  // One past the last run of the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  // Index of the first `ident` key between `begin` and `end`, or npos.
  std::size_t FindKey(std::size_t begin, std::size_t end, std::string_view ident) const;

  // A run of `kind` over `line` + LF, stored at the end of text_.
  Run NewRun(RunKind kind, std::string_view line);
  void InsertRun(std::size_t at, Run run);
  // Removes the runs [first, last) with their lines.
  void EraseRuns(std::size_t first, std::size_t last);
  // Where a new key of the section at `header` goes: after its last line that is not blank, so the
  // blank lines before the next section stay there. A run of other lines may be split for it.
  std::size_t KeyInsertPoint(std::size_t header);
  // Drops the bytes no run uses any more, once they are as many as those in use.
  void CollectGarbage();

  std::string fileName_;
  std::string text_;
  std::vector<Run> runs_;
  std::size_t lineCount_ = 0;
  std::size_t garbage_ = 0;  // bytes of text_ that no run covers
  bool modified_ = false;
};

}  // namespace vrel
