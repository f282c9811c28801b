// Cut, copy and paste of blades. The clipboard bytes are read back into a fresh container, as another
// editor would paste them; "nothing changed" compares the document's own stream bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/ComponentStream.h"
#include "scene/DX9Clipboard.h"
#include "scene/DX9Square.h"
#include "tests/scene/GridFixture.h"
#include "tests/scene/TestHelpers.h"

namespace vrel {
namespace {

using grid::BuildWeldedGrid;
using grid::GridShape;
using Corners = std::vector<std::array<int, 4>>;
const std::string kMime = BladeClipboardMimeType();

std::string Bytes(const TComponent& document) {
  return SaveComponentToBytes(document);
}

std::unique_ptr<TSquareBladeCollectionContainer> ClipboardLayer(const IClipboard& clipboard) {
  auto container = std::make_unique<TSquareBladeCollectionContainer>();
  LoadComponentFromBytes(clipboard.Data(kMime).value(), *container);
  return container;
}

void SelectFaces(TSquareBladeCollections& layers, std::initializer_list<TSquareBlade*> blades) {
  for (TSquareBlade* blade : blades)
    blade->Select(bpFace, -1, true);
  layers.RebuildSelectedVertexList();
}

// Per blade and corner: the stored reference number, or the bound vertex's pool index.
Corners CornersOf(const TSquareBladeCollection* layer, bool byIndex) {
  Corners out(static_cast<std::size_t>(layer->Count()));
  for (int b = 0; b < layer->Count(); ++b)
    for (int k = 0; k < 4; ++k)
      out[b][k] = byIndex ? layer->Blade(b)->GetVertexItem(k)->Index() : layer->Blade(b)->GetReferenceID(k);
  return out;
}

std::vector<Vec3> Positions(const TSquareBladeCollection* layer) {
  std::vector<Vec3> out;
  for (int k = 0; k < layer->VertexPool()->Count(); ++k)
    out.push_back(layer->VertexPool()->Item(k)->Vertex()->GetVector());
  return out;
}

// The pool is numbered 0, 1, ... in its order, and every corner's reference number is its vertex's.
void ExpectNumberedInOrder(const TSquareBladeCollection* layer) {
  for (int k = 0; k < layer->VertexPool()->Count(); ++k)
    EXPECT_EQ(layer->VertexPool()->Item(k)->ItemID(), k);
  EXPECT_EQ(CornersOf(layer, false), CornersOf(layer, true));
}

std::string WeldedPairBytes() {
  TSquareBladeCollectionContainer pair;
  BuildWeldedGrid(*pair.Collection(), GridShape{2, 1});
  return SaveComponentToBytes(pair);
}

// Two layers: the first a welded pair (with a selected vertex no blade uses), the second one textured blade.
struct CopySource {
  TSquareBladeCollectionsContainer document;
  TSquareBladeCollections& layers = *document.Collections();
  TSquareBladeCollection* first = layers.AddLayer();
  TSquareBlade* right = nullptr;
  TSquareBlade* later = nullptr;
  MemoryClipboard clipboard;
  CopySource() {
    first->SetName("named");
    BuildWeldedGrid(*first, GridShape{2, 1});
    right = first->Blade(1);
    later = AddBlade(layers.AddLayer(), Square(10, 0, 3));
    later->SetDrawTexture(true);
    first->VertexPool()->Add()->Vertex()->SetSelect(true);
  }
  const TSquareBladeCollection* Copied() {
    SelectFaces(layers, {right, later});
    EXPECT_TRUE(CopyToClipboard(layers, clipboard));
    copied_ = ClipboardLayer(clipboard);
    return copied_->Collection();
  }

 private:
  std::unique_ptr<TSquareBladeCollectionContainer> copied_;
};

TEST(Copy, NothingSelectedCopiesNothing) {
  CopySource s;
  EXPECT_FALSE(CopyToClipboard(s.layers, s.clipboard));
  EXPECT_EQ(std::tuple(s.clipboard.WriteCount(), s.clipboard.HasFormat(kMime)), std::tuple(0, false));
}

TEST(Copy, TheClipboardHoldsTheStreamOfOneLayerContainerWithoutChildren) {
  EXPECT_EQ(kMime, "application/x-qt-windows-mime;value=\"TSquareBladeCollection Stream Type\"");
  CopySource s;
  s.Copied();
  const std::string bytes = *s.clipboard.Data(kMime);
  const std::string header = std::string("TPF0\x1fTSquareBladeCollectionContainer") + '\0';
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string(2, '\0'));  // end of properties, no children
}

// The layer's name stays behind.
TEST(Copy, TheSelectedFacesOfTheLaterLayerComeFirst) {
  CopySource s;
  const TSquareBladeCollection* copied = s.Copied();
  ASSERT_EQ(std::tuple(copied->Name(), copied->Count()), std::tuple(std::string(), 2));
  EXPECT_EQ(std::tuple(copied->Blade(0)->GetVertices(), copied->Blade(1)->GetVertices()),
            std::tuple(s.later->GetVertices(), s.right->GetVertices()));
  EXPECT_EQ(std::tuple(copied->Blade(0)->DrawTexture(), copied->Blade(1)->DrawTexture()), std::tuple(true, false));
}

// The left blade made grid points 1 and 4 before the right one made 2 and 5; the selected vertex that no copied
// blade uses stays behind.
TEST(Copy, TheVerticesAreNumberedInLayerAndPoolOrder) {
  CopySource s;
  const TSquareBladeCollection* copied = s.Copied();
  EXPECT_EQ(CornersOf(copied, false), (Corners{{4, 5, 6, 7}, {0, 2, 3, 1}}));
  ExpectNumberedInOrder(copied);
}

// A welded 4 x 3 grid copied; the document's second (current) layer a welded 3 x 1 grid numbered at the top of
// the range, its first layer one blade. The first blades of both layers are selected.
struct PasteTarget {
  TSquareBladeCollections source;
  TSquareBladeCollection* from = source.AddLayer();
  MemoryClipboard clipboard;
  TSquareBladeCollectionsContainer document;
  TSquareBladeCollections& target = *document.Collections();
  TSquareBladeCollection* other = target.AddLayer();
  TSquareBlade* elsewhere = AddBlade(other, Square(-5, -5));
  TSquareBladeCollection* to = target.AddLayer();
  PasteTarget() {
    BuildWeldedGrid(*from, GridShape{4, 3, 2.0f, {1, 2, 3}});
    from->Blade(5)->SetDrawTexture(true);
    source.SelectAll();
    EXPECT_TRUE(CopyToClipboard(source, clipboard));
    BuildWeldedGrid(*to, GridShape{3, 1});
    for (int k = 0; k < 8; ++k)
      to->VertexPool()->Item(k)->SetItemID(INT32_MAX - k);
    SelectFaces(target, {elsewhere, to->Blade(0)});
    target.SetCurrentIndex(1);
  }
  // The source layer as a single-layer container numbered in pool order: what a copy of the pasted blades gives.
  std::string SourceBytes() const {
    TSquareBladeCollectionContainer original;
    original.Collection()->Assign(from);
    original.Collection()->ResolveReferences();
    for (int k = 0; k < from->VertexPool()->Count(); ++k)
      original.Collection()->VertexPool()->Item(k)->SetItemID(k);
    return SaveComponentToBytes(original);
  }
};

TEST(Paste, NeedsAnEditableCurrentLayer) {
  PasteTarget t;
  const std::string unpasted = Bytes(t.document);
  TSquareBladeCollectionsContainer empty;
  EXPECT_FALSE(CanPasteFromClipboard(*empty.Collections(), t.clipboard) ||
               PasteFromClipboard(*empty.Collections(), t.clipboard));
  t.to->SetLocked(true);
  EXPECT_FALSE(CanPasteFromClipboard(t.target, t.clipboard) || PasteFromClipboard(t.target, t.clipboard));
  t.to->SetLocked(false);
  t.to->SetVisible(false);
  EXPECT_FALSE(CanPasteFromClipboard(t.target, t.clipboard) || PasteFromClipboard(t.target, t.clipboard));
  t.to->SetVisible(true);
  EXPECT_EQ(std::tuple(Bytes(t.document), empty.Collections()->Count()), std::tuple(unpasted, 0));
}

// The clipboard is only read.
TEST(Paste, NeedsTheFormatOnTheClipboard) {
  PasteTarget t;
  const std::string unpasted = Bytes(t.document);
  MemoryClipboard text;
  text.SetData("text/plain", *t.clipboard.Data(kMime));
  EXPECT_FALSE(CanPasteFromClipboard(t.target, text) || PasteFromClipboard(t.target, text));
  text.SetUnavailable(kMime);  // offered, but gone by the time it is asked for
  EXPECT_TRUE(CanPasteFromClipboard(t.target, text) && !PasteFromClipboard(t.target, text));
  EXPECT_EQ(std::tuple(Bytes(t.document), t.clipboard.WriteCount()), std::tuple(unpasted, 1));
}

// After the layer's own blades and vertices, the blades in reverse order, welds kept; the layer renumbered.
TEST(Paste, AddsTheBladesAfterTheLayersOwnInReverseOrderWithTheirWelds) {
  PasteTarget t;
  std::vector<Vec3> positions = Positions(t.to);
  const std::vector<Vec3> added = Positions(t.from);
  positions.insert(positions.end(), added.begin(), added.end());
  Corners corners = CornersOf(t.to, true);
  const Corners pasted = CornersOf(t.from, true);
  for (auto c = pasted.rbegin(); c != pasted.rend(); ++c)
    corners.push_back({(*c)[0] + 8, (*c)[1] + 8, (*c)[2] + 8, (*c)[3] + 8});
  ASSERT_TRUE(PasteFromClipboard(t.target, t.clipboard));
  ASSERT_EQ(t.to->Count(), 15);
  EXPECT_EQ(std::tuple(Positions(t.to), CornersOf(t.to, true)), std::tuple(positions, corners));
  for (int b = 3; b < 15; ++b) {
    const TSquareBlade* copy = t.from->Blade(14 - b);
    EXPECT_EQ(std::tuple(t.to->Blade(b)->DrawTexture(), t.to->Blade(b)->PositionCache()),
              std::tuple(copy->DrawTexture(), copy->GetVertices()))
        << b;
  }
  ExpectNumberedInOrder(t.to);
}

TEST(Paste, SelectsThePastedBladesAlone) {
  PasteTarget t;
  ASSERT_TRUE(PasteFromClipboard(t.target, t.clipboard));
  for (int b = 0; b < 15; ++b)
    EXPECT_EQ(std::tuple(t.to->Blade(b)->GetFaceSelect(), t.to->Blade(b)->IsSelected()), std::tuple(b >= 3, b >= 3));
  EXPECT_FALSE(t.elsewhere->IsSelected());
  ASSERT_EQ(t.target.SelectedVertices().Count(), 20);
  for (TVertexItem* item : t.target.SelectedVertices().Items())
    EXPECT_GE(item->Index(), 8);
}

// No face of a locked layer, nor a blade with only a corner selected.
TEST(Cut, TakesTheSelectedFacesOfEditableLayersAndLeavesTheRest) {
  PasteTarget t;
  const std::vector<Vec3> old = Positions(t.to);
  ASSERT_TRUE(PasteFromClipboard(t.target, t.clipboard));
  t.elsewhere->Select(bpFace, -1, true);
  t.other->SetLocked(true);
  t.to->Blade(1)->Select(bpVertex, 1, true);
  t.target.RebuildSelectedVertexList();
  MemoryClipboard again;
  ASSERT_TRUE(CutToClipboard(t.target, again));
  EXPECT_EQ(*again.Data(kMime), t.SourceBytes());
  EXPECT_EQ(std::tuple(t.to->Count(), t.other->Count(), t.target.SelectedVertices().Count(), t.elsewhere->IsSelected()),
            std::tuple(3, 1, 0, false));
  EXPECT_EQ(Positions(t.to), old);
}

TEST(Cut, ABorderAloneIsNothingToCut) {
  PasteTarget t;
  t.target.ClearSelection();
  t.to->Blade(0)->Select(bpBorder, 0, true);
  t.target.RebuildSelectedVertexList();
  const std::string withBorder = Bytes(t.document);
  MemoryClipboard again;
  EXPECT_FALSE(CutToClipboard(t.target, again));
  EXPECT_EQ(std::tuple(again.WriteCount(), Bytes(t.document)), std::tuple(0, withBorder));
}

// Another editor's stream: one blade and a selected vertex it does not use.
TEST(Paste, ASelectedVertexThatNoPastedBladeUsesIsDropped) {
  PasteTarget t;
  TSquareBladeCollectionContainer foreign;
  AddBlade(foreign.Collection(), Square(20, 0));
  foreign.Collection()->VertexPool()->Add()->Vertex()->SetSelect(true);
  t.clipboard.SetData(kMime, SaveComponentToBytes(foreign));
  ASSERT_TRUE(PasteFromClipboard(t.target, t.clipboard));
  EXPECT_EQ(std::tuple(t.to->Count(), t.to->VertexPool()->Count(), t.target.SelectedVertices().Count()),
            std::tuple(4, 12, 4));
}

// Pastes `bytes` into a document and says whether that raised (`message`, if given); blades come whole or not at all.
bool PasteInto(const std::string& bytes, const std::string& message = "") {
  TSquareBladeCollectionsContainer document;
  TSquareBladeCollections& layers = *document.Collections();
  TSquareBladeCollection* layer = layers.AddLayer();
  BuildWeldedGrid(*layer, GridShape{2, 2});
  SelectFaces(layers, {layer->Blade(1)});
  const std::string before = Bytes(document);
  MemoryClipboard clipboard;
  clipboard.SetData(kMime, bytes);
  bool raised = false;
  bool pasted = false;
  try {
    pasted = PasteFromClipboard(layers, clipboard);
  } catch (const Exception& e) {
    raised = true;
    EXPECT_EQ(message.empty() ? message : std::string(e.what()), message);
  }
  for (int b = 0; b < layer->Count(); ++b)
    for (int k = 0; k < 4; ++k)
      EXPECT_NE(layer->Blade(b)->GetVertexItem(k), nullptr) << b;
  const auto now = std::tuple(Bytes(document), layers.SelectedVertices().Count());
  EXPECT_TRUE(pasted ? layer->Count() > 4 : now == std::tuple(before, 4)) << "changed, yet pasted nothing";
  return raised;
}

TEST(Paste, AStreamCutAnywhereRaisesAndChangesNothing) {
  const std::string valid = WeldedPairBytes();
  for (std::size_t length = 0; length <= valid.size(); ++length)
    EXPECT_EQ(PasteInto(valid.substr(0, length)), length < valid.size()) << length;
}

TEST(Paste, ACornerNumberedForAMissingVertexRaisesAndChangesNothing) {
  TSquareBladeCollectionContainer broken;
  TSquareBlade* blade = AddBlade(broken.Collection(), Square(0, 0));
  blade->SetReference(2, nullptr);
  blade->SetReferenceID(2, 99);
  EXPECT_TRUE(PasteInto(SaveComponentToBytes(broken), "FindID が nil を返しました。"));
}

// A layer-set container (an object file) has properties the single-layer container does not.
TEST(Paste, AnObjectFilesStreamRaisesAndChangesNothing) {
  TSquareBladeCollectionsContainer objectFile;
  BuildWeldedGrid(*objectFile.Collections()->AddLayer(), GridShape{1, 1});
  EXPECT_TRUE(PasteInto(SaveComponentToBytes(objectFile), "プロパティ CurrentIndex は存在しません"));
}

TEST(Paste, CorruptedBytesPasteWholeBladesOrChangeNothing) {
  const std::string valid = WeldedPairBytes();
  std::mt19937 random(20240605);
  int refused = 0;
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    std::string bytes = valid;
    for (int f = 1 + static_cast<int>(random() % 4); f > 0; --f)
      bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
    refused += PasteInto(bytes) ? 1 : 0;
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace vrel
