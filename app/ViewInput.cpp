#include "app/ViewInput.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/MainForm.h"
#include "files/VrelProp.h"
#include "platform/Device.h"
#include "scene/DX9Knife.h"
#include "scene/DX9Picking.h"
#include "scene/DX9Render.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transform.h"
#include "scene/DX9Transformer.h"
#include "scene/DX9Utils.h"

namespace vrel {

namespace {

// The keys of a shift state, without its buttons: what the selection's Shift and Ctrl rules read.
TShiftState KeysOf(TShiftState shift) {
  TShiftState keys;
  for (TShiftStateElement key : {ssShift, ssAlt, ssCtrl}) {
    if (shift.Contains(key))
      keys.Include(key);
  }
  return keys;
}

bool LeftDragState(TShiftState shift) {
  return shift == TShiftState{ssLeft} || shift == TShiftState{ssLeft, ssShift} || shift == TShiftState{ssLeft, ssCtrl};
}

}  // namespace

void TScissorsHighlight::Draw(IDevice& device) const {
  device.SetRenderState(RenderState::ZEnable, 0u);
  device.SetRenderState(RenderState::Lighting, 0u);
  device.SetRenderState(RenderState::AlphaBlendEnable, 0u);
  device.SetFVF(VertexFormat::XyzRhwDiffuse);
  device.DrawPrimitiveUP(PrimitiveType::LineList, 1, Vertices());
}

TViewInput::TViewInput(TMainForm& form) : form_(form) {}

IDevice* TViewInput::Device() {
  TDX9Render& render = form_.Render1();
  if (!form_.Started() || !render.HasDevice())
    return nullptr;
  IDevice& device = render.GetDevice();
  // The camera may have moved since the last frame set its matrices.
  form_.Transformer1().ApplyTransforms(device);
  return &device;
}

int TViewInput::ScreenWidth() const {
  const int width = form_.Window().ScreenWidth();
  return width > 0 ? width : std::max(form_.Render1().Width(), 1);
}

int TViewInput::SelectedCount() const {
  return form_.Collections() ? form_.Collections()->SelectedVertices().Count() : 0;
}

void TViewInput::SetOverlayBits(uint8_t bits, bool on) {
  const uint8_t parts = form_.OverlayParts();
  form_.SetOverlayParts(static_cast<uint8_t>(on ? (parts | bits) : (parts & ~bits)));
}

// --- buttons ---------------------------------------------------------------------------------------

void TViewInput::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!form_.Started())
    return;
  lastX_ = x;
  lastY_ = y;
  lastShift_ = shift;
  if (button == TMouseButton::Left) {
    leftDrag_ = true;
    pressX_ = x;
    pressY_ = y;
    dragging_ = false;
    lockX_ = lockY_ = false;
    // A stroke and a rubber band start where the button went down, never where the last one ended.
    form_.RenderStage()->MouseSquare()->SetRect({x, y, x, y});
    form_.RenderStage()->MouseLine()->SetRect({x, y, x, y});
  } else if (leftDrag_) {
    // The left drag keeps its own points.
    return;
  }
  mouseX_ = x;
  mouseY_ = y;
  moveVector_ = {};
}

void TViewInput::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (!form_.Started())
    return;
  if (button == TMouseButton::Left && leftDrag_)
    FinishLeftDrag(shift, x, y);
  form_.Redraw();
}

void TViewInput::EndDrag() {
  if (leftDrag_ && form_.Started())
    FinishLeftDrag(KeysOf(lastShift_), lastX_, lastY_);
}

void TViewInput::FinishLeftDrag(TShiftState shift, int x, int y) {
  leftDrag_ = false;
  lockX_ = lockY_ = false;
  HideHighlight();
  bool changed = false;
  TSquareBladeCollections& layers = *form_.Collections();
  const TEditMode mode = form_.EditMode();
  if (IDevice* device = Device()) {
    switch (mode) {
      case emSelect:
        changed = SelectAtPoint(shift, x, y);
        break;
      case emKnife: {
        DragKnifeLine(shift, x, y);
        const TRect stroke = form_.RenderStage()->MouseLine()->Rect();
        changed = KnifeCut(layers, *device, {stroke.Left, stroke.Top}, {stroke.Right, stroke.Bottom});
        break;
      }
      case emScissors:
        changed = ScissorsJoin(layers, *device, x, y);
        break;
      case emDirection:
      case emScale:
      case emRotation:
        if (dragging_)
          changed = true;
        else if (!IsSelectedAt(layers, *device, x, y))
          changed = SelectAtPoint(shift, x, y);
        break;
    }
  } else {
    changed = dragging_;
  }
  SetOverlayBits(opMouseSquare | opMouseLine, false);
  if (changed) {
    if (mode == emKnife || mode == emScissors) {
      RenumberVertexIDs(layers);
      layers.RebuildSelectedVertexList();
    }
    form_.PushHistory();
    form_.UpdateSelectionCenter();
  }
  dragging_ = false;
  // A camera drag of another button still held goes on from here.
  mouseX_ = x;
  mouseY_ = y;
  form_.Redraw();
}

bool TViewInput::SelectAtPoint(TShiftState shift, int x, int y) {
  IDevice* device = Device();
  if (device == nullptr)
    return false;
  const int tolerance = form_.ClickTolerance();
  TSquareBladeCollections& layers = *form_.Collections();
  if (std::abs(pressX_ - x) < tolerance && std::abs(pressY_ - y) < tolerance)
    return SelectAt(layers, *device, x, y, true, KeysOf(shift));
  return SelectInRect(layers, *device, {pressX_, pressY_}, {x, y}, true, KeysOf(shift));
}

// --- moves -----------------------------------------------------------------------------------------

void TViewInput::MouseMove(TShiftState shift, int x, int y) {
  if (!form_.Started())
    return;
  lastX_ = x;
  lastY_ = y;
  lastShift_ = shift;
  if (form_.EditMode() == emScissors && form_.Prop()->ScissorsHighlight())
    HighlightScissors(x, y);
  if (shift == TShiftState{ssMiddle}) {
    PanCamera(x, y);
    return;
  }
  if (shift == TShiftState{ssRight} || shift == TShiftState{ssRight, ssCtrl}) {
    RotateCamera(shift, x, y);
    return;
  }
  if (!LeftDragState(shift) || !leftDrag_)
    return;
  switch (form_.EditMode()) {
    case emSelect:
      DragSelectRect(x, y);
      break;
    case emKnife:
      DragKnifeLine(shift, x, y);
      break;
    case emDirection:
      DragMove(shift, x, y);
      break;
    case emScale:
      DragScale(shift, x, y);
      break;
    case emRotation:
      DragRotate(shift, x, y);
      break;
    case emScissors:
      break;
  }
  form_.Redraw();
}

void TViewInput::MouseLeave() {
  if (highlightShown_) {
    HideHighlight();
    form_.Redraw();
  }
}

void TViewInput::MouseWheel(int delta) {
  if (!form_.Started() || delta == 0)
    return;
  if ((delta > 0) != (wheelSum_ > 0) && wheelSum_ != 0)
    wheelSum_ = 0;
  wheelSum_ += delta;
  TDX9Transformer& camera = form_.Transformer1();
  bool zoomed = false;
  for (; std::abs(wheelSum_) >= kWheelStep; zoomed = true) {
    const float step = 0.05f * camera.Zoom();
    // Forward narrows the field of view: 5 % closer a notch.
    camera.SetZoom(wheelSum_ > 0 ? camera.Zoom() - step : camera.Zoom() + step);
    wheelSum_ += wheelSum_ > 0 ? -kWheelStep : kWheelStep;
  }
  if (zoomed)
    form_.Redraw();
}

void TViewInput::EditModeChanged() {
  if (highlightShown_) {
    HideHighlight();
    form_.Redraw();
  }
}

void TViewInput::HighlightScissors(int x, int y) {
  IDevice* device = Device();
  std::optional<TScreenEdge> edge;
  if (device != nullptr)
    edge = ScissorsEdgeAt(*form_.Collections(), *device, x, y);
  if (!edge) {
    if (highlightShown_) {
      HideHighlight();
      form_.Redraw();
    }
    return;
  }
  const TRect rect{edge->From.x, edge->From.y, edge->To.x, edge->To.y};
  const auto color = static_cast<int32_t>(form_.Prop()->ScissorsHighlightColor());
  if (highlightShown_ && highlight_.Rect() == rect && highlight_.Color() == color)
    return;
  highlight_.SetColor(color);
  highlight_.SetRect(rect);
  highlightShown_ = true;
  form_.Redraw();
}

void TViewInput::HideHighlight() {
  highlightShown_ = false;
}

void TViewInput::DrawOverlay(IDevice& device) const {
  if (highlightShown_)
    highlight_.Draw(device);
}

// --- the camera ------------------------------------------------------------------------------------

void TViewInput::PanCamera(int x, int y) {
  TDX9Transformer& camera = form_.Transformer1();
  if (camera.CameraMode() != cmFree)
    return;
  const float f = std::min(camera.Zoom() / 10.0f, 1.0f);
  const float dy = static_cast<float>(y - mouseY_) * f;
  if (dy != 0.0f) {
    camera.ViewTranslation()->SetY(camera.ViewTranslation()->Y() - dy);
    mouseY_ = y;
  }
  const float dx = static_cast<float>(x - mouseX_) * f;
  if (dx != 0.0f) {
    camera.ViewTranslation()->SetX(camera.ViewTranslation()->X() + dx);
    mouseX_ = x;
  }
  form_.Redraw();
}

void TViewInput::RotateCamera(TShiftState shift, int x, int y) {
  TDX9Transformer& camera = form_.Transformer1();
  const bool free = camera.CameraMode() == cmFree;
  const float sign = free ? 1.0f : -1.0f;
  const float fine = shift.Contains(ssCtrl) ? 0.1f : 1.0f;
  // A third of the screen turns half round; slower when zoomed in far.
  float k = 180.0f / (static_cast<float>(ScreenWidth()) / 3.0f) * fine;
  k *= free ? 5.0f * std::min(camera.Zoom(), 0.2f) : 0.05f * std::min(camera.Zoom(), 20.0f);
  const float dy = static_cast<float>(y - mouseY_) * k;
  if (dy != 0.0f) {
    camera.CameraRotation()->SetX(camera.CameraRotation()->X() + sign * dy);
    mouseY_ = y;
  }
  const float dx = static_cast<float>(x - mouseX_) * k;
  if (dx != 0.0f) {
    camera.CameraRotation()->SetY(camera.CameraRotation()->Y() + sign * dx);
    mouseX_ = x;
  }
  form_.Redraw();
}

// --- left drags ------------------------------------------------------------------------------------

void TViewInput::DragSelectRect(int x, int y) {
  form_.RenderStage()->MouseSquare()->SetRect({pressX_, pressY_, x, y});
  SetOverlayBits(opMouseSquare, true);
}

void TViewInput::DragKnifeLine(TShiftState shift, int x, int y) {
  ScreenPoint end{x, y};
  if (shift.Contains(ssShift) && x != pressX_ && y != pressY_)
    ConstrainLine(end, {pressX_, pressY_});
  form_.RenderStage()->MouseLine()->SetRect({pressX_, pressY_, end.x, end.y});
  SetOverlayBits(opMouseLine, true);
}

void TViewInput::DragMove(TShiftState shift, int x, int y) {
  if (SelectedCount() < 1) {
    DragSelectRect(x, y);
    return;
  }
  if (!shift.Contains(ssShift)) {
    lockX_ = lockY_ = false;
  } else if (!lockX_ && !lockY_ && (x != mouseX_ || y != mouseY_)) {
    // The first motion with Shift held decides: mostly across locks across, else up and down.
    if (std::abs(x - mouseX_) <= std::abs(y - mouseY_))
      lockY_ = true;
    else
      lockX_ = true;
  }
  if (lockX_)
    y = mouseY_;
  if (lockY_)
    x = mouseX_;
  if (x == mouseX_ && y == mouseY_)
    return;
  IDevice* device = Device();
  if (device == nullptr)
    return;
  TSquareBladeCollections& layers = *form_.Collections();
  Vec3 step;
  MoveByMouse(layers, *device, {mouseX_, mouseY_}, {x, y}, step);
  moveVector_ = moveVector_ + step;
  form_.Panels().ShowMoveVectors(moveVector_, SelectionCentroid(layers.SelectedVertices()));
  mouseX_ = x;
  mouseY_ = y;
  dragging_ = true;
  form_.UpdateSelectionCenter();
}

void TViewInput::DragScale(TShiftState shift, int x, int y) {
  if (SelectedCount() < 2) {
    DragSelectRect(x, y);
    return;
  }
  const bool fine = shift.Contains(ssCtrl);
  switch (form_.Panels().ScaleAxis()) {
    case saEqualRatio:
      form_.OperateScale(x - mouseX_, 0, fine);
      break;
    case saScreen:
      if (IDevice* device = Device()) {
        const float sx = TMainForm::ScaleStepFactor(x - mouseX_, fine);
        const float sy = TMainForm::ScaleStepFactor(mouseY_ - y, fine);
        const int w = form_.Render1().Width();
        const int h = form_.Render1().Height();
        ScaleByMouse(*form_.Collections(), *device, sx, {0, h / 2}, {w, h / 2}, sy, {w / 2, 0}, {w / 2, h});
      }
      break;
    case saX:
      form_.OperateScale(x - mouseX_, kAxisX, fine);
      break;
    case saY:
      form_.OperateScale(x - mouseX_, kAxisY, fine);
      break;
    case saZ:
      form_.OperateScale(x - mouseX_, kAxisZ, fine);
      break;
  }
  mouseX_ = x;
  mouseY_ = y;
  dragging_ = true;
}

void TViewInput::DragRotate(TShiftState shift, int x, int y) {
  if (SelectedCount() < 2) {
    DragSelectRect(x, y);
    return;
  }
  const bool fine = shift.Contains(ssCtrl);
  const float divisor = fine ? 10.0f : 1.0f;
  float ax = DegreeToRadian(static_cast<float>(mouseX_ - x)) / divisor;
  const float ay = DegreeToRadian(static_cast<float>(mouseY_ - y)) / divisor;
  TSquareBladeCollections& layers = *form_.Collections();
  const TRotationAxis axis = form_.Panels().RotationAxis();
  if (axis == raX || axis == raY || axis == raZ) {
    form_.OperateRotate(mouseX_ - x, axis == raX ? kAxisX : axis == raY ? kAxisY : kAxisZ, fine);
  } else if (IDevice* device = Device()) {
    const int w = form_.Render1().Width();
    const int h = form_.Render1().Height();
    if (axis == raViewAxis) {
      RotateAboutVector(layers, form_.Transformer1().CameraPos()->GetVector(), ax);
    } else if (axis == raScreen) {
      RotateAboutScreenAxis(layers, *device, {0, h / 2}, {w, h / 2}, ax, ay);
    } else {
      ax = -ax;
      RotateAboutScreenAxes(layers, *device, ax, {0, h / 2}, {w, h / 2}, ay, {w / 2, 0}, {w / 2, h});
    }
  }
  mouseX_ = x;
  mouseY_ = y;
  dragging_ = true;
}

}  // namespace vrel
