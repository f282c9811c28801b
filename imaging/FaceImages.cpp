#include "imaging/FaceImages.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "imaging/CUTGraphic.h"
#include "imaging/Streams.h"

namespace vrel {

namespace {

// The display's own refusal of a face too large for its textures, passed on in its words.
class EFaceTooLarge : public Exception {
 public:
  using Exception::Exception;
};

void CheckFaceSize(const std::string& fileName, std::uint64_t width, std::uint64_t height, int largestSide) {
  const auto largest = static_cast<std::uint64_t>(std::max(largestSide, 0));
  if (width > largest || height > largest)
    throw EFaceTooLarge(TextureTooLargeMessage(fileName, width, height, largestSide));
}

}  // namespace

std::unique_ptr<TGraphic> GraphicForContent(const TPictureFormats& formats, TInputStream& stream,
                                            const std::string& fileName) {
  std::unique_ptr<TGraphic> graphic;
  std::vector<const TGraphicClass*> tried;
  for (const TPictureFormats::Entry& entry : formats.Entries()) {
    if (std::find(tried.begin(), tried.end(), entry.Class) != tried.end())
      continue;
    tried.push_back(entry.Class);
    std::unique_ptr<TGraphic> candidate = entry.Class->Create();
    if (candidate->CanLoadFromStream(stream)) {
      graphic = std::move(candidate);
      break;
    }
  }
  if (!graphic) {
    const TPictureFormats::Entry* entry = formats.Find(FileExtension(fileName));
    if (!entry)
      throw EInvalidGraphic("It is not an image of a format this program reads.");
    graphic = entry->Class->Create();
  }
  // A CUT image's colours are in a file beside it.
  if (auto* cut = dynamic_cast<TCUTGraphic*>(graphic.get()))
    cut->SetPaletteFileName(FindCUTPaletteFile(fileName));
  return graphic;
}

TextureImage ReadFaceImage(const std::string& fileName, int largestSide) {
  try {
    TMemoryInputStream stream(ReadWholeFile(fileName));
    std::shared_ptr<TGraphic> graphic = GraphicForContent(PictureFormats(), stream, fileName);
    graphic->SetSizeCheck([fileName, largestSide](std::uint64_t width, std::uint64_t height) {
      CheckFaceSize(fileName, width, height, largestSide);
    });
    graphic->LoadFromStream(stream);
    auto* bitmap = dynamic_cast<TBitmap*>(graphic.get());
    if (!bitmap || bitmap->Empty())
      throw EInvalidGraphic("It holds no pixels.");
    // A format whose header the loader does not report (an icon, Photo-CD) is held to the same limit.
    CheckFaceSize(fileName, static_cast<std::uint64_t>(bitmap->Width()), static_cast<std::uint64_t>(bitmap->Height()),
                  largestSide);
    TexelFormat format = TexelFormat::Bgr24;
    if (bitmap->PixelFormat() != TPixelFormat::pf24bit) {
      if (BitsPerPixel(bitmap->PixelFormat()) != 32)
        bitmap->ExpandToBgra();
      format = bitmap->AlphaFormat() == TAlphaFormat::afDefined ? TexelFormat::Bgra32 : TexelFormat::Bgrx32;
    }
    const std::span<const std::uint8_t> pixels(bitmap->ScanLine(0).data(),
                                               bitmap->RowStride() * static_cast<std::size_t>(bitmap->Height()));
    return TextureImage{bitmap->Width(), bitmap->Height(), format, pixels, std::move(graphic)};
  } catch (const EFaceTooLarge&) {
    throw;
  } catch (const std::exception& e) {
    throw Exception("Cannot load the face image \"" + fileName + "\": " + e.what());
  }
}

}  // namespace vrel
