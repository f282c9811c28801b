#include "app/qt/UpDownBox.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/qt/NumberBox.h"

namespace vrel {

TUpDownBox::TUpDownBox(QWidget* parent, const TBoxKind& kind, const QString& editName, const QString& upDownName)
    : QWidget(parent), kind_(kind) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit_ = new TNumberBox(this, kind.Rule, kind.Decimals);
  edit_->setObjectName(editName);
  layout->addWidget(edit_, 1);
  upDown_ = new QWidget(this);
  upDown_->setObjectName(upDownName);
  auto* arrows = new QVBoxLayout(upDown_);
  arrows->setContentsMargins(0, 0, 0, 0);
  arrows->setSpacing(0);
  for (const auto& [arrow, direction] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
    auto* button = new QToolButton(upDown_);
    button->setArrowType(arrow);
    button->setFixedSize(16, 10);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    arrows->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, direction] { Step(direction); });
    (direction > 0 ? up_ : down_) = button;
  }
  layout->addWidget(upDown_);
}

void TUpDownBox::SetKind(const TBoxKind& kind) {
  kind_ = kind;
  edit_->SetRule(kind.Rule, kind.Decimals);
}

double TUpDownBox::Value() const {
  return edit_->Value();
}

void TUpDownBox::SetValue(double value) {
  edit_->SetValue(value);
}

void TUpDownBox::Step(int direction) {
  // From the number the box shows, so that a stored value outside the range (an alpha of 0) steps
  // to its nearest neighbour inside.
  double shown = kind_.Rule.Fallback;
  TryReadNumber(edit_->text().toStdString(), shown);
  SetValue(StepValue(kind_, shown, direction));
  if (OnStep)
    OnStep();
}

}  // namespace vrel
