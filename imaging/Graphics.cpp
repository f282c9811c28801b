#include "imaging/Graphics.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sanitizer/asan_interface.h>
#include <sys/mman.h>

#include "imaging/FormatTest.h"
#include "imaging/Streams.h"

namespace vrel {

namespace {

ISystemImageDecoder* systemDecoder = nullptr;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view WithoutDot(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.')
    extension.remove_prefix(1);
  return extension;
}

// ---- Windows bitmap files ------------------------------------------------------------------------

// What the window system's reader would otherwise do with a short file is to pad the missing rows;
// so the header is checked against the bytes first, every length in 64 bits.
constexpr std::uint64_t kRleExpansion = 128;  // a two-byte run gives at most 255 pixels

void BitmapError(const std::string& why) {
  throw EInvalidGraphic("Cannot load image. Invalid or unexpected Windows bitmap: " + why + ".");
}

// Walks run-length coded pixel data to its end-of-bitmap code; every code must lie inside the data.
void CheckRunLengthData(std::span<const std::uint8_t> data, bool fourBits, std::uint64_t height) {
  std::size_t at = 0;
  std::uint64_t y = 0;
  while (true) {
    if (at + 2 > data.size())
      BitmapError("the run-length data end before the end-of-bitmap code");
    const std::uint8_t count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0)
      continue;
    if (value == 0) {  // end of line
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      if (at + 2 > data.size())
        BitmapError("the run-length data end inside a move");
      y += data[at + 1];
      at += 2;
    } else {  // a run of `value` literal pixels, padded to a whole word
      const std::size_t bytes = fourBits ? (value + 1u) / 2u : value;
      at += bytes + (bytes & 1u);
    }
    if (y > height)
      BitmapError("the run-length data run past the last row");
  }
}

void CheckBitmapFile(std::span<const std::uint8_t> file, const TGraphic& graphic) {
  if (file.size() < 18 || file[0] != 'B' || file[1] != 'M')
    BitmapError("no bitmap header");
  const std::uint32_t offBits = U32LE(file, 10);
  const std::uint32_t infoSize = U32LE(file, 14);
  if (infoSize < 12 || infoSize > 124 || 14u + infoSize > file.size())
    BitmapError("the header is cut off or has an unknown size");
  std::uint64_t width = 0, height = 0;
  unsigned planes = 0, bits = 0, paletteEntrySize = 4;
  std::uint32_t compression = 0, colorsUsed = 0;
  std::uint64_t headerEnd = 14u + infoSize;
  if (infoSize == 12) {
    width = U16LE(file, 18);
    height = U16LE(file, 20);
    planes = U16LE(file, 22);
    bits = U16LE(file, 24);
    paletteEntrySize = 3;
  } else {
    if (infoSize < 40)
      BitmapError("the header is cut off or has an unknown size");
    const auto w = static_cast<std::int32_t>(U32LE(file, 18));
    const auto h = static_cast<std::int32_t>(U32LE(file, 22));
    if (w <= 0 || h == 0 || h == INT32_MIN)
      BitmapError("the width or height is not valid");
    width = static_cast<std::uint64_t>(w);
    height = h < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(h)) : static_cast<std::uint64_t>(h);
    planes = U16LE(file, 26);
    bits = U16LE(file, 28);
    compression = U32LE(file, 30);
    colorsUsed = U32LE(file, 46);
    if (compression == 3 && infoSize == 40)
      headerEnd += 12;  // the three colour masks
    if (h < 0 && compression != 0 && compression != 3)
      BitmapError("a top-down bitmap cannot be run-length coded");
  }
  if (width == 0 || height == 0)
    BitmapError("the width or height is 0");
  if (planes != 1)
    BitmapError("the plane count is not 1");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    BitmapError("the bit depth " + std::to_string(bits) + " is not one a bitmap can have");
  const bool rle8 = compression == 1 && bits == 8, rle4 = compression == 2 && bits == 4;
  const bool fields = compression == 3 && (bits == 16 || bits == 32);
  if (compression != 0 && !rle8 && !rle4 && !fields)
    BitmapError("compression " + std::to_string(compression) + " is not supported for " + std::to_string(bits) +
                "-bit pixels");
  if (bits <= 8) {
    const std::uint64_t entries = colorsUsed == 0 ? (std::uint64_t{1} << bits) : colorsUsed;
    if (entries > (std::uint64_t{1} << bits))
      BitmapError("the palette has more colours than the pixels can name");
    headerEnd += entries * paletteEntrySize;
  }
  if (headerEnd > file.size())
    BitmapError("the palette is cut off");
  if (offBits < 14u + infoSize || offBits > file.size())
    BitmapError("the pixel data lie outside the file");
  const std::uint64_t dataBytes = file.size() - offBits;
  if (rle8 || rle4) {
    graphic.CheckImageBudget(width, height, bits, dataBytes, kRleExpansion, "Windows bitmap");
    CheckRunLengthData(file.subspan(offBits), rle4, height);
    return;
  }
  graphic.CheckImageBudget(width, height, bits, dataBytes, 1, "Windows bitmap");
  const std::uint64_t stride = (width * bits + 31) / 32 * 4;
  if (stride * height > dataBytes)
    BitmapError("the file ends before the last row (" + std::to_string(stride * height) + " bytes of pixels needed, " +
                std::to_string(dataBytes) + " there)");
}

}  // namespace

int BitsPerPixel(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit:
      return 1;
    case TPixelFormat::pf4bit:
      return 4;
    case TPixelFormat::pf8bit:
      return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
      return 16;
    case TPixelFormat::pf24bit:
      return 24;
    case TPixelFormat::pf32bit:
    case TPixelFormat::pfDevice:
      return 32;
    case TPixelFormat::pfCustom:
      break;
  }
  return 0;
}

void CheckImageBudget(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel, std::uint64_t dataBytes,
                      std::uint64_t maxExpansion, std::string_view format) {
  const std::string name(format);
  constexpr std::uint64_t kMaxSide = 1u << 20;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || bitsPerPixel == 0 || bitsPerPixel > 128)
    throw EInvalidGraphic("Cannot load image. The size of the " + name + " image (" + std::to_string(width) + " x " +
                          std::to_string(height) + ") is not valid.");
  // Sides up to 2^20 and 128 bits keep every product below 2^64.
  const std::uint64_t rowBytes = (width * bitsPerPixel + 7) / 8;
  const std::uint64_t pixelBytes = rowBytes * height;
  const std::uint64_t bitmapBytes = width * height * 4;
  if (bitmapBytes > TBitmap::kMaxImageBytes)
    throw EInvalidGraphic("Cannot load image. The " + name + " image of " + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels is too large.");
  if (pixelBytes / maxExpansion + (pixelBytes % maxExpansion != 0) <= dataBytes)
    return;
  throw EInvalidGraphic("Cannot load image. The " + name + " file is too short for an image of " +
                        std::to_string(width) + " x " + std::to_string(height) + " pixels.");
}

std::string FileExtension(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  return fileName.substr(dot + 1);
}

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* AllocatePixelBlock(std::size_t bytes) {
  if (bytes < kHugePage) {
    void* block = std::calloc(std::max<std::size_t>(bytes, 1), 1);
    if (!block)
      throw std::bad_alloc();
    return block;
  }
  // One huge page more is mapped than the block needs; what lies outside the aligned block goes back.
  const std::size_t size = MappedSize(bytes);
  void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED)
    throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start)
    ::munmap(mapped, aligned - start);
  if (start + kHugePage > aligned)
    ::munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
  auto* block = reinterpret_cast<std::uint8_t*>(aligned);
#ifdef MADV_HUGEPAGE
  ::madvise(block, size, MADV_HUGEPAGE);  // a hint: where the system says no, ordinary pages serve
#endif
  // The rounding past the block's end is mapped too; the address sanitizer still reports a read there.
  ASAN_POISON_MEMORY_REGION(block + bytes, size - bytes);
  return block;
}

void* ResizePixelBlock(void* block, std::size_t oldBytes, std::size_t newBytes) {
  if (oldBytes < kHugePage && newBytes < kHugePage) {
    void* resized = std::realloc(block, std::max<std::size_t>(newBytes, 1));
    if (!resized)
      throw std::bad_alloc();
    if (newBytes > oldBytes)
      std::memset(static_cast<std::uint8_t*>(resized) + oldBytes, 0, newBytes - oldBytes);
    return resized;
  }
  if (oldBytes < kHugePage || newBytes < kHugePage) {
    void* resized = AllocatePixelBlock(newBytes);
    std::memcpy(resized, block, std::min(oldBytes, newBytes));
    FreePixelBlock(block, oldBytes);
    return resized;
  }
  // The pages move (or stay) with their contents; the mapping's tail beyond oldBytes is zero already.
  const std::size_t oldSize = MappedSize(oldBytes), newSize = MappedSize(newBytes);
  ASAN_UNPOISON_MEMORY_REGION(block, oldSize);
  void* resized = ::mremap(block, oldSize, newSize, MREMAP_MAYMOVE);
  if (resized == MAP_FAILED) {
    ASAN_POISON_MEMORY_REGION(static_cast<std::uint8_t*>(block) + oldBytes, oldSize - oldBytes);
    throw std::bad_alloc();
  }
  // The pages may land where the sanitizer remembers something freed.
  ASAN_UNPOISON_MEMORY_REGION(resized, newBytes);
  ASAN_POISON_MEMORY_REGION(static_cast<std::uint8_t*>(resized) + newBytes, newSize - newBytes);
  return resized;
}

void FreePixelBlock(void* block, std::size_t bytes) noexcept {
  if (bytes < kHugePage) {
    std::free(block);
    return;
  }
  const std::size_t size = MappedSize(bytes);
  ASAN_UNPOISON_MEMORY_REGION(block, size);
  ::munmap(block, size);
}

// ---- TGraphic ------------------------------------------------------------------------------------

const TClassInfo& TGraphic::StaticClass() {
  static const TClassInfo info("TGraphic", &Inherited::StaticClass());
  return info;
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileInputStream stream(fileName);
  LoadFromStream(stream);
}

void TGraphic::Progress(TProgressStage stage, int percentDone, const std::string& message) {
  if (onProgress_)
    onProgress_(this, stage, static_cast<std::uint8_t>(std::clamp(percentDone, 0, 100)), true, TProgressRect{},
                message);
}

void TGraphic::RowProgress(std::uint64_t row, std::uint64_t height) {
  if (onProgress_ && height > 0)
    Progress(psRunning, static_cast<int>(std::min(row, height) * 100 / height));
}

void TGraphic::CheckImageBudget(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel,
                                std::uint64_t dataBytes, std::uint64_t maxExpansion, std::string_view format) const {
  if (sizeCheck_)
    sizeCheck_(width, height);
  vrel::CheckImageBudget(width, height, bitsPerPixel, dataBytes, maxExpansion, format);
}

bool TGraphic::CanLoadFromStream(TInputStream&) const {
  return false;
}

bool TGraphic::CanLoadFromFile(const std::string& fileName) const {
  TFileInputStream stream(fileName);
  return CanLoadFromStream(stream);
}

// ---- TBitmap -------------------------------------------------------------------------------------

const TClassInfo& TBitmap::StaticClass() {
  static const TClassInfo info("TBitmap", &Inherited::StaticClass());
  return info;
}

void TBitmap::Allocate() {
  const int bits = BitsPerPixel(pixelFormat_);
  const auto w = static_cast<std::uint64_t>(width_), h = static_cast<std::uint64_t>(height_);
  const std::uint64_t stride = (w * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
  if (stride * h > kMaxImageBytes)
    throw EInvalidGraphic("Cannot make a bitmap of " + std::to_string(width_) + " x " + std::to_string(height_) +
                          " pixels: it is too large.");
  TPixelBlock pixels(static_cast<std::size_t>(stride * h));
  stride_ = static_cast<std::size_t>(stride);
  pixels_ = std::move(pixels);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == TPixelFormat::pfCustom)
    throw EInvalidGraphic("Invalid pixel format");
  if (format == pixelFormat_)
    return;
  const TPixelFormat old = pixelFormat_;
  pixelFormat_ = format;
  try {
    Allocate();
  } catch (...) {
    pixelFormat_ = old;
    throw;
  }
}

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0)
    throw EInvalidGraphic("Invalid bitmap size");
  if (width == width_ && height == height_)
    return;
  const int oldWidth = width_, oldHeight = height_;
  width_ = width;
  height_ = height;
  try {
    Allocate();
  } catch (...) {
    width_ = oldWidth;
    height_ = oldHeight;
    throw;
  }
}

std::span<std::uint8_t> TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_)
    throw EInvalidGraphic("Scan line index out of range");
  return pixels_.Bytes().subspan(static_cast<std::size_t>(row) * stride_, stride_);
}

std::span<const std::uint8_t> TBitmap::ScanLine(int row) const {
  if (row < 0 || row >= height_)
    throw EInvalidGraphic("Scan line index out of range");
  return pixels_.Bytes().subspan(static_cast<std::size_t>(row) * stride_, stride_);
}

void TBitmap::SetPalette(TPalette palette) {
  if (palette.size() > kMaxPaletteEntries)
    throw EInvalidGraphic("A palette has at most 256 colours");
  palette_ = std::move(palette);
}

void TBitmap::Clear() {
  width_ = height_ = 0;
  pixelFormat_ = TPixelFormat::pf24bit;
  stride_ = 0;
  pixels_ = TPixelBlock();
  palette_.clear();
  alphaFormat_ = TAlphaFormat::afIgnored;
  transparent_ = false;
  transparentColor_ = 0;
}

void TBitmap::Assign(const TPersistent* source) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(source);
  if (!bitmap) {
    TGraphic::Assign(source);
    return;
  }
  if (bitmap == this)
    return;
  TPixelBlock pixels(bitmap->pixels_.Bytes().size());
  std::ranges::copy(bitmap->pixels_.Bytes(), pixels.Bytes().begin());
  width_ = bitmap->width_;
  height_ = bitmap->height_;
  pixelFormat_ = bitmap->pixelFormat_;
  stride_ = bitmap->stride_;
  pixels_ = std::move(pixels);
  palette_ = bitmap->palette_;
  alphaFormat_ = bitmap->alphaFormat_;
  transparent_ = bitmap->transparent_;
  transparentColor_ = bitmap->transparentColor_;
}

void TBitmap::Take(TBitmap& source) {
  if (&source == this)
    return;
  TPixelBlock pixels = std::move(source.pixels_);
  Assign(&source);  // all but the pixels, which the source no longer holds
  pixels_ = std::move(pixels);
  source.Clear();
}

bool TBitmap::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 18, 2, [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
    return head[0] == 'B' && head[1] == 'M';
  });
}

void TBitmap::LoadFromStream(TInputStream& stream) {
  const TRestOfStream file(stream);
  CheckBitmapFile(file.Bytes(), *this);
  LoadThroughSystemDecoder(file.Bytes(), "bmp");
}

void TBitmap::LoadThroughSystemDecoder(std::span<const std::uint8_t> file, std::string_view format) {
  ISystemImageDecoder* decoder = CurrentSystemImageDecoder();
  if (!decoder)
    throw EInvalidGraphic("Cannot load image. No decoder for " + std::string(format) + " images is installed.");
  TBitmap decoded;
  decoder->Decode(file, format, decoded);
  Take(decoded);
}

std::vector<std::uint8_t> TBitmap::ToBgra() const {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
  RowsToBgra(0, height_, out.data());
  return out;
}

void TBitmap::ScanLineToBgra(int row, std::span<std::uint8_t> out) const {
  if (out.size() < static_cast<std::size_t>(width_) * 4)
    throw EInvalidGraphic("Scan line buffer too short");
  RowsToBgra(row, row + 1, out.data());
}

void TBitmap::ExpandToBgra() {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
  pixels_.Resize(rowBytes * static_cast<std::size_t>(height_));
  // Bottom up, a band of rows at a time: no row is wider than four bytes a pixel, so a band's new
  // place covers only its own old rows and those below it, which are done; each band is converted
  // aside before it is put there.
  const int band =
      static_cast<int>(std::clamp<std::size_t>((std::size_t{256} << 10) / std::max<std::size_t>(rowBytes, 1), 1,
                                               static_cast<std::size_t>(std::max(height_, 1))));
  std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(band));
  for (int last = height_; last > 0; last -= band) {
    const int first = std::max(0, last - band);
    RowsToBgra(first, last, rows.data());
    std::memcpy(pixels_.Bytes().data() + static_cast<std::size_t>(first) * rowBytes, rows.data(),
                static_cast<std::size_t>(last - first) * rowBytes);
  }
  pixelFormat_ = TPixelFormat::pf32bit;
  stride_ = rowBytes;
  palette_.clear();
}

void TBitmap::RowsToBgra(int first, int last, std::uint8_t* out) const {
  const auto w = static_cast<std::size_t>(width_);
  const TPaletteColor black{};
  const auto colour = [&](unsigned index) -> const TPaletteColor& {
    return index < palette_.size() ? palette_[index] : black;
  };
  // Grey and palette pictures of 8 bits, the usual ones, through a table of their 256 pixels.
  if (pixelFormat_ == TPixelFormat::pf8bit) {
    std::array<std::array<std::uint8_t, 4>, 256> table{};
    for (unsigned i = 0; i < 256; ++i)
      table[i] = {colour(i).Blue, colour(i).Green, colour(i).Red, 255};
    for (int y = first; y < last; ++y) {
      const std::span<const std::uint8_t> row = ScanLine(y);
      std::uint8_t* o = out + static_cast<std::size_t>(y - first) * w * 4;
      for (std::size_t x = 0; x < w; ++x)
        std::memcpy(o + x * 4, table[row[x]].data(), 4);
    }
    return;
  }
  for (int y = first; y < last; ++y) {
    const std::span<const std::uint8_t> row = ScanLine(y);
    std::uint8_t* o = out + static_cast<std::size_t>(y - first) * w * 4;
    for (std::size_t x = 0; x < w; ++x, o += 4) {
      std::uint8_t b = 0, g = 0, r = 0, a = 255;
      switch (pixelFormat_) {
        case TPixelFormat::pf1bit:
        case TPixelFormat::pf4bit:
        case TPixelFormat::pf8bit: {
          const auto bits = static_cast<unsigned>(BitsPerPixel(pixelFormat_));
          const std::size_t bit = x * bits;
          const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
          const TPaletteColor& c = colour((row[bit / 8] >> shift) & ((1u << bits) - 1));
          b = c.Blue, g = c.Green, r = c.Red;
          break;
        }
        case TPixelFormat::pf15bit:
        case TPixelFormat::pf16bit: {
          // 5-5-5, or 5-6-5 with the extra bit for green; each field widened by repeating its top bits.
          const unsigned v = row[x * 2] | unsigned{row[x * 2 + 1]} << 8;
          const bool six = pixelFormat_ == TPixelFormat::pf16bit;
          const auto widen = [](unsigned field, unsigned bits) {
            return static_cast<std::uint8_t>(field << (8 - bits) | field >> (2 * bits - 8));
          };
          r = widen(six ? v >> 11 : (v >> 10) & 31, 5);
          g = six ? widen((v >> 5) & 63, 6) : widen((v >> 5) & 31, 5);
          b = widen(v & 31, 5);
          break;
        }
        case TPixelFormat::pf24bit:
          b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
          break;
        case TPixelFormat::pf32bit:
        case TPixelFormat::pfDevice:
          b = row[x * 4], g = row[x * 4 + 1], r = row[x * 4 + 2];
          a = alphaFormat_ == TAlphaFormat::afDefined ? row[x * 4 + 3] : 255;
          break;
        case TPixelFormat::pfCustom:
          break;
      }
      o[0] = b, o[1] = g, o[2] = r, o[3] = a;
    }
  }
}

ISystemImageDecoder* SetSystemImageDecoder(ISystemImageDecoder* decoder) {
  ISystemImageDecoder* previous = systemDecoder;
  systemDecoder = decoder;
  return previous;
}

ISystemImageDecoder* CurrentSystemImageDecoder() {
  return systemDecoder;
}

// ---- TPictureFormats -----------------------------------------------------------------------------

void TPictureFormats::Register(std::string_view extension, std::string_view description,
                               const TGraphicClass& graphicClass) {
  extension = WithoutDot(extension);
  const std::string key = Lower(extension);
  for (Entry& entry : entries_) {
    if (Lower(entry.Extension) == key) {
      entry = Entry{std::string(extension), std::string(description), &graphicClass};
      return;
    }
  }
  entries_.push_back(Entry{std::string(extension), std::string(description), &graphicClass});
}

void TPictureFormats::UnregisterExtension(std::string_view extension) {
  const std::string key = Lower(WithoutDot(extension));
  std::erase_if(entries_, [&](const Entry& e) { return Lower(e.Extension) == key; });
}

void TPictureFormats::UnregisterClass(const TGraphicClass& graphicClass) {
  std::erase_if(entries_, [&](const Entry& e) { return e.Class == &graphicClass; });
}

const TPictureFormats::Entry* TPictureFormats::Find(std::string_view extension) const {
  const std::string key = Lower(WithoutDot(extension));
  if (key.empty())
    return nullptr;
  for (const Entry& entry : entries_) {
    if (Lower(entry.Extension) == key)
      return &entry;
  }
  return nullptr;
}

std::vector<TFileFilter> TPictureFormats::Filter() const {
  std::vector<TFileFilter> filter;
  TFileFilter all;
  for (const Entry& entry : entries_)
    all.Patterns.push_back("*." + entry.Extension);
  std::string joined;
  for (const std::string& pattern : all.Patterns)
    joined += (joined.empty() ? "" : " ") + pattern;
  all.Label = "All (" + joined + ")";
  filter.push_back(std::move(all));
  for (const Entry& entry : entries_)
    filter.push_back(TFileFilter{entry.Description + " (*." + entry.Extension + ")", {"*." + entry.Extension}});
  return filter;
}

TPictureFormats& PictureFormats() {
  static TPictureFormats formats;
  return formats;
}

std::string FilterText(const std::vector<TFileFilter>& filter) {
  std::string text;
  for (const TFileFilter& line : filter)
    text += (text.empty() ? "" : ";;") + line.Label;
  return text;
}

// ---- TPicture ------------------------------------------------------------------------------------

void TPicture::LoadFromFile(const std::string& fileName) {
  const std::string extension = FileExtension(fileName);
  const TPictureFormats::Entry* entry = formats_->Find(extension);
  if (!entry)
    throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
  std::unique_ptr<TGraphic> graphic = entry->Class->Create();
  graphic->SetOnProgress(onProgress_);
  graphic->LoadFromFile(fileName);
  graphic_ = std::move(graphic);
}

}  // namespace vrel
