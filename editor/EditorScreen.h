#pragma once

// Turns the display rows' record of their last change into repainting: the changed rows are painted
// again and the rows below them are moved by the difference in row count, so a keystroke repaints a
// row or two instead of the whole view.

namespace vrel {

class EditorCore;

class TEditorScreen {
 public:
  explicit TEditorScreen(EditorCore& editor) : editor_(editor) {}
  virtual ~TEditorScreen() = default;
  TEditorScreen(const TEditorScreen&) = delete;
  TEditorScreen& operator=(const TEditorScreen&) = delete;

  virtual void UpdateScreen();

 private:
  EditorCore& editor_;
};

}  // namespace vrel
