// Seeded random scripts of keys and commands on the editor core (see KeyScript.h): after every step
// the rows are the text wrapped afresh, the caret and the selection lie inside them and the marks in
// use are the rows' marks; undoing every step gives back the starting text.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/editor/KeyScript.h"

namespace vrel {
namespace {

void PlaySeed(unsigned seed, bool wrap) {
  std::mt19937 random(seed);
  const keyscript::Next next = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::string start = "  first line\r\n" + Utf8ToCp932("\t日本語のテキスト、ｶﾀｶﾅ") + "\r\n\r\nlast";
  EXPECT_EQ(keyscript::Play(start, wrap, 250, next), "") << "seed " << seed;
}

TEST(EditorKeysProperty, RandomKeysKeepTheRowsCanonicalAndUndoToTheStart) {
  for (unsigned seed = 1901; seed < 1905; ++seed)
    PlaySeed(seed, false);
}

TEST(EditorKeysProperty, RandomKeysOnWrappedRowsKeepThemCanonicalAndUndoToTheStart) {
  for (unsigned seed = 1905; seed < 1909; ++seed)
    PlaySeed(seed, true);
}

}  // namespace
}  // namespace vrel
