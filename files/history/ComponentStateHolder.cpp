#include "files/history/ComponentStateHolder.h"

#include "files/ComponentTransaction.h"
#include "platform/ComponentStream.h"
#include "platform/NumberFormat.h"

namespace vrel {

const TClassInfo& TStateComponent::StaticClass() {
  static const TClassInfo info("TStateComponent", &Inherited::StaticClass());
  return info;
}

const TClassInfo& TComponentStateHolder::StaticClass() {
  static const TClassInfo info(
      "TComponentStateHolder", &Inherited::StaticClass(),
      {props::Component<&TComponentStateHolder::Component, &TComponentStateHolder::SetComponent>("Component"),
       props::Object<&TComponentStateHolder::Collection>("Collection")},
      [](TComponent* owner) -> TComponent* { return new TComponentStateHolder(owner); });
  return info;
}

TComponentStateHolder::TComponentStateHolder(TComponent* owner)
    : TComponent(owner), collection_(std::make_unique<TChunkedStreamCollection>(this)) {}

TComponentStateHolder::~TComponentStateHolder() {
  SetComponent(nullptr);
}

void TComponentStateHolder::SetComponent(TComponent* component) {
  if (component == component_)
    return;
  if (component_)
    component_->RemoveFreeNotification(this);
  component_ = component;
  if (component_)
    component_->FreeNotification(this);
}

void TComponentStateHolder::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == component_)
    component_ = nullptr;
}

uint64_t TComponentStateHolder::HistorySize() const {
  return collection_->HeldSize();
}

std::string TComponentStateHolder::Snapshot(int index) const {
  return collection_->GetStream(index)->Contents();
}

void TComponentStateHolder::Clear() {
  collection_->Clear();
  index_ = -1;
}

std::unique_ptr<TStream> TComponentStateHolder::NewSnapshot() const {
  return collection_->NewStream(SaveComponentToBytes(*component_));
}

void TComponentStateHolder::DropAbove(int32_t index) {
  while (Count() - 1 > index)
    collection_->Delete(Count() - 1);
}

void TComponentStateHolder::PushState() {
  // The snapshot is taken before anything is dropped: a component that cannot be written leaves
  // the history as it was.
  if (component_) {
    std::unique_ptr<TStream> snapshot = NewSnapshot();
    DropAbove(index_);
    collection_->AddStream(std::move(snapshot));
  } else {
    DropAbove(index_);
  }
  index_ = Count() - 1;
}

void TComponentStateHolder::AddSnapshot() {
  if (!component_)
    return;
  collection_->AddStream(NewSnapshot());
}

void TComponentStateHolder::RestoreState() {
  if (!component_ || index_ < 0 || index_ >= Count())
    return;
  LoadComponentTransactional(Snapshot(index_), *component_, [](TComponent& fresh) {
    if (auto* state = As<TStateComponent>(&fresh))
      state->ClearState();
  });
}

void TComponentStateHolder::SetIndex(int32_t index) {
  if (Count() == 0)
    return;
  if (index > Count() - 1)
    index = Count() - 1;
  if (index < 0)
    index = 0;
  if (index == index_)
    return;
  const int32_t previous = index_;
  index_ = index;
  try {
    RestoreState();
  } catch (...) {
    index_ = previous;
    throw;
  }
}

std::string HistorySizeText(uint64_t size) {
  const double bytes = static_cast<double>(size);
  if (size <= 1048576)
    return FormatFixed(bytes / 1024.0, 2) + " K byte";
  return FormatFixed(bytes / 1048576.0, 2) + " M byte";
}

}  // namespace vrel
