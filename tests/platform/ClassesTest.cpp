#include "platform/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vrel {
namespace {

class Item : public TCollectionItem {
  VREL_CLASS_INFO
 public:
  using TCollectionItem::TCollectionItem;
  int Value() const { return value_; }
  void SetValue(int v) { value_ = v; }
  void Assign(const TPersistent* source) override {
    if (auto* other = As<Item>(source)) {
      value_ = other->value_;
      return;
    }
    TCollectionItem::Assign(source);
  }
  void Touch() { Changed(false); }

 private:
  int value_ = 0;
};

const TClassInfo& Item::StaticClass() {
  static const TClassInfo info("TTestItem", &TCollectionItem::StaticClass(),
                               {props::Integer<&Item::Value, &Item::SetValue>("Value")});
  return info;
}

// Records what the collection announces.
class Recording : public TCollection {
 public:
  Recording() : TCollection(FactoryOf<Item>()) {}
  std::vector<const TCollectionItem*> updates;
  std::vector<std::pair<const TCollectionItem*, TCollectionNotification>> notes;

 protected:
  void Update(TCollectionItem* item) override { updates.push_back(item); }
  void Notify(TCollectionItem* item, TCollectionNotification action) override { notes.emplace_back(item, action); }
};

TEST(Collection, RunningItemNumbersAreNeverReused) {
  TCollection c(TCollection::FactoryOf<Item>());
  TCollectionItem* a = c.Add();
  TCollectionItem* b = c.Add();
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  delete b;
  c.Clear();
  EXPECT_EQ(c.Add()->ID(), 2);
  EXPECT_EQ(c.NextID(), 3);
}

TEST(Collection, AnnouncesChangesOnlyOutsideUpdates) {
  Recording c;
  auto* a = static_cast<Item*>(c.Add());
  ASSERT_EQ(c.updates.size(), 1u);  // the addition, as the whole collection
  EXPECT_EQ(c.updates[0], nullptr);
  a->Touch();
  ASSERT_EQ(c.updates.size(), 2u);
  EXPECT_EQ(c.updates[1], a);

  c.BeginUpdate();
  a->Touch();
  c.Add();
  delete a;
  EXPECT_EQ(c.updates.size(), 2u);
  c.EndUpdate();
  ASSERT_EQ(c.updates.size(), 3u);
  EXPECT_EQ(c.updates[2], nullptr);
  ASSERT_EQ(c.notes.size(), 3u);
  EXPECT_EQ(c.notes[2].second, TCollectionNotification::Extracting);
}

TEST(Collection, InsertMovesLaterItemsDownAndIndexFollows) {
  TCollection c(TCollection::FactoryOf<Item>());
  auto* a = static_cast<Item*>(c.Add());
  auto* b = static_cast<Item*>(c.Add());
  auto* x = static_cast<Item*>(c.Insert(1));
  EXPECT_EQ(c.Items(0), a);
  EXPECT_EQ(c.Items(1), x);
  EXPECT_EQ(c.Items(2), b);
  EXPECT_EQ(b->Index(), 2);
  x->SetIndex(99);  // clamped to the last place
  EXPECT_EQ(c.Items(2), x);
  c.Delete(0);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(b->Index(), 0);
}

TEST(Collection, AssignCopiesItemsInOrder) {
  TCollection from(TCollection::FactoryOf<Item>());
  for (int v : {5, 7, 9}) static_cast<Item*>(from.Add())->SetValue(v);
  TCollection to(TCollection::FactoryOf<Item>());
  to.Add();
  to.Assign(&from);
  ASSERT_EQ(to.Count(), 3);
  EXPECT_EQ(static_cast<Item*>(to.Items(2))->Value(), 9);
}

TEST(Persistent, AssignFromUnrelatedClassRaisesTheFrameworkError) {
  TCollection c(TCollection::FactoryOf<Item>());
  TComponent component;
  try {
    c.Assign(&component);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot assign a TComponent to a TCollection");
  }
  try {
    c.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot assign a nil to a TCollection");
  }
}

TEST(Component, OwnsAndFreesItsComponentsAndFindsThemByName) {
  auto* root = new TComponent;
  auto* child = new TComponent(root);
  child->SetName("Child");
  auto* grandchild = new TComponent(child);
  (void)grandchild;
  EXPECT_EQ(root->ComponentCount(), 1);
  EXPECT_EQ(root->FindComponent("CHILD"), child);
  EXPECT_EQ(root->FindComponent(""), nullptr);
  auto* other = new TComponent;
  other->InsertComponent(child);  // moves ownership
  EXPECT_EQ(root->ComponentCount(), 0);
  EXPECT_EQ(child->Owner(), other);
  delete root;
  delete other;  // frees child and grandchild (checked by AddressSanitizer)
}

TEST(TypInfo, TablesListBaseClassPropertiesFirstAndFindWithoutCase) {
  const auto& all = TComponent::StaticClass().AllProps();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_STREQ(all[0]->Name, "Name");
  EXPECT_STREQ(all[1]->Name, "Tag");
  EXPECT_TRUE(all[1]->HasDefault);

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

TEST(TypInfo, RegistryFindsClassesWithoutCaseAndNamesMissingOnes) {
  RegisterClass(TComponent::StaticClass());
  EXPECT_EQ(FindClass("tcomponent"), &TComponent::StaticClass());
  EXPECT_EQ(FindClass("TNoSuchThing"), nullptr);
  try {
    GetClass("TNoSuchThing");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(std::string(e.what()), "クラス TNoSuchThing が見つかりません");
  }
}

TEST(NotifyEvent, EqualOnlyForTheSameHandlerAndObject) {
  struct Listener : TObject {
    int calls = 0;
    void OnA(TObject*) { ++calls; }
    void OnB(TObject*) { ++calls; }
  } one, two;
  const auto a1 = TNotifyEvent::Of<&Listener::OnA>(&one);
  EXPECT_EQ(a1, TNotifyEvent::Of<&Listener::OnA>(&one));
  EXPECT_NE(a1, TNotifyEvent::Of<&Listener::OnB>(&one));
  EXPECT_NE(a1, TNotifyEvent::Of<&Listener::OnA>(&two));
  a1(nullptr);
  EXPECT_EQ(one.calls, 1);
  EXPECT_FALSE(TNotifyEvent{});
}

}  // namespace
}  // namespace vrel
