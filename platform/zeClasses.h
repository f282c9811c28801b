#pragma once

// Change-notification bases: one OnChange event per object, an update count that holds
// announcements back during a batch, and setters that announce only real changes.

#include <string>
#include <vector>

#include "platform/Classes.h"

namespace vrel {

class TNotifyPersistent : public TPersistent {
  VREL_CLASS_INFO(TNotifyPersistent, TPersistent)
 public:
  TNotifyEvent OnChange;

  // Fires OnChange (Sender = this) when the update count is 0.
  virtual void Changed();
  void BeginUpdate() { ++updateCount_; }
  // Always ends with Changed(), so a balanced batch fires exactly once, changed or not.
  void EndUpdate();
  // Handler for parts' OnChange: a part's change becomes this object's change.
  void ChangedProc(TObject* sender);
  int UpdateCount() const { return updateCount_; }

 protected:
  int updateCount_ = 0;
};

class TNotifyCollection : public TCollection {
  VREL_CLASS_INFO(TNotifyCollection, TCollection)
 public:
  TNotifyCollection(ItemFactory factory, TPersistent* owner) : TCollection(factory, owner) {}

  TNotifyEvent OnChange;
  void ChangedProc(TObject* sender);

 protected:
  void Update(TCollectionItem* item) override;
};

// Several listeners on one object. Handlers are called with the owner as Sender.
class TNotifyEventList : public TNotifyPersistent {
  VREL_CLASS_INFO(TNotifyEventList, TNotifyPersistent)
 public:
  explicit TNotifyEventList(TObject* owner) : owner_(owner) {}

  void Changed() override;
  // Appends without looking for duplicates.
  void Add(const TNotifyEvent& handler);
  // Removes the last equal handler; nothing when there is none.
  void Remove(const TNotifyEvent& handler);
  int Count() const { return static_cast<int>(handlers_.size()); }
  TObject* Owner() const { return owner_; }

 private:
  std::vector<TNotifyEvent> handlers_;
  TObject* owner_;
};

// Common base of the camera and of the colouring scheme.
class TStoreComponent : public TComponent {
  VREL_CLASS_INFO(TStoreComponent, TComponent)
 public:
  using TComponent::TComponent;
};

class TFileExtComponent : public TStoreComponent {
  VREL_CLASS_INFO(TFileExtComponent, TStoreComponent)
 public:
  // An empty list.
  explicit TFileExtComponent(TComponent* owner = nullptr);

  // Sorted, without case, duplicates ignored.
  const std::vector<std::string>& FileExtList() const { return fileExtList_; }
  // Calls FileExtListChanged when the list came out different.
  void SetFileExtList(const std::vector<std::string>& list);
  bool HasFileExt(std::string_view extension) const;

 protected:
  // A descendant that knows its files from the start passes their extensions here.
  TFileExtComponent(TComponent* owner, const std::vector<std::string>& extensions);
  // Told after SetFileExtList (a stream's or anyone's) changed the list; not for the list given to
  // the constructor, which the descendant passing it knows.
  virtual void FileExtListChanged() {}

 private:
  static std::vector<std::string> Sorted(const std::vector<std::string>& list);

  std::vector<std::string> fileExtList_;
};

}  // namespace vrel
