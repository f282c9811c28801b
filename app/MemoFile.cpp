#include "app/MemoFile.h"

#include <sys/stat.h>

#include "files/SimFilers.h"
#include "platform/Exceptions.h"
#include "platform/RegularFile.h"
#include "platform/SafeSave.h"

namespace vrel {

std::string MemoFileName(const std::string& documentPath) {
  return PathWithoutExtension(documentPath) + ".txt";
}

std::optional<std::string> ReadMemoFile(const std::string& path) {
  TFileContents contents = ReadRegularFile(path, kMaxMemoFileSize);
  if (contents.Status == TFileReadStatus::Missing)
    return std::nullopt;
  if (!contents.Ok())
    throw Exception(FormatMessage("メモファイル %s を読み込めません (%s)", {path, contents.Error}));
  std::string& bytes = contents.Bytes;
  // The editor's own loading drops end-of-file marks only where nothing follows them; the memo is
  // read the same way, so that saving it keeps every other byte.
  const std::size_t end = bytes.find_last_not_of('\x1a');
  bytes.resize(end == std::string::npos ? 0 : end + 1);
  return std::move(bytes);
}

void AddMemoFile(TPendingFiles& files, const std::string& path, std::string_view memo) {
  struct stat status {};
  const bool exists = ::stat(path.c_str(), &status) == 0;
  if (!exists && memo.empty())
    return;
  files.Add(path, memo, "メモファイル %s を保存できません");
}

}  // namespace vrel
