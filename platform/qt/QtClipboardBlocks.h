#pragma once

// Puts several blocks on the window system's clipboard as one offer, so that a program can give its
// data in its own formats and as plain text at once. "text/plain" is given as text, which the
// window system hands to other programs in the encoding they ask for (UTF-8 on X11).

#include <string>
#include <utility>
#include <vector>

class QClipboard;

namespace vrel {

// (MIME type, bytes); plain text in UTF-8. Replaces what the clipboard offered.
using ClipboardBlocks = std::vector<std::pair<std::string, std::string>>;

void SetClipboardBlocks(QClipboard* clipboard, const ClipboardBlocks& blocks);

}  // namespace vrel
