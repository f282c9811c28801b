#pragma once

// Holds an object's change announcements back for the guard's lifetime: BeginUpdate now, EndUpdate
// on every way out, so a batch of changes announces itself once even when one of them throws.

namespace vrel {

template <class T>
class UpdateGuard {
 public:
  explicit UpdateGuard(T& object) : object_(object) { object_.BeginUpdate(); }
  ~UpdateGuard() { object_.EndUpdate(); }
  UpdateGuard(const UpdateGuard&) = delete;
  UpdateGuard& operator=(const UpdateGuard&) = delete;

 private:
  T& object_;
};

}  // namespace vrel
