// Snapshot histories: pushing, moving, dropping the redo branch, the size text, the watched
// component going away, restores that fail, and snapshots that share what they have in common.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "files/ObjectFiles.h"
#include "files/history/ComponentStateHolder.h"
#include "files/history/StreamCollection.h"
#include "files/history/VectorHolder.h"
#include "platform/ComponentStream.h"
#include "tests/files/DocumentFixture.h"
#include "tests/files/TestBytes.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {
// A vector holder watched by a history of three pushes: (1, 0, 2), (2, 2, 2), (3, 3, 3).
struct ThreePushes {
  TVectorHolder vector;
  TComponentStateHolder history;
  ThreePushes() {
    RegisterFileClasses();
    history.SetComponent(&vector);
    for (const Vec3& v : {Vec3{1, 0, 2}, Vec3{2, 2, 2}, Vec3{3, 3, 3}})
      Push(v);
  }
  void Push(const Vec3& v) {
    vector.SetVector(v);
    history.PushState();
  }
  std::tuple<int, Vec3> At(int index) {
    history.SetIndex(index);
    return std::tuple(history.Index(), vector.GetVector());
  }
};

TEST(History, AnEmptyHistoryDoesNothing) {
  TVectorHolder vector;
  TComponentStateHolder history;
  history.SetComponent(&vector);
  vector.SetVector({5, 5, 5});
  history.SetIndex(0);
  EXPECT_EQ(std::tuple(history.Index(), vector.GetVector(), history.HistorySize()), std::tuple(-1, Vec3(5, 5, 5), 0u));
}

// Only a restore changes back what was not pushed; a zero coordinate comes back as zero.
TEST(History, MovingTheIndexRestoresTheSnapshotItLandsOnClamped) {
  ThreePushes h;
  h.vector.SetVector({9, 9, 9});
  EXPECT_EQ(h.At(2), std::tuple(2, Vec3(9, 9, 9)));
  EXPECT_EQ(h.At(-5), std::tuple(0, Vec3(1, 0, 2)));
  EXPECT_EQ(h.At(99), std::tuple(2, Vec3(3, 3, 3)));
}

// Kilobytes up to one mebibyte, then mebibytes, rounded half away from zero.
TEST(History, TheSizeTextIsInKilobytesOrMegabytes) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0.00 K byte"},          {5, "0.00 K byte"},       {1029, "1.00 K byte"},
      {1034, "1.01 K byte"},       {1536, "1.50 K byte"},    {2048, "2.00 K byte"},
      {1048576, "1024.00 K byte"}, {1048577, "1.00 M byte"}, {2 * 1048576, "2.00 M byte"}};
  for (const auto& [size, text] : cases)
    EXPECT_EQ(HistorySizeText(size), text) << size;
}

// A component no longer watched has nothing to tell; a freed watched one leaves the holder without a component.
TEST(History, TheWatchedComponentMayGoFirst) {
  TComponentStateHolder watcher;
  auto vector = std::make_unique<TVectorHolder>();
  auto earlier = std::make_unique<TVectorHolder>();
  watcher.SetComponent(earlier.get());
  watcher.SetComponent(vector.get());
  earlier.reset();
  watcher.PushState();
  vector.reset();
  EXPECT_EQ(watcher.Component(), nullptr);
  watcher.PushState();
  EXPECT_EQ(std::tuple(watcher.Index(), watcher.Count()), std::tuple(0, 1));
  watcher.RestoreState();  // nothing to restore into
}

// Freeing the component must not reach the holder that is gone (AddressSanitizer would see it).
TEST(History, TheHolderMayGoFirst) {
  TVectorHolder b;
  TComponentStateHolder().SetComponent(&b);
  TComponentStateHolder idle;
  idle.SetComponent(&b);
}

// Four random documents pushed in turn into one container.
struct DocumentHistory {
  TSquareBladeCollectionsContainer document;
  TComponentStateHolder history;
  std::vector<std::string> states;
  DocumentHistory() {
    RegisterFileClasses();
    history.SetComponent(&document);
    for (uint32_t seed = 1; seed <= 4; ++seed) {
      TSquareBladeCollectionsContainer next;
      doc::BuildRandomDocument(next, seed);
      document.Collections()->Clear();
      AppendLayers(*next.Collections(), *document.Collections());
      document.Collections()->SetCurrentIndex(next.Collections()->CurrentIndex());
      document.SetCurrentIndex(next.CurrentIndex());
      document.Collections()->RebuildSelectedVertexList();
      states.push_back(doc::Picture(document));
      history.PushState();
    }
  }
};

// The view's settings are no part of a snapshot and stay.
TEST(History, UndoAndRedoRestoreWholeDocuments) {
  DocumentHistory d;
  TSquareBladeCollections& view = *d.document.Collections();
  view.SetDrawFlags(TSquareBladeCollections::dfBorders | TSquareBladeCollections::dfPoints);
  view.SetDiagonalKnife(true);
  view.SetPickSquareSize(12);
  for (int i : {2, 0, 3, 1}) {
    d.history.SetIndex(i);
    EXPECT_EQ(doc::Picture(d.document), d.states[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_EQ(std::tuple(view.DrawFlags(), view.DiagonalKnife(), view.PickSquareSize()),
            std::tuple(TSquareBladeCollections::dfBorders | TSquareBladeCollections::dfPoints, true, 12));
}

// A snapshot cut by its last byte cannot be read: document and index stay.
TEST(History, ADamagedSnapshotFailsToRestoreAndChangesNothing) {
  DocumentHistory d;
  d.history.SetIndex(1);
  auto damaged = std::make_unique<TMemoryStream>();
  damaged->SetBytes(d.history.Snapshot(0).substr(0, d.history.Snapshot(0).size() - 1));
  d.history.Collection()->SetStream(0, std::move(damaged));
  EXPECT_EQ(bytes::ErrorOf<EReadError>([&] { d.history.SetIndex(0); }), bytes::kReadError);
  EXPECT_EQ(d.history.Index(), 1);
  EXPECT_EQ(doc::Picture(d.document), d.states[1]);
}

// Two welded grids of 96 blades each, and edits of the kinds a user makes between two pushes.
class EditedDocument {
 public:
  explicit EditedDocument(uint32_t seed) : random_(seed) {
    RegisterFileClasses();
    grid::BuildWeldedGridLayers(*document.Collections(), {{12, 8}, {12, 8, 1.0f, {0, 0, 20}}});
    RenumberVertexIDs(*document.Collections());
  }

  // Moves a few vertices (sometimes onto a zero coordinate, which the stream then leaves out),
  // renames a layer or adds a blade: some edits keep the snapshot's length, others change it.
  void Edit() {
    TSquareBladeCollection* layer = Layer();
    switch (random_() % 4) {
      case 0:
        layer->SetName(std::string(random_() % 40, static_cast<char>('a' + random_() % 26)));
        break;
      case 1: {
        TSquareBlade* blade = layer->Add();
        for (int k = 0; k < 4; ++k) {
          layer->VertexPool()->NewDataFor(blade, k);
          blade->GetVertex(k)->SetVector(RandomPoint());
        }
        blade->UpdatePositionCache();
        RenumberVertexIDs(*document.Collections());
        break;
      }
      default:
        for (int n = 1 + static_cast<int>(random_() % 3); n > 0; --n) {
          const int i = static_cast<int>(random_() % static_cast<uint32_t>(layer->VertexPool()->Count()));
          layer->VertexPool()->Item(i)->Vertex()->SetVector(RandomPoint());
        }
    }
  }

  TSquareBladeCollection* Layer() { return document.Collections()->GetLayer(static_cast<int>(random_() % 2)); }
  std::mt19937& Random() { return random_; }

  TSquareBladeCollectionsContainer document;

 private:
  Vec3 RandomPoint() {
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    return {random_() % 4 ? coordinate(random_) : 0.0f, coordinate(random_), coordinate(random_)};
  }

  std::mt19937 random_;
};

// Every snapshot is the document's stream as it was pushed, whatever pushes, undos, redos, jumps and
// pushes after undos (which drop the redo branch) came between; undo and redo give the document the
// bytes of the snapshot.
TEST(History, EverySnapshotReadsBackAsItWasPushedThroughARandomSequence) {
  EditedDocument edited(13);
  TComponentStateHolder history;
  history.SetComponent(&edited.document);
  std::vector<std::string> pushed;
  int index = -1;
  std::mt19937& random = edited.Random();
  for (int step = 0; step < 80; ++step) {
    const auto kind = random() % 100;
    if (kind < 45) {
      edited.Edit();
      history.PushState();
      pushed.resize(static_cast<std::size_t>(index + 1));
      pushed.push_back(SaveComponentToBytes(edited.document));
      index = static_cast<int>(pushed.size()) - 1;
    } else {
      const int count = static_cast<int>(pushed.size());
      const int target = kind < 70   ? index - 1
                         : kind < 85 ? index + 1
                                     : static_cast<int>(random() % static_cast<uint32_t>(count + 4)) - 2;
      const int landed = count == 0 ? index : std::clamp(target, 0, count - 1);
      history.SetIndex(target);
      if (landed != index) {
        EXPECT_EQ(SaveComponentToBytes(edited.document), pushed[static_cast<std::size_t>(landed)]) << step;
      }
      index = landed;
    }
    ASSERT_EQ(std::tuple(history.Count(), history.Index()), std::tuple(static_cast<int>(pushed.size()), index));
    for (int i = 0; i < history.Count(); ++i)
      ASSERT_EQ(history.Snapshot(i), pushed[static_cast<std::size_t>(i)]) << "step " << step << ", snapshot " << i;
  }
  history.Clear();
  EXPECT_EQ(std::tuple(history.Index(), history.Count(), history.HistorySize()), std::tuple(-1, 0, 0u));
}

TEST(History, SnapshotsOfSmallEditsHoldAFractionOfTheirSizes) {
  EditedDocument edited(14);
  TComponentStateHolder history;
  history.SetComponent(&edited.document);
  uint64_t sizes = 0;
  for (int i = 0; i < 30; ++i) {
    edited.Edit();
    history.PushState();
    sizes += history.Snapshot(i).size();
  }
  EXPECT_LT(history.HistorySize(), sizes / 5);
}

TEST(History, APushAfterUndoFreesWhatOnlyTheDroppedStepsHeld) {
  EditedDocument edited(15);
  TComponentStateHolder history;
  history.SetComponent(&edited.document);
  history.PushState();
  const uint64_t one = history.HistorySize();
  // A new layer that no other step has: its chunks are the dropped step's alone.
  grid::BuildWeldedGrid(*edited.document.Collections()->AddLayer(), {30, 10, 0.5f, {3.25f, 1.5f, 7.75f}});
  RenumberVertexIDs(*edited.document.Collections());
  history.PushState();
  EXPECT_GT(history.HistorySize(), one + history.Snapshot(0).size());
  history.SetIndex(0);
  history.PushState();
  EXPECT_EQ(history.Count(), 2);
  EXPECT_LT(history.HistorySize(), 2 * one);
}
}  // namespace
}  // namespace vrel
