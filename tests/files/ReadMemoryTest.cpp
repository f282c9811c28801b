// How much memory reading outside data takes, counted by this executable's own operator new: an
// object file, snapshot or clipboard block needs at most 50 times its size plus 64 MiB, or is
// refused with a message of its own. Streams of empty collection items are the worst case: two
// bytes each, and each item a whole object.
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include <new>
#include "files/ComponentTransaction.h"
#include "files/ObjectFiles.h"
#include "platform/ComponentStream.h"
#include "scene/DX9Clipboard.h"
#include "tests/files/TestBytes.h"
#include "tests/scene/GridFixture.h"

namespace {

// Bytes held through operator new, and the most held since the last reset. Each block carries its
// size in front.
std::size_t g_held = 0;
std::size_t g_peak = 0;
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (!block)
    throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  g_held += size;
  if (g_held > g_peak)
    g_peak = g_held;
  return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
  if (!pointer)
    return;
  void* block = static_cast<char*>(pointer) - kHeader;
  g_held -= *static_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
  Release(pointer);
}
void operator delete(void* pointer) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  Release(pointer);
}

namespace vrel {
namespace {
using namespace bytes;

constexpr std::size_t kMiB = 1 << 20;

// The most memory that `read` held at once beyond what was held before; its message, "" when it
// raised none.
std::pair<std::size_t, std::string> PeakOf(const std::function<void()>& read) {
  const std::size_t before = g_held;
  g_peak = g_held;
  std::string message = ErrorOf(read);
  return {g_peak - before, message};
}

std::size_t Bound(std::size_t streamBytes) {
  return 50 * streamBytes + 64 * kMiB;
}

// A collection of `count` empty items: each a tag 1 and the zero that ends its property list.
std::string EmptyItems(std::size_t count) {
  std::string items(2 * count, '\0');
  for (std::size_t i = 0; i < count; ++i)
    items[2 * i] = 1;
  return B({0x0E}) + items + kEnd;
}

std::string Stream(std::string_view className, std::string_view property, const std::string& value) {
  return Record(className, S(property) + value);
}

std::string ObjectFile(const std::string& record) {
  return I32(static_cast<uint32_t>(record.size())) + record;
}

struct Read {
  const char* what;
  std::string bytes;
  std::function<void(std::string_view)> read;
};

void ReadObjectFile(std::string_view bytes) {
  TSquareBladeCollectionsContainer document;
  TMenuItem memory;
  LoadObjectFileRecordsFromBytes(bytes, document, &memory);
}

void ReadSnapshot(std::string_view bytes) {
  TSquareBladeCollectionsContainer document;
  LoadComponentTransactional(bytes, document);
}

void Paste(std::string_view bytes) {
  TSquareBladeCollections layers;
  layers.AddLayer();
  MemoryClipboard clipboard;
  clipboard.SetData(BladeClipboardMimeType(), std::string(bytes));
  PasteFromClipboard(layers, clipboard);
}

std::string EmptyLayers() {
  return Stream("TSquareBladeCollectionsContainer", "Collections", EmptyItems(1'000'000));
}

class ReadMemory : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterFileClasses(); }

  static void ExpectWithinBound(const std::vector<Read>& reads) {
    for (const Read& c : reads) {
      const auto [peak, message] = PeakOf([&] { c.read(c.bytes); });
      EXPECT_LE(peak, Bound(c.bytes.size())) << c.what << " (" << c.bytes.size() << " bytes): " << message;
    }
  }
};

TEST_F(ReadMemory, AnObjectFileOfEmptyItemsStaysWithinFiftyTimesItsSizePlus64MiB) {
  std::string emptyChildren = Header("TMenuItem") + kEnd;
  for (int i = 0; i < 200'000; ++i)
    emptyChildren += S("TMenuItem") + S("") + kEnd + kEnd;
  emptyChildren += kEnd;
  ExpectWithinBound({
      {"empty layers", ObjectFile(EmptyLayers()), ReadObjectFile},
      {"empty remembered positions",
       ObjectFile(Stream("TSquareBladeCollectionsContainer", "CurrentIndex", Int8(0))) + ObjectFile(emptyChildren),
       ReadObjectFile},
  });
}

TEST_F(ReadMemory, ASnapshotOfEmptyItemsStaysWithinFiftyTimesItsSizePlus64MiB) {
  ExpectWithinBound({
      {"empty layers", EmptyLayers(), ReadSnapshot},
      {"empty vertices",
       Stream("TSquareBladeCollectionsContainer", "Collections",
              B({0x0E, 0x01}) + S("ChildCollection.VertexPool") + EmptyItems(1'000'000) + kEnd + kEnd),
       ReadSnapshot},
  });
}

TEST_F(ReadMemory, AClipboardBlockOfEmptyItemsStaysWithinFiftyTimesItsSizePlus64MiB) {
  ExpectWithinBound({
      {"empty blades", Stream("TSquareBladeCollectionContainer", "Collection", EmptyItems(1'000'000)), Paste},
      {"empty vertices", Stream("TSquareBladeCollectionContainer", "Collection.VertexPool", EmptyItems(1'000'000)),
       Paste},
  });
}

TEST_F(ReadMemory, AnObjectFileOfEmptyLayersIsRefusedWithItsOwnMessage) {
  const std::string file = ObjectFile(EmptyLayers());
  EXPECT_EQ(ErrorOf([&] { ReadObjectFile(file); }), kTooManyObjectsMessage);
}

// Large enough for its objects to take more than the fixed allowance.
TEST_F(ReadMemory, ADocumentOfTwentyFourThousandBladesIsReadWhole) {
  TSquareBladeCollectionsContainer source;
  for (int i = 0; i < 4; ++i)
    grid::BuildWeldedGrid(*source.Collections()->AddLayer(), grid::GridShape{80, 75});
  const std::string file = ObjectFileBytes(source, nullptr);
  TSquareBladeCollectionsContainer document;
  const auto [peak, message] = PeakOf([&] { LoadObjectFileRecordsFromBytes(file, document, nullptr); });
  EXPECT_EQ(message, "");
  EXPECT_EQ(document.Collections()->GetLayer(3)->Count(), 6'000);
  EXPECT_LE(peak, Bound(file.size()));
}

}  // namespace
}  // namespace vrel
