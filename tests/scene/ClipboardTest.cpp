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

namespace vrel {
namespace {

using grid::BuildWeldedGrid;
using grid::GridShape;
using Corners = std::vector<std::array<int, 4>>;
const std::string kMime = BladeClipboardMimeType();

std::string Bytes(const TComponent& document) {
  return SaveComponentToBytes(document);
}
TCorners Square(float x, float z, float y = 0) {
  return {{{x, y, z}, {x + 1, y, z}, {x + 1, y, z + 1}, {x, y, z + 1}}};
}

std::unique_ptr<TSquareBladeCollectionContainer> ClipboardLayer(const IClipboard& clipboard) {
  auto container = std::make_unique<TSquareBladeCollectionContainer>();
  LoadComponentFromBytes(clipboard.Data(kMime).value(), *container);
  return container;
}

TSquareBlade* AddBlade(TSquareBladeCollection* layer, const TCorners& corners) {
  TSquareBlade* blade = layer->Add();
  layer->VertexPool()->NewDataFor(blade, -1);
  blade->SetVertices(corners);
  return blade;
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

TEST(Copy, SelectedFacesBecomeOneStreamOfOneLayerLaterLayerFirst) {
  EXPECT_EQ(kMime, "application/x-qt-windows-mime;value=\"TSquareBladeCollection Stream Type\"");
  TSquareBladeCollectionsContainer document;
  TSquareBladeCollections& layers = *document.Collections();
  TSquareBladeCollection* first = layers.AddLayer();
  first->SetName("named");
  BuildWeldedGrid(*first, GridShape{2, 1});
  TSquareBlade* right = first->Blade(1);
  TSquareBlade* later = AddBlade(layers.AddLayer(), Square(10, 0, 3));
  later->SetDrawTexture(true);
  TVertexItem* orphan = first->VertexPool()->Add();  // selected, but no copied blade uses it
  orphan->Vertex()->SetSelect(true);
  MemoryClipboard clipboard;
  EXPECT_FALSE(CopyToClipboard(layers, clipboard));
  EXPECT_EQ(std::tuple(clipboard.WriteCount(), clipboard.HasFormat(kMime)), std::tuple(0, false));
  SelectFaces(layers, {right, later});
  ASSERT_TRUE(CopyToClipboard(layers, clipboard));
  const std::string bytes = *clipboard.Data(kMime),
                    header = std::string("TPF0\x1fTSquareBladeCollectionContainer") + '\0';
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), std::string(2, '\0'));  // end of properties, no children
  const auto container = ClipboardLayer(clipboard);
  const TSquareBladeCollection* copied = container->Collection();
  ASSERT_EQ(std::tuple(copied->Name(), copied->Count()),
            std::tuple(std::string(), 2));  // the layer's name stays behind
  EXPECT_EQ(std::tuple(copied->Blade(0)->GetVertices(), copied->Blade(1)->GetVertices()),
            std::tuple(later->GetVertices(), right->GetVertices()));
  EXPECT_EQ(std::tuple(copied->Blade(0)->DrawTexture(), copied->Blade(1)->DrawTexture()), std::tuple(true, false));
  // Numbered in layer and pool order: the left blade made grid points 1 and 4 before the right one made 2 and 5.
  EXPECT_EQ(CornersOf(copied, false), (Corners{{4, 5, 6, 7}, {0, 2, 3, 1}}));
  ExpectNumberedInOrder(copied);
}

// Pasted after a layer's own blades, welds, pool order and numbering survive; copied or cut again, they stream as
// before.
TEST(CopyPasteCut, RoundTripKeepsWeldsPoolOrderAndNumberingAndReversesTheBlades) {
  TSquareBladeCollections source;
  TSquareBladeCollection* from = source.AddLayer();
  BuildWeldedGrid(*from, GridShape{4, 3, 2.0f, {1, 2, 3}});
  from->Blade(5)->SetDrawTexture(true);
  source.SelectAll();
  MemoryClipboard clipboard;
  ASSERT_TRUE(CopyToClipboard(source, clipboard));
  TSquareBladeCollectionsContainer document;
  TSquareBladeCollections& target = *document.Collections();
  TSquareBladeCollection* other = target.AddLayer();
  TSquareBlade* elsewhere = AddBlade(other, Square(-5, -5));
  TSquareBladeCollection* to = target.AddLayer();
  BuildWeldedGrid(*to, GridShape{3, 1});
  for (int k = 0; k < 8; ++k)
    to->VertexPool()->Item(k)->SetItemID(INT32_MAX - k);  // the top of the range
  SelectFaces(target, {elsewhere, to->Blade(0)});
  target.SetCurrentIndex(1);
  const std::vector<Vec3> old = Positions(to), added = Positions(from);
  std::vector<Vec3> positions = old;
  positions.insert(positions.end(), added.begin(), added.end());
  Corners corners = CornersOf(to, true), pasted = CornersOf(from, true);
  for (auto c = pasted.rbegin(); c != pasted.rend(); ++c)
    corners.push_back({(*c)[0] + 8, (*c)[1] + 8, (*c)[2] + 8, (*c)[3] + 8});
  // No paste without an editable current layer or without the format; the clipboard is only read.
  const std::string unpasted = Bytes(document);
  TSquareBladeCollectionsContainer empty;
  EXPECT_FALSE(CanPasteFromClipboard(*empty.Collections(), clipboard) ||
               PasteFromClipboard(*empty.Collections(), clipboard));
  to->SetLocked(true);
  EXPECT_FALSE(CanPasteFromClipboard(target, clipboard) || PasteFromClipboard(target, clipboard));
  to->SetLocked(false);
  to->SetVisible(false);
  EXPECT_FALSE(CanPasteFromClipboard(target, clipboard) || PasteFromClipboard(target, clipboard));
  to->SetVisible(true);
  MemoryClipboard text;
  text.SetData("text/plain", *clipboard.Data(kMime));
  EXPECT_FALSE(CanPasteFromClipboard(target, text) || PasteFromClipboard(target, text));
  text.SetUnavailable(kMime);  // offered, but gone by the time it is asked for
  EXPECT_TRUE(CanPasteFromClipboard(target, text) && !PasteFromClipboard(target, text));
  EXPECT_EQ(std::tuple(Bytes(document), empty.Collections()->Count(), clipboard.WriteCount()),
            std::tuple(unpasted, 0, 1));
  ASSERT_TRUE(PasteFromClipboard(target, clipboard));
  ASSERT_EQ(to->Count(), 15);
  EXPECT_EQ(Positions(to), positions);
  EXPECT_EQ(CornersOf(to, true), corners);
  ExpectNumberedInOrder(to);
  for (int b = 0; b < 15; ++b) {
    const TSquareBlade* copy = from->Blade(b < 3 ? 0 : 14 - b);
    EXPECT_EQ(std::tuple(to->Blade(b)->GetFaceSelect(), to->Blade(b)->IsSelected()), std::tuple(b >= 3, b >= 3)) << b;
    EXPECT_EQ(
        std::tuple(to->Blade(b)->DrawTexture(), to->Blade(b)->PositionCache()),
        b < 3 ? std::tuple(false, to->Blade(b)->GetVertices()) : std::tuple(copy->DrawTexture(), copy->GetVertices()))
        << b;
  }
  ASSERT_EQ(target.SelectedVertices().Count(), 20);
  for (TVertexItem* item : target.SelectedVertices().Items())
    EXPECT_GE(item->Index(), 8);
  TSquareBladeCollectionContainer original;
  original.Collection()->Assign(from);
  original.Collection()->ResolveReferences();
  for (int k = 0; k < from->VertexPool()->Count(); ++k)
    original.Collection()->VertexPool()->Item(k)->SetItemID(k);
  MemoryClipboard again;
  ASSERT_TRUE(CopyToClipboard(target, again));
  EXPECT_EQ(*again.Data(kMime), SaveComponentToBytes(original));
  // Cut takes them again, but no face of a locked layer, nor a blade with only a corner selected.
  elsewhere->Select(bpFace, -1, true);
  other->SetLocked(true);
  to->Blade(1)->Select(bpVertex, 1, true);
  target.RebuildSelectedVertexList();
  ASSERT_TRUE(CutToClipboard(target, again));
  EXPECT_EQ(*again.Data(kMime), SaveComponentToBytes(original));
  EXPECT_EQ(std::tuple(to->Count(), other->Count(), target.SelectedVertices().Count(), elsewhere->IsSelected()),
            std::tuple(3, 1, 0, false));
  EXPECT_EQ(Positions(to), old);
  to->Blade(0)->Select(bpBorder, 0, true);  // a border alone is nothing to cut
  target.RebuildSelectedVertexList();
  const std::string withBorder = Bytes(document);
  EXPECT_FALSE(CutToClipboard(target, again));
  EXPECT_EQ(std::tuple(again.WriteCount(), Bytes(document)), std::tuple(2, withBorder));
  TSquareBladeCollectionContainer foreign;  // one blade and a selected vertex it does not use, which is dropped
  AddBlade(foreign.Collection(), Square(20, 0));
  foreign.Collection()->VertexPool()->Add()->Vertex()->SetSelect(true);
  clipboard.SetData(kMime, SaveComponentToBytes(foreign));
  ASSERT_TRUE(PasteFromClipboard(target, clipboard));
  EXPECT_EQ(std::tuple(to->Count(), to->VertexPool()->Count(), target.SelectedVertices().Count()),
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
  bool raised = false, pasted = false;
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

TEST(Paste, MalformedBytesRaiseAndChangeNothing) {
  const std::string valid = WeldedPairBytes();
  for (std::size_t length = 0; length <= valid.size(); ++length)
    EXPECT_EQ(PasteInto(valid.substr(0, length)), length < valid.size()) << length;
  TSquareBladeCollectionContainer broken;  // a corner numbered for a vertex that is not there
  TSquareBlade* blade = AddBlade(broken.Collection(), Square(0, 0));
  blade->SetReference(2, nullptr);
  blade->SetReferenceID(2, 99);
  EXPECT_TRUE(PasteInto(SaveComponentToBytes(broken), "FindID が nil を返しました。"));
  // A layer-set container (an object file) has properties the single-layer container does not.
  TSquareBladeCollectionsContainer objectFile;
  BuildWeldedGrid(*objectFile.Collections()->AddLayer(), GridShape{1, 1});
  EXPECT_TRUE(PasteInto(SaveComponentToBytes(objectFile), "プロパティ CurrentIndex は存在しません"));

  std::mt19937 random(20240605);  // corrupted bytes either paste whole blades or change nothing
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
