#include "files/Bmp2Tiff.h"

#include "platform/SafeSave.h"

#include <QByteArray>
#include <QFile>

#include <limits>

namespace vrel {

namespace {

enum TiffType : uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

enum TiffTag : uint16_t {
  kNewSubfileType = 254,
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kStripOffsets = 273,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kXResolution = 282,
  kYResolution = 283,
  kPlanarConfiguration = 284,
  kResolutionUnit = 296,
  kSoftware = 305,
  kColorMap = 320,
};

enum Photometric : uint16_t { kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kPalette = 3 };

// NUL-terminated, as TIFF requires of every ASCII value.
constexpr char kSoftwareName[] = "Tovesklabs";

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;  // the value itself when it fits four bytes, else its offset
};

class TiffBuffer {
 public:
  std::size_t Size() const { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }

  void Put8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void Put16(uint16_t v) {
    Put8(static_cast<uint8_t>(v));
    Put8(static_cast<uint8_t>(v >> 8));
  }
  void Put32(uint32_t v) {
    Put16(static_cast<uint16_t>(v));
    Put16(static_cast<uint16_t>(v >> 16));
  }
  void PutBytes(const uint8_t* data, std::size_t count) { bytes_.append(reinterpret_cast<const char*>(data), count); }
  // Values and directories must start on a word boundary.
  void Align() {
    if (bytes_.size() % 2 != 0)
      Put8(0);
  }
  void Patch32(std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes_[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
  }
  uint32_t Offset() const { return static_cast<uint32_t>(bytes_.size()); }

 private:
  std::string bytes_;
};

bool IsBlack(const TPaletteEntry& e) {
  return e.Red == 0 && e.Green == 0 && e.Blue == 0;
}
bool IsWhite(const TPaletteEntry& e) {
  return e.Red == 255 && e.Green == 255 && e.Blue == 255;
}

TPaletteEntry PaletteAt(const TBitmapData& bitmap, std::size_t index) {
  return index < bitmap.Palette.size() ? bitmap.Palette[index] : TPaletteEntry{};
}

// A two-level file says which of its two values is black; a bitmap whose palette holds other
// colours keeps them in a colour map instead.
Photometric TwoLevelPhotometric(const TBitmapData& bitmap) {
  if (bitmap.Palette.empty())
    return kBlackIsZero;
  const TPaletteEntry zero = PaletteAt(bitmap, 0);
  const TPaletteEntry one = PaletteAt(bitmap, 1);
  if (IsBlack(zero) && IsWhite(one))
    return kBlackIsZero;
  if (IsWhite(zero) && IsBlack(one))
    return kWhiteIsZero;
  return kPalette;
}

void PutColorMap(TiffBuffer& out, const TBitmapData& bitmap, int bits) {
  const std::size_t entries = std::size_t{1} << bits;
  for (int channel = 0; channel < 3; ++channel) {
    for (std::size_t i = 0; i < entries; ++i) {
      const TPaletteEntry e = PaletteAt(bitmap, i);
      const uint8_t component = channel == 0 ? e.Red : channel == 1 ? e.Green : e.Blue;
      out.Put16(static_cast<uint16_t>(component * 256));
    }
  }
}

uint32_t PutRational(TiffBuffer& out) {
  const uint32_t at = out.Offset();
  out.Put32(kTiffResolutionNumerator);
  out.Put32(kTiffResolutionDenominator);
  return at;
}

uint32_t PutSoftware(TiffBuffer& out) {
  const uint32_t at = out.Offset();
  out.PutBytes(reinterpret_cast<const uint8_t*>(kSoftwareName), sizeof kSoftwareName);
  out.Align();
  return at;
}

// Rows top first, as the file stores them: indices as they are (the bits past the last pixel
// cleared), colours turned from blue-green-red into red-green-blue.
uint32_t PutPixels(TiffBuffer& out, const TBitmapData& bitmap, std::size_t rowBytes) {
  const uint32_t at = out.Offset();
  const auto width = static_cast<std::size_t>(bitmap.Width);
  for (const std::vector<uint8_t>& row : bitmap.Rows) {
    switch (bitmap.BitsPerPixel) {
      case 24:
      case 32: {
        const std::size_t step = bitmap.BitsPerPixel == 32 ? 4 : 3;
        for (std::size_t x = 0; x < width; ++x) {
          out.Put8(row[x * step + 2]);
          out.Put8(row[x * step + 1]);
          out.Put8(row[x * step]);
        }
        break;
      }
      default: {
        out.PutBytes(row.data(), rowBytes - 1);
        const std::size_t usedBits = (width * static_cast<std::size_t>(bitmap.BitsPerPixel)) % 8;
        const auto mask = static_cast<uint8_t>(usedBits == 0 ? 0xFF : 0xFF << (8 - usedBits));
        out.Put8(row[rowBytes - 1] & mask);
        break;
      }
    }
  }
  out.Align();
  return at;
}

Entry Short(uint16_t tag, uint16_t value) {
  return {tag, kShort, 1, value};
}
Entry Long(uint16_t tag, uint32_t value) {
  return {tag, kLong, 1, value};
}
// SHORT while it fits, as readers expect of sizes, LONG beyond.
Entry Size(uint16_t tag, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  return v <= 0xFFFF ? Short(tag, static_cast<uint16_t>(v)) : Long(tag, v);
}

void Validate(const TBitmapData& bitmap, std::size_t rowBytes) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0) {
    throw Exception(FormatMessage("A TIFF file cannot hold a bitmap of %s x %s pixels",
                                  {std::to_string(bitmap.Width), std::to_string(bitmap.Height)}));
  }
  const std::size_t sourceBytes = BitmapRowBytes(bitmap.Width, bitmap.BitsPerPixel);
  if (bitmap.Rows.size() != static_cast<std::size_t>(bitmap.Height)) {
    throw Exception(FormatMessage("The bitmap has %s rows instead of %s",
                                  {std::to_string(bitmap.Rows.size()), std::to_string(bitmap.Height)}));
  }
  for (const std::vector<uint8_t>& row : bitmap.Rows) {
    if (row.size() < sourceBytes) {
      throw Exception(FormatMessage("A bitmap row has %s bytes instead of %s",
                                    {std::to_string(row.size()), std::to_string(sourceBytes)}));
    }
  }
  // Pixels, the largest colour map and the small values together must stay within 32-bit offsets.
  const uint64_t total = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(bitmap.Height) + (3u << 9) + 512;
  if (total > std::numeric_limits<uint32_t>::max())
    throw Exception("The bitmap is too large for a TIFF file");
}

}  // namespace

std::size_t BitmapRowBytes(int32_t width, int32_t bitsPerPixel) {
  if (width <= 0)
    return 0;
  const auto w = static_cast<std::size_t>(width);
  switch (bitsPerPixel) {
    case 1:
      return (w + 7) / 8;
    case 4:
      return (w + 1) / 2;
    case 8:
      return w;
    case 24:
      return w * 3;
    case 32:
      return w * 4;
    default:
      return 0;
  }
}

bool WriteTiffToStream(std::string& stream, const TBitmapData& bitmap) {
  const int bits = bitmap.BitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return false;
  const bool rgb = bits >= 24;
  const std::size_t rowBytes = rgb ? static_cast<std::size_t>(bitmap.Width) * 3 : BitmapRowBytes(bitmap.Width, bits);
  Validate(bitmap, rowBytes);

  TiffBuffer out;
  out.Put8('I');
  out.Put8('I');
  out.Put16(42);
  out.Put32(0);  // the directory's offset, known at the end

  const Photometric photometric = rgb ? kRgb : bits == 1 ? TwoLevelPhotometric(bitmap) : kPalette;
  uint32_t pixels = 0;
  uint32_t colorMap = 0;
  uint32_t bitsPerSample = 0;
  uint32_t xResolution = 0;
  uint32_t yResolution = 0;
  uint32_t software = 0;
  if (bits == 1) {
    pixels = PutPixels(out, bitmap, rowBytes);
    xResolution = PutRational(out);
    yResolution = PutRational(out);
    software = PutSoftware(out);
    if (photometric == kPalette) {
      colorMap = out.Offset();
      PutColorMap(out, bitmap, 1);
    }
  } else if (!rgb) {
    colorMap = out.Offset();
    PutColorMap(out, bitmap, bits);
    xResolution = PutRational(out);
    yResolution = PutRational(out);
    software = PutSoftware(out);
    pixels = PutPixels(out, bitmap, rowBytes);
  } else {
    xResolution = PutRational(out);
    yResolution = PutRational(out);
    bitsPerSample = out.Offset();
    for (int i = 0; i < 3; ++i)
      out.Put16(8);
    software = PutSoftware(out);
    pixels = PutPixels(out, bitmap, rowBytes);
  }

  const uint32_t stripBytes = static_cast<uint32_t>(rowBytes * static_cast<std::size_t>(bitmap.Height));
  std::vector<Entry> entries = {
      Long(kNewSubfileType, 0),
      Size(kImageWidth, bitmap.Width),
      Size(kImageLength, bitmap.Height),
      rgb ? Entry{kBitsPerSample, kShort, 3, bitsPerSample} : Short(kBitsPerSample, static_cast<uint16_t>(bits)),
      Short(kCompression, 1),
      Short(kPhotometric, photometric),
      Long(kStripOffsets, pixels),
      Short(kSamplesPerPixel, rgb ? 3 : 1),
      Long(kRowsPerStrip, static_cast<uint32_t>(bitmap.Height)),
      Long(kStripByteCounts, stripBytes),
      Entry{kXResolution, kRational, 1, xResolution},
      Entry{kYResolution, kRational, 1, yResolution},
  };
  if (rgb)
    entries.push_back(Short(kPlanarConfiguration, 1));
  entries.push_back(Short(kResolutionUnit, 2));
  entries.push_back(Entry{kSoftware, kAscii, sizeof kSoftwareName, software});
  if (photometric == kPalette) {
    entries.push_back(Entry{kColorMap, kShort, 3u << (bits == 1 ? 1 : bits), colorMap});
  }

  const uint32_t directory = out.Offset();
  out.Patch32(4, directory);
  out.Put16(static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    out.Put16(e.tag);
    out.Put16(e.type);
    out.Put32(e.count);
    out.Put32(e.value);
  }
  out.Put32(0);
  stream += out.Bytes();
  return true;
}

bool WriteTiffToFile(const std::string& fileName, const TBitmapData& bitmap) {
  std::string bytes;
  if (!WriteTiffToStream(bytes, bitmap))
    return false;
  std::string error;
  if (!SaveFileReplacing(fileName, bytes, error))
    throw Exception(FormatMessage("Cannot write %s: %s", {fileName, error}));
  return true;
}

}  // namespace vrel
