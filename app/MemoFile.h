#pragma once

// The memo file that travels with every document: the document's path with the extension ".txt",
// holding the memo's text as CP932 bytes. The memo window's editor keeps the text; these read and
// write the file apart from it, so that an open reads every file before the document changes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "editor/EditorStrings.h"

namespace vrel {

class TPendingFiles;

// Far more than anyone types beside a scene, and little enough to hold in memory.
inline constexpr std::size_t kMaxMemoFileSize = 64u << 20;

// The memo file beside a document (UTF-8 path): the same path with the extension ".txt".
std::string MemoFileName(const std::string& documentPath);

// The memo file at `path` (UTF-8) as the editor reads a text file (its bytes without the end-of-file
// marks at its very end, and its line breaks counted); nothing when no file of that name exists.
// Only a regular file is read (a FIFO or a device would block or never end) and only up to
// kMaxMemoFileSize bytes. Raises Exception naming the file when it cannot be read.
std::optional<TTextFile> ReadMemoFile(const std::string& path);

// Writes the memo among the files of a save, to `path` when that file exists (an empty memo empties
// it) or the memo holds text; an empty memo creates no file. Raises Exception naming the file when it
// cannot be written.
void AddMemoFile(TPendingFiles& files, const std::string& path, std::string_view memo);

}  // namespace vrel
