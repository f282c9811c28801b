// What the decoder tests share: the first image of a TIFF file as ParseTiff reads it (the raw strips of
// files libtiff's tools wrote, and the uncompressed output of tiffcp and tiff2rgba, libtiff's own
// decode), and the sweep over cut-off and damaged inputs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/RasterDecoders.h"
#include "tests/imaging/ImageOracle.h"
#include "tests/imaging/TiffWriter.h"

namespace vrel::oracle {

using Bytes = std::vector<std::uint8_t>;

// The first image of a TIFF file, as far as the decoder tests need it.
struct TiffImage {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint32_t BitsPerSample = 1;
  std::uint32_t SamplesPerPixel = 1;
  std::uint32_t Compression = 1;
  std::uint32_t Photometric = 0;
  std::uint32_t FillOrder = 1;
  std::uint32_t T4Options = 0;
  std::uint32_t PlanarConfig = 1;
  std::uint32_t RowsPerStrip = 0;
  std::uint32_t TileWidth = 0;
  std::uint32_t TileLength = 0;
  std::vector<std::uint32_t> YCbCrSubSampling;
  Bytes JPEGTables;
  std::vector<Bytes> Strips;  // strips or tiles in file order

  // The strips one after another.
  Bytes Joined() const {
    Bytes all;
    for (const Bytes& strip : Strips)
      all.insert(all.end(), strip.begin(), strip.end());
    return all;
  }
};

inline TiffImage ReadTiff(const Bytes& file) {
  const TiffWriter parsed = ParseTiff(file);
  const auto values = [&](std::uint16_t tag) {
    const auto field =
        std::find_if(parsed.Fields.begin(), parsed.Fields.end(), [&](const TiffField& f) { return f.Tag == tag; });
    return field == parsed.Fields.end() ? std::vector<std::uint32_t>{} : field->Values;
  };
  const auto first = [&](std::uint16_t tag, std::uint32_t otherwise) {
    const std::vector<std::uint32_t> all = values(tag);
    return all.empty() ? otherwise : all[0];
  };
  TiffImage image{.Width = first(256, 0),
                  .Height = first(257, 0),
                  .BitsPerSample = first(258, 1),
                  .SamplesPerPixel = first(277, 1),
                  .Compression = first(259, 1),
                  .Photometric = first(262, 0),
                  .FillOrder = first(266, 1),
                  .T4Options = first(292, 0),
                  .PlanarConfig = first(284, 1),
                  .RowsPerStrip = first(278, 0),
                  .TileWidth = first(322, 0),
                  .TileLength = first(323, 0),
                  .YCbCrSubSampling = values(530),
                  .JPEGTables = {},
                  .Strips = parsed.Pieces};
  for (const std::uint32_t byte : values(347))
    image.JPEGTables.push_back(static_cast<std::uint8_t>(byte));
  if (image.RowsPerStrip == 0)
    image.RowsPerStrip = image.Height;
  return image;
}

// Runs a tool's command line in `folder`; a failure fails the test with the tool's message.
inline void RunOrFail(const TempFolder& folder, const std::string& command) {
  EXPECT_TRUE(RunTool(folder, command)) << command << ": " << ReadFile(folder.path / "oracle-error.txt");
}

inline TiffImage ReadTiff(const TempFolder& folder, const std::string& name) {
  return ReadTiff(ReadBytes(folder.path / name));
}

// Bits from each byte's high bit, for the codes the tests write themselves.
struct BitWriter {
  Bytes Out;
  std::size_t Bits = 0;

  // A code written as text of '0' and '1'.
  void Put(std::string_view code) {
    for (const char bit : code)
      Put(bit == '1' ? 1u : 0u, 1);
  }
  // The low `count` bits of `value`, its highest first.
  void Put(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (Bits % 8 == 0)
        Out.push_back(0);
      if ((value >> i) & 1u)
        Out.back() |= static_cast<std::uint8_t>(0x80u >> (Bits % 8));
      ++Bits;
    }
  }
  // 0 bits up to the next multiple of `bits`.
  void Align(std::size_t bits) {
    while (Bits % bits != 0)
      Put(0, 1);
  }
};

// Greedy: three or more equal bytes become a run, the rest literal packets of at most `longest`.
template <class Literal, class Repeat>
Bytes EncodeRuns(const Bytes& data, std::size_t longest, Literal literal, Repeat repeat) {
  Bytes out;
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t run = 1;
    while (i + run < data.size() && run < longest && data[i + run] == data[i])
      ++run;
    if (run >= 3) {
      repeat(out, data[i], run);
      i += run;
      continue;
    }
    std::size_t end = i;
    while (end < data.size() && end - i < longest &&
           !(end + 2 < data.size() && data[end] == data[end + 1] && data[end] == data[end + 2]))
      ++end;
    literal(out, std::span(data).subspan(i, end - i));
    i = end;
  }
  return out;
}

// One CUT row: its byte count, packets of at most 127 bytes (a run: 128 + count, then the byte; a copy:
// the count, then the bytes) and the end byte 0.
inline Bytes EncodeCutRow(const Bytes& row) {
  Bytes packets = EncodeRuns(
      row, 127,
      [](Bytes& out, std::span<const std::uint8_t> bytes) {
        out.push_back(static_cast<std::uint8_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
      },
      [](Bytes& out, std::uint8_t value, std::size_t count) {
        out.push_back(static_cast<std::uint8_t>(128 | count));
        out.push_back(value);
      });
  packets.push_back(0);
  Bytes line{static_cast<std::uint8_t>(packets.size()), static_cast<std::uint8_t>(packets.size() >> 8)};
  line.insert(line.end(), packets.begin(), packets.end());
  return line;
}

// Paint Shop Pro packets: a copy is its count and the bytes, a run 128 + its count and the byte.
inline Bytes EncodePsp(const Bytes& data) {
  return EncodeRuns(
      data, 127,
      [](Bytes& out, std::span<const std::uint8_t> bytes) {
        out.push_back(static_cast<std::uint8_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
      },
      [](Bytes& out, std::uint8_t value, std::size_t count) {
        out.push_back(static_cast<std::uint8_t>(128 + count));
        out.push_back(value);
      });
}

// RLA packets: a copy is minus its count and the bytes, a run its count - 1 and the byte.
inline Bytes EncodeRla(const Bytes& data) {
  return EncodeRuns(
      data, 128,
      [](Bytes& out, std::span<const std::uint8_t> bytes) {
        out.push_back(static_cast<std::uint8_t>(-static_cast<int>(bytes.size())));
        out.insert(out.end(), bytes.begin(), bytes.end());
      },
      [](Bytes& out, std::uint8_t value, std::size_t count) {
        out.push_back(static_cast<std::uint8_t>(count - 1));
        out.push_back(value);
      });
}

// A decoder made afresh for each input of a sweep.
using DecoderFactory = std::function<std::unique_ptr<TDecoder>()>;

// Decodes `source` into a target of `targetSize` bytes, both in buffers of exactly their size (so
// that AddressSanitizer sees a read or write past either); the decoded bytes, or nothing when the
// decoder raised its own error. Any other exception fails the test.
inline std::optional<Bytes> DecodeExactly(TDecoder& decoder, std::span<const std::uint8_t> source,
                                          std::size_t targetSize) {
  const auto input = std::make_unique<std::uint8_t[]>(source.size());
  std::copy(source.begin(), source.end(), input.get());
  const auto output = std::make_unique<std::uint8_t[]>(targetSize);
  try {
    const TDecodeResult result =
        decoder.Decode(std::span(input.get(), source.size()), std::span(output.get(), targetSize));
    EXPECT_LE(result.Consumed, source.size());
    EXPECT_LE(result.Produced, targetSize);
    return Bytes(output.get(), output.get() + result.Produced);
  } catch (const EDecodeError&) {
  } catch (const EInvalidGraphic&) {
  }
  return std::nullopt;
}

// A copy of `bytes` with one to four of them changed (set at random or one bit flipped).
inline Bytes Damaged(const Bytes& bytes, std::mt19937& random) {
  Bytes damaged = bytes;
  const int changes = 1 + static_cast<int>(random() % 4);
  for (int c = 0; c < changes && !damaged.empty(); ++c) {
    std::uint8_t& byte = damaged[random() % damaged.size()];
    byte =
        random() % 2 ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(byte ^ (1u << (random() % 8)));
  }
  return damaged;
}

// Every prefix of `source` either raises the decoder's error or decodes to `expected` (a cut-off piece
// never passes for a different image); then 200 seeded mutations of it, each changing one to four
// bytes, decode or raise without a crash, a hang or an access outside their buffers.
inline void SweepDamagedInputs(const DecoderFactory& make, const Bytes& source, std::size_t targetSize,
                               const Bytes& expected, std::uint32_t seed = 21) {
  const std::unique_ptr<TDecoder> decoder = make();
  decoder->DecodeInit();
  for (std::size_t size = 0; size < source.size(); ++size) {
    const auto decoded = DecodeExactly(*decoder, std::span(source).first(size), targetSize);
    if (decoded) {
      ASSERT_EQ(*decoded, expected) << "a prefix of " << size << " of " << source.size() << " bytes";
    }
  }
  std::mt19937 random(seed);
  for (int round = 0; round < 200; ++round)
    DecodeExactly(*decoder, Damaged(source, random), targetSize);
  decoder->DecodeEnd();
}

// Decodes the whole source into exactly `targetSize` bytes; fails the test when the decoder raises.
inline Bytes DecodeAll(TDecoder& decoder, const Bytes& source, std::size_t targetSize) {
  Bytes target(targetSize);
  const TDecodeResult result = decoder.Decode(source, target);
  target.resize(result.Produced);
  return target;
}

}  // namespace vrel::oracle
