#pragma once

// Published-property tables. Each streamable class describes its published properties once, in
// declaration order; the component stream walks these tables (base class first) instead of any
// run-time reflection, so model classes stay plain C++ objects.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vrel {

class TObject;
class TPersistent;
class TComponent;

struct TNotifyEvent;

enum class TTypeKind {
  Integer,  // 32-bit signed
  Int64,
  Enumeration,  // ordinal with value names
  Boolean,
  Set,  // bit set over member names (bit i = member i)
  Float,
  String,      // CP932 bytes
  StringList,  // a list of CP932 lines (streamed through the list's own "Strings" data)
  Class,       // owned nested object: a persistent, or a collection
  Component,   // reference to a component by name
  Method,      // event handler
};

enum class TFloatType { Single, Double, Extended, Comp, Currency, Date };

struct TPropInfo {
  const char* Name = "";
  TTypeKind Kind = TTypeKind::Integer;
  TFloatType FloatType = TFloatType::Single;
  std::span<const char* const> Names;  // enumeration values or set members, in ordinal order
  bool HasDefault = false;             // ordinal default that the writer may leave out
  int64_t Default = 0;
  // Integer properties only: maps an identifier found in place of a number (a colour name such as
  // "clWhite") to its value; false when the identifier is not one of its names.
  bool (*IdentToInt)(std::string_view ident, int64_t& value) = nullptr;

  int64_t (*GetOrd)(const TPersistent&) = nullptr;  // Integer, Int64, Enumeration, Boolean, Set
  void (*SetOrd)(TPersistent&, int64_t) = nullptr;
  double (*GetFloat)(const TPersistent&) = nullptr;
  void (*SetFloat)(TPersistent&, double) = nullptr;
  std::string (*GetStr)(const TPersistent&) = nullptr;
  void (*SetStr)(TPersistent&, const std::string&) = nullptr;
  std::vector<std::string> (*GetList)(const TPersistent&) = nullptr;
  void (*SetList)(TPersistent&, const std::vector<std::string>&) = nullptr;
  TPersistent* (*GetObj)(const TPersistent&) = nullptr;  // Class
  TComponent* (*GetComp)(const TPersistent&) = nullptr;  // Component
  void (*SetComp)(TPersistent&, TComponent*) = nullptr;
  TNotifyEvent (*GetMethod)(const TPersistent&) = nullptr;
  void (*SetMethod)(TPersistent&, const TNotifyEvent&) = nullptr;

  bool IsReadOnly() const;
};

// A published method of a class, so that event properties can be streamed by name.
struct TMethodInfo {
  const char* Name = "";
  TNotifyEvent (*Bind)(TObject&) = nullptr;
};

class TClassInfo {
 public:
  using ComponentFactory = TComponent* (*)(TComponent* owner);

  TClassInfo(const char* name, const TClassInfo* parent, std::vector<TPropInfo> props = {},
             ComponentFactory factory = nullptr, std::vector<TMethodInfo> methods = {});

  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const char* Name() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  // Properties this class itself declares, in order.
  const std::vector<TPropInfo>& OwnProps() const { return props_; }
  // Every published property, base class first.
  const std::vector<const TPropInfo*>& AllProps() const { return all_; }
  const std::vector<TMethodInfo>& OwnMethods() const { return methods_; }
  ComponentFactory Factory() const { return factory_; }

  bool InheritsFrom(const TClassInfo& other) const;
  // Case-insensitive, as property names in streams are.
  const TPropInfo* FindProp(std::string_view name) const;
  const TMethodInfo* FindMethod(std::string_view name) const;
  // The published method name bound to `event` on `instance`, or empty.
  std::string MethodName(TObject& instance, const TNotifyEvent& event) const;

 private:
  const char* name_;
  const TClassInfo* parent_;
  std::vector<TPropInfo> props_;
  std::vector<const TPropInfo*> all_;
  ComponentFactory factory_;
  std::vector<TMethodInfo> methods_;
};

// Class registry: component streams create child components by class name.
void RegisterClass(const TClassInfo& info);
const TClassInfo* FindClass(std::string_view name);  // nullptr when not registered
const TClassInfo& GetClass(std::string_view name);   // raises EClassNotFound

bool SameText(std::string_view a, std::string_view b);  // ASCII case-insensitive
bool LessText(std::string_view a, std::string_view b);  // ASCII case-insensitive ordering

namespace props {

template <class M>
struct MemberClass;
template <class C, class R>
struct MemberClass<R (C::*)() const> {
  using Class = C;
  using Result = R;
};
template <class C, class R>
struct MemberClass<R (C::*)() const noexcept> {
  using Class = C;
  using Result = R;
};

template <auto Get>
using ClassOf = typename MemberClass<decltype(Get)>::Class;

template <auto Get, auto Set>
TPropInfo Ordinal(const char* name, TTypeKind kind) {
  using C = ClassOf<Get>;
  TPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.GetOrd = [](const TPersistent& o) -> int64_t { return static_cast<int64_t>((static_cast<const C&>(o).*Get)()); };
  if constexpr (!std::is_same_v<decltype(Set), std::nullptr_t>) {
    p.SetOrd = [](TPersistent& o, int64_t v) {
      using Arg = typename MemberClass<decltype(Get)>::Result;
      (static_cast<C&>(o).*Set)(static_cast<std::remove_cvref_t<Arg>>(v));
    };
  }
  return p;
}

template <auto Get, auto Set>
TPropInfo Integer(const char* name) {
  return Ordinal<Get, Set>(name, TTypeKind::Integer);
}
template <auto Get, auto Set>
TPropInfo Int64(const char* name) {
  return Ordinal<Get, Set>(name, TTypeKind::Int64);
}
template <auto Get, auto Set>
TPropInfo Boolean(const char* name) {
  return Ordinal<Get, Set>(name, TTypeKind::Boolean);
}
template <auto Get, auto Set>
TPropInfo Enumeration(const char* name, std::span<const char* const> names) {
  TPropInfo p = Ordinal<Get, Set>(name, TTypeKind::Enumeration);
  p.Names = names;
  return p;
}
template <auto Get, auto Set>
TPropInfo SetOf(const char* name, std::span<const char* const> members) {
  TPropInfo p = Ordinal<Get, Set>(name, TTypeKind::Set);
  p.Names = members;
  return p;
}

template <auto Get, auto Set>
TPropInfo Float(const char* name, TFloatType type = TFloatType::Single) {
  using C = ClassOf<Get>;
  TPropInfo p;
  p.Name = name;
  p.Kind = TTypeKind::Float;
  p.FloatType = type;
  p.GetFloat = [](const TPersistent& o) -> double { return static_cast<double>((static_cast<const C&>(o).*Get)()); };
  p.SetFloat = [](TPersistent& o, double v) {
    using Arg = std::remove_cvref_t<typename MemberClass<decltype(Get)>::Result>;
    (static_cast<C&>(o).*Set)(static_cast<Arg>(v));
  };
  return p;
}

template <auto Get, auto Set>
TPropInfo String(const char* name) {
  using C = ClassOf<Get>;
  TPropInfo p;
  p.Name = name;
  p.Kind = TTypeKind::String;
  p.GetStr = [](const TPersistent& o) -> std::string { return (static_cast<const C&>(o).*Get)(); };
  p.SetStr = [](TPersistent& o, const std::string& v) { (static_cast<C&>(o).*Set)(v); };
  return p;
}

template <auto Get, auto Set>
TPropInfo StringList(const char* name) {
  using C = ClassOf<Get>;
  TPropInfo p;
  p.Name = name;
  p.Kind = TTypeKind::StringList;
  p.GetList = [](const TPersistent& o) -> std::vector<std::string> { return (static_cast<const C&>(o).*Get)(); };
  p.SetList = [](TPersistent& o, const std::vector<std::string>& v) { (static_cast<C&>(o).*Set)(v); };
  return p;
}

// An owned nested object (a persistent or a collection); the stream reaches it by dotted names.
template <auto Get>
TPropInfo Object(const char* name) {
  using C = ClassOf<Get>;
  TPropInfo p;
  p.Name = name;
  p.Kind = TTypeKind::Class;
  p.GetObj = [](const TPersistent& o) -> TPersistent* { return (static_cast<const C&>(o).*Get)(); };
  return p;
}

template <auto Get, auto Set>
TPropInfo Component(const char* name) {
  using C = ClassOf<Get>;
  TPropInfo p;
  p.Name = name;
  p.Kind = TTypeKind::Component;
  p.GetComp = [](const TPersistent& o) -> TComponent* { return (static_cast<const C&>(o).*Get)(); };
  p.SetComp = [](TPersistent& o, TComponent* v) { (static_cast<C&>(o).*Set)(v); };
  return p;
}

inline TPropInfo WithDefault(TPropInfo p, int64_t value) {
  p.HasDefault = true;
  p.Default = value;
  return p;
}

inline TPropInfo WithIdents(TPropInfo p, bool (*identToInt)(std::string_view, int64_t&)) {
  p.IdentToInt = identToInt;
  return p;
}

}  // namespace props
}  // namespace vrel
