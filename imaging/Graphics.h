#pragma once

// The stand-ins for the framework's graphic, bitmap and picture classes, as small as the image codecs
// need. A bitmap holds its pixels in rows of the framework's layout (each row padded to four bytes,
// the leftmost pixel in the high bits of a byte, colour pixels blue first), reached through ScanLine,
// with a palette of up to 256 colours. The picture registry maps file extensions to graphic classes;
// a picture loads a file through the class its extension names, and the open-picture dialog builds its
// filter from the same registrations.
//
// The window system's own decoder (BMP and icons) stays behind a
// port, so this library needs no window system; the application installs it at start-up.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Classes.h"
#include "platform/Exceptions.h"
#include "platform/ProgressEvent.h"

namespace vrel {

class TInputStream;

// What loading an image raises: the file is not what its format says, or cannot be shown.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

enum class TPixelFormat : std::uint8_t {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};

// Bits per pixel of a storable format (the device's format is 32 bits here); 0 for pfCustom.
int BitsPerPixel(TPixelFormat format);

// Whether the fourth byte of a 32-bit pixel is alpha.
enum class TAlphaFormat : std::uint8_t { afIgnored, afDefined };

struct TPaletteColor {
  std::uint8_t Red = 0;
  std::uint8_t Green = 0;
  std::uint8_t Blue = 0;
  bool operator==(const TPaletteColor&) const = default;
};
using TPalette = std::vector<TPaletteColor>;
inline constexpr std::size_t kMaxPaletteEntries = 256;

class TGraphic;
class TBitmap;

// A graphic class as the registry knows it: its name and how to make an empty one. Classes are
// compared by address: each has one descriptor for the life of the program.
struct TGraphicClass {
  const char* Name = "";
  std::unique_ptr<TGraphic> (*Create)() = nullptr;
};

template <class G>
const TGraphicClass& GraphicClassOf() {
  static const TGraphicClass info{G::StaticClass().Name(),
                                  []() -> std::unique_ptr<TGraphic> { return std::make_unique<G>(); }};
  return info;
}

class TGraphic : public TPersistent {
  VREL_CLASS_INFO(TGraphic, TPersistent)
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() == 0 || Height() == 0; }

  // Replaces the graphic with the image at the stream's position; raises (EInvalidGraphic, EReadError)
  // when the bytes are not such an image.
  virtual void LoadFromStream(TInputStream& stream) = 0;
  // Opens the file (regular files only) and loads it.
  virtual void LoadFromFile(const std::string& fileName);
  // The format test: whether the bytes at the stream's position look like this class's format. Reads
  // only bytes that are there and puts the position back.
  virtual bool CanLoadFromStream(TInputStream& stream) const;
  bool CanLoadFromFile(const std::string& fileName) const;

  // The graphic's pixels, or null when it has none (a metafile).
  virtual const TBitmap* AsBitmap() const { return nullptr; }

  const TProgressEvent& OnProgress() const { return onProgress_; }
  void SetOnProgress(TProgressEvent handler) { onProgress_ = std::move(handler); }

  // Told the image's width and height as soon as a load has them from the file's header, before any
  // pixel is decoded or stored; it may raise to refuse the image.
  using TSizeCheck = std::function<void(std::uint64_t width, std::uint64_t height)>;
  void SetSizeCheck(TSizeCheck check) { sizeCheck_ = std::move(check); }
  // What a load calls with its header's size in place of the free CheckImageBudget: the size check
  // first, then the budget.
  void CheckImageBudget(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel, std::uint64_t dataBytes,
                        std::uint64_t maxExpansion, std::string_view format) const;

 protected:
  // Tells the progress handler, if there is one (a redraw asked for, no rectangle).
  void Progress(TProgressStage stage, int percentDone, const std::string& message = {});
  // Row `row` of `height` done: the running stage with row x 100 / height percent.
  void RowProgress(std::uint64_t row, std::uint64_t height);
  // The caption of the stage that fills the picture's rows.
  static constexpr const char* kTransfering = "Transfering...";

 private:
  TProgressEvent onProgress_;
  TSizeCheck sizeCheck_;
};

// Where a bitmap keeps its pixels: blocks that start zero. Blocks of 2 MiB and more are mapped straight
// from the system, whose pages arrive zeroed, so no pass is made over them before a loader writes its
// rows; they are aligned to 2 MiB and offered for huge pages, so a new 4096 x 4096 picture costs a few
// dozen page faults instead of twelve thousand, which otherwise take longer than decoding it. Smaller
// blocks come from calloc. Raises std::bad_alloc when there is no memory.
void* AllocatePixelBlock(std::size_t bytes);
void FreePixelBlock(void* block, std::size_t bytes) noexcept;
// The block made `newBytes` long, its bytes kept and the new ones zero. A large block grows where the
// system maps it, without a copy of its pages; raises std::bad_alloc (the block then stays as it was).
void* ResizePixelBlock(void* block, std::size_t oldBytes, std::size_t newBytes);

// One pixel block, owned.
class TPixelBlock {
 public:
  TPixelBlock() = default;
  explicit TPixelBlock(std::size_t bytes)
      : data_(bytes > 0 ? static_cast<std::uint8_t*>(AllocatePixelBlock(bytes)) : nullptr), size_(bytes) {}
  TPixelBlock(TPixelBlock&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  TPixelBlock& operator=(TPixelBlock&& other) noexcept {
    if (this != &other) {
      TPixelBlock old(std::move(*this));
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  ~TPixelBlock() {
    if (data_)
      FreePixelBlock(data_, size_);
  }

  std::span<std::uint8_t> Bytes() { return {data_, size_}; }
  std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }
  // See ResizePixelBlock.
  void Resize(std::size_t bytes) {
    data_ = static_cast<std::uint8_t*>(data_ ? ResizePixelBlock(data_, size_, bytes) : AllocatePixelBlock(bytes));
    size_ = bytes;
  }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

class TBitmap : public TGraphic {
  VREL_CLASS_INFO(TBitmap, TGraphic)
 public:
  // The largest pixel store a bitmap takes (2 GiB): a 16384 x 16384 image of 32 bits fits.
  static constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 31;

  TBitmap() = default;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  // Changing the format or the size makes new pixels, all zero: the loaders set both, then fill the
  // rows. pfCustom and sizes beyond kMaxImageBytes raise EInvalidGraphic.
  void SetPixelFormat(TPixelFormat format);
  void SetSize(int width, int height);
  // Bytes of one row with its padding.
  std::size_t RowStride() const { return stride_; }
  // Row `row` (0 the top), RowStride() bytes; EInvalidGraphic outside the bitmap.
  std::span<std::uint8_t> ScanLine(int row);
  std::span<const std::uint8_t> ScanLine(int row) const;

  // Colours of palette indices (1, 4 and 8 bits per pixel); missing entries show black.
  const TPalette& Palette() const { return palette_; }
  // More than 256 entries raise EInvalidGraphic.
  void SetPalette(TPalette palette);

  TAlphaFormat AlphaFormat() const { return alphaFormat_; }
  void SetAlphaFormat(TAlphaFormat format) { alphaFormat_ = format; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  // Red in the low byte, then green and blue.
  std::uint32_t TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(std::uint32_t color) { transparentColor_ = color; }

  // Back to an empty 24-bit bitmap without palette.
  void Clear();
  // From another bitmap: pixels, format, palette and the flags.
  void Assign(const TPersistent* source) override;
  // As Assign, but the pixels move here instead of being copied; `source` is left empty.
  void Take(TBitmap& source);

  // A Windows bitmap file (through the window system's decoder, after a check that the file holds
  // every byte its header promises).
  void LoadFromStream(TInputStream& stream) override;
  bool CanLoadFromStream(TInputStream& stream) const override;
  const TBitmap* AsBitmap() const override { return this; }

  // The pixels as rows of blue, green, red and alpha bytes, top row first, without padding: what a
  // texture or the screen takes. Alpha is 255 unless the bitmap's alpha is defined.
  std::vector<std::uint8_t> ToBgra() const;
  // Row `row` as ToBgra gives it, into the first 4 x Width bytes of `out`.
  void ScanLineToBgra(int row, std::span<std::uint8_t> out) const;
  // Turns the bitmap into 32-bit rows of ToBgra's pixels where it stands: the pixel store grows to
  // hold them and no second copy of the picture is made. The palette goes.
  void ExpandToBgra();

 protected:
  // The decoded image of a file the window system reads ("bmp", "ico"), checked beforehand by
  // the caller; replaces this bitmap.
  void LoadThroughSystemDecoder(std::span<const std::uint8_t> file, std::string_view format);

 private:
  void Allocate();
  // Rows first .. last - 1 as ToBgra gives them, one after another from `out`.
  void RowsToBgra(int first, int last, std::uint8_t* out) const;

  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixelFormat_ = TPixelFormat::pf24bit;
  std::size_t stride_ = 0;
  TPixelBlock pixels_;
  TPalette palette_;
  TAlphaFormat alphaFormat_ = TAlphaFormat::afIgnored;
  bool transparent_ = false;
  std::uint32_t transparentColor_ = 0;
};

// The window system's image decoder behind a port: decodes a whole file of a kind it reads into a
// bitmap, or raises EInvalidGraphic with its reason.
class ISystemImageDecoder {
 public:
  virtual ~ISystemImageDecoder() = default;
  virtual void Decode(std::span<const std::uint8_t> file, std::string_view format, TBitmap& bitmap) = 0;
};

// Installs `decoder` (not owned; nullptr empties the port) and answers the one that was there.
ISystemImageDecoder* SetSystemImageDecoder(ISystemImageDecoder* decoder);
ISystemImageDecoder* CurrentSystemImageDecoder();

// One line of a file dialog's filter: its label and the patterns it matches.
struct TFileFilter {
  std::string Label;                  // "Windows bitmaps (*.bmp)"
  std::vector<std::string> Patterns;  // "*.bmp"
  bool operator==(const TFileFilter&) const = default;
};

// The picture class's registry: extension, description and graphic class, in order of registration.
class TPictureFormats {
 public:
  struct Entry {
    std::string Extension;  // without the dot, as registered
    std::string Description;
    const TGraphicClass* Class = nullptr;
  };

  // A new extension is appended; one registered already (ignoring case) is taken over in its place.
  void Register(std::string_view extension, std::string_view description, const TGraphicClass& graphicClass);
  void UnregisterExtension(std::string_view extension);
  // Every extension of the class.
  void UnregisterClass(const TGraphicClass& graphicClass);
  // The entry of the extension (with or without the dot), ignoring case; null when there is none.
  const Entry* Find(std::string_view extension) const;
  const std::vector<Entry>& Entries() const { return entries_; }

  // The open-picture dialog's filter: first every registered extension under "All", then one line
  // "Description (*.ext)" per registration in order.
  std::vector<TFileFilter> Filter() const;

 private:
  std::vector<Entry> entries_;
};

// The process's registry of picture formats.
TPictureFormats& PictureFormats();

// Qt's form of a filter: the lines joined with ";;", patterns apart by spaces.
std::string FilterText(const std::vector<TFileFilter>& filter);

// A picture: a graphic of the class that the file's extension names.
class TPicture {
 public:
  explicit TPicture(const TPictureFormats& formats = PictureFormats()) : formats_(&formats) {}

  // Loads into a new graphic and keeps it only when the load succeeded; an extension nobody
  // registered raises EInvalidGraphic.
  void LoadFromFile(const std::string& fileName);
  // Given to every graphic the picture makes, so a load can be followed and called off.
  void SetOnProgress(TProgressEvent handler) { onProgress_ = std::move(handler); }
  const TGraphic* Graphic() const { return graphic_.get(); }
  // Takes the graphic out of the picture, which is left empty.
  std::unique_ptr<TGraphic> ReleaseGraphic() { return std::move(graphic_); }
  // The pixels, or null when there is no graphic or it has none.
  const TBitmap* Bitmap() const { return graphic_ ? graphic_->AsBitmap() : nullptr; }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

 private:
  const TPictureFormats* formats_;
  std::unique_ptr<TGraphic> graphic_;
  TProgressEvent onProgress_;
};

// Checks, before anything is allocated, that an image of width x height pixels at bitsPerPixel can
// come from `dataBytes` bytes whose coding expands them at most `maxExpansion` times, and that its
// pixels fit a bitmap; raises EInvalidGraphic naming `format` otherwise. A header that promises far
// more pixels than its file can hold fails here, however large the numbers.
void CheckImageBudget(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel, std::uint64_t dataBytes,
                      std::uint64_t maxExpansion, std::string_view format);

// The extension of a file name, without the dot; empty when there is none.
std::string FileExtension(const std::string& fileName);

}  // namespace vrel
