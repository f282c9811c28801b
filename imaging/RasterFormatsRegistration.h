#pragma once

// The table of the 39 picture-format registrations, in their order: the framework's formats (bmp,
// ico, wmf, emf, jfif, jpg, jpe, jpeg, rle, dib), then the thirteen raster formats, each extension
// with its class, kind and descriptions. The one unit that knows every format class.
//
// The registry exists while the object that RegisterRasterFormats returns lives: main makes it
// before any window, so nothing depends on the order of static initialisation.

#include <memory>

#include "imaging/Graphics.h"
#include "imaging/RasterFormats.h"

namespace vrel {

// The registry while it exists, else null.
TFileFormatList* FileFormatList();

// Keeps the registry alive; its end takes every registration back out of the picture registry.
class TRasterFormatsRegistration {
 public:
  explicit TRasterFormatsRegistration(TPictureFormats& picture);
  ~TRasterFormatsRegistration();
  TRasterFormatsRegistration(const TRasterFormatsRegistration&) = delete;
  TRasterFormatsRegistration& operator=(const TRasterFormatsRegistration&) = delete;

  TFileFormatList& List() { return list_; }

 private:
  TFileFormatList list_;
  TFileFormatList* previous_;
};

// Makes the registry and runs the 39 registrations in their order.
[[nodiscard]] std::unique_ptr<TRasterFormatsRegistration> RegisterRasterFormats(
    TPictureFormats& picture = PictureFormats());

}  // namespace vrel
