#include <gtest/gtest.h>

#include <vector>

#include "scene/DX9FlyWeight.h"

namespace vrel {
namespace {

class Data : public TDataListItem {
 public:
  using TDataListItem::TDataListItem;
  void Touch() { Changed(); }
};

// A client with four slots that remembers what it was told.
class Client : public TDataListItemClient {
 public:
  explicit Client(TCollection* c) : TDataListItemClient(c) {
    for (int i = 0; i < 4; ++i)
      ChildCollection()->Add();
  }
  void DataChanged(TDataListItem* item, int slot) override { changes.emplace_back(item, slot); }
  std::vector<std::pair<TDataListItem*, int>> changes;
};

struct SharedItems : ::testing::Test {
  TDataListItemCollection pool{TCollection::FactoryOf<Data>(), nullptr};
  TCollection clients{TCollection::FactoryOf<Client>()};
  Client* NewClient() { return static_cast<Client*>(clients.Add()); }
  Data* NewData() { return static_cast<Data*>(pool.Add()); }
};

TEST_F(SharedItems, RenumberingAnItemReachesEverySlotBoundToIt) {
  Client* a = NewClient();
  Client* b = NewClient();
  Data* d = NewData();
  a->SetReference(0, d);
  a->SetReference(2, d);
  b->SetReference(1, d);
  d->SetItemID(41);
  EXPECT_EQ(std::tuple(a->GetReferenceID(0), a->GetReferenceID(2), b->GetReferenceID(1)), std::tuple(41, 41, 41));
  a->SetReferenceID(0, 7);  // a stale number must not be touched by a no-op renumber
  d->SetItemID(41);
  EXPECT_EQ(a->GetReferenceID(0), 7);
}

TEST_F(SharedItems, AFreedItemReleasesItsSlotsWhichKeepItsNumber) {
  Client* a = NewClient();
  Data* d = NewData();
  a->SetReference(2, d);
  d->SetItemID(41);
  delete d;
  EXPECT_EQ(std::tuple(a->GetReference(2), a->GetReferenceID(2)), std::tuple(nullptr, 41));
  delete a;  // nothing left to release
  EXPECT_EQ(pool.Count(), 0);
}

TEST_F(SharedItems, AChangeReachesTheClientsInRecordOrderWithTheirSlots) {
  Client* a = NewClient();
  Client* b = NewClient();
  Data* d = NewData();
  b->SetReference(2, d);
  a->SetReference(0, d);
  d->Touch();
  using Changes = std::vector<std::pair<TDataListItem*, int>>;
  EXPECT_EQ(std::tuple(b->changes, a->changes), std::tuple(Changes{{d, 2}}, Changes{{d, 0}}));
}

// The largest number is never below zero.
TEST_F(SharedItems, FindIdGivesTheFirstItemInOrderWithTheNumber) {
  EXPECT_EQ(std::tuple(pool.FindID(0), pool.MaxItemID()), std::tuple(nullptr, 0));
  Data* a = NewData();
  Data* b = NewData();
  a->SetItemID(5);
  b->SetItemID(5);
  EXPECT_EQ(pool.FindID(5), a);
  a->SetItemID(-5);
  b->SetItemID(-6);
  EXPECT_EQ(pool.MaxItemID(), 0);
}

TEST_F(SharedItems, ANewItemTakesItsRunningNumberUnlessANumberHeldIsAsLarge) {
  Data* a = NewData();  // running number 0
  EXPECT_EQ(a->ItemID(), 0);
  a->SetItemID(5);
  Data* b = NewData();  // running number 1 would be free, but 5 is the largest: take 6
  EXPECT_EQ(b->ItemID(), 6);
  b->SetItemID(1);
  a->SetItemID(0);
  EXPECT_EQ(NewData()->ItemID(), 2);  // the running number is above every number held again
  delete a;
  EXPECT_EQ(NewData()->ItemID(), 3);
}

}  // namespace
}  // namespace vrel
