// Component streams into each kind of component the program reads: the read either succeeds or
// raises one of the stream's exceptions, and what was read writes back to bytes that read and
// write again unchanged.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "files/ComponentTransaction.h"
#include "fuzz/FuzzTargets.h"
#include "platform/ComponentStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vrel;
  static const bool registered = (RegisterFileClasses(), true);
  (void)registered;
  if (size < 1)
    return 0;
  const int kind = data[0];
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  auto target = fuzz::MakeTarget(kind);
  try {
    LoadComponentTransactional(stream, *target);
  } catch (const Exception&) {
    return 0;
  }
  // Text that is not valid CP932 is written with '?' in its place, so the first rewrite may differ
  // from the input; from then on the bytes must stay the same.
  std::string first;
  try {
    first = SaveComponentToBytes(*target);
  } catch (const EWriteError&) {
    return 0;  // a value that one of the forms read allows but the writer refuses
  }
  std::string second, third;
  try {
    auto again = fuzz::MakeTarget(kind);
    LoadComponentTransactional(first, *again);
    second = SaveComponentToBytes(*again);
    auto onceMore = fuzz::MakeTarget(kind);
    LoadComponentTransactional(second, *onceMore);
    third = SaveComponentToBytes(*onceMore);
  } catch (const Exception& e) {
    fuzz::Fail(e.what());
  }
  if (third != second)
    fuzz::Fail("a stream read back writes different bytes");
  return 0;
}
