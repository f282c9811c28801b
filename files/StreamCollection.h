#pragma once

// Collections whose items each own a stream of bytes: the snapshot lists of the undo histories.

#include <cstddef>
#include <string>

#include "platform/Classes.h"

namespace vrel {

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;
  virtual std::size_t Size() const = 0;
};

class TMemoryStream : public TStream {
 public:
  std::size_t Size() const override { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }
  void SetBytes(std::string bytes) { bytes_ = std::move(bytes); }
  void Clear() { bytes_.clear(); }

 private:
  std::string bytes_;
};

class TStreamItem : public TCollectionItem {
  VREL_CLASS_INFO
 public:
  explicit TStreamItem(TCollection* collection) : TCollectionItem(collection) {}
  ~TStreamItem() override;

  // The item's own stream, made by CreateStream the first time it is asked for (a constructor
  // cannot reach a derived class's CreateStream).
  TStream* Stream();
  // Puts `stream` in place of the current one and hands the old one (possibly nullptr) to the
  // caller, who then owns it.
  TStream* ReplaceStream(TStream* stream);

 protected:
  virtual TStream* CreateStream() = 0;

 private:
  TStream* stream_ = nullptr;  // owned
};

class TMemoryStreamItem : public TStreamItem {
  VREL_CLASS_INFO
 public:
  using TStreamItem::TStreamItem;
  TMemoryStream* MemoryStream() { return static_cast<TMemoryStream*>(Stream()); }

 protected:
  TStream* CreateStream() override { return new TMemoryStream; }
};

class TStreamCollection : public TCollection {
  VREL_CLASS_INFO
 public:
  explicit TStreamCollection(ItemFactory factory, TPersistent* owner = nullptr) : TCollection(factory, owner) {}

  TStreamItem* Item(int index) const { return static_cast<TStreamItem*>(Items(index)); }
  virtual TStream* GetStream(int index) const;
  // Replaces the stream of item `index` by `stream` (which the item then owns) and returns the old
  // one, which the caller now owns; nothing is freed here.
  virtual TStream* SetStream(int index, TStream* stream);
  // Adds an item and returns its new, empty stream.
  TStream* AddStream();
};

}  // namespace vrel
