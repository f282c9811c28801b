#include "files/history/ChunkStore.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace vrel {
namespace {

constexpr uint64_t Mix64(uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// One random 64-bit number per byte value for the rolling hash, the same in every run.
constexpr std::array<uint64_t, 256> MakeGearTable() {
  std::array<uint64_t, 256> table{};
  uint64_t state = 0x5652454C48495354ULL;
  for (uint64_t& entry : table) {
    state += 0x9E3779B97F4A7C15ULL;
    entry = Mix64(state);
  }
  return table;
}
constexpr std::array<uint64_t, 256> kGear = MakeGearTable();

// The rolling hash shifts one bit a byte, so its top bits depend on the last 64 bytes and its low
// bits on the last few only: the masks test top bits. A cut needs more zero bits before the normal
// size than after it, which keeps chunk sizes close to the normal one.
constexpr uint64_t TopBits(int count) {
  return ~uint64_t{0} << (64 - count);
}
constexpr int kNormalBits = std::countr_zero(ChunkStore::kNormalChunk);
constexpr uint64_t kMaskBeforeNormal = TopBits(kNormalBits + 2);
constexpr uint64_t kMaskAfterNormal = TopBits(kNormalBits - 2);

std::size_t ChunkLength(const unsigned char* p, std::size_t available) {
  if (available <= ChunkStore::kMinChunk)
    return available;
  const std::size_t normal = std::min(available, ChunkStore::kNormalChunk);
  const std::size_t limit = std::min(available, ChunkStore::kMaxChunk);
  uint64_t hash = 0;
  std::size_t i = ChunkStore::kMinChunk;
  for (; i < normal; ++i) {
    hash = (hash << 1) + kGear[p[i]];
    if ((hash & kMaskBeforeNormal) == 0)
      return i + 1;
  }
  for (; i < limit; ++i) {
    hash = (hash << 1) + kGear[p[i]];
    if ((hash & kMaskAfterNormal) == 0)
      return i + 1;
  }
  return limit;
}

// Eight bytes at a time; good enough to find equal chunks, which are then compared in full.
uint64_t HashBytes(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  uint64_t hash = Mix64(n + 0x243F6A8885A308D3ULL);
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    hash = std::rotl(hash ^ Mix64(word), 29) * 0x9E3779B97F4A7C15ULL;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, p + i, n - i);
  return Mix64(hash ^ Mix64(tail ^ 0x13198A2E03707344ULL));
}

}  // namespace

std::vector<std::size_t> ChunkStore::ChunkEnds(std::string_view bytes) {
  std::vector<std::size_t> ends;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t start = 0; start < bytes.size();) {
    start += ChunkLength(p + start, bytes.size() - start);
    ends.push_back(start);
  }
  return ends;
}

uint32_t ChunkStore::NewSlot() {
  if (freeSlots_.empty()) {
    // Room for every slot on the free list, so that freeing one never allocates.
    freeSlots_.reserve(chunks_.size() + 1);
    chunks_.emplace_back();
    return static_cast<uint32_t>(chunks_.size() - 1);
  }
  const uint32_t slot = freeSlots_.back();
  freeSlots_.pop_back();
  return slot;
}

uint32_t ChunkStore::Keep(std::string_view bytes) {
  const uint64_t hash = HashBytes(bytes);
  const auto found = index_.find(hash);
  const bool collided = found != index_.end();
  if (collided) {
    Chunk& chunk = chunks_[found->second];
    if (chunk.bytes == bytes) {
      ++chunk.uses;
      return found->second;
    }
  }
  const uint32_t slot = NewSlot();
  Chunk& chunk = chunks_[slot];
  try {
    chunk.bytes.assign(bytes);
    if (!collided)
      index_.emplace(hash, slot);
  } catch (...) {
    chunk.bytes = std::string();
    freeSlots_.push_back(slot);
    throw;
  }
  chunk.hash = hash;
  chunk.uses = 1;
  chunk.indexed = !collided;
  unindexed_ += collided ? 1 : 0;
  chunkBytes_ += bytes.size();
  return slot;
}

ChunkStore::Recipe ChunkStore::Add(std::string_view bytes) {
  Recipe recipe;
  try {
    const std::vector<std::size_t> ends = ChunkEnds(bytes);
    recipe.reserve(ends.size());
    std::size_t start = 0;
    for (std::size_t end : ends) {
      recipe.push_back(Keep(bytes.substr(start, end - start)));
      start = end;
    }
  } catch (...) {
    Release(recipe);
    throw;
  }
  return recipe;
}

void ChunkStore::Release(const Recipe& recipe) noexcept {
  for (uint32_t slot : recipe) {
    Chunk& chunk = chunks_[slot];
    if (--chunk.uses > 0)
      continue;
    if (chunk.indexed)
      index_.erase(chunk.hash);
    else
      --unindexed_;
    chunkBytes_ -= chunk.bytes.size();
    chunk = Chunk();
    freeSlots_.push_back(slot);
  }
  if (ChunkCount() == 0) {
    // An empty store holds nothing at all, as an empty history should.
    std::vector<Chunk>().swap(chunks_);
    std::vector<uint32_t>().swap(freeSlots_);
    decltype(index_)().swap(index_);
  }
}

std::string ChunkStore::Assemble(const Recipe& recipe) const {
  std::size_t size = 0;
  for (uint32_t slot : recipe)
    size += chunks_[slot].bytes.size();
  std::string bytes;
  bytes.reserve(size);
  for (uint32_t slot : recipe)
    bytes += chunks_[slot].bytes;
  return bytes;
}

uint64_t ChunkStore::HeldBytes() const {
  // The hash index as the standard library lays it out: a node per entry (next pointer and the
  // entry) and a pointer per bucket; an empty index has one bucket inside the object.
  const uint64_t buckets = index_.bucket_count() > 1 ? index_.bucket_count() : 0;
  const uint64_t indexBytes =
      index_.size() * (sizeof(void*) + sizeof(decltype(index_)::value_type)) + buckets * sizeof(void*);
  return chunkBytes_ + chunks_.capacity() * sizeof(Chunk) + freeSlots_.capacity() * sizeof(uint32_t) + indexBytes;
}

}  // namespace vrel
