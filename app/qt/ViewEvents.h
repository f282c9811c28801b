#pragma once

// The 3D view's Qt events as the main form's input takes them: mouse buttons, moves, the wheel and
// the cursor leaving go to the view input, keys to the plane mark. The widget keeps seeing every
// event (it takes the focus on a press). Positions are logical pixels.

#include <QObject>

#include "platform/Classes.h"

class QWidget;

namespace vrel {

class TMainForm;

// The buttons and keys held, as the input reads them.
TShiftState ShiftStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

class ViewEvents : public QObject {
 public:
  // Watches `view` (and lives as its child); mouse moves are reported without a button too, for the
  // scissors highlight.
  ViewEvents(QWidget* view, TMainForm& form);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TMainForm& form_;
};

}  // namespace vrel
