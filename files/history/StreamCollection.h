#pragma once

// Collections whose items each own a stream of bytes: the snapshot lists of the undo histories.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "files/history/ChunkStore.h"
#include "platform/Classes.h"

namespace vrel {

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;
  // The length of the stream's content.
  virtual std::size_t Size() const = 0;
  virtual std::string Contents() const = 0;
  // The bytes this stream keeps by itself; what it shares with other streams is counted where it
  // is kept.
  virtual std::size_t HeldSize() const = 0;
};

class TMemoryStream : public TStream {
 public:
  std::size_t Size() const override { return bytes_.size(); }
  std::string Contents() const override { return bytes_; }
  std::size_t HeldSize() const override { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }
  void SetBytes(std::string bytes) { bytes_ = std::move(bytes); }
  void Clear() { bytes_.clear(); }

 private:
  std::string bytes_;
};

// A stream whose content lies in a chunk store that other streams share: it keeps only the list of
// its chunks. The store lives as long as its last stream.
class TChunkedStream : public TStream {
 public:
  explicit TChunkedStream(std::shared_ptr<ChunkStore> store) : store_(std::move(store)) {}
  ~TChunkedStream() override;

  std::size_t Size() const override { return size_; }
  std::string Contents() const override { return store_->Assemble(recipe_); }
  std::size_t HeldSize() const override { return sizeof(*this) + recipe_.capacity() * sizeof(uint32_t); }
  // Replaces the content. On an exception (out of memory) the stream keeps what it had.
  void SetBytes(std::string_view bytes);

 private:
  std::shared_ptr<ChunkStore> store_;
  ChunkStore::Recipe recipe_;
  std::size_t size_ = 0;
};

class TStreamItem : public TCollectionItem {
  VREL_CLASS_INFO(TStreamItem, TCollectionItem)
 public:
  explicit TStreamItem(TCollection* collection) : TCollectionItem(collection) {}

  // The item's own stream, made by CreateStream the first time it is asked for (a constructor
  // cannot reach a derived class's CreateStream).
  TStream* Stream();
  // Puts `stream` in place of the current one and hands the old one (possibly nullptr) back.
  std::unique_ptr<TStream> ReplaceStream(std::unique_ptr<TStream> stream);
  // The bytes the item's stream keeps by itself; 0 before it has one.
  std::size_t HeldSize() const { return stream_ ? stream_->HeldSize() : 0; }

 protected:
  virtual std::unique_ptr<TStream> CreateStream() = 0;

 private:
  std::unique_ptr<TStream> stream_;
};

class TMemoryStreamItem : public TStreamItem {
  VREL_CLASS_INFO(TMemoryStreamItem, TStreamItem)
 public:
  using TStreamItem::TStreamItem;
  TMemoryStream* MemoryStream() { return static_cast<TMemoryStream*>(Stream()); }

 protected:
  std::unique_ptr<TStream> CreateStream() override { return std::make_unique<TMemoryStream>(); }
};

class TStreamCollection : public TCollection {
  VREL_CLASS_INFO(TStreamCollection, TCollection)
 public:
  explicit TStreamCollection(ItemFactory factory, TPersistent* owner = nullptr) : TCollection(factory, owner) {}

  TStreamItem* Item(int index) const { return static_cast<TStreamItem*>(Items(index)); }
  TStream* GetStream(int index) const;
  // Replaces the stream of item `index` by `stream` and hands the old one back.
  std::unique_ptr<TStream> SetStream(int index, std::unique_ptr<TStream> stream);
  // Adds an item and returns its new, empty stream.
  TStream* AddStream();
  // Adds an item that owns `stream`. On an exception nothing is added.
  void AddStream(std::unique_ptr<TStream> stream);
  // The bytes that the items' streams hold together.
  virtual uint64_t HeldSize() const;
};

// Items of a TChunkedStreamCollection: their streams share the collection's chunk store.
class TChunkedStreamItem : public TStreamItem {
  VREL_CLASS_INFO(TChunkedStreamItem, TStreamItem)
 public:
  using TStreamItem::TStreamItem;

 protected:
  std::unique_ptr<TStream> CreateStream() override;
};

// A stream list whose streams keep what they have in common once.
class TChunkedStreamCollection : public TStreamCollection {
  VREL_CLASS_INFO(TChunkedStreamCollection, TStreamCollection)
 public:
  explicit TChunkedStreamCollection(TPersistent* owner = nullptr);

  // A new stream over this collection's store, holding `bytes`, not yet in the collection.
  std::unique_ptr<TChunkedStream> NewStream(std::string_view bytes) const;
  // The streams' own lists and the store's chunks.
  uint64_t HeldSize() const override;

 private:
  friend class TChunkedStreamItem;
  std::shared_ptr<ChunkStore> store_;
};

}  // namespace vrel
