#pragma once

// A number box with an up-down control beside it: two small arrow buttons that move the box's value
// by its kind's step, held in its range. Every position, centre, size, angle, scale, transparency
// and marker-size box of the panels and dialogs is one of these.

#include <QWidget>

#include <functional>

#include "app/NumericDialogs.h"

class QToolButton;

namespace vrel {

class TNumberBox;

class TUpDownBox : public QWidget {
 public:
  // The box is named `editName`, the arrows' holder `upDownName` (the control names of the window).
  TUpDownBox(QWidget* parent, const TBoxKind& kind, const QString& editName, const QString& upDownName);

  TNumberBox* Edit() const { return edit_; }
  QWidget* UpDown() const { return upDown_; }
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }

  const TBoxKind& Kind() const { return kind_; }
  // A new range (the area radius changed); the text stays until it is written again.
  void SetKind(const TBoxKind& kind);

  // The text's value under the kind's rule.
  double Value() const;
  // Held in the range and written with the kind's decimals, unless the box reads as that already.
  void SetValue(double value);
  // One arrow click: +1 up, -1 down, from the number shown, held in the range.
  void Step(int direction);
  // After an arrow click changed the box.
  std::function<void()> OnStep;

 private:
  TBoxKind kind_;
  TNumberBox* edit_;
  QWidget* upDown_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace vrel
