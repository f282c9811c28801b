#include "platform/PublishedProperties.h"

#include <algorithm>
#include <vector>

#include "platform/TypInfo.h"

namespace vrel {

namespace {

// Returns false as soon as `visit` does, so that a search can stop at the first match.
template <class Visit>
bool WalkProperties(TPersistent& object, TTypeKinds kinds, const Visit& visit) {
  std::vector<const TPropInfo*> props;
  for (const TPropInfo* prop : object.ClassInfo().AllProps())
    if (kinds.Contains(prop->Kind))
      props.push_back(prop);
  std::stable_sort(props.begin(), props.end(),
                   [](const TPropInfo* a, const TPropInfo* b) { return LessText(a->Name, b->Name); });
  for (const TPropInfo* prop : props) {
    if (!visit(object, *prop))
      return false;
    // Only owned objects are walked: a component reference may lead back up the tree.
    if (prop->Kind != TTypeKind::Class || !prop->GetObj)
      continue;
    TPersistent* nested = prop->GetObj(object);
    if (!nested)
      continue;
    if (!WalkProperties(*nested, kinds, visit))
      return false;
    if (auto* collection = As<TCollection>(nested)) {
      for (TCollectionItem* item : collection->ItemList())
        if (!WalkProperties(*item, kinds, visit))
          return false;
    }
  }
  return true;
}

}  // namespace

void ForEachPublishedProperty(TPersistent& object, TTypeKinds kinds, const TPropertyCallback& callback) {
  WalkProperties(object, kinds, [&](TPersistent& owner, const TPropInfo& prop) {
    callback(owner, prop);
    return true;
  });
}

bool HasProperty(TPersistent& object, std::string_view name) {
  bool found = false;
  WalkProperties(object, TTypeKinds::All().Without(TTypeKind::Method), [&](TPersistent&, const TPropInfo& prop) {
    found = std::string_view(prop.Name) == name;
    return !found;
  });
  return found;
}

}  // namespace vrel
