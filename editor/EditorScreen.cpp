#include "editor/EditorScreen.h"

#include <algorithm>
#include <cstdlib>

#include "editor/EditorCore.h"
#include "editor/EditorScreenStrings.h"

namespace vrel {

// S rows from StartRow became N (they were O); the tokeniser state of K rows from S changed. L is
// the first row below everything that changed.
void TEditorScreen::UpdateScreen() {
  EditorCore& e = editor_;
  const TEditorChange& change = e.Rows().Change();
  if (!change.Modified || !e.HandleAllocated())
    return;
  const int s = change.StartRow;
  const int o = change.OldRowCount;
  const int n = change.NewRowCount;
  const int k = change.StateRows;
  const int count = e.Rows().Count();
  if (std::abs(n - o) > e.VisibleRows()) {
    e.InvalidateAll();
    return;
  }
  const int l = s + n + std::max(0, k - n);
  if (o != n) {
    // The rows below L stood `o - n` rows further down (or up) before the change: move their
    // pixels, image-bar marks with them; the line numbers stay where they are.
    const int dy = (n - o) * e.RowHeight();
    const int from = std::max(e.RowTop(std::min(l, l - (n - o))), e.TextTop());
    if (from < e.ClientBottom()) {
      e.ScrollText(0, dy, {e.TextLeft(), from, e.ClientRight(), e.ClientBottom()});
      if (e.Imagebar()->Visible() && e.ImagebarWidth() > 0)
        e.ScrollText(0, dy, {0, from, e.ImagebarWidth(), e.ClientBottom()});
    }
  }
  e.InvalidateRows(s, l - 1);
  if (l >= count)
    e.InvalidateRows(l, l + 1);
  const TEditorLeftbar& bar = *e.Leftbar();
  if (bar.Visible() && bar.ShowNumber() && (bar.ShowNumberMode() == nmLine || (o != n && count <= e.LastRowOnScreen())))
    e.InvalidateLeftbar(l, e.LastRowOnScreen());
}

}  // namespace vrel
