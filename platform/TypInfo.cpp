#include "platform/TypInfo.h"

#include <algorithm>
#include <map>

#include "platform/Classes.h"
#include "platform/Exceptions.h"

namespace vrel {

bool TPropInfo::IsReadOnly() const {
  switch (Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Int64:
    case TTypeKind::Enumeration:
    case TTypeKind::Boolean:
    case TTypeKind::Set:
      return SetOrd == nullptr;
    case TTypeKind::Float:
      return SetFloat == nullptr;
    case TTypeKind::String:
      return SetStr == nullptr;
    case TTypeKind::StringList:
      return SetList == nullptr;
    case TTypeKind::Class:
      return false;  // reached through the object itself
    case TTypeKind::Component:
      return SetComp == nullptr;
    case TTypeKind::Method:
      return SetMethod == nullptr;
  }
  return true;
}

namespace {
unsigned char LowerAscii(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}
}  // namespace

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i]))
      return false;
  return true;
}

bool LessText(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

TClassInfo::TClassInfo(const char* name, const TClassInfo* parent, std::vector<TPropInfo> props,
                       ComponentFactory factory, std::vector<TMethodInfo> methods)
    : name_(name), parent_(parent), props_(std::move(props)), factory_(factory), methods_(std::move(methods)) {
  if (parent_)
    all_ = parent_->all_;
  for (const TPropInfo& p : props_)
    all_.push_back(&p);
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &other)
      return true;
  return false;
}

const TPropInfo* TClassInfo::FindProp(std::string_view name) const {
  if (name.empty())
    return nullptr;
  // Streams look a name up for every value they read: the first letter rules out most candidates
  // before their length is even taken.
  const unsigned char first = LowerAscii(name.front());
  for (const TPropInfo* p : all_)
    if (LowerAscii(p->Name[0]) == first && SameText(p->Name, name))
      return p;
  return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TMethodInfo& m : c->methods_)
      if (SameText(m.Name, name))
        return &m;
  return nullptr;
}

std::string TClassInfo::MethodName(TObject& instance, const TNotifyEvent& event) const {
  if (!event)
    return {};
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TMethodInfo& m : c->methods_)
      if (m.Bind && m.Bind(instance) == event)
        return m.Name;
  return {};
}

namespace {
struct NameLess {
  bool operator()(const std::string& a, const std::string& b) const { return LessText(a, b); }
};
std::map<std::string, const TClassInfo*, NameLess>& Registry() {
  static std::map<std::string, const TClassInfo*, NameLess> registry;
  return registry;
}
}  // namespace

void RegisterClass(const TClassInfo& info) {
  Registry()[info.Name()] = &info;
}

const TClassInfo* FindClass(std::string_view name) {
  auto& registry = Registry();
  auto it = registry.find(std::string(name));
  return it == registry.end() ? nullptr : it->second;
}

const TClassInfo& GetClass(std::string_view name) {
  if (const TClassInfo* info = FindClass(name))
    return *info;
  throw EClassNotFound(FormatMessage("クラス %s が見つかりません", {std::string(name)}));
}

}  // namespace vrel
