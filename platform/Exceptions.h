#pragma once

#include <stdexcept>
#include <string>

namespace vrel {

// The general exception of the system. Messages are UTF-8 and carry the system's own texts exactly,
// so that a message box shows them as the user has always seen them.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  const std::string Message() const { return what(); }
};

// Raised by Assign when a source cannot be copied onto a target.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A named class is not registered (component streams create children by class name).
class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Replaces each "%s" in `format` by the next argument, in order; a missing argument leaves "%s" out.
std::string FormatMessage(const std::string& format, std::initializer_list<std::string> args);

}  // namespace vrel
