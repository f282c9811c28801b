#pragma once

// The rotation and scale panels, shown in the rotate and scale modes: exclusive buttons choose the
// axis that a drag in the view turns or scales about ("Axis", read when the drag happens), and
// "数値設定" opens the numeric dialog. Both panels share one shape: a table of axis buttons.

#include <QButtonGroup>

#include <functional>
#include <span>

#include "app/MainForm.h"
#include "app/qt/FloatForm.h"

class QToolButton;

namespace vrel {

class TToolCommands;
class TToolWindowHost;

struct TAxisButton {
  const char* Name;
  const char* Caption;
};

class TAxisToolForm : public TFloatForm {
 public:
  // Button i of `buttons` sets the axis to i; the first is down at the start.
  TAxisToolForm(TToolWindowHost& window, const QString& name, const QString& caption,
                std::span<const TAxisButton> buttons, std::function<void()> numerical);

  QToolButton* Button(const char* name) const;
  QToolButton* SpeedButtonNumerical() const { return numerical_; }

 protected:
  // The index of the button down.
  int AxisIndex() const { return axis_; }

 private:
  int axis_ = 0;
  QButtonGroup* group_;
  QToolButton* numerical_;
};

// View axis, screen, screen 2, X, Y, Z. "数値設定" runs the tool commands' numeric rotation.
class TRotationToolForm : public TAxisToolForm {
 public:
  TRotationToolForm(TToolWindowHost& window, TToolCommands& tools);
  TRotationAxis Axis() const { return static_cast<TRotationAxis>(AxisIndex()); }
};

// Equal ratio, screen, X, Y, Z. "数値設定" runs the tool commands' numeric scaling.
class TScaleToolForm : public TAxisToolForm {
 public:
  TScaleToolForm(TToolWindowHost& window, TToolCommands& tools);
  TScaleAxis Axis() const { return static_cast<TScaleAxis>(AxisIndex()); }
};

}  // namespace vrel
