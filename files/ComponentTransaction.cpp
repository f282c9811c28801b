#include "files/ComponentTransaction.h"

#include "platform/ComponentStream.h"

namespace vrel {

std::unique_ptr<TComponent> NewComponentLike(const TComponent& like) {
  const TClassInfo::ComponentFactory factory = like.ClassInfo().Factory();
  if (!factory)
    throw EClassNotFound(FormatMessage("クラス %s が見つかりません", {like.ClassName()}));
  return std::unique_ptr<TComponent>(factory(nullptr));
}

void TakeOverComponent(TComponent& target, const TComponent& fresh) {
  target.TakeOver(fresh);
  target.SetName(fresh.Name());
  target.SetTag(fresh.Tag());
  target.SetLoading(true);
  target.Loaded();
}

void LoadComponentTransactional(std::string_view bytes, TComponent& target,
                                const std::function<void(TComponent&)>& prepare) {
  std::unique_ptr<TComponent> fresh = NewComponentLike(target);
  fresh->SetTag(target.Tag());
  if (prepare)
    prepare(*fresh);
  LoadComponentFromBytes(bytes, *fresh);
  TakeOverComponent(target, *fresh);
}

}  // namespace vrel
