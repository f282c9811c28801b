#include "scene/DX9Clipboard.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/ComponentStream.h"

namespace vrel {

namespace {

// A blade the clipboard can carry: its face is selected and every corner is bound, so its corner
// numbers can be written.
bool Copyable(const TSquareBlade* blade) {
  if (!blade->GetFaceSelect())
    return false;
  for (int i = 0; i < 4; ++i)
    if (!blade->GetVertexItem(i))
      return false;
  return true;
}

// The copyable blades of each layer, in layer and blade order; layers left out stay empty.
using Selection = std::vector<std::vector<TSquareBlade*>>;

Selection SelectedFaces(const TSquareBladeCollections& layers, bool editableOnly) {
  Selection selection(static_cast<std::size_t>(layers.Count()));
  for (int i = 0; i < layers.Count(); ++i) {
    TSquareBladeCollection* layer = layers.GetLayer(i);
    if (editableOnly && !layer->Editable())
      continue;
    for (TCollectionItem* item : layer->ItemList()) {
      auto* blade = static_cast<TSquareBlade*>(item);
      if (Copyable(blade))
        selection[static_cast<std::size_t>(i)].push_back(blade);
    }
  }
  return selection;
}

bool AnyCopyable(const TSquareBladeCollections& layers, bool editableOnly) {
  for (int i = 0; i < layers.Count(); ++i) {
    const TSquareBladeCollection* layer = layers.GetLayer(i);
    if (editableOnly && !layer->Editable())
      continue;
    for (TCollectionItem* item : layer->ItemList())
      if (Copyable(static_cast<TSquareBlade*>(item)))
        return true;
  }
  return false;
}

bool IsEmpty(const Selection& selection) {
  for (const auto& blades : selection)
    if (!blades.empty())
      return false;
  return true;
}

// The clipboard stream: the vertices the blades use, numbered 0, 1, 2, ... in layer and pool order
// (a vertex no copied blade uses is left behind, so it cannot stay selected in the target for
// ever), then the blades from the last layer to the first and from the last blade to the first.
std::string StreamSelection(const TSquareBladeCollections& layers, const Selection& selection) {
  TSquareBladeCollectionContainer container;
  TSquareBladeCollection* out = container.Collection();
  std::unordered_map<const TVertexItem*, int32_t> numbers;
  int32_t next = 0;
  for (int i = 0; i < layers.Count(); ++i) {
    const auto& blades = selection[static_cast<std::size_t>(i)];
    if (blades.empty())
      continue;
    std::unordered_set<const TVertexItem*> used;
    for (const TSquareBlade* blade : blades)
      for (int k = 0; k < 4; ++k)
        used.insert(blade->GetVertexItem(k));
    for (TCollectionItem* item : layers.GetLayer(i)->VertexPool()->ItemList()) {
      auto* vertex = static_cast<TVertexItem*>(item);
      if (!used.contains(vertex))
        continue;
      TVertexItem* copy = out->VertexPool()->Add();
      copy->Vertex()->Assign(vertex->Vertex());
      copy->SetItemID(next);
      numbers.emplace(vertex, next++);
    }
  }
  for (std::size_t i = selection.size(); i-- > 0;) {
    const auto& blades = selection[i];
    for (std::size_t b = blades.size(); b-- > 0;) {
      const TSquareBlade* blade = blades[b];
      TSquareBlade* copy = out->Add();
      copy->Assign(blade);
      for (int k = 0; k < 4; ++k)
        copy->SetReferenceID(k, numbers.at(blade->GetVertexItem(k)));
    }
  }
  return SaveComponentToBytes(container);
}

}  // namespace

const std::string& BladeClipboardMimeType() {
  static const std::string mime = MimeTypeForFormatName(kBladeClipboardFormat);
  return mime;
}

bool CanCopyToClipboard(const TSquareBladeCollections& layers) {
  return AnyCopyable(layers, false);
}

bool CanCutToClipboard(const TSquareBladeCollections& layers) {
  return AnyCopyable(layers, true);
}

bool CopyToClipboard(const TSquareBladeCollections& layers, IClipboard& clipboard) {
  const Selection selection = SelectedFaces(layers, false);
  if (IsEmpty(selection))
    return false;
  clipboard.SetData(BladeClipboardMimeType(), StreamSelection(layers, selection));
  return true;
}

bool CutToClipboard(TSquareBladeCollections& layers, IClipboard& clipboard) {
  // A locked or hidden layer keeps its blades, so it gives none to the clipboard either: what is
  // cut is exactly what can be pasted back.
  const Selection selection = SelectedFaces(layers, true);
  if (IsEmpty(selection))
    return false;
  clipboard.SetData(BladeClipboardMimeType(), StreamSelection(layers, selection));
  for (const auto& blades : selection)
    for (std::size_t b = blades.size(); b-- > 0;)
      delete blades[b];
  layers.ClearSelection();
  return true;
}

bool CanPasteFromClipboard(const TSquareBladeCollections& layers, const IClipboard& clipboard) {
  const TSquareBladeCollection* target = layers.CurrentLayer();
  return target && target->Editable() && clipboard.HasFormat(BladeClipboardMimeType());
}

bool PasteFromClipboard(TSquareBladeCollections& layers, const IClipboard& clipboard) {
  if (!CanPasteFromClipboard(layers, clipboard))
    return false;
  const std::optional<std::string> bytes = clipboard.Data(BladeClipboardMimeType());
  if (!bytes)
    return false;

  // Read completely (corner numbers bound) before the document is touched.
  TSquareBladeCollectionContainer pasted;
  LoadComponentFromBytes(*bytes, pasted);
  TSquareBladeCollection* source = pasted.Collection();
  if (source->Count() == 0)
    return false;
  // Vertices that no pasted blade uses would stay in the pool, selected and unreachable.
  TVertexItemCollection* sourcePool = source->VertexPool();
  for (int k = sourcePool->Count(); k-- > 0;)
    if (sourcePool->Item(k)->Clients().Count() == 0)
      delete sourcePool->Item(k);

  TSquareBladeCollection* target = layers.CurrentLayer();
  // Distinct numbers 0..n-1 first: the append binds corners by number, and a pool that carried a
  // number twice (or one near the top of the range) would re-bind existing blades or overflow.
  // The append ends with this numbering anyway.
  TVertexItemCollection* targetPool = target->VertexPool();
  for (int k = 0; k < targetPool->Count(); ++k)
    targetPool->Item(k)->SetItemID(k);

  const int first = target->Count();
  AppendLayer(*source, *target);
  layers.ClearSelection();
  for (int k = first; k < target->Count(); ++k)
    target->Blade(k)->SelectAll();
  layers.RebuildSelectedVertexList();
  return true;
}

}  // namespace vrel
