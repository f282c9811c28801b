// Snapshot histories: pushing, moving, dropping the redo branch, the size text, the watched
// component going away, and restores that fail.
#include <gtest/gtest.h>
#include "files/ComponentStateHolder.h"
#include "files/ObjectFiles.h"
#include "files/StreamCollection.h"
#include "files/VectorHolder.h"
#include "tests/files/DocumentFixture.h"
#include "tests/files/TestBytes.h"

namespace vrel {
namespace {
TEST(History, IndexMovesClampRestoreDropTheRedoBranchAndTheSizeText) {
  RegisterFileClasses();
  TVectorHolder vector;
  TComponentStateHolder history;
  history.SetComponent(&vector);
  auto push = [&](const Vec3& v) { vector.SetVector(v), history.PushState(); };
  auto at = [&](int index) { return history.SetIndex(index), std::tuple(history.Index(), vector.GetVector()); };
  EXPECT_EQ(at(0), std::tuple(-1, Vec3(0, 0, 0)));  // an empty history does nothing
  EXPECT_EQ(history.HistorySize(), 0u);
  push({1, 0, 2}), push({2, 2, 2}), push({3, 3, 3});
  // Header 4 + 14 + 1, "X" and "Z" records 2 + 11 each, two ends; the others have a "Y" record too.
  EXPECT_EQ(history.Snapshot(0).size(), 4u + 14u + 1u + 13u + 13u + 2u);
  EXPECT_EQ(history.HistorySize(), 3 * history.Snapshot(0).size() + 2 * 13);
  vector.SetVector({9, 9, 9});  // not pushed: only a restore changes it back
  EXPECT_EQ(at(2), std::tuple(2, Vec3(9, 9, 9)));
  EXPECT_EQ(at(-5), std::tuple(0, Vec3(1, 0, 2)));  // a zero coordinate comes back as zero
  EXPECT_EQ(at(99), std::tuple(2, Vec3(3, 3, 3)));
  at(0);
  push({4, 4, 4});
  EXPECT_EQ(history.Count(), 2);
  EXPECT_EQ(at(0), std::tuple(0, Vec3(1, 0, 2)));
  EXPECT_EQ(at(1), std::tuple(1, Vec3(4, 4, 4)));
  history.Clear();
  EXPECT_EQ(std::tuple(history.Index(), history.Count()), std::tuple(-1, 0));
  // The size text: kilobytes up to one mebibyte, then mebibytes, rounded half away from zero.
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0.00 K byte"},          {5, "0.00 K byte"},       {1029, "1.00 K byte"},
      {1034, "1.01 K byte"},       {1536, "1.50 K byte"},    {2048, "2.00 K byte"},
      {1048576, "1024.00 K byte"}, {1048577, "1.00 M byte"}, {2 * 1048576, "2.00 M byte"}};
  for (const auto& [size, text] : cases)
    EXPECT_EQ(HistorySizeText(size), text) << size;
}

TEST(History, TheWatchedComponentOrTheHolderMayGoFirstUndoRestoresWholeDocumentsAndSurvivesDamage) {
  TComponentStateHolder watcher, idle;
  idle.PushState();  // without a component pushing adds nothing
  EXPECT_EQ(std::tuple(idle.Index(), idle.Count()), std::tuple(-1, 0));
  auto vector = std::make_unique<TVectorHolder>(), earlier = std::make_unique<TVectorHolder>();
  watcher.SetComponent(earlier.get());
  watcher.SetComponent(vector.get());
  earlier.reset();  // no longer watched: nothing to tell
  watcher.PushState();
  vector.reset();
  EXPECT_EQ(watcher.Component(), nullptr);
  watcher.PushState();
  EXPECT_EQ(std::tuple(watcher.Index(), watcher.Count()), std::tuple(0, 1));
  watcher.RestoreState();  // nothing to restore into
  TVectorHolder b;
  TComponentStateHolder().SetComponent(&b);
  idle.SetComponent(&b);  // freeing b must not reach the holder that is gone (AddressSanitizer would see it)
  RegisterFileClasses();
  TSquareBladeCollectionsContainer document;
  TComponentStateHolder history;
  history.SetComponent(&document);
  std::vector<std::string> states;
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
  TSquareBladeCollections& view = *document.Collections();
  view.SetDrawFlags(TSquareBladeCollections::dfBorders | TSquareBladeCollections::dfPoints);
  view.SetDiagonalKnife(true);
  view.SetPickSquareSize(12);
  for (int i : {2, 0, 3, 1}) {
    history.SetIndex(i);
    EXPECT_EQ(doc::Picture(document), states[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_EQ(std::tuple(view.DrawFlags(), view.DiagonalKnife(), view.PickSquareSize()),
            std::tuple(TSquareBladeCollections::dfBorders | TSquareBladeCollections::dfPoints, true, 12));
  // A snapshot cut by its last byte cannot be read: document and index stay.
  auto* damaged = new TMemoryStream;
  damaged->SetBytes(history.Snapshot(0).substr(0, history.Snapshot(0).size() - 1));
  delete history.Collection()->SetStream(0, damaged);
  EXPECT_EQ(bytes::ErrorOf<EReadError>([&] { history.SetIndex(0); }), bytes::kReadError);
  EXPECT_EQ(history.Index(), 1);
  EXPECT_EQ(doc::Picture(document), states[1]);
}
}  // namespace
}  // namespace vrel
