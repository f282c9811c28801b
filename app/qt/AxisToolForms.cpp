#include "app/qt/AxisToolForms.h"

#include <QToolButton>
#include <QVBoxLayout>

#include <array>

#include "app/ToolCommands.h"
#include "app/qt/ToolWindowHost.h"

namespace vrel {

namespace {

// The buttons in the order of the axis enums: button i is axis i.
constexpr std::array<TAxisButton, raZ + 1> kRotationButtons{{
    {"SpeedButton_Camera", "視点軸"},
    {"SpeedButton_Screen", "スクリーン"},
    {"SpeedButton_Screen2", "スクリーン 2"},
    {"SpeedButton_x", "X 軸"},
    {"SpeedButton_y", "Y 軸"},
    {"SpeedButton_z", "Z 軸"},
}};

constexpr std::array<TAxisButton, saZ + 1> kScaleButtons{{
    {"SpeedButton_EqualRatio", "等比拡大"},
    {"SpeedButton_Screen", "スクリーン"},
    {"SpeedButton_x", "X 軸"},
    {"SpeedButton_y", "Y 軸"},
    {"SpeedButton_z", "Z 軸"},
}};

}  // namespace

TAxisToolForm::TAxisToolForm(TToolWindowHost& window, const QString& name, const QString& caption,
                             std::span<const TAxisButton> buttons, std::function<void()> numerical)
    : TFloatForm(name, caption, &window.OwnerWindow()), group_(new QButtonGroup(this)) {
  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(6, 4, 6, 4);
  layout->setSpacing(1);
  group_->setExclusive(true);
  int tag = 0;
  for (const TAxisButton& row : buttons) {
    auto* button = new QToolButton(Client());
    button->setObjectName(QString::fromLatin1(row.Name));
    button->setText(QString::fromUtf8(row.Caption));
    button->setCheckable(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    group_->addButton(button, tag);
    layout->addWidget(button);
    ++tag;
  }
  group_->button(0)->setChecked(true);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { axis_ = id; });
  layout->addSpacing(6);
  numerical_ = new QToolButton(Client());
  numerical_->setObjectName(QStringLiteral("SpeedButton_Numerical"));
  numerical_->setText(QString::fromUtf8("数値設定"));
  numerical_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  layout->addWidget(numerical_);
  layout->addStretch(1);
  connect(numerical_, &QToolButton::clicked, this,
          [&window, numerical = std::move(numerical)] { window.Command(numerical); });
}

QToolButton* TAxisToolForm::Button(const char* name) const {
  return Client()->findChild<QToolButton*>(QString::fromLatin1(name));
}

TRotationToolForm::TRotationToolForm(TToolWindowHost& window, TToolCommands& tools)
    : TAxisToolForm(window, QStringLiteral("RotationToolForm"), QString::fromUtf8("回転"), kRotationButtons,
                    [&tools] { tools.RotateNumerical(); }) {}

TScaleToolForm::TScaleToolForm(TToolWindowHost& window, TToolCommands& tools)
    : TAxisToolForm(window, QStringLiteral("ScaleToolForm"), QString::fromUtf8("拡大"), kScaleButtons,
                    [&tools] { tools.ScaleNumerical(); }) {}

}  // namespace vrel
