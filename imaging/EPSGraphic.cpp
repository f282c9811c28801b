#include "imaging/EPSGraphic.h"

#include <algorithm>
#include <array>

#include "imaging/FormatTest.h"

namespace vrel {

namespace {

constexpr std::uint32_t kMagic = 0xC6D3D0C5u;
constexpr std::size_t kHeaderSize = 30;

[[noreturn]] void Invalid() {
  RasterFormatError(kInvalidFormatMessage, {"EPS"});
}

// The preview as a stream of its own: its position 0 is the preview's first byte and reads end at
// its last, so the TIFF's offsets count from there and cannot reach into the PostScript around it.
class TStreamWindow : public TInputStream {
 public:
  TStreamWindow(TInputStream& outer, std::uint64_t start, std::uint64_t size)
      : outer_(outer), start_(start), size_(size) {}

  std::uint64_t Size() const override { return size_; }

 protected:
  void ReadAt(std::uint64_t at, std::span<std::uint8_t> buffer) override {
    outer_.SetPosition(start_ + at);
    outer_.ReadBuffer(buffer);
  }

 private:
  TInputStream& outer_;
  std::uint64_t start_;
  std::uint64_t size_;
};

}  // namespace

const TClassInfo& TEPSGraphic::StaticClass() {
  static const TClassInfo info("TEPSGraphic", &Inherited::StaticClass());
  return info;
}

bool TEPSGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, kHeaderSize, kHeaderSize,
                        [](std::span<const std::uint8_t> head, std::uint64_t position, std::uint64_t available) {
                          (void)position, (void)available;
                          // The preview's offset counts from the header, so it is compared with the header's size, not
                          // with the header's place in the stream.
                          return U32LE(head, 0) == kMagic && U32LE(head, 20) > kHeaderSize && U32LE(head, 24) > 0;
                        });
}

void TEPSGraphic::LoadFromStream(TInputStream& stream) {
  const std::uint64_t start = stream.Position();
  if (stream.Remaining() < kHeaderSize)
    Invalid();
  std::array<std::uint8_t, kHeaderSize> head{};
  stream.ReadBuffer(head);
  const std::uint32_t offset = U32LE(head, 20);
  const std::uint32_t length = U32LE(head, 24);
  // A file without a TIFF preview (PostScript alone, or a metafile preview) has nothing to show here.
  if (U32LE(head, 0) != kMagic || offset < kHeaderSize || length == 0 || offset >= stream.Size() - start)
    Invalid();
  const std::uint64_t available = stream.Size() - start - offset;
  TStreamWindow preview(stream, start + offset, std::min<std::uint64_t>(length, available));
  TTIFFGraphic::LoadFromStream(preview);
  stream.SetPosition(start + offset + preview.Size());
}

}  // namespace vrel
