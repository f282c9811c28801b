// Encoders the tests write themselves for the schemes no tool here writes: modified Huffman rows
// (ITU-T T.4 run codes without end-of-line codes) and ThunderScan 4-bit rows, and TIFF files of them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/imaging/DecoderOracle.h"

namespace vrel::oracle {

// ---- Modified Huffman ----------------------------------------------------------------------------

// The T.4 codes of the runs the test pictures use: 0 to 10, and the make-up codes 64 and 128.
inline const std::map<int, std::string> kWhite = {
    {0, "00110101"}, {1, "000111"}, {2, "0111"},  {3, "1000"},   {4, "1011"},   {5, "1100"},   {6, "1110"},
    {7, "1111"},     {8, "10011"},  {9, "10100"}, {10, "00111"}, {64, "11011"}, {128, "10010"}};
inline const std::map<int, std::string> kBlack = {
    {0, "0000110111"},    {1, "010"},   {2, "11"},     {3, "10"},     {4, "011"},      {5, "0011"},
    {6, "0010"},          {7, "00011"}, {8, "000101"}, {9, "000100"}, {10, "0000100"}, {64, "0000001111"},
    {128, "000011001000"}};

inline void PutRun(BitWriter& writer, int length, bool white) {
  const auto& codes = white ? kWhite : kBlack;
  for (const int makeUp : {128, 64}) {
    if (length >= makeUp && length - makeUp <= 10) {
      writer.Put(codes.at(makeUp));
      length -= makeUp;
    }
  }
  writer.Put(codes.at(length));
}

// Rows of runs from the lengths above, random from a seed; a row's runs fill its width exactly.
inline std::vector<std::vector<int>> RandomRows(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  const int lengths[] = {0, 1, 2, 3, 5, 7, 9, 10, 64, 66, 71, 128, 130, 138};
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < height; ++y) {
    std::vector<int> runs;
    int left = width;
    while (left > 0) {
      int length = lengths[random() % std::size(lengths)];
      if (length > left || (length == 0 && !runs.empty()))
        length = std::min(left, 10);
      runs.push_back(length);
      left -= length;
    }
    rows.push_back(runs);
  }
  return rows;
}

inline Bytes EncodeModifiedHuffman(const std::vector<std::vector<int>>& rows, std::size_t alignment) {
  BitWriter writer;
  for (const auto& runs : rows) {
    bool white = true;
    for (const int length : runs) {
      PutRun(writer, length, white);
      white = !white;
    }
    writer.Align(alignment);
  }
  return writer.Out;
}

// ---- ThunderScan ---------------------------------------------------------------------------------

// Each row from last pixel 0: runs of the last pixel, three 2-bit deltas (-1..1), two 3-bit deltas
// (-3..3) or a raw pixel, whichever takes the most pixels.
inline Bytes EncodeThunderRow(const std::vector<int>& pixels) {
  Bytes out;
  int last = 0;
  std::size_t i = 0;
  const auto fits = [&](std::size_t count, int limit) {
    int previous = last;
    for (std::size_t k = 0; k < count; ++k) {
      if (i + k >= pixels.size() || std::abs(pixels[i + k] - previous) > limit)
        return false;
      previous = pixels[i + k];
    }
    return true;
  };
  while (i < pixels.size()) {
    std::size_t run = 0;
    while (i + run < pixels.size() && run < 63 && pixels[i + run] == last)
      ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(run));
      i += run;
    } else if (fits(3, 1)) {
      std::uint8_t code = 0x40;
      for (const int shift : {4, 2, 0}) {
        const int delta = pixels[i] - last;
        code |= static_cast<std::uint8_t>((delta < 0 ? 3 : delta) << shift);
        last = pixels[i++];
      }
      out.push_back(code);
    } else if (fits(2, 3)) {
      std::uint8_t code = 0x80;
      for (const int shift : {3, 0}) {
        const int delta = pixels[i] - last;
        code |= static_cast<std::uint8_t>((delta < 0 ? 8 + delta : delta) << shift);
        last = pixels[i++];
      }
      out.push_back(code);
    } else {
      last = pixels[i++];
      out.push_back(static_cast<std::uint8_t>(0xC0 | last));
    }
  }
  return out;
}

// Smooth ramps, flat stretches and noise, 37 pixels wide so that each row ends in half a byte.
inline std::vector<std::vector<int>> ThunderPicture() {
  std::mt19937 random(7);
  std::vector<std::vector<int>> rows;
  for (int y = 0; y < 9; ++y) {
    std::vector<int> row;
    for (int x = 0; x < 37; ++x)
      row.push_back(x < 12 ? (x + y) / 2 % 16 : x < 25 ? y : static_cast<int>(random() % 16));
    rows.push_back(row);
  }
  return rows;
}

// ---- Files of them -------------------------------------------------------------------------------

// The pieces of a writer with the bits of every byte reversed, and FillOrder 2 saying so.
inline void ReverseFillOrder(TiffWriter& writer) {
  writer.Set(266, kShort, {2});
  for (Bytes& piece : writer.Pieces)
    ReverseBitOrder(piece);
}

// A bilevel TIFF of modified Huffman rows in strips of `rowsPerStrip` rows: compression 2 starts each
// row on a byte, 32771 on a 16-bit word of its strip.
inline Bytes ModifiedHuffmanTiff(std::uint32_t width, const std::vector<std::vector<int>>& rows,
                                 std::uint32_t compression, std::uint32_t rowsPerStrip, bool reversed = false) {
  TiffWriter writer =
      TiffWriter::Image(width, static_cast<std::uint32_t>(rows.size()), {1}, compression, 0, rowsPerStrip);
  for (std::size_t top = 0; top < rows.size(); top += rowsPerStrip) {
    const auto first = rows.begin() + static_cast<std::ptrdiff_t>(top);
    const auto end = rows.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(rows.size(), top + rowsPerStrip));
    writer.Pieces.push_back(EncodeModifiedHuffman({first, end}, compression == 2 ? 8 : 16));
  }
  if (reversed)
    ReverseFillOrder(writer);
  return writer.Write();
}

// A 4-bit grey TIFF of ThunderScan rows in strips of `rowsPerStrip` rows.
inline Bytes ThunderTiff(const std::vector<std::vector<int>>& rows, std::uint32_t rowsPerStrip, bool reversed = false) {
  TiffWriter writer = TiffWriter::Image(static_cast<std::uint32_t>(rows.at(0).size()),
                                        static_cast<std::uint32_t>(rows.size()), {4}, 32809, 1, rowsPerStrip);
  for (std::size_t top = 0; top < rows.size(); top += rowsPerStrip) {
    Bytes strip;
    for (std::size_t y = top; y < std::min<std::size_t>(rows.size(), top + rowsPerStrip); ++y) {
      const Bytes codes = EncodeThunderRow(rows[y]);
      strip.insert(strip.end(), codes.begin(), codes.end());
    }
    writer.Pieces.push_back(strip);
  }
  if (reversed)
    ReverseFillOrder(writer);
  return writer.Write();
}

}  // namespace vrel::oracle
