#include "platform/Classes.h"

#include <gtest/gtest.h>

#include "platform/UpdateGuard.h"

namespace vrel {
namespace {
class Item : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  void Touch() { Changed(false); }
};

// Records what the collection announces.
class Recording : public TCollection {
 public:
  Recording() : TCollection(FactoryOf<Item>()) {}
  Item* At(int index) { return static_cast<Item*>(Items(index)); }
  Item* AddItem() { return static_cast<Item*>(Add()); }
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

TEST(Collection, RunningNumbersAreNeverReused) {
  Recording c;
  c.AddItem();
  c.AddItem();
  c.Clear();
  EXPECT_EQ(c.Add()->ID(), 2);
  EXPECT_EQ(c.NextID(), 3);
}

TEST(Collection, AnItemChangeIsAnnouncedForThatItemAndAnAdditionForTheWhole) {
  Recording c;
  Item* a = c.AddItem();
  a->Touch();
  EXPECT_EQ(c.updates, (std::vector<const TCollectionItem*>{nullptr, a}));
}

TEST(Collection, ABatchAnnouncesOnceForTheWholeAtItsEnd) {
  Recording c;
  Item* a = c.AddItem();
  c.updates.clear();
  {
    UpdateGuard batch(c);
    a->Touch();
    c.Insert(0);
    EXPECT_TRUE(c.updates.empty());
  }
  EXPECT_EQ(c.updates, std::vector<const TCollectionItem*>{nullptr});
}

TEST(Collection, InsertAndSetIndexPlaceItemsAndClampThePlace) {
  Recording c;
  Item* a = c.AddItem();
  Item* b = c.AddItem();
  Item* x = static_cast<Item*>(c.Insert(1));
  EXPECT_EQ(b->Index(), 2);
  x->SetIndex(99);
  EXPECT_EQ(std::tuple(c.At(0), c.At(1), c.At(2)), std::tuple(a, b, x));
}

TEST(Collection, AnItemFreedOnItsOwnLeavesItsCollectionWithANote) {
  Recording c;
  c.AddItem();
  Item* b = c.AddItem();
  delete b;
  EXPECT_EQ(std::tuple(c.Count(), c.notes.back()), std::tuple(1, TCollectionNotification::Extracting));
}

TEST(Collection, AssignFromAnythingElseRaisesTheFrameworksMessage) {
  Recording c;
  TComponent component;
  EXPECT_EQ(ConvertErrorOf([&] { c.Assign(&component); }), "Cannot assign a TComponent to a TCollection");
  EXPECT_EQ(ConvertErrorOf([&] { c.Assign(nullptr); }), "Cannot assign a nil to a TCollection");
}

TEST(Component, FindComponentIgnoresCaseAndNeverFindsAnEmptyName) {
  TComponent root;
  auto* child = new TComponent(&root);
  child->SetName("Child");
  EXPECT_EQ(std::tuple(root.FindComponent("CHILD"), root.FindComponent("")), std::tuple(child, nullptr));
}

TEST(Component, InsertComponentMovesOwnership) {
  TComponent root;
  TComponent other;
  auto* child = new TComponent(&root);
  other.InsertComponent(child);
  EXPECT_EQ(std::tuple(root.ComponentCount(), child->Owner()), std::tuple(0, &other));
}

}  // namespace
}  // namespace vrel
