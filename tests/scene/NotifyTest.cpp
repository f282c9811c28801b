#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "scene/DX9Classes.h"
#include "scene/DX9FlyWeight.h"
#include "platform/zeClasses.h"

namespace vrel {
namespace {

// Counts OnChange calls and remembers each Sender.
struct Probe : TObject {
  std::vector<TObject*> senders;
  void Hit(TObject* sender) { senders.push_back(sender); }
  TNotifyEvent Event() { return TNotifyEvent::Of<&Probe::Hit>(this); }
  int Count() const { return static_cast<int>(senders.size()); }
};

TEST(NotifyVector, FiresOnRealChangesOnlyAndNeverStoresNonFiniteValues) {
  TNotifyVector v, other;
  Probe probe;
  v.OnChange = probe.Event();
  v.SetX(0);
  v.SetVector({0, 0, 0});
  EXPECT_EQ(probe.Count(), 0);
  v.SetX(1.5f);
  EXPECT_EQ(probe.senders, std::vector<TObject*>{&v});
  v.SetVector({1.5f, 3, 2});  // two coordinates, one announcement
  EXPECT_EQ(probe.Count(), 2);
  v.SetX(std::numeric_limits<float>::quiet_NaN());
  v.SetY(std::numeric_limits<float>::infinity());
  v.SetVector({std::nanf(""), 1, -std::numeric_limits<float>::infinity()});
  EXPECT_EQ(v.GetVector(), Vec3(1.5f, 1, 2));
  EXPECT_EQ(probe.Count(), 3);  // only Y = 1 was stored

  other.SetVector(v.GetVector());
  v.Assign(&other);  // equal values, still one announcement
  EXPECT_EQ(probe.Count(), 4);
  other.SetVector({4, 5, 6});
  v.Assign(&other);
  EXPECT_EQ(v.GetVector(), Vec3(4, 5, 6));
  TNotifyEventList list(nullptr);
  EXPECT_THROW(v.Assign(&list), EConvertError);
}

TEST(NotifyVector, BatchesFireOnceAndAnUnmatchedEndUpdateSilencesUntilBalanced) {
  TNotifyVector v;
  Probe probe;
  v.OnChange = probe.Event();
  v.BeginUpdate();
  v.SetX(1);
  v.SetY(2);
  v.EndUpdate();
  EXPECT_EQ(probe.Count(), 1);
  v.BeginUpdate();
  v.EndUpdate();  // nothing changed, still announced once
  EXPECT_EQ(probe.Count(), 2);
  v.BeginUpdate();
  v.BeginUpdate();
  v.SetX(9);
  v.EndUpdate();
  EXPECT_EQ(probe.Count(), 2);
  v.EndUpdate();
  EXPECT_EQ(probe.Count(), 3);

  v.EndUpdate();  // count -1
  v.SetX(4);
  EXPECT_EQ(probe.Count(), 3);
  v.BeginUpdate();  // back to 0, silently ...
  EXPECT_EQ(probe.Count(), 3);
  v.SetX(5);  // ... so this one fires
  EXPECT_EQ(probe.Count(), 4);
}

TEST(NotifyEventList, CallsEveryHandlerWithTheOwnerAndRemovesTheLastEqual) {
  TObject owner;
  Probe a, b;
  TNotifyEventList list(&owner);
  list.Add(a.Event());
  list.Add(b.Event());
  list.Add(a.Event());
  list.Changed();
  EXPECT_EQ(a.senders, (std::vector<TObject*>{&owner, &owner}));
  EXPECT_EQ(b.Count(), 1);
  list.Remove(a.Event());
  EXPECT_EQ(list.Count(), 2);
  list.Changed();
  EXPECT_EQ(a.Count(), 3);       // the first A is still there
  list.Remove(Probe().Event());  // unknown handler: nothing
  EXPECT_EQ(list.Count(), 2);
  list.BeginUpdate();
  list.Changed();
  EXPECT_EQ(b.Count(), 2);
}

class Entry : public TNotifyCollectionItem {
 public:
  using TNotifyCollectionItem::TNotifyCollectionItem;
};

// ChangedProc forwards a part's change as the owner's own, but not the owner's.
TEST(NotifyCollection, ChangedProcForwardsPartsAndItemChangesReachTheCollectionOutsideABatch) {
  TNotifyVector owner, part;
  Probe probe;
  owner.OnChange = probe.Event();
  part.OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(&owner);
  part.SetX(1);
  owner.ChangedProc(&owner);
  EXPECT_EQ(probe.senders, std::vector<TObject*>{&owner});

  TNotifyCollection c(TCollection::FactoryOf<Entry>(), nullptr);
  auto* item = static_cast<Entry*>(c.Add());
  Probe itemProbe, collectionProbe;
  item->OnChange = itemProbe.Event();
  c.OnChange = collectionProbe.Event();
  item->BeginUpdate();
  item->Changed();
  EXPECT_EQ(itemProbe.Count() + collectionProbe.Count(), 0);
  item->EndUpdate();
  EXPECT_EQ(itemProbe.Count(), 1);
  EXPECT_EQ(collectionProbe.Count(), 1);
  c.ChangedProc(&c);  // not forwarded
  c.ChangedProc(item);
  EXPECT_EQ(collectionProbe.senders, (std::vector<TObject*>{&c, &c}));
}

TEST(FileExtComponent, KeepsASortedCaselessListWithoutDuplicates) {
  TFileExtComponent c;
  c.SetFileExtList({".txt", ".PAS", ".c", ".Txt", ".h"});
  EXPECT_EQ(c.FileExtList(), (std::vector<std::string>{".c", ".h", ".PAS", ".txt"}));
  EXPECT_TRUE(c.HasFileExt(".pas"));
  EXPECT_TRUE(c.HasFileExt(".TXT"));
  EXPECT_FALSE(c.HasFileExt(".cpp"));
}

}  // namespace
}  // namespace vrel
