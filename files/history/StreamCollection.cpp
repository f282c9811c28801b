#include "files/history/StreamCollection.h"

namespace vrel {

TChunkedStream::~TChunkedStream() {
  store_->Release(recipe_);
}

void TChunkedStream::SetBytes(std::string_view bytes) {
  ChunkStore::Recipe recipe = store_->Add(bytes);
  store_->Release(recipe_);
  recipe_ = std::move(recipe);
  size_ = bytes.size();
}

const TClassInfo& TStreamItem::StaticClass() {
  static const TClassInfo info("TStreamItem", &Inherited::StaticClass());
  return info;
}

TStream* TStreamItem::Stream() {
  if (!stream_)
    stream_ = CreateStream();
  return stream_.get();
}

std::unique_ptr<TStream> TStreamItem::ReplaceStream(std::unique_ptr<TStream> stream) {
  std::swap(stream_, stream);
  return stream;
}

const TClassInfo& TMemoryStreamItem::StaticClass() {
  static const TClassInfo info("TMemoryStreamItem", &Inherited::StaticClass());
  return info;
}

const TClassInfo& TStreamCollection::StaticClass() {
  static const TClassInfo info("TStreamCollection", &Inherited::StaticClass());
  return info;
}

TStream* TStreamCollection::GetStream(int index) const {
  return Item(index)->Stream();
}

std::unique_ptr<TStream> TStreamCollection::SetStream(int index, std::unique_ptr<TStream> stream) {
  return Item(index)->ReplaceStream(std::move(stream));
}

TStream* TStreamCollection::AddStream() {
  return static_cast<TStreamItem*>(Add())->Stream();
}

void TStreamCollection::AddStream(std::unique_ptr<TStream> stream) {
  auto* item = static_cast<TStreamItem*>(Add());
  item->ReplaceStream(std::move(stream));
}

uint64_t TStreamCollection::HeldSize() const {
  uint64_t total = 0;
  for (int i = 0; i < Count(); ++i)
    total += Item(i)->HeldSize();
  return total;
}

const TClassInfo& TChunkedStreamItem::StaticClass() {
  static const TClassInfo info("TChunkedStreamItem", &Inherited::StaticClass());
  return info;
}

std::unique_ptr<TStream> TChunkedStreamItem::CreateStream() {
  return std::make_unique<TChunkedStream>(static_cast<TChunkedStreamCollection*>(Collection())->store_);
}

const TClassInfo& TChunkedStreamCollection::StaticClass() {
  static const TClassInfo info("TChunkedStreamCollection", &Inherited::StaticClass());
  return info;
}

TChunkedStreamCollection::TChunkedStreamCollection(TPersistent* owner)
    : TStreamCollection(TCollection::FactoryOf<TChunkedStreamItem>(), owner), store_(std::make_shared<ChunkStore>()) {}

std::unique_ptr<TChunkedStream> TChunkedStreamCollection::NewStream(std::string_view bytes) const {
  auto stream = std::make_unique<TChunkedStream>(store_);
  stream->SetBytes(bytes);
  return stream;
}

uint64_t TChunkedStreamCollection::HeldSize() const {
  return store_->HeldBytes() + TStreamCollection::HeldSize();
}

}  // namespace vrel
