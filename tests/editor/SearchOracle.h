// A plain, slow reading of the search rules, as the reference the search is compared with: every
// character start tried in order, each compared character by character through the folding tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/ZTSearch.h"
#include "editor/zeUtils.h"

namespace vrel::oracle {

// The hit's start and length, or nothing.
inline std::optional<TSearchInfo> BruteForceSearch(std::string_view text, TSearchInfo info, std::string_view find,
                                                   uint16_t options) {
  const bool matchCase = options & soMatchCase;
  const bool width = options & soFoldWidth;
  const auto n = static_cast<int64_t>(text.size());
  if (find.empty() || text.empty() || info.Start < 0 || info.Start > n || info.Length < 0)
    return std::nullopt;

  std::vector<int64_t> starts;
  for (std::size_t p = 0; p < text.size(); p += CharLength(text, p))
    starts.push_back(static_cast<int64_t>(p));
  const auto isStart = [&](int64_t p) {
    for (int64_t s : starts)
      if (s == p)
        return true;
    return p == n;
  };
  const auto startBefore = [&](int64_t p) {
    int64_t before = -1;
    for (int64_t s : starts)
      if (s < p)
        before = s;
    return before;
  };
  // A half-width katakana and the mark it takes make one full-width character.
  const auto voicedPair = [](std::string_view s, std::size_t p) {
    if (p + 1 >= s.size() || CharLength(s, p) != 1)
      return false;
    const std::string wide = ToZenkakuKana(s.substr(p, 2));
    return wide.size() == 2 && IsLeadByte(wide[0]);
  };
  // The character at p as compared, and its length in bytes.
  const auto character = [&](std::string_view s, std::size_t p, std::size_t& length) {
    length = CharLength(s, p);
    std::string c(s.substr(p, length));
    if (width && length == 1) {
      if (voicedPair(s, p)) {
        length = 2;
        c = ToZenkakuKana(s.substr(p, 2));
      } else {
        c = ToZenkakuKana(c);
      }
    }
    if (!matchCase) {
      if (c.size() == 1) {
        c[0] = static_cast<char>(UpperCaseOf(static_cast<unsigned char>(c[0])));
      } else {
        const uint16_t upper = UpperCaseOf(
            static_cast<uint16_t>(static_cast<unsigned char>(c[0]) << 8 | static_cast<unsigned char>(c[1])));
        c = {static_cast<char>(upper >> 8), static_cast<char>(upper & 0xFF)};
      }
    }
    return c;
  };
  std::vector<std::string> pattern;
  for (std::size_t p = 0, length = 0; p < find.size(); p += length)
    pattern.push_back(character(find, p, length));

  const auto delimiter = [&](int64_t p) {
    if (p < 0 || p >= n || CharLength(text, static_cast<std::size_t>(p)) != 1)
      return false;
    const auto c = static_cast<unsigned char>(text[static_cast<std::size_t>(p)]);
    return c <= 0x2F || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x80) ||
           (c >= 0xA0 && c <= 0xA5) || c >= 0xFD;
  };
  const auto boundary = [&](int64_t before, int64_t at) {
    return before < 0 || at >= n || delimiter(before) || delimiter(at);
  };
  const auto skippable = [&](std::size_t t) {
    const std::string_view c = text.substr(t, CharLength(text, t));
    if ((options & soSkipLineBreaks) && (c == "\r" || c == "\n"))
      return true;
    return (options & soSkipBlanks) && (c == "\t" || c == " " || c == "\x81\x40");
  };
  const auto matchAt = [&](int64_t p) -> std::optional<TSearchInfo> {
    std::size_t t = static_cast<std::size_t>(p);
    int64_t lastStart = p;
    for (std::size_t k = 0; k < pattern.size();) {
      if (t >= text.size())
        return std::nullopt;
      std::size_t length = 0;
      if (character(text, t, length) == pattern[k]) {
        lastStart = static_cast<int64_t>(t);
        t += length;
        ++k;
      } else if (k > 0 && skippable(t)) {
        t += CharLength(text, t);
      } else {
        return std::nullopt;
      }
    }
    if ((options & soWholeWord) && !(boundary(startBefore(p), p) && boundary(lastStart, static_cast<int64_t>(t))))
      return std::nullopt;
    return TSearchInfo{static_cast<int32_t>(p), static_cast<int32_t>(static_cast<int64_t>(t) - p)};
  };

  const auto shortest = static_cast<int64_t>(width ? pattern.size() : find.size());
  if (options & soForward) {
    const int64_t from = static_cast<int64_t>(info.Start) + info.Length;
    if (from > n)
      return std::nullopt;
    for (int64_t p : starts) {
      if (p < from || p > n - shortest)
        continue;
      if (auto hit = matchAt(p))
        return hit;
    }
    return std::nullopt;
  }
  int64_t p = info.Start;
  if (!width) {
    p -= shortest;
  } else {
    for (std::size_t k = 0; k < pattern.size() && p >= 0; ++k) {
      p = startBefore(p);
      if (p > 0 && isStart(p - 1) && voicedPair(text, static_cast<std::size_t>(p - 1)))
        --p;
    }
  }
  if (p < 0)
    return std::nullopt;
  for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
    if (*it > p)
      continue;
    if (auto hit = matchAt(*it))
      return hit;
  }
  return std::nullopt;
}

}  // namespace vrel::oracle
