#include "app/qt/DirectionToolForm.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/MainForm.h"
#include "app/qt/NumberBox.h"
#include "app/qt/ShortcutGate.h"
#include "app/qt/ToolWindowHost.h"
#include "app/qt/UpDownBox.h"

namespace vrel {

namespace {

// Coordinates with two decimals, an arrow click moving by a tenth.
TBoxKind Kind(float minValue, float maxValue) {
  TBoxKind kind = CoordinateBox(minValue, maxValue);
  kind.Step = 0.1;
  return kind;
}

float& Component(Vec3& v, int coordinate) {
  return coordinate == 0 ? v.x : coordinate == 1 ? v.y : v.z;
}

}  // namespace

TDirectionToolForm::TDirectionToolForm(TToolWindowHost& window)
    : TFloatForm(QStringLiteral("DirectionToolForm"), QString::fromUtf8("移動"), &window.OwnerWindow()),
      window_(window) {
  auto* layout = new QVBoxLayout(Client());
  layout->setContentsMargins(6, 6, 6, 6);
  auto* modes = new QHBoxLayout;
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  auto modeButton = [&](const char* name, const char* caption, TDirectionMode mode) {
    auto* button = new QToolButton(Client());
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromUtf8(caption));
    button->setCheckable(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    group->addButton(button, mode);
    modes->addWidget(button);
    connect(button, &QToolButton::clicked, this, [this, mode] { SetMode(mode); });
    return button;
  };
  rel_ = modeButton("SpeedButton_Rel", "相対", dmRelative);
  abs_ = modeButton("SpeedButton_Abs", "絶対", dmAbsolute);
  rel_->setChecked(true);
  layout->addLayout(modes);

  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(4);
  static constexpr std::array<const char*, 3> kLabels{"X", "Y", "Z"};
  static constexpr std::array<const char*, 3> kEdits{"Edit_PosX", "Edit_PosY", "Edit_PosZ"};
  static constexpr std::array<const char*, 3> kUpDowns{"UpDown_PosX", "UpDown_PosY", "UpDown_PosZ"};
  for (int i = 0; i < 3; ++i) {
    const auto at = static_cast<std::size_t>(i);
    grid->addWidget(new QLabel(QString::fromLatin1(kLabels.at(at)), Client()), i, 0);
    auto* box = new TUpDownBox(Client(), Kind(minValue_, maxValue_), QString::fromLatin1(kEdits.at(at)),
                               QString::fromLatin1(kUpDowns.at(at)));
    TNumberBox* edit = box->Edit();
    edit->SetFocusOnHover(true);
    edit->Show(QStringLiteral("0.00"));
    connect(edit, &QLineEdit::textEdited, this, [this] { StoreBoxes(); });
    box->OnStep = [this] { StoreBoxes(); };
    boxes_.at(at) = box;
    grid->addWidget(box, i, 1);
    // Keys typed into a box are text, not the main menu's single-key commands.
    window_.Gate().AddTextArea(edit);
  }
  layout->addLayout(grid);
  ok_ = new QPushButton(QStringLiteral("OK"), Client());
  ok_->setObjectName(QStringLiteral("Button_OK"));
  connect(ok_, &QPushButton::clicked, this, [this] { window_.Command([this] { ButtonOKClick(); }); });
  layout->addWidget(ok_);
  layout->addStretch(1);
}

TNumberBox* TDirectionToolForm::Edit(int coordinate) const {
  return boxes_.at(static_cast<std::size_t>(coordinate))->Edit();
}

void TDirectionToolForm::showEvent(QShowEvent* event) {
  TFloatForm::showEvent(event);
  ClearVectors();
}

void TDirectionToolForm::ClearVectors() {
  for (TUpDownBox* box : boxes_)
    box->Edit()->Show(QStringLiteral("0.00"));
  relativeVector_ = {};
  absoluteVector_ = {};
}

void TDirectionToolForm::SetRange(float minValue, float maxValue) {
  minValue_ = minValue;
  maxValue_ = maxValue;
  for (TUpDownBox* box : boxes_)
    box->SetKind(Kind(minValue, maxValue));
}

Vec3 TDirectionToolForm::BoxVector() const {
  return {static_cast<float>(boxes_[0]->Value()), static_cast<float>(boxes_[1]->Value()),
          static_cast<float>(boxes_[2]->Value())};
}

void TDirectionToolForm::ShowVector(const Vec3& v) {
  for (int i = 0; i < 3; ++i) {
    Vec3 copy = v;
    boxes_.at(static_cast<std::size_t>(i))->SetValue(Component(copy, i));
  }
}

void TDirectionToolForm::StoreBoxes() {
  (mode_ == dmRelative ? relativeVector_ : absoluteVector_) = BoxVector();
}

void TDirectionToolForm::SetMode(TDirectionMode mode) {
  (mode == dmRelative ? rel_ : abs_)->setChecked(true);
  if (mode == mode_)
    return;
  mode_ = mode;
  ShowVector(mode == dmRelative ? relativeVector_ : absoluteVector_);
}

void TDirectionToolForm::ShowVectors(const Vec3& relative, const Vec3& absolute) {
  relativeVector_ = relative;
  absoluteVector_ = absolute;
  ShowVector(mode_ == dmRelative ? relative : absolute);
}

void TDirectionToolForm::UpDownClick(int coordinate, int step) {
  boxes_.at(static_cast<std::size_t>(coordinate))->Step(step);
}

void TDirectionToolForm::ButtonOKClick() {
  SettleNumberBoxes(*this);
  MoveSelection(window_.Form(), mode_, BoxVector());
}

}  // namespace vrel
