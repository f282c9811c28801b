#include "imaging/PPMGraphic.h"

#include <array>
#include <string>
#include <vector>

#include "imaging/FormatTest.h"

namespace vrel {

namespace {

constexpr const char* kPnmName = "PBM, PGM or PPM";

[[noreturn]] void EndOfData() {
  RasterFormatError("Stream read error in %s file.", {"PPM"});
}
[[noreturn]] void BadHeader() {
  RasterFormatError(kInvalidFormatMessage, {kPnmName});
}

// The text of a file read through a buffer of 4096 bytes; Position() is where the next character
// comes from.
class PnmText {
 public:
  explicit PnmText(TInputStream& stream) : stream_(stream), start_(stream.Position()) {}

  std::uint64_t Position() const { return start_ + index_; }

  // The next character; the end of the data raises.
  std::uint8_t Char() {
    if (index_ == count_) {
      start_ += count_;
      index_ = 0;
      count_ = stream_.Read(buffer_);
      if (count_ == 0)
        EndOfData();
    }
    return buffer_[index_++];
  }

  // The next character that is not white space or part of a comment ("#" to the end of its line).
  std::uint8_t Significant() {
    for (;;) {
      std::uint8_t c = Char();
      if (c == '#') {
        while (c != '\n' && c != '\r')
          c = Char();
      } else if (!IsSpace(c)) {
        return c;
      }
    }
  }

  // A decimal number after white space and comments; the character after it is consumed. Anything
  // but a digit where the number should start, or a number beyond `limit`, raises `fail`.
  template <class Fail>
  std::uint32_t Number(std::uint32_t limit, Fail fail) {
    std::uint8_t c = Significant();
    if (!IsDigit(c))
      fail();
    std::uint64_t value = 0;
    for (; IsDigit(c); c = Char()) {
      value = value * 10 + (c - '0');
      if (value > limit)
        fail();
    }
    return static_cast<std::uint32_t>(value);
  }

  static bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
  static bool IsSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  }

 private:
  TInputStream& stream_;
  std::uint64_t start_;
  std::array<std::uint8_t, 4096> buffer_{};
  std::size_t index_ = 0;
  std::size_t count_ = 0;
};

struct PnmHeader {
  char Kind = 0;  // '1' to '6'
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint32_t MaxValue = 1;
  std::uint64_t RasterStart = 0;  // where the pixels begin

  bool Bitmap() const { return Kind == '1' || Kind == '4'; }
  bool Colour() const { return Kind == '3' || Kind == '6'; }
  bool Plain() const { return Kind <= '3'; }
  unsigned Samples() const { return Colour() ? 3 : 1; }
};

// The magic "P1" to "P6", then width, height and (but for bitmaps) the maximum value, each after
// white space or comments, on one line or several. A file that is not one raises the invalid-format
// message.
PnmHeader ReadHeader(PnmText& text) {
  PnmHeader h;
  if (text.Char() != 'P')
    BadHeader();
  h.Kind = static_cast<char>(text.Char());
  if (h.Kind < '1' || h.Kind > '6')
    BadHeader();
  h.Width = text.Number(1u << 20, BadHeader);
  h.Height = text.Number(1u << 20, BadHeader);
  if (!h.Bitmap())
    h.MaxValue = text.Number(65535, BadHeader);
  if (h.Width == 0 || h.Height == 0 || h.MaxValue == 0)
    BadHeader();
  h.RasterStart = text.Position();
  return h;
}

// Samples of 0 to the maximum value on the 0 to 255 scale, rounded; larger ones count as the maximum.
class SampleScale {
 public:
  explicit SampleScale(std::uint32_t maxValue) : max_(maxValue), table_(maxValue + 1) {
    for (std::uint32_t v = 0; v <= maxValue; ++v)
      table_[v] = static_cast<std::uint8_t>((v * 255u + maxValue / 2) / maxValue);
  }
  std::uint8_t operator()(std::uint32_t v) const { return table_[v < max_ ? v : max_]; }
  bool Identity() const { return max_ == 255; }

 private:
  std::uint32_t max_;
  std::vector<std::uint8_t> table_;
};

}  // namespace

const TClassInfo& TPPMGraphic::StaticClass() {
  static const TClassInfo info("TPPMGraphic", &Inherited::StaticClass());
  return info;
}

bool TPPMGraphic::CanLoadFromStream(TInputStream& stream) const {
  return TestStreamHead(stream, 10, 10, [](std::span<const std::uint8_t> head, std::uint64_t, std::uint64_t) {
    return head[0] == 'P' && head[1] >= '1' && head[1] <= '6';
  });
}

bool TPPMGraphic::ReadImageProperties(TInputStream& stream, std::uint32_t imageIndex) {
  TRasterGraphic::ReadImageProperties(stream, imageIndex);
  PnmText text(stream);
  const PnmHeader h = ReadHeader(text);
  TImageProperties& p = Properties();
  p.Width = h.Width;
  p.Height = h.Height;
  p.ColorScheme = h.Colour() ? TColorScheme::RGB : TColorScheme::Indexed;
  p.BitsPerSample = h.Bitmap() ? 1 : h.MaxValue > 255 ? 16 : 8;
  p.SamplesPerPixel = static_cast<std::uint8_t>(h.Samples());
  p.BitsPerPixel = static_cast<std::uint8_t>(p.BitsPerSample * p.SamplesPerPixel);
  p.Compression = TCompressionType::ctNone;
  stream.SetPosition(h.RasterStart);
  return true;
}

void TPPMGraphic::LoadFromStream(TInputStream& stream) {
  Clear();
  const std::uint64_t base = stream.Position();
  ReadImageProperties(stream, 0);
  stream.SetPosition(base);
  PnmText text(stream);
  const PnmHeader h = ReadHeader(text);
  stream.SetPosition(h.RasterStart);
  const TImageProperties& p = ImageProperties();
  // Plain samples take at least a character each. A file too short for its pixels is refused before
  // anything is allocated.
  const unsigned bitsPerPixel = h.Plain() ? 8 * h.Samples() : p.BitsPerPixel;
  if ((std::uint64_t{h.Width} * bitsPerPixel + 7) / 8 * h.Height > stream.Remaining())
    EndOfData();
  CheckImageBudget(h.Width, h.Height, bitsPerPixel, stream.Remaining(), 1, "PPM");
  TPalette palette;
  if (h.Bitmap()) {
    SetPixelFormat(TPixelFormat::pf1bit);
    palette = {{255, 255, 255}, {0, 0, 0}};  // 1 is black
  } else if (!h.Colour()) {
    SetPixelFormat(TPixelFormat::pf8bit);
    palette.resize(256);
    for (std::size_t i = 0; i < 256; ++i)
      palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
  } else {
    SetPixelFormat(TPixelFormat::pf24bit);
  }
  SetSize(static_cast<int>(h.Width), static_cast<int>(h.Height));
  SetPalette(std::move(palette));

  const std::size_t width = h.Width, samples = h.Samples();
  const SampleScale scale(h.MaxValue);
  // Colour samples come red first and are stored blue first.
  const auto place = [&](std::span<std::uint8_t> row, std::size_t i, std::uint8_t value) {
    row[samples == 3 ? i - i % 3 + 2 - i % 3 : i] = value;
  };
  Progress(psStarting, 0, kTransfering);
  if (h.Plain()) {
    PnmText data(stream);
    const auto fail = [] { EndOfData(); };
    for (std::uint32_t y = 0; y < h.Height; ++y) {
      const std::span<std::uint8_t> row = ScanLine(static_cast<int>(y));
      if (h.Bitmap()) {
        // One character a pixel, with or without white space between.
        for (std::size_t x = 0; x < width; ++x) {
          const std::uint8_t c = data.Significant();
          if (c != '0' && c != '1')
            EndOfData();
          if (c == '1')
            row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        }
      } else {
        for (std::size_t i = 0; i < width * samples; ++i)
          place(row, i, scale(data.Number(0xFFFFFFFFu, fail)));
      }
      RowProgress(y + 1, h.Height);
    }
    Progress(psEnding, 100);
    return;
  }
  const auto read = [&](std::span<std::uint8_t> bytes) {
    if (stream.Remaining() < bytes.size())
      EndOfData();
    stream.ReadBuffer(bytes);
  };
  if (h.Bitmap()) {
    for (std::uint32_t y = 0; y < h.Height; ++y) {
      read(ScanLine(static_cast<int>(y)).first((width + 7) / 8));
      RowProgress(y + 1, h.Height);
    }
    Progress(psEnding, 100);
    return;
  }
  const std::size_t rowSamples = width * samples;
  if (h.MaxValue > 255) {
    // Two bytes a sample, the more significant first.
    std::vector<std::uint8_t> wide(rowSamples * 2);
    for (std::uint32_t y = 0; y < h.Height; ++y) {
      read(wide);
      const std::span<std::uint8_t> row = ScanLine(static_cast<int>(y));
      for (std::size_t i = 0; i < rowSamples; ++i)
        place(row, i, scale(std::uint32_t{wide[i * 2]} << 8 | wide[i * 2 + 1]));
      RowProgress(y + 1, h.Height);
    }
    Progress(psEnding, 100);
    return;
  }
  for (std::uint32_t y = 0; y < h.Height; ++y) {
    const std::span<std::uint8_t> row = ScanLine(static_cast<int>(y)).first(rowSamples);
    read(row);
    if (!scale.Identity()) {
      for (std::uint8_t& v : row)
        v = scale(v);
    }
    if (samples == 3) {
      for (std::size_t i = 0; i < rowSamples; i += 3)
        std::swap(row[i], row[i + 2]);
    }
    RowProgress(y + 1, h.Height);
  }
  Progress(psEnding, 100);
}

}  // namespace vrel
