#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/UpdateGuard.h"
#include "platform/zeClasses.h"
#include "scene/DX9Classes.h"
#include "scene/DX9FlyWeight.h"
#include "scene/DX9Materials.h"
#include "scene/DX9RenderStage.h"
#include "scene/DX9Transformer.h"
#include "tests/platform/Announcements.h"

namespace vrel {
namespace {

using Probe = ChangeCounter;

// A vector whose changes the probe counts.
struct Watched {
  TNotifyVector v;
  Probe probe;
  Watched() { v.OnChange = probe.Event(); }
};

// A colouring scheme for text files: it knows its extensions from the start and follows changes.
class TextScheme : public TFileExtComponent {
 public:
  TextScheme() : TFileExtComponent(nullptr, {".txt", ".TXT", ".log"}) {}
  int changes = 0;

 protected:
  void FileExtListChanged() override { ++changes; }
};

const Announcing kAnnouncing[] = {
    Announces<TNotifyVector>("a coordinate set twice", 1, [](auto& v) { v.SetX(1.5f), v.SetX(1.5f); }),
    Announces<TNotifyVector>("the vector it holds", 0,
                             [](auto& v) {
                               v.SetX(0), v.SetVector({0, 0, 0});
                             }),
    Announces<TNotifyVector>("three coordinates at once", 1,
                             [](auto& v) {
                               v.SetVector({1.5f, 3, 2});
                             }),
    Announces<TWorldVector3>(
        "a value that clamps to the stored one", 0, [](auto& v) { v.SetX(200); }, [](auto& v) { v.SetX(95); }),
    Announces<TMouseSquare>("the band's rect, then one pixel off", 2,
                            [](auto& s) {
                              s.SetRect({10, 20, 110, 70}), s.SetRect({10, 20, 110, 70}), s.SetRect({10, 20, 110, 71});
                            }),
    Announces<TStartPoint>("a start point's position and its noise", 1,
                           [](auto& p) {
                             p.SetPosition({10, 2, -4}), p.SetPosition({10, 2, -4.0000005f});
                           }),
    Announces<TStartPoint>("a start point's length twice", 1, [](auto& p) { p.SetLength(6), p.SetLength(6); }),
    Announces<TStartPoint>("a start point's colour", 1, [](auto& p) { p.Materials()->Border()->SetColor(0x00FF00); }),
    Announces<TPlaneMark>("a plane mark's mark position twice", 1,
                          [](auto& m) {
                            m.SetMarkPosition({5, 5, 5}), m.SetMarkPosition({5, 5, 5});
                          }),
    Announces<TRenderMaterial>("an alpha clamped to what it was", 0, [](auto& m) { m.SetAlpha(150); }),
    Announces<TSquareBladeMaterials>("a point size twice", 1, [](auto& m) { m.SetPointSize(7), m.SetPointSize(7); }),
    {"a file extension list again in another case", 1, [] {
       TextScheme scheme;
       scheme.SetFileExtList({".md"});
       scheme.SetFileExtList({".md", ".MD"});
       return scheme.changes;
     }}};

TEST(Announcements, ASetterAnnouncesARealChangeOnly) {
  for (const Announcing& a : kAnnouncing)
    EXPECT_EQ(a.count(), a.expected) << a.steps;
}

// Of the calls after the first, only Y = 1 is stored.
TEST(NotifyVector, ValuesThatAreNotFiniteAreNeverStored) {
  Watched w;
  w.v.SetVector({1.5f, 3, 2});
  w.v.SetX(std::numeric_limits<float>::quiet_NaN());
  w.v.SetY(std::numeric_limits<float>::infinity());
  w.v.SetVector({std::nanf(""), 1, -std::numeric_limits<float>::infinity()});
  EXPECT_EQ(w.v.GetVector(), Vec3(1.5f, 1, 2));
  EXPECT_EQ(w.probe.count, 2);
}

TEST(NotifyVector, AssignCopiesAndAnnouncesEvenAnEqualValue) {
  Watched w;
  TNotifyVector other;
  w.v.Assign(&other);
  other.SetVector({4, 5, 6});
  w.v.Assign(&other);
  EXPECT_EQ(w.v.GetVector(), Vec3(4, 5, 6));
  EXPECT_EQ(w.probe.count, 2);
  TNotifyEventList list(nullptr);
  EXPECT_THROW(w.v.Assign(&list), EConvertError);
}

TEST(NotifyVector, ABatchAnnouncesOnceAtItsEndChangedOrNot) {
  Watched w;
  {
    UpdateGuard batch(w.v);
    w.v.SetX(1);
    w.v.SetY(2);
  }
  EXPECT_EQ(w.probe.count, 1);
  { UpdateGuard batch(w.v); }
  EXPECT_EQ(w.probe.count, 2);
}

TEST(NotifyVector, OnlyTheOutermostOfNestedBatchesAnnounces) {
  Watched w;
  {
    UpdateGuard outer(w.v);
    {
      UpdateGuard inner(w.v);
      w.v.SetX(9);
    }
    EXPECT_EQ(w.probe.count, 0);
  }
  EXPECT_EQ(w.probe.count, 1);
}

// The count has no floor: an unmatched EndUpdate silences the object until the calls balance again.
TEST(NotifyVector, AnUnmatchedEndUpdateSilencesUntilBalanced) {
  Watched w;
  w.v.EndUpdate();
  w.v.SetX(4);
  EXPECT_EQ(w.probe.count, 0);
  w.v.BeginUpdate();  // back to 0, silently ...
  EXPECT_EQ(w.probe.count, 0);
  w.v.SetX(5);  // ... so this one fires
  EXPECT_EQ(w.probe.count, 1);
}

TEST(NotifyEventList, CallsEveryHandlerInOrderWithTheOwnerAsSender) {
  TObject owner;
  Probe a;
  Probe b;
  TNotifyEventList list(&owner);
  list.Add(a.Event());
  list.Add(b.Event());
  list.Add(a.Event());
  list.Changed();
  EXPECT_EQ(a.senders, (std::vector<TObject*>{&owner, &owner}));
  EXPECT_EQ(b.count, 1);
}

TEST(NotifyEventList, RemoveTakesOutTheLastEqualHandlerOnly) {
  Probe a;
  TNotifyEventList list(nullptr);
  list.Add(a.Event());
  list.Add(a.Event());
  list.Remove(a.Event());
  list.Remove(Probe().Event());  // an unknown handler: nothing
  EXPECT_EQ(list.Count(), 1);
  list.Changed();
  EXPECT_EQ(a.count, 1);
}

TEST(NotifyEventList, IsSilentInsideABatch) {
  Probe a;
  TNotifyEventList list(nullptr);
  list.Add(a.Event());
  UpdateGuard batch(list);
  list.Changed();
  EXPECT_EQ(a.count, 0);
}

class Entry : public TNotifyCollectionItem {
 public:
  using TNotifyCollectionItem::TNotifyCollectionItem;
};

// ChangedProc forwards a part's change as the owner's own, but not the owner's.
TEST(NotifyPersistent, ChangedProcForwardsAPartsChangeButNotTheOwnersOwn) {
  TNotifyVector owner;
  TNotifyVector part;
  Probe probe;
  owner.OnChange = probe.Event();
  part.OnChange = TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(&owner);
  part.SetX(1);
  owner.ChangedProc(&owner);
  EXPECT_EQ(probe.senders, std::vector<TObject*>{&owner});
}

TEST(NotifyCollection, AnItemsChangeReachesItselfAndTheCollectionOnceItsBatchIsOver) {
  TNotifyCollection c(TCollection::FactoryOf<Entry>(), nullptr);
  auto* item = static_cast<Entry*>(c.Add());
  Probe itemProbe;
  Probe collectionProbe;
  item->OnChange = itemProbe.Event();
  c.OnChange = collectionProbe.Event();
  {
    UpdateGuard batch(*item);
    item->Changed();
    EXPECT_EQ(itemProbe.count + collectionProbe.count, 0);
  }
  EXPECT_EQ(itemProbe.count, 1);
  EXPECT_EQ(collectionProbe.count, 1);
}

TEST(NotifyCollection, ChangedProcForwardsAnotherSendersChangeOnly) {
  TNotifyCollection c(TCollection::FactoryOf<Entry>(), nullptr);
  auto* item = static_cast<Entry*>(c.Add());
  Probe probe;
  c.OnChange = probe.Event();
  c.ChangedProc(&c);
  c.ChangedProc(item);
  EXPECT_EQ(probe.senders, (std::vector<TObject*>{&c}));
}

TEST(FileExtComponent, KeepsASortedCaselessListWithoutDuplicates) {
  TFileExtComponent c;
  c.SetFileExtList({".txt", ".PAS", ".c", ".Txt", ".h"});
  EXPECT_EQ(c.FileExtList(), (std::vector<std::string>{".c", ".h", ".PAS", ".txt"}));
  EXPECT_TRUE(c.HasFileExt(".pas"));
  EXPECT_TRUE(c.HasFileExt(".TXT"));
  EXPECT_FALSE(c.HasFileExt(".cpp"));
}

TEST(FileExtComponent, ADescendantStartsWithTheExtensionsItPasses) {
  const TextScheme scheme;
  EXPECT_EQ(scheme.FileExtList(), (std::vector<std::string>{".log", ".txt"}));
}

}  // namespace
}  // namespace vrel
