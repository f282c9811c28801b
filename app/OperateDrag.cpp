#include "app/OperateDrag.h"

#include "app/MainForm.h"
#include "platform/NumberFormat.h"

namespace vrel {

bool TOperateDrag::IsButton(int tag) {
  return tag >= 1 && tag <= 11 && tag != 2;
}

void TOperateDrag::Press(int tag, int x, bool left) {
  if (!left || !IsButton(tag))
    return;
  tag_ = tag;
  lastX_ = x;
  dragging_ = true;
  changed_ = false;
  switch (KindOf(tag)) {
    case TOperateKind::Move:
      info_ = "0";
      form_.SetOperateMoveTotal(0.0f);
      break;
    case TOperateKind::Scale:
      info_ = "1";
      form_.SetOperateScaleTotal(1.0f);
      break;
    case TOperateKind::Rotate:
      info_ = "0";
      form_.SetOperateRotateTotal(0.0f);
      break;
  }
}

void TOperateDrag::Move(int x, bool fine) {
  if (!dragging_)
    return;
  const int axis = AxisOf(tag_);
  switch (KindOf(tag_)) {
    case TOperateKind::Move:
      info_ = FormatFixed(form_.OperateMove(x - lastX_, axis, fine, &changed_), 4);
      break;
    case TOperateKind::Scale:
      info_ = FormatFixed(form_.OperateScale(x - lastX_, axis, fine, &changed_), 6);
      break;
    case TOperateKind::Rotate:
      // Dragging right turns the other way.
      info_ = FormatFixed(form_.OperateRotate(lastX_ - x, axis, fine, &changed_), 0);
      break;
  }
  lastX_ = x;
}

void TOperateDrag::Release() {
  if (!dragging_)
    return;
  dragging_ = false;
  if (changed_)
    form_.PushHistory();
  changed_ = false;
}

}  // namespace vrel
