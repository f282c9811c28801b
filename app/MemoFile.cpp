#include "app/MemoFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/SimFilers.h"
#include "platform/Exceptions.h"
#include "platform/SafeSave.h"

namespace vrel {

namespace {

// Closes the descriptor on every way out.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void CannotRead(const std::string& path, const std::string& reason) {
  throw Exception(FormatMessage("メモファイル %s を読み込めません (%s)", {path, reason}));
}

}  // namespace

std::string MemoFileName(const std::string& documentPath) {
  return PathWithoutExtension(documentPath) + ".txt";
}

std::optional<std::string> ReadMemoFile(const std::string& path) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) {
    if (errno == ENOENT)
      return std::nullopt;
    CannotRead(path, std::strerror(errno));
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0)
    CannotRead(path, std::strerror(errno));
  if (!S_ISREG(status.st_mode))
    CannotRead(path, "not a regular file");
  if (static_cast<unsigned long long>(status.st_size) > kMaxMemoFileSize)
    CannotRead(path, "larger than " + std::to_string(kMaxMemoFileSize >> 20) + " MiB");
  // No more than the size the file had when it was opened, however it grows meanwhile.
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      CannotRead(path, std::strerror(errno));
    if (got == 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

void SaveMemoFile(const std::string& path, std::string_view memo) {
  struct stat status {};
  const bool exists = ::stat(path.c_str(), &status) == 0;
  if (!exists && memo.empty())
    return;
  std::string error;
  if (!SaveFileReplacing(path, memo, error))
    throw Exception(FormatMessage("メモファイル %s を保存できません (%s)", {path, error}));
}

}  // namespace vrel
