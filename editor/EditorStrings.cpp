#include "editor/EditorStrings.h"

#include <algorithm>
#include <utility>

#include "editor/EditorScreenStrings.h"
#include "editor/zeStringList.h"
#include "editor/zeUtils.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"
#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr const char* kIndexOutOfRange = "リストのインデックスが範囲を超えています";

}  // namespace

const TClassInfo& TEditorStrings::StaticClass() {
  static const TClassInfo info("TEditorStrings", &Inherited::StaticClass());
  return info;
}

void TEditorStrings::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EStringListError(kIndexOutOfRange);
}

int TEditorStrings::Count() const {
  return Rows().WordWrap() ? Rows().LineCount() : Rows().Count();
}

int TEditorStrings::LineToRow(int index) const {
  return Rows().WordWrap() ? Rows().LineToRow(index) : std::clamp(index, 0, Rows().Count());
}

std::string TEditorStrings::Get(int index) const {
  CheckIndex(index);
  if (!Rows().WordWrap())
    return Rows().Get(index);
  std::string line = Rows().GetRowsText(LineToRow(index), -1).Text;
  while (line.ends_with(kCrLf))
    line.resize(line.size() - kCrLf.size());
  return line;
}

void TEditorStrings::Edit(int row, int count, std::string_view text, int anchor, std::size_t offset) {
  editor_.CancelSelection();
  const HiddenCaret hidden(&editor_);
  TEditorScreenStrings& rows = Rows();
  rows.ReplaceText(row, count, text);
  const TRowPosition after = rows.PositionAt(anchor, static_cast<int64_t>(offset));
  editor_.SetRow(after.Row);
  editor_.SetCol(rows.CellColumn(after.Row, after.Byte));
}

void TEditorStrings::Put(int index, std::string_view line) {
  CheckIndex(index);
  TEditorScreenStrings& rows = Rows();
  const int row = LineToRow(index);
  const int end = rows.LineEnd(row);
  std::string text(line);
  if (rows.RowAttribute(end) == 0)
    text += kCrLf;
  Edit(row, end - row + 1, text, row, text.size());
}

void TEditorStrings::Insert(int index, std::string_view line) {
  if (index < 0 || index > Count())
    throw EStringListError(kIndexOutOfRange);
  const int row = LineToRow(index);
  if (row >= Rows().Count()) {
    Add(line);
    return;
  }
  std::string text(line);
  text += kCrLf;
  Edit(row, 0, text, row, text.size());
}

int TEditorStrings::Add(std::string_view line) {
  const int before = Count();
  TEditorScreenStrings& rows = Rows();
  const int count = rows.Count();
  if (count > 0 && rows.RowAttribute(count - 1) != 0) {
    // The last line has no line break: it gets one, and the new line goes on without.
    const int last = count - 1;
    const int anchor = rows.LineStart(last);
    std::size_t offset = 0;
    for (int r = anchor; r < last; ++r)
      offset += rows.Get(r).size();
    std::string text = rows.Get(last);
    text += kCrLf;
    text += line;
    Edit(last, 1, text, anchor, offset + text.size());
  } else {
    std::string text(line);
    text += kCrLf;
    Edit(count, 0, text, count, text.size());
  }
  return before;
}

void TEditorStrings::Delete(int index) {
  CheckIndex(index);
  TEditorScreenStrings& rows = Rows();
  const int row = LineToRow(index);
  editor_.CancelSelection();
  const HiddenCaret hidden(&editor_);
  rows.ReplaceText(row, rows.LineEnd(row) - rows.LineStart(row) + 1, {});
  editor_.SetRow(row);
}

void TEditorStrings::Clear() {
  Rows().Clear();
}

std::string TEditorStrings::Text() const {
  return Rows().Text();
}

void TEditorStrings::SetText(std::string text, std::optional<std::size_t> lineBreaks) {
  UpdateGuard<TEditorStrings> batch(*this);
  Rows().SetText(std::move(text), lineBreaks);
}

namespace {

// The largest text a memo loads: far beyond any note, small enough to stay in memory with its rows.
constexpr std::size_t kMaxTextFileSize = 0x7FFFFFFF;

}  // namespace

TTextFile ReadTextFile(const std::string& utf8Path, std::size_t maxSize) {
  LineBreakCounter breaks;
  TTextFile file{ReadRegularFile(utf8Path, maxSize, [&breaks](std::string_view piece) { breaks.Add(piece); })};
  // An end-of-file mark ends the text only where nothing follows it, so that saving keeps every
  // byte that was read. (The marks are no line breaks, and a CR before them is one either way.)
  std::string& bytes = file.Contents.Bytes;
  const std::size_t end = bytes.find_last_not_of('\x1a');
  bytes.resize(end == std::string::npos ? 0 : end + 1);
  file.LineBreaks = breaks.Count();
  return file;
}

void TEditorStrings::LoadFromFile(const std::string& utf8Path) {
  TTextFile file = ReadTextFile(utf8Path, kMaxTextFileSize);
  if (!file.Contents.Ok())
    throw EEditorFileError("Cannot open file \"" + utf8Path + "\". " + file.Contents.Error);
  SetText(std::move(file.Contents.Bytes), file.LineBreaks);
}

void TEditorStrings::SaveToFile(const std::string& utf8Path) const {
  std::string error;
  if (!SaveFileReplacing(utf8Path, Text(), error))
    throw EEditorFileError("Cannot create file \"" + utf8Path + "\". " + error);
}

void TEditorStrings::Assign(const TPersistent* source) {
  std::string text;
  if (const auto* lines = As<TEditorStrings>(source)) {
    text = lines->Text();
  } else if (const auto* list = As<TzeStringList>(source)) {
    for (int i = 0; i < list->Count(); ++i) {
      text += list->Get(i);
      text += kCrLf;
    }
  } else {
    TPersistent::Assign(source);
    return;
  }
  SetText(text);
  editor_.SetRow(std::max(Rows().Count() - 1, 0));
  editor_.SetCol(0);
}

void TEditorStrings::BeginUpdate() {
  if (updateCount_++ > 0)
    return;
  Rows().BeginUpdate();
  editor_.HideCaretNested();
  editor_.BeginCaretMove();
  editor_.SetUpdating(true);
}

void TEditorStrings::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ > 0)
    return;
  TEditorScreenStrings& rows = Rows();
  rows.EndUpdate();
  editor_.EndCaretMove();
  editor_.ShowCaretNested();
  editor_.SetUpdating(false);
  for (AttachedEditor* editor : rows.Editors())
    editor->RefreshView();
}

std::vector<std::string> TEditorStrings::StreamedLines() const {
  std::vector<std::string> lines;
  const int count = Count();
  lines.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    lines.push_back(Get(i));
  return lines;
}

// A stored line that holds a line break becomes several lines: rows never hold one.
void TEditorStrings::SetStreamedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += kCrLf;
  }
  SetText(text);
}

}  // namespace vrel
