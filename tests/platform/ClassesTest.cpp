#include "platform/Classes.h"

#include <gtest/gtest.h>

#include "platform/UpdateGuard.h"

namespace vrel {
namespace {
class Item : public TCollectionItem {
  VREL_CLASS_INFO(Item, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int Value() const { return value_; }
  void SetValue(int v) { value_ = v; }
  void Assign(const TPersistent* source) override {
    if (auto* other = As<Item>(source))
      return SetValue(other->value_);
    TCollectionItem::Assign(source);
  }
  void Touch() { Changed(false); }

 private:
  int value_ = 0;
};

const TClassInfo& Item::StaticClass() {
  static const TClassInfo info("TTestItem", &Inherited::StaticClass(),
                               {props::Integer<&Item::Value, &Item::SetValue>("Value")});
  return info;
}

// Records what the collection announces.
class Recording : public TCollection {
 public:
  Recording() : TCollection(FactoryOf<Item>()) {}
  Item* At(int index) { return static_cast<Item*>(Items(index)); }
  std::vector<const TCollectionItem*> updates;
  std::vector<TCollectionNotification> notes;

 protected:
  void Update(TCollectionItem* item) override { updates.push_back(item); }
  void Notify(TCollectionItem*, TCollectionNotification action) override { notes.push_back(action); }
};

template <class Action>
std::string ConvertErrorOf(Action action) {
  try {
    action();
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "";
}

TEST(Collection, NumbersItemsForGoodAnnouncesChangesOutsideUpdatesKeepsOrderAndAssigns) {
  Recording c;
  Item* a = static_cast<Item*>(c.Add());
  Item* b = static_cast<Item*>(c.Add());
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(c.updates, (std::vector<const TCollectionItem*>{nullptr, nullptr}));  // additions touch the whole
  a->Touch();
  EXPECT_EQ(c.updates.back(), a);
  Item* x = nullptr;
  {
    UpdateGuard batch(c);
    a->Touch();
    x = static_cast<Item*>(c.Insert(1));
    EXPECT_EQ(c.updates.size(), 3u);
  }
  ASSERT_EQ(c.updates.size(), 4u);
  EXPECT_EQ(c.updates.back(), nullptr);
  EXPECT_EQ(c.At(1), x);
  EXPECT_EQ(c.At(2), b);
  EXPECT_EQ(b->Index(), 2);
  x->SetIndex(99);  // clamped to the last place
  EXPECT_EQ(c.At(2), x);
  c.Delete(0);
  EXPECT_EQ(b->Index(), 0);
  const std::size_t notes = c.notes.size();
  delete b;
  EXPECT_EQ(c.notes.size(), notes + 1);
  EXPECT_EQ(c.notes.back(), TCollectionNotification::Extracting);
  c.Clear();
  EXPECT_EQ(c.Add()->ID(), 3);
  EXPECT_EQ(c.NextID(), 4);  // running numbers are never reused
  TCollection from(TCollection::FactoryOf<Item>());
  for (int v : {5, 7, 9})
    static_cast<Item*>(from.Add())->SetValue(v);
  c.Assign(&from);
  ASSERT_EQ(c.Count(), 3);
  EXPECT_EQ(c.At(2)->Value(), 9);
  TComponent component;
  EXPECT_EQ(ConvertErrorOf([&] { c.Assign(&component); }), "Cannot assign a TComponent to a TCollection");
  EXPECT_EQ(ConvertErrorOf([&] { c.Assign(nullptr); }), "Cannot assign a nil to a TCollection");
}

// The class registry and the order of property tables are checked where components are streamed.
TEST(Classes, ComponentsOwnTheirChildrenAndPropertyTablesFindNamesWithoutCase) {
  auto* root = new TComponent;
  auto* child = new TComponent(root);
  child->SetName("Child"), new TComponent(child);
  EXPECT_EQ(root->ComponentCount(), 1);
  EXPECT_EQ(root->FindComponent("CHILD"), child);
  EXPECT_EQ(root->FindComponent(""), nullptr);
  auto* other = new TComponent;
  other->InsertComponent(child);  // moves ownership
  EXPECT_EQ(root->ComponentCount(), 0);
  EXPECT_EQ(child->Owner(), other);
  delete root, delete other;  // the latter frees child and grandchild (checked by AddressSanitizer)
  const TPropInfo* value = Item::StaticClass().FindProp("vALUE");
  ASSERT_NE(value, nullptr);
  Item probe(nullptr);
  value->SetOrd(probe, 42);
  EXPECT_EQ(probe.Value(), 42);
  EXPECT_EQ(value->GetOrd(probe), 42);
  EXPECT_EQ(Item::StaticClass().FindProp("Missing"), nullptr);
  EXPECT_TRUE(Item::StaticClass().InheritsFrom(TPersistent::StaticClass()));
  EXPECT_FALSE(TPersistent::StaticClass().InheritsFrom(Item::StaticClass()));
}
}  // namespace
}  // namespace vrel
