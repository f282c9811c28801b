#pragma once

// The object model the editor's documents are made of: persistent objects that copy themselves with
// Assign, components with a name, a tag and an owner, and collections of numbered items. Plain C++
// objects (no QObject): a document holds tens of thousands of them.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/TypInfo.h"

namespace vrel {

namespace detail {
// The nearest class with class info that a class derives from is found by overload resolution: each
// such class declares a hidden friend taking a pointer to itself, a pointer to a class converts best
// to its nearest base, and a class's own friend is ruled out by its second parameter.
template <class T>
struct ClassInfoProbe {};
template <class Own>
struct NotOwnClassInfo {
  template <class T>
  requires(!std::is_same_v<T, Own>) NotOwnClassInfo(ClassInfoProbe<T>) {}
};
}  // namespace detail

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassInfo() const { return StaticClass(); }
  const char* ClassName() const { return ClassInfo().Name(); }
  bool InheritsFrom(const TClassInfo& info) const { return ClassInfo().InheritsFrom(info); }

  friend TObject* VrelNearestClassInfo(TObject*, detail::NotOwnClassInfo<TObject>) { return nullptr; }
};

// Declares the class's property table (define StaticClass() in the .cpp, with Inherited::StaticClass()
// as the parent's table) and checks at compile time that Parent is the nearest base class with one.
#define VREL_CLASS_INFO(Class, Parent)                                                                    \
 public:                                                                                                  \
  using Inherited = Parent;                                                                               \
  static const ::vrel::TClassInfo& StaticClass();                                                         \
  const ::vrel::TClassInfo& ClassInfo() const override {                                                  \
    static_assert(std::is_same_v<decltype(VrelNearestClassInfo(static_cast<Class*>(nullptr),              \
                                                               ::vrel::detail::ClassInfoProbe<Class>{})), \
                                 Parent*>,                                                                \
                  #Parent " is not the nearest base of " #Class " with class info");                      \
    return StaticClass();                                                                                 \
  }                                                                                                       \
  [[maybe_unused]] friend Class* VrelNearestClassInfo(Class*, ::vrel::detail::NotOwnClassInfo<Class>) {   \
    return nullptr;                                                                                       \
  }

// A method pointer with one Sender argument. Two words, comparable, so that listener lists can find
// and remove exactly the handler that was added.
struct TNotifyEvent {
  void* Data = nullptr;
  void (*Code)(void* data, TObject* sender) = nullptr;

  explicit operator bool() const { return Code != nullptr; }
  void operator()(TObject* sender) const { Code(Data, sender); }
  bool operator==(const TNotifyEvent&) const = default;

  template <auto Method, class C>
  static TNotifyEvent Of(C* object) {
    return {object, [](void* data, TObject* sender) { (static_cast<C*>(data)->*Method)(sender); }};
  }
};

class TPersistent : public TObject {
  VREL_CLASS_INFO(TPersistent, TObject)
 public:
  // Copies `source` onto this object; raises EConvertError when neither side knows the other.
  virtual void Assign(const TPersistent* source);
  // The owner in the object tree (a collection's owner, an item's collection, a component's owner).
  virtual TPersistent* GetOwner() const { return nullptr; }
  // True for classes whose stream records may carry properties written by other versions, which
  // are skipped instead of failing the read.
  virtual bool IgnoresUnknownProperties() const { return false; }

 protected:
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;

  // Lets Assign overrides hand unknown sources to the base behaviour.
  static void AssignToOf(const TPersistent* source, TPersistent* dest) { source->AssignTo(dest); }
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  VREL_CLASS_INFO(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }

  TComponent* Owner() const { return owner_; }
  TPersistent* GetOwner() const override { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int i) const { return components_.at(static_cast<std::size_t>(i)); }
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  TComponent* FindComponent(std::string_view name) const;

  bool Loading() const { return loading_; }
  void SetLoading(bool loading) { loading_ = loading; }
  // Called once after the component and everything read with it have been streamed in.
  virtual void Loaded() { loading_ = false; }
  // The child components a stream writes after this component's properties, in order.
  virtual std::vector<TComponent*> GetChildren() const { return {}; }
  // Adopts a component read from a stream as a child of this one.
  virtual void AddChild(TComponent* child);
  // Takes over the content of `fresh`, a component of this class that a stream was just read into
  // (a read that must not touch the document goes into a fresh object first). By default Assign; a
  // class whose Assign copies more than a stream holds takes only the streamed part.
  virtual void TakeOver(const TComponent& fresh) { Assign(&fresh); }

  // Links this component and `component` so that whichever is freed first tells the other through
  // Notification(opRemove): a component may refer to one it does not own without dangling.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

 protected:
  virtual void Notification(TComponent* /*component*/, TOperation /*operation*/) {}

 private:
  std::string name_;
  int32_t tag_ = 0;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;    // owned
  std::vector<TComponent*> freeNotifies_;  // not owned, linked both ways
  bool loading_ = false;
};

class TCollection;

class TCollectionItem : public TPersistent {
  VREL_CLASS_INFO(TCollectionItem, TPersistent)
 public:
  // Inserts itself into `collection` (which then owns it).
  explicit TCollectionItem(TCollection* collection);
  // Removes itself from its collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  void SetCollection(TCollection* collection);
  TPersistent* GetOwner() const override;
  // The running item number given by the collection at insertion; never reused within it.
  int32_t ID() const { return id_; }
  int Index() const;
  void SetIndex(int index);

 protected:
  // Tells the collection that this item (or, with allItems, the whole collection) changed; silent
  // while the collection is inside BeginUpdate/EndUpdate.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int32_t id_ = 0;
};

enum class TCollectionNotification { Added, Extracting };

class TCollection : public TPersistent {
  VREL_CLASS_INFO(TCollection, TPersistent)
 public:
  using ItemFactory = TCollectionItem* (*)(TCollection* owner);

  template <class Item>
  static ItemFactory FactoryOf() {
    return [](TCollection* c) -> TCollectionItem* { return new Item(c); };
  }

  TCollection(ItemFactory factory, TPersistent* owner = nullptr);
  ~TCollection() override;

  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  const std::vector<TCollectionItem*>& ItemList() const { return items_; }
  int IndexOf(const TCollectionItem* item) const;
  TCollectionItem* FindItemID(int32_t id) const;
  int32_t NextID() const { return nextId_; }

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  TPersistent* GetOwner() const override { return owner_; }
  void SetOwner(TPersistent* owner) { owner_ = owner; }
  // Same item class: clears, then adds and assigns one item per source item.
  void Assign(const TPersistent* source) override;

 protected:
  // Fires Update(nullptr) unless inside BeginUpdate/EndUpdate.
  void Changed();
  // Frees every item without any notification; for destructors, whose owners may be half gone.
  void ClearSilently();
  // Called for a changed item, or nullptr for the whole collection.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  ItemFactory factory_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;  // owned
  int32_t nextId_ = 0;
  int updateCount_ = 0;
};

template <class T>
T* As(TObject* object) {
  return dynamic_cast<T*>(object);
}
template <class T>
const T* As(const TObject* object) {
  return dynamic_cast<const T*>(object);
}

// The modifier keys and mouse buttons held during an input event, as the GUI framework reports them
// to its handlers. A small bit set: `{ssShift, ssCtrl}` builds one, `==` compares whole states.
enum TShiftStateElement : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };

class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(std::initializer_list<TShiftStateElement> elements) {
    for (TShiftStateElement e : elements)
      bits_ = static_cast<std::uint8_t>(bits_ | Bit(e));
  }

  constexpr bool Contains(TShiftStateElement e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TShiftState& Include(TShiftStateElement e) {
    bits_ = static_cast<std::uint8_t>(bits_ | Bit(e));
    return *this;
  }
  constexpr TShiftState& Exclude(TShiftStateElement e) {
    bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(e));
    return *this;
  }
  constexpr bool operator==(const TShiftState&) const = default;

 private:
  static constexpr std::uint8_t Bit(TShiftStateElement e) { return static_cast<std::uint8_t>(1u << e); }
  std::uint8_t bits_ = 0;
};

}  // namespace vrel
