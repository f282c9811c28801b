#include "imaging/RasterFormats.h"

#include <algorithm>
#include <cctype>

namespace vrel {

namespace {

bool SameExtension(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

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

}  // namespace vrel
