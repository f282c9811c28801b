#include "editor/ZTSearch.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "SearchOracle.h"

namespace vrel {
namespace {

// The hit as (start, length), or (-1, -1) without one.
std::pair<int, int> Find(std::string_view text, std::string_view find, uint16_t options, int start = 0,
                         int length = 0) {
  TSearchInfo info{start, length};
  if (!SearchText(text, info, find, options))
    return {-1, -1};
  return {info.Start, info.Length};
}

constexpr std::pair<int, int> kNone{-1, -1};

// Empty texts and find strings, hits on trail bytes and selections past the end are among the random cases below.
TEST(Search, ASelectionOutsideTheTextFindsNothingAndLeavesTheInfo) {
  for (TSearchInfo info : {TSearchInfo{4, 0}, {1, -1}, {-1, 0}}) {
    const TSearchInfo before = info;
    EXPECT_FALSE(SearchText("abc", info, "a", info.Start == 4 ? 0 : soForward));
    EXPECT_EQ(std::tuple(info.Start, info.Length), std::tuple(before.Start, before.Length));
  }
}

// Stepping back one character per character of the find string must stop at the text's start.
TEST(Search, BackwardWithWidthFoldingNeverStepsBeforeTheText) {
  EXPECT_EQ(Find("ab", "abc", soFoldWidth, 2), kNone);
  EXPECT_EQ(Find("\x82\xa0", "\x82\xa0\x82\xa0", soFoldWidth, 2), kNone);
  EXPECT_EQ(Find("\xb6\xde", "\x83\x4b", soFoldWidth, 2), std::make_pair(0, 2));
}

// Random CP932 text, every option combination, against the plain reading of the rules.
TEST(Search, AgreesWithABruteForceSearchOnRandomText) {
  const char* const pieces[] = {"a",        "A",        "b",        "c",        " ",        "\t",       "\r\n",
                                "\n",       ".",        "_",        "\\",       "\x82\x81", "\x82\x60", "\x82\x82",
                                "\x81\x40", "\x83\x41", "\x83\x5c", "\x83\x61", "\xb6",     "\xde",     "\xdf",
                                "\xca",     "\xb3",     "\x83\x4b", "\x83\x70", "\x88\x9f", "\x83\xbf", "\x83\x9f",
                                "\x81\x4a", "1",        "\x82\x50"};
  std::mt19937 random(103);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(random); };
  const auto randomText = [&](int maxPieces) {
    std::string text;
    for (int i = pick(0, maxPieces); i > 0; --i)
      text += pieces[pick(0, static_cast<int>(std::size(pieces)) - 1)];
    if (pick(0, 9) == 0)
      text += "\x82";  // a lead byte at the very end
    return text;
  };
  const uint16_t bits[] = {soForward, soMatchCase, soWholeWord, soFoldWidth, soSkipLineBreaks, soSkipBlanks};
  int hits = 0;
  int searches = 0;
  for (int round = 0; round < 400; ++round) {
    const std::string text = randomText(24);
    std::string find;
    if (pick(0, 2) == 0 || text.empty()) {
      find = randomText(3);
    } else {
      // A piece of the text, perhaps widened, so that hits are common.
      const int from = pick(0, static_cast<int>(text.size()) - 1);
      find = text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(pick(1, 6)));
      if (pick(0, 3) == 0)
        find = ToZenkakuKana(find);
    }
    const int start = pick(0, static_cast<int>(text.size()) + 1);
    const int length = pick(0, 4);
    for (int combination = 0; combination < 64; ++combination) {
      uint16_t options = 0;
      for (int b = 0; b < 6; ++b)
        if (combination & (1 << b))
          options |= bits[b];
      const std::optional<TSearchInfo> expected = oracle::BruteForceSearch(text, {start, length}, find, options);
      TSearchInfo info{start, length};
      const bool found = SearchText(text, info, find, options);
      ++searches;
      ASSERT_EQ(found, expected.has_value()) << "round " << round << " options " << options;
      if (found) {
        ++hits;
        ASSERT_EQ(info.Start, expected->Start) << "round " << round << " options " << options;
        ASSERT_EQ(info.Length, expected->Length) << "round " << round << " options " << options;
      }
    }
  }
  EXPECT_GT(hits, searches / 20);
}

}  // namespace
}  // namespace vrel
