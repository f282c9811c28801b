#include "app/DockForm.h"

#include <QMainWindow>
#include <QWidget>

#include "app/FormSection.h"

namespace vrel {

namespace {

constexpr const char* kLeft = "Left";
constexpr const char* kTop = "Top";
constexpr const char* kWidth = "Width";
constexpr const char* kHeight = "Height";
constexpr const char* kDocking = "Docking";
constexpr const char* kDockAlign = "DockAlign";
constexpr const char* kVisible = "Visible";

}  // namespace

TDockForm::TDockForm(const QString& name, const QString& caption, const TDockFormDefaults& defaults,
                     const TDockFormConstraints& constraints, QMainWindow* mainWindow)
    : QDockWidget(caption, mainWindow),
      docking_(defaults.Docking),
      dockAlign_(defaults.DockAlign),
      visible_(defaults.Visible),
      floatRect_{defaults.Left, defaults.Top, defaults.Width, defaults.Height} {
  setObjectName(name);
  setAllowedAreas(Qt::RightDockWidgetArea);
  setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);
  setWidget(new QWidget(this));
  setMinimumSize(constraints.MinWidth, constraints.MinHeight);
  setMaximumSize(constraints.MaxWidth > 0 ? constraints.MaxWidth : QWIDGETSIZE_MAX,
                 constraints.MaxHeight > 0 ? constraints.MaxHeight : QWIDGETSIZE_MAX);
  resize(defaults.Width, defaults.Height);
  hide();

  reg_.SetRegType(rtIni);
  const std::string section = name.toStdString();
  reg_.AddItem(kLeft, section, kLeft, std::to_string(defaults.Left));
  reg_.AddItem(kTop, section, kTop, std::to_string(defaults.Top));
  reg_.AddItem(kWidth, section, kWidth, std::to_string(defaults.Width));
  reg_.AddItem(kHeight, section, kHeight, std::to_string(defaults.Height));
  reg_.AddItem(kDocking, section, kDocking, defaults.Docking ? "1" : "0");
  reg_.AddItem(kDockAlign, section, kDockAlign, std::to_string(defaults.DockAlign));
  reg_.AddItem(kVisible, section, kVisible, defaults.Visible ? "1" : "0");
  section_ = section;
}

void TDockForm::SetSection(const std::string& section) {
  MoveItemsToSection(reg_, section_, section);
}

void TDockForm::LoadSettings() {
  SetSection(objectName().toStdString());
  reg_.SetIniFileName(SettingsFileName());
  TPlacementRect rect{reg_.GetItem(kLeft).ReadInteger(), reg_.GetItem(kTop).ReadInteger(), width(), height()};
  docking_ = reg_.GetItem(kDocking).ReadBool();
  if (!docking_) {
    rect.Width = reg_.GetItem(kWidth).ReadInteger();
    rect.Height = reg_.GetItem(kHeight).ReadInteger();
  }
  const std::vector<TPlacementRect> screens = ScreenRects();
  floatRect_ = ClampToNearestScreen(rect, screens, minimumWidth(), minimumHeight());
  SetDockAlign(reg_.GetItem(kDockAlign).ReadInteger());
  visible_ = reg_.GetItem(kVisible).ReadBool();
}

void TDockForm::ApplyFloating() {
  setFloating(true);
  floatPlacement_.Restore(*this, floatRect_);
  setVisible(visible_);
}

void TDockForm::SaveSettings() {
  SetSection(objectName().toStdString());
  reg_.SetIniFileName(SettingsFileName());
  docking_ = !isFloating();
  visible_ = !isHidden();
  if (docking_) {
    const QPoint screen = mapToGlobal(QPoint(0, 0));
    floatRect_.Left = screen.x();
    floatRect_.Top = screen.y();
  } else {
    floatRect_ = floatPlacement_.Current(*this);
  }
  reg_.GetItem(kLeft).WriteInteger(floatRect_.Left);
  reg_.GetItem(kTop).WriteInteger(floatRect_.Top);
  if (!docking_) {
    reg_.GetItem(kWidth).WriteInteger(floatRect_.Width);
    reg_.GetItem(kHeight).WriteInteger(floatRect_.Height);
  }
  reg_.GetItem(kDocking).WriteBool(docking_);
  reg_.GetItem(kDockAlign).WriteInteger(dockAlign_);
  reg_.GetItem(kVisible).WriteBool(visible_);
}

}  // namespace vrel
