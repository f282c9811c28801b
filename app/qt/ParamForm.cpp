#include "app/qt/ParamForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <limits>

#include "app/MainForm.h"
#include "app/qt/NumberBox.h"
#include "app/qt/ShortcutGate.h"
#include "app/qt/ToolWindowHost.h"
#include "files/VrelPanoFiler.h"

namespace vrel {

namespace {

constexpr const char* kLookAt = "LookAt";
constexpr int kBoxWidth = 60;
// No placement lies farther out; a scene file holds every value within it with its four decimals.
constexpr double kMaxPlacement = 1e8;

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString CurrencyText(Currency value) {
  return QString::fromStdString(FormatCurrency(value, 2));
}

// A placement value of four decimals; an unreadable text gives `fallback`.
TNumberRule PlacementRule(double fallback) {
  return {.Min = -kMaxPlacement, .Max = kMaxPlacement, .Fallback = fallback, .Places = 4};
}

// A box's value: the stored one until the user edits the box.
Currency BoxValue(const TNumberBox& box, Currency stored) {
  return box.Edited() ? Currency::FromDouble(box.Value()).value_or(stored) : stored;
}

}  // namespace

TParamForm::TParamForm(TToolWindowHost& window)
    : TDockForm(QStringLiteral("ParamForm"), Text("FMS パラメータ"), {}, {.MaxWidth = 320}, &window.OwnerWindow()),
      window_(window) {
  dataHolder_.SetDefaults();
  auto* grid = new QGridLayout(Client());
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(3);
  auto box = [this](const char* name, const TNumberRule& rule, int decimals = 2) {
    auto* made = new TNumberBox(Client(), rule, decimals);
    made->setObjectName(QString::fromLatin1(name));
    made->setFixedWidth(kBoxWidth);
    return made;
  };
  editAreaRadius_ = box("Edit_AreaRadius",
                        {.Min = TSimDataHolder::kMinAreaRadius,
                         .Max = std::numeric_limits<int32_t>::max(),
                         .Fallback = 1000,
                         .Places = 0},
                        0);
  editSceneRotate_ = box("Edit_SceneRotate", PlacementRule(0));
  editAirCraftX_ = box("Edit_AirCraftX", PlacementRule(-5));
  editAirCraftZ_ = box("Edit_AirCraftZ", PlacementRule(-1.7));
  editAirCraftY_ = box("Edit_AirCraftY", PlacementRule(0));
  int row = 0;
  auto line = [&](const char* label, QWidget* field) {
    grid->addWidget(new QLabel(Text(label), Client()), row, 0);
    if (field)
      grid->addWidget(field, row, 1, Qt::AlignRight);
    ++row;
  };
  line("広さ", editAreaRadius_);
  line("回転", editSceneRotate_);
  line("発進位置", nullptr);
  // The scene's vertical axis is FMS z, its depth FMS y.
  line("X", editAirCraftX_);
  line("Y (FMS z)", editAirCraftZ_);
  line("Z (FMS y)", editAirCraftY_);
  checkBoxUpdate_ = new QCheckBox(Text("更新"), Client());
  checkBoxUpdate_->setObjectName(QStringLiteral("CheckBox_Update"));
  checkBoxUpdate_->setChecked(true);
  buttonUpdate_ = new QPushButton(Text("更新"), Client());
  buttonUpdate_->setObjectName(QStringLiteral("Button_Update"));
  grid->addWidget(checkBoxUpdate_, row, 0);
  grid->addWidget(buttonUpdate_, row, 1, Qt::AlignRight);
  grid->setRowStretch(row + 1, 1);
  connect(buttonUpdate_, &QPushButton::clicked, this, [this] { window_.Command([this] { ButtonUpdateClick(); }); });
  // Enter in a box is "更新".
  for (TNumberBox* edit : {editAreaRadius_, editSceneRotate_, editAirCraftX_, editAirCraftZ_, editAirCraftY_})
    connect(edit, &QLineEdit::returnPressed, buttonUpdate_, &QPushButton::click);

  Reg().AddItem(kLookAt, Section(), kLookAt, "1");
  // Keys typed here are text, not the main menu's single-key commands.
  window_.Gate().AddTextArea(this);
  ShowParams();
}

void TParamForm::ShowParams() {
  editAreaRadius_->Show(QString::number(dataHolder_.AreaRadius()));
  editSceneRotate_->Show(CurrencyText(dataHolder_.SceneRotate()));
  editAirCraftX_->Show(CurrencyText(dataHolder_.AirCraftX()));
  editAirCraftZ_->Show(CurrencyText(dataHolder_.AirCraftZ()));
  editAirCraftY_->Show(CurrencyText(dataHolder_.AirCraftY()));
}

void TParamForm::ReadParams() {
  if (editAreaRadius_->Edited())
    dataHolder_.SetAreaRadius(static_cast<int32_t>(editAreaRadius_->Value()));
  dataHolder_.SetSceneRotate(BoxValue(*editSceneRotate_, dataHolder_.SceneRotate()));
  dataHolder_.SetAirCraftX(BoxValue(*editAirCraftX_, dataHolder_.AirCraftX()));
  dataHolder_.SetAirCraftY(BoxValue(*editAirCraftY_, dataHolder_.AirCraftY()));
  dataHolder_.SetAirCraftZ(BoxValue(*editAirCraftZ_, dataHolder_.AirCraftZ()));
}

void TParamForm::ButtonUpdateClick() {
  ReadParams();
  TFMSDataHolder& scene = *window_.Form().SceneFiler()->FMSData();
  scene.Assign(&dataHolder_);
  // What the scene took, a radius raised to its minimum among it.
  dataHolder_.Assign(&scene);
  ShowParams();
  // The view's keys and shortcuts work again.
  window_.FocusView();
}

bool TParamForm::LookAt() const {
  return checkBoxUpdate_->isChecked();
}

void TParamForm::SetLookAt(bool value) {
  checkBoxUpdate_->setChecked(value);
}

void TParamForm::LoadSettings() {
  TDockForm::LoadSettings();
  SetLookAt(Reg().GetItem(kLookAt).ReadBool());
}

void TParamForm::SaveSettings() {
  TDockForm::SaveSettings();
  Reg().GetItem(kLookAt).WriteBool(LookAt());
}

void TParamForm::showEvent(QShowEvent* event) {
  TDockForm::showEvent(event);
  ShowParams();
}

}  // namespace vrel
