#include "app/qt/DockForm.h"

#include <QMainWindow>
#include <QScrollArea>
#include <QWidget>

#include "app/FormSection.h"

namespace vrel {

namespace {

constexpr const char* kDocking = "Docking";
constexpr const char* kDockAlign = "DockAlign";
constexpr const char* kVisible = "Visible";

}  // namespace

TDockForm::TDockForm(const QString& name, const QString& caption, const TDockFormDefaults& defaults,
                     const TDockFormConstraints& constraints, QMainWindow* mainWindow)
    : QDockWidget(caption, mainWindow),
      client_(new QWidget),
      floatingMinHeight_(constraints.MinHeight),
      docking_(defaults.Docking),
      dockAlign_(defaults.DockAlign),
      visible_(defaults.Visible),
      floatRect_{defaults.Left, defaults.Top, defaults.Width, defaults.Height} {
  setObjectName(name);
  setAllowedAreas(Qt::RightDockWidgetArea);
  setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);
  auto* scroller = new QScrollArea(this);
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setWidget(client_);
  setWidget(scroller);
  // Docked, the site shares its height out and the panel scrolls; floating, it keeps its minimum.
  setMinimumSize(constraints.MinWidth, isFloating() ? floatingMinHeight_ : 0);
  connect(this, &QDockWidget::topLevelChanged, this,
          [this](bool floating) { setMinimumHeight(floating ? floatingMinHeight_ : 0); });
  setMaximumSize(constraints.MaxWidth > 0 ? constraints.MaxWidth : QWIDGETSIZE_MAX,
                 constraints.MaxHeight > 0 ? constraints.MaxHeight : QWIDGETSIZE_MAX);
  resize(defaults.Width, defaults.Height);
  hide();

  reg_.SetRegType(rtIni);
  const std::string section = name.toStdString();
  reg_.AddItem(kLeftItem, section, kLeftItem, std::to_string(defaults.Left));
  reg_.AddItem(kTopItem, section, kTopItem, std::to_string(defaults.Top));
  reg_.AddItem(kWidthItem, section, kWidthItem, std::to_string(defaults.Width));
  reg_.AddItem(kHeightItem, section, kHeightItem, std::to_string(defaults.Height));
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
  TPlacementRect rect{reg_.GetItem(kLeftItem).ReadInteger(), reg_.GetItem(kTopItem).ReadInteger(), width(), height()};
  docking_ = reg_.GetItem(kDocking).ReadBool();
  if (!docking_) {
    rect.Width = reg_.GetItem(kWidthItem).ReadInteger();
    rect.Height = reg_.GetItem(kHeightItem).ReadInteger();
  }
  const std::vector<TPlacementRect> screens = ScreenRects();
  floatRect_ = ClampToNearestScreen(rect, screens, minimumWidth(), floatingMinHeight_);
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
  reg_.GetItem(kLeftItem).WriteInteger(floatRect_.Left);
  reg_.GetItem(kTopItem).WriteInteger(floatRect_.Top);
  if (!docking_) {
    reg_.GetItem(kWidthItem).WriteInteger(floatRect_.Width);
    reg_.GetItem(kHeightItem).WriteInteger(floatRect_.Height);
  }
  reg_.GetItem(kDocking).WriteBool(docking_);
  reg_.GetItem(kDockAlign).WriteInteger(dockAlign_);
  reg_.GetItem(kVisible).WriteBool(visible_);
}

}  // namespace vrel
