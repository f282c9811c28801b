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

class DataPool : public TDataListItemCollection {
 public:
  DataPool() : TDataListItemCollection(FactoryOf<Data>(), nullptr) {}
};

// A client with four slots that remembers what it was told.
class Client : public TDataListItemClient {
 public:
  explicit Client(TCollection* c) : TDataListItemClient(c) {
    InitChildCollection();
    for (int i = 0; i < 4; ++i) ChildCollection()->Add();
  }
  void DataChanged(TDataListItem* item, int slot) override { changes.emplace_back(item, slot); }
  std::vector<std::pair<TDataListItem*, int>> changes;
};

struct Fixture : ::testing::Test {
  DataPool pool;
  TCollection clients{TCollection::FactoryOf<Client>()};
  Client* NewClient() { return static_cast<Client*>(clients.Add()); }
  Data* NewData() { return static_cast<Data*>(pool.Add()); }
};

using SharedItems = Fixture;

TEST_F(SharedItems, RepointingToTheSameItemChangesNothing) {
  Client* c = NewClient();
  Data* d = NewData();
  c->SetReference(0, d);
  c->SetReference(0, d);
  EXPECT_EQ(d->Clients().Count(), 1);
  EXPECT_EQ(pool.Count(), 1);
}

TEST_F(SharedItems, TwoSlotsOfOneClientOnOneItem) {
  Client* c = NewClient();
  Data* d = NewData();
  c->SetReference(1, d);
  c->SetReference(3, d);
  ASSERT_EQ(d->Clients().Count(), 2);
  c->SetReference(1, nullptr);
  ASSERT_EQ(pool.Count(), 1);
  ASSERT_EQ(d->Clients().Count(), 1);
  EXPECT_EQ(d->Clients().Slot(0), 3);
  EXPECT_EQ(c->GetReferenceID(1), -1);
}

TEST_F(SharedItems, TheLastClientLeavingFreesTheItem) {
  Client* a = NewClient();
  Client* b = NewClient();
  Data* d = NewData();
  Data* other = NewData();
  a->SetReference(0, d);
  b->SetReference(2, d);
  b->SetReference(2, other);
  EXPECT_EQ(pool.Count(), 2);
  a->SetReference(0, other);
  EXPECT_EQ(pool.Count(), 1);
  EXPECT_EQ(pool.Item(0), other);
  EXPECT_EQ(other->Clients().Count(), 2);
  delete a;
  delete b;
  EXPECT_EQ(pool.Count(), 0);
}

TEST_F(SharedItems, RenumberingReachesEverySlotAndSameNumberNotifiesNobody) {
  Client* a = NewClient();
  Client* b = NewClient();
  Data* d = NewData();
  a->SetReference(0, d);
  b->SetReference(1, d);
  d->SetItemID(41);
  EXPECT_EQ(a->GetReferenceID(0), 41);
  EXPECT_EQ(b->GetReferenceID(1), 41);
  a->SetReferenceID(0, 7);  // a stale number must not be touched by a no-op renumber
  d->SetItemID(41);
  EXPECT_EQ(a->GetReferenceID(0), 7);
}

TEST_F(SharedItems, ChangesReachClientsInRecordOrder) {
  Client* a = NewClient();
  Client* b = NewClient();
  Data* d = NewData();
  b->SetReference(2, d);
  a->SetReference(0, d);
  d->Touch();
  ASSERT_EQ(b->changes.size(), 1u);
  ASSERT_EQ(a->changes.size(), 1u);
  EXPECT_EQ(b->changes[0].second, 2);
  d->BeginUpdate();
  d->Touch();
  EXPECT_EQ(a->changes.size(), 1u);
  d->EndUpdate();
  EXPECT_EQ(a->changes.size(), 2u);
}

TEST_F(SharedItems, FreeingAnItemReleasesSlotsButKeepsTheirNumbers) {
  Client* a = NewClient();
  Data* d = NewData();
  d->SetItemID(12);
  a->SetReference(0, d);
  a->SetReference(1, d);
  delete d;
  EXPECT_EQ(a->GetReference(0), nullptr);
  EXPECT_EQ(a->GetReference(1), nullptr);
  EXPECT_EQ(a->GetReferenceID(0), 12);
  delete a;  // nothing left to release
  EXPECT_EQ(pool.Count(), 0);
}

TEST_F(SharedItems, NewDataForEverySlotAndForOne) {
  Client* c = NewClient();
  pool.NewDataFor(c, -1);
  ASSERT_EQ(pool.Count(), 4);
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(c->GetReference(s), pool.Item(s));
    EXPECT_EQ(pool.Item(s)->Clients().Count(), 1);
    EXPECT_EQ(c->GetReferenceID(s), pool.Item(s)->ItemID());
  }
  pool.NewDataFor(c, 2);  // the old item of slot 2 loses its only client
  EXPECT_EQ(pool.Count(), 4);
  EXPECT_EQ(c->GetReference(2), pool.Item(3));
}

TEST_F(SharedItems, FindIdAndMaxItemId) {
  EXPECT_EQ(pool.MaxItemID(), 0);
  EXPECT_EQ(pool.FindID(0), nullptr);
  Data* a = NewData();
  Data* b = NewData();
  a->SetItemID(-5);
  b->SetItemID(-2);
  EXPECT_EQ(pool.MaxItemID(), 0);
  EXPECT_EQ(pool.FindID(-2), b);
  b->SetItemID(-5);
  EXPECT_EQ(pool.FindID(-5), a);  // the first in order wins
}

TEST_F(SharedItems, NewItemsNeverTakeANumberThatIsAlreadyThere) {
  Data* a = NewData();  // running number 0
  EXPECT_EQ(a->ItemID(), 0);
  a->SetItemID(5);
  Data* b = NewData();  // running number 1 would be free, but 5 is the largest: take 6
  EXPECT_EQ(b->ItemID(), 6);
  b->SetItemID(1);
  a->SetItemID(0);
  // The running number (2) is now above every number held.
  EXPECT_EQ(NewData()->ItemID(), 2);
  delete a;
  Data* c = NewData();
  EXPECT_EQ(c->ItemID(), 3);

  DataPool copy;
  copy.Assign(&pool);  // numbers copied straight in, running number restarts
  const int count = copy.Count();
  Data* fresh = static_cast<Data*>(copy.Add());
  for (int i = 0; i < count; ++i) EXPECT_NE(copy.Item(i)->ItemID(), fresh->ItemID());
}

}  // namespace
}  // namespace vrel
