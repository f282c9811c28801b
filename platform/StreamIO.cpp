#include "platform/StreamIO.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <type_traits>

#include "platform/Cp932.h"
#include "platform/Extended80.h"

namespace vrel {

namespace {

constexpr std::size_t kMaxShortString = 255;
// Length fields are signed 32-bit on the wire; nothing longer can be written.
constexpr std::size_t kMaxLongLength = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

[[noreturn]] void ThrowRead(std::string_view message) {
  throw EReadError(std::string(message));
}

[[noreturn]] void ThrowWrongTag() {
  ThrowRead(kInvalidPropertyValueMessage);
}

template <typename T>
void AppendLittleEndian(std::string& out, T value) {
  using U = std::make_unsigned_t<T>;
  const U u = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<char>(u >> (8 * i)));
}

template <typename T>
T LittleEndian(std::span<const uint8_t> bytes) {
  using U = std::make_unsigned_t<T>;
  U u = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    u |= static_cast<U>(static_cast<U>(bytes[i]) << (8 * i));
  return static_cast<T>(u);
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Writers check sizes before appending anything, so a refused value leaves no stray tag behind.
void CheckShortString(std::string_view text) {
  if (text.size() > kMaxShortString) {
    throw EWriteError(std::string(kWriteErrorMessage) + ": 短い文字列は 255 バイトまでです (" +
                      std::to_string(text.size()) + " バイト)");
  }
}

void CheckLongLength(std::size_t length) {
  if (length > kMaxLongLength) {
    throw EWriteError(std::string(kWriteErrorMessage) + ": 値が長すぎます (" + std::to_string(length) + ")");
  }
}

}  // namespace

TReadBudget::TReadBudget(std::size_t streamBytes) {
  const std::size_t most = std::numeric_limits<std::size_t>::max();
  left_ = streamBytes > (most - kReadMemoryAllowance) / kReadMemoryFactor
              ? most
              : kReadMemoryFactor * streamBytes + kReadMemoryAllowance;
}

void TReadBudget::Exhausted() {
  ThrowRead(kTooManyObjectsMessage);
}

// ---- writer ----

void StreamWriter::WriteSignature() {
  bytes_.append(kStreamSignature);
}

void StreamWriter::WriteShortString(std::string_view text) {
  CheckShortString(text);
  WriteByte(static_cast<uint8_t>(text.size()));
  bytes_.append(text);
}

void StreamWriter::WriteLength(std::size_t length) {
  CheckLongLength(length);
  AppendLittleEndian(bytes_, static_cast<int32_t>(length));
}

void StreamWriter::WriteInteger(int32_t value) {
  if (value >= INT8_MIN && value <= INT8_MAX) {
    WriteTag(ValueTag::vaInt8);
    AppendLittleEndian(bytes_, static_cast<int8_t>(value));
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    WriteTag(ValueTag::vaInt16);
    AppendLittleEndian(bytes_, static_cast<int16_t>(value));
  } else {
    WriteTag(ValueTag::vaInt32);
    AppendLittleEndian(bytes_, value);
  }
}

void StreamWriter::WriteInt64(int64_t value) {
  if (value >= INT32_MIN && value <= INT32_MAX) {
    WriteInteger(static_cast<int32_t>(value));
  } else {
    WriteTag(ValueTag::vaInt64);
    AppendLittleEndian(bytes_, value);
  }
}

void StreamWriter::WriteExtended(double value) {
  uint8_t extended[kExtendedSize];
  DoubleToExtended(value, extended);
  WriteTag(ValueTag::vaExtended);
  bytes_.append(reinterpret_cast<const char*>(extended), kExtendedSize);
}

void StreamWriter::WriteDouble(double value) {
  WriteTag(ValueTag::vaDouble);
  AppendLittleEndian(bytes_, std::bit_cast<uint64_t>(value));
}

// Earlier versions of the program chose the form this way, and keeping the rule lets files written
// now match theirs byte for byte: UTF-8 while it is shorter than UTF-16 (a plain byte string when
// the text is ASCII), UTF-16 otherwise, which is what Japanese text gets. An empty text counts as
// ASCII: one length byte instead of a four-byte count.
void StreamWriter::WriteStringValue(std::string_view cp932) {
  const std::u16string utf16 = Cp932ToUtf16(cp932);
  const std::string utf8 = Cp932ToUtf8(cp932);
  if (cp932.empty() || utf8.size() < 2 * utf16.size()) {
    if (IsAscii(cp932)) {
      if (cp932.size() <= kMaxShortString) {
        WriteTag(ValueTag::vaString);
        WriteShortString(cp932);
      } else {
        CheckLongLength(cp932.size());
        WriteTag(ValueTag::vaLString);
        WriteLength(cp932.size());
        bytes_.append(cp932);
      }
    } else {
      CheckLongLength(utf8.size());
      WriteTag(ValueTag::vaUTF8String);
      WriteLength(utf8.size());
      bytes_.append(utf8);
    }
    return;
  }
  CheckLongLength(utf16.size());
  WriteTag(ValueTag::vaWString);
  WriteLength(utf16.size());
  for (char16_t unit : utf16)
    AppendLittleEndian(bytes_, static_cast<uint16_t>(unit));
}

void StreamWriter::WriteIdent(std::string_view name) {
  CheckShortString(name);
  WriteTag(ValueTag::vaIdent);
  WriteShortString(name);
}

void StreamWriter::WriteBoolean(bool value) {
  WriteTag(value ? ValueTag::vaTrue : ValueTag::vaFalse);
}

void StreamWriter::WriteSet(std::span<const std::string> memberNames) {
  for (const std::string& name : memberNames) {
    // An empty name would end the set early and desynchronise everything after it.
    if (name.empty())
      throw EWriteError(std::string(kWriteErrorMessage) + ": 集合の要素名が空です");
    CheckShortString(name);
  }
  WriteTag(ValueTag::vaSet);
  for (const std::string& name : memberNames)
    WriteShortString(name);
  WriteShortString({});
}

void StreamWriter::WriteBinary(std::string_view data) {
  CheckLongLength(data.size());
  WriteTag(ValueTag::vaBinary);
  WriteLength(data.size());
  bytes_.append(data);
}

void StreamWriter::WriteNil() {
  WriteTag(ValueTag::vaNil);
}

void StreamWriter::WriteListBegin() {
  WriteTag(ValueTag::vaList);
}

void StreamWriter::WriteListEnd() {
  WriteTag(ValueTag::vaNull);
}

void StreamWriter::WriteCollectionBegin() {
  WriteTag(ValueTag::vaCollection);
}

void StreamWriter::WriteRawInt32(int32_t value) {
  AppendLittleEndian(bytes_, value);
}

void StreamWriter::PatchRawInt32(std::size_t position, int32_t value) {
  std::string bytes;
  AppendLittleEndian(bytes, value);
  bytes_.replace(position, bytes.size(), bytes);
}

void StreamWriter::WriteRawBytes(std::string_view data) {
  bytes_.append(data);
}

// ---- reader ----

void StreamReader::Require(std::size_t count) const {
  if (count > Remaining())
    ThrowRead(kReadErrorMessage);
}

std::span<const uint8_t> StreamReader::Take(std::size_t count) {
  Require(count);
  const std::span<const uint8_t> out = data_.subspan(pos_, count);
  pos_ += count;
  return out;
}

void StreamReader::ReadSignature() {
  if (Remaining() < kStreamSignature.size())
    ThrowRead(kInvalidStreamMessage);
  const std::span<const uint8_t> sig = Take(kStreamSignature.size());
  if (!std::equal(sig.begin(), sig.end(), kStreamSignature.begin(),
                  [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); })) {
    ThrowRead(kInvalidStreamMessage);
  }
}

uint8_t StreamReader::ReadByte() {
  return Take(1)[0];
}

uint8_t StreamReader::PeekByte() const {
  Require(1);
  return data_[pos_];
}

ValueTag StreamReader::PeekTag() const {
  const uint8_t tag = PeekByte();
  if (tag > kMaxValueTag)
    ThrowWrongTag();
  return static_cast<ValueTag>(tag);
}

ValueTag StreamReader::ReadTag() {
  const ValueTag tag = PeekTag();
  ++pos_;
  return tag;
}

std::string StreamReader::ReadShortString() {
  const uint8_t length = ReadByte();
  const std::span<const uint8_t> bytes = Take(length);
  return std::string(bytes.begin(), bytes.end());
}

uint32_t StreamReader::ReadLength() {
  return LittleEndian<uint32_t>(Take(4));
}

int64_t StreamReader::ReadIntegerPayload(ValueTag tag) {
  switch (tag) {
    case ValueTag::vaInt8:
      return LittleEndian<int8_t>(Take(1));
    case ValueTag::vaInt16:
      return LittleEndian<int16_t>(Take(2));
    case ValueTag::vaInt32:
      return LittleEndian<int32_t>(Take(4));
    case ValueTag::vaInt64:
      return LittleEndian<int64_t>(Take(8));
    default:
      ThrowWrongTag();
  }
}

int32_t StreamReader::ReadInteger() {
  const ValueTag tag = ReadTag();
  if (tag == ValueTag::vaInt64)
    ThrowWrongTag();
  return static_cast<int32_t>(ReadIntegerPayload(tag));
}

int64_t StreamReader::ReadInt64() {
  return ReadIntegerPayload(ReadTag());
}

template <class Real>
Real StreamReader::ReadReal() {
  const ValueTag tag = ReadTag();
  switch (tag) {
    case ValueTag::vaExtended: {
      const uint8_t* extended = Take(kExtendedSize).data();
      if constexpr (std::is_same_v<Real, float>)
        return ExtendedToSingle(extended);
      else
        return ExtendedToDouble(extended);
    }
    case ValueTag::vaDouble:
      return static_cast<Real>(std::bit_cast<double>(LittleEndian<uint64_t>(Take(8))));
    default:
      return static_cast<Real>(ReadIntegerPayload(tag));
  }
}

double StreamReader::ReadFloat() {
  return ReadReal<double>();
}

float StreamReader::ReadSingle() {
  return ReadReal<float>();
}

std::string StreamReader::ReadStringValue() {
  switch (ReadTag()) {
    case ValueTag::vaString:
      return ReadShortString();
    case ValueTag::vaLString: {
      const std::span<const uint8_t> bytes = Take(ReadLength());
      return std::string(bytes.begin(), bytes.end());
    }
    case ValueTag::vaUTF8String: {
      const std::span<const uint8_t> bytes = Take(ReadLength());
      return Utf8ToCp932(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    case ValueTag::vaWString: {
      const uint64_t units = ReadLength();
      const std::span<const uint8_t> bytes = Take(units * 2);
      std::u16string utf16(units, u'\0');
      for (std::size_t i = 0; i < units; ++i) {
        utf16[i] = static_cast<char16_t>(LittleEndian<uint16_t>(bytes.subspan(2 * i, 2)));
      }
      return Utf16ToCp932(utf16);
    }
    default:
      ThrowWrongTag();
  }
}

std::string StreamReader::ReadIdent() {
  switch (ReadTag()) {
    case ValueTag::vaIdent:
      return ReadShortString();
    case ValueTag::vaFalse:
      return "False";
    case ValueTag::vaTrue:
      return "True";
    case ValueTag::vaNil:
      return "nil";
    default:
      ThrowWrongTag();
  }
}

bool StreamReader::ReadBoolean() {
  switch (ReadTag()) {
    case ValueTag::vaFalse:
      return false;
    case ValueTag::vaTrue:
      return true;
    default:
      ThrowWrongTag();
  }
}

std::vector<std::string> StreamReader::ReadSet() {
  if (ReadTag() != ValueTag::vaSet)
    ThrowWrongTag();
  std::vector<std::string> names;
  for (std::string name = ReadShortString(); !name.empty(); name = ReadShortString()) {
    names.push_back(std::move(name));
  }
  return names;
}

std::string StreamReader::ReadBinary() {
  if (ReadTag() != ValueTag::vaBinary)
    ThrowWrongTag();
  const std::span<const uint8_t> bytes = Take(ReadLength());
  return std::string(bytes.begin(), bytes.end());
}

void StreamReader::ReadListBegin() {
  if (ReadTag() != ValueTag::vaList)
    ThrowWrongTag();
}

bool StreamReader::EndOfList() const {
  return PeekByte() == 0;
}

void StreamReader::ReadListEnd() {
  if (ReadByte() != 0)
    ThrowWrongTag();
}

void StreamReader::ReadCollectionBegin() {
  if (ReadTag() != ValueTag::vaCollection)
    ThrowWrongTag();
}

std::optional<int32_t> StreamReader::ReadCollectionItemBegin() {
  std::optional<int32_t> order;
  const ValueTag tag = PeekTag();
  if (tag == ValueTag::vaInt8 || tag == ValueTag::vaInt16 || tag == ValueTag::vaInt32)
    order = ReadInteger();
  ReadListBegin();
  return order;
}

void StreamReader::SkipValue() {
  SkipValue(0);
}

void StreamReader::SkipValue(int depth) {
  const ValueTag tag = ReadTag();
  switch (tag) {
    case ValueTag::vaNull:
    case ValueTag::vaFalse:
    case ValueTag::vaTrue:
    case ValueTag::vaNil:
      return;
    case ValueTag::vaList:
      if (depth >= kMaxStreamNesting)
        ThrowRead(kNestingTooDeepMessage);
      while (!EndOfList())
        SkipValue(depth + 1);
      ReadListEnd();
      return;
    case ValueTag::vaCollection:
      if (depth >= kMaxStreamNesting)
        ThrowRead(kNestingTooDeepMessage);
      while (!EndOfList()) {
        ReadCollectionItemBegin();
        while (!EndOfList()) {
          ReadShortString();
          SkipValue(depth + 1);
        }
        ReadListEnd();
      }
      ReadListEnd();
      return;
    case ValueTag::vaInt8:
      Take(1);
      return;
    case ValueTag::vaInt16:
      Take(2);
      return;
    case ValueTag::vaInt32:
    case ValueTag::vaSingle:
      Take(4);
      return;
    case ValueTag::vaExtended:
      Take(kExtendedSize);
      return;
    case ValueTag::vaCurrency:
    case ValueTag::vaDate:
    case ValueTag::vaInt64:
    case ValueTag::vaDouble:
      Take(8);
      return;
    case ValueTag::vaString:
    case ValueTag::vaIdent:
      ReadShortString();
      return;
    case ValueTag::vaSet:
      for (uint8_t length = ReadByte(); length != 0; length = ReadByte())
        Take(length);
      return;
    case ValueTag::vaBinary:
    case ValueTag::vaLString:
    case ValueTag::vaUTF8String:
      Take(ReadLength());
      return;
    case ValueTag::vaWString:
      Take(uint64_t{ReadLength()} * 2);
      return;
  }
  ThrowWrongTag();
}

StreamPrefix StreamReader::ReadPrefix() {
  StreamPrefix prefix;
  if ((PeekByte() & 0xF0) != 0xF0)
    return prefix;
  prefix.flags = ReadByte() & 0x0F;
  if (prefix.flags & kPrefixChildPosition)
    prefix.childPosition = ReadInteger();
  return prefix;
}

int32_t StreamReader::ReadRawInt32() {
  return LittleEndian<int32_t>(Take(4));
}

std::string_view StreamReader::ReadRawBytes(std::size_t count) {
  const std::span<const uint8_t> bytes = Take(count);
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace vrel
