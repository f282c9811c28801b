#pragma once

// The byte layer of component streams ("TPF0"): tagged values, short strings, list and collection
// markers. What a property means is the property walker's business; this layer only knows how each
// kind of value is laid out and refuses anything that does not fit the bytes it was given.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"

namespace vrel {

// The stream ended before a value did.
inline constexpr std::string_view kReadErrorMessage = "ストリームからの読み込みエラー";
// The first four bytes are not the signature.
inline constexpr std::string_view kInvalidStreamMessage = "無効なストリーム形式です";
// A value's tag does not fit what was asked for.
inline constexpr std::string_view kInvalidPropertyValueMessage = "不正なプロパティの値です";
// Lists or collections nested deeper than kMaxStreamNesting.
inline constexpr std::string_view kNestingTooDeepMessage = "ストリームの入れ子が深すぎます";
// A stream that would make more objects than its size allows (TReadBudget).
inline constexpr std::string_view kTooManyObjectsMessage = "ストリームの項目が多すぎて読み込めません";
// A value too large for its length field.
inline constexpr std::string_view kWriteErrorMessage = "ストリームへの書き込みエラー";

inline constexpr std::string_view kStreamSignature = "TPF0";
// How many lists and collections may enclose one another; also the limit for nested components.
inline constexpr int kMaxStreamNesting = 64;

class EReadError : public Exception {
 public:
  using Exception::Exception;
};

class EWriteError : public Exception {
 public:
  using Exception::Exception;
};

enum class ValueTag : uint8_t {
  vaNull = 0,  // end of a list, a property list or a child list
  vaList = 1,  // tagged values up to vaNull
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,  // 10-byte x87 extended
  vaString = 6,    // short string
  vaIdent = 7,     // short string
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,   // 32-bit length + bytes
  vaSet = 11,      // short strings up to an empty one
  vaLString = 12,  // 32-bit length + bytes
  vaNil = 13,
  vaCollection = 14,  // items up to vaNull: [integer] vaList property records vaNull
  vaSingle = 15,
  vaCurrency = 16,  // signed 64-bit count of 1/10000
  vaDate = 17,      // IEEE double
  vaWString = 18,   // 32-bit count of UTF-16 units + UTF-16LE
  vaInt64 = 19,
  vaUTF8String = 20,  // 32-bit length + UTF-8
  vaDouble = 21,
};
inline constexpr uint8_t kMaxValueTag = static_cast<uint8_t>(ValueTag::vaDouble);

// The optional byte before a component record: 0xF0 | flags.
enum StreamPrefixFlag : uint8_t {
  kPrefixInherited = 1,
  kPrefixChildPosition = 2,
  kPrefixInline = 4,
};

struct StreamPrefix {
  uint8_t flags = 0;                     // 0 when the record had no prefix byte
  std::optional<int32_t> childPosition;  // present when flags has kPrefixChildPosition
};

// What reading a stream may spend on the objects it makes. A collection item takes two bytes of a
// stream and makes a whole object (a layer makes three), so a small stream of empty items could
// fill any memory: a read of n bytes may spend kReadMemoryFactor * n + kReadMemoryAllowance, and is
// refused with kTooManyObjectsMessage beyond that. Documents as the program writes them spend less
// than a quarter of it.
inline constexpr std::size_t kReadMemoryFactor = 50;
inline constexpr std::size_t kReadMemoryAllowance = std::size_t{64} << 20;

class TReadBudget {
 public:
  explicit TReadBudget(std::size_t streamBytes);
  // Raises EReadError(kTooManyObjectsMessage) when `bytes` is more than is left.
  void Charge(std::size_t bytes) {
    if (bytes > left_)
      Exhausted();
    left_ -= bytes;
  }

 private:
  [[noreturn]] static void Exhausted();

  std::size_t left_;
};

// Appends to a byte string held by the writer. Text arguments are CP932 bytes.
class StreamWriter {
 public:
  const std::string& Bytes() const { return bytes_; }
  std::string TakeBytes() { return std::move(bytes_); }
  std::size_t Size() const { return bytes_.size(); }

  void WriteSignature();
  void WriteByte(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void WriteTag(ValueTag tag) { WriteByte(static_cast<uint8_t>(tag)); }
  // A length byte and the bytes; more than 255 bytes raise EWriteError.
  void WriteShortString(std::string_view text);
  void WritePropName(std::string_view name) { WriteShortString(name); }

  // Tag 2, 3 or 4, the smallest that holds the value.
  void WriteInteger(int32_t value);
  // As WriteInteger when the value fits 32 bits, else tag 19.
  void WriteInt64(int64_t value);
  // Tag 5: the form every float property is written in.
  void WriteExtended(double value);
  // Tag 21.
  void WriteDouble(double value);
  // Tag 6, 12, 20 or 18, whichever the text calls for (see the .cpp); the reader gives back the same
  // CP932 bytes.
  void WriteStringValue(std::string_view cp932);
  void WriteIdent(std::string_view name);
  void WriteBoolean(bool value);
  // Tag 11, the member names in the order given, then the empty name that ends the set.
  void WriteSet(std::span<const std::string> memberNames);
  void WriteBinary(std::string_view data);
  void WriteNil();

  void WriteListBegin();        // tag 1
  void WriteListEnd();          // the zero byte that ends any list: values, properties, children, items
  void WriteCollectionBegin();  // tag 14; each item is WriteListBegin, properties, WriteListEnd
  void WriteCollectionEnd() { WriteListEnd(); }

  // Framing of object files: raw little-endian count, then raw bytes.
  void WriteRawInt32(int32_t value);
  // Overwrites four bytes written earlier at `position` (a count known only after what it counts).
  void PatchRawInt32(std::size_t position, int32_t value);
  void WriteRawBytes(std::string_view data);

 private:
  void WriteLength(std::size_t length);

  std::string bytes_;
};

// Reads from bytes that the reader does not own; they must outlive it. Every read checks what is
// left and raises EReadError instead of reading past the end; CP932 is what text reads return.
class StreamReader {
 public:
  explicit StreamReader(std::span<const uint8_t> data) : data_(data) {}
  explicit StreamReader(std::string_view data) : data_(reinterpret_cast<const uint8_t*>(data.data()), data.size()) {}
  // The reader keeps a view: a temporary string would be gone before the first read.
  explicit StreamReader(std::string&&) = delete;

  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ == data_.size(); }

  // Raises EReadError(kInvalidStreamMessage) unless the next four bytes are "TPF0".
  void ReadSignature();
  uint8_t ReadByte();
  uint8_t PeekByte() const;
  // The next tag, checked to be a known one.
  ValueTag PeekTag() const;
  ValueTag ReadTag();
  std::string ReadShortString();
  std::string ReadPropName() { return ReadShortString(); }

  int32_t ReadInteger();  // tags 2, 3, 4
  int64_t ReadInt64();    // tags 2, 3, 4, 19
  double ReadFloat();     // tags 5, 21 and the integer tags 2, 3, 4, 19
  // The same tags rounded once to the nearest single (beyond its range: infinity).
  float ReadSingle();
  // Tags 6 and 12 give their bytes as they stand; 20 (UTF-8) and 18 (UTF-16) are converted.
  std::string ReadStringValue();
  // Tag 7; tags 8, 9 and 13 read as "False", "True" and "nil", the names those tags stand for.
  std::string ReadIdent();
  bool ReadBoolean();  // tags 8, 9
  std::vector<std::string> ReadSet();
  std::string ReadBinary();

  void ReadListBegin();  // expects tag 1
  // True when the next byte is the zero that ends a list (not consumed).
  bool EndOfList() const;
  void ReadListEnd();          // expects the zero byte
  void ReadCollectionBegin();  // expects tag 14
  // Starts one collection item: skips an optional order integer and expects tag 1. Returns the order.
  std::optional<int32_t> ReadCollectionItemBegin();

  // Skips one tagged value of any kind; lists and collections are skipped whole, and more than
  // kMaxStreamNesting levels of them raise EReadError(kNestingTooDeepMessage).
  void SkipValue();
  // The optional 0xF0|flags byte that may open a component record.
  StreamPrefix ReadPrefix();

  int32_t ReadRawInt32();
  // A view into the reader's bytes, valid as long as they are.
  std::string_view ReadRawBytes(std::size_t count);

 private:
  void Require(std::size_t count) const;
  std::span<const uint8_t> Take(std::size_t count);
  uint32_t ReadLength();
  int64_t ReadIntegerPayload(ValueTag tag);
  // Tags 5, 21 and the integer tags, rounded once to Real (float or double).
  template <class Real>
  Real ReadReal();
  void SkipValue(int depth);

  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace vrel
