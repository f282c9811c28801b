#pragma once

// Undo and redo by whole snapshots: after each change the watched component is written as a
// component stream into a list, and moving an index through the list reads a snapshot back.

#include <cstdint>
#include <memory>
#include <string>

#include "files/history/StreamCollection.h"
#include "platform/Classes.h"

namespace vrel {

// A component that wants a clean state before a snapshot is read into it (a stream leaves out the
// values that equal zero, so they would otherwise keep what the component had).
class TStateComponent : public TComponent {
  VREL_CLASS_INFO(TStateComponent, TComponent)
 public:
  using TComponent::TComponent;
  virtual void ClearState() {}
};

class TComponentStateHolder : public TComponent {
  VREL_CLASS_INFO(TComponentStateHolder, TComponent)
 public:
  explicit TComponentStateHolder(TComponent* owner = nullptr);
  ~TComponentStateHolder() override;

  // The component whose states are kept; not owned. Freeing it sets this to nullptr.
  TComponent* Component() const { return component_; }
  void SetComponent(TComponent* component);
  TStreamCollection* Collection() const { return collection_.get(); }

  // -1 exactly when there is no snapshot.
  int32_t Index() const { return index_; }
  int Count() const { return collection_->Count(); }
  // The bytes the snapshots hold in memory. What consecutive snapshots have in common is kept once,
  // so this is far less than the sum of their sizes.
  uint64_t HistorySize() const;
  // The bytes of snapshot `index`.
  std::string Snapshot(int index) const;

  void Clear();
  // Drops every snapshot above the index, adds one of the component, and makes it current. Without
  // a component nothing is added, and the index still becomes Count - 1.
  void PushState();
  // Adds a snapshot of the component (when there is one) without touching the index.
  void AddSnapshot();
  // Reads the current snapshot back into the component. The read goes into a fresh object first:
  // a snapshot that cannot be read raises the stream's error and leaves the component as it was.
  void RestoreState();
  // Clamps `index` to the snapshots and restores the one it lands on when that is not the current
  // one. With no snapshots, nothing at all happens. A failed restore keeps the index where it was.
  void SetIndex(int32_t index);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::unique_ptr<TStream> NewSnapshot() const;
  void DropAbove(int32_t index);

  TComponent* component_ = nullptr;
  std::unique_ptr<TChunkedStreamCollection> collection_;
  int32_t index_ = -1;
};

// "%.2f K byte" of size / 1024 up to 1 MiB, "%.2f M byte" of size / 1048576 above it.
std::string HistorySizeText(uint64_t size);

}  // namespace vrel
