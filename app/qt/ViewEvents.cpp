#include "app/qt/ViewEvents.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <optional>

#include "app/MainForm.h"
#include "app/PlaneMarkControl.h"
#include "app/ViewInput.h"
#include "app/qt/Application.h"

namespace vrel {

namespace {

std::optional<TMouseButton> ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return TMouseButton::Left;
    case Qt::RightButton:
      return TMouseButton::Right;
    case Qt::MiddleButton:
      return TMouseButton::Middle;
    default:
      return std::nullopt;
  }
}

}  // namespace

TShiftState ShiftStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  TShiftState shift;
  for (const auto& [modifier, element] : {std::pair{Qt::ShiftModifier, ssShift}, std::pair{Qt::ControlModifier, ssCtrl},
                                          std::pair{Qt::AltModifier, ssAlt}}) {
    if (modifiers.testFlag(modifier))
      shift.Include(element);
  }
  for (const auto& [button, element] : {std::pair{Qt::LeftButton, ssLeft}, std::pair{Qt::RightButton, ssRight},
                                        std::pair{Qt::MiddleButton, ssMiddle}}) {
    if (buttons.testFlag(button))
      shift.Include(element);
  }
  return shift;
}

ViewEvents::ViewEvents(QWidget* view, TMainForm& form) : QObject(view), form_(form) {
  view->setMouseTracking(true);
  view->installEventFilter(this);
}

bool ViewEvents::eventFilter(QObject* watched, QEvent* event) {
  if (!form_.Started())
    return QObject::eventFilter(watched, event);
  TViewInput& input = form_.ViewInput();
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const std::optional<TMouseButton> button = ButtonOf(mouse->button());
      if (!button)
        break;
      const QPoint at = mouse->position().toPoint();
      const TShiftState shift = ShiftStateOf(mouse->buttons(), mouse->modifiers());
      if (event->type() == QEvent::MouseButtonRelease)
        Guarded([&] { input.MouseUp(*button, shift, at.x(), at.y()); });
      else
        Guarded([&] { input.MouseDown(*button, shift, at.x(), at.y()); });
      break;
    }
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = mouse->position().toPoint();
      Guarded([&] { input.MouseMove(ShiftStateOf(mouse->buttons(), mouse->modifiers()), at.x(), at.y()); });
      break;
    }
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      Guarded([&] { input.MouseWheel(wheel->angleDelta().y()); });
      event->accept();
      return true;
    }
    case QEvent::Leave:
      Guarded([&] { input.MouseLeave(); });
      break;
    case QEvent::KeyPress:
      Guarded([&] { form_.PlaneMark().KeyDown(); });
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vrel
