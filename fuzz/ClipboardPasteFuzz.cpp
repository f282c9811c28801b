// Pasting a clipboard block into a document: the paste either succeeds or raises a clean
// exception, a failed paste leaves the document as it was, a successful one leaves every blade
// bound and only the pasted blades selected, and what was pasted copies and pastes again to the
// same block.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzTargets.h"
#include "scene/DX9Clipboard.h"

namespace {

using namespace vrel;

// A document of one layer holding one blade, as the paste finds it.
void OneBlade(TSquareBladeCollectionsContainer& document) {
  TSquareBladeCollection* layer = document.Collections()->AddLayer();
  TSquareBlade* blade = layer->Add();
  layer->VertexPool()->NewDataFor(blade, -1);
  blade->SetVertices({{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}});
  blade->UpdatePositionCache();
}

// The clipboard block of the selected faces, "" when none is selected.
std::string CopiedBlock(const TSquareBladeCollections& layers) {
  MemoryClipboard clipboard;
  if (!CopyToClipboard(layers, clipboard))
    return "";
  return clipboard.Data(BladeClipboardMimeType()).value_or("");
}

// Pastes `block` into a document like the one the fuzzer pastes into; answers its copy.
std::string PastedAndCopied(const std::string& block) {
  TSquareBladeCollectionsContainer document;
  OneBlade(document);
  MemoryClipboard clipboard;
  clipboard.SetData(BladeClipboardMimeType(), block);
  PasteFromClipboard(*document.Collections(), clipboard);
  return CopiedBlock(*document.Collections());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const bool registered = (RegisterFileClasses(), true);
  (void)registered;
  TSquareBladeCollectionsContainer document;
  OneBlade(document);
  TSquareBladeCollections& layers = *document.Collections();
  const std::string before = ObjectFileBytes(document, nullptr);
  MemoryClipboard clipboard;
  clipboard.SetData(BladeClipboardMimeType(), std::string(reinterpret_cast<const char*>(data), size));
  bool pasted = false;
  try {
    pasted = PasteFromClipboard(layers, clipboard);
  } catch (const Exception&) {
    if (ObjectFileBytes(document, nullptr) != before)
      fuzz::Fail("a failed paste changed the document");
    return 0;
  }
  if (!pasted) {
    if (ObjectFileBytes(document, nullptr) != before)
      fuzz::Fail("a paste of nothing changed the document");
    return 0;
  }
  // Every blade bound to a vertex of its own layer: the document saves.
  try {
    ObjectFileBytes(document, nullptr);
  } catch (const Exception& e) {
    fuzz::Fail(e.what());
  }
  TSquareBladeCollection& layer = *layers.GetLayer(0);
  if (layer.Blade(0)->IsSelected())
    fuzz::Fail("a blade that was there before the paste is selected");
  for (int i = 1; i < layer.Count(); ++i)
    if (!layer.Blade(i)->GetFaceSelect() && layer.Blade(i)->Visible())
      fuzz::Fail("a pasted blade is not selected");
  // A copy writes the blades in reverse order, so two rounds give the first copy back.
  std::string again;
  try {
    const std::string copied = CopiedBlock(layers);
    again = PastedAndCopied(PastedAndCopied(copied));
    if (again != copied)
      fuzz::Fail("pasted blades copy and paste to a different block");
  } catch (const Exception& e) {
    fuzz::Fail(e.what());
  }
  return 0;
}
