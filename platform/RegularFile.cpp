#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/Exceptions.h"

namespace vrel {

namespace {

TFileReadStatus SystemStatus(int error) {
  return error == ENOENT || error == ENOTDIR ? TFileReadStatus::Missing : TFileReadStatus::Failed;
}

// Why a file of that kind and size is not opened; empty for a regular file within the limit.
std::string KindRefusal(const struct stat& info, std::uint64_t maxSize, TFileReadStatus& status) {
  if (!S_ISREG(info.st_mode)) {
    status = TFileReadStatus::NotRegular;
    return S_ISDIR(info.st_mode) ? "a folder" : "not a regular file";
  }
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > maxSize) {
    status = TFileReadStatus::TooLarge;
    return "larger than " + std::to_string(maxSize) + " bytes";
  }
  status = TFileReadStatus::Ok;
  return {};
}

// A file of many megabytes is read into memory the process has never touched, and the kernel then
// takes a fault, clears a page and accounts it for every 4 KiB: two thirds of the time of reading
// 60 MB. Asked before the first write, it does so once for every 2 MiB where it can. The hint is
// only a hint: without huge pages the read is as before.
void PreferHugePages(std::string& buffer) {
  constexpr std::size_t kWorthIt = std::size_t{4} << 20;
  if (buffer.capacity() < kWorthIt)
    return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(buffer.data());
  const std::uintptr_t first = (start + page - 1) / page * page;
  const std::uintptr_t end = (start + buffer.capacity()) / page * page;
  if (end > first)
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

TRegularFile::TRegularFile(const std::string& utf8Path, std::uint64_t maxSize) {
  struct stat info {};
  if (stat(utf8Path.c_str(), &info) != 0) {
    RefuseForSystemError(errno);
    return;
  }
  TFileReadStatus status = TFileReadStatus::Failed;
  if (std::string why = KindRefusal(info, maxSize, status); !why.empty()) {
    Refuse(status, std::move(why));
    return;
  }
  descriptor_ = open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor_ < 0 || fstat(descriptor_, &info) != 0) {
    RefuseForSystemError(errno);
    return;
  }
  if (std::string why = KindRefusal(info, maxSize, status); !why.empty()) {
    Refuse(status, std::move(why));
    return;
  }
  status_ = TFileReadStatus::Ok;
  size_ = static_cast<std::uint64_t>(info.st_size);
}

TRegularFile::~TRegularFile() {
  if (descriptor_ >= 0)
    close(descriptor_);
}

void TRegularFile::RefuseForSystemError(int error) {
  Refuse(SystemStatus(error), std::strerror(error));
}

void TRegularFile::Refuse(TFileReadStatus status, std::string error) {
  if (descriptor_ >= 0)
    close(descriptor_);
  descriptor_ = -1;
  status_ = status;
  error_ = std::move(error);
}

TFileContents ReadRegularFile(const std::string& utf8Path, std::size_t maxSize, const TFilePieceSink& pieces) {
  const TRegularFile file(utf8Path, maxSize);
  TFileContents contents{file.Status(), {}, file.Error()};
  if (!file.Ok())
    return contents;

  contents.Bytes.reserve(static_cast<std::size_t>(file.Size()));
  PreferHugePages(contents.Bytes);
  contents.Bytes.resize(static_cast<std::size_t>(file.Size()));
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::size_t done = 0;
  while (done < contents.Bytes.size()) {
    const ssize_t got =
        read(file.Descriptor(), contents.Bytes.data() + done, std::min(contents.Bytes.size() - done, kPiece));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      const int error = errno;
      return TFileContents{SystemStatus(error), {}, std::strerror(error)};
    }
    if (got == 0)
      break;
    if (pieces)
      pieces(std::string_view(contents.Bytes).substr(done, static_cast<std::size_t>(got)));
    done += static_cast<std::size_t>(got);
  }
  contents.Bytes.resize(done);
  return contents;
}

std::optional<std::string> ReadDocumentFile(const std::string& utf8Path, std::size_t maxSize) {
  struct stat info {};
  if (stat(utf8Path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return std::nullopt;
  TFileContents contents = ReadRegularFile(utf8Path, maxSize);
  if (contents.Status == TFileReadStatus::Missing)
    return std::nullopt;
  if (!contents.Ok())
    throw Exception(FormatMessage("ファイル %s を読み込めません (%s)", {utf8Path, contents.Error}));
  return std::move(contents.Bytes);
}

}  // namespace vrel
