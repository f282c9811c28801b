#pragma once

// The base of the thirteen raster formats that the open-picture dialog reads beyond the framework's
// own (TIFF, EPS, Targa, PCX, SGI, Autodesk, CUT, PPM, PNG, Photoshop, Paint Shop Pro, Photo-CD,
// RLA), the record of what a file's head says, and the list that puts file extensions with their
// descriptions into the picture registry. The formats stand on this unit; the table of the 39
// registrations, which knows every format, is RasterFormatsRegistration.h.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/PixelColor.h"

namespace vrel {

enum TImageOption : std::uint8_t {
  ioTiled = 1,
  ioBigEndian = 2,
  ioMinIsWhite = 4,
  ioReversed = 8,
  ioUseGamma = 16,
};
using TImageOptions = std::uint8_t;

enum class TCompressionType : std::uint8_t {
  ctUnknown,
  ctNone,
  ctRLE,
  ctPackBits,
  ctLZW,
  ctCCITTFax3,
  ctCCITTRLE,
  ctCCITTFax4,
  ctCCITTRLEW,
  ctDeflate,
  ctJPEG,
  ctOldJPEG,
  ctThunderScan,
  ctNeXT,
  ctIT8CTPAD,
  ctIT8LW,
  ctIT8MP,
  ctIT8BL,
  ctPixarFilm,
  ctPixarLog,
  ctDCS,
  ctJBIG,
  ctPCDHuffman,
};

// How many times its packed size a compression can at most expand into pixel bytes: what the size
// check of a header allows (deflate about 1,032:1, PackBits 64:1, the run-length schemes 128:1).
std::uint64_t MaxExpansion(TCompressionType compression);

using TCardinalArray = std::vector<std::uint32_t>;
using TByteArray = std::vector<std::uint8_t>;
using TFloatArray = std::vector<float>;

// What a file's head says about its first image; zero where a format says nothing, but FileGamma 1.
struct TImageProperties {
  std::uint32_t Version = 0;
  TImageOptions Options = 0;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  TColorScheme ColorScheme = TColorScheme::Unknown;
  std::uint8_t BitsPerSample = 0;
  std::uint8_t SamplesPerPixel = 0;
  std::uint8_t BitsPerPixel = 0;
  TCompressionType Compression = TCompressionType::ctUnknown;
  float FileGamma = 1.0f;
  float XResolution = 0;
  float YResolution = 0;
  bool Interlaced = false;
  bool HasAlpha = false;
  std::uint32_t FirstIFD = 0;
  std::uint32_t PlanarConfig = 0;
  std::uint32_t CurrentRow = 0;
  std::uint32_t TileWidth = 0;
  std::uint32_t TileLength = 0;
  std::uint32_t BytesPerLine = 0;
  TCardinalArray RowsPerStrip;
  TByteArray YCbCrSubSampling;
  TByteArray JPEGTables;
  std::uint32_t JPEGColorMode = 0;
  std::uint32_t JPEGTablesMode = 0;
  std::uint32_t CurrentStrip = 0;
  std::uint32_t StripCount = 0;
  std::uint32_t Predictor = 0;
  bool Overview = false;
  std::uint8_t Rotate = 0;
  std::uint16_t ImageCount = 0;
  std::uint8_t ChannelCount = 0;
  std::uint8_t FilterMode = 0;
};

// The base of the format classes: a bitmap with its colour manager and the properties of the last
// file head read.
class TRasterGraphic : public TBitmap {
  VREL_CLASS_INFO(TRasterGraphic, TBitmap)
 public:
  TRasterGraphic();
  ~TRasterGraphic() override;

  // From a raster graphic also its properties; then the bitmap.
  void Assign(const TPersistent* source) override;
  bool CanLoadFromStream(TInputStream& stream) const override;
  // Fills the properties from the head of image `imageIndex` at the stream's position; true when the
  // head was understood. The base clears them (FileGamma 1) and answers false; every override calls
  // it first.
  virtual bool ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex);
  const TImageProperties& ImageProperties() const { return imageProperties_; }

 protected:
  TImageProperties& Properties() { return imageProperties_; }
  // The properties of a one-byte-per-pixel palette image of this size.
  void SetIndexed8Properties(std::uint32_t width, std::uint32_t height, TCompressionType compression);
  TColorManager& ColorManager() { return *colorManager_; }

 private:
  std::unique_ptr<TColorManager> colorManager_;
  TImageProperties imageProperties_;
};

// Raises EInvalidGraphic with the message, "%s" in it replaced by the arguments in order.
[[noreturn]] void RasterFormatError(const std::string& message);
[[noreturn]] void RasterFormatError(const std::string& format, std::initializer_list<std::string> args);

// Swaps the two bytes of each 16-bit value, the four of each 32-bit value, in place.
void SwapShort(std::span<std::uint16_t> values);
void SwapLong(std::span<std::uint32_t> values);
std::uint32_t SwapLong(std::uint32_t value);

// The messages the loaders share.
inline constexpr const char* kInvalidFormatMessage = "Cannot load image. Invalid or unexpected %s image format.";
inline constexpr const char* kNotSupportedMessage = "Cannot load image. %s not supported for %s files.";
inline constexpr const char* kInvalidColorFormatMessage = "Invalid color format in %s file.";

// Kind flags of an extension entry.
enum TFileType : std::uint8_t { ftEnhanced = 2, ftLayered = 4, ftRaster = 8, ftVector = 16 };

// The registry of file extensions: one entry per extension, one per graphic class, each extension
// also registered with the picture registry under its class.
class TFileFormatList {
 public:
  struct TClassEntry {
    const TGraphicClass* GraphicClass = nullptr;
    std::string Description;
    int Count = 0;  // extension entries that point to it
  };
  struct TExtensionEntry {
    std::string Extension;
    std::string Description;
    std::uint8_t FileTypes = 0;
    TClassEntry* ClassEntry = nullptr;
  };

  explicit TFileFormatList(TPictureFormats& picture = PictureFormats()) : picture_(picture) {}
  ~TFileFormatList();
  TFileFormatList(const TFileFormatList&) = delete;
  TFileFormatList& operator=(const TFileFormatList&) = delete;

  // Registers an extension (nothing for an empty one). A second registration of an extension raises
  // EInvalidGraphic "Attempt to register %s twice." unless `replace`, which moves it to the class.
  void RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                          std::string_view individualDescription, std::uint8_t fileTypes, bool replace,
                          const TGraphicClass& graphicClass);
  // With an extension, that one (nothing when it is not registered); without, every extension of the
  // class. A class left without extensions leaves the picture registry.
  void UnregisterFileFormat(std::string_view extension, const TGraphicClass& graphicClass);
  // Ignoring case; -1 when absent (and for an empty extension).
  int FindExtension(std::string_view extension) const;
  int FindGraphicClass(const TGraphicClass& graphicClass) const;
  void Clear();

  const std::vector<std::unique_ptr<TClassEntry>>& ClassEntries() const { return classes_; }
  const std::vector<std::unique_ptr<TExtensionEntry>>& ExtensionEntries() const { return extensions_; }

 private:
  TClassEntry& ClassEntryFor(const TGraphicClass& graphicClass, std::string_view commonDescription);
  void Release(TClassEntry* entry);

  TPictureFormats& picture_;
  std::vector<std::unique_ptr<TClassEntry>> classes_;
  std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

}  // namespace vrel
