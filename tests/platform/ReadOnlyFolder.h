#pragma once

// Makes a folder refuse new files for the object's life, for any user: its write right is taken away
// and, since root would write there all the same, this thread's capability to override file rights
// (CAP_DAC_OVERRIDE) is put aside until the object goes.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

namespace vrel {

class ScopedReadOnlyFolder {
 public:
  explicit ScopedReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::filesystem::permissions(folder_, kWriteRights, std::filesystem::perm_options::remove);
    EXPECT_EQ(syscall(SYS_capget, &header_, kept_), 0);
    __user_cap_data_struct dropped[2] = {kept_[0], kept_[1]};
    dropped[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    EXPECT_EQ(syscall(SYS_capset, &header_, dropped), 0);
  }
  ScopedReadOnlyFolder(const ScopedReadOnlyFolder&) = delete;
  ScopedReadOnlyFolder& operator=(const ScopedReadOnlyFolder&) = delete;
  ~ScopedReadOnlyFolder() {
    syscall(SYS_capset, &header_, kept_);
    std::filesystem::permissions(folder_, kWriteRights, std::filesystem::perm_options::add);
  }

 private:
  static constexpr auto kWriteRights =
      std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write;
  std::filesystem::path folder_;
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct kept_[2]{};
};

}  // namespace vrel
