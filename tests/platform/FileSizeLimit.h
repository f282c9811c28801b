#pragma once

// Makes every write past a size fail for the object's life, for any user (root included, whom a
// read-only folder would not stop): RLIMIT_FSIZE, with SIGXFSZ ignored so that the write reports
// EFBIG instead of the signal ending the process.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>

namespace vrel {

class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &old_), 0);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old_;
    limited.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  struct rlimit old_ {};
  void (*handler_)(int) = nullptr;
};

}  // namespace vrel
