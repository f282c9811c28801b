#include "imaging/FaceImages.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "imaging/CUTGraphic.h"
#include "imaging/Graphics.h"
#include "imaging/Streams.h"

namespace vrel {

namespace {

// The first registered class (in registration order) whose format test accepts the bytes, else the
// class of the extension; null when neither.
std::unique_ptr<TGraphic> GraphicFor(TInputStream& stream, const std::string& fileName) {
  const TPictureFormats& formats = PictureFormats();
  std::vector<const TGraphicClass*> tried;
  for (const TPictureFormats::Entry& entry : formats.Entries()) {
    if (std::find(tried.begin(), tried.end(), entry.Class) != tried.end())
      continue;
    tried.push_back(entry.Class);
    std::unique_ptr<TGraphic> graphic = entry.Class->Create();
    if (graphic->CanLoadFromStream(stream))
      return graphic;
  }
  if (const TPictureFormats::Entry* entry = formats.Find(FileExtension(fileName)))
    return entry->Class->Create();
  return nullptr;
}

}  // namespace

TextureImage ReadFaceImage(const std::string& fileName) {
  try {
    TMemoryInputStream stream(ReadWholeFile(fileName));
    std::unique_ptr<TGraphic> graphic = GraphicFor(stream, fileName);
    if (!graphic)
      throw EInvalidGraphic("It is not an image of a format this program reads.");
    // A CUT image's colours are in a file beside it.
    if (auto* cut = dynamic_cast<TCUTGraphic*>(graphic.get()))
      cut->SetPaletteFileName(FindCUTPaletteFile(fileName));
    graphic->LoadFromStream(stream);
    const TBitmap* bitmap = graphic->AsBitmap();
    if (!bitmap || bitmap->Empty())
      throw EInvalidGraphic("It holds no pixels.");
    return TextureImage{bitmap->Width(), bitmap->Height(), bitmap->ToBgra()};
  } catch (const std::exception& e) {
    throw Exception("Cannot load the face image \"" + fileName + "\": " + e.what());
  }
}

}  // namespace vrel
