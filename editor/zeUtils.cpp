#include "editor/zeUtils.h"

#include <algorithm>
#include <cstring>

#include "editor/zeStringList.h"

namespace vrel {

namespace {

// 0 outside the string, else 1 for a lead byte and 2 for a trail byte at `index`, 0 for a byte of
// its own.
int DBCSPartAt(std::string_view s, std::ptrdiff_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= s.size())
    return 0;
  const auto target = static_cast<std::size_t>(index);
  std::size_t i = 0;
  for (;;) {
    const std::size_t length = CharLength(s, i);
    if (i + length > target)
      return length == 1 ? 0 : (target == i ? 1 : 2);
    i += length;
  }
}

constexpr std::array<bool, 256> kEditorDelimiters =
    ByteSet({{0, 47}, {58, 64}, {91, 94}, {96, 96}, {123, 128}, {160, 165}, {253, 255}});

}  // namespace

std::size_t CountChar(std::string_view s, char c, std::ptrdiff_t len) {
  if (len < 1)
    return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(len), s.size());
  return static_cast<std::size_t>(std::count(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n), c));
}

bool IsDBCSLeadIndex(std::string_view s, std::ptrdiff_t index) {
  return DBCSPartAt(s, index) == 1;
}

bool IsDBCSTrailIndex(std::string_view s, std::ptrdiff_t index) {
  return DBCSPartAt(s, index) == 2;
}

unsigned char CharAtIndex(std::string_view s, std::ptrdiff_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= s.size())
    return 0;
  return static_cast<unsigned char>(s[static_cast<std::size_t>(index)]);
}

bool MatchesAt(std::string_view s, std::size_t pos, std::string_view sub) {
  if (sub.empty() || pos > s.size() || s.size() - pos < sub.size() || s.compare(pos, sub.size(), sub) != 0)
    return false;
  // The match must not end inside a character of `s`.
  std::size_t i = pos;
  const std::size_t end = pos + sub.size();
  while (i < end)
    i += CharLength(s, i);
  return i == end;
}

bool IncludeCharacter(std::string_view sub, std::string_view s) {
  if (sub.empty() || sub.size() > s.size())
    return false;
  for (std::size_t i = 0; i + sub.size() <= s.size(); i += CharLength(s, i)) {
    if (MatchesAt(s, i, sub))
      return true;
  }
  return false;
}

std::size_t CountLineBreaks(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  if (size == 0)
    return 0;
  // Every LF, and every CR that no LF follows. Without branches and in byte counters of at most 255,
  // so that the loop runs on vectors of bytes; blocks of a whole number of vectors, so that none
  // ends in a byte at a time (which took half the time).
  const auto isBreak = [bytes](std::size_t i) {
    return static_cast<unsigned char>((bytes[i] == '\n') | ((bytes[i] == '\r') & (bytes[i + 1] != '\n')));
  };
  constexpr std::size_t kBlock = 240;
  std::size_t breaks = 0;
  const std::size_t last = size - 1;
  std::size_t i = 0;
  for (; last - i >= kBlock; i += kBlock) {
    unsigned char block = 0;
    for (std::size_t k = i; k < i + kBlock; ++k)
      block = static_cast<unsigned char>(block + isBreak(k));
    breaks += block;
  }
  for (; i < last; ++i)
    breaks += isBreak(i);
  return breaks + (bytes[last] == '\n' || bytes[last] == '\r' ? 1 : 0);
}

void LineBreakCounter::Add(std::string_view piece) {
  if (piece.empty())
    return;
  // The CR that ended the last piece was counted as a break of its own.
  if (endsWithCr_ && piece.front() == '\n')
    --count_;
  count_ += CountLineBreaks(piece);
  endsWithCr_ = piece.back() == '\r';
}

std::size_t LineBreakFinder::Find(char c, std::size_t pos, std::optional<std::size_t>& found) const {
  if (!found || *found < pos) {
    const void* at = pos < text_.size() ? std::memchr(text_.data() + pos, c, text_.size() - pos) : nullptr;
    found = at ? static_cast<std::size_t>(static_cast<const char*>(at) - text_.data()) : text_.size();
  }
  return *found;
}

std::size_t LineBreakFinder::Next(std::size_t pos) {
  return std::min(Find('\r', pos, cr_), Find('\n', pos, lf_));
}

void SplitTextToStrings(std::string_view text, TzeStringList& list) {
  list.TakeLines(std::string(text), 0, 0);
}

std::string WithCrLfBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] != '\r' && text[pos] != '\n') {
      result += text[pos];
      continue;
    }
    result += "\r\n";
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
      ++pos;
  }
  return result;
}

std::string WithLfBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
      continue;
    result += text[pos];
  }
  return result;
}

int CompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const std::size_t la = CharLength(a, i);
    const std::size_t lb = CharLength(b, j);
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[j]);
    if (la == 1)
      ca = AsciiUpper(ca);
    if (lb == 1)
      cb = AsciiUpper(cb);
    if (ca != cb)
      return ca < cb ? -1 : 1;
    if (la == 2 && lb == 2) {
      const auto ta = static_cast<unsigned char>(a[i + 1]);
      const auto tb = static_cast<unsigned char>(b[j + 1]);
      if (ta != tb)
        return ta < tb ? -1 : 1;
    } else if (la != lb) {
      // Equal first bytes, one a lead byte cut off at the end: the shorter sorts first.
      return la < lb ? -1 : 1;
    }
    i += la;
    j += lb;
  }
  if (i < a.size())
    return 1;
  if (j < b.size())
    return -1;
  return 0;
}

bool IsEditorDelimiter(unsigned char c) {
  return kEditorDelimiters[c];
}

std::string CellString(std::string_view text, int tabSpaceCount, int wrapByte, std::size_t maxCells) {
  const std::size_t tab = static_cast<std::size_t>(std::max(1, tabSpaceCount));
  const std::size_t wrap = static_cast<std::size_t>(std::max(0, wrapByte));
  std::string cells;
  cells.reserve(std::min(maxCells, text.size() * 2));
  for (std::size_t i = 0; i < text.size() && cells.size() < maxCells;) {
    const std::size_t length = CharLength(text, i);
    if (length == 2) {
      cells += "45";
    } else {
      const auto c = static_cast<unsigned char>(text[i]);
      cells += IsEditorDelimiter(c) ? '2' : '1';
      if (c == '\t') {
        const std::size_t sofar = cells.size();
        std::size_t fill = tab - ((sofar - 1) % tab + 1);
        if (wrap > 0)
          fill = std::min(fill, wrap - ((sofar - 1) % wrap + 1));
        cells.append(fill, '3');
      }
    }
    i += length;
  }
  if (cells.size() > maxCells)
    cells.resize(maxCells);
  return cells;
}

}  // namespace vrel
