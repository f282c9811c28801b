#pragma once

// Lets the process's address space grow by at most `bytes` from now on (RLIMIT_AS over its present
// size), so that mapping more fails as on a machine out of memory. For the child process of a death
// test: the limit stays for the rest of the process, which ends with std::_Exit (the leak check at a
// normal exit would need memory of its own).

#include <sys/resource.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace vrel {

inline bool LimitAddressSpaceGrowth(std::uint64_t bytes) {
  std::uint64_t kib = 0;
  {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmSize:", 0) == 0)
        kib = std::stoull(line.substr(7));
    }
  }
  struct rlimit limit {};
  if (kib == 0 || getrlimit(RLIMIT_AS, &limit) != 0)
    return false;
  limit.rlim_cur = kib * 1024 + bytes;
  return setrlimit(RLIMIT_AS, &limit) == 0;
}

}  // namespace vrel
