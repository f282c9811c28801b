#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace vrel {

namespace {

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool ReadRegularFile(const std::string& utf8Path, std::string& bytes, std::string& error, std::size_t maxBytes) {
  const Descriptor file(::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "It is not a regular file.";
    return false;
  }
  if (static_cast<std::size_t>(info.st_size) > maxBytes) {
    error = "The file is too large.";
    return false;
  }
  std::string read(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < read.size()) {
    const ssize_t got = ::read(file.get(), read.data() + done, read.size() - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      error = std::strerror(errno);
      return false;
    }
    // The file shrank since it was opened: what is there is all there is.
    if (got == 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  read.resize(done);
  bytes = std::move(read);
  return true;
}

}  // namespace vrel
