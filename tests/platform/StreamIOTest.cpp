#include "platform/StreamIO.h"

#include <gtest/gtest.h>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime reports every allocation to this hook; GCC ships no header declaring it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#define VREL_TRACK_ALLOCATIONS 1
#endif

namespace vrel {
namespace {
using namespace std::string_literals;
using Read = std::function<void(StreamReader&)>;
#define READ(call) Read([](StreamReader& r) { r.call; })

std::string Written(const std::function<void(StreamWriter&)>& write) {
  StreamWriter w;
  write(w);
  return w.TakeBytes();
}

// Runs `read` on `bytes` and hands back the message of the EReadError it raised ("" when it raised none).
std::string ReadErrorOf(const std::string& bytes, const Read& read) {
  try {
    StreamReader r(bytes);
    read(r);
  } catch (const EReadError& e) {
    return e.what();
  }
  return "";
}

// Reads one value from `bytes`, which it must take whole.
template <class Value>
Value ReadWhole(const std::string& bytes, Value (StreamReader::*read)()) {
  StreamReader r(bytes);
  const Value value = (r.*read)();
  EXPECT_TRUE(r.AtEnd()) << "stopped at " << r.Position() << " of " << bytes.size();
  return value;
}

const std::string kReadError(kReadErrorMessage);
const std::string kBadValue(kInvalidPropertyValueMessage);
const std::string kTooDeep(kNestingTooDeepMessage);
const std::string kKana = "\x83\x8C\x83\x43\x83\x84\x81\x5B\x20\x31";  // "layer 1" in kana
const std::string kKanaWide = "\x12\x06\0\0\0\xEC\x30\xA4\x30\xE4\x30\xFC\x30\x20\x00\x31\x00"s;
const Read kSkip = READ(SkipValue());
const Read kString = READ(ReadStringValue());
const Read kSkipWhole = [](StreamReader& r) {
  r.SkipValue();
  EXPECT_TRUE(r.AtEnd());
};

const std::pair<int64_t, std::string> kIntegers[] = {
    {0, "\x02\x00"s},
    {127, "\x02\x7F"},
    {128, "\x03\x80\x00"s},
    {-128, "\x02\x80"},
    {-129, "\x03\x7F\xFF"},
    {32767, "\x03\xFF\x7F"},
    {32768, "\x04\x00\x80\x00\x00"s},
    {-32768, "\x03\x00\x80"s},
    {-32769, "\x04\xFF\x7F\xFF\xFF"},
    {40000, "\x04\x40\x9C\x00\x00"s},
    {INT32_MAX, "\x04\xFF\xFF\xFF\x7F"},
    {INT32_MIN, "\x04\x00\x00\x00\x80"s},
    // Tag 19 only beyond 32 bits, which a 32-bit integer property refuses rather than cutting the value.
    {int64_t{1} << 31, "\x13\x00\x00\x00\x80\x00\x00\x00\x00"s},
    {INT64_MIN, "\x13\0\0\0\0\0\0\0\x80"s}};

TEST(StreamIO, IntegersTakeTheSmallestTagThatHoldsThem) {
  for (const auto& [value, bytes] : kIntegers) {
    if (value == static_cast<int32_t>(value)) {
      EXPECT_EQ(Written([&](StreamWriter& w) { w.WriteInteger(int32_t(value)); }), bytes) << value;
    }
    EXPECT_EQ(Written([&](StreamWriter& w) { w.WriteInt64(value); }), bytes) << value;
  }
}

// A 32-bit integer property refuses a value beyond 32 bits rather than cutting it.
TEST(StreamIO, IntegersReadFromEveryIntegerTagThatHoldsThem) {
  for (const auto& [value, bytes] : kIntegers) {
    SCOPED_TRACE(value);
    const bool fits32 = value == static_cast<int32_t>(value);
    EXPECT_EQ(ReadErrorOf(bytes,
                          [&](StreamReader& r) {
                            EXPECT_EQ(r.ReadInteger(), value);
                            EXPECT_TRUE(r.AtEnd());
                          }),
              fits32 ? "" : kBadValue);
    EXPECT_EQ(ReadWhole(bytes, &StreamReader::ReadInt64), value);
    EXPECT_EQ(ReadWhole(bytes, &StreamReader::ReadFloat), static_cast<double>(value));
  }
}

TEST(StreamIO, FloatsAreWrittenAsExtendedOrDoubleAndReadBack) {
  const std::string extended = "\x05\0\0\0\0\0\0\0\xC0\xFF\x3F"s;
  const std::string tenth = "\x15\x9A\x99\x99\x99\x99\x99\xB9\x3F";
  EXPECT_EQ(Written([](StreamWriter& w) { w.WriteExtended(1.5); }), extended);
  EXPECT_EQ(Written([](StreamWriter& w) { w.WriteDouble(0.1); }), tenth);
  EXPECT_EQ(ReadWhole(extended, &StreamReader::ReadFloat), 1.5);
  EXPECT_EQ(ReadWhole(tenth, &StreamReader::ReadFloat), 0.1);
}

// Single, currency and date are never written for properties.
TEST(StreamIO, SingleCurrencyDateAndTextAreRefusedAsFloatsButSkip) {
  for (const std::string& bytes : {"\x0F\x00\x00\x80\x3F"s, "\x10\x10\x27\0\0\0\0\0\0"s, "\x11\0\0\0\0\0\0\xF0\x3F"s,
                                   "\x06\x01"s
                                   "1",
                                   "\x09"s}) {
    EXPECT_EQ(ReadErrorOf(bytes, READ(ReadFloat())), kBadValue) << bytes;
    EXPECT_EQ(ReadErrorOf(bytes, kSkipWhole), "") << bytes;
  }
}

// Expected bytes are those of Python's cp932 / utf-8 / utf-16-le codecs.
TEST(StreamIO, StringsTakeTheShortestFormTheirTextAllows) {
  const std::string ascii300(300, 'a'), z255(255, 'z'), z256(256, 'z');
  const std::pair<std::string, std::string> cases[] = {
      // CP932 text, stream bytes
      // Four kana, a blank and a digit: 14 UTF-8 bytes against 6 UTF-16 units; 7 letters and a kana: 10 against 8;
      // a letter and a kana: 4 UTF-8 bytes are not shorter than 2 * 2 units.
      {"Layer1", "\x06\x06Layer1"},
      {kKana, kKanaWide},
      {"Scenery\x83\x41", "\x14\x0A\0\0\0Scenery\xE3\x82\xA2"s},
      {"a\x83\x41", "\x12\x02\0\0\0\x61\x00\xA2\x30"s},
      {"aa\x83\x41", "\x14\x05\0\0\0\x61\x61\xE3\x82\xA2"s},
      {"\x95\x5C", "\x12\x01\0\0\0\x68\x88"s},  // a 5C trail byte does not make a kanji ASCII
      {"\xB1", "\x12\x01\0\0\0\x71\xFF"s},      // half-width kana
      {ascii300, "\x0C\x2C\x01\x00\x00"s + ascii300},
      {z255, "\x06\xFF" + z255},
      {z256, "\x0C\x00\x01\0\0"s + z256},
      {"", "\x06\x00"s}};
  for (const auto& [cp932, stream] : cases) {
    SCOPED_TRACE(stream.substr(0, 20));
    EXPECT_EQ(Written([&](StreamWriter& w) { w.WriteStringValue(cp932); }), stream);
    EXPECT_EQ(ReadWhole(stream, &StreamReader::ReadStringValue), cp932);
    EXPECT_EQ(ReadErrorOf(stream, kSkipWhole), "");
  }
}

// Short and long strings carry code-page bytes as they stand; UTF-8 "①" and UTF-16 "漢" convert to CP932.
TEST(StreamIO, StringsOfEveryFormReadAsCp932) {
  const std::pair<std::string, std::string> read[] = {{"\x06\x02\x83\x41", "\x83\x41"},
                                                      {"\x0C\x02\0\0\0\x8A\xBF"s, "\x8A\xBF"},
                                                      {"\x14\x03\0\0\0\xE2\x91\xA0"s, "\x87\x40"},
                                                      {"\x12\x01\0\0\0\x22\x6F"s, "\x8A\xBF"},
                                                      {"\x12\0\0\0\0"s, ""}};
  for (const auto& [stream, cp932] : read)
    EXPECT_EQ(ReadWhole(stream, &StreamReader::ReadStringValue), cp932);
}

TEST(StreamIO, IdentsBooleansNilSetsAndBinaryKeepTheirLayoutsBothWays) {
  const std::vector<std::string> members = {"fsBold", "fsItalic"};
  const std::string set =
                        "\x0B\x06"
                        "fsBold\x08"
                        "fsItalic\x00"s,
                    binary = "\x0A\x03\0\0\0\x00\xFF\x10"s;
  EXPECT_EQ(Written([](StreamWriter& w) { w.WriteIdent("bpFace"); }),
            "\x07\x06"
            "bpFace");
  EXPECT_EQ(Written([](StreamWriter& w) {
              w.WriteBoolean(false);
              w.WriteBoolean(true);
              w.WriteNil();
            }),
            "\x08\x09\x0D");
  EXPECT_EQ(Written([&](StreamWriter& w) { w.WriteSet(members); }), set);
  EXPECT_EQ(Written([](StreamWriter& w) { w.WriteSet({}); }), "\x0B\x00"s);
  EXPECT_EQ(Written([](StreamWriter& w) { w.WriteBinary("\x00\xFF\x10"s); }), binary);
  EXPECT_EQ(ReadWhole(set, &StreamReader::ReadSet), members);
  EXPECT_TRUE(ReadWhole("\x0B\x00"s, &StreamReader::ReadSet).empty());
  EXPECT_EQ(ReadWhole(binary, &StreamReader::ReadBinary), "\x00\xFF\x10"s);
  EXPECT_FALSE(ReadWhole("\x08", &StreamReader::ReadBoolean));
  EXPECT_TRUE(ReadWhole("\x09", &StreamReader::ReadBoolean));
}

TEST(StreamIO, TheTagsOfWellKnownIdentifiersReadAsTheirNames) {
  const std::pair<std::string, std::string> idents[] = {
      {"\x07\x02ok", "ok"}, {"\x08", "False"}, {"\x09", "True"}, {"\x0D", "nil"}};
  for (const auto& [bytes, name] : idents)
    EXPECT_EQ(ReadWhole(bytes, &StreamReader::ReadIdent), name);
}

TEST(StreamIO, WritersRefuseWhatTheFormatCannotHoldAndLeaveNoStrayBytes) {
  StreamWriter w;
  w.WriteInteger(1);
  w.WritePropName(std::string(255, 'n'));
  const std::string written = w.Bytes();
  EXPECT_EQ(written, "\x02\x01\xFF" + std::string(255, 'n'));
  EXPECT_THROW(w.WritePropName(std::string(256, 'n')), EWriteError);
  EXPECT_THROW(w.WriteIdent(std::string(300, 'i')), EWriteError);
  EXPECT_THROW(w.WriteSet(std::vector<std::string>{"ok", std::string(256, 's')}), EWriteError);
  EXPECT_THROW(w.WriteSet(std::vector<std::string>{"ok", ""}), EWriteError);
  EXPECT_EQ(w.Bytes(), written);
}

TEST(StreamIO, CollectionsAndListsNestAndSkipWhole) {
  // A collection of two items, the second with an order integer as some writers add, then a list after it.
  const std::string collection =
                        "\x0E\x01\x0BReferenceID\x03\x2C\x01\x0C"
                        "BorderSelect\x09\x00\x02\x07\x01\x05Inner"
                        "\x0E\x01\x00\x00\x00\x00"s,
                    list = "\x01\x02\x01\x06\x01x\x00"s;
  StreamWriter w;
  w.WriteCollectionBegin();
  w.WriteListBegin();
  w.WritePropName("ReferenceID");
  w.WriteInteger(300);
  w.WritePropName("BorderSelect");
  w.WriteBoolean(true);
  w.WriteListEnd();
  w.WriteInteger(7);
  w.WriteListBegin();
  w.WritePropName("Inner");
  w.WriteCollectionBegin();
  w.WriteListBegin();
  w.WriteListEnd();
  w.WriteCollectionEnd();
  w.WriteListEnd();
  w.WriteCollectionEnd();
  w.WriteListBegin();
  w.WriteInteger(1);
  w.WriteStringValue("x");
  w.WriteListEnd();
  EXPECT_EQ(w.Bytes(), collection + list);
  StreamReader r(w.Bytes());
  r.ReadCollectionBegin();
  EXPECT_EQ(r.ReadCollectionItemBegin(), std::nullopt);
  EXPECT_EQ(r.ReadPropName(), "ReferenceID");
  EXPECT_EQ(r.ReadInteger(), 300);
  EXPECT_EQ(r.ReadPropName(), "BorderSelect");
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
  EXPECT_EQ(r.ReadCollectionItemBegin(), 7);
  EXPECT_EQ(r.ReadPropName(), "Inner");
  r.SkipValue();
  r.ReadListEnd();
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
  r.ReadListBegin();
  r.SkipValue();
  r.SkipValue();
  r.ReadListEnd();
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(ReadErrorOf(collection, kSkipWhole) + ReadErrorOf(list, kSkipWhole), "");
}

std::string NestedLists(int depth) {
  return std::string(depth, '\x01') + "\x02\x05" + std::string(depth, '\0');
}

// Collections count as levels as well: each item holds a property whose value is the next one.
std::string NestedCollections(int depth) {
  std::string s;
  for (int i = 0; i < depth; ++i)
    s += "\x0E\x01\x01P";
  return s + "\x09" + std::string(2 * depth, '\0');
}

TEST(StreamIO, NestingUpToTheLimitReads) {
  EXPECT_EQ(ReadErrorOf(NestedLists(kMaxStreamNesting), kSkipWhole), "");
  EXPECT_EQ(ReadErrorOf(NestedCollections(kMaxStreamNesting), kSkipWhole), "");
}

TEST(StreamIO, AWideListIsNoDeepList) {
  std::string wide = "\x01";
  for (int i = 0; i < 100'000; ++i)
    wide += "\x02\x01";
  EXPECT_EQ(ReadErrorOf(wide + '\0', kSkipWhole), "");
}

// A hostile stream that only ever opens lists is stopped by the limit, not by the stack.
TEST(StreamIO, NestingDeeperThanTheLimitIsRefused) {
  for (const std::string& deep :
       {NestedLists(kMaxStreamNesting + 1), NestedCollections(kMaxStreamNesting + 1), std::string(1'000'000, '\x01')}) {
    EXPECT_EQ(ReadErrorOf(deep, kSkip), kTooDeep);
  }
}

// No prefix byte: nothing is consumed. Flags alone, or with the child position that follows them.
TEST(StreamIO, APrefixCarriesFlagsAndAChildPosition) {
  const std::tuple<std::string, int, std::optional<int32_t>, std::size_t> prefixes[] = {
      {"\x04TAbc", 0, std::nullopt, 0},
      {"\xF1\x00"s, kPrefixInherited, std::nullopt, 1},
      {"\xF6\x03\x00\x01\x00"s, kPrefixChildPosition | kPrefixInline, 256, 4}};
  for (const auto& [bytes, flags, childPosition, end] : prefixes) {
    StreamReader r(bytes);
    const StreamPrefix p = r.ReadPrefix();
    EXPECT_EQ(p.flags, flags);
    EXPECT_EQ(p.childPosition, childPosition);
    EXPECT_EQ(r.Position(), end);
  }
}

TEST(StreamIO, RawIntegersTheSignatureAndRawBytesFrameARecord) {
  StreamWriter w;
  w.WriteRawInt32(-2);
  w.WriteSignature();
  w.WriteRawBytes("xyz");
  EXPECT_EQ(w.Bytes(), "\xFE\xFF\xFF\xFFTPF0xyz");
  StreamReader r(w.Bytes());
  EXPECT_EQ(r.ReadRawInt32(), -2);
  r.ReadSignature();
  EXPECT_EQ(r.ReadRawBytes(3), "xyz");
  EXPECT_EQ(r.ReadRawBytes(0), "");
  EXPECT_THROW(r.ReadRawBytes(1), EReadError);
  EXPECT_EQ(ReadWhole("\x00\x00\x00\x80"s, &StreamReader::ReadRawInt32), INT32_MIN);
}

// Every proper prefix, in a heap block of exactly its size for ASan, must raise EReadError; the whole must read.
void ExpectEveryTruncationFails(const std::string& label, const std::string& bytes, const Read& read) {
  SCOPED_TRACE(label);
  for (std::size_t n = 0; n <= bytes.size(); ++n) {
    auto block = std::make_unique<uint8_t[]>(n);
    std::memcpy(block.get(), bytes.data(), n);
    StreamReader r(std::span<const uint8_t>(block.get(), n));
    if (n < bytes.size()) {
      EXPECT_THROW(read(r), EReadError) << "cut at " << n << " of " << bytes.size();
    } else {
      EXPECT_NO_THROW(read(r));
      EXPECT_TRUE(r.AtEnd());
    }
  }
}

TEST(StreamIO, EveryValueCutShortFailsCleanly) {
  const Read integer = READ(ReadInteger());
  const Read number = READ(ReadFloat());
  const std::tuple<const char*, std::string, Read> cases[] = {
      {"int8", "\x02\xFB", integer},
      {"int16", "\x03\x48\xF4", integer},
      {"int32", "\x04\x00\x00\x10\x00"s, integer},
      {"int64", "\x13\0\0\0\0\0\x01\0\0"s, READ(ReadInt64())},
      {"double", "\x15\0\0\0\0\0\0\x21\x40"s, number},
      {"extended", Written([](StreamWriter& w) { w.WriteExtended(-0.3); }), number},
      {"short string", "\x06\x06Layer1", kString},
      {"long string", "\x0C\x04\x01\0\0"s + std::string(260, 'q'), kString},
      {"utf-8 string", "\x14\x0A\0\0\0Scenery\xE3\x82\xA2"s, kString},
      {"wide string", kKanaWide, kString},
      {"ident",
       "\x07\x08"
       "bpVertex",
       READ(ReadIdent())},
      {"boolean", "\x09", READ(ReadBoolean())},
      {"set",
       "\x0B\x01"
       "a\x02"
       "bc\x00"s,
       READ(ReadSet())},
      {"binary", "\x0A\x03\0\0\0\x01\x02\x03"s, READ(ReadBinary())},
      {"single", "\x0F\0\0\x80\x3F"s, kSkip},
      {"currency", "\x10\x01\x02\x03\x04\x05\x06\x07\x08", kSkip},
      {"list", "\x01\x03\x90\x01\x06\x01s\x00"s, kSkip},
      {"prefix with position", "\xF2\x03\x10\x00"s, READ(ReadPrefix())},
      {"collection",
       "\x0E\x02\x03\x01\x01"
       "A\x09\x00\x01\x00\x00"s,
       kSkip}};
  for (const auto& [label, bytes, read] : cases) {
    ExpectEveryTruncationFails(label, bytes, read);
    // The generic skip must agree with the typed read on where the value ends.
    ExpectEveryTruncationFails(std::string(label) + " skipped", bytes, [&](StreamReader& r) {
      (r.PeekByte() & 0xF0) == 0xF0 ? (void)r.ReadPrefix() : r.SkipValue();
    });
  }
}

// The largest single allocation `action` makes, where the sanitizer runtime reports them (0 elsewhere).
#if VREL_TRACK_ALLOCATIONS
std::atomic<std::size_t> largestAllocation{0};
std::atomic<bool> tracking{false};
std::size_t LargestAllocationOf(const std::function<void()>& action) {
  static const bool hooked = __sanitizer_install_malloc_and_free_hooks(
                                 [](const volatile void*, std::size_t size) {
                                   if (!tracking.load(std::memory_order_relaxed))
                                     return;
                                   std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
                                   while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
                                   }
                                 },
                                 [](const volatile void*) {}) != 0;
  largestAllocation = 0;
  tracking = true;
  action();
  tracking = false;
  return hooked ? largestAllocation.load() : 0;
}
#else
std::size_t LargestAllocationOf(const std::function<void()>& action) {
  action();
  return 0;
}
#endif

TEST(StreamIO, HugeLengthsFailBeforeAnythingIsAllocated) {
  // Long, UTF-8, binary, wide (2^32 - 2 bytes; twice the count overflowing 32 bits), and 4 bytes wanted, 3 there.
  for (const char* head :
       {"\x0C\xFF\xFF\xFF\x7F", "\x14\xFF\xFF\xFF\x7F", "\x0A\xFF\xFF\xFF\x7F", "\x12\xFF\xFF\xFF\x7F",
        "\x12\xFF\xFF\xFF\xFF", "\x12\0\0\0\x80", "\x12\x02\0\0\0", "\x0C\x04\0\0\0"}) {
    const std::string bytes = std::string(head, 5) + "abc";
    std::string typed, skipped;
    EXPECT_LT(LargestAllocationOf([&] {
                typed = ReadErrorOf(bytes, bytes[0] == 0x0A ? READ(ReadBinary()) : kString);
                skipped = ReadErrorOf(bytes, kSkip);
              }),
              4096u)
        << bytes;
    EXPECT_EQ(typed, kReadError) << bytes;
    EXPECT_EQ(skipped, kReadError) << bytes;
  }
}

TEST(StreamIO, MalformedInputRaisesItsOwnMessage) {
  const std::string kBadStream(kInvalidStreamMessage);
  const std::tuple<std::string, Read, const std::string&> cases[] = {
      // Values of another kind than the reader wants, and unknown tags.
      {"\x07\x01x", kString, kBadValue},
      {"\x02\x01", kString, kBadValue},
      {"\x0A\0\0\0\0"s, kString, kBadValue},
      {"\x06\x01x", READ(ReadIdent()), kBadValue},
      {"\x07\x04True", READ(ReadBoolean()), kBadValue},
      {"\x01\x00"s, READ(ReadSet()), kBadValue},
      {"\x0C\0\0\0\0"s, READ(ReadBinary()), kBadValue},
      {"\x0E\x06\x00"s, READ(ReadCollectionItemBegin()), kBadValue},
      {"\x01", READ(ReadListEnd()), kBadValue},
      {"\x0E", READ(ReadListBegin()), kBadValue},
      {"\xF2\x06\x01"
       "1",
       READ(ReadPrefix()), kBadValue},
      {"\x16\0\0\0\0"s, kSkip, kBadValue},
      {"\x16\0\0\0\0"s, READ(PeekTag()), kBadValue},
      {"\x16\0\0\0\0"s, READ(ReadInteger()), kBadValue},
      {"\x7F\0\0\0\0"s, kSkip, kBadValue},
      {"\xF0\0\0\0\0"s, READ(PeekTag()), kBadValue},
      {"\xFF\0\0\0\0"s, READ(ReadInteger()), kBadValue},
      {"TPF1", READ(ReadSignature()), kBadStream},
      {"tpf0", READ(ReadSignature()), kBadStream},
      {"TP", READ(ReadSignature()), kBadStream},
      {"", READ(ReadSignature()), kBadStream},
      // Reading past the end, a set whose closing empty name is missing, a list that never ends.
      {"", READ(ReadByte()), kReadError},
      {"", READ(PeekTag()), kReadError},
      {"", READ(EndOfList()), kReadError},
      {"", READ(ReadPrefix()), kReadError},
      {"", kSkip, kReadError},
      {"\xF2", READ(ReadPrefix()), kReadError},
      {"\x0B\x01"
       "a",
       READ(ReadSet()), kReadError},
      {"\x01\x02\x01\x08", kSkip, kReadError}};
  for (const auto& [bytes, read, message] : cases)
    EXPECT_EQ(ReadErrorOf(bytes, read), message) << bytes;
}

}  // namespace
}  // namespace vrel
