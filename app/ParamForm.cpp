#include "app/ParamForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <limits>

#include "app/MainWindow.h"
#include "app/NumberBox.h"
#include "app/ShortcutGate.h"
#include "files/VrelPanoFiler.h"

namespace vrel {

namespace {

constexpr const char* kLookAt = "LookAt";
constexpr int kBoxWidth = 60;

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString CurrencyText(Currency value) {
  return QString::fromStdString(FormatCurrency(value, 2));
}

// A box's value: the stored one while the box shows it unchanged.
Currency BoxValue(const TNumberBox& box, Currency stored, Currency fallback) {
  return box.Edited() ? box.CurrencyValue(fallback) : stored;
}

}  // namespace

TParamForm::TParamForm(MainWindow& window)
    : TDockForm(QStringLiteral("ParamForm"), Text("FMS パラメータ"), {}, {.MaxWidth = 320}, &window), window_(window) {
  dataHolder_.SetDefaults();
  auto* grid = new QGridLayout(Client());
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(3);
  auto box = [this](const char* name) {
    auto* made = new TNumberBox(Client());
    made->setObjectName(QString::fromLatin1(name));
    made->setFixedWidth(kBoxWidth);
    return made;
  };
  editAreaRadius_ = box("Edit_AreaRadius");
  editAreaRadius_->SetRule({.Min = std::numeric_limits<int32_t>::min(),
                            .Max = std::numeric_limits<int32_t>::max(),
                            .Fallback = 1000,
                            .Integer = true});
  editSceneRotate_ = box("Edit_SceneRotate");
  editAirCraftX_ = box("Edit_AirCraftX");
  editAirCraftZ_ = box("Edit_AirCraftZ");
  editAirCraftY_ = box("Edit_AirCraftY");
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
  dataHolder_.SetSceneRotate(BoxValue(*editSceneRotate_, dataHolder_.SceneRotate(), Currency()));
  dataHolder_.SetAirCraftX(BoxValue(*editAirCraftX_, dataHolder_.AirCraftX(), Currency::FromCount(-50000)));
  dataHolder_.SetAirCraftY(BoxValue(*editAirCraftY_, dataHolder_.AirCraftY(), Currency()));
  dataHolder_.SetAirCraftZ(BoxValue(*editAirCraftZ_, dataHolder_.AirCraftZ(), Currency::FromCount(-17000)));
}

void TParamForm::ButtonUpdateClick() {
  ReadParams();
  window_.Form().SceneFiler()->FMSData()->Assign(&dataHolder_);
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
