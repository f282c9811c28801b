// Object files: the load either succeeds or raises a clean exception, a failed first record leaves
// the document as it was, a failed second one leaves it with the first, and a loaded file saves to
// bytes that load and save again unchanged.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vrel;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  TSquareBladeCollectionsContainer document;
  document.Collections()->AddLayer()->SetName("untouched");
  TMenuItem memory;
  memory.Add(new TMenuItem);
  try {
    LoadObjectFileRecordsFromBytes(file, document, &memory);
  } catch (const Exception&) {
    if (document.Collections()->Count() == 1 && document.Collections()->GetLayer(0)->Name() == "untouched" &&
        memory.Count() == 1)
      return 0;  // record 1 failed: nothing changed
    // Record 2 failed: the document holds record 1, as a load without the memory gives it, and the
    // memory is empty.
    if (memory.Count() != 0)
      fuzz::Fail("a failed second record left remembered positions");
    TSquareBladeCollectionsContainer first;
    try {
      LoadObjectFileRecordsFromBytes(file, first, nullptr);
    } catch (const Exception& e) {
      fuzz::Fail(e.what());
    }
    try {
      if (ObjectFileBytes(first, nullptr) != ObjectFileBytes(document, nullptr))
        fuzz::Fail("a failed second record changed what the first one gave");
    } catch (const EWriteError&) {
      // a value that one of the forms read allows but the writer refuses
    }
    return 0;
  }
  // As with streams, the first save may replace invalid CP932 text by '?'; after that the bytes
  // must stay the same.
  std::string saved;
  try {
    saved = ObjectFileBytes(document, &memory);
  } catch (const EWriteError&) {
    return 0;
  }
  std::string second, third;
  try {
    TSquareBladeCollectionsContainer again;
    TMenuItem againMemory;
    LoadObjectFileRecordsFromBytes(saved, again, &againMemory);
    second = ObjectFileBytes(again, &againMemory);
    TSquareBladeCollectionsContainer onceMore;
    TMenuItem onceMoreMemory;
    LoadObjectFileRecordsFromBytes(second, onceMore, &onceMoreMemory);
    third = ObjectFileBytes(onceMore, &onceMoreMemory);
  } catch (const Exception& e) {
    fuzz::Fail(e.what());
  }
  if (third != second)
    fuzz::Fail("a loaded file saves to different bytes");
  return 0;
}
