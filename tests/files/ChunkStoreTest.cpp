// The chunk store under the undo histories: what goes in comes back, cuts follow the content, equal
// chunks are kept once, and released chunks are freed.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "files/history/ChunkStore.h"

namespace vrel {
namespace {

std::string RandomBytes(std::size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes)
    c = static_cast<char>(rng());
  return bytes;
}

TEST(ChunkStore, GivesBackEveryStringItWasGiven) {
  const std::string cases[] = {"",
                               "x",
                               std::string(ChunkStore::kMinChunk, 'a'),
                               std::string(ChunkStore::kMaxChunk * 3 + 1, '\0'),
                               RandomBytes(ChunkStore::kMinChunk + 1, 1),
                               RandomBytes(100000, 2)};
  ChunkStore store;
  std::vector<ChunkStore::Recipe> recipes;
  for (const std::string& bytes : cases)
    recipes.push_back(store.Add(bytes));
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(store.Assemble(recipes[i]), cases[i]) << i;
}

TEST(ChunkStore, ChunksStayWithinTheirSizeBounds) {
  for (const std::string& bytes : {RandomBytes(200000, 3), std::string(50000, 'z')}) {
    const std::vector<std::size_t> ends = ChunkStore::ChunkEnds(bytes);
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.back(), bytes.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
      EXPECT_LE(ends[i] - start, ChunkStore::kMaxChunk) << i;
      if (i + 1 < ends.size()) {
        EXPECT_GE(ends[i] - start, ChunkStore::kMinChunk) << i;
      }
      start = ends[i];
    }
  }
}

TEST(ChunkStore, CutsAfterAnInsertionFallWhereTheyFellBefore) {
  const std::string original = RandomBytes(64 * 1024, 4);
  const std::string edited = original.substr(0, 1000) + "inserted" + original.substr(1000);
  const std::vector<std::size_t> before = ChunkStore::ChunkEnds(original);
  const std::vector<std::size_t> after = ChunkStore::ChunkEnds(edited);
  // Past the chunks around the insertion, every cut of the original is one of the edited string,
  // eight bytes later.
  for (std::size_t end : before)
    if (end > 2 * ChunkStore::kMaxChunk) {
      EXPECT_TRUE(std::binary_search(after.begin(), after.end(), end + 8)) << end;
    }
}

TEST(ChunkStore, AStringThatDiffersInAFewPlacesAddsOnlyTheChunksAroundThem) {
  const std::string original = RandomBytes(256 * 1024, 5);
  std::string edited = original;
  for (std::size_t at : {10000u, 90000u, 200000u})
    edited[at] ^= 0x5A;
  ChunkStore store;
  store.Add(original);
  const std::size_t chunks = store.ChunkCount();
  store.Add(edited);
  EXPECT_LE(store.ChunkCount() - chunks, 3u * 2u);
  EXPECT_GE(store.ChunkCount() - chunks, 3u);
}

TEST(ChunkStore, EqualChunksWithinOneStringAreKeptOnce) {
  const std::string block = RandomBytes(16 * 1024, 6);
  std::string repeated;
  for (int i = 0; i < 8; ++i)
    repeated += block;
  ChunkStore single;
  single.Add(block);
  ChunkStore store;
  store.Add(repeated);
  // The chunks of one block, and those across the joins between blocks, which repeat too.
  EXPECT_LE(store.ChunkCount(), single.ChunkCount() + 4);
}

// After any sequence of adds and releases the store holds exactly the distinct chunks of the
// strings still in it: as many as a new store given only those strings. Released chunks are freed
// and shared ones stay.
TEST(ChunkStore, HoldsTheChunksOfTheLiveStringsAfterARandomSequence) {
  std::mt19937 rng(8);
  std::string current = RandomBytes(30000, 9);
  ChunkStore store;
  std::vector<std::pair<std::string, ChunkStore::Recipe>> live;
  for (int step = 0; step < 200; ++step) {
    if (!live.empty() && rng() % 3 == 0) {
      const std::size_t victim = rng() % live.size();
      store.Release(live[victim].second);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(victim));
      continue;
    }
    const std::size_t at = rng() % current.size();
    if (rng() % 2)
      current.insert(at, RandomBytes(rng() % 50, static_cast<uint32_t>(step)));
    else
      current[at] = static_cast<char>(rng());
    live.emplace_back(current, store.Add(current));
  }
  ChunkStore fresh;
  for (const auto& [bytes, recipe] : live) {
    fresh.Add(bytes);
    EXPECT_EQ(store.Assemble(recipe), bytes);
  }
  EXPECT_EQ(store.ChunkCount(), fresh.ChunkCount());
}

}  // namespace
}  // namespace vrel
