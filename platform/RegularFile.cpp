#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Exceptions.h"

namespace vrel {

namespace {

TFileContents Refused(TFileReadStatus status, std::string error) {
  TFileContents contents;
  contents.Status = status;
  contents.Error = std::move(error);
  return contents;
}

TFileContents SystemError(int error) {
  return Refused(error == ENOENT || error == ENOTDIR ? TFileReadStatus::Missing : TFileReadStatus::Failed,
                 std::strerror(error));
}

TFileContents CheckKind(const struct stat& info, std::size_t maxSize) {
  if (!S_ISREG(info.st_mode))
    return Refused(TFileReadStatus::NotRegular, S_ISDIR(info.st_mode) ? "a folder" : "not a regular file");
  if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize) {
    return Refused(TFileReadStatus::TooLarge, "larger than " + std::to_string(maxSize) + " bytes");
  }
  return TFileContents{TFileReadStatus::Ok, {}, {}};
}

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0)
      close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

TFileContents ReadRegularFile(const std::string& utf8Path, std::size_t maxSize) {
  // A look before opening keeps devices from being opened at all; the descriptor is checked again,
  // since the name may point elsewhere by the time it is opened.
  struct stat info {};
  if (stat(utf8Path.c_str(), &info) != 0)
    return SystemError(errno);
  if (TFileContents refused = CheckKind(info, maxSize); !refused.Ok())
    return refused;

  const Descriptor file(open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0)
    return SystemError(errno);
  if (fstat(file.Get(), &info) != 0)
    return SystemError(errno);
  TFileContents contents = CheckKind(info, maxSize);
  if (!contents.Ok())
    return contents;

  contents.Bytes.resize(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < contents.Bytes.size()) {
    const ssize_t got = read(file.Get(), contents.Bytes.data() + done, contents.Bytes.size() - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return SystemError(errno);
    if (got == 0)
      break;
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
