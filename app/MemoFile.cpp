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

std::optional<TTextFile> ReadMemoFile(const std::string& path) {
  TTextFile file = ReadTextFile(path, kMaxMemoFileSize);
  if (file.Contents.Status == TFileReadStatus::Missing)
    return std::nullopt;
  if (!file.Contents.Ok())
    throw Exception(FormatMessage("メモファイル %s を読み込めません (%s)", {path, file.Contents.Error}));
  return file;
}

void AddMemoFile(TPendingFiles& files, const std::string& path, std::string_view memo) {
  struct stat status {};
  const bool exists = ::stat(path.c_str(), &status) == 0;
  if (!exists && memo.empty())
    return;
  files.Add(path, memo, "メモファイル %s を保存できません");
}

}  // namespace vrel
