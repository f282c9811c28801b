#pragma once

// What the editor library sets up once per program, before the first editor shows: the two screen
// cursors (1958 and 1959), the built-in image lists and the dotted-line cache. The clipboard
// formats need no registration here: they travel as MIME types (EditorCore::BoxClipboardFormat).

namespace vrel {

// Safe to call more than once; the editor control calls it when it is made.
void InitEditorLibrary();

}  // namespace vrel
