#include "imaging/RasterFormats.h"

#include <algorithm>
#include <cctype>

#include "imaging/AutodeskGraphic.h"
#include "imaging/CUTGraphic.h"
#include "imaging/EPSGraphic.h"
#include "imaging/FrameworkGraphics.h"
#include "imaging/PCDGraphic.h"
#include "imaging/PCXGraphic.h"
#include "imaging/PNGGraphic.h"
#include "imaging/PPMGraphic.h"
#include "imaging/PSDGraphic.h"
#include "imaging/PSPGraphic.h"
#include "imaging/RLAGraphic.h"
#include "imaging/SGIGraphic.h"
#include "imaging/TIFFGraphic.h"
#include "imaging/TargaGraphic.h"

namespace vrel {

namespace {

TFileFormatList* currentList = nullptr;

bool SameExtension(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// One registration: extension, class, file types, common and individual description.
struct Registration {
  const char* Extension;
  const TGraphicClass& (*Class)();
  std::uint8_t FileTypes;
  const char* Common;
  const char* Individual;
};

const Registration kRegistrations[] = {
    {"bmp", &GraphicClassOf<TBitmap>, ftRaster, "Windows bitmaps", ""},
    {"ico", &GraphicClassOf<TIcon>, ftRaster, "Windows icons", ""},
    {"wmf", &GraphicClassOf<TMetafile>, ftVector, "Windows metafiles", ""},
    {"emf", &GraphicClassOf<TMetafile>, ftVector, "Windows metafiles", "Windows enhanced meta files"},
    {"jfif", &GraphicClassOf<TJPEGImage>, ftRaster, "JPG images", "JFIF images"},
    {"jpg", &GraphicClassOf<TJPEGImage>, ftRaster, "", "JPG images"},
    {"jpe", &GraphicClassOf<TJPEGImage>, ftRaster, "", "JPE images"},
    {"jpeg", &GraphicClassOf<TJPEGImage>, ftRaster, "", "JPEG images"},
    {"rle", &GraphicClassOf<TBitmap>, ftRaster, "Windows bitmaps", "Run length encoded Windows bitmaps"},
    {"dib", &GraphicClassOf<TBitmap>, ftRaster, "", "Device independant Windows bitmaps"},
    {"win", &GraphicClassOf<TTargaGraphic>, ftRaster, "Truevision images", ""},
    {"vst", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"vda", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"tga", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"icb", &GraphicClassOf<TTargaGraphic>, ftRaster, "", ""},
    {"tiff", &GraphicClassOf<TTIFFGraphic>, ftRaster | ftLayered, "Tagged image file format images",
     "Macintosh TIFF images"},
    {"tif", &GraphicClassOf<TTIFFGraphic>, ftRaster | ftLayered, "", "PC TIF images"},
    {"fax", &GraphicClassOf<TTIFFGraphic>, ftRaster | ftLayered, "", "GFI fax images"},
    {"eps", &GraphicClassOf<TEPSGraphic>, ftRaster, "Encapsulated Postscript images", ""},
    {"pcx", &GraphicClassOf<TPCXGraphic>, ftRaster, "ZSoft Paintbrush images", ""},
    {"pcc", &GraphicClassOf<TPCXGraphic>, ftRaster, "", ""},
    {"scr", &GraphicClassOf<TPCXGraphic>, ftRaster, "", "Word 5.x screen capture images"},
    {"rpf", &GraphicClassOf<TRLAGraphic>, ftRaster, "Alias/Wavefront images", ""},
    {"rla", &GraphicClassOf<TRLAGraphic>, ftRaster, "", ""},
    {"sgi", &GraphicClassOf<TSGIGraphic>, ftRaster, "SGI images", "SGI true color images"},
    {"rgba", &GraphicClassOf<TSGIGraphic>, ftRaster, "", "SGI true color images with alpha"},
    {"rgb", &GraphicClassOf<TSGIGraphic>, ftRaster, "", "SGI true color images"},
    {"bw", &GraphicClassOf<TSGIGraphic>, ftRaster, "", "SGI black/white images"},
    {"psd", &GraphicClassOf<TPSDGraphic>, ftRaster | ftEnhanced, "Photoshop images", ""},
    {"pdd", &GraphicClassOf<TPSDGraphic>, ftRaster | ftEnhanced, "", ""},
    {"ppm", &GraphicClassOf<TPPMGraphic>, ftRaster, "Portable map images", "Portable pixel map images"},
    {"pgm", &GraphicClassOf<TPPMGraphic>, ftRaster, "", "Portable gray map images"},
    {"pbm", &GraphicClassOf<TPPMGraphic>, ftRaster, "", "Portable bitmap images"},
    {"cel", &GraphicClassOf<TAutodeskGraphic>, ftRaster, "Autodesk images", ""},
    {"pic", &GraphicClassOf<TAutodeskGraphic>, ftRaster, "Autodesk images", ""},
    {"pcd", &GraphicClassOf<TPCDGraphic>, ftRaster, "Kodak Photo-CD images", ""},
    {"cut", &GraphicClassOf<TCUTGraphic>, ftRaster, "Dr. Halo images", ""},
    {"psp", &GraphicClassOf<TPSPGraphic>, ftRaster | ftVector, "Paintshop Pro images", ""},
    {"png", &GraphicClassOf<TPNGGraphic>, ftRaster, "Portable network graphic images", ""},
};

}  // namespace

std::uint64_t MaxExpansion(TCompressionType compression) {
  switch (compression) {
    case TCompressionType::ctPackBits:
      return 64;  // two bytes repeat one byte 128 times
    case TCompressionType::ctRLE:
      return 128;  // two bytes give at most 255 one-byte pixels
    case TCompressionType::ctDeflate:
      return 1032;  // the largest ratio deflate reaches
    case TCompressionType::ctJPEG:
    case TCompressionType::ctOldJPEG:
      return 4096;  // a Huffman-coded block takes at least one bit
    case TCompressionType::ctCCITTFax3:
    case TCompressionType::ctCCITTRLE:
    case TCompressionType::ctCCITTRLEW:
    case TCompressionType::ctCCITTFax4:
      return 2048;  // a fax row of white takes a few codes
    case TCompressionType::ctThunderScan:
      return 32;  // a code byte repeats at most 63 four-bit pixels
    case TCompressionType::ctLZW:
      return 4096;
    default:
      return 1;
  }
}

// ---- TRasterGraphic ------------------------------------------------------------------------------

const TClassInfo& TRasterGraphic::StaticClass() {
  static const TClassInfo info("TRasterGraphic", &Inherited::StaticClass());
  return info;
}

TRasterGraphic::TRasterGraphic() : colorManager_(std::make_unique<TColorManager>()) {}

TRasterGraphic::~TRasterGraphic() = default;

void TRasterGraphic::Assign(const TPersistent* source) {
  if (const auto* raster = dynamic_cast<const TRasterGraphic*>(source))
    imageProperties_ = raster->imageProperties_;
  TBitmap::Assign(source);
}

bool TRasterGraphic::CanLoadFromStream(TInputStream&) const {
  return false;
}

bool TRasterGraphic::ReadImageProperties(TInputStream&, std::uint32_t) {
  imageProperties_ = TImageProperties{};
  return false;
}

void TRasterGraphic::SetIndexed8Properties(std::uint32_t width, std::uint32_t height, TCompressionType compression) {
  TImageProperties& p = imageProperties_;
  p.Width = width;
  p.Height = height;
  p.ColorScheme = TColorScheme::Indexed;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.BitsPerPixel = 8;
  p.Compression = compression;
}

void RasterFormatError(const std::string& message) {
  throw EInvalidGraphic(message);
}

void RasterFormatError(const std::string& format, std::initializer_list<std::string> args) {
  throw EInvalidGraphic(FormatMessage(format, args));
}

void SwapShort(std::span<std::uint16_t> values) {
  for (std::uint16_t& v : values)
    v = static_cast<std::uint16_t>(v >> 8 | v << 8);
}

std::uint32_t SwapLong(std::uint32_t value) {
  return value >> 24 | (value >> 8 & 0xFF00u) | (value << 8 & 0xFF0000u) | value << 24;
}

void SwapLong(std::span<std::uint32_t> values) {
  for (std::uint32_t& v : values)
    v = SwapLong(v);
}

// ---- TFileFormatList -----------------------------------------------------------------------------

TFileFormatList::~TFileFormatList() {
  Clear();
}

int TFileFormatList::FindExtension(std::string_view extension) const {
  if (extension.empty())
    return -1;
  for (std::size_t i = 0; i < extensions_.size(); ++i) {
    if (SameExtension(extensions_[i]->Extension, extension))
      return static_cast<int>(i);
  }
  return -1;
}

int TFileFormatList::FindGraphicClass(const TGraphicClass& graphicClass) const {
  for (std::size_t i = 0; i < classes_.size(); ++i) {
    if (classes_[i]->GraphicClass == &graphicClass)
      return static_cast<int>(i);
  }
  return -1;
}

TFileFormatList::TClassEntry& TFileFormatList::ClassEntryFor(const TGraphicClass& graphicClass,
                                                             std::string_view commonDescription) {
  const int found = FindGraphicClass(graphicClass);
  TClassEntry* entry = nullptr;
  if (found >= 0) {
    entry = classes_[static_cast<std::size_t>(found)].get();
  } else {
    classes_.push_back(std::make_unique<TClassEntry>(TClassEntry{&graphicClass, {}, 0}));
    entry = classes_.back().get();
  }
  if (!commonDescription.empty())
    entry->Description = commonDescription;
  return *entry;
}

void TFileFormatList::Release(TClassEntry* entry) {
  if (--entry->Count > 0)
    return;
  picture_.UnregisterClass(*entry->GraphicClass);
  std::erase_if(classes_, [entry](const auto& e) { return e.get() == entry; });
}

void TFileFormatList::RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                                         std::string_view individualDescription, std::uint8_t fileTypes, bool replace,
                                         const TGraphicClass& graphicClass) {
  if (extension.empty())
    return;
  const int found = FindExtension(extension);
  TExtensionEntry* entry = nullptr;
  if (found < 0) {
    auto made = std::make_unique<TExtensionEntry>(
        TExtensionEntry{std::string(extension), std::string(individualDescription), fileTypes, nullptr});
    TClassEntry& owner = ClassEntryFor(graphicClass, commonDescription);
    ++owner.Count;
    made->ClassEntry = &owner;
    extensions_.push_back(std::move(made));
    entry = extensions_.back().get();
  } else {
    if (!replace)
      RasterFormatError("Attempt to register %s twice.", {std::string(extension)});
    entry = extensions_[static_cast<std::size_t>(found)].get();
    if (entry->ClassEntry->GraphicClass != &graphicClass) {
      TClassEntry* old = entry->ClassEntry;
      TClassEntry& owner = ClassEntryFor(graphicClass, commonDescription);
      ++owner.Count;
      entry->ClassEntry = &owner;
      // The old class leaves the picture registry with its last extension; this one is put back below.
      Release(old);
    }
  }
  const std::string& description = entry->Description.empty() ? entry->ClassEntry->Description : entry->Description;
  picture_.Register(entry->Extension, description, graphicClass);
}

void TFileFormatList::UnregisterFileFormat(std::string_view extension, const TGraphicClass& graphicClass) {
  if (!extension.empty()) {
    const int found = FindExtension(extension);
    if (found < 0)
      return;
    const auto at = extensions_.begin() + found;
    TClassEntry* owner = (*at)->ClassEntry;
    picture_.UnregisterExtension((*at)->Extension);
    extensions_.erase(at);
    Release(owner);
    return;
  }
  const int found = FindGraphicClass(graphicClass);
  if (found < 0) {
    picture_.UnregisterClass(graphicClass);
    return;
  }
  TClassEntry* owner = classes_[static_cast<std::size_t>(found)].get();
  for (std::size_t i = extensions_.size(); i-- > 0 && owner->Count > 0;) {
    if (extensions_[i]->ClassEntry == owner) {
      extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(i));
      --owner->Count;
    }
  }
  picture_.UnregisterClass(graphicClass);
  std::erase_if(classes_, [owner](const auto& e) { return e.get() == owner; });
}

void TFileFormatList::Clear() {
  for (const auto& entry : classes_)
    picture_.UnregisterClass(*entry->GraphicClass);
  classes_.clear();
  extensions_.clear();
}

TFileFormatList* FileFormatList() {
  return currentList;
}

TRasterFormatsRegistration::TRasterFormatsRegistration(TPictureFormats& picture)
    : list_(picture), previous_(currentList) {
  currentList = &list_;
}

TRasterFormatsRegistration::~TRasterFormatsRegistration() {
  currentList = previous_;
}

std::unique_ptr<TRasterFormatsRegistration> RegisterRasterFormats(TPictureFormats& picture) {
  auto registration = std::make_unique<TRasterFormatsRegistration>(picture);
  for (const Registration& r : kRegistrations)
    registration->List().RegisterFileFormat(r.Extension, r.Common, r.Individual, r.FileTypes, false, r.Class());
  return registration;
}

}  // namespace vrel
