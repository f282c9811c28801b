#include "platform/ComponentStream.h"

#include <cmath>

#include "platform/Cp932.h"
#include "platform/UpdateGuard.h"

namespace vrel {

namespace {

const char* const kUnknownProperty = "プロパティ %s は存在しません";
// A number the property cannot hold: beyond a single's range, an infinity or not a number.
const char* const kOutOfRange = "プロパティ %s の値が範囲外です";

[[noreturn]] void InvalidValue() {
  throw EReadError(std::string(kInvalidPropertyValueMessage));
}

void CheckDepth(int depth) {
  if (depth > kMaxStreamNesting)
    throw EReadError(std::string(kNestingTooDeepMessage));
}

// What a read charges its budget for each object it makes: the object, the copy of it that the
// document takes over, and what binding it afterwards needs (a model object takes 50 to 200 bytes).
// A component read as a child record is charged as a whole, at what the largest of them takes.
constexpr std::size_t kObjectCharge = 256;
constexpr std::size_t kComponentCharge = 4096;

// How many objects a fresh item consists of: itself, the objects it owns through published
// properties, and the items their collections start with (a blade starts with its four corners).
std::size_t ObjectsIn(const TPersistent& object, int depth = 0) {
  std::size_t count = 1;
  if (depth > kMaxStreamNesting)
    return count;
  for (const TPropInfo* prop : object.ClassInfo().AllProps()) {
    if (prop->Kind != TTypeKind::Class || !prop->GetObj)
      continue;
    const TPersistent* nested = prop->GetObj(object);
    if (!nested)
      continue;
    count += ObjectsIn(*nested, depth + 1);
    if (const auto* collection = As<TCollection>(nested))
      for (const TCollectionItem* item : collection->ItemList())
        count += ObjectsIn(*item, depth + 1);
  }
  return count;
}

void WritePropertiesAt(StreamWriter& writer, const TPersistent& instance, std::string& path, TComponent* root);

void WriteCollection(StreamWriter& writer, const TCollection& collection, TComponent* root) {
  writer.WriteCollectionBegin();
  std::string path;
  for (const TCollectionItem* item : collection.ItemList()) {
    writer.WriteListBegin();
    WritePropertiesAt(writer, *item, path, root);
    writer.WriteListEnd();
  }
  writer.WriteCollectionEnd();
}

// Writes the properties of `instance` under `path`, the dotted name of the object so far ("" or
// ending in a dot), which it extends and gives back as it was: one buffer serves every name.
void WritePropertiesAt(StreamWriter& writer, const TPersistent& instance, std::string& path, TComponent* root) {
  // A component's name travels in its record header; a "Name" property record beside it would be
  // one more record than other writers of the format produce (it is still accepted when read).
  static const TPropInfo* const componentName = TComponent::StaticClass().FindProp("Name");
  const std::size_t base = path.size();
  for (const TPropInfo* prop : instance.ClassInfo().AllProps()) {
    if (prop == componentName)
      continue;
    path.resize(base);
    path += prop->Name;
    const std::string& name = path;
    switch (prop->Kind) {
      case TTypeKind::Integer:
      case TTypeKind::Int64: {
        const int64_t value = prop->GetOrd(instance);
        if (prop->HasDefault && value == prop->Default)
          break;
        writer.WritePropName(name);
        writer.WriteInt64(value);
        break;
      }
      case TTypeKind::Boolean: {
        const bool value = prop->GetOrd(instance) != 0;
        if (prop->HasDefault && value == (prop->Default != 0))
          break;
        writer.WritePropName(name);
        writer.WriteBoolean(value);
        break;
      }
      case TTypeKind::Enumeration: {
        const int64_t value = prop->GetOrd(instance);
        if (prop->HasDefault && value == prop->Default)
          break;
        if (value < 0 || value >= static_cast<int64_t>(prop->Names.size()))
          break;
        writer.WritePropName(name);
        writer.WriteIdent(prop->Names[static_cast<std::size_t>(value)]);
        break;
      }
      case TTypeKind::Set: {
        const int64_t bits = prop->GetOrd(instance);
        if (prop->HasDefault && bits == prop->Default)
          break;
        std::vector<std::string> members;
        for (std::size_t i = 0; i < prop->Names.size() && i < 64; ++i)
          if (bits & (int64_t{1} << i))
            members.emplace_back(prop->Names[i]);
        writer.WritePropName(name);
        writer.WriteSet(members);
        break;
      }
      case TTypeKind::Float: {
        const double value = prop->GetFloat(instance);
        if (value == 0)
          break;
        writer.WritePropName(name);
        writer.WriteExtended(value);
        break;
      }
      case TTypeKind::String: {
        const std::string value = prop->GetStr(instance);
        if (value.empty())
          break;
        writer.WritePropName(name);
        writer.WriteStringValue(value);
        break;
      }
      case TTypeKind::StringList: {
        // A string list keeps its lines in data of its own, named "Strings", written when not empty.
        const std::vector<std::string> lines = prop->GetList(instance);
        if (lines.empty())
          break;
        path += ".Strings";
        writer.WritePropName(path);
        writer.WriteListBegin();
        for (const std::string& line : lines)
          writer.WriteStringValue(line);
        writer.WriteListEnd();
        break;
      }
      case TTypeKind::Class: {
        const TPersistent* object = prop->GetObj(instance);
        if (!object || As<TComponent>(object))
          break;
        path += '.';
        WritePropertiesAt(writer, *object, path, root);
        if (const auto* collection = As<TCollection>(object)) {
          path.pop_back();
          writer.WritePropName(path);
          WriteCollection(writer, *collection, root);
        }
        break;
      }
      case TTypeKind::Component: {
        const TComponent* reference = prop->GetComp(instance);
        if (!reference || reference->Name().empty())
          break;
        writer.WritePropName(name);
        writer.WriteIdent(reference->Name());
        break;
      }
      case TTypeKind::Method: {
        if (!root)
          break;
        const std::string method = root->ClassInfo().MethodName(*root, prop->GetMethod(instance));
        if (method.empty())
          break;
        writer.WritePropName(name);
        writer.WriteIdent(method);
        break;
      }
    }
  }
  path.resize(base);
}

}  // namespace

void WriteProperties(StreamWriter& writer, const TPersistent& instance, const std::string& prefix, TComponent* root) {
  std::string path = prefix;
  WritePropertiesAt(writer, instance, path, root);
}

void WriteComponent(StreamWriter& writer, const TComponent& component, TComponent* root) {
  writer.WriteShortString(component.ClassName());
  writer.WriteShortString(component.Name());
  WriteProperties(writer, component, std::string(), root);
  writer.WriteListEnd();
  for (const TComponent* child : component.GetChildren())
    WriteComponent(writer, *child, root);
  writer.WriteListEnd();
}

std::string SaveComponentToBytes(const TComponent& component, TComponent* root) {
  StreamWriter writer;
  writer.WriteSignature();
  WriteComponent(writer, component, root ? root : const_cast<TComponent*>(&component));
  return writer.TakeBytes();
}

// ---------------------------------------------------------------------------------------------

namespace {

// What every step of one read shares: the component whose methods and names references resolve
// against, and the memory the read may still spend.
struct ReadContext {
  TComponent* root;
  TReadBudget& budget;
};

void ReadProperty(StreamReader& reader, TPersistent& instance, ReadContext& context, int depth);

void ReadCollection(StreamReader& reader, TCollection& collection, ReadContext& context, int depth) {
  CheckDepth(depth);
  reader.ReadCollectionBegin();
  UpdateGuard batch(collection);
  collection.Clear();
  std::size_t charge = 0;  // the items of one collection are of one class
  while (!reader.EndOfList()) {
    reader.ReadCollectionItemBegin();
    TCollectionItem* item = collection.Add();
    if (charge == 0)
      charge = kObjectCharge * ObjectsIn(*item);
    context.budget.Charge(charge);
    while (!reader.EndOfList())
      ReadProperty(reader, *item, context, depth + 1);
    reader.ReadListEnd();
  }
  reader.ReadListEnd();
}

// Single properties round the stored value once, straight from its own precision.
double ReadNumber(StreamReader& reader, const TPropInfo& prop, const std::string& name) {
  const double value = prop.FloatType == TFloatType::Single ? reader.ReadSingle() : reader.ReadFloat();
  if (!std::isfinite(value))
    throw EReadError(FormatMessage(kOutOfRange, {Cp932ToUtf8(name)}));
  return value;
}

// `name` is the property record's whole (dotted) name, for messages.
void ReadValue(StreamReader& reader, TPersistent& object, const TPropInfo& prop, const std::string& name,
               ReadContext& context, int depth) {
  TComponent* const root = context.root;
  switch (prop.Kind) {
    case TTypeKind::Integer:
      if (prop.IdentToInt && reader.PeekTag() == ValueTag::vaIdent) {
        int64_t value = 0;
        if (!prop.IdentToInt(reader.ReadIdent(), value))
          InvalidValue();
        prop.SetOrd(object, value);
        return;
      }
      prop.SetOrd(object, reader.ReadInteger());
      return;
    case TTypeKind::Int64:
      prop.SetOrd(object, reader.ReadInt64());
      return;
    case TTypeKind::Boolean: {
      const ValueTag tag = reader.PeekTag();
      if (tag == ValueTag::vaIdent) {
        const std::string ident = reader.ReadIdent();
        if (SameText(ident, "True"))
          prop.SetOrd(object, 1);
        else if (SameText(ident, "False"))
          prop.SetOrd(object, 0);
        else
          InvalidValue();
        return;
      }
      prop.SetOrd(object, reader.ReadBoolean() ? 1 : 0);
      return;
    }
    case TTypeKind::Enumeration: {
      if (reader.PeekTag() != ValueTag::vaIdent)
        InvalidValue();
      const std::string ident = reader.ReadIdent();
      for (std::size_t i = 0; i < prop.Names.size(); ++i) {
        if (SameText(prop.Names[i], ident)) {
          prop.SetOrd(object, static_cast<int64_t>(i));
          return;
        }
      }
      InvalidValue();
    }
    case TTypeKind::Set: {
      int64_t bits = 0;
      for (const std::string& member : reader.ReadSet()) {
        std::size_t i = 0;
        while (i < prop.Names.size() && !SameText(prop.Names[i], member))
          ++i;
        if (i == prop.Names.size() || i >= 64)
          InvalidValue();
        bits |= int64_t{1} << i;
      }
      prop.SetOrd(object, bits);
      return;
    }
    case TTypeKind::Float:
      prop.SetFloat(object, ReadNumber(reader, prop, name));
      return;
    case TTypeKind::String:
      prop.SetStr(object, reader.ReadStringValue());
      return;
    case TTypeKind::StringList:
      InvalidValue();  // reached only through its "Strings" data
    case TTypeKind::Class: {
      auto* collection = As<TCollection>(prop.GetObj(object));
      if (!collection || reader.PeekTag() != ValueTag::vaCollection)
        InvalidValue();
      ReadCollection(reader, *collection, context, depth);
      return;
    }
    case TTypeKind::Component: {
      if (reader.PeekTag() == ValueTag::vaNil) {
        reader.ReadTag();
        prop.SetComp(object, nullptr);
        return;
      }
      if (reader.PeekTag() != ValueTag::vaIdent)
        InvalidValue();
      const std::string ident = reader.ReadIdent();
      TComponent* found = nullptr;
      if (root)
        found = SameText(root->Name(), ident) ? root : root->FindComponent(ident);
      prop.SetComp(object, found);
      return;
    }
    case TTypeKind::Method: {
      if (reader.PeekTag() == ValueTag::vaNil) {
        reader.ReadTag();
        prop.SetMethod(object, TNotifyEvent{});
        return;
      }
      if (reader.PeekTag() != ValueTag::vaIdent)
        InvalidValue();
      const std::string ident = reader.ReadIdent();
      const TMethodInfo* method = root ? root->ClassInfo().FindMethod(ident) : nullptr;
      if (!method || !method->Bind)
        InvalidValue();
      prop.SetMethod(object, method->Bind(*root));
      return;
    }
  }
  InvalidValue();
}

void ReadStringList(StreamReader& reader, TPersistent& object, const TPropInfo& prop) {
  reader.ReadListBegin();
  std::vector<std::string> lines;
  while (!reader.EndOfList())
    lines.push_back(reader.ReadStringValue());
  reader.ReadListEnd();
  prop.SetList(object, lines);
}

struct Header {
  std::string className;
  std::string name;
};

Header ReadHeader(StreamReader& reader) {
  reader.ReadPrefix();
  Header header;
  header.className = reader.ReadShortString();
  header.name = reader.ReadShortString();
  return header;
}

void ReadBody(StreamReader& reader, TComponent& component, ReadContext& context, int depth,
              std::vector<TComponent*>& loaded) {
  CheckDepth(depth);
  component.SetLoading(true);
  loaded.push_back(&component);
  while (!reader.EndOfList())
    ReadProperty(reader, component, context, depth);
  reader.ReadListEnd();
  while (!reader.EndOfList()) {
    const Header header = ReadHeader(reader);
    const TClassInfo* info = FindClass(header.className);
    if (!info || !info->Factory())
      throw EClassNotFound(FormatMessage("クラス %s が見つかりません", {Cp932ToUtf8(header.className)}));
    context.budget.Charge(kComponentCharge);
    TComponent* child = info->Factory()(nullptr);
    component.AddChild(child);
    child->SetName(header.name);
    ReadBody(reader, *child, context, depth + 1, loaded);
  }
  reader.ReadListEnd();
}

void ReadProperty(StreamReader& reader, TPersistent& instance, ReadContext& context, int depth) {
  const std::string name = reader.ReadPropName();
  TPersistent* object = &instance;
  std::string_view rest = name;
  // A nested object that takes records of other versions takes them under its own dotted names too.
  bool ignoreUnknown = instance.IgnoresUnknownProperties();
  for (;;) {
    const std::size_t dot = rest.find('.');
    const std::string_view segment = rest.substr(0, dot);
    const TPropInfo* prop = object->ClassInfo().FindProp(segment);
    if (prop && dot == std::string_view::npos && !prop->IsReadOnly() && prop->Kind != TTypeKind::StringList) {
      ReadValue(reader, *object, *prop, name, context, depth);
      return;
    }
    if (prop && dot != std::string_view::npos) {
      const std::string_view after = rest.substr(dot + 1);
      if (prop->Kind == TTypeKind::StringList && prop->SetList && SameText(after, "Strings")) {
        ReadStringList(reader, *object, *prop);
        return;
      }
      if (prop->Kind == TTypeKind::Class) {
        if (TPersistent* nested = prop->GetObj(*object)) {
          object = nested;
          rest = after;
          ignoreUnknown = ignoreUnknown || nested->IgnoresUnknownProperties();
          continue;
        }
      }
    }
    break;
  }
  if (ignoreUnknown) {
    reader.SkipValue();
    return;
  }
  throw EReadError(FormatMessage(kUnknownProperty, {Cp932ToUtf8(name)}));
}

}  // namespace

void ReadComponent(StreamReader& reader, TComponent& target, TReadBudget& budget) {
  reader.ReadSignature();
  const Header header = ReadHeader(reader);
  target.SetName(header.name);
  std::vector<TComponent*> loaded;
  ReadContext context{&target, budget};
  ReadBody(reader, target, context, 0, loaded);
  for (TComponent* component : loaded)
    component->Loaded();
}

void ReadComponent(StreamReader& reader, TComponent& target) {
  TReadBudget budget(reader.Remaining());
  ReadComponent(reader, target, budget);
}

void LoadComponentFromBytes(std::string_view bytes, TComponent& target, TReadBudget& budget) {
  StreamReader reader(bytes);
  ReadComponent(reader, target, budget);
}

void LoadComponentFromBytes(std::string_view bytes, TComponent& target) {
  TReadBudget budget(bytes.size());
  LoadComponentFromBytes(bytes, target, budget);
}

}  // namespace vrel
