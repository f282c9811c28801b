#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

// Two blades side by side that share an edge (corners 1, 2 of the left are 0, 3 of the right).
struct Welded {
  TSquareBladeCollections set;
  TSquareBladeCollection* layer = set.AddLayer();
  std::vector<TVertexItem*> points = grid::BuildWeldedGrid(*layer, grid::GridShape{2, 1});
  TSquareBlade* left = layer->Blade(0);
  TSquareBlade* right = layer->Blade(1);
};

TEST(Blade, ACornerOutsideTheQuadRaisesItsMessage) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  EXPECT_EQ(MessageOf([&] { blade->GetVertexPosition(4); }), "TVertexItem で、インデックスが範囲を超えました。4");
  EXPECT_THROW(blade->GetVertex(-1), Exception);
  EXPECT_THROW(blade->SetVertexPosition(7, {}), Exception);
  EXPECT_THROW(blade->GetVertexItem(-3), Exception);
}

TEST(Blade, SelectingABorderSelectsItsTwoVerticesAndNotTheCornerFlags) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  blade->Select(bpBorder, 3, true);
  EXPECT_EQ(std::tuple(blade->GetVertex(3)->Select(), blade->GetVertex(0)->Select(), blade->GetVertex(1)->Select(),
                       blade->GetVertexSelect(3), blade->IsSelected()),
            std::tuple(true, true, false, false, true));
  EXPECT_EQ(blade->SelectedBorderIndices(), (std::vector<uint16_t>{3, 0}));
}

TEST(Blade, SelectAllSelectsAVisibleBladeOnly) {
  TSquareBladeCollection layer;
  TSquareBlade* blade = AddBlade(&layer, Square(0, 0));
  blade->SetVisible(false);
  blade->SelectAll();
  EXPECT_FALSE(blade->IsSelected());
  blade->SetVisible(true);
  blade->SelectAll();
  EXPECT_TRUE(blade->GetFaceSelect() && blade->GetVertexSelect(2));
}

// Selecting changes the vertex too.
TEST(Blade, ThePositionCacheFollowsASelectionOfAVertex) {
  Welded w;
  TSquareBlade* late = w.layer->Add();  // bound, its caches not refreshed yet
  late->SetReference(0, w.left->GetVertexItem(1));
  w.left->Select(bpVertex, 1, true);
  EXPECT_EQ(late->PositionCache()[0], grid::GridPoint({}, 1, 0));
}

// The target's four own vertices had no other client: they are gone, none left dangling.
TEST(Blade, AssignOntoABoundBladeReleasesItsVerticesFirst) {
  TSquareBladeCollection layer;
  TSquareBlade* target = AddBlade(&layer, Square(0, 0));
  TSquareBlade* source = AddBlade(&layer, Square(5, 5));
  target->Assign(source);
  EXPECT_EQ(layer.VertexPool()->Count(), 4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(target->GetVertexItem(i), nullptr);
}

// A blade cannot keep a corner without a vertex: it could be neither drawn nor saved and read back.
TEST(Blade, DeletingAVertexFreesTheBladesThatUseItAndOnlyTheirOwnVertices) {
  Welded w;
  TSquareBlade* beside = AddBlade(w.layer, Square(5, 0));
  const int poolBefore = w.layer->VertexPool()->Count();
  delete w.left->GetVertexItem(0);
  ASSERT_EQ(w.layer->Count(), 2);
  EXPECT_EQ(std::tuple(w.layer->Blade(0), w.layer->Blade(1)), std::tuple(w.right, beside));
  // Corners 1 and 2 stay with the right blade; corner 3 belonged to the left one alone.
  EXPECT_EQ(w.layer->VertexPool()->Count(), poolBefore - 2);
}

TEST(LayerSet, AnEmptySetFindsNothingAndHasNoCurrentLayer) {
  TSquareBladeCollections set;
  EXPECT_FALSE(set.HasBlades() || set.HasEditableBlades() || set.HasHiddenBlades() || set.HasUnselectedBlades());
  set.SelectAll();
  set.HideBlades(false);
  set.ClearSelection();
  EXPECT_EQ(set.SelectedVertices().Count(), 0);
  set.SetCurrentIndex(3);
  EXPECT_EQ(std::tuple(set.CurrentIndex(), set.CurrentLayer()), std::tuple(0, nullptr));
}

TEST(LayerSet, InsertLayerAtPlacesALayerAndAppendsPastTheEnd) {
  TSquareBladeCollections set;
  TSquareBladeCollection* a = set.AddLayer();
  TSquareBladeCollection* b = set.AddLayer();
  TSquareBladeCollection* x = set.InsertLayerAt(1);
  TSquareBladeCollection* y = set.InsertLayerAt(10);
  EXPECT_EQ(std::vector({set.GetLayer(0), set.GetLayer(1), set.GetLayer(2), set.GetLayer(3)}),
            std::vector({a, x, b, y}));
  EXPECT_EQ(x->LayerSet(), &set);
}

// Three layers, one blade in each of the locked and hidden ones, two in the open one.
struct ThreeLayers {
  TSquareBladeCollections set;
  TSquareBladeCollection* open = set.AddLayer();
  TSquareBladeCollection* locked = set.AddLayer();
  TSquareBladeCollection* hidden = set.AddLayer();
  TSquareBlade* a = AddBlade(open, Square(0, 0));
  TSquareBlade* b = AddBlade(open, Square(2, 0));
  ThreeLayers() {
    AddBlade(locked, Square(2, 0));
    AddBlade(hidden, Square(4, 0));
    locked->SetLocked(true);
    hidden->SetVisible(false);
  }
};

TEST(LayerSet, SelectAllSkipsLayersThatAreNotEditable) {
  ThreeLayers t;
  t.set.SelectAll();
  // The locked layer is visible and unselected.
  EXPECT_EQ(std::tuple(t.set.SelectedVertices().Count(), t.a->GetFaceSelect(), t.locked->Blade(0)->IsSelected(),
                       t.set.HasUnselectedBlades()),
            std::tuple(8, true, false, true));
}

TEST(LayerSet, ClearSelectionReachesLayersThatAreNotEditable) {
  ThreeLayers t;
  t.hidden->Blade(0)->SelectAll();
  t.set.ClearSelection();
  EXPECT_EQ(std::tuple(t.hidden->Blade(0)->IsSelected(), t.set.SelectedVertices().Count()), std::tuple(false, 0));
}

// With nothing selected every other blade is every blade.
TEST(LayerSet, HidingTheOthersOfNothingSelectedHidesEverything) {
  ThreeLayers t;
  EXPECT_TRUE(t.set.HasEditableBlades());
  t.set.HideBlades(false);
  EXPECT_FALSE(t.a->Visible() || t.b->Visible() || !t.set.HasHiddenBlades() || t.set.HasEditableBlades());
  t.set.ShowAll();
  EXPECT_TRUE(t.a->Visible() && t.b->Visible());
}

TEST(LayerSet, HidingTheSelectionHidesAndDeselectsTheSelectedBladesOnly) {
  ThreeLayers t;
  t.a->Select(bpVertex, 2, true);
  t.set.RebuildSelectedVertexList();
  t.set.ShowAll();  // does not touch the selection
  EXPECT_EQ(t.set.SelectedVertices().Count(), 1);
  t.set.HideBlades(true);
  EXPECT_EQ(std::tuple(t.a->Visible(), t.a->IsSelected(), t.b->Visible(), t.set.SelectedVertices().Count()),
            std::tuple(false, false, true, 0));
}

TEST(LayerSet, TheSelectedVertexListHoldsAnItemOnce) {
  Welded w;
  w.set.SelectAll();
  w.set.SelectedVertices().Add(w.left->GetVertexItem(0));
  EXPECT_EQ(w.set.SelectedVertices().Count(), 6);
}

TEST(LayerSet, AFreedVertexLeavesTheAnchorAndTheSelectedVertexList) {
  Welded w;
  w.set.SelectAll();
  w.set.SetAnchor(w.right->GetVertexItem(1));  // used by the right blade only
  delete w.right;                              // frees its two own vertices
  EXPECT_EQ(std::tuple(w.set.Anchor(), w.set.SelectedVertices().Count()), std::tuple(nullptr, 4));
  w.set.SetAnchor(w.left->GetVertexItem(0));
  w.set.Delete(0);  // the whole layer
  EXPECT_EQ(std::tuple(w.set.Anchor(), w.set.SelectedVertices().Count()), std::tuple(nullptr, 0));
}

// All or nothing, as for a missing number: the first blade stays unbound too.
TEST(Layer, ResolveReferencesRefusesABladeWithoutFourCorners) {
  TSquareBladeCollection layer;
  TSquareBladeCollection copy;
  AddBlade(&layer, Square(0, 0));
  AddBlade(&layer, Square(2, 0));
  copy.Assign(&layer);
  copy.Blade(1)->ChildCollection()->Delete(3);
  EXPECT_EQ(MessageOf([&] { copy.ResolveReferences(); }), "FindID が nil を返しました。");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(copy.Blade(0)->GetVertexItem(i), nullptr);
}

TEST(Layer, ResolveReferencesTakesTheFirstItemOfADuplicatedNumber) {
  Welded w;
  w.layer->VertexPool()->Add()->SetItemID(w.left->GetReferenceID(0));  // a later item with item 0's number
  TSquareBladeCollection copy;
  copy.Assign(w.layer);
  copy.ResolveReferences();
  EXPECT_EQ(copy.Blade(0)->GetVertexItem(0), copy.VertexPool()->Item(0));
}

TEST(Containers, AssignCopiesTheLayerSetWithItsSettingsAndTheContainersIndex) {
  TSquareBladeCollectionsContainer source;
  AddBlade(source.Collections()->AddLayer(), Square(0, 0));
  source.Collections()->SetDiagonalKnife(true);
  source.SetCurrentIndex(7);
  TSquareBladeCollectionsContainer copy;
  copy.Assign(&source);
  EXPECT_EQ(std::tuple(copy.CurrentIndex(), copy.Collections()->DiagonalKnife(), copy.Collections()->Count()),
            std::tuple(7, true, 1));
}

TEST(Containers, AssignTakesOnlyAContainerOfItsOwnKind) {
  TSquareBladeCollectionsContainer layers;
  TSquareBladeCollectionContainer single;
  EXPECT_THROW(layers.Assign(&single), EConvertError);
  single.Assign(&single);
  EXPECT_EQ(single.Collection()->Count(), 0);
}

// Descendants pass the factories of their parts to the constructors, so that what they make is used
// from the start (a constructor cannot reach a descendant's override).
class MarkedBlade : public TSquareBlade {
 public:
  using TSquareBlade::TSquareBlade;
};

class MarkedPool : public TVertexItemCollection {
 public:
  using TVertexItemCollection::TVertexItemCollection;
};

class MarkedLayer : public TSquareBladeCollection {
 public:
  explicit MarkedLayer(TPersistent* owner = nullptr)
      : TSquareBladeCollection(TCollection::FactoryOf<MarkedBlade>(), owner, PoolOf<MarkedPool>()) {}
};

class MarkedLayerContainer : public TSquareBladeCollectionContainer {
 public:
  MarkedLayerContainer() : TSquareBladeCollectionContainer(nullptr, LayerOf<MarkedLayer>()) {}
};

class MarkedLayerSet : public TSquareBladeCollections {
 public:
  using TSquareBladeCollections::TSquareBladeCollections;
};

class MarkedLayerSetContainer : public TSquareBladeCollectionsContainer {
 public:
  MarkedLayerSetContainer() : TSquareBladeCollectionsContainer(nullptr, LayerSetOf<MarkedLayerSet>()) {}
};

// Wherever a part is made: the pool at construction, a blade by Add or by Assign.
TEST(LayerDescendant, ItsFactoriesMakeThePoolAndEveryBlade) {
  Welded w;
  MarkedLayer layer;
  EXPECT_TRUE(dynamic_cast<MarkedPool*>(layer.VertexPool()) && dynamic_cast<MarkedBlade*>(layer.Add()));
  layer.Assign(w.layer);
  ASSERT_EQ(layer.Count(), 2);
  EXPECT_NE(dynamic_cast<MarkedBlade*>(layer.Blade(1)), nullptr);
}

TEST(ContainerDescendant, ItsFactoryMakesTheLayerOrTheLayerSet) {
  MarkedLayerContainer layer;
  MarkedLayerSetContainer layers;
  EXPECT_TRUE(dynamic_cast<MarkedLayer*>(layer.Collection()) && dynamic_cast<MarkedLayerSet*>(layers.Collections()));
}

TEST(Module, AppendingALayerOntoItselfDoublesItWithVerticesOfItsOwn) {
  TSquareBladeCollection layer;
  AddBlade(&layer, Square(5, 0));
  AppendLayer(layer, layer);
  ASSERT_EQ(layer.Count(), 2);
  EXPECT_EQ(std::tuple(layer.VertexPool()->Count(), layer.Blade(1)->GetVertexPosition(2)),
            std::tuple(8, Vec3(6, 0, 1)));
  EXPECT_NE(layer.Blade(1)->GetVertexItem(0), layer.Blade(0)->GetVertexItem(0));
}

TEST(Module, AppendingLayersOntoTheirOwnSetAddsEachOnce) {
  TSquareBladeCollections set;
  AddBlade(set.AddLayer(), Square(5, 0));
  AppendLayers(set, set);
  ASSERT_EQ(set.Count(), 2);
  EXPECT_EQ(set.GetLayer(1)->Count(), 1);
}

// The donor's second layer cannot be bound: nothing is appended, nor is the donor renumbered.
TEST(Module, AppendingLayersIsAllOrNothing) {
  TSquareBladeCollections set;
  TSquareBladeCollections donor;
  AddBlade(donor.AddLayer(), Square(0, 0));
  TSquareBlade* stray = donor.AddLayer()->Add();
  for (int i = 0; i < 4; ++i)
    stray->SetReferenceID(i, 40 + i);
  EXPECT_EQ(MessageOf([&] { AppendLayers(donor, set); }), "FindID が nil を返しました。");
  EXPECT_EQ(std::tuple(set.Count(), donor.GetLayer(0)->VertexPool()->Item(3)->ItemID()), std::tuple(0, 3));
}

TEST(Module, AnUnboundCornerIsAppendedByItsNumberNotByTheTargetsItem) {
  TSquareBladeCollection target;
  AddBlade(&target, Square(0, 0));  // numbers 0..3 here as well
  TSquareBladeCollection source;
  TSquareBlade* blade = AddBlade(&source, Square(5, 0));
  blade->ReleaseReference(0);  // keeps its number 0, which the source's pool still holds
  AppendLayer(source, target);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(std::tuple(target.Blade(1)->GetVertexPosition(0), target.VertexPool()->Count()),
            std::tuple(Vec3(5, 0, 0), 8));
  EXPECT_NE(target.Blade(1)->GetVertexItem(0), target.Blade(0)->GetVertexItem(0));
}

TEST(Module, CentroidsAreMeansAndTheOriginForNothing) {
  EXPECT_EQ(CornersCentroid(Square(2, 4, 1)), Vec3(2.5f, 1, 4.5f));
  TVector3List list;
  EXPECT_EQ(VectorListCentroid(list), Vec3());
  list.Add({1, 2, 3});
  list.Add({3, 2, 1});
  EXPECT_EQ(VectorListCentroid(list), Vec3(2, 2, 2));
  EXPECT_EQ(SelectionCentroid(TVertexItemList()), Vec3());
}

}  // namespace
}  // namespace vrel
