#include "imaging/CUTGraphic.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "imaging/FormatTest.h"
#include "imaging/RasterDecoders.h"
#include "imaging/Streams.h"

namespace vrel {

namespace {

constexpr const char* kCut = "CUT";
constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kPaletteBlock = 512;
constexpr std::size_t kPaletteBlockUse = 506;
constexpr std::size_t kPaletteEntries = 40;

std::string LowerAscii(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string FindCUTPaletteFile(const std::string& imageFileName) {
  namespace fs = std::filesystem;
  const fs::path image = fs::path(imageFileName);
  fs::path wanted = image;
  wanted.replace_extension(".pal");
  std::error_code error;
  if (fs::is_regular_file(wanted, error))
    return wanted.string();
  const fs::path folder = image.has_parent_path() ? image.parent_path() : fs::path(".");
  const std::string name = LowerAscii(wanted.filename().string());
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (LowerAscii(it->path().filename().string()) == name && it->is_regular_file(error) && !error)
      return (image.has_parent_path() ? it->path() : it->path().filename()).string();
  }
  return {};
}

TPalette ReadCUTPalette(TInputStream& stream) {
  const std::uint64_t base = stream.Position();
  // Enough for 256 entries with the block gaps.
  std::vector<std::uint8_t> bytes(std::min<std::uint64_t>(stream.Remaining(), 4 * kPaletteBlock));
  stream.ReadBuffer(bytes);
  const auto short_ = [] { throw EReadError(std::string(kReadErrorMessage)); };
  if (bytes.size() < kPaletteEntries)
    short_();
  const std::size_t count = std::min<std::size_t>(U16LE(bytes, 12) + 1u, kMaxPaletteEntries);
  TPalette palette(count);
  std::size_t at = kPaletteEntries;
  for (std::size_t i = 0; i < count; ++i, at += 6) {
    if (at % kPaletteBlock > kPaletteBlockUse)
      at = (at / kPaletteBlock + 1) * kPaletteBlock;
    if (at + 6 > bytes.size())
      short_();
    palette[i] = {bytes[at], bytes[at + 2], bytes[at + 4]};
  }
  stream.SetPosition(base + at);
  return palette;
}

const TClassInfo& TCUTGraphic::StaticClass() {
  static const TClassInfo info("TCUTGraphic", &Inherited::StaticClass());
  return info;
}

bool TCUTGraphic::CanLoadFromStream(TInputStream&) const {
  return false;
}

bool TCUTGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  if (stream.Remaining() < kHeaderSize)
    return false;
  const std::uint16_t width = stream.ReadU16LE(), height = stream.ReadU16LE();
  if (width == 0 || height == 0)
    return false;
  SetIndexed8Properties(width, height, TCompressionType::ctRLE);
  return true;
}

void TCUTGraphic::LoadFromFile(const std::string& fileName) {
  paletteFileName_ = FindCUTPaletteFile(fileName);
  TRasterGraphic::LoadFromFile(fileName);
}

void TCUTGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  if (!ReadImageProperties(stream, 0))
    RasterFormatError(kInvalidFormatMessage, {kCut});
  stream.SetPosition(base + kHeaderSize);
  TPalette palette;
  if (!paletteFileName_.empty()) {
    TFileInputStream file(paletteFileName_);
    palette = ReadCUTPalette(file);
  } else {
    palette.resize(256);
    for (std::size_t i = 0; i < 256; ++i)
      palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
  }
  const TImageProperties& p = ImageProperties();
  const std::uint64_t start = stream.Position();
  const TRestOfStream rest(stream);
  const std::span<const std::uint8_t> packed = rest.Bytes();
  CheckImageBudget(p.Width, p.Height, 8, packed.size(), MaxExpansion(p.Compression), kCut);
  SetPixelFormat(TPixelFormat::pf8bit);
  SetSize(static_cast<int>(p.Width), static_cast<int>(p.Height));
  SetPalette(std::move(palette));
  // Each row carries on where the previous one ended.
  TCUTRLEDecoder decoder;
  std::size_t at = 0;
  Progress(psStarting, 0, kTransfering);
  for (std::uint32_t y = 0; y < p.Height; ++y) {
    at += decoder.Decode(std::span(packed).subspan(at), ScanLine(static_cast<int>(y)).first(p.Width)).Consumed;
    RowProgress(y + 1, p.Height);
  }
  stream.SetPosition(start + at);
  Progress(psEnding, 100);
}

}  // namespace vrel
