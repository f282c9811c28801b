#pragma once

#include <memory>
#include <string>
#include <string_view>

class QSaveFile;

namespace vrel {

// A file written under a temporary name in its target's folder and put in the target's place only by
// Commit, so a save that fails part way never destroys the previous file. Files that belong together
// are all written before any is committed: a failed write then replaces none of them.
class TPendingFile {
 public:
  // The path is UTF-8.
  explicit TPendingFile(const std::string& utf8Path);
  TPendingFile(const TPendingFile&) = delete;
  TPendingFile& operator=(const TPendingFile&) = delete;
  // Removes the temporary file unless it was committed.
  ~TPendingFile();

  // Creates the temporary file and writes the bytes. False with the system's reason in `error` (the
  // first thing that failed, not what cleaning up said afterwards); the target is then untouched.
  bool Write(std::string_view bytes, std::string& error);
  // Renames the written file over the target. False with the system's reason in `error`.
  bool Commit(std::string& error);

 private:
  std::unique_ptr<QSaveFile> file_;
  bool written_ = false;
};

// Write and Commit of one pending file. Returns false with the system's reason in `error` when
// anything fails; the target is then as it was.
bool SaveFileReplacing(const std::string& utf8Path, std::string_view bytes, std::string& error);

// The error of a file that could not be saved: "ファイル <path> を作成できません (<reason>)".
[[noreturn]] void RaiseCannotCreate(const std::string& utf8Path, const std::string& reason);

// SaveFileReplacing that raises RaiseCannotCreate's error instead of answering false.
void SaveBytesReplacing(const std::string& utf8Path, std::string_view bytes);

}  // namespace vrel
