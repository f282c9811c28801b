// Files that are not regular files, for the tests of readers that must refuse them: a FIFO, on
// which an ordinary open waits for a writer, and a reader that would wait there is freed instead of
// hanging the test.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace vrel::nonregular {

// Makes a FIFO at `path`.
inline void MakeFifo(const std::string& path) {
  if (mkfifo(path.c_str(), 0600) != 0)
    throw std::runtime_error("cannot make the FIFO " + path);
}

// Runs `read` on another thread and answers whether it was still waiting on the FIFO at `fifo`
// after two seconds; if so, a writer opens and closes the FIFO's other end, which ends the wait,
// so that the test fails instead of hanging. Exceptions of `read` are its own business.
inline bool WaitsOnFifo(const std::string& fifo, const std::function<void()>& read) {
  std::atomic<bool> done = false;
  std::thread reader([&] {
    try {
      read();
    } catch (...) {
    }
    done = true;
  });
  for (int i = 0; i < 200 && !done; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const bool waited = !done;
  while (!done) {
    const int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0)
      close(writer);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  reader.join();
  return waited;
}

}  // namespace vrel::nonregular
