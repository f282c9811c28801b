#include "editor/RowStates.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "editor/EditorFountain.h"
#include "tests/editor/FullStates.h"

namespace vrel {
namespace {

// A scheme in which tokens often run over row ends: brackets of one and two bytes, comments,
// quotations, URLs, mail addresses, hexadecimal and control codes, reserved words.
void Configure(TEditorFountain& fountain) {
  const std::pair<std::string, std::string> pairs[] = {{"(", ")"}, {"[[", "]]"}, {"\x81\x75", "\x81\x76"}};
  for (const auto& [left, right] : pairs) {
    TFountainBracketItem* item = fountain.Brackets()->Add();
    item->SetLeftBracket(left);
    item->SetRightBracket(right);
  }
  fountain.SetCommenter("//");
  fountain.SetQuotation("'");
  fountain.SetHexPrefix("0x");
  fountain.SetControlCode(true);
  fountain.SetUrl(true);
  fountain.SetMail(true);
  fountain.SetReserveWordList({"begin", "end"});
}

const char* const kPieces[] = {"(",        ")",     "[[",    "]]",       "[",        "]",        "//",       "'",
                               "''",       "0x1f",  "#$",    "#12",      "a",        "b",        "1",        "2.",
                               "e-",       "begin", "en",    "d",        " ",        "  ",       "\t",       "@",
                               ".",        "x.",    "http:", "//w",      "\x81\x75", "\x81\x76", "\x82\xa0", "\x83\x41",
                               "\x88\x9f", "\xb1",  "\xde",  "\x82\x4f", "\x81\x43", "\x82"};

std::string RandomRow(std::mt19937& random) {
  std::string row;
  const int pieces = std::uniform_int_distribution(0, 10)(random);
  for (int i = 0; i < pieces; ++i)
    row += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(random)];
  return row;
}

int RandomAttribute(std::mt19937& random) {
  return std::uniform_int_distribution(0, 2)(random) == 0 ? 0 : 1;
}

// Replaces `count` rows at `row` by `added` fresh rows, as the display rows do: new rows come with
// an uncomputed state, the rows after them keep theirs.
void ReplaceRows(TRowAttributeStringList& rows, int row, int count, int added, std::mt19937& random) {
  for (int i = 0; i < count; ++i)
    rows.Delete(row);
  for (int i = 0; i < added; ++i) {
    rows.Insert(row + i, RandomRow(random));
    rows.SetRowAttribute(row + i, RandomAttribute(random));
  }
}

// Random rows under the busy scheme, with a parser for it.
struct RandomText {
  TEditorFountain fountain;
  std::unique_ptr<TFountainParser> parser;
  std::mt19937 random;
  TRowAttributeStringList rows;

  RandomText(unsigned seed, int count) : random(seed) {
    Configure(fountain);
    parser = fountain.CreateParser();
    for (int i = 0; i < count; ++i)
      rows.SetRowAttribute(rows.Add(RandomRow(random)), RandomAttribute(random));
  }
};

TEST(RowStates, AfterRandomEditsTheIncrementalUpdateEqualsAFullRecompute) {
  RandomText text(16, 60);
  auto& [fountain, parser, random, rows] = text;
  InitRowStates(rows, *parser, rows.Count() - 1);

  for (int edit = 0; edit < 400; ++edit) {
    const int row = std::uniform_int_distribution(0, rows.Count())(random);
    const int count = std::uniform_int_distribution(0, std::min(3, rows.Count() - row))(random);
    const int added = std::uniform_int_distribution(count == 0 ? 1 : 0, 3)(random);
    ReplaceRows(rows, row, count, added, random);
    if (rows.Count() == 0)
      rows.Add("");
    UpdateRowStates(rows, *parser, std::min(row, rows.Count() - 1), rows.Count() - 1);

    const std::vector<TRowAttributeData> full = FullStates(rows, fountain);
    for (int r = 0; r < rows.Count(); ++r) {
      ASSERT_TRUE(rows.SameRowState(r, full[static_cast<std::size_t>(r)])) << "edit " << edit << ", row " << r;
    }
  }
}

TEST(RowStates, RowsBeyondTheLimitAreComputedWhenAsked) {
  RandomText text(61, 80);
  auto& [fountain, parser, random, rows] = text;
  InitRowStates(rows, *parser, 10);
  EXPECT_TRUE(rows.RowStateComputed(10));
  EXPECT_FALSE(rows.RowStateComputed(11));

  for (int edit = 0; edit < 100; ++edit) {
    const int row = std::uniform_int_distribution(0, rows.Count() - 1)(random);
    ReplaceRows(rows, row, 1, std::uniform_int_distribution(1, 2)(random), random);
    UpdateRowStates(rows, *parser, row, row + 5);
    // A row keeps a state only when it is right; the rest wait for painting.
    const std::vector<TRowAttributeData> full = FullStates(rows, fountain);
    for (int r = 0; r < rows.Count(); ++r) {
      if (rows.RowStateComputed(r)) {
        ASSERT_TRUE(rows.SameRowState(r, full[static_cast<std::size_t>(r)])) << "edit " << edit << ", row " << r;
      }
    }
    // Painting asks for a row below: everything above it gets its state.
    EnsureRowStates(rows, *parser, std::uniform_int_distribution(0, rows.Count() - 1)(random));
  }
  EnsureRowStates(rows, *parser, rows.Count() - 1);
  const std::vector<TRowAttributeData> full = FullStates(rows, fountain);
  for (int r = 0; r < rows.Count(); ++r)
    EXPECT_TRUE(rows.SameRowState(r, full[static_cast<std::size_t>(r)])) << r;
}

TEST(RowStates, TheWalkStopsAtTheFirstRowWhoseStateHolds) {
  TEditorFountain fountain;
  Configure(fountain);
  auto parser = fountain.CreateParser();
  TRowAttributeStringList rows;
  for (const char* text : {"a (", "b", "c", "d )", "e", "f"})
    rows.Add(text);
  InitRowStates(rows, *parser, rows.Count() - 1);
  // Closing the pair early changes the states of the rows after it up to the old closing row; the
  // row after that starts outside the pair as before.
  rows.Delete(1);
  rows.Insert(1, "b )");
  std::vector<int> reported;
  const int changed = UpdateRowStates(rows, *parser, 1, rows.Count() - 1, [&](int row) { reported.push_back(row); });
  EXPECT_EQ(reported, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(rows.BracketIndex(2), -1);
  EXPECT_EQ(UpdateRowStates(rows, *parser, 6, 100), 0);
}

}  // namespace
}  // namespace vrel
