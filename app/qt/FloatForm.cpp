#include "app/qt/FloatForm.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "app/FormSection.h"
#include "app/qt/FramePlacement.h"

namespace vrel {

namespace {

constexpr const char* kVisible = "Visible";
constexpr int kTitleHeight = 18;

}  // namespace

// The tool window's caption strip; dragging it moves the frame (the frame handles the mouse).
class TFloatForm::TitleBar : public QLabel {
 public:
  TitleBar(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFixedHeight(kTitleHeight);
    setContentsMargins(4, 0, 4, 0);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(10, 36, 106));
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    // The frame takes the presses.
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
};

TFloatForm::TFloatForm(const QString& name, const QString& caption, QMainWindow* mainWindow, QSize clientSize)
    : QFrame(mainWindow), mainWindow_(mainWindow) {
  setObjectName(name);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  titleBar_ = new TitleBar(caption, this);
  client_ = new QWidget(this);
  client_->setFixedSize(clientSize);
  layout->addWidget(titleBar_);
  layout->addWidget(client_);
  adjustSize();
  hide();

  reg_.SetRegType(rtIni);
  section_ = name.toStdString();
  reg_.AddItem(kLeftItem, section_, kLeftItem, std::to_string(kDefaultLeft));
  reg_.AddItem(kTopItem, section_, kTopItem, std::to_string(kDefaultTop));
  reg_.AddItem(kVisible, section_, kVisible, "1");
  UpdateAnchor();
}

QString TFloatForm::Caption() const {
  return titleBar_->text();
}

int TFloatForm::ParentWidth() const {
  return mainWindow_->width();
}

int TFloatForm::MenuBarHeight() const {
  const QWidget* menu = mainWindow_->menuWidget();
  return menu && !menu->isHidden() ? menu->height() : 0;
}

QPoint TFloatForm::Position() const {
  return pos() - QPoint(0, MenuBarHeight());
}

void TFloatForm::SetPosition(QPoint position) {
  move(position + QPoint(0, MenuBarHeight()));
  UpdateAnchor();
}

void TFloatForm::UpdateAnchor() {
  anchor_ = FloatAnchorAt(Position().x(), width(), ParentWidth());
}

void TFloatForm::KeepInParent(int offset) {
  anchor_.RightOffset = offset;
  SetPosition({RightAnchoredLeft(ParentWidth(), width(), offset), Position().y()});
}

void TFloatForm::SetSection(const std::string& section) {
  MoveItemsToSection(reg_, section_, section);
}

void TFloatForm::LoadSettings() {
  SetSection(objectName().toStdString());
  reg_.SetIniFileName(SettingsFileName());
  const TPlacementRect stored{reg_.GetItem(kLeftItem).ReadInteger(), reg_.GetItem(kTopItem).ReadInteger(), width(),
                              height()};
  const TPlacementRect kept = ClampToNearestScreen(stored, ScreenRects());
  SetPosition({kept.Left, kept.Top});
  setVisible(reg_.GetItem(kVisible).ReadBool());
  if (isVisible())
    raise();
}

void TFloatForm::SaveSettings() {
  SetSection(objectName().toStdString());
  reg_.SetIniFileName(SettingsFileName());
  reg_.GetItem(kLeftItem).WriteInteger(Position().x());
  reg_.GetItem(kTopItem).WriteInteger(Position().y());
  reg_.GetItem(kVisible).WriteBool(!isHidden());
}

void TFloatForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && titleBar_->geometry().contains(event->position().toPoint())) {
    dragging_ = true;
    grab_ = event->position().toPoint();
    raise();
    event->accept();
    return;
  }
  QFrame::mousePressEvent(event);
}

void TFloatForm::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) {
    QFrame::mouseMoveEvent(event);
    return;
  }
  const QPoint inParent = mapToParent(event->position().toPoint()) - grab_;
  SetPosition(inParent - QPoint(0, MenuBarHeight()));
  if (OnUserMoved)
    OnUserMoved(*this);
  event->accept();
}

void TFloatForm::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    dragging_ = false;
    event->accept();
    return;
  }
  QFrame::mouseReleaseEvent(event);
}

}  // namespace vrel
