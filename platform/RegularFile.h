#pragma once

#include <cstddef>
#include <string>

namespace vrel {

// Reads a whole regular file (UTF-8 path) into `bytes`: opened without blocking and checked through
// the descriptor, so a FIFO or a device is refused instead of waited on, and read up to the size it
// had when opened (a file that grows meanwhile is not followed). Files larger than `maxBytes` are
// refused. Returns false with the reason in `error`; `bytes` is then untouched.
bool ReadRegularFile(const std::string& utf8Path, std::string& bytes, std::string& error,
                     std::size_t maxBytes = 0x7FFFFFFF);

}  // namespace vrel
