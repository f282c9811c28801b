#pragma once

// The memo file that travels with every document: the document's path with the extension ".txt",
// holding the memo's text as CP932 bytes. The memo window's editor keeps the text; these read and
// write the file apart from it, so that an open reads every file before the document changes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vrel {

class TPendingFiles;

// Far more than anyone types beside a scene, and little enough to hold in memory.
inline constexpr std::size_t kMaxMemoFileSize = 64u << 20;

// The memo file beside a document (UTF-8 path): the same path with the extension ".txt".
std::string MemoFileName(const std::string& documentPath);

// The bytes of the memo file at `path` (UTF-8); nothing when no file of that name exists. Only a
// regular file is read (a FIFO or a device would block or never end) and only up to
// kMaxMemoFileSize bytes; end-of-file marks (Ctrl+Z) at its very end are left out. Raises Exception
// naming the file when it cannot be read.
std::optional<std::string> ReadMemoFile(const std::string& path);

// Writes the memo among the files of a save, to `path` when that file exists (an empty memo empties
// it) or the memo holds text; an empty memo creates no file. Raises Exception naming the file when it
// cannot be written.
void AddMemoFile(TPendingFiles& files, const std::string& path, std::string_view memo);

}  // namespace vrel
