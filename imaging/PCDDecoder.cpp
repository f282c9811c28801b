#include "imaging/PCDDecoder.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace vrel {

namespace {

constexpr const char* kScheme = "Photo-CD Huffman";

// The stream as a window on its next 32 bits, from the high bit; bytes come from 2048-byte blocks.
// Once the stream is used up the window may run on over eight zero bytes (so that its last real
// bits can be looked at); needing more raises.
class BitWindow {
 public:
  explicit BitWindow(TInputStream& stream) : stream_(stream) { Refill(); }

  std::uint32_t Window() const { return static_cast<std::uint32_t>(bits_ >> 32); }
  // Drops the next n bits (at most 32).
  void Skip(int n) {
    bits_ <<= n;
    count_ -= n;
    Refill();
  }
  // The next n bits (at most 24) as a number.
  std::uint32_t Take(int n) {
    const std::uint32_t value = Window() >> (32 - n);
    Skip(n);
    return value;
  }

 private:
  void Refill() {
    while (count_ <= 56) {
      bits_ |= std::uint64_t{NextByte()} << (56 - count_);
      count_ += 8;
    }
  }
  std::uint8_t NextByte() {
    if (at_ == size_) {
      size_ = stream_.Read(block_);
      at_ = 0;
      if (size_ == 0) {
        if (++pastEnd_ > 8)
          UnexpectedEndOfInput(kScheme);
        return 0;
      }
    }
    return block_[at_++];
  }

  TInputStream& stream_;
  std::array<std::uint8_t, 2048> block_{};
  std::size_t size_ = 0;
  std::size_t at_ = 0;
  int pastEnd_ = 0;
  std::uint64_t bits_ = 0;  // the loaded bits from the high bit
  int count_ = 0;
};

// A Huffman table as a lookup by the next 16 bits: the length of the first entry whose code they
// start with (0 for none) and its value.
struct Code {
  std::uint8_t Length = 0;
  std::int8_t Value = 0;
};
using HuffmanTable = std::vector<Code>;

// False when an entry's code is longer than 16 bits: decoding ends there.
bool ReadTable(BitWindow& bits, HuffmanTable& table) {
  struct Entry {
    int Length;
    std::uint32_t Code;
    std::int8_t Value;
  };
  std::vector<Entry> entries(bits.Take(8) + 1);
  for (Entry& entry : entries) {
    entry.Length = static_cast<int>(bits.Take(8)) + 1;
    entry.Code = bits.Take(16);
    entry.Value = static_cast<std::int8_t>(bits.Take(8));
    if (entry.Length > 16)
      return false;
  }
  // The first matching entry wins, so earlier entries are entered last.
  table.assign(65536, Code{});
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    const int spare = 16 - entry->Length;
    const std::uint32_t first = entry->Code >> spare << spare;
    std::fill(table.begin() + first, table.begin() + first + (std::uint32_t{1} << spare),
              Code{static_cast<std::uint8_t>(entry->Length), entry->Value});
  }
  return true;
}

void Synchronise(BitWindow& bits) {
  while ((bits.Window() & 0xFFFFFFu) != 0xFFF000u)
    bits.Skip(8);
  while ((bits.Window() & 0xFFFFFF00u) != 0xFFFFFE00u)
    bits.Skip(1);
  bits.Skip(24);
}

}  // namespace

void TPCDDecoder::Decode(const TPCDPlanes& planes, std::uint32_t width, std::uint32_t height) {
  const std::size_t chromaRows = (std::size_t{height} + 1) / 2;
  if (planes.Luma.size() < std::size_t{width} * height || planes.Chroma1.size() < std::size_t{width} * chromaRows ||
      planes.Chroma2.size() < std::size_t{width} * chromaRows)
    throw std::invalid_argument("Photo-CD planes smaller than the image");
  BitWindow bits(stream_);
  std::array<HuffmanTable, 3> tables;
  const std::size_t tableCount = width <= 1536 ? 1 : 3;
  for (std::size_t t = 0; t < tableCount; ++t) {
    if (!ReadTable(bits, tables[t]))
      return;
  }
  for (;;) {
    Synchronise(bits);
    const std::uint32_t header = bits.Window();
    bits.Skip(24);
    const std::uint32_t plane = header >> 30;
    const std::uint32_t row = (header >> 9) & 0x1FFFu;
    if (row == height)
      return;
    if (row > height)
      CompressionError("Photo-CD decompression error. A row number lies beyond the image.");
    if (plane == 1)
      CompressionError("Photo-CD decompression error. The data names plane 1, which the format does not have.");
    std::span<std::uint8_t> samples;
    const HuffmanTable* table = &tables[0];
    if (plane == 0) {
      samples = planes.Luma.subspan(std::size_t{row} * width, width);
    } else {
      samples = (plane == 2 ? planes.Chroma1 : planes.Chroma2).subspan(std::size_t{row / 2} * width, width / 2);
      if (tableCount == 3)
        table = &tables[plane - 1];
    }
    for (std::uint8_t& sample : samples) {
      const Code code = (*table)[bits.Window() >> 16];
      if (code.Length == 0)
        break;
      sample = static_cast<std::uint8_t>(std::clamp(sample + code.Value, 0, 255));
      bits.Skip(code.Length);
    }
  }
}

}  // namespace vrel
