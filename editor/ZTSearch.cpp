#include "editor/ZTSearch.h"

#include <array>
#include <limits>
#include <vector>

#include "editor/zeUtils.h"

namespace vrel {

namespace {

// JIS X 0208 codes of the full-width forms of the half-width katakana 0xA6-0xDD (0xB0, the
// prolonged sound mark, lies in row 0x21).
constexpr uint16_t kKanaJis[0xDE - 0xA6] = {
    0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526,
    0x2528, 0x252A, 0x252B, 0x252D, 0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541,
    0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E,
    0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573};

constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;
constexpr unsigned char kHalfWidthU = 0xB3;
constexpr uint16_t kFullWidthVu = 0x8394;  // ヴ
constexpr uint16_t kFullWidthSpace = 0x8140;

// ｶ-ﾄ and ﾊ-ﾎ take the voiced mark, ﾊ-ﾎ also the semi-voiced one.
bool TakesVoicedMark(unsigned char c) {
  return (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE);
}
bool TakesSemiVoicedMark(unsigned char c) {
  return c >= 0xCA && c <= 0xCE;
}

// The full-width character a half-width katakana and the mark after it make together, or 0.
uint16_t VoicedOf(unsigned char kana, unsigned char mark) {
  if (kana == kHalfWidthU && mark == kVoicedMark)
    return kFullWidthVu;
  if (mark == kVoicedMark && TakesVoicedMark(kana))
    return JisToSjis(static_cast<uint16_t>(kKanaJis[kana - 0xA6] + 1));
  if (mark == kSemiVoicedMark && TakesSemiVoicedMark(kana))
    return JisToSjis(static_cast<uint16_t>(kKanaJis[kana - 0xA6] + 2));
  return 0;
}

// ASCII 0x20-0x7E to JIS X 0208. The four the old table leaves open follow Unicode's compatibility
// mapping (NFKC takes each full-width form back to its ASCII byte): '"' to U+FF02 (0xFA57), '\'' to
// U+FF07 (0xFA56), '\\' to U+FF3C (0x815F) and '`' to U+FF40 (0x814D), which is also what the
// system writes when these are typed full-width. '~' goes to 0x8150 (U+FFE3) as the old table has it.
constexpr uint16_t kAsciiFullWidth[0x7F - 0x20] = {
    0x8140, 0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B,  // ' '..'+'
    0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // ','..'7'
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,  // '8'..'C'
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // 'D'..'O'
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816D,  // 'P'..'['
    0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // '\\'..'g'
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293,  // 'h'..'s'
    0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // 't'..'~'
};

constexpr std::array<bool, 256> kSearchDelimiters =
    ByteSet({{0x00, 0x2F}, {0x3A, 0x40}, {0x5B, 0x60}, {0x7B, 0x80}, {0xA0, 0xA5}, {0xFD, 0xFF}});

// A character as the search compares it: a single byte is its value (0-0xFF), a double-byte
// character its code (0x8100 and up), so the two never meet.
using Code = uint32_t;

class Matcher {
 public:
  Matcher(std::string_view text, uint16_t options)
      : text_(text),
        matchCase_((options & soMatchCase) != 0),
        foldWidth_((options & soFoldWidth) != 0),
        wholeWord_((options & soWholeWord) != 0),
        skipLineBreaks_((options & soSkipLineBreaks) != 0),
        skipBlanks_((options & soSkipBlanks) != 0) {}

  // The folded character of `s` at `p` (< size) and the bytes it takes.
  Code Fold(std::string_view s, std::size_t p, std::size_t& length) const {
    length = CharLength(s, p);
    const auto b = static_cast<unsigned char>(s[p]);
    if (length == 2) {
      const auto code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(s[p + 1]));
      return matchCase_ ? code : UpperCaseOf(code);
    }
    if (foldWidth_) {
      uint16_t wide = 0;
      if (p + 1 < s.size())
        wide = VoicedOf(b, static_cast<unsigned char>(s[p + 1]));
      if (wide != 0)
        length = 2;
      else
        wide = FullWidthOf(matchCase_ ? b : UpperCaseOf(b));
      if (wide != 0)
        return matchCase_ ? wide : UpperCaseOf(wide);
    }
    return matchCase_ ? b : UpperCaseOf(b);
  }

  // The find string as folded characters; false when it holds none.
  bool SetPattern(std::string_view find) {
    for (std::size_t p = 0; p < find.size();) {
      std::size_t length = 0;
      pattern_.push_back(Fold(find, p, length));
      p += length;
    }
    MarkStartBytes();
    return !pattern_.empty();
  }
  std::size_t PatternChars() const { return pattern_.size(); }

  bool CanStart(unsigned char c) const { return startBytes_[c]; }

  // Matches the pattern at `p` (a character start; `before` is the start of the character before
  // it, kNone at the text's start); on success returns true and the text bytes the hit covers.
  bool MatchAt(std::size_t p, std::size_t before, std::size_t& hitLength) const {
    std::size_t t = p;
    std::size_t last = p;
    for (std::size_t k = 0; k < pattern_.size();) {
      if (t >= text_.size())
        return false;
      std::size_t length = 0;
      if (Fold(text_, t, length) == pattern_[k]) {
        last = t;
        t += length;
        ++k;
        continue;
      }
      if (k == 0 || !Skippable(t))
        return false;
      t += CharLength(text_, t);
    }
    if (wholeWord_ && !(WordBoundary(before, p) && WordBoundary(last, t)))
      return false;
    hitLength = t - p;
    return true;
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  bool Skippable(std::size_t t) const {
    const auto c = static_cast<unsigned char>(text_[t]);
    if (CharLength(text_, t) == 2)
      return skipBlanks_ && (c << 8 | static_cast<unsigned char>(text_[t + 1])) == kFullWidthSpace;
    return (skipLineBreaks_ && (c == '\r' || c == '\n')) || (skipBlanks_ && (c == '\t' || c == ' '));
  }

  // A single-byte character that ends a word (a trail byte never does).
  bool DelimiterAt(std::size_t p) const {
    return CharLength(text_, p) == 1 && kSearchDelimiters[static_cast<unsigned char>(text_[p])];
  }

  // Between the character at `before` and the one at `p` (both character starts): at either end of
  // the text, or next to a delimiter.
  bool WordBoundary(std::size_t before, std::size_t p) const {
    if (before == kNone || p >= text_.size())
      return true;
    return DelimiterAt(before) || DelimiterAt(p);
  }

  // Which bytes can begin a text character that folds to the pattern's first character.
  void MarkStartBytes() {
    if (pattern_.empty())
      return;
    const Code first = pattern_.front();
    for (int b = 0; b < 256; ++b) {
      const char one[2] = {static_cast<char>(b), static_cast<char>(kVoicedMark)};
      const char two[2] = {static_cast<char>(b), static_cast<char>(kSemiVoicedMark)};
      std::size_t length = 0;
      if (Fold(std::string_view(one, 1), 0, length) == first || Fold(std::string_view(one, 2), 0, length) == first ||
          Fold(std::string_view(two, 2), 0, length) == first)
        startBytes_[static_cast<std::size_t>(b)] = true;
    }
    if (first <= 0xFF)
      return;
    // A double-byte pattern character: its own lead byte, and the lead bytes of the characters that
    // fold to it.
    startBytes_[first >> 8] = true;
    if (!matchCase_) {
      for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead)))
          continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
          if (UpperCaseOf(static_cast<uint16_t>(lead << 8 | trail)) == first)
            startBytes_[static_cast<std::size_t>(lead)] = true;
        }
      }
    }
  }

  std::string_view text_;
  bool matchCase_;
  bool foldWidth_;
  bool wholeWord_;
  bool skipLineBreaks_;
  bool skipBlanks_;
  std::vector<Code> pattern_;
  std::array<bool, 256> startBytes_{};
};

// True at every character start of `text`, and at its end: a backward search steps back over
// these.
std::vector<bool> CharacterStarts(std::string_view text) {
  std::vector<bool> starts(text.size() + 1, false);
  for (std::size_t p = 0; p < text.size(); p += CharLength(text, p))
    starts[p] = true;
  starts[text.size()] = true;
  return starts;
}

}  // namespace

uint16_t JisToSjis(uint16_t code) {
  const int hi = code >> 8;
  const int lo = code & 0xFF;
  const int lead = ((hi + 1) >> 1) + (hi <= 0x5E ? 0x70 : 0xB0);
  const int trail = lo + ((hi & 1) != 0 ? (lo >= 0x60 ? 0x20 : 0x1F) : 0x7E);
  return static_cast<uint16_t>((lead & 0xFF) << 8 | (trail & 0xFF));
}

uint16_t FullWidthOf(unsigned char c) {
  if (c >= 0x20 && c <= 0x7E)
    return kAsciiFullWidth[c - 0x20];
  switch (c) {
    case 0xA1:
      return 0x8142;  // 。
    case 0xA2:
      return 0x8175;  // 「
    case 0xA3:
      return 0x8176;  // 」
    case 0xA4:
      return 0x8141;  // 、
    case 0xA5:
      return 0x8145;  // ・
    case kVoicedMark:
      return 0x814A;  // ゛
    case kSemiVoicedMark:
      return 0x814B;  // ゜
    default:
      break;
  }
  if (c >= 0xA6 && c <= 0xDD)
    return JisToSjis(kKanaJis[c - 0xA6]);
  return 0;
}

uint16_t UpperCaseOf(uint16_t code) {
  if (code >= 0x8281 && code <= 0x829A)  // full-width Latin
    return static_cast<uint16_t>(code - 0x21);
  if (code >= 0x83BF && code <= 0x83D6)  // Greek
    return static_cast<uint16_t>(code - 0x20);
  if (code >= 0x8470 && code <= 0x847E)  // Cyrillic
    return static_cast<uint16_t>(code - 0x30);
  if (code >= 0x8480 && code <= 0x8491)
    return static_cast<uint16_t>(code - 0x31);
  if (code >= 0xEEEF && code <= 0xEEF8)  // small Roman numerals, both codes of each
    return static_cast<uint16_t>(code - 0xEEEF + 0x8754);
  if (code >= 0xFA40 && code <= 0xFA49)
    return static_cast<uint16_t>(code - 0xFA40 + 0x8754);
  return code;
}

unsigned char UpperCaseOf(unsigned char c) {
  return AsciiUpper(c);
}

bool IsSearchDelimiter(unsigned char c) {
  return kSearchDelimiters[c];
}

std::string ToZenkakuKana(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t p = 0; p < s.size();) {
    const std::size_t length = CharLength(s, p);
    const auto b = static_cast<unsigned char>(s[p]);
    uint16_t wide = 0;
    std::size_t taken = length;
    if (length == 1) {
      if (p + 1 < s.size())
        wide = VoicedOf(b, static_cast<unsigned char>(s[p + 1]));
      if (wide != 0)
        taken = 2;
      else
        wide = FullWidthOf(b);
    }
    if (wide != 0) {
      out += static_cast<char>(wide >> 8);
      out += static_cast<char>(wide & 0xFF);
    } else {
      out.append(s.substr(p, length));
    }
    p += taken;
  }
  return out;
}

bool SearchText(std::string_view text, TSearchInfo& info, std::string_view findStr, uint16_t options) {
  if (findStr.empty() || text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
    return false;
  const auto n = static_cast<int64_t>(text.size());
  if (info.Start < 0 || info.Start > n || info.Length < 0)
    return false;

  Matcher matcher(text, options);
  if (!matcher.SetPattern(findStr))
    return false;
  // The fewest text bytes a hit can take: one per character when single bytes may stand for
  // double-byte ones, else the find string's own length.
  const auto shortest = static_cast<int64_t>((options & soFoldWidth) != 0 ? matcher.PatternChars() : findStr.size());
  std::size_t hitLength = 0;

  if ((options & soForward) != 0) {
    const int64_t from = static_cast<int64_t>(info.Start) + info.Length;
    if (from > n)
      return false;
    // Walk to the first character start at or after `from`, keeping the one before it.
    std::size_t p = 0;
    std::size_t before = Matcher::kNone;
    while (static_cast<int64_t>(p) < from) {
      before = p;
      p += CharLength(text, p);
    }
    const int64_t last = n - shortest;
    for (; static_cast<int64_t>(p) <= last; p += CharLength(text, p)) {
      if (matcher.CanStart(static_cast<unsigned char>(text[p])) && matcher.MatchAt(p, before, hitLength)) {
        info.Start = static_cast<int32_t>(p);
        info.Length = static_cast<int32_t>(hitLength);
        return true;
      }
      before = p;
    }
    return false;
  }

  // Backwards: from the last start at which a hit still ends before the selection.
  const std::vector<bool> starts = CharacterStarts(text);
  const auto previousStart = [&](int64_t q) {
    --q;
    while (q > 0 && !starts[static_cast<std::size_t>(q)])
      --q;
    return q;
  };
  int64_t p = info.Start;
  if ((options & soFoldWidth) == 0) {
    p -= shortest;
  } else {
    for (std::size_t k = 0; k < matcher.PatternChars() && p >= 0; ++k) {
      p = previousStart(p);
      // A mark after the katakana it voices is one character with it.
      if (p > 0 && starts[static_cast<std::size_t>(p - 1)] &&
          VoicedOf(static_cast<unsigned char>(text[static_cast<std::size_t>(p - 1)]),
                   static_cast<unsigned char>(text[static_cast<std::size_t>(p)])) != 0)
        --p;
    }
  }
  if (p < 0)
    return false;
  if (!starts[static_cast<std::size_t>(p)])
    p = previousStart(p);
  for (; p >= 0; p = previousStart(p)) {
    const auto at = static_cast<std::size_t>(p);
    if (at < text.size() && matcher.CanStart(static_cast<unsigned char>(text[at])) &&
        matcher.MatchAt(at, p == 0 ? Matcher::kNone : static_cast<std::size_t>(previousStart(p)), hitLength)) {
      info.Start = static_cast<int32_t>(p);
      info.Length = static_cast<int32_t>(hitLength);
      return true;
    }
  }
  return false;
}

}  // namespace vrel
