#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// The message of a file that could not be saved: `failure` (a pattern whose %s is the path, such as
// "ファイル %s を作成できません") and the system's reason in parentheses. When the file's folder takes
// no new file (no right to write there, a read-only file system), the message first names that
// folder as the cause: the reason alone ("Permission denied") would point at the file.
std::string CannotSaveMessage(const std::string& utf8Path, const char* failure, const std::string& reason);

// The error of a file that could not be saved: "ファイル <path> を作成できません (<reason>)", with the
// folder as the cause when it takes no new file.
[[noreturn]] void RaiseCannotCreate(const std::string& utf8Path, const std::string& reason);

// The files of one save: each is written in full under a temporary name as it is added, and only
// CommitAll puts them in their places, in the order added. Should a write fail, no target has been
// replaced; the temporary files go with the object.
class TPendingFiles {
 public:
  // Writes the bytes beside `utf8Path`. Raises Exception with CannotSaveMessage of `failure` when
  // they cannot be written; the files added before stay pending.
  void Add(const std::string& utf8Path, std::string_view bytes, const char* failure = kCannotCreate);
  // Renames every written file over its target. Raises as Add when a rename fails; the files
  // before it are then in place, the rest are not.
  void CommitAll();

  static constexpr const char* kCannotCreate = "ファイル %s を作成できません";

 private:
  struct TEntry {
    std::unique_ptr<TPendingFile> File;
    std::string Path;
    const char* Failure;
  };
  std::vector<TEntry> files_;
};

// SaveFileReplacing that raises RaiseCannotCreate's error instead of answering false.
void SaveBytesReplacing(const std::string& utf8Path, std::string_view bytes);

}  // namespace vrel
