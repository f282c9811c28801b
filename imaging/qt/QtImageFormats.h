#pragma once

// The image codecs' window-system side: Qt's image reader behind the codecs' decoder port (Windows
// bitmaps, icons and PNG), the conversion of a bitmap into a QImage for the screen, and the start-up
// call that registers every picture format.

#include <QImage>

#include <memory>
#include <span>
#include <string_view>

#include "imaging/Graphics.h"

namespace vrel {

class TRasterFormatsRegistration;

// Decodes through QImageReader, by the format named, never by guessing.
class QtSystemImageDecoder : public ISystemImageDecoder {
 public:
  void Decode(std::span<const std::uint8_t> file, std::string_view format, TBitmap& bitmap) override;
};

// The bitmap as Qt draws it (32-bit, alpha where the bitmap defines it); a null image when it is empty.
QImage ToQImage(const TBitmap& bitmap);

// Holds the registrations: while it lives, the picture registry knows all 39 extensions and the
// framework's formats decode through Qt.
class TImageFormatsRegistration {
 public:
  TImageFormatsRegistration();
  ~TImageFormatsRegistration();
  TImageFormatsRegistration(const TImageFormatsRegistration&) = delete;
  TImageFormatsRegistration& operator=(const TImageFormatsRegistration&) = delete;

 private:
  QtSystemImageDecoder decoder_;
  ISystemImageDecoder* previousDecoder_;
  std::unique_ptr<TRasterFormatsRegistration> formats_;
};

// What main calls first: registers the picture formats for the life of the result.
[[nodiscard]] std::unique_ptr<TImageFormatsRegistration> RegisterImageFormats();

}  // namespace vrel
