#pragma once

// How a fuzz target reports a broken property: a message and an abort, which libFuzzer keeps as a crash.

#include <cstdio>
#include <cstdlib>

namespace vrel::fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace vrel::fuzz
