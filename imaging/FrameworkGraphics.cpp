#include "imaging/FrameworkGraphics.h"

#include <string>

#include "imaging/FormatTest.h"
#include "imaging/JPG.h"
#include "imaging/Streams.h"

namespace vrel {

namespace {

[[noreturn]] void IconError(const std::string& why) {
  throw EInvalidGraphic("Cannot load image. Invalid or unexpected icon: " + why + ".");
}

void CheckIconFile(std::span<const std::uint8_t> file) {
  if (file.size() < 6 || U16LE(file, 0) != 0 || (U16LE(file, 2) != 1 && U16LE(file, 2) != 2))
    IconError("no icon header");
  const std::uint64_t count = U16LE(file, 4);
  const std::uint64_t directoryEnd = 6 + count * 16;
  if (count == 0 || directoryEnd > file.size())
    IconError("the image directory is empty or cut off");
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(6 + i * 16);
    const std::uint64_t size = U32LE(file, at + 8), offset = U32LE(file, at + 12);
    if (size == 0 || offset < directoryEnd || offset > file.size() || size > file.size() - offset)
      IconError("image " + std::to_string(i + 1) + " lies outside the file");
  }
}

}  // namespace

const TClassInfo& TIcon::StaticClass() {
  static const TClassInfo info("TIcon", &Inherited::StaticClass());
  return info;
}

void TIcon::LoadFromStream(TInputStream& stream) {
  const TRestOfStream file(stream);
  CheckIconFile(file.Bytes());
  LoadThroughSystemDecoder(file.Bytes(), "ico");
}

bool TIcon::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 22, 6, [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
    return U16LE(head, 0) == 0 && U16LE(head, 2) == 1 && U16LE(head, 4) > 0;
  });
}

const TClassInfo& TJPEGImage::StaticClass() {
  static const TClassInfo info("TJPEGImage", &Inherited::StaticClass());
  return info;
}

void TJPEGImage::LoadFromStream(TInputStream& stream) {
  const TRestOfStream file(stream);
  Progress(psStarting, 0, kTransfering);
  DecodeJpegFile(file.Bytes(), *this, FailOnPrematureEnd(),
                 [this](std::uint32_t rows, std::uint32_t height) { RowProgress(rows, height); });
  Progress(psEnding, 100);
}

bool TJPEGImage::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 4, 3, [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
    return head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  });
}

const TClassInfo& TMetafile::StaticClass() {
  static const TClassInfo info("TMetafile", &Inherited::StaticClass());
  return info;
}

void TMetafile::LoadFromStream(TInputStream&) {
  throw EInvalidGraphic("Cannot load image. Windows metafiles (wmf, emf) cannot be shown on this system.");
}

}  // namespace vrel
