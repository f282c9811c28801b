// The tests' own TIFF writer, for what no tool here writes: compressions libtiff only reads, fields
// with unusual values, subsampled YCbCr. One image, fields as given, the pieces (strips or tiles)
// after the header or after the directory, in either byte order; libtiff's tools then read what it
// wrote as the oracle. ParseTiff turns a tool's file into a writer, to change a field or to move the
// directory in front of the pixels (so that cutting the file cuts pixels, not the directory).
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace vrel::oracle {

enum TiffType : std::uint16_t {
  kByte = 1,
  kAscii = 2,
  kShort = 3,
  kLong = 4,
  kRational = 5,  // values in pairs: numerator, denominator
  kUndefined = 7,
};

// Every byte with its bits in the opposite order (FillOrder 2).
inline void ReverseBitOrder(std::span<std::uint8_t> bytes) {
  for (std::uint8_t& b : bytes) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
      r = static_cast<std::uint8_t>(r | ((b >> i) & 1) << (7 - i));
    b = r;
  }
}

struct TiffField {
  std::uint16_t Tag = 0;
  std::uint16_t Type = kShort;
  std::vector<std::uint32_t> Values;
};

struct TiffWriter {
  bool BigEndian = false;
  bool Tiled = false;           // the pieces are tiles: TileOffsets and TileByteCounts
  bool DirectoryFirst = false;  // the directory and its values before the pieces
  std::vector<TiffField> Fields;
  std::vector<std::vector<std::uint8_t>> Pieces;

  // A writer with the fields of an image: its size, the bits of each sample (as many as a pixel has
  // samples), the compression, the photometric interpretation and, unless 0, the rows a strip holds.
  static TiffWriter Image(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> bits,
                          std::uint32_t compression, std::uint32_t photometric, std::uint32_t rowsPerStrip = 0) {
    TiffWriter writer;
    const auto samples = static_cast<std::uint32_t>(bits.size());
    writer.Set(256, kLong, {width})
        .Set(257, kLong, {height})
        .Set(258, kShort, std::move(bits))
        .Set(259, kShort, {compression})
        .Set(262, kShort, {photometric});
    if (samples > 1)
      writer.Set(277, kShort, {samples});
    if (rowsPerStrip != 0)
      writer.Set(278, kLong, {rowsPerStrip});
    return writer;
  }

  // Adds or replaces a field.
  TiffWriter& Set(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    Remove(tag);
    Fields.push_back({tag, type, std::move(values)});
    return *this;
  }
  TiffWriter& Remove(std::uint16_t tag) {
    std::erase_if(Fields, [&](const TiffField& f) { return f.Tag == tag; });
    return *this;
  }

  static unsigned ValueSize(std::uint16_t type) { return type == kShort ? 2 : type == kLong ? 4 : 1; }

  std::vector<std::uint8_t> Write() const {
    std::vector<TiffField> fields = Fields;
    std::erase_if(fields,
                  [](const TiffField& f) { return f.Tag == 273 || f.Tag == 279 || f.Tag == 324 || f.Tag == 325; });
    fields.push_back({static_cast<std::uint16_t>(Tiled ? 324 : 273), kLong, {}});
    fields.push_back({static_cast<std::uint16_t>(Tiled ? 325 : 279), kLong, {}});
    // The pieces' offsets and counts are the writer's to fill in.
    std::stable_sort(fields.begin(), fields.end(),
                     [](const TiffField& a, const TiffField& b) { return a.Tag < b.Tag; });
    const auto bytesOf = [](const TiffField& f) {
      return f.Type == kRational ? f.Values.size() * 4 : f.Values.size() * ValueSize(f.Type);
    };
    const std::uint16_t offsetTag = Tiled ? 324 : 273, countTag = Tiled ? 325 : 279;
    TiffField* offsets = nullptr;
    TiffField* counts = nullptr;
    for (TiffField& f : fields) {
      offsets = f.Tag == offsetTag ? &f : offsets;
      counts = f.Tag == countTag ? &f : counts;
    }
    for (const auto& piece : Pieces)
      counts->Values.push_back(static_cast<std::uint32_t>(piece.size()));
    offsets->Values.assign(Pieces.size(), 0);

    // Sizes first, so that every offset is known before anything is written.
    std::size_t piecesBytes = 0;
    for (const auto& piece : Pieces)
      piecesBytes += piece.size();
    std::size_t valuesBytes = 0;
    for (const TiffField& f : fields)
      valuesBytes += bytesOf(f) > 4 ? (bytesOf(f) + 1) / 2 * 2 : 0;
    const std::size_t directoryBytes = 2 + fields.size() * 12 + 4;
    const std::size_t piecesAt = DirectoryFirst ? 8 + directoryBytes + valuesBytes : 8;
    const std::size_t valuesAt = DirectoryFirst ? 8 + directoryBytes : 8 + (piecesBytes + 1) / 2 * 2;
    const std::size_t directoryAt = DirectoryFirst ? 8 : valuesAt + valuesBytes;
    std::size_t at = piecesAt;
    for (std::size_t i = 0; i < Pieces.size(); ++i) {
      offsets->Values[i] = static_cast<std::uint32_t>(at);
      at += Pieces[i].size();
    }

    std::vector<std::uint8_t> file(std::max(piecesAt + piecesBytes, directoryAt + directoryBytes) + valuesBytes + 2);
    const auto put = [&](std::size_t offset, std::uint32_t value, unsigned bytes) {
      for (unsigned i = 0; i < bytes; ++i)
        file[offset + i] = static_cast<std::uint8_t>(value >> (8 * (BigEndian ? bytes - 1 - i : i)));
    };
    file[0] = file[1] = BigEndian ? 'M' : 'I';
    put(2, 42, 2);
    put(4, static_cast<std::uint32_t>(directoryAt), 4);
    at = piecesAt;
    for (const auto& piece : Pieces) {
      std::copy(piece.begin(), piece.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
      at += piece.size();
    }
    std::size_t values = valuesAt;
    std::size_t entry = directoryAt;
    put(entry, static_cast<std::uint32_t>(fields.size()), 2);
    entry += 2;
    for (const TiffField& f : fields) {
      const unsigned size = f.Type == kRational ? 4 : ValueSize(f.Type);
      put(entry, f.Tag, 2);
      put(entry + 2, f.Type, 2);
      put(entry + 4, static_cast<std::uint32_t>(f.Type == kRational ? f.Values.size() / 2 : f.Values.size()), 4);
      std::size_t to = entry + 8;
      if (bytesOf(f) > 4) {
        put(entry + 8, static_cast<std::uint32_t>(values), 4);
        to = values;
        values += (bytesOf(f) + 1) / 2 * 2;
      }
      for (const std::uint32_t v : f.Values) {
        put(to, v, size);
        to += size;
      }
      entry += 12;
    }
    put(entry, 0, 4);
    file.resize(std::max({piecesAt + piecesBytes, valuesAt + valuesBytes, directoryAt + directoryBytes}));
    return file;
  }
};

// The first image of a TIFF file as a writer: its fields (types 1 to 9; signed ones as unsigned)
// and its pieces.
inline TiffWriter ParseTiff(const std::vector<std::uint8_t>& file) {
  if (file.size() < 8 || (file[0] != 'I' && file[0] != 'M'))
    throw std::runtime_error("not a TIFF file");
  TiffWriter writer;
  writer.BigEndian = file[0] == 'M';
  const auto at = [&](std::size_t offset, unsigned bytes) {
    if (offset + bytes > file.size())
      throw std::runtime_error("TIFF offset outside the file");
    std::uint32_t value = 0;
    for (unsigned i = 0; i < bytes; ++i)
      value |= std::uint32_t{file[offset + i]} << (8 * (writer.BigEndian ? bytes - 1 - i : i));
    return value;
  };
  static constexpr unsigned kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4};
  static constexpr std::uint16_t kUnsigned[] = {0,         kByte, kAscii,     kShort, kLong,
                                                kRational, kByte, kUndefined, kShort, kLong};
  const std::uint32_t directory = at(4, 4);
  std::vector<std::uint32_t> offsets, counts;
  for (std::uint32_t e = 0, n = at(directory, 2); e < n; ++e) {
    const std::size_t entry = directory + 2 + std::size_t{e} * 12;
    TiffField field{static_cast<std::uint16_t>(at(entry, 2)), static_cast<std::uint16_t>(at(entry + 2, 2)), {}};
    const std::uint32_t count = at(entry + 4, 4);
    if (field.Type == 0 || field.Type > 9)
      continue;
    const unsigned size = kSizes[field.Type];
    const std::size_t data = std::size_t{count} * size <= 4 ? entry + 8 : at(entry + 8, 4);
    const unsigned valueSize = field.Type == kRational ? 4 : size;
    for (std::size_t i = 0; i < std::size_t{count} * size / valueSize; ++i)
      field.Values.push_back(at(data + i * valueSize, valueSize));
    field.Type = kUnsigned[field.Type];
    if (field.Tag == 273 || field.Tag == 324)
      offsets = field.Values;
    else if (field.Tag == 279 || field.Tag == 325)
      counts = field.Values;
    else
      writer.Fields.push_back(field);
    writer.Tiled = writer.Tiled || field.Tag == 324;
  }
  for (std::size_t i = 0; i < offsets.size() && i < counts.size(); ++i) {
    if (std::size_t{offsets[i]} + counts[i] > file.size())
      throw std::runtime_error("piece outside the file");
    writer.Pieces.emplace_back(file.begin() + offsets[i], file.begin() + offsets[i] + counts[i]);
  }
  return writer;
}

}  // namespace vrel::oracle
