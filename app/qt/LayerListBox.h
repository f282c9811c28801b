#pragma once

// The layer list: one row 25 pixels high per layer, each with a mark column (an eye while the layer
// is shown, a key while it is locked) and the layer's name in a framed cell. A press in the mark
// column toggles the mark under it, and dragging on with the button held brings every row passed
// over in that cell to the same state; such presses never select a row or start a drag. A press on
// a name selects the row; moving on by the platform's drag distance starts dragging it, a drop mark
// shows where it would land, and near the top or bottom edge the list scrolls a row every 150 ms.
// Dropping it on another row moves it there.
//
// Built from plain press, move and release events (no drag-and-drop session), so tests drive it
// with QTest. The rows themselves are a TLayerListRows the list shows and the commands change.

#include <QAbstractScrollArea>
#include <QTimer>

#include <functional>

#include "app/LayerListRows.h"

namespace vrel {

class TLayerListBox : public QAbstractScrollArea {
 public:
  enum TPaintMode : uint8_t { pmNone, pmShowing, pmHiding, pmLocking, pmUnlocking };

  explicit TLayerListBox(QWidget* parent = nullptr);

  TLayerListRows& Rows() { return rows_; }
  const TLayerListRows& Rows() const { return rows_; }

  // The first row shown.
  int TopIndex() const;
  void SetTopIndex(int index);
  // The row at a point of the viewport, -1 for none.
  int ItemAtPos(QPoint pos) const;
  // Row `index` in viewport coordinates.
  QRect ItemRect(int index) const;

  // A mark clicked: the row and its new state.
  std::function<void(int index, bool visible)> OnVisibleClick;
  std::function<void(int index, bool locked)> OnLockedClick;
  // A row dragged from `oldIndex` and dropped on `newIndex`.
  std::function<void(int oldIndex, int newIndex)> OnIndexChange;
  // A row chosen with the mouse or the arrow keys.
  std::function<void()> OnClick;
  // A double click on a name.
  std::function<void()> OnDblClick;

  // The drag's state, for the drawing and for tests.
  bool Dragging() const { return dragging_; }
  int DragIndex() const { return dragIndex_; }
  int DropTarget() const { return dropTarget_; }
  TPaintMode PaintMode() const { return paintMode_; }
  bool DropMarkShown() const { return dropMarkShown_; }
  int DropMarkIndex() const { return dropMarkIndex_; }
  TMarkRect DropMark() const { return dropMarkRect_; }
  int ScrollDirection() const { return scrollDirection_; }
  QTimer& ScrollTimer() { return scrollTimer_; }

  QSize sizeHint() const override { return {140, 200}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RowsChanged();
  void UpdateScrollRange();
  void ScrollIntoView(int row);
  // A press in the mark column toggles the mark under it; false for a press elsewhere.
  bool MarkColumnPress(QPoint pos);
  void MarkPress(int row, TMarkCell cell);
  void PaintMarks(QPoint pos);
  void DragOver(QPoint pos);
  void OnScrollTimer();
  void DrawDropMark(int index, int source);
  void InvalidateDropMark();
  void EndDrag();
  void Choose(int row);

  TLayerListRows rows_;
  QTimer scrollTimer_;
  TPaintMode paintMode_ = pmNone;
  bool pressed_ = false;  // the left button went down on a name
  bool dragging_ = false;
  QPoint pressPos_;
  QPoint lastPos_;
  int dragIndex_ = -1;
  bool dragVisible_ = true;
  bool dragLocked_ = false;
  int dropTarget_ = -1;
  bool dropMarkShown_ = false;
  TMarkRect dropMarkRect_;
  int dropMarkIndex_ = -1;
  int scrollDirection_ = 1;
  int shownSelection_ = -1;
};

}  // namespace vrel
