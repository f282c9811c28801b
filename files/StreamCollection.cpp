#include "files/StreamCollection.h"

namespace vrel {

const TClassInfo& TStreamItem::StaticClass() {
  static const TClassInfo info("TStreamItem", &TCollectionItem::StaticClass());
  return info;
}

TStreamItem::~TStreamItem() {
  delete stream_;
}

TStream* TStreamItem::Stream() {
  if (!stream_)
    stream_ = CreateStream();
  return stream_;
}

TStream* TStreamItem::ReplaceStream(TStream* stream) {
  TStream* old = stream_;
  stream_ = stream;
  return old;
}

const TClassInfo& TMemoryStreamItem::StaticClass() {
  static const TClassInfo info("TMemoryStreamItem", &TStreamItem::StaticClass());
  return info;
}

const TClassInfo& TStreamCollection::StaticClass() {
  static const TClassInfo info("TStreamCollection", &TCollection::StaticClass());
  return info;
}

TStream* TStreamCollection::GetStream(int index) const {
  return Item(index)->Stream();
}

TStream* TStreamCollection::SetStream(int index, TStream* stream) {
  return Item(index)->ReplaceStream(stream);
}

TStream* TStreamCollection::AddStream() {
  return static_cast<TStreamItem*>(Add())->Stream();
}

}  // namespace vrel
