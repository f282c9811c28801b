#include "app/qt/DialogForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CommandGuard.h"
#include "app/FormPlacement.h"
#include "app/FormSection.h"
#include "app/qt/FramePlacement.h"
#include "app/qt/NumberBox.h"

namespace vrel {

TDialogForm::TDialogForm(QWidget* parent, const QString& name, const QString& caption, const QString& okCaption)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  client_ = new QWidget(this);
  layout->addWidget(client_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  ok_ = new QPushButton(okCaption, this);
  ok_->setObjectName(QStringLiteral("Button_Ok"));
  ok_->setDefault(true);
  cancel_ = new QPushButton(QString::fromUtf8("キャンセル"), this);
  cancel_->setObjectName(QStringLiteral("Button_Cancel"));
  cancel_->setAutoDefault(false);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  reg_.SetRegType(rtIni);
  section_ = name.toStdString();
  reg_.AddItem(kLeftItem, section_, kLeftItem, std::to_string(kDefaultLeft));
  reg_.AddItem(kTopItem, section_, kTopItem, std::to_string(kDefaultTop));
}

void TDialogForm::SetRange(float minValue, float maxValue) {
  minValue_ = minValue;
  maxValue_ = maxValue;
  RangeChanged();
}

void TDialogForm::LoadSettings() {
  MoveItemsToSection(reg_, section_, objectName().toStdString());
  reg_.SetIniFileName(SettingsFileName());
  adjustSize();
  const TRegSession session(reg_);
  const TPlacementRect stored{reg_.GetItem(kLeftItem).ReadInteger(), reg_.GetItem(kTopItem).ReadInteger(), width(),
                              height()};
  const TPlacementRect kept = ClampToNearestScreen(stored, ScreenRects());
  move(kept.Left, kept.Top);
}

void TDialogForm::SaveSettings() {
  MoveItemsToSection(reg_, section_, objectName().toStdString());
  reg_.SetIniFileName(SettingsFileName());
  TRegSession session(reg_);
  reg_.GetItem(kLeftItem).WriteInteger(x());
  reg_.GetItem(kTopItem).WriteInteger(y());
  session.Commit();
}

void TDialogForm::showEvent(QShowEvent* event) {
  Guarded([this] { LoadSettings(); });
  QDialog::showEvent(event);
  ok_->setFocus(Qt::OtherFocusReason);
}

void TDialogForm::done(int result) {
  // What OK acts on is what the boxes show.
  if (result == Accepted)
    SettleNumberBoxes(*this);
  // A settings file that cannot be written is reported; the dialog closes all the same.
  Guarded([this] { SaveSettings(); });
  QDialog::done(result);
}

}  // namespace vrel
