// Scripts of keys, clicks and commands on the editor core (see tests/editor/KeyScript.h), chosen by
// the fuzzer's bytes over a start text it also chooses: after every step the rows are the text
// wrapped afresh, the caret and selection lie inside them, the marks in use are the rows' own, and
// undoing everything gives back the start.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzFail.h"
#include "tests/editor/KeyScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vrel;
  FuzzedDataProvider input(data, size);
  const bool wrap = input.ConsumeBool();
  const std::string start = input.ConsumeRandomLengthString(200);
  const keyscript::Next next = [&input](int n) { return input.ConsumeIntegralInRange<int>(0, n - 1); };
  const int steps = input.ConsumeIntegralInRange<int>(1, 60);
  const std::string broken = keyscript::Play(start, wrap, steps, next);
  if (!broken.empty())
    fuzz::Fail(broken.c_str());
  return 0;
}
