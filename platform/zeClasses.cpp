#include "platform/zeClasses.h"

#include <algorithm>

namespace vrel {

const TClassInfo& TNotifyPersistent::StaticClass() {
  static const TClassInfo info("TNotifyPersistent", &Inherited::StaticClass());
  return info;
}

void TNotifyPersistent::Changed() {
  if (updateCount_ == 0 && OnChange)
    OnChange(this);
}

void TNotifyPersistent::EndUpdate() {
  --updateCount_;
  Changed();
}

void TNotifyPersistent::ChangedProc(TObject* sender) {
  if (sender != this)
    Changed();
}

const TClassInfo& TNotifyCollection::StaticClass() {
  static const TClassInfo info("TNotifyCollection", &Inherited::StaticClass());
  return info;
}

void TNotifyCollection::ChangedProc(TObject* sender) {
  if (sender != this)
    TCollection::Changed();
}

void TNotifyCollection::Update(TCollectionItem*) {
  if (OnChange)
    OnChange(this);
}

const TClassInfo& TNotifyEventList::StaticClass() {
  static const TClassInfo info("TNotifyEventList", &Inherited::StaticClass());
  return info;
}

void TNotifyEventList::Changed() {
  if (updateCount_ != 0)
    return;
  // A handler may add or remove handlers; walk a copy.
  const std::vector<TNotifyEvent> handlers = handlers_;
  for (const TNotifyEvent& handler : handlers)
    handler(owner_);
}

void TNotifyEventList::Add(const TNotifyEvent& handler) {
  handlers_.push_back(handler);
}

void TNotifyEventList::Remove(const TNotifyEvent& handler) {
  auto it = std::find(handlers_.rbegin(), handlers_.rend(), handler);
  if (it != handlers_.rend())
    handlers_.erase(std::next(it).base());
}

const TClassInfo& TStoreComponent::StaticClass() {
  static const TClassInfo info("TStoreComponent", &Inherited::StaticClass());
  return info;
}

const TClassInfo& TFileExtComponent::StaticClass() {
  static const TClassInfo info(
      "TFileExtComponent", &Inherited::StaticClass(),
      {props::StringList<&TFileExtComponent::FileExtList, &TFileExtComponent::SetFileExtList>("FileExtList")});
  return info;
}

TFileExtComponent::TFileExtComponent(TComponent* owner) : TStoreComponent(owner) {}

TFileExtComponent::TFileExtComponent(TComponent* owner, const std::vector<std::string>& extensions)
    : TStoreComponent(owner), fileExtList_(Sorted(extensions)) {}

std::vector<std::string> TFileExtComponent::Sorted(const std::vector<std::string>& list) {
  std::vector<std::string> sorted;
  sorted.reserve(list.size());
  for (const std::string& ext : list) {
    auto at = std::lower_bound(sorted.begin(), sorted.end(), ext, LessText);
    if (at != sorted.end() && SameText(*at, ext))
      continue;
    sorted.insert(at, ext);
  }
  return sorted;
}

void TFileExtComponent::SetFileExtList(const std::vector<std::string>& list) {
  std::vector<std::string> sorted = Sorted(list);
  if (sorted == fileExtList_)
    return;
  fileExtList_ = std::move(sorted);
  FileExtListChanged();
}

bool TFileExtComponent::HasFileExt(std::string_view extension) const {
  auto at = std::lower_bound(fileExtList_.begin(), fileExtList_.end(), extension,
                             [](const std::string& a, std::string_view b) { return LessText(a, b); });
  return at != fileExtList_.end() && SameText(*at, extension);
}

}  // namespace vrel
