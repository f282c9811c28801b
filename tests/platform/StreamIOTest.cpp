#include "platform/StreamIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime reports every allocation to this hook; GCC ships no header declaring it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#define VREL_TRACK_ALLOCATIONS 1
#endif

namespace vrel {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  return out;
}

std::string Written(const std::function<void(StreamWriter&)>& write) {
  StreamWriter w;
  write(w);
  return w.TakeBytes();
}

// Runs `read` and hands back the message of the EReadError it raised ("" when it raised none).
std::string ReadErrorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const EReadError& e) {
    return e.what();
  }
  return "";
}

// For a value read within one expression, where the bytes outlive the reader.
StreamReader Reader(const std::string& bytes) { return StreamReader(bytes); }

const std::string kReadError(kReadErrorMessage);
const std::string kBadValue(kInvalidPropertyValueMessage);

// ---- integers ----

TEST(StreamIO, IntegersTakeTheSmallestTagThatHoldsThem) {
  struct Case {
    int32_t value;
    std::string bytes;
  };
  const Case cases[] = {
      {0, Bytes({0x02, 0x00})},
      {127, Bytes({0x02, 0x7F})},
      {128, Bytes({0x03, 0x80, 0x00})},
      {-128, Bytes({0x02, 0x80})},
      {-129, Bytes({0x03, 0x7F, 0xFF})},
      {32767, Bytes({0x03, 0xFF, 0x7F})},
      {32768, Bytes({0x04, 0x00, 0x80, 0x00, 0x00})},
      {-32768, Bytes({0x03, 0x00, 0x80})},
      {-32769, Bytes({0x04, 0xFF, 0x7F, 0xFF, 0xFF})},
      {40000, Bytes({0x04, 0x40, 0x9C, 0x00, 0x00})},
      {INT32_MAX, Bytes({0x04, 0xFF, 0xFF, 0xFF, 0x7F})},
      {INT32_MIN, Bytes({0x04, 0x00, 0x00, 0x00, 0x80})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Hex(Written([&](StreamWriter& w) { w.WriteInteger(c.value); })), Hex(c.bytes));
    EXPECT_EQ(Hex(Written([&](StreamWriter& w) { w.WriteInt64(c.value); })), Hex(c.bytes));
    StreamReader r(c.bytes);
    EXPECT_EQ(r.ReadInteger(), c.value);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(Reader(c.bytes).ReadInt64(), c.value);
    EXPECT_EQ(Reader(c.bytes).ReadFloat(), static_cast<double>(c.value));
  }
}

TEST(StreamIO, SixtyFourBitIntegersUseTag19OnlyBeyond32Bits) {
  const std::string big = Written([](StreamWriter& w) { w.WriteInt64(int64_t{1} << 31); });
  EXPECT_EQ(Hex(big), Hex(Bytes({0x13, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00})));
  const std::string low = Written([](StreamWriter& w) { w.WriteInt64(INT64_MIN); });
  EXPECT_EQ(Hex(low), Hex(Bytes({0x13, 0, 0, 0, 0, 0, 0, 0, 0x80})));
  EXPECT_EQ(Reader(big).ReadInt64(), int64_t{1} << 31);
  EXPECT_EQ(Reader(low).ReadInt64(), INT64_MIN);
  EXPECT_EQ(Reader(big).ReadFloat(), 2147483648.0);
  EXPECT_EQ(Hex(Written([](StreamWriter& w) { w.WriteInt64(-(int64_t{1} << 31)); })),
            Hex(Bytes({0x04, 0x00, 0x00, 0x00, 0x80})));
  // A 32-bit integer property refuses the 64-bit tag rather than cutting the value.
  EXPECT_EQ(ReadErrorOf([&] { Reader(big).ReadInteger(); }), kBadValue);
}

// ---- floats ----

TEST(StreamIO, FloatsAreWrittenExtendedAndReadFromEveryNumericTag) {
  const std::string onePointFive = Written([](StreamWriter& w) { w.WriteExtended(1.5); });
  EXPECT_EQ(Hex(onePointFive), Hex(Bytes({0x05, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})));
  EXPECT_EQ(Reader(onePointFive).ReadFloat(), 1.5);
  const std::string tenth = Written([](StreamWriter& w) { w.WriteDouble(0.1); });
  EXPECT_EQ(Hex(tenth), Hex(Bytes({0x15, 0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F})));
  EXPECT_EQ(Reader(tenth).ReadFloat(), 0.1);
  // A written extended comes back as the same double for awkward values too.
  for (double v : {-0.0, 2.0e-310, 1.0e300, -123456.789, 1.0 / 3.0}) {
    const std::string bytes = Written([&](StreamWriter& w) { w.WriteExtended(v); });
    ASSERT_EQ(bytes.size(), 11u);
    const double back = Reader(bytes).ReadFloat();
    EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v;
  }
  EXPECT_EQ(Reader(Bytes({0x02, 0xFE})).ReadFloat(), -2.0);
  EXPECT_EQ(Reader(Bytes({0x03, 0x00, 0x01})).ReadFloat(), 256.0);
  EXPECT_EQ(Reader(Bytes({0x04, 0x00, 0x00, 0x01, 0x00})).ReadFloat(), 65536.0);

  // Single, currency and date are never written for properties and are refused when read as one.
  const std::string single = Bytes({0x0F, 0x00, 0x00, 0x80, 0x3F});
  const std::string currency = Bytes({0x10, 0x10, 0x27, 0, 0, 0, 0, 0, 0});
  const std::string date = Bytes({0x11, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  for (const std::string& bytes : {single, currency, date, Bytes({0x06, 0x01, '1'}), Bytes({0x09})}) {
    EXPECT_EQ(ReadErrorOf([&] { Reader(bytes).ReadFloat(); }), kBadValue) << Hex(bytes);
    // ...but they can be stepped over.
    StreamReader r(bytes);
    r.SkipValue();
    EXPECT_TRUE(r.AtEnd());
  }
}

// ---- strings ----

// Expected bytes are those of Python's cp932 / utf-8 / utf-16-le codecs.
TEST(StreamIO, StringsChooseTheFormTheTextCallsFor) {
  struct Case {
    const char* label;
    std::string cp932;
    std::string stream;
  };
  const std::string ascii300(300, 'a');
  const Case cases[] = {
      {"Layer1", "Layer1", Bytes({0x06, 0x06}) + "Layer1"},
      // Four kana, a blank and a digit: 14 UTF-8 bytes against 6 UTF-16 units.
      {"layer 1 in kana", Bytes({0x83, 0x8C, 0x83, 0x43, 0x83, 0x84, 0x81, 0x5B, 0x20, 0x31}),
       Bytes({0x12, 0x06, 0x00, 0x00, 0x00, 0xEC, 0x30, 0xA4, 0x30, 0xE4, 0x30, 0xFC, 0x30, 0x20, 0x00, 0x31,
              0x00})},
      // Seven letters and one kana: 10 UTF-8 bytes against 8 units.
      {"Scenery + kana", "Scenery" + Bytes({0x83, 0x41}),
       Bytes({0x14, 0x0A, 0x00, 0x00, 0x00}) + "Scenery" + Bytes({0xE3, 0x82, 0xA2})},
      // One letter and one kana: 4 UTF-8 bytes are not shorter than 2 * 2 units.
      {"a + kana", "a" + Bytes({0x83, 0x41}), Bytes({0x12, 0x02, 0, 0, 0, 0x61, 0x00, 0xA2, 0x30})},
      {"aa + kana", "aa" + Bytes({0x83, 0x41}),
       Bytes({0x14, 0x05, 0, 0, 0, 0x61, 0x61, 0xE3, 0x82, 0xA2})},
      // A kanji whose second byte is a backslash in ASCII is still not ASCII text.
      {"kanji with 5C trail", Bytes({0x95, 0x5C}), Bytes({0x12, 0x01, 0, 0, 0, 0x68, 0x88})},
      {"half-width kana", Bytes({0xB1}), Bytes({0x12, 0x01, 0, 0, 0, 0x71, 0xFF})},
      {"300 ASCII bytes", ascii300, Bytes({0x0C, 0x2C, 0x01, 0x00, 0x00}) + ascii300},
      {"255 ASCII bytes", std::string(255, 'z'), Bytes({0x06, 0xFF}) + std::string(255, 'z')},
      {"256 ASCII bytes", std::string(256, 'z'), Bytes({0x0C, 0x00, 0x01, 0, 0}) + std::string(256, 'z')},
      {"empty", "", Bytes({0x06, 0x00})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string bytes = Written([&](StreamWriter& w) { w.WriteStringValue(c.cp932); });
    EXPECT_EQ(Hex(bytes), Hex(c.stream));
    StreamReader r(c.stream);
    EXPECT_EQ(Hex(r.ReadStringValue()), Hex(c.cp932));
    EXPECT_TRUE(r.AtEnd());
    StreamReader skip(c.stream);
    skip.SkipValue();
    EXPECT_TRUE(skip.AtEnd());
  }
}

TEST(StreamIO, ByteStringsReadAsTheyStandAndUnicodeFormsConvertToCp932) {
  // Short and long strings carry code-page bytes; nothing is converted.
  EXPECT_EQ(Hex(Reader(Bytes({0x06, 0x02, 0x83, 0x41})).ReadStringValue()), Hex(Bytes({0x83, 0x41})));
  EXPECT_EQ(Hex(Reader(Bytes({0x0C, 0x02, 0, 0, 0, 0x8A, 0xBF})).ReadStringValue()),
            Hex(Bytes({0x8A, 0xBF})));
  // UTF-8 "①" and UTF-16 "漢" to their CP932 forms.
  EXPECT_EQ(Hex(Reader(Bytes({0x14, 0x03, 0, 0, 0, 0xE2, 0x91, 0xA0})).ReadStringValue()),
            Hex(Bytes({0x87, 0x40})));
  EXPECT_EQ(Hex(Reader(Bytes({0x12, 0x01, 0, 0, 0, 0x22, 0x6F})).ReadStringValue()),
            Hex(Bytes({0x8A, 0xBF})));
  EXPECT_EQ(Reader(Bytes({0x12, 0, 0, 0, 0})).ReadStringValue(), "");
  for (const std::string& other : {Bytes({0x07, 0x01, 'x'}), Bytes({0x02, 0x01}), Bytes({0x0A, 0, 0, 0, 0})}) {
    EXPECT_EQ(ReadErrorOf([&] { Reader(other).ReadStringValue(); }), kBadValue) << Hex(other);
  }
}

TEST(StreamIO, MixedTextsRoundTripWhateverFormTheyTake) {
  // CP932 pieces: ASCII, full-width kana, half-width kana, kanji (one with a 5C trail byte), symbol.
  const std::string pieces[] = {"a", "Z", " ", Bytes({0x83, 0x41}), Bytes({0xB1}), Bytes({0x8A, 0xBF}),
                                Bytes({0x95, 0x5C}), Bytes({0x87, 0x40})};
  std::mt19937 rng(99);
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    const int count = static_cast<int>(rng() % 300);
    const bool asciiOnly = rng() % 3 == 0;
    for (int k = 0; k < count; ++k) text += pieces[rng() % (asciiOnly ? 3 : std::size(pieces))];
    const std::string bytes = Written([&](StreamWriter& w) { w.WriteStringValue(text); });
    StreamReader r(bytes);
    ASSERT_EQ(Hex(r.ReadStringValue()), Hex(text));
    ASSERT_TRUE(r.AtEnd());
  }
}

// ---- identifiers, Booleans, sets, binary ----

TEST(StreamIO, IdentsBooleansNilSetsAndBinaryHaveTheirLayouts) {
  EXPECT_EQ(Hex(Written([](StreamWriter& w) { w.WriteIdent("bpFace"); })), Hex(Bytes({0x07, 0x06}) + "bpFace"));
  EXPECT_EQ(Hex(Written([](StreamWriter& w) {
              w.WriteBoolean(false);
              w.WriteBoolean(true);
              w.WriteNil();
            })),
            Hex(Bytes({0x08, 0x09, 0x0D})));
  const std::vector<std::string> members = {"fsBold", "fsItalic"};
  const std::string set = Written([&](StreamWriter& w) { w.WriteSet(members); });
  EXPECT_EQ(Hex(set), Hex(Bytes({0x0B, 0x06}) + "fsBold" + Bytes({0x08}) + "fsItalic" + Bytes({0x00})));
  EXPECT_EQ(Reader(set).ReadSet(), members);
  const std::string emptySet = Written([](StreamWriter& w) { w.WriteSet({}); });
  EXPECT_EQ(Hex(emptySet), Hex(Bytes({0x0B, 0x00})));
  EXPECT_TRUE(Reader(emptySet).ReadSet().empty());

  const std::string payload = Bytes({0x00, 0xFF, 0x10});
  const std::string binary = Written([&](StreamWriter& w) { w.WriteBinary(payload); });
  EXPECT_EQ(Hex(binary), Hex(Bytes({0x0A, 0x03, 0, 0, 0, 0x00, 0xFF, 0x10})));
  EXPECT_EQ(Hex(Reader(binary).ReadBinary()), Hex(payload));

  EXPECT_EQ(Reader(Bytes({0x07, 0x02, 'o', 'k'})).ReadIdent(), "ok");
  // The tags that stand for well-known identifiers read as those names.
  EXPECT_EQ(Reader(Bytes({0x08})).ReadIdent(), "False");
  EXPECT_EQ(Reader(Bytes({0x09})).ReadIdent(), "True");
  EXPECT_EQ(Reader(Bytes({0x0D})).ReadIdent(), "nil");
  EXPECT_FALSE(Reader(Bytes({0x08})).ReadBoolean());
  EXPECT_TRUE(Reader(Bytes({0x09})).ReadBoolean());

  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x06, 0x01, 'x'})).ReadIdent(); }), kBadValue);
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x07, 0x04, 'T', 'r', 'u', 'e'})).ReadBoolean(); }), kBadValue);
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x01, 0x00})).ReadSet(); }), kBadValue);
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x0C, 0, 0, 0, 0})).ReadBinary(); }), kBadValue);
}

TEST(StreamIO, WritersRefuseWhatTheFormatCannotHoldAndLeaveNoStrayBytes) {
  StreamWriter w;
  w.WriteInteger(1);
  const std::string before = w.Bytes();
  EXPECT_NO_THROW(w.WritePropName(std::string(255, 'n')));
  const std::string after255 = w.Bytes();
  EXPECT_EQ(after255.size(), before.size() + 256);
  EXPECT_THROW(w.WritePropName(std::string(256, 'n')), EWriteError);
  EXPECT_THROW(w.WriteIdent(std::string(300, 'i')), EWriteError);
  EXPECT_THROW(w.WriteSet(std::vector<std::string>{"ok", std::string(256, 's')}), EWriteError);
  EXPECT_THROW(w.WriteSet(std::vector<std::string>{"ok", ""}), EWriteError);
  EXPECT_EQ(Hex(w.Bytes()), Hex(after255));
}

// ---- lists, collections, prefix, signature, framing ----

TEST(StreamIO, ListsAndCollectionsNestAndSkipWhole) {
  // A collection of two items; the second carries an order integer, as some writers add.
  const std::string collection = Written([](StreamWriter& w) {
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
    w.WriteListBegin();  // a list value after it, to see the skip stop in the right place
    w.WriteInteger(1);
    w.WriteStringValue("x");
    w.WriteListEnd();
  });
  EXPECT_EQ(Hex(collection.substr(0, 18)),
            Hex(Bytes({0x0E, 0x01, 0x0B}) + "ReferenceID" + Bytes({0x03, 0x2C, 0x01, 0x0C})));

  StreamReader r(collection);
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
  EXPECT_EQ(r.ReadInteger(), 1);
  EXPECT_EQ(r.ReadStringValue(), "x");
  r.ReadListEnd();
  EXPECT_TRUE(r.AtEnd());

  StreamReader skip(collection);
  skip.SkipValue();
  EXPECT_EQ(skip.ReadTag(), ValueTag::vaList);
  skip.SkipValue();
  skip.SkipValue();
  skip.ReadListEnd();
  EXPECT_TRUE(skip.AtEnd());

  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x0E, 0x06, 0x00})).ReadCollectionItemBegin(); }), kBadValue);
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x01})).ReadListEnd(); }), kBadValue);
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x0E})).ReadListBegin(); }), kBadValue);
}

TEST(StreamIO, NestingDeeperThanTheLimitIsRefused) {
  auto nestedLists = [](int depth) {
    return std::string(depth, '\x01') + Bytes({0x02, 0x05}) + std::string(depth, '\x00');
  };
  {
    const std::string ok = nestedLists(kMaxStreamNesting);
    StreamReader r(ok);
    r.SkipValue();
    EXPECT_TRUE(r.AtEnd());
  }
  const std::string deep = nestedLists(kMaxStreamNesting + 1);
  EXPECT_EQ(ReadErrorOf([&] { Reader(deep).SkipValue(); }), std::string(kNestingTooDeepMessage));
  // A hostile stream that only ever opens lists is stopped by the limit, not by the stack.
  const std::string opens(1'000'000, '\x01');
  EXPECT_EQ(ReadErrorOf([&] { Reader(opens).SkipValue(); }), std::string(kNestingTooDeepMessage));

  // Collections count as levels as well: each item holds a property whose value is the next one.
  auto nestedCollections = [](int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += Bytes({0x0E, 0x01, 0x01, 'P'});
    s += Bytes({0x09});
    for (int i = 0; i < depth; ++i) s += Bytes({0x00, 0x00});
    return s;
  };
  {
    const std::string ok = nestedCollections(kMaxStreamNesting);
    StreamReader r(ok);
    r.SkipValue();
    EXPECT_TRUE(r.AtEnd());
  }
  EXPECT_EQ(ReadErrorOf([&] { Reader(nestedCollections(kMaxStreamNesting + 1)).SkipValue(); }),
            std::string(kNestingTooDeepMessage));

  // Width is not depth: a long flat list skips fine.
  std::string wide = Bytes({0x01});
  for (int i = 0; i < 100'000; ++i) wide += Bytes({0x02, 0x01});
  wide += Bytes({0x00});
  StreamReader r(wide);
  r.SkipValue();
  EXPECT_TRUE(r.AtEnd());
}

TEST(StreamIO, UnknownTagsAreRefused) {
  for (int tag : {22, 0x7F, 0xF0, 0xFF}) {
    const std::string bytes = Bytes({tag, 0, 0, 0, 0});
    EXPECT_EQ(ReadErrorOf([&] { Reader(bytes).SkipValue(); }), kBadValue) << tag;
    EXPECT_EQ(ReadErrorOf([&] { Reader(bytes).PeekTag(); }), kBadValue) << tag;
    EXPECT_EQ(ReadErrorOf([&] { Reader(bytes).ReadInteger(); }), kBadValue) << tag;
  }
}

TEST(StreamIO, PrefixByteIsOptionalAndMayCarryAChildPosition) {
  {
    const std::string bytes = Bytes({0x04, 'T', 'A', 'b', 'c'});
    StreamReader r(bytes);
    const StreamPrefix p = r.ReadPrefix();
    EXPECT_EQ(p.flags, 0);
    EXPECT_FALSE(p.childPosition);
    EXPECT_EQ(r.Position(), 0u);
    EXPECT_EQ(r.ReadShortString(), "TAbc");
  }
  {
    const std::string bytes = Bytes({0xF1, 0x00});
    StreamReader r(bytes);
    const StreamPrefix p = r.ReadPrefix();
    EXPECT_EQ(p.flags, kPrefixInherited);
    EXPECT_FALSE(p.childPosition);
    EXPECT_EQ(r.Position(), 1u);
  }
  {
    const std::string bytes = Bytes({0xF6, 0x03, 0x00, 0x01, 0x00});
    StreamReader r(bytes);
    const StreamPrefix p = r.ReadPrefix();
    EXPECT_EQ(p.flags, kPrefixChildPosition | kPrefixInline);
    EXPECT_EQ(p.childPosition, 256);
    EXPECT_EQ(r.Position(), 4u);
  }
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0xF2, 0x06, 0x01, '1'})).ReadPrefix(); }), kBadValue);
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0xF2})).ReadPrefix(); }), kReadError);
}

TEST(StreamIO, SignatureAndRecordFraming) {
  StreamWriter w;
  w.WriteRawInt32(-2);
  w.WriteSignature();
  w.WriteRawBytes("xyz");
  EXPECT_EQ(Hex(w.Bytes()), Hex(Bytes({0xFE, 0xFF, 0xFF, 0xFF, 'T', 'P', 'F', '0', 'x', 'y', 'z'})));
  StreamReader r(w.Bytes());
  EXPECT_EQ(r.ReadRawInt32(), -2);
  r.ReadSignature();
  EXPECT_EQ(r.ReadRawBytes(3), "xyz");
  EXPECT_EQ(r.ReadRawBytes(0), "");
  EXPECT_EQ(ReadErrorOf([&] { r.ReadRawBytes(1); }), kReadError);

  const std::string badSignature(kInvalidStreamMessage);
  for (const std::string& bytes : {std::string("TPF1"), std::string("tpf0"), std::string("TP"), std::string()}) {
    EXPECT_EQ(ReadErrorOf([&] { Reader(bytes).ReadSignature(); }), badSignature) << bytes;
  }
  const std::string minimum("\x00\x00\x00\x80", 4);
  StreamReader big(minimum);
  EXPECT_EQ(big.ReadRawInt32(), INT32_MIN);
}

// ---- damaged input ----

// Feeds `read` every proper prefix of `bytes`, each in a heap block of exactly its size so that
// AddressSanitizer catches any read past the end, and expects EReadError every time; the whole
// bytes must read cleanly to the end.
void ExpectEveryTruncationFails(const std::string& label, const std::string& bytes,
                                const std::function<void(StreamReader&)>& read) {
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
  struct Case {
    const char* label;
    std::string bytes;
    std::function<void(StreamReader&)> read;
  };
  auto tagged = [](const char* label, std::string bytes, std::function<void(StreamReader&)> read) {
    return Case{label, std::move(bytes), std::move(read)};
  };
  const std::string kana = Bytes({0x83, 0x8C, 0x83, 0x43, 0x83, 0x84, 0x81, 0x5B, 0x20, 0x31});
  const std::vector<Case> cases = {
      tagged("int8", Written([](StreamWriter& w) { w.WriteInteger(-5); }), [](StreamReader& r) { r.ReadInteger(); }),
      tagged("int16", Written([](StreamWriter& w) { w.WriteInteger(-3000); }), [](StreamReader& r) { r.ReadInteger(); }),
      tagged("int32", Written([](StreamWriter& w) { w.WriteInteger(1 << 20); }), [](StreamReader& r) { r.ReadInteger(); }),
      tagged("int64", Written([](StreamWriter& w) { w.WriteInt64(int64_t{1} << 40); }), [](StreamReader& r) { r.ReadInt64(); }),
      tagged("extended", Written([](StreamWriter& w) { w.WriteExtended(-0.3); }), [](StreamReader& r) { r.ReadFloat(); }),
      tagged("double", Written([](StreamWriter& w) { w.WriteDouble(8.5); }), [](StreamReader& r) { r.ReadFloat(); }),
      tagged("short string", Written([](StreamWriter& w) { w.WriteStringValue("Layer1"); }),
             [](StreamReader& r) { r.ReadStringValue(); }),
      tagged("long string", Written([](StreamWriter& w) { w.WriteStringValue(std::string(260, 'q')); }),
             [](StreamReader& r) { r.ReadStringValue(); }),
      tagged("utf-8 string", Written([](StreamWriter& w) { w.WriteStringValue("Scenery\x83\x41"); }),
             [](StreamReader& r) { r.ReadStringValue(); }),
      tagged("wide string", Written([&](StreamWriter& w) { w.WriteStringValue(kana); }),
             [](StreamReader& r) { r.ReadStringValue(); }),
      tagged("ident", Written([](StreamWriter& w) { w.WriteIdent("bpVertex"); }), [](StreamReader& r) { r.ReadIdent(); }),
      tagged("boolean", Written([](StreamWriter& w) { w.WriteBoolean(true); }), [](StreamReader& r) { r.ReadBoolean(); }),
      tagged("set", Written([](StreamWriter& w) { w.WriteSet(std::vector<std::string>{"a", "bc"}); }),
             [](StreamReader& r) { r.ReadSet(); }),
      tagged("binary", Written([](StreamWriter& w) { w.WriteBinary("\x01\x02\x03"); }),
             [](StreamReader& r) { r.ReadBinary(); }),
      tagged("single", Bytes({0x0F, 0, 0, 0x80, 0x3F}), [](StreamReader& r) { r.SkipValue(); }),
      tagged("currency", Bytes({0x10, 1, 2, 3, 4, 5, 6, 7, 8}), [](StreamReader& r) { r.SkipValue(); }),
      tagged("date", Bytes({0x11, 1, 2, 3, 4, 5, 6, 7, 8}), [](StreamReader& r) { r.SkipValue(); }),
      tagged("list", Written([](StreamWriter& w) {
               w.WriteListBegin();
               w.WriteInteger(400);
               w.WriteStringValue("s");
               w.WriteListEnd();
             }),
             [](StreamReader& r) { r.SkipValue(); }),
      tagged("collection", Bytes({0x0E, 0x02, 0x03, 0x01, 0x01, 'A', 0x09, 0x00, 0x01, 0x00, 0x00}),
             [](StreamReader& r) { r.SkipValue(); }),
      tagged("prefix with position", Bytes({0xF2, 0x03, 0x10, 0x00}), [](StreamReader& r) { r.ReadPrefix(); }),
  };
  for (const Case& c : cases) {
    ExpectEveryTruncationFails(c.label, c.bytes, c.read);
    // The generic skip must agree with the typed read on where the value ends.
    ExpectEveryTruncationFails(std::string(c.label) + " skipped", c.bytes, [&](StreamReader& r) {
      if ((r.PeekByte() & 0xF0) == 0xF0) {
        r.ReadPrefix();
      } else {
        r.SkipValue();
      }
    });
  }
}

// Steps over one component record with the primitives alone, as the property walker will.
void SkipComponent(StreamReader& r, int depth = 0) {
  if (depth > kMaxStreamNesting) throw EReadError(std::string(kNestingTooDeepMessage));
  r.ReadPrefix();
  r.ReadShortString();
  r.ReadShortString();
  while (!r.EndOfList()) {
    r.ReadPropName();
    r.SkipValue();
  }
  r.ReadListEnd();
  while (!r.EndOfList()) SkipComponent(r, depth + 1);
  r.ReadListEnd();
}

TEST(StreamIO, AWholeStreamCutAnywhereFailsCleanly) {
  // A layer container with one layer of one vertex, then a menu item with one child.
  const std::string stream = Written([](StreamWriter& w) {
    w.WriteSignature();
    w.WriteShortString("TSquareBladeCollectionsContainer");
    w.WriteShortString("");
    w.WritePropName("CurrentIndex");
    w.WriteInteger(0);
    w.WritePropName("Collections.CurrentIndex");
    w.WriteInteger(0);
    w.WritePropName("Collections");
    w.WriteCollectionBegin();
    w.WriteListBegin();
    w.WritePropName("ChildCollection.VertexPool");
    w.WriteCollectionBegin();
    w.WriteListBegin();
    w.WritePropName("ItemID");
    w.WriteInteger(0);
    w.WritePropName("Vertex.X");
    w.WriteExtended(1.5);
    w.WritePropName("Vertex.Select");
    w.WriteBoolean(false);
    w.WriteListEnd();
    w.WriteCollectionEnd();
    w.WritePropName("ChildCollection.Name");
    w.WriteStringValue("\x83\x8C\x83\x43\x83\x84\x81\x5B\x20\x31");
    w.WriteListEnd();
    w.WriteCollectionEnd();
    w.WriteListEnd();  // properties
    w.WriteShortString("TMenuItem");
    w.WriteShortString("mnuPlaneMark_Call");
    w.WriteListEnd();
    w.WriteByte(0xF0);  // a child with an empty prefix
    w.WriteShortString("TMenuItem");
    w.WriteShortString("");
    w.WritePropName("Caption");
    w.WriteStringValue("(1.5, 0, 2)");
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();  // children of the menu item
    w.WriteListEnd();  // children of the container
  });
  ExpectEveryTruncationFails("stream", stream, [](StreamReader& r) {
    r.ReadSignature();
    SkipComponent(r);
  });
}

#if VREL_TRACK_ALLOCATIONS
std::atomic<std::size_t> largestAllocation{0};
std::atomic<bool> tracking{false};

void OnMalloc(const volatile void*, std::size_t size) {
  if (!tracking.load(std::memory_order_relaxed)) return;
  std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
  while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
  }
}
void OnFree(const volatile void*) {}
#endif

TEST(StreamIO, HugeLengthsFailBeforeAnythingIsAllocated) {
#if VREL_TRACK_ALLOCATIONS
  static const bool hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
#endif
  const std::string tail = "abc";
  const std::string cases[] = {
      Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0x7F}) + tail,  // long string
      Bytes({0x14, 0xFF, 0xFF, 0xFF, 0x7F}) + tail,  // UTF-8 string
      Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0x7F}) + tail,  // binary
      Bytes({0x12, 0xFF, 0xFF, 0xFF, 0x7F}) + tail,  // wide string: 2^32 - 2 bytes
      Bytes({0x12, 0x00, 0x00, 0x00, 0x80}) + tail,  // twice the count overflows 32 bits
      Bytes({0x12, 0xFF, 0xFF, 0xFF, 0xFF}) + tail,
      Bytes({0x12, 0x02, 0x00, 0x00, 0x00}) + tail,  // 4 bytes wanted, 3 there
      Bytes({0x0C, 0x04, 0x00, 0x00, 0x00}) + tail,
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(Hex(bytes));
#if VREL_TRACK_ALLOCATIONS
    largestAllocation = 0;
    tracking = true;
#endif
    const std::string typed = ReadErrorOf([&] {
      StreamReader r(bytes);
      if (bytes[0] == 0x0A) {
        r.ReadBinary();
      } else {
        r.ReadStringValue();
      }
    });
    const std::string skipped = ReadErrorOf([&] { Reader(bytes).SkipValue(); });
#if VREL_TRACK_ALLOCATIONS
    tracking = false;
    if (hooked) {
      EXPECT_LT(largestAllocation.load(), 4096u);
    }
#endif
    EXPECT_EQ(typed, kReadError);
    EXPECT_EQ(skipped, kReadError);
  }
}

TEST(StreamIO, ReadingPastTheEndRaisesTheReadError) {
  StreamReader empty{std::string_view()};
  EXPECT_EQ(ReadErrorOf([&] { empty.ReadByte(); }), kReadError);
  EXPECT_EQ(ReadErrorOf([&] { empty.PeekTag(); }), kReadError);
  EXPECT_EQ(ReadErrorOf([&] { empty.EndOfList(); }), kReadError);
  EXPECT_EQ(ReadErrorOf([&] { empty.ReadPrefix(); }), kReadError);
  EXPECT_EQ(ReadErrorOf([&] { empty.SkipValue(); }), kReadError);
  // A set whose terminating empty name is missing.
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x0B, 0x01, 'a'})).ReadSet(); }), kReadError);
  // A list that never ends.
  EXPECT_EQ(ReadErrorOf([] { Reader(Bytes({0x01, 0x02, 0x01, 0x08})).SkipValue(); }), kReadError);
}

}  // namespace
}  // namespace vrel
