#pragma once

// Cut, copy and paste of blades through the system clipboard. The clipboard holds one layer - the
// copied blades and the vertices they use, welded edges kept - as the component stream of a
// TSquareBladeCollectionContainer, so blades move between documents and between editor versions.

#include <string>
#include <string_view>

#include "platform/Clipboard.h"
#include "scene/DX9Square.h"

namespace vrel {

// The clipboard format's registered name.
inline constexpr std::string_view kBladeClipboardFormat = "TSquareBladeCollection Stream Type";
const std::string& BladeClipboardMimeType();

// Copy and cut have something to take: a selected face in any layer (copy) or in an editable layer
// (cut). Selected vertices or borders alone give nothing to copy.
bool CanCopyToClipboard(const TSquareBladeCollections& layers);
bool CanCutToClipboard(const TSquareBladeCollections& layers);
// Puts the selected faces of every layer on the clipboard; True when some face was selected.
bool CopyToClipboard(const TSquareBladeCollections& layers, IClipboard& clipboard);
// Copies the selected faces of the editable layers and deletes exactly those blades, then clears
// the selection. With no such face nothing happens and the result is False.
bool CutToClipboard(TSquareBladeCollections& layers, IClipboard& clipboard);
// Appends the clipboard's blades to the current layer (when it is editable) and selects only them.
// Malformed bytes raise the stream reader's exception and leave the document as it was.
bool PasteFromClipboard(TSquareBladeCollections& layers, const IClipboard& clipboard);
// The clipboard offers blades and the current layer takes them.
bool CanPasteFromClipboard(const TSquareBladeCollections& layers, const IClipboard& clipboard);

}  // namespace vrel
