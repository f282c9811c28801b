// The search on any text, selection, find string and options: it never reads outside the text, a hit
// lies inside it and starts on a character, and on short texts it agrees with the plain reading of
// the rules.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "editor/ZTSearch.h"
#include "editor/zeUtils.h"
#include "fuzz/FuzzFail.h"
#include "tests/editor/SearchOracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vrel;
  FuzzedDataProvider input(data, size);
  const auto options = static_cast<uint16_t>(input.ConsumeIntegral<uint16_t>() & 0x18F);
  const TSearchInfo selection{input.ConsumeIntegralInRange<int32_t>(-2, 600),
                              input.ConsumeIntegralInRange<int32_t>(-1, 600)};
  const std::string find = input.ConsumeRandomLengthString(12);
  const std::string text = input.ConsumeRemainingBytesAsString();

  TSearchInfo info = selection;
  const bool found = SearchText(text, info, find, options);
  if (found) {
    if (info.Start < 0 || info.Length <= 0 ||
        static_cast<std::size_t>(info.Start) + static_cast<std::size_t>(info.Length) > text.size())
      fuzz::Fail("a hit outside the text");
    std::size_t p = 0;
    while (p < static_cast<std::size_t>(info.Start))
      p += CharLength(text, p);
    if (p != static_cast<std::size_t>(info.Start))
      fuzz::Fail("a hit starts inside a character");
  }
  if (text.size() <= 256) {
    const auto expected = oracle::BruteForceSearch(text, selection, find, options);
    if (found != expected.has_value() || (found && (info.Start != expected->Start || info.Length != expected->Length)))
      fuzz::Fail("the search and the plain reading of the rules differ");
  }
  return 0;
}
