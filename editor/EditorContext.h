#pragma once

// What the parts of the editor's core (the viewport, the caret and selection, the input dispatch)
// share, owned by the core: the window that shows the editor, the display rows it shows and
// whether a batch of changes holds the repainting. The core changes them (a window comes and goes,
// rows are adopted from another editor); the parts read them here. They read the rows' text laid
// out in cells and never change it: every edit is the core's.

#include <string>

#include "editor/EditorCells.h"

namespace vrel {

class EditorWindow;
class TEditorScreenStrings;

struct EditorContext {
  // Null while no window shows the editor.
  EditorWindow* Window = nullptr;
  // Never null once the core is made.
  const TEditorScreenStrings* Rows = nullptr;
  bool Updating = false;

  // A window shows the editor and repaints it (no batch of changes holds it).
  bool Painting() const { return Window != nullptr && !Updating; }
  bool Focused() const;

  // The rows and cells of one row, as the caret and the painting lay them out.
  CellLayout Layout() const;
  std::string RowCells(int row) const;
  int RowCellCount(int row) const;
};

}  // namespace vrel
