#include "imaging/CCITTDecoders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace vrel {

namespace {

constexpr const char* kScheme = "CCITT";

// ---- Code tables ---------------------------------------------------------------------------------

// Run codes of ITU-T T.4: terminating codes (runs 0 to 63), make-up codes (64 to 1728) and the
// make-up codes both colours share (1792 to 2560).
struct RunCode {
  std::string_view Bits;
  std::int16_t Run;
};

constexpr RunCode kWhiteCodes[] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},         {"1011", 4},
    {"1100", 5},         {"1110", 6},         {"1111", 7},         {"10011", 8},        {"10100", 9},
    {"00111", 10},       {"01000", 11},       {"001000", 12},      {"000011", 13},      {"110100", 14},
    {"110101", 15},      {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},     {"0101000", 24},
    {"0101011", 25},     {"0010011", 26},     {"0100100", 27},     {"0011000", 28},     {"00000010", 29},
    {"00000011", 30},    {"00011010", 31},    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},
    {"00010100", 35},    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},    {"00101101", 44},
    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},    {"00001011", 48},    {"01010010", 49},
    {"01010011", 50},    {"01010100", 51},    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},
    {"01011000", 55},    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},    {"11011", 64},
    {"10010", 128},      {"010111", 192},     {"0110111", 256},    {"00110110", 320},   {"00110111", 384},
    {"01100100", 448},   {"01100101", 512},   {"01101000", 576},   {"01100111", 640},   {"011001100", 704},
    {"011001101", 768},  {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280}, {"011011010", 1344},
    {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536}, {"010011010", 1600}, {"011000", 1664},
    {"010011011", 1728},
};

constexpr RunCode kBlackCodes[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
    {"0000001111", 64},
    {"000011001000", 128},
    {"000011001001", 192},
    {"000001011011", 256},
    {"000000110011", 320},
    {"000000110100", 384},
    {"000000110101", 448},
    {"0000001101100", 512},
    {"0000001101101", 576},
    {"0000001001010", 640},
    {"0000001001011", 704},
    {"0000001001100", 768},
    {"0000001001101", 832},
    {"0000001110010", 896},
    {"0000001110011", 960},
    {"0000001110100", 1024},
    {"0000001110101", 1088},
    {"0000001110110", 1152},
    {"0000001110111", 1216},
    {"0000001010010", 1280},
    {"0000001010011", 1344},
    {"0000001010100", 1408},
    {"0000001010101", 1472},
    {"0000001011010", 1536},
    {"0000001011011", 1600},
    {"0000001100100", 1664},
    {"0000001100101", 1728},
};

constexpr RunCode kSharedMakeUpCodes[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

constexpr std::string_view kEndOfLine = "000000000001";
constexpr std::int16_t kEndOfLineValue = -1;
constexpr std::int16_t kInvalidValue = -2;

// Modes of two-dimensional coding (T.4 and T.6).
enum class Mode : std::uint8_t { Invalid, Pass, Horizontal, Vertical, Extension, EndOfLine };

struct ModeCode {
  std::string_view Bits;
  Mode Kind;
  std::int8_t Delta;  // a1 - b1 of vertical modes
};

constexpr ModeCode kModeCodes[] = {
    {"1", Mode::Vertical, 0},        {"011", Mode::Vertical, 1},       {"000011", Mode::Vertical, 2},
    {"0000011", Mode::Vertical, 3},  {"010", Mode::Vertical, -1},      {"000010", Mode::Vertical, -2},
    {"0000010", Mode::Vertical, -3}, {"001", Mode::Horizontal, 0},     {"0001", Mode::Pass, 0},
    {"0000001", Mode::Extension, 0}, {kEndOfLine, Mode::EndOfLine, 0},
};

// Each table is indexed by the next kLookupBits bits; every pattern starting with a code holds that
// code's value and length. Patterns that start with no code are invalid and have length 0.
constexpr int kLookupBits = 13;

struct RunEntry {
  std::int16_t Value = kInvalidValue;
  std::uint8_t Length = 0;
};

struct ModeEntry {
  Mode Kind = Mode::Invalid;
  std::int8_t Delta = 0;
  std::uint8_t Length = 0;
};

template <class Entry>
void Enter(std::vector<Entry>& table, std::string_view bits, Entry entry) {
  unsigned prefix = 0;
  for (const char bit : bits)
    prefix = prefix * 2 + (bit == '1');
  const int spare = kLookupBits - static_cast<int>(bits.size());
  entry.Length = static_cast<std::uint8_t>(bits.size());
  for (unsigned i = prefix << spare; i < (prefix + 1) << spare; ++i) {
    if (table[i].Length != 0)
      throw std::logic_error("CCITT code table: two codes share a prefix");
    table[i] = entry;
  }
}

std::vector<RunEntry> RunTable(std::span<const RunCode> ownCodes) {
  std::vector<RunEntry> table(std::size_t{1} << kLookupBits);
  for (const RunCode& code : ownCodes)
    Enter(table, code.Bits, RunEntry{code.Run, 0});
  for (const RunCode& code : kSharedMakeUpCodes)
    Enter(table, code.Bits, RunEntry{code.Run, 0});
  Enter(table, kEndOfLine, RunEntry{kEndOfLineValue, 0});
  return table;
}

struct Tables {
  std::vector<RunEntry> White = RunTable(kWhiteCodes);
  std::vector<RunEntry> Black = RunTable(kBlackCodes);
  std::vector<ModeEntry> Modes = [] {
    std::vector<ModeEntry> table(std::size_t{1} << kLookupBits);
    for (const ModeCode& code : kModeCodes)
      Enter(table, code.Bits, ModeEntry{code.Kind, code.Delta, 0});
    return table;
  }();
};

const Tables& CodeTables() {
  static const Tables tables;
  return tables;
}

// ---- Bits ----------------------------------------------------------------------------------------

// The source bit by bit from each byte's high bit (its low bit when swapped), through a 64-bit
// window. Bits past the end read as 0; Left() says how many real ones remain.
class FaxBits {
 public:
  FaxBits(std::span<const std::uint8_t> data, bool swapped) : data_(data), swapped_(swapped) {}

  std::uint64_t Left() const { return std::uint64_t{data_.size()} * 8 - used_; }
  std::size_t ConsumedBytes() const { return static_cast<std::size_t>((used_ + 7) / 8); }

  // The next n bits (1 to 32) as a number.
  std::uint32_t Peek(int n) {
    if (count_ < n)
      Fill();
    return static_cast<std::uint32_t>(window_ >> (64 - n));
  }
  // Skips n bits (0 to 32), no more than are left.
  void Skip(int n) {
    n = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(n), Left()));
    if (count_ < n)
      Fill();
    window_ = n == 64 ? 0 : window_ << n;
    count_ -= n;
    used_ += static_cast<std::uint64_t>(n);
  }
  // Skips to the next multiple of `bits` bits from the start.
  void AlignTo(int bits) {
    const auto rest = static_cast<int>(used_ % static_cast<std::uint64_t>(bits));
    if (rest != 0)
      Skip(bits - rest);
  }

 private:
  void Fill() {
    while (count_ <= 56 && next_ < data_.size()) {
      const std::uint8_t byte = swapped_ ? ReversedBits(data_[next_]) : data_[next_];
      window_ |= std::uint64_t{byte} << (56 - count_);
      count_ += 8;
      ++next_;
    }
  }

  std::span<const std::uint8_t> data_;
  bool swapped_;
  std::uint64_t window_ = 0;  // the next bits from its high bit
  int count_ = 0;             // bits in the window
  std::size_t next_ = 0;      // the next byte to load
  std::uint64_t used_ = 0;
};

// Skips to just after the next end-of-line code: eleven 0 bits (or more, the fill), then a 1.
bool SyncOnEndOfLine(FaxBits& bits) {
  int zeros = 0;
  while (zeros < 11) {
    if (bits.Left() == 0)
      return false;
    zeros = bits.Peek(1) ? 0 : zeros + 1;
    bits.Skip(1);
  }
  for (;;) {
    if (bits.Left() == 0)
      return false;
    const bool one = bits.Peek(1) != 0;
    bits.Skip(1);
    if (one)
      return true;
  }
}

// ---- Rows ----------------------------------------------------------------------------------------

// How a row's decoding stopped.
enum class RowEnd { Complete, EndOfLine, Invalid, OutOfData };

// Sets the bits of pixels [from, to) of a row.
void SetBlack(std::span<std::uint8_t> row, std::uint32_t from, std::uint32_t to) {
  if (from >= to)
    return;
  const std::size_t first = from >> 3;
  const std::size_t last = (to - 1) >> 3;
  const auto head = static_cast<std::uint8_t>(0xFFu >> (from & 7));
  const auto tail = static_cast<std::uint8_t>(0xFFu << (7 - ((to - 1) & 7)));
  if (first == last) {
    row[first] |= head & tail;
    return;
  }
  row[first] |= head;
  std::memset(row.data() + first + 1, 0xFF, last - first - 1);
  row[last] |= tail;
}

// Records that the colour changes at `position`; a change at the same place as the last one undoes it
// (a run of length 0 between them).
void AddChange(std::vector<std::uint32_t>& changes, std::uint32_t position, std::uint32_t width) {
  if (position >= width)
    return;
  if (!changes.empty() && changes.back() == position)
    changes.pop_back();
  else
    changes.push_back(position);
}

// Bits that start no code: damage, unless they run into the end of the data (which reads as zeros and
// may have cut a code short).
RowEnd Unknown(const FaxBits& bits) {
  return bits.Left() < static_cast<std::uint64_t>(kLookupBits) ? RowEnd::OutOfData : RowEnd::Invalid;
}

struct Run {
  RowEnd End = RowEnd::Complete;
  std::uint32_t Length = 0;
};

// One run: make-up codes, then a terminating code.
Run ReadRun(FaxBits& bits, const std::vector<RunEntry>& table) {
  std::uint64_t length = 0;
  for (;;) {
    if (bits.Left() == 0)
      return {RowEnd::OutOfData};
    const RunEntry entry = table[bits.Peek(kLookupBits)];
    if (entry.Length > bits.Left())
      return {RowEnd::OutOfData};
    if (entry.Value == kInvalidValue)
      return {Unknown(bits)};
    bits.Skip(entry.Length);
    if (entry.Value == kEndOfLineValue)
      return {RowEnd::EndOfLine};
    length = std::min<std::uint64_t>(length + static_cast<std::uint64_t>(entry.Value), UINT32_MAX);
    if (entry.Value < 64)
      return {RowEnd::Complete, static_cast<std::uint32_t>(length)};
  }
}

// A row stopped early is white from where it stopped: a change that begins a black run not yet
// written is taken back, so the row's changes say what its pixels show.
RowEnd Stop(RowEnd end, std::vector<std::uint32_t>& changes) {
  if (changes.size() % 2 == 1)
    changes.pop_back();
  return end;
}

// A row coded alone: alternately white and black runs, from white. A run past the row's end is cut
// there.
RowEnd DecodeOneDimensional(FaxBits& bits, std::span<std::uint8_t> row, std::uint32_t width,
                            std::vector<std::uint32_t>& changes) {
  const Tables& tables = CodeTables();
  changes.clear();
  std::uint32_t position = 0;
  bool white = true;
  while (position < width) {
    const Run run = ReadRun(bits, white ? tables.White : tables.Black);
    if (run.End != RowEnd::Complete)
      return Stop(run.End, changes);
    const std::uint32_t end = position + std::min(run.Length, width - position);
    if (!white)
      SetBlack(row, position, end);
    AddChange(changes, end, width);
    position = end;
    white = !white;
  }
  return RowEnd::Complete;
}

// A row coded against the one above (`reference`: its changes, then at least three times the width).
// a0 is the last position coded, -1 before the row; b1 the first change of the row above right of a0
// to the colour opposite a0's, b2 the change after it.
RowEnd DecodeTwoDimensional(FaxBits& bits, std::span<std::uint8_t> row, std::uint32_t width,
                            const std::vector<std::uint32_t>& reference, std::vector<std::uint32_t>& changes) {
  const Tables& tables = CodeTables();
  changes.clear();
  std::int64_t a0 = -1;
  bool white = true;
  std::size_t b = 0;
  while (a0 < width) {
    if (bits.Left() == 0)
      return Stop(RowEnd::OutOfData, changes);
    const ModeEntry mode = tables.Modes[bits.Peek(kLookupBits)];
    if (mode.Length > bits.Left())
      return Stop(RowEnd::OutOfData, changes);
    if (mode.Kind == Mode::Invalid)
      return Stop(Unknown(bits), changes);
    bits.Skip(mode.Length);
    if (mode.Kind == Mode::EndOfLine)
      return Stop(RowEnd::EndOfLine, changes);
    if (mode.Kind == Mode::Extension)
      CompressionError("CCITT decompression error. Uncompressed mode is not supported.");
    // b1 never lies more than one change left of the last one: changes further left are at or
    // before a0.
    b = b > 0 ? b - 1 : 0;
    while (reference[b] <= a0 || (b % 2 == 0) != white)
      ++b;
    const std::uint32_t b1 = reference[b];
    const std::uint32_t b2 = reference[b + 1];
    const auto start = static_cast<std::uint32_t>(std::max<std::int64_t>(a0, 0));
    switch (mode.Kind) {
      case Mode::Pass:
        if (!white)
          SetBlack(row, start, b2);
        a0 = b2;
        break;
      case Mode::Horizontal: {
        const Run first = ReadRun(bits, white ? tables.White : tables.Black);
        if (first.End != RowEnd::Complete)
          return Stop(first.End, changes);
        const Run second = ReadRun(bits, white ? tables.Black : tables.White);
        if (second.End != RowEnd::Complete)
          return Stop(second.End, changes);
        const std::uint64_t a1 = std::uint64_t{start} + first.Length;
        const std::uint64_t a2 = a1 + second.Length;
        if (a2 > width)
          return Stop(RowEnd::Invalid, changes);
        SetBlack(row, white ? static_cast<std::uint32_t>(a1) : start, static_cast<std::uint32_t>(white ? a2 : a1));
        AddChange(changes, static_cast<std::uint32_t>(a1), width);
        AddChange(changes, static_cast<std::uint32_t>(a2), width);
        a0 = static_cast<std::int64_t>(a2);
        break;
      }
      default: {
        const std::int64_t a1 = std::int64_t{b1} + mode.Delta;
        if (a1 < start || a1 > width)
          return Stop(RowEnd::Invalid, changes);
        if (!white)
          SetBlack(row, start, static_cast<std::uint32_t>(a1));
        AddChange(changes, static_cast<std::uint32_t>(a1), width);
        a0 = a1;
        white = !white;
        break;
      }
    }
  }
  return RowEnd::Complete;
}

// The changes as a reference row: three sentinels at the width, so that b1 and b2 always exist.
void MakeReference(std::vector<std::uint32_t>& changes, std::uint32_t width) {
  changes.insert(changes.end(), 3, width);
}

[[noreturn]] void InvalidCode() {
  CompressionError("CCITT decompression error. Invalid code.");
}

}  // namespace

TCCITTDecoder::TCCITTDecoder(std::uint32_t options, bool swapBits, std::uint32_t width, bool wordAligned)
    : options_(options), swapBits_(swapBits), width_(width), wordAligned_(wordAligned) {
  CodeTables();
}

std::size_t TCCITTDecoder::ClearRows(std::span<std::uint8_t> target) const {
  std::fill(target.begin(), target.end(), std::uint8_t{0});
  return RowBytes() == 0 ? 0 : target.size() / RowBytes();
}

TDecodeResult TCCITTFax3Decoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  const std::size_t rowBytes = RowBytes();
  const std::size_t rows = ClearRows(target);
  const bool twoDimensional = (options_ & kT4TwoDimensional) != 0;
  FaxBits bits(source, swapBits_);
  reference_.clear();
  MakeReference(reference_, width_);
  bool synchronised = false;  // the last row ended with an end-of-line code
  for (std::size_t y = 0; y < rows; ++y) {
    if (!synchronised && !SyncOnEndOfLine(bits))
      UnexpectedEndOfInput(kScheme);
    bool coupled = false;
    if (twoDimensional) {
      if (bits.Left() == 0)
        UnexpectedEndOfInput(kScheme);
      coupled = bits.Peek(1) == 0;
      bits.Skip(1);
    }
    const auto row = target.subspan(y * rowBytes, rowBytes);
    const RowEnd end = coupled ? DecodeTwoDimensional(bits, row, width_, reference_, current_)
                               : DecodeOneDimensional(bits, row, width_, current_);
    if (end == RowEnd::OutOfData)
      UnexpectedEndOfInput(kScheme);
    synchronised = end == RowEnd::EndOfLine;
    std::swap(reference_, current_);
    MakeReference(reference_, width_);
  }
  return {bits.ConsumedBytes(), rows * rowBytes};
}

TDecodeResult TCCITTMHDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  const std::size_t rowBytes = RowBytes();
  const std::size_t rows = ClearRows(target);
  FaxBits bits(source, swapBits_);
  for (std::size_t y = 0; y < rows; ++y) {
    switch (DecodeOneDimensional(bits, target.subspan(y * rowBytes, rowBytes), width_, current_)) {
      case RowEnd::Complete:
        break;
      case RowEnd::OutOfData:
        UnexpectedEndOfInput(kScheme);
      default:
        InvalidCode();
    }
    bits.AlignTo(wordAligned_ ? 16 : 8);
  }
  return {bits.ConsumedBytes(), rows * rowBytes};
}

TDecodeResult TCCITTFax4Decoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  const std::size_t rowBytes = RowBytes();
  const std::size_t rows = ClearRows(target);
  FaxBits bits(source, swapBits_);
  reference_.clear();
  MakeReference(reference_, width_);
  for (std::size_t y = 0; y < rows; ++y) {
    switch (DecodeTwoDimensional(bits, target.subspan(y * rowBytes, rowBytes), width_, reference_, current_)) {
      case RowEnd::Complete:
        break;
      case RowEnd::Invalid:
        InvalidCode();
      default:
        // The end of the data, or the end-of-block code, before the last row.
        UnexpectedEndOfInput(kScheme);
    }
    std::swap(reference_, current_);
    MakeReference(reference_, width_);
  }
  return {bits.ConsumedBytes(), rows * rowBytes};
}

}  // namespace vrel
