#pragma once

// The editor's Lines: its text as a list of logical lines laid over the display rows, with loading
// and saving of text files. Every change goes through the rows' ReplaceText (one undo step each) and
// leaves the owning editor's caret after the new text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/AttachedEditor.h"
#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/RegularFile.h"

namespace vrel {

class TEditorScreenStrings;

// A text file that cannot be read or written.
class EEditorFileError : public Exception {
 public:
  using Exception::Exception;
};

// A text file as the editor takes it: read whole as ReadRegularFile reads it, the end-of-file marks
// (Ctrl+Z) at its very end left out, and its line breaks counted while the bytes came in, so that
// taking it as the text need not go over them again (a pass over memory for a file of megabytes).
struct TTextFile {
  TFileContents Contents;
  std::size_t LineBreaks = 0;
};
TTextFile ReadTextFile(const std::string& utf8Path, std::size_t maxSize);

class TEditorStrings : public TPersistent {
  VREL_CLASS_INFO(TEditorStrings, TPersistent)
 public:
  explicit TEditorStrings(AttachedEditor& editor) : editor_(editor) {}

  // Indexes are logical-line numbers; an index outside the lines raises the list error.
  int Count() const;
  // The rows of the line joined, without its line break.
  std::string Get(int index) const;
  void Put(int index, std::string_view line);
  // At Count, the same as Add.
  void Insert(int index, std::string_view line);
  // Returns the line count before. A text without a final line break stays without one.
  int Add(std::string_view line);
  void Delete(int index);
  void Clear();

  // The whole text, CR LF after each line that has a line break.
  std::string Text() const;
  // Replaces the text (CR LF, CR and LF break lines); not an undo step. `lineBreaks`, when given, is
  // the count of its line breaks, as ReadTextFile counts them.
  void SetText(std::string text, std::optional<std::size_t> lineBreaks = std::nullopt);

  // Reads a regular file whole; only Ctrl-Z bytes at its very end are left out. A file that cannot
  // be read raises EEditorFileError and leaves the text as it was.
  void LoadFromFile(const std::string& utf8Path);
  // Writes Text() to a temporary file that then replaces the file, so a failed save (raising
  // EEditorFileError) leaves the old file as it was.
  void SaveToFile(const std::string& utf8Path) const;

  // From another Lines or a string list: its text, with the caret on the last row.
  void Assign(const TPersistent* source) override;

  // A batch of changes: the editor's caret stays hidden and nothing is repainted until the
  // outermost EndUpdate, which refreshes every editor of the rows.
  void BeginUpdate();
  void EndUpdate();

  // The first row of a logical line (the row count past the last line).
  int LineToRow(int index) const;

  // The lines as the component stream stores them, and back.
  std::vector<std::string> StreamedLines() const;
  void SetStreamedLines(const std::vector<std::string>& lines);

 private:
  TEditorScreenStrings& Rows() const { return editor_.ScreenStrings(); }
  void CheckIndex(int index) const;
  // Replaces rows through the rows' ReplaceText; the caret goes `offset` bytes of text after the
  // start of `anchor`, a row that begins a line before the replaced ones.
  void Edit(int row, int count, std::string_view text, int anchor, std::size_t offset);

  AttachedEditor& editor_;
  int updateCount_ = 0;
};

}  // namespace vrel
