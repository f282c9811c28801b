#pragma once

// Holds an object's change announcements back for the guard's lifetime: BeginUpdate now, EndUpdate
// on every way out, so a batch of changes announces itself once even when one of them throws.

#include <exception>

namespace vrel {

template <class T>
class UpdateGuard {
 public:
  explicit UpdateGuard(T& object) : object_(object), uncaught_(std::uncaught_exceptions()) { object_.BeginUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;

  // The closing announcement may raise, as a handler may: that reaches the caller, unless the batch
  // is being left by an exception already, which then goes on in its place.
  ~UpdateGuard() noexcept(false) {
    if (std::uncaught_exceptions() == uncaught_) {
      object_.EndUpdate();
      return;
    }
    try {
      object_.EndUpdate();
    } catch (...) {
    }
  }

 private:
  T& object_;
  int uncaught_;
};

}  // namespace vrel
