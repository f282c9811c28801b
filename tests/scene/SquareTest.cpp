#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scene/DX9Square.h"

namespace vrel {
namespace {

// A blade with four fresh vertices at the given corners.
TSquareBlade* AddBlade(TSquareBladeCollection* layer, const TCorners& corners) {
  TSquareBlade* blade = layer->Add();
  layer->VertexPool()->NewDataFor(blade, -1);
  blade->SetVertices(corners);
  return blade;
}

TCorners Square(float x, float y) { return {{{x, y, 0}, {x + 1, y, 0}, {x + 1, y + 1, 0}, {x, y + 1, 0}}}; }

// Two blades side by side that share the edge x = 1 (corners 1, 2 of the first are 0, 3 of the second).
struct Welded {
  TSquareBladeCollections set;
  TSquareBladeCollection* layer = set.AddLayer();
  TSquareBlade* left = AddBlade(layer, Square(0, 0));
  TSquareBlade* right = layer->Add();
  Welded() {
    TVertexItemCollection* pool = layer->VertexPool();
    right->SetReference(0, left->GetVertexItem(1));
    right->SetReference(3, left->GetVertexItem(2));
    pool->NewDataFor(right, 1);
    pool->NewDataFor(right, 2);
    right->SetVertexPosition(1, {2, 0, 0});
    right->SetVertexPosition(2, {2, 1, 0});
  }
};

TEST(Blade, ANewBladeIsVisibleUntexturedAndUnbound) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = layer.Add();
  EXPECT_TRUE(blade->Visible());
  EXPECT_FALSE(blade->DrawTexture());
  ASSERT_EQ(blade->CornerCount(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(blade->GetReferenceID(i), -1);
    EXPECT_EQ(blade->GetVertexItem(i), nullptr);
  }
}

TEST(Blade, CornerIndexOutsideTheQuadRaisesTheMessageWithTheIndex) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  try {
    blade->GetVertexPosition(4);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "TVertexItem で、インデックスが範囲を超えました。4");
  }
  EXPECT_THROW(blade->GetVertex(-1), Exception);
  EXPECT_THROW(blade->SetVertexPosition(7, {}), Exception);
  EXPECT_THROW(blade->GetVertexItem(-3), Exception);
}

TEST(Blade, BorderSelectionSelectsItsTwoVerticesAndFillsThePairs) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  blade->Select(bpBorder, 3, true);
  EXPECT_TRUE(blade->GetVertex(3)->Select());
  EXPECT_TRUE(blade->GetVertex(0)->Select());
  EXPECT_FALSE(blade->GetVertex(1)->Select());
  EXPECT_FALSE(blade->GetVertexSelect(3));  // corner flags untouched
  EXPECT_EQ(blade->SelectedBorderIndices(), (std::vector<uint16_t>{3, 0}));
  EXPECT_TRUE(blade->IsSelected());

  for (int i = 0; i < 3; ++i) blade->Select(bpBorder, i, true);
  EXPECT_TRUE(blade->GetFaceSelect());
  EXPECT_EQ(blade->SelectedBorderIndices(), (std::vector<uint16_t>{0, 1, 1, 2, 2, 3, 3, 0}));

  blade->Select(bpNone, 0, true);  // the value is ignored: clears
  EXPECT_FALSE(blade->IsSelected());
  EXPECT_TRUE(blade->SelectedBorderIndices().empty());
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(blade->GetVertex(i)->Select());
}

TEST(Blade, FaceSelectionAndSelectAllRespectVisibility) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  blade->Select(bpFace, 0, true);
  EXPECT_TRUE(blade->GetFaceSelect());
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(blade->GetVertex(i)->Select());
  blade->ClearSelection();
  blade->SetVisible(false);
  blade->SelectAll();
  EXPECT_FALSE(blade->IsSelected());
  blade->SetVisible(true);
  blade->SelectAll();
  EXPECT_TRUE(blade->GetFaceSelect());
  EXPECT_TRUE(blade->GetVertexSelect(2));
}

TEST(Blade, PositionCacheFollowsSharedVertices) {
  Welded w;
  w.left->SetVertexPosition(1, {1, -1, 0});  // the shared corner
  EXPECT_EQ(w.right->PositionCache()[0], Vec3(1, -1, 0));
  EXPECT_EQ(w.left->PositionCache()[1], Vec3(1, -1, 0));
  // Inside a batch the cache waits for EndUpdate.
  w.right->BeginUpdate();
  w.left->SetVertexPosition(2, {1, 3, 0});
  EXPECT_EQ(w.right->PositionCache()[3], Vec3(1, 1, 0));
  w.right->EndUpdate();
  EXPECT_EQ(w.right->PositionCache()[3], Vec3(1, 3, 0));
}

TEST(Blade, AssignOntoABoundBladeReleasesItsVerticesFirst) {
  TSquareBladeCollection layer;
  TSquareBlade* target = AddBlade(&layer, Square(0, 0));
  TSquareBlade* source = AddBlade(&layer, Square(5, 5));
  source->SetDrawTexture(true);
  source->Select(bpBorder, 1, true);
  EXPECT_EQ(layer.VertexPool()->Count(), 8);
  target->Assign(source);
  // The target's four own vertices had no other client: they are gone, none left dangling.
  EXPECT_EQ(layer.VertexPool()->Count(), 4);
  EXPECT_TRUE(target->DrawTexture());
  EXPECT_TRUE(target->GetBorderSelect(1));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(target->GetVertexItem(i), nullptr);
    EXPECT_EQ(target->GetReferenceID(i), source->GetReferenceID(i));
  }
  layer.ResolveReferences();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(target->GetVertexItem(i), source->GetVertexItem(i));
    EXPECT_EQ(source->GetVertexItem(i)->Clients().Count(), 2);
  }
}

TEST(LayerSet, CurrentIndexIsClampedAndAnEmptySetHasNoCurrentLayer) {
  TSquareBladeCollections set;
  set.SetCurrentIndex(3);
  EXPECT_EQ(set.CurrentIndex(), 0);
  EXPECT_EQ(set.CurrentLayer(), nullptr);
  set.AddLayer();
  set.AddLayer();
  TSquareBladeCollection* third = set.AddLayer();
  set.SetCurrentIndex(5);
  EXPECT_EQ(set.CurrentIndex(), 2);
  EXPECT_EQ(set.CurrentLayer(), third);
  set.SetCurrentIndex(-1);
  EXPECT_EQ(set.CurrentIndex(), 0);
}

TEST(LayerSet, AnEmptySetFindsNothing) {
  TSquareBladeCollections set;
  EXPECT_FALSE(set.HasBlades());
  EXPECT_FALSE(set.HasEditableBlades());
  EXPECT_FALSE(set.HasHiddenBlades());
  EXPECT_FALSE(set.HasUnselectedBlades());
  set.SelectAll();
  set.HideBlades(false);
  set.ClearSelection();
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
}

TEST(LayerSet, InsertLayerAtPutsTheLayerThereAndPastTheEndAppends) {
  TSquareBladeCollections set;
  TSquareBladeCollection* a = set.AddLayer();
  TSquareBladeCollection* b = set.AddLayer();
  TSquareBladeCollection* x = set.InsertLayerAt(1);
  EXPECT_EQ(set.GetLayer(0), a);
  EXPECT_EQ(set.GetLayer(1), x);
  EXPECT_EQ(set.GetLayer(2), b);
  TSquareBladeCollection* y = set.InsertLayerAt(10);
  EXPECT_EQ(set.GetLayer(3), y);
  EXPECT_EQ(x->LayerSet(), &set);
}

TEST(LayerSet, SelectionSkipsLayersThatAreNotEditable) {
  TSquareBladeCollections set;
  TSquareBladeCollection* open = set.AddLayer();
  TSquareBladeCollection* locked = set.AddLayer();
  TSquareBladeCollection* hidden = set.AddLayer();
  AddBlade(open, Square(0, 0));
  AddBlade(locked, Square(2, 0));
  AddBlade(hidden, Square(4, 0));
  locked->SetLocked(true);
  hidden->SetVisible(false);
  set.SelectAll();
  EXPECT_EQ(set.SelectedVertices().Count(), 4);
  EXPECT_TRUE(open->Blade(0)->GetFaceSelect());
  EXPECT_FALSE(locked->Blade(0)->IsSelected());
  EXPECT_TRUE(set.HasUnselectedBlades());  // the locked layer is visible and unselected
  EXPECT_TRUE(set.HasEditableBlades());

  // Clearing reaches locked and hidden layers too.
  hidden->Blade(0)->SelectAll();
  set.ClearSelection();
  EXPECT_FALSE(hidden->Blade(0)->IsSelected());
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
}

TEST(LayerSet, HideAndShowBlades) {
  TSquareBladeCollections set;
  TSquareBladeCollection* layer = set.AddLayer();
  TSquareBlade* a = AddBlade(layer, Square(0, 0));
  TSquareBlade* b = AddBlade(layer, Square(2, 0));
  set.HideBlades(false);  // nothing selected: everything hides
  EXPECT_FALSE(a->Visible());
  EXPECT_FALSE(b->Visible());
  EXPECT_TRUE(set.HasHiddenBlades());
  EXPECT_FALSE(set.HasEditableBlades());
  set.ShowAll();
  EXPECT_TRUE(a->Visible() && b->Visible());

  a->Select(bpVertex, 2, true);
  set.RebuildSelectedVertexList();
  set.ShowAll();  // does not touch the selection
  EXPECT_EQ(set.SelectedVertices().Count(), 1);
  set.HideBlades(true);
  EXPECT_FALSE(a->Visible());
  EXPECT_FALSE(a->IsSelected());
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
}

TEST(LayerSet, DetachVertexGivesTheOtherBladeItsOwnCopy) {
  Welded w;
  TVertexItemCollection* pool = w.layer->VertexPool();
  ASSERT_EQ(pool->Count(), 6);
  TVertexItem* shared = w.left->GetVertexItem(1);
  shared->Vertex()->SetSelect(true);
  w.set.DetachVertex(w.left, 1);
  EXPECT_EQ(pool->Count(), 7);
  EXPECT_EQ(w.left->GetVertexItem(1), shared);
  TVertexItem* copy = w.right->GetVertexItem(0);
  EXPECT_NE(copy, shared);
  EXPECT_EQ(copy->Vertex()->GetVector(), shared->Vertex()->GetVector());
  EXPECT_TRUE(copy->Vertex()->Select());
  EXPECT_EQ(shared->Clients().Count(), 1);
  // They no longer move together.
  w.left->SetVertexPosition(1, {9, 9, 9});
  EXPECT_EQ(w.right->GetVertexPosition(0), Vec3(1, 0, 0));
}

TEST(LayerSet, TheAnchorAndSelectionNeverDangleWhenVerticesAreFreed) {
  Welded w;
  w.set.SelectAll();
  ASSERT_EQ(w.set.SelectedVertices().Count(), 6);
  TVertexItem* own = w.right->GetVertexItem(1);  // used by the right blade only
  w.set.SetAnchor(own);
  w.set.SetPickResult(w.right, bpVertex, 1, 0.5f);
  delete w.right;  // frees its two own vertices
  EXPECT_EQ(w.set.Anchor(), nullptr);
  EXPECT_EQ(w.set.SelectedVertices().Count(), 4);
  for (TVertexItem* item : w.set.SelectedVertices().Items()) EXPECT_NE(item, own);
  EXPECT_EQ(w.set.PickBlade(), nullptr);
  EXPECT_EQ(w.set.PickKind(), bpNone);
  EXPECT_EQ(w.set.PickIndex(), -1);
  EXPECT_FLOAT_EQ(w.set.PickDepth(), 1.0f);

  // Deleting the whole layer empties the list as well.
  w.set.SetAnchor(w.left->GetVertexItem(0));
  w.set.Delete(0);
  EXPECT_EQ(w.set.Anchor(), nullptr);
  EXPECT_EQ(w.set.SelectedVertices().Count(), 0);
}

TEST(Layer, ResolveReferencesIsAllOrNothing) {
  TSquareBladeCollection layer;
  TSquareBlade* a = AddBlade(&layer, Square(0, 0));
  TSquareBlade* b = AddBlade(&layer, Square(2, 0));
  TSquareBladeCollection copy;
  copy.Assign(&layer);
  copy.Blade(1)->SetReferenceID(2, 999);  // no such vertex
  try {
    copy.ResolveReferences();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "FindID が nil を返しました。");
  }
  for (int i = 0; i < 4; ++i) EXPECT_EQ(copy.Blade(0)->GetVertexItem(i), nullptr);  // nothing bound

  copy.Blade(1)->SetReferenceID(2, b->GetReferenceID(2));
  copy.Blade(1)->ChildCollection()->Delete(3);  // a three-cornered blade is refused too
  EXPECT_THROW(copy.ResolveReferences(), Exception);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(copy.Blade(0)->GetVertexItem(i), nullptr);
  (void)a;
}

TEST(Layer, AssignCopiesFlagsPoolAndBladesAndResolves) {
  Welded w;
  w.layer->SetName("\x83\x8C\x83\x43\x83\x84\x81\x5B");  // a kana name in CP932
  w.layer->SetLocked(true);
  TSquareBladeCollection copy;
  copy.Assign(w.layer);
  EXPECT_EQ(copy.Name(), w.layer->Name());
  EXPECT_TRUE(copy.Locked());
  ASSERT_EQ(copy.VertexPool()->Count(), 6);
  copy.ResolveReferences();
  // The weld survives: both blades share two items.
  EXPECT_EQ(copy.Blade(1)->GetVertexItem(0), copy.Blade(0)->GetVertexItem(1));
  EXPECT_EQ(copy.Blade(1)->GetVertexItem(3), copy.Blade(0)->GetVertexItem(2));
  EXPECT_EQ(copy.Blade(1)->GetVertexPosition(1), Vec3(2, 0, 0));
}

TEST(Layer, ResolveTakesTheFirstItemOfADuplicatedNumber) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  TVertexItem* extra = layer.VertexPool()->Add();
  extra->SetItemID(blade->GetReferenceID(0));  // duplicate of corner 0's number, later in the pool
  TSquareBladeCollection copy;
  copy.Assign(&layer);
  copy.ResolveReferences();
  EXPECT_EQ(copy.Blade(0)->GetVertexItem(0), copy.VertexPool()->Item(0));
}

TEST(Containers, LoadedResolvesAndAppliesTheStreamedCurrentIndex) {
  TSquareBladeCollectionsContainer source;
  TSquareBladeCollections* set = source.Collections();
  for (int i = 0; i < 3; ++i) AddBlade(set->AddLayer(), Square(static_cast<float>(i), 0));
  set->GetLayer(1)->Blade(0)->Select(bpVertex, 0, true);

  // What a stream does: the index arrives before the layers, then the layers, then Loaded.
  TSquareBladeCollectionsContainer target;
  target.Collections()->SetStreamedCurrentIndex(2);
  target.Collections()->Assign(set);
  target.Collections()->SetAnchor(nullptr);
  target.Loaded();
  EXPECT_EQ(target.Collections()->CurrentIndex(), 2);
  TSquareBlade* blade = target.Collections()->GetLayer(2)->Blade(0);
  EXPECT_EQ(blade->PositionCache(), blade->GetVertices());
  EXPECT_EQ(blade->PositionCache()[2], Vec3(3, 1, 0));
  EXPECT_EQ(target.Collections()->SelectedVertices().Count(), 1);
}

TEST(Containers, AssignCopiesTheLayerSetAndTheContainersOwnIndex) {
  TSquareBladeCollectionsContainer a;
  a.SetCurrentIndex(7);
  AddBlade(a.Collections()->AddLayer(), Square(0, 0));
  a.Collections()->SetDiagonalKnife(true);
  TSquareBladeCollectionsContainer b;
  b.Assign(&a);
  EXPECT_EQ(b.CurrentIndex(), 7);
  EXPECT_TRUE(b.Collections()->DiagonalKnife());
  ASSERT_EQ(b.Collections()->Count(), 1);
  TSquareBladeCollectionContainer single;
  EXPECT_THROW(b.Assign(&single), EConvertError);
  single.Assign(&single);
  EXPECT_EQ(single.Collection()->Count(), 0);
}

TEST(Module, RenumberAndAppendLayer) {
  TSquareBladeCollections set;
  TSquareBladeCollection* target = set.AddLayer();
  TSquareBladeCollection* source = set.AddLayer();
  AddBlade(target, Square(0, 0));
  // Target numbers 0..5: a blade plus two loose items (as after a weld left them).
  target->VertexPool()->Add();
  target->VertexPool()->Add();
  AddBlade(source, Square(5, 0));
  RenumberVertexIDs(set);
  ASSERT_EQ(target->VertexPool()->Item(5)->ItemID(), 5);
  ASSERT_EQ(source->VertexPool()->Item(3)->ItemID(), 3);

  AppendLayer(*source, *target);
  TVertexItemCollection* pool = target->VertexPool();
  ASSERT_EQ(pool->Count(), 10);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(pool->Item(k)->ItemID(), k);
  EXPECT_EQ(pool->Item(6)->Vertex()->GetVector(), Vec3(5, 0, 0));  // appended vertices follow the old ones
  ASSERT_EQ(target->Count(), 2);
  TSquareBlade* appended = target->Blade(1);
  EXPECT_EQ(appended->GetVertexItem(0), pool->Item(6));
  EXPECT_EQ(appended->PositionCache()[2], Vec3(6, 1, 0));
  EXPECT_EQ(appended->GetReferenceID(3), 9);
}

TEST(Module, AppendingALayerToItselfDoublesWhatItHeld) {
  TSquareBladeCollections set;
  TSquareBladeCollection* layer = set.AddLayer();
  AddBlade(layer, Square(0, 0));
  AppendLayer(*layer, *layer);
  ASSERT_EQ(layer->Count(), 2);
  EXPECT_EQ(layer->VertexPool()->Count(), 8);
  EXPECT_EQ(layer->Blade(1)->GetVertexPosition(2), Vec3(1, 1, 0));
  EXPECT_NE(layer->Blade(1)->GetVertexItem(0), layer->Blade(0)->GetVertexItem(0));
  AppendLayers(set, set);
  EXPECT_EQ(set.Count(), 2);
  EXPECT_EQ(set.GetLayer(1)->Count(), 2);
}

TEST(Module, AppendingAnUnbindableLayerChangesNothing) {
  TSquareBladeCollection target;
  AddBlade(&target, Square(0, 0));
  TSquareBladeCollection source;
  TSquareBlade* stray = source.Add();  // corners with numbers the pool does not hold
  for (int i = 0; i < 4; ++i) stray->SetReferenceID(i, 40 + i);
  EXPECT_THROW(AppendLayer(source, target), Exception);
  EXPECT_EQ(target.Count(), 1);
  EXPECT_EQ(target.VertexPool()->Count(), 4);
  EXPECT_EQ(stray->GetReferenceID(3), 43);
}

TEST(LayerSet, TheSelectedListHoldsAnItemOnce) {
  TSquareBladeCollections set;
  TSquareBlade* blade = AddBlade(set.AddLayer(), Square(0, 0));
  TVertexItem* item = blade->GetVertexItem(0);
  set.SelectedVertices().Add(item);
  set.SelectedVertices().Add(item);
  EXPECT_EQ(set.SelectedVertices().Count(), 1);
  blade->SetReference(0, nullptr);  // frees the item
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
}

TEST(Module, Centroids) {
  TCorners c = Square(2, 4);
  EXPECT_EQ(CornersCentroid(c), Vec3(2.5f, 4.5f, 0));
  TVector3List list;
  EXPECT_EQ(VectorListCentroid(list), Vec3());
  list.Add({1, 2, 3});
  list.Add({3, 2, 1});
  EXPECT_EQ(VectorListCentroid(list), Vec3(2, 2, 2));
  TVertexItemList none;
  EXPECT_EQ(SelectionCentroid(none), Vec3());
}

}  // namespace
}  // namespace vrel
