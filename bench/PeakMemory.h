// The most memory a piece of work holds at any one time, for the benchmarks that check a reader's
// promise on memory.
#pragma once

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

namespace vrel::bench {

// A size field of /proc/self/status ("VmRSS", "VmHWM") in bytes.
inline double StatusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0)
      return std::stod(line.substr(prefix.size())) * 1024.0;
  }
  return 0;
}

// The most memory `work` holds at any one time: run in a child process, whose resident peak the
// kernel keeps, with the parent's free memory given back first so that none of it is reused unseen.
inline double PeakBytesOf(const std::function<void()>& work) {
  int channel[2];
  if (pipe(channel) != 0)
    return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    malloc_trim(0);
    const double before = StatusBytes("VmRSS");
    work();
    const double peak = StatusBytes("VmHWM") - before;
    const ssize_t written = write(channel[1], &peak, sizeof peak);
    _exit(written == sizeof peak ? 0 : 1);
  }
  close(channel[1]);
  double peak = -1;
  if (read(channel[0], &peak, sizeof peak) != sizeof peak)
    peak = -1;
  close(channel[0]);
  waitpid(child, nullptr, 0);
  return peak;
}

}  // namespace vrel::bench
