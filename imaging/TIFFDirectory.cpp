#include "imaging/TIFFDirectory.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/RasterFormats.h"

namespace vrel {

namespace {

constexpr std::size_t kEntrySize = 12;

enum TFieldType : std::uint16_t {
  ftByte = 1,
  ftAscii = 2,
  ftShort = 3,
  ftLong = 4,
  ftRational = 5,
  ftSByte = 6,
  ftUndefined = 7,
  ftSShort = 8,
  ftSLong = 9,
  ftSRational = 10,
  ftFloat = 11,
  ftDouble = 12,
  ftIfd = 13,
};

[[noreturn]] void Unusable() {
  RasterFormatError(kInvalidFormatMessage, {"TIF/TIFF"});
}

// Whether `bytes` bytes at `at` lie inside the stream.
bool Inside(const TInputStream& stream, std::uint64_t at, std::uint64_t bytes) {
  return at <= stream.Size() && bytes <= stream.Size() - at;
}

}  // namespace

unsigned TTIFFDirectory::TypeSize(std::uint16_t type) {
  switch (type) {
    case ftByte:
    case ftAscii:
    case ftSByte:
    case ftUndefined:
      return 1;
    case ftShort:
    case ftSShort:
      return 2;
    case ftLong:
    case ftSLong:
    case ftFloat:
    case ftIfd:
      return 4;
    case ftRational:
    case ftSRational:
    case ftDouble:
      return 8;
    default:
      return 0;
  }
}

std::uint32_t TTIFFDirectory::U16(const std::uint8_t* p) const {
  return bigEndian_ ? std::uint32_t{p[0]} << 8 | p[1] : std::uint32_t{p[1]} << 8 | p[0];
}

std::uint32_t TTIFFDirectory::U32(const std::uint8_t* p) const {
  return bigEndian_ ? U16(p) << 16 | U16(p + 2) : U16(p + 2) << 16 | U16(p);
}

std::optional<TTIFFDirectory> TTIFFDirectory::Read(TInputStream& stream, std::uint64_t base, bool bigEndian,
                                                   std::uint32_t firstOffset, std::uint32_t imageIndex) {
  TTIFFDirectory directory;
  directory.base_ = base;
  directory.bigEndian_ = bigEndian;
  std::uint64_t at = base + firstOffset;
  std::uint8_t two[2], four[4];
  std::uint32_t count = 0;
  for (;;) {
    if (!Inside(stream, at, 2))
      return std::nullopt;
    stream.SetPosition(at);
    stream.ReadBuffer(two);
    count = directory.U16(two);
    if (imageIndex == 0)
      break;
    --imageIndex;
    const std::uint64_t next = at + 2 + std::uint64_t{count} * kEntrySize;
    if (!Inside(stream, next, 4))
      return std::nullopt;
    stream.SetPosition(next);
    stream.ReadBuffer(four);
    const std::uint32_t offset = directory.U32(four);
    if (offset == 0)
      return std::nullopt;
    at = base + offset;
  }
  const std::uint64_t bytes = std::uint64_t{count} * kEntrySize;
  if (!Inside(stream, at + 2, bytes))
    return std::nullopt;
  std::vector<std::uint8_t> table(static_cast<std::size_t>(bytes));
  stream.ReadBuffer(table);
  directory.entries_.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* p = table.data() + std::size_t{i} * kEntrySize;
    TTIFFEntry& entry = directory.entries_[i];
    entry.Tag = static_cast<std::uint16_t>(directory.U16(p));
    entry.Type = static_cast<std::uint16_t>(directory.U16(p + 2));
    entry.Count = directory.U32(p + 4);
    std::memcpy(entry.Value.data(), p + 8, 4);
  }
  std::stable_sort(directory.entries_.begin(), directory.entries_.end(),
                   [](const TTIFFEntry& a, const TTIFFEntry& b) { return a.Tag < b.Tag; });
  return directory;
}

const TTIFFEntry* TTIFFDirectory::Find(std::uint16_t tag) const {
  const auto found = std::lower_bound(entries_.begin(), entries_.end(), tag,
                                      [](const TTIFFEntry& entry, std::uint16_t t) { return entry.Tag < t; });
  return found != entries_.end() && found->Tag == tag ? &*found : nullptr;
}

std::vector<std::uint8_t> TTIFFDirectory::Raw(TInputStream& stream, const TTIFFEntry& entry) const {
  const std::uint64_t bytes = std::uint64_t{entry.Count} * TypeSize(entry.Type);
  if (bytes <= 4)
    return std::vector<std::uint8_t>(entry.Value.begin(), entry.Value.begin() + static_cast<std::ptrdiff_t>(bytes));
  const std::uint64_t at = base_ + U32(entry.Value.data());
  if (!Inside(stream, at, bytes))
    Unusable();
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(bytes));
  stream.SetPosition(at);
  stream.ReadBuffer(raw);
  return raw;
}

std::uint32_t TTIFFDirectory::Element(const std::uint8_t* p, std::uint16_t type) const {
  switch (type) {
    case ftShort:
    case ftSShort:
      return U16(p);
    case ftLong:
    case ftSLong:
    case ftIfd:
      return U32(p);
    case ftRational:
    case ftSRational: {
      const std::uint32_t denominator = U32(p + 4);
      return denominator == 0 ? 0 : U32(p) / denominator;
    }
    case ftFloat:
    case ftDouble:
      return 0;
    default:
      return *p;
  }
}

std::vector<std::uint32_t> TTIFFDirectory::List(TInputStream& stream, std::uint16_t tag) const {
  const TTIFFEntry* entry = Find(tag);
  if (!entry || TypeSize(entry->Type) == 0)
    return {};
  const std::vector<std::uint8_t> raw = Raw(stream, *entry);
  const unsigned size = TypeSize(entry->Type);
  std::vector<std::uint32_t> values(entry->Count);
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = Element(raw.data() + i * size, entry->Type);
  return values;
}

std::uint32_t TTIFFDirectory::Value(TInputStream& stream, std::uint16_t tag, std::uint32_t fallback) const {
  const TTIFFEntry* entry = Find(tag);
  if (!entry || entry->Count == 0 || TypeSize(entry->Type) == 0 || entry->Type == ftFloat || entry->Type == ftDouble)
    return fallback;
  const unsigned size = TypeSize(entry->Type);
  if (std::uint64_t{entry->Count} * size <= 4)
    return Element(entry->Value.data(), entry->Type);
  // Only the first value is wanted: a long list is not read for it.
  const std::uint64_t at = base_ + U32(entry->Value.data());
  if (!Inside(stream, at, size))
    Unusable();
  std::array<std::uint8_t, 8> first{};
  stream.SetPosition(at);
  stream.ReadBuffer(std::span(first).first(size));
  return Element(first.data(), entry->Type);
}

std::vector<double> TTIFFDirectory::FloatList(TInputStream& stream, std::uint16_t tag, double fallback) const {
  const TTIFFEntry* entry = Find(tag);
  if (!entry || TypeSize(entry->Type) == 0)
    return {};
  const unsigned size = TypeSize(entry->Type);
  const std::vector<std::uint8_t> raw = Raw(stream, *entry);
  std::vector<double> values(entry->Count);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::uint8_t* p = raw.data() + i * size;
    switch (entry->Type) {
      case ftRational:
      case ftSRational: {
        const std::uint32_t numerator = U32(p), denominator = U32(p + 4);
        if (denominator == 0)
          values[i] = fallback;
        else if (entry->Type == ftSRational)
          values[i] =
              static_cast<double>(static_cast<std::int32_t>(numerator)) / static_cast<std::int32_t>(denominator);
        else
          values[i] = static_cast<double>(numerator) / denominator;
        break;
      }
      case ftFloat:
        values[i] = std::bit_cast<float>(U32(p));
        break;
      case ftDouble:
        values[i] = std::bit_cast<double>(bigEndian_ ? std::uint64_t{U32(p)} << 32 | U32(p + 4)
                                                     : std::uint64_t{U32(p + 4)} << 32 | U32(p));
        break;
      default:
        values[i] = Element(p, entry->Type);
        break;
    }
  }
  return values;
}

double TTIFFDirectory::Float(TInputStream& stream, std::uint16_t tag, double fallback) const {
  const std::vector<double> values = FloatList(stream, tag, fallback);
  return values.empty() ? fallback : values[0];
}

std::vector<std::uint8_t> TTIFFDirectory::Bytes(TInputStream& stream, std::uint16_t tag) const {
  const TTIFFEntry* entry = Find(tag);
  if (!entry || TypeSize(entry->Type) == 0)
    return {};
  return Raw(stream, *entry);
}

}  // namespace vrel
