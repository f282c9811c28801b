#include <gtest/gtest.h>

#include <string>

#include "platform/UpdateGuard.h"
#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"

namespace vrel {
namespace {

// A blade with four fresh vertices at the given corners.
TSquareBlade* AddBlade(TSquareBladeCollection* layer, const TCorners& corners) {
  TSquareBlade* blade = layer->Add();
  layer->VertexPool()->NewDataFor(blade, -1);
  blade->SetVertices(corners);
  return blade;
}

TCorners Square(float x, float y) {
  return {{{x, y, 0}, {x + 1, y, 0}, {x + 1, y + 1, 0}, {x, y + 1, 0}}};
}

// Two blades side by side that share an edge (corners 1, 2 of the left are 0, 3 of the right).
struct Welded {
  TSquareBladeCollections set;
  TSquareBladeCollection* layer = set.AddLayer();
  std::vector<TVertexItem*> points = grid::BuildWeldedGrid(*layer, grid::GridShape{2, 1});
  TSquareBlade* left = layer->Blade(0);
  TSquareBlade* right = layer->Blade(1);
};

template <class Call>
std::string MessageOf(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "nothing raised";
}

TEST(Blade, StartsVisibleUntexturedUnboundAndRaisesOnACornerOutsideTheQuad) {
  TSquareBladeCollection layer;
  TSquareBlade* fresh = layer.Add();
  EXPECT_TRUE(fresh->Visible());
  EXPECT_FALSE(fresh->DrawTexture());
  ASSERT_EQ(fresh->CornerCount(), 4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(fresh->GetReferenceID(i), -1);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(fresh->GetVertexItem(i), nullptr);
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  EXPECT_EQ(MessageOf([&] { blade->GetVertexPosition(4); }), "TVertexItem で、インデックスが範囲を超えました。4");
  EXPECT_THROW(blade->GetVertex(-1), Exception);
  EXPECT_THROW(blade->SetVertexPosition(7, {}), Exception);
  EXPECT_THROW(blade->GetVertexItem(-3), Exception);
}

TEST(Blade, BorderFaceAndNoneSelectionsAndSelectAllSkippingAHiddenBlade) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  blade->Select(bpBorder, 3, true);
  EXPECT_TRUE(blade->GetVertex(3)->Select());
  EXPECT_TRUE(blade->GetVertex(0)->Select());
  EXPECT_FALSE(blade->GetVertex(1)->Select());
  EXPECT_FALSE(blade->GetVertexSelect(3));  // corner flags untouched
  EXPECT_EQ(blade->SelectedBorderIndices(), (std::vector<uint16_t>{3, 0}));
  EXPECT_TRUE(blade->IsSelected());
  for (int i = 0; i < 3; ++i)
    blade->Select(bpBorder, i, true);
  EXPECT_TRUE(blade->GetFaceSelect());
  EXPECT_EQ(blade->SelectedBorderIndices(), (std::vector<uint16_t>{0, 1, 1, 2, 2, 3, 3, 0}));
  blade->Select(bpNone, 0, true);  // the value is ignored: clears
  EXPECT_FALSE(blade->IsSelected());
  EXPECT_TRUE(blade->SelectedBorderIndices().empty());
  for (int i = 0; i < 4; ++i)
    EXPECT_FALSE(blade->GetVertex(i)->Select());

  blade->Select(bpFace, 0, true);
  EXPECT_TRUE(blade->GetFaceSelect());
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(blade->GetVertex(i)->Select());
  blade->ClearSelection();
  blade->SetVisible(false);
  blade->SelectAll();
  EXPECT_FALSE(blade->IsSelected());
  blade->SetVisible(true);
  blade->SelectAll();
  EXPECT_TRUE(blade->GetFaceSelect());
  EXPECT_TRUE(blade->GetVertexSelect(2));
}

TEST(Blade, ThePositionCacheOfAWeldedBladeWaitsForItsBatchAndFollowsASelection) {
  Welded w;
  {
    UpdateGuard batch(*w.right);
    w.left->SetVertexPosition(2, {1, 3, 0});
    EXPECT_EQ(w.right->PositionCache()[3], grid::GridPoint({}, 1, 1));
  }
  EXPECT_EQ(w.right->PositionCache()[3], Vec3(1, 3, 0));
  TSquareBlade* late = w.layer->Add();  // bound, its caches not refreshed yet
  late->SetReference(0, w.left->GetVertexItem(1));
  w.left->Select(bpVertex, 1, true);  // selecting changes the vertex too
  EXPECT_EQ(late->PositionCache()[0], grid::GridPoint({}, 1, 0));
}

TEST(Blade, AssignOntoABoundBladeReleasesItsVerticesFirst) {
  TSquareBladeCollection layer;
  TSquareBlade* target = AddBlade(&layer, Square(0, 0));
  TSquareBlade* source = AddBlade(&layer, Square(5, 5));
  source->SetDrawTexture(true);
  source->Select(bpBorder, 1, true);
  target->Assign(source);
  // The target's four own vertices had no other client: they are gone, none left dangling.
  EXPECT_EQ(layer.VertexPool()->Count(), 4);
  EXPECT_TRUE(target->DrawTexture());
  EXPECT_TRUE(target->GetBorderSelect(1));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(target->GetVertexItem(i), nullptr);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(target->GetReferenceID(i), source->GetReferenceID(i));
  layer.ResolveReferences();
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(target->GetVertexItem(i), source->GetVertexItem(i));
}

// A blade cannot keep a corner without a vertex: it could be neither drawn nor saved and read back.
TEST(Blade, DeletingAVertexFreesTheBladesThatUseItAndOnlyTheirOwnVertices) {
  Welded w;
  TSquareBlade* beside = AddBlade(w.layer, Square(5, 0));
  const int poolBefore = w.layer->VertexPool()->Count();
  delete w.left->GetVertexItem(0);
  ASSERT_EQ(w.layer->Count(), 2);
  EXPECT_EQ(w.layer->Blade(0), w.right);
  EXPECT_EQ(w.layer->Blade(1), beside);
  // Corners 1 and 2 stay with the right blade; corner 3 belonged to the left one alone.
  EXPECT_EQ(w.layer->VertexPool()->Count(), poolBefore - 2);
}

TEST(LayerSet, AnEmptySetFindsNothingAndIndicesAreClamped) {
  TSquareBladeCollections set;
  EXPECT_FALSE(set.HasBlades() || set.HasEditableBlades() || set.HasHiddenBlades() || set.HasUnselectedBlades());
  set.SelectAll();
  set.HideBlades(false);
  set.ClearSelection();
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
  set.SetCurrentIndex(3);
  EXPECT_EQ(set.CurrentIndex(), 0);
  EXPECT_EQ(set.CurrentLayer(), nullptr);

  TSquareBladeCollection* a = set.AddLayer();
  TSquareBladeCollection* b = set.AddLayer();
  TSquareBladeCollection* x = set.InsertLayerAt(1);
  TSquareBladeCollection* y = set.InsertLayerAt(10);  // past the end appends
  EXPECT_EQ(std::vector({set.GetLayer(0), set.GetLayer(1), set.GetLayer(2), set.GetLayer(3)}),
            std::vector({a, x, b, y}));
  EXPECT_EQ(x->LayerSet(), &set);
  set.SetCurrentIndex(5);
  EXPECT_EQ(set.CurrentIndex(), 3);
  EXPECT_EQ(set.CurrentLayer(), y);
  set.SetCurrentIndex(-1);
  EXPECT_EQ(set.CurrentIndex(), 0);
}

TEST(LayerSet, SelectionSkipsLayersNotEditableClearingReachesThemAndHidingFollowsTheSelection) {
  TSquareBladeCollections set;
  TSquareBladeCollection* open = set.AddLayer();
  TSquareBladeCollection* locked = set.AddLayer();
  TSquareBladeCollection* hidden = set.AddLayer();
  TSquareBlade* a = AddBlade(open, Square(0, 0));
  TSquareBlade* b = AddBlade(open, Square(2, 0));
  AddBlade(locked, Square(2, 0));
  AddBlade(hidden, Square(4, 0));
  locked->SetLocked(true);
  hidden->SetVisible(false);
  set.SelectAll();
  EXPECT_EQ(set.SelectedVertices().Count(), 8);
  EXPECT_TRUE(a->GetFaceSelect());
  EXPECT_FALSE(locked->Blade(0)->IsSelected());
  EXPECT_TRUE(set.HasUnselectedBlades());  // the locked layer is visible and unselected
  EXPECT_TRUE(set.HasEditableBlades());
  hidden->Blade(0)->SelectAll();
  set.ClearSelection();
  EXPECT_FALSE(hidden->Blade(0)->IsSelected());
  EXPECT_EQ(set.SelectedVertices().Count(), 0);

  set.HideBlades(false);  // nothing selected: everything hides
  EXPECT_FALSE(a->Visible() || b->Visible());
  EXPECT_TRUE(set.HasHiddenBlades());
  EXPECT_FALSE(set.HasEditableBlades());
  set.ShowAll();
  EXPECT_TRUE(a->Visible() && b->Visible());
  a->Select(bpVertex, 2, true);
  set.RebuildSelectedVertexList();
  set.ShowAll();  // does not touch the selection
  EXPECT_EQ(set.SelectedVertices().Count(), 1);
  set.HideBlades(true);
  EXPECT_FALSE(a->Visible() || a->IsSelected());
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
}

TEST(LayerSet, TheAnchorSelectionAndPickNeverDangleAndTheListHoldsAnItemOnce) {
  Welded w;
  w.set.SelectAll();
  w.set.SelectedVertices().Add(w.left->GetVertexItem(0));
  ASSERT_EQ(w.set.SelectedVertices().Count(), 6);
  TSquareBlade* welded = w.layer->Add();  // every corner shared: freeing it frees no vertex
  for (int k = 0; k < 4; ++k)
    welded->SetReference(k, w.left->GetVertexItem(k));
  w.set.SetPickResult(welded, bpVertex, 1, 0.5f);
  delete welded;
  EXPECT_EQ(w.set.PickBlade(), nullptr);
  EXPECT_EQ(w.set.PickKind(), bpNone);
  EXPECT_EQ(w.set.PickIndex(), -1);
  EXPECT_FLOAT_EQ(w.set.PickDepth(), 1.0f);
  w.set.SetAnchor(w.right->GetVertexItem(1));  // used by the right blade only
  delete w.right;                              // frees its two own vertices
  EXPECT_EQ(w.set.Anchor(), nullptr);
  EXPECT_EQ(w.set.SelectedVertices().Count(), 4);
  w.set.SetAnchor(w.left->GetVertexItem(0));
  w.set.Delete(0);  // the whole layer
  EXPECT_EQ(w.set.Anchor(), nullptr);
  EXPECT_EQ(w.set.SelectedVertices().Count(), 0);
}

// All or nothing, as for a missing number: the first blade stays unbound too.
TEST(Layer, ResolveReferencesRefusesABladeWithoutFourCorners) {
  TSquareBladeCollection layer, copy;
  AddBlade(&layer, Square(0, 0));
  AddBlade(&layer, Square(2, 0));
  copy.Assign(&layer);
  copy.Blade(1)->ChildCollection()->Delete(3);
  EXPECT_EQ(MessageOf([&] { copy.ResolveReferences(); }), "FindID が nil を返しました。");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(copy.Blade(0)->GetVertexItem(i), nullptr);
}

TEST(Layer, AssignCopiesFlagsPoolAndBladesAndResolveTakesTheFirstOfADuplicatedNumber) {
  Welded w;
  w.layer->SetName("\x83\x8C\x83\x43\x83\x84\x81\x5B");  // a kana name in CP932
  w.layer->SetLocked(true);
  w.layer->VertexPool()->Add()->SetItemID(w.left->GetReferenceID(0));  // a later item with item 0's number
  TSquareBladeCollection copy;
  copy.Assign(w.layer);
  EXPECT_EQ(copy.Name(), w.layer->Name());
  EXPECT_TRUE(copy.Locked());
  ASSERT_EQ(copy.VertexPool()->Count(), 7);
  copy.ResolveReferences();
  EXPECT_EQ(copy.Blade(0)->GetVertexItem(0), copy.VertexPool()->Item(0));
  EXPECT_EQ(copy.Blade(1)->GetVertexItem(0), copy.Blade(0)->GetVertexItem(1));  // the weld survives
}

TEST(Containers, LoadedAppliesTheStreamedIndexAndAssignCopiesTheContainersOwn) {
  TSquareBladeCollectionsContainer source;
  TSquareBladeCollections* set = source.Collections();
  for (int i = 0; i < 3; ++i)
    AddBlade(set->AddLayer(), Square(static_cast<float>(i), 0));
  set->GetLayer(1)->Blade(0)->Select(bpVertex, 0, true);
  set->SetDiagonalKnife(true);
  source.SetCurrentIndex(7);
  // What a stream does: the index arrives before the layers, then the layers, then Loaded.
  TSquareBladeCollectionsContainer target;
  target.Collections()->SetStreamedCurrentIndex(2);
  target.Collections()->Assign(set);
  target.Loaded();
  EXPECT_EQ(target.Collections()->CurrentIndex(), 2);
  EXPECT_EQ(target.Collections()->GetLayer(2)->Blade(0)->PositionCache()[2], Vec3(3, 1, 0));
  EXPECT_EQ(target.Collections()->SelectedVertices().Count(), 1);

  TSquareBladeCollectionsContainer copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.CurrentIndex(), 7);
  EXPECT_TRUE(copy.Collections()->DiagonalKnife());
  EXPECT_EQ(copy.Collections()->Count(), 3);
  TSquareBladeCollectionContainer single;
  EXPECT_THROW(copy.Assign(&single), EConvertError);
  single.Assign(&single);
  EXPECT_EQ(single.Collection()->Count(), 0);
}

TEST(Module, AppendingALayerOntoItselfAndAppendingLayersAllOrNothing) {
  TSquareBladeCollections set;
  TSquareBladeCollection* layer = set.AddLayer();
  AddBlade(layer, Square(5, 0));
  AppendLayer(*layer, *layer);  // doubles what it held, with vertices of its own
  ASSERT_EQ(layer->Count(), 2);
  EXPECT_EQ(layer->VertexPool()->Count(), 8);
  EXPECT_EQ(layer->Blade(1)->GetVertexPosition(2), Vec3(6, 1, 0));
  EXPECT_NE(layer->Blade(1)->GetVertexItem(0), layer->Blade(0)->GetVertexItem(0));
  AppendLayers(set, set);
  ASSERT_EQ(set.Count(), 2);
  EXPECT_EQ(set.GetLayer(1)->Count(), 2);

  TSquareBladeCollections donor;  // its second layer cannot be bound: nothing is appended
  AddBlade(donor.AddLayer(), Square(0, 0));
  TSquareBlade* stray = donor.AddLayer()->Add();
  for (int i = 0; i < 4; ++i)
    stray->SetReferenceID(i, 40 + i);
  EXPECT_EQ(MessageOf([&] { AppendLayers(donor, set); }), "FindID が nil を返しました。");
  EXPECT_EQ(set.Count(), 2);
  EXPECT_EQ(donor.GetLayer(0)->VertexPool()->Item(3)->ItemID(), 3);  // nor renumbered
}

TEST(Module, AnUnboundCornerIsAppendedByItsNumberNotByTheTargetsItem) {
  TSquareBladeCollection target;
  AddBlade(&target, Square(0, 0));  // numbers 0..3 here as well
  TSquareBladeCollection source;
  TSquareBlade* blade = AddBlade(&source, Square(5, 0));
  blade->ReleaseReference(0);  // keeps its number 0, which the source's pool still holds
  AppendLayer(source, target);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(target.Blade(1)->GetVertexPosition(0), Vec3(5, 0, 0));
  EXPECT_NE(target.Blade(1)->GetVertexItem(0), target.Blade(0)->GetVertexItem(0));
  EXPECT_EQ(target.VertexPool()->Count(), 8);
}

TEST(Module, Centroids) {
  EXPECT_EQ(CornersCentroid(Square(2, 4)), Vec3(2.5f, 4.5f, 0));
  TVector3List list;
  EXPECT_EQ(VectorListCentroid(list), Vec3());
  list.Add({1, 2, 3});
  list.Add({3, 2, 1});
  EXPECT_EQ(VectorListCentroid(list), Vec3(2, 2, 2));
  EXPECT_EQ(SelectionCentroid(TVertexItemList()), Vec3());
}

}  // namespace
}  // namespace vrel
