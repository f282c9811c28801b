#include "platform/Menus.h"

#include <algorithm>
#include <memory>

namespace vrel {

const TClassInfo& TMenuItem::StaticClass() {
  // The defaults are those of the menus the records come from: a plain item is enabled, visible,
  // unchecked and has no short-cut, and such values are not written.
  static const TClassInfo info(
      "TMenuItem", &Inherited::StaticClass(),
      {props::String<&TMenuItem::Caption, &TMenuItem::SetCaption>("Caption"),
       props::WithDefault(props::Boolean<&TMenuItem::Checked, &TMenuItem::SetChecked>("Checked"), 0),
       props::WithDefault(props::Boolean<&TMenuItem::Enabled, &TMenuItem::SetEnabled>("Enabled"), 1),
       props::WithDefault(props::Integer<&TMenuItem::ShortCut, &TMenuItem::SetShortCut>("ShortCut"), 0),
       props::WithDefault(props::Boolean<&TMenuItem::Visible, &TMenuItem::SetVisible>("Visible"), 1)},
      [](TComponent* owner) -> TComponent* { return new TMenuItem(owner); });
  return info;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (parent_)
    parent_->Remove(this);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  // From the back: Clear removes the last item again and again, which from the front would take
  // time growing with the square of the count.
  const auto it = std::find(items_.rbegin(), items_.rend(), item);
  return it == items_.rend() ? -1 : static_cast<int>(items_.rend() - it) - 1;
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr || item == this)
    return;
  // An item cannot hold one of its own ancestors.
  for (const TMenuItem* p = parent_; p; p = p->parent_)
    if (p == item)
      throw Exception("メニュー項目を自分の下に挿入することはできません");
  if (item->parent_)
    item->parent_->Remove(item);
  // Owned as a sub-item, not also as a component: one owner frees it.
  if (item->Owner())
    item->Owner()->RemoveComponent(item);
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  const int index = IndexOf(item);
  if (index < 0)
    return;
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
}

void TMenuItem::Delete(int index) {
  TMenuItem* item = Items(index);
  Remove(item);
  delete item;
}

void TMenuItem::Clear() {
  while (!items_.empty())
    Delete(Count() - 1);
}

void TMenuItem::Assign(const TPersistent* source) {
  const auto* other = As<TMenuItem>(source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this)
    return;
  // Copies first, so that a failure leaves this item as it was.
  std::vector<std::unique_ptr<TMenuItem>> copies;
  for (const TMenuItem* item : other->items_) {
    auto copy = std::make_unique<TMenuItem>();
    copy->SetName(item->Name());
    copy->Assign(item);
    copies.push_back(std::move(copy));
  }
  caption_ = other->caption_;
  checked_ = other->checked_;
  enabled_ = other->enabled_;
  visible_ = other->visible_;
  shortCut_ = other->shortCut_;
  SetTag(other->Tag());
  Clear();
  for (auto& copy : copies)
    Add(copy.release());
}

std::vector<TComponent*> TMenuItem::GetChildren() const {
  return {items_.begin(), items_.end()};
}

void TMenuItem::AddChild(TComponent* child) {
  if (auto* item = As<TMenuItem>(child)) {
    Add(item);
    return;
  }
  TComponent::AddChild(child);
}

void RegisterMenuClasses() {
  RegisterClass(TMenuItem::StaticClass());
}

}  // namespace vrel
