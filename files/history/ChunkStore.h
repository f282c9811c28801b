#pragma once

// Byte strings that share most of their content, each piece kept once: the undo snapshots of a
// document differ in a few moved vertices, so consecutive snapshots are nearly the same bytes.
//
// A string is cut into chunks where its content says (a rolling hash over the last bytes hits a
// pattern), not at fixed offsets: an edit that changes, inserts or removes a few bytes changes only
// the chunk around it, and the cuts after it fall where they fell before. Each distinct chunk is
// kept once with a count of the lists that use it. Chunks are found by a hash of their bytes and
// then compared byte for byte, so a hash collision can only cost sharing, never mix two chunks up.
//
// Chunks are kept as they are. Compressing them would shrink what a history holds a few times
// more, but every undo would then inflate a whole snapshot's chunks (thousands of them for a large
// document) on top of reading it back, while sharing alone already keeps the history small.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vrel {

class ChunkStore {
 public:
  // The chunks of one stored string, in order.
  using Recipe = std::vector<uint32_t>;

  // Chunk sizes: no cut before kMinChunk bytes, cuts grow likely past kNormalChunk, and a chunk
  // is forced to end at kMaxChunk (the last chunk of a string may be shorter than kMinChunk).
  static constexpr std::size_t kMinChunk = 128;
  static constexpr std::size_t kNormalChunk = 512;
  static constexpr std::size_t kMaxChunk = 4096;

  ChunkStore() = default;
  ChunkStore(const ChunkStore&) = delete;
  ChunkStore& operator=(const ChunkStore&) = delete;

  // Keeps `bytes` and returns the list that gives them back; each chunk of the list counts one
  // more use until Release. On an exception (out of memory) nothing is kept.
  Recipe Add(std::string_view bytes);
  // Ends the uses of a list that Add returned; chunks no list uses any more are freed.
  void Release(const Recipe& recipe) noexcept;
  std::string Assemble(const Recipe& recipe) const;

  // The bytes the store holds: every distinct chunk's bytes and its bookkeeping.
  uint64_t HeldBytes() const;
  // The number of distinct chunks held.
  std::size_t ChunkCount() const { return index_.size() + unindexed_; }

  // Where Add cuts `bytes`: the end offset of each chunk, the last one being bytes.size().
  static std::vector<std::size_t> ChunkEnds(std::string_view bytes);

 private:
  struct Chunk {
    std::string bytes;
    uint64_t hash = 0;
    uint32_t uses = 0;  // 0 marks a free slot
    bool indexed = false;
  };

  uint32_t Keep(std::string_view bytes);
  uint32_t NewSlot();

  std::vector<Chunk> chunks_;
  std::vector<uint32_t> freeSlots_;
  std::unordered_map<uint64_t, uint32_t> index_;  // hash -> slot of the chunk found by it
  std::size_t unindexed_ = 0;                     // chunks whose hash collided with another's: kept, not found again
  uint64_t chunkBytes_ = 0;
};

}  // namespace vrel
